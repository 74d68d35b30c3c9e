// SPDX-License-Identifier: GPL-3.0-or-later
// "PagePane.dll": a window at exactly the screen rectangle the program
// asks for, showing a page. Pages of our own site ship with the program
// and are shown offline; links inside them work (Alt+Left or Backspace
// goes back); every other address opens in the desktop's web browser.
// The entry returns when the window is closed (Esc closes it).
#include "plugins/PagePane/SiteAddress.h"
#include "plugins/common/PluginSupport.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QKeySequence>
#include <QScrollBar>
#include <QShortcut>
#include <QTextCursor>
#include <QTextBrowser>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

#include <cstdint>

namespace {

QString u(const char* text) { return QString::fromUtf8(text); }

const char* const kOpenInBrowser = "open-in-browser";

QString missingPage(const QUrl& address)
{
    return u("<h3>페이지를 찾을 수 없습니다</h3>"
             "<p>이 페이지는 프로그램과 함께 설치되어 있지 않습니다.</p><p>") +
           address.toDisplayString().toHtmlEscaped() + u("</p><p><a href='#") + u(kOpenInBrowser) +
           u("'>웹 브라우저로 열기</a></p>");
}

struct BackspaceGoesBack : QObject {
    QTextBrowser* view = nullptr;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != view || event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Backspace) {
            view->backward();
            return true;
        }
        // A page without a caret of its own: Ctrl+Home and Ctrl+End go to
        // its top and bottom (the text view would only move an unseen caret).
        if (key->matches(QKeySequence::MoveToStartOfDocument) || key->matches(QKeySequence::MoveToEndOfDocument)) {
            const bool top = key->matches(QKeySequence::MoveToStartOfDocument);
            QTextCursor caret = view->textCursor();
            caret.movePosition(top ? QTextCursor::Start : QTextCursor::End);
            view->setTextCursor(caret);
            QScrollBar* bar = view->verticalScrollBar();
            bar->setValue(top ? bar->minimum() : bar->maximum());
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

class Pane {
public:
    Pane(const QString& siteFolder, QWidget* host) : site_(siteFolder), box_(host)
    {
        box_.setObjectName(u("PagePane"));
        box_.setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint);
        box_.setWindowModality(Qt::ApplicationModal);
        box_.setWindowTitle(u("간편장부 도움말"));
        if (host)
            box_.setWindowIcon(host->windowIcon());
        view_ = new QTextBrowser;
        view_->setObjectName(u("PageView"));
        view_->setOpenLinks(false);
        view_->setAccessibleName(u("페이지 내용"));
        auto* layout = new QVBoxLayout(&box_);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view_);
        QObject::connect(view_, &QTextBrowser::anchorClicked, &box_, [this](const QUrl& link) { follow(link); });
        QObject::connect(view_, &QTextBrowser::sourceChanged, &box_, [this](const QUrl&) {
            const QString title = view_->documentTitle().trimmed();
            box_.setWindowTitle(title.isEmpty() ? u("간편장부 도움말") : title);
        });
        // Backspace goes back too, and Ctrl+Home/End go to the top and the
        // bottom; the text view would take these keys before any shortcut.
        view_->installEventFilter(&backspace_);
        backspace_.view = view_;
        auto* forward = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Right), &box_);
        QObject::connect(forward, &QShortcut::activated, view_, &QTextBrowser::forward);
        auto* backAlt = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Left), &box_);
        QObject::connect(backAlt, &QShortcut::activated, view_, &QTextBrowser::backward);
    }

    void show(const pagepane::Target& target)
    {
        if (target.kind == pagepane::Target::Local)
            view_->setSource(target.url);
        else
            showMissing(target.url);
    }

    // The rectangle is the outer frame's. The window manager's frame is
    // known only once the window is shown, so the size is set again then.
    void runAt(const QRect& outer)
    {
        box_.resize(outer.size());
        box_.move(outer.topLeft());
        box_.show();
        fitFrame(outer);
        view_->setFocus();
        box_.exec();
    }

private:
    void fitFrame(const QRect& outer)
    {
        QElapsedTimer clock;
        clock.start();
        // Without a window manager (or offscreen) there is no frame at all.
        while (clock.elapsed() < 500 && box_.frameGeometry() == box_.geometry()) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
        const QMargins frame(box_.geometry().left() - box_.frameGeometry().left(),
                             box_.geometry().top() - box_.frameGeometry().top(),
                             box_.frameGeometry().right() - box_.geometry().right(),
                             box_.frameGeometry().bottom() - box_.geometry().bottom());
        if (frame.isNull())
            return;
        box_.setGeometry(outer.marginsRemoved(frame));
    }

    void follow(const QUrl& link)
    {
        if (link.isRelative() && link.path().isEmpty() && link.hasFragment()) {
            if (link.fragment() == QLatin1String(kOpenInBrowser) && missing_.isValid())
                QDesktopServices::openUrl(missing_);
            else if (view_->source().isValid())
                view_->setSource(pagepane::resolveLink(view_->source(), link));  // Back returns here
            else
                view_->scrollToAnchor(link.fragment());
            return;
        }
        const QUrl address = pagepane::resolveLink(view_->source(), link);
        const pagepane::Target target = pagepane::resolveAddress(address, site_);
        switch (target.kind) {
        case pagepane::Target::Local: view_->setSource(target.url); break;
        case pagepane::Target::Browser: QDesktopServices::openUrl(target.url); break;
        case pagepane::Target::Missing: showMissing(target.url); break;
        }
    }

    void showMissing(const QUrl& address)
    {
        missing_ = address;
        view_->setHtml(missingPage(address));
        box_.setWindowTitle(u("간편장부 도움말"));
    }

    QString site_;
    BackspaceGoesBack backspace_;
    QDialog box_;
    QTextBrowser* view_ = nullptr;
    QUrl missing_;
};

} // namespace

QB_PLUGIN_ENTRY void OpenPane(std::int32_t top, std::int32_t left, std::int32_t height, std::int32_t width,
                              const char* url)
{
    if (!plugin::hasWidgets())
        return;
    const QUrl address(url ? QString::fromUtf8(url) : QString(), QUrl::StrictMode);
    const QString site = pagepane::findSiteFolder(plugin::libraryFolder(reinterpret_cast<const void*>(&OpenPane)));
    const pagepane::Target target = pagepane::resolveAddress(address, site);
    if (target.kind == pagepane::Target::Browser) {
        // Not ours: the desktop's browser shows it; there is no pane.
        QDesktopServices::openUrl(target.url);
        return;
    }
    Pane pane(site, plugin::hostWindow());
    pane.show(target);
    pane.runAt(QRect(left, top, width, height));
}
