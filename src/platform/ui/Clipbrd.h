#pragma once
// The system clipboard. Between Open and Close the formats set are gathered and
// placed together; outside, each setting replaces the clipboard's contents.
#include "platform/ui/DragDrop.h"

class TClipboard : public TObject {
public:
    AnsiString AsText() const;
    void SetAsText(const AnsiString& Value);
    WideString AsWideText() const;   // every letter of the text, also those code page 1254 lacks
    void SetAsWideText(const WideString& Value);
    bool HasFormat(Word Format) const;
    std::string GetBuffer(Word Format) const;
    void SetBuffer(Word Format, const std::string& Data);
    // Everything on the clipboard as a data object, and the other way round.
    void GetData(TDataObject& Data) const;
    void SetData(const TDataObject& Data);
    void Clear();
    void Open();
    void Close();

private:
    void Flush();
    Integer FOpenCount = 0;
    TDataObject FPending;
};

TClipboard* Clipboard();
