"""The graphics window on X11, seen from outside.

Each test starts a private Xvfb, starts x11_graph_probe on it (the graphics
module on the X11 window system, driven through its standard input), and
looks at the window with xwininfo, xprop, xdotool and screenshots.

Usage: x11_window_e2e.py PROBE TEST
"""
import argparse
import os
import select
import signal
import subprocess
import sys
import time

# The pattern x11_graph_probe draws, in palette colours as the window shows them.
PALETTE = {
    113: (112, 28, 0), 114: (112, 56, 0), 115: (112, 84, 0), 116: (112, 112, 0),
    117: (84, 112, 0), 118: (56, 112, 0), 119: (28, 112, 0), 120: (0, 112, 0),
    121: (0, 112, 28), 122: (0, 112, 56), 123: (0, 112, 84), 124: (0, 112, 112),
    125: (0, 84, 112), 126: (0, 56, 112), 127: (0, 28, 112), 128: (56, 56, 112),
}
BLACK = (0, 0, 0)


def pattern():
    pixels = {(0, 0): PALETTE[113], (799, 0): PALETTE[116], (0, 599): PALETTE[120],
              (799, 599): PALETTE[128], (400, 300): PALETTE[124]}
    for colour in range(113, 129):
        for x in range(4):
            pixels[(100 + (colour - 113) * 4 + x, 200)] = PALETTE[colour]
    # Where the clipped pixels would land if clipping wrapped or were off by one.
    for spot in [(0, 10), (799, 10), (799, 9), (10, 599), (10, 0), (401, 300), (399, 300),
                 (400, 301), (400, 299), (99, 200), (164, 200), (120, 199), (120, 201)]:
        pixels[spot] = BLACK
    return pixels


class Failure(AssertionError):
    pass


def check(condition, text):
    if not condition:
        raise Failure(text)


def wait_for(what, predicate, timeout=10.0):
    """Polls predicate until it gives a true value; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.05)


class Desktop:
    def __init__(self):
        # Several test suites start X servers on this machine at once, so the
        # display is one whose lock names this very server.
        first = 200 + os.getpid() % 300
        for number in list(range(first, 500)) + list(range(200, first)):
            if os.path.exists(f"/tmp/.X{number}-lock"):
                continue
            self.server = subprocess.Popen(
                ["Xvfb", f":{number}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.display = f":{number}"
            self.env = dict(os.environ, DISPLAY=self.display)
            if self.serving(number):
                break
            self.stop_server()
        else:
            raise Failure("no free display for Xvfb")
        self.probe = None

    def serving(self, number):
        """Waits until this server takes clients; false if it gave up."""
        deadline = time.monotonic() + 8
        while time.monotonic() < deadline:
            if self.server.poll() is not None:
                return False
            try:
                with open(f"/tmp/.X{number}-lock") as lock:
                    owner = int(lock.read().strip() or 0)
            except (OSError, ValueError):
                owner = 0
            if owner == self.server.pid and subprocess.run(
                    ["xprop", "-root", "-len", "0"], env=self.env,
                    capture_output=True).returncode == 0:
                return True
            time.sleep(0.05)
        return False

    def stop_server(self):
        if self.server.poll() is None:
            self.server.terminate()
            try:
                self.server.wait(10)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()

    def start(self, probe):
        self.probe = subprocess.Popen([probe], env=self.env, stdin=subprocess.PIPE,
                                      stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        words = self.answer(20).split()
        check(len(words) == 2 and words[0] == "ready", f"probe said {words!r}")
        return words[1]

    def answer(self, timeout=10):
        ready, _, _ = select.select([self.probe.stdout], [], [], timeout)
        if not ready:
            raise Failure("the probe did not answer")
        line = self.probe.stdout.readline()
        if not line:
            raise Failure(f"the probe ended on {self.display}: {self.probe.wait()} {self.probe.stderr.read()}")
        return line.strip()

    def command(self, text, timeout=10):
        self.probe.stdin.write(text + "\n")
        self.probe.stdin.flush()
        return self.answer(timeout)

    def finish(self):
        """Ends the probe normally and checks that it ended with 0."""
        self.probe.stdin.write("quit\n")
        self.probe.stdin.flush()
        code = self.probe.wait(20)
        check(code == 0, f"the probe ended with {code}: {self.probe.stderr.read()}")

    def run(self, *args):
        result = subprocess.run(list(args), env=self.env, capture_output=True, text=True,
                                timeout=60)
        check(result.returncode == 0, f"{args[0]} failed: {result.stderr.strip()}")
        return result.stdout

    def geometry(self, window):
        info = {}
        for line in self.run("xwininfo", "-id", window).splitlines():
            key, _, value = line.strip().partition(":")
            info[key] = value.strip()
        return info

    def origin(self, window):
        info = self.geometry(window)
        return int(info["Absolute upper-left X"]), int(info["Absolute upper-left Y"])

    def screenshot(self):
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=self.env,
                              capture_output=True, timeout=60, check=True).stdout
        return Screen(data)

    def close(self):
        if self.probe and self.probe.poll() is None:
            self.probe.kill()
            self.probe.wait()
        self.stop_server()


class Screen:
    def __init__(self, ppm):
        fields = []
        position = 0
        while len(fields) < 4:  # magic, width, height, maximum
            while ppm[position:position + 1].isspace():
                position += 1
            end = position
            while not ppm[end:end + 1].isspace():
                end += 1
            fields.append(ppm[position:end])
            position = end
        check(fields[0] == b"P6" and fields[3] == b"255", f"unexpected screenshot {fields}")
        self.width = int(fields[1])
        self.pixels = ppm[position + 1:]

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])


def mismatches(desk, window, expected):
    left, top = desk.origin(window)
    screen = desk.screenshot()
    return [(spot, screen.at(left + spot[0], top + spot[1]), colour)
            for spot, colour in expected.items()
            if screen.at(left + spot[0], top + spot[1]) != colour]


def expect_picture(desk, window, expected, what):
    last = []

    def matches():
        last[:] = mismatches(desk, window, expected)
        return not last

    try:
        wait_for(what, matches)
    except Failure as failure:
        raise Failure(f"{failure}; wrong pixels (where, seen, wanted): {last[:6]}") from None


def test_window(desk, probe):
    window = desk.start(probe)
    info = desk.geometry(window)
    check((info["Width"], info["Height"]) == ("800", "600"),
          f"client area {info['Width']} x {info['Height']}")
    names = desk.run("xprop", "-id", window, "WM_NAME", "_NET_WM_NAME")
    check('WM_NAME(STRING) = "Fractals"' in names, names)
    check('_NET_WM_NAME(UTF8_STRING) = "Fractals"' in names, names)
    # Functions flag set; resize, move, minimise and maximise, but not close.
    hints = desk.run("xprop", "-id", window, "_MOTIF_WM_HINTS")
    check("= 0x1, 0x1e," in hints, hints)
    protocols = desk.run("xprop", "-id", window, "WM_PROTOCOLS")
    check("WM_DELETE_WINDOW" in protocols, protocols)
    desk.finish()


def test_pixels(desk, probe):
    window = desk.start(probe)
    expect_picture(desk, window, pattern(), "the pattern in the window")
    desk.finish()


def test_clear(desk, probe):
    window = desk.start(probe)
    expect_picture(desk, window, pattern(), "the pattern in the window")
    check(desk.command("clear") == "cleared", "clear not answered")
    expect_picture(desk, window, {spot: BLACK for spot in pattern()}, "a black window")
    check(desk.command("draw") == "drawn", "draw not answered")
    expect_picture(desk, window, pattern(), "the pattern drawn again")
    desk.finish()


def test_repaint(desk, probe):
    window = desk.start(probe)
    expect_picture(desk, window, pattern(), "the pattern in the window")
    desk.run("xdotool", "windowunmap", "--sync", window)
    left, top = desk.origin(window)
    check(desk.screenshot().at(left + 400, top + 300) != PALETTE[124],
          "the window still shows after it was unmapped")
    # Mapped again, the server only clears the window to black: the pattern
    # is back only if the window was repainted from the memory image.
    desk.run("xdotool", "windowmap", "--sync", window)
    expect_picture(desk, window, pattern(), "the pattern repainted")
    desk.finish()


def test_enlarged(desk, probe):
    window = desk.start(probe)
    expect_picture(desk, window, pattern(), "the pattern in the window")
    desk.run("xdotool", "windowsize", "--sync", window, "1000", "700")
    expected = pattern()
    expected.update({(900, 100): BLACK, (100, 650): BLACK, (999, 699): BLACK, (850, 599): BLACK})
    expect_picture(desk, window, expected, "the image at the top left, black beyond it")
    desk.finish()


def test_keys(desk, probe):
    window = desk.start(probe)
    desk.probe.stdin.write("keys 7\n")
    desk.probe.stdin.flush()
    # Zoom keys on both keyboards, Enter on both, an arrow (#0 and its code).
    desk.run("xdotool", "key", "--window", window, "minus", "KP_Subtract", "equal", "Return",
             "KP_Enter", "Left")
    check(desk.answer() == "45 45 61 13 13 0 75", "wrong characters")
    desk.finish()


def test_server_killed(desk, probe):
    desk.start(probe)
    check(desk.command("spin") == "spinning", "spin not answered")
    time.sleep(0.3)  # let it draw for a while
    desk.server.send_signal(signal.SIGKILL)
    desk.server.wait()
    try:
        code = desk.probe.wait(15)
    except subprocess.TimeoutExpired:
        raise Failure("the program hangs after the X server went away") from None
    error = desk.probe.stderr.read()
    check(code != 0, "the program ended with 0 after losing its display")
    check("X server" in error, f"no message on standard error: {error!r}")


TESTS = {name[5:]: test for name, test in globals().items() if name.startswith("test_")}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("probe")
    parser.add_argument("test", choices=sorted(TESTS))
    args = parser.parse_args()
    desk = Desktop()
    try:
        TESTS[args.test](desk, args.probe)
    except Failure as failure:
        print(f"FAILED {args.test}: {failure}")
        return 1
    finally:
        desk.close()
    print(f"passed {args.test}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
