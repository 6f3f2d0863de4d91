#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The MIME type as a desktop finds it (GLib's shared-mime-info reading, in a
# database made of the system's types and ours alone): NC programs are ours
# by name or by their opening "%", other types' files with our extensions
# stay theirs.
set -euo pipefail
source_dir=$1
for tool in update-mime-database gio; do
  command -v "$tool" >/dev/null || { echo "install shared-mime-info and libglib2.0-bin" >&2; exit 1; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/share/mime/packages" "$tmp/files"
cp /usr/share/mime/packages/freedesktop.org.xml "$tmp/share/mime/packages/"
cp "$source_dir/packaging/feedrite-mime.xml" "$tmp/share/mime/packages/feedrite.xml"
XDG_DATA_DIRS="$tmp/share" update-mime-database "$tmp/share/mime"

cd "$tmp/files"
printf 'CDF\001\000\000\000\001' >netcdf-classic.nc
printf 'CDF\002\000\000\000\001' >netcdf-64bit.nc
printf '\211HDF\r\n\032\n\000\000\000\000' >netcdf-4.nc
{ printf 'COPYRIGHT BY SNK CORPORATION'; printf '\000%.0s' 1 2 3 4 5 6 7; printf '\020'; } >rom.ngc
head -c 512 /dev/urandom | tr -d '%' >rom-headerless.ngc
printf '%%\nO1000\nG0 X1.\nM30\n%%\n' >tape.nc
printf '%%\r\nN1 G0 X1.\r\n' >tape.tap
printf 'N10 G21 G90\nN20 G0 X1.\nM30\n' >plain.nc
printf 'G21 G90\nG0 X1.\nM2\n' >plain.ngc
failed=0
while read -r file want; do
  got=$(XDG_DATA_DIRS="$tmp/share" XDG_DATA_HOME="$tmp/none" \
        gio info -a standard::content-type "$file" | sed -n 's/.*standard::content-type: //p')
  if [ "$want" = ours ] && [ "$got" != text/x-nc-program ] ||
     [ "$want" = theirs ] && [ "$got" = text/x-nc-program ]; then
    echo "$file: $got, expected $want" >&2
    failed=1
  fi
done <<'CASES'
netcdf-classic.nc theirs
netcdf-64bit.nc theirs
netcdf-4.nc theirs
rom.ngc theirs
rom-headerless.ngc theirs
tape.nc ours
tape.tap ours
plain.nc ours
plain.ngc ours
CASES
exit $failed
