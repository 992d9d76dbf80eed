#!/usr/bin/env bash
# heap-check.sh PROGRAM [ARGS...]: runs a test program under Wine's heap
# checking and fails when the program fails or Wine reports any heap error.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
WINEDEBUG=warn+heap "$here/../scripts/wine" "$@" >"$log" 2>&1
status=$?
reports=$(grep -c -E '^[0-9a-f:.]*(err|warn):heap:' "$log")
grep -E '^\[ +(figures|PASSED|FAILED) +\]' "$log"
if [ "$reports" -gt 0 ]; then
    echo "Wine reported $reports heap errors:"
    grep -E '(err|warn):heap:' "$log" | head -20
    exit 1
fi
[ $status -eq 0 ] || { tail -40 "$log"; echo "the program failed under heap checking (status $status)"; exit 1; }
echo "no heap errors reported"
