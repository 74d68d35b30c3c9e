#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""가져오기 as a user does it: Ctrl+I, the file typed into the dialog, a
description changed in Hangul through the input method in the preview, Enter
to book, the report, and the saved ledger (read back with quillbook-cli dump)
holding the changed description and the other rows.

Runs the program under Xvfb with openbox, ibus and ibus-hangul in a private
D-Bus session. Exits 77 (skipped) when a tool is missing."""
import os
import shutil
import subprocess
import sys
import time

from xdesktop import portable_copy, require_tools, run_session, skip, wait_for

TOOLS = ["Xvfb", "openbox", "xprop", "xdotool", "dbus-run-session", "ibus-daemon", "ibus", "import"]
HANGUL_COMPONENT = "/usr/share/ibus/component/hangul.xml"
CARD_LIST = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "core", "data", "statements",
                         "card_purchase.csv")


def main():
    require_tools(TOOLS)
    if not os.path.exists(HANGUL_COMPONENT):
        skip("ibus-hangul is missing (scripts/deps.sh installs it)")
    app, cli, template = os.environ.get("QB_APP"), os.environ.get("QB_CLI"), os.environ.get("QB_TEMPLATE")
    if not (app and cli and template and os.path.exists(app)):
        skip("the program was not built")
    if os.environ.get("QB_IN_SESSION") != "1":
        env = dict(os.environ, QB_IN_SESSION="1")
        sys.exit(subprocess.call(["dbus-run-session", "--", sys.executable] + sys.argv, env=env))

    def session(desktop, work):
        statement = os.path.join(work, "card.csv")
        shutil.copy(CARD_LIST, statement)
        ledger = os.path.join(work, "shop.Aut")
        desktop.start_program(portable_copy(work, app, template))

        desktop.keys("ctrl+i")
        wait_for("the file dialog", lambda: desktop.windows("가져올 내역 파일을 고르세요"))
        time.sleep(0.5)
        desktop.type(statement)
        desktop.keys("Return")
        preview = wait_for("the preview", lambda: desktop.windows("^가져오기 - card.csv$"))[0]
        desktop.run(["xdotool", "windowactivate", "--sync", preview], check=False)
        time.sleep(0.5)
        desktop.screenshot("preview")
        # The first row's description, edited in place in Hangul: 사무용품.
        desktop.keys("F2", "ctrl+a", "BackSpace", "shift+space")  # the input method to Hangul
        desktop.type("tkandydvna")
        desktop.screenshot("composing")
        desktop.keys("Return")
        time.sleep(0.5)
        desktop.keys("shift+space")  # and back to Latin for the file name
        desktop.screenshot("edited")
        desktop.keys("Return")  # 가져오기
        # The report stands under the window's own Korean title.
        wait_for("the report", lambda: desktop.windows("^가져오기$"))
        desktop.screenshot("report")
        desktop.keys("Return")
        wait_for("the report to close", lambda: not desktop.windows("^가져오기$"))
        desktop.keys("ctrl+s")
        wait_for("the save dialog", lambda: desktop.windows("파일명을 확인하세요"))
        time.sleep(0.5)
        desktop.type(ledger)
        desktop.keys("Return")
        wait_for("the saved ledger", lambda: os.path.exists(ledger) and os.path.getsize(ledger) > 0)
        desktop.screenshot("saved")

        text = subprocess.run([cli, "dump", ledger], capture_output=True, check=True, timeout=60).stdout.decode()
        rows = [line.split("\t") for line in text.splitlines()]
        descriptions = sorted(r[1] for r in rows)
        want = sorted(["사무용품", "대한문구", "대한문구", "맛나식당 \"본점\""])
        if descriptions != want or rows[0][9] != "카드":
            print("unexpected ledger:\n" + text)
            return 1
        print("ok: " + " | ".join("\t".join(r) for r in rows))
        return 0

    return run_session("qb-import-", session, input_method="ibus")


if __name__ == "__main__":
    sys.exit(main())
