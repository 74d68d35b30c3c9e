#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Converts tests written against the old open main window and ledger book:
# the book's fields become its accessors (book.Modified -> book.isModified()),
# and every reach into the window's widgets and state goes through the tests'
# probe (w.GrdAcunt -> probe(w).GrdAcunt()). Run from the top folder:
#   scripts/convert-window-tests.py . count     # references still direct
#   scripts/convert-window-tests.py . convert
import re, sys, glob
root = sys.argv[1]
mode = sys.argv[2]  # "count" or "convert"
h = open(root + '/src/gui/mainwindow/MainWindow.h').read()
body = h[h.index('class Tmainf'):]
DATA = ['Bmxsm', 'BtmPanl', 'BtnApp', 'BtnDel', 'BtnEdt', 'CmGbn', 'CntLbe', 'DgaBtn', 'FileAdd', 'FilingBtn',
        'GrdAcunt', 'HFileOpen', 'HelpBtn', 'Hinfo', 'ImportBtn', 'JKYUSuggest', 'LaEnd0', 'NavAcunt', 'NavButtons',
        'NewFile', 'PrintBtn', 'PrtBtn', 'QuitBtn', 'RnameBtn', 'SANGHOSuggest', 'SaveBtn', 'TAcunt', 'TagetTg',
        'TopTitle', 'TpPnl0', 'TpPnl2', 'TpPnl3', 'YerEdit', 'book', 'dDTZIP', 'dxContainer3', 'editorMode', 'fAcunt',
        'fNameLabl', 'findBar', 'fnameBevl', 'gCombo', 'gridModel', 'iconBtn', 'mColBar', 'mExit0', 'mainPanl',
        'statementPreview', 'suggestions', 'undoStack']
METHODS = sorted(set(re.findall(r'\b(\w+)\s*\(', body)) - {'Tmainf', 'Q_OBJECT', 'PDF', 'if', 'return'})
EXPR = r'(\b\w+(?:\.|->)window\b|\bw\b|\bwindow_\b|\bmainf\b)'
files = [p for p in glob.glob(root + '/tests/**/*.cpp', recursive=True) + glob.glob(root + '/tests/**/*.h', recursive=True)
         + glob.glob(root + '/benchmarks/*.cpp')
         if '/tests/core/' not in p and 'TmainfProbe' not in p]
names = DATA + METHODS
pat = re.compile(EXPR + r'(\.|->)(' + '|'.join(sorted(names, key=len, reverse=True)) + r')\b(?!\s*\()?')
total = 0
data_total = 0
for p in files:
    s = open(p).read()
    if 'Tmainf' not in s and 'MainWindowFixture' not in s and 'window' not in s:
        continue
    found = [m for m in re.finditer(EXPR + r'(\.|->)(\w+)\b', s) if m.group(3) in names]
    total += len(found)
    data_total += sum(1 for m in found if m.group(3) in DATA)
    if mode == 'convert':
        b = r'\bbook'
        for old, new in [(b + r'\.scratchPath\b(?!\()', 'book.scratchPath()'),
                         (b + r'\.Modified = ([^;]+);', r'book.setModified(\1);'),
                         (b + r'\.Modified\b', 'book.isModified()'),
                         (b + r'\.fileLock\.', 'book.fileLock().'),
                         (b + r'\.readOnly\b', 'book.isReadOnly()'),
                         (b + r'\.CurrentFileName = ([^;]+);', r'book.rename(\1);'),
                         (b + r'\.CurrentFileName\b', 'book.fileName()'),
                         (b + r'\.backupProblem\b(?!\()', 'book.backupProblem()'),
                         (b + r'\.keepBackups = ([^;]+);', r'book.setKeepBackups(\1);'),
                         (b + r'\.stamp\b(?!\()', 'book.stamp()')]:
            s = re.sub(old, new, s)
        def sub(m):
            name = m.group(3)
            if name not in DATA:
                return m.group(0)
            return 'probe(%s).%s()' % (m.group(1), name)
        t = re.sub(EXPR + r'(\.|->)(\w+)\b', sub, s)
        inc = '#include "gui/mainwindow/MainWindow.h"\n'
        if 'probe(' in t and 'TmainfProbe.h' not in t and 'MainWindowFixture.h' not in t and inc in t:
            t = t.replace(inc, inc + '#include "TmainfProbe.h"\n', 1)
        if t != open(p).read():
            open(p, 'w').write(t)
print('references to window members:', total, 'of them to its widgets and state:', data_total)
