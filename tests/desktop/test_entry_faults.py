#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The entry editor typed into through a real input method (ibus-hangul and
fcitx5-hangul, each in a D-Bus session of its own), as a user types:

- F3 on a rent booked without VAT and Enter through every field keeps the
  VAT at 0;
- a name typed in full that the ledger holds as it is ("다이소", beside the
  longer "다이소 양재점") is stored as typed;
- the question about an entry being typed does not answer to the letters of
  a search word typed after Ctrl+F (ㅜ is N, ㅛ is Y): the entry is still
  open after them, and Esc goes back to it;
- the find bar asks for Korean when it opens;
- the print preview shows A4 pages across.

The saved ledger is read back with quillbook-cli dump. Screenshots of every
step are kept with QB_KEEP_SCREENSHOTS=1. Exits 77 (skipped) with the reason
when a tool is missing."""
import os
import shutil
import subprocess
import sys
import time

from xdesktop import portable_copy, require_tools, run_session, skip, wait_for

TOOLS = ["Xvfb", "openbox", "xprop", "xdotool", "dbus-run-session", "import"]
HANGUL_COMPONENT = "/usr/share/ibus/component/hangul.xml"
FCITX_HANGUL = "/usr/share/fcitx5/inputmethod/hangul.conf"

# date, description, counterparty, income, VAT, expense, VAT, asset, VAT, remark
LEDGER = [
    ("2024.03.01", "월세", "건물주", 0, 0, 900000, 0, 0, 0, "영"),
    ("2024.03.02", "생활용품", "다이소", 0, 0, 3000, 300, 0, 0, "카드"),
    ("2024.03.03", "수납함", "다이소 양재점", 0, 0, 0, 0, 50000, 5000, "세계"),
    ("2024.03.04", "수납함", "다이소 양재점", 0, 0, 0, 0, 50000, 5000, "세계"),
]


def main():
    require_tools(TOOLS)
    app, cli, template = os.environ.get("QB_APP"), os.environ.get("QB_CLI"), os.environ.get("QB_TEMPLATE")
    if not (app and cli and template and os.path.exists(app)):
        skip("the program was not built")
    methods = []
    if shutil.which("ibus-daemon") and os.path.exists(HANGUL_COMPONENT):
        methods.append("ibus")
    if shutil.which("fcitx5") and os.path.exists(FCITX_HANGUL):
        methods.append("fcitx5")
    wanted = os.environ.get("QB_INPUT_METHOD")
    if wanted:
        methods = [m for m in methods if m == wanted]
    if not methods:
        skip("neither ibus-hangul nor fcitx5-hangul is installed (scripts/deps.sh installs them)")
    if os.environ.get("QB_IN_SESSION") != "1":
        status = 0
        for method in methods:
            env = dict(os.environ, QB_IN_SESSION="1", QB_INPUT_METHOD=method)
            code = subprocess.call(["dbus-run-session", "--", sys.executable] + sys.argv, env=env)
            print("%s: %s" % (method, "ok" if code == 0 else "skipped" if code == 77 else "FAILED"))
            status = status or (0 if code == 77 else code)
        sys.exit(status)
    return run_session("qb-entry-faults-", session, input_method=methods[0])


def dump(cli, ledger):
    out = subprocess.run([cli, "dump", ledger], capture_output=True, text=True, check=True).stdout
    return [line.split("\t") for line in out.splitlines() if line.strip()]


def session(desktop, work):
    app, cli, template = os.environ["QB_APP"], os.environ["QB_CLI"], os.environ["QB_TEMPLATE"]
    tsv = os.path.join(work, "in.tsv")
    with open(tsv, "w", encoding="utf-8") as f:
        for row in LEDGER:
            f.write("\t".join(str(v) for v in row) + "\tN\t0\n")
    ledger = os.path.join(work, "shop.Aut")
    subprocess.run([cli, "import", tsv, ledger], check=True, capture_output=True)
    before = dump(cli, ledger)
    _, window = desktop.start_program(portable_copy(work, app, template), args=[ledger])
    desktop.screenshot("opened")

    # 1. F3 on 월세 (the first row) and Enter through every field: the VAT stays 0.
    desktop.keys("ctrl+Home", "F3")
    time.sleep(0.5)
    desktop.keys(*["Return"] * 6)
    time.sleep(0.5)
    desktop.screenshot("rent-walked")

    # 2. "다이소" typed in full as the counterparty of a new entry.
    desktop.keys("F2", "Return")                 # the proposed date stands
    desktop.input_method_korean()
    desktop.type("todghkfdyd")                   # 생활용
    desktop.keys("Return")
    desktop.type("ekdlth")                       # 다이소, "소" still composed
    time.sleep(0.5)
    desktop.screenshot("daiso-typed")
    desktop.keys("Return", "Right", "Return")    # 비용
    desktop.input_method_latin()
    desktop.type("1500")
    desktop.keys("Return", "Return", "Return")
    time.sleep(0.5)

    # 3. An entry being typed, then Ctrl+F and a search word: the question
    # stays up whatever letters come, Esc returns to the entry.
    desktop.keys("F2", "Return")
    desktop.input_method_korean()
    desktop.type("dndb")                         # 우유
    desktop.keys("ctrl+f")
    wait_for("the question", lambda: desktop.windows("^Confirm$"))
    desktop.input_method_latin()
    desktop.type("nyny")                         # ㅜ ㅛ ㅜ ㅛ on the Korean layout
    time.sleep(0.8)
    desktop.screenshot("question-after-letters")
    if not desktop.windows("^Confirm$"):
        raise AssertionError("a letter answered the question")
    desktop.keys("Escape")
    wait_for("the question to close", lambda: not desktop.windows("^Confirm$"))
    desktop.keys("Escape")                        # now abandon the entry itself
    time.sleep(0.5)

    # 4. The find bar asks for Korean: typed keys come out as Hangul.
    desktop.input_method_latin()
    desktop.keys("ctrl+f")
    time.sleep(0.8)
    desktop.type("dnjftp")                       # 월세 in Korean
    time.sleep(0.8)
    desktop.screenshot("find-bar")
    desktop.keys("Escape")
    time.sleep(0.3)

    # 10. The print preview: A4 across.
    desktop.keys("ctrl+shift+p")
    preview = wait_for("the print preview", lambda: desktop.windows("^인쇄 미리 보기"))[0]
    time.sleep(2)
    desktop.screenshot("preview")
    desktop.run(["xdotool", "windowactivate", "--sync", preview], check=False)
    desktop.keys("Escape")
    wait_for("the preview to close", lambda: not desktop.windows("^인쇄 미리 보기"))

    desktop.input_method_latin()
    desktop.keys("ctrl+s")
    time.sleep(1.5)
    desktop.screenshot("saved")
    rows = dump(cli, ledger)
    rent = next(r for r in rows if r[1] == "월세")
    if float(rent[6]) != 0:
        raise AssertionError("editing the rent added VAT: %s" % rent)
    added = [r for r in rows if r not in before]
    if not any(r[2] == "다이소" and float(r[5]) == 1500 for r in added):
        raise AssertionError("the typed counterparty was not kept: %s" % added)
    if any(r[1] == "우유" for r in rows):
        raise AssertionError("the abandoned entry was stored: %s" % rows)
    print("ok (%s): VAT kept, 다이소 kept, the question took no letter" % os.environ.get("QB_INPUT_METHOD"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
