#!/usr/bin/env bash
# plughost's services on a real console, driven through a test-only plug-in
# that calls them and shows their answers in a box: the plug-ins menu; the
# menu service's highlight, movement, scrolling and break keys; the message
# service's buttons, warning colours, long lines and box without buttons;
# saving and putting back the screen; opening a folder in the active panel;
# the language chosen.
# Usage: host-services.sh SOURCE_DIR BUILD_DIR 32|64
set -u
SOURCE_DIR=$1
BUILD_DIR=$2
BITS=$3
. "$(dirname "${BASH_SOURCE[0]}")/console.sh"
trap close_console EXIT

wine=$SOURCE_DIR/scripts/wine
host=$BUILD_DIR/plughost.exe
probe=$BUILD_DIR/tests/probe/HostProbe.dll

# Whether the probe's menu box shows the last item at its foot, every row
# between its title and its bottom line an item drawn to its border.
scrolled_to_the_end() {
    local rows
    rows=$(rows_between "Probe menu" "Del F4 break") || return 1
    ! grep -qv 'Row [0-9][0-9]  *[^ ]' <<<"$rows" && [[ $(tail -1 <<<"$rows") == *"Row 40 "* ]]
}

# Whether the warning's long line is drawn up to the box's right border.
long_line_drawn() {
    screen_text | grep -q 'LLL  *║'
}

top_row_is() {
    [ "$(screen_text | head -1)" = "$1" ]
}

# answer TEXT DESCRIPTION: the probe's result box shows TEXT; Enter on its
# first button (Again) goes back to the probe's menu.
menu_answer() {
    wait_for "$1" "$2" && press Enter && wait_for "Del F4 break" >/dev/null
}

start_console "$wine" "$host" --lang Klingon "$probe"
wait_for "REAL REGISTRY" "without --sandbox the top row says the registry is the real one"
wait_until "the panels are drawn, the key bar naming the keys" desktop_drawn
expect_screen_has "HostProbe.dll (1.x), English" "an unknown language falls back to English"
before=$(screen_exact)
before_top_row=$(screen_text | head -1)

press F11
wait_for "Plug-in commands" "F11 opens the plug-ins menu"
wait_for "Probe the menu" "the plug-ins menu lists the plug-in's first entry"
wait_for "Probe the message box" "and its second"
press Escape
wait_screen "$before" "Esc closes the plug-ins menu and puts back the panels"

press Enter
wait_for "Plug-in commands" "Enter on the panels opens the plug-ins menu too"
press Enter
wait_for "Del F4 break" "the first entry opens the plug-in's menu, bottom line in its border"
wait_for "Probe menu" "with its title in the top border"
press Enter
menu_answer "Menu answered 2, BreakCode -1" "the item marked selected is highlighted first"
press Down Down Delete
menu_answer "Menu answered 5, BreakCode 0" \
    "Down skips the separator; Del answers the highlighted item and its place among the break keys"
press_end
wait_until "End scrolls to the last item" scrolled_to_the_end
expect_screen_lacks "Row 01" "the first items scroll out of the box"
press F4
menu_answer "Menu answered 39, BreakCode 1" "the second break key"
press_end
press S-F4 PageUp Enter
menu_answer "Menu answered 15, BreakCode -1" \
    "Shift+F4 is not a break key; PgUp moves a page; Enter answers the item"
press_home
press Up Enter
menu_answer "Menu answered 39, BreakCode -1" "Up on the first item goes round to the last"
press Escape
wait_for "Menu answered -1, BreakCode -1" "Esc answers -1"
press Right Enter
wait_screen "$before" "the plug-in restores the screen and redraws the panels: as before"

press F11 Down Enter
wait_for "Probe warning" "the second entry shows a warning box"
wait_for "Probe notice on the top row" "text the plug-in draws shows at once"
wait_for "[ One ] [ Two ] [ Three ]" "the buttons stand on one row"
wait_until "the long line is drawn to the box's border" long_line_drawn >/dev/null
screen_exact | grep -F "Probe warning" | grep -q '41m' &&
    pass "the warning box is drawn in warning colours" ||
    fail "the warning box is not red: $(screen_exact | grep -F 'Probe warning' | cat -v | head -c 200)"
longest=$(screen_text | grep -o 'L*' | awk '{ if (length > n) n = length } END { print n + 0 }')
[ "$longest" -gt 0 ] && [ "$longest" -lt "$CONSOLE_WIDTH" ] && ! screen_text | grep -q 'LEND' &&
    pass "a line longer than the screen is cut ($longest of 200 characters shown)" ||
    fail "the long line is not cut to the screen (longest run $longest)"
press Right Right Left Tab Enter
wait_for "Message 2, no buttons -1, Control 99 0, message 99 []" \
    "Left, Right and Tab move between buttons; a box without buttons returns at once; unknown services and messages fail softly"
record_size=$([ "$BITS" = 32 ] && echo 336 || echo 408)
# A 64-bit host's module number is an address above 4 GB; every service of
# plughost checks that it comes back whole.
where=$([ "$BITS" = 32 ] && echo below || echo above)
wait_for "Module HostProbe.dll, number $where 4 GB, record $record_size" \
    "the startup record names the DLL, a module number $where 4 GB, the record's size"
wait_until "the saved top row is put back" top_row_is "$before_top_row"
press Enter
wait_screen "$before" "after the plug-in returns, the panels are as before"

press Escape
wait_exit "Esc on the panels quits"

# A call to a service plughost does not serve: in a 32-bit host a stand-in
# without the service's parameters would unbalance the plug-in's stack and
# let it run on corrupted; the empty slot faults at once and plughost says so.
close_console
start_console "$wine" "$host" "$probe"
wait_for "F10 Quit" >/dev/null
press F11
wait_for "Call a service plughost lacks" "the plug-ins menu lists the probe's third entry"
press Down Down Enter
wait_for "the plug-in called a service plughost does not serve" \
    "a call to a service plughost does not serve is reported"
wait_exit "plughost stops on the plug-in's fault" 3
expect_screen_lacks "The unserved service returned" "the plug-in does not run on after it"

# The probe opens "Café" (its name in the OEM code page), below the folder
# plughost starts in, and then "Inner" below that, which only the panel's new
# folder holds; names that must not move the panel come between the two.
panel_scratch=$(mktemp -d "${TMPDIR:-/tmp}/uninstallmenu-panel.XXXXXX")
trap 'close_console; rm -rf "$panel_scratch"' EXIT
mkdir -p "$panel_scratch/Café/Inner"
touch "$panel_scratch/start-marker.txt" "$panel_scratch/Café/marker.txt" \
    "$panel_scratch/Café/Inner/inner-marker.txt"
inner_listed() {
    screen_text | grep -q inner-marker.txt && ! screen_text | grep -qF -e start-marker.txt -e "refused 0"
}
close_console
start_console bash -c 'cd "$1" && shift && exec "$@"' - "$panel_scratch" "$wine" "$host" "$probe"
wait_until "the panels are drawn" desktop_drawn >/dev/null
expect_screen_has "start-marker.txt" "the left panel lists the folder plughost started in"
press F11 Down Down Down Enter
wait_for "Folder 1, refused 0 0 0 0, inner 1" \
    "an existing folder, relative to the panel's, opens; a missing one, a file, empty and null names are refused"
expect_screen_has "inner-marker.txt" "the panel redrawn while the plug-in runs lists its new folder"
press Enter
wait_until "once the plug-in has returned, over the screen it put back, the panel lists its new folder" \
    inner_listed
press F10
wait_exit "F10 quits"

close_console
start_console "$wine" "$host" --lang german "$probe"
wait_for "HostProbe.dll (1.x), German" "--lang picks the plug-in's language file by name, in any case"
wait_until "the panels are drawn" desktop_drawn >/dev/null
before=$(screen_exact)
press F11
wait_for "Menue pruefen" "the plug-ins menu is in that language"
# Esc then another key's escape sequence at once would read as Alt+key.
press Escape
wait_screen "$before" "Esc closes it: the panels are as before"
press F10
wait_exit "F10 quits"
finish
