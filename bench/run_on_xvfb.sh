#!/bin/sh
# Runs a benchmark program on an Xvfb of its own (a Windows .exe under Wine,
# with a Wine prefix beside it).
#   bench/run_on_xvfb.sh PROGRAM [ARGUMENTS...]
# e.g. bench/run_on_xvfb.sh build/linux/bench/frame_loop/frame_loop
#      bench/run_on_xvfb.sh build/windows/bench/frame_loop/frame_loop.exe
set -eu
program=$(cd "$(dirname "${1:?usage: run_on_xvfb.sh PROGRAM [ARGUMENTS...]}")" && pwd)/$(basename "$1")
shift

fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp -noreset 4>"$fifo" 2>/dev/null &
xvfb=$!
read -r display <"$fifo"
rm -f "$fifo"
export DISPLAY=":$display"

case "$program" in
  *.exe)
    export WINEPREFIX="${WINEPREFIX:-$(dirname "$program")/wineprefix-bench}" WINEDEBUG=-all
    trap 'wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true' EXIT
    if [ ! -d "$WINEPREFIX/drive_c" ]; then
      wineboot --init >/dev/null 2>&1 || true
      wineserver -w
    fi
    wine "$program" "$@"
    ;;
  *)
    trap 'kill $xvfb 2>/dev/null || true' EXIT
    "$program" "$@"
    ;;
esac
