#pragma once
// What the grid fuzz targets share: an application without a screen, a grid with cells,
// merges and footers to take the input, and a paint of the whole grid after it.
#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QImage>
#include <QWidget>

#include "grid/ExtGrid.h"

namespace gridfuzz {

inline TExtStringGrid* Grid();
inline void Paint(TExtStringGrid* G);

// Qt's and the font library's caches are filled once here, so that an input that leaks
// nothing allocates no more than it frees (the leak check then stays out of the way).
inline void Init(int* Argc, char*** Argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    new QApplication(*Argc, *Argv);
    for (int I = 0; I < 2; ++I) Paint(Grid());
}

// One grid for every input, made again as a screen has it: fixed cells, a merge, a footer
// row, editing and growing on. ClearAll leaves nothing of the last input behind.
inline TExtStringGrid* Grid() {
    static TExtStringGrid* G = [] {
        auto* N = new TExtStringGrid(nullptr);
        N->SetBounds(0, 0, 320, 200);
        N->SetMultilinecells(true);
        TGridOptions O = N->Options();
        O.Include(goEditing);
        N->SetOptions(O);
        N->Navigation()->SetAllowFmtClipboard(true);
        N->Navigation()->SetAllowClipboardColGrow(true);
        N->Navigation()->SetAllowClipboardRowGrow(true);
        return N;
    }();
    G->SetFixedFooters(0);
    G->ClearAll();
    G->SetColCount(6);
    G->SetRowCount(8);
    for (Integer C = 0; C < 6; ++C) G->SetColWidths(C, G->DefaultColWidth());
    for (Integer R = 0; R < 8; ++R) G->SetRowHeights(R, G->DefaultRowHeight());
    for (Integer R = 1; R < 7; ++R)
        for (Integer C = 1; C < 6; ++C) G->SetCells(C, R, IntToStr(C * R));
    G->MergeCells(2, 2, 2, 2);
    G->SetFixedFooters(1);
    G->SetTopRow(G->FixedRows());
    G->SetLeftCol(G->FixedCols());
    return G;
}

// Every cell of the grid painted, scrolled to its end as well.
inline void Paint(TExtStringGrid* G) {
    QImage Image(320, 200, QImage::Format_ARGB32);
    G->Widget()->render(&Image);
    G->SetTopRow(std::max(G->FixedRows(), G->RowCount() - 1));
    G->SetLeftCol(std::max(G->FixedCols(), G->ColCount() - 1));
    G->Widget()->render(&Image);
}

}  // namespace gridfuzz
