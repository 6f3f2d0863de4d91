#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets (clang, with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for FUZZ_SECONDS (default 15)
# from the committed starting inputs in tests/fuzz/corpus. New inputs go to a
# temporary folder, never into the repository; a crash leaves its input in
# build/fuzz/findings and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-15}"
cmake --preset fuzz
cmake --build --preset fuzz

findings="$PWD/build/fuzz/findings"
mkdir -p "$findings"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for start in tests/fuzz/corpus/*/; do
  target="$(basename "$start")"
  mkdir -p "$work/$target"
  echo "== ${target}_fuzz for ${seconds} s"
  if ! build/fuzz/tests/fuzz/"${target}_fuzz" -max_total_time="$seconds" -max_len=65536 \
      -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$findings/${target}-" \
      "$work/$target" "$start" >"$work/$target.log" 2>&1; then
    tail -n 60 "$work/$target.log"
    echo "${target}_fuzz found a fault: its input is in $findings" >&2
    exit 1
  fi
  grep -E '^Done [0-9]+ runs' "$work/$target.log" || tail -n 1 "$work/$target.log"
done
echo "All fuzz targets ran ${seconds} s each without a finding."
