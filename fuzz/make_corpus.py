#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

Every seed is a small valid input (a few records, a short configuration,
a few dump lines), so the fuzzer starts past the headers and record
boundaries instead of having to find them. Deterministic: running it again
gives the same files."""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus")

# Rows: date, description, counterparty, six amounts in ten-thousandths of a
# won (as the file stores them), remark, tag, CTG.
W = 10000
ROWS = [
    ("2024.01.05", "매출 입금", "서울상회", (150000 * W, 15000 * W, 0, 0, 0, 0), "세금계산서", "", 0),
    ("2024.01.31", "사무용품", "문구나라", (0, 0, 32000 * W, 3200 * W, 0, 0), "카드", "", 0),
    ("2024.02.15", "노트북 구입", "전자마트", (0, 0, 0, 0, 1200000 * W, 120000 * W), "세금계산서", "", 0),
    ("2024.02.29", "임대료", "김건물", (0, 0, 500000 * W, 0, 0, 0), "", "", 0),
    ("2024.03.10", "소매 매출", "", (875005000, 0, 0, 0, 0, 0), "현금영수증", "", 0),
    ("2024.12.31", "연말 정산", "세무사무소", (0, 0, 110000 * W, 11000 * W, 0, 0), "", "", 0),
    ("", "날짜 없음", "", (1000 * W, 0, 0, 0, 0, 0), "", "", 0),
    ("2023.00.00", "월 없음", "거래처", (0, 0, 2500 * W, 250 * W, 0, 0), "", "A", 7),
    ("2025.07.31", "환불", "고객", (-50000 * W, -5000 * W, 0, 0, 0, 0), "", "", -1),
    ("2024.06.15", "큰 금액", "은행", (9223372036854775807, 0, 0, 0, 0, 0), "", "", 2147483647),
]


def cp949(text):
    return text.encode("cp949")


def slot(text, capacity):
    b = cp949(text)[:capacity]
    return bytes([len(b)]) + b + bytes(capacity - len(b))


def aut_record(row):
    day, desc, party, amounts, remark, tag, ctg = row
    rec = bytearray(168)
    rec[0:11] = slot(day, 10)
    rec[11:57] = slot(desc, 45)
    rec[57:93] = slot(party, 35)
    for i, a in enumerate(amounts):
        rec[96 + 8 * i:104 + 8 * i] = struct.pack("<q", a)
    rec[144:160] = slot(remark, 15)
    rec[160:162] = slot(tag, 1)
    rec[164:168] = struct.pack("<i", ctg)
    return bytes(rec)


def snapshot(rows):
    head = ("QUILLBOOK TABLE 1\n"
            "IDAY JKYU SANGHO INMNY INVAT OTMNY OTVAT JSMNY JSVAT ETC TAG CTG\n"
            "ROWS %d\n" % len(rows)).encode()
    body = b""
    for day, desc, party, amounts, remark, tag, ctg in rows:
        body += slot(day, 10) + slot(desc, 45) + slot(party, 35)
        body += b"".join(struct.pack("<d", a / W) for a in amounts)
        body += slot(remark, 15) + slot(tag, 1) + struct.pack("<I", ctg & 0xFFFFFFFF)
    return head + body


def plain(tenths):
    sign = "-" if tenths < 0 else ""
    whole, frac = divmod(abs(tenths), 10000)
    return sign + str(whole) + ("." + ("%04d" % frac).rstrip("0") if frac else "")


def dump_line(row):
    day, desc, party, amounts, remark, tag, ctg = row
    cols = [day, desc, party] + [plain(a) for a in amounts] + [remark, tag, str(ctg)]
    return "\t".join(cols)


def write(target, name, data):
    folder = os.path.join(OUT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    # Ledger files: one record, a few, all of them, one with a cut last
    # record and one with a damaged length byte.
    write("fuzz_ledger_file", "one.Aut", aut_record(ROWS[0]))
    write("fuzz_ledger_file", "three.Aut", b"".join(aut_record(r) for r in ROWS[:3]))
    write("fuzz_ledger_file", "all.Aut", b"".join(aut_record(r) for r in ROWS))
    write("fuzz_ledger_file", "cut.Aut", b"".join(aut_record(r) for r in ROWS[3:6]) + aut_record(ROWS[6])[:100])
    damaged = bytearray(b"".join(aut_record(r) for r in ROWS[6:]))
    damaged[11] = 200  # description length beyond its slot
    damaged[168] = 11  # date length beyond its slot
    write("fuzz_ledger_file", "damaged.Aut", bytes(damaged))

    write("fuzz_snapshot", "empty.cds", snapshot([]))
    write("fuzz_snapshot", "one.cds", snapshot(ROWS[:1]))
    write("fuzz_snapshot", "all.cds", snapshot(ROWS))

    # Configuration: section, key, value lines, then the file as found.
    main_section = "간편장부"
    work = "작업폴더"
    config = ("[%s]\r\nfTop=80\r\nfLft=$A0\r\nfHgt=0x2D0\r\nfWid=960\r\n\r\n[%s]\r\nwPath=/home/user/장부/\r\n"
              % (main_section, work))
    write("fuzz_config", "replace", cp949("%s\nfWid\n1024\n" % main_section) + cp949(config))
    write("fuzz_config", "new_key", cp949("%s\n과세유형\n간이과세자\n" % main_section) + cp949(config))
    write("fuzz_config", "new_section", cp949("보기\nzoom\n2\n") + cp949(config.replace("\r\n", "\n")))
    write("fuzz_config", "empty_file", cp949("%s\nwPath\n/tmp/일/\n" % work))
    write("fuzz_config", "comments",
          cp949("%s\nfTop\n 12 \n; 설정\n# comment\n[%s]\n  FTOP = \"5\"\nfTop=6\n[%s]\nx=1" % (main_section, main_section, work)))

    lines = [dump_line(r) for r in ROWS]
    write("fuzz_import_line", "all.tsv", ("\n".join(lines) + "\n").encode())
    write("fuzz_import_line", "one.tsv", (lines[0] + "\r\n").encode())
    write("fuzz_import_line", "escaped.tsv",
          "2024.05.01\t\\x81\\x41 깨진 글자\\t탭\t상호\t1.5\t0\t0\t0\t0\t0\t\\\\\t\t0\n".encode())
    write("fuzz_import_line", "extremes.tsv",
          "2024.01.01\t최대\t\t922337203685477.5807\t-922337203685477.5808\t0.0001\t-0.0001\t0\t0\t\t\t-2147483648\n".encode())

    write("fuzz_text", "hangul", cp949("간편장부 서울상회 1,234,567"))
    write("fuzz_text", "escaped", "\\x81\\x41\\t\\\\ 12345.6789".encode())
    write("fuzz_text", "amount", b"-922337203685477.5808")

    # Statements: the shipped profiles' test lists as they are (UTF-8), in
    # CP949 and UTF-16, and the forms of dates and amounts in one table.
    lists = os.path.join(HERE, "..", "tests", "core", "data", "statements")
    for name in sorted(os.listdir(lists)):
        with open(os.path.join(lists, name), encoding="utf-8") as f:
            text = f.read()
        stem = name.rsplit(".", 1)[0]
        write("fuzz_statement", stem + ".csv", text.encode())
        write("fuzz_statement", stem + "-cp949.csv", cp949(text))
    write("fuzz_statement", "utf16.tsv", "\ufeff날짜\t가맹점명\t금액\n2024.03.05\t서울\t1,000\n".encode("utf-16-le"))
    write("fuzz_statement", "values.csv", (
        "승인일자,가맹점명,합계,부가세,상태\n"
        "20240305,서울,\"(5,000)\",,승인취소\n24.03.05,\"줄\n바뀜\",1234000원,0,\n"
        "2024/03/05 14:22:11,₩,₩5,000,500,\n45356,😀,－５，０００,,\n합계,,1,,\n").encode())
    return 0


if __name__ == "__main__":
    sys.exit(main())
