#!/usr/bin/env python3
"""Checks what `cmake --install` put under ROOT (prefix /usr) for the
desktop: the program, its .desktop file and AppStream metainfo (each as
their validators judge them), the icon in the hicolor theme at the sizes
menus pick, the README and the licence.

usage: check_desktop_files.py ROOT APP_ID
"""
import os
import subprocess
import sys
import xml.etree.ElementTree as ElementTree


class Failure(Exception):
    pass


def need(path):
    if not os.path.isfile(path):
        raise Failure(f"missing: {path}")
    return path


def validate(*command):
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        raise Failure(f"{command[0]} rejects {command[-1]}:\n{result.stdout}{result.stderr}")


def desktop_entry(path):
    entry = {}
    for line in open(path, encoding="utf-8"):
        key, sep, value = line.strip().partition("=")
        if sep:
            entry.setdefault(key, value)
    return entry


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        raise Failure(f"not a PNG: {path}")
    return int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")


def check(root, app_id):
    usr = os.path.join(root, "usr")
    program = need(os.path.join(usr, "bin", "fractals"))
    if not os.access(program, os.X_OK):
        raise Failure(f"not executable: {program}")

    desktop = need(os.path.join(usr, "share", "applications", f"{app_id}.desktop"))
    validate("desktop-file-validate", desktop)
    entry = desktop_entry(desktop)
    if entry.get("Exec", "").split()[:1] != ["fractals"]:
        raise Failure(f"{desktop} starts {entry.get('Exec')!r}, not the installed program")
    # The windows carry the app id (Wayland) and window class (X11) the
    # desktop matches the entry by.
    if entry.get("StartupWMClass") != app_id:
        raise Failure(f"{desktop} matches windows of class {entry.get('StartupWMClass')!r}, "
                      f"not {app_id!r}")

    metainfo = need(os.path.join(usr, "share", "metainfo", f"{app_id}.metainfo.xml"))
    validate("appstreamcli", "validate", "--no-net", metainfo)
    component = ElementTree.parse(metainfo).getroot()
    launchables = [e.text for e in component.findall("launchable[@type='desktop-id']")]
    if launchables != [f"{app_id}.desktop"]:
        raise Failure(f"{metainfo} launches {launchables}, not {app_id}.desktop")

    icon = entry.get("Icon", "")
    for size in (48, 128, 256):
        png = need(os.path.join(usr, "share", "icons", "hicolor", f"{size}x{size}", "apps",
                                f"{icon}.png"))
        if png_size(png) != (size, size):
            raise Failure(f"{png} is {png_size(png)}, not {size} x {size}")

    docs = os.path.join(usr, "share", "doc", "fractals")
    need(os.path.join(docs, "README.md"))
    licence = open(need(os.path.join(docs, "LICENSE")), encoding="utf-8").read()
    if not licence.startswith("MIT License"):
        raise Failure("the installed LICENSE is not the MIT licence")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    try:
        check(sys.argv[1], sys.argv[2])
    except Failure as failure:
        print(failure, file=sys.stderr)
        return 1
    print("installed desktop files are complete and valid")
    return 0


if __name__ == "__main__":
    sys.exit(main())
