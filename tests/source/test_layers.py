# SPDX-License-Identifier: GPL-3.0-or-later
"""Includes written from src/ name their layer; each layer sees only what
lies below it: the core no Qt and nothing of the application, the print
painter only the core, the helper libraries only their own folder, the
program's title and the text converter."""
import os
import re
import unittest

SOURCE = os.environ.get("QB_SOURCE", os.path.join(os.path.dirname(__file__), "..", ".."))
SRC = os.path.join(SOURCE, "src")
QUOTED = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
ANGLED = re.compile(r'^\s*#\s*include\s+<([^>]+)>', re.M)

# The layer of a file (its first folder below src/) and what it may include.
ALLOWED = {
    "core": ("core/",),
    "print": ("core/", "print/"),
    "cli": ("core/", "print/", "cli/"),
    "gui": ("core/", "print/", "gui/"),
    "plugins": ("plugins/", "core/AppInfo.h", "core/text/"),
}


def sources():
    for folder, _, names in os.walk(SRC):
        for name in names:
            if name.endswith((".cpp", ".h", ".c")):
                path = os.path.join(folder, name)
                with open(path, encoding="utf-8") as f:
                    yield os.path.relpath(path, SRC), f.read()


class Layers(unittest.TestCase):
    def test_every_include_names_an_existing_file_from_src(self):
        wrong = [(f, inc) for f, text in sources() for inc in QUOTED.findall(text)
                 if not os.path.isfile(os.path.join(SRC, inc))]
        self.assertEqual(wrong, [], "includes not written from src/")

    def test_each_layer_includes_only_the_layers_below_it(self):
        wrong = []
        for f, text in sources():
            layer = f.split(os.sep)[0]
            allowed = ALLOWED[layer]
            wrong += [(f, inc) for inc in QUOTED.findall(text) if not inc.startswith(allowed)]
        self.assertEqual(wrong, [])

    def test_the_core_includes_no_qt_header(self):
        wrong = [(f, inc) for f, text in sources() if f.startswith("core" + os.sep)
                 for inc in ANGLED.findall(text) if inc.startswith("Q")]
        self.assertEqual(wrong, [])


if __name__ == "__main__":
    unittest.main()
