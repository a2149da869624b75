"""A private X server and the program on it, for end-to-end tests.

Starts Xvfb (24-bit), starts the program (the Linux build, or fractals.exe
under Wine), finds its window by caption, reads its client area from the
window's geometry, takes screenshots and types keys with xdotool.
"""
import os
import re
import select
import shutil
import signal
import subprocess
import time


class TestFailure(AssertionError):
    pass


def wait_for(what, predicate, timeout):
    """Polls predicate until it returns a true value; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TestFailure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.05)


class XServer:
    def __init__(self):
        read_fd, write_fd = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        ready, _, _ = select.select([read_fd], [], [], 20)
        if not ready:
            self.process.kill()
            raise TestFailure("Xvfb did not start")
        number = os.read(read_fd, 16).decode().strip()
        os.close(read_fd)
        self.display = f":{number}"
        self.env = dict(os.environ, DISPLAY=self.display)

    def run(self, *args, check=True):
        result = subprocess.run(list(args), env=self.env, capture_output=True, text=True,
                                timeout=120)
        if check and result.returncode != 0:
            raise TestFailure(f"{args[0]} failed: {result.stderr.strip()}")
        return result.stdout

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()

    # --- windows ---------------------------------------------------------

    def find_window(self, caption):
        out = self.run("xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(caption)}$",
                       check=False)
        ids = [int(line) for line in out.split()]
        return ids[0] if ids else None

    def geometry(self, window):
        """Position and size of the window, in root coordinates."""
        out = self.run("xwininfo", "-id", str(window))
        field = lambda name: int(re.search(rf"{name}:\s+(-?\d+)", out).group(1))
        return (field("Absolute upper-left X"), field("Absolute upper-left Y"),
                field("Width"), field("Height"))

    def client_area(self, window, width=800, height=600):
        """The client area: the window less a frame of equal width on the left,
        right and bottom, and the caption above (Wine draws its own frame when
        no window manager runs; the X11 build has none)."""
        x, y, w, h = self.geometry(window)
        frame = (w - width) // 2
        return (x + frame, y + h - height - frame, width, height)

    def caption(self, window):
        return self.run("xdotool", "getwindowname", str(window)).strip()

    def motif_hints(self, window):
        return self.run("xprop", "-id", str(window), "_MOTIF_WM_HINTS", check=False)

    # --- pixels ----------------------------------------------------------

    def screenshot(self, area=None):
        """Pixels of the screen (or of area = (x, y, w, h)) as rows of RGB
        triples, 8 bits per component."""
        data = subprocess.run(["/usr/bin/import", "-silent", "-window", "root", "-depth", "8", "ppm:-"],
                              env=self.env, capture_output=True, timeout=60).stdout
        width, height, pixels = parse_ppm(data)
        ax, ay, aw, ah = area if area else (0, 0, width, height)
        rows = []
        for row in range(ay, ay + ah):
            start = (row * width + ax) * 3
            line = pixels[start:start + aw * 3]
            rows.append([tuple(line[i:i + 3]) for i in range(0, len(line), 3)])
        return rows

    # --- keys ------------------------------------------------------------

    def keys(self, window, *names, delay_ms=12):
        self.run("xdotool", "key", "--window", str(window), "--delay", str(delay_ms), *names)

    def focus(self, window):
        self.run("xdotool", "windowfocus", "--sync", str(window), check=False)


def parse_ppm(data):
    match = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
    if not match:
        raise TestFailure("screenshot is not a PPM image")
    width, height = int(match.group(1)), int(match.group(2))
    return width, height, data[match.end():]


class Program:
    """The program under test, started on an X server."""

    def __init__(self, xserver, command, env=None):
        self.xserver = xserver
        self.process = subprocess.Popen(
            command, env=env if env is not None else xserver.env,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def wait(self, timeout):
        try:
            out, err = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise TestFailure(f"the program did not end within {timeout} s")
        return self.process.returncode, out, err

    def running(self):
        return self.process.poll() is None

    def kill(self):
        if self.running():
            self.process.kill()
            self.process.communicate()


def program_command(target, program):
    if target == "windows":
        return ["wine", program]
    return [program]


def wine_env(env):
    env = dict(env)
    env.setdefault("WINEDEBUG", "-all")
    return env


def require_tools(*names):
    missing = [n for n in names if shutil.which(n) is None]
    if missing:
        raise TestFailure("missing tools: " + ", ".join(missing))


def stop_wine(env):
    if shutil.which("wineserver"):
        subprocess.run(["wineserver", "-k"], env=env, capture_output=True, timeout=30)


__all__ = ["XServer", "Program", "TestFailure", "wait_for", "program_command", "wine_env",
           "require_tools", "stop_wine", "signal"]
