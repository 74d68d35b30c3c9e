#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The 신고자료 window on a real X display with a window manager: the program
opens a prepared ledger, Ctrl+T opens the window, each tab is looked at
(screenshots kept with QB_KEEP_SCREENSHOTS), Tab walks out of the VAT table
and Esc closes the window. Exits 77 (skipped) with the reason when a tool is
missing."""
import os
import subprocess
import sys
import time

from xdesktop import portable_copy, require_tools, run_session, skip, wait_for

TOOLS = ["Xvfb", "openbox", "xdotool", "xwininfo", "xprop", "import"]
SCREEN = (1280, 900)
FILING = "^신고자료 \\(참고용\\)$"

# date, description, counterparty, income, VAT, expense, VAT, asset, VAT, remark
ROWS = [
    ("2024.01.15", "도시락 판매", "손님", 1000000, 100000, 0, 0, 0, 0, "카드"),
    ("2024.02.03", "납품", "서울상회", 2000000, 200000, 0, 0, 0, 0, "전자세금계산서"),
    ("2024.02.10", "채소", "농협", 0, 0, 330000, 0, 0, 0, "계산서"),
    ("2024.03.05", "포장재", "포장나라", 0, 0, 120000, 12000, 0, 0, "세계"),
    ("2024.04.20", "냉장고", "가전마트", 0, 0, 0, 0, 1500000, 150000, "사업용카드"),
    ("2024.05.02", "식대", "식당", 0, 0, 45000, 4500, 0, 0, "영수증"),
    ("2024.06.30", "5월 급여", "직원", 0, 0, 1800000, 0, 0, 0, ""),
    ("2024.02.30", "날짜 틀림", "", 0, 0, 10000, 0, 0, 0, ""),
    ("2024.09.10", "중고 승합차 매각", "중고차상사", 0, 0, 0, 0, -5000000, -500000, "세계"),
    ("2024.03.12", "농산물", "시장", 0, 0, 218000, 0, 0, 0, "카드"),
    ("2024.03.25", "3월 월세", "건물주", 0, 0, 800000, 0, 0, 0, "계좌이체"),
    ("2024.05.10", "거래처 선물", "백화점", 0, 0, 200000, 20000, 0, 0, "카드"),
    ("2024.07.01", "승용차", "자동차판매", 0, 0, 0, 0, 20000000, 2000000, "세계"),
    ("2024.07.05", "승용차 주유", "주유소", 0, 0, 50000, 5000, 0, 0, "카드"),
    ("2024.08.01", "카카오페이 결제", "가게", 0, 0, 20000, 2000, 0, 0, "카카오페이"),
]


def main():
    require_tools(TOOLS)
    app, cli, template = (os.environ.get(k) for k in ("QB_APP", "QB_CLI", "QB_TEMPLATE"))
    if not (app and cli and template and os.path.exists(app) and os.path.exists(cli)):
        skip("the program was not built")

    def session(desktop, work):
        tsv = os.path.join(work, "shop.tsv")
        with open(tsv, "w", encoding="utf-8") as f:
            for r in ROWS:
                f.write("\t".join(str(v) for v in r) + "\tN\t0\n")
        ledger = os.path.join(work, "가게.Aut")
        subprocess.run([cli, "import", tsv, ledger], check=True)
        program = portable_copy(work, app, template)
        log = open(os.path.join(work, "program.log"), "w")
        process = desktop.start([program, ledger], cwd=os.path.dirname(program), stdout=log,
                                stderr=subprocess.STDOUT)
        window = wait_for("the main window", lambda: desktop.windows("^간편장부$"), timeout=120)[0]
        desktop.run(["xdotool", "windowactivate", "--sync", window], check=False)
        time.sleep(0.5)
        desktop.keys("ctrl+t")
        filing = wait_for("the filing window", lambda: desktop.windows(FILING))[0]
        desktop.run(["xdotool", "windowactivate", "--sync", filing], check=False)
        time.sleep(1.0)
        desktop.screenshot("vat")
        # Into the table with a click, to its last lines with Ctrl+End.
        x, y, width, height = desktop.geometry(filing)
        desktop.run(["xdotool", "mousemove", str(x + 300), str(y + 200), "click", "1"])
        time.sleep(0.3)
        desktop.keys("ctrl+End")
        time.sleep(0.5)
        desktop.screenshot("vat-end")
        # Each tab by its key: Ctrl+Tab moves through them.
        for name in ("income", "evidence", "chart", "settings"):
            desktop.keys("ctrl+Tab")
            time.sleep(0.6)
            desktop.screenshot(name)
        # 간이과세자 for this ledger (Alt+K reaches the type box), back on the VAT tab.
        desktop.keys("alt+k", "Down")
        desktop.keys("ctrl+Tab")
        time.sleep(0.6)
        desktop.screenshot("simple")
        # 면세사업자: the first tab is the 사업장현황신고.
        desktop.keys("alt+k", "Down")
        time.sleep(0.6)
        desktop.screenshot("exempt")
        desktop.keys("Escape")
        wait_for("the filing window to close", lambda: not desktop.windows(FILING))
        if process.poll() is not None:
            raise AssertionError("the program ended (exit %s)" % process.returncode)
        print("ok: the filing window opened on a prepared ledger, its tabs were shown, Esc closed it")
        return 0

    return run_session("qb-filing-", session, screen=SCREEN)


if __name__ == "__main__":
    sys.exit(main())
