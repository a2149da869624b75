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
import pty
import random
import re
import shlex
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import tty
import zlib

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from desktop_harness import (PROGRAM_COLOURS, Desktop, TestFailure, XServer,  # noqa: E402
                             check, require_tools, wait_for)

CAPTION = "Fractals"
CENTRE = (399, 299)
NOT_IN_GRAPHICS_MODE = "Error: Not in graphics mode (use InitGraph and test GraphResult afterwards)"
# Where the height map and the cloud take a moment, an end "at once" still
# takes this long; a patient search for a display takes seconds.
AT_ONCE = 2.0


class Session:
    def __init__(self, args, screen="1024x768x24"):
        self.args = args
        self.desk = Desktop(screen, wineprefix=args.wineprefix)
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


def case_small_stack(s):
    """Under a 16 KB stack limit (soft and hard, as `ulimit -s 16` sets it)
    the program runs and Enter still ends it with 0: its threads take
    stacks of their own size."""
    s.program = s.desk.start("sh", "-c", 'ulimit -s 16 && exec "$0"', s.args.program)
    s.window = s.desk.wait_window(CAPTION, s.program)
    s.desk.focus(s.window)
    s.keys("Return")
    expect_exit(s, 0)


def case_close(s):
    """The window manager's close request ends the program like Enter."""
    window = s.open_window()
    s.desk.run(*s.args.emulator, s.args.send_delete, window)
    expect_exit(s, 0)


def free_display():
    """A display name no X server serves."""
    for number in range(900, 1000):
        if not os.path.exists(f"/tmp/.X{number}-lock") and \
                not os.path.exists(f"/tmp/.X11-unix/X{number}"):
            return f":{number}"
    raise TestFailure("no unused display number")


def run_without_server(command, display, stderr_on_terminal=False):
    """Runs the command (the program, under its emulator if any) where no X
    server answers; (exit code, seconds, what it wrote to standard error)."""
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    if display is not None:
        env["DISPLAY"] = display
    start = time.monotonic()
    if not stderr_on_terminal:
        result = subprocess.run(command, env=env, stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=60)
        return result.returncode, time.monotonic() - start, result.stderr
    master, slave = pty.openpty()
    tty.setraw(slave)  # the bytes as written: no LF -> CR LF on the way out
    process = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=slave)
    os.close(slave)
    output = b""
    while True:
        try:
            chunk = os.read(master, 4096)
        except OSError:  # EIO: the program closed its end
            break
        if not chunk:
            break
        output += chunk
    os.close(master)
    code = process.wait(60)
    return code, time.monotonic() - start, output


def case_no_display(s):
    """No X server at all (DISPLAY unset, or naming none): exit code 1 at
    once, and standard error holds exactly the graphics-mode error, ended by
    LF alone, on a pipe and on a terminal alike."""
    expected = (NOT_IN_GRAPHICS_MODE + "\n").encode()
    for display in (None, free_display()):
        for terminal in (False, True):
            where = f"DISPLAY={display!r}, standard error on a {'terminal' if terminal else 'pipe'}"
            code, seconds, err = run_without_server([*s.args.emulator, s.args.program], display,
                                                    terminal)
            check(code == 1, f"{where}: exit code {code}; stderr: {err!r}")
            check(err == expected, f"{where}: stderr is {err!r}")
            check(seconds < AT_ONCE, f"{where}: took {seconds:.1f} s to end")


def take_every_client_slot(display):
    """Connections that complete the X setup and stay open, until the server
    turns the next one away; the ones held."""
    held = []
    while True:
        connection = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        connection.connect(f"/tmp/.X11-unix/X{display[1:]}")
        # Byte order, protocol 11.0, no authorisation.
        connection.sendall(struct.pack("<cxHHHHxx", b"l", 11, 0, 0, 0))
        answer = connection.recv(8)
        if not answer or answer[0] != 1:
            connection.close()
            return held
        held.append(connection)


def case_full_server(s):
    """An X server with every client slot taken: one connection attempt,
    whose refusal the X library reports once, then the graphics-mode error
    and exit code 1."""
    server = XServer(options=("-maxclients", "64"))
    held = []
    try:
        held = take_every_client_slot(server.display)
        check(len(held) > 32, f"only {len(held)} connections held")
        code, _, err = run_without_server([*s.args.emulator, s.args.program], server.display)
    finally:
        for connection in held:
            connection.close()
        server.stop()
    lines = err.decode(errors="replace").splitlines()
    check(code == 1, f"exit code {code}; stderr: {err!r}")
    check(lines[-1:] == [NOT_IN_GRAPHICS_MODE], f"stderr ends {lines[-1:]!r}")
    check(lines[:-1] == ["Maximum number of clients reached"], f"stderr: {lines!r}")


def case_window_system_choice(s):
    """FRACTALS_WINDOW_SYSTEM forces a window system: one the program has
    starts it (here without a server: the graphics-mode error), any other
    value is one line on standard error and exit code 1, with no box."""
    display = free_display()

    def forced_run(forced):
        os.environ["FRACTALS_WINDOW_SYSTEM"] = forced
        try:
            code, seconds, err = run_without_server([*s.args.emulator, s.args.program], display)
        finally:
            del os.environ["FRACTALS_WINDOW_SYSTEM"]
        check(code == 1, f"{forced}: exit code {code}; stderr: {err!r}")
        check(seconds < AT_ONCE, f"{forced}: took {seconds:.1f} s to end")
        return err.decode()

    # Wayland is there where its libraries were there to build it.
    err = forced_run("bogus")
    found = re.fullmatch(r"FRACTALS_WINDOW_SYSTEM=bogus is not a window system of this program "
                         r"\(it has: ((?:wayland, )?x11)\)\n", err)
    check(found, f"bogus: stderr is {err!r}")
    for forced in found.group(1).split(", "):
        err = forced_run(forced)
        check(err == NOT_IN_GRAPHICS_MODE + "\n", f"{forced}: stderr is {err!r}")


def case_destroyed(s):
    """A window destroyed by another client (XDestroyWindow; under Wine, of
    the X window that shows the program's) ends the program as Enter would:
    exit code 0, and no X error on standard error."""
    window = s.open_window()
    s.desk.run("xdotool", "windowclose", window)
    err = expect_exit(s, 0, timeout=10)
    check("X11" not in err and "failed" not in err, f"unexpected error output: {err.strip()!r}")


def wait_box_count(s, count, timeout=20):
    return wait_for(f"{count} window(s) captioned 'Error'",
                    lambda: (lambda ids: ids if len(ids) == count else None)(
                        s.desk.find_windows("Error")), timeout)


def case_interrupts(s):
    """SIGTERM ends the program with runtime error 217: the window goes, one
    "Error" box shows the report. Further signals while the box is up change
    nothing: still one box, one report, and exit code 217 once it is
    dismissed."""
    s.open_window()
    s.program.process.send_signal(signal.SIGTERM)
    box = wait_box_count(s, 1)[0]
    check(not s.desk.find_windows(CAPTION), "the window is still open under the box")
    for _ in range(2):
        s.program.process.send_signal(signal.SIGTERM)
        time.sleep(0.3)
    time.sleep(0.5)  # what a signal would open, it opens within this
    boxes = s.desk.find_windows("Error")
    check(boxes == [box], f"boxes after the further signals: {boxes}")
    s.desk.type_keys(box, "Return")
    err = expect_exit(s, 217, timeout=10)
    check(err.count("Runtime error 217 at $") == 1, f"the report is not there once: {err!r}")


def case_eight_bit(s):
    """An 8-bit screen, where no window of 256 colours of its own can be
    drawn in: the box "Window creation failed" carries the caption "Error";
    once dismissed, the first pixel ends the program with the graphics-mode
    error and exit code 1. Each text beside a box ends its own line."""
    s.start()
    first = s.desk.wait_window("Error", s.program, timeout=20)
    check(s.program.running(), "the program did not wait for the box")
    maps = s.desk.watch_maps()
    s.desk.type_keys(first, "Return")
    second = maps.wait_window("Error", "the graphics-mode box", 20)
    s.desk.type_keys(second, "Return")
    err = expect_exit(s, 1)
    # A Windows program without a console shows its text in the boxes alone.
    text = "" if s.args.wineprefix else "Window creation failed\n" + NOT_IN_GRAPHICS_MODE + "\n"
    check(err == text, f"stderr is {err!r}")


def case_eight_bit_interrupt(s):
    """SIGTERM while the window thread's box is up (the start-up still
    waiting for the window) ends the program with runtime error 217."""
    s.start()
    first = s.desk.wait_window("Error", s.program, timeout=20)
    maps = s.desk.watch_maps()
    s.program.process.send_signal(signal.SIGTERM)
    report = maps.wait_window("Error", "the report box", 10)
    s.desk.type_keys(report, "Return")
    err = expect_exit(s, 217, timeout=10)
    check("Runtime error 217 at $" in err, f"no report on standard error: {err!r}")


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


def client_crc(screen, area):
    """CRC-32 of the client area as red, green, blue bytes, row by row."""
    x, y, w, h = area
    crc = 0
    for row in range(y, y + h):
        start = 3 * (row * screen.width + x)
        crc = zlib.crc32(screen.pixels[start:start + 3 * w], crc)
    return crc


def frame_table(s, frames):
    """{CRC-32 of the memory image after frame N: N} for N from 0 to frames,
    the first N of equal pictures."""
    tool = s.desk.start(s.args.frame_crcs, str(frames))
    code, out, err = tool.wait(600)
    if code != 0:
        raise TestFailure(f"frame_crcs failed ({code}): {err.strip()}")
    crcs = [int(line, 16) for line in out.split()]
    if len(crcs) != frames + 1:
        raise TestFailure(f"frame_crcs gave {len(crcs)} lines")
    return {crc: n for n, crc in reversed(list(enumerate(crcs)))}


def case_whole_frames(s):
    """Screenshots at random moments each show the memory image after some
    frame N exactly: never part of a frame."""
    frame_of = frame_table(s, 2500)
    s.open_window()
    area = s.desk.client_area(s.window)
    rng = random.Random()
    seen = []
    while len(seen) < 60:
        time.sleep(rng.uniform(0, 0.08))
        screen = s.desk.screenshot()
        crc = client_crc(screen, area)
        if crc not in frame_of:
            lit = sum(1 for _, _, rgb in screen.region(*area) if rgb != (0, 0, 0))
            raise TestFailure(f"screenshot {len(seen) + 1} ({lit} lit pixels) is no frame's "
                              f"image; frames seen before: {seen[-5:]}")
        seen.append(frame_of[crc])
    if not s.program.running():
        raise TestFailure("the program ended")
    if len(set(seen)) < 10:
        raise TestFailure(f"the picture hardly changed: frames {sorted(set(seen))}")
    print(f"frames seen: {seen[0]} .. {seen[-1]}, {len(set(seen))} different")


def set_display_dpi(s, dpi):
    """Tells the desktop its display has dpi dots per inch: the Xft.dpi
    resource on X11 (as xrdb sets it), LogPixels in the Wine prefix."""
    if s.args.wineprefix:
        for key in (r"HKCU\Control Panel\Desktop",
                    r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts"):
            s.desk.run("wine", "reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD",
                       "/d", str(dpi), "/f")
        s.desk.run("wineserver", "-w")
        return
    with tempfile.NamedTemporaryFile("w", suffix=".xrdb") as resources:
        resources.write(f"Xft.dpi: {dpi}\n")
        resources.flush()
        s.desk.run("xrdb", "-nocpp", "-merge", resources.name)
    check(f"{dpi}" in s.desk.run("xrdb", "-query"), "xrdb did not take Xft.dpi")


def half_size_crc(screen, area):
    """(CRC-32 of the area taken down to half its size, one pixel of each
    2 x 2 block; the first block that is not one colour, or None)."""
    x, y, w, h = area
    crc = 0
    for row in range(y, y + h, 2):
        top = screen.pixels[3 * (row * screen.width + x):3 * (row * screen.width + x + w)]
        below = screen.pixels[3 * ((row + 1) * screen.width + x):
                              3 * ((row + 1) * screen.width + x + w)]
        if top != below:
            return None, (row - y, "rows differ")
        pairs = [top[i:i + 3] for i in range(0, len(top), 3)]
        if pairs[0::2] != pairs[1::2]:
            return None, (row - y, "columns differ")
        crc = zlib.crc32(b"".join(pairs[0::2]), crc)
    return crc, None


def case_high_dpi(s):
    """On a display of twice the usual resolution (192 dots per inch) the
    client area is 1600 x 1200, every 2 x 2 block one colour, and the
    picture taken down to 800 x 600 is the memory image after some frame N
    exactly; the graphics surface itself stays 800 x 600."""
    frame_of = frame_table(s, 2500)
    set_display_dpi(s, 192)
    try:
        s.open_window()
        x, y, w, h = s.desk.geometry(s.window)
        if not s.args.wineprefix:
            check((w, h) == (1600, 1200), f"client area is {w} x {h}")
        area = s.desk.client_area(s.window, 1600, 1200)
        seen = []
        while len(seen) < 8:
            time.sleep(random.uniform(0, 0.08))
            screen = s.desk.screenshot()
            crc, fault = half_size_crc(screen, area)
            check(fault is None, f"2 x 2 blocks of more than one colour: {fault}")
            check(crc in frame_of, f"screenshot {len(seen) + 1} taken down to 800 x 600 is no "
                                   f"frame's image")
            seen.append(frame_of[crc])
        check(len(set(seen)) > 1, f"the picture did not change: frames {seen}")
        s.keys("Return")
        expect_exit(s, 0)
        if not s.args.wineprefix:
            # GDK_SCALE, where set, says the factor instead.
            s.program = s.desk.start(*s.args.emulator, s.args.program,
                                     env=dict(s.desk.env, GDK_SCALE="1"))
            s.window = s.desk.wait_window(CAPTION, s.program)
            w, h = s.desk.geometry(s.window)[2:]
            check((w, h) == (800, 600), f"with GDK_SCALE=1 the client area is {w} x {h}")
            s.desk.focus(s.window)
            s.keys("Return")
            expect_exit(s, 0)
    finally:
        if s.args.wineprefix:
            set_display_dpi(s, 96)


def scaled_crc(screen, area, factor):
    """CRC-32 of the area taken down by factor (one pixel a pixel, or one
    of each 2 x 2 block)."""
    if factor == 1:
        return client_crc(screen, area)
    crc, fault = half_size_crc(screen, area)
    check(fault is None, f"2 x 2 blocks of more than one colour: {fault}")
    return crc


def case_framed_high_dpi(s):
    """1920 x 1200 at 192 dots per inch under openbox: 2 x 2 blocks and the
    window manager's frame are taller than the screen. The factor chosen
    leaves room for the frame, so the whole client area lies on the screen
    and shows the memory image after some frame N."""
    require_tools("openbox")
    frame_of = frame_table(s, 2500)
    manager = s.desk.start("openbox", "--sm-disable")
    wait_for("openbox to manage the screen",
             lambda: "window id" in s.desk.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK",
                                                check_rc=False), 20)
    set_display_dpi(s, 192)
    try:
        s.open_window()
        x, y, w, h = s.desk.geometry(s.window)
        factor = w // 800
        check((w, h) in ((800, 600), (1600, 1200)), f"client area is {w} x {h}")
        check(x >= 0 and y >= 0 and x + w <= 1920 and y + h <= 1200,
              f"client area {w} x {h} at ({x}, {y}) is not all on the screen")
        area = s.desk.client_area(s.window, w, h)
        crc = wait_for("a frame's image", lambda: (lambda c: c if c in frame_of else None)(
            scaled_crc(s.desk.screenshot(), area, factor)), 10)
        print(f"factor {factor}, frame {frame_of[crc]}")
        s.keys("Return")
        expect_exit(s, 0)
    finally:
        manager.kill()


def case_dpi_changed(s):
    """Xft.dpi changed while the program runs: the window takes the factor
    the display asks for now, and back again."""
    set_display_dpi(s, 96)
    s.open_window()
    for dpi, size in ((192, (1600, 1200)), (96, (800, 600))):
        set_display_dpi(s, dpi)
        wait_for(f"a client area of {size[0]} x {size[1]} at {dpi} dots per inch",
                 lambda: s.desk.geometry(s.window)[2:] == size, 10)
    s.keys("Return")
    expect_exit(s, 0)


CASES = {name[5:]: fn for name, fn in globals().items() if name.startswith("case_")}
SCREENS = {"eight_bit": "1024x768x8", "eight_bit_interrupt": "1024x768x8",
           "high_dpi": "2048x1536x24", "framed_high_dpi": "1920x1200x24",
           "dpi_changed": "2048x1536x24"}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wineprefix", help="run the .exe under Wine in this prefix")
    parser.add_argument("--program", required=True)
    parser.add_argument("--case", choices=sorted(CASES), required=True)
    parser.add_argument("--send-delete")
    parser.add_argument("--frame-crcs", help="frame_crcs, for the whole_frames case")
    parser.add_argument("--emulator", type=shlex.split, default=[],
                        help="command that runs the program, such as qemu-aarch64")
    args = parser.parse_args()
    require_tools("Xvfb", "xdotool", "xwininfo", "xprop")
    target = "windows" if args.wineprefix else " ".join(["linux"] + args.emulator)
    session = Session(args, SCREENS.get(args.case, "1024x768x24"))
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
