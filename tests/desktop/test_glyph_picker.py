#!/usr/bin/python3
"""F11 in the entry panel opens the special-character picker; characters
chosen by keys land at the caret, Esc pastes nothing, and the saved ledger,
read back with quillbook-cli dump, holds them exactly.

Runs the program with its picker library under Xvfb with openbox and types
with xdotool. Exits 77 (skipped) with the reason when a tool is missing;
scripts/deps.sh installs them."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
TOOLS = ["Xvfb", "openbox", "xdotool", "xprop", "import"]
PICKER = "^특수 문자$"


def skip(reason):
    print("SKIP: " + reason)
    sys.exit(SKIP)


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
    def __init__(self, work):
        self.work = work
        self.procs = []
        self.env = dict(os.environ)
        self.env.update({
            "HOME": work, "XDG_CONFIG_HOME": os.path.join(work, "config"),
            "XDG_RUNTIME_DIR": os.path.join(work, "run"), "XDG_CACHE_HOME": os.path.join(work, "cache"),
            "LANG": "C.UTF-8", "QT_QPA_PLATFORM": "xcb",
        })
        self.env.pop("QT_IM_MODULE", None)
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
        self.start(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x900x24", "-nolisten", "tcp"], pass_fds=(w,))
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
        r = self.run(["xdotool", "search", "--onlyvisible", "--name", name], check=False)
        return r.stdout.split()

    def keys(self, *keys):
        self.run(["xdotool", "key", "--delay", "80"] + list(keys))

    def type(self, text):
        self.run(["xdotool", "type", "--delay", "80", text])

    def pick(self, *keys):
        """F11, the keys in the open picker, and the picker closed again."""
        self.keys("F11")
        wait_for("the picker", lambda: self.windows(PICKER))
        time.sleep(0.3)  # lets it take the focus it was given
        self.keys(*keys)
        wait_for("the picker to close", lambda: not self.windows(PICKER))

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
    app, cli, template, picker = (os.environ.get(k) for k in ("QB_APP", "QB_CLI", "QB_TEMPLATE", "QB_GLYPHPAD"))
    if not (app and cli and template and picker and os.path.exists(app) and os.path.exists(picker)):
        skip("the program or its picker library was not built")

    work = tempfile.mkdtemp(prefix="qb-glyph-")
    keep = False
    desktop = Desktop(work)
    try:
        program = os.path.join(work, "program")
        os.makedirs(program)
        shutil.copy(app, program)
        shutil.copy(picker, program)
        shutil.copy(template, os.path.join(program, "quillbook.str"))
        ledger = os.path.join(work, "shop.Aut")
        desktop.up()
        log = open(os.path.join(work, "program.log"), "w")
        running = subprocess.Popen([os.path.join(program, os.path.basename(app))], cwd=program, env=desktop.env,
                                   stdout=log, stderr=subprocess.STDOUT)
        desktop.procs.append(running)

        def main_window():
            if running.poll() is not None:
                with open(log.name) as f:
                    raise AssertionError("the program ended (%s) before its window: %s" % (running.returncode, f.read()))
            return desktop.windows("^간편장부$")
        window = wait_for("the main window", main_window, timeout=120)[0]
        desktop.run(["xdotool", "windowactivate", "--sync", window], check=False)
        time.sleep(0.5)

        desktop.keys("F2", "Return")
        desktop.type("box")
        # Second page (circled), second character: ②.
        desktop.keys("F11")
        wait_for("the picker", lambda: desktop.windows(PICKER))
        time.sleep(0.3)
        desktop.keys("Tab", "Right")
        desktop.screenshot("picker")
        desktop.keys("Return")
        wait_for("the picker to close", lambda: not desktop.windows(PICKER))
        desktop.keys("Return")
        # Company marks, three pages on: ㈜ first; then Esc pastes nothing.
        desktop.pick("Next", "Next", "Next", "Return")
        desktop.type("shop")
        desktop.pick("Right", "Escape")
        desktop.screenshot("fields")
        desktop.keys("Return", "Right", "Return")  # category: expense
        desktop.type("1000")
        desktop.keys("Return", "Return", "Return")  # VAT, remark, confirm
        desktop.keys("ctrl+s")
        wait_for("the save dialog", lambda: desktop.windows("파일명을 확인하세요"))
        time.sleep(0.5)
        desktop.type(ledger)
        desktop.keys("Return")
        wait_for("the saved ledger", lambda: os.path.exists(ledger) and os.path.getsize(ledger) > 0)

        dump = subprocess.run([cli, "dump", ledger], capture_output=True, check=True, timeout=60).stdout
        text = dump.decode("utf-8")
        rows = [line.split("\t") for line in text.splitlines() if "\t" in line]
        if not any("box②" in row and "㈜shop" in row for row in rows):
            keep = True
            print("unexpected ledger:\n" + text)
            print("screenshots in " + work)
            return 1
        print("ok: " + " | ".join("\t".join(r) for r in rows))
        return 0
    except AssertionError as e:
        keep = True
        desktop.screenshot("failure")
        print("FAIL: %s (screenshots in %s)" % (e, work))
        return 1
    finally:
        desktop.down()
        if not keep and not os.environ.get("QB_KEEP_SCREENSHOTS"):
            shutil.rmtree(work, ignore_errors=True)
        elif not keep:
            print("screenshots in " + work)


if __name__ == "__main__":
    sys.exit(main())
