# start_app, tolerant of a busy X server. On a loaded machine an Xvfb now and
# then refuses one new connection (freeglut: "failed to open display") and
# takes the next one at once; scripts that start the program many times would
# otherwise fail on that one start. Source after common.bash.

# Starts the program like start_app and waits up to 20 s for its window;
# when the program ends before showing one, starts it again (three tries).
start_app_retrying() {
    local try i
    for try in 1 2 3; do
        "$TESSAVELD" >>"${APP_STDOUT:-/dev/null}" 2>&1 &
        APP_PID=$!
        APP_WINDOW=""
        for i in $(seq 1 200); do
            APP_WINDOW=$(xdotool search --name "^${TITLE}\$" 2>/dev/null | head -n 1)
            [ -n "$APP_WINDOW" ] && break
            kill -0 "$APP_PID" 2>/dev/null || break
            sleep 0.1
        done
        if [ -n "$APP_WINDOW" ]; then
            xdotool mousemove --window "$APP_WINDOW" 400 300
            sleep 0.3
            return 0
        fi
        stop_app
        echo "note: start $try showed no window" >&2
    done
    fail "window did not appear"
    exit 1
}
