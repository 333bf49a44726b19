#!/bin/bash
# Takes docs/screenshot-windows.png: the Windows build's main window, keypad
# and typing window under wine, on a virtual X screen. Run after
# scripts/build-windows.sh; no port is opened.
#   tests/hide-consoles.sh scripts/windows/screenshot.sh [BUILD-DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(cd "${1:-build-windows}" && pwd)
if [ "${2:-}" != --inside ]; then
    scripts/install-missing.sh xvfb xauth xdotool imagemagick openbox
    exec xvfb-run -a -s "-screen 0 1024x600x24 -dpi 96 -nolisten tcp" "$0" "$build" --inside
fi
scratch=$(mktemp -d)
export WINEPREFIX=$scratch/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; rm -rf "$scratch"' EXIT
wineboot -i >/dev/null 2>&1
wineserver -w
convert -size 1024x600 xc:'#3d5a70' "$scratch/desk.png"
display -window root "$scratch/desk.png" &
openbox --sm-disable >/dev/null 2>&1 &
sleep 1
wine "$build/bin/tapwright.exe" >/dev/null 2>&1 &
for _ in $(seq 100); do
    main=$(xdotool search --onlyvisible --name '^Tapwright version' 2>/dev/null | head -n 1) || true
    [ -n "$main" ] && break
    sleep 0.2
done
[ -n "$main" ] || { echo "the main window did not show" >&2; exit 1; }
xdotool windowmove --sync "$main" 24 24
xdotool windowactivate --sync "$main"
sleep 0.5
xdotool key --clearmodifiers alt+v
sleep 0.5
xdotool key --clearmodifiers k
sleep 3
ids=$(xdotool search --onlyvisible --name '^Tapwright version' 2>/dev/null || true)
eval "$(xdotool getwindowgeometry --shell "$main")"
for id in $ids; do
    [ "$id" = "$main" ] && continue
    eval "$(xdotool getwindowgeometry --shell "$id" | sed 's/^/W_/')"
    if [ "$W_HEIGHT" -gt "$W_WIDTH" ]; then
        xdotool windowmove --sync "$id" $((X + WIDTH + 24)) 24
    else
        xdotool windowmove --sync "$id" 24 $((Y + HEIGHT + 40))
    fi
done
sleep 1
import -window root "$scratch/screen.png"
convert "$scratch/screen.png" -bordercolor '#3d5a70' -border 1 -fuzz 2% -trim +repage \
    -bordercolor '#3d5a70' -border 20 docs/screenshot-windows.png
echo "Wrote docs/screenshot-windows.png"
