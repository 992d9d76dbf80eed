#!/usr/bin/env bash
# Checks a built UninstallMenu.dll: the expected PE format, exactly the
# undecorated entry points of its host interface (1.x's four, or with far3 the
# 3.x interface's five), imports from system DLLs only, the hardening it
# is built with (address space layout randomisation, no execution from data
# pages, the stack guard), and the language files beside it.
# Usage: check-artefacts.sh pei-i386|pei-x86-64 DLL [far3]
set -u
format=$1 dll=$2 interface=${3:-far1}
case $format in
pei-i386) objdump=i686-w64-mingw32-objdump ;;
pei-x86-64) objdump=x86_64-w64-mingw32-objdump ;;
*) echo "unknown format $format" >&2; exit 2 ;;
esac
failures=0
fail() { echo "FAIL: $dll: $*"; failures=$((failures + 1)); }

[ -f "$dll" ] || { fail "missing"; exit 1; }
dump=$("$objdump" -p "$dll") || { fail "objdump cannot read it"; exit 1; }

grep -q "file format $format\$" <<<"$dump" || fail "not $format: $(grep -m1 'file format' <<<"$dump")"
grep -Eq '^Characteristics .*' <<<"$dump" && ! grep -q 'DLL' <<<"$(sed -n '/^Characteristics/,/^$/p' <<<"$dump")" &&
    fail "not marked as a DLL"

exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | grep -E "^\s+\[ *[0-9]+\] " | awk "{print \$NF}" | sort | tr '\n' ' ')
case $interface in
far1) expected="ExitFAR GetPluginInfo OpenPlugin SetStartupInfo " ;;
far3) expected="ExitFARW GetGlobalInfoW GetPluginInfoW OpenW SetStartupInfoW " ;;
*) echo "unknown interface $interface" >&2; exit 2 ;;
esac
[ "$exports" = "$expected" ] || fail "exports are [$exports], not the entry points [$expected]"

allowed=" advapi32.dll kernel32.dll msvcrt.dll shell32.dll user32.dll "
for import in $(grep 'DLL Name:' <<<"$dump" | awk '{print tolower($3)}'); do
    [[ $allowed == *" $import "* ]] || fail "imports $import, which is not a system DLL"
done

# Windows loads the DLL at a random base and keeps its data from running
# only when its header asks for it.
for flag in DYNAMIC_BASE NX_COMPAT; do
    sed -n '/^DllCharacteristics/,/^[^[:space:]]/p' <<<"$dump" | grep -qw "$flag" ||
        fail "DllCharacteristics lacks $flag"
done
# The DLL is stripped, so the stack guard shows by the report its failure
# handler makes, which the linker takes in only for code that checks the
# guard.
grep -aqF '*** stack smashing detected ***' "$dll" ||
    fail "no stack guard: built without -fstack-protector-strong"

dir=$(dirname "$dll")
for lng in UninstallMenuEng.lng UninstallMenuRus.lng; do
    [ -f "$dir/$lng" ] || fail "no $lng beside it"
done

[ $failures -eq 0 ] && echo "ok: $dll ($format, $interface's exports, system imports only, DYNAMIC_BASE, NX_COMPAT, stack guard)"
exit $((failures > 0))
