#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The help pane and the about box of our own helper libraries on a real X
display with a window manager: F1 opens the help pane with its outer frame
exactly where the program asks (right edge of the screen, full height less
10 pixels), Esc closes it; the about box opens over the main window, Enter
closes it. Exits 77 (skipped) with the reason when a tool is missing."""
import os
import sys

from xdesktop import portable_copy, require_tools, run_session, skip, wait_for

TOOLS = ["Xvfb", "openbox", "xdotool", "xwininfo", "xprop", "import"]
SCREEN = (1280, 900)


def main():
    require_tools(TOOLS)
    app, bin_dir, template = os.environ.get("QB_APP"), os.environ.get("QB_BIN"), os.environ.get("QB_TEMPLATE")
    if not (app and bin_dir and template and os.path.exists(app)):
        skip("the program was not built")
    for name in ("Credits.dll", "PagePane.dll", "site"):
        if not os.path.exists(os.path.join(bin_dir, name)):
            skip(name + " was not built")

    def session(desktop, work):
        # A portable copy of its own: program, template, libraries, pages.
        helpers = [os.path.join(bin_dir, name) for name in ("Credits.dll", "PagePane.dll", "site")]
        main_process, window = desktop.start_program(portable_copy(work, app, template, helpers))

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
        x, y, width, _ = desktop.geometry(window)
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

    return run_session("qb-helpers-", session, screen=SCREEN)


if __name__ == "__main__":
    sys.exit(main())
