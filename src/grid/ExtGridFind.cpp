// TExtStringGrid: finding text in cells, the incremental row lookup and the search footer.
#include "grid/ExtGrid.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtUtil.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/SpeedButton.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/WinApi.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace {

WideString UpperWide(WideString W) {
    for (auto& C : W) C = char16_t(std::towupper(wint_t(C)));
    return W;
}

const char* const HighlightTag = "hi";

}  // namespace

// --- finding ----------------------------------------------------------------------------
bool TExtStringGrid::MatchCell(Integer ACol, Integer ARow, bool Wide) {
    const Word F = FFindFlags;
    AnsiString Text = Cells(ACol, ARow);
    // The search footer's highlight tags are no part of what the cell holds.
    if ((F & fnHighlight) && !IsUnicodeText(Text)) Text = UnHiLight(Text, HighlightTag);
    if (!Wide) Text = SearchedText(Text);
    if ((FFindFlags2 & fnStripHTML) && !IsUnicodeText(Text)) Text = HTMLStrip(Text);
    if (Wide) {
        WideString W = CellTextToWide(Text);
        if (!(F & fnMatchCase)) W = UpperWide(W);
        const WideString& T = FFindWideText;
        if (T == u"\"\"") return W.empty();
        const size_t P = W.find(T);
        const bool Found = (F & fnMatchStart) ? P == 0 : P != WideString::npos;
        return (F & fnMatchFull) ? W == T : Found;
    }
    if (!(F & fnMatchCase)) Text = AnsiUpperCase(Text);
    if (FFindText == "\"\"") return Text.empty();
    if (F & fnMatchFilter) return MatchFilter(FFindText, Text, (F & fnMatchCase) != 0);
    const size_t P = Text.find(FFindText);
    const bool Found = (F & fnMatchStart) ? P == 0 : P != AnsiString::npos;
    return (F & fnMatchFull) ? Text == FFindText : Found;
}

TGridCoord TExtStringGrid::FindCell(TGridCoord Start, const AnsiString& Text, Word Flags, Byte Flags2, bool Wide,
                                    const WideString& WideText) {
    FFindFlags = Flags;
    FFindFlags2 = Flags2;
    FFindText = (Flags & fnMatchCase) ? Text : AnsiUpperCase(Text);
    FFindWideText = (Flags & fnMatchCase) ? WideText : UpperWide(WideText);
    const TGridCoord None{-1, -1};
    const Integer FC = TBaseGrid::FixedCols(), FR = TBaseGrid::FixedRows();
    if (ColCount() <= FC || RowCount() <= FR) return None;
    Integer C0 = FC, R0 = FR, C1 = ColCount() - 1 - FFixedRightCols, R1 = RowCount() - 1 - FFixedFooters;
    if (Flags & fnIncludeFixed) {
        C0 = 0;
        R0 = 0;
        C1 = ColCount() - 1;
        R1 = RowCount() - 1;
    }
    if (Flags & fnCurrentRow) R0 = R1 = Row();
    if (Flags & fnGivenRow) R0 = R1 = Start.Y;
    if (Flags & fnCurrentCol) C0 = C1 = Col();
    const Integer SC = FSearchFooter->SearchColumn();
    if ((Flags & fnSearchColumn) && SC >= 0 && SC < ColCount()) C0 = C1 = SC;
    if (C1 < C0 || R1 < R0) return None;
    const Integer W = C1 - C0 + 1, H = R1 - R0 + 1;
    const Int64 N = Int64(W) * H;
    const bool Rowwise = Flags & fnRowByRow, Back = Flags & fnBackward;
    auto Index = [&](Integer C, Integer R) { return Rowwise ? Int64(R - R0) * W + (C - C0) : Int64(C - C0) * H + (R - R0); };
    Int64 I = Back ? N - 1 : 0;
    if (!(Start.X == -1 && Start.Y == -1) && Start.X >= C0 && Start.X <= C1 && Start.Y >= R0 && Start.Y <= R1) {
        I = Index(Start.X, Start.Y) + (Back ? -1 : 1);
        // One step past the area starts over at its first (last) cell.
        if (I < 0 || I >= N) I = Back ? N - 1 : 0;
    }
    Integer LastRow = -1;
    for (; I >= 0 && I < N; I += Back ? -1 : 1) {
        const Integer C = Rowwise ? C0 + Integer(I % W) : C0 + Integer(I / H);
        const Integer R = Rowwise ? R0 + Integer(I / W) : R0 + Integer(I % H);
        if (R != LastRow) SaveProgress(1, R);
        LastRow = R;
        // A merged cell is found once: through its base, or its first cell in the area.
        if (const TPoint B = BaseCell(C, R); (B.X != C || B.Y != R) && (C != std::max(B.X, C0) || R != std::max(B.Y, R0)))
            continue;
        if (!MatchCell(C, R, Wide)) continue;
        FLastFound = TGridCoord{C, R};
        if (Flags & fnGoto) {
            ScrollInView(C, R);
            FocusCell(C, R, true);
        }
        return FLastFound;
    }
    FLastFound = None;
    return None;
}

TGridCoord TExtStringGrid::Find(TGridCoord Start, const AnsiString& Text, Word Flags) {
    TProgressScope Progress(this, false);
    const TGridCoord R = FindCell(Start, Text, Flags, 0, false, WideString());
    if (R.X < 0) Progress.End();
    else Progress.End(4, R.Y);
    return R;
}

Integer TExtStringGrid::RowBeginningWith(const AnsiString& Text, Integer LastRow) {
    if (RowCount() < 2) return -1;
    const Integer C = FSortSettings->Show() ? FSortSettings->Column() : 1;
    if (C < 0 || C >= ColCount()) return -1;
    const AnsiString Want = AnsiUpperCase(Text);
    for (Integer R = FixedRows(); R <= LastRow; ++R)
        if (AnsiUpperCase(HTMLStrip(SearchedText(Cells(C, R))).substr(0, Text.size())) == Want) return R;
    return -1;
}

Integer TExtStringGrid::LookupRow(const AnsiString& Text) { return RowBeginningWith(Text, RowCount() - 1); }

// --- incremental lookup ------------------------------------------------------------------
// A typed character goes to the first data row of the sorted column that begins
// with the text typed so far (only the character without AutoGotoIncremental).
void TExtStringGrid::IncrementalLookup(char Key) {
    FLookupTick = FTicks;
    if (FNavigation->AutoGotoIncremental()) {
        if (Key == 8) {
            if (!FLookupText.empty()) FLookupText.pop_back();
        } else {
            FLookupText += Key;
        }
    } else {
        FLookupText = Key == 8 ? AnsiString() : AnsiString(1, Key);
    }
    if (RowCount() < 2 || FLookupText.empty()) return;
    const Integer R = RowBeginningWith(FLookupText, LastDataRow());
    if (R >= 0) SetRow(R);
    else FLookupText.clear();
}

// --- the search footer ---------------------------------------------------------------------
namespace {

// A flat button of the find bar; the highlight button stays down while highlighting.
class TSearchButton : public TSpeedButton {
public:
    using TSpeedButton::TSpeedButton;
    void SetDown(bool Value) {
        FDown = Value;
        FState = Value ? bsDown : (Enabled() ? bsUp : bsDisabled);
        Invalidate();
    }

protected:
    void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override {
        TSpeedButton::MouseUp(Button, Shift, X, Y);
        if (FDown) SetDown(true);   // the release lifts a plain button only
    }

private:
    bool FDown = false;
};

// The pictures of the find bar's buttons, as masks of '#': the cross of the close
// button, the arrows of find next and previous and the marker of highlight.
const std::vector<const char*> CloseMask = {"#.....#", ".#...#.", "..#.#..", "...#...", "..#.#..", ".#...#.", "#.....#"};
const std::vector<const char*> DownMask = {"..###..", "..###..", "..###..", "#######", ".#####.", "..###..", "...#..."};
const std::vector<const char*> UpMask = {"...#...", "..###..", ".#####.", "#######", "..###..", "..###..", "..###.."};
const std::vector<const char*> HighlightMask = {"....###", "...###.", "..###..", ".###...", "###....", "##.....", "#######"};

// A glyph of two images side by side, up and disabled; the background is the
// transparent colour (its bottom-left pixel).
void SetButtonGlyph(TSpeedButton* B, const std::vector<const char*>& Mask, TColor Ink) {
    const Integer N = Integer(Mask.size());
    TBitmap G;
    G.SetSize(2 * N, N);
    TCanvas* Cv = G.Canvas();
    Cv->Brush()->SetColor(clFuchsia);
    Cv->FillRect(Rect(0, 0, 2 * N, N));
    for (Integer Y = 0; Y < N; ++Y)
        for (Integer X = 0; Mask[size_t(Y)][X]; ++X)
            if (Mask[size_t(Y)][X] == '#') {
                Cv->SetPixels(X, Y, Ink);
                Cv->SetPixels(N + X, Y, clGray);
            }
    B->SetGlyph(&G);
    B->SetNumGlyphs(2);
}

}  // namespace

void TSearchPanel::Paint() {
    if (FColorTo == clNone) {
        Canvas()->Brush()->SetColor(Color());
        Canvas()->FillRect(ClientRect());
        return;
    }
    DrawGradient(Canvas(), Color(), FColorTo, 32, ClientRect(), false);
}

void TExtStringGrid::BuildSearchPanel() {
    TSearchPanel* P = FSearchPanel;
    if (FSearchEdit) return;
    P->SetParent(this);   // docked inside the grid: it moves and sizes with it
    auto Button = [&](const char* Name, Integer Left, Integer Width, TNotifyEvent Click) {
        auto* B = new TSearchButton(P);
        B->SetFlat(true);
        B->SetName(Name);
        B->SetParent(P);
        B->SetBounds(Left, Name[0] == 'C' ? 7 : 5, Width, Name[0] == 'C' ? 14 : 23);
        B->OnClick = std::move(Click);
        return B;
    };
    // Each button does the grid's step, then tells the panel's handler.
    auto Tell = [P](TNotifyEvent TSearchPanel::*Event) {
        FireEvent(P->*Event, P);
    };
    FSearchClose = Button("CloseButton", 5, 14, [this, Tell](TObject*) {
        SearchFooterClose();
        Tell(&TSearchPanel::OnExitClick);
    });
    FSearchEdit = new TEdit(P);
    FSearchEdit->SetName("FindEdit");
    FSearchEdit->SetParent(P);
    FSearchEdit->SetBounds(25, 6, 110, 21);
    SetFocusProxy(P, FSearchEdit);   // a click on a button keeps the typing in the edit
    // Escape in the edit ends the highlighting, whatever the key does next (a dialog's cancel).
    FSearchEdit->OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
        if (Key == VK_ESCAPE) EndSearchHighlight();
    };
    FSearchEdit->OnChange = [this](TObject*) {
        // A text searched by the buttons only is not yet the highlighted one.
        if (!FSearchFooter->AutoSearch()) EndSearchHighlight();
        const bool Any = !FSearchEdit->Text().empty();
        FSearchNext->SetEnabled(Any);
        FSearchPrev->SetEnabled(Any);
        FSearchHighlight->SetEnabled(Any);
        SearchFooterChange();
        if (FSearchPanel->OnEditChange) FireEvent(FSearchPanel->OnEditChange, FSearchPanel);
    };
    FSearchNext = Button("FindNextButton", 140, 90, [this, Tell](TObject*) {
        SearchFooterNext();
        Tell(&TSearchPanel::OnForwardClick);
    });
    FSearchPrev = Button("FindPrevButton", 235, 90, [this, Tell](TObject*) {
        SearchFooterPrev();
        Tell(&TSearchPanel::OnBackwardClick);
    });
    FSearchHighlight = Button("HighlightButton", 330, 90, [this, Tell](TObject*) {
        FHighlightDown = !FHighlightDown;
        static_cast<TSearchButton*>(FSearchHighlight)->SetDown(FHighlightDown);
        SearchFooterHighlight();
        Tell(&TSearchPanel::OnHighlightClick);
    });
    SetButtonGlyph(FSearchClose, CloseMask, clBlack);
    FSearchClose->SetNumGlyphs(1);
    SetButtonGlyph(FSearchNext, DownMask, clNavy);
    SetButtonGlyph(FSearchPrev, UpMask, clNavy);
    SetButtonGlyph(FSearchHighlight, HighlightMask, clOlive);
    FSearchMatchCase = new TCheckBox(P);
    FSearchMatchCase->SetName("MatchCaseCheck");
    FSearchMatchCase->SetParent(P);
    UpdateSearchPanel();
}

void TExtStringGrid::UpdateSearchPanel() {
    if (!FSearchEdit) return;
    const TSearchFooter* S = FSearchFooter.get();
    FSearchNext->SetText(S->FindNextCaption());
    FSearchPrev->SetText(S->FindPrevCaption());
    FSearchHighlight->SetText(S->HighLightCaption());
    FSearchMatchCase->SetText(S->MatchCaseCaption());
    for (TControl* C : std::initializer_list<TControl*>{FSearchEdit, FSearchNext, FSearchPrev, FSearchHighlight,
                                                        FSearchMatchCase})
        C->SetFont(S->Font());
    FSearchClose->SetVisible(S->ShowClose());
    FSearchNext->SetVisible(S->ShowFindNext());
    FSearchPrev->SetVisible(S->ShowFindPrev());
    FSearchHighlight->SetVisible(S->ShowHighLight());
    FSearchMatchCase->SetVisible(S->ShowMatchCase());
    FSearchMatchCase->SetBounds(S->ShowHighLight() ? 425 : 330, 8, 120, 17);
    auto Hint = [](TControl* C, const AnsiString& H) {
        C->SetHint(H);
        C->SetShowHint(!H.empty());
    };
    Hint(FSearchClose, S->HintClose());
    Hint(FSearchNext, S->HintFindNext());
    Hint(FSearchPrev, S->HintFindPrev());
    Hint(FSearchHighlight, S->HintHighlight());
    // Flat with the flat look and when following the theme; raised with the classic and XP looks.
    const TControlStyle Look = FControlLook->ControlStyle();
    if (FAutoThemeAdapt || Look == csFlat || Look == csClassic || Look == csWinXP)
        for (TSpeedButton* B : {FSearchClose, FSearchNext, FSearchPrev, FSearchHighlight})
            B->SetFlat(FAutoThemeAdapt || Look == csFlat);
    FSearchPanel->SetColor(S->Color());
    FSearchPanel->SetColorTo(S->ColorTo());
    PlaceSearchPanel();
}

void TExtStringGrid::SearchFooterChanged() {
    if (FSearchFooter->Visible()) BuildSearchPanel();
    else EndSearchHighlight();
    UpdateSearchPanel();
}

Word TExtStringGrid::SearchFooterFlags() const {
    Word F = fnGoto;
    if (FHighlightDown) F |= fnHighlight;
    if (FSearchMatchCase && FSearchMatchCase->Checked()) F |= fnMatchCase;
    if (FSearchFooter->SearchActiveColumnOnly()) F |= fnCurrentCol;
    const Integer SC = FSearchFooter->SearchColumn();
    if (SC >= 0 && SC < ColCount()) F |= fnSearchColumn;
    return F;
}

void TExtStringGrid::AfterSearchFooterFind() {
    if (Row() > TopRow() + VisibleRowCount() - 2 && TopRow() + VisibleRowCount() < RowCount())
        SetTopRow(std::min(TopRow() + 2, RowCount() - 1));
}

// The tags go into the shown rows and come out of every row, hidden ones included.
void TExtStringGrid::SetHighlights(const AnsiString& Text) {
    const bool Case = FSearchMatchCase && FSearchMatchCase->Checked();
    for (Integer R = 0; R < RowCount(); ++R)
        for (Integer C = 0; C < ColCount(); ++C) {
            const AnsiString Old = RawCells(C, R);
            if (IsUnicodeText(Old)) continue;   // stored bytes, no markup: tags would break them
            AnsiString New = UnHiLight(Old, HighlightTag);
            if (!Text.empty() && TakesHighlight(New)) New = HiLight(New, Text, HighlightTag, Case);
            if (New != Old) SetRawCells(C, R, New);
        }
    UnHilightHiddenRows(HighlightTag, 0, ColCount() - 1);
    RepaintUnlessUpdating();
}

// A Unicode cell's stored bytes and a rich text's source are no markup: tags would break them.
bool TExtStringGrid::TakesHighlight(const AnsiString& Stored) {
    return !IsUnicodeText(Stored) && TextType(Stored, false) != 2;
}

AnsiString TExtStringGrid::WithoutHighlight(const AnsiString& Stored) {
    return IsUnicodeText(Stored) ? Stored : UnHiLight(Stored, HighlightTag);
}

// Rows a contracted node or a filter hid after the tags went in keep them in their stored
// text, where no road shows or clears them: they come out with the rest.
void TExtStringGrid::UnHilightHiddenRows(const AnsiString& Tag, Integer FromCol, Integer ToCol) {
    for (Integer R = 0; NumHiddenRows() > 0 && R < AllRowCount(); ++R)
        if (TStringList* L = HiddenRowItems(R))
            for (Integer C = std::max(0, FromCol); C <= ToCol && C < L->Count(); ++C)
                if (const AnsiString T = L->Strings(C); !IsUnicodeText(T)) L->SetStrings(C, UnHiLight(T, Tag));
}

void TExtStringGrid::SearchFooterChange() {
    if (!FSearchFooter->AutoSearch() || !FSearchEdit) return;
    const AnsiString T = FSearchEdit->Text();
    if (T.empty()) {
        FSearchEdit->SetColor(clWindow);
        SetHighlights(AnsiString());
        return;
    }
    const TGridCoord Hit = FindCell(TGridCoord{-1, -1}, T, SearchFooterFlags(), 0, false, WideString());
    if (Hit.X >= 0) {
        FSearchEdit->SetColor(clWindow);
        if (FHighlightDown) SetHighlights(T);
        AfterSearchFooterFind();
    } else {
        FSearchEdit->SetColor(TColor(0x0000FF));
        SetHighlights(AnsiString());
    }
}

void TExtStringGrid::SearchFooterStep(bool Backward) {
    if (!FSearchEdit) return;
    const AnsiString T = FSearchEdit->Text();
    TGridCoord From = FLastFound;
    if (!FSearchFooter->AutoSearch() && T != FLastSearched) From = TGridCoord{-1, -1};
    FLastSearched = T;
    Word F = SearchFooterFlags();
    if (Backward) F |= fnBackward;
    FindCell(From, T, F, 0, false, WideString());
    AfterSearchFooterFind();
}

void TExtStringGrid::SearchFooterNext() { SearchFooterStep(false); }
void TExtStringGrid::SearchFooterPrev() { SearchFooterStep(true); }

void TExtStringGrid::SearchFooterHighlight() {
    SetHighlights(FHighlightDown && FSearchEdit ? FSearchEdit->Text() : AnsiString());
}

void TExtStringGrid::EndSearchHighlight() {
    if (!FHighlightDown) return;
    FHighlightDown = false;
    if (FSearchHighlight) static_cast<TSearchButton*>(FSearchHighlight)->SetDown(false);
    SetHighlights(AnsiString());
}

void TExtStringGrid::SearchFooterClose() { FSearchFooter->SetVisible(false); }
