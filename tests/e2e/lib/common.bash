# Shared helpers for the end-to-end scripts: start the program under the
# current X display, find its window, drive it with xdotool, check exits.
# Each script is called with the path of the tessaveld binary as $1.

set -u
TESSAVELD=${1:?usage: script path/to/tessaveld}
TITLE="Tessaveld by Morvane 2002/12/27"
APP_PID=""
APP_WINDOW=""
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

check() {  # check "description" command...
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else fail "$what"; fi
}

# Starts the program from the repository root and waits for its window.
start_app() {
    "$TESSAVELD" >"${APP_STDOUT:-/dev/null}" 2>&1 &
    APP_PID=$!
    APP_WINDOW=$(timeout 20 xdotool search --sync --name "^${TITLE}\$" | head -n 1)
    if [ -z "$APP_WINDOW" ]; then
        fail "window did not appear"
        kill "$APP_PID" 2>/dev/null
        exit 1
    fi
    # Keys go to the window under the pointer (no window manager runs).
    xdotool mousemove --window "$APP_WINDOW" 400 300
    sleep 0.3
}

# Waits up to 10 s for the program to end and leaves its exit status in
# EXIT_STATUS ("timeout" if it did not end). Call it directly, not in $(...):
# a subshell cannot wait for the program.
wait_exit() {
    local i
    EXIT_STATUS=timeout
    for i in $(seq 1 100); do
        if ! kill -0 "$APP_PID" 2>/dev/null; then
            wait "$APP_PID"
            EXIT_STATUS=$?
            return
        fi
        sleep 0.1
    done
    kill "$APP_PID" 2>/dev/null
    wait "$APP_PID" 2>/dev/null
}

stop_app() {
    if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then
        kill "$APP_PID" 2>/dev/null
        wait "$APP_PID" 2>/dev/null
    fi
    APP_PID=""
}

# Id of the freeglut menu window when it is mapped, else empty.
visible_menu() {
    xdotool search --onlyvisible --name '^freeglut menu$' 2>/dev/null | head -n 1
}

# Clicks a button at window coordinates (x, y), y counted from the top.
click_at() {  # click_at x y button
    xdotool mousemove --window "$APP_WINDOW" "$1" "$2" click "$3"
    sleep 0.3
}

# Colour of window pixel (x, y) (y from the top) as "r g b" in 0..255.
pixel_at() {
    xwd -silent -id "$APP_WINDOW" | convert xwd:- -format "%[fx:int(255*p{$1,$2}.r)] %[fx:int(255*p{$1,$2}.g)] %[fx:int(255*p{$1,$2}.b)]" info:
}

# Without a window manager the window opens at (-1, -1), one row and one
# column off the screen, and a screenshot would lose them: move it to (0, 0).
show_whole_window() {
    xdotool windowmove --sync "$APP_WINDOW" 0 0
    sleep 0.3
}

# Prints every pixel of the window as one line "r g b" (0..255), row by row
# from the top, 800 pixels to a row for the default window. Call
# show_whole_window first.
window_pixels() {
    xwd -silent -id "$APP_WINDOW" | convert xwd:- -depth 8 rgb:- | od -An -v -tu1 -w3
}

# Opens the menu with the middle button at window position (x, y) and picks
# entry n, counted from 1 at the top of the nine.
choose_menu_entry() {  # choose_menu_entry x y n
    local menu WINDOW X Y WIDTH HEIGHT SCREEN
    click_at "$1" "$2" 2
    menu=$(visible_menu)
    if [ -z "$menu" ]; then
        fail "menu did not open for entry $3"
        return 1
    fi
    eval "$(xdotool getwindowgeometry --shell "$menu")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + (2 * $3 - 1) * HEIGHT / 18)) click 1
    sleep 0.3
}

finish() {
    stop_app
    if [ "$failures" -gt 0 ]; then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    exit 0
}
