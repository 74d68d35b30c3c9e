// SPDX-License-Identifier: GPL-3.0-or-later
// The real dialogs: titles, icons, buttons, default and escape buttons of
// the message boxes, and the settings the file dialogs are opened with.
#include "gui/app/QtUserDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QElapsedTimer>
#include <QFile>

#include "core/tone/ToneSamples.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

#include <functional>

namespace {

// Runs `inspect` on the modal dialog once it is up (the dialog's exec()
// blocks the test meanwhile).
template <typename Dialog>
void whenShown(std::function<void(Dialog*)> inspect)
{
    QTimer::singleShot(0, [inspect] {
        Dialog* d = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((d = qobject_cast<Dialog*>(QApplication::activeModalWidget())) != nullptr, 5000);
        inspect(d);
    });
}

struct BoxSeen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::StandardButton escapeButton = QMessageBox::NoButton;
};

// Notes what the box looks like, then presses `key` on it.
void seeBoxAndPress(BoxSeen& seen, Qt::Key key)
{
    whenShown<QMessageBox>([&seen, key](QMessageBox* box) {
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        seen.defaultButton = box->standardButton(box->defaultButton());
        seen.escapeButton = box->standardButton(box->escapeButton());
        QTest::keyClick(box, key);
    });
}

} // namespace

class TestUserDialogs : public QObject {
    Q_OBJECT

private slots:
    void messageBoxes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("defaultButton");
        QTest::addColumn<int>("escapeButton");
        QTest::addColumn<int>("answer");  // askYesNo, askNoYes: 1 yes; askYesNoCancel: the Answer

        const int yesNo = QMessageBox::Yes | QMessageBox::No;
        const int yesNoCancel = yesNo | QMessageBox::Cancel;
        QTest::newRow("info, enter") << "info" << int(Qt::Key_Return) << "Information" << int(QMessageBox::Information)
                                     << int(QMessageBox::Ok) << int(QMessageBox::Ok) << int(QMessageBox::Ok) << 0;
        QTest::newRow("info, esc") << "info" << int(Qt::Key_Escape) << "Information" << int(QMessageBox::Information)
                                   << int(QMessageBox::Ok) << int(QMessageBox::Ok) << int(QMessageBox::Ok) << 0;
        QTest::newRow("yes/no, enter") << "yesno" << int(Qt::Key_Return) << "Confirm" << int(QMessageBox::Question)
                                       << yesNo << int(QMessageBox::Yes) << int(QMessageBox::No) << 1;
        QTest::newRow("yes/no, esc") << "yesno" << int(Qt::Key_Escape) << "Confirm" << int(QMessageBox::Question)
                                     << yesNo << int(QMessageBox::Yes) << int(QMessageBox::No) << 0;
        // Replacing a file: Enter and Esc both keep it.
        QTest::newRow("replace, enter") << "noyes" << int(Qt::Key_Return) << "Confirm" << int(QMessageBox::Question)
                                        << yesNo << int(QMessageBox::No) << int(QMessageBox::No) << 0;
        QTest::newRow("save prompt, enter")
            << "yesnocancel" << int(Qt::Key_Return) << "Confirm" << int(QMessageBox::Question) << yesNoCancel
            << int(QMessageBox::Yes) << int(QMessageBox::Cancel) << int(UserDialogs::Answer::Yes);
        QTest::newRow("save prompt, esc")
            << "yesnocancel" << int(Qt::Key_Escape) << "Confirm" << int(QMessageBox::Question) << yesNoCancel
            << int(QMessageBox::Yes) << int(QMessageBox::Cancel) << int(UserDialogs::Answer::Cancel);
        QTest::newRow("plain") << "plain" << int(Qt::Key_Return) << "간편장부" << int(QMessageBox::NoIcon)
                               << int(QMessageBox::Ok) << int(QMessageBox::Ok) << int(QMessageBox::Ok) << 0;
        QTest::newRow("error") << "error" << int(Qt::Key_Escape) << "간편장부" << int(QMessageBox::Critical)
                               << int(QMessageBox::Ok) << int(QMessageBox::Ok) << int(QMessageBox::Ok) << 0;
    }
    void messageBoxes()
    {
        QFETCH(QString, kind);
        QFETCH(int, key);
        QFETCH(QString, title);
        QFETCH(int, icon);
        QFETCH(int, buttons);
        QFETCH(int, defaultButton);
        QFETCH(int, escapeButton);
        QFETCH(int, answer);

        QtUserDialogs dialogs;
        BoxSeen seen;
        seeBoxAndPress(seen, Qt::Key(key));
        // The save prompt's two lines are joined by a bare carriage return.
        const QString text = QStringLiteral("자료내용이 변경되었습니다.\r저장하시겠습니까?");
        int got = 0;
        if (kind == "info")
            dialogs.showInfo(text);
        else if (kind == "yesno")
            got = dialogs.askYesNo(text) ? 1 : 0;
        else if (kind == "noyes")
            got = dialogs.askNoYes(text) ? 1 : 0;
        else if (kind == "yesnocancel")
            got = int(dialogs.askYesNoCancel(text));
        else if (kind == "plain")
            dialogs.showPlain(text);
        else
            dialogs.showError(text);

        QCOMPARE(seen.title, title);
        QCOMPARE(int(seen.icon), icon);
        QCOMPARE(int(seen.buttons), buttons);
        QCOMPARE(int(seen.defaultButton), defaultButton);
        QCOMPARE(int(seen.escapeButton), escapeButton);
        QCOMPARE(seen.text, QStringLiteral("자료내용이 변경되었습니다.\n저장하시겠습니까?"));
        QCOMPARE(got, answer);
    }

    void buttonsSpeakKorean()
    {
        QVERIFY(QtUserDialogs::speakKorean());
        QtUserDialogs dialogs;
        QStringList captions;
        whenShown<QMessageBox>([&captions](QMessageBox* box) {
            for (QAbstractButton* b : box->buttons())
                captions << b->text();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        dialogs.askYesNoCancel(QStringLiteral("저장하시겠습니까?"));
        captions.sort();
        // No mnemonic: a letter alone must not answer.
        QCOMPARE(captions, QStringList({QStringLiteral("아니요"), QStringLiteral("예"), QStringLiteral("취소")}));
    }

    void lettersDoNotAnswerAQuestion_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("korean");   // Qt's Korean captions, "예(&Y)"
        QTest::addColumn<QList<int>>("keys");  // after the letters
        QTest::addColumn<int>("answer");      // askYesNo, askNoYes: 1 yes; askYesNoCancel: the Answer
        using A = UserDialogs::Answer;
        QTest::newRow("entry question, Enter") << "yesnocancel" << true << QList<int>{Qt::Key_Return} << int(A::Yes);
        QTest::newRow("entry question, Esc") << "yesnocancel" << true << QList<int>{Qt::Key_Escape} << int(A::Cancel);
        QTest::newRow("entry question, Right, Enter")
            << "yesnocancel" << false << QList<int>{Qt::Key_Right, Qt::Key_Return} << int(A::No);
        QTest::newRow("yes/no, Enter") << "yesno" << true << QList<int>{Qt::Key_Return} << 1;
        QTest::newRow("delete, Enter is No") << "noyes" << true << QList<int>{Qt::Key_Return} << 0;
        QTest::newRow("delete, Left, Enter is Yes") << "noyes" << false << QList<int>{Qt::Key_Left, Qt::Key_Return} << 1;
    }
    void lettersDoNotAnswerAQuestion()
    {
        QFETCH(QString, kind);
        QFETCH(bool, korean);
        QFETCH(QList<int>, keys);
        QFETCH(int, answer);
        if (korean)
            QVERIFY(QtUserDialogs::speakKorean());
        QtUserDialogs dialogs;
        bool stillOpen = false;
        whenShown<QMessageBox>([&](QMessageBox* box) {
            // "우유" typed on the Korean layout: the keys of ㅇ, ㅜ (N), ㅇ, ㅠ;
            // then Y (ㅛ), C and their Alt-less capitals.
            const QList<QPair<Qt::Key, QString>> letters{{Qt::Key_D, "ㅇ"}, {Qt::Key_N, "ㅜ"}, {Qt::Key_N, "n"},
                                                         {Qt::Key_Y, "ㅛ"}, {Qt::Key_Y, "y"}, {Qt::Key_C, "c"}};
            for (const auto& [key, text] : letters) {
                QTest::sendKeyEvent(QTest::Click, box->focusWidget() ? box->focusWidget() : box, key, text,
                                    Qt::NoModifier);
                QCoreApplication::processEvents();
            }
            QTest::qWait(200);  // animateClick would answer after 100 ms
            stillOpen = box->isVisible();
            for (int key : keys)
                QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key(key));
        });
        int got = -1;
        if (kind == "yesno")
            got = dialogs.askYesNo(QStringLiteral("삭제하시겠습니까??")) ? 1 : 0;
        else if (kind == "noyes")
            got = dialogs.askNoYes(QStringLiteral("삭제하시겠습니까??")) ? 1 : 0;
        else
            got = int(dialogs.askYesNoCancel(QStringLiteral("입력 중인 자료가 있습니다. 확인하시겠습니까?")));
        QVERIFY(stillOpen);
        QCOMPARE(got, answer);
    }

    void mnemonicsAreTakenOutOfCaptions_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("plain");
        QTest::newRow("Korean") << "예(&Y)" << "예";
        QTest::newRow("Korean, blank before") << "아니요 (&N)" << "아니요";
        QTest::newRow("English") << "&Yes" << "Yes";
        QTest::newRow("literal ampersand") << "R&&D" << "R&D";
        QTest::newRow("none") << "취소" << "취소";
    }
    void mnemonicsAreTakenOutOfCaptions()
    {
        QFETCH(QString, caption);
        QFETCH(QString, plain);
        QCOMPARE(QtUserDialogs::withoutMnemonic(caption), plain);
    }

    void fileDialogsTakeTheirSettings()
    {
        QTemporaryDir dir;
        QtUserDialogs dialogs;
        FileDialogSettings s;
        s.title = QStringLiteral("파일명을 확인하세요.");
        s.folder = dir.path() + "/";
        s.proposal = QStringLiteral("장부.Aut");
        s.filterName = QStringLiteral("간편장부");
        s.pattern = QStringLiteral("*.Aut");
        s.defaultSuffix = QStringLiteral("Aut");

        QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
        QStringList filters;
        QString suffix;
        QString title;
        QString folder;
        bool confirmsOverwrite = true;
        whenShown<QFileDialog>([&](QFileDialog* d) {
            mode = d->acceptMode();
            filters = d->nameFilters();
            suffix = d->defaultSuffix();
            title = d->windowTitle();
            folder = d->directory().absolutePath();
            confirmsOverwrite = !d->testOption(QFileDialog::DontConfirmOverwrite);
            d->selectFile(dir.path() + "/새장부.Aut");
            QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
        });
        const QString chosen = dialogs.saveFileName(s);
        QCOMPARE(mode, QFileDialog::AcceptSave);
        QCOMPARE(filters, QStringList{QStringLiteral("간편장부 (*.Aut)")});
        QCOMPARE(suffix, QStringLiteral("Aut"));
        QCOMPARE(title, s.title);
        QCOMPARE(folder, dir.path());
        QVERIFY(!confirmsOverwrite);
        QCOMPARE(chosen, dir.path() + "/새장부.Aut");

        whenShown<QFileDialog>([&](QFileDialog* d) {
            mode = d->acceptMode();
            d->reject();
        });
        QCOMPARE(dialogs.openFileName(s), QString());
        QCOMPARE(mode, QFileDialog::AcceptOpen);

        // Open takes a name that does not exist: the command reports it.
        whenShown<QFileDialog>([&](QFileDialog* d) {
            d->selectFile(dir.path() + "/없는장부.Aut");
            QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
        });
        QCOMPARE(dialogs.openFileName(s), dir.path() + "/없는장부.Aut");
    }

    void filterTextOfTheExport()
    {
        FileDialogSettings s;
        s.filterName = QStringLiteral("엑셀파일 ");
        s.pattern = QStringLiteral("*.xlsx");
        QCOMPARE(QtUserDialogs::nameFilter(s), QStringLiteral("엑셀파일 (*.xlsx)"));
    }

    void toneWithoutSoundOutputReturnsAtOnceAndSaysNothing()
    {
        // An ALSA configuration whose only device is a sound card that is
        // not there, whatever this machine has; read when ALSA is first used.
        QTemporaryDir dir;
        QFile config(dir.filePath("asound.conf"));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("pcm.!default { type hw card \"QuillbookNoSuchCard\" }\n");
        config.close();
        qputenv("ALSA_CONFIG_PATH", QFile::encodeName(config.fileName()));
        // Whatever ALSA writes to stderr lands in a file.
        QFile errors(dir.filePath("stderr"));
        QVERIFY(errors.open(QIODevice::ReadWrite));
        fflush(stderr);
        const int saved = dup(2);
        QVERIFY(saved >= 0);
        dup2(errors.handle(), 2);
        QElapsedTimer clock;
        clock.start();
        QtUserDialogs dialogs;
        dialogs.tone(750, 25);
        dialogs.tone(750, 25);
        const qint64 took = clock.elapsed();
        fflush(stderr);
        dup2(saved, 2);
        ::close(saved);
        qunsetenv("ALSA_CONFIG_PATH");
        QVERIFY(errors.seek(0));  // the offset is shared with the stderr copy
        QCOMPARE(errors.readAll(), QByteArray());
        QVERIFY2(took < 2000, qPrintable(QString::number(took)));
    }

    void toneReachesTheSoundOutputWhole()
    {
        // A sound output that writes what it is given into a file, and
        // plays at once.
        QTemporaryDir dir;
        const QString raw = dir.filePath("tone.raw");
        QFile config(dir.filePath("asound.conf"));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("pcm.!default { type file slave.pcm { type null } file \"" + QFile::encodeName(raw) +
                     "\" format raw }\n");
        config.close();
        qputenv("ALSA_CONFIG_PATH", QFile::encodeName(config.fileName()));
        QtUserDialogs().tone(750, 25);
        qunsetenv("ALSA_CONFIG_PATH");
        QFile played(raw);
        QVERIFY(played.open(QIODevice::ReadOnly));
        const std::vector<std::int16_t> expected = quill::ToneSamples(750, 25, 48000);
        const QByteArray bytes = played.readAll();
        QCOMPARE(bytes.size(), qsizetype(expected.size() * sizeof(std::int16_t)));
        QVERIFY(std::memcmp(bytes.constData(), expected.data(), bytes.size()) == 0);
    }
};

QTEST_MAIN(TestUserDialogs)
#include "tst_userdialogs.moc"
