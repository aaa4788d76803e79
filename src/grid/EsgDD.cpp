// Drag and drop: what a drag offers and the drop target that sorts what arrives.
#include "grid/EsgDD.h"

#include "platform/rtl/CodePage.h"

#include <cstring>

namespace {

bool& RTFDrops() {
    static bool Enabled = false;
    return Enabled;
}

std::string ZeroEnded(const AnsiString& S) { return S + std::string(1, '\0'); }

AnsiString UpToZero(const std::string& B) { return B.substr(0, B.find('\0')); }

}  // namespace

Word CF_RTF() {
    static const Word F = RegisterClipboardFormat("Rich Text Format");
    return F;
}

Word CF_GRIDCOLUMN() {
    static const Word F = RegisterClipboardFormat("Grid Column");
    return F;
}

bool RTFDropEnabled() { return RTFDrops(); }
void SetRTFDropEnabled(bool Value) { RTFDrops() = Value; }

void MakeDragData(TDataObject& Data, const AnsiString& Text, Integer AColumn, const AnsiString& RTF) {
    Data.Clear();
    if (!Text.empty() || AColumn >= 0) {
        Data.SetData(CF_TEXT, ZeroEnded(Text));
        Data.SetAsWideText(AnsiToWide(Text));
    }
    if (RTFDropEnabled() && !Text.empty() && !RTF.empty()) Data.SetData(CF_RTF(), ZeroEnded(RTF));
    if (AColumn >= 0) {
        std::string B(4, '\0');
        for (int I = 0; I < 4; ++I) B[size_t(I)] = static_cast<char>((uint32_t(AColumn) >> (8 * I)) & 0xFF);
        Data.SetData(CF_GRIDCOLUMN(), B);
    }
}

Integer DroppedColumn(const TDataObject& Data) {
    if (!Data.HasFormat(CF_GRIDCOLUMN())) return -1;
    const std::string B = Data.GetData(CF_GRIDCOLUMN());
    if (B.size() < 4) return -1;
    uint32_t V = 0;
    for (int I = 0; I < 4; ++I) V |= uint32_t(static_cast<unsigned char>(B[size_t(I)])) << (8 * I);
    return static_cast<Integer>(V);
}

Integer KeyStateEffect(TShiftState Shift, Integer Allowed) {
    if (Shift.Contains(ssCtrl)) return DROPEFFECT_COPY;
    return (Allowed & DROPEFFECT_MOVE) ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
}

TESGDropTarget::TESGDropTarget(TControl* AControl) : FControl(AControl) {
    FControl->OnDataDragOver = [this](TObject*, const TDataObject& Data, TShiftState Shift, Integer X, Integer Y,
                                      Integer& Effect) { Over(Data, Shift, X, Y, Effect); };
    FControl->OnDataDrop = [this](TObject*, const TDataObject& Data, TShiftState Shift, Integer X, Integer Y,
                                  Integer& Effect) { Drop(Data, Shift, X, Y, Effect); };
    FControl->OnDataDragLeave = [this](TObject*) { Leave(); };
    FControl->SetDropTarget(true);
}

TESGDropTarget::~TESGDropTarget() {
    FControl->SetDropTarget(false);
    FControl->OnDataDragOver = nullptr;
    FControl->OnDataDrop = nullptr;
    FControl->OnDataDragLeave = nullptr;
}

AnsiString TESGDropTarget::DroppedText(const TDataObject& Data) { return UpToZero(Data.AsText()); }

void TESGDropTarget::Enter(const TDataObject& Data) {
    // A file manager's drag may carry the names as text as well: files stay files.
    const bool Files = Data.HasFormat(CF_HDROP);
    const bool Text = Data.HasFormat(CF_TEXT) && !Files;
    const bool RTF = Data.HasFormat(CF_RTF());
    const bool Col = DroppedColumn(Data) >= 0;
    FDropAllowed = (Text && AcceptText) || (Files && AcceptFiles) || (RTF && RTFDropEnabled() && AcceptText) ||
                   (Col && AcceptCols);
    FFormatsPresent = Byte((Text ? fpText : 0) | (Files ? fpFiles : 0) | (Col ? fpColumn : 0) | (RTF ? fpRTF : 0));
}

void TESGDropTarget::Over(const TDataObject& Data, TShiftState Shift, Integer X, Integer Y, Integer& Effect) {
    // The control reports entering and moving alike: the first report after a leave or drop enters.
    if (!FInside) Enter(Data);
    FInside = true;
    Effect = FDropAllowed ? KeyStateEffect(Shift, Effect) : DROPEFFECT_NONE;
    bool Allow = Effect != DROPEFFECT_NONE;
    DragMouseMove(Point(X, Y), Allow, FFormatsPresent);
    if (!Allow) Effect = DROPEFFECT_NONE;
}

void TESGDropTarget::Leave() {
    FInside = false;
    DragMouseLeave();
}

void TESGDropTarget::Drop(const TDataObject& Data, TShiftState Shift, Integer X, Integer Y, Integer& Effect) {
    if (!FInside) Enter(Data);
    FInside = false;
    if (!FDropAllowed) {
        Effect = DROPEFFECT_NONE;
        DragMouseLeave();
        return;
    }
    Effect = KeyStateEffect(Shift, Effect);
    const TPoint P = Point(X, Y);
    const Integer Col = DroppedColumn(Data);
    bool Landed = true;
    const TAliveGuard Alive(FControl);   // a drop handler may free the control, and this target with it
    if (Col >= 0) DropCol(P, Col);
    else if (Data.HasFormat(CF_RTF()) && RTFDropEnabled()) Landed = DropRTF(P, UpToZero(Data.GetData(CF_RTF())));
    else if ((FFormatsPresent & fpText) != 0) Landed = DropText(P, DroppedText(Data));
    if (!Landed || Alive.Gone()) Effect = DROPEFFECT_NONE;
    if (Alive.Gone()) return;
    const std::vector<AnsiString> Files = Data.Files();
    if (!Files.empty()) DropFiles(P, Files);
}
