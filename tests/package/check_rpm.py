#!/usr/bin/env python3
"""The RPM as a Fedora or openSUSE user gets it: the same files as the
.deb; Requires that name every library the program links, found by rpmbuild
itself; and an install with rpm --root into a scratch folder that puts
exactly those files there, and an erase that takes every one away again.

usage: check_rpm.py RPM DEB
"""
import os
import re
import subprocess
import sys

import package_check
from package_check import check, output
import tempfile

# Where rpm keeps its database inside a root, wherever the build of rpm puts it.
DATABASE = ("var/lib/rpm", "usr/lib/sysimage/rpm", "root/.rpmdb", "var/tmp", "tmp")


def deb_files(deb):
    """The paths of the .deb's files and links, folders left out."""
    files = set()
    for line in output("dpkg-deb", "-c", deb).splitlines():
        fields = line.split(None, 5)
        if not line.startswith("d"):
            files.add(fields[5].split(" -> ")[0].lstrip("."))
    return files


def rpm_files(rpm):
    lines = output("rpm", "-qp", "--qf", "[%{FILEMODES:perms} %{FILENAMES}\n]", rpm).splitlines()
    return {line.split(" ", 1)[1] for line in lines if not line.startswith("d")}


def files_in(root):
    found = set()
    for folder, subfolders, names in os.walk(root):
        relative = os.path.relpath(folder, root)
        subfolders[:] = [d for d in subfolders
                         if os.path.normpath(os.path.join(relative, d)) not in DATABASE]
        found |= {"/" + os.path.normpath(os.path.join(relative, n)) for n in names}
    return found


def linked_libraries(program):
    return re.findall(r"NEEDED\s+(\S+)", output("objdump", "-p", program))


def run(rpm, deb):
    files = rpm_files(rpm)
    check(files == deb_files(deb),
          f"the RPM and the .deb differ: only in the RPM {sorted(files - deb_files(deb))}, "
          f"only in the .deb {sorted(deb_files(deb) - files)}")
    requires = output("rpm", "-qp", "--requires", rpm).split()
    with tempfile.TemporaryDirectory() as root:
        rpm_root = ["rpm", "--root", root]
        subprocess.run(rpm_root + ["--initdb"], check=True)
        # The scratch root has no libraries installed for the Requires.
        subprocess.run(rpm_root + ["-i", "--nodeps", rpm], check=True)
        installed = files_in(root)
        check(installed == files, f"rpm -i put {sorted(installed ^ files)} otherwise than listed")
        for library in linked_libraries(os.path.join(root, "usr/bin/fractals")):
            check(f"{library}()(64bit)" in requires,
                  f"Requires does not name {library}: {requires}")
        check(output(*rpm_root, "-q", "fractals").startswith("fractals-"),
              "rpm -q finds no fractals")
        subprocess.run(rpm_root + ["-e", "fractals"], check=True)
        left = files_in(root)
        check(not left, f"rpm -e left {sorted(left)}")


if __name__ == "__main__":
    sys.exit(package_check.main(__doc__, 2, run, "the RPM holds the .deb's files and needs "
                                "its libraries; it installs and erases cleanly"))
