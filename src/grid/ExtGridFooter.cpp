// TExtStringGrid: the footer row calculation, column statistics and the floating footer panel.
#include "grid/ExtGrid.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtGridHint.h"
#include "grid/ExtUtil.h"

#include <algorithm>

// --- column statistics -----------------------------------------------------------------
bool TExtStringGrid::ColumnNumber(Integer ACol, Integer ARow, bool Hidden, Double& Value) {
    // A cell covered by a merge reads its base cell's value, which counts once, at the base.
    const TStringList* Items = Hidden ? HiddenRowItems(ARow) : nullptr;
    if (Items) {
        const auto* P = ACol < Items->Count() ? dynamic_cast<const TCellProperties*>(Items->Objects(ACol)) : nullptr;
        if (P && !P->IsBaseCell()) return false;
    } else if (const Integer D = Hidden ? DisplRowIndex(ARow) : ARow; BaseCell(ACol, D) != Point(ACol, D)) {
        return false;
    } else if (Hidden && ShowsHiddenBase(ACol, D)) {
        return false;   // the hidden base row counts it
    }
    const AnsiString Text = Hidden ? AllCells(ACol, ARow) : Cells(ACol, ARow);
    if (NumberKind(Trim(UnHiLight(Text, "hi"))) == 2) return false;   // a highlighted number counts
    try {
        Value = Hidden ? AllFloats(ACol, ARow) : Floats(ACol, ARow);
        return true;
    } catch (const EExtGridError&) {
        return false;
    }
}

namespace {

// The range reaches into the hidden rows when it ends past the last data row;
// the row numbers are then real rows.
bool ReachesHidden(TExtStringGrid* G, Integer ToRow) {
    const Integer LastData = G->RowCount() - 1 - (G->FloatingFooter()->Visible() ? 1 : 0);
    return G->NumHiddenRows() > 0 && ToRow > LastData;
}

// Group headers and summaries hold the grouped value and the group totals, not data;
// while a column is grouped every node row is such a header.
bool IsGroupingRow(TExtStringGrid* G, Integer ARow, bool Hidden) {
    const TCellGraphic* Gr = nullptr;
    if (Hidden && G->IsHiddenRow(ARow)) {
        const TStringList* Items = G->HiddenRowItems(ARow);
        const auto* P = Items && Items->Count() > 0 ? dynamic_cast<TCellProperties*>(Items->Objects(0)) : nullptr;
        Gr = P ? dynamic_cast<const TCellGraphic*>(P->KeptObject()) : nullptr;
    } else {
        Gr = G->GetCellGraphic(0, Hidden ? G->DisplRowIndex(ARow) : ARow);
    }
    if (!Gr) return false;
    if (Gr->CellType() == ctSummary) return true;
    return Gr->CellType() == ctNode && (G->GroupColumn() >= 0 || TExtStringGrid::IsGroupHeaderGraphic(Gr));
}

}  // namespace

Integer TExtStringGrid::ColumnStats(Integer ACol, Integer FromRow, Integer ToRow, Double& Sum, Double& Min,
                                    Double& Max) {
    Sum = Min = Max = 0;
    const bool Hidden = ReachesHidden(this, ToRow);
    Integer Counted = 0;
    bool AnyNumber = false;
    TProgressScope Progress(this, false);
    for (Integer R = std::max(0, FromRow); R <= ToRow; ++R) {
        if (IsGroupingRow(this, R, Hidden)) continue;
        ++Counted;
        Double V = 0;
        if (!ColumnNumber(ACol, R, Hidden, V)) continue;
        // Minimum and maximum start from the first number: a cell without one takes no part.
        if (!AnyNumber) Min = Max = V;
        AnyNumber = true;
        Sum += V;
        Min = std::min(Min, V);
        Max = std::max(Max, V);
        SaveProgress(1, R);
    }
    return Counted;
}

Double TExtStringGrid::ColumnStat(Integer ACol, Integer FromRow, Integer ToRow, TColumnStat Which) {
    Double Sum = 0, Min = 0, Max = 0;
    const Integer N = ColumnStats(ACol, FromRow, ToRow, Sum, Min, Max);
    switch (Which) {
        case csAvg: return N > 0 ? Sum / Double(N) : 0;
        case csMin: return Min;
        case csMax: return Max;
        default: return Sum;
    }
}

Double TExtStringGrid::ColumnSum(Integer ACol, Integer FromRow, Integer ToRow) { return ColumnStat(ACol, FromRow, ToRow, csSum); }
Double TExtStringGrid::ColumnAvg(Integer ACol, Integer FromRow, Integer ToRow) { return ColumnStat(ACol, FromRow, ToRow, csAvg); }
Double TExtStringGrid::ColumnMin(Integer ACol, Integer FromRow, Integer ToRow) { return ColumnStat(ACol, FromRow, ToRow, csMin); }
Double TExtStringGrid::ColumnMax(Integer ACol, Integer FromRow, Integer ToRow) { return ColumnStat(ACol, FromRow, ToRow, csMax); }

// --- footer cells -------------------------------------------------------------------------
Integer TExtStringGrid::FooterCalcKind(Integer ACol) const {
    for (const auto& [C, K] : FFooterKinds)
        if (C == ACol) return K;
    return -1;
}

void TExtStringGrid::SetFooterCalcKind(Integer ACol, Integer Kind) {
    if (ACol < 0 || ACol >= ColCount()) throw EExtGridError("Invalid column accessed");
    GetCellProperties(ACol, RowCount() - 1);
    for (auto& [C, K] : FFooterKinds)
        if (C == ACol) {
            K = Kind & 0x7F;
            return;
        }
    FFooterKinds.emplace_back(ACol, Kind & 0x7F);
}

void TExtStringGrid::CalcFooter(Integer ACol) {
    if (!FFloatingFooter->Visible() || FFloatingFooter->FooterStyle() != fsFixedLastRow) return;
    const Integer FR = RowCount() - 1;
    const Integer From = ACol < 0 ? 0 : ACol;
    const Integer To = ACol < 0 ? AllColCount() - 1 : ACol;
    const Integer H = FFloatingFooter->CalculateHiddenRows() ? NumHiddenRows() : 0;
    const Integer First = FixedRows();
    const Integer Last = FR - 1 + H;
    for (Integer C = From; C <= To && C < ColCount(); ++C) {
        // A footer cell without properties, or never given a kind, keeps its text.
        if (!HasCellProperties(C, FR)) continue;
        const Integer Kind = FooterCalcKind(C);
        switch (Kind) {
            case 0: SetCells(C, FR, ""); break;
            case 1: SetFloats(C, FR, ColumnSum(C, First, Last)); break;
            case 2: SetFloats(C, FR, ColumnAvg(C, First, Last)); break;
            case 3: {   // the data rows: group headers and summaries are not counted
                Double Sum, Min, Max;
                SetFloats(C, FR, Double(ColumnStats(C, First, Last, Sum, Min, Max)));
                break;
            }
            case 4: SetFloats(C, FR, ColumnMin(C, First, Last)); break;
            case 5: SetFloats(C, FR, ColumnMax(C, First, Last)); break;
            case 7: {
                AnsiString Value;
                if (FFloatingFooter->OnCalcFooter) FireEvent(FFloatingFooter->OnCalcFooter, this, C, FR + H, Value);
                SetCells(C, FR, Value);
                break;
            }
            default: break;   // 6 and unknown kinds: left as they are
        }
    }
}

AnsiString TExtStringGrid::ExpandFooterTemplate(const AnsiString& Template) {
    AnsiString Out;
    size_t P = 0;
    while (true) {
        const size_t Open = Template.find("<#", P);
        if (Open == AnsiString::npos) break;
        const size_t Close = Template.find('>', Open + 2);
        if (Close == AnsiString::npos) break;
        Out += Template.substr(P, Open - P);
        Integer C = 0;
        if (TryStrToInt(Template.substr(Open + 2, Close - Open - 2), C)) {
            // A plain cell shows its own "<" and "&" in the mini-HTML template; a marked-up one keeps its tags.
            const AnsiString V = Cells(C, Row());
            const Integer Kind = TextType(V, FEnableHTML);
            if (HidesText(RealColIndex(C), Row())) {   // one password character a letter, as the cell shows it
                const size_t N = Kind == 5 ? CellTextToWide(V).size() : Kind == 1 ? HTMLStrip(V).size() : V.size();
                Out += HTMLEncode(AnsiString(N, FPasswordChar));
            } else {
                Out += Kind == 1 ? V : HTMLEncode(V);
            }
        }
        P = Close + 1;
    }
    return Out + Template.substr(P);
}

// --- footer panel -----------------------------------------------------------------------------
TFooterPanel::TFooterPanel(TComponent* AOwner)
    : TPanel(AOwner), FGrid(dynamic_cast<TExtStringGrid*>(AOwner)), FHost(FGrid) {
    SetBevelOuter(bvNone);
    SetHeight(0);
    SetVisible(false);
}

void TFooterPanel::Paint() {
    if (FGrid) FHost->PaintFooterPanel(this, Canvas(), ClientRect());
    else TPanel::Paint();
}

void TFooterPanel::MouseMove(TShiftState Shift, Integer X, Integer Y) {
    TPanel::MouseMove(Shift, X, Y);
    // A hint belongs to one column: moving to another one takes it away.
    if (FGrid && FHintColumn >= 0 && FHost->FooterPanelColumnAt(X) != FHintColumn) CancelHint();
}

void TFooterPanel::MouseLeft() { CancelHint(); }

void TFooterPanel::CancelHint() {
    if (FHintColumn < 0 || !FGrid) return;
    FHintColumn = -1;
    if (THTMLHintWindow* W = FGrid->HintWindow()) W->Hide();
}

bool TFooterPanel::HintRequested(Integer X, Integer Y) {
    if (FGrid) FHost->FooterPanelHint(this, X, Y);
    return true;
}

TRect TExtStringGrid::ClientRect() const {
    TRect R = TBaseGrid::ClientRect();
    R.Bottom = std::max(R.Top, R.Bottom - FFooterSpace - FSearchSpace);
    return R;
}

Integer TExtStringGrid::LastScrollRow() const {
    // The panel shows the footer row of a fixed-last-row footer; the cells stop before it.
    return FFooterSpace > 0 && FooterRowFlag() ? RowCount() - 2 : RowCount() - 1;
}

void TExtStringGrid::PlaceFooterPanel() {
    TFooterPanel* P = FFooterPanel;
    const bool Show = FFloatingFooter->Visible();
    if (Show && P->Parent() != this) P->SetParent(this);
    const Integer H = Show ? std::max(0, FFloatingFooter->FooterHeight() - 1) : 0;
    const Integer Space = P->Parent() == this ? H : 0;
    if (Space != FFooterSpace) {
        FFooterSpace = Space;
        ClientAreaChanged();
    }
    const TRect R = ClientRect();
    if (P->Left() != R.Left || P->Top() != R.Bottom || P->Width() != R.Width() || P->Height() != H)
        P->SetBounds(R.Left, R.Bottom, R.Width(), H);
    P->SetVisible(Show);
}

// The search panel takes the bottom of the grid's client area, the footer panel sits above it.
void TExtStringGrid::PlaceSearchPanel() {
    if (!FSearchFooter || !FSearchPanel || ComponentState().Contains(csDestroying)) return;
    const bool Show = FSearchFooter->Visible() && FSearchPanel->Parent() == this;
    const Integer H = Show ? 32 : 0;
    if (H != FSearchSpace) {
        FSearchSpace = H;
        ClientAreaChanged();
        if (FFloatingFooter->Visible()) PlaceFooterPanel();
    }
    const TRect R = TBaseGrid::ClientRect();
    FSearchPanel->SetBounds(R.Left, R.Bottom - H, R.Width(), H);
    FSearchPanel->SetVisible(Show);
}

namespace {

// Each column the grid shows (the fixed ones, then the scrolled ones from LeftCol)
// with its left and right edge, as far as Width reaches.
template <typename Fn>
void ForFooterColumns(TExtStringGrid* G, Integer Width, Fn&& Each) {
    const Integer Row = G->FixedRows() > 0 ? 0 : G->TopRow();
    for (Integer C = 0; C < G->ColCount(); ++C) {
        const TRect R = G->TCustomGrid::CellRect(C, Row);
        // Scrolled away, or a column of width 0: the next ones may show. A row of height 0 hides no column.
        if (R.Width() <= 0) continue;
        if (R.Left >= Width) return;
        Each(C, R.Left, R.Right);
    }
}

}  // namespace

Integer TExtStringGrid::FooterPanelColumnAt(Integer X) const {
    const Integer W = FFooterPanel->Width();
    if (BiDiMode() == bdRightToLeft) X = W - 1 - X;
    Integer Found = -1;
    ForFooterColumns(const_cast<TExtStringGrid*>(this), W, [&](Integer C, Integer L, Integer R) {
        if (Found < 0 && X >= L && X < R) Found = C;
    });
    return Found;
}

void TExtStringGrid::FooterPanelHint(TFooterPanel* Panel, Integer X, Integer Y) {
    const Integer C = FooterPanelColumnAt(X);
    if (C != Panel->HintColumn()) Panel->CancelHint();
    if (C < 0) return;
    AnsiString Hint;
    if (OnGridHint) FireEvent(OnGridHint, this, RowCount() - 1, C, Hint);
    if (!FFloatingFooter->ShowHint() || Hint.empty()) return;
    Panel->SetHintColumn(C);
    ShowHintAt(Panel->Left() + X, Panel->Top() + Y + 16, std::max(200, ClientWidth()), Hint);
}

void TExtStringGrid::PaintFooterPanel(TFooterPanel* Panel, TCanvas* Cv, const TRect& Area) {
    TFloatingFooter* F = FFloatingFooter.get();
    const bool RTL = BiDiMode() == bdRightToLeft;
    auto Mirror = [&](TRect R) { return RTL ? Rect(Area.Right - R.Right, R.Top, Area.Right - R.Left, R.Bottom) : R; };
    Cv->Brush()->SetStyle(bsSolid);
    Cv->Pen()->SetStyle(psSolid);
    Cv->Pen()->SetWidth(1);
    switch (F->FooterStyle()) {
        case fsFixedLastRow: {
            Cv->Brush()->SetColor(F->Color());
            Cv->FillRect(Area);
            const Integer LR = RowCount() - 1;
            const bool Lines = Options().Contains(goVertLine) && FLook == glClassic && !FFlat;
            ForFooterColumns(this, Area.Width(), [&](Integer C, Integer L, Integer R) {
                const Integer RC = RealColIndex(C);
                const TRect Cell = Mirror(Rect(L, Area.Top, R, Area.Bottom));
                if (HasCellProperties(RC, LR) && Colors(RC, LR) != clNone) {
                    Cv->Brush()->SetColor(Colors(RC, LR));
                    Cv->FillRect(Cell);
                }
                if (OnFooterPaint) {
                    FireEvent(OnFooterPaint, Panel, C, Cell, Cv);
                } else if (!Cells(RC, LR).empty()) {   // totals, labels and custom texts alike
                    DrawCellText(Cv, C, LR, Cell, TGridDrawState());
                }
                if (Lines) {
                    Cv->Pen()->SetColor(GridLineColor());
                    const Integer LX = RTL ? Cell.Left - 1 : Cell.Right;
                    Cv->MoveTo(LX, Area.Top);
                    Cv->LineTo(LX, Area.Bottom);
                }
            });
            break;
        }
        case fsColumnPreview: {
            Integer W = 0;
            ForFooterColumns(this, Area.Width(), [&](Integer, Integer, Integer R) { W = std::min(R, Area.Width()); });
            const TRect Box = Mirror(Rect(Area.Left, Area.Top, Area.Left + W, Area.Bottom));
            Cv->Brush()->SetColor(Color());
            Cv->FillRect(Area);
            Cv->Brush()->SetColor(F->Color());
            Cv->FillRect(Box);
            // Raised: white on the top and left, grey on the bottom and right.
            Cv->Pen()->SetColor(clWhite);
            Cv->MoveTo(Box.Left, Box.Bottom - 1);
            Cv->LineTo(Box.Left, Box.Top);
            Cv->LineTo(Box.Right - 1, Box.Top);
            Cv->Pen()->SetColor(TColor(0x808080));
            Cv->LineTo(Box.Right - 1, Box.Bottom - 1);
            Cv->LineTo(Box.Left - 1, Box.Bottom - 1);
            const Integer C = F->Column();
            if (OnFooterPaint) {
                FireEvent(OnFooterPaint, Panel, C, Box, Cv);
            } else if (C >= 0 && C < ColCount()) {
                const bool Show = FShowSelection;
                FShowSelection = false;
                DrawCellText(Cv, C, Row(), Box, TGridDrawState());
                FShowSelection = Show;
            }
            break;
        }
        case fsCustomPreview: {
            Cv->Brush()->SetColor(F->Color());
            Cv->FillRect(Area);
            Cv->Font()->Assign(Font());
            TRect R = Area;
            InflateRect(R, -2, -2);
            DrawHTMLCellText(Cv, ExpandFooterTemplate(F->CustomTemplate()), R, taLeftJustify, vtaTop, false,
                             FURLColor, false);
            break;
        }
    }
}
