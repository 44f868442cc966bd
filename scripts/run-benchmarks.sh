#!/usr/bin/env bash
# Runs every benchmark binary of the build and prints its figures. The window
# benchmark needs a display: without one, a virtual X server is started.
set -euo pipefail
BUILD=${1:-build}
shopt -s nullglob
benches=("$BUILD"/bin/bench_*)
if [ ${#benches[@]} -eq 0 ]; then
  echo "run-benchmarks: no benchmarks in $BUILD/bin" >&2
  exit 1
fi
display=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  display=(xvfb-run -a -s "-screen 0 1920x1080x24 -noreset")
fi
for bench in "${benches[@]}"; do
  echo "== $(basename "$bench")"
  "${display[@]}" "$bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
done
