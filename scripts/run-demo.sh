#!/usr/bin/env bash
# Sets everything up on a fresh Debian machine and starts Feedrite on a sample
# program. Without a display it runs under Xvfb and writes a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-debian.sh
cmake --preset release
cmake --build --preset release --target feedrite feedrite-tape

demo="$PWD/build/demo"
mkdir -p "$demo"
cp tests/data/bracket.nc "$demo/bracket.nc"
# A demo device, unless one was set up already. Its loop counts are not
# calibrated to this PC: the virtual control does not mind.
if [ ! -e "$demo/Editor BTR port settings" ]; then
  cp "tests/data/demo/Editor BTR port settings" "$demo/"
fi
feedrite=(build/release/app/feedrite --simulate --program-dir "$demo" "$demo/bracket.nc|(default)|1")

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "${feedrite[@]}"
fi

shot="$demo/feedrite.png"
echo "No display found: running Feedrite under Xvfb for 5 seconds; screenshot: $shot"
export DISPLAY=:97
Xvfb "$DISPLAY" -screen 0 1280x900x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
sleep 1
"${feedrite[@]}" &
app=$!
sleep 4
import -window root -crop 900x650+0+0 "$shot"
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
echo "Screenshot written to $shot"
