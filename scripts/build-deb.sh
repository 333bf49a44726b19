#!/bin/bash
# Builds the Debian package: a Release build in build-deb/, then
# build-deb/tapwright_<version>_amd64.deb, checked with lintian (no errors
# allowed), desktop-file-validate and appstreamcli as installed from it.
#   scripts/build-deb.sh
# Then, as root: apt-get install ./build-deb/tapwright_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -eq 0 ] || { echo "usage: $0" >&2; exit 2; }

scripts/install-missing.sh cmake ninja-build g++ pkg-config \
    qt6-base-dev qt6-serialport-dev libgl-dev qt6-qpa-plugins qt6-tools-dev qt6-l10n-tools \
    dpkg-dev file lintian desktop-file-utils appstream

# Two builds of one tree give the same bytes: every date in the package is
# the last commit's (dpkg-deb, cpack and gzip follow SOURCE_DATE_EPOCH).
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) ||
        SOURCE_DATE_EPOCH=$(stat -c %Y CMakeLists.txt)
fi
export SOURCE_DATE_EPOCH

# Debian's own build flags, with every hardening it has; -fno-ident keeps
# the compiler's name out of the binaries' .comment section.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS) -fno-ident"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DBUILD_TESTING=OFF -DTAPWRIGHT_BENCH=OFF -DTAPWRIGHT_GUI=ON -DTAPWRIGHT_WERROR=OFF \
    -DTAPWRIGHT_SANITIZE=OFF >/dev/null
cmake --build build-deb -j "$(nproc 2>/dev/null || echo 2)"
version=$(scripts/version.sh)
deb=build-deb/tapwright_${version}_$(dpkg --print-architecture).deb
rm -f "$deb"
(cd build-deb && cpack -G DEB >/dev/null)

echo "lintian:"
# lintian ends non-zero on errors; warnings are listed and let through.
lintian --display-info --pedantic "$deb" 2>&1 |
    grep -v '^running with root privileges' || true
if ! lintian --fail-on error "$deb" >/dev/null 2>&1; then
    echo "lintian reports errors in $deb" >&2
    exit 1
fi

# The files as the package installs them.
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
ls -l "$deb"
