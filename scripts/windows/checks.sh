# Sourced by the Windows test scripts: pass and fail, which count into
# $failed, and finish, which sums them up and ends the script.
failed=0
pass() { echo "PASS   : $*"; }
fail() { echo "FAIL!  : $*"; failed=$((failed + 1)); }
# The last word of a script: $1 says whose tests they were.
finish() {
    if [ $failed -eq 0 ]; then
        echo "$1: all passed"
    else
        echo "$1: $failed failed"
        exit 1
    fi
}
