#!/usr/bin/env bash
# Makes the program's icon from its own picture: frame 200 of the turning
# cloud, rendered by the program's modules on the in-memory window system
# (icon_frame), scaled to each size and brightened, on the window's black.
# Writes packaging/icon/ (the frame, the PNGs, fractals.ico) and the X11
# window's icon array; all of them are committed.
#   scripts/make-icon.sh [BUILD_DIR]   (default build/linux, configured)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/linux}
frame=200
out=packaging/icon
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cmake --build "$build" --target icon_frame
"$build/icon_frame" "$frame" "$tmp/frame.ppm"
convert "$tmp/frame.ppm" -strip "PNG24:$out/frame.png"

for size in 16 32 48 64 128 256; do
  convert "$out/frame.png" -filter Box -resize "${size}x${size}" -auto-level -gamma 1.5 \
          -strip "PNG32:$out/fractals-$size.png"
done
icotool -c -o "$out/fractals.ico" "$out"/fractals-{16,32,48}.png -r "$out/fractals-256.png"

# _NET_WM_ICON: width, height, then the rows as 0xAARRGGBB, for each size.
header=platform/x11/window_icon_data.hpp
{
  echo "// The window's icon, as _NET_WM_ICON takes it: for each size its width,"
  echo "// its height, then its rows as 0xAARRGGBB. Made by scripts/make-icon.sh."
  echo "#pragma once"
  echo
  echo "#include <cstdint>"
  echo
  echo "namespace platform::x11 {"
  echo
  echo "inline constexpr std::uint32_t kWindowIcon[] = {"
  for size in 16 32 48 64; do
    convert "$out/fractals-$size.png" -depth 8 "RGBA:$tmp/icon-$size.rgba"
  done
  python3 - "$tmp"/icon-{16,32,48,64}.rgba <<'PY'
import math
import sys
words = []
for name in sys.argv[1:]:
    raw = open(name, "rb").read()
    size = math.isqrt(len(raw) // 4)
    words += [size, size] + [raw[i + 3] << 24 | raw[i] << 16 | raw[i + 1] << 8 | raw[i + 2]
                             for i in range(0, len(raw), 4)]
for i in range(0, len(words), 8):
    print("    " + " ".join(f"0x{w:08X}," for w in words[i:i + 8]))
PY
  echo "};"
  echo
  echo "}  // namespace platform::x11"
} >"$header"
echo "made $out and $header"
