#!/usr/bin/env bash
# The embedded translation table (resources/i18n/embedded.json) and the
# Chinese texts of the sources. Builds the table tool when needed, then:
#   scripts/i18n-table.sh missing > todo.json   texts without an entry, as a skeleton
#   (fill in "en-US", "ja-JP" and "vi-VN" in todo.json; keep %1, %2 … as they are)
#   scripts/i18n-table.sh merge todo.json       adds them to the table, sorted
#   scripts/i18n-table.sh check                 every remaining problem (exit 1 if any)
#   scripts/i18n-table.sh unused                entries no source uses
#   scripts/i18n-table.sh format                rewrites the table in its one form
# BUILD=<folder> picks the build folder (default: build).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-build}
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  echo "i18n-table: no build in $BUILD; run 'make build' first or set BUILD" >&2
  exit 2
fi
cmake --build "$BUILD" --target hd-i18n-table >/dev/null
exec "$BUILD/bin/hd-i18n-table" --root "$ROOT" "$@"
