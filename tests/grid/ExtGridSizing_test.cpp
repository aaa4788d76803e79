#include "grid/ExtGrid.h"

#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

std::unique_ptr<TExtStringGrid> Filled() {
    auto G = std::make_unique<TExtStringGrid>(nullptr);
    G->SetColCount(4);
    G->SetRowCount(4);
    for (Integer R = 0; R < 4; ++R)
        for (Integer C = 0; C < 4; ++C) G->SetCells(C, R, IntToStr(C) + IntToStr(R));
    return G;
}

}  // namespace

TEST(ExtGridSizing, SelectionAsTextJoinsCellsWithoutAFinalLineEnd) {
    auto G = Filled();
    G->SetSelection(TGridRect{1, 1, 2, 2});
    EXPECT_EQ("11\t21\r\n12\t22", G->SelectionAsText());
    G->MouseActions()->SetDisjunctRowSelect(true);
    G->SetRowSelected(3, true);
    G->SetRowSelected(1, true);
    G->SetSelection(TGridRect{1, 1, 1, 1});
    EXPECT_EQ("11\r\n13", G->SelectionAsText());
}

TEST(ExtGridSizing, FixedCellsAreNeverSelected) {
    auto G = Filled();
    G->SetSelection(TGridRect{1, 1, 2, 2});
    EXPECT_TRUE(G->IsCellSelected(2, 2));
    EXPECT_FALSE(G->IsCellSelected(3, 2));
    EXPECT_FALSE(G->IsCellSelected(0, 1));
    G->MouseActions()->SetDisjunctColSelect(true);
    G->SetColSelected(3, true);
    EXPECT_TRUE(G->IsCellSelected(3, 1));
    EXPECT_FALSE(G->IsCellSelected(3, 0));
}

TEST(ExtGridSizing, FooterTemplatesTakeCellsOfTheCurrentRow) {
    auto G = Filled();
    G->SetRow(2);
    EXPECT_EQ("Toplam 32", G->ExpandFooterTemplate("Toplam <#3>"));
    EXPECT_EQ("a  b", G->ExpandFooterTemplate("a <#x> b"));
    EXPECT_EQ("<#1", G->ExpandFooterTemplate("<#1"));
    // A plain cell keeps its own "<" and "&" in the marked-up template; a marked-up cell its tags.
    G->SetCells(3, 2, "a<b & &lt;");
    EXPECT_EQ("[a&lt;b &amp; &amp;lt;]", G->ExpandFooterTemplate("[<#3>]"));
    G->SetCells(3, 2, "<B>7</B>");
    EXPECT_EQ("[<B>7</B>]", G->ExpandFooterTemplate("[<#3>]"));
}

TEST(ExtGridSizing, RowHeightsFollowTheirText) {
    auto G = Filled();
    G->SetMultilinecells(true);
    G->SetCells(1, 2, "one\r\ntwo\r\nthree");
    G->SizeRowToContent(2, false);
    EXPECT_GT(G->RowHeights(2), G->RowHeights(3));
    G->SizeRowToTextHeight(1, 3, 0);
    EXPECT_GT(G->RowHeights(1), G->RowHeights(3));
    G->SetRowHeights(2, 200);
    G->SizeRowToContent(2, true);
    EXPECT_EQ(200, G->RowHeights(2));
}

namespace {

// A grid on a form: the stretch needs a client width.
struct TStretchForm : uitest::TGridOnForm<TExtStringGrid> {
    TStretchForm() : TGridOnForm(4, Keep, 400, 200) {
        Grid->SetScrollBars(ssNone);
        Grid->SetDefaultColWidth(50);
        Form->Show();
        QApplication::processEvents();
    }
    Integer Total() const {
        Integer W = 0;
        for (Integer C = 0; C < Grid->ColCount(); ++C) W += Grid->ColWidths(C);
        return W;
    }
};

}  // namespace

TEST(ExtGridSizing, StretchColumnFillsTheClientWidth) {
    TStretchForm F;
    TExtStringGrid* G = F.Grid;
    const Integer Client = G->ClientWidth();
    G->StretchColumn(-1);
    EXPECT_EQ(Client - 150 - 1, G->ColWidths(3));
    G->StretchColumn(1);
    EXPECT_EQ(Client - G->ColWidths(0) - G->ColWidths(2) - G->ColWidths(3) - 1, G->ColWidths(1));
    EXPECT_EQ(Client - 1, F.Total());
    // Other columns wider than the client: the default width.
    G->SetColWidths(0, Client);
    G->StretchColumn(2);
    EXPECT_EQ(G->DefaultColWidth(), G->ColWidths(2));
    // One column takes the whole client width.
    G->SetFixedCols(0);
    G->SetColCount(1);
    G->StretchColumn(-1);
    EXPECT_EQ(Client, G->ColWidths(0));
}

TEST(ExtGridSizing, StretchColumnPastTheColumnsRaises) {
    TStretchForm F;
    TExtStringGrid* G = F.Grid;
    for (Integer Bad : {4, 99, -2}) {
        try {
            G->StretchColumn(Bad);
            ADD_FAILURE() << Bad;
        } catch (const EExtGridError& E) {
            EXPECT_STREQ("Stretch column index out of range", E.what()) << Bad;
        }
    }
    EXPECT_EQ(50, G->ColWidths(3));
}

TEST(ExtGridSizing, WithStretchOnTheColumnFollowsResizesAndWidthChanges) {
    TStretchForm F;
    TExtStringGrid* G = F.Grid;
    G->ColumnSize()->SetStretchColumn(1);
    G->ColumnSize()->SetStretch(true);
    EXPECT_EQ(G->ClientWidth() - 1, F.Total());
    G->SetBounds(0, 0, 500, 200);
    QApplication::processEvents();
    EXPECT_EQ(G->ClientWidth() - 1, F.Total());
    G->SetColWidths(3, 80);
    EXPECT_EQ(80, G->ColWidths(3));
    EXPECT_EQ(G->ClientWidth() - 1, F.Total());
    // Without the option nothing follows.
    G->ColumnSize()->SetStretch(false);
    const Integer Before = G->ColWidths(1);
    G->SetBounds(0, 0, 300, 200);
    QApplication::processEvents();
    EXPECT_EQ(Before, G->ColWidths(1));
}

// A column sized to its content takes what is painted: a rich-text cell's words, not its
// markup; a turned text by the box it turns into.
TEST(ExtGridSizing, ColumnsSizeToTheCellsAsPainted) {
    auto G = Filled();
    TBitmap B;
    B.SetSize(1, 1);
    B.Canvas()->Font()->Assign(G->Font());
    const Integer LongW = B.Canvas()->TextWidth("a heading of some length"), HiW = B.Canvas()->TextWidth("Hi");
    G->SetCells(1, 1, "{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}\\cf1 Hi\\par}");
    G->SetCells(2, 1, "a heading of some length");
    G->CreateCellGraphic(2, 1)->SetCellType(ctRotated);
    G->GetCellGraphic(2, 1)->SetCellAngle(90);
    G->SizeColumnsToContent(false, 0);
    G->SizeRowToContent(1, false);
    EXPECT_TRUE(G->ColWidths(1) >= HiW && G->ColWidths(1) < HiW + 40) << G->ColWidths(1);
    EXPECT_LT(G->ColWidths(2), LongW / 2);
    EXPECT_GE(G->RowHeights(1), LongW);
}

// Until the grid is loaded automatic sizing has no bounds; then rows keep at least the
// default row height and columns (sized with an extra width) at least 10 pixels.
TEST(ExtGridSizing, LoadedSetsTheAutomaticSizingMinimums) {
    TExtStringGrid G(nullptr);   // empty cells in a small font
    G.Font()->SetSize(4);
    for (const bool Loaded : {false, true}) {
        if (Loaded) G.Loaded();
        G.SizeRowToContent(1, false);
        G.SizeColumnsToContent(false, 1);
        EXPECT_EQ(Loaded, G.RowHeights(1) == G.DefaultRowHeight()) << Loaded;
        EXPECT_EQ(Loaded, G.ColWidths(1) == 10) << Loaded;
    }
}

TEST(ExtGridSizing, ASizingLetGoOutsideTheGridIsUndone) {
    TStretchForm F;
    F.Options({goColSizing, goRowSizing});
    Integer Ended = 0;
    F.Grid->OnEndColumnSize = [&](TObject*, Integer) { ++Ended; };
    F.Grid->OnEndRowSize = [&](TObject*, Integer) { ++Ended; };
    auto Drag = [&](QPoint From, QPoint To) {
        for (auto T : {QEvent::MouseButtonPress, QEvent::MouseMove, QEvent::MouseButtonRelease})
            uitest::LeftMouse(F.Grid->Widget(), T, T == QEvent::MouseButtonPress ? From : To);
    };
    const QPoint Col(F.Grid->CellRect(1, 0).Right, 10), Row(10, F.Grid->CellRect(0, 2).Bottom);
    const Integer Height = F.Grid->RowHeights(2);
    Drag(Col, QPoint(F.Grid->ClientWidth() + 40, 10));
    Drag(Row, QPoint(10, F.Grid->ClientHeight() + 30));
    Drag(Col, Col + QPoint(20, 0));   // inside the grid the sizing holds
    EXPECT_EQ((std::vector<Integer>{70, Height, 1}), (std::vector<Integer>{F.Grid->ColWidths(1), F.Grid->RowHeights(2), Ended}));
}
