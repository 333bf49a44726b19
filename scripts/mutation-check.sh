#!/bin/bash
# Mutation check: do the tests notice a fault when one is slipped in?
#
# Applies one-line slips from a list, one at a time. After each it rebuilds the
# test build in build-mutate/ incrementally, runs every test, and restores the
# file byte for byte. A slip is "caught" when a test fails or hangs, "MISSED"
# when every test passes, "does not apply" when its text is not in the file
# exactly once, and "does not build" when the tree no longer compiles. The share
# caught counts only the slips that applied and built.
#
#   scripts/mutation-check.sh [--only PATTERN] [--list] [LIST]
#
#   LIST            the slips (default tests/data/slips.txt; its header says the
#                   format)
#   --only PATTERN  only the slips whose "NN file: description" line matches
#                   PATTERN (an extended regular expression, any case)
#   --list          show the slips, and which no longer apply, and stop
#
# Exit status: 0 when at least 90% of the slips that applied and built were
# caught, 1 otherwise, 2 on a usage error or when it cannot start (uncommitted
# changes in the files it would touch, a tree that does not build or whose
# tests fail without any slip), 130 when interrupted.
#
# The tests run as CI runs them: in a mount namespace of their own with
# /dev/null over every /dev/ttyS*, where that is possible (root and unshare).
set -uo pipefail
set -m # each build and test run is a process group of its own, stopped as one

readonly PassPercent=90
readonly TestTimeout=60 # seconds a test may take; more counts as a hang (caught)
readonly Jobs=2

caller_dir=$PWD
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P) || exit 2
build=$root/build-mutate
logs=$build/mutation-logs
backups=$build/mutation-backup

usage()
{
    sed -n '2,/^set -uo/{/^#/s/^# \{0,1\}//p}' "${BASH_SOURCE[0]}"
}

usage_error()
{
    echo "mutation-check: $1" >&2
    echo "usage: scripts/mutation-check.sh [--only PATTERN] [--list] [LIST]" >&2
    exit 2
}

die()
{
    echo "mutation-check: $1" >&2
    exit 2
}

list=
only=
only_given=0
list_only=0
while [ $# -gt 0 ]; do
    case $1 in
        --only)
            [ $# -ge 2 ] || usage_error "--only needs a PATTERN"
            only=$2 only_given=1
            shift 2
            ;;
        --only=*) only=${1#--only=} only_given=1; shift ;;
        --list) list_only=1; shift ;;
        -h | --help) usage; exit 0 ;;
        --) shift; break ;;
        -*) usage_error "unknown option $1" ;;
        *)
            [ -z "$list" ] || usage_error "only one LIST file, got \"$list\" and \"$1\""
            list=$1
            shift
            ;;
    esac
done
if [ $# -gt 0 ]; then
    [ -z "$list" ] && [ $# -eq 1 ] || usage_error "only one LIST file"
    list=$1
fi
if [ -z "$list" ]; then
    list=$root/tests/data/slips.txt
elif [[ $list != /* ]]; then
    list=$caller_dir/$list
fi
[ -f "$list" ] && [ -r "$list" ] || usage_error "cannot read the list \"$list\""
if [ "$only_given" -eq 1 ]; then
    [ -n "$only" ] || usage_error "--only needs a PATTERN"
    grep -qiE -- "$only" <<<"" 2>/dev/null
    [ $? -le 1 ] || usage_error "--only: \"$only\" is not an extended regular expression"
fi

trim()
{
    local s=$1
    s=${s#"${s%%[![:space:]]*}"}
    s=${s%"${s##*[![:space:]]}"}
    printf '%s' "$s"
}

# --- Reading the list ------------------------------------------------------

S_FILE=() S_ORIG=() S_REPL=() S_DESC=() S_LINE=()
lineno=0
while IFS= read -r line || [ -n "$line" ]; do
    lineno=$((lineno + 1))
    line=${line%$'\r'}
    t=$(trim "$line")
    [ -z "$t" ] || [[ $t == '#'* ]] && continue
    fields=()
    rest=$line
    while [[ $rest == *'@@'* ]]; do
        fields+=("${rest%%@@*}")
        rest=${rest#*@@}
    done
    fields+=("$rest")
    where="$list:$lineno"
    [ ${#fields[@]} -eq 4 ] ||
        die "$where: a slip has 4 fields separated by @@, this line has ${#fields[@]}"
    file=$(trim "${fields[0]}") orig=$(trim "${fields[1]}")
    repl=$(trim "${fields[2]}") desc=$(trim "${fields[3]}")
    [ -n "$file" ] && [ -n "$orig" ] && [ -n "$desc" ] ||
        die "$where: the file, the original text and the description must not be empty"
    [ "$orig" != "$repl" ] || die "$where: the replacement equals the original text"
    [[ $file != /* && /$file/ != */../* ]] || die "$where: \"$file\" is not a path inside the tree"
    [ -f "$root/$file" ] || die "$where: no file \"$file\" in the tree"
    git -C "$root" ls-files --error-unmatch -- "$file" >/dev/null 2>&1 ||
        die "$where: \"$file\" is not tracked by git, so it could not be checked for changes"
    S_FILE+=("$file") S_ORIG+=("$orig") S_REPL+=("$repl") S_DESC+=("$desc") S_LINE+=("$lineno")
done <"$list"
total=${#S_FILE[@]}
[ "$total" -gt 0 ] || die "$list holds no slips"

label()
{
    printf '%02d %s: %s' "$(($1 + 1))" "${S_FILE[$1]}" "${S_DESC[$1]}"
}

selected=()
for ((i = 0; i < total; i++)); do
    if [ "$only_given" -eq 0 ] || grep -qiE -- "$only" <<<"$(label "$i")"; then
        selected+=("$i")
    fi
done
[ ${#selected[@]} -gt 0 ] || usage_error "--only \"$only\" matches none of the $total slips"

# How often the original text occurs in the file; the text and the file are
# compared as bytes.
occurrences()
{
    ORIG=$2 perl -e '
        open(my $f, "<:raw", $ARGV[0]) or die "$ARGV[0]: $!\n";
        local $/; my $text = <$f> // ""; my ($n, $at) = (0, 0);
        while (($at = index($text, $ENV{ORIG}, $at)) >= 0) { $n++; $at += length $ENV{ORIG}; }
        print $n;' "$1"
}

# Replaces the one occurrence, writing the file in place.
apply_slip()
{
    ORIG=$2 REPL=$3 perl -e '
        open(my $f, "<:raw", $ARGV[0]) or die "$ARGV[0]: $!\n";
        local $/; my $text = <$f>; close $f;
        my $at = index($text, $ENV{ORIG}); die "text not found\n" if $at < 0;
        substr($text, $at, length $ENV{ORIG}) = $ENV{REPL};
        open($f, ">:raw", $ARGV[0]) or die "$ARGV[0]: $!\n";
        print $f $text or die "$ARGV[0]: $!\n"; close $f or die "$ARGV[0]: $!\n";' "$1"
}

if [ "$list_only" -eq 1 ]; then
    echo "${#selected[@]} of $total slips in $list:"
    for i in "${selected[@]}"; do
        n=$(occurrences "$root/${S_FILE[$i]}" "${S_ORIG[$i]}")
        note=
        [ "$n" = 1 ] || note="  [does not apply: the text is in the file $n times]"
        echo "$(label "$i")$note"
    done
    exit 0
fi

# --- Guards: never lose work -----------------------------------------------

files=()
for i in "${selected[@]}"; do files+=("${S_FILE[$i]}"); done
mapfile -t files < <(printf '%s\n' "${files[@]}" | sort -u)
dirty=$(git -C "$root" status --porcelain --untracked-files=no -- "${files[@]}") ||
    die "git status failed in $root"
if [ -n "$dirty" ]; then
    echo "mutation-check: refusing to start: files it would change have uncommitted changes:" >&2
    echo "$dirty" | sed 's/^/    /' >&2
    echo "Commit or stash them first." >&2
    exit 2
fi

mkdir -p "$logs" || die "cannot create $logs"
exec 9>"$build/.mutation-lock"
flock -n 9 || die "another mutation check is running on this tree"

if [ -d "$backups" ] && [ -n "$(ls -A "$backups")" ]; then
    echo "mutation-check: a run was killed before it could restore a file. Its original is" >&2
    echo "saved under $backups (the name is the path with / as %)." >&2
    echo "Put it back with cp, check 'git status', then delete the saved copy." >&2
    exit 2
fi

# --- Stopping and restoring --------------------------------------------------

child=        # the build or test run in progress (a process group)
watchdog=     # the hang watch of the test run in progress
applied=      # the file that holds a slip right now
saved=        # its original bytes

# Every process under `pid`, and `pid` itself, by id.
tree_of()
{
    ps -e -o pid= -o ppid= | awk -v top="$1" '
        { parent[$1] = $2; pids[NR] = $1 }
        END { for (i = 1; i <= NR; i++) { p = pids[i]
            for (k = 0; k < 100 && p > 1; k++) { if (p == top) { print pids[i]; break }; p = parent[p] } } }'
}

stop_tree()
{
    [ -n "$1" ] || return 0
    local pids
    pids=$(tree_of "$1")
    [ -z "$pids" ] || kill -KILL $pids 2>/dev/null
    wait "$1" 2>/dev/null
    return 0
}

restore()
{
    [ -n "$applied" ] || return 0
    # A plain copy, so the file is newer than what was built from the slip and
    # the next build compiles it again.
    if cp -- "$saved" "$applied" && cmp -s -- "$saved" "$applied"; then
        rm -f -- "$saved"
        applied='' saved=''
        return 0
    fi
    echo "mutation-check: COULD NOT RESTORE $applied; its original is $saved" >&2
    applied='' saved=''
    return 1
}

cleanup()
{
    stop_tree "$child"
    stop_tree "$watchdog"
    child='' watchdog=''
    restore
}

on_signal()
{
    trap - INT TERM HUP
    echo >&2
    echo "mutation-check: interrupted${applied:+; restoring ${applied#"$root"/}}" >&2
    cleanup
    exit 130
}

trap on_signal INT TERM HUP
trap cleanup EXIT

# Runs a command, its output appended to the log `$1`, as a process group of
# its own and waits for it; a signal stops the wait at once. (The redirection
# is the command's alone: the messages of a trap that runs meanwhile must not
# end up in the log.)
run_job()
{
    "${@:2}" >>"$1" 2>&1 &
    child=$!
    wait "$child"
    local rc=$?
    child=
    return $rc
}

# --- Building and testing --------------------------------------------------

build_tree()
{
    : >"$1"
    if [ ! -f "$build/CMakeCache.txt" ]; then
        echo "configuring $build (first use)"
        run_job "$1" cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
            -DTAPWRIGHT_WERROR=ON -DTAPWRIGHT_SANITIZE=ON -DBUILD_TESTING=ON \
            -DTAPWRIGHT_BENCH=OFF -DTAPWRIGHT_GUI=ON || return 1
    fi
    run_job "$1" cmake --build "$build" -j "$Jobs"
}

if [ "$(id -u)" -eq 0 ] && unshare --mount true 2>/dev/null; then
    hide_consoles=1
else
    hide_consoles=0
    echo "note: cannot hide /dev/ttyS* here (needs root and unshare); running the tests as they are" >&2
fi

# Ends every test that has run longer than the limit; it counts as caught.
watch_tests()
{
    local job=$1 hung=$2 name pids
    while kill -0 "$job" 2>/dev/null; do
        sleep 2
        ps -e -o pid= -o ppid= -o etimes= -o args= | awk -v job="$job" -v limit="$TestTimeout" \
            -v bin="$build/bin/" '
            { p = $1; parent[p] = $2; age[p] = $3; exe[p] = $4; pids[NR] = p }
            function under(p, top,   k) {
                for (k = 0; k < 100 && p > 1; k++) { if (p == top) return 1; p = parent[p] }
                return 0 }
            END { for (i = 1; i <= NR; i++) { p = pids[i]
                if (age[p] <= limit || index(exe[p], bin) != 1 || !under(p, job)) continue
                name = exe[p]; sub(/.*\//, "", name); if (name !~ /^tst_/) continue
                line = name
                for (j = 1; j <= NR; j++) if (under(pids[j], p)) line = line " " pids[j]
                print line } }' |
            while read -r name pids; do
                echo "$name" >>"$hung"
                kill -KILL $pids 2>/dev/null
            done
    done
}

# Runs every test; the names of those that failed go to `$2`, one a line.
run_tests()
{
    local log=$1 failed=$2 hung=$2.hung rc
    : >"$failed"
    : >"$hung"
    rm -f "$build/Testing/Temporary/LastTestsFailed.log"
    local ctest=(ctest --test-dir "$build" -j "$Jobs" --timeout "$TestTimeout"
        --output-on-failure --no-tests=error)
    if [ "$hide_consoles" -eq 1 ]; then
        unshare --mount bash -c '
            for d in /dev/ttyS*; do
                [ -e "$d" ] && { mount --bind /dev/null "$d" || exit 125; }
            done
            export TAPWRIGHT_CONSOLES_HIDDEN=1
            exec "$@"' bash "${ctest[@]}" >"$log" 2>&1 &
    else
        "${ctest[@]}" >"$log" 2>&1 &
    fi
    child=$!
    watch_tests "$child" "$hung" &
    watchdog=$!
    wait "$child"
    rc=$?
    child=
    stop_tree "$watchdog"
    watchdog=
    if [ -f "$build/Testing/Temporary/LastTestsFailed.log" ]; then
        cut -d: -f2- "$build/Testing/Temporary/LastTestsFailed.log" >"$failed"
    fi
    sort -u "$hung" -o "$hung"
    return $rc
}

failed_names()
{
    local names hangs
    names=$(paste -sd, "$1" | sed 's/,/, /g')
    hangs=$(paste -sd, "$1.hung" | sed 's/,/, /g')
    printf '%s%s' "$names" "${hangs:+; hung: $hangs}"
}

started=$SECONDS
echo "baseline: building and testing the tree without slips"
build_tree "$logs/baseline.build.log" ||
    die "the tree does not build without slips; see $logs/baseline.build.log"
if ! run_tests "$logs/baseline.test.log" "$logs/baseline.failed"; then
    die "tests fail without any slip ($(failed_names "$logs/baseline.failed")); see $logs/baseline.test.log"
fi
echo "baseline: every test passes ($((SECONDS - started)) s)"

# --- The slips ---------------------------------------------------------------

count=${#selected[@]}
caught=0 missed=0 skipped=0 broken=0
missed_list=()
k=0
for i in "${selected[@]}"; do
    k=$((k + 1))
    n=$(printf '%02d' $((i + 1)))
    file=${S_FILE[$i]}
    path=$root/$file
    slip_start=$SECONDS
    detail=

    found=$(occurrences "$path" "${S_ORIG[$i]}")
    if [ "$found" != 1 ]; then
        result="does not apply"
        detail="the text is in the file $found times"
        skipped=$((skipped + 1))
    else
        mkdir -p "$backups"
        saved=$backups/${file//\//%}
        cp -- "$path" "$saved" || die "cannot save a copy of $file"
        applied=$path
        if ! apply_slip "$path" "${S_ORIG[$i]}" "${S_REPL[$i]}"; then
            restore
            die "could not write $file"
        fi
        if ! build_tree "$logs/$n.build.log"; then
            result="does not build"
            detail="see $logs/$n.build.log"
            broken=$((broken + 1))
        elif run_tests "$logs/$n.test.log" "$logs/$n.failed"; then
            result=MISSED
            missed=$((missed + 1))
            missed_list+=("$(label "$i")")
        elif [ -s "$logs/$n.failed" ] || [ -s "$logs/$n.failed.hung" ]; then
            result=caught
            detail="by $(failed_names "$logs/$n.failed")"
            caught=$((caught + 1))
        else
            restore
            die "the tests did not run; see $logs/$n.test.log"
        fi
        restore || exit 2
    fi
    printf '[%2d/%d] %-14s %s  (%s%s s)\n' "$k" "$count" "$result" "$(label "$i")" \
        "${detail:+$detail, }" "$((SECONDS - slip_start))"
done

checked=$((caught + missed))
echo
[ "$skipped" -eq 0 ] || echo "$skipped slip(s) do not apply any more: update their text in $list"
[ "$broken" -eq 0 ] || echo "$broken slip(s) do not build: make them compile, or drop them"
if [ ${#missed_list[@]} -gt 0 ]; then
    echo "missed (no test failed):"
    printf '    %s\n' "${missed_list[@]}"
fi
percent=0
[ "$checked" -eq 0 ] || percent=$((100 * caught / checked))
echo "caught $caught of $checked slips ($percent%) in $(((SECONDS - started + 30) / 60)) min"
[ "$checked" -gt 0 ] && [ $((100 * caught)) -ge $((PassPercent * checked)) ]
