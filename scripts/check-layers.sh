#!/usr/bin/env bash
# Checks that the layers depend on each other in one direction only:
#  - numeric/, curves/ and subdivision/ are pure mathematics: no GL or GLUT
#    header and nothing from app/ or render/;
#  - the files of font/ include each other without a circle;
#  - only web/ knows the browser build: no emscripten header and no
#    __EMSCRIPTEN__ test anywhere else (the two builds differ behind
#    app/platform.hpp).
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

# Every font file's includes of other font files as "from to" pairs, the
# header and the source of one topic counting as one node. tsort names the
# files on a circle and fails.
if [ -d font ]; then
    pairs=$(for f in font/*.hpp font/*.cpp; do
        [ -e "$f" ] || continue
        from=$(basename "${f%.*}")
        echo "$from $from"
        sed -nE 's|^[[:space:]]*#[[:space:]]*include[[:space:]]*"font/([^".]+)\.[a-z]+".*|\1|p' "$f" |
            while IFS= read -r to; do
                [ "$to" = "$from" ] || echo "$from $to"
            done
    done)
    if ! loops=$(echo "$pairs" | tsort 2>&1 >/dev/null); then
        echo "font/ includes itself in a circle:"
        echo "$loops" | grep -v 'input contains a loop' | sed 's/^tsort: /  /'
        status=1
    fi
fi

for dir in app render curves subdivision numeric font; do
    [ -d "$dir" ] || continue
    while IFS= read -r hit; do
        echo "browser build outside web/: $hit"
        status=1
    done < <(grep -nE '__EMSCRIPTEN__|[<"]emscripten(/|\.h)' "$dir"/*.hpp "$dir"/*.cpp 2>/dev/null || true)
done

if [ "$status" -eq 0 ]; then
    echo "layers: one way"
fi
exit "$status"
