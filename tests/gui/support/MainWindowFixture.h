// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A main window over a program folder of its own (a temporary folder with
// the template table, no helper libraries), answered by scripted dialogs, with a fixed clock.
// Header-only: the template's path is known to the test programs only.
#include "ScriptedDialogs.h"
#include "core/text/Cp949.h"
#include "TmainfProbe.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/support/HelperLibrary.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// CP949 bytes of a UTF-8 text.
inline std::string toCp949(const QString& text)
{
    return quill::encodeCp949(text.toStdString()).bytes.value_or(std::string());
}

class MainWindowFixture {
public:
    MainWindowFixture()
    {
        folder = dir_.path() + QLatin1Char('/');
        QFile::copy(QStringLiteral(QB_TEMPLATE_TABLE), folder + QStringLiteral("quillbook.str"));
        // Helper libraries come from the program folder too, which holds
        // none: scripted dialogs cannot answer a library's own window.
        SetPluginFolder(folder);
    }
    ~MainWindowFixture()
    {
        window.reset();
        SetPluginFolder(QString());
        QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    MainWindowFixture(const MainWindowFixture&) = delete;
    MainWindowFixture& operator=(const MainWindowFixture&) = delete;

    QString folder;  // the program folder, with a trailing "/"
    ScriptedDialogs dialogs;
    std::unique_ptr<Tmainf> window;
    QDateTime clock = QDateTime(QDate(2009, 5, 15), QTime(10, 30));
    QString openAtStart;  // a ledger named on the command line

    QString tempPath() const { return dir_.path(); }

    // Writes the configuration file (UTF-8 text, stored in CP949).
    void writeConfig(const QString& text)
    {
        QFile f(folder + QStringLiteral("quillcfg.ini"));
        if (f.open(QIODevice::WriteOnly))
            f.write(QByteArray::fromStdString(toCp949(text)));
    }

    // Creates and shows the window; false when it did not come up.
    bool start()
    {
        AppContext context;
        context.programFolder = folder;
        context.dialogs = &dialogs;
        context.openAtStart = openAtStart;
        const QDateTime fixed = clock;
        context.now = [fixed] { return fixed; };
        window = std::make_unique<Tmainf>(context);
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    // Adds a posted entry to the working ledger (amounts: income, income
    // VAT, expense, expense VAT, asset, asset VAT).
    void addEntry(const QString& date, const QString& description, double in, double inVat, double out = 0,
                  double outVat = 0, double asset = 0, double assetVat = 0)
    {
        quill::WorkingTable& t = probe(window).TAcunt();
        quill::LedgerEntry& e = t.append();
        e.IDAY = toCp949(date);
        e.JKYU = toCp949(description);
        e.SANGHO = toCp949(QStringLiteral("거래처"));
        e.INMNY = in;
        e.INVAT = inVat;
        e.OTMNY = out;
        e.OTVAT = outVat;
        e.JSMNY = asset;
        e.JSVAT = assetVat;
        t.post();
    }

private:
    QTemporaryDir dir_;
};
