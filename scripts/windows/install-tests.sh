#!/bin/bash
# Installs the Windows installer silently under wine, starts what it installed,
# checks the Start-menu entries and the uninstall entry, uninstalls silently,
# and checks that everything it made is gone and nothing of the user's.
#   tests/hide-consoles.sh scripts/windows/install-tests.sh SETUP-EXE
set -euo pipefail
setup=$(realpath "${1:?usage: install-tests.sh SETUP-EXE}")
here=$(cd "$(dirname "$0")" && pwd)
# No .desktop files for the host from the shortcuts the installer makes.
. "$here/wine-prefix.sh" install-tests "winemenubuilder.exe="

c=$WINEPREFIX/drive_c
menu="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tapwright"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tapwright'

# 1. Into a folder that already holds the user's own files.
mkdir -p "$c/Tools/mydata"
echo keep >"$c/Tools/mydata/keep.txt"
echo other >"$c/Tools/other-tool.exe"
wine "$setup" /S '/D=C:\Tools' >/dev/null 2>&1 || true
wineserver -w
if [ -f "$c/Tools/tapwright.exe" ] && [ -f "$c/Tools/tapwright-cli.exe" ] &&
    [ -f "$c/Tools/uninstall.exe" ] && [ -f "$c/Tools/manual/index.html" ] &&
    [ -f "$c/Tools/README-ja.txt" ] && [ -f "$c/Tools/examples/address-book.mac" ]; then
    pass "silent install into C:\\Tools"
else
    fail "silent install: C:\\Tools holds $(cd "$c/Tools" && find . | sort | head -n 20 | tr '\n' ' ')"
fi

# 2. The installed programs start.
usage=$(wine 'C:\Tools\tapwright-cli.exe' --help 2>/dev/null | tr -d '\r' | head -n 1 || true)
if [[ "$usage" == *tapwright-cli* ]]; then
    pass "the installed tapwright-cli.exe starts: $usage"
else
    fail "the installed tapwright-cli.exe: \"$usage\""
fi
# The readme's first try: the examples on the virtual device.
tried=$(cd "$c/Tools" && wine tapwright-cli.exe run --fast --port virtual \
    --addr 'examples\addresses.txt' 'examples\address-book.mac' 2>&1 | tr -d '\r' | tail -n 1 || true)
if [[ "$tried" == *"the list is done"* ]]; then
    pass "the readme's example runs on the virtual device: $tried"
else
    fail "the readme's example: \"$tried\""
fi
# Its journal: in the user's %LOCALAPPDATA%, never beside the files, and
# closed, since the list was done.
journal=$(find "$c/users" -path '*/AppData/Local/tapwright/journal/*.json' 2>/dev/null | head -n 1)
if [ -n "$journal" ] && grep -q '"done": *true' "$journal" && grep -q 'address-book.mac' "$journal"; then
    pass "the run's journal is in %LOCALAPPDATA%, closed: ${journal#"$c"/}"
else
    fail "no closed journal in %LOCALAPPDATA%: $(find "$c/users" -path '*tapwright*' | head -n 5 | tr '\n' ' ')"
fi
# The CLI names that folder as Windows writes it.
listed=$(wine 'C:\Tools\tapwright-cli.exe' journal 2>&1 | tr -d '\r' | head -n 1 || true)
if [[ "$listed" == 'no open journals in C:\users\'*'\AppData\Local\tapwright\journal' ]]; then
    pass "tapwright-cli journal: $listed"
else
    fail "tapwright-cli journal: \"$listed\""
fi
wineserver -w
title=$(timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    wine "C:\\Tools\\tapwright.exe" >/dev/null 2>&1 &
    for _ in $(seq 150); do
        win=$(xdotool search --name "Tapwright version" 2>/dev/null | head -n 1)
        [ -n "$win" ] && { xdotool getwindowname "$win"; break; }
        sleep 0.2
    done
    wineserver -k' 2>/dev/null || true)
if [[ "$title" == "Tapwright version"* ]]; then
    pass "the installed tapwright.exe shows its main window: $title"
else
    fail "the installed tapwright.exe showed no main window"
fi

# 3. The Start-menu entries, for all users, and the uninstall entry.
if [ -f "$menu/Tapwright.lnk" ] && [ -f "$menu/Tapwright マニュアル.lnk" ] &&
    [ -f "$menu/Uninstall Tapwright.lnk" ]; then
    pass "Start-menu entries for all users"
else
    fail "Start-menu entries: $(ls "$menu" 2>&1 | tr '\n' ' ')"
fi
entry=$(wine reg query "$key" 2>/dev/null | tr -d '\r' || true)
missing=
for value in DisplayName DisplayVersion Publisher DisplayIcon InstallLocation UninstallString \
    EstimatedSize NoModify NoRepair; do
    grep -q "^ *$value " <<<"$entry" || missing+=" $value"
done
if [ -z "$missing" ] && grep -q 'InstallLocation.*C:\\Tools$' <<<"$entry" &&
    grep -q 'DisplayIcon.*  C:\\Tools\\tapwright.exe,0$' <<<"$entry"; then
    pass "uninstall entry with its icon, publisher, location and size"
else
    fail "uninstall entry lacks:${missing:- the location C:\\Tools or the icon C:\\Tools\\tapwright.exe,0}"
fi

# 4. Uninstalled, the user's files stay and nothing of ours does. The
# uninstaller copies itself away and returns at once: wait for it.
wine 'C:\Tools\uninstall.exe' /S >/dev/null 2>&1 || true
wineserver -w
left=$(cd "$c/Tools" 2>/dev/null && find . -mindepth 1 | sort | tr '\n' ' ' || echo "nothing, not even the folder")
if [ "$left" = "./mydata ./mydata/keep.txt ./other-tool.exe " ] &&
    [ "$(cat "$c/Tools/mydata/keep.txt" 2>/dev/null)" = keep ]; then
    pass "uninstall keeps the user's files in C:\\Tools"
else
    fail "after the uninstall C:\\Tools holds: $left"
fi
if [ ! -e "$menu" ] && ! wine reg query "$key" >/dev/null 2>&1; then
    pass "uninstall removes the Start-menu entries and the uninstall entry"
else
    fail "the Start-menu entries or the uninstall entry are left"
fi

# 5. A folder the installer made goes with the uninstall.
wine "$setup" /S '/D=C:\Fresh' >/dev/null 2>&1 || true
wineserver -w
wine 'C:\Fresh\uninstall.exe' /S >/dev/null 2>&1 || true
wineserver -w
if [ ! -e "$c/Fresh" ]; then
    pass "uninstall removes a folder it left empty"
else
    fail "C:\\Fresh after the uninstall: $(cd "$c/Fresh" 2>/dev/null && find . | sort | head | tr '\n' ' ')"
fi

finish "install tests"
