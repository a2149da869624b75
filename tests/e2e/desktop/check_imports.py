#!/usr/bin/env python3
"""Fails unless the .exe imports only DLLs that every Windows installation
has: the program ships as one file.

    check_imports.py OBJDUMP EXE
"""

import subprocess
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "ucrtbase.dll",
               "advapi32.dll", "ntdll.dll", "shell32.dll", "ole32.dll", "comctl32.dll",
               "ws2_32.dll"}


def imported_dlls(objdump, exe):
    out = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True).stdout
    return [line.split(":", 1)[1].strip() for line in out.splitlines()
            if line.strip().startswith("DLL Name:")]


def main():
    objdump, exe = sys.argv[1:3]
    dlls = imported_dlls(objdump, exe)
    foreign = [dll for dll in dlls
               if dll.lower() not in SYSTEM_DLLS and not dll.lower().startswith("api-ms-win-")]
    print("imports:", ", ".join(dlls))
    if not dlls:
        print("no import table found", file=sys.stderr)
        return 1
    if foreign:
        print("not system DLLs:", ", ".join(foreign), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
