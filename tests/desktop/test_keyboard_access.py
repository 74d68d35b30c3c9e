#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Without a mouse and with a screen reader, on a real X display with a
window manager and the desktop's accessibility bus (AT-SPI): the grid's
selected row changes colour as the focus comes and goes; the Menu key and
Shift+F10 open the grid's menu with every command, arrows and Enter run one;
every control the keyboard reaches has a Korean name, the main window is a
frame, the combo boxes keep their names and the read-only total is not
editable. Exits 77 (skipped) with the reason when a tool is missing."""
import os
import subprocess
import sys
import time

from xdesktop import portable_copy, require_tools, run_session, skip, wait_for

TOOLS = ["Xvfb", "openbox", "xdotool", "xprop", "import", "dbus-run-session"]
CONVERT = "/usr/bin/convert"
LINES = [
    "2009.05.01\t원두\t한빛상회\t0\t0\t5000\t500\t0\t0\t카드\tN\t0",
    "2009.05.02\t우유\t서울상회\t0\t0\t3000\t300\t0\t0\t카드\tN\t0",
    "2009.05.03\t매출\t손님\t10000\t1000\t0\t0\t0\t0\t현금\tN\t0",
]


def application(pyatspi):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name in ("간편장부", "quillbook"):
            return app
    return None


def walk(node, depth=0):
    """Every showing object under node, cells of tables and lists left out."""
    if node is None or depth > 40:
        return
    yield node
    role = node.getRoleName()
    if role in ("table", "list", "tree table", "tree", "page tab list"):
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None and child.getState().contains(pyatspi_module.STATE_SHOWING):
            yield from walk(child, depth + 1)


pyatspi_module = None


def main():
    global pyatspi_module
    require_tools(TOOLS)
    app, cli, template = os.environ.get("QB_APP"), os.environ.get("QB_CLI"), os.environ.get("QB_TEMPLATE")
    if not (app and cli and template and os.path.exists(app)):
        skip("the program was not built")
    if not os.path.exists(CONVERT):
        skip("imagemagick is missing")
    try:
        import pyatspi
    except ImportError:
        skip("python3-pyatspi is missing")
    pyatspi_module = pyatspi
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS") or not os.environ.get("QB_IN_SESSION"):
        # A session bus of our own, where the accessibility bus starts.
        env = dict(os.environ, QB_IN_SESSION="1")
        sys.exit(subprocess.call(["dbus-run-session", "--", sys.executable] + sys.argv, env=env))

    def session(desktop, work):
        desktop.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        desktop.env["QT_ACCESSIBILITY"] = "1"
        tsv = os.path.join(work, "shop.tsv")
        with open(tsv, "w", encoding="utf-8") as f:
            f.write("\n".join(LINES) + "\n")
        ledger = os.path.join(work, "shop.Aut")
        subprocess.run([cli, "import", tsv, ledger], check=True, capture_output=True, timeout=60)
        helpers = [os.path.join(os.path.dirname(app), "Credits.dll")]
        process, window = desktop.start_program(portable_copy(work, app, template, helpers), args=[ledger])
        x, y, _, _ = desktop.geometry(window)

        # The first row's description and counterparty cells, where the
        # selection shows.
        def row_signature(label):
            shot = desktop.screenshot(label)
            crop = "%dx%d+%d+%d" % (300, 10, x + 120, y + 190)
            return subprocess.run([CONVERT, shot, "-crop", crop, "+repage", "-format", "%#", "info:"],
                                  capture_output=True, text=True, check=True).stdout.strip()

        focused = row_signature("grid-focus")
        desktop.keys("Tab")  # to 구분
        time.sleep(0.5)
        elsewhere = row_signature("category-focus")
        desktop.keys("shift+Tab")
        time.sleep(0.5)
        back = row_signature("grid-focus-again")
        if focused == elsewhere or back != focused:
            raise AssertionError("the grid's selection looks the same with and without the focus")

        # The screen reader's view: the application and its main window.
        found = wait_for("the program on the accessibility bus", lambda: application(pyatspi), timeout=30)
        frames = [found.getChildAtIndex(i) for i in range(found.childCount)]
        main_frame = next((f for f in frames if f is not None and f.name == "간편장부"), None)
        if main_frame is None or main_frame.getRoleName() != "frame":
            raise AssertionError("main window: %s" % [(f.name, f.getRoleName()) for f in frames if f])

        # Qt keeps popup menus out of the application's windows on the bus
        # (a screen reader follows them by their focus events), so the menu
        # is seen on the screen: the area under the first row.
        def menu_area(label):
            shot = desktop.screenshot(label)
            crop = "%dx%d+%d+%d" % (330, 400, x + 20, y + 210)
            return subprocess.run([CONVERT, shot, "-crop", crop, "+repage", "-format", "%#", "info:"],
                                  capture_output=True, text=True, check=True).stdout.strip()

        plain = menu_area("no-menu")
        for key in ("Menu", "shift+F10"):
            desktop.keys(key)
            wait_for("the grid's menu from " + key, lambda: menu_area("menu-" + key) != plain, timeout=20)
            time.sleep(0.3)
            desktop.keys("Escape")
            # One Escape closes it: the key opened one menu, not two.
            wait_for("the menu to close", lambda: menu_area("closed-" + key) == plain, timeout=20)

        # Up from the top wraps to 종료, once more is 프로그램 정보.
        desktop.keys("Menu")
        wait_for("the grid's menu", lambda: menu_area("menu-again") != plain, timeout=20)
        desktop.keys("Up", "Up", "Return")
        box = wait_for("the about box from the menu", lambda: desktop.windows("^프로그램 정보$"), timeout=30)[0]
        desktop.run(["xdotool", "windowactivate", "--sync", box], check=False)
        desktop.keys("Return")
        wait_for("the about box to close", lambda: not desktop.windows("^프로그램 정보$"))

        # Every control the keyboard reaches has a name; with the entry panel open.
        desktop.run(["xdotool", "windowactivate", "--sync", window], check=False)
        desktop.keys("F2")
        time.sleep(1.0)
        unnamed, named = [], {}
        for node in walk(main_frame):
            state = node.getState()
            if state.contains(pyatspi.STATE_FOCUSABLE) and not node.name.strip():
                unnamed.append(node.getRoleName())
            named.setdefault(node.name, node)
        if unnamed:
            raise AssertionError("focusable controls without a name: %s" % unnamed)
        for name in ("거래일자", "거래내용", "거래처", "금액", "부가세", "계", "비고", "장부", "년도", "구분", "월",
                     "도움말", "홈페이지", "자료받기", "파일추가", "프로그램 정보"):
            if name not in named:
                raise AssertionError("no control named %s (named: %s)" % (name, sorted(named)))
        total = named["계"].getState()
        if total.contains(pyatspi.STATE_EDITABLE) or not total.contains(pyatspi.STATE_READ_ONLY):
            raise AssertionError("the total says it is editable")
        if named["구분"].getRoleName() != "combo box":
            raise AssertionError("구분 is a %s" % named["구분"].getRoleName())
        desktop.keys("Escape")
        if process.poll() is not None:
            raise AssertionError("the program ended (exit %s)" % process.returncode)
        print("ok: focus shown, menu by Menu and Shift+F10 runs 프로그램 정보, %d controls named" % len(named))
        return 0

    return run_session("qb-keyboard-", session)


if __name__ == "__main__":
    sys.exit(main())
