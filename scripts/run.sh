#!/usr/bin/env bash
# Starts the program from a build folder: the window where there is a display, otherwise a
# demonstration of the command-line converter on a generated sample tree.
set -euo pipefail
build=${1:-build}
if [ -x "$build/src/app/quelmar" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec "$build/src/app/quelmar"
fi
echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset), so the window cannot open here."
echo "On a desktop, 'make run' starts it; or start it with: $build/src/app/quelmar"
echo "Meanwhile, the command-line converter stamps a generated sample tree:"
echo
sample="$build/sample"
bash "$(dirname "$0")/make-sample-tree.sh" --no-failures "$sample"
"$build/src/cli/quelmar-cli" --logo "$sample/logo.bmp" --source "$sample/photos" \
  --output "$sample/output" --exclude "raw, old" --position 5 --density 200
echo
echo "The stamped photographs are in $sample/output:"
find "$sample/output" -type f | sort
