#!/usr/bin/env python3
"""The graphics window on X11, seen from outside.

Each test starts a private Xvfb, starts graph_probe --stdin on it (the
graphics module on the X11 window system, driven through its standard input),
and looks at the window with xwininfo, xprop, xdotool and screenshots.

Usage: x11_window_e2e.py PROBE TEST
"""
import argparse
import os
import re
import select
import signal
import socket
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from desktop_harness import (PALETTE, Desktop, TestFailure, check,  # noqa: E402
                             picture_problems, probe_pattern, wait_for)


class Probe:
    """graph_probe on the desktop, driven line by line."""

    def __init__(self, desk, exe):
        self.desk = desk
        self.program = desk.start(exe, "--stdin", stdin=True)
        self.process = self.program.process
        words = self.answer(20).split()
        check(len(words) == 2 and words[0] == "ready", f"probe said {words!r}")
        self.window = words[1]

    def answer(self, timeout=10):
        ready, _, _ = select.select([self.process.stdout], [], [], timeout)
        check(ready, "the probe did not answer")
        line = self.process.stdout.readline()
        if not line:
            raise TestFailure(f"the probe ended on {self.desk.display}: {self.process.wait()} "
                              f"{self.process.stderr.read()}")
        return line.strip()

    def send(self, text):
        self.process.stdin.write(text + "\n")
        self.process.stdin.flush()

    def command(self, text, timeout=10):
        self.send(text)
        return self.answer(timeout)

    def finish(self):
        """Ends the probe normally and checks that it ended with 0."""
        self.send("quit")
        code, _, err = self.program.wait(20)
        check(code == 0, f"the probe ended with {code}: {err}")

    def origin(self):
        # On X11 the window is the client area, at any size.
        return self.desk.geometry(self.window)[:2]

    def expect_picture(self, expected, what, width=800, height=600):
        last = []

        def matches():
            last[:] = picture_problems(self.desk.screenshot(), self.origin(), expected, width,
                                       height)
            return not last

        try:
            wait_for(what, matches, timeout=10)
        except TestFailure as failure:
            raise TestFailure(f"{failure}; wrong pixels (x, y, seen, wanted): {last}") from None


def test_window(desk, probe):
    x, y, width, height = desk.geometry(probe.window)
    check((width, height) == (800, 600), f"client area {width} x {height}")
    names = desk.xprop(probe.window, "WM_NAME", "_NET_WM_NAME")
    check('WM_NAME(STRING) = "Fractals"' in names, names)
    check('_NET_WM_NAME(UTF8_STRING) = "Fractals"' in names, names)
    # Functions flag set; resize, move, minimise and maximise, but not close.
    hints = desk.xprop(probe.window, "_MOTIF_WM_HINTS")
    check("= 0x1, 0x1e," in hints, hints)
    protocols = desk.xprop(probe.window, "WM_PROTOCOLS")
    check("WM_DELETE_WINDOW" in protocols, protocols)
    owner = desk.xprop(probe.window, "_NET_WM_PID", "WM_CLIENT_MACHINE")
    check(f"_NET_WM_PID(CARDINAL) = {probe.process.pid}" in owner, owner)
    check(f'WM_CLIENT_MACHINE(STRING) = "{socket.gethostname()}"' in owner, owner)
    probe.finish()


def test_repaint(desk, probe):
    probe.expect_picture(probe_pattern(), "the pattern in the window")
    left, top = probe.origin()
    desk.run("xdotool", "windowunmap", "--sync", probe.window)
    check(desk.screenshot().at(left + 400, top + 300) != PALETTE[124],
          "the window still shows after it was unmapped")
    # Mapped again, the server only clears the window to black: the pattern
    # is back only if the window was repainted from the memory image.
    desk.run("xdotool", "windowmap", "--sync", probe.window)
    probe.expect_picture(probe_pattern(), "the pattern repainted")
    probe.finish()


def test_keys(desk, probe):
    probe.send("keys 7")
    # Zoom keys on both keyboards, Enter on both, an arrow (#0 and its code).
    desk.type_keys(probe.window, "minus", "KP_Subtract", "equal", "Return", "KP_Enter", "Left")
    check(probe.answer() == "45 45 61 13 13 0 75", "wrong characters")
    probe.finish()


def test_focus_lost(desk, probe):
    # Ctrl pressed in the window and let go after the focus left it: F3 back
    # in the window is F3 (#0 61), not Ctrl+F3 (#0 96).
    root = re.search(r"Window id: (0x[0-9a-f]+)", desk.run("xwininfo", "-root")).group(1)
    probe.send("keys 2")
    desk.focus(probe.window)
    desk.run("xdotool", "keydown", "ctrl")
    # Keys go to the window under the pointer while the root has the focus.
    desk.run("xdotool", "mousemove", "1020", "760")
    desk.focus(root)
    desk.run("xdotool", "keyup", "ctrl")
    desk.type_keys(probe.window, "F3")
    check(probe.answer() == "0 61", "Ctrl still counts as held")
    probe.finish()


def test_server_killed(desk, probe):
    check(probe.command("spin") == "spinning", "spin not answered")
    time.sleep(0.3)  # let it draw for a while
    desk.server.process.send_signal(signal.SIGKILL)
    desk.server.process.wait()
    try:
        code = probe.process.wait(15)
    except subprocess.TimeoutExpired:
        raise TestFailure("the program hangs after the X server went away") from None
    error = probe.process.stderr.read()
    check(code != 0, "the program ended with 0 after losing its display")
    check("X server" in error, f"no message on standard error: {error!r}")


TESTS = {name[5:]: test for name, test in globals().items() if name.startswith("test_")}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("probe")
    parser.add_argument("test", choices=sorted(TESTS))
    args = parser.parse_args()
    try:
        with Desktop() as desk:
            TESTS[args.test](desk, Probe(desk, args.probe))
    except TestFailure as failure:
        print(f"FAILED {args.test}: {failure}")
        return 1
    print(f"passed {args.test}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
