#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs clang-tidy (.clang-tidy) over the product's sources with the ci build's
# compile commands; fails on any finding. Needs the ci build configured.
set -euo pipefail
cd "$(dirname "$0")/.."

[ -f build/ci/compile_commands.json ] || cmake --preset ci >/dev/null
find base core text config btr sim edit motion resume report run tools gui -name '*.cpp' -print0 |
  xargs -0 -P "$(nproc)" -n 8 clang-tidy -p build/ci --quiet --warnings-as-errors='*' 2>/dev/null
