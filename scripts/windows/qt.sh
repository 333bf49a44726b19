#!/bin/bash
# Builds the static Qt for Windows that the cross build links, once, into a
# cache outside the repository: qtbase 6.4.2 from Debian's own source package,
# cross-compiled with mingw-w64 (posix threads), with Core, Gui, Widgets and
# Test and without OpenGL, ICU, D-Bus, network, SQL and print support.
#   scripts/windows/qt.sh PREFIX
# Takes about an hour on two cores; does nothing when PREFIX holds a Qt.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prefix=${1:?usage: qt.sh PREFIX}
[ -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ] && exit 0

work=$(mktemp -d "${TMPDIR:-/var/tmp}/tapwright-qt.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "Building the static Qt for Windows in $work (about an hour) ..."

# A sources list of our own, from the machine's own mirror, so that the
# machine's package lists stay as they are.
mirror=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
if [ -z "$mirror" ]; then
    mirror=$(awk '$1 == "deb" && $3 ~ /^bookworm$/ {print $2; exit}' /etc/apt/sources.list 2>/dev/null || true)
fi
[ -n "$mirror" ] || { echo "qt.sh: cannot find the machine's Debian mirror" >&2; exit 1; }
mkdir -p "$work/lists/partial"
echo "deb-src $mirror bookworm main" > "$work/sources.list"
apt=(-o Dir::Etc::sourcelist="$work/sources.list" -o Dir::Etc::sourceparts=- \
     -o Dir::State::Lists="$work/lists" -o APT::Get::List-Cleanup=0)
apt-get "${apt[@]}" update -qq
(cd "$work" && apt-get "${apt[@]}" source -qq qt6-base=6.4.2\* >/dev/null 2>&1 ||
     apt-get "${apt[@]}" source -qq qt6-base >/dev/null)
src=$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
[ -n "$src" ] || { echo "qt.sh: apt-get source qt6-base gave no source tree" >&2; exit 1; }

# Qt's own toolchain file names the one Qt was built with: keep a copy in
# the prefix, so that builds from any clone find it.
mkdir -p "$prefix" "$work/build"
cp "$here/toolchain.cmake" "$prefix/mingw-toolchain.cmake"
cd "$work/build"
"$src/configure" -xplatform win32-g++ -qt-host-path /usr -prefix "$prefix" \
    -release -static -no-opengl -no-dbus -no-icu -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre \
    -qt-harfbuzz -qt-freetype -no-feature-sql -no-feature-network -no-feature-printsupport \
    -no-feature-tabletevent -nomake examples -nomake tests -- \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-toolchain.cmake" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_TOOLS_WHEN_CROSSCOMPILING=OFF >"$work/configure.log" 2>&1 ||
    { tail -n 40 "$work/configure.log" >&2; exit 1; }
cmake --build . --parallel "$(nproc)" >"$work/build.log" 2>&1 ||
    { tail -n 40 "$work/build.log" >&2; exit 1; }
cmake --install . >/dev/null
# The licence texts and the source package's name go into the zip.
mkdir -p "$prefix/licences"
cp "$src"/LICENSES/* "$prefix/licences/"
cp "$src/debian/copyright" "$prefix/licences/debian-copyright"
basename "$(ls "$work"/*.dsc | head -n 1)" >"$prefix/licences/source-package"
echo "Static Qt for Windows installed in $prefix"
