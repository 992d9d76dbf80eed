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
started=$SECONDS
timeout --kill-after=5 "$limit" "$@"
status=$?
if { [ $status -eq 124 ] || [ $status -eq 137 ]; } && [ $((SECONDS - started)) -ge "$limit" ]; then
    echo "time limit: ended after $limit s, with everything it started: $*" >&2
    exit 124
fi
exit $status
