#!/bin/bash
# Packs the Windows build: dist/Tapwright-<version>-win64.zip and
# dist/Tapwright-<version>-win64-setup.exe (NSIS, with a Start-menu entry and
# an uninstaller).
#   scripts/windows/pack.sh BUILD-DIR QT-PREFIX
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
build=$(cd "${1:?usage: pack.sh BUILD-DIR QT-PREFIX}" && pwd)
qt=${2:?usage: pack.sh BUILD-DIR QT-PREFIX}
version=$(sed -n 's/^project(Tapwright VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
name=Tapwright-$version-win64
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name/licences" "$top/dist"

for exe in tapwright.exe tapwright-cli.exe; do
    x86_64-w64-mingw32-strip -o "$stage/$name/$exe" "$build/bin/$exe"
done
# Windows editors want CR LF.
sed 's/$/\r/' "$top/README.md" >"$stage/$name/README.txt"
[ -d "$top/docs/manual" ] && cp -r "$top/docs/manual" "$stage/$name/manual"
# Qt's own dialogs in Japanese, from Debian's qt6-translations-l10n; the
# program looks for it beside itself.
qm=/usr/share/qt6/translations/qtbase_ja.qm
[ -f "$qm" ] || { echo "pack.sh: $qm is missing (install qt6-translations-l10n)" >&2; exit 1; }
mkdir -p "$stage/$name/translations"
cp "$qm" "$stage/$name/translations/"
cp "$qt"/licences/* "$stage/$name/licences/" 2>/dev/null || true
source_package=$(cat "$qt/licences/source-package" 2>/dev/null || echo "qt6-base 6.4.2")
sed 's/$/\r/' >"$stage/$name/licences/README-Qt.txt" <<TEXT
Tapwright for Windows is linked statically with Qt 6.4.2 (the modules Core,
Gui and Widgets), which is free software under the GNU Lesser General Public
License version 3 (LGPL-3.0-only.txt in this folder; the licences of the parts
that Qt itself bundles are the other texts here, and debian-copyright lists
which part is under which).

The Qt used is Debian 12's own source package, $source_package,
built unchanged for Windows by scripts/windows/qt.sh in Tapwright's source.

translations/qtbase_ja.qm, the Japanese text of Qt's own dialogs, is part of
Qt's translations (qttranslations, Debian 12's package qt6-translations-l10n),
under the same GNU Lesser General Public License version 3.

To relink Tapwright with a Qt of your own (as the LGPL lets you): build that
Qt static for Windows, point TAPWRIGHT_WINDOWS_QT at it, and run
scripts/build-windows.sh in Tapwright's source tree; it builds both programs
against that Qt.
TEXT

(cd "$stage" && rm -f "$top/dist/$name.zip" && zip -qr "$top/dist/$name.zip" "$name")

# The uninstaller removes what the installer put there by name, and a folder
# only once it is empty: the user may have chosen a folder that holds files of
# their own. Files first, then the folders, deepest first.
{
    (cd "$stage/$name" && find . -type f | sort) | sed 's|^\./||; s|/|\\|g; s|.*|    Delete "$INSTDIR\\&"|'
    (cd "$stage/$name" && find . -mindepth 1 -type d | sort -r) | sed 's|^\./||; s|/|\\|g; s|.*|    RMDir "$INSTDIR\\&"|'
} >"$stage/uninstall-files.nsh"
# 64-bit, like the programs: a 32-bit installer needs a 32-bit Windows layer
# that a 64-bit-only system (or wine) lacks.
makensis -V2 -INPUTCHARSET UTF8 "-XTarget amd64-unicode" -DVERSION="$version" \
    -DSTAGE="$stage/$name" -DUNINSTALL_FILES="$stage/uninstall-files.nsh" \
    -DOUTFILE="$top/dist/$name-setup.exe" "$here/installer.nsi"
ls -l "$top/dist/$name.zip" "$top/dist/$name-setup.exe"
