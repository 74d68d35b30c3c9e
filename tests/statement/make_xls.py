#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the legacy xls files of the reader tests whose forms LibreOffice
and Gnumeric do not write: an Excel 5.0/95 (BIFF5) workbook in the Korean
code page, and a BIFF8 workbook whose stream is named "WORKBOOK", whose SST
count is wrong, whose strings carry formatting runs and go on in CONTINUE
records, with an empty text formula and a chart sheet. Each is a card list
of three rows, as LibreOffice and Gnumeric read them too. data/xls/ holds
what this wrote.

  make_xls.py OUTDIR
"""
import os
import struct
import sys

END, FREE, FATSECT = 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD


def compound(stream_name, stream):
    """An OLE2 compound file of 512-byte sectors holding one stream."""
    stream = stream + b"\0" * max(0, 4096 - len(stream))   # above the mini-stream cutoff
    sectors = (len(stream) + 511) // 512
    assert sectors <= 126
    fat = [FATSECT, END] + [i + 3 for i in range(sectors - 1)] + [END]
    fat += [FREE] * (128 - len(fat))
    header = bytearray(512)
    header[0:8] = b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"
    struct.pack_into("<HHHHH", header, 0x18, 0x3E, 3, 0xFFFE, 9, 6)
    struct.pack_into("<IIIIIIII", header, 0x28, 0, 1, 1, 0, 4096, END, 0, END)
    struct.pack_into("<I", header, 0x48, 0)
    struct.pack_into("<109I", header, 0x4C, 0, *([FREE] * 108))

    def entry(name, kind, child, start, size):
        e = bytearray(128)
        raw = name.encode("utf-16-le")
        e[0:len(raw)] = raw
        struct.pack_into("<HBB", e, 0x40, len(raw) + 2, kind, 1)
        struct.pack_into("<III", e, 0x44, FREE, FREE, child)
        struct.pack_into("<II", e, 0x74, start, size)
        return bytes(e)

    empty = bytearray(128)
    struct.pack_into("<III", empty, 0x44, FREE, FREE, FREE)
    directory = entry("Root Entry", 5, 1, END, 0) + entry(stream_name, 2, FREE, 2, len(stream)) + bytes(empty) * 2
    body = struct.pack("<128I", *fat) + directory + stream
    return bytes(header) + body + b"\0" * (-len(body) % 512)


def rec(kind, data=b""):
    return struct.pack("<HH", kind, len(data)) + data


def bof(biff8, kind):
    if biff8:
        return rec(0x0809, struct.pack("<HHHHII", 0x0600, kind, 0x0DBB, 0x07CC, 0, 6))
    return rec(0x0809, struct.pack("<HHHH", 0x0500, kind, 0x0DBB, 0x07CC))


def wide(text):
    """An XLUnicodeString with a 16-bit count."""
    raw = text.encode("utf-16-le")
    return struct.pack("<HB", len(raw) // 2, 1) + raw


def cp949(text):
    raw = text.encode("cp949")
    return struct.pack("<H", len(raw)) + raw


def number(row, col, xf, value):
    return rec(0x0203, struct.pack("<HHHd", row, col, xf, value))


def rk(row, col, xf, value):
    return rec(0x027E, struct.pack("<HHHI", row, col, xf, (value << 2) | 2))


def formula_text(row, col, xf, biff8):
    # A formula cell whose cached value is text, here the empty text.
    value = struct.pack("<BBBBBBH", 0, 0, 0, 0, 0, 0, 0xFFFF)
    expression = struct.pack("<HBBB", 3, 0x17, 0, 0) if biff8 else struct.pack("<HBB", 2, 0x17, 0)
    body = struct.pack("<HHH", row, col, xf) + value + struct.pack("<HI", 0, 0) + expression
    string = struct.pack("<HB", 0, 0) if biff8 else struct.pack("<H", 0)
    return rec(0x0006, body) + rec(0x0207, string)


def formula_number(row, col, xf, value):
    body = struct.pack("<HHHd", row, col, xf, value) + struct.pack("<HI", 0, 0) + struct.pack("<HBH", 3, 0x1E, int(value))
    return rec(0x0006, body)


def xfs(biff8):
    # 16 style records, then a general cell style (16) and a date one (17).
    size = 20 if biff8 else 16
    out = b""
    for i in range(18):
        fmt = 14 if i == 17 else 0
        flags = 0xFFF5 if i < 16 else 0x0001
        out += rec(0x00E0, struct.pack("<HHH", 0, fmt, flags) + b"\0" * (size - 6))
    return out


def workbook(biff8, sheets, globals_extra=b""):
    """sheets: (name, kind, records) with kind 0 a worksheet, 2 a chart."""
    head = bof(biff8, 5) + rec(0x0042, struct.pack("<H", 1200 if biff8 else 949)) + rec(0x0022, struct.pack("<H", 0))
    # A Korean Excel 95 names the Hangul character set in its fonts too.
    font = rec(0x0031, struct.pack("<HHHHHBBBB", 200, 0, 0x7FFF, 400, 0, 0, 0, 0 if biff8 else 129, 0) +
               (struct.pack("<BB", 5, 1) + "Arial".encode("utf-16-le") if biff8 else struct.pack("<B", 5) + b"Arial"))
    head += font * 5 + xfs(biff8)

    def boundsheet(offset, name, kind):
        if biff8:
            raw = name.encode("utf-16-le")
            return rec(0x0085, struct.pack("<IBBBB", offset, 0, kind, len(raw) // 2, 1) + raw)
        raw = name.encode("cp949")
        return rec(0x0085, struct.pack("<IBBB", offset, 0, kind, len(raw)) + raw)

    tail = globals_extra + rec(0x000A)
    size = len(head) + sum(len(boundsheet(0, name, kind)) for name, kind, _ in sheets) + len(tail)
    bodies, offsets = b"", []
    for name, kind, records in sheets:
        offsets.append(size + len(bodies))
        bodies += bof(biff8, 0x20 if kind == 2 else 0x10) + records + rec(0x000A)
    sheet_records = b"".join(boundsheet(o, name, kind) for o, (name, kind, _) in zip(offsets, sheets))
    return head + sheet_records + tail + bodies


def sst(strings, claimed):
    """The SST with its CONTINUE records. strings: (text, runs) where runs
    is a list of (character, font); a string given as a list of parts is
    split there into the next CONTINUE record (each part with its own flags
    byte)."""
    records, current = [], struct.pack("<II", claimed, claimed)
    for text, runs in strings:
        parts = text if isinstance(text, list) else [text]
        count = sum(len(p) for p in parts)
        flags = 1 | (0x08 if runs else 0)
        current += struct.pack("<HB", count, flags) + (struct.pack("<H", len(runs)) if runs else b"")
        for i, part in enumerate(parts):
            if i > 0:
                records.append(current)
                current = struct.pack("<B", 1)
            current += part.encode("utf-16-le")
        current += b"".join(struct.pack("<HH", c, f) for c, f in runs)
    records.append(current)
    return rec(0x00FC, records[0]) + b"".join(rec(0x003C, r) for r in records[1:])


def card_list_biff8():
    strings = [
        ("2024년 카드 이용내역", []),
        ("승인일자", []), ("가맹점명", []), ("합계", []), ("비고", []),
        ("서울주유소", [(0, 1), (2, 2)]),        # formatting runs
        (["대한", "문구"], []),                  # goes on in a CONTINUE record
        ("승인취소", [(0, 3), (2, 4)]),          # "승인" and "취소" in two runs
    ]
    def label(row, col, index):
        return rec(0x00FD, struct.pack("<HHHI", row, col, 16, index))
    cells = (label(0, 0, 0) + label(1, 0, 1) + label(1, 1, 2) + label(1, 2, 3) + label(1, 3, 4) +
             number(2, 0, 17, 45356) + label(2, 1, 5) + rk(2, 2, 16, 55000) +
             rk(3, 0, 17, 45357) + label(3, 1, 6) + number(3, 2, 16, 11000) + label(3, 3, 7) +
             number(4, 0, 17, 45358) + rec(0x0204, struct.pack("<HHH", 4, 1, 16) + wide("맛나식당")) +
             formula_number(4, 2, 16, 33000) + formula_text(4, 3, 16, True))
    # The count claims more strings than there are.
    book = workbook(True, [("카드내역", 0, cells), ("차트", 2, b"")], sst(strings, 50))
    return compound("WORKBOOK", book)


def card_list_biff5():
    def label(row, col, text):
        return rec(0x0204, struct.pack("<HHH", row, col, 16) + cp949(text))
    cells = (label(0, 0, "2024년 카드 이용내역") + label(1, 0, "승인일자") + label(1, 1, "가맹점명") +
             label(1, 2, "합계") + label(1, 3, "비고") +
             number(2, 0, 17, 45356) + label(2, 1, "서울주유소") + rk(2, 2, 16, 55000) +
             rk(3, 0, 17, 45357) + label(3, 1, "대한문구") + number(3, 2, 16, 11000) + label(3, 3, "승인취소") +
             number(4, 0, 17, 45358) + label(4, 1, "맛나식당") + formula_number(4, 2, 16, 33000) +
             formula_text(4, 3, 16, False))
    return compound("Book", workbook(False, [("카드내역", 0, cells)]))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, data in (("biff8-odd.xls", card_list_biff8()), ("biff5-cp949.xls", card_list_biff5())):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
