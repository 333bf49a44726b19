#!/bin/bash
# Takes docs/screenshot.png: the main window with its status bar, the keypad,
# the typing window, the send log and the virtual device's window, on a
# virtual X screen, during a run on the port "virtual"; and the manual's
# pictures of each window in docs/manual/images/. Installs what is missing
# (Debian 12 packages) and builds build/bin/tapwright through scripts/setup.sh
# first.
#   scripts/screenshot.sh
#   TAPWRIGHT_BIN=path/to/tapwright scripts/screenshot.sh   another build, as is
# No serial port is opened: the run goes to the virtual device, and the
# keypad's connect button is never pressed. The run happens only where the
# machine's serial ports can be hidden (as root); elsewhere the picture shows
# the windows idle, and the manual's pictures of the run are left as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
# xdotool types the Japanese text byte by byte in the C locale, and the
# program's file names would be mangled: a UTF-8 locale that every system has.
export LC_ALL=C.UTF-8 LANG=C.UTF-8

desk='#3d5a70'
out=docs/screenshot.png
images=docs/manual/images

if [ "${1:-}" != --inside ]; then
    # A window manager for title bars and focus; ImageMagick for the capture.
    scripts/install-missing.sh xvfb xauth xdotool imagemagick openbox
    # setup.sh also brings the Japanese fonts; ninja rebuilds only what changed.
    if [ -z "${TAPWRIGHT_BIN:-}" ]; then
        scripts/setup.sh
    fi
    mkdir -p docs "$images"
    # The run below uses the port "virtual"; should that ever fail, the
    # machine's serial ports are /dev/null in here.
    exec tests/hide-consoles.sh xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96 -nolisten tcp" \
        "$PWD/scripts/screenshot.sh" --inside
fi

# From here on, inside the virtual X server.
bin=${TAPWRIGHT_BIN:-build/bin/tapwright}
[ -x "$bin" ] || { echo "$bin: no such program" >&2; exit 1; }
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$work" "${demo:-}"
}
trap cleanup EXIT

convert -size 1280x800 "xc:$desk" "$work/desk.png"
# Sets the desktop colour; it reports failure even when it worked.
display -window root "$work/desk.png" || true
# The three windows have a close box only; the stock title bar would add
# minimise and maximise to each.
sed 's|<titleLayout>.*</titleLayout>|<titleLayout>NLC</titleLayout>|' /etc/xdg/openbox/rc.xml \
    >"$work/rc.xml"
openbox --sm-disable --config-file "$work/rc.xml" >/dev/null 2>&1 &
pids+=($!)
sleep 1

# No Japanese locale is needed for the text itself; these make the shared
# CJK font take its Japanese glyph forms rather than the Chinese ones. The
# run's journal goes in here: the program is ended during a run, and a
# journal left in the user's own folder would offer that run again.
export XDG_RUNTIME_DIR=$work XDG_DATA_HOME=$work/data LANGUAGE=ja FC_LANG=ja
"$bin" &
app=$!
pids+=("$app")

# Prints the program's visible windows, one "id width height" a line.
windows() {
    local id geometry WIDTH=0 HEIGHT=0
    for id in $(xdotool search --onlyvisible --class tapwright 2>/dev/null); do
        # A window may go between the search and this.
        geometry=$(xdotool getwindowgeometry --shell "$id" 2>/dev/null) || continue
        eval "$geometry"
        echo "$id $WIDTH $HEIGHT"
    done
}
# Waits until the program shows at least $1 windows.
wait_windows() {
    for _ in $(seq 100); do
        [ "$(windows | wc -l)" -ge "$1" ] && return 0
        kill -0 "$app" 2>/dev/null || { echo "tapwright ended early" >&2; exit 1; }
        sleep 0.1
    done
    echo "tapwright did not show $1 windows" >&2
    windows >&2
    exit 1
}

# Prints the id of the program's visible window whose title matches the
# glob $1, or nothing.
window_named() {
    local id rest
    while read -r id rest; do
        # shellcheck disable=SC2053 # $1 is a pattern
        [[ "$(xdotool getwindowname "$id" 2>/dev/null)" == $1 ]] && { echo "$id"; return 0; }
    done < <(windows)
}
# Waits for a window titled $1 (a glob) and prints its id.
wait_named() {
    local id
    for _ in $(seq 100); do
        id=$(window_named "$1")
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "no window titled \"$1\"" >&2
    exit 1
}
# The program must not be holding any real serial device; checked before
# every picture, as a guard, not as a step.
no_serial_device() {
    local fd
    for fd in "/proc/$app/fd"/*; do
        case "$(readlink "$fd" || true)" in
        /dev/ttyS* | /dev/ttyUSB* | /dev/ttyACM*)
            echo "tapwright opened a serial device; no picture taken" >&2
            exit 1
            ;;
        esac
    done
}
# Writes window $1, with its title bar, to $2: small, without metadata.
shoot() {
    no_serial_device
    import -frame -window "$1" "$work/shot.png"
    convert "$work/shot.png" -strip "$2"
    echo "Wrote $2"
}

wait_windows 1
main=$(windows | head -n1 | cut -d' ' -f1)
xdotool windowmove --sync "$main" 24 24

# Chooses the main window's menu item by access keys: menu $1, item $2.
menu_item() {
    xdotool windowactivate --sync "$main"
    sleep 0.3
    xdotool key --clearmodifiers "alt+$1"
    sleep 0.3
    xdotool key --clearmodifiers "$2"
}

# Opens the File menu's item with mnemonic $1 and types path $2 into its
# file dialog.
choose() {
    local before
    before=$(windows | wc -l)
    menu_item f "$1"
    wait_windows $((before + 1))
    sleep 0.5
    xdotool type --delay 20 "$2"
    xdotool key --clearmodifiers Return
    for _ in $(seq 50); do
        [ "$(windows | wc -l)" -eq "$before" ] && return 0
        sleep 0.1
    done
    echo "the file dialog did not close" >&2
    exit 1
}
# The examples under a short neutral path, as the labels show it whole.
demo=/tmp/tapwright-examples
rm -rf "$demo"
cp -r examples "$demo"
# A macro with the slips the check finds, for the check window's picture.
printf '%s\n' 'BASEWAIT 0.3' 'UPP' 'SLEEP 1,5' '# 住所を入力' GETSTR SENDSTR \
    'STRING 山田' REPEAT ENTER >"$demo/slips.mac"
choose m "$demo/slips.mac"
choose a "$demo/addresses.txt"
# Opens the check window, 実行(&R) → チェック(&C)... (it is not offered during
# a run), writes it to $1 and closes it.
shoot_check() {
    local check
    menu_item r c
    check=$(wait_named 'チェック')
    sleep 0.5
    shoot "$check" "$1"
    xdotool windowactivate --sync "$check"
    sleep 0.3
    xdotool key --clearmodifiers alt+F4
    for _ in $(seq 50); do
        [ -z "$(window_named 'チェック')" ] && return 0
        sleep 0.1
    done
}
shoot_check "$images/check.png"
# A macro that types three fields of each entry, and a small address book as a
# spreadsheet saves it (code page 932, CR LF), with an entry that lacks the
# third field and a name the device cannot enter, for the picture of fields.
printf '%s\r\n' 'BASEWAIT 0.3' GETSTR SUNMENU 1 'SENDSTR 1' DOWN 'SENDSTR 2' DOWN \
    'SENDSTR 3' '&ENTER' REPEAT >"$demo/phone.mac"
printf '%s\r\n' 'やまだ たろう,ﾔﾏﾀﾞ ﾀﾛｳ,03-1234-5678' 'すずき はなこ,ｽｽﾞｷ ﾊﾅｺ' \
    '"Smith, John",ｽﾐｽ ｼﾞｮﾝ,045-123-4567' 'たなか 健二,ﾀﾅｶ ｹﾝｼﾞ,06-6123-4567' |
    iconv -f UTF-8 -t CP932 >"$demo/phone.csv"
choose m "$demo/phone.mac"
choose a "$demo/phone.csv"
shoot_check "$images/check-fields.png"
choose a "$demo/addresses.txt"
choose m "$demo/address-book.mac"

# 表示(&V) → キーボード(&K): the keypad, which brings the typing window along.
menu_item v k
wait_windows 3

keypad="" input=""
while read -r id width height; do
    [ "$id" = "$main" ] && continue
    if [ "$height" -gt "$width" ]; then keypad=$id; else input=$id; fi
done < <(windows)
if [ -z "$keypad" ] || [ -z "$input" ]; then
    echo "keypad or typing window missing" >&2
    exit 1
fi

# The main window with the typing window below it, the keypad to their right.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool windowmove --sync "$keypad" $((X + WIDTH + 24)) 24
xdotool windowmove --sync "$input" 24 $((Y + HEIGHT + 16))
xdotool windowactivate --sync "$input"
sleep 0.3
# Something typed but not sent: Enter would send it, and no key here is one
# that presses a keypad key.
xdotool type --delay 60 'やまだ たろう 03-1234-5678'
sleep 0.5

# A run on the virtual device: the port box holds "virtual" (it takes the focus
# first), then Tab reaches 実行. The send log comes from the 表示 menu.
if [ "${TAPWRIGHT_CONSOLES_HIDDEN:-}" = 1 ]; then
    xdotool windowactivate --sync "$main"
    sleep 0.3
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 20 virtual
    xdotool key --clearmodifiers Tab space
    sleep 0.5
    menu_item v l
    sleep 7
    # The send log and the device window, below and beside the others.
    for id in $(windows | cut -d' ' -f1); do
        case "$id" in "$main" | "$keypad" | "$input") continue ;; esac
        name=$(xdotool getwindowname "$id")
        case "$name" in
        仮想デバイス*) xdotool windowmove --sync "$id" 24 $((Y + HEIGHT + 90)) ;;
        *) xdotool windowmove --sync "$id" $((X + WIDTH + 290)) 24 ;;
        esac
    done
    sleep 2
fi

no_serial_device
import -window root "$work/screen.png"
# Cropped to the windows, with an even margin of desktop round them.
convert "$work/screen.png" -bordercolor "$desk" -border 1 -fuzz 2% -trim +repage \
    -bordercolor "$desk" -border 20 "$out"
echo "Wrote $out"

# The manual's pictures, one window each.
shoot "$main" "$images/main.png"
shoot "$keypad" "$work/keypad.png"
shoot "$input" "$work/input.png"
# The typing window under the keypad, as it opens.
no_serial_device
convert "$work/keypad.png" \( -size 1x12 "xc:$desk" \) "$work/input.png" \
    -background "$desk" -gravity west -append -strip "$images/keypad.png"
echo "Wrote $images/keypad.png"
if [ "${TAPWRIGHT_CONSOLES_HIDDEN:-}" = 1 ]; then
    shoot "$(window_named '送信ログ')" "$images/sendlog.png"
    shoot "$(window_named '仮想デバイス*')" "$images/device.png"
else
    echo "No run here (the serial ports are not hidden): $images/sendlog.png and" \
        "$images/device.png are left as they were" >&2
fi

# ヘルプ(&H) → バージョン情報(&A).
menu_item h a
about=$(wait_named 'Tapwright')
sleep 0.5
shoot "$about" "$images/about.png"


# The macro window, in a program of its own so that the pictures above keep
# their windows: a macro with a slip and a field that an entry lacks, opened
# with ファイル(&F) → マクロを編集(&E), the live check's findings under it.
kill "$app"
wait "$app" 2>/dev/null || true
# The run it was making would be offered again.
rm -rf "$work/data"
# Started in the scratch folder, where a file dialog would save by default.
(cd "$work" && exec "$bin") &
app=$!
pids+=("$app")
wait_windows 1
main=$(windows | head -n1 | cut -d' ' -f1)
xdotool windowmove --sync "$main" 24 24
printf '%s\r\n' 'BASEWAIT 1.4' GETSTR UP UPP ENTER 'SENDSTR 2' DOWN 'SENDSTR 3' REPEAT \
    >"$demo/register.mac"
choose m "$demo/register.mac"
choose a "$demo/phone.csv"
# Resizes the macro window $1 to the manual's size, raises it and writes it
# to $2.
shoot_macro() {
    xdotool windowsize --sync "$1" 800 470
    xdotool windowactivate --sync "$1"
    sleep 1.5
    shoot "$1" "$2"
}
menu_item f e
macro=$(wait_named '* - マクロ')
xdotool windowmove --sync "$macro" 24 24
# The check runs once the typing pauses; a click on the first finding would
# move the cursor, so the picture shows the list as it first comes.
shoot_macro "$macro" "$images/macro.png"

# A recording into a new macro: keys pressed from the typing window (↑ ↑,
# and Enter in the empty box for ■), then the first entry's reading and
# number typed there. The keypad stays disconnected: recording does not need
# it, and no port is opened.
xdotool windowactivate --sync "$macro"
sleep 0.3
xdotool key --clearmodifiers alt+F4
for _ in $(seq 50); do
    [ -z "$(window_named '* - マクロ')" ] && break
    sleep 0.1
done
# The address book of the manual's example: a reading and a number.
printf '%s\r\n' 'ﾔﾏﾀﾞ ﾀﾛｳ,03-1234-5678' 'ｽｽﾞｷ ﾊﾅｺ,045-123-4567' 'ﾀﾅｶ ｹﾝｼﾞ,06-6123-4567' |
    iconv -f UTF-8 -t CP932 >"$demo/names.csv"
choose a "$demo/names.csv"
menu_item f n
macro=$(wait_named '* - マクロ')
before=$(windows | wc -l)
menu_item v k
wait_windows $((before + 2))
keypad="" input=""
while read -r id width height; do
    case "$id" in "$main" | "$macro") continue ;; esac
    if [ "$height" -gt "$width" ]; then keypad=$id; else input=$id; fi
done < <(windows)
xdotool windowmove --sync "$macro" 24 24
xdotool windowmove --sync "$keypad" 700 24
xdotool windowmove --sync "$input" 24 560
# 記録 is the item above the last (閉じる) in the macro window's ファイル
# menu, which opens on its first item.
xdotool windowactivate --sync "$macro"
sleep 0.3
xdotool key --clearmodifiers alt+f
sleep 0.3
xdotool key --clearmodifiers Up Up Return
sleep 0.5
xdotool windowactivate --sync "$input"
sleep 0.3
for key in Up Up Return; do
    xdotool key --clearmodifiers "$key"
    sleep 0.4
done
sleep 2
xdotool type --delay 80 'ﾔﾏﾀﾞ ﾀﾛｳ'
xdotool key --clearmodifiers Return
sleep 1.5
# A recorded text leaves the box, connected or not.
xdotool type --delay 80 '03-1234-5678'
xdotool key --clearmodifiers Return
sleep 2.5
shoot_macro "$macro" "$images/recording.png"

# The window that runs over several ports, three virtual devices typing at
# once with their windows beside it, in a program of its own again. Only
# where the serial ports are hidden, as the run above.
if [ "${TAPWRIGHT_CONSOLES_HIDDEN:-}" != 1 ]; then
    echo "No run here: $images/multirun.png and docs/screenshot-multirun.png are left as" \
        "they were" >&2
    exit 0
fi
kill "$app"
wait "$app" 2>/dev/null || true
rm -rf "$work/data"
# The window's port list as it remembers it: three virtual devices.
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME/Tapwright"
printf '[multirun]\nports=virtual, virtual, virtual\n' >"$XDG_CONFIG_HOME/Tapwright/Tapwright.ini"
(cd "$work" && exec "$bin") &
app=$!
pids+=("$app")
wait_windows 1
main=$(windows | head -n1 | cut -d' ' -f1)
xdotool windowmove --sync "$main" 24 24
choose m "$demo/address-book.mac"
choose a "$demo/addresses.txt"
# 実行(&R) → 複数ポートで実行(&M)...; its focus is on すべて開始.
menu_item r m
multi=$(wait_named '複数ポートで実行')
xdotool windowminimize --sync "$main"
xdotool windowmove --sync "$multi" 24 24
xdotool windowactivate --sync "$multi"
sleep 0.5
xdotool key --clearmodifiers space
eval "$(xdotool getwindowgeometry --shell "$multi")"
for n in 1 2 3; do
    device=$(wait_named "装置 ($n)")
    xdotool windowsize --sync "$device" 420 200
    xdotool windowmove --sync "$device" $((X + WIDTH + 24)) $((24 + (n - 1) * 250))
done
xdotool windowactivate --sync "$multi"
sleep 6
no_serial_device
import -window root "$work/screen.png"
convert "$work/screen.png" -bordercolor "$desk" -border 1 -fuzz 2% -trim +repage \
    -bordercolor "$desk" -border 20 -strip docs/screenshot-multirun.png
cp docs/screenshot-multirun.png "$images/multirun.png"
echo "Wrote docs/screenshot-multirun.png and $images/multirun.png"
