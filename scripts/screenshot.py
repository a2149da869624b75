#!/usr/bin/env python3
"""Takes the README's screenshot from the real program: the Linux build on
an Xvfb of its own, its client area once the cloud has turned for a while,
written as a PNG; then Enter ends the program.

usage: scripts/screenshot.py [PROGRAM [OUT.png]]
       (default build/linux/fractals and docs/screenshot.png)
"""
import os
import subprocess
import sys
import time

repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(repo, "tests", "e2e"))
from desktop_harness import Desktop, wait_for  # noqa: E402

# The cloud has turned away from its first, flat view by then.
SETTLE_S = 3.0


def main():
    program = sys.argv[1] if len(sys.argv) > 1 else os.path.join(repo, "build/linux/fractals")
    out = sys.argv[2] if len(sys.argv) > 2 else os.path.join(repo, "docs/screenshot.png")
    with Desktop() as desktop:
        started = desktop.start(program)
        window = desktop.wait_window("Fractals", started)
        x, y, w, h = desktop.client_area(window)

        def drawn():
            lit = sum(1 for _, _, c in desktop.screenshot().region(x, y, w, h) if c != (0, 0, 0))
            return lit > 5000

        wait_for("the cloud on the screen", drawn)
        time.sleep(SETTLE_S)
        png = subprocess.run(["import", "-silent", "-window", "root", "-crop",
                              f"{w}x{h}+{x}+{y}", "+repage", "-strip", "png:-"],
                             env=desktop.env, capture_output=True, check=True).stdout
        with open(out, "wb") as f:
            f.write(png)
        desktop.type_keys(window, "Return")
        code, _, err = started.wait(30)
        if code != 0:
            print(f"the program ended with {code}: {err.strip()}", file=sys.stderr)
            return 1
    print(f"wrote {out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
