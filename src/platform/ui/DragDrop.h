#pragma once
// Data exchanged by the clipboard and by drag and drop: byte blocks by format.
// CF_TEXT is code page 1254 text; other formats are registered by name.
#include "platform/ui/Controls.h"

#include <map>
#include <string>
#include <vector>

constexpr Word CF_TEXT = 1;
constexpr Word CF_UNICODETEXT = 13;

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
    std::vector<Word> Formats() const;
    void Clear() { FData.clear(); }
    bool Empty() const { return FData.empty(); }

private:
    std::map<Word, std::string> FData;
};

// Starts dragging Data from Source; returns the effect the target took (DROPEFFECT_*).
Integer DoDragDrop(TControl* Source, const TDataObject& Data, Integer AllowedEffects);
