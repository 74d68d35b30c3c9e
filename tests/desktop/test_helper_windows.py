#!/usr/bin/python3
"""The help pane and the about box of our own helper libraries on a real X
display with a window manager: F1 opens the help pane with its outer frame
exactly where the program asks (right edge of the screen, full height less
10 pixels), Esc closes it; the about box opens over the main window, Enter
closes it. Exits 77 (skipped) with the reason when a tool is missing."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
TOOLS = ["Xvfb", "openbox", "xdotool", "xwininfo", "xprop", "import"]
SCREEN = (1280, 900)


def skip(reason):
    print("SKIP: " + reason)
    sys.exit(SKIP)


def wait_for(what, check, timeout=60.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        result = check()
        if result:
            return result
        time.sleep(0.1)
    raise AssertionError("timed out waiting for " + what)


class Desktop:
    def __init__(self, work):
        self.work = work
        self.procs = []
        self.env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
        self.env.update({"HOME": work, "XDG_RUNTIME_DIR": os.path.join(work, "run"), "LANG": "C.UTF-8",
                         "QT_QPA_PLATFORM": "xcb"})
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        self.shot = 0

    def start(self, args, **kw):
        p = subprocess.Popen(args, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kw)
        self.procs.append(p)
        return p

    def run(self, args, check=True):
        return subprocess.run(args, env=self.env, capture_output=True, text=True, check=check, timeout=60)

    def up(self):
        r, w = os.pipe()
        self.start(["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp"],
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

    def windows(self, name):
        return self.run(["xdotool", "search", "--onlyvisible", "--name", name], check=False).stdout.split()

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


def main():
    for tool in TOOLS:
        if not shutil.which(tool):
            skip(tool + " is missing (scripts/deps.sh installs it)")
    app, bin_dir, template = os.environ.get("QB_APP"), os.environ.get("QB_BIN"), os.environ.get("QB_TEMPLATE")
    if not (app and bin_dir and template and os.path.exists(app)):
        skip("the program was not built")
    for name in ("Credits.dll", "PagePane.dll", "site"):
        if not os.path.exists(os.path.join(bin_dir, name)):
            skip(name + " was not built")

    work = tempfile.mkdtemp(prefix="qb-helpers-")
    keep = False
    desktop = Desktop(work)
    try:
        # A portable copy of its own: program, template, libraries, pages.
        program = os.path.join(work, "program")
        os.makedirs(program)
        shutil.copy(app, program)
        shutil.copy(template, os.path.join(program, "quillbook.str"))
        for name in ("Credits.dll", "PagePane.dll"):
            shutil.copy(os.path.join(bin_dir, name), program)
        shutil.copytree(os.path.join(bin_dir, "site"), os.path.join(program, "site"))
        desktop.up()
        main_process = desktop.start([os.path.join(program, os.path.basename(app))], cwd=program)
        window = wait_for("the main window", lambda: desktop.windows("^간편장부$"))[0]
        desktop.run(["xdotool", "windowactivate", "--sync", window], check=False)
        time.sleep(0.5)

        desktop.run(["xdotool", "key", "F1"])
        pane = wait_for("the help pane", lambda: desktop.windows("^간편장부 도움말$"))[0]
        wanted = (SCREEN[0] - 660, 0, 657, SCREEN[1] - 10)
        try:
            wait_for("the pane at %s" % (wanted,), lambda: desktop.outer(pane) == wanted, timeout=20)
        except AssertionError:
            raise AssertionError("help pane's frame is %s, not %s" % (desktop.outer(pane), wanted))
        desktop.screenshot("help")
        desktop.run(["xdotool", "windowactivate", "--sync", pane], check=False)
        desktop.run(["xdotool", "key", "Escape"])
        wait_for("the help pane to close", lambda: not desktop.windows("^간편장부 도움말$"))

        # The about button, the fourth of the five at the window's top right.
        shape = desktop.run(["xdotool", "getwindowgeometry", "--shell", window]).stdout
        where = dict(line.split("=", 1) for line in shape.split())
        x, y, width = int(where["X"]), int(where["Y"]), int(where["WIDTH"])
        desktop.run(["xdotool", "mousemove", str(x + width - 73), str(y + 40), "click", "1"])
        box = wait_for("the about box", lambda: desktop.windows("^프로그램 정보$"))[0]
        desktop.screenshot("about")
        desktop.run(["xdotool", "windowactivate", "--sync", box], check=False)
        desktop.run(["xdotool", "key", "Return"])
        wait_for("the about box to close", lambda: not desktop.windows("^프로그램 정보$"))
        if main_process.poll() is not None:
            raise AssertionError("the program ended (exit %s)" % main_process.returncode)
        print("ok: help pane at %s, about box opened and closed" % (wanted,))
        return 0
    except AssertionError as e:
        keep = True
        desktop.screenshot("failure")
        print("FAIL: %s (screenshots in %s)" % (e, work))
        return 1
    finally:
        desktop.down()
        if not keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
