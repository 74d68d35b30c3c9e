#include "app/AppFonts.h"
#include "app/AppInfo.h"
#include "app/ErrorText.h"
#include "app/MainWindow.h"
#include "app/QtUserDialogs.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>

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

} // namespace

int main(int argc, char* argv[])
{
    QuillApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kProgramTitle));
    QApplication::setFont(appfonts::pixelFont(appfonts::gulim(), 12));
    QtUserDialogs::speakKorean();

    QtUserDialogs dialogs;
    app.dialogs = &dialogs;
    AppContext context;
    context.programFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    context.dialogs = &dialogs;

    Tmainf mainf(context);
    mainf.show();
    return app.exec();
}
