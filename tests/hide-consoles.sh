#!/bin/bash
# Runs one test with the machine's serial ports hidden where that is possible
# (root and a mount namespace): a test that opens /dev/ttyS* by mistake finds
# /dev/null there and fails, instead of writing to the machine's console.
if [ "$(id -u)" -eq 0 ] && [ -z "${TAPWRIGHT_CONSOLES_HIDDEN:-}" ] &&
    unshare --mount true 2>/dev/null; then
    exec unshare --mount bash -c '
        for d in /dev/ttyS*; do
            [ -e "$d" ] && mount --bind /dev/null "$d"
        done
        export TAPWRIGHT_CONSOLES_HIDDEN=1
        exec "$@"' bash "$@"
fi
exec "$@"
