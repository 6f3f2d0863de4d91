#!/usr/bin/env bash
# Puts the licence's SPDX line at the top of every source, build and script
# file git tracks that lacks it (after a #! line); --check only lists them.
set -euo pipefail
cd "$(dirname "$0")/.."

line='SPDX-License-Identifier: GPL-3.0-or-later'
missing=0
while IFS= read -r -d '' file; do
  grep -q "$line" "$file" && continue
  case "$file" in
    *.cpp | *.h) prefix='// ' ;;
    *) prefix='# ' ;;
  esac
  missing=1
  if [ "${1:-}" = --check ]; then echo "$file"; continue; fi
  if head -n 1 "$file" | grep -q '^#!'; then
    sed -i "1a ${prefix}${line}" "$file"
  else
    sed -i "1i ${prefix}${line}" "$file"
  fi
done < <(
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z -- '*.cpp' '*.h' '*CMakeLists.txt' '*.cmake' 'scripts/*.sh' '.ci/run' \
      ':!tests/data/**' ':!tests/fuzz/corpus/**'
  else  # a tree without git's files: the same files, found by name
    find . \( -path ./build -o -path ./tests/data -o -path ./tests/fuzz/corpus \) -prune -o \
      -type f \( -name '*.cpp' -o -name '*.h' -o -name CMakeLists.txt -o -name '*.cmake' \
      -o -path './scripts/*.sh' -o -path ./.ci/run \) -print0
  fi
)
if [ "${1:-}" = --check ] && [ "$missing" = 1 ]; then exit 1; fi
exit 0
