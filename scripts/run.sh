#!/usr/bin/env bash
# Starts the program from a build folder: the window where there is a display, otherwise
# a demonstration of the command-line converter.
set -euo pipefail
build=${1:-build}
if [ -x "$build/src/app/quelmar" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec "$build/src/app/quelmar"
fi
echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): the window cannot open here."
echo "Start it on a desktop with: $build/src/app/quelmar"
exec "$build/src/cli/quelmar-cli" "$@"
