#!/usr/bin/env python3
"""Fails unless the .exe imports only DLLs that every Windows installation
has: the program ships as one file. With --requires, also fails unless it
imports each DLL!FUNCTION named.

    check_imports.py OBJDUMP EXE [--requires DLL!FUNCTION ...]
"""

import argparse
import subprocess
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "ucrtbase.dll",
               "advapi32.dll", "ntdll.dll", "shell32.dll", "ole32.dll", "comctl32.dll",
               "ws2_32.dll", "winmm.dll"}


def imports(objdump, exe):
    """{dll (lower case): set of function names} from the import table."""
    out = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True).stdout
    table = {}
    current = None
    for line in out.splitlines():
        text = line.strip()
        if text.startswith("DLL Name:"):
            current = table.setdefault(text.split(":", 1)[1].strip().lower(), set())
        elif current is not None:
            words = text.split()
            # "vma  hint  name" rows; anything else ends the DLL's list.
            if len(words) == 3 and words[1].isdigit():
                current.add(words[2])
            elif not text.startswith("vma:"):
                current = None
    return table


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("objdump")
    parser.add_argument("exe")
    parser.add_argument("--requires", nargs="*", default=[], metavar="DLL!FUNCTION")
    args = parser.parse_args()
    table = imports(args.objdump, args.exe)
    print("imports:", ", ".join(sorted(table)))
    if not table:
        print("no import table found", file=sys.stderr)
        return 1
    foreign = [dll for dll in table
               if dll not in SYSTEM_DLLS and not dll.startswith("api-ms-win-")]
    if foreign:
        print("not system DLLs:", ", ".join(foreign), file=sys.stderr)
        return 1
    missing = [need for need in args.requires
               if need.split("!")[1] not in table.get(need.split("!")[0].lower(), set())]
    if missing:
        print("not imported:", ", ".join(missing), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
