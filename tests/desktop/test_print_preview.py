#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The print preview on a real X display with a window manager: a ledger of
68 entries given on the command line, Ctrl+Shift+P opens "인쇄 미리 보기"
over the main window with the form's pages, Esc closes it and the program
goes on. Exits 77 (skipped) with the reason when a tool is missing."""
import os
import subprocess
import sys
import time

from xdesktop import MAIN_WINDOW, portable_copy, require_tools, run_session, skip, wait_for

TOOLS = ["Xvfb", "openbox", "xdotool", "xwininfo", "xprop", "import"]


def main():
    require_tools(TOOLS)
    app, cli, template = os.environ.get("QB_APP"), os.environ.get("QB_CLI"), os.environ.get("QB_TEMPLATE")
    if not (app and cli and template and os.path.exists(app) and os.path.exists(cli)):
        skip("the program was not built")

    def session(desktop, work):
        program = portable_copy(work, app, template)
        tsv = os.path.join(work, "in.tsv")
        with open(tsv, "w", encoding="utf-8") as f:
            for k in range(68):
                f.write("\t".join(["2024.%02d.%02d" % (k % 12 + 1, k % 28 + 1), "거래 %d 물품 구입 대금 지급" % k,
                                   "(주)한빛상회", "0", "0", str(1000 + k), "100", "0", "0", "카드", "N", "0"]) + "\n")
        ledger = os.path.join(work, "가게.Aut")
        subprocess.run([cli, "import", tsv, ledger], check=True)
        log = open(os.path.join(work, "program.log"), "w")
        process = desktop.start([program, ledger], cwd=os.path.dirname(program), stdout=log,
                                stderr=subprocess.STDOUT)
        window = wait_for("the main window", lambda: desktop.windows(MAIN_WINDOW), timeout=120)[0]
        desktop.run(["xdotool", "windowactivate", "--sync", window], check=False)
        time.sleep(0.5)
        desktop.screenshot("main")
        desktop.keys("ctrl+shift+p")
        preview = wait_for("the print preview", lambda: desktop.windows("^인쇄 미리 보기 - 가게.Aut$"))[0]
        time.sleep(1.5)  # the pages are painted
        shot = desktop.screenshot("preview")
        desktop.run(["xdotool", "windowactivate", "--sync", preview], check=False)
        desktop.keys("Escape")
        wait_for("the preview to close", lambda: not desktop.windows("^인쇄 미리 보기"))
        if process.poll() is not None:
            raise AssertionError("the program ended (exit %s)" % process.returncode)
        print("ok: the preview opened over the main window and closed; " + shot)
        return 0

    return run_session("qb-print-", session)


if __name__ == "__main__":
    sys.exit(main())
