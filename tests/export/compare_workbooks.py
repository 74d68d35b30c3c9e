#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Compares two workbooks cell by cell: values, types, number formats, fonts,
fills, borders, alignment, merges, widths, heights, print settings.
usage: compare_workbooks.py A.xlsx B.xlsx  (exit 0 when equal, else 1 with
the first differences on stderr)"""
import sys

import openpyxl
from openpyxl.worksheet.merge import MergedCellRange
from openpyxl.worksheet.worksheet import Worksheet

# Every cell as stored in the file, not as openpyxl fills in merged ranges.
Worksheet._clean_merge_range = lambda self, mcr: None
MergedCellRange._get_borders = lambda self: None


def side(s):
    return None if s is None or s.style is None else (s.style, s.color.rgb if s.color is not None else None)


def cell_key(c):
    f, a, b = c.font, c.alignment, c.border
    return (c.value, c.data_type, c.number_format, f.name, f.sz, f.b, f.color.rgb if f.color else None,
            c.fill.fill_type, c.fill.fgColor.rgb if c.fill.fill_type else None,
            a.horizontal, a.vertical, a.wrap_text, a.shrink_to_fit,
            side(b.left), side(b.right), side(b.top), side(b.bottom))


def sheet_key(ws):
    widths = {k: (d.width, d.min, d.max) for k, d in ws.column_dimensions.items()}
    heights = {k: d.height for k, d in ws.row_dimensions.items() if d.height is not None}
    m = ws.page_margins
    return (ws.title, ws.sheet_state, sorted(str(r) for r in ws.merged_cells.ranges), widths, heights,
            ws.sheet_format.defaultRowHeight, str(ws.print_title_rows), str(ws.print_area),
            ws.page_setup.paperSize, ws.page_setup.orientation, (m.left, m.right, m.top, m.bottom),
            ws.max_row, ws.max_column)


def main():
    a, b = (openpyxl.load_workbook(p) for p in sys.argv[1:3])
    problems = []
    if a.sheetnames != b.sheetnames:
        problems.append(f"sheets {a.sheetnames} != {b.sheetnames}")
    for name in a.sheetnames:
        if name not in b.sheetnames:
            continue
        x, y = a[name], b[name]
        if sheet_key(x) != sheet_key(y):
            problems.append(f"{name}: {sheet_key(x)} != {sheet_key(y)}")
        for row in range(1, max(x.max_row, y.max_row) + 2):
            for col in range(1, max(x.max_column, y.max_column) + 2):
                kx, ky = cell_key(x.cell(row, col)), cell_key(y.cell(row, col))
                if kx != ky:
                    problems.append(f"{name}!{x.cell(row, col).coordinate}: {kx} != {ky}")
    if a.active.title != b.active.title:
        problems.append("active sheet differs")
    for p in problems[:20]:
        print(p, file=sys.stderr)
    sys.exit(1 if problems else 0)


main()
