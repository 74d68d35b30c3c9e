#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Makes the statement readers' test files with other programs and runs the
readers' table-driven tests on them.

LibreOffice converts our test tables (data/*.fods) to xlsx, xls and HTML in
one session driven through UNO (the only way to save with a password);
Gnumeric's ssconvert, where it is installed, converts LibreOffice's xlsx
once more. Exits 77 (skipped) when LibreOffice is not installed.

  made_by_office.py STATEMENT_TESTS [--keep DIR]

--keep DIR leaves the files in DIR (that is how data/made/ was filled).
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "data")
SOURCES = ["tables.fods", "tables1904.fods"]
# (suffix, LibreOffice filter, password)
OUTPUTS = [
    (".xlsx", "Calc MS Excel 2007 XML", None),
    (".xls", "MS Excel 97", None),
    (".html", "HTML (StarCalc)", None),
    ("-encrypted.xlsx", "Calc MS Excel 2007 XML", "1234"),
    ("-encrypted.xls", "MS Excel 97", "1234"),
]


def convert_with_libreoffice(out):
    try:
        import uno
        from com.sun.star.beans import NamedValue, PropertyValue
    except ImportError:
        return False
    profile = tempfile.mkdtemp(prefix="qb-lo-profile-")
    pipe = "qbstatement%d" % os.getpid()
    office = subprocess.Popen(
        ["soffice", "--headless", "--invisible", "--norestore", "--nologo",
         "-env:UserInstallation=file://" + profile, "--accept=pipe,name=%s;urp;" % pipe],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        context = None
        for _ in range(120):
            try:
                context = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                break
            except Exception:
                time.sleep(0.5)
        if context is None:
            raise RuntimeError("LibreOffice did not start")
        desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)

        def prop(name, value):
            p = PropertyValue()
            p.Name, p.Value = name, value
            return p

        def named(name, value):
            p = NamedValue()
            p.Name, p.Value = name, value
            return p

        for source in SOURCES:
            doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.join(DATA, source)), "_blank", 0,
                                               (prop("Hidden", True),))
            stem = os.path.splitext(source)[0]
            for suffix, filt, password in OUTPUTS:
                if password and source != SOURCES[0]:
                    continue
                props = [prop("FilterName", filt)]
                if password and suffix.endswith(".xlsx"):
                    # OOXML is encrypted from EncryptionData ("Password" is
                    # silently ignored for it).
                    data = (named("OOXPassword", password), named("CryptoType", "Standard"))
                    props.append(prop("EncryptionData", uno.Any("[]com.sun.star.beans.NamedValue", data)))
                elif password:
                    props.append(prop("Password", password))
                doc.storeToURL(uno.systemPathToFileUrl(os.path.join(out, "lo-" + stem + suffix)), tuple(props))
            doc.close(True)
        try:
            desktop.terminate()
        except Exception:
            pass
    finally:
        try:
            office.wait(timeout=5)
        except subprocess.TimeoutExpired:
            office.terminate()
            try:
                office.wait(timeout=10)
            except subprocess.TimeoutExpired:
                office.kill()
        shutil.rmtree(profile, ignore_errors=True)
    return True


def convert_with_gnumeric(out):
    if not shutil.which("ssconvert"):
        return
    for stem in ("tables", "tables1904"):
        source = os.path.join(out, "lo-%s.xlsx" % stem)
        for suffix, exporter in ((".xlsx", "Gnumeric_Excel:xlsx2"), (".xls", "Gnumeric_Excel:excel_biff8"),
                                 (".html", "Gnumeric_html:html40")):
            subprocess.run(["ssconvert", "--export-type=" + exporter, source,
                            os.path.join(out, "gnumeric-" + stem + suffix)],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)


def main():
    if not shutil.which("soffice"):
        print("LibreOffice (soffice) is not installed: skipped")
        return 77
    tests = sys.argv[1]
    keep = sys.argv[3] if len(sys.argv) > 3 and sys.argv[2] == "--keep" else None
    out = keep or tempfile.mkdtemp(prefix="qb-statement-")
    os.makedirs(out, exist_ok=True)
    try:
        if not convert_with_libreoffice(out):
            print("LibreOffice's Python bridge (python3-uno) is not installed: skipped")
            return 77
        convert_with_gnumeric(out)
        env = dict(os.environ, QB_STATEMENT_FILES=out)
        return subprocess.run([tests, "--gtest_filter=MadeByOffice*"], env=env).returncode
    finally:
        if not keep:
            shutil.rmtree(out, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
