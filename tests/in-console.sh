#!/usr/bin/env bash
# Runs a Windows test program under Wine in a console of its own. Wine gives
# a program a console only when it starts on a terminal, and ctest pipes its
# tests' output, so the program starts on a pseudo-terminal from script(1),
# which needs no terminal or input of its own (CI has neither). Its standard
# output goes, through a FIFO, straight to this script's, so the report
# reaches the log as it is written even if the run is cut short; what the
# console draws on the terminal is dropped. Ends with the program's status.
# Usage: in-console.sh PROGRAM.exe [ARGS...]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
report=$scratch/report
mkfifo "$report"
cat "$report" &
reader=$!
# Held open here too, so the reader ends even when the program never starts.
exec 3>"$report"
command="$(printf '%q ' "$here/../scripts/wine" "$@") >$(printf '%q' "$report") 2>&1"
SHELL=/bin/bash script --quiet --return --command "$command" /dev/null </dev/null >/dev/null 2>&1
status=$?
exec 3>&-
wait "$reader"
exit $status
