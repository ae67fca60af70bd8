#!/usr/bin/env bash
# Runs the mail benchmarks from a build folder (default: build) and prints their figures.
# Extra arguments go to Google Benchmark, e.g. --benchmark_min_time=2
set -euo pipefail
build="${1:-build}"
shift || true
"$build/bench/mail/bench_mail" "$@"
exec "$build/bench/mail/bench_alertmail" "$@"
