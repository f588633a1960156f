#!/usr/bin/env bash
# wine-pack.sh NATIVE_MORVACLI WINDOWS_BUILD: morvacli.exe under Wine packs as the native one.
set -eu
native=$1 windows=$(cd "$2" && pwd)
source=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
winpack() {
  "$source/tools/wine-env.sh" run "$windows" "$windows/cli/morvacli.exe" pack \
    "Z:$(tr / '\\' <<<"$work/$1")" -o "Z:$(tr / '\\' <<<"$work/$2")" --depth "$3" >/dev/null
}

python3 "$source/tools/make-sample.py" walk --count 40 --width 96 --height 64 >/dev/null
"$native" pack walk/walk007.bmp -o native.mrv --depth 5 >/dev/null
winpack walk/walk007.bmp wine.mrv 5
cmp native.mrv wine.mrv
# The imaging component: grey PNGs as the BMPs, palette ones (their indices) as natively.
mkdir grey palette
mogrify -path grey -format png -define png:color-type=0 -define png:bit-depth=8 walk/*.bmp
mogrify -path palette -format png -define png:format=png8 walk/*.bmp
"$native" pack palette/walk000.png -o palette.mrv --depth 5 >/dev/null
for kind in grey palette; do winpack "$kind/walk000.png" "wine-$kind.mrv" 5; done
cmp native.mrv wine-grey.mrv
cmp palette.mrv wine-palette.mrv
# A read-only output is refused and kept, as on Linux.
chmod a-w wine.mrv
winpack walk/walk007.bmp wine.mrv 2 2>/dev/null && { echo "a read-only output replaced" >&2; exit 1; }
cmp native.mrv wine.mrv
# Pixels damaged half way: the partial output goes, though Windows removes no open file.
cp -r walk bad && convert walk/walk020.bmp -compress RLE BMP3:bad/walk020.bmp
printf '\377\7' | dd of=bad/walk020.bmp bs=1 seek=1078 conv=notrunc 2>/dev/null
winpack bad/walk000.bmp bad.mrv 5 2>/dev/null && { echo "a damaged series was packed" >&2; exit 1; }
[ "$(ls | wc -l)" = 9 ] || { ls >&2; exit 1; }
echo "the same $(stat -c %s native.mrv) bytes from BMPs and PNGs; a read-only one kept"
