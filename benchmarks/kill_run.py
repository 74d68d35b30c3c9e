#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Kill run: saves of a large ledger killed with SIGKILL at random moments,
by the desktop program (offscreen, through its Save button) and by
`quillbook-cli import`, on the replace path and in place (a second hard
link), each followed by the next start's recovery. Counts kills and what
they left: the ledger must hold a whole version (the one before or after
the save), every backup a whole version, and no stray file may stay.
Run by hand, never by the tests.

usage: kill_run.py BUILD_DIR [ENTRIES] [KILLS_PER_WAY]"""
import os
import random
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
EARLY = "2000.01.01"  # each save adds an entry sorting first: every byte moves


def main():
    build = os.path.abspath(sys.argv[1])
    entries = int(sys.argv[2]) if len(sys.argv) > 2 else 300000
    kills = int(sys.argv[3]) if len(sys.argv) > 3 else 40
    cli = os.path.join(build, "bin", "quillbook-cli")
    fig = os.path.join(build, "benchmarks", "program_figures")
    work = tempfile.mkdtemp(prefix="quillbook-kill-")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_STATE_HOME=os.path.join(work, "state"))
    program = os.path.join(work, "program") + "/"
    os.makedirs(program)
    with open(os.path.join(HERE, "..", "data", "quillbook.str"), "rb") as f, open(program + "quillbook.str", "wb") as g:
        g.write(f.read())
    base_path = os.path.join(work, "base.Aut")
    subprocess.run(["/usr/bin/python3", os.path.join(HERE, "make_ledger.py"), str(entries), base_path], check=True)
    base = open(base_path, "rb").read()
    base_tsv = subprocess.run([cli, "dump", base_path], capture_output=True, check=True, env=env).stdout
    extra_line = f"{EARLY}\tkill run\t\t1\t0\t0\t0\t0\t0\t\tN\t0\n".encode()
    rnd = random.Random(20261210)

    def meaning(r):
        """What a record says: the bytes behind a text's length carry none
        (the program leaves there what its buffer held)."""
        out = b""
        for at, cap in ((0, 10), (11, 45), (57, 35), (144, 15), (160, 1)):
            n = min(r[at], cap)
            out += r[at:at + 1 + n]
        return out + r[96:144] + r[164:168]

    def records(data):
        return [meaning(data[i:i + 168]) for i in range(0, len(data), 168)]

    base_sorted = sorted(records(base))

    def whole_version(data):
        """The number of added entries when `data` is a whole version (the
        base's entries in any order of equal dates, and the added ones),
        else None."""
        if len(data) % 168:
            return None
        recs = records(data)
        extras = [r for r in recs if r[1:11] == EARLY.encode()]
        rest = sorted(r for r in recs if r[1:11] != EARLY.encode())
        if rest != base_sorted or len(set(extras)) > 1:
            return None
        return len(extras)

    results = []
    for who in ("program", "cli"):
        for way in ("replace", "in place"):
            books = os.path.join(work, f"{who}-{way.replace(' ', '')}")
            os.makedirs(books)
            ledger = os.path.join(books, "L.Aut")
            with open(ledger, "wb") as f:
                f.write(base)
            if way == "in place":
                os.link(ledger, os.path.join(books, "link.Aut"))
            # how long one run takes, to spread the kills over it
            t0 = time.monotonic()
            if who == "program":
                p = subprocess.Popen([fig, program, "saves", ledger], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                     env=env)
                for _ in range(2):
                    p.stdout.readline()
                p.kill()
                p.wait()
            else:
                subprocess.run([cli, "import", "-", ledger], input=base_tsv, capture_output=True, env=env)
                tsv = os.path.join(books, "in.tsv")
                with open(tsv, "wb") as f:
                    f.write(base_tsv + extra_line)
                subprocess.run([cli, "import", tsv, ledger], capture_output=True, env=env)
            span = time.monotonic() - t0
            counts = {"kills": 0, "during a save": 0, "whole version": 0, "recovered in place": 0, "kept aside": 0,
                      "bad ledger": 0, "bad backup": 0, "strays": 0}
            added = whole_version(open(ledger, "rb").read()) or 0
            for _ in range(kills):
                delay = rnd.uniform(0.05, span)
                if who == "program":
                    p = subprocess.Popen([fig, program, "saves", ledger], stdout=subprocess.PIPE,
                                         stderr=subprocess.DEVNULL, env=env)
                else:
                    with open(tsv, "wb") as f:
                        f.write(base_tsv + extra_line * (added + 1))
                    p = subprocess.Popen([cli, "import", tsv, ledger], stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL, env=env)
                time.sleep(delay)
                if p.poll() is None:
                    p.send_signal(signal.SIGKILL)
                    counts["kills"] += 1
                p.wait()
                before = open(ledger, "rb").read()
                counts["during a save"] += whole_version(before) is None
                # the next start: every command settles cut-off saves first
                r = subprocess.run([cli, "check", ledger], capture_output=True, env=env)
                notes = r.stderr.decode("utf-8", "replace")
                counts["recovered in place"] += "되돌렸습니다" in notes
                counts["kept aside"] += "보관했습니다" in notes
                now = whole_version(open(ledger, "rb").read())
                if now is None:
                    counts["bad ledger"] += 1
                    with open(ledger, "wb") as f:  # go on from a whole version
                        f.write(base)
                    now = 0
                else:
                    counts["whole version"] += 1
                added = now
                folder = os.path.join(books, "백업")
                for name in os.listdir(folder) if os.path.isdir(folder) else []:
                    if whole_version(open(os.path.join(folder, name), "rb").read()) is None:
                        counts["bad backup"] += 1
                        os.remove(os.path.join(folder, name))
                stray = [n for d in (books, os.path.join(work, "state")) if os.path.isdir(d)
                         for _, _, names in os.walk(d) for n in names if n.startswith(".quillbook-")
                         or n.startswith("quillbook-save-")]
                counts["strays"] = max(counts["strays"], len(stray))
                if way == "in place" and os.stat(ledger).st_ino != os.stat(os.path.join(books, "link.Aut")).st_ino:
                    counts["bad ledger"] += 1
            results.append((who, way, counts))
            print(f"{who:8} {way:9} " + ", ".join(f"{k} {v}" for k, v in counts.items()), flush=True)
    subprocess.run(["rm", "-rf", work])
    return 0 if all(c["bad ledger"] == 0 and c["bad backup"] == 0 for _, _, c in results) else 1


if __name__ == "__main__":
    sys.exit(main())
