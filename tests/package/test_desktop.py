# SPDX-License-Identifier: GPL-3.0-or-later
"""The desktop's view of the program: its entry, file type, metainfo and
manual pages pass their reviewers, the help of quillbook-cli and its manual
page name the same commands and options, and the program's own command
line takes one ledger at most."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

SOURCE = os.environ.get("QB_SOURCE", os.path.join(os.path.dirname(__file__), "..", ".."))
BIN = os.environ.get("QB_BIN", os.path.join(SOURCE, "build", "bin"))
DESKTOP = os.path.join(SOURCE, "desktop")
APP_ID = "com.example.quillbook"


def tool(name):
    path = shutil.which(name)
    if not path:
        raise unittest.SkipTest(f"{name} is not installed (scripts/deps.sh installs it)")
    return path


def run(*args, **kw):
    return subprocess.run(list(args), capture_output=True, text=True, timeout=120, **kw)


class Reviewers(unittest.TestCase):
    def test_desktop_entry(self):
        r = run(tool("desktop-file-validate"), os.path.join(DESKTOP, APP_ID + ".desktop"))
        self.assertEqual((r.returncode, r.stdout + r.stderr), (0, ""))
        with open(os.path.join(DESKTOP, APP_ID + ".desktop"), encoding="utf-8") as f:
            entry = f.read()
        for line in ("Name=간편장부", "Exec=quillbook %f", "Categories=Office;Finance;",
                     "MimeType=application/x-quillbook-ledger;", "Icon=" + APP_ID):
            self.assertIn(line + "\n", entry)

    def test_metainfo(self):
        # --no-net: this machine reaches no web site, and the addresses are ours.
        r = run(tool("appstreamcli"), "validate", "--pedantic", "--no-net",
                os.path.join(DESKTOP, APP_ID + ".metainfo.xml"))
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertNotRegex(r.stdout, r"(?m)^[EWIP]:")

    def test_ledger_file_type(self):
        xml = os.path.join(DESKTOP, APP_ID + ".mime.xml")
        r = run(tool("xmllint"), "--noout", xml)
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        mimedir = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, mimedir)
        os.makedirs(os.path.join(mimedir, "mime", "packages"))
        shutil.copy(xml, os.path.join(mimedir, "mime", "packages", APP_ID + ".xml"))
        r = run(tool("update-mime-database"), os.path.join(mimedir, "mime"))
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(os.path.join(mimedir, "mime", "globs2"), encoding="utf-8") as f:
            globs = f.read()
        # One lower-case glob, not marked case-sensitive: "x.Aut" and "X.AUT" match too.
        self.assertRegex(globs, r"(?m)^\d+:application/x-quillbook-ledger:\*\.aut$")


class ManualPages(unittest.TestCase):
    def help_text(self):
        r = run(os.path.join(BIN, "quillbook-cli"), "--help")
        self.assertEqual(r.returncode, 0)
        return r.stdout

    def manual(self, name):
        with open(os.path.join(SOURCE, "doc", name + ".1.scd"), encoding="utf-8") as f:
            return f.read()

    def test_cli_help_and_manual_name_the_same_commands_and_options(self):
        text = self.help_text()
        page = self.manual("quillbook-cli")
        help_commands = set(re.findall(r"(?m)^  ([a-z][a-z-]*) ", text))
        page_commands = set(re.findall(r"(?m)^\*([a-z][a-z-]*)\* ", page.split("# COMMANDS")[1].split("# OPTIONS")[0]))
        self.assertTrue(help_commands)
        self.assertEqual(help_commands, page_commands,
                         "quillbook-cli --help and doc/quillbook-cli.1.scd must list the same commands")
        help_options = set(re.findall(r"(--[a-z0-9-]+)", text)) - {"--help"}
        page_options = set(re.findall(r"\*(--[a-z0-9-]+)\*", page.split("# OPTIONS")[1])) - {"--help"}
        self.assertEqual(help_options, page_options,
                         "quillbook-cli --help and doc/quillbook-cli.1.scd must list the same options")

    def test_pages_are_built(self):
        build = os.environ.get("QB_DESKTOP_BUILD")
        if not build:
            self.skipTest("run through CTest")
        for name in ("quillbook.1", "quillbook-cli.1"):
            with open(os.path.join(build, name), encoding="utf-8") as f:
                self.assertIn(".TH", f.read())


class PackageScripts(unittest.TestCase):
    def test_package_script_installs_only_what_the_package_needs(self):
        with open(os.path.join(SOURCE, "scripts", "package.sh"), encoding="utf-8") as f:
            script = f.read()
        # The Build-Depends and the packaging tools, never the test tools.
        self.assertNotIn("deps.sh", script)
        self.assertIn("build-dep", script)
        with open(os.path.join(SOURCE, "README.md"), encoding="utf-8") as f:
            readme = f.read()
        self.assertIn("needs root", readme)
        self.assertRegex(readme, r"about \d+ minutes")


class ProgramCommandLine(unittest.TestCase):
    def test_help_and_version_answer_without_a_display(self):
        with open(os.path.join(SOURCE, "debian", "changelog"), encoding="utf-8") as f:
            version = re.match(r"quillbook \(([^)]+)\)", f.readline()).group(1)
        # No display at all: the program must not try to start.
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        manual = ManualPages().manual("quillbook")
        cases = [
            ("quillbook", ["--help"], 0, "사용법: quillbook [장부파일.Aut]"),
            ("quillbook", ["-h"], 0, "사용법: quillbook [장부파일.Aut]"),
            ("quillbook", ["--version"], 0, "quillbook " + version + "\n"),
            ("quillbook-cli", ["--version"], 0, "quillbook-cli " + version + "\n"),
            ("quillbook", ["--frobnicate"], 2, "모르는 옵션"),
        ]
        for program, args, status, text in cases:
            with self.subTest(program=program, args=args):
                r = run(os.path.join(BIN, program), *args, env=env)
                self.assertEqual(r.returncode, status, r.stderr)
                self.assertIn(text, r.stdout if status == 0 else r.stderr)
        # The manual names every key the program binds and every folder it writes.
        for word in ("F1", "F2", "F3", "F11", "F12", "Esc", "Ctrl+Z", "Ctrl+Y", "Ctrl+F", "Ctrl+T", "Ctrl+Shift+O",
                     "Ctrl+Shift+D", "Ctrl+Shift+H", "Ctrl+Shift+A", "Ctrl+Q", "Shift+F10", "Menu", "백업",
                     "QtProject.conf", "quillbook-<uid>", "quillcfg.ini", "Temp/", "--help", "--version"):
            self.assertIn(word, manual)

    def test_a_second_file_is_refused(self):
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        r = run(os.path.join(BIN, "quillbook"), "a.Aut", "b.Aut", env=env)
        self.assertEqual(r.returncode, 2)
        self.assertIn("하나만", r.stderr)


if __name__ == "__main__":
    unittest.main()
