# SPDX-License-Identifier: GPL-3.0-or-later
"""The printed form from `quillbook-cli print`, read back from the PDF:
every entry whole, page totals that add up, the total equal to `totals`
and to the exported workbook's year total."""
import os
import re
import subprocess
import tempfile
import unittest

import openpyxl

from test_export_files import EXTREME, EXTREME_TEXTS, pdf_pages, run, squeezed, tsv

NUMBER = r"-?\d[\d,]*(?:\.\d+)?"
FIELDS = ("INMNY", "INVAT", "OTMNY", "OTVAT", "JSMNY", "JSVAT")


def number(text):
    return float(text.replace(",", ""))


def sums(page, label):
    """The six amounts of the row that starts with `label` on the page, or None."""
    for line in page.splitlines():
        if line.strip().startswith(label):
            found = re.findall(NUMBER, line[line.index(label) + len(label):])
            if len(found) == 6:
                return [number(x) for x in found]
            raise AssertionError("%s row without six amounts: %r" % (label, line))
    return None


LEDGER = EXTREME + [
    tsv("2024.%02d.%02d" % (k % 12 + 1, k % 28 + 1), "거래 %d 물품 구입 대금 지급" % k, "(주)한빛상회 %d" % k,
        [(1000 + k, 100, 0, 0, 0, 0), (0, 0, 2000 + k, 200, 0, 0), (0, 0, 0, 0, 30.5 * k, 0)][k % 3], "비고%d" % k)
    for k in range(68)] + [tsv("2023.06.01", "작년 것", "", (11, 1, 0, 0, 0, 0), "")]


class PrintedForm(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.dir = cls.tmp.name
        with open(os.path.join(cls.dir, "in.tsv"), "w", encoding="utf-8") as f:
            f.write("".join(line + "\n" for line in LEDGER))
        cls.aut = os.path.join(cls.dir, "장부.Aut")
        assert run("import", os.path.join(cls.dir, "in.tsv"), cls.aut)[0] == 0

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_pages_add_up_and_hold_every_entry(self):
        for k, options in enumerate(([], ["--year", "2024"], ["--year", "2024", "--month", "03"],
                                     ["--year", "2024", "--category", "비용"], ["--year", "2019"])):
            with self.subTest(options):
                pdf = os.path.join(self.dir, "p%d.pdf" % k)
                code, out, err = run("print", self.aut, *options, "-o", pdf)
                self.assertEqual((code, out, err), (0, "", ""))
                info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True, check=True).stdout
                self.assertRegex(info, r"Page size:\s+842 x 595 pts \(A4\)")  # A4 across
                pages = pdf_pages(pdf)
                raw = squeezed("".join(pdf_pages(pdf, raw=True)))
                carried = [0.0] * 6
                for n, page in enumerate(pages, 1):
                    self.assertIn("간편장부", squeezed(page))
                    self.assertIn("장부.Aut", page)
                    self.assertIn("-%d/%d-" % (n, len(pages)), squeezed(page))
                    for head in ("거래내용", "거래처", "④수입", "⑤비용", "⑥고정자산증감", "⑦비고"):
                        self.assertIn(head, page)
                    got = sums(page, "전면 이월")
                    if n == 1:
                        self.assertIsNone(got)
                    else:
                        self.assertEqual(got, carried, "page %d" % n)
                    sub = sums(page, "소계")
                    carried = [a + b for a, b in zip(carried, sub)]
                total = sums(pages[-1], "합계")
                self.assertEqual(total, carried)
                self.assertTrue(all(sums(p, "합계") is None for p in pages[:-1]))
                fields = dict(part.split("=") for part in run("totals", self.aut, *options)[1].split())
                self.assertEqual(total, [float(fields[f]) for f in FIELDS])

                # every entry the filter shows, with its texts and amounts whole
                code, dump, _ = run("dump", self.aut)
                shown = 0
                tokens = set(re.findall(NUMBER, "".join(pages)))
                for line in dump.splitlines():
                    f = line.split("\t")
                    if len(f) < 10 or not self.passes(f, options):
                        continue
                    shown += 1
                    for text in (f[1], f[2], f[9]):
                        if text:
                            self.assertIn(squeezed(text), raw, text)
                    for a in f[3:9]:
                        if float(a):
                            self.assertIn("{:,}".format(float(a)).rstrip("0").rstrip("."), tokens, a)
                self.assertEqual(shown, int(fields["count"]))
                if shown > 0 and "--month" not in options and "--category" not in options and options:
                    # the same figures as the workbook's year total
                    xlsx = os.path.join(self.dir, "w%d.xlsx" % k)
                    self.assertEqual(run("export", self.aut, xlsx, *options)[0], 0)
                    ws = openpyxl.load_workbook(xlsx, data_only=True)["통계"]
                    self.assertEqual([ws["%s24" % c].value for c in "DEFGHI"], total)

    @staticmethod
    def passes(f, options):
        o = dict(zip(options[::2], options[1::2]))
        day = f[0]
        if "--year" in o:  # as the filter compares dates: as texts, between the period's first and last day
            y, m = o["--year"], o.get("--month")
            if not (y + "." + (m or "01") + ".01" <= day <= y + "." + (m or "12") + ".31"):
                return False
        # a category shows every row whose pair is in use, refunds too
        if o.get("--category") == "비용" and float(f[5]) == 0 and float(f[6]) == 0:
            return False
        return True

    def test_refusals(self):
        for args in (["print", self.aut], ["print", "-o", os.path.join(self.dir, "x.pdf")],
                     ["print", self.aut, "--month", "03", "-o", os.path.join(self.dir, "x.pdf")]):
            self.assertEqual(run(*args)[0], 2, args)
        code, _, err = run("print", self.aut, "-o", os.path.join(self.dir, "no", "such", "x.pdf"))
        self.assertEqual(code, 1)
        self.assertIn("x.pdf", err)


if __name__ == "__main__":
    unittest.main()
