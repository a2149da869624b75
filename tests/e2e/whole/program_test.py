#!/usr/bin/env python3
"""End-to-end tests of the whole program, on Linux (X11) or under Wine.

usage: program_test.py [--wineprefix DIR | --emulator COMMAND] --program PATH
       --case NAME [--send-delete PATH]
With --emulator (qemu-aarch64 for the ARM build) the program and the
helper programs run under that command.
Each case starts its own X server and program and cleans up after itself.
"""
import argparse
import os
import random
import shlex
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from desktop_harness import (PROGRAM_COLOURS, Desktop, TestFailure, require_tools,  # noqa: E402
                             wait_for)

CAPTION = "Fractals"
CENTRE = (399, 299)
NOT_IN_GRAPHICS_MODE = "Error: Not in graphics mode (use InitGraph and test GraphResult afterwards)"

class Session:
    def __init__(self, args):
        self.args = args
        self.desk = Desktop(wineprefix=args.wineprefix)
        self.program = None
        self.window = None

    def start(self, env=None):
        self.program = self.desk.start(*self.args.emulator, self.args.program, env=env)
        return self.program

    def open_window(self):
        self.start()
        self.window = self.desk.wait_window(CAPTION, self.program)
        self.desk.focus(self.window)
        return self.window

    def client(self):
        x, y, w, h = self.desk.client_area(self.window)
        return self.desk.screenshot().rows(x, y, w, h)

    def keys(self, *names):
        self.desk.type_keys(self.window, *names, delay_ms=15)

    def close(self):
        self.desk.close()


def lit_pixels(rows):
    return [(x, y) for y, row in enumerate(rows) for x, rgb in enumerate(row) if rgb != (0, 0, 0)]


def lit_within(rows, radius):
    lit = lit_pixels(rows)
    far = [p for p in lit if abs(p[0] - CENTRE[0]) > radius or abs(p[1] - CENTRE[1]) > radius]
    return lit, far


def expect_exit(session, code, timeout=20):
    got, _, err = session.program.wait(timeout)
    if got != code:
        raise TestFailure(f"exit code {got}, expected {code}; stderr: {err.strip()}")
    return err


# --- cases ----------------------------------------------------------------


def case_window(s):
    """The window: caption, client size, palette colours, the cloud turning."""
    window = s.open_window()
    caption = s.desk.run("xdotool", "getwindowname", window).strip()
    if caption != CAPTION:
        raise TestFailure(f"caption is {caption!r}")
    x, y, w, h = s.desk.geometry(window)
    if not s.args.wineprefix:
        if (w, h) != (800, 600):
            raise TestFailure(f"client area is {w} x {h}")
        hints = s.desk.xprop(window, "_MOTIF_WM_HINTS", check_rc=False)
        fields = [int(v, 0) for v in hints.split("=")[-1].replace(",", " ").split()]
        if len(fields) < 2 or not fields[0] & 1 or fields[1] & 0x20 or fields[1] & 1:
            raise TestFailure(f"Close is not greyed in the Motif hints: {hints.strip()}")
    elif w < 800 or h < 600:
        raise TestFailure(f"window is {w} x {h}, smaller than its client area")
    first = wait_for("a lit picture", lambda: (lambda r: r if lit_pixels(r) else None)(s.client()),
                     20)
    colours = {rgb for row in first for rgb in row}
    if not colours <= PROGRAM_COLOURS:
        raise TestFailure(
            f"colours outside the palette: {sorted(colours - PROGRAM_COLOURS)[:8]}")
    wait_for("the cloud to turn", lambda: s.client() != first, 10)


def case_zoom(s):
    """27 x '-' draws everything within 2 pixels of the centre; the 28th
    passes through zero without stopping."""
    s.open_window()
    s.keys(*["minus"] * 27)
    wait_for("every lit pixel within 2 pixels of the centre",
             lambda: (lambda lit, far: lit and not far)(*lit_within(s.client(), 2)), 20)
    s.keys("minus")
    # Negative factor -0.0817: still a small picture, reflected, not gone.
    wait_for("a small lit picture beyond 2 pixels",
             lambda: (lambda lit, far: lit and far and
                      not lit_within(s.client(), 10)[1])(*lit_within(s.client(), 2)), 20)
    if not s.program.running():
        raise TestFailure("the program ended")


def case_keys(s):
    """Letters, arrows and F-keys clear and go on; F3 zooms in like '='."""
    s.open_window()
    s.keys(*["minus"] * 27)
    wait_for("the picture to shrink",
             lambda: (lambda lit, far: lit and not far)(*lit_within(s.client(), 2)), 20)
    s.keys("a", "Z", "space", "Escape", "Left", "Up", "Home", "Next", "F1", "plus")
    wait_for("the picture to stay small after other keys",
             lambda: (lambda lit, far: lit and not far)(*lit_within(s.client(), 2)), 20)
    s.keys("F3")
    wait_for("F3 to zoom in", lambda: lit_within(s.client(), 2)[1], 20)
    s.keys("equal")
    wait_for("'=' to zoom in further", lambda: lit_within(s.client(), 20)[1], 20)
    if not s.program.running():
        raise TestFailure("the program ended")


def case_enter(s):
    """Enter ends the program with exit code 0 and leaves no window."""
    s.open_window()
    s.keys("Return")
    err = expect_exit(s, 0)
    if s.desk.find_windows(CAPTION):
        raise TestFailure("the window is still there")
    if "Error" in err:
        raise TestFailure(f"unexpected error output: {err.strip()}")


def case_close(s):
    """The window manager's close request ends the program like Enter."""
    window = s.open_window()
    s.desk.run(*s.args.emulator, s.args.send_delete, window)
    expect_exit(s, 0)


def case_no_display(s):
    """Without an X display: exit code 1 and the graphics-mode error."""
    env = {k: v for k, v in s.desk.env.items() if k != "DISPLAY"}
    s.start(env)
    err = expect_exit(s, 1)
    if NOT_IN_GRAPHICS_MODE not in err:
        raise TestFailure(f"stderr lacks the graphics-mode error: {err.strip()!r}")


def case_flood(s):
    """10,000 random keys neither crash nor stall it; Enter still ends it."""
    s.open_window()
    rng = random.Random(20261208)
    names = ([chr(c) for c in range(ord("a"), ord("z") + 1)] + [str(d) for d in range(10)] +
             ["minus", "equal", "space", "Escape", "Tab", "BackSpace", "Left", "Right", "Up",
              "Down", "Home", "End", "Prior", "Next", "Insert", "Delete", "comma", "period",
              "slash", "Control_L", "Shift_L"] + [f"F{n}" for n in range(1, 11)])
    flood = [rng.choice(names) for _ in range(10000)]
    for start in range(0, len(flood), 500):
        s.desk.type_keys(s.window, *flood[start:start + 500], delay_ms=0)
        if not s.program.running():
            raise TestFailure("the program ended during the flood")
    s.keys("Return")
    expect_exit(s, 0, timeout=30)


CASES = {name[5:]: fn for name, fn in globals().items() if name.startswith("case_")}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wineprefix", help="run the .exe under Wine in this prefix")
    parser.add_argument("--program", required=True)
    parser.add_argument("--case", choices=sorted(CASES), required=True)
    parser.add_argument("--send-delete")
    parser.add_argument("--emulator", type=shlex.split, default=[],
                        help="command that runs the program, such as qemu-aarch64")
    args = parser.parse_args()
    require_tools("Xvfb", "xdotool", "xwininfo", "xprop")
    target = "windows" if args.wineprefix else " ".join(["linux"] + args.emulator)
    session = Session(args)
    try:
        CASES[args.case](session)
    except TestFailure as failure:
        print(f"FAIL {args.case} ({target}): {failure}", file=sys.stderr)
        return 1
    finally:
        session.close()
    print(f"ok {args.case} ({target})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
