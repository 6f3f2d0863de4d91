#!/usr/bin/env bash
# Builds with warnings as errors and runs every test; the window tests run
# offscreen. Ends with CTest's summary line; fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset ci
cmake --build --preset ci
QT_QPA_PLATFORM=offscreen ctest --preset ci
