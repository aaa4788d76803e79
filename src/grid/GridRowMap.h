#pragma once
// Hidden rows of a grid and the map between display rows (the framework grid's
// rows) and real rows (the same rows as if nothing were hidden). A hidden row
// leaves the framework grid; its texts and per-cell objects (properties included)
// wait in a TGridItem until the row is shown again.
#include "grid/BaseGrid.h"

#include <functional>
#include <memory>
#include <vector>

class TGridItem : public TObject {
public:
    Integer Idx = 0;      // real row index
    Integer Height = 0;   // row height when hidden
    std::unique_ptr<TStringList> Items = std::make_unique<TStringList>();   // one entry per column
};

class TGridRowMap : public TObject {
public:
    explicit TGridRowMap(TBaseGrid* AGrid) : FGrid(AGrid) {}

    // -1 for a negative argument.
    Integer RealRowIndex(Integer ADisplRow) const;
    Integer DisplRowIndex(Integer ARealRow) const;
    bool IsHiddenRow(Integer ARealRow) const;
    Integer NumHiddenRows() const { return Integer(FItems.size()); }
    TStringList* HiddenRowItems(Integer ARealRow) const;   // nullptr when the row is shown
    AnsiString AllCells(Integer ACol, Integer ARealRow) const;

    // Real rows; rows hidden already are skipped.
    void HideRows(Integer AFromRow, Integer AToRow);
    // Display rows, ascending; each is recorded under its real index.
    void HideRowList(const std::vector<Integer>& AList);
    // Only when AFromRow itself is hidden.
    void UnHideRows(Integer AFromRow, Integer AToRow);
    void UnHideRowsAll();

    // The grid inserted or removed display rows: the hidden rows after them move
    // with them, so they come back in the right place.
    void RowsInserted(Integer ADisplRow, Integer ACount);
    void RowsRemoved(Integer ADisplRow, Integer ACount);
    // The grid inserted, removed or moved columns: the hidden rows' cells follow.
    // ColsRemoved hands back the removed cells' objects for the grid to free.
    void ColsInserted(Integer ACol, Integer ACount);
    std::vector<TObject*> ColsRemoved(Integer ACol, Integer ACount);
    void ColMoved(Integer AFrom, Integer ATo);
    // Drops every hidden row and hands back its cells' objects (the grid is going).
    std::vector<TObject*> TakeAllObjects();

    // After every change of the row set (footer and scroll refresh).
    std::function<void()> OnChanged;

private:
    // Takes the listed display rows out of the grid; false when none was taken.
    bool TakeRows(std::vector<Integer> ADisplRows);
    // Shows items AFirst .. ALast - 1 again.
    void PutBack(size_t AFirst, size_t ALast);
    void MoveRow(Integer AFrom, Integer ATo);
    void PutRow(Integer ADisplRow, const TGridItem& Item);
    void Changed() { if (OnChanged) FireEvent(OnChanged); }
    TBaseGrid* FGrid;
    std::vector<std::unique_ptr<TGridItem>> FItems;   // ascending Idx, no two alike
};
