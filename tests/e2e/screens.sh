#!/usr/bin/env bash
# The demo's uninstall list in one language on an 80-column console, as that
# language's users see it: the Russian texts under a Russian locale, where
# Wine gives programs the OEM code page 866, as Russian Windows does. Checks
# the plug-ins menu entry, and the list's title and bottom line, against the
# texts of the language file; then writes the screen it checked to
# BUILD_DIR/tests/screens/list-LANGUAGE[-far3].txt, which scripts/readme-screens
# pastes into the README. With far3, the module for the 3.x interface, whose
# language files are in UTF-8, and which shows every name in full.
# Usage: screens.sh SOURCE_DIR BUILD_DIR 32|64 English|Russian [far3]
set -u
SOURCE_DIR=$1
BUILD_DIR=$2
language=$4
interface=${5:-far1}
. "$(dirname "${BASH_SOURCE[0]}")/console.sh"
trap close_console EXIT
CONSOLE_WIDTH=80
CONSOLE_HEIGHT=25

# language: its file, the file's code page, the locale its users' Wine runs
# under, and the letters of its alphabet, which a file in another code page lacks.
case $language in
English) lng=UninstallMenuEng.lng codepage=CP437 locale=C.UTF-8 letters='A-Za-z' ;;
Russian) lng=UninstallMenuRus.lng codepage=CP866 locale=ru_RU.UTF-8 letters='\x{0410}-\x{044F}\x{0401}\x{0451}' ;;
*) echo "unknown language $language" >&2; exit 2 ;;
esac
modules=$BUILD_DIR lang=$SOURCE_DIR/lang suffix=
if [ "$interface" = far3 ]; then
    modules=$BUILD_DIR/far3 lang=$SOURCE_DIR/lang/far3 codepage=UTF-8 suffix=-far3
fi
if ! locale -a 2>/dev/null | grep -Eqix "${locale/UTF-8/utf-?8}"; then
    fail "the $locale locale is not generated here; scripts/install-deps generates it"
    finish
fi

# message N: the language file's text of message N, as the terminal shows it.
message() {
    iconv -f "$codepage" -t UTF-8 "$lang/$lng" | tr -d '\r' | grep '^"' |
        sed -n "$(($1 + 1))p" | sed 's/^"//; s/"$//'
}
title=$(message 3)
bottom_line=$(message 4)
grep -qxP "[$letters ]+" <<<"$title" ||
    fail "message 3 of $lng, \"$title\", is not in its alphabet: the file is not in $codepage"
listed_program="[Beta] Tidewater Sync"

# The plug-in from a folder of its own, as a user installs it, in a host's
# folder of the prefix's drive C:, where plughost starts: the panels around
# the list show those two, and no folder of the machine that made the
# screen. The screens' runs take turns (RESOURCE_LOCK), as a DLL must not be
# rewritten under a running plughost.
prefix=$(. "$SOURCE_DIR/scripts/wine-env" && echo "$WINEPREFIX")
far=$prefix/drive_c/Far
folder=$far/Plugins/UninstallMenu
rm -rf "$far" && mkdir -p "$folder" &&
    cp "$modules/UninstallMenu.dll" "$modules"/UninstallMenu*.lng "$modules"/UninstallMenu*.hlf \
        "$folder/" || { fail "cannot copy the plug-in into $folder"; finish; }
trap 'close_console; rm -rf "$far"' EXIT
start_console bash -c 'cd "$0" && exec "$@"' "$far" env LC_ALL=$locale LANG=$locale \
    "$SOURCE_DIR/scripts/wine" "$BUILD_DIR/plughost.exe" --sandbox "Z:$SOURCE_DIR/demo/programs.reg" \
    --lang "$language" 'C:\Far\Plugins\UninstallMenu\UninstallMenu.dll'
wait_for 'C:\Far\Plugins\UninstallMenu' "the panels show the host's folder and the plug-in's"
wait_for "F11 Plug-ins" "plughost is up"
press F11
wait_for "$title" "the plug-ins menu shows the entry as message 3 reads: $title"
press Enter
wait_for "$bottom_line" "the list opens, its bottom line as message 4 reads: $bottom_line"

# The list is drawn to its end: a row for each of the demo's sixteen programs
# between its title and its bottom line, each drawn to its right-hand border,
# over panels whose key bar is whole.
list_drawn() {
    local rows
    rows=$(rows_between "$title" "$bottom_line") || return 1
    [ "$(grep -c '║║$' <<<"$rows")" -eq 16 ] && screen_text | tail -1 | grep -qF "Ctrl+O Screen behind"
}
wait_until "the list is drawn to its last row" list_drawn
capture=$(screen_text)
grep -qF 'Z:\' <<<"$capture" && fail "the screen shows a folder of this machine" ||
    pass "and no folder of this machine"
# row_in TEXT: the row of the capture (from 1) first holding TEXT.
row_in() { grep -nF -- "$1" <<<"$capture" | head -1 | cut -d: -f1; }
title_row=$(row_in "$title") program_row=$(row_in "$listed_program") bottom_row=$(row_in "$bottom_line")
if [ -n "$title_row" ] && [ -n "$program_row" ] && [ -n "$bottom_row" ] &&
    [ "$title_row" -lt "$program_row" ] && [ "$program_row" -lt "$bottom_row" ]; then
    pass "the list's title stands above its programs, its bottom line below them"
else
    fail "the title (row ${title_row:-none}), a program (row ${program_row:-none}) and bottom line (row ${bottom_row:-none}) are not in that order"
fi
lines=$(wc -l <<<"$capture")
widest=$(wc -L <<<"$capture")
[ "$lines" -eq "$CONSOLE_HEIGHT" ] && [ "$widest" -le "$CONSOLE_WIDTH" ] &&
    pass "the capture is the whole ${CONSOLE_WIDTH}x$CONSOLE_HEIGHT screen" ||
    fail "the capture is $lines rows, $widest columns at most"
mkdir -p "$BUILD_DIR/tests/screens"
printf '%s\n' "$capture" >"$BUILD_DIR/tests/screens/list-$language$suffix.txt"

press Escape
wait_gone "$bottom_line" "Esc closes the list"
press F10
wait_exit "F10 quits"
finish
