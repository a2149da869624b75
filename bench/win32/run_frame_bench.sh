#!/bin/sh
# Runs the Win32 frame benchmark under Wine inside an Xvfb of its own.
#   bench/win32/run_frame_bench.sh BUILD_DIR   (a build of the windows preset)
set -eu
build=$(cd "${1:?usage: run_frame_bench.sh BUILD_DIR}" && pwd)
here=$(dirname "$0")
exec python3 "$here/../../tests/e2e/desktop_harness.py" --wineprefix "$build/wineprefix-bench" \
  -- wine "$build/bench/win32/frame_bench_win32.exe"
