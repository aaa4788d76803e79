#include "platform/ui/Clipbrd.h"

#include "platform/ui/DragDrop_p.h"
#include "platform/ui/UiPrivate_p.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

TClipboard* Clipboard() {
    static TClipboard C;
    return &C;
}

void TClipboard::GetData(TDataObject& Data) const {
    EnsureQtApp();
    MimeToDataObject(QGuiApplication::clipboard()->mimeData(), Data);
}

void TClipboard::SetData(const TDataObject& Data) {
    if (FOpenCount > 0) {
        for (Word F : Data.Formats()) FPending.SetData(F, Data.GetData(F));
        return;
    }
    EnsureQtApp();
    QGuiApplication::clipboard()->setMimeData(DataObjectToMime(Data));
}

AnsiString TClipboard::AsText() const {
    TDataObject D;
    GetData(D);
    return D.AsText();
}

void TClipboard::SetAsText(const AnsiString& Value) { SetBuffer(CF_TEXT, Value); }

WideString TClipboard::AsWideText() const {
    TDataObject D;
    GetData(D);
    return D.AsWideText();
}

void TClipboard::SetAsWideText(const WideString& Value) {
    TDataObject D;
    D.SetAsWideText(Value);
    SetData(D);
}

bool TClipboard::HasFormat(Word Format) const {
    TDataObject D;
    GetData(D);
    return D.HasFormat(Format);
}

std::string TClipboard::GetBuffer(Word Format) const {
    TDataObject D;
    GetData(D);
    return Format == CF_TEXT ? D.AsText() : D.GetData(Format);
}

void TClipboard::SetBuffer(Word Format, const std::string& Data) {
    TDataObject D;
    D.SetData(Format, Data);
    SetData(D);
}

void TClipboard::Clear() {
    if (FOpenCount > 0) {
        FPending.Clear();
        return;
    }
    EnsureQtApp();
    QGuiApplication::clipboard()->clear();
}

void TClipboard::Open() {
    if (FOpenCount++ == 0) FPending.Clear();
}

void TClipboard::Close() {
    if (FOpenCount == 0) return;
    if (--FOpenCount == 0) Flush();
}

void TClipboard::Flush() {
    EnsureQtApp();
    if (FPending.Empty()) QGuiApplication::clipboard()->clear();
    else QGuiApplication::clipboard()->setMimeData(DataObjectToMime(FPending));
    FPending.Clear();
}
