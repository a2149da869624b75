#!/usr/bin/env python3
"""Checks that each module includes only its own headers and the public
headers of the modules it declares.

Usage: check_module_includes.py SOURCE_DIR MODULES_TXT

MODULES_TXT has one line per module: its name, its folder (relative to
SOURCE_DIR) and the modules it declares. A file belongs to the module with the
longest folder that holds it; a module's public headers are those under
<folder>/include/. Quoted #include lines are resolved as the compiler does
(the including file's folder first, then the public include folders) and
compared with the declarations. Headers the build makes lie under
generated/ in MODULES_TXT's folder, at their module folder's path, and count
as beside the files of that folder. Exit code 1 and one line per fault when
any include crosses a boundary the build does not declare.
"""

import re
import sys
from pathlib import Path

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)
SOURCES = {".c", ".cpp", ".h", ".hpp"}


def read_modules(table):
    modules = {}
    for line in table.read_text().splitlines():
        fields = line.split()
        if fields:
            modules[fields[0]] = (Path(fields[1]), set(fields[2:]))
    return modules


def owner(path, modules):
    """The module whose folder is the longest one holding path, or None."""
    best, depth = None, -1
    for name, (folder, _) in modules.items():
        if path.is_relative_to(folder) and len(folder.parts) > depth:
            best, depth = name, len(folder.parts)
    return best


def resolve(root, including, header, modules, generated):
    """The file a quoted include names, relative to root (a made one as if
    it lay in the tree), or None."""
    beside = (root / including).parent / header
    if beside.is_file():
        return beside.resolve().relative_to(root)
    if (generated / including).parent.joinpath(header).is_file():
        return including.parent / header
    for folder, _ in modules.values():
        candidate = root / folder / "include" / header
        if candidate.is_file():
            return candidate.resolve().relative_to(root)
    return None


def check(root, modules, generated):
    faults = []
    for name, (folder, _) in sorted(modules.items()):
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in SOURCES or not path.is_file():
                continue
            relative = path.relative_to(root)
            if owner(relative, modules) != name:
                continue  # a nested module's file
            declared = modules[name][1]
            text = path.read_text(errors="replace")
            for match in INCLUDE.finditer(text):
                line = text.count("\n", 0, match.start()) + 1
                header = match.group(1)
                where = f"{relative}:{line}: {name}"
                target = resolve(root, relative, header, modules, generated)
                if target is None:
                    faults.append(f'{where} includes "{header}", which is no header of any module')
                    continue
                other = owner(target, modules)
                if other == name:
                    continue
                public = target.is_relative_to(modules[other][0] / "include")
                if not public:
                    faults.append(f'{where} includes "{header}", inside module {other}')
                elif other not in declared:
                    faults.append(f'{where} includes "{header}" of module {other}, '
                                  f"which it does not declare")
    return faults


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    root = Path(sys.argv[1]).resolve()
    modules = read_modules(Path(sys.argv[2]))
    if not modules:
        print("no modules declared", file=sys.stderr)
        return 1
    faults = check(root, modules, Path(sys.argv[2]).resolve().parent / "generated")
    for fault in faults:
        print(fault)
    print(f"{len(modules)} modules, {len(faults)} undeclared includes")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
