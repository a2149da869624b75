#!/usr/bin/env python3
"""Checks that each module includes only its own headers and the public
headers of the modules it declares, and its public headers only those of
the modules it declares PUBLIC.

Usage: check_module_includes.py SOURCE_DIR MODULES_TXT

MODULES_TXT has one line per module: its name, its folder (relative to
SOURCE_DIR), then PUBLIC and the modules its public headers may use, then
PRIVATE and the modules only its inside may use. A file belongs to the module
with the longest folder that holds it; a module's public headers are those
under <folder>/include/. Quoted includes are resolved as the compiler does
(the including file's folder first, then the module's own folder and the
public include folders); angle-bracket ones the same way less the including
file's folder, and those that name no file of the tree are the system's. A
folder of sources inside a module's folder must be a module of its own, so
that each backend is checked as one whether or not this build compiles it.
Headers the build makes lie under generated/ in MODULES_TXT's folder, at their
module folder's path, and count as beside the files of that folder.
Exit code 1 and one line per fault when any include crosses a boundary the
build does not declare.
"""

import re
import sys
from pathlib import Path

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.MULTILINE)
SOURCES = {".c", ".cpp", ".h", ".hpp"}


def read_modules(table):
    """name -> (folder, public dependencies, private dependencies)."""
    modules = {}
    for line in table.read_text().splitlines():
        fields = line.split()
        if not fields:
            continue
        uses = {"PUBLIC": set(), "PRIVATE": set()}
        kind = "PUBLIC"
        for field in fields[2:]:
            if field in uses:
                kind = field
            else:
                uses[kind].add(field)
        modules[fields[0]] = (Path(fields[1]), uses["PUBLIC"], uses["PRIVATE"])
    return modules


def owner(path, modules):
    """The module whose folder is the longest one holding path, or None."""
    best, depth = None, -1
    for name, (folder, _, _) in modules.items():
        if path.is_relative_to(folder) and len(folder.parts) > depth:
            best, depth = name, len(folder.parts)
    return best


def resolve(root, including, header, quoted, modules, generated):
    """The file an include names, relative to root (a made one as if it lay
    in the tree), or None."""
    if quoted and not (root / including).parent.joinpath(header).is_file() and \
            (generated / including).parent.joinpath(header).is_file():
        return including.parent / header
    folders = [(root / including).parent] if quoted else []
    folders.append(root / modules[owner(including, modules)][0])
    folders += [root / folder / "include" for folder, _, _ in modules.values()]
    for folder in folders:
        candidate = folder / header
        if candidate.is_file():
            return candidate.resolve().relative_to(root)
    return None


def sources(folder):
    return [p for p in sorted(folder.rglob("*")) if p.suffix in SOURCES and p.is_file()]


def unowned_folders(root, modules):
    """Folders of sources inside a module's folder that are no module."""
    faults = []
    declared = {folder for folder, _, _ in modules.values()}
    for name, (folder, _, _) in sorted(modules.items()):
        for sub in sorted(p for p in (root / folder).iterdir() if p.is_dir()):
            relative = sub.relative_to(root)
            if sub.name != "include" and relative not in declared and sources(sub):
                faults.append(f"{relative}: sources inside module {name} that are no module of "
                              f"their own")
    return faults


def check(root, modules, generated):
    faults = unowned_folders(root, modules)
    for name, (folder, public, private) in sorted(modules.items()):
        for path in sources(root / folder):
            relative = path.relative_to(root)
            if owner(relative, modules) != name:
                continue  # a nested module's file
            in_public_header = relative.is_relative_to(folder / "include")
            text = path.read_text(errors="replace")
            for match in INCLUDE.finditer(text):
                line = text.count("\n", 0, match.start()) + 1
                quoted, header = match.group(1) == '"', match.group(2)
                spelt = f'"{header}"' if quoted else f"<{header}>"
                where = f"{relative}:{line}: {name} includes {spelt}"
                target = resolve(root, relative, header, quoted, modules, generated)
                if target is None:
                    if quoted:
                        faults.append(f"{where}, which is no header of any module")
                    continue  # the system's
                other = owner(target, modules)
                if other == name:
                    continue
                if not target.is_relative_to(modules[other][0] / "include"):
                    faults.append(f"{where}, inside module {other}")
                elif other not in public | private:
                    faults.append(f"{where} of module {other}, which it does not declare")
                elif in_public_header and other not in public:
                    faults.append(f"{where} of module {other} in a public header, but declares "
                                  f"{other} PRIVATE")
    return faults


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[4], file=sys.stderr)
        return 2
    root = Path(sys.argv[1]).resolve()
    modules = read_modules(Path(sys.argv[2]))
    if not modules:
        print("no modules declared", file=sys.stderr)
        return 1
    faults = check(root, modules, Path(sys.argv[2]).resolve().parent / "generated")
    for fault in faults:
        print(fault)
    print(f"{len(modules)} modules, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
