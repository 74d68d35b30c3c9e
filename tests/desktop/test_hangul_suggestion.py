#!/usr/bin/python3
"""Hangul typed through the input method into the counterparty field picks
an earlier counterparty from the suggestions; the saved ledger, read back
with quillbook-cli dump, holds it exactly.

Runs the program under Xvfb with openbox, ibus and ibus-hangul in a private
D-Bus session, and types with xdotool. Exits 77 (skipped) with the reason
when a tool is missing; scripts/deps.sh installs them."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
TOOLS = ["Xvfb", "openbox", "xdotool", "dbus-run-session", "ibus-daemon", "ibus", "import"]
HANGUL_COMPONENT = "/usr/share/ibus/component/hangul.xml"


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
            "LANG": "C.UTF-8", "QT_IM_MODULE": "ibus", "GTK_IM_MODULE": "ibus", "XMODIFIERS": "@im=ibus",
            "QT_QPA_PLATFORM": "xcb",
        })
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
        self.start(["ibus-daemon", "--replace", "--panel=disable", "--xim"])
        def hangul():
            self.run(["ibus", "engine", "hangul"], check=False)
            return self.run(["ibus", "engine"], check=False).stdout.strip() == "hangul"
        wait_for("the hangul engine of ibus", hangul)

    def windows(self, name):
        r = self.run(["xdotool", "search", "--onlyvisible", "--name", name], check=False)
        return r.stdout.split()

    def keys(self, *keys):
        self.run(["xdotool", "key", "--delay", "60"] + list(keys))

    def type(self, text):
        self.run(["xdotool", "type", "--delay", "80", text])

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
    if not os.path.exists(HANGUL_COMPONENT):
        skip("ibus-hangul is missing (scripts/deps.sh installs it)")
    app, cli, template = os.environ.get("QB_APP"), os.environ.get("QB_CLI"), os.environ.get("QB_TEMPLATE")
    if not (app and cli and template and os.path.exists(app)):
        skip("the program was not built")
    if os.environ.get("QB_IN_SESSION") != "1":
        # A D-Bus session of our own: the input method never meets the user's.
        env = dict(os.environ, QB_IN_SESSION="1")
        sys.exit(subprocess.call(["dbus-run-session", "--", sys.executable] + sys.argv, env=env))

    work = tempfile.mkdtemp(prefix="qb-desktop-")
    keep = False
    desktop = Desktop(work)
    try:
        program = os.path.join(work, "program")
        os.makedirs(program)
        shutil.copy(app, program)
        shutil.copy(template, os.path.join(program, "quillbook.str"))
        ledger = os.path.join(work, "shop.Aut")
        desktop.up()
        desktop.start([os.path.join(program, os.path.basename(app))], cwd=program)
        window = wait_for("the main window", lambda: desktop.windows("^간편장부$"))[0]
        desktop.run(["xdotool", "windowactivate", "--sync", window], check=False)
        time.sleep(0.5)  # lets the window take the focus it was given

        # A first entry, its counterparty typed in Hangul: 서울상회.
        desktop.keys("F2", "Return")
        desktop.type("first")
        desktop.keys("Return", "shift+space")  # the input method to Hangul
        desktop.type("tjdnftkdghl")
        desktop.keys("Return", "Right", "Return")  # category: expense
        desktop.type("1000")
        desktop.keys("Return", "Return", "Return")  # VAT, remark, confirm
        # A second one: only "서우" typed, still being composed.
        desktop.keys("F2", "Return")
        desktop.type("vksao")  # 판매
        desktop.keys("Return")
        desktop.type("tjdn")
        wait_for("the suggestions", lambda: desktop.windows("^SANGHOEdtSuggestions$"))
        desktop.screenshot("suggestions")
        desktop.keys("Down", "Return")  # choose, accept
        wait_for("the list to close", lambda: not desktop.windows("^SANGHOEdtSuggestions$"))
        desktop.keys("Return", "Right", "Return")
        desktop.type("2000")
        desktop.keys("Return", "Return", "Return")
        # A third: a click on the suggestion while "우" is still composed.
        desktop.keys("F2", "Return")
        desktop.type("vksao")
        desktop.keys("Return")
        desktop.type("tjdn")
        popup = wait_for("the suggestions", lambda: desktop.windows("^SANGHOEdtSuggestions$"))[0]
        shape = desktop.run(["xdotool", "getwindowgeometry", "--shell", popup]).stdout
        where = dict(line.split("=", 1) for line in shape.split())
        desktop.run(["xdotool", "mousemove", str(int(where["X"]) + 20), str(int(where["Y"]) + 8), "click", "1"])
        wait_for("the list to close", lambda: not desktop.windows("^SANGHOEdtSuggestions$"))
        desktop.keys("Return", "Right", "Return")
        desktop.type("3000")
        desktop.keys("Return", "Return", "Return")
        # Latin for the file name: the plain keyboard engine.
        desktop.run(["ibus", "engine", "xkb:us::eng"], check=False)
        desktop.keys("ctrl+s")
        wait_for("the save dialog", lambda: desktop.windows("파일명을 확인하세요"))
        time.sleep(0.5)
        desktop.type(ledger)
        desktop.keys("Return")
        wait_for("the saved ledger", lambda: os.path.exists(ledger) and os.path.getsize(ledger) > 0)
        desktop.screenshot("saved")

        dump = subprocess.run([cli, "dump", ledger], capture_output=True, check=True, timeout=60).stdout
        text = dump.decode("utf-8")
        rows = [line.split("\t") for line in text.splitlines() if "\t" in line]
        counterparties = [field for row in rows for field in row if "서" in field]
        descriptions = [row for row in rows if "first" in row or "판매" in row]
        if counterparties != ["서울상회"] * 3 or len(descriptions) != 3:
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
        if not keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
