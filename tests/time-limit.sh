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
started=$SECONDS
timeout --kill-after=5 "$limit" "$@" >"$scratch/out" 2>"$scratch/err"
status=$?
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
elif [ $status -gt 1 ]; then
    echo "time-limit: ended with status $status: $*" >&2
elif [ ! -s "$scratch/written" ]; then
    echo "time-limit: ended with status $status before writing anything: $*" >&2
    exit 1
fi
exit $status
