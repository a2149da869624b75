#!/usr/bin/env python3
"""The Windows installer under Wine, in a fresh prefix of its own: msiexec
/i … /qn installs for this user without asking; the program, README, licence
and the Start-menu shortcut are there and Apps & features lists it with its
version, publisher and icon; the installed fractals.exe opens its window and
shows the golden frames, and ends with 0 on Enter; the installer of a later
version replaces it; msiexec /x … /qn leaves no file and no registry entry of
it behind.

usage: check_msi_installs.py MSI VERSION GOLDEN_FRAME_EXE PREFIX LATER_MSI
"""
import os
import re
import subprocess
import sys

E2E = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "e2e")
sys.path.insert(0, E2E)
import golden_frame  # noqa: E402
import package_check  # noqa: E402
from package_check import output  # noqa: E402
from desktop_harness import (Desktop, check, make_prefix, require_tools,  # noqa: E402
                             stop_wine, wine_env)

UNINSTALL = r"Software\Microsoft\Windows\CurrentVersion\Uninstall"
PRODUCTS = r"Software\Microsoft\Installer\Products"


def drive_c_files(prefix):
    """Every file of the prefix's drive C: but its temporary files."""
    found = set()
    for folder, _, names in os.walk(os.path.join(prefix, "drive_c")):
        relative = os.path.relpath(folder, prefix)
        if not re.search(r"/(Temp|temp)(/|$)", relative):
            found |= {os.path.join(relative, n) for n in names}
    return found


def registry_mentions(prefix):
    """The lines of the prefix's registry files that name Fractals, without
    the times Wine writes beside the keys."""
    lines = set()
    for hive in ("user.reg", "system.reg"):
        with open(os.path.join(prefix, hive), encoding="utf-8", errors="replace") as f:
            lines |= {re.sub(r"\] \d+$", "]", line.strip()) for line in f
                      if "fractals" in line.lower()}
    return lines


def wine(env, *command, timeout=300):
    result = subprocess.run(["wine", *command], env=env, capture_output=True, text=True,
                            timeout=timeout)
    subprocess.run(["wineserver", "-w"], env=env, timeout=timeout)
    return result


def registry_values(env, root):
    """{key: {name: value}} of a registry tree, from reg query /s."""
    keys, key = {}, None
    for line in wine(env, "reg", "query", root, "/s").stdout.splitlines():
        if line.startswith("HKEY_"):
            key = keys.setdefault(line.strip(), {})
        elif key is not None and line.startswith("    "):
            fields = re.split(r"\s{4}", line.strip(), maxsplit=2)
            if len(fields) == 3:
                key[fields[0]] = fields[2]
    return keys


def check_listed(env, version):
    """Apps & features: one uninstall entry for the product, of the version,
    and its icon."""
    entries = [values for hive in ("HKCU", "HKLM")
               for values in registry_values(env, f"{hive}\\{UNINSTALL}").values()
               if values.get("DisplayName") == "Fractals"]
    check(len(entries) == 1, f"{len(entries)} uninstall entries for Fractals")
    check(entries[0].get("DisplayVersion") == version,
          f"DisplayVersion {entries[0].get('DisplayVersion')!r}, not {version!r}")
    check(entries[0].get("Publisher") == "The Fractals authors",
          f"Publisher {entries[0].get('Publisher')!r}")
    icons = [values.get("ProductIcon") for values in
             registry_values(env, f"HKCU\\{PRODUCTS}").values()
             if values.get("ProductName") == "Fractals"]
    check(icons and icons[0], "the installed product has no icon")
    unix_icon = wine(env, "winepath", "-u", icons[0]).stdout.strip()
    check(os.path.isfile(unix_icon), f"the product icon {icons[0]} is missing")


def check_runs(prefix, program, golden):
    with Desktop(wineprefix=prefix) as desk:
        started = desk.start(program)
        window = desk.wait_window("Fractals", started)
        origin = desk.client_area(window)[:2]
        tool = ["wine", golden]
        # Between frames the picture is the one after some frame N; a
        # screenshot taken as a frame is drawn is taken again.
        seen = []
        for _ in range(20):
            frame, differing = golden_frame.match(tool, desk.screenshot(), origin, 3000)
            if differing == 0 and frame > 0 and frame not in seen:
                seen.append(frame)
            if len(seen) == 2:
                break
        check(len(seen) == 2, f"the window showed golden frames {seen} only")
        desk.type_keys(window, "Return")
        code, _, err = started.wait(30)
        check(code == 0, f"exit code {code} after Enter; stderr: {err.strip()}")


def run(msi, version, golden, prefix, later):
    require_tools("wine", "wineserver", "Xvfb", "xdotool")
    # No menu entries on this machine's own desktop for the shortcut.
    os.environ["WINEDLLOVERRIDES"] = "winemenubuilder.exe=d"
    os.environ["WINEPREFIX"] = os.path.abspath(prefix)
    make_prefix(prefix, fresh=True)
    env = wine_env(os.environ, prefix)
    env.pop("DISPLAY", None)
    before = drive_c_files(prefix)
    registry_before = registry_mentions(prefix)
    try:
        result = wine(env, "msiexec", "/i", msi, "/qn")
        check(result.returncode == 0, f"msiexec /i gave {result.returncode}: {result.stderr}")
        users = os.path.join(prefix, "drive_c", "users")
        user = os.path.join(users, next(u for u in os.listdir(users) if u != "Public"))
        folder = os.path.join(user, "AppData", "Local", "Programs", "Fractals")
        for name in ("fractals.exe", "README.md", "LICENSE"):
            check(os.path.isfile(os.path.join(folder, name)), f"not installed: {name}")
        shortcut = os.path.join(user, "AppData", "Roaming", "Microsoft", "Windows",
                                "Start Menu", "Programs", "Fractals.lnk")
        check(os.path.isfile(shortcut), "no Start-menu shortcut")
        check_listed(env, version)
        check_runs(prefix, os.path.join(folder, "fractals.exe"), golden)

        # A later version replaces this one: one entry, the later one's.
        result = wine(env, "msiexec", "/i", later, "/qn")
        check(result.returncode == 0, f"msiexec /i of the later version gave {result.returncode}")
        later_version = next(line.split("\t")[1] for line in output(
            "msiinfo", "export", later, "Property").splitlines()
            if line.startswith("ProductVersion\t"))
        check_listed(env, later_version)
        check(os.path.isfile(os.path.join(folder, "fractals.exe")),
              "the later version's program is not installed")

        result = wine(env, "msiexec", "/x", later, "/qn")
        check(result.returncode == 0, f"msiexec /x gave {result.returncode}: {result.stderr}")
        after = drive_c_files(prefix)
        check(after == before, f"uninstalling left {sorted(after - before)} "
                               f"and took {sorted(before - after)}")
        left = registry_mentions(prefix) - registry_before
        check(not left, f"uninstalling left in the registry: {sorted(left)[:3]}")
    finally:
        stop_wine(env)


if __name__ == "__main__":
    sys.exit(package_check.main(__doc__, 5, run, "the installer installs, the program runs, "
                                "the uninstall leaves nothing"))
