// SPDX-License-Identifier: GPL-3.0-or-later
// "Credits.dll": the about box. A modest modal box over the program's
// window with its icon, the program's two lines and the licences of what
// ships with it. Enter and Esc close it.
#include "plugins/Credits/CreditsText.h"
#include "plugins/common/PluginSupport.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

QIcon programIcon(QWidget* host)
{
    if (host && !host->windowIcon().isNull())
        return host->windowIcon();
    return QIcon::fromTheme(QString::fromUtf8("com.example.quillbook"), qApp->windowIcon());
}

} // namespace

QB_PLUGIN_ENTRY void ShowCredits(const char* changeDateLine, const char* projectLine)
{
    if (!plugin::hasWidgets())
        return;
    QWidget* host = plugin::hostWindow();
    QDialog box(host);
    box.setObjectName(QString::fromUtf8("CreditsBox"));
    box.setWindowTitle(QString::fromUtf8("프로그램 정보"));
    box.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    box.setWindowModality(Qt::ApplicationModal);
    const QIcon icon = programIcon(host);
    box.setWindowIcon(icon);

    auto* picture = new QLabel;
    picture->setObjectName(QString::fromUtf8("CreditsIcon"));
    picture->setPixmap(icon.pixmap(64, 64));
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* body = new QTextBrowser;
    body->setObjectName(QString::fromUtf8("CreditsText"));
    body->setOpenLinks(false);
    body->setAccessibleName(QString::fromUtf8("프로그램 정보와 사용권"));
    body->setFrameShape(QFrame::NoFrame);
    body->viewport()->setAutoFillBackground(false);
    body->setHtml(credits::creditsHtml(plugin::fromCp949(changeDateLine), plugin::fromCp949(projectLine),
                                       credits::shippedLicences()));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QString::fromUtf8("확인"));
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addWidget(body, 1);
    auto* layout = new QVBoxLayout(&box);
    layout->addLayout(top, 1);
    layout->addWidget(buttons);
    box.resize(520, 420);
    // Enter closes from anywhere in the box, the text included.
    ok->setFocus();
    box.exec();
}
