#!/usr/bin/env bash
# end-race.sh TESTCHILD RUNS: a program must not die as it ends while threads
# of its own are still starting (../programs/EndProgram.h). Runs testchild
# RUNS times, each starting threads and ending at once, straight under Wine,
# whose own status tells what the Windows one cannot: 32-bit Wine killed such
# a program by SIGSEGV after its status was already given. Fails when any
# run ends otherwise than with status 0.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
child=$1 runs=$2
bad=0 first=""
for ((run = 1; run <= runs; run++)); do
    "$here/../scripts/wine" "$child" --start-threads 8 </dev/null >/dev/null 2>&1
    status=$?
    if [ $status -ne 0 ]; then
        bad=$((bad + 1))
        if [ -z "$first" ]; then
            first="run $run ended with status $status"
            [ $status -gt 128 ] && first+=" (signal $(kill -l $((status - 128)) 2>/dev/null))"
        fi
    fi
done
if [ $bad -gt 0 ]; then
    echo "FAIL: $bad of $runs runs of a program ending while its threads start did not end cleanly; $first"
    exit 1
fi
echo "ok: $runs of $runs runs of a program ending while 8 of its threads start ended with status 0"
