# SPDX-License-Identifier: GPL-3.0-or-later
"""The Debian package, built and unpacked into a throwaway root: lintian
finds no error or warning (pedantic), the Build-Depends are complete, dpkg's
compiler flags are used, the licence file and the published checksum are
right, the installed quillbook-cli reads a ledger, and the
installed quillbook, started as an ordinary user with a home of its own,
writes its configuration, scratch table and work folder into that user's
folders and nothing under the install prefix."""
import os
import pwd
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

SOURCE = os.environ.get("QB_SOURCE", os.path.join(os.path.dirname(__file__), "..", ".."))
LEDGER_TSV = "2024.03.15\t커피 원두\t한빛상회\t0\t0\t5000\t500\t0\t0\t카드\tN\t0\n" \
             "2024.04.01\t납품\t서울상회\t120000\t12000\t0\t0\t0\t0\t세계\tN\t0\n"


def listing(root):
    out = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            st = os.lstat(path)
            out[path] = (st.st_size, st.st_mtime_ns)
    return out


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for t in ("dpkg-buildpackage", "dh", "lintian", "fakeroot"):
            if not shutil.which(t):
                raise unittest.SkipTest(f"{t} is not installed (scripts/deps.sh installs it)")
        cls.tmp = tempfile.mkdtemp(prefix="quillpkg-")
        os.chmod(cls.tmp, 0o755)
        env = dict(os.environ, QB_PACKAGE_WORK=os.path.join(cls.tmp, "work"), QB_DIST=os.path.join(cls.tmp, "dist"))
        r = subprocess.run([os.path.join(SOURCE, "scripts", "package.sh")], cwd=SOURCE, env=env,
                           capture_output=True, text=True, timeout=2700)
        cls.build_output = r.stdout + r.stderr
        cls.build_rc = r.returncode
        debs = [f for f in os.listdir(os.path.join(cls.tmp, "dist")) if f.endswith(".deb")] if os.path.isdir(os.path.join(cls.tmp, "dist")) else []
        cls.deb = os.path.join(cls.tmp, "dist", debs[0]) if debs else None
        cls.root = os.path.join(cls.tmp, "root")
        if cls.deb:
            subprocess.run(["dpkg", "-x", cls.deb, cls.root], check=True)
            for folder, dirs, _ in os.walk(cls.root):
                os.chmod(folder, 0o755)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def setUp(self):
        self.assertIsNotNone(self.deb, self.build_output[-3000:])

    def test_built_and_reviewed(self):
        # package.sh ends with lintian --fail-on error
        self.assertEqual(self.build_rc, 0, self.build_output[-3000:])
        self.assertRegex(os.path.basename(self.deb), r"^quillbook_[0-9.]+_[a-z0-9]+\.deb$")
        info = subprocess.run(["dpkg-deb", "-f", self.deb, "Depends", "Recommends"], capture_output=True, text=True).stdout
        self.assertIn("libqt6widgets6", info)
        self.assertIn("libxlsxwriter", info)
        for wanted in ("fonts-nanum | fonts-noto-cjk | fonts-unfonts-core", "libreoffice-calc | gnumeric",
                       "ibus-hangul | fcitx5-hangul", "fcitx5-frontend-qt6"):
            self.assertIn(wanted, info)
        depends = subprocess.run(["dpkg-deb", "-f", self.deb, "Depends"], capture_output=True, text=True).stdout
        self.assertIn("fonts-nanum | fonts-noto-cjk | fonts-unfonts-core", depends)  # not only recommended
        # No error and no warning, pedantic tags included.
        r = subprocess.run(["lintian", "--pedantic", self.deb], capture_output=True, text=True)
        self.assertEqual([l for l in r.stdout.splitlines() if l[:2] in ("E:", "W:")], [], r.stdout)
        # The Build-Depends are all there is to build with (the clean-chroot
        # build, scripts/chroot-build.sh, checks that they are enough).
        r = subprocess.run(["dpkg-checkbuilddeps"], cwd=SOURCE, capture_output=True, text=True)
        self.assertEqual((r.returncode, r.stdout + r.stderr), (0, ""))
        # dpkg's compiler flags reach the compiler: no build type of our own.
        with open(os.path.join(self.tmp, "work", "build.log"), encoding="utf-8", errors="replace") as f:
            log = f.read()
        compiles = [l for l in log.splitlines() if "/c++ " in l and ".o -c " in l]  # not moc's probes
        self.assertTrue(compiles)
        for line in compiles:
            self.assertIn("-fstack-protector-strong", line)
            self.assertNotIn("-O3", line)
        self.assertNotIn("GTest", log)  # no test library looked for

    def test_licence_and_published_checksum(self):
        with open(os.path.join(SOURCE, "debian", "copyright"), encoding="utf-8") as f:
            source = f.read()
        with open(os.path.join(self.root, "usr", "share", "doc", "quillbook", "copyright"), encoding="utf-8") as f:
            self.assertEqual(f.read(), source)
        self.assertIn("License: GPL-3.0-or-later", source)
        with open(self.deb + ".sha256", encoding="utf-8") as f:
            digest, name = f.read().split()
        self.assertEqual(name, os.path.basename(self.deb))
        r = subprocess.run(["sha256sum", self.deb], capture_output=True, text=True, check=True)
        self.assertEqual(r.stdout.split()[0], digest)
        with open(os.path.join(os.path.dirname(self.deb), "site", "soft.htm"), encoding="utf-8") as f:
            self.assertIn('<code id="sha256">%s</code>' % digest, f.read())

    def test_layout(self):
        usr = os.path.join(self.root, "usr")
        for path in ("bin/quillbook", "bin/quillbook-cli", "share/quillbook/quillbook.str",
                     "share/applications/com.example.quillbook.desktop",
                     "share/mime/packages/com.example.quillbook.xml",
                     "share/metainfo/com.example.quillbook.metainfo.xml",
                     "share/icons/hicolor/scalable/apps/com.example.quillbook.svg",
                     "share/icons/hicolor/48x48/apps/com.example.quillbook.png",
                     "share/icons/hicolor/256x256/apps/com.example.quillbook.png",
                     "share/man/man1/quillbook.1.gz", "share/man/man1/quillbook-cli.1.gz"):
            self.assertTrue(os.path.isfile(os.path.join(usr, path)), path)

    def test_helper_libraries(self):
        # The program loads them by full path from lib/quillbook; each has
        # its entry, and nothing of them lands in a public library folder.
        folder = os.path.join(self.root, "usr", "lib", "quillbook")
        for name, entry in (("Credits.dll", "ShowCredits"), ("PagePane.dll", "OpenPane")):
            path = os.path.join(folder, name)
            self.assertTrue(os.path.isfile(path), path)
            self.assertEqual(os.stat(path).st_mode & 0o777, 0o644, name)
            symbols = subprocess.run(["nm", "-D", "--defined-only", path], capture_output=True, text=True).stdout
            self.assertIn(" T " + entry + "\n", symbols, name)
        self.assertFalse([f for f in os.listdir(os.path.join(self.root, "usr", "lib")) if f.endswith(".dll")])
        site = os.path.join(SOURCE, "site")
        if os.path.isdir(site):
            for folder_, _, files in os.walk(site):
                for name in files:
                    relative = os.path.relpath(os.path.join(folder_, name), site)
                    self.assertTrue(os.path.isfile(os.path.join(self.root, "usr", "share", "quillbook", "site",
                                                                relative)), relative)

    def ledger(self, folder):
        cli = os.path.join(self.root, "usr", "bin", "quillbook-cli")
        tsv = os.path.join(folder, "in.tsv")
        with open(tsv, "w", encoding="utf-8") as f:
            f.write(LEDGER_TSV)
        aut = os.path.join(folder, "가게.Aut")
        r = subprocess.run([cli, "import", tsv, aut], capture_output=True, text=True, timeout=60)
        self.assertEqual(r.returncode, 0, r.stderr)
        os.chmod(aut, 0o644)
        return cli, aut

    def test_installed_cli_reads_a_ledger(self):
        folder = tempfile.mkdtemp(dir=self.tmp)
        cli, aut = self.ledger(folder)
        r = subprocess.run([cli, "dump", aut], capture_output=True, text=True, timeout=60)
        self.assertEqual((r.returncode, r.stdout), (0, LEDGER_TSV))
        r = subprocess.run([cli, "totals", aut, "--year", "2024"], capture_output=True, text=True, timeout=60)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("120000", r.stdout)

    def test_installed_program_writes_only_into_the_users_folders(self):
        home = tempfile.mkdtemp(dir=self.tmp)
        os.chmod(home, 0o755)
        _, aut = self.ledger(home)
        preexec = None
        if os.geteuid() == 0:
            nobody = pwd.getpwnam("nobody")
            for folder, dirs, files in os.walk(home):
                for name in [folder] + [os.path.join(folder, n) for n in files]:
                    os.chown(name, nobody.pw_uid, nobody.pw_gid)

            def preexec():
                os.setgroups([])
                os.setgid(nobody.pw_gid)
                os.setuid(nobody.pw_uid)
        env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
        env.update(HOME=home, QT_QPA_PLATFORM="offscreen", LANG="ko_KR.UTF-8")
        before = listing(self.root)
        program = subprocess.Popen([os.path.join(self.root, "usr", "bin", "quillbook"), aut], env=env,
                                   cwd=home, preexec_fn=preexec, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        wanted = [os.path.join(home, ".config", "quillbook", "quillcfg.ini"),
                  os.path.join(home, ".local", "state", "quillbook", "Temp", "quillbook.cds"),
                  os.path.join(home, "간편장부")]
        deadline = time.monotonic() + 60
        try:
            while time.monotonic() < deadline and program.poll() is None \
                    and not all(os.path.exists(p) for p in wanted):
                time.sleep(0.1)
            still_running = program.poll() is None
        finally:
            program.send_signal(signal.SIGTERM)
            output = program.communicate(timeout=30)[0].decode(errors="replace")
        self.assertTrue(still_running, output)
        for path in wanted:
            self.assertTrue(os.path.exists(path), path + "\n" + output)
        with open(wanted[0], "rb") as f:
            config = f.read().decode("cp949")
        self.assertIn(os.path.join(home, "간편장부") + "/", config)
        self.assertEqual(listing(self.root), before, "the installed program wrote under its prefix")
        self.assertFalse(os.path.exists(os.path.join(home, "Temp")))


if __name__ == "__main__":
    unittest.main()
