#!/bin/bash
# Checks the Japanese catalogue against the sources.
#   check-translations.sh finished LRELEASE TS
#       every message of the catalogue has its Japanese
#   check-translations.sh complete LUPDATE LRELEASE TS DIR...
#       the catalogue holds every message of the sources in DIR...
set -euo pipefail

mode=$1
shift
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

unfinished() { # lrelease TS: prints how many messages lrelease finds without Japanese
    "$1" "$2" -qm "$tmp/out.qm" | awk '
        /finished and .* unfinished/ { seen = 1; match($0, /[0-9]+ unfinished/); n += substr($0, RSTART) + 0 }
        /untranslated source text/ { match($0, /Ignored [0-9]+/); n += substr($0, RSTART + 8) + 0 }
        END { if (seen) print n }'
}

case "$mode" in
finished)
    n=$(unfinished "$1" "$2")
    [ -n "$n" ] || { echo "lrelease said nothing of $2" >&2; exit 1; }
    if [ "$n" != 0 ]; then
        echo "$n message(s) of $2 have no Japanese:" >&2
        grep -B3 'type="unfinished"' "$2" | grep '<source>' >&2
        exit 1
    fi
    ;;
complete)
    lupdate=$1 lrelease=$2 ts=$3
    shift 3
    cp "$ts" "$tmp/copy.ts"
    # The sources include their headers from the top of the tree.
    "$lupdate" -silent -locations none -I "$(dirname "$1")" "$@" -ts "$tmp/copy.ts"
    n=$(unfinished "$lrelease" "$tmp/copy.ts")
    if [ "$n" != 0 ]; then
        echo "the sources hold $n message(s) that $ts lacks (run the update_translations target):" >&2
        grep -B3 'type="unfinished"' "$tmp/copy.ts" | grep '<source>' >&2
        exit 1
    fi
    ;;
*)
    echo "usage: $0 finished|complete ..." >&2
    exit 2
    ;;
esac
