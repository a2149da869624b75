#!/usr/bin/env python3
"""End-to-end tests of the program and of the window-system probe on a real
desktop: an Xvfb of the test's own, the Linux build run directly or the
Windows build run under Wine inside it, keys typed with xdotool, the screen
read back with ImageMagick's import.

    desktop_e2e.py [--wine --wineprefix DIR] (--probe EXE | --program EXE) TEST
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

CLIENT_W, CLIENT_H = 800, 600
PROBE_CORNERS = {(0, 0): (252, 84, 84), (799, 0): (84, 252, 84),
                 (0, 599): (84, 84, 252), (799, 599): (112, 28, 0)}
PROBE_BLOCK = ((350, 250, 450, 350), (252, 252, 84))
BLACK = (0, 0, 0)


class Failure(Exception):
    pass


def check(condition, text):
    if not condition:
        raise Failure(text)


def poll(what, probe, timeout=20.0, interval=0.1):
    """Calls probe until it returns something true; fails after timeout."""
    deadline = time.monotonic() + timeout
    last = None
    while time.monotonic() < deadline:
        last = probe()
        if last:
            return last
        time.sleep(interval)
    raise Failure(f"timed out waiting for {what} (last: {last!r})")


class Desktop:
    """An Xvfb of our own and the programs started on it."""

    def __init__(self, args, screen="1024x768x24"):
        self.args = args
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen, "-nolisten", "tcp"],
            pass_fds=(write_end,), stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        check(number, "Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=f":{number}")
        if args.wine:
            self.env.update(WINEPREFIX=args.wineprefix, WINEDEBUG="-all")
        self.process = None

    def start(self, exe):
        command = ["wine", exe] if self.args.wine else [exe]
        self.process = subprocess.Popen(command, env=self.env, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE)
        return self.process

    def wait_exit(self, timeout=30):
        try:
            self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end")
        return self.process.returncode

    def close(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if self.args.wine:
            subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
        self.xvfb.terminate()
        self.xvfb.wait()

    def run(self, *command, check_rc=True):
        result = subprocess.run(command, env=self.env, capture_output=True, text=True)
        if check_rc and result.returncode != 0:
            raise Failure(f"{command} failed: {result.stderr.strip()}")
        return result.stdout

    def find_window(self, name, timeout=60):
        """The X window whose name matches exactly, once it is mapped."""

        def search():
            out = self.run("xdotool", "search", "--onlyvisible", "--name", f"^{name}$",
                           check_rc=False)
            if self.process and self.process.poll() is not None:
                raise Failure(f"the program ended ({self.process.returncode}) "
                              f"before a window named {name!r} appeared")
            ids = out.split()
            if not ids and name != "Error" and self.run(
                    "xdotool", "search", "--onlyvisible", "--name", "^Error$",
                    check_rc=False).split():
                raise Failure(f"an \"Error\" box came up instead of the window {name!r}")
            return ids[0] if ids else None

        return poll(f"window {name!r}", search, timeout)

    def geometry(self, window):
        info = {}
        for line in self.run("xwininfo", "-id", window).splitlines():
            key, _, value = line.strip().partition(":")
            info[key] = value.strip()
        return (int(info["Absolute upper-left X"]), int(info["Absolute upper-left Y"]),
                int(info["Width"]), int(info["Height"]))

    def client_origin(self, window):
        """Where the 800 x 600 client area lies on the screen. The window's X
        geometry is the client area itself when the system leaves the frame to
        a window manager; where it draws a frame of its own around the client
        area, the frame is equally wide left, right and below."""
        x, y, width, height = self.geometry(window)
        check(width >= CLIENT_W and height >= CLIENT_H,
              f"window is {width} x {height}, smaller than the client area")
        frame = (width - CLIENT_W) // 2
        return x + frame, y + height - CLIENT_H - frame

    def screenshot(self):
        """The root window as rows of (r, g, b)."""
        with tempfile.NamedTemporaryFile(suffix=".ppm") as shot:
            self.run("import", "-window", "root", "-depth", "8", f"ppm:{shot.name}")
            data = open(shot.name, "rb").read()
        return Screen(data)

    def key(self, window, *keys):
        # Real key events (XTEST) into the focused window: both desktops
        # take them like typed keys.
        self.run("xdotool", "windowfocus", "--sync", window, check_rc=False)
        self.run("xdotool", "key", "--delay", "20", *keys)


class Screen:
    def __init__(self, ppm):
        fields = []
        pos = 0
        while len(fields) < 4:
            while ppm[pos:pos + 1].isspace():
                pos += 1
            start = pos
            while not ppm[pos:pos + 1].isspace():
                pos += 1
            fields.append(ppm[start:pos])
        check(fields[0] == b"P6" and fields[3] == b"255", "unexpected screenshot format")
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = ppm[pos + 1:]

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.pixels[i:i + 3])

    def region(self, left, top, width, height):
        """(x, y, colour) of every pixel of the region, x and y relative to it."""
        for y in range(height):
            row = 3 * ((top + y) * self.width + left)
            line = self.pixels[row:row + 3 * width]
            for x in range(width):
                yield x, y, tuple(line[3 * x:3 * x + 3])


def probe_pattern_problems(screen, origin, width=CLIENT_W, height=CLIENT_H):
    """What of the probe's pattern is missing, checked over the whole region."""
    ox, oy = origin
    (bl, bt, br, bb), block = PROBE_BLOCK
    problems = []
    for x, y, colour in screen.region(ox, oy, width, height):
        if (x, y) in PROBE_CORNERS:
            expected = PROBE_CORNERS[(x, y)]
        elif bl <= x < br and bt <= y < bb:
            expected = block
        else:
            expected = BLACK
        if colour != expected:
            problems.append((x, y, colour, expected))
            if len(problems) > 5:
                break
    return problems


def all_black(screen, origin):
    ox, oy = origin
    return next(((x, y, c) for x, y, c in screen.region(ox, oy, CLIENT_W, CLIENT_H)
                 if c != BLACK), None) is None


# --- Tests of the probe -----------------------------------------------------------


def start_probe(desk):
    desk.start(desk.args.probe)
    window = desk.find_window("Probe drawn")
    origin = desk.client_origin(window)
    poll("the probe's pattern on screen",
         lambda: not probe_pattern_problems(desk.screenshot(), origin))
    return window, origin


def end_with(desk, window, key, code):
    desk.key(window, key)
    rc = desk.wait_exit()
    check(rc == code, f"exit code {rc}, expected {code}")


def test_probe_window(desk):
    window, _ = start_probe(desk)
    x, y, width, height = desk.geometry(window)
    check((width, height) == (CLIENT_W, CLIENT_H) or (width > CLIENT_W and height > CLIENT_H),
          f"window geometry {width} x {height}")
    end_with(desk, window, "Return", 0)


def test_probe_pixels(desk):
    window, origin = start_probe(desk)
    problems = probe_pattern_problems(desk.screenshot(), origin)
    check(not problems, f"pattern differs: {problems}")
    end_with(desk, window, "Return", 0)


def test_probe_clear(desk):
    window, origin = start_probe(desk)
    desk.key(window, "c")
    poll("a black client area", lambda: all_black(desk.screenshot(), origin))
    desk.key(window, "d")
    poll("the pattern drawn again", lambda: not probe_pattern_problems(desk.screenshot(), origin))
    end_with(desk, window, "Return", 0)


def test_probe_repaint(desk):
    window, origin = start_probe(desk)
    # Covered by another window and uncovered: the picture comes back.
    cover = subprocess.Popen(["display", "-geometry", f"+{origin[0] + 300}+{origin[1] + 200}",
                              "-size", "300x200", "xc:white"], env=desk.env)
    try:
        poll("the cover window", lambda: desk.screenshot().at(origin[0] + 400, origin[1] + 300)
             == (255, 255, 255))
    finally:
        cover.kill()
        cover.wait()
    poll("the pattern after uncovering",
         lambda: not probe_pattern_problems(desk.screenshot(), origin))
    # Enlarged: the image at the top left, black beyond it.
    desk.run("xdotool", "windowsize", window, str(CLIENT_W + 100), str(CLIENT_H + 80))
    poll("the enlarged window", lambda: desk.geometry(window)[2] >= CLIENT_W + 100)
    grown = desk.geometry(window)
    poll("the pattern at the top left of the enlarged window",
         lambda: not probe_pattern_problems(desk.screenshot(), grown[:2], CLIENT_W + 100,
                                            CLIENT_H + 80))
    end_with(desk, window, "Return", 0)


def test_probe_exit_codes(desk):
    window, _ = start_probe(desk)
    end_with(desk, window, "Escape", 7)
    window, _ = start_probe(desk)
    end_with(desk, window, "Return", 0)


def test_probe_runtime_error(desk):
    # A fault while the window is open: the window closes, then the "Error"
    # box reports runtime error 205, and the exit code is 205.
    window, _ = start_probe(desk)
    desk.key(window, "o")
    box = desk.find_window("Error")
    check(not desk.run("xdotool", "search", "--onlyvisible", "--name", "^Probe drawn$",
                       check_rc=False).split(), "the window is still open under the box")
    desk.key(box, "Return")
    rc = desk.wait_exit()
    check(rc == 205, f"exit code {rc}, expected 205")


# --- Tests of the program -------------------------------------------------------


def test_program_error_box(desk):
    # On a screen too small for 800 x 600 the program cannot enter graphics
    # mode; its first pixel ends it with the "Error" box and exit code 1.
    desk.start(desk.args.program)
    box = desk.find_window("Error")
    check(desk.process.poll() is None, "the program ended before the box was dismissed")
    desk.key(box, "Return")
    rc = desk.wait_exit()
    check(rc == 1, f"exit code {rc}, expected 1")


# --- The Wine prefix ---------------------------------------------------------------


def fresh_prefix(args):
    shutil.rmtree(args.wineprefix, ignore_errors=True)
    env = dict(os.environ, WINEPREFIX=args.wineprefix, WINEDEBUG="-all")
    env.pop("DISPLAY", None)
    subprocess.run(["wineboot", "--init"], env=env, capture_output=True)
    subprocess.run(["wineserver", "-w"], env=env)
    check(os.path.isdir(os.path.join(args.wineprefix, "drive_c")), "wineboot made no prefix")


SCREENS = {"program_error_box": "640x480x24"}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", action="store_true")
    parser.add_argument("--wineprefix")
    parser.add_argument("--probe")
    parser.add_argument("--program")
    parser.add_argument("test")
    args = parser.parse_args()
    if args.wineprefix:
        args.wineprefix = os.path.abspath(args.wineprefix)
    try:
        if args.test == "fresh_prefix":
            fresh_prefix(args)
        else:
            desk = Desktop(args, SCREENS.get(args.test, "1024x768x24"))
            try:
                globals()[f"test_{args.test}"](desk)
            finally:
                desk.close()
    except Failure as failure:
        print(f"FAILED {args.test}: {failure}", file=sys.stderr)
        return 1
    print(f"passed {args.test}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
