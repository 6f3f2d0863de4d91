#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Feedrite needs: with --build-only just what
# building the Debian package takes (debian/control's Build-Depends and the
# Debian tools), otherwise also what the tests, the sanitizer and fuzz runs,
# the benchmarks and the package checks need. Waits for another apt to finish.
set -euo pipefail

# The package build runs the tests too (unless nocheck): their packages are
# debian/control's <!nocheck> Build-Depends.
build=(
  build-essential debhelper dpkg-dev
  cmake qt6-base-dev help2man librsvg2-bin pkg-config libmosquitto-dev
  libgtest-dev libgmock-dev googletest kmod shared-mime-info libglib2.0-bin
  fonts-dejavu-core mosquitto mosquitto-clients openssl
)
everything=(
  "${build[@]}"
  ninja-build g++ libbenchmark-dev
  xvfb xauth x11-apps imagemagick dbus-daemon
  gzip file lintian desktop-file-utils appstream man-db autopkgtest
  clang libclang-rt-14-dev clang-format clang-tidy
)

packages=("${everything[@]}")
case "${1:-}" in
  --build-only) packages=("${build[@]}") ;;
  "") ;;
  *) echo "usage: $0 [--build-only]" >&2; exit 2 ;;
esac

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
apt=(apt-get -o DPkg::Lock::Timeout=600)
"${sudo_cmd[@]}" "${apt[@]}" update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" "${apt[@]}" install -y --no-install-recommends "${packages[@]}"
