// Stand-ins for the main window's commands that other parts of the program
// bring. Each is one definition: delete it when the real one arrives.
#include "app/Cp949.h"
#include "app/MainWindow.h"
#include "editor/EntryPanel.h"
#include "ledger/FileCommands.h"
#include "view/Totals.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableView>

void Tmainf::NewFileClick()
{
    if (book.Modified && AskSaveChanges() == SaveAnswer::Cancel)
        return;
    editorMode = quill::EditorMode::Idle;
    TpPnl3->setMode(editorMode);
    TpPnl3->setButtonsActive(false);
    TpPnl3->setEnabled(false);
    if (quill::IoResult r = quill::NewLedger(book); !r) {
        reportError(QString::fromStdString(r.message));
        return;
    }
    YerEdit->setValue(context().now().date().year());
    {
        const QSignalBlocker blockCategory(CmGbn);
        const QSignalBlocker blockMonth(gCombo);
        CmGbn->setCurrentIndex(0);
        gCombo->setCurrentIndex(0);
    }
    setFileNameLabel(QString::fromUtf8(quill::kUntitledName));
    applyControlFilter();
    const quill::TotalsTexts zero = quill::ZeroTotalsTexts();
    for (int i = 0; i < 6; ++i)
        Bmxsm[i]->setText(QString::fromStdString(zero.Bmxsm[static_cast<std::size_t>(i)]));
    CntLbe->setText(QString::fromStdString(zero.CntLbe));
    book.Modified = false;
    GrdAcunt->setFocus();
}

void Tmainf::HFileOpenClick() {}
void Tmainf::SaveBtnClick() {}
void Tmainf::RnameBtnClick() {}
void Tmainf::FileAddClick() {}
Tmainf::SaveAnswer Tmainf::AskSaveChanges() { return SaveAnswer::No; }
void Tmainf::BtnAppClick() {}
void Tmainf::BtnEdtClick() {}
void Tmainf::BtnDelClick() {}
void Tmainf::mOkClick() {}
void Tmainf::mVoideClick() {}
void Tmainf::dAcuntDataChange() {}
void Tmainf::HelpBtnClick() {}
void Tmainf::dDTZIPClick() {}
void Tmainf::DgaBtnClick() {}
void Tmainf::HinfoClick() {}
