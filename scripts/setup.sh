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

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-serialport-dev libgl-dev qt6-qpa-plugins
    fonts-noto-cjk
)
missing=()
for p in "${packages[@]}"; do
    if [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" != "install ok installed" ]; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

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
