#!/usr/bin/env bash
# Runs every libFuzzer target of the fuzz build for the given number of
# seconds each. A crash, sanitizer report or round-trip mismatch fails.
set -euo pipefail
BUILD=${1:-build-fuzz}
SECONDS_EACH=${2:-60}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
targets=("$BUILD"/bin/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
  echo "run-fuzzers: no fuzz targets in $BUILD/bin" >&2
  exit 1
fi
for target in "${targets[@]}"; do
  name=$(basename "$target")
  corpus_seed="$ROOT/fuzz/corpus/${name#fuzz_}"
  work=$(mktemp -d)
  [ -d "$corpus_seed" ] && cp -r "$corpus_seed"/. "$work"/
  echo "== $name for ${SECONDS_EACH}s"
  "$target" -max_total_time="$SECONDS_EACH" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$BUILD/$name-" "$work" 2>"$BUILD/$name.log" || {
      tail -n 60 "$BUILD/$name.log" >&2
      echo "run-fuzzers: $name FAILED (log: $BUILD/$name.log)" >&2
      exit 1
    }
  grep -E "stat::number_of_executed_units|Done" "$BUILD/$name.log" | tail -n 2 || true
  rm -rf "$work"
done
echo "run-fuzzers: ${#targets[@]} targets clean"
