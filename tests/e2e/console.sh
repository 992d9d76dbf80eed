# Sourced by the end-to-end tests: runs one program on a real console (a
# detached tmux pane with a pseudo-terminal of its own, on a private tmux
# server, so no terminal is needed), sends it keys and reads the screen back
# as text. Needs SOURCE_DIR set; the caller runs `finish` last, and
# `close_console` on any other way out.

export LC_ALL=C.UTF-8
# The time limit ends a test with TERM: exiting runs the caller's EXIT trap,
# which closes the console and its program.
trap 'exit 143' TERM
CONSOLE_SOCKET=
CONSOLE_STARTS=0
CONSOLE_WIDTH=100
CONSOLE_HEIGHT=30
CONSOLE_FAILURES=0
# Long enough for a loaded machine: every wait ends as soon as its condition
# holds, so the limit costs nothing on a run that passes.
CONSOLE_TIMEOUT=${CONSOLE_TIMEOUT:-60}
# Where the pane's shell writes the program's exit status: tmux can report a
# pane dead without ever learning the status.
CONSOLE_STATUS=$(mktemp "${TMPDIR:-/tmp}/uninstallmenu-e2e-status.XXXXXX")

console_tmux() {
    tmux -L "$CONSOLE_SOCKET" -f /dev/null "$@"
}

# start_console COMMAND...: runs the command, with Wine's settings, in the pane.
start_console() {
    local command
    command=$(printf '%q ' "$@")
    # A server of its own for every start: a server told to end may still be
    # going when the next console starts, and would take it down with it.
    CONSOLE_STARTS=$((CONSOLE_STARTS + 1))
    CONSOLE_SOCKET="uninstallmenu-e2e-$$-$CONSOLE_STARTS"
    : >"$CONSOLE_STATUS"
    console_tmux new-session -d -x "$CONSOLE_WIDTH" -y "$CONSOLE_HEIGHT" -s e2e \
        "cd $(printf %q "$SOURCE_DIR") && $command; echo \$? >$(printf %q "$CONSOLE_STATUS")" \
        </dev/null || return 1
    # Keep the pane once the program ends, to show its last screen.
    console_tmux set-option -t e2e remain-on-exit on >/dev/null
}

# The screen as text. A character two columns wide comes with the zero-width
# space plughost puts in its second cell, which is dropped here.
screen_text() {
    console_tmux capture-pane -p -t e2e | sed 's/\xe2\x80\x8b//g'
}

# The screen with its colours, for comparing two moments exactly.
screen_exact() {
    console_tmux capture-pane -p -e -t e2e
}

# rows_between TOP BOTTOM: the screen rows strictly between the first row
# holding TOP and the next one holding BOTTOM; fails when there is no such
# pair.
rows_between() {
    screen_text | awk -v top="$1" -v bottom="$2" '
        inside && index($0, bottom) { found = 1; exit }
        inside { print }
        !inside && index($0, top) { inside = 1 }
        END { exit !found }'
}

# Whether plughost's own screen is all there: the status row, both panels
# framed on every row, the hint row and the key bar to its last label. A row
# is written left to right, so its right-hand frame shows it is whole.
desktop_drawn() {
    local rows row i
    mapfile -t rows < <(screen_text)
    [ ${#rows[@]} -eq "$CONSOLE_HEIGHT" ] || return 1
    [[ ${rows[0]} == " "?* ]] || return 1
    [[ ${rows[1]} == ╔*╗╔*╗ ]] || return 1
    for ((i = 2; i < CONSOLE_HEIGHT - 3; i++)); do
        row=${rows[i]}
        [[ $row == ║*║║*║ ]] || return 1
    done
    [[ ${rows[CONSOLE_HEIGHT - 3]} == ╚*╝╚*╝ ]] || return 1
    [[ ${rows[CONSOLE_HEIGHT - 2]} == "F11 or Enter: plug-ins menu"*"F10 or Esc: quit." ]] || return 1
    [[ ${rows[CONSOLE_HEIGHT - 1]} == *"Ctrl+O Screen behind" ]]
}

press() {
    console_tmux send-keys -t e2e "$@"
}

# Keys whose sequence tmux would send in a form Wine does not read.
press_home() { console_tmux send-keys -t e2e -H 1b 5b 48; }
press_end() { console_tmux send-keys -t e2e -H 1b 5b 46; }

fail() {
    echo "FAIL: $*"
    CONSOLE_FAILURES=$((CONSOLE_FAILURES + 1))
}

pass() {
    echo "ok: $*"
}

show_screen() {
    echo "---- screen ----"
    screen_text
    echo "----------------"
}

# wait_until DESCRIPTION COMMAND...: until COMMAND succeeds.
wait_until() {
    local description=$1 deadline=$((SECONDS + CONSOLE_TIMEOUT))
    shift
    while [ $SECONDS -le $deadline ]; do
        "$@" && { pass "$description"; return 0; }
        sleep 0.1
    done
    fail "$description: not so after $CONSOLE_TIMEOUT s"
    show_screen
    return 1
}

# wait_for TEXT [DESCRIPTION]: until TEXT is on the screen.
wait_for() {
    local deadline=$((SECONDS + CONSOLE_TIMEOUT))
    while [ $SECONDS -le $deadline ]; do
        screen_text | grep -qF -- "$1" && { pass "${2:-shows $1}"; return 0; }
        sleep 0.1
    done
    fail "${2:-shows $1}: \"$1\" never appeared"
    show_screen
    return 1
}

# wait_gone TEXT [DESCRIPTION]: until TEXT is no longer on the screen.
wait_gone() {
    local deadline=$((SECONDS + CONSOLE_TIMEOUT))
    while [ $SECONDS -le $deadline ]; do
        screen_text | grep -qF -- "$1" || { pass "${2:-no more $1}"; return 0; }
        sleep 0.1
    done
    fail "${2:-no more $1}: \"$1\" stayed"
    show_screen
    return 1
}

# wait_screen EXACT [DESCRIPTION]: until the screen, colours included, is EXACT.
wait_screen() {
    local deadline=$((SECONDS + CONSOLE_TIMEOUT))
    while [ $SECONDS -le $deadline ]; do
        [ "$(screen_exact)" = "$1" ] && { pass "${2:-screen as expected}"; return 0; }
        sleep 0.1
    done
    fail "${2:-screen as expected}: it differs"
    diff <(printf '%s\n' "$1") <(screen_exact) | head -20
    return 1
}

# expect_screen_has / expect_screen_lacks TEXT DESCRIPTION: checked at once,
# so only after a wait for what shows the screen is drawn to the end.
expect_screen_has() {
    screen_text | grep -qF -- "$1" && pass "$2" || { fail "$2: \"$1\" missing"; show_screen; }
}
expect_screen_lacks() {
    screen_text | grep -qF -- "$1" && { fail "$2: \"$1\" present"; show_screen; } || pass "$2"
}

# wait_exit [DESCRIPTION [STATUS]]: until the program has ended; its status
# must be STATUS (0 unless given).
wait_exit() {
    local deadline=$((SECONDS + CONSOLE_TIMEOUT)) status expected=${2:-0}
    while [ $SECONDS -le $deadline ]; do
        status=$(cat "$CONSOLE_STATUS")
        if [ -n "$status" ]; then
            [ "$status" = "$expected" ] && pass "${1:-quits} with status $expected" ||
                { fail "${1:-quits}: exit status $status, not $expected"; show_screen; }
            return 0
        fi
        sleep 0.1
    done
    fail "${1:-quits}: still running"
    show_screen
    return 1
}

# private_plugin NAME DLL: copies DLL and the language and help files beside
# it into a folder of the test's own (NAME) below the build's tests/, and
# prints the copy's path. The panel that shows the plug-in's folder then
# lists these alone, whatever else the suite writes into the build meanwhile.
private_plugin() {
    local folder=$BUILD_DIR/tests/e2e-plugins/$1 help
    rm -rf "$folder" && mkdir -p "$folder" && cp "$2" "$(dirname "$2")"/*.lng "$folder/" ||
        return 1
    # A plug-in may ship no help.
    for help in "$(dirname "$2")"/*.hlf; do
        [ ! -e "$help" ] || cp "$help" "$folder/" || return 1
    done
    echo "$folder/$(basename "$2")"
}

# The row number (from 1) of the first screen line holding TEXT, or nothing.
row_of() {
    screen_text | grep -nF -- "$1" | head -1 | cut -d: -f1
}

# Ends the tmux server and removes its socket, which the server leaves behind.
close_console() {
    local socket
    rm -f "$CONSOLE_STATUS"
    # Before the first start there is no server of ours to end.
    [ -n "$CONSOLE_SOCKET" ] || return 0
    socket=$(console_tmux display-message -p '#{socket_path}' 2>/dev/null)
    console_tmux kill-server 2>/dev/null
    [ -n "$socket" ] && rm -f "$socket"
    CONSOLE_SOCKET=
}

finish() {
    close_console
    if [ "$CONSOLE_FAILURES" -gt 0 ]; then
        echo "$CONSOLE_FAILURES check(s) failed"
        exit 1
    fi
    echo "all checks passed"
    exit 0
}
