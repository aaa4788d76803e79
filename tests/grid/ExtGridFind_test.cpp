#include "grid/ExtGrid.h"

#include "platform/rtl/CodePage.h"
#include "platform/ui/Forms.h"
#include "platform/ui/SpeedButton.h"
#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

using namespace uitest;

namespace {

struct TFindForm : TGridOnForm<TExtStringGrid> {
    TFindForm() : TGridOnForm(4, 5, 600, 300, 700, 400) {
        const char* Texts[4][3] = {{"Ali", "Kaya", "10"}, {"Veli", "", "20"}, {"ayşe", "Ali Kaya", "30"}, {"Can", "<b>Öz</b>", ""}};
        for (Integer R = 0; R < 4; ++R)
            for (Integer C = 0; C < 3; ++C) Grid->SetCells(C + 1, R + 1, Texts[R][C]);
    }
    TGridCoord Find(TGridCoord From, const AnsiString& Text, Word Flags, Byte Flags2 = 0) {
        return Grid->FindCell(From, Text, Flags, Flags2, false, WideString());
    }
};

constexpr TGridCoord None{-1, -1};

}  // namespace

using ExtGridFind = uitest::TGridFormTest<TFindForm>;

TEST_F(ExtGridFind, ColumnByColumnIgnoringCaseUntilTheLastHit) {
    EXPECT_EQ((TGridCoord{1, 1}), F.Find(None, "ali", 0));
    EXPECT_EQ((TGridCoord{2, 3}), F.Find(TGridCoord{1, 1}, "ali", 0));
    EXPECT_EQ(None, F.Find(TGridCoord{2, 3}, "ali", 0));   // nothing after the last hit
    EXPECT_EQ(None, F.Grid->LastFound());
    EXPECT_EQ((TGridCoord{1, 1}), F.Find(TGridCoord{3, 4}, "ali", 0));   // from the last cell: over again
}

TEST_F(ExtGridFind, FlagsNarrowCaseWholeCellStartAndDirection) {
    EXPECT_EQ(None, F.Find(None, "ali", TExtStringGrid::fnMatchCase | TExtStringGrid::fnCurrentRow));
    EXPECT_EQ((TGridCoord{2, 3}), F.Find(None, "Ali Kaya", TExtStringGrid::fnMatchFull));
    EXPECT_EQ((TGridCoord{2, 1}), F.Find(None, "kaya", TExtStringGrid::fnMatchStart));
    EXPECT_EQ((TGridCoord{2, 3}), F.Find(None, "ali", TExtStringGrid::fnBackward));
    EXPECT_EQ((TGridCoord{1, 3}), F.Find(TGridCoord{1, 1}, "Ş", TExtStringGrid::fnRowByRow));
    EXPECT_EQ((TGridCoord{2, 4}), F.Find(None, "öz", 0, TExtStringGrid::fnStripHTML));
    EXPECT_EQ((TGridCoord{3, 2}), F.Find(None, "2*", TExtStringGrid::fnMatchFilter | TExtStringGrid::fnRowByRow));
}

TEST_F(ExtGridFind, AMergedCellIsFoundOnce) {
    F.Grid->SetCol(2);   // fnCurrentCol: the merge is found in its covered column, once
    F.Grid->MergeCells(1, 1, 2, 2);   // "Ali" covers (2, 1), (1, 2) and (2, 2)
    for (Word Flags : {Word(0), Word(TExtStringGrid::fnRowByRow), Word(TExtStringGrid::fnCurrentCol)})
        EXPECT_EQ((TGridCoord{2, 3}), F.Find(F.Find(None, "ali", Flags), "ali", Flags)) << Flags;
}

TEST_F(ExtGridFind, TwoQuotesFindTheFirstEmptyCell) {
    EXPECT_EQ((TGridCoord{2, 2}), F.Find(None, "\"\"", 0));
}

TEST_F(ExtGridFind, SearchColumnAndActiveColumnLimitTheColumns) {
    F.Grid->SearchFooter()->SetSearchColumn(2);
    EXPECT_EQ((TGridCoord{2, 3}), F.Find(None, "ali", TExtStringGrid::fnSearchColumn));
    F.Grid->SetCol(3);
    EXPECT_EQ(None, F.Find(None, "ali", TExtStringGrid::fnCurrentCol));
    EXPECT_EQ((TGridCoord{3, 1}), F.Find(None, "10", TExtStringGrid::fnCurrentCol | TExtStringGrid::fnGoto));
    EXPECT_EQ(1, F.Grid->Row());
}

TEST_F(ExtGridFind, LookupRowMatchesTheStartOfTheSortColumn) {
    EXPECT_EQ(3, F.Grid->LookupRow("AY"));
    EXPECT_EQ(-1, F.Grid->LookupRow("zz"));
    F.Grid->SortSettings()->SetShow(true);
    F.Grid->SortSettings()->SetColumn(2);
    EXPECT_EQ(4, F.Grid->LookupRow("öz"));
}

TEST_F(ExtGridFind, TypingInTheSearchFooterFindsOrTurnsTheEditRed) {
    F.Grid->SearchFooter()->SetVisible(true);
    F.Form->Show();
    Settle();
    auto* Edit = dynamic_cast<TEdit*>(F.Grid->SearchPanel()->FindComponent("FindEdit"));
    ASSERT_NE(nullptr, Edit);
    EXPECT_TRUE(F.Grid->SearchPanel()->Visible());
    Edit->SetFocus();
    Settle();
    TypeText(u"ve");
    EXPECT_EQ(2, F.Grid->Row());
    EXPECT_EQ(1, F.Grid->Col());
    EXPECT_EQ(clWindow, Edit->Color());
    TypeText(u"x");
    EXPECT_EQ(TColor(0x0000FF), Edit->Color());
    SendKey(FocusTarget(), Qt::Key_Backspace, QString());
    EXPECT_EQ(clWindow, Edit->Color());
    F.Grid->SetWideCell(3, 4, u"\u0141\u011Fr");   // found by its text, not its stored bytes
    Edit->SetText("");
    TypeText(u"\u011Fr");
    EXPECT_EQ((TGridCoord{3, 4}), F.Grid->LastFound());
    F.Grid->Filter()->Add()->SetColumn(3);
    F.Grid->Filter()->Items(0)->SetCondition(WideToAnsi(u"*\u011F*"));
    F.Grid->SetFilterActive(true);
    EXPECT_EQ(2, F.Grid->RowCount());
    auto* Close = dynamic_cast<TSpeedButton*>(F.Grid->SearchPanel()->FindComponent("CloseButton"));
    ASSERT_NE(nullptr, Close);
    Click(Close);
    EXPECT_FALSE(F.Grid->SearchFooter()->Visible());
}

TEST_F(ExtGridFind, FindNextWalksTheHitsAndStopsAfterTheLast) {
    F.Grid->SearchFooter()->SetVisible(true);
    F.Form->Show();
    auto* Edit = dynamic_cast<TEdit*>(F.Grid->SearchPanel()->FindComponent("FindEdit"));
    ASSERT_NE(nullptr, Edit);
    Edit->SetFocus();
    Settle();
    TypeText(u"kaya");
    EXPECT_EQ((TGridCoord{2, 1}), F.Grid->LastFound());
    F.Grid->SearchFooterNext();
    EXPECT_EQ((TGridCoord{2, 3}), F.Grid->LastFound());
    F.Grid->SearchFooterNext();
    EXPECT_EQ(None, F.Grid->LastFound());
    EXPECT_EQ(3, F.Grid->Row());
}

// Flat with the flat look or when following the theme, raised with the classic and XP looks.
TEST_F(ExtGridFind, TheFindBarButtonsAreFlatForTheFlatLookAndTheTheme) {
    F.Grid->SearchFooter()->SetVisible(true);
    for (const auto& [Look, Adapt, Flat] : {std::tuple{csWinXP, false, false}, std::tuple{csFlat, false, true},
                                           std::tuple{csClassic, false, false}, std::tuple{csWinXP, true, true}}) {
        F.Grid->ControlLook()->SetControlStyle(Look);
        F.Grid->SetAutoThemeAdapt(Adapt);
        F.Grid->SearchFooter()->SetShowClose(true);   // the panel is refreshed
        for (const char* Name : {"CloseButton", "FindNextButton", "FindPrevButton", "HighlightButton"})
            EXPECT_EQ(Flat, dynamic_cast<TSpeedButton*>(F.Grid->SearchPanel()->FindComponent(Name))->Flat()) << Name;
    }
}

TEST_F(ExtGridFind, TheFindBarKeepsTheFocusInTheEditAndHighlightStaysDown) {
    F.Grid->SearchFooter()->SetVisible(true);
    F.Form->Show();
    auto* Edit = dynamic_cast<TEdit*>(F.Grid->SearchPanel()->FindComponent("FindEdit"));
    ASSERT_NE(nullptr, Edit);
    auto* Next = dynamic_cast<TSpeedButton*>(F.Grid->SearchPanel()->FindComponent("FindNextButton"));
    auto* High = dynamic_cast<TSpeedButton*>(F.Grid->SearchPanel()->FindComponent("HighlightButton"));
    Edit->SetFocus();
    Settle();
    TypeText(u"kaya");
    EXPECT_EQ((TGridCoord{2, 1}), F.Grid->LastFound());
    SystemClick(Next);
    EXPECT_EQ((TGridCoord{2, 3}), F.Grid->LastFound());
    EXPECT_TRUE(Edit->Focused());   // typing can go on
    SystemClick(High);
    EXPECT_EQ(bsDown, High->State());
    SystemClick(High);
    EXPECT_EQ(bsUp, High->State());
}

TEST_F(ExtGridFind, TheFindBarButtonsTellThePanelAfterTheirStep) {
    F.Grid->SearchFooter()->SetVisible(true);
    F.Form->Show();
    TSearchPanel* P = F.Grid->SearchPanel();
    std::string Log;
    P->OnForwardClick = P->OnBackwardClick = [&](TObject*) { Log += std::to_string(F.Grid->LastFound().Y); };
    P->OnHighlightClick = P->OnExitClick = [&](TObject*) { Log += F.Grid->SearchFooter()->Visible() ? "s" : "h"; };
    dynamic_cast<TEdit*>(P->FindComponent("FindEdit"))->SetText("kaya");
    for (const char* Name : {"FindNextButton", "FindPrevButton", "HighlightButton", "CloseButton"})
        SystemClick(dynamic_cast<TSpeedButton*>(P->FindComponent(Name)));
    EXPECT_EQ("31sh", Log);
}

TEST_F(ExtGridFind, TheFindBarPaintsItsGradientAndFollowsItsSettingsWhileShown) {
    F.Grid->SearchFooter()->SetColorTo(clNavy);
    F.Grid->SearchFooter()->SetVisible(true);
    F.Form->Show();
    const QImage I = F.Grid->SearchPanel()->Widget()->grab().toImage();
    EXPECT_EQ(clWhite, PixelAt(I, 2, 0));
    EXPECT_LT(GetRValue(PixelAt(I, 2, I.height() - 1)), 16);   // the last of 32 steps toward navy
    auto* Next = dynamic_cast<TSpeedButton*>(F.Grid->SearchPanel()->FindComponent("FindNextButton"));
    F.Grid->SearchFooter()->SetFindNextCaption("Sonraki");
    EXPECT_TRUE(Next->Caption() == "Sonraki" && !Next->Glyph()->Empty());
    F.Grid->SearchFooter()->Font()->SetSize(14);   // a change inside the font
    EXPECT_EQ(14, Next->Font()->Size());
}

TEST_F(ExtGridFind, WithHighlightDownTheSearchMatchesTheCellsOwnTexts) {
    F.Grid->SearchFooter()->SetVisible(true);
    F.Form->Show();
    auto* Edit = dynamic_cast<TEdit*>(F.Grid->SearchPanel()->FindComponent("FindEdit"));
    Edit->SetFocus();
    Settle();
    TypeText(u"a");
    SystemClick(dynamic_cast<TSpeedButton*>(F.Grid->SearchPanel()->FindComponent("HighlightButton")));
    TypeText(u"l");   // "<hi>A</hi>li" holds no "al" as text
    EXPECT_EQ((TGridCoord{1, 1}), F.Grid->LastFound());
    EXPECT_EQ(clWindow, Edit->Color());
}

// Whatever ends the bar's highlighting (close, Escape, a new text) takes the tags out of the cells,
// also out of a row a contracted node (close) or a filter (Escape) hid after they went in.
TEST(ExtGridFindBar, EveryEndOfTheHighlightingTakesTheTagsOut) {
    for (int Road = 0; Road < 3; ++Road) {
        TFindForm F;
        F.Grid->SearchFooter()->SetVisible(true);
        F.Grid->SearchFooter()->SetAutoSearch(Road != 2);
        F.Form->Show();
        auto Button = [&](const char* Name) { return dynamic_cast<TSpeedButton*>(F.Grid->SearchPanel()->FindComponent(Name)); };
        dynamic_cast<TEdit*>(F.Grid->SearchPanel()->FindComponent("FindEdit"))->SetFocus();
        TypeText(u"al");
        SystemClick(Button("HighlightButton"));
        ASSERT_EQ("<hi>Al</hi>i", F.Grid->Cells(1, 1)) << Road;
        if (Road == 0) F.Grid->AddNode(2, 2), F.Grid->ContractNode(2);
        if (Road == 1) F.Grid->Filter()->Add()->SetCondition("<25"), F.Grid->Filter()->Items(0)->SetColumn(3), F.Grid->SetFilterActive(true);
        ASSERT_TRUE(Road == 2 || F.Grid->IsHiddenRow(3)) << Road;
        Road == 0 ? SystemClick(Button("CloseButton")) : Road == 1 ? F.Key(Qt::Key_Escape, Qt::NoModifier, "\x1b") : TypeText(u"i");
        F.Grid->SetFilterActive(false);
        if (Road == 0) F.Grid->ExpandNode(2);
        EXPECT_TRUE(F.Grid->Cells(1, 1) == "Ali" && F.Grid->Cells(2, 3) == "Ali Kaya" && Button("HighlightButton")->State() == bsUp) << Road;
    }
}

// The bar is docked inside the grid at its bottom, under the cells, and follows the
// grid's size; also when it was switched on before the grid had a parent.
TEST(ExtGridFindBar, TheFindBarIsDockedAtTheBottomInsideTheGrid) {
    TForm Form(nullptr);
    auto* G = new TExtStringGrid(&Form);
    G->SetColCount(3);   // no horizontal scroll bar
    G->SearchFooter()->SetVisible(true);
    G->SetParent(&Form);
    Form.Show();
    TSearchPanel* P = G->SearchPanel();
    for (const TRect& B : {Rect(10, 10, 400, 200), Rect(40, 60, 300, 250)}) {
        G->SetBounds(B.Left, B.Top, B.Right, B.Bottom);
        Settle();
        EXPECT_TRUE(P->Visible() && P->Parent() == G && P->Width() == G->ClientWidth());
        EXPECT_EQ(G->ClientHeight(), P->Top());   // the cells end where the bar begins
        EXPECT_EQ(G->Height() - 4, P->Top() + 32);   // inside the two-pixel frame
    }
}
