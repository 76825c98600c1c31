#!/usr/bin/env bash
# Runs a command with an X display: the current one, or a private Xvfb
# (Mesa's software renderer) when DISPLAY is unset.
set -euo pipefail
if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1024x768x24" "$@"
