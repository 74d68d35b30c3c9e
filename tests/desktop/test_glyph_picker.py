#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""F11 in the entry panel opens the special-character picker; characters
chosen by keys land at the caret, Esc pastes nothing, and the saved ledger,
read back with quillbook-cli dump, holds them exactly.

Runs the program with its picker library under Xvfb with openbox and types
with xdotool. Exits 77 (skipped) with the reason when a tool is missing;
scripts/deps.sh installs them."""
import os
import subprocess
import sys
import time

from xdesktop import portable_copy, require_tools, run_session, skip, wait_for

TOOLS = ["Xvfb", "openbox", "xdotool", "xprop", "import"]
PICKER = "^특수 문자$"


def pick(desktop, *keys):
    """F11, the keys in the open picker, and the picker closed again."""
    desktop.keys("F11")
    wait_for("the picker", lambda: desktop.windows(PICKER))
    time.sleep(0.3)  # lets it take the focus it was given
    desktop.keys(*keys)
    wait_for("the picker to close", lambda: not desktop.windows(PICKER))


def main():
    require_tools(TOOLS)
    app, cli, template, picker = (os.environ.get(k) for k in ("QB_APP", "QB_CLI", "QB_TEMPLATE", "QB_GLYPHPAD"))
    if not (app and cli and template and picker and os.path.exists(app) and os.path.exists(picker)):
        skip("the program or its picker library was not built")

    def session(desktop, work):
        ledger = os.path.join(work, "shop.Aut")
        desktop.start_program(portable_copy(work, app, template, [picker]))
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
        pick(desktop, "Next", "Next", "Next", "Return")
        desktop.type("shop")
        pick(desktop, "Right", "Escape")
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
            print("unexpected ledger:\n" + text)
            return 1
        print("ok: " + " | ".join("\t".join(r) for r in rows))
        return 0

    return run_session("qb-glyph-", session)


if __name__ == "__main__":
    sys.exit(main())
