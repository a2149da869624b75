#!/usr/bin/env python3
"""The page as a site archive: index.html and the files the page loads, at
the archive's top (the icons in icons/), so that it unpacks as it is into a server's folder; no
file that nothing in the archive names. Then, unpacked into a scratch
folder, the command given (with {} for that folder) runs the page from it.

usage: check_site_zip.py ZIP -- COMMAND...
"""
import os
import subprocess
import sys
import tempfile
import zipfile

from package_check import Failure, check


def run(archive, command):
    with zipfile.ZipFile(archive) as z:
        names = [n for n in z.namelist() if not n.endswith("/")]
        check("index.html" in names, f"no index.html at the top of {names}")
        # Flat but for the icons' folder, which the manifest names.
        check(all("/" not in n or n.startswith("icons/") for n in names),
              f"folders in the archive: {names}")
        texts = {n: z.read(n).decode("utf-8", errors="ignore") for n in names}
        with tempfile.TemporaryDirectory() as folder:
            z.extractall(folder)
            unnamed = [n for n in names if n != "index.html" and
                       not any(n in text for other, text in texts.items() if other != n)]
            check(not unnamed, f"nothing in the archive loads {unnamed}")
            result = subprocess.run([folder if word == "{}" else word for word in command])
            check(result.returncode == 0, f"the page from the archive failed ({result.returncode})")


def main():
    if len(sys.argv) < 4 or sys.argv[2] != "--":
        sys.exit(__doc__)
    try:
        run(sys.argv[1], sys.argv[3:])
    except Failure as failure:
        print(failure, file=sys.stderr)
        return 1
    print("the site archive holds the page and what it loads, and serves it")
    return 0


if __name__ == "__main__":
    sys.exit(main())
