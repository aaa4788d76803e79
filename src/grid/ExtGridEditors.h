#pragma once
// The editor controls the grid shows over a cell for the editor types its own text
// editor does not serve. Each knows its grid, hands its value back to the current
// cell and decides which keys stay in the control and which end the edit.
#include "grid/EsgCombo.h"
#include "grid/EsgEditBtn.h"
#include "grid/EsgSpin.h"
#include "grid/EsgUni.h"
#include "grid/ExtGrid.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/RichEdit.h"
#include "platform/ui/StdCtrls.h"

// A control the grid makes on first use, owned by and parented to it, hidden and
// disabled until an edit shows it.
template <class T>
T* MakeGridControl(TExtStringGrid* G, T*& Slot) {
    if (!Slot) {
        Slot = new T(G);
        Slot->SetParent(G);
        Slot->SetVisible(false);
        Slot->SetEnabled(false);
    }
    return Slot;
}

// The key steps every text-bearing editor shares (commit, tab advance, hand-over).
class TGridEditorKeys {
public:
    explicit TGridEditorKeys(TExtStringGrid* AGrid) : FGrid(AGrid) {}
    TExtStringGrid* Grid() const { return FGrid; }
    // The column's rules take a letter outside the code page (no number column); false beeps.
    bool TakesOutsideLetter() const;

protected:
    // Writes the editor's value into the current cell and validates it; the cell's
    // text goes back to the editor (TakeBack). False when refused.
    bool Commit(const std::function<void(const AnsiString&)>& TakeBack);
    // The same for the Unicode editors: the wide text goes to the cell and ValidateWideCell.
    bool CommitWide(const WideString& Text, const std::function<void(const WideString&)>& TakeBack);
    // The key protocol of the Unicode text editors: true when the key was the grid's.
    template <class TEd>
    bool UniKeyDown(TEd* Ed, Word& Key, TShiftState Shift, bool HandOver, bool Commits);
    // The keys that end an edit in a control: Tab, Enter, Up and Down commit first
    // (a refused value keeps the edit and Refused runs), Esc runs Revert and stores
    // nothing, then the key goes to the grid.
    void EditEndKeys(TControl* Ed, Word& Key, TShiftState Shift,
                     const std::function<void(const AnsiString&)>& TakeBack, const std::function<void()>& Refused,
                     const std::function<void()>& Revert);
    // Tab with goTabs: ends the edit and moves to the next (Shift: previous) cell.
    bool TabAdvance(Word Key, TShiftState Shift);
    // Ends the edit and gives the key to the grid: arrows and Tab move the current
    // cell, Enter runs the advance after Enter.
    void HandToGrid(Word Key, TShiftState Shift, bool GridKeys);
    // Tab reaches KeyDown only when the grid takes Tab itself.
    bool ClaimsTab(QEvent* Event, TWinControl* Self);
    void Exited();
    // The edit ends without storing the editor's value.
    void StoreNothing();
    // After a commit: a valid one is stored, a refused one goes on from the cell's text.
    void Committed(bool Valid);
    // A Unicode editor standing in for the column's text editor keeps its character rules.
    template <class TEd>
    bool KeepsColumnRules(TEd* Ed, char& Key);
    // The editor type the column asked for (a Unicode editor may stand in for it).
    TEditorType ColumnEditor() const;
    // Ctrl+V or Shift+Insert under the rules of editor type Rules: the clipboard's text goes
    // in only as those rules take it. True (Key 0) when the key was such a paste.
    template <class TEd>
    bool PastesByRules(TEd* Ed, Word& Key, TShiftState Shift, TEditorType Rules);
    // The same paste in a Unicode editor standing in for the text editor: the grid's paste
    // events first, the grid's length limit after the rules.
    template <class TEd>
    bool PastesAsTextEditor(TEd* Ed, Word& Key, TShiftState Shift);
    // After a change in a Unicode editor standing in for a mixed-case column: the whole
    // text takes the mixed case, as the column's own editor gives it.
    template <class TEd>
    void KeepsMixedCase(TEd* Ed);
    TExtStringGrid* FGrid;
};

// A control of the family: leaving it ends the edit; Tab reaches its keys when the grid takes Tab.
template <class TBase>
class TGridEditor : public TBase, public TGridEditorKeys {
public:
    explicit TGridEditor(TComponent* AOwner)
        : TBase(AOwner), TGridEditorKeys(dynamic_cast<TExtStringGrid*>(AOwner)) {}
    void DoExit() override {
        const TAliveGuard alive(this);   // ending the edit may close the screen
        Exited();
        if (alive.Alive()) TBase::DoExit();
    }
    bool QtEvent(QEvent* Event) override { return ClaimsTab(Event, this) || TBase::QtEvent(Event); }
};

class TGridSpin : public TGridEditor<TEsgSpinEdit> {
public:
    explicit TGridSpin(TComponent* AOwner);
    void UpClick(TObject* Sender) override;
    void DownClick(TObject* Sender) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;

protected:
    void Change() override;

private:
    void Stepped(bool Up);
};

// What the code-page and the Unicode combo share: the keys handed to the grid, Enter
// and Tab kept from the list, completion from the items, the history of typed texts
// and the grid's change events of a picked item. TStr is the text of the items.
template <class TBase, class TStr>
class TGridComboEditor : public TGridEditor<TBase> {
public:
    using TGridEditor<TBase>::TGridEditor;
    bool Typing() const { return FTyping; }
    Integer LookupIndex() const { return FLookupIndex; }
    bool LookupDone() const { return FLookupDone; }
    TNotifyEvent OnReturn;
    void KeyPress(char& Key) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    // Keeps a new text in the items with LookupHistory.
    void DoExit() override;

protected:
    void Select() override;
    // Notes whether Key types and tells whether the grid takes it (the list open or
    // not); the key the control keeps goes on to the control.
    bool HandsOver(Word Key, TShiftState Shift);

private:
    bool FTyping = true;
    Integer FLookupIndex = -1;
    bool FLookupDone = false;
};

class TGridCombo : public TGridComboEditor<TESGComboBox, AnsiString> {
public:
    explicit TGridCombo(TComponent* AOwner);
    void KeyDown(Word& Key, TShiftState Shift) override;
    // The drop-down width that fits the items (Navigation.AutoComboDropSize).
    Integer FittingDropWidth();

protected:
    void Change() override;

private:
    void TakeCell();
};

class TGridEditBtn : public TGridEditor<TEsgEditBtn> {
public:
    explicit TGridEditBtn(TComponent* AOwner);
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    // The character rules of the numeric and float editor types; false (Key 0) when refused.
    bool FilterChar(char& Key);

protected:
    void Change() override;
};

class TGridUnitEditBtn : public TGridEditor<TEsgUnitEditBtn> {
public:
    explicit TGridUnitEditBtn(TComponent* AOwner);
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    // A cell's text split into the number and the unit after it.
    void TakeCellText(const AnsiString& Text);
};

class TGridCheckBox : public TGridEditor<TCheckBox> {
public:
    explicit TGridCheckBox(TComponent* AOwner);
    void KeyDown(Word& Key, TShiftState Shift) override;
};

class TGridDatePicker : public TGridEditor<TDateTimePicker> {
public:
    explicit TGridDatePicker(TComponent* AOwner);
    // True while the calendar is open.
    bool Dropped() const;
    void KeyDown(Word& Key, TShiftState Shift) override;
};

class TGridButton : public TGridEditor<TButton> {
public:
    explicit TGridButton(TComponent* AOwner);
    void Click() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    bool WantsEscape() const override { return true; }
};

// The Unicode editors: the cell's wide text in and out, characters outside the code page kept.
class TGridUniEdit : public TGridEditor<TEsgUniEdit> {
public:
    explicit TGridUniEdit(TComponent* AOwner);
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;

protected:
    void Change() override;
};

class TGridUniEditBtn : public TGridEditor<TEsgUniEditBtn> {
public:
    explicit TGridUniEditBtn(TComponent* AOwner);
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;

protected:
    void Change() override;
};

// Enter starts a new line; Tab commits, Esc restores.
class TGridUniMemo : public TGridEditor<TEsgUniMemo> {
public:
    explicit TGridUniMemo(TComponent* AOwner);
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;

protected:
    void Change() override;
};

class TGridUniCombo : public TGridComboEditor<TESGUniComboBox, WideString> {
public:
    explicit TGridUniCombo(TComponent* AOwner);
    void KeyDown(Word& Key, TShiftState Shift) override;
};

// The editors of the form controls in HTML cells: leaving one writes its value into
// the control's VALUE; Enter leaves it, Esc leaves it unchanged.
// An edit for a cell outside the grid's own editors. Enter is swallowed; leaving it
// (or Commit) offers the text to OnCellValidate: a refused text keeps the edit focused
// on the edited cell, a valid one goes into the cell and the edit hides.
class TGridTransEdit : public TEdit {
public:
    explicit TGridTransEdit(TComponent* AOwner);
    TExtStringGrid* Grid() const { return FGrid; }
    Integer EditCol() const { return FEditCol; }
    void SetEditCol(Integer Value) { FEditCol = Value; }
    Integer EditRow() const { return FEditRow; }
    void SetEditRow(Integer Value) { FEditRow = Value; }
    // False when the text was refused.
    bool Commit();
    void KeyPress(char& Key) override;
    void DoExit() override;

private:
    TExtStringGrid* FGrid;
    Integer FEditCol = -1, FEditRow = -1;
    bool FCommitting = false;
};

// What the edit and the combo of a form control share: Tab goes to the next control,
// Enter and Esc (not in an open list) and leaving end the edit.
template <class TBase>
class TFormControlEditor : public TBase {
public:
    explicit TFormControlEditor(TComponent* AOwner);
    bool QtEvent(QEvent* Event) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void DoExit() override;
    bool WantsEscape() const override { return true; }

private:
    bool Open() const;
    TExtStringGrid* FGrid;
};

class TControlEdit : public TFormControlEditor<TEdit> {
public:
    explicit TControlEdit(TComponent* AOwner);
};

class TControlCombo : public TFormControlEditor<TESGComboBox> {
public:
    using TFormControlEditor<TESGComboBox>::TFormControlEditor;
};

// The rich edit the grid renders RTF cells with, and the one it edits them in.
// ReqWidth and ReqHeight are the size the content last asked for; while the
// grid fills the editing one, SuppressResize keeps the row as it is.
class TExtRichEdit : public TRichEdit {
public:
    explicit TExtRichEdit(TComponent* AOwner);
    Integer ReqWidth() const { return FReqWidth; }
    Integer ReqHeight() const { return FReqHeight; }
    bool SuppressResize() const { return FSuppressResize; }
    void SetSuppressResize(bool Value) { FSuppressResize = Value; }
    TExtStringGrid* Grid() const { return FGrid; }
    void KeyDown(Word& Key, TShiftState Shift) override;
    void DoExit() override;

private:
    void ResizeRequested(const TRect& R);
    TExtStringGrid* FGrid;
    Integer FReqWidth = 0;
    Integer FReqHeight = 0;
    bool FSuppressResize = false;
};
