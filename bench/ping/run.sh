#!/usr/bin/env bash
# Runs the ping monitor's benchmark from a build folder (default: build) and prints its figures.
# The memory figure comes from a process of its own, so nothing measured before it counts.
# Extra arguments go to Google Benchmark, e.g. --benchmark_min_time=2
set -euo pipefail
build="${1:-build}"
shift || true
export QT_QPA_PLATFORM=offscreen
"$build/bench/ping/bench_pingcycle" --benchmark_filter='BM_MemoryWithDevices' "$@"
"$build/bench/ping/bench_pingcycle" --benchmark_filter='BM_(Stall|CycleFigures|ReadAt|OutcomeWrite|ReadDevice)' "$@"
