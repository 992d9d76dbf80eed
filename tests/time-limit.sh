#!/usr/bin/env bash
# Runs a test command with a time limit that also ends everything it started.
# ctest's own limit ends only the command itself; a program it started under
# Wine (a test's child, a grandchild that holds its handles) keeps the
# test's output pipe open, and ctest waits for that pipe however long it
# takes. timeout(1) runs the command in a process group of its own and
# signals the whole group; Wine's server and services live in sessions of
# their own and are not touched. Ends with the command's status, or 124
# when the limit ended it.
# Usage: time-limit.sh SECONDS COMMAND [ARGS...]
set -u
limit=$1
shift
# Each stream passes through tee on its way to ctest, unchanged and as it is
# written, and is also kept here, so that a command that wrote nothing at all
# can be told from one whose own report said why it failed. The tees are
# outside the command's process group: the limit does not end them, and they
# end when the last holder of the command's output lets go, as ctest's wait
# does.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkfifo "$scratch/out" "$scratch/err"
tee -a "$scratch/written" <"$scratch/out" &
out_tee=$!
tee -a "$scratch/written" <"$scratch/err" >&2 &
err_tee=$!
# What the Wine server writes meanwhile, shown should the command end
# unexplained: the server ends a program with status 1 on a request it takes
# for a fault, and says so only in its log. Tests run side by side, so what
# it says may be about another test's program.
server_log=$(. "$(dirname "${BASH_SOURCE[0]}")/../scripts/wine-env" && echo "$UNINSTALLMENU_SERVER_LOG")
server_said=$(stat -c %s "$server_log" 2>/dev/null || echo 0)
explain() {
    tail -c +$((server_said + 1)) "$server_log" 2>/dev/null | head -20 |
        sed 's/^/time-limit: meanwhile the Wine server said: /' >&2
}
started=$SECONDS
timeout --kill-after=5 "$limit" "$@" >"$scratch/out" 2>"$scratch/err"
status=$?
# What the command wrote is drained at once. A process that outlives it
# outside its process group, which the limit does not reach, also holds its
# output: under Wine every process inherits its starter's Unix standard
# error, and the desktop process (explorer.exe /desktop) that a program
# touching the desktop starts lives on for half a minute or more after the
# last program using it, which held a passed test for up to two minutes.
# Such a process is not the test's, and is named rather than waited for.
for ((tick = 0; tick < 10; tick++)); do
    kill -0 $out_tee 2>/dev/null || kill -0 $err_tee 2>/dev/null || break
    sleep 0.1
done
if kill -0 $out_tee 2>/dev/null || kill -0 $err_tee 2>/dev/null; then
    holders=$(find /proc/[0-9]*/fd -maxdepth 1 \( -lname "$scratch/out" -o -lname "$scratch/err" \) \
        2>/dev/null | cut -d/ -f3 | sort -un | grep -vxe $out_tee -e $err_tee)
    for pid in $holders; do
        echo "time-limit: not waiting for process $pid, still holding its output after it ended: $(tr '\0' ' ' </proc/$pid/cmdline 2>/dev/null)" >&2
    done
    kill $out_tee $err_tee 2>/dev/null
fi
wait $out_tee $err_tee
if { [ $status -eq 124 ] || [ $status -eq 137 ]; } && [ $((SECONDS - started)) -ge "$limit" ]; then
    echo "time limit: ended after $limit s, with everything it started: $*" >&2
    exit 124
fi
# A test program fails with status 1. Any other failure ended it before its
# report, often without a word (Wine's own errors are silenced), so its
# status is the one clue left: Wine passes a Windows status on in its low
# byte (0x42 for a DLL that could not start, 5 for an access violation). A
# program that wrote nothing at all never started its tests, whatever its
# status: every command run here writes a report, and status 1 is also what
# Wine's loader gives when it cannot start a program.
if [ $status -gt 128 ]; then
    echo "time-limit: ended by signal $(kill -l $((status - 128)) 2>/dev/null || echo $((status - 128))): $*" >&2
    explain
elif [ $status -gt 1 ]; then
    echo "time-limit: ended with status $status: $*" >&2
    explain
elif [ ! -s "$scratch/written" ]; then
    echo "time-limit: ended with status $status before writing anything: $*" >&2
    explain
    exit 1
fi
exit $status
