#!/bin/sh
# The real program's frame pace on X11 and under Wine: period against its
# floor, CPU per frame, start-up time. See bench/frame_pace.py.
#   bench/frame_pace.sh [LINUX_BUILD [WINDOWS_BUILD]]   (default build/linux build/windows)
# Each build needs the program and the yardstick built:
#   cmake --build build/linux --target fractals sleep_reference  (the same for build/windows)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
linux=${1:-build/linux}
windows=${2:-build/windows}
set --
[ -x "$linux/fractals" ] && set -- "$@" --x11 "$linux"
[ -f "$windows/fractals.exe" ] && set -- "$@" --wine "$windows"
[ $# -gt 0 ] || { echo "frame_pace.sh: no build in $linux or $windows" >&2; exit 2; }
exec python3 "$here/frame_pace.py" "$@"
