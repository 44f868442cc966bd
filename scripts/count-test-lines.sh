#!/usr/bin/env bash
# Prints the test share of the tree: non-blank, non-comment C++ lines in
# tests/ and fuzz/ against those of every other folder (bench/ left out),
# per folder and in total. The project aims at tests of 25-33 % of the code.
#
# A line counts when something other than white space and comments is left
# on it; "//" comments and "/* */" blocks are removed first. Only files git
# tracks are counted, so build folders never are.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  list_files() { git ls-files -- '*.cpp' '*.h' '*.hpp' '*.cc' '*.cxx'; }
else
  list_files() {
    find . \( -name 'build' -o -name 'build-*' -o -name '.git' \) -prune -o \
      -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.cc' -o -name '*.cxx' \) \
      -print | sed 's|^\./||'
  }
fi

# Every counted file is read once; lines are summed per folder, where the
# folder is the top-level one (tests/ and fuzz/ one level deeper).
files=()
while IFS= read -r file; do
  case "$file" in bench/*) continue ;; esac
  files+=("$file")
done < <(list_files | sort)

awk '
  FNR == 1 {
    inBlock = 0
    n = split(FILENAME, part, "/")
    folder = (n > 1) ? part[1] : "."
    kind = "code"
    if (folder == "tests" || folder == "fuzz") {
      kind = "test"
      if (n > 2) folder = folder "/" part[2]
    }
    kindOf[folder] = kind
  }
  {
    line = $0; out = ""
    while (length(line) > 0) {
      if (inBlock) {
        end = index(line, "*/")
        if (end == 0) break
        line = substr(line, end + 2); inBlock = 0
      } else {
        start = index(line, "/*"); slash = index(line, "//")
        if (slash > 0 && (start == 0 || slash < start)) { out = out substr(line, 1, slash - 1); break }
        if (start == 0) { out = out line; break }
        out = out substr(line, 1, start - 1); line = substr(line, start + 2); inBlock = 1
      }
    }
    if (out ~ /[^ \t\r]/) { lines[folder]++; total[kindOf[folder]]++ }
  }
  END {
    for (f in kindOf) printf "%s %s %d\n", kindOf[f], f, lines[f]
    printf "~total %d %d\n", total["code"], total["test"]
  }' "${files[@]}" | sort | awk '
  $1 == "~total" {
    printf "code lines %d, test lines %d (tests/ and fuzz/ against the rest; bench/ not counted)\n", $2, $3
    if ($2 > 0) printf "test share: tests are %.1f %% of the code (aim: 25-33 %%)\n", 100.0 * $3 / $2
    next
  }
  $1 != last { printf "%s lines per folder:\n", $1; last = $1 }
  { printf "  %-20s %7d\n", $2, $3 }'
