# SPDX-License-Identifier: GPL-3.0-or-later
"""quillbook-cli import-statement: counts, statuses and exit codes, and the
lists of the shipped profiles as LibreOffice (CP949 CSV, TSV) and Gnumeric
(CP949, semicolons, all quoted) write them."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

CLI = os.environ.get("QB_CLI", "../../build/bin/quillbook-cli")
DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "core", "data", "statements")


def run(*args):
    p = subprocess.run([CLI, *args], capture_output=True)
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


class Base(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.dir.cleanup()

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)
        return self.path(name)

    def ledger(self, lines=()):
        """A ledger file made from dump lines (empty when none)."""
        out = self.path("장부.Aut")
        if not lines:
            open(out, "wb").close()
            return out
        src = self.write("in.tsv", ("\n".join(lines) + "\n").encode())
        code, _, err = run("import", src, out)
        self.assertEqual(code, 0, err)
        return out

    def dump(self, aut):
        code, out, err = run("dump", aut)
        self.assertEqual(code, 0, err)
        return out.splitlines()


CARD = os.path.join(DATA, "card_purchase.csv")


class ImportStatement(Base):
    def test_exit_codes_and_counts(self):
        """0 booked, 1 none, 2 usage, 3 unreadable; the ledger changes only when booked."""
        aut = self.ledger(["2024.03.05\t주유\t서울주유소\t0\t0\t50000\t5000\t0\t0\t카드\tN\t0"])
        garbage = self.write("x.csv", bytes(range(256)) * 4)
        unknown = self.write("u.csv", "이름,나이\n홍길동,30\n".encode())
        cases = [
            (["import-statement"], 2, ""),
            (["import-statement", CARD], 2, ""),
            (["import-statement", CARD, aut, "--bogus"], 2, ""),
            (["import-statement", CARD, aut, "--profile"], 2, ""),
            (["import-statement", CARD, aut, "--profile", "없는 틀"], 2, ""),
            (["import-statement", self.path("missing.csv"), aut], 3, ""),
            (["import-statement", self.dir.name, aut], 3, ""),
            (["import-statement", garbage, aut], 3, ""),
            (["import-statement", unknown, aut], 3, ""),
            (["import-statement", CARD, self.path("없음.Aut")], 1, ""),
            (["import-statement", CARD, aut, "--profile", "은행 거래내역"], 3, ""),
            (["import-statement", CARD, aut, "--dry-run"], 0, ""),
            (["import-statement", CARD, aut], 0, "3건 가져옴, 1건 중복 제외, 0건 오류\n"),
            (["import-statement", CARD, aut], 1, "0건 가져옴, 4건 중복 제외, 0건 오류\n"),
            (["import-statement", CARD, aut, "--dry-run", "--include-duplicates"], 0, ""),
        ]
        for args, code, out in cases:
            before = open(aut, "rb").read()
            got, stdout, stderr = run(*args)
            self.assertEqual(got, code, f"{args}: {stdout} {stderr}")
            if out:
                self.assertEqual(stdout, out, args)
            if got != 0 or "--dry-run" in args:
                self.assertEqual(open(aut, "rb").read(), before, f"{args} changed the ledger")
        lines = self.dump(aut)
        self.assertEqual(len(lines), 4)
        self.assertIn("2024.03.12\t맛나식당 \"본점\"\t맛나식당 \"본점\"\t0\t0\t20000\t2000\t0\t0\t카드 불공\t\t0", lines)
        # The booking kept the replaced version, as Save keeps it.
        self.assertEqual(len(os.listdir(self.path("백업"))), 1)
        # Duplicates booked when asked.
        code, out, err = run("import-statement", CARD, aut, "--include-duplicates")
        self.assertEqual((code, out), (0, "4건 가져옴, 0건 중복 제외, 0건 오류\n"), err)
        self.assertEqual(len(self.dump(aut)), 8)

    def test_dry_run_shows_each_status_as_the_window(self):
        aut = self.ledger([
            "2024.03.05\t주유\t서울주유소\t0\t0\t50000\t5000\t0\t0\t카드\tN\t0",
            "2024.03.10\t문구\t대한문구\t0\t0\t9091\t909\t0\t0\t카드\tN\t0",
        ])
        src = self.write("s.csv", "\n".join([
            "승인일자,카드번호,승인번호,가맹점명,가맹점사업자번호,공급가액,부가세,봉사료,합계",
            "2024-03-05,1,11,서울주유소,,50000,5000,0,55000",
            "2024-03-07,1,12,대한문구,,9091,909,0,10000",
            "2024-03-08,1,13,새가게,,100,10,0,110",
            "2024-03-09,1,14,새가게,,1만원,10,0,110",
        ]).encode("cp949"))
        code, out, err = run("import-statement", src, aut, "--dry-run")
        self.assertEqual(code, 0, err)
        statuses = [line.split("\t")[0] for line in out.splitlines()[:-1]]
        self.assertEqual(statuses, ["중복", "비슷함", "새 자료", "오류"])
        self.assertIn("금액을 읽을 수 없습니다: 1만원", out.splitlines()[3])
        self.assertEqual(out.splitlines()[-1], "틀: 홈택스 신용카드 매입")
        # Booked, the report counts the 비슷함 rows among those booked.
        code, out, err = run("import-statement", src, aut)
        self.assertEqual((code, out), (0, "2건 가져옴 (비슷함 1건 포함), 1건 중복 제외, 1건 오류\n"), err)

    def test_sheets_encodings_and_lists_that_do_not_say(self):
        """--sheet and --encoding; a list on a later sheet found; an empty
        file and a tax-office list that names neither 매입 nor 매출 say so."""
        import openpyxl
        book = openpyxl.Workbook()
        book.active.title = "조회조건"
        book.active.append(["조회기간", "2024-03-01 ~ 2024-03-31"])
        sheet = book.create_sheet("내역")
        sheet.append(["승인일자", "카드번호", "승인번호", "가맹점명", "공급가액", "부가세", "합계"])
        sheet.append(["2024-03-05", "1234", "11", "서울주유소", 50000, 5000, 55000])
        two = self.path("두시트.xlsx")
        book.save(two)
        card = self.write("card.csv", "\n".join([
            "승인일자,카드번호,승인번호,가맹점명,공급가액,부가세,합계",
            "2024-03-05,1,11,서울주유소,50000,5000,55000"]).encode("cp949"))
        invoice = self.write("invoice.csv", "\n".join([
            "작성일자,승인번호,상호,상호,합계금액,공급가액,세액,품목명",
            "20240405,1,우리가게,새봄카페,110000,100000,10000,원두"]).encode())
        empty_file = self.write("empty.csv", b"\xef\xbb\xbf\r\n")
        aut = self.ledger()
        cases = [
            (["--dry-run"], two, 0, "서울주유소"),
            (["--dry-run", "--sheet", "2"], two, 0, "서울주유소"),
            (["--dry-run", "--sheet", "내역"], two, 0, "서울주유소"),
            (["--dry-run", "--sheet", "1"], two, 3, "맞는 틀이 없습니다"),
            (["--dry-run", "--sheet", "3"], two, 2, "그런 시트가 없습니다: 3"),
            (["--dry-run", "--encoding", "cp949"], card, 0, "서울주유소"),
            (["--dry-run", "--encoding", "utf-8"], card, 3, "맞는 틀이 없습니다"),
            (["--dry-run", "--encoding", "latin-1"], card, 2, "--encoding"),
            (["--dry-run"], empty_file, 3, "파일이 비어 있습니다"),
            (["--dry-run"], invoice, 3, "매입 목록인지 매출 목록인지 알 수 없습니다"),
            (["--dry-run", "--profile", "홈택스 전자세금계산서 매출"], invoice, 0, "새봄카페\t수입"),
        ]
        for args, path, code, text in cases:
            got, out, err = run("import-statement", path, aut, *args)
            self.assertEqual(got, code, f"{args}: {out} {err}")
            self.assertIn(text, out + err, args)


# The tables of the shipped profiles' test files, as LibreOffice writes them.
EXPECTED_ROWS = {
    "card_purchase": 4,
    "cash_receipt": 3,
    "tax_invoice_purchase": 2,
    "tax_invoice_sales": 1,
    "bank": 3,
    "bank_kb": 3,
    "bank_woori": 2,
    "bank_shinhan": 2,
    "bank_hana": 1,
    "bank_nh": 1,
    "bank_direction": 2,
    "card_service_charge": 3,
    "cash_receipt_nondeductible": 1,
    "tax_invoice_sales_titled": 1,
}


class LibreOfficeFiles(Base):
    def convert(self, option, outdir):
        os.makedirs(outdir, exist_ok=True)
        sources = [os.path.join(DATA, n + ".csv") for n in EXPECTED_ROWS]
        subprocess.run(["soffice", "-env:UserInstallation=file://" + self.path("lo-profile"), "--headless",
                        "--infilter=CSV:44,34,76", "--convert-to", option, "--outdir", outdir, *sources],
                       capture_output=True, timeout=240)

    def test_shipped_layouts_as_written_by_libreoffice(self):
        # 62 is LibreOffice's number for CP949 (76 would be UTF-8).
        made = {
            "cp949 csv": (self.path("cp949"), "csv:Text - txt - csv (StarCalc):44,34,62"),
            "utf-8 tsv": (self.path("tsv"), "csv:Text - txt - csv (StarCalc):9,34,76"),
        }
        for outdir, option in made.values():
            self.convert(option, outdir)
        # Gnumeric, where it installs: semicolons, every field quoted, its
        # own spelling of dates and numbers.
        if shutil.which("ssconvert"):
            outdir = self.path("gnumeric")
            os.makedirs(outdir)
            for name in EXPECTED_ROWS:
                subprocess.run(["ssconvert", "-T", "Gnumeric_stf:stf_assistant", "-O",
                                "separator=; quoting-mode=always charset=CP949",
                                os.path.join(DATA, name + ".csv"), os.path.join(outdir, name + ".csv")],
                               capture_output=True, timeout=120, env=dict(os.environ, HOME=self.dir.name))
            made["gnumeric cp949 semicolons"] = (outdir, "")
        empty = self.ledger()
        for name, rows in EXPECTED_ROWS.items():
            code, want, err = run("import-statement", os.path.join(DATA, name + ".csv"), empty, "--dry-run")
            self.assertEqual(code, 0, err)
            self.assertEqual(len(want.splitlines()), rows + 1, name)
            for kind, (outdir, _) in made.items():
                path = os.path.join(outdir, name + ".csv")
                self.assertTrue(os.path.exists(path), f"LibreOffice made no {kind} of {name}")
                raw = open(path, "rb").read()
                if "cp949" in kind:
                    self.assertRaises(UnicodeDecodeError, raw.decode, "utf-8")
                    raw.decode("cp949")
                code, got, err = run("import-statement", path, empty, "--dry-run")
                self.assertEqual((code, got), (0, want), f"{kind} of {name}: {err}")


if __name__ == "__main__":
    if "--libreoffice" in sys.argv:
        sys.argv.remove("--libreoffice")
        if not shutil.which("soffice"):
            print("soffice is missing: skipped")
            sys.exit(77)
        suite = unittest.TestLoader().loadTestsFromTestCase(LibreOfficeFiles)
    else:
        suite = unittest.TestLoader().loadTestsFromTestCase(ImportStatement)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)
