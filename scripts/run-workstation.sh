#!/usr/bin/env bash
# Starts the workstation against the virtual cameras of the built-in scene.
# Without a display it says so and runs the headless stream instead.
set -euo pipefail
BUILD=${1:-build}
BIN="$BUILD/bin"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "make run: no display (DISPLAY and WAYLAND_DISPLAY are unset);"
  echo "          streaming the virtual K7 headless instead: hazard-desk-cli stream --ip 127.0.10.1 --seconds 10"
  exec "$BIN/hazard-desk-cli" stream --ip 127.0.10.1 --seconds 10
fi
exec "$BIN/hazard-desk" "$@"
