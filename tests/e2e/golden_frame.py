"""The picture the program shows after frame N, from the golden_frame tool.

The frames are a function of their number alone, the same on every target,
so a screenshot of the program's client area taken between frames, with no
key read yet, is the picture after some frame N.

    tool = ["build/linux/tools/golden_frame/golden_frame"]  # emulator first, if any
    picture(tool, 100)                     # a Screen of 800 x 600 pixels
    match(tool, screen, (x, y), 2000)      # (best frame, pixels it differs in)
"""
import os
import re
import subprocess
import tempfile

from desktop_harness import Screen, TestFailure

WIDTH, HEIGHT = 800, 600


def _run(tool, *args, timeout):
    return subprocess.run(list(tool) + list(args), capture_output=True, text=True,
                          timeout=timeout)


def picture(tool, frame, timeout=300):
    """The picture after frame (0: before the first) as a Screen."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "frame.ppm")
        result = _run(tool, "image", str(frame), path, timeout=timeout)
        if result.returncode != 0:
            raise TestFailure(f"golden_frame image failed: {result.stderr.strip()}")
        with open(path, "rb") as f:
            return Screen(f.read())


def match(tool, screen, origin=(0, 0), max_frames=2000, timeout=300):
    """The frame from 0 to max_frames whose picture the 800 x 600 region of
    screen at origin shows most nearly (the first of equals), and the number
    of pixels in which they differ."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "shot.ppm")
        with open(path, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (screen.width, screen.height) + screen.pixels)
        result = _run(tool, "match", path, "--at", "%d,%d" % origin, "--max", str(max_frames),
                      timeout=timeout)
    found = re.match(r"frame (\d+) differs in (\d+) pixels", result.stdout)
    if result.returncode not in (0, 1) or not found:
        raise TestFailure(f"golden_frame match failed: {result.stderr.strip()}")
    return int(found.group(1)), int(found.group(2))
