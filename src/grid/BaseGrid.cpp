// TBaseGrid and its cell properties: the string grid under the advanced grid.
#include "grid/BaseGrid.h"

#include "grid/ExtUtil.h"
#include "grid/GridRowMap.h"
#include "platform/rtl/CodePage.h"

#include <algorithm>

// ---------------------------------------------------------------------------
TCellProperties::TCellProperties(TBaseGrid* AGrid, Integer ACol, Integer ARow)
    : FGrid(AGrid), FOwnerCol(ACol), FOwnerRow(ARow), FWordWrap(AGrid ? AGrid->CellWordWrapDefault() : true) {}

TCellProperties::~TCellProperties() {
    if (FGrid) FGrid->ForgetProps(this);
}

void TCellProperties::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TCellProperties*>(Source);
    if (!S) {
        TPersistent::Assign(Source);
        return;
    }
    FIsBaseCell = S->FIsBaseCell;
    FCellSpanX = S->FCellSpanX;
    FCellSpanY = S->FCellSpanY;
    FOwnerRow = S->FOwnerRow;
    FOwnerCol = S->FOwnerCol;
    FAlignment = S->FAlignment;
    FBorderColor = S->FBorderColor;
    FBorderWidth = S->FBorderWidth;
    FBrushColor = S->FBrushColor;
    FBrushStyle = S->FBrushStyle;
    FFontColor = S->FFontColor;
    FFontStyle = S->FFontStyle;
    FFontName = S->FFontName;
    FFontSize = S->FFontSize;
    FReadOnly = S->FReadOnly;
    FEditor = S->FEditor;
    FVAlignment = S->FVAlignment;
    SetWordWrap(S->FWordWrap);
    FNodeLevel = S->FNodeLevel;
    FControl = S->FControl;
}

TPoint TCellProperties::BaseCellOf(const TCellProperties* Props, Integer ACol, Integer ARow) {
    if (!Props || Props->FIsBaseCell || Props->FCellSpanX == -1 || Props->FCellSpanY == -1) return Point(ACol, ARow);
    return Point(ACol - Props->FCellSpanX, ARow - Props->FCellSpanY);
}

void TCellProperties::Repaint() {
    if (FGrid) FGrid->RepaintCell(FOwnerCol, FOwnerRow);
}

void TCellProperties::SetBrushColor(TColor Value) {
    FBrushColor = Value;
    Repaint();
}

void TCellProperties::SetBrushColorTo(TColor Value) {
    FBrushColorTo = Value;
    Repaint();
}

void TCellProperties::SetVAlignment(TVAlignment Value) {
    FVAlignment = Value;
    Repaint();
}

void TCellProperties::SetWordWrap(bool Value) {
    FWordWrap = Value;
    Repaint();
}

// ---------------------------------------------------------------------------
TUndoRedoCollection::TUndoRedoCollection()
    : TCollection([](TCollection* C) -> TCollectionItem* { return new TUndoRedoItem(C); }) {}

TExtGridUndoRedo::TExtGridUndoRedo(TComponent* AOwner)
    : TComponent(AOwner), FItems(std::make_unique<TUndoRedoCollection>()) {}

TExtGridUndoRedo::~TExtGridUndoRedo() { BeforeDestruction(); }

void TExtGridUndoRedo::AddChange(Integer ACol, Integer ARow, const AnsiString& OrigValue, const AnsiString& Value) {
    // A lowered limit is honoured at the next change, not one item at a time.
    while (FMaxLevel >= 1 && FItems->Count() >= FMaxLevel && FItems->Count() > 0) FItems->Delete(0);
    auto* Item = static_cast<TUndoRedoItem*>(FItems->Add());
    Item->SetCol(ACol);
    Item->SetRow(ARow);
    Item->SetValue(Value);
    Item->SetOrigValue(OrigValue);
    FLevel = FItems->Count();
}

void TExtGridUndoRedo::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FGrid) FGrid = nullptr;
}

// ---------------------------------------------------------------------------
TBaseGrid::TBaseGrid(TComponent* AOwner) : TStringGrid(AOwner) {
    // The grid draws its own lines and backgrounds.
    TCustomGrid::SetGridLineWidth(0);
    TCustomGrid::SetDefaultDrawing(false);
    TGridOptions O = Options();
    O.Include(goDrawFocusSelected);
    SetOptions(O);
}

TBaseGrid::~TBaseGrid() {
    BeforeDestruction();
    ClearProps();
    // Properties whose slots were emptied or removed with their rows.
    std::set<TCellProperties*> Rest;
    Rest.swap(FAllProps);
    for (TCellProperties* P : Rest) {
        P->FGrid = nullptr;
        delete P;
    }
}

void TBaseGrid::SetGridLineWidth(Integer Value) {
    if (Value < 0) Value = 0;
    FGridLineWidth = Value;
    Invalidate();
}

void TBaseGrid::SetGridLineColor(TColor Value) {
    FGridLineColor = Value;
    Invalidate();
}

void TBaseGrid::SetActiveRowShow(bool Value) {
    FActiveRowShow = Value;
    Invalidate();
}

void TBaseGrid::SetActiveRowColor(TColor Value) {
    FActiveRowColor = Value;
    Invalidate();
}

void TBaseGrid::SetUndoRedo(TExtGridUndoRedo* Value) {
    if (FUndoRedo == Value) return;
    if (FUndoRedo) {
        FUndoRedo->RemoveFreeNotification(this);
        if (FUndoRedo->FGrid == this) FUndoRedo->FGrid = nullptr;
    }
    FUndoRedo = Value;
    if (Value) {
        Value->FreeNotification(this);
        Value->FGrid = this;
    }
}

void TBaseGrid::Notification(TComponent* AComponent, TOperation Operation) {
    TStringGrid::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FUndoRedo) FUndoRedo = nullptr;
}

// --- cells ------------------------------------------------------------------
AnsiString TBaseGrid::Cells(Integer ACol, Integer ARow) const {
    AnsiString Scratch;
    const AnsiString& Value = CellsRef(ACol, ARow, Scratch);
    if (&Value == &Scratch) return Scratch;
    return Value;
}

const AnsiString& TBaseGrid::CellsRef(Integer ACol, Integer ARow, AnsiString& Scratch) const {
    const THolder H = HolderOf(ACol, ARow);
    const TPoint B = H.At;
    if (H.Items) Scratch = H.Col < H.Items->Count() ? H.Items->Strings(H.Col) : AnsiString();
    const AnsiString& Stored = H.Items ? Scratch : TStringGrid::CellsRef(B.X, B.Y);
    if (B.Y >= FDisplRowCount || (!OnGetDisplText && !OnGetDisplWideText)) return Stored;
    if (&Stored != &Scratch) Scratch = Stored;
    // The hooks are the advanced grid's; reading stays logically const.
    auto* Self = const_cast<TBaseGrid*>(this);
    Self->GetDisplText(B.X, B.Y, Scratch);
    if (OnGetDisplWideText) {
        // The hook gets the cell's wide text: a Unicode cell decoded, not its stored bytes.
        WideString W = CellTextToWide(Scratch);
        Self->GetDisplWideText(B.X, B.Y, W);
        Scratch = WideToCellText(W);
    }
    return Scratch;
}

void TBaseGrid::SetCells(Integer ACol, Integer ARow, const AnsiString& Value) {
    if (HasCellProperties(ACol, ARow)) {
        SetHeldText(ACol, ARow, Value);
        if (Parent()) RepaintCell(ACol, ARow);
    } else {
        SetRawCells(ACol, ARow, Value);
    }
    if (FFooterRow && ARow == RowCount() - 1) UpdateFooter();
}

TObject* TBaseGrid::Objects(Integer ACol, Integer ARow) const {
    const TCellProperties* P = CellPropertiesOrNil(ACol, ARow);
    return P ? P->KeptObject() : nullptr;
}

void TBaseGrid::SetObjects(Integer ACol, Integer ARow, TObject* Value) {
    if (!InGrid(ACol, ARow)) throw EInvalidGridOperation("Grid index out of range");
    const bool WasEmpty = RawCells(ACol, ARow).empty();
    if (WasEmpty) SetRawCells(ACol, ARow, " ");
    GetCellProperties(ACol, ARow)->SetKeptObject(Value);
    if (WasEmpty) SetRawCells(ACol, ARow, "");
}

void TBaseGrid::GetDisplText(Integer ACol, Integer ARow, AnsiString& Value) {
    if (OnGetDisplText) FireEvent(OnGetDisplText, this, ACol, ARow, Value);
}

void TBaseGrid::GetDisplWideText(Integer ACol, Integer ARow, WideString& Value) {
    if (OnGetDisplWideText) FireEvent(OnGetDisplWideText, this, ACol, ARow, Value);
}

// The editor works on the merge's value, wherever it is kept.
AnsiString TBaseGrid::GetEditText(Integer ACol, Integer ARow) {
    const THolder H = HolderOf(ACol, ARow);
    if (!H.Items) return TStringGrid::GetEditText(H.At.X, H.At.Y);
    AnsiString Value = HeldText(ACol, ARow);
    if (OnGetEditText) FireEvent(OnGetEditText, this, H.At.X, H.At.Y, Value);
    return Value;
}

void TBaseGrid::SetEditText(Integer ACol, Integer ARow, const AnsiString& Value) {
    const THolder H = HolderOf(ACol, ARow);
    if (!H.Items) return TStringGrid::SetEditText(H.At.X, H.At.Y, Value);
    SetHeldText(ACol, ARow, Value);
    TDrawGrid::SetEditText(H.At.X, H.At.Y, Value);
}

// --- properties -------------------------------------------------------------
TCellProperties* TBaseGrid::CellPropertiesOrNil(Integer ACol, Integer ARow) const {
    if (!InGrid(ACol, ARow)) return nullptr;
    return dynamic_cast<TCellProperties*>(RawObjects(ACol, ARow));
}

bool TBaseGrid::HasCellProperties(Integer ACol, Integer ARow) const { return CellPropertiesOrNil(ACol, ARow) != nullptr; }

TCellProperties* TBaseGrid::GetCellProperties(Integer ACol, Integer ARow) {
    if (!InGrid(ACol, ARow)) throw EInvalidGridOperation("Grid index out of range");
    TObject* Slot = RawObjects(ACol, ARow);
    if (auto* P = dynamic_cast<TCellProperties*>(Slot)) return P;
    TCellProperties* P = NewCellProperties(ACol, ARow);
    // An object stored through the raw slot is kept, not lost.
    if (Slot) P->SetKeptObject(Slot);
    SetRawObjects(ACol, ARow, P);
    return P;
}

TCellProperties* TBaseGrid::NewCellProperties(Integer ACol, Integer ARow) {
    auto* P = new TCellProperties(this, ACol, ARow);
    FAllProps.insert(P);
    return P;
}

void TBaseGrid::FreeProps(TCellProperties* P) {
    FAllProps.erase(P);
    P->FGrid = nullptr;
    delete P;
}

void TBaseGrid::ClearProps(Integer ACol1, Integer ARow1, Integer ACol2, Integer ARow2) {
    const Integer C1 = std::max(0, std::min(ACol1, ACol2)), C2 = std::min(ColCount() - 1, std::max(ACol1, ACol2));
    const Integer R1 = std::max(0, std::min(ARow1, ARow2)), R2 = std::min(RowCount() - 1, std::max(ARow1, ARow2));
    for (Integer C = C1; C <= C2; ++C)
        for (Integer R = R1; R <= R2; ++R)
            if (TCellProperties* P = CellPropertiesOrNil(C, R)) {
                SetRawObjects(C, R, nullptr);
                FreeProps(P);
            }
}

void TBaseGrid::ClearProps(Integer ACol, Integer ARow) { ClearProps(ACol, ARow, ACol, ARow); }

void TBaseGrid::ClearProps() { ClearProps(0, 0, ColCount() - 1, RowCount() - 1); }

void TBaseGrid::ClearCell(Integer ACol, Integer ARow) {
    if (!InGrid(ACol, ARow)) return;
    SetRawObjects(ACol, ARow, nullptr);
    SetRawCells(ACol, ARow, "");
}

void TBaseGrid::ClearCol(Integer ACol) {
    for (Integer R = 0; R < RowCount(); ++R) ClearCell(ACol, R);
}

void TBaseGrid::ClearRow(Integer ARow) {
    for (Integer C = 0; C < ColCount(); ++C) ClearCell(C, ARow);
}

// --- merges -----------------------------------------------------------------
void TBaseGrid::MergeCells(Integer ACol, Integer ARow, Integer NumCols, Integer NumRows) {
    if (NumCols < 1 || NumRows < 1) return;
    if (!InGrid(ACol, ARow) || !InGrid(ACol + NumCols - 1, ARow + NumRows - 1))
        throw EInvalidGridOperation("Grid index out of range");
    // Spans count real rows: a row hidden inside the block is covered too.
    const Integer Top = RealRow(ARow), Bottom = RealRow(ARow + NumRows - 1);
    for (Integer C = ACol; C < ACol + NumCols; ++C)
        for (Integer R = Top; R <= Bottom; ++R) {
            TCellProperties* P = MakePropsAtReal(C, R);
            if (!P) continue;
            const bool Base = C == ACol && R == Top;
            P->SetIsBaseCell(Base);
            P->SetCellSpanX(Base ? NumCols - 1 : C - ACol);
            P->SetCellSpanY(Base ? Bottom - Top : R - Top);
        }
    for (Integer C = ACol; C < ACol + NumCols; ++C)
        for (Integer R = ARow; R < ARow + NumRows; ++R) RepaintCell(C, R);
}

void TBaseGrid::SplitCells(Integer ACol, Integer ARow) {
    TShownMerge M;
    if (!ShownMergeOf(ACol, ARow, M)) {   // a cell standing alone
        if (TCellProperties* P = CellPropertiesOrNil(ACol, ARow)) P->SetIsBaseCell(true), P->SetCellSpanX(-1), P->SetCellSpanY(-1);
        return Invalidate();
    }
    // Every cell of the merge, those of its hidden rows too.
    const Integer Sx = std::max(0, M.Base->CellSpanX()), Sy = std::max(0, M.Base->CellSpanY());
    for (Integer C = M.Col; C <= M.Col + Sx; ++C)
        for (Integer R = M.RealRow; R <= M.RealRow + Sy; ++R)
            if (TCellProperties* P = PropsAtReal(C, R)) {
                P->SetIsBaseCell(true);
                P->SetCellSpanX(-1);
                P->SetCellSpanY(-1);
            }
    Invalidate();
}

// --- merges over hidden rows --------------------------------------------------------
bool TBaseGrid::AnyHiddenRows() const { return FHiddenRows && FHiddenRows->NumHiddenRows() > 0; }

Integer TBaseGrid::RealRow(Integer ARow) const { return AnyHiddenRows() ? FHiddenRows->RealRowIndex(ARow) : ARow; }

TCellProperties* TBaseGrid::PropsAtReal(Integer ACol, Integer ARealRow) const {
    if (const TStringList* L = AnyHiddenRows() ? FHiddenRows->HiddenRowItems(ARealRow) : nullptr)
        return ACol >= 0 && ACol < L->Count() ? dynamic_cast<TCellProperties*>(L->Objects(ACol)) : nullptr;
    return CellPropertiesOrNil(ACol, AnyHiddenRows() ? FHiddenRows->DisplRowIndex(ARealRow) : ARealRow);
}

TCellProperties* TBaseGrid::MakePropsAtReal(Integer ACol, Integer ARealRow) {
    TStringList* L = AnyHiddenRows() ? FHiddenRows->HiddenRowItems(ARealRow) : nullptr;
    if (!L) return GetCellProperties(ACol, AnyHiddenRows() ? FHiddenRows->DisplRowIndex(ARealRow) : ARealRow);
    if (ACol < 0 || ACol >= ColCount()) return nullptr;
    while (L->Count() <= ACol) L->Add("");
    TObject* Slot = L->Objects(ACol);
    if (auto* P = dynamic_cast<TCellProperties*>(Slot)) return P;
    TCellProperties* P = NewCellProperties(ACol, FHiddenRows->DisplRowIndex(ARealRow));
    if (Slot) P->SetKeptObject(Slot);
    L->SetObjects(ACol, P);
    return P;
}

// Spans count real rows: rows hidden inside a merge are still its rows. The merge shows
// over its shown rows only, from the first of them, with its base cell's text; hiding or
// removing rows can cut a merge, and a covered cell its base no longer reaches stands alone.
bool TBaseGrid::ShownMergeOf(Integer ACol, Integer ARow, TShownMerge& M) const {
    // A grid that never had cell properties has no merges: no slot to look at.
    if (FAllProps.empty()) return false;
    TCellProperties* P = CellPropertiesOrNil(ACol, ARow);
    if (!P || P->CellSpanX() == -1 || P->CellSpanY() == -1) return false;
    const Integer R = RealRow(ARow);
    M.Col = ACol;
    M.RealRow = R;
    M.Base = P;
    if (!P->IsBaseCell()) {
        M.Col = ACol - P->CellSpanX();
        M.RealRow = R - P->CellSpanY();
        M.Base = M.Col >= 0 && M.RealRow >= 0 ? PropsAtReal(M.Col, M.RealRow) : nullptr;
        if (!M.Base || !M.Base->IsBaseCell() || M.Col + std::max(0, M.Base->CellSpanX()) < ACol ||
            M.RealRow + std::max(0, M.Base->CellSpanY()) < R)
            return false;
    }
    const Integer Last = M.RealRow + std::max(0, M.Base->CellSpanY());
    if (!AnyHiddenRows()) {
        M.BaseHidden = false;
        M.Shown = Point(M.Col, M.RealRow);
        M.ShownRows = Last - M.RealRow + 1;
        return true;
    }
    M.BaseHidden = FHiddenRows->IsHiddenRow(M.RealRow);
    const Integer First = FHiddenRows->DisplRowIndex(M.RealRow);
    M.Shown = Point(M.Col, First);
    M.ShownRows = FHiddenRows->DisplRowIndex(Last + 1) - First;
    return true;
}

TBaseGrid::THolder TBaseGrid::HolderOf(Integer ACol, Integer ARow) const {
    THolder H;
    TShownMerge M;
    if (!ShownMergeOf(ACol, ARow, M)) {
        H.At = Point(ACol, ARow);
        H.Props = CellPropertiesOrNil(ACol, ARow);
        H.Col = ACol;
        return H;
    }
    H.At = M.Shown;
    H.Props = M.Base;
    H.Col = M.Col;
    if (M.BaseHidden) H.Items = FHiddenRows->HiddenRowItems(M.RealRow);
    return H;
}

TCellProperties* TBaseGrid::HeldProps(Integer ACol, Integer ARow) const { return HolderOf(ACol, ARow).Props; }

AnsiString TBaseGrid::HeldText(Integer ACol, Integer ARow) const {
    const THolder H = HolderOf(ACol, ARow);
    if (H.Items) return H.Col < H.Items->Count() ? H.Items->Strings(H.Col) : AnsiString();
    return InGrid(H.At.X, H.At.Y) ? RawCells(H.At.X, H.At.Y) : AnsiString();
}

void TBaseGrid::SetHeldText(Integer ACol, Integer ARow, const AnsiString& Value) {
    const THolder H = HolderOf(ACol, ARow);
    if (!H.Items) return SetRawCells(H.At.X, H.At.Y, Value);
    while (H.Items->Count() <= H.Col) H.Items->Add("");
    H.Items->SetStrings(H.Col, Value);
}

bool TBaseGrid::ShowsHiddenBase(Integer ACol, Integer ARow) const {
    TShownMerge M;
    return ShownMergeOf(ACol, ARow, M) && M.BaseHidden;
}

std::vector<TCellProperties*> TBaseGrid::ShownMergeCells() {
    std::vector<TCellProperties*> Cells;
    if (!AnyHiddenRows()) return Cells;
    std::vector<std::pair<TCellProperties*, Integer>> Shown;   // each with its span in shown rows
    for (TCellProperties* P : FAllProps) {
        const Integer C = P->OwnerCol(), R = P->OwnerRow();
        TShownMerge M;
        if (CellPropertiesOrNil(C, R) == P && ShownMergeOf(C, R, M) && !M.BaseHidden && M.ShownRows > 1)
            Shown.push_back({P, P->IsBaseCell() ? M.ShownRows - 1 : R - M.Shown.Y});
    }
    for (const auto& [P, Span] : Shown) P->SetCellSpanY(Span), Cells.push_back(P);
    return Cells;
}

// Their spans still count the shown rows they had: each becomes the real rows between.
void TBaseGrid::RealignMergeCells(const std::vector<TCellProperties*>& Cells) {
    for (TCellProperties* P : Cells) {
        const Integer R = P->OwnerRow(), Sy = P->CellSpanY();
        if (FAllProps.count(P) == 0 || CellPropertiesOrNil(P->OwnerCol(), R) != P || Sy <= 0 || P->CellSpanX() < 0)
            continue;   // split by the move, or gone
        const Integer Other = P->IsBaseCell() ? R + Sy : R - Sy;
        if (Other < 0 || Other >= RowCount()) continue;
        P->SetCellSpanY(std::abs(RealRow(Other) - RealRow(R)));
    }
}

TPoint TBaseGrid::BaseCell(Integer ACol, Integer ARow) const {
    TShownMerge M;
    return ShownMergeOf(ACol, ARow, M) ? M.Shown : Point(ACol, ARow);
}

bool TBaseGrid::IsBaseCell(Integer ACol, Integer ARow) const {
    const TCellProperties* P = CellPropertiesOrNil(ACol, ARow);
    if (!P || P->IsBaseCell()) return true;
    // The first shown cell of a merge whose base row is hidden stands for it.
    return AnyHiddenRows() && BaseCell(ACol, ARow) == Point(ACol, ARow);
}

bool TBaseGrid::IsMergedCell(Integer ACol, Integer ARow) const {
    TShownMerge M;
    return ShownMergeOf(ACol, ARow, M) && (M.Base->CellSpanX() > 0 || M.ShownRows > 1);
}

TGridRect TBaseGrid::CellBlock(Integer ACol, Integer ARow) const {
    if (!IsMergedCell(ACol, ARow)) return TGridRect{ACol, ARow, ACol, ARow};
    const TPoint B = BaseCell(ACol, ARow);
    const TPoint S = CellSpan(B.X, B.Y);
    return TGridRect{B.X, B.Y, B.X + S.X, B.Y + S.Y};
}

bool TBaseGrid::IsXMergedCell(Integer ACol, Integer ARow) const { return CellSpan(ACol, ARow).X > 0; }

bool TBaseGrid::IsYMergedCell(Integer ACol, Integer ARow) const { return CellSpan(ACol, ARow).Y > 0; }

TPoint TBaseGrid::CellSpan(Integer ACol, Integer ARow) const {
    TShownMerge M;
    if (!ShownMergeOf(ACol, ARow, M) || (M.Base->CellSpanX() <= 0 && M.ShownRows <= 1)) return Point(0, 0);
    return Point(std::max(0, M.Base->CellSpanX()), M.ShownRows - 1);
}

bool TBaseGrid::RowsInSameMerges(Integer ARow1, Integer ARow2) const {
    bool Found = false;
    for (Integer C = 0; C < ColCount(); ++C) {
        if (!IsYMergedCell(C, ARow1) || !IsYMergedCell(C, ARow2)) continue;
        Found = true;
        if (BaseCell(C, ARow1).Y != BaseCell(C, ARow2).Y) return false;
    }
    return Found;
}

// --- geometry ---------------------------------------------------------------
TRect TBaseGrid::AbsCellRect(Integer ACol, Integer ARow) const {
    // Sizes summed from the first scrolled index (or from 0 for a fixed cell) to the
    // cell, negative above it: the cost follows the distance from the view.
    auto Offset = [](auto Size, Integer From, Integer To) {
        Integer S = 0;
        for (Integer I = From; I < To; ++I) S += Size(I);
        for (Integer I = To; I < From; ++I) S -= Size(I);
        return S;
    };
    auto ColW = [this](Integer I) { return ColWidths(I); };
    auto RowH = [this](Integer I) { return RowHeights(I); };
    const Integer L = ACol >= FixedCols() ? FixedWidth() + Offset(ColW, LeftCol(), ACol) : Offset(ColW, 0, ACol);
    const Integer T = ARow >= FixedRows() ? FixedHeight() + Offset(RowH, TopRow(), ARow) : Offset(RowH, 0, ARow);
    return Rect(L, T, L + ColWidths(ACol), T + RowHeights(ARow));
}

TRect TBaseGrid::CellRect(Integer ACol, Integer ARow) const {
    if (IsMergedCell(ACol, ARow)) {
        const TPoint B = BaseCell(ACol, ARow);
        const TPoint S = CellSpan(ACol, ARow);
        const TRect R1 = AbsCellRect(B.X, B.Y);
        const TPoint E{std::min(B.X + S.X, ColCount() - 1), std::min(B.Y + S.Y, RowCount() - 1)};
        const TRect R2 = AbsCellRect(E.X, E.Y);
        return Rect(std::min(R1.Left, R2.Left), std::min(R1.Top, R2.Top), std::max(R1.Right, R2.Right),
                    std::max(R1.Bottom, R2.Bottom));
    }
    const TCellProperties* P = CellPropertiesOrNil(ACol, ARow);
    if (P && P->Control()) return AbsCellRect(ACol, ARow);
    return TStringGrid::CellRect(ACol, ARow);
}

TSize TBaseGrid::CellSize(Integer ACol, Integer ARow) const {
    const TRect R = IsMergedCell(ACol, ARow) ? CellRect(ACol, ARow) : AbsCellRect(ACol, ARow);
    return TSize{R.Width(), R.Height()};
}

void TBaseGrid::RepaintCell(Integer ACol, Integer ARow) {
    if (!InGrid(ACol, ARow)) return;
    if (IsMergedCell(ACol, ARow)) Invalidate();   // the merge may reach cells out of the framework's view
    else InvalidateCell(ACol, ARow);
}

// --- painting ---------------------------------------------------------------
void TBaseGrid::Paint() {
    TStringGrid::Paint();
    ++FPaintCounter;
}

void TBaseGrid::DrawCell(Integer ACol, Integer ARow, TRect ARect, TGridDrawState AState) {
    TCanvas* Cv = Canvas();
    if (FFooterRow && ARow == RowCount() - 1) {
        Cv->Brush()->SetStyle(bsSolid);
        Cv->Brush()->SetColor(Color());
        Cv->Pen()->SetColor(Color());
        Cv->Rectangle(ARect);
        return;
    }
    const TCellProperties* Own = CellPropertiesOrNil(ACol, ARow);
    const TPoint Base = Own && !Own->IsBaseCell() ? BaseCell(ACol, ARow) : Point(ACol, ARow);
    if (Base.X != ACol || Base.Y != ARow) {
        // A merge is drawn once per paint pass, from whichever of its cells comes first.
        const TPoint B = Base;
        TCellProperties* BP = CellPropertiesOrNil(B.X, B.Y);
        if (BP && BP->PaintStamp() != FPaintCounter) {
            BP->SetPaintStamp(FPaintCounter);
            DrawCell(B.X, B.Y, ARect, AState);
        }
        return;
    }
    if (Own && IsMergedCell(ACol, ARow)) const_cast<TCellProperties*>(Own)->SetPaintStamp(FPaintCounter);
    if (IsFixed(ACol, ARow)) {
        AState.Exclude(gdSelected);
        AState.Include(gdFixed);
    }
    TRect R = CellRect(ACol, ARow);
    if (R.IsEmpty()) R = ARect;
    // The framework clipped to one cell; a merge may cover more, but never the fixed
    // area, nor the scroll bars and the square between them.
    const Integer X0 = ACol >= FixedCols() ? FixedWidth() : 0;
    const Integer Y0 = ARow >= FixedRows() ? FixedHeight() : 0;
    const TRect Client = TCustomGrid::ClientRect();
    Cv->SetClipRect(Rect(X0, Y0, std::max(X0, Client.Right), std::max(Y0, Client.Bottom)));

    Cv->Pen()->SetWidth(1);
    Cv->Font()->Assign(Font());
    Cv->Brush()->SetStyle(bsSolid);
    // Plain defaults; the advanced grid's GetCellColor decides the real colours.
    if (AState.Contains(gdFixed)) {
        Cv->Brush()->SetColor(FixedColor());
    } else if (AState.Contains(gdSelected)) {
        Cv->Brush()->SetColor(clHighlight);
        Cv->Font()->SetColor(clHighlightText);
    } else {
        Cv->Brush()->SetColor(Color());
    }
    TColor ColorTo = clNone;
    TAlignment HAlign = taLeftJustify;
    TVAlignment VAlign = vtaTop;
    bool Wrap = false;
    GetCellColor(ACol, ARow, AState, false, true, true, Cv->Brush(), ColorTo, Cv->Font(), HAlign, VAlign, Wrap);
    Cv->Pen()->SetColor(Cv->Brush()->Color());

    if (FActiveRowShow && ARow == Row() && ACol != Col()) Cv->Brush()->SetColor(FActiveRowColor);

    if (ColorTo == clNone) Cv->Rectangle(R);
    else DrawGradient(Cv, Cv->Brush()->Color(), ColorTo, 64, R, false);

    const bool Fixed = AState.Contains(gdFixed);
    bool Lines = true;
    Integer W = 1;
    if (Fixed) {
        Cv->Pen()->SetColor(clGray);
        Cv->Pen()->SetWidth(1);
    } else if (FGridLineWidth > 0) {
        Cv->Pen()->SetColor(FGridLineColor);
        Cv->Pen()->SetWidth(FGridLineWidth);
        W = (FGridLineWidth + 1) / 2;
    } else {
        Lines = false;
    }
    const TGridOptions O = Options();
    if (Lines) {
        const TPoint B = BaseCell(ACol, ARow);
        if (!(B.X == 0 && HasNodes()) &&
            ((O.Contains(goHorzLine) && !Fixed) || (O.Contains(goFixedHorzLine) && Fixed))) {
            Cv->MoveTo(R.Left - W + 1, R.Bottom - W);
            Cv->LineTo(R.Right - W + 1, R.Bottom - W);
        }
        if ((O.Contains(goVertLine) && !Fixed) || (O.Contains(goFixedVertLine) && Fixed)) {
            const Integer X = R.Right - W + (BiDiMode() == bdRightToLeft ? 1 : 0);
            Cv->MoveTo(X, R.Bottom - W);
            Cv->LineTo(X, R.Top - W);
        }
    }
    const Integer Shrink = Fixed ? 1 : FGridLineWidth;
    InflateRect(R, -Shrink, -Shrink);
    Cv->Pen()->SetWidth(1);
    DrawCellText(Cv, ACol, ARow, R, AState);
}

void TBaseGrid::DrawCellText(TCanvas* ACanvas, Integer ACol, Integer ARow, TRect ARect, TGridDrawState AState) {
    const TBrushStyle Old = ACanvas->Brush()->Style();
    ACanvas->Brush()->SetStyle(bsClear);
    ACanvas->DrawText(Cells(ACol, ARow), ARect, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    ACanvas->Brush()->SetStyle(Old);
}

// --- selection and keys -----------------------------------------------------
bool TBaseGrid::SelectCell(Integer ACol, Integer ARow) {
    RepaintCell(Col(), Row());
    const TAliveGuard alive(this);   // OnSelectCell may free the grid
    const bool Ok = TStringGrid::SelectCell(ACol, ARow);
    if (alive.Gone()) return false;
    RepaintCell(ACol, ARow);
    return Ok;
}

void TBaseGrid::SnapToBaseCell() {
    if (!HasCellProperties(Col(), Row())) return;
    const TPoint B = BaseCell(Col(), Row());
    if (B.X != Col() || B.Y != Row()) FocusCell(B.X, B.Y, true);
}

Integer TBaseGrid::ArrowRow(Integer ACol, Integer ARow, bool Down) const {
    const Integer R = Down ? BaseCell(ACol, ARow).Y + CellSpan(ACol, ARow).Y + 1 : BaseCell(ACol, ARow).Y - 1;
    return R >= 0 && R < RowCount() ? BaseCell(ACol, R).Y : R;
}

void TBaseGrid::KeyDown(Word& Key, TShiftState Shift) {
    if (Key == VK_NEXT && FFooterRow && RowCount() >= 2 &&
        VisibleRowCount() + TopRow() - FixedRows() == RowCount() - 1)
        SetRow(RowCount() - 2);
    const Integer OldCol = Col(), OldRow = Row();
    if (HasCellProperties(Col(), Row())) {
        const TPoint B = BaseCell(Col(), Row());
        const TPoint Span = CellSpan(Col(), Row());
        const Integer Sx = Span.X, Sy = Span.Y;
        switch (Key) {
            case VK_RIGHT:
                if (B.X + Sx >= Col() && Col() < ColCount() - 1 && B.X < ColCount() - 1) SetCol(B.X + Sx);
                break;
            case VK_DOWN:
                if (B.Y + Sy >= Row() && Row() < RowCount() - 1 && B.Y < RowCount() - 1) SetRow(B.Y + Sy);
                break;
            // Leaving a merge to the left or up: from its base cell, so the step lands
            // just before the merge.
            case VK_LEFT:
                if (Col() > B.X && Col() > FixedCols() && B.X >= 1) SetCol(B.X);
                break;
            case VK_UP:
                if (Row() > B.Y && Row() > FixedRows() && B.Y >= 1) SetRow(B.Y);
                break;
            default:
                break;
        }
    }
    const std::shared_ptr<const bool> Alive = AliveToken();
    TStringGrid::KeyDown(Key, Shift);
    if (!*Alive) return;
    // Only a key that moved the cell snaps it: a range dragged onto a merge stays whole for Ctrl+C.
    if (Col() != OldCol || Row() != OldRow) SnapToBaseCell();
}

bool TBaseGrid::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
    const std::shared_ptr<const bool> Alive = AliveToken();   // a cell-change handler may free the grid
    // From the merge's last row, so that the step leaves the merge as the Down key does.
    if (const Integer Last = BaseCell(Col(), Row()).Y + CellSpan(Col(), Row()).Y; Last > Row()) SetRow(Last);
    if (!*Alive) return true;
    const bool R = TStringGrid::DoMouseWheelDown(Shift, MousePos);
    if (!*Alive) return R;
    if (FFooterRow && Row() < RowCount() - 1 && Row() - TopRow() > VisibleRowCount()) SetTopRow(TopRow() + 1);
    SnapToBaseCell();
    return R;
}

bool TBaseGrid::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
    const std::shared_ptr<const bool> Alive = AliveToken();
    const bool R = TStringGrid::DoMouseWheelUp(Shift, MousePos);
    if (*Alive) SnapToBaseCell();
    return R;
}

void TBaseGrid::TopLeftChanged() {
    const TAliveGuard Alive(this);   // OnTopLeftChanged may free the grid
    TStringGrid::TopLeftChanged();
    if (Alive.Gone()) return;
    const Integer LastRow = std::min(RowCount() - 1, TopRow() + VisibleRowCount());
    for (Integer R = TopRow(); R <= LastRow; ++R)
        for (Integer C = 0; C < FixedCols(); ++C)
            if (IsMergedCell(C, R)) RepaintCell(C, R);
    const Integer LastCol = std::min(ColCount() - 1, LeftCol() + VisibleColCount());
    for (Integer R = 0; R < FixedRows(); ++R)
        for (Integer C = LeftCol(); C <= LastCol; ++C)
            if (IsMergedCell(C, R)) RepaintCell(C, R);
}
