// The grid's editor controls (spin, combo, edit with button, unit edit, check box,
// date picker, button) and the grid's side of them: showing one over the current
// cell, filling it from the cell and storing its value when the edit ends.
#include "grid/ExtGridEditors.h"

#include "grid/ExtGridInplace.h"

#include "grid/ExtGridLink.h"
#include "grid/ExtUtil.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/Forms.h"
#include "platform/ui/WinApi.h"

#include <algorithm>
#include <type_traits>

namespace {

bool HasFocusWithin(TWinControl* C) { return FocusOn(C, true); }

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

// The first key of an edit: it replaces an edit's text (Backspace empties it) and
// picks the first item of a list that begins with it.
void TypeStartKey(TWinControl* Ctl, char Ch) {
    const TAliveGuard Alive(Ctl);   // the control's handler may close the screen
    Ctl->KeyPress(Ch);
    if (Ch == 0 || Alive.Gone()) return;
    const AnsiString T = Ch == 8 ? AnsiString() : AnsiString(1, Ch);
    if (auto* E = dynamic_cast<TCustomEdit*>(Ctl)) {
        E->SetText(T);
        E->SetSelStart(static_cast<Integer>(T.size()));
    } else if (auto* R = dynamic_cast<TRichEdit*>(Ctl)) {
        R->SetText(T);
        R->SetSelStart(static_cast<Integer>(T.size()));
    } else if (auto* C = dynamic_cast<TComboBox*>(Ctl)) {
        if (C->Style() != csDropDownList) {
            C->SetText(T);
            C->SetSelStart(static_cast<Integer>(T.size()));
            return;
        }
        for (Integer I = 0; I < C->Items()->Count() && !T.empty(); ++I)
            if (AnsiUpperCase(C->Items()->Strings(I).substr(0, 1)) == AnsiUpperCase(T)) {
                C->SetItemIndex(I);
                return;
            }
    }
}

// Completion from the first item that begins with what is typed before the caret
// (Same compares as the grid's lookup asks); the item's index, -1 when none.
template <class TStr, class TCombo, class FSame>
Integer CompleteFromItems(TCombo* C, FSame Same) {
    const TStr T = C->Text();
    const TStr Prefix = T.substr(0, std::min<size_t>(T.size(), static_cast<size_t>(std::max(0, C->SelStart()))));
    if (Prefix.empty()) return -1;
    for (Integer I = 0; I < C->Items()->Count(); ++I) {
        const TStr It = C->Items()->Strings(I);
        if (It.size() < Prefix.size() || !Same(It.substr(0, Prefix.size()), Prefix)) continue;
        TStr Done = Prefix + It.substr(Prefix.size());
        if (Done.size() > 255) Done.resize(255);
        C->SetItemIndex(I);
        C->SetText(Done);
        C->SetSelStart(static_cast<Integer>(Prefix.size()));
        C->SetSelLength(static_cast<Integer>(Done.size() - Prefix.size()));
        return I;
    }
    return -1;
}

// Item texts compared as the grid's lookup asks.
bool SameLookup(const AnsiString& A, const AnsiString& B, bool Case) {
    return Case ? A == B : AnsiUpperCase(A) == AnsiUpperCase(B);
}
bool SameLookup(const WideString& A, const WideString& B, bool Case) {
    return Case ? A == B : WideCompareText(A, B) == 0;
}

AnsiString AsAnsi(const AnsiString& S) { return S; }
AnsiString AsAnsi(const WideString& S) { return WideToAnsi(S); }

AnsiString EncodedWide(const WideString& W) { return W.empty() ? AnsiString() : WideToCellText(W); }

bool IsArrow(Word Key) { return Key == VK_UP || Key == VK_DOWN || Key == VK_LEFT || Key == VK_RIGHT; }

// A cell text read as a number the way the user typed it; a text with the decimal
// separator may group its thousands ("1.234,50", as Floats reads it); Fallback otherwise.
Double CellFloat(const AnsiString& Text, Double Fallback) {
    AnsiString T = Trim(Text);
    Double V = 0;
    if (TryStrToFloat(T, V)) return V;
    if (T.find(FormatSettings.DecimalSeparator) != AnsiString::npos) {
        TFormatSettings Dot = FormatSettings;
        Dot.DecimalSeparator = '.';
        Extended E = 0;
        return TryStrToFloat(NumberToValText(T), E, Dot) ? Double(E) : Fallback;
    }
    std::replace(T.begin(), T.end(), '.', FormatSettings.DecimalSeparator);
    return TryStrToFloat(T, V) ? V : Fallback;
}

}  // namespace

// --- shared key steps ------------------------------------------------------------
// The editor's value in the form the cell stores it is validated; an unchanged editor
// offers the cell's own text. What validation accepted is what the cell keeps (the end
// of the edit stores nothing more).
bool TGridEditorKeys::Commit(const std::function<void(const AnsiString&)>& TakeBack) {
    const std::shared_ptr<const bool> Alive = FGrid->AliveToken();
    if (FGrid->EditorControlRefuses()) return false;
    AnsiString V;
    if (FGrid->EditorControlChanged() && FGrid->EditorControlValue(V)) FGrid->SetCurrentCell(V);
    else FGrid->GetCurrentCell(V);
    // A plain editor's value meets the plain check, also on a Unicode cell (as its letters).
    const bool Valid = FGrid->ValidateCell(IsUnicodeText(V) ? WideToAnsi(CellTextToWide(V)) : V);
    if (!*Alive) return false;
    AnsiString Back;
    FGrid->GetCurrentCell(Back);
    if (FGrid->FEditLetters) Back = SearchedText(Back);
    TakeBack(Back);   // the validation may have changed the value
    Committed(Valid);
    return Valid;
}

bool TGridEditorKeys::CommitWide(const WideString& Text, const std::function<void(const WideString&)>& TakeBack) {
    const std::shared_ptr<const bool> Alive = FGrid->AliveToken();
    const TPoint B = FGrid->BaseCell(FGrid->GetRealCol(), FGrid->Row());
    bool Valid = true;
    if (FGrid->EditorControlChanged()) {
        FGrid->SetWideCell(B.X, B.Y, Text);
        Valid = FGrid->ValidateWideCell(Text);
    } else {
        Valid = FGrid->Validate(FGrid->HeldText(B.X, B.Y), true);   // as stored, plain or encoded
    }
    if (!*Alive) return false;
    TakeBack(FGrid->GetWideCell(B.X, B.Y));
    Committed(Valid);
    return Valid;
}

void TGridEditorKeys::Committed(bool Valid) {
    if (Valid) StoreNothing();
    else FGrid->NoteEditorControlValue();   // the edit goes on from the value the cell got back
}

template <class TEd>
bool TGridEditorKeys::UniKeyDown(TEd* Ed, Word& Key, TShiftState Shift, bool HandOver, bool Commits) {
    if (!HandOver) return false;
    const std::shared_ptr<const bool> Alive = Ed->AliveToken();
    if (Commits) {
        const bool Valid = CommitWide(Ed->Text(), [Ed](const WideString& V) { Ed->SetText(V); });
        if (!*Alive) return true;
        if (!Valid) {
            Ed->SetSelStart(static_cast<Integer>(Ed->Text().size()));
            Ed->Invalidate();
            Key = 0;
            return true;
        }
    }
    if (TabAdvance(Key, Shift)) {
        Key = 0;
        return true;
    }
    if (Key == VK_ESCAPE) {
        const TPoint B = FGrid->BaseCell(FGrid->GetRealCol(), FGrid->Row());
        Ed->SetText(FGrid->GetWideCell(B.X, B.Y));
        StoreNothing();
    }
    HandToGrid(Key, Shift, true);
    Key = 0;
    return true;
}

void TGridEditorKeys::EditEndKeys(TControl* Ed, Word& Key, TShiftState Shift,
                                  const std::function<void(const AnsiString&)>& TakeBack,
                                  const std::function<void()>& Refused, const std::function<void()>& Revert) {
    const std::shared_ptr<const bool> Alive = Ed->AliveToken();
    if (Key == VK_TAB || Key == VK_RETURN || Key == VK_UP || Key == VK_DOWN) {
        const bool Valid = Commit(TakeBack);
        if (!*Alive) return;
        if (!Valid) {
            Refused();
            Key = 0;
            return;
        }
    }
    if (TabAdvance(Key, Shift)) {
        Key = 0;
        return;
    }
    if (Key == VK_ESCAPE) {
        Revert();
        StoreNothing();
    }
    HandToGrid(Key, Shift, true);
    Key = 0;
}

bool TGridEditorKeys::TabAdvance(Word Key, TShiftState Shift) {
    if (Key != VK_TAB || !FGrid->Options().Contains(goTabs)) return false;
    // OnEditingDone may free the grid, and this editor with it.
    TExtStringGrid* G = FGrid;
    const TAliveGuard alive(G);
    G->EndEditorControl();
    if (alive.Alive() && G->CanFocus()) G->SetFocus();
    if (alive.Alive()) G->TabAdvance(Shift.Contains(ssShift));
    return true;
}

void TGridEditorKeys::HandToGrid(Word Key, TShiftState Shift, bool GridKeys) {
    TExtStringGrid* G = FGrid;
    const std::shared_ptr<const bool> Alive = G->AliveToken();
    const Integer C = G->Col(), R = G->Row();
    G->EndEditorControl();
    if (!*Alive) return;
    // An editor without a commit of its own (date picker, Unicode list) stored its value
    // unchecked: it is checked before the grid acts on the key, a refused one reopens.
    const bool Valid = G->ValidatePending();
    if (!*Alive || !Valid) return;
    const bool Always = G->Navigation()->AlwaysEdit();
    G->Navigation()->SetAlwaysEdit(false);
    if (G->CanFocus()) G->SetFocus();
    G->Navigation()->SetAlwaysEdit(Always);
    if (GridKeys && (IsArrow(Key) || Key == VK_TAB || Key == VK_PRIOR || Key == VK_NEXT || Key == VK_END)) {
        Word K = Key;
        G->KeyDown(K, Shift);
    }
    // Enter from an editor control moves on and opens the next cell's editor.
    if (Key == VK_RETURN && *Alive) G->AdvanceEdit(C, R, false, true, true);
    char Esc = 27;   // the grid hears Escape, as it does a key typed on itself
    if (Key == VK_ESCAPE && *Alive && G->OnKeyPress) FireEvent(G->OnKeyPress, G, Esc);
}

bool TGridEditorKeys::ClaimsTab(QEvent* E, TWinControl* Self) {
    const TRawKey K = RawKeyOf(E);
    if (!K.Press || !K.Tab || !FGrid->Options().Contains(goTabs)) return false;
    Word Key = VK_TAB;
    Self->KeyDown(Key, K.Shift ? TShiftState{ssShift} : TShiftState{});
    return true;
}

bool TGridEditorKeys::TakesOutsideLetter() const {
    // A character outside the code page is no digit and has no case here.
    const TEditorType Rules = FGrid->FLetterRules;
    if (Rules != edNumeric && Rules != edPositiveNumeric && Rules != edFloat && Rules != edNumericEditBtn &&
        Rules != edFloatEditBtn)
        return true;
    MessageBeep(0);
    return false;
}

template <class TEd>
bool TGridEditorKeys::KeepsColumnRules(TEd* Ed, char& Key) {
    if (!Ed->KeyPressWide().empty() && static_cast<unsigned char>(Key) == 0xFF) {   // 255 stands for it meanwhile
        if (TakesOutsideLetter()) return true;
        Key = 0;
        return false;
    }
    return FilterEditorChar(FGrid->FLetterRules, Key, WideToAnsi(Ed->Text()), Ed->SelText(), Ed->SelStart());
}

TEditorType TGridEditorKeys::ColumnEditor() const { return FGrid->FLetterRules; }

namespace {

bool IsPasteKey(Word Key, TShiftState Shift) {
    const bool Ctrl = Shift.Contains(ssCtrl), Alt = Shift.Contains(ssAlt);
    return (Ctrl && !Alt && Key == 'V') || (Shift.Contains(ssShift) && !Ctrl && Key == VK_INSERT);
}

bool HasPasteRules(TEditorType Rules) {
    switch (Rules) {
        case edNumeric: case edPositiveNumeric: case edFloat: case edCapital: case edMixedCase: case edLowerCase:
        case edUpperCase: case edNumericEditBtn: case edFloatEditBtn: return true;
        default: return false;
    }
}

// The clipboard's text put over the editor's selection under the rules of Rules and a
// length limit (0: none), whole or not at all.
template <class TEd, class TStr>
void PutPasted(TEd* Ed, const TStr& Clip, TEditorType Rules, Integer Limit) {
    const TStr T = Ed->Text();
    const size_t S = std::min<size_t>(std::max(0, Ed->SelStart()), T.size());
    TStr New = T.substr(0, S) + Clip + T.substr(std::min(T.size(), S + std::max(0, Ed->SelLength())));
    if (!PastedEditorText(Rules, New)) {
        MessageBeep(0);   // refused whole, as the text editor refuses it
        return;
    }
    if (Limit > 0 && Integer(New.size()) > Limit) return;
    Ed->SetText(New);
    Ed->SetSelStart(static_cast<Integer>(S + Clip.size()));
}

}  // namespace

template <class TEd>
bool TGridEditorKeys::PastesByRules(TEd* Ed, Word& Key, TShiftState Shift, TEditorType Rules) {
    if (!IsPasteKey(Key, Shift) || !HasPasteRules(Rules)) return false;   // no rules: the control pastes as it does
    Key = 0;
    auto T = Ed->Text();
    decltype(T) Clip;
    if constexpr (std::is_same_v<decltype(T), WideString>) Clip = Clipboard()->AsWideText();
    else Clip = Clipboard()->AsText();
    PutPasted(Ed, Clip, Rules, 0);
    return true;
}

template <class TEd>
bool TGridEditorKeys::PastesAsTextEditor(TEd* Ed, Word& Key, TShiftState Shift) {
    if (!UsesTextEditor(ColumnEditor())) return PastesByRules(Ed, Key, Shift, ColumnEditor());
    if (!IsPasteKey(Key, Shift)) return false;
    Key = 0;
    WideString Clip = Clipboard()->AsWideText();
    if (Clip.empty()) return true;
    // The grid's paste events, as the text editor raises them; a handler may free the grid.
    TExtStringGrid* G = FGrid;
    const std::shared_ptr<const bool> Alive = Ed->AliveToken();
    bool Allow = true;
    if (G->OnClipboardPaste) FireEvent(G->OnClipboardPaste, Ed, Allow);
    if (!*Alive || !Allow) return true;
    if (G->OnClipboardBeforePasteCell) {
        // The handler sees the letters; a text it leaves as it was keeps those outside the code page.
        const AnsiString Shown = WideToAnsi(Clip);
        AnsiString V = Shown;
        FireEvent(G->OnClipboardBeforePasteCell, Ed, G->Col(), G->Row(), V, Allow);
        if (!*Alive || !Allow) return true;
        if (V != Shown) Clip = AnsiToWide(V);
    }
    PutPasted(Ed, Clip, ColumnEditor(), G->MaxEditLength());
    return true;
}

template <class TEd>
void TGridEditorKeys::KeepsMixedCase(TEd* Ed) {
    // Not while the grid fills the editor: an unchanged text stays as the cell holds it.
    if (FGrid->FLetterRules != edMixedCase || FGrid->FEditorControl != Ed) return;
    WideString W = Ed->Text();
    if (!PastedEditorText(edMixedCase, W) || W == Ed->Text()) return;
    const Integer Caret = Ed->SelStart();
    Ed->SetText(W);
    Ed->SetSelStart(Caret);
}

void TGridEditorKeys::StoreNothing() { FGrid->FEditActive = false; }

void TGridEditorKeys::Exited() {
    if (FGrid->ComponentState().Contains(csDestroying)) return;
    FGrid->EndEditorControl();
}

// --- spin --------------------------------------------------------------------------
TGridSpin::TGridSpin(TComponent* AOwner)
    : TGridEditor<TEsgSpinEdit>(AOwner) {
    SetMaxValue(100);
    SetMinValue(0);
    SetIncrement(1);
}

void TGridSpin::Stepped(bool Up) {
    const Integer C = FGrid->Col(), R = FGrid->Row();
    switch (SpinType()) {
        case sptNormal: if (FGrid->OnSpinClick) FireEvent(FGrid->OnSpinClick, FGrid, C, R, Value(), Up); break;
        case sptFloat: if (FGrid->OnFloatSpinClick) FireEvent(FGrid->OnFloatSpinClick, FGrid, C, R, FloatValue(), Up); break;
        case sptDate: if (FGrid->OnDateSpinClick) FireEvent(FGrid->OnDateSpinClick, FGrid, C, R, DateValue(), Up); break;
        case sptTime: if (FGrid->OnTimeSpinClick) FireEvent(FGrid->OnTimeSpinClick, FGrid, C, R, TimeValue(), Up); break;
    }
}

void TGridSpin::UpClick(TObject* Sender) {
    TEsgSpinEdit::UpClick(Sender);
    Stepped(true);
}

void TGridSpin::DownClick(TObject* Sender) {
    TEsgSpinEdit::DownClick(Sender);
    Stepped(false);
}

void TGridSpin::KeyDown(Word& Key, TShiftState Shift) {
    if (Key == VK_HOME || Key == VK_END) {
        const bool Home = Key == VK_HOME;
        if (SpinType() == sptNormal) SetValue(Home ? MaxValue() : MinValue());
        else if (SpinType() == sptFloat) SetFloatValue(Home ? MaxFloatValue() : MinFloatValue());
        const TAliveGuard Alive(this);   // the handler may close the screen
        if (FGrid->OnSpinClick) FireEvent(FGrid->OnSpinClick, FGrid, FGrid->Col(), FGrid->Row(), Value(), Home);
        if (Alive.Alive()) TEsgSpinEdit::KeyDown(Key, Shift);
        return;
    }
    if (Key != VK_TAB && Key != VK_RETURN && Key != VK_ESCAPE) {
        TEsgSpinEdit::KeyDown(Key, Shift);
        return;
    }
    EditEndKeys(
        this, Key, Shift, [this](const AnsiString& V) { SetText(V); },
        [this] {
            SetSelStart(static_cast<Integer>(Text().size()));
            Invalidate();
        },
        [this] {
            SetText(FGrid->TextBeforeEdit());
            if (SpinType() == sptNormal) SetValue(Value());
            else if (SpinType() == sptFloat) SetFloatValue(FloatValue());
        });
}

void TGridSpin::KeyPress(char& Key) {
    if (Key == 13 || Key == 9) {
        Key = 0;
        return;
    }
    TEsgSpinEdit::KeyPress(Key);
}

void TGridSpin::Change() {
    TEsgSpinEdit::Change();
    if (FGrid->OnEditChange) FireEvent(FGrid->OnEditChange, FGrid, FGrid->Col(), FGrid->Row(), Text());
}

// --- combo -------------------------------------------------------------------------
template <class TBase, class TStr>
bool TGridComboEditor<TBase, TStr>::HandsOver(Word Key, TShiftState Shift) {
    FTyping = !(Key == VK_BACK || Key == VK_DELETE);
    if (this->Style() == csDropDownList || this->DroppedDown())
        return Key == VK_TAB || Key == VK_RETURN || Key == VK_ESCAPE || Key == VK_LEFT || Key == VK_RIGHT;
    return Key == VK_TAB || Key == VK_RETURN || Key == VK_ESCAPE || Key == VK_PRIOR || Key == VK_NEXT ||
           Key == VK_END || Key == VK_UP || (Key == VK_DOWN && !Shift.Contains(ssAlt));
}

template <class TBase, class TStr>
void TGridComboEditor<TBase, TStr>::KeyPress(char& Key) {
    if (Key == 13 && OnReturn) FireEvent(OnReturn, this);
    if (Key == 13 || Key == 9) {
        Key = 0;
        return;
    }
    TBase::KeyPress(Key);
}

template <class TBase, class TStr>
void TGridComboEditor<TBase, TStr>::KeyUp(Word& Key, TShiftState Shift) {
    TBase::KeyUp(Key, Shift);
    TExtStringGrid* G = this->FGrid;
    if (Key == VK_RETURN || !FTyping || !G->Lookup() || this->Style() == csDropDownList) return;
    const bool Case = G->LookupCaseSensitive();
    const Integer I =
        CompleteFromItems<TStr>(this, [Case](const TStr& A, const TStr& B) { return SameLookup(A, B, Case); });
    if (I < 0) return;
    FLookupIndex = I;
    FLookupDone = true;
}

template <class TBase, class TStr>
void TGridComboEditor<TBase, TStr>::DoExit() {
    const TStr T = this->Text();
    if (this->FGrid->LookupHistory() && !T.empty() && this->Items()->IndexOf(T) < 0) this->Items()->Add(T);
    TGridEditor<TBase>::DoExit();
}

template <class TBase, class TStr>
void TGridComboEditor<TBase, TStr>::Select() {
    TBase::Select();
    TExtStringGrid* G = this->FGrid;
    const Integer I = this->ItemIndex();
    const AnsiString S = I >= 0 ? AsAnsi(this->Items()->Strings(I)) : AnsiString();
    // A handler may free the grid, and this editor with it.
    const TAliveGuard alive(G);
    if (G->OnComboChange) FireEvent(G->OnComboChange, G, G->Col(), G->Row(), I, S);
    if (alive.Alive() && G->OnComboObjectChange)
        FireEvent(G->OnComboObjectChange, G, G->Col(), G->Row(), I, S, I >= 0 ? this->Items()->Objects(I) : nullptr);
}

template class TGridComboEditor<TESGComboBox, AnsiString>;
template class TGridComboEditor<TESGUniComboBox, WideString>;

TGridCombo::TGridCombo(TComponent* AOwner)
    : TGridComboEditor<TESGComboBox, AnsiString>(AOwner) {
    SetButtonWidth(16);
    OnCloseUp = [this](TObject*) {
        if (FGrid->OnComboCloseUp) FireEvent(FGrid->OnComboCloseUp, FGrid, FGrid->Row(), FGrid->Col());
    };
}

void TGridCombo::TakeCell() {
    AnsiString V;
    FGrid->GetCurrentCell(V);
    const Integer I = Items()->IndexOf(V);
    if (I >= 0) SetItemIndex(I);
    if (Style() != csDropDownList) SetText(V);
}

void TGridCombo::KeyDown(Word& Key, TShiftState Shift) {
    if (!HandsOver(Key, Shift)) {
        TESGComboBox::KeyDown(Key, Shift);
        return;
    }
    const std::shared_ptr<const bool> Alive = AliveToken();
    if (Key == VK_ESCAPE) {
        // A list cannot show a text outside its items: nothing is stored, the cell keeps its text.
        TakeCell();
        StoreNothing();
    }
    if (Key == VK_TAB || Key == VK_RETURN || Key == VK_UP || Key == VK_DOWN) {
        const bool Valid = Commit([this](const AnsiString& V) {
            const Integer I = Items()->IndexOf(V);
            if (I >= 0) SetItemIndex(I);
            if (Style() != csDropDownList) SetText(V);
        });
        if (!*Alive) return;
        if (!Valid) {
            SetSelStart(static_cast<Integer>(Text().size()));
            Key = 0;
            return;
        }
    }
    if (TabAdvance(Key, Shift)) {
        Key = 0;
        return;
    }
    if (DroppedDown()) SetDroppedDown(false);
    HandToGrid(Key, Shift, true);
    Key = 0;
}

void TGridCombo::Change() {
    TESGComboBox::Change();
    const TAliveGuard Alive(this);   // the handler may close the screen
    if (FGrid->OnEditChange) FireEvent(FGrid->OnEditChange, FGrid, FGrid->Col(), FGrid->Row(), Text());
    if (Alive.Alive() && FGrid->OnComboChange && Style() != csDropDownList)
        FireEvent(FGrid->OnComboChange, FGrid, FGrid->Col(), FGrid->Row(), -1, Text());
}

Integer TGridCombo::FittingDropWidth() {
    TCanvas* C = FGrid->Canvas();
    Integer W = Width();
    const bool Scrolls = Items()->Count() > DropDownCount();
    for (Integer I = 0; I < Items()->Count(); ++I) {
        const Integer TW = C->TextWidth(Items()->Strings(I));
        if (Scrolls) {
            if (TW > W - 25) W = TW + 25;
        } else if (TW > W - 5) {
            W = TW + 8;
        }
    }
    return W;
}

// --- edit with button ----------------------------------------------------------------
namespace {

// Tab, Enter, Esc, PgUp, PgDn, Up and Down end an edit-with-button edit.
bool ButtonEditHandOver(Word Key) {
    return Key == VK_TAB || Key == VK_RETURN || Key == VK_ESCAPE || Key == VK_PRIOR || Key == VK_NEXT ||
           Key == VK_UP || Key == VK_DOWN;
}

}  // namespace

TGridEditBtn::TGridEditBtn(TComponent* AOwner)
    : TGridEditor<TEsgEditBtn>(AOwner) {
    SetButtonCaption("...");
    OnClickBtn = [this](TObject*) {
        AnsiString V = Text();
        const TAliveGuard Alive(FGrid);   // the handler may close the screen
        FGrid->EllipsClick(V);
        if (Alive.Gone()) return;
        SetText(V);
        SelectAll();
        Invalidate();
    };
}

void TGridEditBtn::KeyDown(Word& Key, TShiftState Shift) {
    if (PastesByRules(this, Key, Shift, FGrid->ActiveEditorType())) return;
    if (Shift.Contains(ssCtrl) || !ButtonEditHandOver(Key)) {
        TEsgEditBtn::KeyDown(Key, Shift);
        return;
    }
    const std::shared_ptr<const bool> Alive = AliveToken();
    if (OnKeyDown) FireEvent(OnKeyDown, this, Key, Shift);
    if (!*Alive || Key == 0) return;
    EditEndKeys(this, Key, Shift, [this](const AnsiString& V) { SetText(V); },
                [this] { SetSelStart(static_cast<Integer>(Text().size())); },
                [this] {
                    AnsiString V;
                    FGrid->GetCurrentCell(V);
                    SetText(V);
                });
}

bool TGridEditBtn::FilterChar(char& Key) {
    return FilterEditorChar(FGrid->ActiveEditorType(), Key, Text(), SelText(), SelStart());
}

void TGridEditBtn::KeyPress(char& Key) {
    if (Key == 13) {
        Key = 0;
        return;
    }
    if (!FilterChar(Key)) return;
    TEsgEditBtn::KeyPress(Key);
}

void TGridEditBtn::Change() {
    TEsgEditBtn::Change();
    if (FGrid->OnEditChange) FireEvent(FGrid->OnEditChange, FGrid, FGrid->Col(), FGrid->Row(), Text());
}

TGridUnitEditBtn::TGridUnitEditBtn(TComponent* AOwner)
    : TGridEditor<TEsgUnitEditBtn>(AOwner) {
    SetButtonCaption("...");
}

void TGridUnitEditBtn::KeyDown(Word& Key, TShiftState Shift) {
    if (!ButtonEditHandOver(Key)) {
        TEsgUnitEditBtn::KeyDown(Key, Shift);
        return;
    }
    EditEndKeys(this, Key, Shift, [this](const AnsiString& V) { TakeCellText(V); }, [] {},
                [this] {
                    AnsiString V;
                    FGrid->GetCurrentCell(V);
                    SetUnitID(AnsiString());
                    SetText(V);
                });
}

// The number the text begins with, and the unit after it ("10 m2": 10 and " m2").
void TGridUnitEditBtn::TakeCellText(const AnsiString& Text) {
    size_t I = 0;
    while (I < Text.size() && Text[I] == ' ') ++I;
    while (I < Text.size() && (IsDigit(Text[I]) || Text[I] == ',' || Text[I] == '-' || Text[I] == '.')) ++I;
    SetText(Text.substr(0, I));
    SetUnitID(Text.substr(I));
}

void TGridUnitEditBtn::KeyPress(char& Key) {
    if (Key == 13) {
        Key = 0;
        return;
    }
    TEsgUnitEditBtn::KeyPress(Key);
}

// --- check box, date picker, button ----------------------------------------------------
TGridCheckBox::TGridCheckBox(TComponent* AOwner)
    : TGridEditor<TCheckBox>(AOwner) {}

void TGridCheckBox::KeyDown(Word& Key, TShiftState Shift) {
    if (Key != VK_RETURN && Key != VK_PRIOR && Key != VK_NEXT && Key != VK_END && !IsArrow(Key)) {
        TCheckBox::KeyDown(Key, Shift);
        return;
    }
    // Only Up and Down move the current cell from here.
    HandToGrid(Key == VK_UP || Key == VK_DOWN || Key == VK_RETURN ? Key : 0, Shift, true);
    Key = 0;
}

TGridDatePicker::TGridDatePicker(TComponent* AOwner)
    : TGridEditor<TDateTimePicker>(AOwner) {}

bool TGridDatePicker::Dropped() const { return PopupOpen(); }

void TGridDatePicker::KeyDown(Word& Key, TShiftState Shift) {
    const bool HandOver = Key == VK_TAB || Key == VK_RETURN || Key == VK_ESCAPE || Key == VK_PRIOR ||
                          Key == VK_NEXT || Key == VK_END;
    if (!HandOver || Dropped()) {
        TDateTimePicker::KeyDown(Key, Shift);
        return;
    }
    if (Key == VK_ESCAPE) {
        AnsiString V;
        FGrid->GetCurrentCell(V);
        TDateTime D = 0;
        if (Kind() == dtkDate && TryStrToDate(V, D)) SetDate(D);
        else if (Kind() == dtkTime && TryStrToTime(V, D)) SetTime(D);
        else SetDateTime(DateTime());   // typed digits go too: nothing is checked on leaving
        StoreNothing();   // also a cell that holds no date keeps its text
    }
    if (TabAdvance(Key, Shift)) {
        Key = 0;
        return;
    }
    HandToGrid(Key, Shift, true);
    Key = 0;
}

TGridButton::TGridButton(TComponent* AOwner)
    : TGridEditor<TButton>(AOwner) {}

void TGridButton::Click() {
    AnsiString V = Caption();
    const TAliveGuard Alive(FGrid);   // the handler may close the screen
    FGrid->EllipsClick(V);
    if (Alive.Gone()) return;
    SetCaption(V);
    TButton::Click();
}

void TGridButton::KeyDown(Word& Key, TShiftState Shift) {
    if (!IsArrow(Key) && Key != VK_ESCAPE) {
        TButton::KeyDown(Key, Shift);
        return;
    }
    const Word K = Key;
    Key = 0;
    TExtStringGrid* G = FGrid;
    const std::shared_ptr<const bool> Alive = G->AliveToken();
    G->EndEditorControl();
    if (!*Alive) return;
    if (G->CanFocus()) G->SetFocus();
    if (K == VK_ESCAPE) {
        G->SetCurrentCell(G->TextBeforeEdit());
        return;
    }
    Word GK = K;
    G->KeyDown(GK, Shift);
}

// --- Unicode editors ---------------------------------------------------------------------
namespace {

bool IsCommitKey(Word Key) { return Key == VK_TAB || Key == VK_RETURN || Key == VK_UP || Key == VK_DOWN; }

}  // namespace

TGridUniEdit::TGridUniEdit(TComponent* AOwner) : TGridEditor<TEsgUniEdit>(AOwner) {}

void TGridUniEdit::KeyDown(Word& Key, TShiftState Shift) {
    if (PastesAsTextEditor(this, Key, Shift)) return;
    if (!UniKeyDown(this, Key, Shift, IsCommitKey(Key) || Key == VK_ESCAPE, IsCommitKey(Key)))
        TEsgUniEdit::KeyDown(Key, Shift);
}

void TGridUniEdit::KeyPress(char& Key) {
    if (Key == 13 || Key == 9) {
        Key = 0;
        return;
    }
    if (KeepsColumnRules(this, Key)) TEsgUniEdit::KeyPress(Key);
}

void TGridUniEdit::Change() {
    TEsgUniEdit::Change();
    KeepsMixedCase(this);
}

TGridUniEditBtn::TGridUniEditBtn(TComponent* AOwner) : TGridEditor<TEsgUniEditBtn>(AOwner) {
    SetButtonCaption("...");
    // Standing in for the column's edit with button, it keeps the column's ellipsis; the
    // letters outside the code page stay unless the handler gives another text.
    OnClickBtn = [this](TObject*) {
        const TEditorType E = ColumnEditor();
        if (E != edEditBtn && E != edNumericEditBtn && E != edFloatEditBtn) return;
        const AnsiString Shown = WideToAnsi(Text());
        AnsiString V = Shown;
        const TAliveGuard Alive(FGrid);   // the handler may close the screen
        FGrid->EllipsClick(V);
        if (Alive.Gone()) return;
        if (V != Shown) SetText(AnsiToWide(V));
        SelectAll();
        Invalidate();
    };
}

void TGridUniEditBtn::KeyDown(Word& Key, TShiftState Shift) {
    if (PastesAsTextEditor(this, Key, Shift)) return;
    if (!UniKeyDown(this, Key, Shift, IsCommitKey(Key) || Key == VK_ESCAPE, IsCommitKey(Key)))
        TEsgUniEditBtn::KeyDown(Key, Shift);
}

void TGridUniEditBtn::KeyPress(char& Key) {
    if (Key == 13 || Key == 9) {
        Key = 0;
        return;
    }
    if (KeepsColumnRules(this, Key)) TEsgUniEditBtn::KeyPress(Key);
}

void TGridUniEditBtn::Change() {
    TEsgUniEditBtn::Change();
    KeepsMixedCase(this);
}

TGridUniMemo::TGridUniMemo(TComponent* AOwner) : TGridEditor<TEsgUniMemo>(AOwner) { SetWantReturns(true); }

void TGridUniMemo::KeyDown(Word& Key, TShiftState Shift) {
    if (PastesAsTextEditor(this, Key, Shift)) return;
    if (!UniKeyDown(this, Key, Shift, Key == VK_TAB || Key == VK_ESCAPE, Key == VK_TAB))
        TEsgUniMemo::KeyDown(Key, Shift);
}

void TGridUniMemo::KeyPress(char& Key) {
    if (KeepsColumnRules(this, Key)) TEsgUniMemo::KeyPress(Key);
}

void TGridUniMemo::Change() {
    TEsgUniMemo::Change();
    KeepsMixedCase(this);
}

TGridUniCombo::TGridUniCombo(TComponent* AOwner) : TGridComboEditor<TESGUniComboBox, WideString>(AOwner) {
    SetButtonWidth(16);
    OnCloseUp = [this](TObject*) {
        if (FGrid->OnComboCloseUp) FireEvent(FGrid->OnComboCloseUp, FGrid, FGrid->Row(), FGrid->Col());
    };
}

void TGridUniCombo::KeyDown(Word& Key, TShiftState Shift) {
    if (!HandsOver(Key, Shift)) {
        TESGUniComboBox::KeyDown(Key, Shift);
        return;
    }
    if (Key == VK_ESCAPE) {
        const TPoint B = FGrid->BaseCell(FGrid->GetRealCol(), FGrid->Row());
        const WideString W = FGrid->GetWideCell(B.X, B.Y);
        const Integer I = Items()->IndexOf(W);
        if (I >= 0) SetItemIndex(I);
        if (Style() != csDropDownList) SetText(W);
        StoreNothing();   // a list cannot show a text outside its items
    }
    if (DroppedDown()) SetDroppedDown(false);
    // No commit of its own: the grid validates the stored text when the cell is left.
    HandToGrid(Key, Shift, true);
    Key = 0;
}

// --- the grid's side -------------------------------------------------------------------
TGridSpin* TExtStringGrid::SpinEdit() { return MakeGridControl(this, FSpin); }
TGridCombo* TExtStringGrid::Combobox() { return MakeGridControl(this, FCombo); }
TGridEditBtn* TExtStringGrid::BtnEdit() { return MakeGridControl(this, FBtnEdit); }
TGridUnitEditBtn* TExtStringGrid::BtnUnitEdit() { return MakeGridControl(this, FBtnUnitEdit); }
TGridCheckBox* TExtStringGrid::CheckBoxEditor() { return MakeGridControl(this, FCheckEditor); }
TGridDatePicker* TExtStringGrid::DateTimePicker() {
    if (!FDatePicker) MakeGridControl(this, FDatePicker)->OnChange = [this](TObject*) { DateTimeChanged(FDatePicker->DateTime()); };
    return FDatePicker;
}
void TExtStringGrid::DateTimeChanged(TDateTime Value) {
    if (OnDateTimeChange) FireEvent(OnDateTimeChange, this, Col(), Row(), Value);
}
TGridButton* TExtStringGrid::ButtonEditor() { return MakeGridControl(this, FButtonEditor); }
TGridUniEdit* TExtStringGrid::UniEdit() { return MakeGridControl(this, FUniEdit); }
TGridUniEditBtn* TExtStringGrid::UniEditBtn() { return MakeGridControl(this, FUniEditBtn); }
TGridUniMemo* TExtStringGrid::UniMemo() { return MakeGridControl(this, FUniMemo); }
TGridUniCombo* TExtStringGrid::UniCombo() { return MakeGridControl(this, FUniCombo); }

namespace {

// Where an editor control sits over the current cell: the cell less the grid line on
// its left; false while the cell is out of view.
bool EditorControlRect(const TExtStringGrid* G, TRect& R) {
    R = G->CellRect(G->Col(), G->Row());
    if (R.IsEmpty()) return false;
    if (G->GridLineWidth() > 0) ++R.Left;
    return true;
}

void PutEditorControl(TControl* Ctl, const TRect& R) { Ctl->SetBounds(R.Left, R.Top, R.Width() - 1, R.Height() - 1); }

}  // namespace

void TExtStringGrid::PlaceEditorControl() {
    if (!FEditorControl || !FEditorControl->Visible()) return;
    TRect R;
    if (EditorControlRect(this, R) && !R.IsEmpty()) PutEditorControl(FEditorControl, R);
}

bool TExtStringGrid::ShowEditorControl(TEditorType AEditor) {
    TRect R;
    if (!EditorControlRect(this, R)) return false;
    AnsiString Text;
    GetCurrentCell(Text);
    const bool WideEditor = AEditor >= edUniEdit && AEditor <= edUniMemo;
    FEditLetters = !WideEditor && AEditor != edRichEdit && AEditor != edCustom && IsUnicodeText(Text);
    if (FEditLetters) Text = SearchedText(Text);
    TWinControl* Ctl = nullptr;
    switch (AEditor) {
        case edSpinEdit: case edFloatSpinEdit: case edTimeSpinEdit: case edDateSpinEdit: {
            TGridSpin* S = SpinEdit();
            S->SetExcelStyleDecimalSeparator(FExcelStyleDecimalSeparator);
            const AnsiString T = Trim(Text);
            TDateTime D = 0;
            switch (AEditor) {
                case edSpinEdit:
                    S->SetSpinType(sptNormal);
                    S->SetValue(StrToIntDef(T, S->MinValue()));
                    break;
                case edFloatSpinEdit:
                    S->SetSpinType(sptFloat);
                    S->SetFloatValue(CellFloat(T, S->MinFloatValue()));
                    break;
                case edTimeSpinEdit:
                    S->SetSpinType(sptTime);
                    S->SetTimeValue(TryStrToTime(T, D) ? D : TDateTime(0));
                    break;
                default:
                    S->SetSpinType(sptDate);
                    S->SetDateValue(TryStrToDate(T, D) ? D : Date());
                    break;
            }
            Ctl = S;
            break;
        }
        case edComboEdit: case edComboList: {
            TGridCombo* C = Combobox();
            C->SetStyle(AEditor == edComboList ? csDropDownList : csDropDown);
            if (FNavigation->AutoComboDropSize()) C->SetDropWidth(C->FittingDropWidth());
            const Integer I = C->Items()->IndexOf(Text);
            if (AEditor == edComboEdit) {
                C->SetItemIndex(I);
                C->SetText(Text);
            } else if (I >= 0) {
                C->SetItemIndex(I);
            } else if (C->Items()->Count() > 0) {
                // A text outside the list starts at the first item.
                C->SetItemIndex(0);
                const AnsiString First = C->Items()->Strings(0);
                if (OnComboChange) FireEvent(OnComboChange, this, Col(), Row(), 0, First);
                if (OnComboObjectChange) FireEvent(OnComboObjectChange, this, Col(), Row(), 0, First, C->Items()->Objects(0));
            }
            Ctl = C;
            break;
        }
        case edEditBtn: case edNumericEditBtn: case edFloatEditBtn:
            BtnEdit()->SetText(Text);
            Ctl = BtnEdit();
            break;
        case edUnitEditBtn:
            BtnUnitEdit()->TakeCellText(Text);
            Ctl = BtnUnitEdit();
            break;
        case edCheckBox:
            CheckBoxEditor()->SetCaption(Text);
            Ctl = CheckBoxEditor();
            break;
        case edDateEdit: case edDateEditUpDown: case edTimeEdit: {
            TGridDatePicker* P = DateTimePicker();
            P->SetDateMode(AEditor == edDateEditUpDown ? dmUpDown : dmComboBox);
            TDateTime D = 0;
            if (AEditor == edTimeEdit) {
                P->SetKind(dtkTime);
                P->SetTime(!Trim(Text).empty() && TryStrToTime(Text, D) ? D : Now());
            } else {
                P->SetKind(dtkDate);
                P->SetDate(!Trim(Text).empty() && TryStrToDate(Text, D) ? D : Date());
            }
            Ctl = P;
            break;
        }
        case edButton:
            ButtonEditor()->SetCaption(Text);
            Ctl = ButtonEditor();
            break;
        case edRichEdit: {
            TExtRichEdit* E = RichEdit();
            E->SetSuppressResize(true);
            const TPoint B = BaseCell(GetRealCol(), Row());
            CellToRichEdit(B.X, B.Y, E);
            E->SetSuppressResize(false);
            Ctl = E;
            break;
        }
        case edUniEdit:
            UniEdit()->SetMaxLength(UsesTextEditor(FLetterRules) ? FMaxEditLength : 0);
            UniEdit()->SetPasswordChar(FLetterRules == edPassword ? PasswordChar() : 0);
            UniEdit()->SetText(CellTextToWide(Text));
            Ctl = UniEdit();
            break;
        case edUniEditBtn:
            UniEditBtn()->SetMaxLength(UsesTextEditor(FLetterRules) ? FMaxEditLength : 0);
            UniEditBtn()->SetText(CellTextToWide(Text));
            Ctl = UniEditBtn();
            break;
        case edUniMemo:
            UniMemo()->SetMaxLength(UsesTextEditor(FLetterRules) ? FMaxEditLength : 0);
            UniMemo()->SetText(CellTextToWide(Text));
            Ctl = UniMemo();
            break;
        case edUniComboEdit: case edUniComboList: {
            TGridUniCombo* C = UniCombo();
            const WideString W = CellTextToWide(Text);
            C->SetStyle(AEditor == edUniComboList ? csDropDownList : csDropDown);
            if (FLetterRules == edComboEdit || FLetterRules == edComboList) {
                // Standing in for the column's combo on letters it cannot hold: its items,
                // the combo's own ones kept aside until the edit ends.
                if (!FUniComboOwnItems) {
                    auto& Own = FUniComboOwnItems.emplace();
                    for (Integer I = 0; I < C->Items()->Count(); ++I) Own.emplace_back(C->Items()->Strings(I), C->Items()->Objects(I));
                }
                C->Items()->Clear();
                C->Items()->AddStrings(Combobox()->Items());
            }
            C->SetItemIndex(C->Items()->IndexOf(W));
            if (AEditor == edUniComboEdit) C->SetText(W);
            Ctl = C;
            break;
        }
        case edCustom:
            return ShowEditLink(R);
        default:
            return false;
    }
    PutEditorControl(Ctl, R);
    Ctl->SetEnabled(true);   // before the look: a flat combo takes its own colour back when enabled
    ApplyCellLook(Ctl);
    Ctl->SetVisible(true);
    FEditorControl = Ctl;
    if (Ctl->CanFocus()) Ctl->SetFocus();
    if (auto* E = dynamic_cast<TCustomEdit*>(Ctl)) E->SelectAll();
    if (AEditor == edDateEdit && FMouseActions->DirectDateDrop() && HasFocusWithin(Ctl)) {
        // The calendar opens at once, as F4 would open it.
        SendKeyToFocus(VK_F4);
    }
    NoteEditorControlValue();
    if (FStartKey) {
        // The key that opened the editor replaces the text, through the control's filter;
        // a Unicode editor takes the character as typed.
        // A letter outside the code page (the key as typed, unchanged by OnKeyPress) has no
        // case and is no digit; every other key meets the rules as the keys after it do.
        char Ch = FStartKey;
        FStartKey = 0;
        const bool Wide = AEditor >= edUniEdit && AEditor <= edUniMemo && AEditor != edUniComboList;
        if (Wide && FStartWide.size() == 1 && !FitsCodePage(FStartWide) && WideToAnsi(FStartWide) == AnsiString(1, Ch)) {
            auto* Keys = dynamic_cast<TGridEditorKeys*>(Ctl);
            if (Keys && !Keys->TakesOutsideLetter()) return true;
            SetWideTextOf(Ctl, FStartWide);
            if (auto* E = dynamic_cast<TCustomEdit*>(Ctl)) E->SetSelStart(1);
            else if (auto* C = dynamic_cast<TComboBox*>(Ctl)) C->SetSelStart(1);
        } else {
            TypeStartKey(Ctl, Ch);
        }
    }
    return true;
}

bool TExtStringGrid::EditorControlRefuses() {
    switch (FActiveEditor) {
        case edSpinEdit: case edTimeSpinEdit: case edFloatSpinEdit: case edDateSpinEdit: break;
        default: return false;
    }
    if (!FSpin) return false;
    const AnsiString T = Trim(FSpin->Text());
    if (T.empty()) return false;   // an emptied editor empties the cell
    Integer I = 0;
    Double F = 0;
    TDateTime D = 0;
    switch (FSpin->SpinType()) {
        case sptNormal: return !TryStrToInt(T, I);
        case sptFloat: return !TryStrToFloat(T, F);
        case sptDate: return !TryStrToDate(T, D);
        case sptTime: return !TryStrToTime(T, D);
    }
    return false;
}

bool TExtStringGrid::EditorControlValue(AnsiString& V) {
    if (EditorControlRefuses() || !EditorControlText(V)) return false;
    // The letters of a Unicode cell go back into it as a Unicode cell.
    if (FEditLetters && !V.empty()) {
        WideString W = AnsiToWide(V);
        if (FActiveEditor == edUnitEditBtn && IsUnicodeText(FTextBeforeEdit)) {
            // The unit the editor showed with "?" for letters outside the code page keeps them.
            const WideString Was = CellTextToWide(FTextBeforeEdit);
            const AnsiString Unit = FBtnUnitEdit->UnitID();
            if (Unit.size() <= Was.size() && WideToAnsi(Was.substr(Was.size() - Unit.size())) == Unit)
                W = AnsiToWide(FBtnUnitEdit->Text()) + Was.substr(Was.size() - Unit.size());
        }
        V = WideToCellText(W);
    }
    return true;
}

bool TExtStringGrid::EditorControlText(AnsiString& V) {
    switch (FActiveEditor) {
        case edSpinEdit: case edTimeSpinEdit: V = FSpin->Text(); return true;
        // An emptied spin editor empties the cell: no value nobody typed.
        case edFloatSpinEdit:
            V = Trim(FSpin->Text()).empty() ? AnsiString() : Format(FFloatFormat, {Extended(FSpin->FloatValue())});
            return true;
        case edDateSpinEdit: V = Trim(FSpin->Text()).empty() ? AnsiString() : DateToStr(FSpin->DateValue()); return true;
        case edComboEdit: case edComboList: V = FCombo->Text(); return true;
        case edEditBtn: case edNumericEditBtn: case edFloatEditBtn: V = FBtnEdit->Text(); return true;
        case edUnitEditBtn: V = FBtnUnitEdit->Text() + FBtnUnitEdit->UnitID(); return true;
        case edDateEdit: case edDateEditUpDown: V = DateToStr(FDatePicker->Date()); return true;
        case edTimeEdit: V = TimeToStr(FDatePicker->Time()); return true;
        case edRichEdit: RichEditToCell(FRichEdit, V); return true;
        case edUniEdit: V = EncodedWide(FUniEdit->Text()); return true;
        case edUniEditBtn: V = EncodedWide(FUniEditBtn->Text()); return true;
        case edUniMemo: V = EncodedWide(FUniMemo->Text()); return true;
        case edUniComboEdit: case edUniComboList: V = EncodedWide(FUniCombo->Text()); return true;
        case edCustom:
            if (!FEditLink) return false;
            FEditLink->GetEditorValue(V);
            return true;
        default: return false;
    }
}

void TExtStringGrid::NoteEditorControlValue() {
    FEditorShownValue.clear();
    EditorControlValue(FEditorShownValue);
}

bool TExtStringGrid::EditorControlChanged() {
    AnsiString V;
    return EditorControlValue(V) && V != FEditorShownValue;
}

void TExtStringGrid::EndEditorControl() {
    TWinControl* Ctl = FEditorControl;
    if (!Ctl) return;
    FEditorControl = nullptr;
    FStartKey = 0;
    const bool WasActive = FEditActive;
    FEditActive = false;
    // Escape, a committed value or an unchanged editor leave the cell as it is.
    AnsiString V;
    if (WasActive && EditorControlValue(V) && V != FEditorShownValue) {
        const TPoint B = BaseCell(GetRealCol(), Row());
        const TAliveGuard alive(this);
        StoreCellText(B.X, B.Y, V);
        if (alive.Gone()) return;
        FooterCellChanged(B.X);   // the total follows what the cell shows, checked or not yet
    }
    // The focus comes back to the grid before the control goes: hidden with the focus,
    // the control would hand it on to the next control of the form.
    if (HasFocusWithin(Ctl) && CanFocus()) SetFocus();
    Ctl->SetVisible(false);
    Ctl->SetEnabled(false);
    if (FActiveEditor == edCustom) EndEditLink();
    if (FUniComboOwnItems && Ctl == FUniCombo) {
        // What the history took in while standing in joins the column's list where the
        // list can hold its letters.
        for (Integer I = 0; I < FUniCombo->Items()->Count(); ++I)
            if (const WideString S = FUniCombo->Items()->Strings(I); FitsCodePage(S) && Combobox()->Items()->IndexOf(WideToAnsi(S)) < 0)
                Combobox()->Items()->Add(WideToAnsi(S));
        FUniCombo->Items()->Clear();
        for (const auto& [S, O] : *FUniComboOwnItems) FUniCombo->Items()->AddObject(S, O);
        FUniComboOwnItems.reset();
    }
    Invalidate();
    if (OnEditingDone) FireEvent(OnEditingDone, this);
}

void TExtStringGrid::ApplyCellLook(TControl* Ctl) {
    TBrush Brush;
    Brush.SetColor(Color());
    TFont CellFont;
    CellFont.Assign(Font());
    GetCellColor(Col(), Row(), TGridDrawState{}, &Brush, &CellFont);
    if (Brush.Color() != clNone) Ctl->SetColor(Brush.Color());
    Ctl->Font()->Assign(&CellFont);
}

// --- the edit link -------------------------------------------------------------------------
bool TExtStringGrid::ShowEditLink(TRect R) {
    TEditLink* L = FEditLink;
    if (!L) return false;
    L->FGrid = this;
    L->FEditCol = Col();
    L->FEditRow = Row();
    L->FreeNotification(this);
    if (L->EditStyle() == esPopup) {
        if (!L->FPopupForm) {
            // One pop-up form at a time, whoever opened the last one.
            if (Application)
                if (TComponent* Old = Application->FindComponent("gridform")) delete Old;
            auto* F = new TForm(Application);
            F->SetName("gridform");
            F->SetBorderStyle(bsNone);
            F->FreeNotification(L);
            // The form outlives a grid freed meanwhile: the grid is asked only while it lives.
            F->OnDeactivate = [this, L, Alive = AliveToken()](TObject*) {
                if (*Alive && FEditLink == L && !L->FLeaving && FEditorControl) EndEditorControl();
            };
            L->FPopupForm = F;
        }
        const TRect Cell = CellRect(Col(), Row());
        const Integer W = L->AutoPopupWidth() ? Cell.Width() : L->PopupWidth();
        const TPoint Below = ClientToScreen(Point(Cell.Left, Cell.Bottom));
        const bool Placed = L->PopupLeft() != -1 && L->PopupTop() != -1;
        L->FPopupForm->SetBounds(Placed ? L->PopupLeft() : Below.X, Placed ? L->PopupTop() : Below.Y, W,
                                 L->PopupHeight());
        L->CreateEditor(L->FPopupForm);
        L->SetRect(Rect(0, 0, W, L->PopupHeight()));
        L->FPopupForm->Show();
    } else {
        L->CreateEditor(this);
        L->SetRect(R);
    }
    L->SetVisible(true);
    L->SetProperties();
    if (OnGetEditorProp) FireEvent(OnGetEditorProp, this, Col(), Row(), L);
    AnsiString Text;
    GetCurrentCell(Text);
    L->SetEditorValue(Text);
    NoteEditorControlValue();
    L->SetFocus(true);
    TWinControl* Ctl = L->GetEditControl();
    if (!Ctl) {
        EndEditLink();
        return false;
    }
    FEditorControl = Ctl;
    if (FStartKey) {
        char Ch = FStartKey;
        FStartKey = 0;
        TypeStartKey(Ctl, Ch);
    }
    return true;
}

void TExtStringGrid::EndEditLink() {
    TEditLink* L = FEditLink;
    if (!L) return;
    L->Unhook();
    if (L->FPopupForm) {
        L->DestroyEditor();
        TForm* F = L->FPopupForm;
        L->FPopupForm = nullptr;
        F->OnDeactivate = nullptr;
        F->Release();
    }
}
