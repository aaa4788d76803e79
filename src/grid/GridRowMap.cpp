#include "grid/GridRowMap.h"

#include <algorithm>

Integer TGridRowMap::RealRowIndex(Integer ADisplRow) const {
    if (ADisplRow < 0) return -1;
    Integer R = ADisplRow;
    for (const auto& It : FItems) {
        if (It->Idx <= R) ++R;
        else break;
    }
    return R;
}

Integer TGridRowMap::DisplRowIndex(Integer ARealRow) const {
    Integer Below = 0;
    for (const auto& It : FItems)
        if (It->Idx < ARealRow) ++Below;
    return ARealRow - Below;
}

bool TGridRowMap::IsHiddenRow(Integer ARealRow) const { return HiddenRowItems(ARealRow) != nullptr; }

TStringList* TGridRowMap::HiddenRowItems(Integer ARealRow) const {
    TStringList* Found = nullptr;
    for (const auto& It : FItems)
        if (It->Idx == ARealRow) Found = It->Items.get();
    return Found;
}

AnsiString TGridRowMap::AllCells(Integer ACol, Integer ARealRow) const {
    if (TStringList* L = HiddenRowItems(ARealRow)) return ACol >= 0 && ACol < L->Count() ? L->Strings(ACol) : AnsiString();
    return FGrid->Cells(ACol, DisplRowIndex(ARealRow));
}

std::unique_ptr<TGridItem> TGridRowMap::TakeRow(Integer ADisplRow, Integer ARealRow) {
    auto Item = std::make_unique<TGridItem>();
    Item->Idx = ARealRow;
    Item->Height = FGrid->RowHeights(ADisplRow);
    for (Integer C = 0; C < FGrid->ColCount(); ++C) {
        // Raw slots: the cell's properties travel with the row and come back with it.
        Item->Items->AddObject(FGrid->RawCells(C, ADisplRow), FGrid->RawObjects(C, ADisplRow));
        FGrid->SetRawObjects(C, ADisplRow, nullptr);
    }
    FGrid->DeleteRow(ADisplRow);
    return Item;
}

void TGridRowMap::PutRow(Integer ADisplRow, const TGridItem& Item) {
    for (Integer C = 0; C < FGrid->ColCount(); ++C) {
        const bool Has = C < Item.Items->Count();
        FGrid->SetRawCells(C, ADisplRow, Has ? Item.Items->Strings(C) : AnsiString());
        FGrid->SetRawObjects(C, ADisplRow, Has ? Item.Items->Objects(C) : nullptr);
    }
    FGrid->SetRowHeights(ADisplRow, Item.Height);
}

void TGridRowMap::HideRows(Integer AFromRow, Integer AToRow) {
    if (AFromRow > AToRow) std::swap(AFromRow, AToRow);
    AFromRow = std::max(0, AFromRow);
    bool Any = false;
    // Bottom up, so that the display positions of the rows still to go stay valid.
    for (Integer R = AToRow; R >= AFromRow; --R) {
        if (IsHiddenRow(R)) continue;
        const Integer D = DisplRowIndex(R);
        if (D >= FGrid->RowCount()) continue;
        if (FGrid->RowCount() <= 1) break;   // the framework keeps one row
        auto Item = TakeRow(D, R);
        auto Pos = std::lower_bound(FItems.begin(), FItems.end(), R,
                                    [](const std::unique_ptr<TGridItem>& A, Integer V) { return A->Idx < V; });
        FItems.insert(Pos, std::move(Item));
        Any = true;
    }
    if (Any) Changed();
}

void TGridRowMap::HideRowList(const std::vector<Integer>& AList) {
    std::vector<Integer> Rows = AList;
    std::sort(Rows.begin(), Rows.end());
    Rows.erase(std::unique(Rows.begin(), Rows.end()), Rows.end());
    bool Any = false;
    for (auto It = Rows.rbegin(); It != Rows.rend(); ++It) {
        const Integer D = *It;
        if (D < 0 || D >= FGrid->RowCount() || FGrid->RowCount() <= 1) continue;
        const Integer R = RealRowIndex(D);
        auto Item = TakeRow(D, R);
        auto Pos = std::lower_bound(FItems.begin(), FItems.end(), R,
                                    [](const std::unique_ptr<TGridItem>& A, Integer V) { return A->Idx < V; });
        FItems.insert(Pos, std::move(Item));
        Any = true;
    }
    if (Any) Changed();
}

void TGridRowMap::UnHideRows(Integer AFromRow, Integer AToRow) {
    if (!IsHiddenRow(AFromRow)) return;
    for (size_t I = 0; I < FItems.size();) {
        TGridItem& It = *FItems[I];
        if (It.Idx < AFromRow || It.Idx > AToRow) {
            ++I;
            continue;
        }
        const Integer D = std::min(DisplRowIndex(It.Idx), FGrid->RowCount());
        // Open a row at D: everything from D on moves down by one.
        FGrid->SetRowCount(FGrid->RowCount() + 1);
        for (Integer R = FGrid->RowCount() - 1; R > D; --R) {
            for (Integer C = 0; C < FGrid->ColCount(); ++C) {
                FGrid->SetRawCells(C, R, FGrid->RawCells(C, R - 1));
                FGrid->SetRawObjects(C, R, FGrid->RawObjects(C, R - 1));
            }
            FGrid->SetRowHeights(R, FGrid->RowHeights(R - 1));
        }
        PutRow(D, It);
        FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(I));
    }
    Changed();
}

void TGridRowMap::UnHideRowsAll() {
    if (FItems.empty()) return;
    const Integer OldCount = FGrid->RowCount();
    const Integer NewCount = OldCount + NumHiddenRows();
    FGrid->SetRowCount(NewCount);
    Integer Item = NumHiddenRows() - 1;
    Integer Old = OldCount - 1;
    for (Integer R = NewCount - 1; R >= 0; --R) {
        // An item whose index lies beyond the grid still comes back rather than being lost.
        if (Item >= 0 && (FItems[size_t(Item)]->Idx >= R || Old < 0)) {
            PutRow(R, *FItems[size_t(Item)]);
            --Item;
        } else if (Old >= 0) {
            if (Old != R) {
                for (Integer C = 0; C < FGrid->ColCount(); ++C) {
                    FGrid->SetRawCells(C, R, FGrid->RawCells(C, Old));
                    FGrid->SetRawObjects(C, R, FGrid->RawObjects(C, Old));
                }
                FGrid->SetRowHeights(R, FGrid->RowHeights(Old));
            }
            --Old;
        }
    }
    FItems.clear();
    Changed();
}

void TGridRowMap::ShiftItems(Integer AFromRow, Integer ADelta) {
    for (auto& It : FItems)
        if (It->Idx >= AFromRow) It->Idx += ADelta;
}
