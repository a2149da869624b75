#!/usr/bin/env python3
"""The golden_frame tool through the end-to-end tests' wrapper: the picture
after frame N is found again in a screenshot at any position, damaged pixels
are counted, and bad input ends with exit code 2.

usage: golden_frame_test.py [EMULATOR...] TOOL
"""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(HERE)), "tests", "e2e"))
import golden_frame  # noqa: E402
from desktop_harness import Screen  # noqa: E402

TOOL = sys.argv[1:]
GREY = bytes((30, 30, 30))


def embed(screen, width, height, left, top):
    """screen pasted into a grey width x height screenshot at (left, top)."""
    rows = bytearray(GREY * (width * height))
    for y in range(screen.height):
        row = screen.pixels[3 * y * screen.width:3 * (y + 1) * screen.width]
        at = 3 * ((top + y) * width + left)
        rows[at:at + len(row)] = row
    return Screen(b"P6\n%d %d\n255\n" % (width, height) + bytes(rows))


def run(*args):
    return subprocess.run(TOOL + list(args), capture_output=True, text=True, timeout=120)


def expect(condition, text):
    if not condition:
        print("FAIL:", text)
        sys.exit(1)


def main():
    black = golden_frame.picture(TOOL, 0)
    expect((black.width, black.height) == (800, 600), "the picture is not 800 x 600")
    expect(set(black.pixels) == {0}, "the picture before the first frame is not black")

    seventh = golden_frame.picture(TOOL, 7)
    eighth = golden_frame.picture(TOOL, 8)
    lit = sum(1 for i in range(0, len(seventh.pixels), 3) if seventh.pixels[i:i + 3] != b"\0\0\0")
    expect(lit > 5000, f"frame 7 lights only {lit} pixels")
    expect(seventh.pixels != eighth.pixels, "frames 7 and 8 look the same")

    shot = embed(seventh, 1024, 768, 30, 41)
    expect(golden_frame.match(TOOL, shot, (30, 41), 20) == (7, 0),
           "frame 7 not found where it was pasted")
    found, differing = golden_frame.match(TOOL, shot, (31, 41), 20)
    expect(differing > 0, "a shifted region still matches")

    damaged = bytearray(shot.pixels)
    for x in range(5):
        at = 3 * ((41 + 300) * 1024 + 30 + 100 + x)
        damaged[at:at + 3] = b"\xff\xff\xff"
    damaged = Screen(b"P6\n1024 768\n255\n" + bytes(damaged))
    expect(golden_frame.match(TOOL, damaged, (30, 41), 20) == (7, 5),
           "five damaged pixels not counted")

    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "shot.ppm")
        with open(path, "wb") as f:
            f.write(b"P6\n1024 768\n255\n" + damaged.pixels)
        result = run("match", path, "--at", "30,41", "--max", "9", "--all")
        lines = result.stdout.split()
        expect(result.returncode == 1 and len(lines) == 20 and lines[14:16] == ["7", "5"],
               f"--all printed {result.stdout!r}, exit code {result.returncode}")

        expect(run("match", path, "--at", "300,300").returncode == 2,
               "a region beyond the screenshot is not refused")
        with open(path, "wb") as f:
            f.write(b"P6\n1024 768\n255\n" + damaged.pixels[:1000])
        expect(run("match", path).returncode == 2, "a short file is not refused")
        with open(path, "wb") as f:
            f.write(b"P3\n2 2\n255\n0 0 0")
        expect(run("match", path).returncode == 2, "a text PPM is not refused")
        for bad in (["image", "-1", path], ["image", "x", path], ["match"],
                    ["match", path, "--max"], ["match", path, "--zoom", "1x"],
                    ["match", os.path.join(folder, "none.ppm")],
                    ["image", "1", os.path.join(folder, "no", "such", "folder.ppm")]):
            result = run(*bad)
            expect(result.returncode == 2 and result.stderr.startswith("golden_frame: "),
                   f"{bad} gave exit code {result.returncode}: {result.stderr!r}")
    print("golden_frame: all checks passed")


if __name__ == "__main__":
    main()
