#!/usr/bin/env bash
# Installs the system packages that building, running and testing need.
# Idempotent: on Debian and Ubuntu it asks apt-get only for what is missing;
# elsewhere it names the packages to install by hand.
set -euo pipefail

packages=(
    build-essential cmake
    freeglut3-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
    libgtest-dev libbenchmark-dev
    libfreetype-dev fonts-ebgaramond
    xvfb xauth xdotool x11-apps x11-utils imagemagick gdb
)
if [ "${1:-}" = "--fuzz" ]; then
    packages+=(clang libclang-rt-14-dev)
fi
# The peer benchmark times the same curves through Debian's SciPy and NumPy.
if [ "${1:-}" = "--peers" ]; then
    packages+=(python3 python3-scipy python3-numpy)
fi

# The web page: Debian's emscripten builds it; Chromium and Node.js test it.
if [ "${1:-}" = "--web" ] || [ "${1:-}" = "--web-test" ]; then
    packages=(cmake emscripten)
    command -v node >/dev/null 2>&1 || packages+=(nodejs)
fi
if [ "${1:-}" = "--web-test" ]; then
    packages+=(chromium xvfb xauth xdotool x11-apps imagemagick)
    command -v npm >/dev/null 2>&1 || packages+=(npm)
fi

if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
    echo "This is not a Debian-like system. Please install the equivalents of:" >&2
    echo "  ${packages[*]}" >&2
    exit 0
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
web_modules() {
    # puppeteer-core and axe-core at the versions the lockfile pins; the first drives Debian's
    # chromium and never downloads a browser of its own.
    if [ "${1:-}" = "--web-test" ] && { [ ! -d "$(dirname "$0")/../tests/web/node_modules/puppeteer-core" ] || [ ! -d "$(dirname "$0")/../tests/web/node_modules/axe-core" ]; }; then
        (cd "$(dirname "$0")/../tests/web" && npm ci --no-audit --no-fund)
    fi
}
if [ ${#missing[@]} -eq 0 ]; then
    web_modules "${1:-}"
    exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
else
    echo "Need root or sudo to install: ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
web_modules "${1:-}"
