#!/usr/bin/env bash
# Runs every benchmark binary of the build and prints its figures.
set -euo pipefail
BUILD=${1:-build}
shopt -s nullglob
benches=("$BUILD"/bin/bench_*)
if [ ${#benches[@]} -eq 0 ]; then
  echo "run-benchmarks: no benchmarks in $BUILD/bin" >&2
  exit 1
fi
for bench in "${benches[@]}"; do
  echo "== $(basename "$bench")"
  "$bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
done
