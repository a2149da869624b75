#!/usr/bin/env python3
"""The whole program on Wayland, under a headless sway of its own.

usage: wayland_e2e.py --program PATH [--probe PATH] --golden-frame PATH --case NAME

sway refuses to run as root, so as root the compositor and the program run
as an unprivileged user the test makes. Screenshots: grim; keys: wtype; the
window's place and size: swaymsg -t get_tree. The weston_ cases run under a
headless weston instead, which leaves the frame to the program (libdecor);
screenshots there: weston-screenshooter.
"""
import argparse
import glob
import json
import os
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import golden_frame  # noqa: E402
from desktop_harness import (PROGRAM_COLOURS, Program, Screen, TestFailure, check,  # noqa: E402
                             require_tools, wait_for)

USER = "fractals-e2e"
APP_ID = "org.example.Fractals"
CAPTION = "Fractals"
CENTRE = (399, 299)
LOST_LINE = "Lost the connection to the Wayland compositor"


def as_user():
    """The command prefix that runs a program as the test's user: nothing
    when the test is not root; as root, the user made first."""
    if os.geteuid() != 0:
        return []
    try:
        pwd.getpwnam(USER)
    except KeyError:
        subprocess.run(["useradd", "--system", "--user-group", "--no-create-home",
                        "--shell", "/usr/sbin/nologin", USER], check=True)
    return ["runuser", "-u", USER, "--"]


class UserProgram(Program):
    """A program run as the test's user, in a process group of its own, so
    that killing it kills what runuser started too."""

    def __init__(self, command):  # pylint: disable=super-init-not-called
        self.process = subprocess.Popen(command, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        text=True, start_new_session=True)

    def kill(self):
        if self.running():
            os.killpg(self.process.pid, signal.SIGKILL)
        self.process.communicate()


class Compositor:
    """A headless sway in a runtime folder of its own."""

    def __init__(self, width=1024, height=768, scale=1):
        self.prefix = as_user()
        self.folder = tempfile.mkdtemp(prefix="fractals-wayland-")
        if self.prefix:
            shutil.chown(self.folder, USER, USER)
        os.chmod(self.folder, 0o700)
        self.env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"),
                    "XDG_RUNTIME_DIR": self.folder, "HOME": self.folder,
                    "LANG": "C.UTF-8"}
        config = os.path.join(self.folder, "config")
        with open(config, "w") as f:
            f.write(f"output HEADLESS-1 resolution {width}x{height} scale {scale}\n"
                    "default_border normal\nfocus_on_window_activation focus\n")
        os.chmod(config, 0o644)
        env = dict(self.env, WLR_BACKENDS="headless", WLR_RENDERER="pixman",
                   WLR_LIBINPUT_NO_DEVICES="1")
        command = ["sway", "-c", config]
        self.log = open(os.path.join(self.folder, "compositor.log"), "w")
        self.process = subprocess.Popen(self.prefix + ["env", "-i"] +
                                        [f"{k}={v}" for k, v in env.items()] + command,
                                        stdout=self.log, stderr=subprocess.STDOUT,
                                        cwd=self.folder, start_new_session=True)
        wait_for("sway to listen", self._listening, 20)
        self.env["WAYLAND_DISPLAY"] = "wayland-1"
        self.programs = []
        wait_for("sway's IPC socket", self._ipc, 20)
        # A headless seat has a keyboard only while a virtual one is there,
        # and a key typed as the seat gains one may reach no client yet: one
        # stays there for the whole case.
        self.programs.append(UserProgram(self.command("wtype", "-s", "3600000")))

    def _listening(self):
        if self.process.poll() is not None:
            raise TestFailure(f"sway ended: {self.log_text()}")
        return os.path.exists(os.path.join(self.folder, "wayland-1"))

    def _ipc(self):
        for name in os.listdir(self.folder):
            if name.startswith("sway-ipc."):
                self.env["SWAYSOCK"] = os.path.join(self.folder, name)
                return True
        return False

    def log_text(self):
        self.log.flush()
        with open(self.log.name) as f:
            return f.read()[-2000:]

    def command(self, *args):
        return self.prefix + ["env", "-i"] + [f"{k}={v}" for k, v in self.env.items()] + list(args)

    def run(self, *args, binary=False, timeout=60):
        result = subprocess.run(self.command(*args), capture_output=True, timeout=timeout,
                                cwd=self.folder)
        if result.returncode != 0:
            raise TestFailure(f"{args[0]} failed: {result.stderr.decode(errors='replace')}")
        return result.stdout if binary else result.stdout.decode()

    def start(self, program, **extra):
        env_command = self.command(*[f"{k}={v}" for k, v in extra.items()], program)
        started = UserProgram(env_command)
        self.programs.append(started)
        return started

    def kill(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
        self.process.wait()

    def close(self):
        for program in self.programs:
            program.kill()
        self.kill()
        self.log.close()
        shutil.rmtree(self.folder, ignore_errors=True)

    def windows(self):
        """(app id, title, client x, y, width, height) of every window."""
        found = []

        def walk(node):
            if node.get("pid") and node.get("type") in ("con", "floating_con"):
                outer, inner = node["rect"], node["window_rect"]
                found.append((node.get("app_id"), node.get("name"), outer["x"] + inner["x"],
                              outer["y"] + inner["y"], inner["width"], inner["height"]))
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)

        walk(json.loads(self.run("swaymsg", "-t", "get_tree")))
        return found

    def wait_window(self, program, title=CAPTION):
        def search():
            if not program.running():
                code, _, err = program.wait(5)
                raise TestFailure(f"the program ended ({code}) before its window: {err}")
            hits = [w for w in self.windows() if w[1] == title]
            return hits[0] if hits else None
        return wait_for(f"a window titled {title!r}", search, 30)

    def screenshot(self):
        return Screen(self.run("grim", "-t", "ppm", "-", binary=True))

    def keys(self, *names, hold_ms=None):
        args = ["wtype", "-d", "15"]
        for name in names:
            args += ["-k", name] if hold_ms is None else ["-P", name, "-s", str(hold_ms),
                                                          "-p", name]
        self.run(*args)


class Weston(Compositor):
    """A headless weston (pixman, no decorations of its own) in a runtime
    folder of its own; it has no virtual keyboard and no list of windows, so
    what is seen is seen in screenshots."""

    def __init__(self):  # pylint: disable=super-init-not-called
        self.prefix = []
        self.folder = tempfile.mkdtemp(prefix="fractals-weston-")
        os.chmod(self.folder, 0o700)
        self.env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"),
                    "XDG_RUNTIME_DIR": self.folder, "HOME": self.folder,
                    "LANG": "C.UTF-8", "WAYLAND_DISPLAY": "wayland-1"}
        # No panel, which would cover the top of a window placed high; no
        # fades, whose last steps dim the picture by a shade.
        config = os.path.join(self.folder, "weston.ini")
        with open(config, "w") as f:
            f.write("[shell]\npanel-position=none\nstartup-animation=none\nanimation=none\n"
                    "close-animation=none\nfocus-animation=none\n")
        self.log = open(os.path.join(self.folder, "compositor.log"), "w")
        self.process = subprocess.Popen(
            ["env", "-i"] + [f"{k}={v}" for k, v in self.env.items()] +
            ["weston", f"--config={config}", "--backend=headless-backend.so", "--use-pixman",
             "--socket=wayland-1",
             "--width=1024", "--height=768", "--idle-time=0", "--debug"],
            stdout=self.log, stderr=subprocess.STDOUT, cwd=self.folder, start_new_session=True)
        self.programs = []
        wait_for("weston to listen", self._listening, 20)

    def _listening(self):
        if self.process.poll() is not None:
            raise TestFailure(f"weston ended: {self.log_text()}")
        return os.path.exists(os.path.join(self.folder, "wayland-1"))

    def screenshot(self):
        shots = tempfile.mkdtemp(dir=self.folder)
        result = subprocess.run(self.command("weston-screenshooter"), capture_output=True,
                                timeout=60, cwd=shots)
        found = glob.glob(os.path.join(shots, "*.png"))
        if result.returncode != 0 or not found:
            raise TestFailure(f"weston-screenshooter failed: {result.stderr.decode()}")
        ppm = subprocess.run(["convert", found[0], "-alpha", "off", "ppm:-"],
                             capture_output=True, check=True, timeout=60).stdout
        shutil.rmtree(shots, ignore_errors=True)
        return Screen(ppm)


# --- what the picture shows -----------------------------------------------------


def lit(screen, area):
    return [(x, y) for x, y, rgb in screen.region(*area) if rgb != (0, 0, 0)]


def spread(points, centre=CENTRE):
    """How far the farthest lit pixel lies from the centre."""
    return max((max(abs(x - centre[0]), abs(y - centre[1])) for x, y in points), default=0)


def expect_exit(program, code, timeout=20):
    got, _, err = program.wait(timeout)
    check(got == code, f"exit code {got}, expected {code}; stderr: {err.strip()}")
    return err


def expect_golden(args, screen, origin):
    frame, differs = golden_frame.match(args.golden_frame, screen, origin)
    check(differs == 0, f"the window is no frame's picture: frame {frame} differs in "
                        f"{differs} pixels")
    return frame


def longest_run(row):
    """(colour, length) of the longest run of one colour in a row."""
    best, colour, length = (None, 0), None, 0
    for rgb in row:
        length = length + 1 if rgb == colour else 1
        colour = rgb
        if length > best[1]:
            best = (colour, length)
    return best


def title_bar(screen):
    """(left, top, width, height) of the program's title bar: the rows with a
    run of one colour, not the picture's, longer than weston's background
    has; None where there are none."""
    rows = []
    for y, row in enumerate(screen.rows(0, 0, screen.width, screen.height)):
        colour, length = longest_run(row)
        if length >= 250 and colour not in PROGRAM_COLOURS:
            rows.append((y, colour, row))
        elif rows:
            break
    if not rows:
        return None
    last, colour, row = rows[-1]
    xs = [x for x, rgb in enumerate(row) if rgb == colour]
    return min(xs), rows[0][0], max(xs) - min(xs) + 1, len(rows)


def open_window(desk, args):
    program = desk.start(args.program)
    window = desk.wait_window(program)
    return program, window


# --- cases on sway ------------------------------------------------------------------


def case_window(desk, args):
    """The app id, the title, 800 x 600, colours of the palette only, and
    screenshots that are the golden frames exactly, the picture turning."""
    program, window = open_window(desk, args)
    app_id, _, x, y, w, h = window
    check(app_id == APP_ID, f"app id {app_id!r}")
    check((w, h) == (800, 600), f"client area {w} x {h}")
    area = (x, y, 800, 600)
    shot = wait_for("a lit picture", lambda: (lambda s: s if lit(s, area) else None)(
        desk.screenshot()), 20)
    colours = {rgb for _, _, rgb in shot.region(*area)}
    check(colours <= PROGRAM_COLOURS, f"colours outside the palette: {sorted(colours - PROGRAM_COLOURS)[:8]}")
    # Taken first, matched after: matching takes longer than the frames do.
    shots = [desk.screenshot() for _ in range(3)]
    frames = {expect_golden(args, shot, (x, y)) for shot in shots}
    check(len(frames) > 1, f"the picture did not turn: frames {frames}")
    check(program.running(), "the program ended")


def case_enter(desk, args):
    """Enter ends the program with exit code 0 and takes the window away."""
    program, _ = open_window(desk, args)
    desk.keys("Return")
    err = expect_exit(program, 0)
    check("Error" not in err, f"unexpected error output: {err.strip()}")
    check(not [w for w in desk.windows() if w[1] == CAPTION], "the window is still there")


def case_zoom(desk, args):
    """27 x '-' draws everything within 2 pixels of the centre; '=' zooms in
    again."""
    program, (_, _, x, y, _, _) = open_window(desk, args)
    area = (x, y, 800, 600)
    desk.keys(*["minus"] * 27)
    wait_for("every lit pixel within 2 pixels of the centre",
             lambda: (lambda p: p and spread(p) <= 2)(lit(desk.screenshot(), area)), 20)
    desk.keys(*["equal"] * 5)
    wait_for("'=' to zoom in", lambda: spread(lit(desk.screenshot(), area)) > 20, 20)
    check(program.running(), "the program ended")


def case_odd_keys(desk, args):
    """Characters outside Latin-1 (each a new keymap from wtype), keys the
    program has no use for and a flood of 300 keys without a pause: it goes
    on, and Enter still ends it with exit code 0."""
    program, _ = open_window(desk, args)
    desk.run("wtype", "\u0436\u20ac\U0001f600")
    desk.keys("F13", "XF86AudioMute", "Menu", "Hyper_L", "Pause")
    desk.run("wtype", *["-k", "x"] * 300)
    check(program.running(), "the program ended")
    desk.keys("Return")
    err = expect_exit(program, 0)
    check("Error" not in err, f"unexpected error output: {err.strip()}")


def case_close(desk, args):
    """The compositor's close request ends the program like Enter."""
    program, _ = open_window(desk, args)
    desk.run("swaymsg", f"[app_id={APP_ID}]", "kill")
    expect_exit(program, 0)


def extent(desk, area, shots=8):
    """The picture's half-width as it turns: the largest spread of several
    screenshots."""
    return max(spread(lit(desk.screenshot(), area)) for _ in range(shots))


def case_repeat(desk, args):
    """'-' held for 1 s repeats at the compositor's rate after its delay
    (sway's virtual keyboard: 25 a second after 600 ms), about 10 more zoom
    steps: the picture shrinks to about 0.6 of its size after one step;
    without repeats it would stay at 0.96, at a runaway rate it would all
    but vanish."""
    program, (_, _, x, y, _, _) = open_window(desk, args)
    area = (x, y, 800, 600)
    desk.keys("minus")
    time.sleep(0.5)
    once = extent(desk, area)
    desk.keys("minus", hold_ms=1000)
    time.sleep(0.5)
    ratio = extent(desk, area) / once
    check(0.3 < ratio < 0.8, f"held '-' left the picture at {ratio:.2f} of its size")
    check(program.running(), "the program ended")


def take_down(screen, area, width=800, height=600):
    """The area taken down to width x height, one pixel of each block that
    shows one picture pixel, as a Screen: nearest neighbour, picture pixel i
    covers the area's pixels from ceil(i * W / width) to before
    ceil((i + 1) * W / width) (at 2, blocks of 2; at 1.5, blocks of 2 and 1
    by turns); fails on a block of more than one colour."""
    x, y, w, h = area
    cols = [-(-i * w // width) for i in range(width + 1)]
    rows = [-(-j * h // height) for j in range(height + 1)]
    out = bytearray()
    for j in range(height):
        lines = [screen.pixels[3 * ((y + r) * screen.width + x):
                               3 * ((y + r) * screen.width + x + w)]
                 for r in range(rows[j], rows[j + 1])]
        check(all(line == lines[0] for line in lines), f"the rows of picture row {j} differ")
        line = lines[0]
        for i in range(width):
            first = line[3 * cols[i]:3 * cols[i] + 3]
            if line[3 * cols[i]:3 * cols[i + 1]] != first * (cols[i + 1] - cols[i]):
                raise TestFailure(f"the block of picture pixel ({i}, {j}) is not one colour")
            out += first
    return Screen(b"P6\n%d %d\n255\n" % (width, height) + bytes(out))


def expect_scaled(desk, args, scale):
    """The window 800 x 600 logical pixels; the picture in the screenshot
    (grim's, in the output's pixels) scale times that, colours of the
    palette only, each picture pixel a block of one colour, and taken down
    to 800 x 600 a golden frame exactly."""
    program, (_, _, x, y, w, h) = open_window(desk, args)
    check((w, h) == (800, 600), f"client area {w} x {h} logical pixels")
    area = (round(scale * x), round(scale * y), round(scale * 800), round(scale * 600))
    wait_for("a lit picture", lambda: lit(desk.screenshot(), area), 20)
    for shot in [desk.screenshot() for _ in range(3)]:
        size = (round(scale * 1024), round(scale * 768))
        check((shot.width, shot.height) == size,
              f"a screenshot of {shot.width} x {shot.height} pixels")
        colours = {rgb for _, _, rgb in shot.region(*area)}
        check(colours <= PROGRAM_COLOURS,
              f"colours outside the palette (blurred?): {sorted(colours - PROGRAM_COLOURS)[:8]}")
        expect_golden(args, take_down(shot, area), (0, 0))
    check(program.running(), "the program ended")


def case_scale_two(desk, args):
    """On an output of scale 2 every picture pixel is a 2 x 2 block of the
    output's pixels."""
    expect_scaled(desk, args, 2)


def case_scale_fractional(desk, args):
    """An output of scale 1.5, which sway 1.7 announces as the whole scale 2
    with a mode of 1536 x 1152 and no fractional scale to prefer; its
    logical size (xdg-output), 1024 x 768, says 1.5: the window is 800 x 600
    logical pixels, its picture 1200 x 900 of the output's pixels, each
    picture pixel 1 or 2 of them wide and high, nothing blurred."""
    expect_scaled(desk, args, 1.5)


def case_killed(desk, args):
    """The compositor killed: the program ends with exit code 1 and says why."""
    program, _ = open_window(desk, args)
    desk.kill()
    err = expect_exit(program, 1)
    check(LOST_LINE in err, f"no word of the lost compositor: {err.strip()}")


def case_error_box(desk, args):
    """A runtime error in the probe: its window goes, the "Error" box shows
    the report's text (ink on white paper) and an OK button, and Enter ends
    with the error's code."""
    probe = desk.start(args.probe)
    desk.wait_window(probe, "Probe drawn")
    desk.keys("o")
    desk.wait_window(probe, "Error")
    check(not [w for w in desk.windows() if w[1] == "Probe drawn"],
          "the window is still open under the box")

    def drawn():
        # sway may place the box and then frame it: where it is now.
        _, _, x, y, w, h = desk.wait_window(probe, "Error")
        shot = desk.screenshot()
        return (shot, x, y, w, h) if shot.at(x + 1, y + 1) == (255, 255, 255) else None
    shot, x, y, w, h = wait_for("the box drawn", drawn, 20)
    ink = lambda px, py: sum(shot.at(x + px, y + py)) < 384  # noqa: E731
    # The button: an outline 80 x 26, centred, 16 pixels above the bottom,
    # paper just inside it, its label in the middle.
    bx, by = (w - 80) // 2, h - 16 - 26
    outline = [(bx + i, by + j) for i in range(80) for j in (0, 25)] + \
              [(bx + i, by + j) for i in (0, 79) for j in range(26)]
    check(all(ink(*p) for p in outline), "no OK button's outline")
    check(not ink(bx + 1, by + 1) and not ink(bx + 78, by + 24), "the button is not outlined")
    label = sum(ink(bx + i, by + j) for i in range(2, 78) for j in range(2, 24))
    check(label > 20, f"the button has no label ({label} dark pixels)")
    text = sum(ink(i, j) for i in range(w) for j in range(by - 16))
    check(text > 200, f"the box shows no text ({text} dark pixels)")
    desk.keys("Return")
    expect_exit(probe, 205)


def case_weston_window(desk, args):
    """libdecor's frame: a title bar as wide as the 800 x 600 client area
    with the caption in it; in the client area the golden frames exactly,
    the picture turning."""
    program = desk.start(args.program)

    def framed():
        if not program.running():
            raise TestFailure(f"the program ended: {program.wait(5)[2]}")
        shot = desk.screenshot()
        bar = title_bar(shot)
        return (shot, bar) if bar and lit(shot, (bar[0], bar[1] + bar[3], 800, 600)) else None
    shot, (left, top, width, height) = wait_for("a framed, lit window", framed, 30)
    check(width == 800, f"title bar {width} pixels wide")
    bar_colour = shot.at(left + 2, top + height // 2)
    caption = [p for p in shot.region(left + 300, top, 200, height) if p[2] != bar_colour]
    check(len(caption) > 50, "no caption in the title bar")
    origin = (left, top + height)
    frames = {expect_golden(args, s, origin) for s in [desk.screenshot() for _ in range(3)]}
    check(len(frames) > 1, f"the picture did not turn: frames {frames}")
    check(program.running(), "the program ended")


def case_weston_killed(desk, args):
    """weston killed under a libdecor window: exit code 1 and the reason."""
    program = desk.start(args.program)
    wait_for("a framed window", lambda: title_bar(desk.screenshot()), 30)
    desk.kill()
    err = expect_exit(program, 1)
    check(LOST_LINE in err, f"no word of the lost compositor: {err.strip()}")


CASES = {name[5:]: fn for name, fn in globals().items() if name.startswith("case_")}
SCALES = {"scale_two": 2, "scale_fractional": 1.5}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--probe")
    parser.add_argument("--golden-frame", required=True, type=lambda p: [p])
    parser.add_argument("--case", choices=sorted(CASES), required=True)
    args = parser.parse_args()
    if args.case.startswith("weston_"):
        require_tools("weston", "weston-screenshooter", "convert")
        desk = Weston()
    else:
        require_tools("sway", "swaymsg", "grim", "wtype")
        scale = SCALES.get(args.case, 1)
        desk = Compositor(round(1024 * scale), round(768 * scale), scale)
    try:
        CASES[args.case](desk, args)
    except TestFailure as failure:
        print(f"FAIL {args.case}: {failure}\nthe compositor said: {desk.log_text()}",
              file=sys.stderr)
        return 1
    finally:
        desk.close()
    print(f"ok {args.case}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
