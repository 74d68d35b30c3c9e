// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppFonts.h"
#include "app/AppInfo.h"
#include "app/CloseSignals.h"
#include "app/ErrorText.h"
#include "app/MainWindow.h"
#include "app/ProgramFolders.h"
#include "app/QtUserDialogs.h"
#include "app/WorkFolder.h"

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>

#include <QFileInfo>

#include <cstdio>
#include <exception>
#include <new>

namespace {

// Last line of defence: a failure escaping an event handler is shown like
// any other unhandled failure instead of ending the program.
class QuillApplication : public QApplication {
public:
    using QApplication::QApplication;
    UserDialogs* dialogs = nullptr;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::bad_alloc&) {
            report(QString::fromUtf8(quill::kOutOfMemoryText));
        } catch (const std::exception& e) {
            report(QString::fromUtf8(e.what()));
        } catch (...) {
            report(QStringLiteral("알 수 없는 오류가 발생했습니다"));
        }
        return false;
    }

private:
    void report(const QString& text)
    {
        if (dialogs)
            dialogs->showError(QString::fromStdString(quill::ErrorReportText(text.toStdString())));
    }
};

// The ledger named on the command line (what a desktop's "open with"
// passes), made absolute before anything changes the current folder.
// More than one name is refused: the program opens one ledger at a time.
bool ledgerArgument(const QStringList& arguments, QString& path)
{
    QStringList names = arguments.mid(1);
    names.removeAll(QStringLiteral("--"));
    if (names.size() > 1) {
        std::fputs("quillbook: 파일은 하나만 열 수 있습니다 (one ledger file at a time).\n", stderr);
        return false;
    }
    if (!names.isEmpty())
        path = QFileInfo(names.front()).absoluteFilePath();
    return true;
}

void setFolders(AppContext& context)
{
    const quill::ProgramFolders f =
        quill::ResolveProgramFolders(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    auto q = [](const std::string& s) { return QFile::decodeName(QByteArray::fromStdString(s)); };
    context.programFolder = q(f.program);
    if (!f.installed)
        return;
    context.configFolder = q(f.config);
    context.stateFolder = q(f.state);
    context.dataFolder = q(f.data);
    context.defaultWorkFolder = q(f.defaultWork);
    // First use of an installed copy: the user's folders exist, and the work
    // folder is stored, so the dialogs open there. A failure here is not
    // reported: the first command that needs the folder reports it.
    quill::CreateUserFolders(f);
    quill::ReadWorkFolder(f.config, quill::kConfigFileName, f.defaultWork);
}

} // namespace

int main(int argc, char* argv[])
{
    QuillApplication app(argc, argv);
    QString ledger;
    if (!ledgerArgument(QCoreApplication::arguments(), ledger))
        return 2;
    QApplication::setApplicationName(QString::fromUtf8(kProgramTitle));
    QApplication::setFont(appfonts::pixelFont(appfonts::gulim(), 12));
    QtUserDialogs::speakKorean();

    QtUserDialogs dialogs;
    app.dialogs = &dialogs;
    AppContext context;
    setFolders(context);
    context.openAtStart = ledger;
    context.dialogs = &dialogs;

    Tmainf mainf(context);
    // A session that ends, or `kill`, asks as closing the window does.
    CloseSignals closeSignals([&mainf](int) { mainf.closeBySignal(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &mainf,
                     [&mainf](QSessionManager& manager) { mainf.commitData(manager); }, Qt::DirectConnection);
    mainf.show();
    return app.exec();
}
