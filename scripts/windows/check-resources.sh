#!/bin/bash
# Reads the resources back from the built programs: the icon is the drawing
# in packaging/windows/tapwright.ico, the version information names the
# program and the project's version, and the manifest is the project's.
#   scripts/windows/check-resources.sh BUILD-DIR
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:?usage: check-resources.sh BUILD-DIR}/bin
version=$("$top/scripts/version.sh")
icon=$top/packaging/windows/tapwright.ico
manifest=$top/packaging/windows/tapwright.manifest
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

. "$top/scripts/windows/checks.sh"

for program in tapwright tapwright-cli; do
    exe=$bin/$program.exe
    # Group icon, version, manifest: each once, in Japanese.
    for type in 14 16 24; do
        if [ "$(wrestool -l --type=$type "$exe" | grep -c -- '--name=1 --language=1041')" = 1 ]; then
            pass "$program.exe: resource type $type"
        else
            fail "$program.exe: resource type $type: $(wrestool -l --type=$type "$exe")"
        fi
    done
    # wrestool pads the icon file it rebuilds with zeros.
    wrestool -x --type=14 "$exe" >"$scratch/icon.ico"
    if cmp -s -n "$(stat -c %s "$icon")" "$scratch/icon.ico" "$icon"; then
        pass "$program.exe: the icon"
    else
        fail "$program.exe: the icon is not packaging/windows/tapwright.ico"
    fi
    # The version block's strings, one "key=value" a line.
    wrestool -x --raw --type=16 "$exe" | iconv -f UTF-16LE -t UTF-8 -c |
        tr -c '[:print:]' '\n' | grep -v '^$' >"$scratch/version.txt" || true
    for pair in "FileVersion $version" "ProductVersion $version" "ProductName Tapwright" \
                "OriginalFilename $program.exe" "InternalName $program"; do
        if grep -qx -A1 "${pair% *}" "$scratch/version.txt" &&
           [ "$(grep -x -A1 "${pair% *}" "$scratch/version.txt" | tail -n 1)" = "${pair#* }" ]; then
            pass "$program.exe: ${pair% *} is ${pair#* }"
        else
            fail "$program.exe: ${pair% *} is not ${pair#* }: $(tr '\n' ' ' <"$scratch/version.txt")"
        fi
    done
    if wrestool -x --raw --type=24 "$exe" | cmp -s - "$manifest"; then
        pass "$program.exe: the manifest"
    else
        fail "$program.exe: the manifest is not packaging/windows/tapwright.manifest"
    fi
done

finish check-resources
