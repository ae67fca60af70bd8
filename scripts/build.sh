#!/usr/bin/env bash
# Configures and builds Korvane into a build folder (installing the Debian packages first).
#   bash scripts/build.sh [--sanitize]
# The plain build goes to build/, the AddressSanitizer + UndefinedBehaviorSanitizer build to
# build-sanitize/. With CI set, warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

werror=OFF
[ -n "${CI:-}" ] && werror=ON
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-sanitize
  options=(-DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON -DKORVANE_BENCH=OFF)
else
  dir=build
  options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi
[ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja "${options[@]}" -DKORVANE_WERROR="$werror"
cmake --build "$dir"
