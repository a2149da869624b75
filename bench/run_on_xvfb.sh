#!/bin/sh
# Runs a benchmark program on an Xvfb of its own (a Windows .exe under Wine,
# with a Wine prefix beside it).
#   bench/run_on_xvfb.sh PROGRAM [ARGUMENTS...]
# e.g. bench/run_on_xvfb.sh build/linux/bench/frame_loop/frame_loop
#      bench/run_on_xvfb.sh build/windows/bench/frame_loop/frame_loop.exe
set -eu
program=$(cd "$(dirname "${1:?usage: run_on_xvfb.sh PROGRAM [ARGUMENTS...]}")" && pwd)/$(basename "$1")
shift
harness="$(dirname "$0")/../tests/e2e/desktop_harness.py"
case "$program" in
  *.exe) exec python3 "$harness" --wineprefix "$(dirname "$program")/wineprefix-bench" -- \
             wine "$program" "$@" ;;
  *) exec python3 "$harness" -- "$program" "$@" ;;
esac
