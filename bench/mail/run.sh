#!/usr/bin/env bash
# Runs the mail benchmark from a build folder (default: build) and prints its figures.
# Extra arguments go to Google Benchmark, e.g. --benchmark_min_time=2
set -euo pipefail
build="${1:-build}"
shift || true
exec "$build/bench/mail/bench_mail" "$@"
