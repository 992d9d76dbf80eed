#!/usr/bin/env bash
# On a machine that cannot run 32-bit programs the 32-bit suite must pass by
# skipping, not by passing: configures a scratch 32-bit build as such a
# machine sees it and checks that every entry that runs programs is reported
# as skipped, with the reason, and that the run still passes.
# Usage: check-skip.sh SOURCE_DIR
set -u
source_dir=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

UNINSTALLMENU_SKIP_WIN32=1 cmake -S "$source_dir" -B "$scratch" \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" -DUNINSTALLMENU_TESTS=ON \
    >"$scratch/configure.log" 2>&1 || { cat "$scratch/configure.log"; exit 1; }
# The artefacts are checked statically and need a build, which this is not.
output=$(ctest --test-dir "$scratch" -E '^Artefacts\.' -V 2>&1)
[ $? -eq 0 ] || fail "the run did not pass: $(tail -5 <<<"$output")"
for entry in unit_tests dll_tests host_tests RunnerConsole EndToEnd.Demo Programs.EndWhileThreadsStart; do
    grep -Eq "$entry \.+\*+Skipped" <<<"$output" || fail "$entry is not reported as skipped"
done
grep -q "32-bit runs skipped: UNINSTALLMENU_SKIP_WIN32 is set" <<<"$output" ||
    fail "the reason is not given"
grep -Eq '\.+ +Passed' <<<"$output" && fail "an entry that runs programs passed: $(grep -E '\.+ +Passed' <<<"$output")"
[ $failures -eq 0 ] && echo "ok: every 32-bit entry is skipped with the reason, and the run passes"
exit $((failures > 0))
