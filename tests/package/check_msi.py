#!/usr/bin/env python3
"""The Windows installer's tables, as msiinfo reads them: a 64-bit package
that needs no administrator; the product's name, version, publisher and
upgrade code; the program, README and licence in a folder of the user's own;
a Start-menu shortcut to the program with the program's icon, the same icon
in Apps & features.

usage: check_msi.py MSI VERSION UPGRADE_CODE
"""
import os
import subprocess
import sys
import tempfile

import package_check
from package_check import check, output

# Word Count bits of the summary: 2 compressed files, 8 no elevation asked.
COMPRESSED, NO_ELEVATION = 2, 8


def table(msi, name):
    """The table's rows as lists of fields (msiinfo export; three heading
    lines: column names, types, table name and keys)."""
    # Streams (the Icon table's) are written out into the folder it runs in.
    with tempfile.TemporaryDirectory() as scratch:
        text = subprocess.run(["msiinfo", "export", os.path.abspath(msi), name], cwd=scratch,
                              capture_output=True, text=True, check=True).stdout
    return [line.rstrip("\r").split("\t") for line in text.splitlines()[3:]]


def summary(msi):
    text = output("msiinfo", "suminfo", msi)
    return dict(line.split(": ", 1) for line in text.splitlines() if ": " in line)


def run(msi, version, upgrade_code):
    info = summary(msi)
    check(info.get("Template", "").startswith("x64;"), f"template {info.get('Template')!r}")
    word_count = int(info.get("Source", "0").split()[0])
    check(word_count & NO_ELEVATION and word_count & COMPRESSED,
          f"Word Count {word_count}: asks for elevation or holds no cabinet")

    properties = {row[0]: row[1] for row in table(msi, "Property")}
    wanted = {"ProductName": "Fractals", "ProductVersion": version,
              "Manufacturer": "The Fractals authors", "UpgradeCode": upgrade_code}
    for name, value in wanted.items():
        check(properties.get(name) == value, f"{name} is {properties.get(name)!r}, not {value!r}")
    check("ALLUSERS" not in properties, "ALLUSERS is set: the install would be for every user")
    check(any(row[0] == upgrade_code and "WIX_UPGRADE_DETECTED" in row
              for row in table(msi, "Upgrade")), "no Upgrade row finds older versions")

    directories = {row[0]: (row[1], row[2]) for row in table(msi, "Directory")}
    components = {row[0]: row[2] for row in table(msi, "Component")}
    files = {row[2]: components[row[1]] for row in table(msi, "File")}
    check(set(files) == {"fractals.exe", "README.md", "LICENSE"}, f"files {sorted(files)}")
    folder, parents = files["fractals.exe"], []
    while folder in directories:
        parents.append(folder)
        folder = directories[folder][0]
    check("LocalAppDataFolder" in parents,
          f"the program goes to {parents}, not under the user's LocalAppData")

    icons = {row[0] for row in table(msi, "Icon")}
    check(properties.get("ARPPRODUCTICON") in icons, "Apps & features shows no icon")
    shortcuts = table(msi, "Shortcut")
    check(len(shortcuts) == 1, f"{len(shortcuts)} shortcuts")
    shortcut = shortcuts[0]
    check(shortcut[1] == "ProgramMenuFolder", f"the shortcut lies in {shortcut[1]}")
    check(shortcut[4].endswith("fractals.exe"), f"the shortcut starts {shortcut[4]!r}")
    check(shortcut[8] in icons, "the shortcut has no icon")


if __name__ == "__main__":
    sys.exit(package_check.main(__doc__, 3, run, "the installer's tables are complete"))
