# Sourced by the wine test scripts: refuses to go on unless every /dev/ttyS*
# is hidden, makes a fresh wine prefix in a scratch folder that goes at the
# end, and gives pass, fail and finish (checks.sh).
#   . wine-prefix.sh NAME [EXTRA-WINEDLLOVERRIDES]
# NAME heads the script's own messages.

# wine makes COM1 to COM4 the machine's ttyS0 to ttyS3 again at every start;
# ttyS0 is this machine's console. Only where each of them is /dev/null.
null=$(stat -c %t:%T /dev/null)
for d in /dev/ttyS*; do
    [ -e "$d" ] || continue
    if [ "$(stat -c %t:%T "$d")" != "$null" ]; then
        echo "$1: $d is a real serial device here, which wine would make a COM port;" \
             "run this through tests/hide-consoles.sh (as root)" >&2
        exit 1
    fi
done

scratch=$(mktemp -d)
export WINEPREFIX=$scratch/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=${2:+;$2}"
cleanup() {
    pkill -f "pty-capture.py $scratch/" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
wineboot -i >/dev/null 2>&1
wineserver -w

. "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
