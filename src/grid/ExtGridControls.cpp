// TExtStringGrid: the form controls of HTML cells. A press checks a CHECK, presses a
// BUTTON or opens the control edit or combo over an EDIT, PASSWORD, MASK or COMBO
// control; leaving the editor writes its value into the control's VALUE.
#include "grid/ExtGridEditors.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtGridLink.h"
#include "grid/ExtUtil.h"
#include "platform/ui/Forms.h"
#include "platform/ui/WinApi.h"


#include <algorithm>
#include <type_traits>

namespace {

// The masked edit's error, shown as the application shows an error.
void ReportMaskError(TObject* Sender) {
    if (Application) Application->HandleException(Sender, std::make_exception_ptr(EDBEditError(SMaskEditErr)));
}

}  // namespace

bool TExtStringGrid::CellHTMLHit(Integer ACol, Integer ARow, Integer X, Integer Y, THTMLHit& Hit) {
    const AnsiString Find = Hit.CtlID;
    Hit = THTMLHit{};
    Hit.CtlID = Find;
    if (ACol < 0 || ARow < 0) return false;
    AnsiString Text;
    FormatCellText(ACol, ARow, Text);
    const Integer Kind = TextType(Text, FEnableHTML);
    if (Kind == 0 && FURLShow && IsURL(Text)) {
        Hit.Anchor = Text;
        return true;
    }
    if (Kind != 1) return false;
    TRect R = CellRect(ACol, ARow);
    R.Left += 1;
    R.Top += 2;
    R.Right -= 2;
    TBitmap Scratch;
    TCanvas* Cv = MeasureCanvas(Scratch, ACol, ARow);
    AnsiString Plain, FocusedHref;
    Integer EX = 0, EY = 0, Count = 0, HitIndex = -1;
    TRect AnchorRect;
    return HTMLDrawEx(Cv, Text, R, GridImages(), X, Y, -1, -1, 1, true, false, false, false, true, false,
                      !FEnhTextSize, false, 0, FURLColor, clNone, clNone, 0x808080, Hit.Anchor, Plain, FocusedHref,
                      Hit.Title, EX, EY, Count, HitIndex, AnchorRect, Hit.CtlRect, Hit.CtlID, Hit.CtlValue, Hit.CtlType,
                      FPictureCache.get(), FPictureContainer, Widget());
}

bool TExtStringGrid::HoldsFormControls(Integer ACol, Integer ARow) {
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) return false;
    const AnsiString T = Cells(ACol, ARow);
    return TextType(T, FEnableHTML) == 1 && IsControlText(T);
}

TControlEdit* TExtStringGrid::ControlEdit() { return MakeGridControl(this, FControlEdit); }
TGridTransEdit* TExtStringGrid::TransEdit() {
    if (!FTransEdit) MakeGridControl(this, FTransEdit)->SetEnabled(true);   // hidden, but never disabled
    return FTransEdit;
}
TControlCombo* TExtStringGrid::ControlCombo() { return MakeGridControl(this, FControlCombo); }

bool TExtStringGrid::FormControlPress(Integer ACol, Integer ARow, Integer X, Integer Y) {
    const Integer RC = RealColIndex(ACol);
    THTMLHit Hit;
    const bool Found = CellHTMLHit(RC, ARow, X, Y, Hit);
    if (!Found || Hit.CtlID.empty() || Hit.CtlType.empty()) return false;
    bool Can = true;
    const std::shared_ptr<const bool> Alive = AliveToken();   // a handler may free the grid
    if (OnCanEditCell) FireEvent(OnCanEditCell, this, ARow, RC, Can);
    if (!*Alive) return true;
    if (!Can) {
        bool AutoHandle = false;   // nothing of a control is ever opened by the shell
        if (OnAnchorClick) FireEvent(OnAnchorClick, this, ARow, RC, "ctrl", AutoHandle);
        return true;
    }
    if (FormControlOpen()) ControlEditDone();
    if (!*Alive) return true;
    AnsiString Text = Cells(RC, ARow);
    AnsiString Value = Hit.CtlValue;
    if (Hit.CtlType == "BUTTON") {
        // Drawn down until the left button comes up or the grid loses the focus.
        ReleaseFormButton();
        FFormButtonCell = TGridCoord{ACol, ARow};
        FFormButtonPoint = Point(X, Y);
        RepaintCell(ACol, ARow);
    }
    if (Hit.CtlType == "CHECK") {
        Value = UpperCase(Value) == "TRUE" ? "FALSE" : "TRUE";
        SetControlValue(Text, Hit.CtlID, Value);
        SetCells(RC, ARow, Text);
    }
    if (OnControlClick) FireEvent(OnControlClick, this, ARow, RC, Hit.CtlID, Hit.CtlType, Value);
    if (*Alive) ShowFormControl(Text, Hit.CtlType, ARow, RC, Hit.CtlRect, Value, Hit.CtlID);
    return true;
}

void TExtStringGrid::ShowFormControl(const AnsiString& CellText, const AnsiString& CtrlType, Integer ARow,
                                     Integer ACol, const TRect& R, const AnsiString& Value, const AnsiString& ID) {
    const bool EditKind = CtrlType == "EDIT" || CtrlType == "PASSWORD" || CtrlType == "MASK";
    if (!EditKind && CtrlType != "COMBO") return;
    FCtrlCell = TGridCoord{ACol, RealRowIndex(ARow)};
    FCtrlID = ID;
    FCtrlType = CtrlType;
    FCtrlValue = Value;
    if (EditKind) {
        TControlEdit* E = ControlEdit();
        E->SetPasswordChar(CtrlType == "PASSWORD" ? '*' : 0);
        E->SetEditMask(CtrlType == "MASK" ? GetControlProp(CellText, ID) : AnsiString());
        E->SetText(Value);
        PutFormControl(E, R);
        E->SetEnabled(true);
        E->SetVisible(true);
        E->BringToFront();
        if (E->CanFocus()) E->SetFocus();
        E->SelectAll();
        return;
    }
    TControlCombo* C = ControlCombo();
    C->SetFlat(FControlLook->ControlStyle() != csClassic);
    bool Edit = true;
    Integer DropCount = 8;
    const TAliveGuard Alive(this);   // the handler may free the grid; every caller stops after this call
    if (OnControlComboList) FireEvent(OnControlComboList, this, ARow, ACol, ID, CtrlType, Value, C->Items(), Edit, DropCount);
    if (Alive.Gone()) return;
    C->SetStyle(Edit ? csDropDown : csDropDownList);
    C->SetItemIndex(C->Items()->IndexOf(Value));
    if (Edit) C->SetText(Value);
    C->SetDropDownCount(DropCount);
    PutFormControl(C, R);
    C->SetEnabled(true);
    C->SetVisible(true);
    C->BringToFront();
    if (C->CanFocus()) C->SetFocus();
    C->SetDroppedDown(true);
}

void TExtStringGrid::PlaceFormControl() {
    if (!FormControlOpen() || FUpdateCount > 0) return;   // the update's end places it
    const TGridCoord C = FCtrlCell;
    const bool Shown = C.X >= 0 && C.Y >= 0 && C.X < ColCount() && C.Y < AllRowCount() && !IsHiddenRow(C.Y);
    const Integer D = Shown ? DisplRowIndex(C.Y) : -1;
    THTMLHit Hit;
    Hit.CtlID = FCtrlID;
    if (D < 0 || D >= RowCount() || CellRect(C.X, D).IsEmpty() || !CellHTMLHit(C.X, D, -1, -1, Hit) ||
        Hit.CtlID != FCtrlID) {
        ControlEditDone();
        return;
    }
    TWinControl* Ctl = FCtrlType == "COMBO" ? static_cast<TWinControl*>(FControlCombo) : FControlEdit;
    PutFormControl(Ctl, Hit.CtlRect);
}

void TExtStringGrid::PutFormControl(TWinControl* Ctl, const TRect& R) {
    const Integer H = dynamic_cast<TComboBox*>(Ctl) ? Ctl->Height() : std::max(0, R.Height() - 4);
    Ctl->SetBounds(R.Left + 1, R.Top + 4, std::max(0, R.Width() - 4), H);
}

void TExtStringGrid::ReleaseFormButton() {
    if (FFormButtonCell.X < 0) return;
    const TGridCoord C = FFormButtonCell;
    FFormButtonCell = TGridCoord{-1, -1};
    if (C.X < ColCount() && C.Y < RowCount()) RepaintCell(C.X, C.Y);
}

void TExtStringGrid::ControlEditDone() {
    if (!FormControlOpen()) return;
    const AnsiString Type = FCtrlType, ID = FCtrlID;
    FCtrlType.clear();
    TWinControl* Ctl = Type == "COMBO" ? static_cast<TWinControl*>(FControlCombo) : FControlEdit;
    // An unfinished mask is not taken: the control keeps its value and the user is told.
    const bool Unfinished = Type == "MASK" && FControlEdit->MaskIncomplete();
    const AnsiString Value = Unfinished ? FCtrlValue : Ctl->Text();
    // Only a cell still shown takes the value: a removed row's editor stores nothing.
    TGridCoord C = FCtrlCell;
    C.Y = C.X >= 0 && C.Y >= 0 && C.Y < AllRowCount() && !IsHiddenRow(C.Y) ? DisplRowIndex(C.Y) : -1;
    if (C.X >= 0 && C.Y >= 0 && C.X < ColCount() && C.Y < RowCount()) {
        AnsiString Text = Cells(C.X, C.Y);
        if (SetControlValue(Text, ID, Value)) SetCells(C.X, C.Y, Text);
    }
    const bool HadFocus = Ctl->Focused();
    if (auto* Combo = dynamic_cast<TComboBox*>(Ctl); Combo && Combo->DroppedDown()) Combo->SetDroppedDown(false);
    Ctl->SetVisible(false);
    if (HadFocus && CanFocus()) SetFocus();
    const std::shared_ptr<const bool> Alive = AliveToken();
    if (Unfinished) ReportMaskError(this);
    if (*Alive && OnControlEditDone) FireEvent(OnControlEditDone, this, C.Y, C.X, ID, Type, Value);
}

bool TExtStringGrid::OpenFirstFormControl() {
    const Integer RC = GetRealCol();
    const AnsiString Text = Cells(RC, Row());
    const AnsiString ID = NextEditControlID(Text, AnsiString());
    if (ID.empty()) return false;
    THTMLHit Hit;
    Hit.CtlID = ID;   // found by its ID rather than by a point
    if (!CellHTMLHit(RC, Row(), -1, -1, Hit) || Hit.CtlID != ID) return false;
    ShowFormControl(Text, Hit.CtlType, Row(), RC, Hit.CtlRect, Hit.CtlValue, ID);
    return true;
}

// TAB in a control editor: its value is kept and the next editable control of the
// row opens; after the row's last one, AdvanceAuto moves on to the next cell.
void TExtStringGrid::FormControlTab() {
    if (!FormControlOpen()) return;
    TGridCoord At = FCtrlCell;
    At.Y = At.Y >= 0 && At.Y < AllRowCount() && !IsHiddenRow(At.Y) ? DisplRowIndex(At.Y) : -1;
    const AnsiString ID = FCtrlID;
    const std::shared_ptr<const bool> Alive = AliveToken();
    ControlEditDone();
    if (!*Alive || At.Y < 0 || At.Y >= RowCount()) return;
    for (Integer C = At.X; C < ColCount(); ++C) {
        const AnsiString Text = Cells(C, At.Y);
        const AnsiString Next = NextEditControlID(Text, C == At.X ? ID : AnsiString());
        if (Next.empty()) continue;
        THTMLHit Hit;
        Hit.CtlID = Next;
        if (!CellHTMLHit(C, At.Y, -1, -1, Hit) || Hit.CtlID != Next) continue;
        if (C != Col()) FocusCell(C, At.Y, true);
        ShowFormControl(Text, Hit.CtlType, At.Y, C, Hit.CtlRect, Hit.CtlValue, Next);
        return;
    }
    if (FNavigation->AdvanceAuto()) AdvanceEdit(Col(), Row(), true, false, true);
}

// --- the two editors ---------------------------------------------------------------------------
namespace {

// TAB comes to the control's keys instead of moving the focus.
bool ClaimTab(QEvent* E, TWinControl* Self) {
    const TRawKey K = RawKeyOf(E);
    if (!K.Press || !K.Tab || K.CtrlOrAlt) return false;
    Word Key = VK_TAB;
    Self->KeyDown(Key, K.Shift ? TShiftState{ssShift} : TShiftState{});
    return true;
}

// Enter keeps the typed value, Esc the one the control had; either gives the focus back.
// Enter on an unfinished mask is refused and the edit stays.
bool LeaveKey(TExtStringGrid* G, TWinControl* Ctl, const AnsiString& Before, Word& Key) {
    if (Key != VK_RETURN && Key != VK_ESCAPE) return false;
    if (auto* E = dynamic_cast<TCustomEdit*>(Ctl); E && Key == VK_RETURN && E->MaskIncomplete()) {
        Key = 0;
        E->SetSelStart(E->Mask().FirstMissing(E->EditText()));
        ReportMaskError(E);
        return true;
    }
    if (Key == VK_ESCAPE) Ctl->SetText(Before);
    Key = 0;
    G->ControlEditDone();
    return true;
}

}  // namespace

template <class TBase>
TFormControlEditor<TBase>::TFormControlEditor(TComponent* AOwner)
    : TBase(AOwner), FGrid(dynamic_cast<TExtStringGrid*>(AOwner)) {}

template <class TBase>
bool TFormControlEditor<TBase>::Open() const {
    return FGrid && FGrid->FormControlOpen();
}

template <class TBase>
bool TFormControlEditor<TBase>::QtEvent(QEvent* Event) {
    return (Open() && ClaimTab(Event, this)) || TBase::QtEvent(Event);
}

template <class TBase>
void TFormControlEditor<TBase>::KeyDown(Word& Key, TShiftState Shift) {
    if (Open() && Key == VK_TAB) {
        Key = 0;
        FGrid->FormControlTab();
        return;
    }
    bool ListOpen = false;   // an open list keeps Enter and Esc
    if constexpr (std::is_base_of_v<TComboBox, TBase>) ListOpen = this->DroppedDown();
    if (Open() && !ListOpen && LeaveKey(FGrid, this, FGrid->FCtrlValue, Key)) return;
    TBase::KeyDown(Key, Shift);
}

template <class TBase>
void TFormControlEditor<TBase>::DoExit() {
    const TAliveGuard alive(this);
    if (Open() && !FGrid->ComponentState().Contains(csDestroying)) FGrid->ControlEditDone();
    if (alive.Alive()) TBase::DoExit();
}

template class TFormControlEditor<TEdit>;
template class TFormControlEditor<TESGComboBox>;

TControlEdit::TControlEdit(TComponent* AOwner) : TFormControlEditor<TEdit>(AOwner) { SetEditFrame(this, false); }

TGridTransEdit::TGridTransEdit(TComponent* AOwner) : TEdit(AOwner), FGrid(dynamic_cast<TExtStringGrid*>(AOwner)) {}

void TGridTransEdit::KeyPress(char& Key) {
    if (Key == '\r') Key = 0;
    TEdit::KeyPress(Key);
}

bool TGridTransEdit::Commit() {
    if (!FGrid || FCommitting || FEditCol < 0 || FEditRow < 0 || FEditCol >= FGrid->ColCount() ||
        FEditRow >= FGrid->RowCount())
        return true;
    FCommitting = true;
    const std::shared_ptr<const bool> Alive = AliveToken();
    AnsiString Value = Text();
    bool Valid = true;
    TExtStringGridCheck* Checker = FGrid->CellChecker();
    if (Checker && Checker->AutoCorrect()) Value = Checker->Correct(FEditCol, FEditRow, Value);
    // The check's handler may move rows or columns: the text goes where its cell went.
    FGrid->FCheckedCell = TGridCoord{FEditCol, FGrid->RealRowIndex(FEditRow)};
    try {
        if (FGrid->OnCellValidate) FireEvent(FGrid->OnCellValidate, FGrid, FEditCol, FEditRow, Value, Valid);
    } catch (...) {
        // A raising handler stored nothing: the next commit asks again.
        if (*Alive) FCommitting = false;
        throw;
    }
    if (!*Alive) return Valid;
    FCommitting = false;
    const TPoint At = FGrid->CheckedCellNow();
    if (At.X < 0) {
        SetVisible(false);   // its cell went
        return Valid;
    }
    FEditCol = At.X, FEditRow = At.Y;
    if (!Valid) {
        FGrid->SetCol(FEditCol);   // the move's handlers may close the screen
        if (*Alive) FGrid->SetRow(FEditRow);
        if (*Alive && CanFocus()) SetFocus();
        return false;
    }
    if (FGrid->OnEditingDone) FireEvent(FGrid->OnEditingDone, FGrid);
    if (!*Alive) return true;
    if (Checker && Checker->AutoMarkError()) Value = Checker->MarkError(FEditCol, FEditRow, Value);
    FGrid->SetCells(FEditCol, FEditRow, FGrid->TypedCellText(FEditCol, FEditRow, Value));   // a Unicode cell stays one
    SetVisible(false);
    return true;
}

void TGridTransEdit::DoExit() {
    if (Visible() && FGrid && !FGrid->ComponentState().Contains(csDestroying)) {
        const std::shared_ptr<const bool> Alive = AliveToken();
        Commit();
        if (!*Alive) return;
    }
    TEdit::DoExit();
}
