#!/usr/bin/env bash
# Checks that the layers depend on each other in one direction only:
#  - numeric/, curves/ and subdivision/ are pure mathematics: no GL or GLUT
#    header and nothing from app/ or render/;
#  - the files of font/, and those of render/, include each other without a
#    circle;
#  - only web/ knows the browser build: no emscripten header and no
#    __EMSCRIPTEN__ test in any source outside it, tests and benchmarks
#    included (the two builds differ behind app/platform.hpp).
# Usage: scripts/check-layers.sh [root]   (default: the repository root)
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
status=0

for dir in numeric curves subdivision; do
    [ -d "$dir" ] || continue
    while IFS= read -r hit; do
        echo "impure include: $hit"
        status=1
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](GL/|app/|render/)' \
        "$dir"/*.hpp "$dir"/*.cpp 2>/dev/null || true)
done

# Every file's includes of other files of its folder as "from to" pairs, the
# header and the source of one topic counting as one node. tsort names the
# files on a circle and fails. font/ and render/ are layered within.
for dir in font render; do
    [ -d "$dir" ] || continue
    pairs=$(for f in "$dir"/*.hpp "$dir"/*.cpp; do
        [ -e "$f" ] || continue
        from=$(basename "${f%.*}")
        echo "$from $from"
        sed -nE "s|^[[:space:]]*#[[:space:]]*include[[:space:]]*\"$dir/([^\".]+)\\.[a-z]+\".*|\\1|p" "$f" |
            while IFS= read -r to; do
                [ "$to" = "$from" ] || echo "$from $to"
            done
    done)
    if ! loops=$(echo "$pairs" | tsort 2>&1 >/dev/null); then
        echo "$dir/ includes itself in a circle:"
        echo "$loops" | grep -v 'input contains a loop' | sed 's/^tsort: /  /'
        status=1
    fi
done

# Only web/ knows the browser build: every C and C++ source and header
# elsewhere in the tree (build folders and installed modules aside).
while IFS= read -r hit; do
    echo "browser build outside web/: $hit"
    status=1
done < <(find . \( -path ./web -o -path './build*' -o -name node_modules -o -name '.*' ! -name . \) \
             -prune -o -type f \( -name '*.cpp' -o -name '*.hpp' -o -name '*.h' -o -name '*.c' \) \
             -print0 |
         xargs -0 -r grep -nHE '__EMSCRIPTEN__|[<"]emscripten(/|\.h)' || true)

if [ "$status" -eq 0 ]; then
    echo "layers: one way"
fi
exit "$status"
