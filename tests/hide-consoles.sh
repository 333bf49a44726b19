#!/bin/bash
# Runs a command with the machine's serial ports hidden where that is possible
# (root and a mount namespace): a program that opens /dev/ttyS* by mistake
# finds /dev/null there and fails, instead of writing to the machine's console.
#   tests/hide-consoles.sh COMMAND [ARGUMENT...]
# Says so on stderr when it cannot hide them. In the namespace,
# TAPWRIGHT_CONSOLES_HIDDEN=1 tells that every /dev/ttyS* is /dev/null.
if [ -n "${TAPWRIGHT_CONSOLES_HIDDEN:-}" ]; then
    exec "$@"
fi
mask='
    set -e
    # In a chroot the root cannot be made private; /dev then is made a slave,
    # so that our mounts stay in here and do not reach the machine.
    if [ "$1" = unchanged ]; then
        mount --make-rslave "$(findmnt -n -o TARGET -T /dev)" 2>/dev/null || exit 97
    fi
    shift
    for d in /dev/ttyS*; do
        [ -e "$d" ] || continue
        mount --bind /dev/null "$d" || exit 97
        [ "$(stat -c %t:%T "$d")" = "$(stat -c %t:%T /dev/null)" ] || exit 97
    done
    export TAPWRIGHT_CONSOLES_HIDDEN=1
    exec "$@"'
if [ "$(id -u)" -eq 0 ]; then
    for how in private unchanged; do
        if [ "$how" = private ]; then
            unshare --mount true 2>/dev/null || continue
            unshare --mount bash -c "$mask" bash "$how" "$@"
        else
            unshare --mount --propagation unchanged true 2>/dev/null || continue
            unshare --mount --propagation unchanged bash -c "$mask" bash "$how" "$@"
        fi
        status=$?
        # 97: the mask could not be laid; anything else is the command's own.
        [ $status -ne 97 ] && exit $status
    done
    why="no mount namespace could hide them here"
else
    why="hiding them needs root"
fi
if [ -z "${TAPWRIGHT_CONSOLES_NOTE_SHOWN:-}" ]; then
    echo "note: /dev/ttyS* are not hidden ($why); running as they are" >&2
fi
exec "$@"
