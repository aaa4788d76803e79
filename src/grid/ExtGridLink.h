#pragma once
// Plugging an application's own editing into the grid: an edit link makes any
// control the editor of edCustom cells, in place or in a pop-up form below the
// cell; a cell checker corrects edited values and marks errors.
#include "grid/ExtGrid.h"

class TForm;

enum TEditStyle { esInplace, esPopup };

class TEditLink : public TComponent {
public:
    explicit TEditLink(TComponent* AOwner);
    ~TEditLink() override;

    // The grid that shows the link's editor; set by the grid each time it does.
    TExtStringGrid* Grid() const { return FGrid; }
    Integer EditCol() const { return FEditCol; }
    Integer EditRow() const { return FEditRow; }

    // The keys that stay in the control instead of ending the edit.
    bool WantKeyLeftRight() const { return FWantKeyLeftRight; }
    void SetWantKeyLeftRight(bool Value) { FWantKeyLeftRight = Value; }
    bool WantKeyUpDown() const { return FWantKeyUpDown; }
    void SetWantKeyUpDown(bool Value) { FWantKeyUpDown = Value; }
    bool WantKeyHomeEnd() const { return FWantKeyHomeEnd; }   // End only: Home never leaves
    void SetWantKeyHomeEnd(bool Value) { FWantKeyHomeEnd = Value; }
    bool WantKeyPriorNext() const { return FWantKeyPriorNext; }
    void SetWantKeyPriorNext(bool Value) { FWantKeyPriorNext = Value; }
    bool WantKeyReturn() const { return FWantKeyReturn; }
    void SetWantKeyReturn(bool Value) { FWantKeyReturn = Value; }
    bool WantKeyEscape() const { return FWantKeyEscape; }
    void SetWantKeyEscape(bool Value) { FWantKeyEscape = Value; }

    TEditStyle EditStyle() const { return FEditStyle; }
    void SetEditStyle(TEditStyle Value) { FEditStyle = Value; }
    // The pop-up form while an esPopup edit is open, else nil.
    TForm* PopupForm() const { return FPopupForm; }
    Integer PopupWidth() const { return FPopupWidth; }
    void SetPopupWidth(Integer Value) { FPopupWidth = Value; }
    Integer PopupHeight() const { return FPopupHeight; }
    void SetPopupHeight(Integer Value) { FPopupHeight = Value; }
    // Screen position of the pop-up; -1 puts it below the cell.
    Integer PopupLeft() const { return FPopupLeft; }
    void SetPopupLeft(Integer Value) { FPopupLeft = Value; }
    Integer PopupTop() const { return FPopupTop; }
    void SetPopupTop(Integer Value) { FPopupTop = Value; }
    bool AutoPopupWidth() const { return FAutoPopupWidth; }
    void SetAutoPopupWidth(bool Value) { FAutoPopupWidth = Value; }
    Integer Tag() const { return FTag; }
    void SetTag(Integer Value) { FTag = Value; }

    // Tab, Enter, Esc, PgUp, PgDn, End and the arrows end the edit unless wanted.
    virtual void EditKeyDown(Word& Key, TShiftState Shift);
    // The descendant's control; nil here.
    virtual TWinControl* GetEditControl() { return nullptr; }
    // A descendant creates its control with AParent (the grid or the pop-up form).
    virtual void CreateEditor(TWinControl* AParent) {}
    // Called before the pop-up form goes.
    virtual void DestroyEditor() {}
    // True shows, enables and focuses the control; false gives the focus to the grid.
    // Either way the control's keys come to EditKeyDown from here on.
    virtual void SetFocus(bool Value);
    // The cell rectangle less the grid lines.
    virtual void SetRect(TRect R);
    virtual void SetVisible(bool Value);
    // Called while the grid shows the editor, after placing it.
    virtual void SetProperties() {}
    virtual void GetEditorValue(AnsiString& S) {}
    virtual void SetEditorValue(const AnsiString& S) {}

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TExtStringGrid;
    void Unhook();
    TExtStringGrid* FGrid = nullptr;
    Integer FEditCol = -1, FEditRow = -1;
    bool FWantKeyLeftRight = false, FWantKeyUpDown = false, FWantKeyHomeEnd = false;
    bool FWantKeyPriorNext = false, FWantKeyReturn = false, FWantKeyEscape = false;
    TEditStyle FEditStyle = esInplace;
    TForm* FPopupForm = nullptr;
    Integer FPopupWidth = 0, FPopupHeight = 0;
    Integer FPopupLeft = -1, FPopupTop = -1;
    bool FAutoPopupWidth = false;
    bool FLeaving = false;   // set while the link hands the focus back to the grid
    Integer FTag = 0;
    TWinControl* FHooked = nullptr;
    TNotifyEvent FHookedClick;   // the combo's own pick handler, called first
    TNotifyEvent FHookedChange;   // and its own typing handler
};

// The base of a cell checker: Correct and MarkError return the text unchanged.
class TExtStringGridCheck : public TComponent {
public:
    explicit TExtStringGridCheck(TComponent* AOwner) : TComponent(AOwner) {}
    bool GotoCell() const { return FGotoCell; }
    void SetGotoCell(bool Value) { FGotoCell = Value; }
    // The grid replaces an edited text by Correct's result.
    bool AutoCorrect() const { return FAutoCorrect; }
    void SetAutoCorrect(bool Value) { FAutoCorrect = Value; }
    // The grid replaces an accepted text by MarkError's result.
    bool AutoMarkError() const { return FAutoMarkError; }
    void SetAutoMarkError(bool Value) { FAutoMarkError = Value; }
    bool UseCorrect() const { return FUseCorrect; }
    void SetUseCorrect(bool Value) { FUseCorrect = Value; }
    bool UseMarkError() const { return FUseMarkError; }
    void SetUseMarkError(bool Value) { FUseMarkError = Value; }

    virtual AnsiString MarkError(Integer ACol, Integer ARow, const AnsiString& S) { return S; }
    virtual AnsiString Correct(Integer ACol, Integer ARow, const AnsiString& S) { return S; }

private:
    bool FGotoCell = false, FAutoCorrect = false, FAutoMarkError = false;
    bool FUseCorrect = false, FUseMarkError = false;
};
