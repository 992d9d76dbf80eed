#!/usr/bin/env bash
# Checks built programs (plughost and the demo's uninstaller): the expected
# PE format and imports from system DLLs only, so each runs from a bare copy.
# Usage: check-programs.sh pei-i386|pei-x86-64 PROGRAM.exe...
set -u
format=$1
shift
case $format in
pei-i386) objdump=i686-w64-mingw32-objdump ;;
pei-x86-64) objdump=x86_64-w64-mingw32-objdump ;;
*) echo "unknown format $format" >&2; exit 2 ;;
esac
failures=0
allowed=" advapi32.dll kernel32.dll msvcrt.dll user32.dll "
for program in "$@"; do
    dump=$("$objdump" -p "$program" 2>&1) || { echo "FAIL: $program: cannot be read"; failures=$((failures + 1)); continue; }
    if ! grep -q "file format $format\$" <<<"$dump"; then
        echo "FAIL: $program: not $format"
        failures=$((failures + 1))
    fi
    for import in $(grep 'DLL Name:' <<<"$dump" | awk '{print tolower($3)}'); do
        if [[ $allowed != *" $import "* ]]; then
            echo "FAIL: $program: imports $import, which is not a system DLL"
            failures=$((failures + 1))
        fi
    done
    [ $failures -eq 0 ] && echo "ok: $program ($format, system imports only)"
done
exit $((failures > 0))
