// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader can announce: every button of the window has a name,
// grid cells carry their column's name, the totals say what they total.
#include "MainWindowFixture.h"
#include "view/FitLabel.h"
#include "view/LedgerTableModel.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QTableView>
#include <QToolButton>

class TestAccessibility : public QObject {
    Q_OBJECT

private slots:
    void everyButtonHasAName()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        QStringList unnamed;
        const auto buttons = f.window->findChildren<QAbstractButton*>();
        QVERIFY(buttons.size() > 20);
        for (QAbstractButton* b : buttons) {
            // Qt's own helpers inside the grid and the find field are not ours to name.
            const QString kind = QString::fromLatin1(b->metaObject()->className());
            if (kind == QStringLiteral("QTableCornerButton") || kind == QStringLiteral("QLineEditIconButton"))
                continue;
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(b);
            if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
                unnamed << b->objectName();
        }
        QCOMPARE(unnamed, QStringList());
        QCOMPARE(f.window->HFileOpen->accessibleName(), QStringLiteral("파일열기"));
        QCOMPARE(f.window->QuitBtn->accessibleName(), QStringLiteral("종료"));
    }

    void cellsAndTotalsNameTheirField()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        f.addEntry(QStringLiteral("2009.03.01"), QStringLiteral("원두"), 0, 0, 5000, 500);
        f.window->RecomputeTotals();
        QAbstractItemModel* m = f.window->GrdAcunt->model();
        QCOMPARE(m->rowCount(), 1);
        QCOMPARE(m->data(m->index(0, 5), Qt::AccessibleTextRole).toString(), QStringLiteral("비용: 5,000"));
        QCOMPARE(m->data(m->index(0, 1), Qt::AccessibleTextRole).toString(), QStringLiteral("거래내용: 원두"));
        QCOMPARE(f.window->Bmxsm[2]->accessibleDescription(), QStringLiteral("비용 합계"));
        QCOMPARE(f.window->CntLbe->accessibleDescription(), QStringLiteral("자료 건수"));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
