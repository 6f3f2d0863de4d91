#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the format, builds with warnings as errors and runs every test;
# the window tests run offscreen. Ends with CTest's summary line; fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

# The format and the licence lines are checked first: a change that breaks
# them fails fast.
scripts/spdx.sh --check
find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0 |
  xargs -0 clang-format --dry-run --Werror

cmake --preset ci
cmake --build --preset ci
QT_QPA_PLATFORM=offscreen ctest --preset ci
