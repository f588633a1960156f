#!/usr/bin/env bash
# The Windows tests' environment: one virtual display, one Wine prefix and one
# persistent wineserver per build tree, so that each test process starts fast.
#   wine-env.sh start DIR [desktop]  start Xvfb and the wineserver for build tree DIR;
#                                    with "desktop", a window manager (openbox) too
#   wine-env.sh run DIR EXE ARGS     run EXE under Wine there; fails on a swallowed crash
#   wine-env.sh stop DIR             stop them
set -u
mode=$1 dir=$(cd "$2" && pwd); shift 2

wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
state=$dir/wine-env
export WINEPREFIX=$dir/wineprefix
export WINEDEBUG=-all,err+seh
export WINEDLLOVERRIDES="mscoree,mshtml="

start() {
  stop >/dev/null 2>&1
  mkdir -p "$state"
  rm -f "$state/display"
  # The server picks a free display itself and writes its number once it
  # listens, so that builds side by side cannot take the same one. It must not
  # reset when its last client leaves.
  Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$state/number" \
    </dev/null >"$state/xvfb.log" 2>&1 &
  echo $! >"$state/xvfb.pid"
  for _ in $(seq 200); do
    [ -s "$state/number" ] && [ -z "$(tail -c 1 "$state/number")" ] && break  # the whole line
    sleep 0.1
  done
  [ -s "$state/number" ] || { echo "Xvfb did not start" >&2; cat "$state/xvfb.log" >&2; exit 1; }
  echo ":$(cat "$state/number")" >"$state/display"
  export DISPLAY=$(cat "$state/display")
  "$(dirname "$0")/make-wineprefix.sh" "$WINEPREFIX" "$state/wineboot.log" ||
    { echo "no Wine prefix" >&2; cat "$state/wineboot.log" >&2; exit 1; }
  # Background processes must not hold ctest's output pipe open.
  "$wineserver" -p </dev/null >"$state/wineserver.log" 2>&1
  "$wine64" cmd /c exit 0 </dev/null >/dev/null 2>&1   # brings up the prefix's services once
  if [ "${1:-}" = desktop ]; then
    openbox </dev/null >"$state/openbox.log" 2>&1 &
    echo $! >"$state/openbox.pid"
  fi
}

stop() {
  "$wineserver" -k 2>/dev/null
  local process
  for process in openbox xvfb; do
    if [ -f "$state/$process.pid" ]; then kill "$(cat "$state/$process.pid")" 2>/dev/null; rm -f "$state/$process.pid"; fi
  done
  return 0
}

run() {
  [ -f "$state/display" ] || { echo "wine environment not started (wine-env.sh start)" >&2; exit 1; }
  export DISPLAY=$(cat "$state/display")
  # Into a file, shown once the program ends: the desktop process that a
  # program's first window starts inherits its stderr and outlives it by some
  # 20 s, and a pipe would be waited on until then.
  local log; log=$(mktemp)
  "$wine64" "$@" 2>"$log"
  local rc=$?
  cat "$log" >&2
  # Wine may swallow an access violation inside a window procedure and carry on.
  if grep -q "ignoring exception" "$log"; then
    echo "wine-env: the program raised an exception that Wine ignored" >&2; rc=1
  fi
  rm -f "$log"
  exit $rc
}

case $mode in
  start) start "$@" ;;
  stop) stop ;;
  run) run "$@" ;;
  *) echo "usage: $0 start|run|stop DIR ..." >&2; exit 2 ;;
esac
