// SPDX-License-Identifier: GPL-3.0-or-later
// The grid's model over a working table: shape, texts, money cells, resets
// only when the rows change, and no reading of rows that are gone.
#include "core/ledger/WorkingTable.h"
#include "core/ledger/LedgerFilter.h"
#include "gui/view/LedgerTableModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <limits>

namespace {

void add(quill::WorkingTable& t, const char* date, double in, double out = 0)
{
    quill::LedgerEntry& e = t.append();
    e.IDAY = date;
    e.JKYU = "desc";
    e.INMNY = in;
    e.OTMNY = out;
    t.post();
}

} // namespace

class TestGridModel : public QObject {
    Q_OBJECT

private slots:
    void moneyCells_data()
    {
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << QString();
        QTest::newRow("negative zero") << -0.0 << QString();
        QTest::newRow("below half a won") << 0.4999 << QString();
        QTest::newRow("half a won") << 0.5 << QStringLiteral("1");
        QTest::newRow("grouped") << 1234567.0 << QStringLiteral("1,234,567");
        QTest::newRow("negative") << -1500.0 << QStringLiteral("-1,500");
        QTest::newRow("fraction rounds") << 999.6 << QStringLiteral("1,000");
        QTest::newRow("large") << 92000000000000.0 << QStringLiteral("92,000,000,000,000");
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << QString();
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << QString();
    }
    void moneyCells()
    {
        QFETCH(double, amount);
        QFETCH(QString, text);
        QCOMPARE(LedgerTableModel::moneyText(amount), text);
    }

    void followsTheTable()
    {
        quill::WorkingTable t;
        t.open();
        LedgerTableModel model(t);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 10);

        add(t, "2009.03.01", 100);
        add(t, "2009.01.01", 0, 250);
        add(t, "2008.05.05", 7);
        QVERIFY(model.refresh());
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("2008.05.05"));
        QCOMPARE(model.index(1, 5).data().toString(), QStringLiteral("250"));
        QCOMPARE(model.index(1, 3).data().toString(), QString());
        QCOMPARE(model.index(0, 3).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
                 Qt::AlignRight);
        QCOMPARE(model.index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignLeft,
                 Qt::AlignLeft);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("날 짜"));
        QCOMPARE(model.headerData(9, Qt::Horizontal).toString(), QStringLiteral("비 고"));
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));

        // Moving the cursor is no reason for a reset.
        const int before = resets.count();
        t.last();
        QVERIFY(!model.refresh());
        QCOMPARE(resets.count(), before);

        // A filter change is.
        t.setFilter(quill::LedgerFilter::fromControls(0, "2009", 0, "1년"));
        t.setFiltered(true);
        QVERIFY(model.refresh());
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("2009.01.01"));
    }

    void neverReadsRowsThatAreGone()
    {
        quill::WorkingTable t;
        t.open();
        LedgerTableModel model(t);
        for (int i = 0; i < 5; ++i)
            add(t, "2009.01.01", i + 1);
        model.refresh();
        QCOMPARE(model.rowCount(), 5);
        // Until the window refreshes the model, the table may have shrunk
        // (or closed) beneath it: the model shows nothing instead.
        t.first();
        t.deleteCurrent();
        t.deleteCurrent();
        QVERIFY(!model.index(4, 0).data().isValid());
        QVERIFY(!model.index(0, 3).data().isValid());
        t.close();
        QVERIFY(!model.index(0, 0).data().isValid());
        QVERIFY(model.refresh());
        QCOMPARE(model.rowCount(), 0);
    }

    void indicatorMarksTheCurrentRow()
    {
        quill::WorkingTable t;
        t.open();
        for (int i = 0; i < 3; ++i)
            add(t, "2009.01.01", 1);
        LedgerTableModel model(t);
        QSignalSpy headers(&model, &QAbstractItemModel::headerDataChanged);
        model.setCurrentRow(1);
        QCOMPARE(model.headerData(1, Qt::Vertical).toString(), QStringLiteral("▶"));
        QCOMPARE(model.headerData(0, Qt::Vertical).toString(), QString());
        model.setCurrentRow(2);
        QCOMPARE(model.headerData(1, Qt::Vertical).toString(), QString());
        QCOMPARE(headers.count(), 3);  // row 1 on, row 1 off, row 2 on
        model.setCurrentRow(7);        // beyond the rows: no mark
        QCOMPARE(model.currentRow(), -1);
    }
};

QTEST_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
