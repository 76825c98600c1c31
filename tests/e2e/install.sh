#!/usr/bin/env bash
# An installed copy: `cmake --install` into a temporary prefix puts the
# program in bin/ and the font with its licence in share/tessaveld/fonts/,
# and the installed program, started from an empty directory under /tmp,
# draws its text. The text is the status line of the UNR4 subdivision step,
# which stays on screen only until the next frame, so the program runs under
# gdb and the window is photographed while it stands between the two frames.
source "$(dirname "$0")/lib/common.bash"
source "$(dirname "$0")/lib/start.bash"

BUILD_DIR=$(cd "$(dirname "$TESSAVELD")" && pwd)
PREFIX=$(mktemp -d /tmp/tessaveld-prefix-XXXXXX)
RUN_DIR=$(mktemp -d /tmp/tessaveld-run-XXXXXX)
trap 'rm -rf "$PREFIX" "$RUN_DIR"' EXIT

if ! command -v gdb >/dev/null 2>&1; then
    echo "gdb is missing (scripts/install-deps.sh installs it)" >&2
    exit 1
fi

cmake --install "$BUILD_DIR" --prefix "$PREFIX" >/dev/null
FONT_DIR=$PREFIX/share/tessaveld/fonts
check "program installed in bin/" [ -x "$PREFIX/bin/tessaveld" ]
check "font installed in share/tessaveld/fonts/" [ -s "$FONT_DIR/garamond1.glf" ]
check "font licence installed beside it" [ -s "$FONT_DIR/OFL.txt" ]
check "installed font is the repository's" cmp -s "$FONT_DIR/garamond1.glf" fonts/garamond1.glf

# Status line colour (0.3, 0.5, 0.1) as the 8-bit window shows it, give or
# take 2.
STATUS_GREEN="76 128 26"
# Its baseline is 30 pixels below the top edge and the glyphs are 14 high:
# rows 0 to 49 from the top hold it with room to spare.
STATUS_ROWS=50

cat >"$RUN_DIR/stop-after-status.gdb" <<GDB
set pagination off
set confirm off
break drawStatusLine
commands
  silent
  tbreak solveRbfSystem
  continue
end
run
shell xwd -silent -name "$TITLE" >"$RUN_DIR/frame.xwd"
kill
quit
GDB
printf '#!/bin/sh\nexec gdb -q -batch -x stop-after-status.gdb "%s"\n' "$PREFIX/bin/tessaveld" \
    >"$RUN_DIR/under-gdb.sh"
chmod +x "$RUN_DIR/under-gdb.sh"

# Counts the status-line pixels of the installed program's UNR4 frame,
# started from RUN_DIR; call it in $(...), it changes directory.
status_pixels() {
    rm -f "$RUN_DIR/frame.xwd"
    cd "$RUN_DIR" || return
    TESSAVELD=$RUN_DIR/under-gdb.sh APP_STDOUT=$RUN_DIR/gdb.log start_app_retrying
    xdotool windowmove --sync "$APP_WINDOW" 0 0
    sleep 0.3
    click_at 200 300 1
    click_at 400 150 1
    click_at 600 300 1
    click_at 400 450 1
    # NR4 is selected at start; two presses of a reach UNR4.
    xdotool key a key a key s
    wait_exit >/dev/null
    if [ ! -s "$RUN_DIR/frame.xwd" ]; then
        fail "no picture of the UNR4 frame (see $RUN_DIR/gdb.log)"
        cat "$RUN_DIR/gdb.log" >&2
        echo -1
        return
    fi
    convert xwd:"$RUN_DIR/frame.xwd" -crop "800x${STATUS_ROWS}+0+0" -depth 8 rgb:- |
        od -An -v -tu1 -w3 | awk -v c="$STATUS_GREEN" '
            BEGIN { split(c, g, " ") }
            function near(a, b) { return a - b <= 2 && b - a <= 2 }
            near($1, g[1]) && near($2, g[2]) && near($3, g[3]) { n++ }
            END { print n + 0 }'
}

with_font=$(status_pixels)
with_font=${with_font:--1}  # empty when the program never showed a window
check "installed copy started in $RUN_DIR draws its status line ($with_font pixels)" \
    [ "$with_font" -gt 100 ]

# The same copy without its font draws no text; unless a copy installed in
# the configured prefix would supply the font anyway.
configured=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$BUILD_DIR/CMakeCache.txt")
if [ -e "$configured/share/tessaveld/fonts/garamond1.glf" ]; then
    echo "skip: a font is installed in $configured, the run without font would find it"
else
    mv "$FONT_DIR/garamond1.glf" "$FONT_DIR/moved.glf"
    without_font=$(status_pixels)
    without_font=${without_font:--1}
    check "without the installed font no text is drawn ($without_font pixels)" \
        [ "$without_font" -eq 0 ]
fi

finish
