#!/usr/bin/env bash
# The trace of an rbf4 step over four clicked points in debug.txt and on the
# console; p twice leaves an empty file. Runs in a scratch directory so that
# debug.txt never lands in the checkout.
source "$(dirname "$0")/lib/common.bash"

TESSAVELD=$(realpath "$TESSAVELD")
scratch=$(mktemp -d)
trap 'stop_app; rm -rf "$scratch"' EXIT
ln -s "$PWD/fonts" "$scratch/fonts"
cd "$scratch" || exit 1
APP_STDOUT="$scratch/console.txt"

start_app
for xy in "250 200" "550 200" "550 450" "250 450"; do
    click_at $xy 1
done
# RBF mode parameterises the points 0, 1, 2, 3; then NR4 -> D-D -> UNR4 -> rbf4.
xdotool key r a a a p s p
sleep 0.5
xdotool key Escape
wait_exit
check "Esc ends the program (status $EXIT_STATUS)" [ "$EXIT_STATUS" = "255" ]

check "debug.txt written" [ -f debug.txt ]
# Per inserted point: 6 + 6 matrix rows of six "%7.3f " entries, the point
# line, an empty line.
number3=' *-?[0-9]+\.[0-9]{3}'
number4=' *-?[0-9]+\.[0-9]{4}'
matrix_row="^(${number3} ){6}\$"
file_point="^ *[0-9]+ :(${number4} ){4}\(${number4},${number4}\) (${number4} ){3}\$"
console_point="^ *[0-9]+ :(${number4} ){4}${number4} ${number4} (${number4} ){3}\$"
layout=""
while IFS= read -r line; do
    if [[ $line =~ $matrix_row ]]; then layout+=m
    elif [[ $line =~ $file_point ]]; then layout+=p
    elif [ -z "$line" ]; then layout+=e
    else layout+="?"; fi
done <debug.txt
block=mmmmmmmmmmmmpe
check "4 x (6 + 6) matrix rows and 4 point lines (got $layout)" [ "$layout" = "$block$block$block$block" ]
check "points counted from 0" [ "$(grep -c '^  [0-3] :' debug.txt)" = "4" ]
# The mask form (X, Y) and the interpolant's point agree.
agree=$(awk -F'[(),]' '/\(/ { split($4, q, " ");
    if ((($2 - q[1]) ^ 2 + ($3 - q[2]) ^ 2) > 1e-4) bad++ } END { print bad + 0 }' debug.txt)
check "mask form matches the interpolant" [ "$agree" = "0" ]

# The console repeats the trace, the pair without parentheses and with a
# blank after it, as after every number.
console_points=$(grep -cE "$console_point" "$APP_STDOUT")
check "console point lines (got $console_points)" [ "$console_points" = "4" ]
check "console matrix rows" [ "$(grep -cE "$matrix_row" "$APP_STDOUT")" = "48" ]

# Switching tracing on and off again starts an empty file.
start_app
xdotool key p p
sleep 0.3
stop_app
empty_file() { [ -f "$1" ] && [ ! -s "$1" ]; }
check "p twice leaves an empty debug.txt" empty_file debug.txt

finish
