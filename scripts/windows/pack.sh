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
version=$("$top/scripts/version.sh")
name=Tapwright-$version-win64
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name/licences" "$top/dist"

for exe in tapwright.exe tapwright-cli.exe; do
    x86_64-w64-mingw32-strip -o "$stage/$name/$exe" "$build/bin/$exe"
done
# The user's readme, in Japanese (an ASCII name, which any unzip keeps): UTF-8 with a byte order mark, so that every
# editor reads it so, and CR LF, as Windows editors want.
{
    printf '\xef\xbb\xbf'
    sed "s/@VERSION@/$version/; s/\$/\r/" "$top/packaging/windows/README-ja.txt"
} >"$stage/$name/README-ja.txt"
# The examples as they are: code page 932, CR LF.
mkdir -p "$stage/$name/examples"
cp "$top/examples/address-book.mac" "$top/examples/addresses.txt" "$top/examples/address-book-fields.mac" \
    "$top/examples/address-book.csv" "$top/examples/address-book.txt" "$stage/$name/examples/"
[ -d "$top/docs/manual" ] && cp -r "$top/docs/manual" "$stage/$name/manual"
# Qt's own dialogs in Japanese, from Debian's qt6-translations-l10n; the
# program looks for it beside itself.
qm=/usr/share/qt6/translations/qtbase_ja.qm
[ -f "$qm" ] || { echo "pack.sh: $qm is missing (install qt6-translations-l10n)" >&2; exit 1; }
mkdir -p "$stage/$name/translations"
cp "$qm" "$stage/$name/translations/"
cp "$qt"/licences/* "$stage/$name/licences/" 2>/dev/null || true
# Tapwright's own licence, and the complete source of this build (the tree as
# it stands, uncommitted changes to tracked files included), which the GPL
# asks for and with which the LGPL's relinking of Qt can be done.
sed 's/$/\r/' "$top/LICENSE" >"$stage/$name/licences/Tapwright-GPL-3.0-or-later.txt"
mkdir -p "$stage/$name/source"
source_archive=$stage/$name/source/tapwright-$version-source.tar.gz
if git -C "$top" rev-parse --git-dir >/dev/null 2>&1; then
    tree=$(git -C "$top" stash create 2>/dev/null || true)
    git -C "$top" archive --format=tar.gz --prefix="tapwright-$version/" -o "$source_archive" \
        "${tree:-HEAD}"
else
    # An unpacked source archive, as this one: the tree without its builds.
    tar -czf "$source_archive" -C "$(dirname "$top")" --exclude="$(basename "$top")/build*" --exclude="$(basename "$top")/dist" \
        --transform="s|^$(basename "$top")|tapwright-$version|" "$(basename "$top")"
fi
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

Tapwright itself is free software under the GNU General Public License,
version 3 or (at your option) any later version
(Tapwright-GPL-3.0-or-later.txt). Its complete source, the very tree these
programs were built from, is source/tapwright-$version-source.tar.gz.

To relink Tapwright with a Qt of your own (as the LGPL lets you): unpack that
source, build your Qt static for Windows, point TAPWRIGHT_WINDOWS_QT at it,
and run scripts/build-windows.sh in the unpacked tree; it builds both
programs against that Qt.
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
    -DICON="$top/packaging/windows/tapwright.ico" \
    -DOUTFILE="$top/dist/$name-setup.exe" "$here/installer.nsi"
ls -l "$top/dist/$name.zip" "$top/dist/$name-setup.exe"
