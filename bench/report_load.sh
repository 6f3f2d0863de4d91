#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Does reporting lengthen a pulse? Runs the timing bench's quick condition
# twice: without reporting, then reporting to a mosquitto broker on loopback
# that is killed two seconds into the run (the sink then tries again and
# again) and started again later, with an MTConnect agent that never reads
# connected to the SHDR adapter. Compare the two runs' ratio lines.
# Usage: bench/report_load.sh TIMING_BENCH   (QT_QPA_PLATFORM=offscreen is set)
set -euo pipefail
timing=$1
export QT_QPA_PLATFORM=offscreen
PATH=$PATH:/usr/sbin
dir=$(mktemp -d /tmp/feedrite-report-load.XXXXXX)
broker=
cleanup() {
  [ -n "$broker" ] && kill -9 "$broker" 2>/dev/null
  [ -f "$dir/again" ] && kill "$(cat "$dir/again")" 2>/dev/null
  rm -rf "$dir"
  return 0
}
trap cleanup EXIT

port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
free_port() {
  local port=$((20000 + RANDOM % 30000))
  while ! port_free $port; do port=$((port + 1)); done
  echo $port
}
mqtt=$(free_port)
shdr=$(free_port)
printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\nuser %s\n' \
  "$mqtt" "$(id -un)" >"$dir/mosquitto.conf"
printf 'mqtt_host 127.0.0.1\nmqtt_port %s\nshdr_port %s\n' "$mqtt" "$shdr" >"$dir/Feedrite reporting"

echo "=== without reporting"
"$timing" --quick
echo
echo "=== reporting: broker killed 2 s into the run, back 6 s later; an agent that never reads"
mosquitto -c "$dir/mosquitto.conf" 2>/dev/null &
broker=$!
(
  sleep 2
  kill -9 $broker
  echo "  (broker killed)"
  sleep 6
  mosquitto -c "$dir/mosquitto.conf" 2>/dev/null &
  echo $! >"$dir/again"
  echo "  (broker started again)"
) &
REPORT_DIR=$dir "$timing" --quick
broker=
