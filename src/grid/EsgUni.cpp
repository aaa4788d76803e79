// The Unicode controls and the wide string list.
#include "grid/EsgUni.h"

#include "platform/data/Filer.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/WinApi.h"

#include <algorithm>

// --- the 8-bit view -----------------------------------------------------------------------
Integer TAnsiStringsForWideStrings::GetCount() const { return FWideStrings->GetCount(); }
AnsiString TAnsiStringsForWideStrings::Get(Integer Index) const { return WideToAnsi(FWideStrings->Get(Index)); }
TObject* TAnsiStringsForWideStrings::GetObject(Integer Index) const { return FWideStrings->GetObject(Index); }
void TAnsiStringsForWideStrings::PutObject(Integer Index, TObject* AObject) { FWideStrings->PutObject(Index, AObject); }
void TAnsiStringsForWideStrings::Clear() { FWideStrings->Clear(); }
void TAnsiStringsForWideStrings::Delete(Integer Index) { FWideStrings->Delete(Index); }
void TAnsiStringsForWideStrings::Insert(Integer Index, const AnsiString& S) { FWideStrings->Insert(Index, AnsiToWide(S)); }

// --- TWideStrings ------------------------------------------------------------------------------
TWideStrings::TWideStrings() : FAnsiStrings(std::make_unique<TAnsiStringsForWideStrings>(this)) {}
TWideStrings::~TWideStrings() = default;

void TWideStrings::Put(Integer Index, const WideString& S) {
    TObject* O = GetObject(Index);
    Delete(Index);
    Insert(Index, S);
    PutObject(Index, O);
}

Integer TWideStrings::Add(const WideString& S) {
    const Integer I = GetCount();
    Insert(I, S);
    return I;
}

Integer TWideStrings::AddObject(const WideString& S, TObject* AObject) {
    const Integer I = Add(S);
    PutObject(I, AObject);
    return I;
}

void TWideStrings::AddStrings(TStrings* Strings) {
    BeginUpdate();
    for (Integer I = 0; I < Strings->Count(); ++I) AddObject(AnsiToWide(Strings->Strings(I)), Strings->Objects(I));
    EndUpdate();
}

void TWideStrings::AddWideStrings(TWideStrings* Strings) {
    BeginUpdate();
    for (Integer I = 0; I < Strings->GetCount(); ++I) AddObject(Strings->Get(I), Strings->GetObject(I));
    EndUpdate();
}

void TWideStrings::Exchange(Integer Index1, Integer Index2) {
    BeginUpdate();
    const WideString S1 = Get(Index1), S2 = Get(Index2);
    TObject* O1 = GetObject(Index1);
    TObject* O2 = GetObject(Index2);
    Put(Index1, S2);
    PutObject(Index1, O2);
    Put(Index2, S1);
    PutObject(Index2, O1);
    EndUpdate();
}

void TWideStrings::Move(Integer CurIndex, Integer NewIndex) {
    if (CurIndex == NewIndex) return;
    BeginUpdate();
    const WideString S = Get(CurIndex);
    TObject* O = GetObject(CurIndex);
    Delete(CurIndex);
    Insert(NewIndex, S);
    PutObject(NewIndex, O);
    EndUpdate();
}

Integer TWideStrings::IndexOf(const WideString& S) const {
    for (Integer I = 0; I < GetCount(); ++I)
        if (WideCompareText(Get(I), S) == 0) return I;
    return -1;
}

WideString TWideStrings::GetTextStr() const {
    WideString T;
    for (Integer I = 0; I < GetCount(); ++I) T += Get(I) + u"\r\n";
    return T;
}

void TWideStrings::SetTextStr(const WideString& Value) {
    BeginUpdate();
    Clear();
    size_t Start = 0;
    const size_t N = Value.size();
    for (size_t P = 0; P < N; ++P) {
        const char16_t C = Value[P];
        if (C != u'\n' && C != u'\v' && C != u'\f' && C != u'\r' && C != u'\x2028' && C != u'\x2029') continue;
        Add(Value.substr(Start, P - Start));
        if (C == u'\r' && P + 1 < N && Value[P + 1] == u'\n') ++P;
        Start = P + 1;
    }
    if (Start < N) Add(Value.substr(Start));
    EndUpdate();
}

void TWideStrings::Assign(TPersistent* Source) {
    if (auto* W = dynamic_cast<TWideStrings*>(Source)) {
        BeginUpdate();
        Clear();
        AddWideStrings(W);
        EndUpdate();
    } else if (auto* A = dynamic_cast<TStrings*>(Source)) {
        BeginUpdate();
        Clear();
        AddStrings(A);
        EndUpdate();
    } else {
        TPersistent::Assign(Source);
    }
}

void TWideStrings::DefineProperties(TFiler* Filer) {
    bool HasData = GetCount() > 0;
    if (TPersistent* A = Filer->Ancestor()) {
        auto* W = dynamic_cast<TWideStrings*>(A);
        HasData = !W || W->GetCount() != GetCount();
        for (Integer I = 0; !HasData && I < GetCount(); ++I) HasData = W->Get(I) != Get(I);
    }
    const auto Read = [this](TReader& R) {
        const std::vector<WideString> Items = R.ReadStringList();   // whole before the list changes
        BeginUpdate();
        Clear();
        for (const WideString& S : Items) Add(S);
        EndUpdate();
    };
    const auto Write = [this](TWriter& W) {
        std::vector<WideString> Items;
        for (Integer I = 0; I < GetCount(); ++I) Items.push_back(Get(I));
        W.WriteWideStringList(Items);
    };
    Filer->DefineProperty("WideStrings", Read, Write, HasData);
}

void TWideStrings::AssignTo(TPersistent* Dest) {
    if (auto* W = dynamic_cast<TWideStrings*>(Dest)) {
        W->Assign(this);
    } else if (auto* A = dynamic_cast<TStrings*>(Dest)) {
        A->BeginUpdate();
        A->Clear();
        for (Integer I = 0; I < GetCount(); ++I) A->AddObject(WideToAnsi(Get(I)), GetObject(I));
        A->EndUpdate();
    } else {
        TPersistent::AssignTo(Dest);
    }
}

void TWideStrings::BeginUpdate() {
    if (FUpdateCount++ == 0) SetUpdateState(true);
}

void TWideStrings::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0) SetUpdateState(false);
}

// --- controls -------------------------------------------------------------------------------------
template <class TBase>
WideString TUniText<TBase>::Text() const {
    return WideTextOf(this);
}

template <class TBase>
void TUniText<TBase>::SetText(const WideString& Value) {
    SetWideTextOf(this, Value);
}

template <class TBase>
void TUniText<TBase>::KeyPress(char& Key) {
    const bool Wide = !this->KeyPressWide().empty();
    TBase::KeyPress(Key);
    // 255 stands for a wide character, which has no 8-bit case: it is typed as it came.
    if (Wide && this->CharCase() == ecUpperCase && Key == AnsiUpperChar(char(0xFF))) Key = char(0xFF);
}

template class TUniText<TCustomEdit>;
template class TUniText<TCustomMemo>;
template class TUniText<TEsgEditBtn>;
template class TUniText<TComboBox>;
template class TUniText<TESGCustomCombo>;

TCustomUNIEdit::TCustomUNIEdit(TComponent* AOwner) : TUniText<TCustomEdit>(AOwner) {}

TEsgUniCustomMemo::TEsgUniCustomMemo(TComponent* AOwner) : TUniText<TCustomMemo>(AOwner) {
    SetWantReturns(false);
    SetWantTabs(false);
}

TEsgUniMemo::TEsgUniMemo(TComponent* AOwner) : TEsgUniCustomMemo(AOwner) {
    SetBounds(Left(), Top(), 200, 100);
}

TEsgUniEditBtn::TEsgUniEditBtn(TComponent* AOwner) : TUniText<TEsgEditBtn>(AOwner) {
    TEsgEditBtn::SetText(AnsiString());
}

// --- combo items ------------------------------------------------------------------------------
WideString TComboBoxStrings::Get(Integer Index) const { return ComboItemWideText(FComboBox, Index); }
Integer TComboBoxStrings::GetCount() const { return FComboBox->Items()->Count(); }
TObject* TComboBoxStrings::GetObject(Integer Index) const { return FComboBox->Items()->Objects(Index); }
void TComboBoxStrings::PutObject(Integer Index, TObject* AObject) { FComboBox->Items()->SetObjects(Index, AObject); }
void TComboBoxStrings::Delete(Integer Index) { FComboBox->Items()->Delete(Index); }

void TComboBoxStrings::Clear() {
    const WideString Keep = WideTextOf(FComboBox);
    FComboBox->Items()->Clear();
    SetWideTextOf(FComboBox, Keep);
}

void TComboBoxStrings::Insert(Integer Index, const WideString& S) {
    FComboBox->Items()->Insert(Index, WideToAnsi(S));
    SetComboItemWideText(FComboBox, Index, S);
}

Integer TComboBoxStrings::Add(const WideString& S) {
    const Integer I = GetCount();
    Insert(I, S);
    return I;
}

Integer TComboBoxStrings::IndexOf(const WideString& S) const { return ComboFindWide(FComboBox, S); }

// --- flat painting ------------------------------------------------------------------------------
void TESGUniCustomCombo::DrawBorders(TCanvas* Canvas) {
    DrawFrame(Canvas);
    if (Style() == csSimple) return;
    const Integer W = Width(), H = Height();
    TRect B = Rect(W - ButtonWidth() - 2, 0, W, H);
    InflateRect(B, -2, -2);
    B.Right += 1;
    B.Bottom += 2;
    // The open list holds the keyboard, yet the box counts as focused meanwhile.
    if (MouseInControl() || Focused() || DroppedDown()) {
        DrawEdge(Canvas, B, Etched() ? EDGE_ETCHED : EDGE_RAISED, BF_RECT | (DroppedDown() ? BF_FLAT : 0));
        return;
    }
    // The ring around the drawn button, not the button itself.
    const TRect O = Rect(B.Left, B.Top + 1, B.Right - 1, B.Bottom - 1);
    const TRect I = Rect(W - ButtonWidth() + 4, 4, W - 4, H - 4);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(clBtnFace);
    Canvas->FillRect(Rect(O.Left, O.Top, O.Right, std::max(O.Top, I.Top)));
    Canvas->FillRect(Rect(O.Left, std::min(O.Bottom, I.Bottom), O.Right, O.Bottom));
    Canvas->FillRect(Rect(O.Left, I.Top, std::max(O.Left, I.Left), I.Bottom));
    Canvas->FillRect(Rect(std::min(O.Right, I.Right), I.Top, O.Right, I.Bottom));
}
