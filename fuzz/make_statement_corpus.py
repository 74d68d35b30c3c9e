#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpora of the statement readers' fuzz targets into
fuzz/corpus/fuzz_xlsx/, fuzz_xls/ and fuzz_html/: the small files
LibreOffice and Gnumeric made for the readers' tests, and a few inputs
written here for the forms those programs do not make. Deterministic."""
import io
import os
import shutil
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus")
MADE = os.path.join(HERE, "..", "tests", "statement", "data", "made")
XLS = os.path.join(HERE, "..", "tests", "statement", "data", "xls")
MAIN = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
REL = 'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
RELTYPE = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"

WORKBOOK = ('<workbook %s %s><workbookPr date1904="%s"/><sheets><sheet name="카드" sheetId="1" r:id="r1"/>'
            '<sheet name="차트" sheetId="2" r:id="r9"/></sheets></workbook>')
RELS = ('<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="r1" Type="%sworksheet" Target="worksheets/sheet1.xml"/>'
        '<Relationship Id="r9" Type="%schartsheet" Target="chartsheets/sheet1.xml"/>'
        '<Relationship Id="r2" Type="%ssharedStrings" Target="sharedStrings.xml"/>'
        '<Relationship Id="r3" Type="%sstyles" Target="/xl/styles.xml"/></Relationships>') % ((RELTYPE,) * 4)
SHEET = ('<worksheet %s><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c><c r="C1" t="s"><v>1</v></c></row>'
         '<row r="2"><c r="A2" s="1"><v>45356</v></c><c r="B2" t="inlineStr"><is><t>주유_x000D_소</t></is></c>'
         '<c r="C2" s="2"><v>1234000</v></c><c t="b"><v>1</v></c><c t="e"><v>#N/A</v></c>'
         '<c t="str"><f>A1</f><v>식</v></c><c t="d"><v>2024-03-05T14:22:11</v></c></row>'
         '<row><c r="A4" s="3"><v>45356.5</v></c></row></sheetData>'
         '<mergeCells><mergeCell ref="A1:B1"/><mergeCell ref="C1:C3"/></mergeCells></worksheet>') % MAIN
SST = ('<sst %s><si><t>이용일</t></si><si><r><t>금</t></r><r><t>액</t></r><rPh><t>キン</t></rPh></si></sst>') % MAIN
STYLES = ('<styleSheet %s><numFmts><numFmt numFmtId="164" formatCode="yyyy&quot;년&quot;\\ m&quot;월&quot;"/>'
          '<numFmt numFmtId="165" formatCode="[Red]#,##0;\\(#,##0\\)"/></numFmts>'
          '<cellXfs><xf numFmtId="0"/><xf numFmtId="14"/><xf numFmtId="165"/><xf numFmtId="164"/></cellXfs>'
          '</styleSheet>') % MAIN
LAUGHS = ('<?xml version="1.0"?><!DOCTYPE s [<!ENTITY a "aaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;&a;">]>'
          '<sst %s><si><t>&b;</t></si></sst>') % MAIN


def parts(*texts):
    return "\n=====\n".join(texts).encode("utf-8")


def minimal_zip():
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in (("xl/workbook.xml", WORKBOOK % (MAIN, REL, "0")), ("xl/_rels/workbook.xml.rels", RELS),
                           ("xl/worksheets/sheet1.xml", SHEET), ("xl/sharedStrings.xml", SST),
                           ("xl/styles.xml", STYLES)):
            info = zipfile.ZipInfo(name, date_time=(2024, 3, 5, 0, 0, 0))
            z.writestr(info, text.encode("utf-8"), zipfile.ZIP_DEFLATED)
    return out.getvalue()


HTML = {
    "euc_kr": b'<html><head><meta http-equiv="Content-Type" content="text/html; charset=euc-kr"></head><body>'
              + "<table><tr><th>거래일시</th><th>적요</th><th>출금</th><th>입금</th></tr>"
                "<tr><td>2024.03.05 14:22</td><td>똠양꿍</td><td>5,000</td><td></td></tr></table>".encode("cp949"),
    "spans": "<table><caption>내역</caption><tr><th rowspan=2>일자<th colspan=2>금액<tr><th>입금<th>출금"
             "<tr><td>3/5<td>&nbsp;<td>5,000<br>원</table>".encode("utf-8"),
    "nested": "<table><tr><td>조회<table><tr><td>a<td>b</table></td><td>끝</td></tr></table>"
              "<script>x='<table>'</script><table><tr><td>둘</td></tr></table>".encode("utf-8"),
}


def write(target, name, data):
    folder = os.path.join(OUT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    write("fuzz_xlsx", "parts_basic", parts(WORKBOOK % (MAIN, REL, "0"), RELS, SHEET, SST, STYLES))
    write("fuzz_xlsx", "parts_1904", parts(WORKBOOK % (MAIN, REL, "1"), RELS, SHEET, SST, STYLES))
    write("fuzz_xlsx", "parts_entities", parts(WORKBOOK % (MAIN, REL, "0"), RELS, SHEET, LAUGHS, STYLES))
    write("fuzz_xlsx", "zip_minimal", minimal_zip())
    for target, files in (("fuzz_xlsx", ["lo-tables.xlsx", "gnumeric-tables1904.xlsx"]),
                          ("fuzz_xls", ["lo-tables.xls", "lo-tables1904.xls", "gnumeric-tables.xls",
                                        "lo-tables-encrypted.xlsx", "lo-tables-encrypted.xls"]),
                          ("fuzz_html", ["lo-tables.html", "gnumeric-tables.html"])):
        for f in files:
            os.makedirs(os.path.join(OUT, target), exist_ok=True)
            shutil.copyfile(os.path.join(MADE, f), os.path.join(OUT, target, f.replace(".", "_")))
    # Excel 5.0/95, and a BIFF8 file with rich text, CONTINUE records and a
    # chart sheet (written by tests/statement/make_xls.py).
    for f in ("biff5-cp949.xls", "biff8-odd.xls"):
        shutil.copyfile(os.path.join(XLS, f), os.path.join(OUT, "fuzz_xls", f.replace(".", "_")))
    for name, data in HTML.items():
        write("fuzz_html", name, data)


if __name__ == "__main__":
    main()
