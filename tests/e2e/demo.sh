#!/usr/bin/env bash
# The demo end to end, as a user sees it: plughost with a scratch registry
# imported from demo/programs.reg and the build's own module DLL, on a real
# console. It checks the plug-ins menu entry; the uninstall list's order,
# Del with either answer, Enter on a working and on a missing uninstaller,
# the current user's own programs in their sorted places, removed by Enter and
# by Del from the user's scratch key, and Esc back to the panels exactly as
# they were; a clean quit; and both scratch keys made and then removed.
# E2E_PLUGIN names another DLL to drive.
# Usage: demo.sh SOURCE_DIR BUILD_DIR 32|64
set -u
SOURCE_DIR=$1
BUILD_DIR=$2
. "$(dirname "${BASH_SOURCE[0]}")/console.sh"
trap close_console EXIT

wine=$SOURCE_DIR/scripts/wine
host=$BUILD_DIR/plughost.exe
plugin=$(private_plugin demo "${E2E_PLUGIN:-$BUILD_DIR/UninstallMenu.dll}") || exit 1
bottom_line="Enter uninstall, Del remove entry, Esc close"
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall'
sandbox=
user_sandbox=

# Whether the Uninstall key below ROOT holds the program key NAME:
# has_program NAME [ROOT], the machine's scratch key by default.
has_program() {
    "$wine" reg query "${2:-HKCU\\$sandbox}\\$uninstall_key\\$1" </dev/null >/dev/null 2>&1
}

expect_program() {
    has_program "$1" "${3:-}" && pass "$2" || fail "$2: $1 is not in the scratch registry"
}

expect_no_program() {
    has_program "$1" "${3:-}" && fail "$2: $1 is still in the scratch registry" || pass "$2"
}

# Whether the list box shows exactly the programs NAME..., in this order:
# one row each between its title and its bottom line, every row drawn to
# its right-hand border.
list_is() {
    local rows i=0
    rows=$(rows_between "Uninstall programs" "$bottom_line") || return 1
    mapfile -t rows <<<"$rows"
    [ ${#rows[@]} -eq $# ] || return 1
    for name in "$@"; do
        [[ ${rows[i]} == *"║  $name"*"║║" ]] || return 1
        i=$((i + 1))
    done
}

# Moves the highlight down from the first item to the one showing NAME.
highlight() {
    local first row
    first=$(row_of "$1")
    row=$(row_of "$2")
    for ((i = first; i < row; i++)); do press Down; done
}

walk_the_list() {
    local programs=("[Beta] Tidewater Sync" "_Internal Build Tools" "Aurora Photo Studio 3"
        "bramble text editor" "Café Menu Planner" "Driftwood Podcast Player" "Kestrel VPN Client"
        "Marigold Tax Helper 2023" "Northwind Harbour Logistics Suite" "Orchid Font Manager"
        "Pinecone Game Launcher" "Quillfeather Notes" "Sparrow Mail" "ZEPHYR AUDIO MIXER")
    wait_until "the list opens with the machine's and the user's programs sorted as the catalogue sorts them, its keys in its bottom line" \
        list_is "${programs[@]}"
    expect_screen_lacks "Lantern Backup Agent" "a program without an uninstall command is not listed"

    press Delete
    wait_for "Remove this program from the list?" "Del asks before removing"
    wait_for "[ Remove entry ] [ Cancel ]" "with the removing button first"
    press Enter
    programs=("${programs[@]:1}")
    wait_until "the first button closes the question; the list is shown again without the entry" \
        list_is "${programs[@]}"
    expect_no_program TidewaterSyncBeta "which is gone from the registry too"

    press Delete
    wait_for "Remove this program from the list?" "Del asks again"
    press Escape
    wait_until "Esc closes the question; the list is shown again, still with the entry" \
        list_is "${programs[@]}"
    expect_program _InternalBuildTools "and in the registry"

    highlight "_Internal Build Tools" "Aurora Photo Studio 3"
    press Enter
    wait_for "Running the uninstaller, please wait..." "the top row says an uninstaller runs"
    programs=("${programs[0]}" "${programs[@]:2}")
    wait_until "when it has finished, the list is shown again without the program it removed" \
        list_is "${programs[@]}"
    expect_screen_lacks "Running the uninstaller" "and the top row as before"
    expect_no_program "{3F2A9C1E-7B4D-4E8A-9C2F-5D1E6B7A8C90}" "whose entry is gone from the registry"

    highlight "_Internal Build Tools" "Driftwood Podcast Player"
    press Enter
    wait_for "Running the uninstaller, please wait..." "Enter on the user's own program runs its uninstaller"
    programs=("${programs[@]:0:3}" "${programs[@]:4}")
    wait_until "which removes it from the list" list_is "${programs[@]}"
    expect_no_program DriftwoodPodcasts "and from the user's scratch key" "HKCU\\$user_sandbox"

    highlight "_Internal Build Tools" "Sparrow Mail"
    press Delete
    wait_for "Remove this program from the list?" "Del on the user's own program asks too"
    press Enter
    programs=("${programs[@]:0:9}" "${programs[@]:10}")
    wait_until "and removes it from the list" list_is "${programs[@]}"
    expect_no_program SparrowMail "and from the user's scratch key" "HKCU\\$user_sandbox"

    highlight "_Internal Build Tools" "Quillfeather Notes"
    press Enter
    wait_for "Cannot start the uninstaller:" "an uninstaller that does not exist brings a warning"
    wait_for '"%ProgramFiles%\Quillfeather\demo-uninstall.exe" /quiet' "showing the command as stored"
    press Enter
    wait_until "Enter closes the warning; the list is shown again, still with that program" \
        list_is "${programs[@]}"

    press Escape
    wait_screen "$before" "Esc closes the list; the panels are back exactly as before"
}

start_console "$wine" "$host" --sandbox demo/programs.reg "$plugin"
wait_for 'Sandbox HKCU\Software\UninstallMenuSandbox\' "the top row names the scratch registry"
wait_for "F11 Plug-ins" "the key bar says how to open the plug-ins menu"
sandbox=$(screen_text | grep -o 'Sandbox HKCU\\Software\\UninstallMenuSandbox\\[0-9]*' | head -1)
sandbox=${sandbox#Sandbox HKCU\\}
user_sandbox=$sandbox-user
expect_program QuillfeatherNotes "programs.reg is imported into it"
expect_program SparrowMail "its HKEY_CURRENT_USER sections into the user's scratch key" \
    "HKCU\\$user_sandbox"
expect_no_program SparrowMail "and not into the real HKEY_CURRENT_USER" HKCU
"$wine" reg query "HKCU\\$sandbox\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuillfeatherNotes" \
    /v UninstallString </dev/null 2>/dev/null | grep -q REG_EXPAND_SZ &&
    pass "a hex(2) value is imported as an expandable string" ||
    fail "the hex(2) UninstallString is not REG_EXPAND_SZ"
wait_until "the panels are drawn" desktop_drawn
before=$(screen_exact)

press F11
wait_for "Uninstall programs" "the plug-ins menu shows the module's entry"
press Enter
walk_the_list

press F10
wait_exit "F10 quits"
for key in "$sandbox" "$user_sandbox"; do
    "$wine" reg query "HKCU\\$key" </dev/null >/dev/null 2>&1 &&
        fail "the scratch key HKCU\\$key is still there" ||
        pass "the scratch key HKCU\\$key is removed"
done

close_console
start_console "$wine" "$host" --sandbox demo/programs.reg --real-commands "$plugin"
wait_for "REAL COMMANDS: Enter runs them" "with --real-commands the top row says commands run for real"
press F10
wait_exit "F10 quits"
finish
