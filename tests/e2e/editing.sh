#!/usr/bin/env bash
# Editing as a user does it: clicks become points where they were clicked
# (the window's y counts down, the scene's up), a drag moves a point, the
# menu and the keys switch curves, and the pixels of every curve lie on the
# curve computed here, independently, from the clicked points.
source "$(dirname "$0")/lib/common.bash"

WIDTH_PX=800
HEIGHT_PX=600
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# Colours as the 8-bit window shows them (255 times the GL colour, give or
# take 2): the Lagrange, B-spline and RBF curves (0.3, 0, 0), the Bezier curve
# (0.5, 0.3, 0.1).
CURVE_DARK_RED="76 0 0"
CURVE_BROWN="127 76 25"

# Curve vertices in scene pixels (x right, y up), one "x y" per line, as the
# drawers sample them: 129 points over the parameter range (128 for the
# B-spline, whose strip stops 1/128 short of the end).
# shellcheck disable=SC2016
CURVE_AWK='
function phi(x) { return sqrt(x * x + 1) }             # mq1 with r = 1
function binom(a, b,    r, j) { r = 1; for (j = 1; j <= b; j++) r = r * (a - b + j) / j; return r }
# Cox-de Boor: half-open spans, zero-length spans drop their term, right-end rule.
function basis(i, k, u,    a, b) {
    if (i == n - 1 && u == t[n]) return 1
    if (k == 1) return (t[i] <= u && u < t[i + 1]) ? 1 : 0
    a = (t[i + k - 1] != t[i]) ? (u - t[i]) / (t[i + k - 1] - t[i]) : 0
    b = (t[i + k] != t[i + 1]) ? (t[i + k] - u) / (t[i + k] - t[i + 1]) : 0
    return basis(i, k - 1, u) * a + basis(i + 1, k - 1, u) * b
}
BEGIN {
    n = split(pts, c, " ") / 2
    for (i = 0; i < n; i++) { px[i] = c[2 * i + 1]; py[i] = c[2 * i + 2] }
    if (nodes != "") { split(nodes, c, " "); for (i = 0; i < n; i++) t[i] = c[i + 1] }
    else for (i = 0; i < n; i++) t[i] = i
    if (mode == "lagrange") {
        for (k = 0; k <= 128; k++) {
            u = t[0] + (t[n - 1] - t[0]) * k / 128; x = 0; y = 0
            for (i = 0; i < n; i++) {
                L = 1
                for (j = 0; j < n; j++) if (j != i) L *= (u - t[j]) / (t[i] - t[j])
                x += L * px[i]; y += L * py[i]
            }
            print x, y
        }
    } else if (mode == "bezier") {
        for (k = 0; k <= 128; k++) {
            s = k / 128; x = 0; y = 0
            for (i = 0; i < n; i++) {
                B = binom(n - 1, i) * s ^ i * (1 - s) ^ (n - 1 - i)
                x += B * px[i]; y += B * py[i]
            }
            print x, y
        }
    } else if (mode == "bspline") {
        # Clamped uniform knots: d + 1 zeros, 1 .. n - d - 1, d + 1 times n - d.
        for (i = 0; i <= n + degree; i++) t[i] = (i < degree) ? 0 : ((i > n) ? n - degree : i - degree)
        lo = t[degree]; hi = t[n]
        for (k = 0; k < 128; k++) {
            u = k / 128 * (hi - lo) + lo; x = 0; y = 0
            for (i = 0; i < n; i++) { b = basis(i, degree + 1, u); x += b * px[i]; y += b * py[i] }
            print x, y
        }
    } else if (mode == "rbf") {
        # Unknowns: polynomial c0 .. cd, then one weight per centre. The first
        # d + 1 rows are the moment conditions, the others the interpolation.
        q = degree + 1; N = q + n
        for (r = 1; r <= N; r++) for (j = 1; j <= N + 2; j++) A[r, j] = 0
        for (i = 0; i < n; i++) {
            for (a = 0; a < q; a++) { A[a + 1, q + 1 + i] = t[i] ^ a; A[q + 1 + i, a + 1] = t[i] ^ a }
            for (j = 0; j < n; j++) A[q + 1 + i, q + 1 + j] = phi(t[i] - t[j])
            A[q + 1 + i, N + 1] = px[i]; A[q + 1 + i, N + 2] = py[i]
        }
        for (col = 1; col <= N; col++) {          # Gaussian elimination, partial pivoting
            p = col
            for (r = col + 1; r <= N; r++) if ((A[r, col] ^ 2) > (A[p, col] ^ 2)) p = r
            for (j = 1; j <= N + 2; j++) { h = A[col, j]; A[col, j] = A[p, j]; A[p, j] = h }
            for (r = col + 1; r <= N; r++) {
                f = A[r, col] / A[col, col]
                for (j = col; j <= N + 2; j++) A[r, j] -= f * A[col, j]
            }
        }
        for (r = N; r >= 1; r--) for (e = 1; e <= 2; e++) {
            v = A[r, N + e]
            for (j = r + 1; j <= N; j++) v -= A[r, j] * X[j, e]
            X[r, e] = v / A[r, r]
        }
        for (k = 0; k <= 128; k++) {
            u = (t[n - 1] - t[0]) * k / 128; x = 0; y = 0
            for (a = 0; a < q; a++) { x += u ^ a * X[a + 1, 1]; y += u ^ a * X[a + 1, 2] }
            for (i = 0; i < n; i++) { f = phi(u - t[i]); x += f * X[q + 1 + i, 1]; y += f * X[q + 1 + i, 2] }
            print x, y
        }
    }
}'

# curve_vertices mode "x0 y0 x1 y1 ..." [nodes] [degree] > file
curve_vertices() {
    awk -v mode="$1" -v pts="$2" -v nodes="${3:-}" -v degree="${4:-1}" "$CURVE_AWK"
}

# Compares the curve-coloured pixels of a screenshot with the vertices of
# the expected line strip, which the program draws 3 pixels wide. Prints
# "pixels stray missing": how many pixels have the colour, how many of them
# lie more than 2.5 pixels from the strip, and how many vertices inside the
# window have no such pixel in their 3 x 3 neighbourhood. The parameter bar
# (which inherits the last colour of the previous frame) is left out.
compare_curve() {  # compare_curve vertices pixels "r g b"
    awk -v colour="$3" -v W="$WIDTH_PX" -v H="$HEIGHT_PX" '
    function near(a, b) { return a - b <= 2 && b - a <= 2 }
    BEGIN { split(colour, want, " "); nv = 0; nc = 0 }
    FNR == NR { vx[nv] = $1; vy[nv] = $2; nv++; next }
    {
        p = FNR - 1; col = p % W; row = int(p / W)
        if (row >= H - 40) next
        if (near($1, want[1]) && near($2, want[2]) && near($3, want[3])) {
            on[col "," row] = 1; cx[nc] = col + 0.5; cy[nc] = H - row - 0.5; nc++
        }
    }
    END {
        stray = 0
        for (q = 0; q < nc; q++) {
            best = 1e9
            for (s = 0; s + 1 < nv; s++) {
                dx = vx[s + 1] - vx[s]; dy = vy[s + 1] - vy[s]; len2 = dx * dx + dy * dy
                f = len2 > 0 ? ((cx[q] - vx[s]) * dx + (cy[q] - vy[s]) * dy) / len2 : 0
                if (f < 0) f = 0; if (f > 1) f = 1
                ex = vx[s] + f * dx - cx[q]; ey = vy[s] + f * dy - cy[q]
                d2 = ex * ex + ey * ey; if (d2 < best) best = d2
            }
            if (best > 2.5 * 2.5) stray++
        }
        missing = 0
        for (s = 0; s < nv; s++) {
            if (vx[s] < 3 || vx[s] > W - 3 || vy[s] < 45 || vy[s] > H - 3) continue
            col = int(vx[s]); row = H - 1 - int(vy[s]); found = 0
            for (a = -1; a <= 1; a++) for (b = -1; b <= 1; b++) if (((col + a) "," (row + b)) in on) found = 1
            if (!found) missing++
        }
        print nc + 0, stray, missing
    }' "$1" "$2"
}

# check_curve "what" mode "points" "rgb" [nodes] [degree]
check_curve() {
    local what=$1 mode=$2 points=$3 colour=$4 nodes=${5:-} degree=${6:-1}
    curve_vertices "$mode" "$points" "$nodes" "$degree" >"$WORK/vertices"
    window_pixels >"$WORK/pixels"
    local count stray missing
    read -r count stray missing < <(compare_curve "$WORK/vertices" "$WORK/pixels" "$colour")
    check "$what: $count pixels, $stray off the curve, $missing samples not drawn" \
        curve_drawn "$count" "$stray" "$missing"
}

curve_drawn() {  # curve_drawn count stray missing
    [ "$1" -ge 500 ] && [ "$2" -eq 0 ] && [ "$3" -eq 0 ]
}

# Number of marker-grey (0.5, 0.5, 0.5) pixels in the 9 x 9 square around each
# window position "x,y" (y from the top), one screenshot for all. A marker's
# solid cube fills most of that square; lines drawn over it leave the rest.
grey_counts() {
    window_pixels >"$WORK/pixels"
    awk -v spots="$*" -v W="$WIDTH_PX" '
    BEGIN { n = split(spots, s, " "); for (i = 1; i <= n; i++) { split(s[i], xy, ","); sx[i] = xy[1]; sy[i] = xy[2]; count[i] = 0 } }
    {
        p = NR - 1; col = p % W; row = int(p / W)
        if (!($1 >= 126 && $1 <= 129 && $2 == $1 && $3 == $1)) next
        for (i = 1; i <= n; i++)
            if (col - sx[i] <= 4 && sx[i] - col <= 4 && row - sy[i] <= 4 && sy[i] - row <= 4) count[i]++
    }
    END { for (i = 1; i <= n; i++) print count[i] }' "$WORK/pixels"
}

is_marker() { [ "$1" -ge 8 ]; }
no_marker() { [ "$1" -eq 0 ]; }

park_mouse() {  # away from every point, handle and curve: nothing highlighted
    xdotool mousemove --window "$APP_WINDOW" 780 20
    sleep 0.3
}

start_app
show_whole_window

# --- Clicks become points where they were clicked -------------------------
clicks=("150,400" "280,220" "400,300" "520,200" "650,380")
for c in "${clicks[@]}"; do
    click_at "${c%,*}" "${c#*,}" 1
done
park_mouse
# The same places mirrored top to bottom must stay empty.
mapfile -t grey < <(grey_counts "${clicks[@]}" 150,200 280,380 520,400)
for i in 0 1 2 3 4; do
    check "marker at the click ${clicks[$i]} (${grey[$i]} grey pixels)" is_marker "${grey[$i]}"
done
for i in 5 6 7; do
    check "no marker at the mirrored position (${grey[$i]} grey pixels)" no_marker "${grey[$i]}"
done

# --- A drag moves the third point ----------------------------------------
xdotool mousemove --window "$APP_WINDOW" 400 300 mousedown 1 \
    mousemove --window "$APP_WINDOW" 410 320 mousemove --window "$APP_WINDOW" 420 340 mouseup 1
sleep 0.3
park_mouse
mapfile -t grey < <(grey_counts 420,340 400,300)
check "dragged point is at its new place (${grey[0]} grey pixels)" is_marker "${grey[0]}"
check "and gone from its old place (${grey[1]} grey pixels)" no_marker "${grey[1]}"

# Scene coordinates of the polygon: y = 600 - window y.
polygon="150 200 280 380 420 260 520 400 650 220"

# --- The four curves -----------------------------------------------------
choose_menu_entry 700 450 5 # lagrange
park_mouse
check_curve "Lagrange curve" lagrange "$polygon" "$CURVE_DARK_RED"
# Five nodes 0 .. 4 put the handles at 25, 212.5, 400, 587.5, 775.
mapfile -t grey < <(grey_counts 212,575 588,575)
check "Lagrange mode shows the knot handles (${grey[*]} grey pixels)" is_marker "${grey[0]}"

choose_menu_entry 700 450 4 # bezier
park_mouse
check_curve "Bezier curve" bezier "$polygon" "$CURVE_BROWN"

choose_menu_entry 700 450 6 # B-spline
xdotool key w w             # degree 3
park_mouse
check_curve "cubic B-spline curve" bspline "$polygon" "$CURVE_DARK_RED" "" 3

xdotool key q q r # degree 1 again, then the RBF curve by its key
park_mouse
check_curve "RBF curve (mq1, r = 1, linear part)" rbf "$polygon" "$CURVE_DARK_RED" "" 1
mapfile -t grey < <(grey_counts 212,575)
check "RBF mode draws no handles (${grey[0]} grey pixels)" no_marker "${grey[0]}"

# --- A knot drag makes the Lagrange nodes follow the handles --------------
# The middle handle goes from 400 to 300, so the nodes become
# 1 - (775 - X) / 750 for X = 25, 212.5, 300, 587.5, 775.
choose_menu_entry 700 450 5
xdotool mousemove --window "$APP_WINDOW" 400 575 mousedown 1 \
    mousemove --window "$APP_WINDOW" 350 575 mousemove --window "$APP_WINDOW" 300 575 mouseup 1
sleep 0.3
park_mouse
check_curve "Lagrange curve over the dragged nodes" lagrange "$polygon" "$CURVE_DARK_RED" \
    "0 0.25 0.366666667 0.75 1"
mapfile -t grey < <(grey_counts 300,575 400,575)
check "the handle moved to x = 300 (${grey[*]} grey pixels)" is_marker "${grey[0]}"
check "and left x = 400" no_marker "${grey[1]}"

# --- Delete the point under the cursor, reload it, clear -------------------
choose_menu_entry 650 380 8 # delete point: the hovered last point
park_mouse
mapfile -t grey < <(grey_counts 650,380)
check "the deleted point is gone (${grey[0]} grey pixels)" no_marker "${grey[0]}"
xdotool key d
park_mouse
mapfile -t grey < <(grey_counts 650,380)
check "reload brings it back (${grey[0]} grey pixels)" is_marker "${grey[0]}"

# Deleting re-laid the four handles at 25, 275, 525, 775; clear keeps them.
xdotool key c d # clear, and a reload that has nothing to restore
park_mouse
mapfile -t grey < <(grey_counts 150,400 420,340 275,575)
check "clear removes the points (${grey[0]} grey pixels)" no_marker "${grey[0]}"
check "reload after clear restores nothing (${grey[1]} grey pixels)" no_marker "${grey[1]}"
check "stale handles stay on the bar (${grey[2]} grey pixels)" is_marker "${grey[2]}"

finish
