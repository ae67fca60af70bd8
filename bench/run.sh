#!/usr/bin/env bash
# Runs every benchmark of a build and prints the figures. Nothing here passes or fails.
set -uo pipefail
build=${1:-build}
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"

echo "== Start to window shown (ms since process creation; first run creates the database)"
folder=$(mktemp -d)
for i in 1 2 3 4 5 6; do "$build/bench/app/bench_startup" "$folder"; done | paste -sd' '
rm -rf "$folder"

echo "== Device list and database"
"$build/bench/app/bench_app"

for script in bench/*/run.sh; do
  [ -f "$script" ] || continue
  echo "== $(dirname "$script")"
  bash "$script" "$build"
done
