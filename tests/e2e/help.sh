#!/usr/bin/env bash
# Help, end to end, from the help files beside the DLL: in the demo, Shift+F1
# on the module's plug-ins menu entry shows its contents, F1 in the list and
# in the question before a removal the topics the module names, Esc putting
# each back as it was. Then, with the copy's help file changed under it, F1
# in the question says the topic is missing, then that a link is, then that
# there is no help file, for which Shift+F1 on the entry shows nothing.
# Usage: help.sh SOURCE_DIR BUILD_DIR 32|64 [far1|far3]
set -u
SOURCE_DIR=$1
BUILD_DIR=$2
. "$(dirname "${BASH_SOURCE[0]}")/console.sh"
trap close_console EXIT

wine=$SOURCE_DIR/scripts/wine
host=$BUILD_DIR/plughost.exe
if [ "${4:-far1}" = far3 ]; then
    copy=help3 plugin=$(private_plugin help3 "$BUILD_DIR/far3/UninstallMenu.dll") || exit 1
else
    copy=help plugin=$(private_plugin help "$BUILD_DIR/UninstallMenu.dll") || exit 1
fi
help_file=$(dirname "$plugin")/UninstallMenuEng.hlf
bottom_line="Enter uninstall, Del remove entry, Esc close"
# Each step needs the one before it: the first that fails ends the test.
need() { "$@" || finish; }

# warns TEXT DESCRIPTION [LINE]: F1 in the question brings a warning showing
# TEXT, and LINE on a line of its own, which Enter closes.
warns() {
    press F1
    need wait_for "$1" "$2"
    if [ $# -gt 2 ]; then
        screen_text | grep -q "║ *$3 *║" && pass "naming $3" ||
            { fail "the warning does not name $3"; show_screen; }
    fi
    press Enter
    need wait_gone "$1" "Enter closes the warning"
}

start_console "$wine" "$host" --sandbox demo/programs.reg "$plugin"
need wait_until "the panels are drawn" desktop_drawn >/dev/null
press F11
need wait_for "Uninstall programs" "the plug-ins menu shows the module's entry"
menu=$(screen_exact)
press S-F1
need wait_for "The plug-in lists the programs installed" "Shift+F1 on the entry shows the module's contents"
press Escape
need wait_screen "$menu" "Esc closes them: the plug-ins menu is back as it was"
press Enter
need wait_for "$bottom_line" "Enter opens the list"
list=$(screen_exact)
press F1
need wait_for "The list and its keys" "F1 in the list shows the topic the module names"
press Escape
need wait_screen "$list" "Esc closes it: the list is back as it was"
press Delete
need wait_for "Remove this program from the list?" "Del asks"
question=$(screen_exact)
press F1
need wait_for "Removing an entry" "F1 in the question shows its topic"
press Escape
need wait_screen "$question" "Esc closes it: the question is back as it was"

sed -i 's/@Remove\b/@Removal/g' "$help_file"
warns "Requested help topic not found:" "a topic the file lacks is said to be missing" Remove
sed -i 's/^@Removal/@Gone/' "$help_file"
link=$(grep -n '~@Removal@' "$help_file" | head -1 | cut -d: -f1)
warns "UninstallMenuEng.hlf:$link: a link to a missing topic: Removal" \
    "a file with a link to a topic it lacks is refused, naming the link"
rm "$(dirname "$plugin")"/*.hlf
warns "e2e-plugins\\$copy\\*.hlf" "without a help file F1 says so, naming the files looked for"
need wait_screen "$question" "and the question is back as it was"
press Escape
need wait_gone "Remove this program from the list?" "Esc answers the question"
press Escape
need wait_gone "$bottom_line" "Esc closes the list"
press F11
need wait_for "Uninstall programs" "the plug-ins menu again"
# Shown nothing, Shift+F1 leaves the next key to the menu.
press S-F1 Enter
need wait_for "$bottom_line" "without a help file Shift+F1 on the entry shows nothing"
press Escape
need wait_gone "$bottom_line" "Esc closes the list"
press F10
wait_exit "F10 quits"
finish
