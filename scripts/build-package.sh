#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian source and binary packages (debian/) from a copy of this
# tree in build/debian, so that the tree itself stays clean, and prints the
# path of the program's .deb last. The .changes file, the .dsc, the source
# tarball and the -dbgsym package land beside it.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(dpkg-parsechangelog --show-field Version)
out=$PWD/build/debian
src=$out/feedrite-$version
rm -rf "$out"
mkdir -p "$src"
# The files git tracks, as they stand in the work tree, so that a file left
# out of a commit fails here as it would on a clean checkout.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z | grep -zv '^\.gitignore$' | tar --null -T - -cf - | tar -xf - -C "$src"
else
  tar --exclude=./build --exclude=./.git --exclude=./compile_commands.json -cf - . | tar -xf - -C "$src"
fi
(cd "$src" && DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-parallel=2}" dpkg-buildpackage -us -uc >&2)
ls "$out"/feedrite_"$version"_*.deb
