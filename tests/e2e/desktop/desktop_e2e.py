#!/usr/bin/env python3
"""The shared desktop suite: the probe and the program on a real desktop, the
Linux build run directly or the Windows build run under Wine, both inside an
Xvfb of the test's own; keys typed with xdotool, the screen read back.

    desktop_e2e.py [--wineprefix DIR] (--probe EXE | --program EXE) TEST
"""

import argparse
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from desktop_harness import (CLIENT_H, CLIENT_W, Desktop, TestFailure, check,  # noqa: E402
                             make_prefix, picture_problems, probe_pattern, wait_for)

# --- Tests of the probe -----------------------------------------------------------


def start_probe(desk):
    """The probe's window once it shows the pattern; its client area's origin."""
    program = desk.start(desk.args.probe)
    window = desk.wait_window("Probe drawn", program)
    origin = desk.client_area(window)[:2]
    wait_for("the probe's pattern on screen",
             lambda: not picture_problems(desk.screenshot(), origin, probe_pattern()))
    return program, window, origin


def end_with(desk, program, window, key, code):
    desk.type_keys(window, key)
    rc, _, err = program.wait()
    check(rc == code, f"exit code {rc}, expected {code}; stderr: {err.strip()}")


def test_probe_window(desk):
    program, window, _ = start_probe(desk)
    x, y, width, height = desk.geometry(window)
    check((width, height) == (CLIENT_W, CLIENT_H) or (width > CLIENT_W and height > CLIENT_H),
          f"window geometry {width} x {height}")
    end_with(desk, program, window, "Return", 0)


def test_probe_pixels(desk):
    program, window, origin = start_probe(desk)
    problems = picture_problems(desk.screenshot(), origin, probe_pattern())
    check(not problems, f"pattern differs (x, y, seen, wanted): {problems}")
    end_with(desk, program, window, "Return", 0)


def test_probe_clear(desk):
    program, window, origin = start_probe(desk)
    desk.type_keys(window, "c")
    wait_for("a black client area", lambda: not picture_problems(desk.screenshot(), origin, {}))
    desk.type_keys(window, "d")
    wait_for("the pattern drawn again",
             lambda: not picture_problems(desk.screenshot(), origin, probe_pattern()))
    end_with(desk, program, window, "Return", 0)


def test_probe_repaint(desk):
    program, window, origin = start_probe(desk)
    # Covered by another window and uncovered: the picture comes back.
    cover = subprocess.Popen(["display", "-geometry", f"+{origin[0] + 300}+{origin[1] + 200}",
                              "-size", "300x200", "xc:white"], env=desk.env)
    try:
        wait_for("the cover window",
                 lambda: desk.screenshot().at(origin[0] + 400, origin[1] + 300) ==
                 (255, 255, 255))
    finally:
        cover.kill()
        cover.wait()
    wait_for("the pattern after uncovering",
             lambda: not picture_problems(desk.screenshot(), origin, probe_pattern()))
    # Enlarged: the image at the top left, black beyond it.
    desk.run("xdotool", "windowsize", window, str(CLIENT_W + 100), str(CLIENT_H + 80))
    wait_for("the enlarged window", lambda: desk.geometry(window)[2] >= CLIENT_W + 100)
    grown = desk.geometry(window)
    wait_for("the pattern at the top left of the enlarged window",
             lambda: not picture_problems(desk.screenshot(), grown[:2], probe_pattern(),
                                          CLIENT_W + 100, CLIENT_H + 80))
    end_with(desk, program, window, "Return", 0)


def test_probe_exit_codes(desk):
    program, window, _ = start_probe(desk)
    end_with(desk, program, window, "Escape", 7)
    program, window, _ = start_probe(desk)
    end_with(desk, program, window, "Return", 0)


def test_probe_runtime_error(desk):
    # A fault while the window is open: the window closes, then the "Error"
    # box reports runtime error 205, and the exit code is 205.
    program, window, _ = start_probe(desk)
    desk.type_keys(window, "o")
    box = desk.wait_window("Error", program)
    check(not desk.find_windows("Probe drawn"), "the window is still open under the box")
    desk.type_keys(box, "Return")
    rc, _, err = program.wait()
    check(rc == 205, f"exit code {rc}, expected 205; stderr: {err.strip()}")


def test_probe_window_thread_error(desk):
    # A fault on the window thread, which holds the drawing lock: the window
    # goes, and the "Error" box shows the report until it is dismissed, also
    # past the time the end is given to get unstuck.
    program, window, _ = start_probe(desk)
    desk.type_keys(window, "w")
    box = desk.wait_window("Error", program)
    check(not desk.find_windows("Probe drawn"), "the window is still open under the box")
    time.sleep(5)
    check(program.running(), "the program ended before the box was dismissed")
    check(desk.find_windows("Error"), "the box closed by itself")
    desk.type_keys(box, "Return")
    rc, _, err = program.wait()
    check(rc == 216, f"exit code {rc}, expected 216; stderr: {err.strip()}")


def test_surfaces_fail(desk):
    # Surfaces that cannot be made at WM_CREATE fail the window's creation:
    # the box "Window creation failed" (captioned "Error", as a box given no
    # caption is), GraphResult -11, and the first pixel ends the program with
    # the graphics-mode error box and exit code 1.
    program = desk.start(desk.args.probe)
    first = desk.wait_window("Error", program, timeout=60)
    check(not desk.find_windows("Graph window application"), "a window opened beside the box")
    maps = desk.watch_maps()
    desk.type_keys(first, "Return")
    second = maps.wait_window("Error", "the graphics-mode box", 20)
    desk.type_keys(second, "Return")
    rc, out, err = program.wait()
    check("GraphResult -11" in out, f"standard output: {out.strip()!r}")
    check(rc == 1, f"exit code {rc}, expected 1; stderr: {err.strip()}")


# --- Tests of the program -------------------------------------------------------


def test_program_error_box(desk):
    # On a screen too small for 800 x 600 the program cannot enter graphics
    # mode; its first pixel ends it with the "Error" box and exit code 1.
    program = desk.start(desk.args.program)
    box = desk.wait_window("Error", program)
    check(program.running(), "the program ended before the box was dismissed")
    desk.type_keys(box, "Return")
    rc, _, err = program.wait()
    check(rc == 1, f"exit code {rc}, expected 1; stderr: {err.strip()}")


SCREENS = {"program_error_box": "640x480x24"}
TESTS = {name[5:]: test for name, test in globals().items() if name.startswith("test_")}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wineprefix", help="run the .exe under Wine in this prefix")
    parser.add_argument("--probe")
    parser.add_argument("--program")
    parser.add_argument("test", choices=sorted(TESTS) + ["fresh_prefix"])
    args = parser.parse_args()
    try:
        if args.test == "fresh_prefix":
            make_prefix(args.wineprefix, fresh=True)
        else:
            with Desktop(SCREENS.get(args.test, "1024x768x24"), args.wineprefix) as desk:
                desk.args = args
                TESTS[args.test](desk)
    except TestFailure as failure:
        print(f"FAILED {args.test}: {failure}", file=sys.stderr)
        return 1
    print(f"passed {args.test}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
