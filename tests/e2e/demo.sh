#!/usr/bin/env bash
# The demo end to end, as a user sees it: plughost with a scratch registry
# imported from demo/programs.reg and the build's own module DLL, on a real
# console. It checks the plug-ins menu entry; the uninstall list's order,
# Del with either answer, Enter on a working and on a missing uninstaller,
# the current user's own programs in their sorted places, removed by Enter and
# by Del from the user's scratch key, and Esc back to the panels exactly as
# they were; a clean quit; and both scratch keys made and then removed.
# With far3, the module for the 3.x interface: the programs named in Chinese
# and in Russian are listed in full, in their places by UTF-16, and removed
# by Enter and by Del, the question naming the program in full; the 1.x
# module shows them in the OEM code page, as question marks here.
# E2E_PLUGIN names another 1.x DLL to drive.
# Usage: demo.sh SOURCE_DIR BUILD_DIR 32|64 [far1|far3]
set -u
SOURCE_DIR=$1
BUILD_DIR=$2
. "$(dirname "${BASH_SOURCE[0]}")/console.sh"
trap close_console EXIT

wine=$SOURCE_DIR/scripts/wine
host=$BUILD_DIR/plughost.exe
interface=${4:-far1}
if [ "$interface" = far3 ]; then
    plugin=$(private_plugin demo3 "$BUILD_DIR/far3/UninstallMenu.dll") || exit 1
else
    plugin=$(private_plugin demo "${E2E_PLUGIN:-$BUILD_DIR/UninstallMenu.dll}") || exit 1
fi
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

# Moves the highlight down from the first item, in whichever order, to the
# one showing NAME.
highlight() {
    local row
    row=$(row_of "$1")
    for ((i = $(row_of "Uninstall programs") + 1; i < row; i++)); do press Down; done
}

# The programs the list is to show from now on: all but NAME.
drop() {
    local kept=() name
    for name in "${programs[@]}"; do [ "$name" = "$1" ] || kept+=("$name"); done
    programs=("${kept[@]}")
}

chinese=墨竹笔记 russian="Берёзка Радио"
programs=("[Beta] Tidewater Sync" "_Internal Build Tools" "Aurora Photo Studio 3"
    "bramble text editor" "Café Menu Planner" "Driftwood Podcast Player" "Kestrel VPN Client"
    "Marigold Tax Helper 2023" "Northwind Harbour Logistics Suite" "Orchid Font Manager"
    "Pinecone Game Launcher" "Quillfeather Notes" "Sparrow Mail" "ZEPHYR AUDIO MIXER")
if [ "$interface" = far3 ]; then
    programs+=("$russian" "$chinese")
else
    programs=("????" "??????? ?????" "${programs[@]}")
fi

# Names beyond the OEM code page, in full: Enter runs the Chinese-named
# program's uninstaller, Del asks about the Russian-named one by its name.
walk_the_unicode_names() {
    highlight "$chinese"
    press Enter
    wait_for "Running the uninstaller, please wait..." "Enter on the program named in Chinese runs its uninstaller"
    drop "$chinese"
    wait_until "which removes it from the list" list_is "${programs[@]}"
    expect_no_program MozhuNotes "and from the registry"
    highlight "$russian"
    press Delete
    wait_for "Remove this program from the list?" "Del on the program named in Russian asks"
    rows_between "Remove this program from the list?" "[ Remove entry ] [ Cancel ]" |
        grep -qF "$russian" && pass "naming the program in full" ||
        { fail "the question does not name $russian"; show_screen; }
    press Enter
    drop "$russian"
    wait_until "and removes it from the list" list_is "${programs[@]}"
    expect_no_program BerezkaRadio "and from the registry"
}

walk_the_list() {
    wait_until "the list opens with the machine's and the user's programs sorted as the catalogue sorts them, its keys in its bottom line" \
        list_is "${programs[@]}"
    expect_screen_lacks "Lantern Backup Agent" "a program without an uninstall command is not listed"

    highlight "[Beta] Tidewater Sync"
    press Delete
    wait_for "Remove this program from the list?" "Del asks before removing"
    wait_for "[ Remove entry ] [ Cancel ]" "with the removing button first"
    press Enter
    drop "[Beta] Tidewater Sync"
    wait_until "the first button closes the question; the list is shown again without the entry" \
        list_is "${programs[@]}"
    expect_no_program TidewaterSyncBeta "which is gone from the registry too"

    highlight "_Internal Build Tools"
    press Delete
    wait_for "Remove this program from the list?" "Del asks again"
    press Escape
    wait_until "Esc closes the question; the list is shown again, still with the entry" \
        list_is "${programs[@]}"
    expect_program _InternalBuildTools "and in the registry"

    highlight "Aurora Photo Studio 3"
    press Enter
    wait_for "Running the uninstaller, please wait..." "the top row says an uninstaller runs"
    drop "Aurora Photo Studio 3"
    wait_until "when it has finished, the list is shown again without the program it removed" \
        list_is "${programs[@]}"
    expect_screen_lacks "Running the uninstaller" "and the top row as before"
    expect_no_program "{3F2A9C1E-7B4D-4E8A-9C2F-5D1E6B7A8C90}" "whose entry is gone from the registry"

    highlight "Driftwood Podcast Player"
    press Enter
    wait_for "Running the uninstaller, please wait..." "Enter on the user's own program runs its uninstaller"
    drop "Driftwood Podcast Player"
    wait_until "which removes it from the list" list_is "${programs[@]}"
    expect_no_program DriftwoodPodcasts "and from the user's scratch key" "HKCU\\$user_sandbox"

    highlight "Sparrow Mail"
    press Delete
    wait_for "Remove this program from the list?" "Del on the user's own program asks too"
    press Enter
    drop "Sparrow Mail"
    wait_until "and removes it from the list" list_is "${programs[@]}"
    expect_no_program SparrowMail "and from the user's scratch key" "HKCU\\$user_sandbox"

    highlight "Quillfeather Notes"
    press Enter
    wait_for "Cannot start the uninstaller:" "an uninstaller that does not exist brings a warning"
    wait_for '"%ProgramFiles%\Quillfeather\demo-uninstall.exe" /quiet' "showing the command as stored"
    press Enter
    wait_until "Enter closes the warning; the list is shown again, still with that program" \
        list_is "${programs[@]}"
    [ "$interface" = far3 ] && walk_the_unicode_names

    press Escape
    wait_screen "$before" "Esc closes the list; the panels are back exactly as before"
}

# Whether the list's title is TITLE and its first row begins with ROW.
list_starts() {
    local rows
    rows=$(rows_between "$1" "$bottom_line") || return 1
    [[ $(head -1 <<<"$rows") == *"║  $2"* ]]
}

# F3 on a program, the sort keys with their columns held through a removal,
# Ctrl+F3 back, and Go to folder, which ends the list with the panel there.
walk_the_details_and_orders() {
    local today
    today=$(date +%Y-%m-%d)
    highlight "Kestrel VPN Client"
    press F3
    wait_for "Version: 5.0" "F3 shows the program's details: its version"
    expect_screen_has "Publisher: Kestrel Networks Inc." "its publisher"
    expect_screen_has "Installed: 2023-10-30" "its install date"
    expect_screen_has "Size: 72.0 MB" "its size"
    expect_screen_has 'Registry: HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\KestrelVPN' \
        "where its entry is"
    expect_screen_has "Enter runs: demo-uninstall.exe KestrelVPN" "what Enter runs"
    expect_screen_has "Quiet: demo-uninstall.exe KestrelVPN /quiet" "its quiet command"
    expect_screen_lacks "Go to folder" "no Go to folder without a folder"
    press Escape
    wait_until "Esc closes the details" list_is "${programs[@]}"

    highlight "Pinecone Game Launcher"
    press F3
    wait_for "Enter runs: demo-uninstall.exe PineconeLauncher" "F3 on a program with no other value"
    expect_screen_has "Installed: $today" "dated the day its key was written"
    expect_screen_lacks "Version:" "and no line for a value it lacks"
    press Escape
    wait_until "the list again" list_is "${programs[@]}"

    highlight "ZEPHYR AUDIO MIXER"
    press F3
    wait_for "A system component: Windows does not list it" "what Windows hides: a system component"
    press Escape
    wait_until "the list again" list_is "${programs[@]}"
    highlight "_Internal Build Tools"
    press F3
    wait_for "An update of: bramble text editor" "and an update of another program"
    press Escape
    wait_until "the list again" list_is "${programs[@]}"

    press C-F8
    wait_until "Ctrl+F8 orders by install date, newest first, each row led by its date" \
        list_starts "Uninstall programs: by install date" "$today  Marigold Tax Helper 2023"
    expect_screen_has "2019-08-15  ZEPHYR AUDIO MIXER" "the oldest last"
    highlight "2019-08-15  ZEPHYR AUDIO MIXER"
    press Delete
    wait_for "Remove this program from the list?" "Del in date order asks"
    press Enter
    drop "ZEPHYR AUDIO MIXER"
    wait_gone "ZEPHYR AUDIO MIXER" "and removes the entry"
    wait_until "the order holds after the removal" \
        list_starts "Uninstall programs: by install date" "$today  Marigold Tax Helper 2023"

    press C-F6
    wait_until "Ctrl+F6 orders by size, largest first, each row led by its size" \
        list_starts "Uninstall programs: by size" "    7.0 GB  Northwind Harbour"
    expect_screen_has "            Pinecone Game Launcher" "a program without a size comes last, its column blank"
    press C-F3
    wait_until "Ctrl+F3 orders by name again" list_is "${programs[@]}"

    highlight "Orchid Font Manager"
    press F3
    wait_for "[ OK ] [ Go to folder ]" "F3 on a program whose folder exists offers Go to folder"
    press Right Enter
    wait_gone "$bottom_line" "Go to folder closes the list"
    wait_for '═ C:\Windows\Fonts ═' "and the active panel shows that folder"
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
press F11
wait_for "Uninstall programs" "the plug-ins menu again"
press Enter
walk_the_details_and_orders

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
