#!/usr/bin/env bash
# Real installers end to end: the suite's NSIS setup program and Windows
# Installer package, installed into the Wine prefix, are uninstalled with
# Enter in plughost on the prefix's own registry. Each time the list comes
# back without the program, and by then its key and its files are gone: the
# NSIS uninstaller hands off to a copy of itself, the Windows Installer
# product's stored command would only open its maintenance. A made-up
# program keeps the list from emptying. Whatever a failure leaves installed
# is uninstalled on every way out.
# Usage: installers.sh SOURCE_DIR BUILD_DIR 32|64
set -u
SOURCE_DIR=$1
BUILD_DIR=$2
. "$(dirname "${BASH_SOURCE[0]}")/console.sh"

wine=$SOURCE_DIR/scripts/wine
host=$BUILD_DIR/plughost.exe
child=$BUILD_DIR/tests/testchild.exe
installers=$BUILD_DIR/tests/installers
companion="UninstallMenuE2E-$$"
nsis_key=UninstallMenuNsisTest
nsis_name="UninstallMenu NSIS Test"
msi_key="{5B2C7E14-3A9D-4F61-B8E2-0C7D1A4F9E36}"
msi_name="UninstallMenu MSI Test"
# Where both, being 32-bit, install their files.
programs="$(. "$SOURCE_DIR/scripts/wine-env" && echo "$WINEPREFIX")/drive_c/Program Files (x86)"

program() {
    "$wine" "$child" "$@" </dev/null >/dev/null 2>&1
}
installed() {
    program --has-program 32 "$1"
}
cleanup() {
    if installed "$nsis_key"; then
        "$wine" "C:\\Program Files (x86)\\UninstallMenuNsisTest\\uninstall.exe" /S </dev/null >/dev/null 2>&1
        # It hands off to a copy and exits at once.
        for ((i = 0; i < 100; i++)); do installed "$nsis_key" || break; sleep 0.1; done
    fi
    installed "$msi_key" && "$wine" msiexec "/x$msi_key" /qn </dev/null >/dev/null 2>&1
    program --remove-program 32 "$companion"
    close_console
}
trap cleanup EXIT

# back_without NAME: the list is shown, with the other program, without NAME.
# A list shown again before the uninstall is over would still hold it.
back_without() {
    local screen
    screen=$(screen_text)
    grep -qF -- "$companion" <<<"$screen" && ! grep -qF -- "$1" <<<"$screen"
}

# enter_on NAME: moves to the program NAME in the list and presses Enter.
enter_on() {
    local first row i
    first=$(($(row_of "Uninstall programs") + 1))
    row=$(row_of "$1")
    for ((i = first; i < row; i++)); do press Down; done
    press Enter
}

# NSIS makes 32-bit setup programs only.
nsis=yes
if ! reason=$("$SOURCE_DIR/scripts/win32-support"); then
    nsis=no
    echo "$reason: the NSIS setup program is left out"
fi
if [ $nsis = yes ]; then
    "$wine" "$installers/UninstallMenuNsisTest.exe" </dev/null >/dev/null 2>&1 && installed "$nsis_key" ||
        { fail "the NSIS setup program did not install"; finish; }
fi
msi=$installers/UninstallMenuMsiTest.msi
"$wine" msiexec /i "Z:${msi//\//\\}" /qn </dev/null >/dev/null 2>&1 && installed "$msi_key" ||
    { fail "msiexec did not install the package"; finish; }
program --add-program 32 "$companion" || { fail "cannot add the made-up program"; finish; }

plugin=$(private_plugin installers "$BUILD_DIR/UninstallMenu.dll") || exit 1
start_console "$wine" "$host" "$plugin"
wait_for "REAL REGISTRY" "without a sandbox plughost works on the prefix's own registry"
wait_until "the panels are drawn" desktop_drawn
press F11
wait_for "Uninstall programs" "the plug-ins menu shows the module's entry"
press Enter
wait_for "$msi_name" "the Windows Installer product is listed"

if [ $nsis = yes ]; then
    wait_for "$nsis_name" "and the NSIS program"
    enter_on "$nsis_name"
    wait_until "Enter on the NSIS program: the list comes back without it" back_without "$nsis_name"
    installed "$nsis_key" && fail "its key is still there" || pass "its key is gone"
    [ -e "$programs/UninstallMenuNsisTest" ] && fail "its folder is still there" || pass "its files are gone"
fi

enter_on "$msi_name"
wait_until "Enter on the Windows Installer product: the list comes back without it" \
    back_without "$msi_name"
installed "$msi_key" && fail "its key is still there" || pass "its key is gone"
[ -e "$programs/UninstallMenuMsiTest" ] && fail "its folder is still there" || pass "its files are gone"

# Escape, then another key's escape sequence at once, reads as Alt plus that
# key: F10 goes only once the list is gone.
press Escape
wait_gone "$companion" "Esc closes the list"
press F10
wait_exit "F10 quits"
finish
