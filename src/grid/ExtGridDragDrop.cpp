// TExtStringGrid: drag and drop with other grids and programs: starting a drag of
// the selection or of a column, and the drop target that pastes text, takes rich
// text, reports dropped columns and imports a dropped CSV or spreadsheet file.
#include "grid/ExtGrid.h"

#include "platform/ui/ExtCtrls.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <utility>

namespace {

constexpr Integer DragThreshold = 3;   // pixels a press must move before a drag starts

// What the last drop into a grid wrote, as (field, line) of the dropped block: a move
// takes only these from its source. Unknown after a drop somewhere else.
struct TDropWritten {
    bool Known = false;
    std::set<std::pair<Integer, Integer>> Fields;
} GDropWritten;

}  // namespace

class TGridDropTarget : public TESGDropTarget {
public:
    explicit TGridDropTarget(TExtStringGrid* AGrid) : TESGDropTarget(AGrid), FGrid(AGrid) {}

protected:
    bool DropText(TPoint P, const AnsiString& Text) override { return FGrid->OleDropText(P, Text); }
    void DropCol(TPoint P, Integer Column) override { FGrid->OleDropCol(P, Column); }
    bool DropRTF(TPoint P, const AnsiString& RTF) override { return FGrid->OleDropRTF(P, RTF); }
    void DropFiles(TPoint P, const std::vector<AnsiString>& Files) override { FGrid->OleDropFiles(P, Files); }
    void DragMouseMove(TPoint P, bool& Allow, Byte Formats) override { FGrid->OleDragMove(P, Allow, Formats); }
    void DragMouseLeave() override { FGrid->HideDropMarkers(); }
    AnsiString DroppedText(const TDataObject& Data) override { return TExtStringGrid::TextFromOutside(Data); }

private:
    TExtStringGrid* FGrid;
};

// At loading the drop target takes the accept settings as they were read.
void TExtStringGrid::DropTargetLoaded() {
    if (!FDropTarget) return;
    FDropTarget->AcceptText = FDragDropSettings->OleAcceptText();
    FDropTarget->AcceptFiles = FDragDropSettings->OleAcceptFiles();
}

void TExtStringGrid::DropTargetChanged() {
    if (FDragDropSettings->OleDropTarget()) {
        if (FDropTarget || ComponentState().Contains(csDesigning)) return;
        FDropTarget = std::make_unique<TGridDropTarget>(this);
        FDropTarget->AcceptText = FDragDropSettings->OleAcceptText();
        FDropTarget->AcceptFiles = FDragDropSettings->OleAcceptFiles();
    } else {
        HideDropMarkers();
        FDropTarget.reset();
    }
    UpdateDragAcceptance();
}

void TExtStringGrid::UpdateDragAcceptance() { SetDropTarget(FDropTarget != nullptr || FDragScrollOptions->Active()); }

// --- markers -----------------------------------------------------------------------------------
TPanel* TExtStringGrid::DropMarker(Integer Index) {
    TPanel*& M = FDropMarkers[size_t(Index)];
    if (!M) {
        M = new TPanel(this);
        M->SetParent(this);
        M->SetBevelOuter(bvNone);
        M->SetColor(clBlue);
        M->SetVisible(false);
        // The row marker points right at the row; the column markers are upright bars.
        if (Index == 0) M->SetBounds(0, 0, 8, 8);
        else M->SetBounds(0, 0, 3, 8);
    }
    return M;
}

void TExtStringGrid::HideDropMarkers() {
    for (TPanel* M : FDropMarkers)
        if (M) M->SetVisible(false);
}

void TExtStringGrid::ShowDropMarker(Integer Index, Integer X, Integer Y) {
    TPanel* M = DropMarker(Index);
    M->SetBounds(X, Y, M->Width(), M->Height());
    M->SetVisible(true);
}

// --- the drop target ---------------------------------------------------------------------------
void TExtStringGrid::OleDragMove(TPoint P, bool& Allow, Byte Formats) {
    TGridCoord C = MouseCoord(P.X, P.Y);
    Allow = Allow && C.X >= 0 && C.Y >= 0;
    const bool ColumnDrag = (Formats & fpColumn) != 0;
    if (Allow && !ColumnDrag) {
        // Near the edges the grid scrolls towards the drag.
        const Integer FR = TBaseGrid::FixedRows(), FC = TBaseGrid::FixedCols();
        if (C.Y == 0 && TopRow() > FR) SetTopRow(TopRow() - 1);
        else if (C.Y == TopRow() + VisibleRowCount() && C.Y < RowCount()) SetTopRow(TopRow() + 1);
        if (FDragTicks % 2 == 0) {
            if (C.X == 0 && LeftCol() > FC) SetLeftCol(LeftCol() - 1);
            else if (C.X == LeftCol() + VisibleColCount() && C.X < ColCount()) SetLeftCol(LeftCol() + 1);
        }
        ++FDragTicks;
        C = MouseCoord(P.X, P.Y);
        Allow = C.X >= 0 && C.Y >= 0;
    }
    const Integer FR = TBaseGrid::FixedRows(), FC = TBaseGrid::FixedCols();
    if (Allow) {
        if (ColumnDrag) Allow = C.Y < FR && C.X >= FC;
        else if (C.Y < FR) Allow = RowCount() == 1 && FFixedRowAlways;
    }
    const TAliveGuard Alive(this);
    if (OnOleDragOver) FireEvent(OnOleDragOver, this, C.Y, C.X, Allow);
    if (Alive.Gone()) {   // freed by the handler: nothing lands on it
        Allow = false;
        return;
    }
    HideDropMarkers();
    if (!Allow) return;
    if (ColumnDrag) {
        const TRect R = CellRect(C.X, C.Y);
        ShowDropMarker(1, R.Left - 1, R.Top - 8 < 0 ? 0 : R.Top - 8);
        ShowDropMarker(2, R.Left - 1, R.Bottom);
        return;
    }
    Integer Rw = C.Y;
    if (Rw == 0 && FFixedRowAlways) Rw = 1;
    const Integer Cl = FDragDropSettings->OleEntireRows() ? FC : C.X;
    const TRect R = CellRect(Cl, std::min(Rw, RowCount() - 1));
    ShowDropMarker(0, std::max(0, R.Left - 10), R.Top + std::max(0, (R.Height() - 8) / 2));
}

bool TExtStringGrid::OleDropText(TPoint P, const AnsiString& Text) {
    const TGridCoord C = MouseCoord(P.X, P.Y);
    Integer Cl = C.X, Rw = C.Y;
    const TPoint Ext = TextExtent(Text);
    const Integer Lines = Ext.Y + 1;
    const Integer FC = TBaseGrid::FixedCols(), FR = TBaseGrid::FixedRows();
    if (Options().Contains(goRowSelect)) Cl = FDragDropSettings->OleEntireRows() ? 0 : FC;
    bool Allow = true;
    const TAliveGuard Alive(this);   // the handlers may free the grid: the drop stops there
    if (OnOleDrop) FireEvent(OnOleDrop, this, Rw, Cl, Text, Allow);
    if (Alive.Gone()) return false;
    Integer Written = 0;
    if (Allow && Cl >= 0 && Rw >= 0) {
        if (Rw == 0 && FFixedRowAlways && RowCount() == 1) Rw = 1;
        if (FDragDropSettings->OleInsertRows()) {
            // A drag running from this grid finds its rows where the new ones pushed them.
            const Integer Top = TopRow();
            InsertRows(Rw, Lines);
            if (Alive.Gone()) return false;
            if (Top > FR) SetTopRow(std::min(Top + 1, RowCount() - 1));
        }
        if (Rw < RowCount()) {
            GDropWritten.Known = true;
            GDropWritten.Fields.clear();
            PasteText(Cl, Rw, Text, &GDropWritten.Fields);
            if (Alive.Gone()) return false;
            Written = Integer(GDropWritten.Fields.size());
            TGridRect S;
            S.Left = std::max(Cl, FC);
            S.Top = Rw;
            S.Bottom = std::min(Rw + Ext.Y, RowCount() - 1);
            S.Right = std::min(ColCount() - 1, Options().Contains(goRowSelect) ? S.Left + Ext.X - FC : S.Left + Ext.X - 1);
            S.Right = std::max(S.Right, S.Left);
            // A drag from this grid: what landed stays when the move takes the rest.
            if (Written > 0) FSelfDropRect = TGridRect{Cl, Rw, S.Right, S.Bottom};
            if (S.Top >= FR) SetSelection(S);
        }
    }
    HideDropMarkers();
    if (OnOleDropped) FireEvent(OnOleDropped, this, Selection());
    return Written > 0;
}

bool TExtStringGrid::OleDropRTF(TPoint P, const AnsiString& RTF) {
    const TGridCoord C = MouseCoord(P.X, P.Y);
    bool Allow = true;
    const TAliveGuard Alive(this);   // the handlers may free the grid: the drop stops there
    if (OnOleDrop) FireEvent(OnOleDrop, this, C.Y, C.X, RTF, Allow);
    if (Alive.Gone()) return false;
    const bool Takes = Allow && TakesOutsideData() && TakesOutsideData(C.X, C.Y);
    if (Alive.Gone()) return false;   // OnCanEditCell closed the screen
    const bool Written = Takes && IsBaseCell(C.X, C.Y);
    if (Written) {
        SetCells(C.X, C.Y, RTF);
        GDropWritten = TDropWritten{true, {{0, 0}}};
        FSelfDropRect = TGridRect{C.X, C.Y, C.X, C.Y};   // a move inside this grid leaves it
        CellsChanged(Rect(C.X, C.Y, C.X, C.Y));
        if (Alive.Gone()) return true;
    }
    HideDropMarkers();
    return Written;
}

void TExtStringGrid::OleDropCol(TPoint P, Integer Column) {
    const TGridCoord C = MouseCoord(P.X, P.Y);
    HideDropMarkers();
    if (OnOleDropCol) FireEvent(OnOleDropCol, this, C.Y, C.X, Column);
}

void TExtStringGrid::OleDropFiles(TPoint P, const std::vector<AnsiString>& Files) {
    HideDropMarkers();
    if (Files.size() != 1) return;
    const TGridCoord C = MouseCoord(P.X, P.Y);
    const AnsiString& Name = Files.front();
    bool Allow = true;
    const TAliveGuard Alive(this);   // the handlers may free the grid: the drop stops there
    if (OnOleDropFile) FireEvent(OnOleDropFile, this, C.Y, C.X, Name, Allow);
    if (!Allow || Alive.Gone()) return;
    // The file's cells go only where a paste may write: the grid keeps the rest as it was.
    if (!TakesOutsideData()) return;
    struct TFileDropScope {
        bool& Flag;
        const TAliveGuard& Alive;
        TFileDropScope(bool& F, const TAliveGuard& A) : Flag(F), Alive(A) { Flag = true; }
        ~TFileDropScope() { if (Alive.Alive()) Flag = false; }
    } Scope(FFileDrop, Alive);
    const AnsiString Upper = UpperCase(Name);
    if (Upper.find(".CSV") != AnsiString::npos) {
        if (OnOleDrop) FireEvent(OnOleDrop, this, -1, -1, Name, Allow);
        if (Allow && Alive.Alive()) ReadCSVFile(Name);
    }
    if (Alive.Alive() && Upper.find(".XLS") != AnsiString::npos) {
        if (OnOleDrop) FireEvent(OnOleDrop, this, -1, -1, Name, Allow);
        if (Allow && Alive.Alive()) ReadWorkbookFile(Name);
    }
}

// --- starting a drag ---------------------------------------------------------------------------
Integer TExtStringGrid::StartTextDoDrag(const AnsiString& Text, const AnsiString& RTF, Integer AllowedEffects,
                                        const TDataObject* Texts) {
    TDataObject Data;
    MakeDragData(Data, Text, -1, RTF);
    if (Texts && !Text.empty())
        for (Word F : Texts->Formats()) Data.SetData(F, Texts->GetData(F));
    return DoDragDrop(this, Data, AllowedEffects);
}

// The header cell as the grid paints it (the fixed colours of the current look),
// framed, to follow the mouse while the column is dragged.
void TExtStringGrid::PaintColumnDragImage(TBitmap& Image, Integer Column) {
    const Integer HeaderRow = 0;
    const Integer W = std::max(1, ColWidths(Column)), H = std::max(1, RowHeights(HeaderRow));
    Image.SetSize(W, H);
    TCanvas* Cv = Image.Canvas();
    Cv->Brush()->SetStyle(bsSolid);
    Cv->Brush()->SetColor(FixedColor());
    Cv->FillRect(Rect(0, 0, W, H));
    TGridDrawState S;
    S.Include(gdFixed);
    DrawCellText(Cv, Column, HeaderRow, Rect(1, 1, W - 1, H - 1), S);
    Cv->Brush()->SetStyle(bsSolid);
    Cv->Brush()->SetColor(TColor(0x808080));
    Cv->FrameRect(Rect(0, 0, W, H));
}

Integer TExtStringGrid::StartColumnDoDrag(Integer Column, Integer AllowedEffects) {
    TDataObject Data;
    MakeDragData(Data, AnsiString(), Column, AnsiString());
    TBitmap Image;
    if (Column >= 0 && Column < ColCount() && RowCount() > 0) PaintColumnDragImage(Image, Column);
    TDragImage Drag;
    Drag.Bitmap = &Image;
    Drag.HotSpot = Point(0, Image.Height());   // left edge at the mouse, bottom at the mouse
    return DoDragDrop(this, Data, AllowedEffects, Drag);
}

// --- drag scrolling --------------------------------------------------------------------------
bool TExtStringGrid::DragNotice(TDragNoticeKind Kind, Integer X, Integer Y) {
    if (Kind == dkOver && FDragScrollOptions->Active()) DragScrollOver(X, Y);
    else DragScrollStop();
    return FDragScrollOptions->Active();
}

void TExtStringGrid::DragScrollOver(Integer X, Integer Y) {
    const TDragScrollMargins* M = FDragScrollOptions->Margins();
    const TDragScrollDelays* D = FDragScrollOptions->Delays();
    TDragScrollDirection Dirs;
    if (Y < M->TopMargin()) Dirs.Include(dsdUp);
    if (Y > Height() - M->BottomMargin()) Dirs.Include(dsdDown);
    if (X < M->LeftMargin()) Dirs.Include(dsdLeft);
    if (X > Width() - M->RightMargin()) Dirs.Include(dsdRight);
    if (Dirs.Empty()) {
        DragScrollStop();
        return;
    }
    const Cardinal Initial = Cardinal(std::max(1, D->InitialDelay()));
    if (!FDragScrollTimer) {
        FDragScrollTimer = std::make_unique<TTimer>(nullptr);
        FDragScrollTimer->SetInterval(Initial);
        FDragScrollTimer->OnTimer = [this](TObject*) { DragScrollTick(); };
        FDragScrollTimer->SetEnabled(true);
    } else if (!FDragScrollDirs.Empty()) {
        FDragScrollTimer->SetInterval(Initial);
    }
    FDragScrollDirs = Dirs;
}

void TExtStringGrid::DragScrollStop() {
    FDragScrollTimer.reset();
    FDragScrollDirs = TDragScrollDirection();
}

void TExtStringGrid::DragScrollTick() {
    if (!FDragScrollTimer) return;
    FDragScrollTimer->SetInterval(Cardinal(std::max(1, FDragScrollOptions->Delays()->RepeatDelay())));
    TDragScrollDirection Dirs = FDragScrollDirs;
    bool CanScroll = true;
    const TAliveGuard Alive(this);   // the handler may free the grid
    if (OnDragScroll) FireEvent(OnDragScroll, this, TopRow(), LeftCol(), Dirs, CanScroll);
    if (!CanScroll || Alive.Gone()) return;
    const Integer FR = TBaseGrid::FixedRows(), FC = TBaseGrid::FixedCols();
    if (Dirs.Contains(dsdUp) && TopRow() > FR) SetTopRow(TopRow() - 1);
    if (Dirs.Contains(dsdDown) && TopRow() + VisibleRowCount() < RowCount()) SetTopRow(TopRow() + 1);
    if (Dirs.Contains(dsdLeft) && LeftCol() > FC) SetLeftCol(LeftCol() - 1);
    if (Dirs.Contains(dsdRight) && LeftCol() + VisibleColCount() < ColCount()) SetLeftCol(LeftCol() + 1);
}

// A left press that may start a drag: on a selected cell (or a header, which
// starts a column drag) of a grid that is not edited in place.
bool TExtStringGrid::PendingDragPress(TGridCoord C, Integer X) {
    FDragPending = false;
    if (!FDragDropSettings->OleDropSource() || Options().Contains(goEditing)) return false;
    const bool Header = C.Y < TBaseGrid::FixedRows();
    if (Header && (FMouseActions->ColSelect() || FMouseActions->AllSelect())) return false;
    const bool Selected = !FParked && Selection().Contains(C.X, C.Y);
    if (!Selected && !(Header && !FEnhRowColMove)) return false;
    const TRect R = CellRect(C.X, C.Y);
    if (Options().Contains(goColSizing) && (X - R.Left <= DragThreshold || R.Right - X <= DragThreshold)) return false;
    FDragPending = true;
    return true;
}

bool TExtStringGrid::PendingDragMove(TShiftState Shift, Integer X, Integer Y) {
    if (!FDragPending || !Shift.Contains(ssLeft)) return false;
    if (std::abs(X - FPressPoint.X) <= DragThreshold && std::abs(Y - FPressPoint.Y) <= DragThreshold) return true;
    FDragPending = false;
    const TGridCoord C = FPressCell;
    bool Allow = true;
    // Every handler from here on, and the drop at the other end, may close this screen.
    const TAliveGuard Alive(this);
    if (OnOleDrag) FireEvent(OnOleDrag, this, C.Y, C.X, Cells(C.X, C.Y), Allow);
    if (Alive.Gone()) return true;
    if (!Allow) {
        // Refused: the press turns into a range selection from the pressed cell.
        TBaseGrid::MouseDown(mbLeft, Shift, FPressPoint.X, FPressPoint.Y);
        return false;
    }
    if (OnOleDragStart) FireEvent(OnOleDragStart, this, C.Y, C.X);
    if (Alive.Gone()) return true;
    if (C.Y < TBaseGrid::FixedRows() && FDragDropSettings->OleColumnDragDrop()) {
        const Integer Effect = StartColumnDoDrag(C.X, DROPEFFECT_COPY | DROPEFFECT_MOVE);
        if (Alive.Alive() && Effect != DROPEFFECT_NONE && OnOleDragStop) FireEvent(OnOleDragStop, this, Effect);
        return true;
    }
    FDragRect = Selection();
    const bool Disjunct = FMouseActions->DisjunctRowSelect();
    // The dragged rows are flagged by real row: a drop into this grid that inserts
    // rows moves the flags with them, and the move takes from the rows dragged.
    FDragRows.assign(size_t(AllRowCount()), 0);
    if (Disjunct)
        for (Integer R : MarkedDisplRows()) FDragRows[size_t(RealRowIndex(R))] = 1;
    else
        for (Integer R = std::max(0, FDragRect.Top); R <= FDragRect.Bottom && R < RowCount(); ++R)
            FDragRows[size_t(RealRowIndex(R))] = 1;
    FSelfDropRect = TGridRect{-1, -1, -2, -2};
    GDropWritten = TDropWritten{};
    Integer Effect = DROPEFFECT_NONE;
    try {
        const TGridRect Block = SelectionTransferRect();
        TDataObject Texts;
        const AnsiString Text = TransferText(Texts, Block, Disjunct, false);
        if (Alive.Gone()) return true;
        Effect = StartTextDoDrag(Text, SelectionRichText(), DROPEFFECT_COPY | DROPEFFECT_MOVE, &Texts);
        if (Alive.Gone()) return true;   // the source screen went with the drop: nothing left to take from
        if (Effect == DROPEFFECT_MOVE) TakeDraggedRows(Block);
        if (Alive.Gone()) return true;
    } catch (...) {
        if (Alive.Alive()) FDragRows.clear();
        throw;
    }
    FDragRows.clear();
    if (Effect != DROPEFFECT_NONE && OnOleDragStop) FireEvent(OnOleDragStop, this, Effect);
    return true;
}

// After a move: the dragged rows are removed or their dragged cells emptied, as far as
// the drop wrote them (a grid's drop may refuse cells; another program takes all it got).
// Only the block's columns went with the drag. Cells a drop into this same grid has just
// written hold the moved data and stay.
void TExtStringGrid::TakeDraggedRows(TGridRect Block) {
    std::vector<Integer> Rows;
    for (Integer R = 0; R < Integer(FDragRows.size()); ++R)
        if (FDragRows[size_t(R)] && !IsHiddenRow(R) && DisplRowIndex(R) < RowCount()) Rows.push_back(DisplRowIndex(R));
    const TGridRect& D = FSelfDropRect;
    const bool Remove = FDragDropSettings->OleRemoveRows() && Options().Contains(goRowSelect);
    const TAliveGuard Alive(this);   // OnCellsChanged may close the screen
    if (!Remove && FDragDropSettings->OleCopyAlways()) return;
    const Integer L = Block.Left, Rt = std::min(Block.Right, ColCount() - 1);
    const TDropWritten Took = GDropWritten;
    auto Arrived = [&](Integer C, Integer Line) { return !Took.Known || Took.Fields.count({C - L, Line}) > 0; };
    for (Integer Line = Integer(Rows.size()) - 1; Line >= 0; --Line) {
        const Integer R = Rows[size_t(Line)];
        const bool Dropped = R >= D.Top && R <= D.Bottom;
        if (Dropped && Remove) continue;
        bool Whole = true;
        for (Integer C = L; C <= Rt && Whole; ++C) Whole = Arrived(C, Line);
        if (Remove && Whole) {
            RemoveRowsEx(R, 1);
            if (Alive.Gone()) return;
            continue;
        }
        for (Integer C = L; C <= Rt && Alive.Alive(); ++C)
            if (Arrived(C, Line) && !(Dropped && C >= D.Left && C <= D.Right)) ClearRect(C, R, C, R);
        if (Alive.Gone()) return;
    }
}

// A press that could have dragged but did not: it selects now.
void TExtStringGrid::PendingDragRelease(TShiftState Shift) {
    if (!FDragPending) return;
    FDragPending = false;
    const TGridCoord C = FPressCell;
    if (C.Y < TBaseGrid::FixedRows() || C.X < TBaseGrid::FixedCols()) return;
    if (FMouseActions->DisjunctRowSelect()) {
        const Integer R = FMouseActions->RowSelectPersistent() ? RealRowIndex(C.Y) : C.Y;
        if (Shift.Contains(ssCtrl)) SetRowSelected(R, !RowSelected(R));
        else {
            ClearRowSelect();
            SetRowSelected(R, true);
        }
    }
    FocusCell(C.X, C.Y, true);
}
