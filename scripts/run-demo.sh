#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets everything up on a fresh Debian machine and starts Feedrite on a sample
# program. Without a display it runs under Xvfb and writes a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh
cmake --preset release
cmake --build --preset release --target feedrite feedrite-tape feedrite-config

demo="$PWD/build/demo"
mkdir -p "$demo"
cp tests/data/bracket.nc "$demo/bracket.nc"
# A demo device for a Fanuc control on LPT1, unless one was set up already:
# feedrite-config runs the same 10-second speed test as the window's Apply.
if [ ! -e "$demo/Editor BTR port settings" ]; then
  echo "Setting up the demo device (Fanuc preset, LPT1) with a 10-second speed test ..."
  build/release/tools/feedrite-config --program-dir "$demo" --preset fanuc --port LPT1 --calibrate
fi
build/release/tools/feedrite-config --program-dir "$demo" --show
feedrite=(build/release/gui/feedrite --simulate --program-dir "$demo" "$demo/bracket.nc|(default)|1")
# The demo's runs are kept apart from the user's own history and resume records.
export XDG_STATE_HOME="$demo/state"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "${feedrite[@]}"
fi

shot="$demo/feedrite.png"
# The last demo was ended mid-run: its offer to resume would hide the tape.
rm -rf "$demo/state/feedrite/resume"
echo "No display found: running Feedrite under Xvfb (a virtual display) for 8 seconds."
export DISPLAY=:97
Xvfb "$DISPLAY" -screen 0 1600x1000x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
sleep 1
"${feedrite[@]}" &
app=$!
sleep 7
import -window root "$shot"
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
echo "Screenshot written to $shot"
