#!/bin/bash
# Cross-builds Tapwright for 64-bit Windows: tapwright.exe and tapwright-cli.exe,
# each one static executable with no DLLs. Then runs the Windows tests under
# wine, packs dist/Tapwright-<version>-win64.zip and an installer, and installs
# and uninstalls that under wine.
#   scripts/build-windows.sh [--no-tests]
# The first run builds a static Qt from Debian's own qtbase source into
# /var/cache/tapwright (about an hour on two cores); later runs reuse it.
set -euo pipefail
cd "$(dirname "$0")/.."
run_tests=yes
case "${1:-}" in
    "") ;;
    --no-tests) run_tests=no ;;
    *) echo "usage: $0 [--no-tests]" >&2; exit 2 ;;
esac

qt=${TAPWRIGHT_WINDOWS_QT:-/var/cache/tapwright/qt-6.4.2-win64}
scripts/install-missing.sh cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools \
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix dpkg-dev xz-utils \
    wine64 wine nsis zip python3 xvfb xauth openbox xdotool xxd icoutils fonts-noto-cjk \
    qt6-translations-l10n qt6-tools-dev qt6-l10n-tools
scripts/windows/qt.sh "$qt"

"$qt/bin/qt-cmake" -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DBUILD_TESTING=ON -DTAPWRIGHT_BENCH=OFF -DTAPWRIGHT_GUI=ON >/dev/null
cmake --build build-windows -j "$(nproc 2>/dev/null || echo 2)"

if [ "$run_tests" = yes ]; then
    scripts/windows/check-resources.sh build-windows
    # The wine tests compare what the Windows build sends with the Linux one.
    scripts/setup.sh
    tests/hide-consoles.sh scripts/windows/wine-tests.sh build-windows build
fi
scripts/windows/pack.sh build-windows "$qt"
if [ "$run_tests" = yes ]; then
    version=$(scripts/version.sh)
    tests/hide-consoles.sh scripts/windows/install-tests.sh "dist/Tapwright-$version-win64-setup.exe"
fi
