#!/usr/bin/env bash
# Takes the README's pictures: starts the real program under Xvfb, drives it
# with xdotool through every method and saves each picture as an 800 x 600
# PNG in the output directory.
#   scripts/screenshots.sh [path/to/tessaveld [output directory]]
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
PROGRAM=$(cd "$(dirname "${1:-$ROOT/build/tessaveld}")" && pwd)/$(basename "${1:-tessaveld}")
OUT=${2:-$ROOT/docs/images}
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)

# Under a private Xvfb unless a display is given; the program runs from the
# repository root, where it finds its font.
if [ -z "${DISPLAY:-}" ]; then
    exec "$ROOT/scripts/with-display.sh" "$0" "$PROGRAM" "$OUT"
fi
cd "$ROOT"
# shellcheck source=../tests/e2e/lib/common.bash
source "$ROOT/tests/e2e/lib/common.bash" "$PROGRAM"
# shellcheck source=../tests/e2e/lib/start.bash
source "$ROOT/tests/e2e/lib/start.bash"
# Stopping the program reports its signal; a missing picture is caught at the end.
set +e

# Saves the window as OUT/name.png: 800 x 600, palette PNG (the pictures have
# a handful of colours, so nothing is lost), no metadata.
shot() {  # shot name
    xdotool mousemove --window "$APP_WINDOW" 790 10
    shot_here "$1"
}

# Same as shot, but leaves the cursor where it is: for a frame that a hover
# redisplay would replace (knot insertion draws one of its own).
shot_here() {  # shot_here name
    local file=$OUT/$1.png
    sleep 0.4
    rm -f "$file"
    xwd -silent -id "$APP_WINDOW" | convert xwd:- -strip "png8:$file"
    if [ "$(identify -format '%wx%h' "$file" 2>/dev/null)" = "800x600" ]; then
        echo "  $file"
    else
        fail "no 800 x 600 picture $file"
    fi
}

# The handle of the knot 1 on the parameter bar (degree 3, six points:
# knots 0 0 0 0 1 2 3 3 3 3 over the bar from 25 to 775).
KNOT_X=275
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

begin() {
    start_app_retrying
    show_whole_window
}

# Ends the program as a user would, with Esc.
end() {
    xdotool key Escape
    wait_exit
    APP_PID=""
}

clicks() {  # clicks "x y" ...
    local p
    for p in "$@"; do
        # shellcheck disable=SC2086
        click_at $p 1
    done
}

# Point sets in window pixels, y from the top.
FOUR=("150 430" "310 200" "490 200" "650 430")
FIVE=("110 430" "200 160" "400 110" "600 170" "690 440")
ARC=("120 430" "210 230" "360 160" "470 330" "600 200" "690 380")
WAVE=("120 400" "250 150" "400 380" "550 150" "680 400")
LOOP=("220 300" "330 130" "520 150" "640 300" "520 460" "300 440")

# The construction animation runs much faster than a script can press m
# twice, so the program runs under gdb, which presses m for it (onKey with
# 'm') as idle step n begins: the animation pauses on frame n of 65, exactly
# as if the user had pressed m then.
begin_paused_at() {  # begin_paused_at n
    local wrapper=$WORK/paused-$1.sh
    cat >"$WORK/pause-$1.gdb" <<GDB
set pagination off
set confirm off
break onIdle
ignore 1 $(($1 - 1))
commands
  silent
  call onKey('m', 0, 0)
  continue
end
run
GDB
    printf '#!/bin/sh\nexec gdb -q -batch -x "%s" --args "%s"\n' "$WORK/pause-$1.gdb" "$PROGRAM" >"$wrapper"
    chmod +x "$wrapper"
    TESSAVELD=$wrapper begin
}

key() {
    xdotool key "$@"
    sleep 0.3
}

echo "Pictures in $OUT:"

begin_paused_at 33; clicks "${FOUR[@]}"; key 5; key m; shot lagrange-neville; end
begin_paused_at 27; clicks "${FIVE[@]}"; key 4; key m; shot bezier-decasteljau; end

# B-spline of degree 3 (from 1, two presses of w), then a knot inserted.
begin; clicks "${ARC[@]}"; key 6; key w w; shot bspline-cubic
xdotool mousemove --window "$APP_WINDOW" "$KNOT_X" 575; sleep 0.3
key i; shot_here bspline-knot-insertion; end

# RBF interpolation with each basis: mq1, then b for mq3 and gs.
begin; clicks "${ARC[@]}"; key 3; shot rbf-mq1
key b; shot rbf-mq3
key b; shot rbf-gs; end

# Each scheme three steps deep from a six-point loop. NR4 is selected at
# start; a moves on through D-D, UNR4, rbf4, rbf6. Reload first gives the
# points their parameters 0, 1, 2, ..., which the RBF stencils need.
presses=0
for scheme in nr4 dd unr4 rbf4 rbf6; do
    begin; clicks "${LOOP[@]}"
    for ((i = 0; i < presses; i++)); do key a; done
    key d; key s s s; shot "subdivision-$scheme"; end
    presses=$((presses + 1))
done

begin; clicks "${FIVE[@]}"; key 4; key e; shot degree-elevation; end
begin; clicks "${WAVE[@]}"; key 4; key l; shot degree-reduction-family; end

# A right drag of 10 pixels turns the view by one degree: 30 degrees one
# way, 20 the other.
begin; clicks "${ARC[@]}"; key 6; key w w
xdotool mousemove --window "$APP_WINDOW" 200 400 mousedown 3
xdotool mousemove --window "$APP_WINDOW" 500 400; sleep 0.2
xdotool mousemove --window "$APP_WINDOW" 500 200; sleep 0.2
xdotool mouseup 3; shot rotated-view; end

finish
