#!/usr/bin/env bash
# The layer check must pass on a tree that keeps its layers and fail on each
# way of breaking them; then it runs on the repository itself.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
check="$here/../../scripts/check-layers.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A small tree in layers: geometry <- curve, settings <- table <- drawing.
make_tree() {
    rm -rf "$tmp/tree"
    mkdir -p "$tmp/tree/curves" "$tmp/tree/numeric" "$tmp/tree/subdivision" "$tmp/tree/font"
    printf '#pragma once\n' >"$tmp/tree/curves/geometry.hpp"
    printf '#include "curves/geometry.hpp"\n#include <cmath>\n' >"$tmp/tree/curves/curve.cpp"
    printf '#pragma once\n' >"$tmp/tree/font/settings.hpp"
    printf '#include "font/settings.hpp"\n' >"$tmp/tree/font/table.hpp"
    printf '#include "font/table.hpp"\n' >"$tmp/tree/font/table.cpp"
    printf '#include "font/table.hpp"\n#include "font/settings.hpp"\n' >"$tmp/tree/font/draw.cpp"
}

expect() {
    local want=$1 what=$2
    if "$check" "$tmp/tree" >"$tmp/out" 2>&1; then got=pass; else got=fail; fi
    if [ "$got" != "$want" ]; then
        echo "FAIL: $what: expected $want, got $got"
        cat "$tmp/out"
        exit 1
    fi
}

make_tree
expect pass "layered tree"

make_tree
printf '#include <GL/gl.h>\n' >>"$tmp/tree/curves/curve.cpp"
expect fail "GL in curves/"

make_tree
printf '  #include "app/state.hpp"\n' >"$tmp/tree/subdivision/step.hpp"
expect fail "app/ in subdivision/"

make_tree
printf '#include "render/display.hpp"\n' >"$tmp/tree/numeric/matrix.cpp"
expect fail "render/ in numeric/"

make_tree
printf '#include "font/draw.hpp"\n' >>"$tmp/tree/font/settings.hpp"
printf '#pragma once\n' >"$tmp/tree/font/draw.hpp"
expect fail "font/ circle through three files"

make_tree
printf '#ifdef __EMSCRIPTEN__\n#endif\n' >>"$tmp/tree/curves/curve.cpp"
expect fail "a browser test outside web/"

make_tree
mkdir -p "$tmp/tree/render"
printf '#include <emscripten.h>\n' >"$tmp/tree/render/draw.cpp"
expect fail "the emscripten header in render/"

make_tree
mkdir -p "$tmp/tree/render"
printf '#pragma once\n' >"$tmp/tree/render/display.hpp"
printf '#pragma once\n' >"$tmp/tree/render/curves.hpp"
printf '#include "render/curves.hpp"\n' >"$tmp/tree/render/display.cpp"
printf '#include "render/display.hpp"\n' >"$tmp/tree/render/curves.cpp"
expect fail "render/ circle through a header and a source of each topic"

make_tree
mkdir -p "$tmp/tree/tests/render" "$tmp/tree/bench"
printf '#if defined(__EMSCRIPTEN__)\n#endif\n' >"$tmp/tree/tests/render/draw_test.cpp"
expect fail "a browser test in tests/"

make_tree
mkdir -p "$tmp/tree/bench"
printf '#include "emscripten/html5.h"\n' >"$tmp/tree/bench/bench_frame.cpp"
expect fail "an emscripten header in bench/"

make_tree
mkdir -p "$tmp/tree/web/native" "$tmp/tree/build-web/CMakeFiles"
printf '#include <emscripten.h>\n#ifdef __EMSCRIPTEN__\n#endif\n' >"$tmp/tree/web/native/bridge.cpp"
printf '#include <emscripten.h>\n' >"$tmp/tree/build-web/CMakeFiles/probe.c"
expect pass "the browser build inside web/ and in a build folder"

"$check"
