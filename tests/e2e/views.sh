#!/usr/bin/env bash
# The two registry views of 64-bit Windows, on a real console: plughost and
# the module's DLL on the Wine prefix's own registry (no sandbox can show
# views), with one made-up program in each view under the same key name.
# Both are listed; Del on the 64-bit one removes it from the 64-bit view
# only; when the test ends both views hold what they held before. The keys
# are volatile, named for this run, and removed on every way out.
# Usage: views.sh SOURCE_DIR BUILD_DIR 32|64
set -u
SOURCE_DIR=$1
BUILD_DIR=$2
. "$(dirname "${BASH_SOURCE[0]}")/console.sh"

wine=$SOURCE_DIR/scripts/wine
host=$BUILD_DIR/plughost.exe
child=$BUILD_DIR/tests/testchild.exe
name="UninstallMenuE2E-$$"
scratch=$(mktemp -d)

program() {
    "$wine" "$child" "$@" </dev/null >/dev/null 2>&1
}
cleanup() {
    program --remove-program 64 "$name"
    program --remove-program 32 "$name"
    rm -rf "$scratch"
    close_console
}
trap cleanup EXIT

record_views() {
    program --record-programs 32 "$scratch/$1-32" && program --record-programs 64 "$scratch/$1-64"
}

plugin=$(private_plugin views "$BUILD_DIR/UninstallMenu.dll") || exit 1
start_console "$wine" "$host" "$plugin"
wait_for "REAL REGISTRY" "without a sandbox plughost works on the prefix's own registry"
wait_until "the panels are drawn" desktop_drawn
panels=$(screen_exact)
record_views before || fail "cannot read the prefix's Uninstall keys"

program --add-program 64 "$name" && program --add-program 32 "$name" ||
    fail "cannot make the test's programs in the prefix's registry"
press F11
wait_for "Uninstall programs" "the plug-ins menu shows the module's entry"
press Enter
wait_for "$name, 32-bit" "the 32-bit view's program is listed"
wait_for "$name, 64-bit" "and the 64-bit view's, under the same key name"
first=$(($(row_of "Uninstall programs") + 1))
row=$(row_of "$name, 64-bit")
for ((i = first; i < row; i++)); do press Down; done
press Delete
wait_for "Remove this program from the list?" "Del on the 64-bit one asks"
press Enter
wait_gone "$name, 64-bit" "the first button removes it from the list"
wait_for "$name, 32-bit" "and the list, shown again, keeps the 32-bit one"
program --has-program 64 "$name" && fail "the key is still in the 64-bit view" ||
    pass "the key is gone from the 64-bit view"
program --has-program 32 "$name" && pass "and still in the 32-bit view" ||
    fail "the key is gone from the 32-bit view too"
press Escape
wait_screen "$panels" "Esc puts the panels back"

program --remove-program 32 "$name"
record_views after || fail "cannot read the prefix's Uninstall keys again"
cmp -s "$scratch/before-32" "$scratch/after-32" && cmp -s "$scratch/before-64" "$scratch/after-64" &&
    pass "both views hold what they held before the test" ||
    fail "the views differ from before the test"
press F10
wait_exit "F10 quits"
finish
