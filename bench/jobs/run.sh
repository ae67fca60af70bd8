#!/usr/bin/env bash
# Runs the job monitor's benchmark from a build folder (default: build) and prints its figures.
# Extra arguments go to Google Benchmark, e.g. --benchmark_min_time=2
set -euo pipefail
build="${1:-build}"
shift || true
export QT_QPA_PLATFORM=offscreen
"$build/bench/jobs/bench_jobcycle" "$@"
