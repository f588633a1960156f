#!/usr/bin/env bash
# The Windows build's morvacli.exe, under Wine, packs a series into the same
# bytes as the native morvacli.
#   wine-pack.sh NATIVE_MORVACLI WINDOWS_BUILD_DIR
set -eu
native=$1 windows=$(cd "$2" && pwd)
source=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# winpack FIRST OUT DEPTH: morvacli.exe pack, paths in $work
winpack() {
  "$source/tools/wine-env.sh" run "$windows" "$windows/cli/morvacli.exe" pack \
    "Z:$(tr / '\\' <<<"$work/$1")" -o "Z:$(tr / '\\' <<<"$work/$2")" --depth "$3" >/dev/null
}

python3 "$source/tools/make-sample.py" "$work/walk" --count 40 --width 96 --height 64 >/dev/null
"$native" pack "$work/walk/walk007.bmp" -o "$work/native.mrv" --depth 5 >/dev/null
winpack walk/walk007.bmp wine.mrv 5
cmp "$work/native.mrv" "$work/wine.mrv"
# The imaging component reads PNGs: grey ones give the same file as the BMPs,
# palette ones (their indices) the same file as natively.
mkdir "$work/grey" "$work/palette"
png() { mogrify -path "$work/$1" -format png -define "png:$2" "$work"/walk/*.bmp; }
png grey color-type=0 -define png:bit-depth=8
png palette format=png8
"$native" pack "$work/palette/walk000.png" -o "$work/palette.mrv" --depth 5 >/dev/null
for kind in grey palette; do winpack "$kind/walk000.png" "wine-$kind.mrv" 5; done
cmp "$work/native.mrv" "$work/wine-grey.mrv"
cmp "$work/palette.mrv" "$work/wine-palette.mrv"
# A read-only output is refused and stays as it is, as on Linux.
chmod a-w "$work/wine.mrv"
if winpack walk/walk007.bmp wine.mrv 2 2>/dev/null; then
  echo "a read-only output was replaced" >&2
  exit 1
fi
cmp "$work/native.mrv" "$work/wine.mrv"
[ "$(ls "$work" | wc -l)" = 8 ] || { ls "$work" >&2; exit 1; }
echo "the same $(stat -c %s "$work/native.mrv") bytes from BMPs and PNGs; a read-only one kept"
