# SPDX-License-Identifier: GPL-3.0-or-later
"""Workbooks written by `quillbook-cli export`, read back with openpyxl."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest
import zipfile

import openpyxl
from openpyxl.worksheet.merge import MergedCellRange
from openpyxl.worksheet.worksheet import Worksheet

# openpyxl copies the borders of a merged range's first cell onto the range's
# other cells while loading; switch that off so every cell shows the format
# stored for it in the file.
Worksheet._clean_merge_range = lambda self, mcr: None
MergedCellRange._get_borders = lambda self: None

CLI = os.environ.get("QB_CLI", "../../build/bin/quillbook-cli")
AMOUNT = '_-* #,##0_-;-* #,##0_-;_-* "-"_-;_-@_-'
# An amount with a fraction shows it, as the printed form does (25,000.5).
AMOUNT_DECIMALS = '_-* #,##0.0###_-;-* #,##0.0###_-;_-* "-"_-;_-@_-'


def amount_format(value):
    return AMOUNT_DECIMALS if isinstance(value, (int, float)) and round(value * 10000) % 10000 else AMOUNT
YELLOW, GREEN, ORANGE, PINK = "FFFFFF80", "FFCAF7AC", "FFFDD2AC", "FFFF80FF"
BLACK, WHITE, AUTO = "FF000000", "FFFFFFFF", "auto"
COLS = "ABCDEFGHIJK"


def run(*args):
    p = subprocess.run([CLI, *args], capture_output=True)
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def tsv(day, jkyu="", sangho="", amounts=(0, 0, 0, 0, 0, 0), etc=""):
    return "\t".join([day, jkyu, sangho, *(str(a) for a in amounts), etc, "N", "0"])


def stored_width(width):
    """A column width as the file stores it: the characters the user sees plus
    the cell padding, in 1/256 of the default font's digit (7 pixels + 5)."""
    pixels = int(width * 7 + 0.5) + 5
    return int(pixels / 7 * 256) / 256


def edge(side):
    if side is None or side.style is None:
        return None
    colour = AUTO if side.color is None or side.color.type == "auto" else side.color.rgb
    return (side.style, colour)


def edges(cell):
    b = cell.border
    return (edge(b.left), edge(b.right), edge(b.top), edge(b.bottom))


def fill(cell):
    return cell.fill.fgColor.rgb if cell.fill.fill_type == "solid" else None


FULL_JKYU = "가" * 22 + "!"     # 45 bytes in CP949, the whole field
FULL_SANGHO = "나" * 17 + "!"   # 35 bytes
FULL_ETC = "다" * 7 + "!"       # 15 bytes

MANY = [
    tsv("2024.03.15", "커피 원두", "(주)한빛상회", (0, 0, 5000, 500, 0, 0), "카드"),
    tsv("2024.01.02", "=SUM(E4:E9)", "0123", (10000.5, 1000, 0, 0, 0, 0), "2024.01.02"),
    tsv("2024.01.03", FULL_JKYU, FULL_SANGHO, (1, 0, 0, 0, 0, 0), FULL_ETC),
    tsv("2024.12.31", "비품", "", (0, 0, 0, 0, -250.5, -25), "영수증"),
    tsv("2024.06.30", "전부 영", "", (0, 0, 0, 0, 0, 0), ""),
    tsv("2023.03.01", "작년", "", (3, 0, 0, 0, 0, 0), ""),
    tsv("2024.07.07", "큰 수입", "", (1234567, 123456, 0, 0, 0, 0), "세계"),
    tsv("2024.03.02", "-5", "1e5", (0, 0, -1500, -150, 0, 0), "@"),
] + [tsv("2024.%02d.%02d" % (m, d), "반복 %d" % (m * 31 + d), "거래처", (0, 0, m * 100 + d, m * 10, 0, 0), "계")
     for m in range(1, 13) for d in (5, 20)]


class Base(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.dir.cleanup()

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def ledger(self, lines, name="in"):
        src = self.path(name + ".tsv")
        with open(src, "w", encoding="utf-8") as f:
            f.write("".join(line + "\n" for line in lines))
        code, _, err = run("import", src, self.path(name + ".Aut"))
        self.assertEqual(code, 0, err)
        return self.path(name + ".Aut")

    def export(self, aut, *options, name="out.xlsx"):
        code, out, err = run("export", aut, self.path(name), *options)
        self.assertEqual(code, 0, err)
        self.assertEqual(out, "")
        return self.path(name)

    def totals(self, aut, *options):
        code, out, err = run("totals", aut, *options)
        self.assertEqual(code, 0, err)
        fields = dict(part.split("=") for part in out.split())
        return fields

    def data_rows(self, ws):
        """Rows 4 on as tuples of (value, type) for A to K, until the first empty row."""
        rows = []
        for r in range(4, ws.max_row + 1):
            cells = [ws.cell(r, c) for c in range(1, 12)]
            if all(c.value is None for c in cells):
                break
            rows.append([(c.value, c.data_type) for c in cells])
        return rows


class LedgerSheet(Base):
    def test_many_entries(self):
        xlsx = self.export(self.ledger(MANY))
        wb = openpyxl.load_workbook(xlsx)
        self.assertEqual(wb.sheetnames, ["장부", "통계 2023", "통계 2024", "Sheet3"])
        self.assertEqual([ws.sheet_state for ws in wb.worksheets], ["visible", "visible", "visible", "hidden"])
        self.assertEqual(wb.active.title, "장부")
        self.assertTrue(wb["장부"].sheet_view.tabSelected)
        self.assertFalse(wb["통계 2023"].sheet_view.tabSelected)
        ws = wb["장부"]

        self.assertEqual(sorted(str(r) for r in ws.merged_cells.ranges),
                         sorted(["A1:K1", "A2:B2", "E2:F2", "G2:H2", "I2:J2", "A3:B3", "K2:K3"]))
        self.assertEqual(ws["A1"].value, "간 편 장 부")
        self.assertTrue(ws["A1"].font.b)
        self.assertEqual(ws["A1"].font.sz, 18)
        self.assertEqual(ws["A1"].alignment.horizontal, "center")
        row2 = ["①", None, "②", "③", "④수입", None, "⑤비용", None, "⑥고정자산증감", None, "⑦비고"]
        row3 = ["날짜", None, "거래내용", "거래처", "금액", "부가세", "금액", "부가세", "금액", "부가세", None]
        self.assertEqual([ws[c + "2"].value for c in COLS], row2)
        self.assertEqual([ws[c + "3"].value for c in COLS], row3)
        for c in COLS:
            for r in (2, 3):
                cell = ws["%s%d" % (c, r)]
                self.assertEqual((cell.font.sz, cell.font.name, cell.alignment.horizontal, fill(cell)),
                                 (12, "돋움", "center", YELLOW), cell.coordinate)

        # One row per entry in date order; texts stay texts, zero amounts stay empty.
        ordered = sorted(MANY, key=lambda l: l.split("\t")[0])
        rows = self.data_rows(ws)
        self.assertEqual(len(rows), len(MANY))
        for got, line in zip(rows, ordered):
            f = line.split("\t")
            expect = [(int(f[0][5:7]), "n"), (int(f[0][8:10]), "n")]
            expect += [(f[1] or None, "s" if f[1] else "n"), (f[2] or None, "s" if f[2] else "n")]
            for a in f[3:9]:
                v = float(a)
                expect.append((v if v else None, "n"))
            expect.append((f[9] or None, "s" if f[9] else "n"))
            self.assertEqual(got, expect, line)
        self.assertEqual(ws["C5"].value, "=SUM(E4:E9)")       # after the 2023 entry
        self.assertEqual(ws["C5"].data_type, "s")
        self.assertEqual(ws["D5"].value, "0123")
        self.assertIn(FULL_JKYU, [r[2][0] for r in rows])
        self.assertIn(FULL_SANGHO, [r[3][0] for r in rows])
        self.assertIn(FULL_ETC, [r[10][0] for r in rows])

        n = len(MANY)
        for r in range(4, n + 5):                             # formats reach one row past the entries
            for c in "CDK":
                self.assertEqual((ws["%s%d" % (c, r)].number_format, ws["%s%d" % (c, r)].alignment.wrap_text),
                                 ("@", True))
            for c in "EFGHIJ":
                cell = ws["%s%d" % (c, r)]
                self.assertEqual((cell.number_format, cell.alignment.shrink_to_fit),
                                 (amount_format(cell.value), True), cell.coordinate)
            self.assertEqual(ws["A%d" % r].number_format, "General")
        self.assertEqual(ws["C%d" % (n + 5)].number_format, "General")

        thin_black = ("thin", BLACK)
        for r in range(4, n + 4):
            for c in "CDEFGHIJK":
                self.assertEqual(edges(ws["%s%d" % (c, r)]), (thin_black,) * 4, "%s%d" % (c, r))
            top = ("thick", AUTO) if r == 4 else ("thin", AUTO)
            self.assertEqual(edges(ws["A%d" % r]), (thin_black, ("hair", BLACK), top, ("thin", AUTO)))
            self.assertEqual(edges(ws["B%d" % r]), (("hair", BLACK), thin_black, top, ("thin", AUTO)))
        # The row of formats and column L take no line of their own: a
        # printout would otherwise grow by pages holding only those lines.
        last = n + 4
        self.assertEqual(edges(ws["E%d" % last]), (None,) * 4)
        self.assertEqual(edges(ws["A%d" % last]), (None,) * 4)
        self.assertEqual(edges(ws["A%d" % (last + 1)]), (None,) * 4)
        for r in range(1, last + 1):
            self.assertEqual(edges(ws["L%d" % r]), (None,) * 4, r)
        self.assertEqual(ws.print_title_rows, "$1:$3")

        # Header lines.
        self.assertEqual(edges(ws["C1"]), (None, None, None, ("medium", AUTO)))
        self.assertEqual(edges(ws["A2"]), (("thin", AUTO), ("thin", AUTO), ("medium", AUTO), None))
        self.assertEqual(edges(ws["F2"]), (None, ("thin", AUTO), ("medium", AUTO), ("thin", AUTO)))
        self.assertEqual(edges(ws["K2"]), (("thin", AUTO), ("thin", AUTO), ("medium", AUTO), None))
        self.assertEqual(edges(ws["F3"]), (("thin", AUTO), ("thin", AUTO), ("thin", AUTO), thin_black))
        self.assertEqual(edges(ws["A3"]), (("thin", AUTO), ("thin", AUTO), None, ("thick", AUTO)))

        widths = [2.33, 2.33, 20, 15, 16, 16, 16, 16, 16, 16, 11]
        for c, w in zip(COLS, widths):
            self.assertEqual(ws.column_dimensions[c].width, stored_width(w), c)
        rest = ws.column_dimensions["L"]
        self.assertEqual((rest.min, rest.max, rest.width), (12, 16384, stored_width(8.11)))
        self.assertEqual(ws.sheet_format.defaultRowHeight, 35.25)
        self.assertEqual([ws.row_dimensions[r].height for r in (1, 2, 3, 4, n + 3)], [42, 21, 21, None, None])
        # The row of the longest texts is as high as they wrap.
        full = next(r for r in range(4, n + 4) if ws["C%d" % r].value == FULL_JKYU)
        self.assertGreater(ws.row_dimensions[full].height, 35.25)
        self.assertEqual((ws["E5"].font.name, ws["E5"].font.sz, ws["E5"].font.color.rgb, ws["E5"].alignment.vertical),
                         ("돋움", 10, BLACK, "center"))

    def test_one_entry(self):
        xlsx = self.export(self.ledger([tsv("2024.03.15", "하나", "상대", (0, 0, 5000, 500, 0, 0), "카드")]))
        ws = openpyxl.load_workbook(xlsx)["장부"]
        self.assertEqual(self.data_rows(ws),
                         [[(3, "n"), (15, "n"), ("하나", "s"), ("상대", "s"), (None, "n"), (None, "n"), (5000, "n"),
                           (500, "n"), (None, "n"), (None, "n"), ("카드", "s")]])
        self.assertEqual(ws["C5"].number_format, "@")
        self.assertEqual(ws["C6"].number_format, "General")
        self.assertEqual(edges(ws["G5"]), (None,) * 4)
        self.assertEqual(edges(ws["G4"]), (("thin", BLACK),) * 4)

    def test_nothing_to_export_writes_nothing(self):
        # As the toolbar's export, which does nothing for an empty view.
        full = self.ledger(MANY[:3], name="full")
        for aut, options in ((self.ledger([]), []), (full, ["--year", "2019"]),
                             (full, ["--year", "2024", "--month", "05"])):
            with self.subTest(options):
                code, out, err = run("export", aut, self.path("none.xlsx"), *options)
                self.assertEqual(code, 1)
                self.assertEqual(out, "")
                self.assertIn("내보낼 자료가 없습니다", err)
                self.assertFalse(os.path.exists(self.path("none.xlsx")))


class StatisticsSheet(Base):
    MONTH_ROWS = {5: 1, 6: 2, 7: 3, 9: 4, 10: 5, 11: 6, 14: 7, 15: 8, 16: 9, 18: 10, 19: 11, 20: 12}
    TOTAL_ROWS = {8: ("B", " 1분기 합계", "=SUM({c}5:{c}7)", GREEN), 12: ("B", " 2분기 합계", "=SUM({c}9:{c}11)", GREEN),
                  13: ("A", " 상반기 합계", "={c}8+{c}12", ORANGE), 17: ("B", " 3분기 합계", "=SUM({c}14:{c}16)", GREEN),
                  21: ("B", " 4분기 합계", "=SUM({c}18:{c}20)", GREEN), 22: ("A", " 하반기 합계", "={c}17+{c}21", ORANGE),
                  24: ("A", "연 합계", "={c}13+{c}22+{c}23", PINK)}

    def test_labels_formulas_and_formats(self):
        xlsx = self.export(self.ledger(MANY), "--year", "2024")
        wb = openpyxl.load_workbook(xlsx)
        ws = wb["통계"]
        results = openpyxl.load_workbook(xlsx, data_only=True)["통계"]
        self.assertEqual(sorted(str(r) for r in ws.merged_cells.ranges),
                         sorted(["A1:I1", "A2:E2", "A3:C3", "D3:E3", "F3:G3", "H3:I3", "A4:C4", "B8:C8", "B12:C12",
                                 "A13:C13", "B17:C17", "B21:C21", "A22:C22", "A23:C23", "A24:C24"]))
        self.assertEqual((ws["A1"].value, ws["A1"].font.sz, ws["A1"].font.b, ws["A1"].alignment.horizontal),
                         ("기간별 합계 금액", 20, True, "center"))
        self.assertEqual((ws["A2"].value, ws["A2"].data_type, ws["A2"].font.sz, ws["A2"].font.b),
                         ("=장부!A1", "f", 18, True))
        self.assertEqual([ws[c + "3"].value for c in "ABCDEFGHI"],
                         ["①", None, None, "④수입", None, "⑤비용", None, "⑥고정자산증감", None])
        self.assertEqual([ws[c + "4"].value for c in "ABCDEFGHI"],
                         ["기간", None, None, "금액", "부가세", "금액", "부가세", "금액", "부가세"])
        for c in "ABCDEFGHI":
            for r in (3, 4):
                cell = ws["%s%d" % (c, r)]
                self.assertEqual((cell.alignment.horizontal, fill(cell)), ("center", YELLOW), cell.coordinate)
        # Bold and size 12 go to the cells that show a text, the first of each merge.
        for coordinate in ("A3", "D3", "F3", "H3", "A4", "D4", "E4", "F4", "G4", "H4", "I4"):
            self.assertEqual((ws[coordinate].font.b, ws[coordinate].font.sz), (True, 12), coordinate)

        for r, m in self.MONTH_ROWS.items():
            self.assertEqual((ws["A%d" % r].value, ws["B%d" % r].value), (None, None))
            label = ws["C%d" % r]
            self.assertEqual((label.value, label.font.b, label.alignment.horizontal), ("%d월" % m, True, "center"))
            for c in "DEFGHI":
                sum_col = chr(ord(c) + 1)
                cell = ws["%s%d" % (c, r)]
                self.assertEqual(cell.value, "=SUMIF(장부!$A$4:$A$65536,%d,장부!$%s$4:$%s$65536)" % (m, sum_col, sum_col))
                self.assertEqual((cell.font.b, fill(cell)), (False, None))
        for r, (label_col, label, formula, colour) in self.TOTAL_ROWS.items():
            self.assertEqual((ws["%s%d" % (label_col, r)].value, ws["%s%d" % (label_col, r)].font.b), (label, True))
            for c in "DEFGHI":
                self.assertEqual(ws["%s%d" % (c, r)].value, formula.format(c=c))
                self.assertTrue(ws["%s%d" % (c, r)].font.b)
            for c in "ABCDEFGHI":
                expected = colour if c >= label_col else None
                self.assertEqual(fill(ws["%s%d" % (c, r)]), expected, "%s%d" % (c, r))
        # Rows without a month of their own, between the half-years and the year.
        self.assertEqual([ws["%s23" % c].value for c in "ABC"], ["일자 없음", None, None])
        self.assertEqual(ws["E23"].value, "=SUM(장부!$F$4:$F$65536)-E13-E22")
        self.assertEqual(ws["E24"].value, "=E13+E22+E23")
        self.assertEqual([fill(ws["%s23" % c]) for c in "ABCDEFGHI"], [None] * 9)
        self.assertEqual(ws["G15"].value, "=SUMIF(장부!$A$4:$A$65536,8,장부!$H$4:$H$65536)")
        self.assertEqual(ws["I21"].value, "=SUM(I18:I20)")
        self.assertEqual(ws["F24"].value, "=F13+F22+F23")

        for r in range(5, 25):
            for c in "DEFGHI":
                cell = ws["%s%d" % (c, r)]
                self.assertEqual((cell.number_format, cell.alignment.shrink_to_fit),
                                 (amount_format(results[cell.coordinate].value), True), cell.coordinate)
        # January's income of 10,001.5 shows its half, as the printout does.
        self.assertEqual((results["D5"].value, ws["D5"].number_format), (10001.5, AMOUNT_DECIMALS))
        self.assertEqual(ws["D6"].number_format, AMOUNT)
        self.assertEqual(ws["C5"].number_format, "General")

        widths = {"A": 5, "B": 7, "C": 5, "D": 21.5, "I": 21.5}
        for c, w in widths.items():
            self.assertEqual(ws.column_dimensions[c].width, stored_width(w), c)
        rest = ws.column_dimensions["J"]
        self.assertEqual((rest.min, rest.max, rest.width), (10, 16384, stored_width(12.78)))
        self.assertEqual(ws.sheet_format.defaultRowHeight, 21)
        self.assertEqual([ws.row_dimensions[r].height for r in (1, 2, 3, 4, 5)], [25.5, 22.5, 20.5, 20.5, None])
        self.assertEqual((ws["E9"].font.name, ws["E9"].font.sz, ws["E9"].alignment.vertical), ("돋움", 10, "center"))
        self.assertEqual((ws["C9"].font.name, ws["C9"].font.sz), ("돋움", 11))

        white, hair, hair_white = ("thin", WHITE), ("hair", BLACK), ("hair", WHITE)
        expected = {
            "A1": (white, white, white, white),
            "C2": (white, white, white, hair),
            "A3": (hair, hair, hair, hair),
            "I4": (hair, hair, hair, hair),
            "E10": (hair, hair, hair, hair),
            "I24": (hair, hair, hair, hair),
            "D5": (hair_white, hair, hair, hair),
            "A5": (hair, hair_white, hair, hair),
            "B9": (hair_white, hair_white, hair, hair),
            "C23": (hair_white, hair_white, hair, hair),
            "A24": (hair, hair_white, hair, hair),
            "A25": (white, white, hair, white),
            "J7": (hair, white, white, white),
        }
        for coordinate, lines in expected.items():
            self.assertEqual(edges(ws[coordinate]), lines, coordinate)
        # Every cell beyond takes the whole-sheet format: white lines all round.
        for c in "AD":
            self.assertEqual(edges(ws.column_dimensions[c]), (white,) * 4)
            self.assertEqual(ws.column_dimensions[c].font.name, "돋움")

    def test_stored_results_equal_the_totals_bar(self):
        # Undated rows count in their own row; several years get a sheet each.
        aut = self.ledger(MANY + [tsv("", "날짜 없음", "", (0, 0, 70, 7, 0, 0)),
                                  tsv("2024.00.09", "영월", "", (5, 1, 0, 0, 0, 0))])
        for options, sheets in (([], ["통계 2023", "통계 2024"]), (["--year", "2024"], ["통계"]),
                                (["--year", "2024", "--month", "03"], ["통계"]),
                                (["--year", "2024", "--category", "비용"], ["통계"])):
            with self.subTest(options=options):
                name = "out%d.xlsx" % len(options)
                wb = openpyxl.load_workbook(self.export(aut, *options, name=name), data_only=True)
                self.assertEqual(wb.sheetnames, ["장부"] + sheets + ["Sheet3"])
                totals = self.totals(aut, *options)
                got = [sum(wb[n]["%s24" % c].value for n in sheets) for c in "DEFGHI"]
                want = [float(totals[f]) for f in ("INMNY", "INVAT", "OTMNY", "OTVAT", "JSMNY", "JSVAT")]
                self.assertEqual(got, want)
                self.assertEqual(len(self.data_rows(wb["장부"])), int(totals["count"]))
                for ws in (wb[n] for n in sheets):
                    # each total is the sum of what it stands on
                    for c in "DEFGHI":
                        v = lambda r: ws["%s%d" % (c, r)].value
                        self.assertEqual(v(8), v(5) + v(6) + v(7))
                        self.assertEqual(v(13), v(8) + v(12))
                        self.assertEqual(v(24), v(13) + v(22) + v(23))
        # Each year's sheet reads its own rows of the ledger sheet.
        wb = openpyxl.load_workbook(self.path("out0.xlsx"))
        self.assertEqual(wb["통계 2023"]["D7"].value, "=SUMIF(장부!$A$4:$A$5,3,장부!$E$4:$E$5)")
        self.assertEqual(wb["통계 2024"]["D7"].value, "=SUMIF(장부!$A$6:$A$37,3,장부!$E$6:$E$37)")

    def test_month_filter_shows_one_month(self):
        aut = self.ledger(MANY)
        wb = openpyxl.load_workbook(self.export(aut, "--year", "2024", "--month", "03"), data_only=True)
        rows = self.data_rows(wb["장부"])
        self.assertEqual([(r[0][0], r[1][0]) for r in rows], [(3, 2), (3, 5), (3, 15), (3, 20)])
        ws = wb["통계"]
        for r in self.MONTH_ROWS:
            if r != 7:
                self.assertEqual([ws["%s%d" % (c, r)].value for c in "DEFGHI"], [0] * 6, r)
        self.assertEqual(ws["F7"].value, 5000 - 1500 + 305 + 320)
        self.assertEqual(ws["F24"].value, ws["F7"].value)


class Command(Base):
    def test_page_setup_travels_with_the_file(self):
        # The same page whether or not the exporting machine has a printer.
        aut = self.ledger(MANY[:2], name="A&B")
        for options in ([], ["--printer"]):
            wb = openpyxl.load_workbook(self.export(aut, "--year", "2024", *options, name="p%d.xlsx" % len(options)))
            # Column widths count in the sheets' own font, so a reader without
            # the spreadsheet's usual font keeps the proportions.
            self.assertEqual((wb._fonts[0].name, wb._fonts[0].sz), ("돋움", 10))
            with zipfile.ZipFile(self.path("p%d.xlsx" % len(options))) as z:
                setups = [re.search(r"<pageSetup [^>]*>", z.read("xl/worksheets/sheet%d.xml" % k).decode()).group(0)
                          for k in (1, 2)]
            # one page across; the ledger as many pages down as it takes (0), the totals on one
            self.assertIn('fitToHeight="0"', setups[0])
            self.assertNotIn("fitToHeight", setups[1])
            self.assertNotIn("fitToWidth", setups[0] + setups[1])
            for ws, margins in ((wb["장부"], (20, 12, 50, 30)), (wb["통계"], (20, 12, 50, 30))):
                self.assertEqual((int(ws.page_setup.paperSize), ws.page_setup.orientation), (9, "landscape"))
                self.assertMargins(ws, margins)
                self.assertTrue(ws.sheet_properties.pageSetUpPr.fitToPage)
                self.assertEqual((ws.oddHeader.left.text, ws.oddHeader.right.text), ("A&&B.Aut", "2024년"))
                self.assertEqual(ws.oddFooter.center.text, "- &P / &N -")
                self.assertRegex(ws.oddFooter.right.text, r"^\d{4}\.\d\d\.\d\d$")
                # heading and foot inside the margins
                self.assertLess(ws.page_margins.header * 72 + 10, margins[2])
                self.assertLess(ws.page_margins.footer * 72 + 10, margins[3])

    def assertMargins(self, ws, points):
        # The file holds inches with 16 significant digits.
        m = ws.page_margins
        for got, want in zip((m.left, m.right, m.top, m.bottom), points):
            self.assertAlmostEqual(got, want / 72, places=14)

    def test_failures_write_nothing(self):
        aut = self.ledger(MANY[:2])
        for args in (["export", aut], ["export", aut, self.path("a.xlsx"), "--month", "03"],
                     ["export", aut, self.path("a.xlsx"), "--year", "2024", "--category", "기타"],
                     ["export", aut, self.path("a.xlsx"), "--sheet", "x"]):
            self.assertEqual(run(*args)[0], 2, args)
        self.assertEqual(run("export", self.path("missing.Aut"), self.path("a.xlsx"))[0], 1)
        code, _, err = run("export", aut, self.path("no/such/folder.xlsx"))
        self.assertEqual(code, 1)
        self.assertIn("folder.xlsx", err)
        self.assertEqual(sorted(os.listdir(self.dir.name)), ["in.Aut", "in.tsv"])

    def test_texts_that_look_like_escapes_stay_as_they_are(self):
        xlsx = self.export(self.ledger([tsv("2024.03.15", "_x0041_ 표시", "a_x00e9_", (1, 0, 0, 0, 0, 0), "_x12_")]))
        with zipfile.ZipFile(xlsx) as z:
            sheet = z.read("xl/worksheets/sheet1.xml").decode("utf-8")
        # Readers turn "_xHHHH_" into one character unless its underscore is escaped.
        self.assertIn(">_x005F_x0041_ 표시<", sheet)
        self.assertIn(">a_x005F_x00e9_<", sheet)
        self.assertIn(">_x12_<", sheet)

    def test_an_existing_file_is_replaced(self):
        target = self.path("old.xlsx")
        with open(target, "w") as f:
            f.write("not a workbook")
        self.export(self.ledger(MANY[:1]), name="old.xlsx")
        self.assertEqual(openpyxl.load_workbook(target)["장부"]["C4"].value, "커피 원두")
        self.assertEqual(sorted(os.listdir(self.dir.name)), ["in.Aut", "in.tsv", "old.xlsx"])


def pdf_pages(pdf, raw=False):
    info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True, check=True).stdout
    count = int(next(l.split()[1] for l in info.splitlines() if l.startswith("Pages:")))
    mode = "-raw" if raw else "-layout"
    return [subprocess.run(["pdftotext", mode, "-f", str(p), "-l", str(p), pdf, "-"],
                           capture_output=True, text=True, check=True).stdout for p in range(1, count + 1)]


def squeezed(text):
    return "".join(text.split())


# Rows at the limits: the longest texts the file holds, twelve-digit amounts
# of both signs, a total of ten digits, rows without a date.
EXTREME = [
    tsv("2024.01.03", FULL_JKYU, FULL_SANGHO, (999999998000, 99999999999, 0, 0, 0, 0), FULL_ETC),
    tsv("2024.02.03", "가" * 14 + " 나" * 4, "다" * 14, (0, 0, -999999999999, -99999999999, 0, 0), "라" * 7),
    tsv("2024.03.03", "자산", "", (0, 0, 0, 0, 1234567, -1234567), "세계"),
    tsv("2024.04.04", "큰 수입", "", (516000000, 0, 0, 0, 0, 0), ""),
    tsv("2024.04.05", "큰 수입", "", (516000000, 0, 0, 0, 0, 0), ""),
    tsv("2024.00.05", "달 없음", "", (1000, 0, 0, 0, 0, 0), ""),
    tsv("", "날짜 없음", "", (0, 0, 77, 7, 0, 0), ""),
]
EXTREME_AMOUNTS = ["999,999,998,000", "99,999,999,999", "999,999,999,999", "1,234,567", "516,000,000"]
EXTREME_TEXTS = [FULL_JKYU, FULL_SANGHO, FULL_ETC, "가" * 14 + " 나" * 4, "다" * 14]


def entries(n):
    return [tsv("2024.%02d.%02d" % (k % 12 + 1, k % 28 + 1), "거래 %d 물품 구입 대금" % k, "상대 %d" % k,
                (0, 0, 1000 + k, 100, 0, 0), "비고%d" % k) for k in range(n)]


@unittest.skipUnless(shutil.which("soffice") and shutil.which("pdftotext") and shutil.which("pdfinfo"),
                     "LibreOffice (soffice) and poppler-utils are needed to print the workbook")
class Printout(unittest.TestCase):
    """The workbooks printed by LibreOffice (one conversion for all of them;
    this machine has neither Calibri nor Carlito) and by Gnumeric."""

    CASES = {"one": entries(1), "extreme": EXTREME, "many": entries(68), "thousand": entries(1000),
             "years": entries(10) + [tsv("2023.12.31", "작년 거래", "", (3, 0, 0, 0, 0, 0), "")]}

    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        d = cls.dir.name
        cls.xlsx = {}
        for name, lines in cls.CASES.items():
            with open(os.path.join(d, name + ".tsv"), "w", encoding="utf-8") as f:
                f.write("".join(line + "\n" for line in lines))
            aut = os.path.join(d, name + ".Aut")
            assert run("import", os.path.join(d, name + ".tsv"), aut)[0] == 0
            cls.xlsx[name] = os.path.join(d, name + ".xlsx")
            assert run("export", aut, cls.xlsx[name])[0] == 0
        subprocess.run(["soffice", "-env:UserInstallation=file://" + d + "/lo", "--headless", "--convert-to", "pdf",
                        "--outdir", d + "/lo-pdf", *cls.xlsx.values()], capture_output=True, timeout=600, check=True)

    @classmethod
    def tearDownClass(cls):
        cls.dir.cleanup()

    def test_every_page_is_a_whole_page_of_the_form(self):
        for name, lines in self.CASES.items():
            with self.subTest(name):
                pages = pdf_pages(os.path.join(self.dir.name, "lo-pdf", name + ".pdf"))
                raw = pdf_pages(os.path.join(self.dir.name, "lo-pdf", name + ".pdf"), raw=True)
                stats = [k for k, t in enumerate(pages) if "기간별 합계 금액" in t]
                # each totals sheet on one page, after the ledger's pages
                self.assertEqual(len(stats), 2 if name == "years" else 1)
                self.assertEqual(stats, list(range(len(pages) - len(stats), len(pages))))
                ledger = pages[:stats[0]]
                for number, text in enumerate(pages, 1):
                    self.assertIn("-%d/%d-" % (number, len(pages)), squeezed(text))
                    self.assertIn(name + ".Aut", text)
                    self.assertRegex(text, r"\d{4}\.\d\d\.\d\d")
                for number, text in enumerate(ledger, 1):
                    # all seven columns on every page, under the form's header
                    for head in ("날짜", "거래내용", "거래처", "④수입", "⑤비용", "⑥고정자산증감", "⑦비고"):
                        self.assertIn(head, text, "ledger page %d" % number)
                # every entry once, its texts whole
                printed = squeezed("".join(raw[:stats[0]]))
                for line in lines:
                    f = line.split("\t")
                    for text in (f[1], f[2], f[9]):
                        if text:
                            self.assertIn(squeezed(text), printed, (name, text))
                    if name != "extreme":
                        self.assertEqual(printed.count(squeezed(f[1])), 1, f[1])
                if name == "thousand":
                    # the form's rows per page: the 1,000 entries on few pages, none of them cut off
                    self.assertLessEqual(len(ledger), 80)
                if name == "extreme":
                    tokens = set(re.findall(r"\d[\d,]*", "".join(pages)))
                    for amount in EXTREME_AMOUNTS + ["1,032,000,000", "1,001,031,999,000"]:
                        self.assertIn(amount, tokens)
                    self.assertIn("일자 없음", pages[-1])

    @unittest.skipUnless(shutil.which("ssconvert"), "Gnumeric's ssconvert is not installed")
    def test_gnumeric_prints_every_digit(self):
        # Gnumeric ignores shrink to fit: the columns alone must hold the amounts.
        pdf = os.path.join(self.dir.name, "extreme-gnumeric.pdf")
        subprocess.run(["ssconvert", self.xlsx["extreme"], pdf], capture_output=True, timeout=120, check=True)
        text = "".join(pdf_pages(pdf))
        tokens = set(re.findall(r"[\d.,]*\d", text))
        for amount in EXTREME_AMOUNTS + ["1,032,000,000"]:
            self.assertIn(amount, tokens)
        for cut in (".234,567", "234,567", "32,000,000", "99,999,998,000"):
            self.assertNotIn(cut, tokens)
        raw = squeezed("".join(pdf_pages(pdf, raw=True)))
        for t in EXTREME_TEXTS:
            self.assertIn(squeezed(t), raw)
        # Negative twelve digits keep their minus (the format sets it at the
        # cell's left edge; zero amounts are empty on the ledger's pages, so
        # a minus there is a number's), thirteen-digit totals their leading
        # digits.
        pages = pdf_pages(pdf)
        ledger = "".join(t for t in pages if "기간별 합계 금액" not in t)
        signed = {re.sub(r"\s+", "", t) for t in re.findall(r"-\s*\d[\d,]*\d", ledger)}
        for amount in ("-999,999,999,999", "-99,999,999,999", "-1,234,567"):
            self.assertIn(amount, signed)
        self.assertIn("1,001,031,999,000", tokens)

    @unittest.skipUnless(shutil.which("ssconvert"), "Gnumeric's ssconvert is not installed")
    def test_gnumeric_prints_whole_pages(self):
        # Gnumeric does not scale a sheet to its page: the totals sheet fits
        # A4 across as it is, down to 연 합계 and the page number, and every
        # page of the ledger carries the form's heading rows.
        for name in ("extreme", "thousand", "years"):
            with self.subTest(name):
                pdf = os.path.join(self.dir.name, name + "-gnumeric-pages.pdf")
                subprocess.run(["ssconvert", self.xlsx[name], pdf], capture_output=True, timeout=300, check=True)
                pages = pdf_pages(pdf)
                stats = [k for k, t in enumerate(pages) if "기간별 합계 금액" in t]
                self.assertEqual(len(stats), 2 if name == "years" else 1)
                for k in stats:
                    self.assertIn("연합계", squeezed(pages[k]))
                    self.assertNotIn("기간별 합계 금액", "".join(pages[k + 1:k + 2]) if k + 1 not in stats else "")
                for number, text in enumerate(pages, 1):
                    self.assertIn("-%d/%d-" % (number, len(pages)), squeezed(text), "page %d" % number)
                # Gnumeric reads the print titles (_xlnm.Print_Titles) as an
                # ordinary name and never as rows to repeat, so only the
                # first page carries the heading rows there: a gap of
                # Gnumeric's, told in the help.
                for head in ("날짜", "거래내용", "⑦비고"):
                    self.assertIn(head, pages[0])
                if name == "years":
                    self.assertIn("2023년", pages[stats[0]])
                    self.assertIn("2024년", pages[stats[1]])


if __name__ == "__main__":
    unittest.main()
