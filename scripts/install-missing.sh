#!/bin/bash
# Installs those of the given Debian packages that are not installed yet.
#   scripts/install-missing.sh PACKAGE...
# As root it installs them; as another user through sudo, when there is one.
# Without sudo (a Debian installed with a root password has none) it says what
# to run as root, and fails.
set -euo pipefail
missing=()
for p in "$@"; do
    if [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" != "install ok installed" ]; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        {
            echo "These Debian packages are missing: ${missing[*]}"
            echo "There is no sudo here to install them with. Install them as root:"
            echo "  su -c 'apt-get update && apt-get install -y --no-install-recommends ${missing[*]}'"
            echo "(su asks for the root password), then run this again."
        } >&2
        exit 1
    fi
    sudo=sudo
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
