// SPDX-License-Identifier: GPL-3.0-or-later
#include "plugins/Credits/CreditsText.h"

#include <QFileInfo>

namespace credits {

namespace {
QString u(const char* text) { return QString::fromUtf8(text); }
} // namespace

QList<Licence> shippedLicences()
{
    const QString doc = u("/usr/share/doc/");
    const QString common = u("/usr/share/common-licenses/");
    return {
        {u("간편장부 (quillbook)"), u("GPL-3.0-or-later"), u("Copyright (C) 2026 Quillbook developers"),
         u("이 프로그램은 자유 소프트웨어입니다. GNU 일반 공중 사용 허가서 3판 또는 그 이후 판에 따라 쓰고, "
           "고치고, 나눌 수 있습니다. 보증은 없습니다."),
         {doc + u("quillbook/copyright"), common + u("GPL-3")}, {}},
        {u("Qt 6 (Core, Gui, Widgets, PrintSupport, DBus, OpenGL)"), u("LGPL-3.0-only OR GPL-2.0-only OR GPL-3.0-only"),
         u("Copyright (C) The Qt Company Ltd. and other contributors"),
         u("창과 단추를 그리는 라이브러리입니다. 공유 라이브러리로 연결하므로 사용자는 Qt를 다른 판으로 바꿔 "
           "쓸 수 있습니다."),
         {common + u("LGPL-3"), doc + u("libqt6core6/copyright")},
         {u("libQt6Core.so"), u("libQt6Gui.so"), u("libQt6Widgets.so"), u("libQt6PrintSupport.so"),
          u("libQt6DBus.so"), u("libQt6OpenGL.so"), u("libQt6OpenGLWidgets.so")}},
        {u("Qt 6 Charts"), u("GPL-3.0-only"), u("Copyright (C) The Qt Company Ltd."),
         u("신고자료 창의 월별 그래프를 그립니다. GPL로만 쓸 수 있으므로 이 프로그램도 GPL로 나눕니다."),
         {common + u("GPL-3"), doc + u("libqt6charts6/copyright")}, {u("libQt6Charts.so")}},
        {u("libxlsxwriter"), u("BSD-2-Clause"), u("Copyright 2014-2021 John McNamara"),
         u("엑셀 통합 문서(xlsx)를 씁니다. 안에 든 minizip은 Zlib, md5는 공유 저작물입니다."),
         {doc + u("libxlsxwriter4/copyright"), common + u("BSD")}, {u("libxlsxwriter.so")}},
        {u("xxHash"), u("BSD-2-Clause"), u("Copyright (C) 2012-2021 Yann Collet"),
         u("장부 파일이 디스크에서 바뀌었는지 알아보는 빠른 해시입니다."),
         {doc + u("libxxhash0/copyright"), common + u("BSD")}, {u("libxxhash.so")}},
        {u("ALSA 라이브러리 (alsa-lib)"), u("LGPL-2.1-or-later"), u("Copyright (C) Jaroslav Kysela and other contributors"),
         u("짧은 알림음을 소리 장치로 보냅니다."),
         {common + u("LGPL-2.1"), doc + u("libasound2/copyright")}, {u("libasound.so")}},
        {u("libzip"), u("BSD-3-Clause"), u("Copyright (C) 1999-2022 Dieter Baron and Thomas Klausner"),
         u("내려받은 거래 내역(xlsx)의 압축을 풉니다."),
         {doc + u("libzip4/copyright"), common + u("BSD")}, {u("libzip.so")}},
        {u("Expat"), u("MIT"), u("Copyright (c) 1998-2000 Thai Open Source Software Center Ltd and Clark Cooper, "
                                 "Copyright (c) 2001-2022 Expat maintainers"),
         u("xlsx 안의 XML을 읽습니다."), {doc + u("libexpat1/copyright")}, {u("libexpat.so")}},
        {u("libxml2"), u("MIT"), u("Copyright (C) 1998-2012 Daniel Veillard"),
         u("HTML로 된 거래 내역의 표를 읽습니다."), {doc + u("libxml2/copyright")}, {u("libxml2.so")}},
        {u("나눔 글꼴 (fonts-nanum)"), u("OFL-1.1"), u("Copyright (c) 2010, NAVER Corporation"),
         u("화면과 통합 문서의 한글 글꼴입니다(셋 가운데 하나가 설치됩니다). 글꼴 자체를 팔지 않는 한 자유롭게 "
           "쓰고 나눌 수 있습니다."),
         {doc + u("fonts-nanum/copyright")}, {}},
        {u("Noto CJK 글꼴 (fonts-noto-cjk)"), u("OFL-1.1"), u("Copyright 2014-2021 Adobe, Google"),
         u("나눔 글꼴 대신 쓸 수 있는 한글 글꼴입니다."), {doc + u("fonts-noto-cjk/copyright")}, {}},
        {u("은 글꼴 (fonts-unfonts-core)"), u("GPL-2.0-only"), u("Copyright (C) 1998-2008 Koaunghi Un"),
         u("나눔 글꼴 대신 쓸 수 있는 한글 글꼴입니다."),
         {common + u("GPL-2"), doc + u("fonts-unfonts-core/copyright")}, {}},
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
    html += u("<hr><p><b>이 프로그램과 함께 쓰는 구성 요소의 사용권</b></p>");
    for (const Licence& l : licences) {
        html += u("<p><b>") + l.component.toHtmlEscaped() + u("</b> — ") + l.licence.toHtmlEscaped() + u("<br>");
        html += l.copyright.toHtmlEscaped() + u("<br>") + l.summary.toHtmlEscaped() + u("<br>");
        html += u("사용권 전문: ") + fullTextFile(l).toHtmlEscaped() + u("</p>");
    }
    return html;
}

} // namespace credits
