#!/usr/bin/env python3
"""The resources fractals.exe carries: a resource directory (objdump), its
file icon group, a version resource whose fixed numbers and strings are the
project's version, and the application manifest as resource 1 of type 24
(RT_MANIFEST) with the supported Windows versions and the DPI awareness.

usage: check_exe_resources.py FRACTALS.EXE VERSION   (VERSION as a.b.c.d)
"""
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}
ICON_SIZES = {16, 32, 48, 256}
FIXED_FILE_INFO_SIGNATURE = (0xFEEF04BD).to_bytes(4, "little")


class Failure(Exception):
    pass


def check(condition, text):
    if not condition:
        raise Failure(text)


def output(*command, text=True):
    return subprocess.run(command, capture_output=True, check=True, text=text).stdout


def resource(exe, kind, name=1):
    return output("wrestool", "-x", "--raw", f"--type={kind}", f"--name={name}", exe, text=False)


def check_directory(exe):
    headers = output("x86_64-w64-mingw32-objdump", "-p", exe)
    match = re.search(r"Entry 2 [0-9a-f]+ ([0-9a-f]+) Resource Directory", headers)
    check(match and int(match.group(1), 16) > 0, "the .exe has no resource directory")


def check_version(exe, version):
    data = resource(exe, 16)
    at = data.find(FIXED_FILE_INFO_SIGNATURE)
    check(at >= 0, "the version resource has no VS_FIXEDFILEINFO")
    words = [int.from_bytes(data[at + 4 * i:at + 4 * i + 4], "little") for i in range(13)]
    numbers = [f"{w >> 16}.{w & 0xFFFF}" for w in words[2:6]]
    file_version, product_version = ".".join(numbers[:2]), ".".join(numbers[2:])
    check(file_version == version and product_version == version,
          f"the version resource says {file_version} / {product_version}, not {version}")
    strings = data.decode("utf-16-le", errors="replace")
    for key in ("FileVersion", "ProductVersion"):
        check(re.search(key + r"\x00+" + re.escape(version), strings),
              f"the version strings have no {key} {version}")


def check_manifest(exe):
    manifest = resource(exe, 24)
    root = ElementTree.fromstring(manifest)
    ids = {e.get("Id") for e in root.iter("{urn:schemas-microsoft-com:compatibility.v1}supportedOS")}
    missing = [name for guid, name in SUPPORTED_OS.items() if guid not in ids]
    check(not missing, "the manifest does not name " + ", ".join(missing))
    settings = {e.tag.rpartition("}")[2]: (e.text or "").strip() for e in root.iter()
                if e.tag.endswith("}dpiAwareness") or e.tag.endswith("}dpiAware")}
    awareness = [v.strip() for v in settings.get("dpiAwareness", "").split(",")]
    check(awareness[:1] == ["PerMonitorV2"],
          f"dpiAwareness is {settings.get('dpiAwareness')!r}, not PerMonitorV2 first")
    check(settings.get("dpiAware") == "true/pm",
          f"dpiAware is {settings.get('dpiAware')!r}, not true/pm")


def check_icon(exe):
    listing = output("wrestool", "-l", exe)
    check(re.search(r"--type=14 --name=1 ", listing), "the .exe has no icon group 1")
    with tempfile.NamedTemporaryFile(suffix=".ico") as ico:
        subprocess.run(["wrestool", "-x", "--type=14", "--name=1", "-o", ico.name, exe],
                       check=True, capture_output=True)
        sizes = {int(w) for w in re.findall(r"--width=(\d+)", output("icotool", "-l", ico.name))}
    check(ICON_SIZES <= sizes, f"the file icon has sizes {sorted(sizes)}, not {sorted(ICON_SIZES)}")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    exe, version = sys.argv[1:]
    try:
        check_directory(exe)
        check_icon(exe)
        check_version(exe, version)
        check_manifest(exe)
    except (Failure, subprocess.CalledProcessError, ElementTree.ParseError) as failure:
        print(failure, file=sys.stderr)
        return 1
    print("fractals.exe carries its icon, version and manifest")
    return 0


if __name__ == "__main__":
    sys.exit(main())
