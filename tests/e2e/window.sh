#!/usr/bin/env bash
# The window: title, size, background, the menu on the middle button only,
# and the two ways out with their exit statuses.
source "$(dirname "$0")/lib/common.bash"

start_app
check "title" [ "$(xdotool getwindowname "$APP_WINDOW")" = "$TITLE" ]
geometry=$(xdotool getwindowgeometry "$APP_WINDOW" | sed -n 's/.*Geometry: //p')
check "800 x 600 window (got $geometry)" [ "$geometry" = "800x600" ]
check "light grey background" [ "$(pixel_at 400 200)" = "217 217 217" ]

click_at 400 300 3
check "right click opens no menu" [ -z "$(visible_menu)" ]
click_at 400 300 2
menu=$(visible_menu)
check "middle click opens the menu" [ -n "$menu" ]
stop_app

# Esc ends the process with status -1, seen as 255.
start_app
xdotool key Escape
wait_exit
check "Esc exits with 255 (got $EXIT_STATUS)" [ "$EXIT_STATUS" = "255" ]

# The last of the nine menu entries is "quit", exit status 1.
start_app
click_at 400 300 2
menu=$(visible_menu)
if [ -n "$menu" ]; then
    eval "$(xdotool getwindowgeometry --shell "$menu")"
    entry_height=$((HEIGHT / 9))
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - entry_height / 2)) click 1
    wait_exit
    check "menu quit exits with 1 (got $EXIT_STATUS)" [ "$EXIT_STATUS" = "1" ]
else
    fail "menu did not open for quit"
fi

finish
