#!/usr/bin/env python3
"""The real program's frame pace, seen from outside (bench/frame_pace.sh).

Starts the program on a private Xvfb (the Windows build under Wine inside
it), waits until its first frame shows on the screen, then follows the
program thread's system calls with perf's syscall tracepoints, which do not
stop the traced threads: each blocking call of that thread of 5 ms or more is
its pause, Delay(10) (a clock_nanosleep on Linux; under Wine a wait on the
wineserver's reply pipe). From those:

  period     wake-up to wake-up of the pause, over 1,000 frames (mean, p99)
  work       wake-up to the next pause: drawing, key polling, the pause's own cost
  floor      a plain 10 ms sleep measured meanwhile by sleep_reference,
             in the same desktop (the same wineserver), + 0.3 ms
  CPU        on-CPU time of every thread of the process, of the X server
             (and of the wineserver) over 10 s, from /proc/PID/task/*/schedstat,
             divided by the frames in those 10 s
  start-up   from starting the program to the first screen that shows a
             pixel of the cloud's colours

Then it types Enter and checks that the program ended with 0.

    frame_pace.py [--x11 BUILD_DIR] [--wine BUILD_DIR] [--frames N]

Needs perf (linux-perf) with access to the syscall tracepoints (root, or
kernel.perf_event_paranoid -1).
"""
import argparse
import ctypes
import glob
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from desktop_harness import PALETTE, Desktop, TestFailure, make_prefix, wait_for  # noqa: E402

PAUSE_MIN_S = 0.005   # a blocking call of the program thread this long is the pause
WARM_UP = 20          # frames after the first paint left out
CPU_WINDOW_S = 10.0
FLOOR_EXTRA_MS = 0.3

# The calls a pause can be made of: the sleep itself on Linux; under Wine the
# wait on the server pipe, or a select/poll in NtDelayExecution.
SYSCALLS = ["clock_nanosleep", "nanosleep", "read", "select", "pselect6", "poll", "ppoll"]


# --- the screen, through Xlib --------------------------------------------------------


class Screen:
    """Grabs the root window with XGetImage: fast enough to catch the first
    frame within a few milliseconds."""

    def __init__(self, display):
        self.x = ctypes.CDLL("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XGetImage.restype = ctypes.c_void_p
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                     ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x.XDestroyImage.argtypes = [ctypes.c_void_p]
        for name in ("XDisplayWidth", "XDisplayHeight"):
            getattr(self.x, name).argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.display = self.x.XOpenDisplay(display.encode())
        if not self.display:
            raise TestFailure(f"cannot open display {display}")
        self.root = self.x.XDefaultRootWindow(self.display)
        self.width = self.x.XDisplayWidth(self.display, 0)
        self.height = self.x.XDisplayHeight(self.display, 0)
        # 32-bit pixels, blue first: a cloud colour as 3 bytes at a pixel start.
        self.cloud = re.compile(b"|".join(re.escape(bytes((b, g, r)))
                                          for r, g, b in (PALETTE[c] for c in range(113, 129))))

    def shows_cloud(self):
        image = self.x.XGetImage(self.display, self.root, 0, 0, self.width, self.height,
                                 0xFFFFFFFF, 2)  # AllPlanes, ZPixmap
        if not image:
            return False
        try:
            data = ctypes.cast(image + 16, ctypes.POINTER(ctypes.c_void_p))[0]
            stride = ctypes.cast(image + 44, ctypes.POINTER(ctypes.c_int))[0]
            pixels = ctypes.string_at(data, stride * self.height)
        finally:
            self.x.XDestroyImage(image)
        return any(m.start() % 4 == 0 for m in self.cloud.finditer(pixels))

    def close(self):
        self.x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x.XCloseDisplay(self.display)


# --- /proc ---------------------------------------------------------------------------


def cpu_ns(pid):
    """On-CPU time of every thread of pid so far."""
    total = 0
    for path in glob.glob(f"/proc/{pid}/task/*/schedstat"):
        try:
            with open(path) as f:
                total += int(f.read().split()[0])
        except (OSError, ValueError, IndexError):
            pass  # a thread that just ended
    return total


def wineserver_pid(prefix):
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                command = f.read().split(b"\0")[0]
            if not command.endswith(b"wineserver"):
                continue
            with open(f"/proc/{entry}/environ", "rb") as f:
                if f"WINEPREFIX={prefix}".encode() in f.read().split(b"\0"):
                    return int(entry)
        except OSError:
            continue
    return None


# --- the trace -----------------------------------------------------------------------


def start_trace(pid, path):
    events = []
    for name in SYSCALLS:
        events += ["-e", f"syscalls:sys_enter_{name}", "-e", f"syscalls:sys_exit_{name}"]
    perf = subprocess.Popen(["perf", "record", "-q", "-k", "CLOCK_MONOTONIC", "-o", path,
                             "-p", str(pid)] + events,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    time.sleep(0.3)
    if perf.poll() is not None:
        raise TestFailure("perf record failed: " + perf.stderr.read().strip())
    return perf


def stop_trace(perf):
    perf.send_signal(signal.SIGINT)
    perf.wait(60)


def pauses(path, tid):
    """(start, end) in seconds of every blocking call of tid of PAUSE_MIN_S
    or more, in order."""
    out = subprocess.run(["perf", "script", "-i", path, "-F", "tid,time,event", "--ns"],
                         capture_output=True, text=True, check=True).stdout
    line_format = re.compile(r"^\s*(\d+)\s+(\d+\.\d+):\s+syscalls:sys_(enter|exit)_(\w+):")
    open_call = None
    found = []
    for line in out.splitlines():
        m = line_format.match(line)
        if not m or int(m.group(1)) != tid:
            continue
        t = float(m.group(2))
        if m.group(3) == "enter":
            open_call = (m.group(4), t)
        elif open_call is not None and open_call[0] == m.group(4):
            if t - open_call[1] >= PAUSE_MIN_S:
                found.append((open_call[1], t))
            open_call = None
    return found


# --- figures -------------------------------------------------------------------------


def mean(values):
    return sum(values) / len(values)


def p99(values):
    ordered = sorted(values)
    return ordered[int(0.99 * (len(ordered) - 1))]


def measure(desk, command, reference, frames, label, prefix=None):
    """Runs the program once; its figures as a dict."""
    screen = Screen(desk.display)
    launched = time.monotonic()
    program = desk.start(*command)
    try:
        wait_for("the first frame on the screen",
                 lambda: screen.shows_cloud() or (not program.running() and "ended"),
                 timeout=120, interval=0.004)
        first_paint = time.monotonic()
        if not program.running():
            raise TestFailure(f"the program ended: {program.wait(5)}")
    finally:
        screen.close()
    pid = program.process.pid
    # A short trace first, for the pace: the long one then lasts long enough
    # for the frames asked for.
    probe = os.path.join(desk.tmp, f"{label}-pace.perf")
    perf = start_trace(pid, probe)
    time.sleep(1.5)
    stop_trace(perf)
    early = pauses(probe, pid)
    period_guess = (early[-1][1] - early[0][1]) / (len(early) - 1) if len(early) > 2 else 0.02
    duration = max(CPU_WINDOW_S + 1.5, (frames + WARM_UP + 5) * period_guess * 1.3 + 0.5)

    trace = os.path.join(desk.tmp, f"{label}.perf")
    traced = time.monotonic()
    perf = start_trace(pid, trace)
    sleeper = desk.start(*reference, str(frames))
    time.sleep(0.5)
    servers = {"X server": desk.server.process.pid}
    if prefix is not None:
        servers["wineserver"] = wineserver_pid(prefix)
    window_start = time.monotonic()
    cpu_start = {"process": cpu_ns(pid), **{k: cpu_ns(v) for k, v in servers.items() if v}}
    time.sleep(CPU_WINDOW_S)
    window_end = time.monotonic()
    cpu_end = {"process": cpu_ns(pid), **{k: cpu_ns(v) for k, v in servers.items() if v}}
    time.sleep(max(0.0, traced + duration - time.monotonic()))
    code, out, err = sleeper.wait(120)
    stop_trace(perf)
    window = desk.find_windows("Fractals")
    if window:
        desk.type_keys(window[0], "Return")
    code_program, _, err_program = program.wait(60)

    m = re.search(r"sleeps (\d+) mean ([\d.]+) p99 ([\d.]+)", out)
    if code != 0 or not m:
        raise TestFailure(f"sleep_reference failed ({code}): {out} {err}")
    found = pauses(trace, pid)
    found = found[WARM_UP:]
    if len(found) < frames + 1:
        raise TestFailure(f"only {len(found)} pauses traced, {frames + 1} needed")
    found = found[:frames + 1]
    periods = [(b[1] - a[1]) * 1000 for a, b in zip(found, found[1:])]
    works = [(b[0] - a[1]) * 1000 for a, b in zip(found, found[1:])]
    sleeps = [(e - s) * 1000 for s, e in found]
    in_window = sum(1 for _, end in pauses(trace, pid) if window_start < end <= window_end)
    reference_ms = float(m.group(2))
    floor = reference_ms + FLOOR_EXTRA_MS
    result = {
        "frames": len(periods),
        "period mean": mean(periods),
        "period p99": p99(periods),
        "pause mean (the program's own)": mean(sleeps),
        "work mean": mean(works),
        "work p99": p99(works),
        "10 ms sleep mean (reference)": reference_ms,
        "floor": floor,
        "ratio mean / floor": mean(periods) / floor,
        "frames in the CPU window": in_window,
    }
    for key in cpu_start:
        delta = (cpu_end[key] - cpu_start[key]) / 1e6
        result[f"CPU per frame, {key}"] = delta / max(in_window, 1)
    result["start-up to first painted frame"] = (first_paint - launched) * 1000
    result["exit code after Enter"] = code_program
    if code_program != 0:
        print(f"{label}: the program ended with {code_program}: {err_program}", file=sys.stderr)
    return result


def report(results):
    keys = []
    for result in results.values():
        keys += [k for k in result if k not in keys]
    labels = list(results)
    print(f"{'':36}" + "".join(f"{label:>12}" for label in labels))
    for key in keys:
        unit = "" if key.startswith(("frames", "ratio", "exit")) else " (ms)"
        cells = []
        for label in labels:
            value = results[label].get(key)
            if value is None:
                cells.append(f"{'-':>12}")
            elif isinstance(value, int):
                cells.append(f"{value:>12d}")
            else:
                cells.append(f"{value:>12.3f}")
        print(f"{key + unit:36}" + "".join(cells))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--x11", metavar="BUILD_DIR", help="build of the linux preset")
    parser.add_argument("--wine", metavar="BUILD_DIR", help="build of the windows preset")
    parser.add_argument("--frames", type=int, default=1000)
    args = parser.parse_args()
    if not args.x11 and not args.wine:
        parser.error("give --x11 and/or --wine")
    try:
        with open("/proc/loadavg") as f:
            print("load average:", f.read().split()[0])
    except OSError:
        pass
    results = {}
    with tempfile.TemporaryDirectory(prefix="frame_pace.") as tmp:
        if args.x11:
            build = os.path.abspath(args.x11)
            with Desktop() as desk:
                desk.tmp = tmp
                results["X11"] = measure(
                    desk, [os.path.join(build, "fractals")],
                    [os.path.join(build, "bench", "frame_pace", "sleep_reference")],
                    args.frames, "x11")
        if args.wine:
            build = os.path.abspath(args.wine)
            prefix = os.path.join(build, "wineprefix-bench")
            make_prefix(prefix)
            with Desktop(wineprefix=prefix) as desk:
                desk.tmp = tmp
                results["Wine"] = measure(
                    desk, [os.path.join(build, "fractals.exe")],
                    [os.path.join(build, "bench", "frame_pace", "sleep_reference.exe")],
                    args.frames, "wine", prefix=prefix)
    report(results)
    return 0 if all(r["exit code after Enter"] == 0 for r in results.values()) else 1


if __name__ == "__main__":
    try:
        sys.exit(main())
    except TestFailure as failure:
        print(f"frame_pace: {failure}", file=sys.stderr)
        sys.exit(1)
