// Hidden rows and the map between display rows and real rows.
#include "grid/GridRowMap.h"

#include <algorithm>

// Items are kept in ascending Idx without duplicates, so item i has exactly i
// hidden rows before it and sits before display row Idx - i: every lookup is a
// binary search and every bulk change one pass over the rows.
namespace {

// The cells of a hidden row from AFrom on know their new column.
void RenumberCols(TStringList* L, Integer AFrom) {
    for (Integer C = std::max(0, AFrom); C < L->Count(); ++C)
        if (auto* P = dynamic_cast<TCellProperties*>(L->Objects(C))) P->SetOwnerCol(C);
}

using TItems = std::vector<std::unique_ptr<TGridItem>>;

TItems::const_iterator FirstAtOrAfter(const TItems& Items, Integer ARealRow) {
    return std::lower_bound(Items.begin(), Items.end(), ARealRow,
                            [](const std::unique_ptr<TGridItem>& A, Integer V) { return A->Idx < V; });
}

}  // namespace

Integer TGridRowMap::RealRowIndex(Integer ADisplRow) const {
    if (ADisplRow < 0) return -1;
    // Hidden rows that lie before the display row: those whose gap is at or above it.
    Integer Lo = 0, Hi = NumHiddenRows();
    while (Lo < Hi) {
        const Integer Mid = (Lo + Hi) / 2;
        if (FItems[size_t(Mid)]->Idx - Mid <= ADisplRow) Lo = Mid + 1;
        else Hi = Mid;
    }
    return ADisplRow + Lo;
}

Integer TGridRowMap::DisplRowIndex(Integer ARealRow) const {
    return ARealRow - Integer(FirstAtOrAfter(FItems, ARealRow) - FItems.begin());
}

bool TGridRowMap::IsHiddenRow(Integer ARealRow) const { return HiddenRowItems(ARealRow) != nullptr; }

TStringList* TGridRowMap::HiddenRowItems(Integer ARealRow) const {
    const auto It = FirstAtOrAfter(FItems, ARealRow);
    return It != FItems.end() && (*It)->Idx == ARealRow ? (*It)->Items.get() : nullptr;
}

AnsiString TGridRowMap::AllCells(Integer ACol, Integer ARealRow) const {
    if (TStringList* L = HiddenRowItems(ARealRow)) return ACol >= 0 && ACol < L->Count() ? L->Strings(ACol) : AnsiString();
    return FGrid->Cells(ACol, DisplRowIndex(ARealRow));
}

void TGridRowMap::MoveRow(Integer AFrom, Integer ATo) {
    for (Integer C = 0; C < FGrid->ColCount(); ++C) {
        TObject* O = FGrid->RawObjects(C, AFrom);
        FGrid->SetRawCells(C, ATo, FGrid->RawCells(C, AFrom));
        FGrid->SetRawObjects(C, ATo, O);
        if (auto* P = dynamic_cast<TCellProperties*>(O)) P->SetOwnerRow(ATo);
    }
    FGrid->SetRowHeights(ATo, FGrid->RowHeights(AFrom));
}

void TGridRowMap::PutRow(Integer ADisplRow, const TGridItem& Item) {
    for (Integer C = 0; C < FGrid->ColCount(); ++C) {
        const bool Has = C < Item.Items->Count();
        TObject* O = Has ? Item.Items->Objects(C) : nullptr;
        FGrid->SetRawCells(C, ADisplRow, Has ? Item.Items->Strings(C) : AnsiString());
        FGrid->SetRawObjects(C, ADisplRow, O);
        if (auto* P = dynamic_cast<TCellProperties*>(O)) P->SetOwnerRow(ADisplRow);
    }
    FGrid->SetRowHeights(ADisplRow, Item.Height);
}

bool TGridRowMap::TakeRows(std::vector<Integer> ADisplRows) {
    std::sort(ADisplRows.begin(), ADisplRows.end());
    ADisplRows.erase(std::unique(ADisplRows.begin(), ADisplRows.end()), ADisplRows.end());
    ADisplRows.erase(std::remove_if(ADisplRows.begin(), ADisplRows.end(),
                                    [this](Integer D) { return D < 0 || D >= FGrid->RowCount(); }),
                     ADisplRows.end());
    // The framework keeps one row: the topmost listed rows stay.
    const Integer Count = FGrid->RowCount();
    if (Integer(ADisplRows.size()) >= Count)
        ADisplRows.erase(ADisplRows.begin(), ADisplRows.begin() + (Integer(ADisplRows.size()) - Count + 1));
    if (ADisplRows.empty()) return false;

    TItems Taken;
    Taken.reserve(ADisplRows.size());
    for (Integer D : ADisplRows) {
        auto Item = std::make_unique<TGridItem>();
        Item->Idx = RealRowIndex(D);
        Taken.push_back(std::move(Item));
    }
    // One pass: listed rows go into their items, the others close up.
    size_t Next = 0;
    Integer Write = ADisplRows.front();
    for (Integer D = ADisplRows.front(); D < Count; ++D) {
        if (Next < ADisplRows.size() && ADisplRows[Next] == D) {
            TGridItem& Item = *Taken[Next++];
            Item.Height = FGrid->RowHeights(D);
            // Raw slots: the cell's properties travel with the row and come back with it.
            for (Integer C = 0; C < FGrid->ColCount(); ++C)
                Item.Items->AddObject(FGrid->RawCells(C, D), FGrid->RawObjects(C, D));
            continue;
        }
        MoveRow(D, Write++);
    }
    // The slots left below now belong to moved or hidden rows: they must not be freed with the rows.
    for (Integer D = Write; D < Count; ++D)
        for (Integer C = 0; C < FGrid->ColCount(); ++C) FGrid->SetRawObjects(C, D, nullptr);
    FGrid->SetRowCount(Write);

    TItems Merged;
    Merged.reserve(FItems.size() + Taken.size());
    std::merge(std::make_move_iterator(FItems.begin()), std::make_move_iterator(FItems.end()),
               std::make_move_iterator(Taken.begin()), std::make_move_iterator(Taken.end()),
               std::back_inserter(Merged),
               [](const std::unique_ptr<TGridItem>& A, const std::unique_ptr<TGridItem>& B) { return A->Idx < B->Idx; });
    FItems = std::move(Merged);
    return true;
}

void TGridRowMap::PutBack(size_t AFirst, size_t ALast) {
    if (AFirst >= ALast) return;
    const Integer OldCount = FGrid->RowCount();
    const Integer NewCount = OldCount + Integer(ALast - AFirst);
    FGrid->SetRowCount(NewCount);
    // Item i comes back at Idx - AFirst: the items before AFirst stay hidden.
    Integer Item = Integer(ALast) - 1;
    Integer Old = OldCount - 1;
    for (Integer R = NewCount - 1; R >= 0 && (Item >= Integer(AFirst) || Old != R); --R) {
        // An item whose index lies beyond the grid still comes back rather than being lost.
        if (Item >= Integer(AFirst) && (FItems[size_t(Item)]->Idx - Integer(AFirst) >= R || Old < 0)) {
            PutRow(R, *FItems[size_t(Item)]);
            --Item;
        } else if (Old >= 0) {
            MoveRow(Old, R);
            --Old;
        }
    }
    FItems.erase(FItems.begin() + std::ptrdiff_t(AFirst), FItems.begin() + std::ptrdiff_t(ALast));
}

void TGridRowMap::HideRows(Integer AFromRow, Integer AToRow) {
    if (AFromRow > AToRow) std::swap(AFromRow, AToRow);
    AFromRow = std::max(0, AFromRow);
    std::vector<Integer> Displ;
    for (Integer R = AFromRow; R <= AToRow; ++R) {
        if (IsHiddenRow(R)) continue;
        const Integer D = DisplRowIndex(R);
        if (D >= FGrid->RowCount()) break;
        Displ.push_back(D);
    }
    if (TakeRows(std::move(Displ))) Changed();
}

void TGridRowMap::HideRowList(const std::vector<Integer>& AList) {
    if (TakeRows(AList)) Changed();
}

void TGridRowMap::UnHideRows(Integer AFromRow, Integer AToRow) {
    if (!IsHiddenRow(AFromRow)) return;
    const size_t First = size_t(FirstAtOrAfter(FItems, AFromRow) - FItems.begin());
    const size_t Last = size_t(FirstAtOrAfter(FItems, AToRow + 1) - FItems.begin());
    PutBack(First, Last);
    Changed();
}

void TGridRowMap::UnHideRowsAll() {
    if (FItems.empty()) return;
    PutBack(0, FItems.size());
    Changed();
}

void TGridRowMap::RowsInserted(Integer ADisplRow, Integer ACount) {
    if (ACount <= 0) return;
    // Hidden rows right above the new rows stay with the row above them.
    for (size_t I = 0; I < FItems.size(); ++I)
        if (FItems[I]->Idx - Integer(I) > ADisplRow) FItems[I]->Idx += ACount;
}

void TGridRowMap::RowsRemoved(Integer ADisplRow, Integer ACount) {
    if (ACount <= 0) return;
    for (size_t I = 0; I < FItems.size(); ++I) {
        const Integer Gap = FItems[I]->Idx - Integer(I);
        FItems[I]->Idx -= std::clamp(Gap - ADisplRow, 0, ACount);
    }
}

void TGridRowMap::ColsInserted(Integer ACol, Integer ACount) {
    if (ACount <= 0 || ACol < 0) return;
    for (const auto& It : FItems) {
        TStringList* L = It->Items.get();
        if (ACol > L->Count()) continue;
        for (Integer I = 0; I < ACount; ++I) L->InsertObject(ACol, AnsiString(), nullptr);
        RenumberCols(L, ACol);
    }
}

std::vector<TObject*> TGridRowMap::ColsRemoved(Integer ACol, Integer ACount) {
    std::vector<TObject*> Removed;
    if (ACount <= 0 || ACol < 0) return Removed;
    for (const auto& It : FItems) {
        TStringList* L = It->Items.get();
        for (Integer I = 0; I < ACount && ACol < L->Count(); ++I) {
            if (TObject* O = L->Objects(ACol)) Removed.push_back(O);
            L->Delete(ACol);
        }
        RenumberCols(L, ACol);
    }
    return Removed;
}

void TGridRowMap::ColMoved(Integer AFrom, Integer ATo) {
    if (AFrom == ATo || AFrom < 0 || ATo < 0) return;
    for (const auto& It : FItems) {
        TStringList* L = It->Items.get();
        // A row hidden before the grid had these columns gets them empty first.
        while (L->Count() <= std::max(AFrom, ATo)) L->AddObject(AnsiString(), nullptr);
        L->Move(AFrom, ATo);
        RenumberCols(L, std::min(AFrom, ATo));
    }
}

std::vector<TObject*> TGridRowMap::TakeAllObjects() {
    std::vector<TObject*> Objects;
    for (const auto& It : FItems)
        for (Integer C = 0; C < It->Items->Count(); ++C)
            if (TObject* O = It->Items->Objects(C)) Objects.push_back(O);
    FItems.clear();
    return Objects;
}
