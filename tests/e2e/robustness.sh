#!/usr/bin/env bash
# The program keeps running whatever it is given: a long random session of
# clicks, drags, keys and menu entries; malformed font files in fonts/; the
# degree raised 200 times in the B-spline, RBF and subdivision modes. Every
# run ends with Esc and exit status 255. Runs in scratch directories, so that
# debug.txt and the broken fonts never land in the checkout.
#
# ROBUSTNESS_SECONDS sets the length of the random session (default 25) and
# ROBUSTNESS_SEED its seed (default 1).
source "$(dirname "$0")/lib/common.bash"

TESSAVELD=$(realpath "$TESSAVELD")
FONT=$(realpath fonts/garamond1.glf)
session_seconds=${ROBUSTNESS_SECONDS:-25}
RANDOM=${ROBUSTNESS_SEED:-1}
scratch=$(mktemp -d)
trap 'stop_app; rm -rf "$scratch"' EXIT

# A fresh, empty working directory with an empty fonts/ in it.
enter_workdir() {  # enter_workdir name
    cd "$scratch" || exit 1
    rm -rf "$1"
    mkdir -p "$1/fonts"
    cd "$1" || exit 1
}

alive() {
    kill -0 "$APP_PID" 2>/dev/null
}

# Esc must end the program at once with -1 (255): it is still answering.
end_with_escape() {  # end_with_escape what
    if ! alive; then
        wait "$APP_PID"
        fail "$1: the program died (status $?)"
        APP_PID=""
        return
    fi
    # Give a slow (sanitized) build time to work through the queued events.
    xdotool mousemove --window "$APP_WINDOW" 400 300 key Escape
    local i
    for i in 1 2 3; do
        wait_exit
        [ "$EXIT_STATUS" = timeout ] || break
        kill -0 "$APP_PID" 2>/dev/null || break
    done
    check "$1: Esc exits with 255 (got $EXIT_STATUS)" [ "$EXIT_STATUS" = "255" ]
    APP_PID=""
}

# Opens the menu at window position (x, y) and picks entry n (1 at the top of
# the nine), waiting up to 5 s for a busy (sanitized) program to show it.
# Returns 1 when no menu appeared.
pick_menu_entry() {  # pick_menu_entry x y n
    local menu="" i WINDOW X Y WIDTH HEIGHT SCREEN
    xdotool mousemove --window "$APP_WINDOW" "$1" "$2" click 2
    for i in $(seq 1 50); do
        menu=$(visible_menu)
        [ -n "$menu" ] && break
        sleep 0.1
    done
    [ -n "$menu" ] || return 1
    eval "$(xdotool getwindowgeometry --shell "$menu")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + (2 * $3 - 1) * HEIGHT / 18)) click 1
    sleep 0.2
}

# ---- A random session -------------------------------------------------------

# Keys that act, and some that do not (Esc is kept for the end).
keys=(space comma less period greater a b c d e h i j l m n p q r s w
      1 2 3 4 5 6 7 8 A B W Q Return Tab BackSpace Delete F1 0 9 x z)

# One xdotool command chain of about 40 random actions ("--" lets a position
# be negative: drags may leave the window on any side).
random_chain() {
    local chain=() i x y action
    for ((i = 0; i < 40; i++)); do
        x=$((RANDOM % 820 - 10))
        y=$((RANDOM % 620 - 10))
        # The bar's handles sit at y = 575 from the top; aim there often.
        if ((RANDOM % 4 == 0)); then y=$((570 + RANDOM % 11)); fi
        action=$((RANDOM % 100))
        if ((action < 30)); then
            chain+=(mousemove --window "$APP_WINDOW" -- "$x" "$y" click 1)
        elif ((action < 45)); then
            chain+=(mousemove --window "$APP_WINDOW" -- "$x" "$y" mousedown 1
                    mousemove --window "$APP_WINDOW" -- $((x + RANDOM % 61 - 30)) $((y + RANDOM % 61 - 30))
                    mousemove --window "$APP_WINDOW" $((RANDOM % 800)) $((RANDOM % 600)) mouseup 1)
        elif ((action < 52)); then
            chain+=(mousemove --window "$APP_WINDOW" -- "$x" "$y" mousedown 3
                    mousemove --window "$APP_WINDOW" $((RANDOM % 800)) $((RANDOM % 600)) mouseup 3)
        elif ((action < 62)); then
            chain+=(mousemove --window "$APP_WINDOW" -- "$x" "$y")
        else
            chain+=(key "${keys[RANDOM % ${#keys[@]}]}")
        fi
        chain+=(sleep 0.01)
    done
    xdotool "${chain[@]}" 2>/dev/null
}

enter_workdir session
cp "$FONT" fonts/garamond1.glf
start_app
deadline=$((SECONDS + session_seconds))
chains=0
while ((SECONDS < deadline)) && alive; do
    # A menu that opened late must not meet the random clicks (its ninth
    # entry quits): close it with a harmless entry first.
    if [ -n "$(visible_menu)" ]; then
        menu=$(visible_menu)
        eval "$(xdotool getwindowgeometry --shell "$menu")"
        xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 18)) click 1
        sleep 0.2
    fi
    random_chain
    chains=$((chains + 1))
    # Now and then a menu entry other than quit.
    if ((RANDOM % 3 == 0)) && alive; then
        pick_menu_entry $((100 + RANDOM % 600)) $((100 + RANDOM % 400)) $((1 + RANDOM % 8))
    fi
done
echo "random session: $chains chains of 40 actions in ${session_seconds}s"
end_with_escape "random session"

# ---- Malformed font files ---------------------------------------------------

# The program reads fonts/garamond1.glf at start-up; each case puts something
# broken there, then adds points and runs the UNR4 step, which draws text.
font_case() {  # font_case name  (fonts/garamond1.glf already prepared)
    start_app
    for xy in "200 200" "600 200" "600 450" "200 450"; do
        click_at $xy 1
    done
    xdotool key a a s b 2>/dev/null
    sleep 0.5
    end_with_escape "font $1"
}

enter_workdir empty
: >fonts/garamond1.glf
font_case empty

for cut in 2 99 128 131 200 5000; do
    enter_workdir "cut$cut"
    head -c "$cut" "$FONT" >fonts/garamond1.glf
    font_case "cut after $cut bytes"
done

enter_workdir garbage
awk 'BEGIN { srand(7); for (i = 0; i < 20000; i++) printf "%c", int(rand() * 256) }' \
    >fonts/garamond1.glf
font_case garbage

enter_workdir garbage_header
{ printf 'GLF'; awk 'BEGIN { srand(11); for (i = 0; i < 20000; i++) printf "%c", int(rand() * 256) }'; } \
    >fonts/garamond1.glf
font_case "garbage after the magic"

# 255 symbols declared, the first claiming 255 vertices, facets and contours.
enter_workdir huge_counts
{ head -c 99 "$FONT"; printf '\377'; head -c 128 "$FONT" | tail -c 28; printf 'A\377\377\377';
  tail -c +133 "$FONT"; } >fonts/garamond1.glf
font_case "huge counts"

enter_workdir directory
mkdir fonts/garamond1.glf
font_case "directory in place of the file"

enter_workdir missing
font_case "no font file"

# ---- Degree stress ----------------------------------------------------------

# Raises the degree 200 times from the keyboard in the mode the keys select
# (B-spline through the menu).
degree_stress() {  # degree_stress name mode-keys...
    local name=$1
    shift
    enter_workdir "degree_$name"
    cp "$FONT" fonts/garamond1.glf
    start_app
    for xy in "150 150" "300 450" "450 150" "600 450" "700 200" "400 300"; do
        click_at $xy 1
    done
    if [ "$name" = bspline ]; then
        pick_menu_entry 400 100 6 || fail "degree stress: the menu did not open"
    fi
    [ $# -gt 0 ] && xdotool key --delay 5 "$@"
    xdotool key --delay 5 $(printf 'w %.0s' $(seq 200))
    sleep 0.5
    # The subdivision steps run after the degree is raised, with each scheme.
    if [ "$name" = subdivision ]; then
        xdotool key --delay 50 s a s a s a s a s
    fi
    # The display still answers: a redraw with the view reset, a hover.
    xdotool key space mousemove --window "$APP_WINDOW" 300 450
    sleep 0.5
    end_with_escape "degree stress ($name)"
}

degree_stress bspline
degree_stress rbf r
degree_stress subdivision a a a s

finish
