#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The offline site pages shipped with the program.

Checks what a reader relies on and what drifts silently when the program
changes: every internal link and anchor resolves, the pages declare their
encoding, the help page names every key the program binds, every command of
the command-line companion and every row of the "통계" sheet.
"""
import html.parser
import os
import pathlib
import re
import subprocess
import sys
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
SITE = ROOT / "site"
HELP = SITE / "help" / "tallyhub" / "quillbook.htm"
DOWNLOADS = SITE / "soft.htm"
CLI = os.environ.get("QB_CLI")  # the built quillbook-cli, when CTest passes it


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.links, self.anchors, self.text, self.charset = [], set(), [], None
        self.open_tags = []

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "a" and "href" in a:
            self.links.append(a["href"])
        if tag == "a" and "name" in a:
            self.anchors.add(a["name"])
        if "id" in a:
            self.anchors.add(a["id"])
        if tag == "meta" and "charset" in a:
            self.charset = a["charset"].lower()
        if tag not in ("meta", "br", "link", "img", "hr"):
            self.open_tags.append(tag)

    def handle_endtag(self, tag):
        if tag in ("meta", "br", "link", "img", "hr"):
            return
        # Rich-text viewers are strict about nesting: an unclosed tag swallows the page's rest.
        if not self.open_tags or self.open_tags[-1] != tag:
            raise AssertionError(f"</{tag}> closes <{self.open_tags[-1] if self.open_tags else '-'}>")
        self.open_tags.pop()

    def handle_data(self, data):
        self.text.append(data)


def parse(path):
    p = Page()
    p.feed(path.read_text(encoding="utf-8"))
    p.close()
    p.body = re.sub(r"\s+", " ", " ".join(p.text))
    return p


class SitePages(unittest.TestCase):
    def test_pages_are_well_formed_utf8_with_resolving_links(self):
        for path in (HELP, DOWNLOADS):
            with self.subTest(page=path.name):
                page = parse(path)
                self.assertEqual(page.charset, "utf-8")
                self.assertEqual(page.open_tags, [], "tags left open")
                for href in page.links:
                    if re.match(r"^[a-z]+:", href):
                        self.assertTrue(href.startswith("https://quillbook.example.com/"), href)
                        continue
                    target, _, anchor = href.partition("#")
                    target_path = (path.parent / target).resolve() if target else path
                    self.assertTrue(target_path.is_file(), f"{href} from {path.name}")
                    if anchor:
                        self.assertIn(anchor, parse(target_path).anchors, href)

    def test_help_names_every_key(self):
        body = parse(HELP).body
        keys = ["F1", "F2", "F3", "F11", "F12", "Esc", "Enter", "Delete", "Insert", "Home", "End",
                "Page Up", "Page Down", "Ctrl+N", "Ctrl+O", "Ctrl+S", "Ctrl+Shift+S", "Ctrl+P",
                "Ctrl+T", "Ctrl+Z", "Ctrl+Y", "Ctrl+F", "Ctrl+I"]
        missing = [k for k in keys if not re.search(r"(?<![A-Za-z0-9+])" + re.escape(k) + r"(?![A-Za-z0-9+])", body)]
        self.assertEqual(missing, [])

    def test_help_explains_every_statistics_row_and_file_command(self):
        body = parse(HELP).body
        rows = [f"{m}월" for m in range(1, 13)] + [
            "1분기 합계", "2분기 합계", "상반기 합계", "3분기 합계", "4분기 합계", "하반기 합계", "연 합계"]
        words = rows + ["새파일", "파일열기", "자료저장", "딴이름으로저장", "파일추가", "백업"]
        # 가져오기: each shipped profile, each status, and how a profile is made.
        words += ["홈택스 신용카드 매입", "홈택스 현금영수증 매입", "홈택스 전자세금계산서 매입",
                  "홈택스 전자세금계산서 매출", "은행 거래내역", "새 자료", "중복", "비슷함", "오류",
                  "새 틀 만들기", "틀 저장", "규칙 저장"]
        self.assertEqual([w for w in words if w not in body], [])

    @unittest.skipUnless(CLI and os.access(CLI or "", os.X_OK), "quillbook-cli not given")
    def test_help_shows_every_command_line_command(self):
        usage = subprocess.run([CLI, "--help"], capture_output=True, text=True).stdout
        commands = re.findall(r"^  ([a-z][a-z-]*) ", usage, re.M)
        self.assertGreaterEqual(len(commands), 6)
        body = parse(HELP).body
        self.assertEqual([c for c in commands if f"quillbook-cli {c}" not in body], [])


if __name__ == "__main__":
    unittest.main()
