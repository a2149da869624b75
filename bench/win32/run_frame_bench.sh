#!/bin/sh
# Runs the Win32 frame benchmark under Wine inside an Xvfb of its own.
#   bench/win32/run_frame_bench.sh BUILD_DIR   (a build of the windows preset)
set -eu
build=$(cd "${1:?usage: run_frame_bench.sh BUILD_DIR}" && pwd)
exe="$build/bench/win32/frame_bench_win32.exe"
export WINEPREFIX="$build/wineprefix-bench" WINEDEBUG=-all

fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp 4>"$fifo" 2>/dev/null &
xvfb=$!
read -r display <"$fifo"
rm -f "$fifo"
export DISPLAY=":$display"
trap 'wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true' EXIT

if [ ! -d "$WINEPREFIX/drive_c" ]; then
  wineboot --init >/dev/null 2>&1 || true
  wineserver -w
fi
wine "$exe"
