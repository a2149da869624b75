#!/usr/bin/env python3
"""The committed icon frame is what the program's modules render today:
icon_frame renders the frame again and every pixel must match the committed
PNG. When the picture changes on purpose, scripts/make-icon.sh makes the
icon anew.

usage: check_icon_frame.py ICON_FRAME FRAMES COMMITTED.png
"""
import os
import subprocess
import sys
import tempfile


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    icon_frame, frames, committed = sys.argv[1:]
    with tempfile.TemporaryDirectory() as tmp:
        fresh = os.path.join(tmp, "frame.ppm")
        subprocess.run([icon_frame, frames, fresh], check=True, timeout=60)
        # compare prints how many pixels differ; 0 when none.
        result = subprocess.run(["compare", "-metric", "AE", committed, fresh, "null:"],
                                capture_output=True, text=True, timeout=60)
    differing = result.stderr.strip()
    if result.returncode != 0 or differing != "0":
        print(f"{committed} differs from the frame rendered now ({differing} pixels); "
              "run scripts/make-icon.sh", file=sys.stderr)
        return 1
    print("the committed icon frame is the rendered frame")
    return 0


if __name__ == "__main__":
    sys.exit(main())
