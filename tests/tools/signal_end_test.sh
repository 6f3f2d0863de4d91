#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A signal ends every stage of a large program's load within a second: the
# window (reading, the view's lines, the toolpath, the estimate, drawing) and
# feedrite-tape, which leaves no scratchpad behind. Two signals in a row are
# still recorded as a signal, not as a crash. FEEDRITE_TIME_SCALE stretches
# the bound for slower builds (the sanitizers').
# Usage: signal_end_test.sh FEEDRITE FEEDRITE_CONFIG FEEDRITE_TAPE
set -uo pipefail

feedrite=$1 config=$2 tape=$3
scale=${FEEDRITE_TIME_SCALE:-1}
bound_ms=$((1000 * scale))
dir=$(mktemp -d /tmp/feedrite-signal.XXXXXX)
trap 'rm -rf "$dir"' EXIT
export XDG_STATE_HOME=$dir/state QT_QPA_PLATFORM=offscreen

# About 60 MB of short cutting moves, as a 3D surfacing program is.
awk 'BEGIN { srand(7); print "%"; print "G21 G90 G17"; print "T1 M06"; print "S900 M03"
  for (i = 0; i < 1800000; i++)
    printf "G01 X%.3f Y%.3f Z%.3f F600\n", rand() * 100, rand() * 100, -rand() * 5
  print "M30"; print "%" }' >"$dir/big.nc"
"$config" --program-dir "$dir" --preset fanuc --port LPT1 --quick >/dev/null 2>&1 || exit 1

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
now_ms() { date +%s%3N; }
scratchpad_left() { find "$dir" -maxdepth 1 -name 'scratchpad data 5b*' ! -name '*.lock' | grep -q .; }

# Starts the program, signals it after `at` seconds (twice when asked), and
# checks how soon it ended.
end_by_signal() {
  local what=$1 at=$2 signal=$3 twice=$4
  shift 4
  "$@" >/dev/null 2>"$dir/err" &
  local pid=$!
  sleep "$at"
  local sent
  sent=$(now_ms)
  kill -"$signal" "$pid"
  if [ "$twice" = twice ]; then sleep 0.1; kill -"$signal" "$pid" 2>/dev/null; fi
  wait "$pid"
  status=$?
  local took=$(($(now_ms) - sent))
  [ $took -le $bound_ms ] || fail "$what, signalled after ${at} s: ended ${took} ms later"
  if scratchpad_left; then fail "$what, signalled after ${at} s: the scratchpad was left"; fi
}

for at in 0.3 1 2; do
  end_by_signal feedrite-tape $at INT once "$tape" --program-dir "$dir" "$dir/big.nc|(default)|1"
  [ $status -eq 130 ] || fail "feedrite-tape after ${at} s: status $status, not 130 (SIGINT)"
done
runs=0
for at in 0.5 1.5 3 5; do
  for twice in once twice; do
    end_by_signal "the window ($twice)" $at TERM $twice \
      "$feedrite" --simulate --program-dir "$dir" "$dir/big.nc|(default)|1"
    runs=$((runs + 1))
  done
done
history=$("$feedrite" --history 20)
[ "$(grep -c 'signal (SIGTERM)' <<<"$history")" -eq $runs ] ||
  fail "not every window run is recorded as ended by SIGTERM:"$'\n'"$history"

[ $failures -eq 0 ] && echo "every stage ended within ${bound_ms} ms"
[ $failures -eq 0 ]
