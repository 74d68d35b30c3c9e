#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes a ledger file of N entries in date order (the kind a year of a busy
shop gives), for the whole-process figures of benchmarks/cli_figures.sh.
usage: make_ledger.py N OUT.Aut [--unsorted]"""
import random
import struct
import sys


def text(cap, data):
    return bytes([len(data)]) + data.ljust(cap, b"\0")


def main():
    n = int(sys.argv[1])
    out = sys.argv[2]
    rnd = random.Random(n)
    names = [s.encode("cp949") for s in ("커피 원두", "매출", "임대료", "전기요금", "비품 구입", "택배비")]
    shops = [s.encode("cp949") for s in ("(주)한빛상회", "김씨네", "한국전력공사", "", "우체국")]
    etcs = [s.encode("cp949") for s in ("카드", "세계", "영수증", "현금")]
    templates = []
    for k in range(64):
        templates.append((text(45, names[k % len(names)]), text(35, shops[k % len(shops)]),
                          text(15, etcs[k % len(etcs)])))
    days = sorted(rnd.randrange(366) for _ in range(n))
    with open(out, "wb") as f:
        buf = []
        for i in range(n):
            d = days[i]
            month, day = min(12, d // 31 + 1), d % 28 + 1
            iday = b"2024.%02d.%02d" % (month, day)
            j, s, e = templates[i % 64]
            won = rnd.randrange(1, 10 ** 7)
            amount = won * 10000
            pair = i % 3
            amounts = [0] * 6
            amounts[2 * pair] = amount
            amounts[2 * pair + 1] = won // 10 * 10000
            buf.append(text(10, iday) + j + s + b"\0\0\0" + struct.pack("<6q", *amounts) + e + b"\x01N\0\0"
                       + struct.pack("<i", 0))
            if len(buf) >= 65536:
                f.write(b"".join(buf))
                buf.clear()
        f.write(b"".join(buf))


main()
