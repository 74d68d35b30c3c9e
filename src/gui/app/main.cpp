// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/AppFonts.h"
#include "core/AppInfo.h"
#include "gui/app/CloseSignals.h"
#include "core/io/ErrorText.h"
#include "gui/app/InputMethod.h"
#include "gui/mainwindow/MainWindow.h"
#include "core/io/ProgramFolders.h"
#include "core/io/SafeFile.h"
#include "gui/app/QtUserDialogs.h"
#include "core/config/WorkFolder.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QSessionManager>

#include <QFileInfo>

#include <cstdio>
#include <string>
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

// --help and --version answer without a display, before Qt starts; any
// other option is refused rather than taken for a file name.
constexpr const char* kUsage =
    "사용법: quillbook [장부파일.Aut]\n"
    "간편장부: 거래를 간편장부 서식대로 적고, 기간별 합계를 보고, 엑셀로 출력하는 프로그램입니다.\n"
    "\n"
    "  장부파일.Aut   시작할 때 열 장부 (하나만; '-'로 시작하는 이름은 -- 뒤에)\n"
    "  -h, --help     이 도움말을 보이고 끝냅니다\n"
    "  --version      판을 보이고 끝냅니다\n"
    "\n"
    "키와 프로그램이 쓰는 폴더는 quillbook(1)에, 쓰는 법은 프로그램의 도움말(F1)에 있습니다.\n";

// -1: go on and start the program; otherwise the exit status.
int answerOptions(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--")
            return -1;
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::fputs("quillbook " QB_VERSION "\n", stdout);
            return 0;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "quillbook: 모르는 옵션입니다: %s\n\n", arg.c_str());
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char* argv[])
{
    // Every file is written through the safe writer, which reports a write
    // past the file size limit as a failure when the signal does not end us.
    quill::IgnoreFileSizeSignal();
    if (const int status = answerOptions(argc, argv); status >= 0)
        return status;
    const QDir inputContexts(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforminputcontexts"));
    const QString module = InputModuleFallback(qEnvironmentVariable("QT_IM_MODULE"), inputContexts.entryList(QDir::Files));
    if (!module.isEmpty())
        qputenv("QT_IM_MODULE", module.toUtf8());
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
