#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A shop lets an operator run Feedrite's three programs through sudo. Every
# folder Feedrite touches is made a link to a folder only root may use, and
# each program is run as sudo starts it (root, with SUDO_USER and SUDO_UID)
# and as the user alone: nothing may be read from or written to root's
# folder, and nothing root-owned may be left in the user's. Needs root: the
# operator is a user of a private mount namespace's own password file.
# Usage: sudo_shop_test.sh FEEDRITE FEEDRITE_CONFIG FEEDRITE_TAPE
set -uo pipefail

if [ "$(id -u)" -ne 0 ]; then echo "skipped: needs root to play a user and sudo"; exit 77; fi
if [ -z "${IN_SHOP_NAMESPACE:-}" ]; then
  IN_SHOP_NAMESPACE=1 exec unshare --mount --propagation private "$0" "$@"
fi

feedrite=$1 config=$2 tape=$3
uid=4242
top=$(mktemp -d /tmp/feedrite-shop.XXXXXX)
trap 'rm -rf "$top"' EXIT
chmod 755 "$top"
home=$top/home root_only=$top/root-only
# The operator exists only in this namespace.
cp /etc/passwd "$top/passwd" && echo "operator:x:$uid:$uid::$home:/bin/sh" >>"$top/passwd"
cp /etc/group "$top/group" && echo "operator:x:$uid:" >>"$top/group"
mount --bind "$top/passwd" /etc/passwd && mount --bind "$top/group" /etc/group || exit 1

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

fresh_home() {
  rm -rf "$home" "$root_only"
  mkdir -p "$home/.config" "$home/.local/state" "$root_only"
  printf 'G1 X1\nM30\n' >"$home/part.nc"
  printf 'G1 X1\nCALL %s\nM30\n' "$root_only/secret.nc" >"$home/calls.nc"
  chown -R "$uid:$uid" "$home"
  echo "SECRET-OF-ROOT" >"$root_only/secret.nc"
  chmod 600 "$root_only/secret.nc"
  chmod 700 "$root_only"
}

# As sudo starts a program for the operator, or as the operator alone: each
# execs the program, so a signal reaches it.
run_as() {
  local how=$1
  shift
  if [ "$how" = sudo ]; then
    env SUDO_USER=operator SUDO_UID=$uid SUDO_GID=$uid HOME=/root "$@"
  else
    setpriv --reuid=$uid --regid=$uid --clear-groups env HOME="$home" "$@"
  fi
}

set_up_device() {  # a device the window and the tape tool can send with
  run_as "$1" "$config" --device Mill --preset fanuc --port LPT1 --quick >/dev/null 2>&1 ||
    fail "$1: the device could not be set up in a plain home"
}

# The window, sending on the virtual port, ended by a signal once loaded.
window_run() {
  (run_as "$1" env QT_QPA_PLATFORM=offscreen "$feedrite" --simulate "$home/part.nc|Mill|1" \
    >"$top/window.out" 2>&1) &
  sleep 3
  pkill -TERM -f -- "--simulate $home/part.nc" || fail "$1: the window did not run"
  wait
  if pgrep -f -- "--simulate $home/part.nc" >/dev/null; then fail "$1: the window did not end"; fi
}

# Root's folder as it was, and nothing of root's in the operator's home.
check() {
  local what=$1
  [ "$(ls -A "$root_only")" = "secret.nc" ] || fail "$what: written into root's folder: $(ls -A "$root_only")"
  [ "$(cat "$root_only/secret.nc")" = "SECRET-OF-ROOT" ] || fail "$what: root's file changed"
  local owned
  owned=$(find "$home" -user root)
  [ -z "$owned" ] || fail "$what: root-owned in the operator's home: $owned"
  if grep -qs "SECRET-OF-ROOT" "$top/out" "$top/window.out"; then fail "$what: root's file was read"; fi
}

for how in sudo user; do
  # The settings folder, ~/.config itself, and a --program-dir of root's.
  for link in .config/feedrite .config; do
    fresh_home
    rm -rf "${home:?}/$link"
    ln -s "$root_only" "$home/$link"
    chown -h $uid:$uid "$home/$link"
    run_as $how "$config" --device "x ALL=(ALL) NOPASSWD: ALL #." --preset fanuc --port LPT1 \
      --quick >"$top/out" 2>&1 && fail "$how, ~/$link linked: the device was saved"
    check "$how, ~/$link linked"
  done
  fresh_home
  run_as $how "$config" --program-dir "$root_only" --preset fanuc --port LPT1 --quick \
    >"$top/out" 2>&1 && fail "$how, --program-dir of root's: saved"
  run_as $how "$tape" --program-dir "$root_only" --text "$home/part.nc|(default)|1" \
    >>"$top/out" 2>&1 && fail "$how, --program-dir of root's: sent"
  grep -q "Permission denied" "$top/out" || fail "$how, --program-dir of root's: no reason given"
  check "$how, --program-dir of root's"

  # A program, and a sub file it calls, that only root may read.
  fresh_home
  set_up_device $how
  for program in "$root_only/secret.nc" "$home/calls.nc"; do
    run_as $how "$tape" --text "$program|Mill|1" >"$top/out" 2>&1 && fail "$how: $program was sent"
    grep -q "Permission denied" "$top/out" || fail "$how: $program refused without the reason"
    check "$how, $program"
  done

  # The state folder (history, resume records): the window keeps them there.
  fresh_home
  set_up_device $how
  ln -s "$root_only" "$home/.local/state/feedrite"
  chown -h $uid:$uid "$home/.local/state/feedrite"
  window_run $how
  check "$how, state folder linked"
  fresh_home
  set_up_device $how
  window_run $how
  [ -s "$home/.local/state/feedrite/history.jsonl" ] || fail "$how: the window kept no history"
  check "$how, plain home"
done

[ $failures -eq 0 ] && echo "every link refused, as sudo and as the user"
[ $failures -eq 0 ]
