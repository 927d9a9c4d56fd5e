#!/usr/bin/env bash
# Runs every benchmark program of a build folder (bench/lossless.sh runs bench_lossless).
set -euo pipefail
build=${1:-build}
for bench in "$build"/bench/bench_*; do
  [ -x "$bench" ] || continue
  # It runs on a folder of real photographs that bench/lossless.sh fetches and makes.
  [ "$(basename "$bench")" = bench_lossless ] && continue
  echo "== $(basename "$bench")"
  "$bench" --benchmark_min_time=0.2
done
