#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian source and binary packages, checks them with lintian,
# installs the program's package with apt, checks the installed programs as a
# new user would meet them, and removes the package again.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
fail() { echo "package-check: $*" >&2; exit 1; }

# nocheck: CI ran the same test suite on this tree just before (scripts/test.sh),
# and the package's own run of it would add its build and run to every CI run.
deb=$(DEB_BUILD_OPTIONS="nocheck parallel=2" DEB_BUILD_PROFILES=nocheck scripts/build-package.sh | tail -n 1)
version=$(dpkg-deb -f "$deb" Version)
changes=$(dirname "$deb")/feedrite_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).changes
ls "$(dirname "$deb")"/feedrite-dbgsym_"$version"_*.deb >/dev/null || fail "no -dbgsym package"
echo "== lintian --pedantic $changes (source, program and debug symbols)"
# Every tag fails the check but those overridden, with a reason, in debian/.
lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$changes"

echo "== install"
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y --reinstall --no-install-recommends "$deb"
trap 'DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 purge -y feedrite >/dev/null 2>&1 || true' EXIT

echo "== autopkgtest (debian/tests) on the installed package"
autopkgtest --quiet "$deb" "$(dirname "$deb")/feedrite-$version" -- null

echo "== versions"
for program in feedrite feedrite-tape feedrite-config; do
  [ "$(command -v "$program")" = "/usr/bin/$program" ] || fail "$program is not /usr/bin/$program"
  [ "$("$program" --version)" = "$program $version" ] || fail "$program --version does not say $version"
done

echo "== a sample program through feedrite-tape --text, with a fresh HOME"
sample=/usr/share/doc/feedrite/examples/bracket.nc
[ -f "$sample" ] || fail "$sample is missing (does dpkg exclude /usr/share/doc here?)"
fresh=$(mktemp -d)
runtime=$(mktemp -d)
chmod 700 "$runtime"
as_new_user=(env -i PATH=/usr/bin:/bin HOME="$fresh" XDG_RUNTIME_DIR="$runtime")
"${as_new_user[@]}" feedrite-config --preset fanuc --port LPT1 --quick
[ -f "$fresh/.config/feedrite/Editor BTR port settings" ] ||
  fail "the settings are not in \$HOME/.config/feedrite"
[ ! -e "/usr/bin/Editor BTR port settings" ] || fail "settings were written into /usr/bin"
tape=$("${as_new_user[@]}" feedrite-tape --text "$sample|(default)|1")
grep -q "N140 M30" <<<"$tape" || fail "feedrite-tape --text did not show the program: $tape"
# The scratchpad lives only while a program loads: its folder is what stays.
[ -d "$runtime/feedrite" ] || fail "no scratchpad folder in \$XDG_RUNTIME_DIR"

echo "== man pages"
for program in feedrite feedrite-tape feedrite-config; do
  page=$(man -w "$program")
  for section in SYNOPSIS OPTIONS "EXIT STATUS" FILES ENVIRONMENT; do
    zgrep -q "^\.SH \"\?$section\"\?$" "$page" || fail "$page has no $section"
  done
done
# The page is the same for every build machine: what the builder may have is no part of it.
page=$(man -w feedrite)
zgrep -q '^\.SH "REAL-TIME PRIORITY"$' "$page" || fail "$page has no REAL-TIME PRIORITY section"
! zgrep -q "This user may" "$page" || fail "$page states the build machine's real-time limit"

echo "== desktop entry and metainfo"
desktop-file-validate /usr/share/applications/org.feedrite.feedrite.desktop
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --pedantic --no-net /usr/share/metainfo/org.feedrite.feedrite.metainfo.xml
fi
desktop=/usr/share/applications/org.feedrite.feedrite.desktop
grep -qx "StartupWMClass=org.feedrite.feedrite" "$desktop" || fail "no StartupWMClass in $desktop"
! grep -q "text/plain" "$desktop" || fail "$desktop claims text/plain"
[ -f /usr/share/icons/hicolor/scalable/apps/org.feedrite.feedrite.svg ] || fail "the SVG icon is missing"
for size in 16 32 48 64 128 256; do
  png=/usr/share/icons/hicolor/${size}x$size/apps/org.feedrite.feedrite.png
  [ "$(file -b "$png" | cut -d, -f2)" = " $size x $size" ] || fail "$png is not a $size px PNG"
done
grep -qx ppdev /usr/lib/modules-load.d/feedrite.conf || fail "ppdev is not loaded at boot"
grep -q "GPL-3.0-or-later" /usr/share/doc/feedrite/copyright || fail "no free licence in the copyright file"

echo "== remove"
installed=$(dpkg -L feedrite | while read -r path; do [ -f "$path" ] && echo "$path"; done)
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=600 purge -y feedrite
trap - EXIT
for path in $installed; do [ ! -e "$path" ] || fail "$path is still there after purge"; done
[ -f "$fresh/.config/feedrite/Editor BTR port settings" ] || fail "purge removed the user's settings"
rm -rf "$fresh" "$runtime"
echo "package-check: $deb built, installed, checked and removed"
