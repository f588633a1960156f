#!/usr/bin/env bash
# Builds the Windows program, writes a sample series to import and starts the
# program through Wine. Without a display it runs on a virtual one (Xvfb) and
# leaves a screenshot instead.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
build=${MORVA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" --target windows
build=$(cd "$build" && pwd)
exe=$build/windows/app/morva.exe

sample=$build/sample
[ -f "$sample/walk059.bmp" ] || python3 tools/make-sample.py "$sample"
echo "Sample series: $sample (60 pictures). To import it: モルバ > BMPファイル群のインポート,"
echo "  then type Z:${sample//\//\\}\\walk000.bmp into the file name box."

# Japanese menus and titles need a Japanese locale (tools/install-deps.sh makes one).
export LANG=ja_JP.UTF-8
export WINEPREFIX=$build/wineprefix-run WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
tools/make-wineprefix.sh "$WINEPREFIX"
if [ -n "${DISPLAY:-}" ]; then
  exec /usr/lib/wine/wine64 "$exe"
fi

echo "No display: running on a virtual one (Xvfb) and taking a screenshot."
n=99; while [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'WINEPREFIX=$WINEPREFIX /usr/lib/wine/wineserver64 -k 2>/dev/null; kill $xvfb 2>/dev/null' EXIT
export DISPLAY=:$n
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
/usr/lib/wine/wine64 "$exe" &
# Asked again until it is there: a search fails while Wine's own windows come and go.
window=
for _ in $(seq 1200); do
  window=$(xdotool search --onlyvisible --name "ver.2" 2>/dev/null | head -n 1) || true
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "The program's window did not appear in 2 minutes." >&2; exit 1; }
sleep 1
shot=$build/screenshot.png
/usr/bin/import -window root "$shot"
echo "The program started (window $window); screenshot: $shot"
