// SPDX-License-Identifier: GPL-3.0-or-later
#include "Credits/CreditsText.h"

#include <QFileInfo>

namespace credits {

namespace {
QString u(const char* text) { return QString::fromUtf8(text); }
} // namespace

QList<Licence> shippedLicences()
{
    return {
        {u("Qt 6"), u("GNU LGPL 3.0"), u("Copyright (C) The Qt Company Ltd. and other contributors"),
         u("창과 단추를 그리는 라이브러리입니다. 프로그램은 Qt를 고치지 않고 공유 라이브러리로 연결해 쓰므로, "
           "사용자는 Qt를 다른 판으로 바꿔 쓸 수 있습니다."),
         {u("/usr/share/common-licenses/LGPL-3"), u("/usr/share/doc/libqt6core6/copyright")}},
        {u("libxlsxwriter"), u("BSD 2-Clause"), u("Copyright 2014-2021 John McNamara"),
         u("엑셀 통합 문서(xlsx)를 쓰는 라이브러리입니다. 저작권 표시와 사용권 문구를 함께 두면 자유롭게 "
           "쓰고 나눌 수 있습니다."),
         {u("/usr/share/doc/libxlsxwriter4/copyright"), u("/usr/share/doc/libxlsxwriter-dev/copyright"),
          u("/usr/share/common-licenses/BSD")}},
        {u("나눔 글꼴 (Nanum fonts)"), u("SIL Open Font License 1.1"), u("Copyright (c) 2010, NAVER Corporation"),
         u("화면과 통합 문서의 한글 글꼴입니다. 글꼴 자체를 팔지 않는 한 자유롭게 쓰고 함께 나눌 수 있습니다."),
         {u("/usr/share/doc/fonts-nanum/copyright")}},
    };
}

QString fullTextFile(const Licence& licence)
{
    for (const QString& path : licence.texts)
        if (QFileInfo(path).isFile())
            return path;
    return licence.texts.value(0);
}

QString creditsHtml(const QString& changeDateLine, const QString& projectLine, const QList<Licence>& licences)
{
    QString html;
    html += u("<p style='font-size:large'><b>") + projectLine.toHtmlEscaped() + u("</b></p>");
    html += u("<p>") + changeDateLine.toHtmlEscaped() + u("</p>");
    html += u("<hr><p><b>함께 쓰는 구성 요소와 사용권</b></p>");
    for (const Licence& l : licences) {
        html += u("<p><b>") + l.component.toHtmlEscaped() + u("</b> — ") + l.licence.toHtmlEscaped() + u("<br>");
        html += l.copyright.toHtmlEscaped() + u("<br>") + l.summary.toHtmlEscaped() + u("<br>");
        html += u("사용권 전문: ") + fullTextFile(l).toHtmlEscaped() + u("</p>");
    }
    return html;
}

} // namespace credits
