#!/bin/bash
# Installs what is missing (Debian 12 packages), then builds.
#   scripts/setup.sh          release build in build/, for running the programs
#   scripts/setup.sh --test   test build in build-test/ (warnings are errors,
#                             AddressSanitizer and UBSan), for running the tests
set -euo pipefail
cd "$(dirname "$0")/.."

mode=run
case "${1:-}" in
    "") ;;
    --test) mode=test ;;
    *) echo "usage: $0 [--test]" >&2; exit 2 ;;
esac

# qt6-translations-l10n: Qt's own dialogs in Japanese. qt6-tools-dev and
# qt6-l10n-tools: lupdate and lrelease, for the programs' Japanese catalogue.
packages=(cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-serialport-dev libgl-dev qt6-qpa-plugins
    fonts-noto-cjk qt6-translations-l10n qt6-tools-dev qt6-l10n-tools)
# The validators of the desktop entry, the AppStream data, the man pages and
# the bash completion; python3 reads the manual's pages; icoutils makes the
# Windows icon again, to check it against the drawing. Asked for in the same
# call, so that a user who is not root gets one list to install.
[ "$mode" = test ] &&
    packages+=(desktop-file-utils appstream man-db groff-base bash-completion python3 icoutils)
scripts/install-missing.sh "${packages[@]}"

jobs=$(nproc 2>/dev/null || echo 2)
if [ "$mode" = test ]; then
    cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DTAPWRIGHT_WERROR=ON -DTAPWRIGHT_SANITIZE=ON -DBUILD_TESTING=ON -DTAPWRIGHT_BENCH=OFF \
        -DTAPWRIGHT_GUI=ON
    cmake --build build-test -j "$jobs"
else
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
        -DTAPWRIGHT_GUI=ON -DTAPWRIGHT_BENCH=ON
    cmake --build build -j "$jobs"
fi
