# SPDX-License-Identifier: GPL-3.0-or-later
"""The printed form through a real printing system: a CUPS server of the
test's own (private configuration, its own port and folders) with the
cups-pdf virtual printer. The pages it prints are the pages of
`quillbook-cli print -o`. Exits 77 (skipped) when CUPS cannot run here."""
import glob
import os
import pwd
import shutil
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_export_files import EXTREME, run, tsv  # noqa: E402

SKIP = 77


def skip(why):
    print("skipped:", why)
    sys.exit(SKIP)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def pictures(pdf, folder, name, turn):
    """The pages as small grey pictures of the size of an A4 sheet across."""
    subprocess.run(["pdftoppm", "-gray", "-r", "30", "-png", pdf, os.path.join(folder, name)],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    out = sorted(glob.glob(os.path.join(folder, name + "-*.png")))
    for p in out:
        subprocess.run(["convert", p, "-rotate", str(turn), "-resize", "351x248!", p], check=True)
    return out


def difference(x, y):
    """Root mean square difference of two pictures, 0 (same) to 1."""
    r = subprocess.run(["compare", "-metric", "RMSE", x, y, "null:"], capture_output=True, text=True)
    return float(r.stderr.split("(")[1].split(")")[0])


def main():
    cupsd = shutil.which("cupsd") or ("/usr/sbin/cupsd" if os.path.exists("/usr/sbin/cupsd") else None)
    backend = "/usr/lib/cups/backend/cups-pdf"
    ppd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"
    if not cupsd or not os.path.exists(backend) or not os.path.exists(ppd) or not shutil.which("lpadmin"):
        skip("cupsd, lpadmin or cups-pdf is not installed")
    if not shutil.which("compare") or not shutil.which("pdftoppm"):
        skip("ImageMagick and poppler-utils are needed to compare the pages")
    if os.geteuid() != 0:
        skip("the cups-pdf backend runs only under a CUPS server started as root")
    home = pwd.getpwuid(os.geteuid()).pw_dir
    out_dir = os.path.join(home, "PDF")  # where cups-pdf puts a user's printouts
    had_out_dir = os.path.isdir(out_dir)

    with tempfile.TemporaryDirectory() as d:
        os.chmod(d, 0o755)
        for sub in ("etc", "etc/ppd", "spool", "spool/tmp", "cache", "state", "log"):
            os.makedirs(os.path.join(d, sub), exist_ok=True)
        os.chmod(os.path.join(d, "spool/tmp"), 0o1777)
        os.chmod(os.path.join(d, "spool"), 0o755)
        port = free_port()
        with open(os.path.join(d, "etc/cupsd.conf"), "w") as f:
            f.write("Listen 127.0.0.1:%d\nLogLevel warn\nWebInterface No\nBrowsing No\n"
                    "DefaultAuthType None\n<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                    "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n"
                    "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n" % port)
        with open(os.path.join(d, "etc/cups-files.conf"), "w") as f:
            f.write("ServerRoot {d}/etc\nRequestRoot {d}/spool\nTempDir {d}/spool/tmp\nCacheDir {d}/cache\n"
                    "StateDir {d}/state\nAccessLog {d}/log/access_log\nErrorLog {d}/log/error_log\n"
                    "PageLog {d}/log/page_log\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\n"
                    "User lp\nGroup lp\nSystemGroup root\nFileDevice No\n".format(d=d))
        server = subprocess.Popen([cupsd, "-f", "-c", d + "/etc/cupsd.conf", "-s", d + "/etc/cups-files.conf"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        env = dict(os.environ, CUPS_SERVER="127.0.0.1:%d" % port)
        try:
            for _ in range(100):
                if server.poll() is not None:
                    skip("cupsd did not start: " + server.stderr.read().decode(errors="replace")[-300:])
                if subprocess.run(["lpstat", "-r"], env=env, capture_output=True).returncode == 0:
                    break
                time.sleep(0.1)
            else:
                skip("cupsd does not answer")
            r = subprocess.run(["lpadmin", "-p", "qbpdf", "-E", "-v", "cups-pdf:/", "-P", ppd], env=env,
                               capture_output=True, text=True)
            if r.returncode != 0:
                skip("the cups-pdf queue cannot be set up: " + r.stderr)

            src = os.path.join(d, "in.tsv")
            with open(src, "w", encoding="utf-8") as f:
                f.write("".join(line + "\n" for line in EXTREME + [
                    tsv("2024.05.%02d" % (k % 28 + 1), "거래 %d" % k, "상대", (0, 0, 10 + k, 1, 0, 0), "")
                    for k in range(40)]))
            # cups-pdf names its file after the job, the ledger's name: one of this run's own.
            job = "qbcups%d" % os.getpid()
            aut = os.path.join(d, job + ".Aut")
            assert run("import", src, aut)[0] == 0
            direct = os.path.join(d, "direct.pdf")
            assert run("print", aut, "-o", direct)[0] == 0

            before = set(glob.glob(os.path.join(out_dir, "*.pdf")))
            p = subprocess.run([os.environ.get("QB_CLI", "../../build/bin/quillbook-cli"), "print", aut,
                                "--printer", "qbpdf"], env=env, capture_output=True, text=True)
            if p.returncode != 0:
                print("print to the queue failed:", p.stderr)
                return 1
            printed = None
            for _ in range(300):  # the queue converts and writes in the background
                new = {p for p in set(glob.glob(os.path.join(out_dir, "*.pdf"))) - before if job in os.path.basename(p)}
                done = subprocess.run(["lpstat", "-o", "qbpdf"], env=env, capture_output=True, text=True).stdout
                if new and not done.strip():
                    printed = new.pop()
                    break
                time.sleep(0.1)
            if not printed:
                log = open(os.path.join(d, "log/error_log"), errors="replace").read()[-800:]
                print("the queue wrote no PDF; error log:", log)
                return 1
            kept = os.path.join(d, "queue.pdf")
            shutil.move(printed, kept)
            # The queue's PDF holds its text as pictures of glyphs: the pages
            # are compared as pictures, the queue's turned upright (it puts
            # the form across a portrait sheet).
            a, b = pictures(direct, d, "direct", 0), pictures(kept, d, "queue", 90)
            if len(a) != len(b) or len(a) < 2:
                print("pages: %d from the file, %d from the queue" % (len(a), len(b)))
                return 1
            for n in range(len(a)):
                same, other = difference(a[n], b[n]), difference(a[n], b[(n + 1) % len(b)])
                print("page %d: %.4f against its own, %.4f against another" % (n + 1, same, other))
                if not same < 0.1 or not same < other / 3:
                    return 1
            print("the queue printed the same %d pages" % len(a))
            return 0
        finally:
            server.terminate()
            try:
                server.wait(timeout=10)
            except subprocess.TimeoutExpired:
                server.kill()
            if not had_out_dir and os.path.isdir(out_dir) and not os.listdir(out_dir):
                os.rmdir(out_dir)


if __name__ == "__main__":
    sys.exit(main())
