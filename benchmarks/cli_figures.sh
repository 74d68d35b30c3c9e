#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Whole-process figures of quillbook-cli, each beside its target: totals
# against `cat FILE > /dev/null` on the same generated file, the check of a
# large damaged file, the export refusal of a ledger too big for one sheet,
# and the export against LibreOffice converting the same rows from CSV.
# Peak memory is the maximum resident size reported by /usr/bin/time.
# usage: cli_figures.sh [path/to/quillbook-cli]   (run by scripts/bench.sh)
set -e
CLI=${1:-build-bench/bin/quillbook-cli}
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d "${TMPDIR:-/tmp}/quillbook-figures-XXXXXX")
trap 'rm -rf "$WORK"' EXIT

# seconds and peak KB of one run: "S KB" (the clock in nanoseconds, as
# /usr/bin/time gives only hundredths)
measure() {
    start=$(date +%s%N)
    /usr/bin/time -f "%M" -o "$WORK/time" "$@" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    echo "$(awk "BEGIN { printf \"%.3f\", ($end - $start) / 1e9 }") $(tail -n 1 "$WORK/time")"
}
# the best of three runs, in seconds
best() {
    b=""
    for _ in 1 2 3; do
        s=$(measure "$@" | cut -d' ' -f1)
        if [ -z "$b" ] || awk "BEGIN { exit !($s < $b) }"; then b=$s; fi
    done
    echo "$b"
}
peak_mb() { measure "$@" | awk '{printf "%.1f", $2 / 1024}'; }
ratio() { awk "BEGIN { printf \"%.1f\", $1 / $2 }"; }

echo "== quillbook-cli figures ($CLI)"
/usr/bin/python3 "$HERE/make_ledger.py" 1000000 "$WORK/1m.Aut"
cat "$WORK/1m.Aut" >/dev/null
c=$(best cat "$WORK/1m.Aut")
t=$(best "$CLI" totals "$WORK/1m.Aut")
f=$(best "$CLI" totals "$WORK/1m.Aut" --year 2024 --month 03 --category 비용)
echo "totals, 1,000,000 entries:        ${t} s = $(ratio "$t" "$c") x cat (${c} s)   target <= 4 x cat"
echo "totals with a month filter:       ${f} s = $(ratio "$f" "$c") x cat             target <= 4 x cat"
echo "totals, 1,000,000, peak memory:   $(peak_mb "$CLI" totals "$WORK/1m.Aut") MB                 target <= 30 MB"

for _ in 1 2 3 4 5 6 7 8 9 10; do cat "$WORK/1m.Aut"; done > "$WORK/10m.Aut"
rm "$WORK/1m.Aut"
cat "$WORK/10m.Aut" >/dev/null
c=$(best cat "$WORK/10m.Aut")
t=$(best "$CLI" totals "$WORK/10m.Aut")
echo "totals, 10,000,000 entries:       ${t} s = $(ratio "$t" "$c") x cat (${c} s)   target <= 4 x cat"
echo "totals, 10,000,000, peak memory:  $(peak_mb "$CLI" totals "$WORK/10m.Aut") MB                 target <= 30 MB"
e=$(best "$CLI" export "$WORK/10m.Aut" "$WORK/never.xlsx")
echo "export refusal, 10,000,000:       ${e} s, $(peak_mb "$CLI" export "$WORK/10m.Aut" "$WORK/never.xlsx") MB      target < 1 s"
rm "$WORK/10m.Aut"

# 2,000,000 damaged records: bad dates, two categories, bytes that are no CP949
/usr/bin/python3 - "$WORK/damaged.Aut" <<'PY'
import struct, sys
def text(cap, data, n=None):
    return bytes([len(data) if n is None else n]) + data.ljust(cap, b"\0")[:cap]
rec = (text(10, b"2023.02.29") + text(45, b"\x80\x80", 90) + text(35, b"") + b"\0" * 3
       + struct.pack("<6q", 10000, 0, 10000, 0, 0, 0) + text(15, b"") + text(1, b"N") + b"\0\0" + struct.pack("<i", 0))
block = rec * 10000
with open(sys.argv[1], "wb") as f:
    for _ in range(200):
        f.write(block)
PY
s=$(measure "$CLI" check "$WORK/damaged.Aut")
echo "check, 2,000,000 damaged records: $(echo "$s" | cut -d' ' -f1) s, $(echo "$s" | awk '{printf "%.1f", $2 / 1024}') MB                 target <= 30 MB"
rm "$WORK/damaged.Aut"

/usr/bin/python3 "$HERE/make_ledger.py" 100000 "$WORK/100k.Aut"
x=$(best "$CLI" export "$WORK/100k.Aut" "$WORK/100k.xlsx")
echo "export, 100,000 entries:          ${x} s, $(peak_mb "$CLI" export "$WORK/100k.Aut" "$WORK/100k.xlsx") MB     target <= 60 MB"
if command -v soffice >/dev/null 2>&1; then
    "$CLI" dump "$WORK/100k.Aut" | awk -F'\t' 'BEGIN { OFS = "," }
        { print substr($1, 6, 2), substr($1, 9, 2), $2, $3, $4, $5, $6, $7, $8, $9, $10 }' > "$WORK/100k.csv"
    set -- soffice "-env:UserInstallation=file://$WORK/lo" --headless --convert-to xlsx --outdir "$WORK/lo-out" \
        "$WORK/100k.csv"
    "$@" >/dev/null 2>&1 || true  # the first start sets up the profile
    l=$(best "$@")
    echo "LibreOffice CSV to xlsx, 100,000: ${l} s: the export is $(awk "BEGIN { printf \"%.1f\", $l / $x }") x faster   target >= 8 x"
else
    echo "LibreOffice CSV to xlsx: soffice not installed, skipped"
fi
/usr/bin/python3 "$HERE/make_ledger.py" 20000 "$WORK/20k.Aut"
p=$(best "$CLI" print "$WORK/20k.Aut" --year 2024 -o "$WORK/20k.pdf")
x=$(best "$CLI" export "$WORK/20k.Aut" "$WORK/20k.xlsx" --year 2024)
echo "print to PDF, a 20,000-entry year: ${p} s ($(pdfinfo "$WORK/20k.pdf" 2>/dev/null | awk '/^Pages:/ { print $2 }') pages), the workbook ${x} s   target < 5 s"
/usr/bin/python3 "$HERE/make_ledger.py" 1048572 "$WORK/full.Aut"
s=$(measure "$CLI" export "$WORK/full.Aut" "$WORK/full.xlsx")
echo "export, 1,048,572 entries (a full sheet): $(echo "$s" | cut -d' ' -f1) s, $(echo "$s" | awk '{printf "%.1f", $2 / 1024}') MB   target <= 60 MB"
