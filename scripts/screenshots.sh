#!/usr/bin/env bash
# Takes the README's pictures of Korvane's windows under a virtual X server (Xvfb):
#   bash scripts/screenshots.sh                 builds, then writes docs/screenshots/*.png
#   bash scripts/screenshots.sh --check BUILD   takes them with BUILD's helper into a temporary
#                                               folder and checks that all four were taken
# The pictures come from a program folder the helper builds (tests/screenshots); nothing leaves
# the machine while they are taken.
set -euo pipefail
cd "$(dirname "$0")/.."
runtime=$(mktemp -d)
chmod 700 "$runtime"
if [ "${1:-}" = "--check" ]; then
  build=$2
  out=$(mktemp -d)
  work=$out/work # a folder of its own, so that runs side by side do not meet
  trap 'rm -rf "$out" "$runtime"' EXIT
else
  trap 'rm -rf "$runtime"' EXIT
  bash scripts/build.sh >/dev/null
  build=build
  out=docs/screenshots
  mkdir -p "$out"
fi
XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb timeout 120 \
  xvfb-run -a -s "-screen 0 1280x800x24" "$build/tests/screenshots/korvane_screenshots" "$out" \
  ${work:+"$work"}
for name in main-window job-monitor device-editor job-editor; do
  if [ ! -s "$out/$name.png" ]; then
    echo "screenshots: $name.png was not taken" >&2
    exit 1
  fi
done
echo "screenshots: 4 taken in $out"
