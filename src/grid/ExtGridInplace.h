#pragma once
// TExtInplaceEdit, the grid's in-place text editor; its code is in ExtGridInplace.cpp.
#include "grid/BaseGrid.h"

class TExtStringGrid;

// The character rules of a text editor type (numbers, case) for Key typed into Text at
// SelStart over Sel; false (and Key 0) when refused. Types without rules take every key.
bool FilterEditorChar(TEditorType E, char& Key, const AnsiString& Text, const AnsiString& Sel, Integer SelStart);
// The rules of a text editor type for a whole text given at once (a paste): a number type
// refuses what is no number of its kind, a case type changes the case; false when refused.
// Over wide text the letters outside code page 1254 have no case and are no digits.
bool PastedEditorText(TEditorType E, AnsiString& Text);
bool PastedEditorText(TEditorType E, WideString& Text);
// The editor types served by the text editor; the others have controls of their own.
bool UsesTextEditor(TEditorType E);

// The text editor the grid shows over a cell for the plain and character-filtered
// editor types: filters and case rules per type, a length limit, validation before
// the caret leaves the cell, look-up completion and the grid's clipboard events.
class TExtInplaceEdit : public TInplaceEdit {
public:
    explicit TExtInplaceEdit(TComponent* AOwner);
    // A multi-line editor: Up and Down move inside the text until its first or last
    // line, Ctrl+Enter and Shift+Enter break the line.
    TExtInplaceEdit(TComponent* AOwner, bool MultiLine);
    // Maximum text length; 0 or less for none. Taken from the grid's edit limit
    // each time the editor is filled.
    short LengthLimit() const { return FLengthLimit; }
    void SetLengthLimit(short Value) { FLengthLimit = Value; }
    TVAlignment VAlign() const { return FVAlign; }
    void SetVAlign(TVAlignment Value) { FVAlign = Value; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value) { FWordWrap = Value; }
    bool Typing() const { return FTyping; }
    TExtStringGrid* ExtGrid() const { return FExtGrid; }

    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    bool QtEvent(QEvent* Event) override;
    void BoundsChanged() override;
    void UpdateContents() override;
    // Everything selected with Navigation.EditSelectAll, else the caret after the text.
    void InitialSelection() override;
    // Clipboard transfers through the grid's events.
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    // The rules of the cell's editor type for a pasted text; false when it is refused.
    bool AcceptPastedText(AnsiString& Text) const;
    // The rules of the cell's editor type for a typed character: False (Key 0)
    // when it is refused; upper and lower case types change Key.
    bool FilterChar(char& Key) const;
    // Opens with a typed character: it replaces the text, Backspace empties it.
    void StartWith(char Key);
    // A mask begun but not filled: the error is reported, the caret goes to the gap
    // and true is returned, so that the edit stays on the cell.
    bool RefuseIncompleteMask();
    // The click that opened the editor may be the first of a double click: the second
    // one then leaves the caret where the opening put it.
    void OpenedByClick() { FOpenedByClick = true; }

protected:
    void Change() override;

private:
    TEditorType EditorType() const;
    void LookupComplete();
    void TakeCellText();
    // The Enter of a full mask (Navigation.AdvanceAuto): the value is checked and
    // stored and the grid moves on to the next cell.
    void AutoAdvance();
    void ReportIncompleteMask();
    // Types a line break at the caret and lets the row grow with it.
    void BreakLine(bool GrowRow);
    // A press in the editor; a double click also reaches the grid's double-click
    // events. True keeps the press from the edit itself.
    bool MousePressed(bool Double);
    TExtStringGrid* FExtGrid = nullptr;
    short FLengthLimit = 0;
    TVAlignment FVAlign = vtaTop;
    bool FWordWrap = false;
    bool FTyping = true;
    bool FKeypadDecimal = false;   // the character to come is the keypad's decimal key
    bool FRefusingMask = false;    // the incomplete-mask error is on screen
    bool FOpenedByClick = false;   // opened by a click, and not clicked or typed into since
};
