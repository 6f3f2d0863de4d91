#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Reporting against a real mosquitto broker on a loopback port, with TLS
# (certificates made here) and a password file: feedrite-config sets it up
# and checks the login; feedrite-tape's retained values are read back with
# mosquitto_sub; the broker is killed mid-run and started again (the values
# are current again, the tape is the same byte for byte as without
# reporting); a run killed outright leaves the last will: unavailable.
# Skipped (77) only where mosquitto is not installed.
# Usage: mqtt_broker_test.sh FEEDRITE_CONFIG FEEDRITE_TAPE
set -uo pipefail

config=$1 tape=$2
PATH=$PATH:/usr/sbin
for tool in mosquitto mosquitto_sub mosquitto_passwd openssl; do
  command -v $tool >/dev/null || {
    echo "SKIP: $tool is not installed (scripts/setup-debian.sh installs it)"
    exit 77
  }
done
dir=$(mktemp -d /tmp/feedrite-mqtt.XXXXXX)
broker=
cleanup() {
  [ -n "$broker" ] && kill "$broker" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Certificates for "localhost": a CA of our own and the broker's, signed by it.
ssl() { openssl "$@" >/dev/null 2>&1 || { echo "openssl $1 failed"; exit 1; }; }
ssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 \
  -subj /CN=feedrite-test-ca -keyout "$dir/ca.key" -out "$dir/ca.crt"
ssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj /CN=localhost \
  -keyout "$dir/server.key" -out "$dir/server.csr"
printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\n' >"$dir/san"
ssl x509 -req -in "$dir/server.csr" -CA "$dir/ca.crt" -CAkey "$dir/ca.key" -CAcreateserial \
  -days 1 -extfile "$dir/san" -out "$dir/server.crt"
mosquitto_passwd -b -c "$dir/passwd" shop secret 2>/dev/null
printf 'secret\n' >"$dir/password"
chmod 600 "$dir/password"
printf 'wrong\n' >"$dir/wrong"
chmod 600 "$dir/wrong"

port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=$((20000 + RANDOM % 30000))
while ! port_free $port; do port=$((port + 1)); done
cat >"$dir/mosquitto.conf" <<CONF
listener $port 127.0.0.1
cafile $dir/ca.crt
certfile $dir/server.crt
keyfile $dir/server.key
allow_anonymous false
password_file $dir/passwd
persistence false
user $(id -un)
log_dest file $dir/broker.log
CONF
start_broker() {
  mosquitto -c "$dir/mosquitto.conf" 2>/dev/null &
  broker=$!
  for _ in $(seq 50); do port_free $port || return 0; sleep 0.1; done
  echo "the broker did not start:"; cat "$dir/broker.log"; exit 1
}
stop_broker() { kill -9 "$broker"; wait "$broker" 2>/dev/null; broker=; }

# The retained values under shop/..., one "topic value" line each, sorted.
retained() {
  mosquitto_sub -h localhost -p $port --cafile "$dir/ca.crt" -u shop -P secret \
    -t 'shop/#' -v --retained-only -W "${1:-3}" 2>/dev/null | sort
}
value() { sed -n "s|^shop/mill-1/$1 ||p" <<<"$2"; }
# Waits until the retained `item` reads `want`.
wait_for() {
  local item=$1 want=$2 seen
  for _ in $(seq 40); do
    seen=$(retained 1)
    [ "$(value "$item" "$seen")" = "$want" ] && return 0
  done
  fail "$item never read $want; last:"$'\n'"$seen"
  return 1
}

"$config" --program-dir "$dir" --device mill-1 --preset fanuc --port LPT1 --quick >/dev/null 2>&1 ||
  { echo "the device could not be set up"; exit 1; }
# About 5,500 characters: some 18 s at the device's 300 per second when timed.
awk 'BEGIN { printf "%%\r\n"; for (i = 0; i < 200; i++) printf "N%d G01 X%.1f Y1 F600\r\n", i, i / 10
  printf "M30\r\n%%\r\n" }' >"$dir/part.nc"
run_tape() { "$tape" --program-dir "$dir" --text "$@" "$dir/part.nc|mill-1|1"; }
# In the background: the tool itself is the job, so a signal reaches it.
run_tape_behind() { "$tape" --program-dir "$dir" --text "$@" "$dir/part.nc|mill-1|1" & }
run_tape >"$dir/alone" 2>/dev/null

# Setting up: a password file others may read is refused, the login checked.
chmod 644 "$dir/password"
setup=(--program-dir "$dir" --device mill-1 --mqtt "localhost:$port" --mqtt-ca "$dir/ca.crt"
  --mqtt-user shop --mqtt-prefix shop)
"$config" "${setup[@]}" --mqtt-password-file "$dir/password" >/dev/null 2>"$dir/err" &&
  fail "a password file others may read was taken"
grep -q "chmod 600" "$dir/err" || fail "the refusal does not say the fix: $(cat "$dir/err")"
chmod 600 "$dir/password"
"$config" "${setup[@]}" --mqtt-password-file "$dir/wrong" >/dev/null 2>&1 || fail "setup refused"
"$config" --program-dir "$dir" --device mill-1 --check-mqtt >"$dir/out" 2>&1 &&
  fail "--check-mqtt passed with no broker: $(cat "$dir/out")"
start_broker
"$config" --program-dir "$dir" --device mill-1 --check-mqtt >"$dir/out" 2>&1 &&
  fail "--check-mqtt passed a wrong password: $(cat "$dir/out")"
grep -q "refused the login" "$dir/out" || fail "wrong password: $(cat "$dir/out")"
"$config" "${setup[@]}" --mqtt-password-file "$dir/password" --check-mqtt >"$dir/out" 2>&1 ||
  fail "--check-mqtt: $(cat "$dir/out")"
grep -q "accepted the login as shop" "$dir/out" || fail "check: $(cat "$dir/out")"

# A run at the machine's pace reports; the broker dies mid-run and comes back empty.
run_tape_behind --timed >"$dir/reported" 2>"$dir/tape_err"
tape_pid=$!
wait_for execution '"ACTIVE"'
now=$(retained)
[ "$(value avail "$now")" = '"AVAILABLE"' ] || fail "avail: $now"
[ "$(value program "$now")" = '"part.nc"' ] || fail "program: $now"
[ "$(value program_sha256 "$now")" = "\"$(sha256sum <"$dir/part.nc" | cut -d' ' -f1)\"" ] ||
  fail "program_sha256: $now"
[ "$(value device "$now")" = '"mill-1"' ] || fail "device: $now"
[ "$(value port "$now")" = '{"level":"NORMAL","text":""}' ] || fail "port: $now"
grep -Eq '^shop/mill-1/line [0-9]+$' <<<"$now" || fail "line: $now"
[ "$(grep -c . <<<"$now")" -eq 14 ] || fail "not every item is retained: $now"
stop_broker
sleep 1
start_broker
wait_for execution '"ACTIVE"'
[ "$(grep -c . <<<"$(retained)")" -eq 14 ] || fail "not every item again after the restart"
wait "$tape_pid" || fail "the reporting run failed: $(cat "$dir/tape_err")"
cmp -s "$dir/alone" "$dir/reported" || fail "the tape differs with reporting and a broker restart"
after=$(retained)
[ "$(value part_count "$after")" = 1 ] || fail "part_count after the cycle: $after"
[ "$(value avail "$after")" = '"UNAVAILABLE"' ] && [ "$(value execution "$after")" = '"STOPPED"' ] ||
  fail "avail and execution after the run: $after"

# A run that dies leaves the last will.
run_tape_behind --cycles 100000 >/dev/null 2>&1
tape_pid=$!
wait_for avail '"AVAILABLE"'
{ kill -9 $tape_pid && wait $tape_pid; } 2>/dev/null
wait_for avail '"UNAVAILABLE"'

[ $failures -eq 0 ] && echo "the broker got every value, again after its restart, and the last will"
[ $failures -eq 0 ]
