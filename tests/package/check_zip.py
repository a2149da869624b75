#!/usr/bin/env python3
"""The Windows zip: one folder holding fractals.exe (the program just built,
stripped, its resources kept), README.md and LICENSE, and nothing else.

usage: check_zip.py ZIP FRACTALS.EXE
"""
import os
import re
import subprocess
import sys
import tempfile
import zipfile


def resources(exe):
    """The resources wrestool lists, without where they lie."""
    listing = subprocess.run(["wrestool", "-l", exe], capture_output=True, text=True,
                             check=True).stdout
    return sorted(re.sub(r"offset=0x[0-9a-f]+ ", "", line) for line in listing.splitlines())


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    archive, exe = sys.argv[1:]
    if not os.path.isfile(archive):
        print(f"missing: {archive}", file=sys.stderr)
        return 1
    folder = os.path.basename(archive)[:-len(".zip")]
    wanted = {f"{folder}/{name}" for name in ("fractals.exe", "README.md", "LICENSE")}
    with zipfile.ZipFile(archive) as z:
        files = {name for name in z.namelist() if not name.endswith("/")}
        if files != wanted:
            print(f"the zip holds {sorted(files)}, not {sorted(wanted)}", file=sys.stderr)
            return 1
        with tempfile.TemporaryDirectory() as tmp:
            packed = z.extract(f"{folder}/fractals.exe", tmp)
            same = resources(packed) == resources(exe) and resources(exe)
    if not same:
        print("the zip's fractals.exe does not carry the built program's resources",
              file=sys.stderr)
        return 1
    print("the zip holds fractals.exe, README.md and LICENSE")
    return 0


if __name__ == "__main__":
    sys.exit(main())
