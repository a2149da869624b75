#!/usr/bin/env python3
"""The Debian package as a user gets it: its control fields name the
program's libraries, and the program unpacked from it (dpkg-deb -x into a
temporary root) opens its window "Fractals" with its icon (the packaged
PNGs' pixels) on an X server of its own and ends with exit code 0 on Enter.

usage: check_deb_runs.py DEB VERSION
"""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "e2e"))
from desktop_harness import Desktop, TestFailure, check, require_tools  # noqa: E402

# Sizes the window's _NET_WM_ICON offers.
ICON_SIZES = [(16, 16), (32, 32), (48, 48), (64, 64)]


def control_field(deb, name):
    return subprocess.run(["dpkg-deb", "-f", deb, name], capture_output=True, text=True,
                          check=True).stdout.strip()


def icon_images(desktop, window):
    """(width, height, pixels) of each image in the window's _NET_WM_ICON."""
    text = desktop.xprop(window, "-notype", "32c", "_NET_WM_ICON", check_rc=False)
    _, _, values = text.partition("=")
    words = [int(v, 0) for v in values.replace(",", " ").split()]
    images = []
    while len(words) >= 2:
        width, height = words[0], words[1]
        images.append((width, height, words[2:2 + width * height]))
        words = words[2 + width * height:]
    return images


def png_pixels(path):
    """The PNG's pixels as 0xAARRGGBB, row by row, as ImageMagick reads them."""
    raw = subprocess.run(["convert", path, "-depth", "8", "RGBA:-"], capture_output=True,
                         check=True).stdout
    return [raw[i + 3] << 24 | raw[i] << 16 | raw[i + 1] << 8 | raw[i + 2]
            for i in range(0, len(raw), 4)]


def run(deb, version):
    require_tools("dpkg-deb", "Xvfb", "xdotool", "xprop", "convert")
    check(control_field(deb, "Package") == "fractals", "the package is not named fractals")
    check(control_field(deb, "Version") == version,
          f"package version {control_field(deb, 'Version')!r}, project version {version!r}")
    depends = control_field(deb, "Depends")
    for library in ("libc6", "libx11-6", "libxext6", "libxrandr2", "libwayland-client0",
                    "libxkbcommon0", "libdecor-0-0", "libfontconfig1", "libfreetype6"):
        check(library in depends, f"Depends does not name {library}: {depends!r}")

    with tempfile.TemporaryDirectory() as root:
        subprocess.run(["dpkg-deb", "-x", deb, root], check=True)
        program = os.path.join(root, "usr", "bin", "fractals")
        with Desktop() as desktop:
            started = desktop.start(program)
            window = desktop.wait_window("Fractals", started)
            images = icon_images(desktop, window)
            check([(w, h) for w, h, _ in images] == ICON_SIZES,
                  f"_NET_WM_ICON holds {[(w, h) for w, h, _ in images]}, not {ICON_SIZES}")
            for width, height, pixels in images:
                png = os.path.join(root, "usr", "share", "icons", "hicolor",
                                   f"{width}x{height}", "apps", "fractals.png")
                check(pixels == png_pixels(png),
                      f"the {width} x {height} window icon is not the packaged {png}")
            desktop.type_keys(window, "Return")
            code, _, err = started.wait(30)
            check(code == 0, f"exit code {code} after Enter; stderr: {err.strip()}")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    try:
        run(sys.argv[1], sys.argv[2])
    except TestFailure as failure:
        print(failure, file=sys.stderr)
        return 1
    print("the packaged program opens its window and ends on Enter")
    return 0


if __name__ == "__main__":
    sys.exit(main())
