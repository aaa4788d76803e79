#include "grid/ExtGridEditors.h"

#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <QImage>

#include <gtest/gtest.h>

#include <memory>

using namespace uitest;

namespace {

struct TRichForm : TGridOnForm<TExtStringGrid> {
    TRichForm() : TGridOnForm(4, 6) {
        Grid->SetColWidths(1, 200);
        Options({goEditing});
        Grid->OnGetEditorType = [](TObject*, Integer ACol, Integer, TEditorType& E) {
            if (ACol == 1) E = edRichEdit;
        };
        ShowFocused();
    }
    // Pixels of the cell that are plainly of the colour Want (by channel, within 60).
    int CountPixels(Integer ACol, Integer ARow, QColor Want) {
        const QImage Img = Grid->Widget()->grab().toImage();
        const TRect R = Grid->CellRect(ACol, ARow);
        int N = 0;
        for (int Y = R.Top; Y < R.Bottom; ++Y)
            for (int X = R.Left; X < R.Right; ++X) {
                const QColor C = Img.pixelColor(X, Y);
                if (std::abs(C.red() - Want.red()) < 60 && std::abs(C.green() - Want.green()) < 60 &&
                    std::abs(C.blue() - Want.blue()) < 60)
                    ++N;
            }
        return N;
    }
    AnsiString PlainOf(const AnsiString& Rtf) {
        TRichEdit R(nullptr);
        TStringStream S(Rtf);
        R.LoadFromStream(&S);
        return R.Text();
    }
};

const char* const RedWord = "{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}\\fs28\\b\\cf1 KIRMIZI\\cf0  siyah\\par}";

}  // namespace

using ExtGridRich = uitest::TGridFormTest<TRichForm>;

TEST_F(ExtGridRich, ARedWordInAnRtfCellPaintsRed) {
    F.Grid->SetCells(1, 2, RedWord);
    F.Grid->SetCells(1, 3, "KIRMIZI siyah");
    Settle();
    EXPECT_GT(F.CountPixels(1, 2, QColor(255, 0, 0)), 10);
    EXPECT_GT(F.CountPixels(1, 2, QColor(0, 0, 0)), 10);   // the black word too
    EXPECT_EQ(0, F.CountPixels(1, 3, QColor(255, 0, 0)));
}

TEST_F(ExtGridRich, ASelectedRtfCellTakesTheSelectionTextColour) {
    F.Grid->SetSelectionColor(clWhite);
    F.Grid->SetSelectionTextColor(clLime);
    F.Grid->SetCells(1, 2, RedWord);
    F.Grid->SetSelection(TGridRect{1, 1, 1, 2});   // (1, 2) selected, (1, 1) focused
    Settle();
    EXPECT_EQ(0, F.CountPixels(1, 2, QColor(255, 0, 0)));
    EXPECT_GT(F.CountPixels(1, 2, QColor(0, 255, 0)), 10);
    EXPECT_EQ(F.Grid->Cells(1, 2), RedWord);   // only the drawing changes
}

TEST_F(ExtGridRich, RtfTextIsNeverShownAsControlWords) {
    F.Grid->SetCells(1, 2, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 a}");
    F.Grid->SetCells(1, 3, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 }");
    Settle();
    // One letter takes few pixels; the control words would take many.
    EXPECT_LT(F.CountPixels(1, 2, QColor(0, 0, 0)), 60);
    EXPECT_EQ(0, F.CountPixels(1, 3, QColor(0, 0, 0)));
}

TEST_F(ExtGridRich, TypingIntoARichCellStoresRtfOfTheTypedText) {
    G->SetCells(1, 1, "eski");
    TypeText(u"merhaba dünya");
    ASSERT_EQ(G->RichEdit(), G->ActiveEditorControl());
    const TRect Other = G->CellRect(2, 3);
    SystemClick(G, QPoint(Other.Left + 5, Other.Top + 5));
    Settle();
    EXPECT_EQ(nullptr, G->ActiveEditorControl());
    const AnsiString V = G->Cells(1, 1);
    EXPECT_EQ(0u, V.rfind("{\\rtf", 0)) << V;
    EXPECT_EQ(F.PlainOf(V), "merhaba dünya");
}

TEST_F(ExtGridRich, MovingTheCaretInTheRichEditorIsReported) {
    G->SetCells(1, 1, RedWord);
    PressEnter();
    Integer Reports = 0;
    G->OnRichEditSelectionChange = [&](TObject* Sender) { Reports += Sender == G; };
    F.Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_GE(Reports, 1);
}

TEST_F(ExtGridRich, EditingAnRtfCellKeepsItsFormatting) {
    G->SetCells(1, 1, RedWord);
    PressEnter();
    ASSERT_EQ(G->RichEdit(), G->ActiveEditorControl());
    EXPECT_EQ("KIRMIZI siyah", G->RichEdit()->Text());
    const TRect Other = G->CellRect(2, 3);
    SystemClick(G, QPoint(Other.Left + 5, Other.Top + 5));
    Settle();
    EXPECT_EQ("KIRMIZI siyah", F.PlainOf(G->Cells(1, 1)));
    EXPECT_GT(F.CountPixels(1, 1, QColor(255, 0, 0)), 10);
}

TEST_F(ExtGridRich, RowGrowsWhileTypingButNotPastTheBottom) {
    G->SizeWhileTyping()->SetHeight(true);
    std::vector<Integer> Sized;
    G->OnEndRowSize = [&](TObject*, Integer ARow) { Sized.push_back(ARow); };
    const Integer Start = G->RowHeights(1);
    TypeText(u"a");
    ASSERT_EQ(G->RichEdit(), G->ActiveEditorControl());
    EXPECT_TRUE(Sized.empty());
    for (int I = 0; I < 3; ++I) {
        PressEnter();
        TypeText(u"b");
    }
    ASSERT_FALSE(Sized.empty());
    EXPECT_EQ(1, Sized.front());
    EXPECT_GT(G->RowHeights(1), Start);
    EXPECT_EQ(G->RichEdit()->ReqHeight() + 5, G->RowHeights(1));
    for (int I = 0; I < 30; ++I) {
        PressEnter();
        TypeText(u"c");
    }
    EXPECT_LE(G->CellRect(1, 1).Top + G->RowHeights(1), G->ClientHeight());
}

TEST_F(ExtGridRich, EmptyCellAndEmptyContentRoundTrip) {
    TRichEdit R(nullptr);
    R.SetText("x");
    G->CellToRichEdit(0, 5, &R);
    EXPECT_EQ("", R.Text());
    AnsiString V = "dolu";
    G->RichEditToCell(&R, V);
    EXPECT_EQ("", V);
}
