# SPDX-License-Identifier: GPL-3.0-or-later
"""quillbook-cli: dump, import, totals and check on real and damaged files."""
import fcntl
import os
import random
import struct
import subprocess
import tempfile
import threading
import unittest

CLI = os.environ.get("QB_CLI", "../../build/bin/quillbook-cli")


def run(*args):
    p = subprocess.run([CLI, *args], capture_output=True)
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def text(slot_capacity, data, length=None):
    """A text slot: length byte, then the bytes padded to the capacity."""
    n = len(data) if length is None else length
    return bytes([n]) + data.ljust(slot_capacity, b"\0")[:slot_capacity]


def record(iday=b"2024.01.05", jkyu=b"", sangho=b"", amounts=(0, 0, 0, 0, 0, 0), etc=b"", tag=b"N", ctg=0,
           lengths=None):
    lengths = lengths or {}
    r = (text(10, iday, lengths.get("IDAY")) + text(45, jkyu, lengths.get("JKYU"))
         + text(35, sangho, lengths.get("SANGHO")) + b"\xEE" * 3
         + struct.pack("<6q", *amounts) + text(15, etc, lengths.get("ETC")) + text(1, tag, lengths.get("TAG"))
         + b"\xEE" * 2 + struct.pack("<i", ctg))
    assert len(r) == 168
    return r


def cp(s):
    return s.encode("cp949")


LINES = [
    "2024.03.15\t커피 원두\t(주)한빛상회\t0\t0\t5000\t500\t0\t0\t카드\tN\t0",
    "2023.12.31\t매출\t김\\t씨\\\\\t10000.5\t1000\t0\t0\t0\t0\t세계\tX\t-7",
    "2024.01.02\t비품\t\t0\t0\t0\t0\t-250.5\t0.0312\t영\t\t2147483647",
    "2024.01.02\t같은 날\t둘째\t1\t0\t0\t0\t0\t0\t\tN\t0",
    "    .  .  \t빈 날짜\t\t0\t0\t1\t0\t0\t0\t계\tN\t0",
]


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

    def imported(self, lines):
        src = self.write("in.tsv", ("\n".join(lines) + "\n").encode())
        code, out, err = run("import", src, self.path("out.Aut"))
        self.assertEqual(code, 0, err)
        return self.path("out.Aut")


class DumpImport(Base):
    def test_round_trip_gives_the_same_dump_in_date_order(self):
        aut = self.imported(LINES)
        self.assertEqual(os.path.getsize(aut), 168 * len(LINES))
        code, out, _ = run("dump", aut)
        self.assertEqual(code, 0)
        expected = sorted(LINES, key=lambda l: l.split("\t")[0].encode("cp949"))
        self.assertEqual(out.splitlines(), expected)
        # and once more through the written file
        again = self.write("again.tsv", out.encode())
        self.assertEqual(run("import", again, self.path("again.Aut"))[0], 0)
        self.assertEqual(run("dump", self.path("again.Aut"))[1], out)

    def test_dump_shows_stored_bytes_faithfully(self):
        rec = record(iday=b"2024.1", jkyu=b"a\tb\\c\x80" + cp("가"), sangho=b"x\0hidden",
                     amounts=(12340000, -2505000, 312, 0, -1, 9223372036854775807), etc=b"\r\n", tag=b"Z",
                     ctg=-2147483648, lengths={"TAG": 200})
        aut = self.write("raw.Aut", rec + b"\x01" * 100)
        code, out, _ = run("dump", aut)
        self.assertEqual(code, 0)
        self.assertEqual(out, "2024.1\ta\\tb\\\\c\\x80가\tx\t1234\t-250.5\t0.0312\t0\t-0.0001\t"
                              "922337203685477.5807\t\\r\\n\tZ\t-2147483648\n")

    def test_full_width_texts_survive(self):
        jkyu = "가" * 22 + "a"          # 45 bytes
        sangho = "나" * 17 + "b"        # 35 bytes
        line = f"2024.05.05\t{jkyu}\t{sangho}\t0\t0\t1\t0\t0\t0\t{'다' * 7}e\tN\t0"
        aut = self.imported([line])
        self.assertEqual(run("dump", aut)[1], line + "\n")

    def test_bad_lines_stop_the_import_and_leave_the_output_alone(self):
        good = LINES[0]
        cases = {
            "wrong column count": "2024.01.01\tonly\tthree",
            "text too long": good.replace("커피 원두", "가" * 23),
            "not CP949": good.replace("커피 원두", "커피 😀"),
            "not a number": good.replace("\t5000\t", "\t12a\t"),
            "out of range": good.replace("\t5000\t", "\t922337203685477.5808\t"),
            "exponent": good.replace("\t5000\t", "\t1e3\t"),
            "bad ctg": good[: good.rfind("\t")] + "\t1.5",
            "bad escape": good.replace("커피 원두", "커피\\q"),
            "zero byte": good.replace("커피 원두", "a\\x00b"),
        }
        for reason, bad in cases.items():
            with self.subTest(reason):
                src = self.write("bad.tsv", (good + "\n" + bad + "\n").encode())
                out = self.path("never.Aut")
                code, _, err = run("import", src, out)
                self.assertEqual(code, 1)
                self.assertIn("line 2", err)
                self.assertFalse(os.path.exists(out))
                kept = self.write("kept.Aut", b"previous")
                self.assertEqual(run("import", src, kept)[0], 1)
                with open(kept, "rb") as f:
                    self.assertEqual(f.read(), b"previous")

    def test_empty_input_writes_an_empty_ledger(self):
        src = self.write("empty.tsv", b"")
        self.assertEqual(run("import", src, self.path("e.Aut"))[0], 0)
        self.assertEqual(os.path.getsize(self.path("e.Aut")), 0)

    def test_import_over_a_ledger_keeps_the_replaced_version(self):
        src = self.write("in.tsv", (LINES[0] + "\n").encode())
        target = self.write("가게장부.Aut", record() * 2)
        code, _, err = run("import", src, target)
        self.assertEqual(code, 0, err)
        backups = os.listdir(self.path("백업"))
        self.assertEqual(len(backups), 1)
        self.assertRegex(backups[0], r"^가게장부_\d{8}-\d{4}\.Aut$")
        with open(os.path.join(self.path("백업"), backups[0]), "rb") as f:
            self.assertEqual(f.read(), record() * 2)
        self.assertEqual(os.path.getsize(target), 168)
        # A backup that cannot be made is said, and the import still happens.
        other = self.write("other.Aut", record())
        os.rename(self.path("백업"), self.path("moved"))
        self.write("백업", b"a file in the way")
        code, _, err = run("import", src, other)
        self.assertEqual(code, 0, err)
        self.assertIn("백업", err)
        self.assertIn("no backup kept", err)

    def test_import_refuses_a_ledger_open_in_the_program(self):
        src = self.write("in.tsv", (LINES[0] + "\n").encode())
        target = self.write("open.Aut", record())
        with open(target, "rb") as held:
            fcntl.flock(held, fcntl.LOCK_EX | fcntl.LOCK_NB)
            code, _, err = run("import", src, target)
        self.assertEqual(code, 1)
        self.assertIn("다른 창에서 이미 열려 있는 파일입니다.", err)
        with open(target, "rb") as f:
            self.assertEqual(f.read(), record())
        self.assertFalse(os.path.exists(self.path("백업")))


def amount_line(amount, iday="2024.01.01"):
    return f"{iday}\tx\t\t{amount}\t0\t0\t0\t0\t0\t\tN\t0"


class ExactImport(Base):
    def test_decimal_texts_become_exact_ten_thousandths(self):
        cases = [
            ("12345678901234.5678", "12345678901234.5678"),
            ("900000000000000.0001", "900000000000000.0001"),
            ("922337203685477.5807", "922337203685477.5807"),
            ("-922337203685477.5808", "-922337203685477.5808"),
            ("0.00005", "0"), ("0.00015", "0.0002"), ("0.00025", "0.0002"), ("0.12345", "0.1234"),
            ("0.000250001", "0.0003"), ("-0.00015", "-0.0002"), ("-0.00005", "0"),
            ("0.99995", "1"), ("007.50", "7.5"), ("+3", "3"), ("-922337203685477.58085", "-922337203685477.5808"),
        ]
        for text, dumped in cases:
            with self.subTest(text):
                aut = self.imported([amount_line(text)])
                self.assertEqual(run("dump", aut)[1].split("\t")[3], dumped)

    def test_only_values_outside_the_64_bit_range_are_refused(self):
        for text in ("922337203685477.5808", "-922337203685477.5809", "922337203685477.58075",
                     "99999999999999999999"):
            with self.subTest(text):
                src = self.write("big.tsv", (amount_line(text) + "\n").encode())
                code, _, err = run("import", src, self.path("big.Aut"))
                self.assertEqual(code, 1)
                self.assertIn("line 1: INMNY", err)

    def test_dump_import_dump_is_identical_for_any_records(self):
        rnd = random.Random(6000)
        extremes = [-2 ** 63, 2 ** 63 - 1, 0, 1, -1, 9000000000000000001, 123456789012345678]
        recs = []
        for i in range(3000):
            amounts = [rnd.choice(extremes) if rnd.random() < 0.3 else rnd.randrange(-2 ** 63, 2 ** 63)
                       for _ in range(6)]
            rb = lambda n: bytes(rnd.getrandbits(8) for _ in range(n))
            recs.append(record(iday=rb(10), jkyu=rb(45), sangho=rb(35), amounts=amounts, etc=rb(15), tag=rb(1),
                               ctg=rnd.randrange(-2 ** 31, 2 ** 31),
                               lengths={k: rnd.randrange(256) for k in ("IDAY", "JKYU", "SANGHO", "ETC", "TAG")}))
        aut = self.write("random.Aut", b"".join(recs))
        code, first, err = run("dump", aut)
        self.assertEqual(code, 0, err)
        src = self.write("random.tsv", first.encode())
        code, _, err = run("import", src, self.path("back.Aut"))
        self.assertEqual(code, 0, err)
        code, second, _ = run("dump", self.path("back.Aut"))
        # import orders by date; the same lines must come back, none changed
        self.assertEqual(sorted(second.splitlines()), sorted(first.splitlines()))
        # and a file already in date order comes back line for line
        src2 = self.write("sorted.tsv", second.encode())
        self.assertEqual(run("import", src2, self.path("back2.Aut"))[0], 0)
        self.assertEqual(run("dump", self.path("back2.Aut"))[1], second)


class ImportTarget(Base):
    """import replaces an existing ledger the way the program's Save does."""

    def import_into(self, out):
        src = self.write("in.tsv", ("\n".join(LINES) + "\n").encode())
        state = self.path("state")
        env = dict(os.environ, XDG_STATE_HOME=state)
        p = subprocess.run([CLI, "import", src, out], capture_output=True, env=env)
        self.assertEqual(p.returncode, 0, p.stderr)
        # the old content's copy of an in-place write is gone again
        left = [n for _, _, names in os.walk(state) for n in names] if os.path.isdir(state) else []
        self.assertEqual(left, [])
        self.assertEqual(os.path.getsize(out), 168 * len(LINES))

    def test_a_second_hard_link_stays_the_same_file(self):
        out = self.write("out.Aut", b"old")
        os.link(out, self.path("second.Aut"))
        self.import_into(out)
        self.assertEqual(os.stat(out).st_nlink, 2)
        self.assertTrue(os.path.samefile(out, self.path("second.Aut")))

    @unittest.skipUnless(os.geteuid() == 0, "only the administrator may give a file to another user")
    def test_the_owner_and_permissions_of_the_file_stay(self):
        out = self.write("out.Aut", b"old")
        os.chown(out, 65534, 65534)
        os.chmod(out, 0o640)
        self.import_into(out)
        st = os.stat(out)
        self.assertEqual((st.st_uid, st.st_gid, st.st_mode & 0o7777), (65534, 65534, 0o640))

    @unittest.skipIf(os.geteuid() == 0, "folder permissions do not bind root")
    def test_a_folder_the_user_may_not_write_gets_the_file_written_in_place(self):
        os.mkdir(self.path("books"))
        out = os.path.join(self.path("books"), "out.Aut")
        with open(out, "wb") as f:
            f.write(b"old")
        os.chmod(self.path("books"), 0o555)
        try:
            self.import_into(out)
            self.assertEqual(sorted(os.listdir(self.path("books"))), ["out.Aut"])
        finally:
            os.chmod(self.path("books"), 0o755)


class HostileInput(Base):
    def test_a_byte_order_mark_is_accepted(self):
        src = self.write("bom.tsv", b"\xef\xbb\xbf" + (LINES[0] + "\r\n").encode())
        code, _, err = run("import", src, self.path("bom.Aut"))
        self.assertEqual(code, 0, err)
        self.assertEqual(run("dump", self.path("bom.Aut"))[1], LINES[0] + "\n")

    def test_an_overlong_line_is_refused_with_its_number_in_bounded_memory(self):
        long_line = LINES[1].replace("매출", "가" * 3000)
        src = self.write("long.tsv", (LINES[0] + "\n" + long_line + "\n").encode())
        code, _, err = run("import", src, self.path("long.Aut"))
        self.assertEqual(code, 1)
        self.assertIn("line 2: longer than", err)
        self.assertFalse(os.path.exists(self.path("long.Aut")))
        # an endless line: refused at once instead of read into memory
        p = subprocess.run([CLI, "import", "/dev/zero", self.path("zero.Aut")], capture_output=True, timeout=120)
        self.assertEqual(p.returncode, 1)
        self.assertIn("line 1: longer than", p.stderr.decode())

    def test_a_blank_line_inside_is_refused_but_a_last_one_is_not(self):
        src = self.write("blank.tsv", (LINES[0] + "\n\n" + LINES[1] + "\n").encode())
        code, _, err = run("import", src, self.path("b.Aut"))
        self.assertEqual(code, 1)
        self.assertIn("line 2:", err)
        src = self.write("last.tsv", (LINES[0] + "\n\n").encode())
        self.assertEqual(run("import", src, self.path("c.Aut"))[0], 0)
        self.assertEqual(os.path.getsize(self.path("c.Aut")), 168)

    def test_a_named_pipe_without_a_writer_is_refused_not_waited_on(self):
        fifo = self.path("fifo")
        os.mkfifo(fifo)
        p = subprocess.run([CLI, "import", fifo, self.path("p.Aut")], capture_output=True, timeout=120)
        self.assertEqual(p.returncode, 1)
        self.assertIn("no program writes", p.stderr.decode())
        self.assertFalse(os.path.exists(self.path("p.Aut")))

    def test_a_named_pipe_with_a_writer_is_read(self):
        fifo = self.path("fifo")
        os.mkfifo(fifo)
        proc = subprocess.Popen([CLI, "import", fifo, self.path("p.Aut")], stderr=subprocess.PIPE)

        def writer():
            with open(fifo, "wb") as f:  # waits for the reader's open
                for line in LINES:
                    f.write((line + "\n").encode())
                    f.flush()
        t = threading.Thread(target=writer)
        t.start()
        t.join(120)
        _, err = proc.communicate(timeout=120)
        self.assertEqual(proc.returncode, 0, err)
        self.assertEqual(os.path.getsize(self.path("p.Aut")), 168 * len(LINES))


class Totals(Base):
    def ledger(self):
        return self.imported([
            "2024.01.10\ta\t\t1234567\t123456\t0\t0\t0\t0\t\tN\t0",
            "2024.02.10\tb\t\t0\t0\t500\t50\t0\t0\t\tN\t0",
            "2024.02.11\tc\t\t0\t0\t-1500\t-150\t0\t0\t\tN\t0",
            "2023.02.11\told\t\t0\t0\t999\t99\t0\t0\t\tN\t0",
            "2024.02.30\tfeb30\t\t0\t0\t0\t0\t7\t0.5\t\tN\t0",
        ])

    def test_filters_as_the_filter_row(self):
        aut = self.ledger()
        cases = [
            ([], "count=5 INMNY=1234567 INVAT=123456 OTMNY=-1 OTVAT=-1 JSMNY=7 JSVAT=0.5"),
            # A period holds calendar dates only, as tax counts them: 2024.02.30 is in none.
            (["--year", "2024"], "count=3 INMNY=1234567 INVAT=123456 OTMNY=-1000 OTVAT=-100 JSMNY=0 JSVAT=0"),
            (["--year", "2024", "--month", "02"], "count=2 INMNY=0 INVAT=0 OTMNY=-1000 OTVAT=-100 JSMNY=0 JSVAT=0"),
            # The refund is an expense too: the category agrees with all rows.
            (["--year", "2024", "--month", "1년", "--category", "비용"],
             "count=2 INMNY=0 INVAT=0 OTMNY=-1000 OTVAT=-100 JSMNY=0 JSVAT=0"),
            # A month in one digit is the same month.
            (["--year", "2024", "--month", "2"], "count=2 INMNY=0 INVAT=0 OTMNY=-1000 OTVAT=-100 JSMNY=0 JSVAT=0"),
            (["--year", "2023", "--category", "전체"], "count=1 INMNY=0 INVAT=0 OTMNY=999 OTVAT=99 JSMNY=0 JSVAT=0"),
        ]
        for args, expected in cases:
            with self.subTest(args):
                code, out, err = run("totals", aut, *args)
                self.assertEqual(code, 0, err)
                self.assertEqual(out, expected + "\n")

    def test_labels_as_the_totals_bar_shows_them(self):
        code, out, _ = run("totals", self.ledger(), "--year", "2024", "--labels")
        self.assertEqual(code, 0)
        self.assertEqual(out.splitlines(), [
            "Bmxsm1\t    1,234,567 ", "Bmxsm2\t     123,456 ", "Bmxsm3\t       -1,000 ",
            "Bmxsm4\t        -100 ", "Bmxsm5\t            0 ", "Bmxsm6\t           0 ", "CntLbe\t    3건 "])

    def test_usage_errors(self):
        aut = self.ledger()
        for args in (["totals"], ["totals", aut, "--bogus"], ["totals", aut, "--year"],
                     ["totals", aut, "--year", "2024", "--category", "기타"], ["totals", aut, "--month", "02"],
                     # --year and --month are checked alike in every command.
                     ["totals", aut, "--year", "20 24"], ["totals", aut, "--year", "2024", "--month", "13"],
                     ["totals", aut, "--year", "2024", "--month", "002"], ["totals", aut, "--year", "2024", "--month", "0"],
                     ["totals", aut, "--year", "24x"], ["tax", aut, "--year", "20 24"],
                     ["export", aut, aut + ".xlsx", "--year", "2024", "--month", "1월"],
                     ["print", aut, "-o", aut + ".pdf", "--year", "2024", "--month", "13"],
                     ["dump"], ["dump", aut, aut], ["import", aut], ["check"], ["frobnicate"], []):
            with self.subTest(args):
                code, _, err = run(*args)
                self.assertEqual(code, 2)
                self.assertEqual(len(err.strip().splitlines()), 1)


class Check(Base):
    def test_clean_file(self):
        code, out, _ = run("check", self.imported([LINES[0]]))
        self.assertEqual(code, 0)
        self.assertIn("nothing found", out)

    def test_reports_each_problem(self):
        recs = [
            record(jkyu=b"ok", amounts=(0, 0, 100, 10, 0, 0)),
            record(jkyu=b"x", amounts=(0, 0, 100, 10, 0, 0), lengths={"JKYU": 90}),
            record(jkyu=b"\x80\x80", amounts=(0, 0, 100, 10, 0, 0)),
            record(iday=b"2023.02.29", amounts=(0, 0, 100, 10, 0, 0)),
            record(iday=b"24.1.5", amounts=(0, 0, 100, 10, 0, 0)),
            record(amounts=(100, 0, 100, 0, 0, 0)),
            record(amounts=(0, 0, 0, 0, 0, 0)),
        ]
        aut = self.write("damaged.Aut", b"".join(recs) + b"tail")
        code, out, _ = run("check", aut)
        self.assertEqual(code, 3)
        lines = out.splitlines()
        self.assertFalse(any(l.startswith("record 1:") for l in lines))
        for needle in ["record 2: JKYU: length byte 90 is above the capacity 45",
                       "record 3: JKYU: bytes that are not CP949",
                       "record 4: date is not a calendar date",
                       "record 5: date is not of the form yyyy.mm.dd",
                       "record 6: more than one category in use",
                       "record 7: all amounts are zero",
                       "tail: 4 bytes after record 7"]:
            self.assertTrue(any(l.startswith(needle) for l in lines), needle + "\n" + out)

    def test_a_device_or_pipe_is_no_ledger_file(self):
        fifo = self.path("fifo")
        os.mkfifo(fifo)
        for path in ("/dev/urandom", "/dev/null", fifo):
            with self.subTest(path):
                p = subprocess.run([CLI, "check", path], capture_output=True, timeout=120)
                self.assertEqual(p.returncode, 1)
                self.assertIn("not a ledger file", p.stderr.decode())
                self.assertEqual(p.stdout, b"")

    def test_a_large_damaged_file_shows_the_first_problems_and_counts_the_rest(self):
        recs = [record(iday=b"2024.13.01", amounts=(0, 0, 100, 10, 0, 0)), record(amounts=(1, 0, 1, 0, 0, 0))]
        aut = self.write("big.Aut", b"".join(recs) * 20000)
        for args, shown in (([], 100), (["--all"], 40000)):
            with self.subTest(args=args):
                code, out, _ = run("check", aut, *args)
                self.assertEqual(code, 3)
                lines = out.splitlines()
                problems = [l for l in lines if l.startswith("record ")]
                self.assertEqual(len(problems), shown)
                self.assertEqual(problems[-1], "record %d: more than one category in use (2 amount pairs)"
                                 % (shown,))
                self.assertTrue(problems[-2].startswith("record %d: date is not a calendar date" % (shown - 1)))
                if shown == 40000:
                    self.assertEqual(len(lines), 40000)
                else:
                    self.assertEqual(lines[100:], ["39900 more problems not shown (--all shows every one):",
                                                   "  date is not a calendar date: 19950",
                                                   "  more than one category in use: 19950"])

    def test_unreadable(self):
        self.assertEqual(run("check", self.path("missing.Aut"))[0], 1)
        self.assertEqual(run("check", self.dir.name)[0], 1)
        # The English line as before, and the program's Korean line under it.
        self.assertEqual(run("dump", self.path("missing.Aut"))[2].strip().splitlines(),
                         [f"quillbook-cli: {self.path('missing.Aut')}: File not found",
                          f"quillbook-cli: 파일을 찾을 수 없습니다. 이름과 폴더를 확인하세요: {self.path('missing.Aut')}"])


class FilesThatAreNotLedgers(Base):
    """Every command refuses what is no regular file, keeps going without
    locks, streams an import of any size and never reports a cut workbook."""

    def test_devices_and_pipes_are_refused_by_every_command(self):
        fifo = self.path("fifo")
        os.mkfifo(fifo)
        ledger = self.imported(LINES)
        tsv = self.write("in.tsv", ("\n".join(LINES) + "\n").encode())
        os.symlink("/dev/null", self.path("null.Aut"))
        cases = [(node, cmd) for node in ("/dev/null", fifo, self.path("null.Aut"))
                 for cmd in (["dump", node], ["totals", node], ["tax", node, "--year", "2024"], ["check", node],
                             ["export", node, self.path("o.xlsx")], ["import", tsv, node],
                             ["export", ledger, node])]
        cases.append(("workbook to the standard output's link", ["export", ledger, "/dev/stdout"]))
        for name, args in cases:
            with self.subTest(name=name, args=args):
                p = subprocess.run([CLI, *args], capture_output=True, timeout=60)
                self.assertEqual(p.returncode, 1, p.stderr)
                self.assertIn("a device or pipe, not a ledger file", p.stderr.decode())
        self.assertTrue(os.path.islink(self.path("null.Aut")))
        self.assertFalse(os.path.exists(self.path("o.xlsx")))
        import stat
        self.assertTrue(stat.S_ISCHR(os.stat("/dev/null").st_mode))
        self.assertTrue(stat.S_ISFIFO(os.stat(fifo).st_mode))
        # "-" streams the workbook into standard output, whatever it is
        p = subprocess.run([CLI, "export", ledger, "-"], capture_output=True, timeout=60)
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertEqual(p.stdout[:2], b"PK")

    def test_a_named_pipe_as_the_configuration_is_not_waited_on(self):
        fifo = self.path("quillcfg.ini")
        os.mkfifo(fifo)
        ledger = self.write("l.Aut", record(amounts=(1000, 100, 0, 0, 0, 0)))
        # Waited on, it would hang until the timeout.
        p = subprocess.run([CLI, "tax", ledger, "--year", "2024", "--config", fifo], capture_output=True,
                           timeout=30)
        self.assertIn(p.returncode, (0, 1), p.stderr)
        import stat
        self.assertTrue(stat.S_ISFIFO(os.stat(fifo).st_mode))

    def test_export_folders_left_by_a_kill_go_at_the_next_command(self):
        scratch = self.path("state/quillbook/Temp")
        os.makedirs(scratch)
        gone = os.path.join(scratch, "quillbook-export-2147483647-Ab12Cd")
        os.mkdir(gone)
        self.write("state/quillbook/Temp/quillbook-export-2147483647-Ab12Cd/workbook.xlsx", b"PK")
        running = os.path.join(scratch, "quillbook-export-%d-Xy34Zw" % os.getpid())
        os.mkdir(running)
        ledger = self.write("l.Aut", record(amounts=(1000, 100, 0, 0, 0, 0)))
        env = dict(os.environ, XDG_STATE_HOME=self.path("state"))
        p = subprocess.run([CLI, "export", ledger, "-"], capture_output=True, env=env, timeout=60)
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertEqual(p.stdout[:2], b"PK")
        self.assertEqual(sorted(os.listdir(scratch)), [os.path.basename(running)])

    def test_saves_go_on_where_the_file_system_keeps_no_locks(self):
        shim = os.environ.get("QB_FAILING_FLOCK")
        if not shim:
            self.skipTest("the failing flock is built with the tests")
        env = dict(os.environ, LD_PRELOAD=shim, XDG_STATE_HOME=self.path("state"))
        # In the sanitizer build the shim comes before AddressSanitizer's runtime.
        env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0"
        tsv = self.write("in.tsv", ("\n".join(LINES) + "\n").encode())
        out = self.path("books/out.Aut")
        os.mkdir(self.path("books"))
        for step in ("new", "replaced", "in place"):
            with self.subTest(step):
                if step == "in place":
                    os.link(out, self.path("books/link.Aut"))
                p = subprocess.run([CLI, "import", tsv, out], capture_output=True, env=env, timeout=60)
                self.assertEqual(p.returncode, 0, p.stderr)
                self.assertEqual(os.path.getsize(out), 168 * len(LINES))
                left = [n for _, _, names in os.walk(self.dir.name) for n in names
                        if n.startswith(".quillbook-") or n.startswith("quillbook-save-")]
                self.assertEqual(left, [])

    def test_an_import_larger_than_memory_holds_comes_out_in_date_order(self):
        # more records than one sorted run, dates out of order, equal dates in input order
        n = 140000
        lines = [f"2024.{(i * 7919) % 12 + 1:02d}.01\tno {i}\t\t{i}\t0\t0\t0\t0\t0\t\tN\t0" for i in range(n)]
        src = self.write("big.tsv", ("\n".join(lines) + "\n").encode())
        code, _, err = run("import", src, self.path("big.Aut"))
        self.assertEqual(code, 0, err)
        expected = sorted(lines, key=lambda l: l[:10])  # Python's sort is stable
        code, out, _ = run("dump", self.path("big.Aut"))
        self.assertEqual(out.splitlines(), expected)

    def test_a_workbook_cut_by_the_file_size_limit_is_no_success(self):
        import resource
        ledger = self.imported(LINES * 2000)

        def limit():
            resource.setrlimit(resource.RLIMIT_FSIZE, (20000, 20000))

        out = self.path("cut.xlsx")
        p = subprocess.run([CLI, "export", ledger, out], capture_output=True, preexec_fn=limit, timeout=120)
        self.assertEqual(p.returncode, 1, p.stderr)
        self.assertIn("File too large", p.stderr.decode())
        self.assertFalse(os.path.exists(out))
        self.assertEqual(sorted(os.listdir(self.dir.name)), ["in.tsv", "out.Aut"])


class OutputsThatMustNotDestroy(Base):
    """Outputs written through the safe writer: a failed write keeps the old
    file, no command writes over the ledger it reads, failures in Korean."""

    def test_a_pdf_that_cannot_be_written_whole_keeps_the_old_one(self):
        import resource
        ledger = self.imported(LINES * 2000)
        old = b"%PDF-1.4\n% the printout of last month, kept\n" * 50
        shim = os.environ.get("QB_FULL_DISK")

        def limit():
            resource.setrlimit(resource.RLIMIT_FSIZE, (20000, 20000))

        cases = [("the file size limit", {}, limit, "파일 크기 제한에 걸려 PDF 파일을 만들지 못했습니다")]
        if shim:
            cases.append(("a full disk", {"LD_PRELOAD": shim, "QB_FULL_DIR": self.path("pdf"),
                                          "QB_FULL_BYTES": "30000"}, None, "디스크 공간이 부족해 PDF 파일을 만들지 못했습니다"))
        os.mkdir(self.path("pdf"))
        out = self.path("pdf/old.pdf")
        for name, env, preexec, korean in cases:
            with self.subTest(name):
                with open(out, "wb") as f:
                    f.write(old)
                p = subprocess.run([CLI, "print", ledger, "-o", out], capture_output=True, preexec_fn=preexec,
                                   env=dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "")
                                            + ":verify_asan_link_order=0", **env), timeout=120)
                err = p.stderr.decode()
                self.assertEqual(p.returncode, 1, err)
                self.assertIn(korean, err)
                self.assertIn("원래 파일은 그대로입니다", err)
                with open(out, "rb") as f:
                    self.assertEqual(f.read(), old)
                self.assertEqual(os.listdir(self.path("pdf")), ["old.pdf"])
        # Without the limit the same command replaces it with a whole PDF.
        code, _, err = run("print", ledger, "-o", out)
        self.assertEqual(code, 0, err)
        with open(out, "rb") as f:
            data = f.read()
        self.assertTrue(data.startswith(b"%PDF") and data.rstrip().endswith(b"%%EOF"))

    def test_no_command_writes_over_the_file_it_reads(self):
        ledger = self.imported(LINES)
        with open(ledger, "rb") as f:
            before = f.read()
        os.symlink(ledger, self.path("link.pdf"))
        os.link(ledger, self.path("hard.xlsx"))
        tsv = self.write("in.tsv", ("\n".join(LINES) + "\n").encode())
        cases = [["print", ledger, "-o", ledger], ["print", ledger, "-o", self.path("link.pdf")],
                 ["print", ledger, "-o", self.path("./out.Aut")], ["export", ledger, ledger],
                 ["export", ledger, self.path("hard.xlsx")], ["import", tsv, tsv]]
        for args in cases:
            with self.subTest(args=args):
                code, _, err = run(*args)
                self.assertEqual(code, 1, err)
                self.assertIn("읽고 있는 장부 파일과 같은 파일이어서 쓰지 않았습니다", err)
                with open(ledger, "rb") as f:
                    self.assertEqual(f.read(), before)
        self.assertTrue(os.path.islink(self.path("link.pdf")))
        with open(tsv, "rb") as f:
            self.assertEqual(f.read(), ("\n".join(LINES) + "\n").encode())

    def test_every_failure_line_has_the_programs_korean_line_under_it(self):
        ledger = self.imported(LINES)
        os.mkdir(self.path("folder.Aut"))
        os.symlink(self.path("nowhere.Aut"), self.path("dangling.Aut"))
        tsv = self.write("in.tsv", ("\n".join(LINES) + "\n").encode())
        cases = [
            (["dump", self.path("folder.Aut")], "I/O error 21", "폴더는 장부 파일로 열 수 없습니다"),
            (["totals", self.path("missing.Aut")], "File not found", "파일을 찾을 수 없습니다"),
            (["check", self.path("missing.Aut")], "File not found", "파일을 찾을 수 없습니다"),
            (["tax", self.path("folder.Aut"), "--year", "2024"], "I/O error 21", "폴더는 장부 파일로"),
            (["export", ledger, self.path("no/such/out.xlsx")], "File not found", "엑셀 파일을 만들지 못했습니다"),
            (["print", ledger, "-o", self.path("no/such/out.pdf")], "File not found",
             "저장할 폴더를 찾을 수 없어 PDF 파일을 만들지 못했습니다"),
            (["import", tsv, self.path("dangling.Aut")], "File not found", "없는 파일을 가리키는"),
        ]
        for args, english, korean in cases:
            with self.subTest(args=args):
                code, _, err = run(*args)
                self.assertEqual(code, 1, err)
                lines = err.splitlines()
                self.assertTrue(all(l.startswith("quillbook-cli: ") for l in lines), err)
                self.assertIn(english, lines[0])
                self.assertIn(korean, err)
        # The link the user made stays a link, to nothing.
        self.assertTrue(os.path.islink(self.path("dangling.Aut")))
        self.assertFalse(os.path.exists(self.path("nowhere.Aut")))

    def test_a_full_scratch_folder_is_named(self):
        shim = os.environ.get("QB_FULL_DISK")
        if not shim:
            self.skipTest("the full disk is built with the tests")
        state = self.path("state")
        os.mkdir(state)
        # Too many lines for the sort's memory: they go through the scratch folder.
        lines = [f"2024.{(i * 7919) % 12 + 1:02d}.01\tno {i}\t\t{i}\t0\t0\t0\t0\t0\t\tN\t0" for i in range(140000)]
        src = self.write("big.tsv", ("\n".join(lines) + "\n").encode())
        env = dict(os.environ, LD_PRELOAD=shim, QB_FULL_DIR=state, XDG_STATE_HOME=state,
                   ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0")
        p = subprocess.run([CLI, "import", src, self.path("big.Aut")], capture_output=True, env=env, timeout=120)
        err = p.stderr.decode()
        self.assertEqual(p.returncode, 1, err)
        self.assertIn("scratch folder: Disk full", err)
        self.assertIn("꽉 찬 폴더: " + os.path.join(state, "quillbook"), err)
        self.assertIn("공간을 비운 뒤 다시 하세요", err)
        self.assertFalse(os.path.exists(self.path("big.Aut")))


class AnyBytes(Base):
    def test_no_subcommand_crashes_on_random_files(self):
        rnd = random.Random(20261209)
        for size in (0, 1, 167, 168, 169, 336, 1000, 168 * 7 + 5):
            data = bytes(rnd.getrandbits(8) for _ in range(size))
            aut = self.write(f"r{size}.Aut", data)
            for args in (["dump", aut], ["check", aut], ["totals", aut, "--year", "2024"], ["totals", aut]):
                code, _, _ = run(*args)
                self.assertIn(code, (0, 1, 3), (size, args))
        # random text bytes never break the one-line, twelve-column shape
        data = b"".join(record(jkyu=bytes(rnd.getrandbits(8) for _ in range(45)), lengths={"JKYU": rnd.randrange(256)})
                        for _ in range(50))
        code, out, _ = run("dump", self.write("rr.Aut", data))
        self.assertEqual(code, 0)
        lines = out.split("\n")
        self.assertEqual(lines.pop(), "")
        self.assertEqual(len(lines), 50)
        self.assertTrue(all(len(l.split("\t")) == 12 for l in lines))


if __name__ == "__main__":
    unittest.main()
