#!/usr/bin/env bash
# Runs the record editor benchmarks from a build folder (default: build) and prints their
# figures. Extra arguments go to Google Benchmark.
set -euo pipefail
build="${1:-build}"
shift || true
exec "$build/bench/editors/bench_editors" "$@"
