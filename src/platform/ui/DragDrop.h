#pragma once
// Data exchanged by the clipboard and by drag and drop: byte blocks by format.
// CF_TEXT is code page 1254 text; other formats are registered by name.
#include "platform/ui/Controls.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

constexpr Word CF_TEXT = 1;
constexpr Word CF_UNICODETEXT = 13;
constexpr Word CF_HDROP = 15;   // dropped files

// The number of a named format; the same name always gives the same number (>= 0xC000).
Word RegisterClipboardFormat(const AnsiString& Name);
// The name of a registered format ("" for unknown numbers).
AnsiString ClipboardFormatName(Word Format);

constexpr Integer DROPEFFECT_NONE = 0, DROPEFFECT_COPY = 1, DROPEFFECT_MOVE = 2, DROPEFFECT_LINK = 4;

class TDataObject : public TObject {
public:
    void SetData(Word Format, const std::string& Bytes);
    bool HasFormat(Word Format) const;
    std::string GetData(Word Format) const;   // "" when absent
    AnsiString AsText() const;                 // CF_TEXT, or the Unicode text converted
    void SetAsText(const AnsiString& Text);    // CF_TEXT
    // CF_UNICODETEXT (up to its zero), or CF_TEXT converted; every letter another program offers.
    WideString AsWideText() const;
    void SetAsWideText(const WideString& Text);   // CF_UNICODETEXT, UTF-16LE ended by a zero unit
    // CF_HDROP: a file-list header (names at offset 20, wide flag in the fifth
    // field) and zero-terminated names ended by an empty one.
    void SetFiles(const std::vector<AnsiString>& Names);   // wide names
    std::vector<AnsiString> Files() const;                 // empty when none can be read
    std::vector<Word> Formats() const;
    void Clear() { FData.clear(); }
    bool Empty() const { return FData.empty(); }

private:
    std::map<Word, std::string> FData;
};

class TBitmap;

// A picture that follows the mouse while dragging; HotSpot is its point under the mouse.
struct TDragImage {
    const TBitmap* Bitmap = nullptr;
    TPoint HotSpot;
};

// Starts dragging Data from Source; returns the effect the target took (DROPEFFECT_*).
// Runs the installed drag handler when there is one, else the desktop's drag.
Integer DoDragDrop(TControl* Source, const TDataObject& Data, Integer AllowedEffects,
                   const TDragImage& Image = TDragImage());
// The picture of the drag that runs (no bitmap outside one).
const TDragImage& CurrentDragImage();

// Replaces the desktop's drag loop (nullptr restores it): tests carry a drag to a
// control of their choice with DeliverDrop.
using TDragHandler = std::function<Integer(TControl* Source, const TDataObject& Data, Integer AllowedEffects)>;
void SetDragHandler(TDragHandler Handler);

// Carries a drag to Target as the desktop does: enter and move at (X, Y) in
// Target's client coordinates, then the drop there with Shift held. Returns the
// effect the target took (DROPEFFECT_NONE when it refused the drag or the drop).
Integer DeliverDrop(TControl* Target, Integer X, Integer Y, const TDataObject& Data, Integer AllowedEffects,
                    TShiftState Shift = TShiftState());
