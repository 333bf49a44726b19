#!/bin/bash
# Checks the files that install the programs on a Linux desktop. Ends with
# 77 (a skip for ctest) when the tool a check needs is not installed.
#   tests/packaging-check.sh desktop FILE       desktop-file-validate, quiet
#   tests/packaging-check.sh appstream FILE     appstreamcli validate --no-net
#   tests/packaging-check.sh man FILE...        groff warnings in man pages
#   tests/packaging-check.sh covers CLI FILE... every command and option in
#                                              CLI --help is in each FILE
#   tests/packaging-check.sh completion SCRIPT ROWS
#                                              bash completion against rows:
#                                              LINE => WORDS (or "(none)")
set -uo pipefail
skip() { echo "skipped: $1 is not installed"; exit 77; }
check=${1:?usage: packaging-check.sh CHECK ARGUMENT...}
shift

case $check in
desktop)
    command -v desktop-file-validate >/dev/null || skip desktop-file-validate
    # Hints and warnings count too: the entry should be clean.
    out=$(desktop-file-validate "$1" 2>&1)
    status=$?
    [ -n "$out" ] && echo "$out"
    [ $status -eq 0 ] && [ -z "$out" ]
    ;;
appstream)
    command -v appstreamcli >/dev/null || skip appstreamcli
    # Pedantic notes are let through; warnings and errors fail it.
    out=$(appstreamcli validate --no-net --no-color "$1" 2>&1)
    status=$?
    echo "$out"
    [ $status -eq 0 ] && ! grep -q '^[WE]:' <<<"$out"
    ;;
man)
    command -v man >/dev/null || skip man
    command -v groff >/dev/null || skip groff
    failed=0
    for page in "$@"; do
        out=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
            man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
        if [ -n "$out" ]; then
            echo "$page:"
            echo "$out"
            failed=1
        fi
    done
    exit $failed
    ;;
covers)
    cli=$1
    shift
    help=$("$cli" --help) || { echo "$cli --help failed"; exit 1; }
    # The commands are the first words of the lines under "Commands:"; the
    # options are every --word the text names.
    mapfile -t commands < <(sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p' <<<"$help")
    mapfile -t options < <(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u)
    if [ ${#commands[@]} -lt 3 ] || [ ${#options[@]} -lt 1 ]; then
        echo "cannot find the commands and options in $cli --help"
        exit 1
    fi
    failed=0
    for file in "$@"; do
        # A man page spells "-" as "\-".
        text=$(sed 's/\\-/-/g' "$file")
        for word in "${commands[@]}" "${options[@]}"; do
            if ! grep -q -- "\\(^\\|[^a-z-]\\)$word\\([^a-z-]\\|$\\)" <<<"$text"; then
                echo "$file: no $word"
                failed=1
            fi
        done
    done
    exit $failed
    ;;
completion)
    script=$(realpath "$1") && rows=$(realpath "$2") || exit 1
    [ -f /usr/share/bash-completion/bash_completion ] || skip bash-completion
    exec bash -c '
        source /usr/share/bash-completion/bash_completion
        source "$1"
        # The files a file name completes to, and nothing else.
        dir=$(mktemp -d)
        trap "rm -rf \"\$dir\"" EXIT
        cd "$dir" && touch entry.mac list.txt other.mac && mkdir sub
        failed=0 count=0
        while IFS= read -r row; do
            [[ -z $row || $row == \#* ]] && continue
            line=${row%% => *}
            want=${row#* => }
            [[ $want == "(none)" ]] && want=""
            # Words as bash cuts them for completion: "=" is one of its own.
            read -ra COMP_WORDS <<<"${line//=/ = }"
            [[ $line == *" " ]] && COMP_WORDS+=("")
            COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
            COMP_LINE=$line
            COMP_POINT=${#line}
            COMPREPLY=()
            _tapwright_cli tapwright-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
            got=$(printf "%s\n" "${COMPREPLY[@]}" | sed "/^$/d" | sort | tr "\n" " ")
            want=$(tr " " "\n" <<<"$want" | sed "/^$/d" | sort | tr "\n" " ")
            count=$((count + 1))
            if [[ $got != "$want" ]]; then
                echo "\"$line\": got [$got], want [$want]"
                failed=1
            fi
        done <"$2" || exit 1
        echo "$count completions checked"
        [[ $count -gt 0 ]] || failed=1
        exit $failed
    ' bash "$script" "$rows"
    ;;
*)
    echo "unknown check $check" >&2
    exit 2
    ;;
esac
