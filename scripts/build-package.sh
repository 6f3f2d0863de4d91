#!/usr/bin/env bash
# Builds the Debian package from the release build and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset package >/dev/null
rm -f build/package/feedrite_*.deb  # so that the one printed is this build's
cmake --build --preset package
ls "$PWD"/build/package/feedrite_*.deb
