#!/usr/bin/env bash
# make-wineprefix.sh PREFIX [LOG]: makes the Wine prefix PREFIX unless it is whole.
# It is made beside, under PREFIX.new, and moved into place once Wine is done
# with it: a run stopped half way through would leave a prefix that Wine takes
# as made and that loads nothing ("could not load kernel32.dll").
set -eu
prefix=$1 log=${2:-/dev/null}
[ -f "$prefix/drive_c/windows/system32/kernel32.dll" ] && exit 0
rm -rf "$prefix" "$prefix.new"
export WINEPREFIX=$prefix.new WINEDLLOVERRIDES="mscoree,mshtml="
/usr/lib/wine/wine64 wineboot --init </dev/null >"$log" 2>&1
/usr/lib/wine/wineserver64 -w
mv "$prefix.new" "$prefix"
