#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Hangul typed through the input method into the counterparty field picks
an earlier counterparty from the suggestions; the saved ledger, read back
with quillbook-cli dump, holds it exactly.

Runs the program under Xvfb with openbox, ibus and ibus-hangul in a private
D-Bus session, and types with xdotool. Exits 77 (skipped) with the reason
when a tool is missing; scripts/deps.sh installs them."""
import os
import subprocess
import sys
import time

from xdesktop import portable_copy, require_tools, run_session, skip, wait_for

TOOLS = ["Xvfb", "openbox", "xprop", "xdotool", "dbus-run-session", "ibus-daemon", "ibus", "import"]
HANGUL_COMPONENT = "/usr/share/ibus/component/hangul.xml"


def main():
    require_tools(TOOLS)
    if not os.path.exists(HANGUL_COMPONENT):
        skip("ibus-hangul is missing (scripts/deps.sh installs it)")
    app, cli, template = os.environ.get("QB_APP"), os.environ.get("QB_CLI"), os.environ.get("QB_TEMPLATE")
    if not (app and cli and template and os.path.exists(app)):
        skip("the program was not built")
    if os.environ.get("QB_IN_SESSION") != "1":
        # A D-Bus session of our own: the input method never meets the user's.
        env = dict(os.environ, QB_IN_SESSION="1")
        sys.exit(subprocess.call(["dbus-run-session", "--", sys.executable] + sys.argv, env=env))

    def session(desktop, work):
        ledger = os.path.join(work, "shop.Aut")
        desktop.start_program(portable_copy(work, app, template))

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
            print("unexpected ledger:\n" + text)
            return 1
        print("ok: " + " | ".join("\t".join(r) for r in rows))
        return 0

    return run_session("qb-desktop-", session, input_method="ibus")


if __name__ == "__main__":
    sys.exit(main())
