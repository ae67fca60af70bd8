#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# into build-fuzz/ and runs each over a copy of its corpus.
#   bash scripts/fuzz.sh [EXECUTIONS]     default 1000000 executions per target
# An input that breaks a target is kept in build-fuzz/findings/; once the fault is mended,
# add it to fuzz/corpus/<target>/ so the plain test suite runs it from then on. The figures
# go to build-fuzz/fuzz-results.txt (one "target executions seconds" line each).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
runs=${1:-1000000}
dir=build-fuzz
[ -f "$dir/build.ninja" ] ||
  cmake -S . -B "$dir" -G Ninja -DKORVANE_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$dir"

mkdir -p "$dir/findings"
: >"$dir/fuzz-results.txt"
failed=0
for target in ping_output leading_number service_output net_reply wildcard mail_format; do
  work=$(mktemp -d)
  cp fuzz/corpus/"$target"/* "$work"/
  maxlen=512
  [ "$target" = mail_format ] && maxlen=256
  start=$(date +%s)
  log="$dir/fuzz-$target.log"
  if "$dir/fuzz/fuzz_$target" -runs="$runs" -max_len="$maxlen" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$dir/findings/$target-" "$work" >"$log" 2>&1; then
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$target ${executed:-0} $(($(date +%s) - start))" >>"$dir/fuzz-results.txt"
    echo "fuzz $target: ${executed:-0} executions, no finding"
  else
    failed=1
    echo "fuzz $target: FINDING (see $log and $dir/findings/)"
    grep -E 'broken promise|runtime error|ERROR:' "$log" | head -5
  fi
  rm -rf "$work"
done
exit "$failed"
