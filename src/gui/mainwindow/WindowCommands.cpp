// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/mainwindow/WindowCommands.h"

#include "gui/mainwindow/MainWindow.h"

#include <QStringList>

const std::vector<WindowCommand>& windowCommands()
{
    using T = Tmainf;
    using K = QKeySequence;
    static const std::vector<WindowCommand> commands = {
        {"파일열기", &T::HFileOpenClick, {&T::HFileOpen}, {K(Qt::CTRL | Qt::Key_O)}, {}, 0},
        {"새파일", &T::NewFileClick, {&T::NewFile}, {K(Qt::CTRL | Qt::Key_N)}, {}, 0},
        {"자료저장", &T::SaveBtnClick, {&T::SaveBtn}, {K(Qt::CTRL | Qt::Key_S)}, {}, 0},
        {"딴이름으로저장", &T::RnameBtnClick, {&T::RnameBtn}, {K(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}, {}, 0},
        {"파일추가", &T::FileAddClick, {&T::FileAdd}, {K(Qt::CTRL | Qt::SHIFT | Qt::Key_O)}, {}, 0},
        {"자료추가", &T::BtnAppClick, {&T::BtnApp}, {}, {Qt::Key_F2}, 1},
        {"자료수정", &T::BtnEdtClick, {&T::BtnEdt}, {}, {Qt::Key_F3}, 1},
        {"자료삭제", &T::BtnDelClick, {&T::BtnDel}, {}, {Qt::Key_Delete}, 1},
        {"되돌리기", &T::undoClick, {}, {K(Qt::CTRL | Qt::Key_Z)}, {}, 1},
        {"다시하기", &T::redoClick, {}, {K(Qt::CTRL | Qt::Key_Y), K(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}, {}, 1},
        {"찾기", &T::openFindBar, {}, {K(Qt::CTRL | Qt::Key_F)}, {}, 1},
        {"합계 다시 계산", &T::recalculateTotals, {}, {}, {Qt::Key_F12}, 1},
        {"엑셀전송", &T::PrtBtnClick, {&T::PrtBtn}, {K(Qt::CTRL | Qt::Key_P)}, {}, 2},
        {"신고자료", &T::FilingBtnClick, {&T::FilingBtn}, {K(Qt::CTRL | Qt::Key_T)}, {}, 2},
        {"인쇄", &T::PrintBtnClick, {&T::PrintBtn}, {K(Qt::CTRL | Qt::SHIFT | Qt::Key_P)}, {}, 2},
        {"가져오기", &T::ImportBtnClick, {&T::ImportBtn}, {K(Qt::CTRL | Qt::Key_I)}, {}, 2},
        {"도움말", &T::HelpBtnClick, {&T::HelpBtn}, {}, {Qt::Key_F1}, 3},
        {"자료받기", &T::dDTZIPClick, {&T::dDTZIP}, {K(Qt::CTRL | Qt::SHIFT | Qt::Key_D)}, {}, 3},
        {"홈페이지", &T::DgaBtnClick, {&T::DgaBtn}, {K(Qt::CTRL | Qt::SHIFT | Qt::Key_H)}, {}, 3},
        {"프로그램 정보", &T::HinfoClick, {&T::Hinfo}, {K(Qt::CTRL | Qt::SHIFT | Qt::Key_A)}, {}, 3},
        {"종료", &T::mExit0Click, {&T::QuitBtn, &T::mExit0}, {K(Qt::CTRL | Qt::Key_Q)}, {Qt::Key_Escape}, 4},
    };
    return commands;
}

const WindowCommand* ledgerKeyCommand(int key)
{
    for (const WindowCommand& c : windowCommands())
        if (c.ledgerKeys.contains(key))
            return &c;
    return nullptr;
}

QString shortcutText(const WindowCommand& command)
{
    QStringList keys;
    for (int key : command.ledgerKeys)
        keys << QKeySequence(key).toString(QKeySequence::PortableText);
    for (const QKeySequence& k : command.windowKeys)
        keys << k.toString(QKeySequence::PortableText);
    // Qt writes "Del"; the keyboard and our help say "Delete".
    keys.replaceInStrings(QStringLiteral("Del"), QStringLiteral("Delete"));
    return keys.join(QStringLiteral(", "));
}
