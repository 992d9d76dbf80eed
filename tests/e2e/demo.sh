#!/usr/bin/env bash
# The demo end to end, as a user sees it: plughost with a scratch registry
# imported from demo/programs.reg and the build's own module DLL, on a real
# console. It checks the plug-ins menu entry; the uninstall list's order,
# Del with either answer, Enter on a working and on a missing uninstaller,
# and Esc back to the panels exactly as they were; a clean quit; and the
# scratch registry made and then removed. E2E_PLUGIN names another DLL to drive.
# Usage: demo.sh SOURCE_DIR BUILD_DIR 32|64
set -u
SOURCE_DIR=$1
BUILD_DIR=$2
. "$(dirname "${BASH_SOURCE[0]}")/console.sh"
trap close_console EXIT

wine=$SOURCE_DIR/scripts/wine
host=$BUILD_DIR/plughost.exe
plugin=${E2E_PLUGIN:-$BUILD_DIR/UninstallMenu.dll}
bottom_line="Enter uninstall, Del remove entry, Esc close"
sandbox=

# Whether the scratch registry holds the program key NAME.
has_program() {
    "$wine" reg query "HKCU\\$sandbox\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" \
        </dev/null >/dev/null 2>&1
}

expect_program() {
    has_program "$1" && pass "$2" || fail "$2: $1 is not in the scratch registry"
}

expect_no_program() {
    has_program "$1" && fail "$2: $1 is still in the scratch registry" || pass "$2"
}

# Every name on the screen, each on a lower row than the one before.
expect_in_order() {
    local previous=0 row name
    for name in "$@"; do
        row=$(row_of "$name")
        if [ -z "$row" ]; then
            fail "the list shows $name"
            show_screen
            return
        fi
        if [ "$row" -le "$previous" ]; then
            fail "the list is sorted: $name is not below the name before it"
            show_screen
            return
        fi
        previous=$row
    done
    pass "the list shows the programs sorted as the catalogue sorts them"
}

# Moves the highlight down from the first item to the one showing NAME.
highlight() {
    local first row
    first=$(row_of "$1")
    row=$(row_of "$2")
    for ((i = first; i < row; i++)); do press Down; done
}

walk_the_list() {
    wait_for "$bottom_line" "the list opens, its keys in its bottom line"
    expect_in_order "[Beta] Tidewater Sync" "_Internal Build Tools" "Aurora Photo Studio 3" \
        "bramble text editor" "Café Menu Planner" "Kestrel VPN Client" "Marigold Tax Helper 2023" \
        "Northwind Harbour Logistics Suite" "Orchid Font Manager" "Pinecone Game Launcher" \
        "Quillfeather Notes" "ZEPHYR AUDIO MIXER"
    expect_screen_lacks "Lantern Backup Agent" "a program without an uninstall command is not listed"

    press Delete
    wait_for "Remove this program from the list?" "Del asks before removing"
    expect_screen_has "[ Remove entry ] [ Cancel ]" "with the removing button first"
    press Enter
    wait_gone "Remove this program from the list?" "the first button closes the question"
    wait_for "$bottom_line" "the list is shown again"
    expect_screen_lacks "[Beta] Tidewater Sync" "without the entry"
    expect_no_program TidewaterSyncBeta "which is gone from the registry too"

    press Delete
    wait_for "Remove this program from the list?" "Del asks again"
    press Escape
    wait_gone "Remove this program from the list?" "Esc closes the question"
    wait_for "$bottom_line" "the list is shown again"
    expect_screen_has "_Internal Build Tools" "still with the entry"
    expect_program _InternalBuildTools "and in the registry"

    highlight "_Internal Build Tools" "Aurora Photo Studio 3"
    press Enter
    wait_for "Running the uninstaller, please wait..." "the top row says an uninstaller runs"
    wait_gone "Running the uninstaller" "until it has finished"
    wait_for "$bottom_line" "then the list is shown again"
    expect_screen_lacks "Aurora Photo Studio 3" "without the program the uninstaller removed"
    expect_no_program "{3F2A9C1E-7B4D-4E8A-9C2F-5D1E6B7A8C90}" "whose entry is gone from the registry"

    highlight "_Internal Build Tools" "Quillfeather Notes"
    press Enter
    wait_for "Cannot start the uninstaller:" "an uninstaller that does not exist brings a warning"
    expect_screen_has '"%ProgramFiles%\Quillfeather\demo-uninstall.exe" /quiet' \
        "showing the command as stored"
    press Enter
    wait_gone "Cannot start the uninstaller:" "Enter closes the warning"
    wait_for "$bottom_line" "and the list is shown again"
    expect_screen_has "Quillfeather Notes" "still with that program"

    press Escape
    wait_screen "$before" "Esc closes the list; the panels are back exactly as before"
}

start_console "$wine" "$host" --sandbox demo/programs.reg "$plugin"
wait_for 'Sandbox HKCU\Software\UninstallMenuSandbox\' "the top row names the scratch registry"
wait_for "F11 Plug-ins" "the key bar says how to open the plug-ins menu"
sandbox=$(screen_text | grep -o 'Sandbox HKCU\\Software\\UninstallMenuSandbox\\[0-9]*' | head -1)
sandbox=${sandbox#Sandbox HKCU\\}
expect_program QuillfeatherNotes "programs.reg is imported into it"
"$wine" reg query "HKCU\\$sandbox\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuillfeatherNotes" \
    /v UninstallString </dev/null 2>/dev/null | grep -q REG_EXPAND_SZ &&
    pass "a hex(2) value is imported as an expandable string" ||
    fail "the hex(2) UninstallString is not REG_EXPAND_SZ"
before=$(settled_screen)

press F11
wait_for "Uninstall programs" "the plug-ins menu shows the module's entry"
press Enter
walk_the_list

press F10
wait_exit "F10 quits"
"$wine" reg query "HKCU\\$sandbox" </dev/null >/dev/null 2>&1 &&
    fail "the scratch registry HKCU\\$sandbox is still there" ||
    pass "the scratch registry is removed"

close_console
start_console "$wine" "$host" --sandbox demo/programs.reg --real-commands "$plugin"
wait_for "REAL COMMANDS: Enter runs them" "with --real-commands the top row says commands run for real"
press F10
wait_exit "F10 quits"
finish
