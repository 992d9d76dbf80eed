#!/usr/bin/env bash
# plughost refuses bad input with a clear message and a non-zero exit, before
# it takes the console over or touches the registry: arguments, DLLs that are
# missing, no plug-in, lacking an entry point or of the other bitness,
# language files missing or malformed, a .reg file it cannot read.
# Usage: host-errors.sh SOURCE_DIR BUILD_DIR 32|64
set -u
SOURCE_DIR=$1
BUILD_DIR=$2
BITS=$3
wine=$SOURCE_DIR/scripts/wine
host=$BUILD_DIR/plughost.exe
probe_dir=$BUILD_DIR/tests/probe
failures=0

scratch=$(mktemp -d "$BUILD_DIR/tests/host-errors.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT

# refused DESCRIPTION STATUS TEXT ARGS...: plughost ARGS exits with STATUS
# and says TEXT.
refused() {
    local description=$1 status=$2 text=$3 output rc
    shift 3
    output=$("$wine" "$host" "$@" 2>&1 </dev/null)
    rc=$?
    if [ "$rc" -ne "$status" ]; then
        echo "FAIL: $description: exit status $rc, not $status; it said: $output"
        failures=$((failures + 1))
    elif ! grep -qF -- "$text" <<<"$output"; then
        echo "FAIL: $description: \"$text\" not in: $output"
        failures=$((failures + 1))
    else
        echo "ok: $description: $output"
    fi
}

# A folder holding a copy of the probe plug-in and the given language files.
plugin_folder() {
    local folder=$scratch/$1
    shift
    mkdir -p "$folder"
    cp "$probe_dir/HostProbe.dll" "$folder/"
    for file in "$@"; do cp "$scratch/$file" "$folder/"; done
    echo "$folder/HostProbe.dll"
}

refused "no arguments" 2 "usage: plughost"
refused "an unknown option" 2 "usage: plughost" --verbose "$probe_dir/HostProbe.dll"
refused "two DLLs" 2 "usage: plughost" "$probe_dir/HostProbe.dll" "$probe_dir/HostProbe.dll"
refused "a missing DLL" 1 "no plug-in at" "$scratch/Missing.dll"
refused "a DLL that is no plug-in" 1 "is not a plug-in: it exports none of the entry points" \
    'C:\windows\system32\version.dll'
refused "a DLL lacking an entry point" 1 "lacks the plug-in entry point(s) ExitFAR" \
    "$probe_dir/HostProbeNoExit.dll"
other_bits=$((96 - BITS))
other_dll=$BUILD_DIR/../win$other_bits/UninstallMenu.dll
if [ -f "$other_dll" ]; then
    refused "a $other_bits-bit plug-in in the $BITS-bit host" 1 "a 64-bit plughost loads 64-bit plug-ins" \
        "$other_dll"
else
    echo "skipped: no $other_bits-bit build at $other_dll"
fi

refused "a plug-in without language files" 1 "no language file (*.lng)" "$(plugin_folder bare)"
printf '.Language=English,English\r\n"one"\r\nno quotes\r\n' >"$scratch/BadEng.lng"
refused "a malformed language file" 1 "BadEng.lng:3: a message must be one double-quoted string" \
    "$(plugin_folder malformed BadEng.lng)"
printf '.Language=German,Deutsch\r\n"eins"\r\n' >"$scratch/OnlyGer.lng"
refused "no file for the language asked nor English" 1 "no Russian or English language file" \
    --lang Russian "$(plugin_folder german OnlyGer.lng)"

printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\X]\r\n"a"=dword:xyz\r\n' \
    >"$scratch/bad.reg"
refused "a .reg file with an unreadable line" 1 "bad.reg:4: a dword needs one to eight hex digits; nothing was imported" \
    --sandbox "$scratch/bad.reg" "$probe_dir/HostProbe.dll"
refused "a missing .reg file" 1 "cannot open" --sandbox "$scratch/none.reg" "$probe_dir/HostProbe.dll"

printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Real]\r\n"DisplayName"="Real"\r\n"UninstallString"="MsiExec.exe /X{1}"\r\n' \
    >"$scratch/real.reg"
refused "a real uninstall command in the sandbox" 1 "real.reg:5: the uninstall command MsiExec.exe /X{1} does not start the demo's uninstaller" \
    --sandbox "$scratch/real.reg" "$probe_dir/HostProbe.dll"
refused "--real-commands without the sandbox" 2 "usage: plughost" --real-commands "$probe_dir/HostProbe.dll"

[ $failures -eq 0 ] && echo "all checks passed" || echo "$failures check(s) failed"
exit $((failures > 0))
