// TStringGrid: the cell store and its row and column views.
#include "platform/ui/Grids.h"

#include <algorithm>
#include <cstdint>

namespace {

template <class T>
void MoveItem(std::vector<T>& V, Integer From, Integer To) {
    T Item = std::move(V[From]);
    V.erase(V.begin() + From);
    V.insert(V.begin() + To, std::move(Item));
}

}  // namespace

TStringGrid::TStringGrid(TComponent* AOwner) : TDrawGrid(AOwner) { FData.resize(RowCount()); }

TStringGrid::~TStringGrid() = default;

// A row takes room for its cells when one of them is first written; until then
// (and past its end) every cell reads as empty.
TStringGrid::TCell* TStringGrid::CellAt(Integer ACol, Integer ARow) {
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= static_cast<Integer>(FData.size())) return nullptr;
    auto& R = FData[ARow];
    if (ACol >= static_cast<Integer>(R.size())) R.resize(ColCount());
    return &R[ACol];
}

const TStringGrid::TCell* TStringGrid::StoredCell(Integer ACol, Integer ARow) const {
    if (ARow < 0 || ARow >= static_cast<Integer>(FData.size())) return nullptr;
    const auto& R = FData[ARow];
    if (ACol < 0 || ACol >= static_cast<Integer>(R.size())) return nullptr;
    return &R[ACol];
}

bool TStringGrid::InCells(Integer ACol, Integer ARow) const {
    return ACol >= 0 && ARow >= 0 && ACol < ColCount() && ARow < static_cast<Integer>(FData.size());
}

const AnsiString& TStringGrid::CellsRef(Integer ACol, Integer ARow) const {
    static const AnsiString Empty;
    const TCell* C = StoredCell(ACol, ARow);
    return C ? C->Text : Empty;
}

void TStringGrid::SetCells(Integer ACol, Integer ARow, const AnsiString& Value) {
    if (!InCells(ACol, ARow)) throw EInvalidGridOperation("Grid index out of range");
    if (Value.empty() && !StoredCell(ACol, ARow)) return;
    TCell* C = CellAt(ACol, ARow);
    if (C->Text == Value) return;
    C->Text = Value;
    InvalidateCell(ACol, ARow);
    // Text set by the program while its cell is being edited shows in the editor.
    if (EditorMode() && ACol == Col() && ARow == Row() && InplaceEditor() && InplaceEditor()->Text() != Value)
        InvalidateEditor();
}

TObject* TStringGrid::Objects(Integer ACol, Integer ARow) const {
    const TCell* C = StoredCell(ACol, ARow);
    return C ? C->Object : nullptr;
}

void TStringGrid::SetObjects(Integer ACol, Integer ARow, TObject* Value) {
    if (!InCells(ACol, ARow)) throw EInvalidGridOperation("Grid index out of range");
    if (!Value && !StoredCell(ACol, ARow)) return;
    CellAt(ACol, ARow)->Object = Value;
}

TStrings* TStringGrid::Rows(Integer Index) {
    if (Index < 0 || Index >= RowCount()) throw EInvalidGridOperation("Grid index out of range");
    if (Index >= static_cast<Integer>(FRowLists.size())) FRowLists.resize(Index + 1);
    if (!FRowLists[Index]) FRowLists[Index] = std::make_unique<TStringGridStrings>(this, true, Index);
    return FRowLists[Index].get();
}

TStrings* TStringGrid::Cols(Integer Index) {
    if (Index < 0 || Index >= ColCount()) throw EInvalidGridOperation("Grid index out of range");
    if (Index >= static_cast<Integer>(FColLists.size())) FColLists.resize(Index + 1);
    if (!FColLists[Index]) FColLists[Index] = std::make_unique<TStringGridStrings>(this, false, Index);
    return FColLists[Index].get();
}

namespace {

// Copies a list into a row or column: as many items as there are cells, the
// remaining cells emptied.
void FillLine(TStringGridStrings* Line, TStrings* Value) {
    for (Integer I = 0; I < Line->Count(); ++I) {
        const bool Have = Value && I < Value->Count();
        Line->SetStrings(I, Have ? Value->Strings(I) : AnsiString());
        Line->PutObjectAt(I, Have ? Value->Objects(I) : nullptr);
    }
}

}  // namespace

void TStringGrid::SetRows(Integer Index, TStrings* Value) { FillLine(static_cast<TStringGridStrings*>(Rows(Index)), Value); }
void TStringGrid::SetCols(Integer Index, TStrings* Value) { FillLine(static_cast<TStringGridStrings*>(Cols(Index)), Value); }

void TStringGrid::DrawCell(Integer ACol, Integer ARow, TRect ARect, TGridDrawState AState) {
    if (DefaultDrawing()) Canvas()->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, Cells(ACol, ARow));
    TDrawGrid::DrawCell(ACol, ARow, ARect, AState);
}

AnsiString TStringGrid::GetEditText(Integer ACol, Integer ARow) {
    AnsiString Value = Cells(ACol, ARow);
    if (OnGetEditText) {
        auto Handler = OnGetEditText;
        Handler(this, ACol, ARow, Value);
    }
    return Value;
}

void TStringGrid::SetEditText(Integer ACol, Integer ARow, const AnsiString& Value) {
    if (InCells(ACol, ARow) && (StoredCell(ACol, ARow) || !Value.empty())) {
        TCell* C = CellAt(ACol, ARow);
        if (C->Text != Value) {
            C->Text = Value;
            InvalidateCell(ACol, ARow);
        }
    }
    TDrawGrid::SetEditText(ACol, ARow, Value);
}

void TStringGrid::SizeChanged(Integer OldColCount, Integer OldRowCount) {
    // Cells of the rows and columns that remain keep their contents. Rows are
    // touched only when columns go: growing by a row stays a constant cost.
    FData.resize(RowCount());
    if (ColCount() < OldColCount)
        for (auto& R : FData)
            if (static_cast<Integer>(R.size()) > ColCount()) R.resize(ColCount());
    if (static_cast<Integer>(FRowLists.size()) > RowCount()) FRowLists.resize(RowCount());
    if (static_cast<Integer>(FColLists.size()) > ColCount()) FColLists.resize(ColCount());
    TDrawGrid::SizeChanged(OldColCount, OldRowCount);
}

void TStringGrid::MoveColData(Integer FromIndex, Integer ToIndex) {
    for (auto& R : FData) {
        if (R.empty()) continue;
        if (static_cast<Integer>(R.size()) < ColCount()) R.resize(ColCount());
        MoveItem(R, FromIndex, ToIndex);
    }
}

void TStringGrid::MoveRowData(Integer FromIndex, Integer ToIndex) {
    MoveItem(FData, FromIndex, ToIndex);
}

void TStringGrid::DeleteColData(Integer ACol) {
    for (auto& R : FData)
        if (ACol < static_cast<Integer>(R.size())) R.erase(R.begin() + ACol);
}

void TStringGrid::DeleteRowData(Integer ARow) {
    if (ARow < static_cast<Integer>(FData.size())) FData.erase(FData.begin() + ARow);
}

void TStringGrid::PermuteRowData(Integer First, const std::vector<Integer>& Order,
                                 const std::function<void(TObject*, Integer, Integer)>& Placed, Integer FromCol,
                                 Integer ToCol) {
    const size_t N = Order.size();
    if (First < 0 || size_t(First) + N > FData.size()) throw EInvalidGridOperation("Grid index out of range");
    if (FromCol < 0 || (ToCol >= 0 && (ToCol < FromCol || ToCol >= ColCount())))
        throw EInvalidGridOperation("Grid index out of range");
    // A repeated or foreign row would drop another row's cells.
    std::vector<char> Done(N, 0);
    for (Integer R : Order) {
        const Integer I = R - First;
        if (I < 0 || size_t(I) >= N || Done[size_t(I)]) throw EInvalidGridOperation("Grid index out of range");
        Done[size_t(I)] = 1;
    }
    std::fill(Done.begin(), Done.end(), 0);
    // The cells of columns Lo..Hi-1 move; a row never written reads as empty and
    // takes room only for cells that bring something.
    const size_t Lo = size_t(FromCol), Hi = ToCol < 0 ? SIZE_MAX : size_t(ToCol) + 1;
    // Cells move, the rows' storage stays where it is: rows read in order stay close
    // together in memory however often they are sorted.
    auto MoveCells = [Lo, Hi](std::vector<TCell>& To, std::vector<TCell>& From) {
        const size_t End = std::min(From.size(), Hi);
        if (To.size() < End) To.resize(End);
        size_t C = Lo;
        for (; C < End; ++C) To[C] = std::move(From[C]);
        for (const size_t ToEnd = std::min(To.size(), Hi); C < ToEnd; ++C) To[C] = TCell();
    };
    std::vector<TCell> Kept;
    bool Changed = false;
    for (size_t I = 0; I < N; ++I) {
        if (Done[I] || Order[I] - First == Integer(I)) continue;
        Changed = true;
        // Row First+I takes row Order[I], which takes its own source, round the cycle.
        MoveCells(Kept, FData[size_t(First) + I]);
        size_t J = I;
        // The rows of a cycle lie anywhere in memory: the ones a few steps on are asked
        // for ahead (their place in the store first, then the cells that move).
        size_t Near = J, Far = J;
        for (int K = 0; K < 8; ++K) Far = size_t(Order[Far] - First);
        for (int K = 0; K < 4; ++K) Near = size_t(Order[Near] - First);
        while (true) {
            Done[J] = 1;
            const size_t Src = size_t(Order[J] - First);
            Far = size_t(Order[Far] - First);
            Near = size_t(Order[Near] - First);
            __builtin_prefetch(&FData[size_t(First) + Far]);
            const auto& Next = FData[size_t(First) + Near];
            if (Lo < Next.size()) {
                const char* Cells = reinterpret_cast<const char*>(Next.data() + Lo);
                const size_t Bytes = (std::min(Next.size(), Hi) - Lo) * sizeof(TCell);
                for (size_t B = 0; B < Bytes; B += 64) __builtin_prefetch(Cells + B);
            }
            auto& To = FData[size_t(First) + J];
            MoveCells(To, Src == I ? Kept : FData[size_t(First) + Src]);
            if (Placed)
                for (size_t C = Lo, End = std::min(To.size(), Hi); C < End; ++C)
                    if (To[C].Object) Placed(To[C].Object, Integer(C), First + Integer(J));
            if (Src == I) break;
            J = Src;
        }
    }
    if (!Changed) return;
    Invalidate();
    // As with a text set by the program: the editor of a moved cell shows its new text.
    if (EditorMode() && Row() >= First && size_t(Row() - First) < N && Col() >= FromCol &&
        (ToCol < 0 || Col() <= ToCol) && InplaceEditor() && InplaceEditor()->Text() != CellsRef(Col(), Row()))
        InvalidateEditor();
}

// ---------------------------------------------------------------------------
TGridCoord TStringGridStrings::At(Integer Index) const {
    return FIsRow ? TGridCoord{Index, FIndex} : TGridCoord{FIndex, Index};
}

Integer TStringGridStrings::GetCount() const { return FIsRow ? FGrid->ColCount() : FGrid->RowCount(); }

AnsiString TStringGridStrings::Get(Integer Index) const {
    if (Index < 0 || Index >= GetCount()) throw EStringListError("List index out of bounds (%d)", {Index});
    const TGridCoord C = At(Index);
    return FGrid->Cells(C.X, C.Y);
}

TObject* TStringGridStrings::GetObject(Integer Index) const {
    if (Index < 0 || Index >= GetCount()) throw EStringListError("List index out of bounds (%d)", {Index});
    const TGridCoord C = At(Index);
    return FGrid->Objects(C.X, C.Y);
}

void TStringGridStrings::Put(Integer Index, const AnsiString& S) {
    if (Index < 0 || Index >= GetCount()) throw EStringListError("List index out of bounds (%d)", {Index});
    const TGridCoord C = At(Index);
    FGrid->SetCells(C.X, C.Y, S);
}

void TStringGridStrings::PutObject(Integer Index, TObject* AObject) {
    if (Index < 0 || Index >= GetCount()) throw EStringListError("List index out of bounds (%d)", {Index});
    const TGridCoord C = At(Index);
    FGrid->SetObjects(C.X, C.Y, AObject);
}

// The cells are fixed in number: after Clear, Add fills them in order; otherwise
// it fills the first empty cell after the last one in use.
Integer TStringGridStrings::Add(const AnsiString& S) {
    Integer At = FAddPos;
    if (At < 0) {
        At = GetCount();
        while (At > 0 && Get(At - 1).empty() && !GetObject(At - 1)) --At;
    }
    if (At >= GetCount()) throw EInvalidGridOperation("Grid index out of range");
    Put(At, S);
    FAddPos = At + 1;
    return At;
}

void TStringGridStrings::Clear() {
    for (Integer I = 0; I < GetCount(); ++I) {
        Put(I, AnsiString());
        PutObject(I, nullptr);
    }
    FAddPos = 0;
}

void TStringGridStrings::Delete(Integer Index) {
    throw EInvalidGridOperation("Grid index out of range");
}

void TStringGridStrings::Insert(Integer Index, const AnsiString& S) {
    throw EInvalidGridOperation("Grid index out of range");
}
