#!/usr/bin/env bash
# The digit keys stand in for the middle-button menu: after the same clicks,
# digit n leaves exactly the picture that menu entry n leaves, and that
# picture differs from the one before. 9 and 0 change nothing and do not quit.
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/start.bash"

LABELS=(clear reload RBF bezier lagrange B-spline subdivision "delete point")
# The cursor rests on the second point while the command runs, so that
# "delete point" has a point to delete.
CURSOR_X=250
CURSOR_Y=150

# Four points, then one subdivision step, so that reload has something to
# undo; leaves the cursor on the second point.
prepare() {
    start_app_retrying
    show_whole_window
    click_at 150 400 1
    click_at "$CURSOR_X" "$CURSOR_Y" 1
    click_at 500 120 1
    click_at 600 420 1
    xdotool key s
    sleep 0.3
    xdotool mousemove --window "$APP_WINDOW" "$CURSOR_X" "$CURSOR_Y"
    sleep 0.3
}

# Digest of the window above the parameter bar. The bar and the status line
# take the colour the previous frame ended with, and the menu costs a frame
# more than a key, so they are left out.
SCENE_ROWS=550
picture() {
    xdotool mousemove --window "$APP_WINDOW" "$CURSOR_X" "$CURSOR_Y"
    sleep 0.5
    window_pixels | head -n $((800 * SCENE_ROWS)) | md5sum | cut -d' ' -f1
}

for n in 1 2 3 4 5 6 7 8; do
    label=${LABELS[$((n - 1))]}
    prepare
    before=$(picture)
    choose_menu_entry "$CURSOR_X" "$CURSOR_Y" "$n"
    via_menu=$(picture)
    stop_app

    prepare
    xdotool key "$n"
    via_digit=$(picture)
    check "digit $n changes the picture as \"$label\" does" [ "$via_menu" != "$before" ]
    check "digit $n leaves the picture of menu \"$label\"" [ "$via_digit" = "$via_menu" ]
    stop_app
done

prepare
before=$(picture)
xdotool key 9 key 0
after=$(picture)
check "9 and 0 leave the picture alone" [ "$after" = "$before" ]
check "9 and 0 do not end the program" kill -0 "$APP_PID"

finish
