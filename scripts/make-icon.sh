#!/usr/bin/env bash
# Makes the program's icon from its own picture: frame 200 of the turning
# cloud, rendered by the program's modules on the in-memory window system
# (icon_frame), scaled to each size and brightened, on the window's black.
# Writes packaging/icon/ (the frame, the PNGs, fractals.ico), which is
# committed; the build makes the X11 window's icon from these PNGs.
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

echo "made $out"
