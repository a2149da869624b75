#!/usr/bin/env python3
"""The module-include check on small trees: a tree that keeps the rules
passes, and each way of breaking one, added to it, fails with its line."""
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

CHECK = Path(__file__).resolve().parents[2] / "scripts" / "check_module_includes.py"

MODULES = """\
platform platform PUBLIC PRIVATE
platform_web platform/web PUBLIC platform PRIVATE
platform_win32 platform/win32 PUBLIC platform PRIVATE
runtime runtime PUBLIC PRIVATE platform
graph graph PUBLIC platform PRIVATE runtime
"""

# Each module uses what it declares, by quotes and by angle brackets, and
# the system's headers.
TREE = {
    "platform/include/platform/messages.hpp": "#pragma once\n",
    "platform/win32/win32_api.hpp": "#pragma once\n",
    "platform/win32/window_win32.cpp": '#include "win32_api.hpp"\n#include <windows.h>\n',
    "platform/web/page_web.cpp": '#include "platform/messages.hpp"\n#include <emscripten.h>\n',
    "runtime/include/runtime/runtime.hpp": "#pragma once\n",
    "runtime/runtime.cpp": '#include "runtime/runtime.hpp"\n#include <platform/messages.hpp>\n',
    "graph/include/graph/graph.hpp": "#pragma once\n#include <platform/messages.hpp>\n",
    "graph/graph.cpp": '#include "graph/graph.hpp"\n#include <runtime/runtime.hpp>\n#include <vector>\n',
}

# (file, what is added to it, the fault reported)
BREAKS = [
    ("runtime/runtime.cpp", "#include <graph/graph.hpp>\n",
     "runtime/runtime.cpp:3: runtime includes <graph/graph.hpp> of module graph, "
     "which it does not declare"),
    ("platform/web/page_web.cpp", '#include "../win32/win32_api.hpp"\n',
     'platform/web/page_web.cpp:3: platform_web includes "../win32/win32_api.hpp", '
     "inside module platform_win32"),
    ("graph/include/graph/graph.hpp", '#include "runtime/runtime.hpp"\n',
     'graph/include/graph/graph.hpp:3: graph includes "runtime/runtime.hpp" of module runtime '
     "in a public header, but declares runtime PRIVATE"),
    ("platform/wayland/window_wayland.cpp", "",
     "platform/wayland: sources inside module platform that are no module of their own"),
]


def run_check(files):
    with tempfile.TemporaryDirectory() as folder:
        root = Path(folder)
        for name, text in files.items():
            (root / name).parent.mkdir(parents=True, exist_ok=True)
            (root / name).write_text(text)
        (root / "modules.txt").write_text(MODULES)
        result = subprocess.run([sys.executable, str(CHECK), str(root), str(root / "modules.txt")],
                                capture_output=True, text=True)
        return result.returncode, result.stdout.splitlines()


class ModuleIncludes(unittest.TestCase):
    def test_a_tree_that_keeps_the_rules_passes(self):
        code, lines = run_check(TREE)
        self.assertEqual((code, lines), (0, ["5 modules, 0 faults"]))

    def test_each_break_fails_with_its_line(self):
        for name, added, fault in BREAKS:
            with self.subTest(name):
                files = dict(TREE)
                files[name] = files.get(name, "") + added
                code, lines = run_check(files)
                self.assertEqual((code, lines), (1, [fault, "5 modules, 1 faults"]))


if __name__ == "__main__":
    unittest.main()
