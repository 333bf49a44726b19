#!/bin/bash
# Runs the Windows build under wine: the unit tests offscreen, then both
# programs against COM ports that are pseudo-terminals, compared byte for byte
# with what the Linux build sends.
#   tests/hide-consoles.sh scripts/windows/wine-tests.sh BUILD-DIR [LINUX-BUILD-DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
build=$(cd "${1:?usage: wine-tests.sh BUILD-DIR [LINUX-BUILD-DIR]}" && pwd)
linux=${2:-$top/build}

[ -x "$linux/bin/tapwright-cli" ] || { echo "wine-tests: no Linux build in $linux (scripts/setup.sh)" >&2; exit 1; }
. "$here/wine-prefix.sh" wine-tests

# A pty standing in for the device; prints its path. $1: the file it fills.
# Called in $(...), a subshell: the cleanup finds the readers by their
# scratch folder, not by a list the subshell cannot add to.
capture() {
    python3 "$here/pty-capture.py" "$1" >"$1.path" &
    for _ in $(seq 100); do [ -s "$1.path" ] && break; sleep 0.05; done
    head -n 1 "$1.path"
}
# The COM port $1 of wine is the pty $2.
com() { ln -sfn "$2" "$WINEPREFIX/dosdevices/$(echo "$1" | tr A-Z a-z)"; }

# 1. The unit tests: offscreen, and the window tests on the windows platform
# under Xvfb with a window manager. A test program's results go to a file:
# wine passes on none of its standard output.
unit() {
    run_unit "$@"
    # A program that ends without writing its results at all did not get to
    # run its tests (wine, not the test, gave up): once more. Failed tests
    # write their results and are not run again.
    if ! grep -qE '^Totals:' "$scratch/$1.txt" 2>/dev/null; then
        echo "note: $1 wrote no results under wine; running it once more"
        run_unit "$@"
    fi
    local result="$scratch/$1.txt"
    if grep -qE '^Totals: [0-9]+ passed, 0 failed' "$result" 2>/dev/null; then
        # "Totals: 18 passed, 0 failed, 1 skipped, ..." -> "18 cases, 1 skipped"
        pass "$1 ($(sed -nE 's/^Totals: ([0-9]+) passed, 0 failed, ([0-9]+) skipped.*/\1 cases, \2 skipped/p' \
            "$result" | sed 's/, 0 skipped//'))"
    else
        fail "$1"; grep -E '^(FAIL|Totals)' "$result" 2>/dev/null | head -n 10 || true
    fi
}
run_unit() {
    local name=$1 platform=$2
    local result="$scratch/$name.txt"
    rm -f "$result"
    if [ "$platform" = offscreen ]; then
        (cd "$top" && QT_QPA_PLATFORM=offscreen timeout 300 wine "$build/bin/$name.exe" \
            -o "$(winepath -w "$result"),txt" >/dev/null 2>&1) || true
    else
        (cd "$top" && timeout 300 xvfb-run -a -s "-screen 0 1024x768x24" \
            bash -c 'openbox --sm-disable >/dev/null 2>&1 & sleep 1; exec wine "$@"' wine \
            "$build/bin/$name.exe" -o "$(winepath -w "$result"),txt" >/dev/null 2>&1) || true
    fi
}
for t in "$build"/bin/tst_*.exe; do
    name=$(basename "$t" .exe)
    case "$name" in
    tst_frm*) unit "$name" windows ;;
    *) unit "$name" offscreen ;;
    esac
done

# 2. A key through COM9 reaches the pty byte for byte.
pty=$(capture "$scratch/key.bin")
com COM9 "$pty"
wine "$build/bin/tapwright-cli.exe" key --port COM9 UP 2 '&ENTER' >"$scratch/key.log" 2>&1 || true
sleep 0.3
if [ "$(xxd -p "$scratch/key.bin" | tr -d '\n')" = "f202010000030101f202010000030202f202010000090602" ]; then
    pass "key through COM9"
else
    fail "key through COM9: $(xxd -p "$scratch/key.bin" | tr -d '\n'); $(cat "$scratch/key.log")"
fi

# 3. A run of the code page 932 example sends what the Linux build sends.
for side in windows linux; do
    pty=$(capture "$scratch/run-$side.bin")
    args=(run --fast --addr "$top/examples/addresses.txt" --counter 2)
    if [ $side = windows ]; then
        com COM8 "$pty"
        (cd "$top" && wine "$build/bin/tapwright-cli.exe" "${args[@]}" --port COM8 \
            examples/address-book.mac >"$scratch/run-$side.log" 2>&1) || true
    else
        (cd "$top" && "$linux/bin/tapwright-cli" "${args[@]}" --port "$pty" \
            examples/address-book.mac >"$scratch/run-$side.log" 2>&1) || true
    fi
done
sleep 0.3
if [ -s "$scratch/run-linux.bin" ] && cmp -s "$scratch/run-linux.bin" "$scratch/run-windows.bin" &&
    diff <(tr -d '\r' <"$scratch/run-windows.log") "$scratch/run-linux.log" >/dev/null; then
    pass "run of a code page 932 macro through COM8 ($(stat -c %s "$scratch/run-linux.bin") bytes, as on Linux)"
else
    fail "run through COM8 differs from Linux"
    diff <(tr -d '\r' <"$scratch/run-windows.log") "$scratch/run-linux.log" | head -n 20 || true
fi

# 4. A run over several COM ports at once, each a pty of its own: every port
# gets what one port gets on Linux; split, the three get each entry once.
printf 'GETSTR\r\nSENDSTR\r\nENTER\r\nREPEAT\r\n' >"$scratch/list.mac"
several=(run --fast --addr "$top/examples/addresses.txt")
pty=$(capture "$scratch/one.bin")
"$linux/bin/tapwright-cli" "${several[@]}" --port "$pty" "$scratch/list.mac" >/dev/null 2>&1 || true
for way in each split; do
    ports=()
    for port in COM5 COM6 COM7; do
        pty=$(capture "$scratch/$way-$port.bin")
        com $port "$pty"
        ports+=(--port $port)
    done
    extra=()
    [ $way = split ] && extra=(--split)
    status=0
    (cd "$top" && wine "$build/bin/tapwright-cli.exe" "${several[@]}" "${ports[@]}" "${extra[@]}" \
        "$(winepath -w "$scratch/list.mac")" >"$scratch/$way.log" 2>&1) || status=$?
    sleep 0.3
    if [ $way = each ]; then
        same=yes
        for port in COM5 COM6 COM7; do cmp -s "$scratch/one.bin" "$scratch/each-$port.bin" || same=no; done
    else
        # The frames of the three, taken together, are the one port's.
        same=$(python3 - "$scratch/one.bin" "$scratch"/split-COM?.bin <<'PY'
import sys
frames = lambda paths: sorted(b for p in paths for d in [open(p, "rb").read()]
                              for b in (d[i:i + 8] for i in range(0, len(d), 8)))
print("yes" if frames(sys.argv[1:2]) == frames(sys.argv[2:]) else "no")
PY
)
    fi
    if [ -s "$scratch/one.bin" ] && [ $status -eq 0 ] && [ $same = yes ] &&
        grep -q "^3 ports: 3 ended well" <(tr -d '\r' <"$scratch/$way.log"); then
        pass "$way over COM5, COM6 and COM7 ($(stat -c %s "$scratch/one.bin") bytes on one port)"
    else
        fail "$way over COM5, COM6 and COM7: status $status, same as one port: $same"
        tr -d '\r' <"$scratch/$way.log" | tail -n 8
    fi
done

# 5. Ctrl-C ends a run cleanly, with the counter to go on from: stopped in the
# wait after the pass's only key, that pass has been delivered and counts.
pty=$(capture "$scratch/stop.bin")
com COM7 "$pty"
printf 'UP\r\nSLEEP 100\r\nREPEAT\r\n' >"$scratch/stop.mac"
wine "$build/bin/tapwright-cli.exe" run --port COM7 --counter 5 "$(winepath -w "$scratch/stop.mac")" \
    >"$scratch/stop.log" 2>&1 &
runner=$!
for _ in $(seq 200); do grep -q "2 SLEEP" "$scratch/stop.log" 2>/dev/null && break; sleep 0.1; done
# Only our own run: the pattern names this test's scratch folder.
pkill -INT -f "tapwright-cli.exe run --port COM7 .*$(basename "$scratch")" || true
status=0
wait $runner || status=$?
if [ $status -eq 0 ] && grep -q "stopped; pass counter 6" "$scratch/stop.log"; then
    pass "Ctrl-C ends a run"
else
    fail "Ctrl-C: status $status; $(tr -d '\r' <"$scratch/stop.log" | tail -n 3)"
fi

# 6. ヘルプ → 目次 opens the manual beside the .exe, as the zip lays it out, in
# the system's viewer: wine hands it to the desktop's xdg-open, which here
# only notes what it was given.
app=$scratch/app
mkdir -p "$app" "$scratch/viewer"
cp "$build/bin/tapwright.exe" "$app/"
cp -r "$top/docs/manual" "$app/manual"
printf '#!/bin/sh\necho "$*" >>"%s"\n' "$scratch/opened" >"$scratch/viewer/xdg-open"
chmod +x "$scratch/viewer/xdg-open"
# A plain prefix links .html to wine's browser; the one here is made without
# wine's HTML engine, and so without the link.
wine reg add 'HKCR\.html' /ve /d htmlfile /f >/dev/null 2>&1
# The desktop that wine started for the steps above has no display; the
# window below needs one of its own.
wineserver -w
(cd "$scratch" && PATH="$scratch/viewer:$PATH" timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" \
    bash -c 'openbox --sm-disable >/dev/null 2>&1 &
        wine "$1" >/dev/null 2>&1 &
        for _ in $(seq 100); do
            win=$(xdotool search --name "Tapwright version" 2>/dev/null | head -n 1)
            [ -n "$win" ] && break
            sleep 0.2
        done
        # The window shows before it takes keys: try a few times.
        for _ in 1 2 3 4 5; do
            sleep 2
            xdotool windowactivate --sync "$win" key alt+h
            sleep 0.5
            xdotool key c
            for _ in $(seq 15); do [ -s "$2" ] && break 2; sleep 0.2; done
            xdotool key Escape Escape
        done
        wineserver -k' help "$app/tapwright.exe" "$scratch/opened") >/dev/null 2>&1 || true
if grep -qx "file://$app/manual/index.html" "$scratch/opened" 2>/dev/null; then
    pass "目次 opens the manual beside the .exe"
else
    fail "目次: the viewer was given: $(cat "$scratch/opened" 2>/dev/null || echo nothing)"
fi

finish "wine tests"
