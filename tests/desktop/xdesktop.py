# SPDX-License-Identifier: GPL-3.0-or-later
"""A private X desktop for the tests that drive the real program: Xvfb with
openbox (without a window manager Qt never sees its window activated and
sends no focus events), optionally ibus with the Hangul engine, xdotool for
keys and screenshots of the whole screen kept when a test fails.

A test exits 77 (skipped) with the reason when a tool is missing;
scripts/deps.sh installs them."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
MAIN_WINDOW = "^간편장부$"


def skip(reason):
    print("SKIP: " + reason)
    sys.exit(SKIP)


def require_tools(tools):
    for tool in tools:
        if not shutil.which(tool):
            skip(tool + " is missing (scripts/deps.sh installs it)")


def wait_for(what, check, timeout=60.0):
    """Polls until check() is true; generous, as the machine may be busy."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        result = check()
        if result:
            return result
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


class Desktop:
    def __init__(self, work, screen=(1280, 900), input_method=None):
        self.work = work
        self.screen = screen
        self.input_method = input_method
        self.procs = []
        # Nothing of the user's desktop leaks in: folders, input method.
        self.env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
        self.env.pop("QT_IM_MODULE", None)
        self.env.update({
            "HOME": work, "XDG_CONFIG_HOME": os.path.join(work, "config"),
            "XDG_RUNTIME_DIR": os.path.join(work, "run"), "XDG_CACHE_HOME": os.path.join(work, "cache"),
            "LANG": "C.UTF-8", "QT_QPA_PLATFORM": "xcb",
        })
        if input_method == "ibus":
            self.env.update({"QT_IM_MODULE": "ibus", "GTK_IM_MODULE": "ibus", "XMODIFIERS": "@im=ibus"})
        elif input_method == "fcitx5":
            self.env.update({"QT_IM_MODULE": "fcitx", "GTK_IM_MODULE": "fcitx", "XMODIFIERS": "@im=fcitx"})
            # One group: the plain keyboard and Hangul, Hangul the default.
            profile = os.path.join(work, "config", "fcitx5")
            os.makedirs(profile)
            with open(os.path.join(profile, "profile"), "w") as f:
                f.write("[Groups/0]\nName=Default\nDefault Layout=us\nDefaultIM=hangul\n\n"
                        "[Groups/0/Items/0]\nName=keyboard-us\nLayout=\n\n"
                        "[Groups/0/Items/1]\nName=hangul\nLayout=\n\n[GroupOrder]\n0=Default\n")
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        self.shot = 0

    def start(self, args, **kw):
        kw.setdefault("stdout", subprocess.DEVNULL)
        kw.setdefault("stderr", subprocess.DEVNULL)
        p = subprocess.Popen(args, env=self.env, **kw)
        self.procs.append(p)
        return p

    def run(self, args, check=True):
        return subprocess.run(args, env=self.env, capture_output=True, text=True, check=check, timeout=60)

    def up(self):
        r, w = os.pipe()
        self.start(["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % self.screen, "-nolisten", "tcp"],
                   pass_fds=(w,))
        os.close(w)
        display = b""
        while not display.endswith(b"\n"):
            chunk = os.read(r, 16)
            if not chunk:
                raise AssertionError("Xvfb did not start")
            display += chunk
        os.close(r)
        self.env["DISPLAY"] = ":" + display.decode().strip()
        self.start(["openbox"])
        wait_for("openbox", lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in
                 self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False).stdout)
        if self.input_method == "ibus":
            self.start(["ibus-daemon", "--replace", "--panel=disable", "--xim"])

            def hangul():
                self.run(["ibus", "engine", "hangul"], check=False)
                return self.run(["ibus", "engine"], check=False).stdout.strip() == "hangul"
            wait_for("the hangul engine of ibus", hangul)
        elif self.input_method == "fcitx5":
            self.start(["fcitx5", "--replace"])
            wait_for("fcitx5", lambda: self.run(["fcitx5-remote"], check=False).stdout.strip().isdigit())
            time.sleep(1)  # its frontends and the Hangul engine load after the bus name

    def start_program(self, program, timeout=120, args=()):
        """Starts the program (with its command-line arguments), waits for its main window and activates
        it; an early end is reported with what the program printed."""
        log = open(os.path.join(self.work, "program.log"), "w")
        process = self.start([program] + list(args), cwd=os.path.dirname(program), stdout=log, stderr=subprocess.STDOUT)

        def main_window():
            if process.poll() is not None:
                with open(log.name) as f:
                    raise AssertionError("the program ended (%s) before its window: %s"
                                         % (process.returncode, f.read()))
            return self.windows(MAIN_WINDOW)
        window = wait_for("the main window", main_window, timeout=timeout)[0]
        self.run(["xdotool", "windowactivate", "--sync", window], check=False)
        time.sleep(0.5)  # lets the window take the focus it was given
        return process, window

    def windows(self, name):
        return self.run(["xdotool", "search", "--onlyvisible", "--name", name], check=False).stdout.split()

    def geometry(self, window):
        """x, y, width and height of a window without its frame, as xdotool reports them."""
        shape = self.run(["xdotool", "getwindowgeometry", "--shell", window]).stdout
        where = dict(line.split("=", 1) for line in shape.split())
        return int(where["X"]), int(where["Y"]), int(where["WIDTH"]), int(where["HEIGHT"])

    def outer(self, window):
        """The window's rectangle with the window manager's frame: x, y, width, height."""
        info = self.run(["xwininfo", "-id", window], check=False).stdout
        values = {}
        for line in info.splitlines():
            key, _, value = line.strip().partition(":")
            values[key] = value.strip()
        try:
            x, y = int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"])
            w, h = int(values["Width"]), int(values["Height"])
        except (KeyError, ValueError):
            return None
        extents = self.run(["xprop", "-id", window, "_NET_FRAME_EXTENTS"], check=False).stdout
        if "=" not in extents:
            return None
        left, right, top, bottom = (int(v) for v in extents.split("=", 1)[1].split(","))
        return (x - left, y - top, w + left + right, h + top + bottom)

    def keys(self, *keys):
        self.run(["xdotool", "key", "--delay", "80"] + list(keys))

    def type(self, text):
        self.run(["xdotool", "type", "--delay", "80", text])

    def region(self, x, y, w, h):
        """The screen's pixels in a rectangle (PPM bytes), to tell whether something changed there."""
        shot = subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "ppm:-"],
                              env=self.env, capture_output=True, timeout=60)
        return shot.stdout

    def input_method_korean(self):
        """Switches the input method to Hangul as a user does (ibus-hangul: Hangul key; fcitx5: activate)."""
        if self.input_method == "ibus":
            self.keys("shift+space")
        elif self.input_method == "fcitx5":
            self.run(["fcitx5-remote", "-o"], check=False)

    def input_method_latin(self):
        if self.input_method == "ibus":
            self.run(["ibus", "engine", "xkb:us::eng"], check=False)
        elif self.input_method == "fcitx5":
            self.run(["fcitx5-remote", "-c"], check=False)

    def screenshot(self, label):
        self.shot += 1
        path = os.path.join(self.work, "%02d-%s.png" % (self.shot, label))
        self.run(["import", "-window", "root", path], check=False)
        return path

    def down(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(10)
                except subprocess.TimeoutExpired:
                    p.kill()


def portable_copy(work, app, template, extra=()):
    """A program folder of the test's own: the program, its template and the given files or folders."""
    program = os.path.join(work, "program")
    os.makedirs(program)
    shutil.copy(app, program)
    shutil.copy(template, os.path.join(program, "quillbook.str"))
    for path in extra:
        target = os.path.join(program, os.path.basename(path))
        (shutil.copytree if os.path.isdir(path) else shutil.copy)(path, target)
    return os.path.join(program, os.path.basename(app))


def run_session(prefix, body, **desktop_options):
    """Runs body(desktop, work) on a fresh desktop; returns the exit status. A failure keeps the work
    folder with its screenshots and says where; so does a pass when QB_KEEP_SCREENSHOTS is set."""
    work = tempfile.mkdtemp(prefix=prefix)
    keep = False
    desktop = Desktop(work, **desktop_options)
    try:
        desktop.up()
        status = body(desktop, work)
        keep = status != 0
        return status
    except AssertionError as e:
        keep = True
        desktop.screenshot("failure")
        print("FAIL: %s" % e)
        return 1
    finally:
        desktop.down()
        if keep or os.environ.get("QB_KEEP_SCREENSHOTS"):
            print("screenshots in " + work)
        else:
            shutil.rmtree(work, ignore_errors=True)
