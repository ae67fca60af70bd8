#!/usr/bin/env bash
# Builds Korvane and runs every test.
#   bash scripts/test.sh              the plain build (build/)
#   bash scripts/test.sh --sanitize   the same suite built with AddressSanitizer and
#                                     UndefinedBehaviorSanitizer (build-sanitize/)
# Tests that need root (network namespaces) or a peer that cannot start report themselves as
# skipped, with the reason in the output. The sanitizer run leaves out the tests labelled
# "long" (the crash and soak runs of the program).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh "$@"
if [ "${1:-}" = "--sanitize" ]; then
  cd build-sanitize
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export LSAN_OPTIONS="suppressions=$PWD/../tests/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  selection=(-LE long)
else
  cd build
  selection=()
fi
ctest --output-on-failure "${selection[@]}"
