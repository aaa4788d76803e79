#pragma once
// Drag and drop roles on the platform's data objects: what a drag offers (text,
// rich text, a grid column) and a drop target that sorts what arrives into text,
// rich text, a column or files and asks its descendant what to do with it.
#include "platform/ui/Controls.h"
#include "platform/ui/DragDrop.h"

#include <vector>

Word CF_RTF();          // "Rich Text Format"
Word CF_GRIDCOLUMN();   // "Grid Column": the column as 4 bytes, little-endian

// Rich text drops are taken as rich text (set with DragDropSettings.OleDropRTF).
bool RTFDropEnabled();
void SetRTFDropEnabled(bool Value);

// The data of a drag: the text (8-bit and Unicode) when not empty, the rich text
// when rich text drops are enabled, and for a column drag (AColumn >= 0) the
// column with an empty text, so that text targets take it too.
void MakeDragData(TDataObject& Data, const AnsiString& Text, Integer AColumn, const AnsiString& RTF);
Integer DroppedColumn(const TDataObject& Data);   // -1 without a whole column value

// Ctrl copies; otherwise a move when the source allows one, else a copy.
Integer KeyStateEffect(TShiftState Shift, Integer Allowed);

enum : Byte { fpText = 1, fpFiles = 2, fpColumn = 4, fpRTF = 8 };   // FormatsPresent

class TESGDropTarget : public TObject {
public:
    // Takes the drags over AControl until destroyed.
    explicit TESGDropTarget(TControl* AControl);
    ~TESGDropTarget() override;

    bool DropAllowed() const { return FDropAllowed; }
    Byte FormatsPresent() const { return FFormatsPresent; }
    bool AcceptText = true;
    bool AcceptFiles = true;
    bool AcceptCols = false;

protected:
    // Text and rich text: false when nothing landed, so that a move takes nothing.
    virtual bool DropText(TPoint P, const AnsiString& Text) = 0;
    virtual void DropCol(TPoint P, Integer Column) = 0;
    virtual bool DropRTF(TPoint P, const AnsiString& RTF) = 0;
    virtual void DropFiles(TPoint P, const std::vector<AnsiString>& Files) = 0;
    virtual void DragMouseMove(TPoint P, bool& Allow, Byte Formats) = 0;
    virtual void DragMouseLeave() = 0;
    // The text that a text drop hands to DropText.
    virtual AnsiString DroppedText(const TDataObject& Data);

private:
    void Enter(const TDataObject& Data);
    void Over(const TDataObject& Data, TShiftState Shift, Integer X, Integer Y, Integer& Effect);
    void Leave();
    void Drop(const TDataObject& Data, TShiftState Shift, Integer X, Integer Y, Integer& Effect);
    TControl* FControl;
    bool FInside = false;   // between the first move over the control and the leave or drop
    bool FDropAllowed = false;
    Byte FFormatsPresent = 0;
};
