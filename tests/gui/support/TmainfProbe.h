// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tests' one way into the main window's widgets and state, which are
// private to it: probe(window).GrdAcunt(), probe(window).book() ...
// Everything else the tests do goes through the window's commands.
#include "gui/mainwindow/MainWindow.h"

#include <memory>

class TmainfProbe {
public:
    explicit TmainfProbe(const Tmainf& w) : w_(const_cast<Tmainf&>(w)) {}

    auto& Bmxsm() const { return w_.Bmxsm; }
    auto& BtmPanl() const { return w_.BtmPanl; }
    auto& BtnApp() const { return w_.BtnApp; }
    auto& BtnDel() const { return w_.BtnDel; }
    auto& BtnEdt() const { return w_.BtnEdt; }
    auto& CmGbn() const { return w_.CmGbn; }
    auto& CntLbe() const { return w_.CntLbe; }
    auto& DgaBtn() const { return w_.DgaBtn; }
    auto& FileAdd() const { return w_.FileAdd; }
    auto& FilingBtn() const { return w_.FilingBtn; }
    auto& GrdAcunt() const { return w_.GrdAcunt; }
    auto& HFileOpen() const { return w_.HFileOpen; }
    auto& HelpBtn() const { return w_.HelpBtn; }
    auto& Hinfo() const { return w_.Hinfo; }
    auto& ImportBtn() const { return w_.ImportBtn; }
    auto& JKYUSuggest() const { return w_.JKYUSuggest; }
    auto& LaEnd0() const { return w_.LaEnd0; }
    auto& NavAcunt() const { return w_.NavAcunt; }
    auto& NavButtons() const { return w_.NavButtons; }
    auto& NewFile() const { return w_.NewFile; }
    auto& PrintBtn() const { return w_.PrintBtn; }
    auto& PrtBtn() const { return w_.PrtBtn; }
    auto& QuitBtn() const { return w_.QuitBtn; }
    auto& RnameBtn() const { return w_.RnameBtn; }
    auto& SANGHOSuggest() const { return w_.SANGHOSuggest; }
    auto& SaveBtn() const { return w_.SaveBtn; }
    auto& TAcunt() const { return w_.TAcunt; }
    auto& TagetTg() const { return w_.TagetTg; }
    auto& TopTitle() const { return w_.TopTitle; }
    auto& TpPnl0() const { return w_.TpPnl0; }
    auto& TpPnl2() const { return w_.TpPnl2; }
    auto& TpPnl3() const { return w_.TpPnl3; }
    auto& YerEdit() const { return w_.YerEdit; }
    auto& book() const { return w_.book; }
    auto& dDTZIP() const { return w_.dDTZIP; }
    auto& dxContainer3() const { return w_.dxContainer3; }
    auto& editorMode() const { return w_.editorMode; }
    auto& fAcunt() const { return w_.fAcunt; }
    auto& fNameLabl() const { return w_.fNameLabl; }
    auto& findBar() const { return w_.findBar; }
    auto& fnameBevl() const { return w_.fnameBevl; }
    auto& gCombo() const { return w_.gCombo; }
    auto& gridModel() const { return w_.gridModel; }
    auto& iconBtn() const { return w_.iconBtn; }
    auto& mColBar() const { return w_.mColBar; }
    auto& mExit0() const { return w_.mExit0; }
    auto& mainPanl() const { return w_.mainPanl; }
    auto& statementPreview() const { return w_.statementPreview; }
    auto& suggestions() const { return w_.suggestions; }
    auto& undoStack() const { return w_.undoStack; }

private:
    Tmainf& w_;
};

inline TmainfProbe probe(const Tmainf& w) { return TmainfProbe(w); }
inline TmainfProbe probe(const Tmainf* w) { return TmainfProbe(*w); }
inline TmainfProbe probe(const std::unique_ptr<Tmainf>& w) { return TmainfProbe(*w); }
