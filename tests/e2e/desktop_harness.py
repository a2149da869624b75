#!/usr/bin/env python3
"""A private X server and programs on it, for the end-to-end suites.

Starts an Xvfb of the test's own (24-bit), starts programs on it (natively,
or the Windows build under Wine), finds windows by caption, reads their
client area from the window's geometry, takes screenshots with ImageMagick's
import and types keys with xdotool.

Run as a script it starts a private Xvfb (and, with --wineprefix, makes the
Wine prefix if it is missing) and runs one command on it:

    desktop_harness.py [--wineprefix DIR] -- COMMAND [ARG...]
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import threading
import time

CLIENT_W, CLIENT_H = 800, 600
BLACK = (0, 0, 0)

# Screen colours of the palette entries the tests look for: the program's
# colours 113 to 128, and 9, 10, 12 and 14 of the standard sixteen.
PALETTE = {
    9: (84, 84, 252), 10: (84, 252, 84), 12: (252, 84, 84), 14: (252, 252, 84),
    113: (112, 28, 0), 114: (112, 56, 0), 115: (112, 84, 0), 116: (112, 112, 0),
    117: (84, 112, 0), 118: (56, 112, 0), 119: (28, 112, 0), 120: (0, 112, 0),
    121: (0, 112, 28), 122: (0, 112, 56), 123: (0, 112, 84), 124: (0, 112, 112),
    125: (0, 84, 112), 126: (0, 56, 112), 127: (0, 28, 112), 128: (56, 56, 112),
}
PROGRAM_COLOURS = {BLACK} | {PALETTE[c] for c in range(113, 129)}

# What cannot reach a busy X server says; worth another try (the server's
# listen queue turns connections away with EAGAIN under load).
_NO_CONNECTION = re.compile(r"open display|open X server|Failed creating new xdo", re.I)


def probe_pattern():
    """What graph_probe draws in its client area: {(x, y): colour}, black
    elsewhere."""
    pixels = {(0, 0): PALETTE[12], (799, 0): PALETTE[10], (0, 599): PALETTE[9],
              (799, 599): PALETTE[113]}
    for colour in range(113, 129):
        for x in range(4):
            pixels[(100 + (colour - 113) * 4 + x, 200)] = PALETTE[colour]
    for y in range(250, 350):
        for x in range(350, 450):
            pixels[(x, y)] = PALETTE[14]
    pixels[(400, 300)] = PALETTE[124]
    return pixels


class TestFailure(AssertionError):
    pass


def check(condition, text):
    if not condition:
        raise TestFailure(text)


def wait_for(what, predicate, timeout=20.0, interval=0.05):
    """Polls predicate until it returns a true value; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TestFailure(f"timed out after {timeout} s waiting for {what} "
                              f"(last: {repr(value)[:200]})")
        time.sleep(interval)


def require_tools(*names):
    missing = [n for n in names if shutil.which(n) is None]
    check(not missing, "missing tools: " + ", ".join(missing))


# --- the X server ------------------------------------------------------------


class XServer:
    """An Xvfb of our own. Several suites start X servers on this machine at
    once, and Xvfb -displayfd then sometimes names a display no server
    serves; so the display is picked here, and taken only once its lock file
    names this very server and a client gets through."""

    def __init__(self, screen="1024x768x24", options=()):
        first = 200 + os.getpid() % 300
        for number in list(range(first, 500)) + list(range(200, first)):
            if os.path.exists(f"/tmp/.X{number}-lock"):
                continue
            self.process = subprocess.Popen(
                ["Xvfb", f":{number}", "-screen", "0", screen, "-nolisten", "tcp", "-noreset",
                 *options],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.display = f":{number}"
            self.env = dict(os.environ, DISPLAY=self.display)
            if self._serving(number):
                return
            self.stop()
        raise TestFailure("no free display for Xvfb")

    def _serving(self, number):
        """Waits until this server takes clients; false if it gave up."""
        deadline = time.monotonic() + 8
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                return False
            try:
                with open(f"/tmp/.X{number}-lock") as lock:
                    owner = int(lock.read().strip() or 0)
            except (OSError, ValueError):
                owner = 0
            if owner == self.process.pid and subprocess.run(
                    ["xprop", "-root", "-len", "0"], env=self.env,
                    capture_output=True).returncode == 0:
                return True
            time.sleep(0.05)
        return False

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


# --- Wine --------------------------------------------------------------------


def wine_env(env, prefix):
    return dict(env, WINEPREFIX=os.path.abspath(prefix), WINEDEBUG="-all")


def make_prefix(prefix, fresh=False):
    """Makes the Wine prefix (anew when fresh), without a display."""
    if fresh:
        shutil.rmtree(prefix, ignore_errors=True)
    env = wine_env(os.environ, prefix)
    env.pop("DISPLAY", None)
    if not os.path.isdir(os.path.join(prefix, "drive_c")):
        subprocess.run(["wineboot", "--init"], env=env, capture_output=True, timeout=300)
        subprocess.run(["wineserver", "-w"], env=env, timeout=300)
    check(os.path.isdir(os.path.join(prefix, "drive_c")), "wineboot made no prefix")


def stop_wine(env):
    if shutil.which("wineserver"):
        subprocess.run(["wineserver", "-k"], env=env, capture_output=True, timeout=30)


# --- programs ----------------------------------------------------------------


class Program:
    """A program started on the desktop."""

    def __init__(self, command, env, stdin=False):
        self.process = subprocess.Popen(
            command, env=env, stdin=subprocess.PIPE if stdin else subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def running(self):
        return self.process.poll() is None

    def wait(self, timeout=30):
        """(exit code, standard output, standard error) once it ended."""
        try:
            out, err = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise TestFailure(f"the program did not end within {timeout} s") from None
        return self.process.returncode, out, err

    def kill(self):
        if self.running():
            self.process.kill()
        self.process.communicate()


# --- the desktop -------------------------------------------------------------


class Screen:
    """A screenshot: a PPM image of the root window, 8 bits per component."""

    def __init__(self, ppm):
        match = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", ppm)
        check(match and match.group(3) == b"255", f"unexpected screenshot: {ppm[:20]!r}")
        self.width, self.height = int(match.group(1)), int(match.group(2))
        self.pixels = ppm[match.end():]

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

    def rows(self, left, top, width, height):
        """The region as rows of colours."""
        rows = [[] for _ in range(height)]
        for _, y, colour in self.region(left, top, width, height):
            rows[y].append(colour)
        return rows


def picture_problems(screen, origin, expected, width=CLIENT_W, height=CLIENT_H):
    """Pixels of the region at origin that differ from expected ({(x, y):
    colour}, black elsewhere), as (x, y, seen, wanted); at most six."""
    ox, oy = origin
    problems = []
    for x, y, colour in screen.region(ox, oy, width, height):
        wanted = expected.get((x, y), BLACK)
        if colour != wanted:
            problems.append((x, y, colour, wanted))
            if len(problems) > 5:
                break
    return problems


class Desktop:
    """An X server of the test's own and the programs started on it; with a
    Wine prefix, .exe files run under Wine in that prefix."""

    def __init__(self, screen="1024x768x24", wineprefix=None):
        self.server = XServer(screen)
        self.display = self.server.display
        self.wine = wineprefix is not None
        self.env = wine_env(self.server.env, wineprefix) if self.wine else self.server.env
        self.programs = []
        self.watches = []

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        for watch in self.watches:
            watch.close()
        for program in self.programs:
            program.kill()
        if self.wine:
            stop_wine(self.env)
        self.server.stop()

    def start(self, exe, *args, env=None, stdin=False):
        command = (["wine", exe] if self.wine else [exe]) + list(args)
        program = Program(command, self.env if env is None else env, stdin)
        self.programs.append(program)
        return program

    def run(self, *command, check_rc=True, timeout=120):
        """Runs an X client to its end; its standard output."""
        for attempt in range(6):
            result = subprocess.run(list(command), env=self.env, capture_output=True,
                                    text=True, timeout=timeout)
            if result.returncode == 0 or not _NO_CONNECTION.search(result.stderr):
                break
            time.sleep(0.1 * (attempt + 1))
        if check_rc and result.returncode != 0:
            raise TestFailure(f"{command[0]} failed: {result.stderr.strip()}")
        return result.stdout

    # --- windows ---------------------------------------------------------

    def find_windows(self, caption):
        """The mapped windows captioned exactly so."""
        return self.run("xdotool", "search", "--onlyvisible", "--name",
                        f"^{re.escape(caption)}$", check_rc=False).split()

    def wait_window(self, caption, program=None, timeout=60, instead=("Error",)):
        """The window captioned so, once it is mapped. Fails at once when the
        program ends first, or when a window captioned one of instead comes
        up in its place."""

        def search():
            ids = self.find_windows(caption)
            if ids:
                return ids[0]
            if program is not None and not program.running():
                code, _, err = program.wait(5)
                raise TestFailure(f"the program ended ({code}) before a window captioned "
                                  f"{caption!r} appeared: {err.strip()}")
            for other in instead:
                check(other == caption or not self.find_windows(other),
                      f"a window captioned {other!r} came up instead of {caption!r}")
            return None

        return wait_for(f"a window captioned {caption!r}", search, timeout)

    def size(self, window):
        """A window's width and height, or None once it is gone."""
        try:
            return tuple(self.geometry(window)[2:])
        except TestFailure:
            return None

    def watch_maps(self):
        """Starts watching the windows that map from now on (MapWatch)."""
        watch = MapWatch(self)
        self.watches.append(watch)
        return watch

    def geometry(self, window):
        """Position and size of the window, in root coordinates."""
        info = {}
        for line in self.run("xwininfo", "-id", str(window)).splitlines():
            key, _, value = line.strip().partition(":")
            info[key] = value.strip()
        return (int(info["Absolute upper-left X"]), int(info["Absolute upper-left Y"]),
                int(info["Width"]), int(info["Height"]))

    def client_area(self, window, width=CLIENT_W, height=CLIENT_H):
        """Where the client area lies on the screen, as (x, y, width, height).
        The window's X geometry is the client area itself when the frame is
        left to a window manager (the X11 build); Wine without a window
        manager draws a frame of its own, equally wide left, right and below,
        with the caption above."""
        x, y, w, h = self.geometry(window)
        check(w >= width and h >= height,
              f"window is {w} x {h}, smaller than its client area")
        frame = (w - width) // 2
        return x + frame, y + h - height - frame, width, height

    def xprop(self, window, *properties, check_rc=True):
        return self.run("xprop", "-id", str(window), *properties, check_rc=check_rc)

    # --- pixels ----------------------------------------------------------

    def screenshot(self):
        """The root window."""
        import_tool = "/usr/bin/import" if os.path.exists("/usr/bin/import") else "import"
        for attempt in range(6):
            result = subprocess.run([import_tool, "-silent", "-window", "root", "-depth", "8",
                                     "ppm:-"], env=self.env, capture_output=True, timeout=60)
            if result.returncode == 0 or not _NO_CONNECTION.search(result.stderr.decode()):
                break
            time.sleep(0.1 * (attempt + 1))
        check(result.returncode == 0, f"import failed: {result.stderr.decode().strip()}")
        return Screen(result.stdout)

    # --- keys ------------------------------------------------------------

    def focus(self, window):
        self.run("xdotool", "windowfocus", "--sync", str(window), check_rc=False)

    def type_keys(self, window, *keys, delay_ms=20):
        """Real key events (XTEST) into the focused window, as typed: both
        desktops take them like a user's keys, and a key that closes the
        window leaves no event aimed at a window that is gone."""
        self.focus(window)
        self.run("xdotool", "key", "--delay", str(delay_ms), *keys)


class MapWatch:
    """The top-level windows mapped since the watch began, in the order they
    mapped, from the X server's own events (xev on the root window). A box
    that follows another is a new mapping even where the two are alike in
    every way a window can be asked about: same caption and size, and the
    same id, which a new connection gets once the first one's has closed."""

    def __init__(self, desktop):
        self.desktop = desktop
        self.mapped = []
        self.lock = threading.Lock()
        self.process = subprocess.Popen(
            ["stdbuf", "-oL", "xev", "-root", "-event", "substructure", "-event", "property"],
            env=desktop.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL, text=True)
        self.started = threading.Event()
        threading.Thread(target=self._read, daemon=True).start()
        # xev selects the events only once it runs: a property set on the
        # root after that comes back as an event, and from then on no
        # mapping is missed.
        wait_for("the map watch to start", self._mark, timeout=20, interval=0.1)

    def _mark(self):
        if self.started.is_set():
            return True
        self.desktop.run("xprop", "-root", "-f", "_FRACTALS_MAP_WATCH", "8s", "-set",
                         "_FRACTALS_MAP_WATCH", str(os.getpid()))
        return False

    def _read(self):
        event = None
        for line in self.process.stdout:
            words = line.replace(",", " ").split()
            if words[:1] and words[0].endswith("Notify"):
                event = words[0]
            if event == "PropertyNotify" and "(_FRACTALS_MAP_WATCH)" in words:
                self.started.set()
            if event == "MapNotify" and "window" in words and words[:1] == ["event"]:
                with self.lock:
                    self.mapped.append(words[words.index("window") + 1])

    def wait_window(self, caption, what, timeout=20):
        """The first window mapped since the watch began that is still
        mapped and captioned exactly so."""

        def search():
            shown = {int(w) for w in self.desktop.find_windows(caption)}
            with self.lock:
                mapped = list(self.mapped)
            return [w for w in mapped if int(w, 16) in shown]

        return str(int(wait_for(what, search, timeout)[0], 16))

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()


def main():
    parser = argparse.ArgumentParser(description="Runs a command on a private Xvfb.")
    parser.add_argument("--wineprefix", help="Wine prefix (made if missing)")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("no command")
    if args.wineprefix:
        make_prefix(args.wineprefix)
    server = XServer()
    env = wine_env(server.env, args.wineprefix) if args.wineprefix else server.env
    try:
        return subprocess.run(command, env=env).returncode
    finally:
        if args.wineprefix:
            stop_wine(env)
        server.stop()


if __name__ == "__main__":
    sys.exit(main())
