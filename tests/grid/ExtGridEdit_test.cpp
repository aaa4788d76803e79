#include "grid/ExtGrid.h"
#include "grid/ExtGridEditors.h"
#include "grid/ExtGridInplace.h"
#include "grid/ExtUtil.h"

#include "grid/GridTestKit.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/Forms.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

using namespace gridtest;
using namespace uitest;

namespace {

struct TEditForm : TEditingGrid {
    TEditForm() : TEditingGrid(5, 6) {}
};

}  // namespace

TEST(ExtGridEdit, TypingOpensTheEditorAndEnterStores) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "old");
    TypeText(u"ab");
    ASSERT_TRUE(G->EditorMode());
    EXPECT_EQ("ab", G->InplaceEditor()->Text());
    PressEnter();
    EXPECT_FALSE(G->EditorMode());
    EXPECT_EQ("ab", G->Cells(1, 1));
}

TEST(ExtGridEdit, EscapeRestoresTheTextBeforeEditing) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "keep");
    TypeText(u"xyz");
    ASSERT_TRUE(G->EditorMode());
    PressEscape();
    EXPECT_FALSE(G->EditorMode());
    EXPECT_EQ("keep", G->Cells(1, 1));
}

// Cleared with the cursor still on the cell, the flag no longer holds: a key or a click edits it.
TEST(ExtGridEdit, ReadOnlyCellOpensNoEditorUntilItsFlagIsCleared) {
    const std::function<void(TEditForm&)> Roads[] = {
        [](TEditForm&) { TypeText(u"q"); }, [](TEditForm& F) { F.Key(Qt::Key_F2); },
        [](TEditForm& F) { F.Key(Qt::Key_Return); }, [](TEditForm& F) { Click(F.Grid, F.Centre(1, 1)); }};
    for (const auto& Road : Roads) {
        TEditForm F;
        TExtStringGrid* G = F.Grid;
        G->SetCells(1, 1, "fixed");
        G->SetReadOnly(1, 1, true);
        F.Key(Qt::Key_Right), F.Key(Qt::Key_Left);   // the cursor arrives on it
        TypeText(u"q");
        EXPECT_FALSE(G->EditorMode());
        EXPECT_EQ("fixed", G->Cells(1, 1));
        G->SetReadOnly(1, 1, false);
        Road(F);
        EXPECT_TRUE(G->EditorMode()) << &Road - Roads;
    }
}

TEST(ExtGridEdit, RefusedValueGoesBackAndTheEditorReopens) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "10");
    std::vector<std::string> Seen;
    G->OnCellValidate = [&](TObject*, Integer ACol, Integer ARow, AnsiString& Value, bool& Valid) {
        Seen.push_back(Value);
        EXPECT_EQ(1, ACol);
        EXPECT_EQ(1, ARow);
        Valid = Value != "bad";
    };
    TypeText(u"bad");
    PressEnter();
    ASSERT_EQ(1u, Seen.size());
    EXPECT_EQ("10", G->Cells(1, 1));
    EXPECT_TRUE(G->EditorMode());
    EXPECT_EQ(1, G->Col());
    EXPECT_EQ(1, G->Row());
    // The handler's own value is stored as given.
    G->OnCellValidate = [&](TObject*, Integer, Integer, AnsiString& Value, bool& Valid) {
        Value = "fixed";
        Valid = false;
    };
    G->InplaceEditor()->SetText("other");
    PressEnter();
    EXPECT_EQ("fixed", G->Cells(1, 1));
}

TEST(ExtGridEdit, UnchangedValueFiresNoValidation) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "same");
    Integer Calls = 0;
    G->OnCellValidate = [&](TObject*, Integer, Integer, AnsiString&, bool&) { ++Calls; };
    F.Key(Qt::Key_F2);
    ASSERT_TRUE(G->EditorMode());
    PressEnter();
    EXPECT_EQ(0, Calls);
    EXPECT_EQ("same", G->Cells(1, 1));
}

TEST(ExtGridEdit, LeavingACellValidatesBeforeTheMoveAndEventsComeInOrder) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    std::vector<std::string> Log;
    G->OnCellChanging = [&](TObject*, Integer, Integer, Integer, Integer, bool&) { Log.push_back("changing"); };
    G->OnCellValidate = [&](TObject*, Integer, Integer, AnsiString&, bool&) { Log.push_back("validate"); };
    G->OnCanEditCell = [&](TObject*, Integer, Integer, bool&) { Log.push_back("canedit"); };
    G->OnEditingDone = [&](TObject*) { Log.push_back("done"); };
    TypeText(u"v");
    Log.clear();
    G->SetRow(2);
    ASSERT_GE(Log.size(), 3u);
    EXPECT_EQ("changing", Log[0]);
    EXPECT_EQ("validate", Log[1]);
    EXPECT_EQ("v", G->Cells(1, 1));
    EXPECT_EQ(2, G->Row());
    EXPECT_NE(std::find(Log.begin(), Log.end(), "done"), Log.end());
}

TEST(ExtGridEdit, UpArrowInTheEditorStoresAndLeavesTheCell) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->SetRow(3);
    TypeText(u"up");
    ASSERT_TRUE(G->EditorMode());
    F.Key(Qt::Key_Up);
    EXPECT_EQ(2, G->Row());
    EXPECT_EQ("up", G->Cells(1, 3));
    EXPECT_FALSE(G->EditorMode());
}

TEST(ExtGridEdit, RefusedCellSuspendsEditingUntilTheNextEditableCell) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->OnCanEditCell = [](TObject*, Integer, Integer ACol, bool& CanEdit) {
        if (ACol == 2) CanEdit = false;
    };
    G->SetCol(2);
    EXPECT_FALSE(G->Options().Contains(goEditing));
    EXPECT_TRUE(G->EditingSuspended());
    G->SetCol(3);
    EXPECT_TRUE(G->Options().Contains(goEditing));
    EXPECT_FALSE(G->EditingSuspended());
}

// A read-only list whose check box takes the key or the click: a text cell reached after it stays read-only.
TEST(ExtGridEdit, EditingSwitchedOnForACheckBoxHoldsForControlCellsOnly) {
    for (const bool ByClick : {false, true}) {
        TEditingGrid F(5, 6, false);
        F.Grid->CreateCellGraphic(2, 1)->SetCellType(ctCheckBox), F.Grid->ControlLook()->SetCheckAlwaysActive(ByClick);
        if (ByClick) F.Mouse(QEvent::MouseButtonPress, F.Centre(2, 1), Qt::LeftButton, Qt::LeftButton), F.Mouse(QEvent::MouseButtonRelease, F.Centre(2, 1), Qt::LeftButton, Qt::NoButton);
        for (int I = ByClick; I < 2; ++I) F.Key(Qt::Key_Right);
        TypeText(u"x"), PressEnter();
        EXPECT_TRUE(F.Grid->Col() == 3 && F.Grid->Cells(3, 1).empty() && !F.Grid->Options().Contains(goEditing)) << ByClick;
    }
}

TEST(ExtGridEdit, EnterAdvancesWithAdvanceOnEnterOverReadOnlyCells) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->Navigation()->SetAdvanceOnEnter(true);
    G->SetReadOnly(2, 1, true);
    TypeText(u"1");
    PressEnter();
    EXPECT_EQ("1", G->Cells(1, 1));
    EXPECT_EQ(3, G->Col());
    EXPECT_EQ(1, G->Row());
    // From the last column to the first data column of the next row.
    G->SetCol(4);
    PressEnter();   // opens
    PressEnter();   // stores and advances
    EXPECT_EQ(1, G->Col());
    EXPECT_EQ(2, G->Row());
}

// A merge of 70 over rows 2-4 (covered texts 3 and 4) whose first row HideRows, a contracted node or
// a filter hides shows at rows 2 and 3: opened, typed over, refused and read there as the merge.
TEST(ExtGridEdit, AMergeWhoseFirstRowIsHiddenIsEditedAsTheMerge) {
    const std::function<void(TExtStringGrid*)> Hiders[] = {
        [](TExtStringGrid* G) { G->HideRows(2, 2); }, [](TExtStringGrid* G) { G->AddNode(1, 2), G->ContractNode(1); },
        [](TExtStringGrid* G) { G->Filter()->Add()->SetColumn(3), G->Filter()->Items(0)->SetCondition("!out"), G->SetFilterActive(true); }};
    const std::tuple<TEditorType, bool, void (*)(), AnsiString> Steps[] = {   // editor, read-only, end key, value after
        {edNormal, false, PressEscape, "70"}, {edNormal, false, PressEnter, "12"}, {edNormal, true, PressEnter, "70"},
        {edComboEdit, false, PressEscape, "70"}, {edSpinEdit, false, PressEscape, "70"}};
    for (size_t I = 0; I < std::size(Hiders) * std::size(Steps); ++I) {
        const auto& [E, ReadOnly, End, Value] = Steps[I % std::size(Steps)];
        TEditForm F;
        TExtStringGrid* G = F.Grid;
        F.EditorInColumn1(E);
        for (Integer R = 1; R < 6; ++R) G->SetCells(1, R, IntToStr(R)), G->SetCells(3, R, R == 2 ? "out" : "in");
        G->SetCells(1, 2, "70"), G->SetReadOnly(1, 2, ReadOnly), G->MergeCells(1, 2, 1, 3), Hiders[I / std::size(Steps)](G);
        F.Edit(1, 3);
        AnsiString Seen;
        G->GetCurrentCell(Seen);
        if (G->EditorMode()) Seen = G->InplaceEditor()->Text();
        if (E != edNormal) Seen = E == edSpinEdit ? G->SpinEdit()->Text() : G->Combobox()->Text();
        F.Key(Qt::Key_A, Qt::ControlModifier), TypeText(u"12"), End();
        G->UnHideRowsAll();
        EXPECT_TRUE(Seen == "70" && G->Cells(1, 2) == Value && G->Cells(1, 4) == Value) << I;
        G->SplitCells(1, 2);
        EXPECT_TRUE(G->Cells(1, 3) == "3" && G->Cells(1, 4) == "4") << I;
    }
}

TEST(ExtGridEdit, TopToBottomAdvanceWithAdvanceInsertAddsAColumn) {
    TEditForm F;
    F.Grid->Navigation()->SetAdvanceOnEnter(true);
    F.Grid->Navigation()->SetAdvanceDirection(adTopBottom);
    F.Grid->Navigation()->SetAdvanceInsert(true);
    F.Grid->OnAutoInsertCol = [&](TObject*, Integer ACol) { F.Grid->SetCells(ACol, 0, "new"); };
    F.Edit(4, 5);
    PressEnter();
    EXPECT_EQ("new", F.Grid->Cells(5, 0));
    EXPECT_EQ(5, F.Grid->Col());
}

TEST(ExtGridEdit, EnterFromATextCellOntoACheckBoxClicksIt) {
    TEditForm F;
    F.Grid->Navigation()->SetAdvanceOnEnter(true);
    for (Integer C : {2, 3}) F.Grid->CreateCellGraphic(C, 1)->SetCellType(ctCheckBox);
    std::vector<Integer> Clicked;
    F.Grid->OnCheckBoxClick = [&](TObject*, Integer ACol, Integer, bool) { Clicked.push_back(ACol); };
    TypeText(u"1");
    PressEnter();
    PressEnter();   // from a check box onto the next: no click
    EXPECT_EQ((std::vector<Integer>{2}), Clicked);
}

namespace {
struct TTypedCase {
    TEditorType Editor;
    std::u16string Typed;
    const char* Expected;
};
}  // namespace

class ExtGridEditFilter : public ::testing::TestWithParam<TTypedCase> {};

TEST_P(ExtGridEditFilter, KeepsOnlyWhatTheTypeAllows) {
    const TFormatSettings Saved = FormatSettings;
    FormatSettings.DecimalSeparator = ',';
    FormatSettings.ThousandSeparator = '.';
    {
        TEditForm F;
        TExtStringGrid* G = F.Grid;
        G->SetDefaultEditor(GetParam().Editor);
        F.Key(Qt::Key_F2);
        ASSERT_TRUE(G->EditorMode());
        TypeText(GetParam().Typed);
        EXPECT_EQ(GetParam().Expected, G->InplaceEditor()->Text());
    }
    FormatSettings = Saved;
}

INSTANTIATE_TEST_SUITE_P(
    Types, ExtGridEditFilter,
    ::testing::Values(TTypedCase{edNumeric, u"-1a-2", "-12"}, TTypedCase{edPositiveNumeric, u"-12x3", "123"},
                      TTypedCase{edFloat, u"1.2,3,4", "12,34"}, TTypedCase{edUpperCase, u"abc", "ABC"},
                      TTypedCase{edLowerCase, u"ABC", "abc"}, TTypedCase{edNormal, u"a-1.", "a-1."}));

TEST(ExtGridEdit, FirstTypedCharacterPassesTheFilterToo) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "5");
    G->SetDefaultEditor(edNumeric);
    TypeText(u"x");
    // The refused letter neither opens with itself nor wipes the cell.
    if (G->EditorMode()) {
        EXPECT_EQ("5", G->InplaceEditor()->Text());
    }
    EXPECT_EQ("5", G->Cells(1, 1));
}

TEST(ExtGridEdit, LengthLimitStopsTypingButNotReplacing) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->SetMaxEditLength(5);
    G->SetCells(1, 1, "abcde");
    F.Key(Qt::Key_F2);
    ASSERT_TRUE(G->EditorMode());
    TInplaceEdit* E = G->InplaceEditor();
    E->SetSelStart(5);
    TypeText(u"x");
    EXPECT_EQ("abcde", E->Text());
    E->SetSelStart(1);
    E->SetSelLength(1);
    TypeText(u"z");
    EXPECT_EQ("azcde", E->Text());
}

TEST(ExtGridEdit, PasteFollowsTheTypeAndTheEvents) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->SetDefaultEditor(edNumeric);
    F.Key(Qt::Key_F2);
    auto* E = dynamic_cast<TExtInplaceEdit*>(G->InplaceEditor());
    ASSERT_NE(nullptr, E);
    E->SetText("7");
    Clipboard()->SetAsText("12a");
    E->PasteFromClipboard();
    EXPECT_EQ("7", E->Text());
    Clipboard()->SetAsText("3");
    bool Asked = false;
    G->OnClipboardPaste = [&](TObject*, bool& Allow) {
        Asked = true;
        Allow = false;
    };
    E->PasteFromClipboard();
    EXPECT_TRUE(Asked);
    EXPECT_EQ("7", E->Text());
    G->OnClipboardPaste = nullptr;
    E->SetSelStart(1);
    E->PasteFromClipboard();
    EXPECT_EQ("73", E->Text());
    EXPECT_EQ(2, E->SelStart());
}

TEST(ExtGridEdit, PositiveNumericRefusesAPastedSign) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->SetDefaultEditor(edPositiveNumeric);
    F.Key(Qt::Key_F2);
    auto* E = dynamic_cast<TExtInplaceEdit*>(G->InplaceEditor());
    ASSERT_NE(nullptr, E);
    AnsiString T = "-3";
    EXPECT_FALSE(E->AcceptPastedText(T));
    T = "42";
    EXPECT_TRUE(E->AcceptPastedText(T));
}

TEST(ExtGridEdit, EditChangeReportsEveryTypedText) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    std::vector<std::string> Texts;
    G->OnEditChange = [&](TObject*, Integer, Integer, const AnsiString& Value) { Texts.push_back(Value); };
    TypeText(u"ab");
    ASSERT_FALSE(Texts.empty());
    EXPECT_EQ("ab", Texts.back());
}

TEST(ExtGridEdit, CursorWalkLeavesTheCellOnlyWhenTheValueIsAccepted) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->Navigation()->SetCursorWalkEditor(true);
    bool Accept = false;
    G->OnCellValidate = [&](TObject*, Integer, Integer, AnsiString&, bool& Valid) { Valid = Accept; };
    TypeText(u"w");
    F.Key(Qt::Key_Right);
    EXPECT_EQ(1, G->Col());
    Accept = true;
    TypeText(u"v");
    F.Key(Qt::Key_Right);
    EXPECT_EQ(2, G->Col());
    EXPECT_EQ("v", G->Cells(1, 1));
}

TEST(ExtGridEdit, LookupCompletesFromTheFirstMatchingItem) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->SetLookup(true);
    G->LookupItems()->Add("Abc");
    G->LookupItems()->Add("abd");
    TypeText(u"ab");
    TInplaceEdit* E = G->InplaceEditor();
    EXPECT_EQ("abc", E->Text());
    EXPECT_EQ(2, E->SelStart());
    EXPECT_EQ(1, E->SelLength());
}

TEST(ExtGridEdit, LookupStopsAtAnItemTypedWhole) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->SetLookup(true);
    G->LookupItems()->Add("Ankara");
    G->LookupItems()->Add("Ankaragücü");
    TypeText(u"ankara");
    TInplaceEdit* E = G->InplaceEditor();
    EXPECT_EQ("ankara", E->Text());
    EXPECT_EQ(0, E->SelLength());
}

TEST(ExtGridEdit, EditSelectAllDecidesWhetherTheOpenedTextIsSelected) {
    for (bool All : {true, false}) {
        TEditForm F;
        TExtStringGrid* G = F.Grid;
        G->Navigation()->SetEditSelectAll(All);
        G->SetCells(1, 1, "hello");
        F.Key(Qt::Key_F2);
        ASSERT_TRUE(G->EditorMode());
        TCustomEdit* E = G->InplaceEditor();
        EXPECT_EQ(All ? 5 : 0, E->SelLength()) << All;
        EXPECT_EQ(All ? 0 : 5, E->SelStart()) << All;
        // Typing then adds to the text or replaces it.
        TypeText(u"x");
        EXPECT_EQ(All ? "x" : "hellox", E->Text()) << All;
    }
}

TEST(ExtGridEdit, EditSelectAllOffKeepsTheCaretAtTheEndWhenTheEditorFollowsTheCell) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    F.Options({goAlwaysShowEditor});
    G->Navigation()->SetEditSelectAll(false);
    G->SetCells(1, 2, "abc");
    F.Key(Qt::Key_F2);
    F.Key(Qt::Key_Down);
    ASSERT_EQ(2, G->Row());
    ASSERT_TRUE(G->EditorMode());
    EXPECT_EQ(0, G->InplaceEditor()->SelLength());
    EXPECT_EQ(3, G->InplaceEditor()->SelStart());
}

TEST(ExtGridEdit, KeypadDecimalKeyTypesTheLocaleSeparatorOnlyWhenAsked) {
    const TFormatSettings Saved = FormatSettings;
    FormatSettings.DecimalSeparator = ',';
    FormatSettings.ThousandSeparator = '.';
    struct TCase { bool Excel; Qt::KeyboardModifiers Mods; const char* Expected; };
    for (const TCase& C : {TCase{true, Qt::KeypadModifier, "1,5"}, TCase{false, Qt::KeypadModifier, "1.5"},
                           TCase{true, Qt::NoModifier, "1.5"}}) {
        TEditForm F;
        TExtStringGrid* G = F.Grid;
        G->SetExcelStyleDecimalSeparator(C.Excel);
        // The first character opens the editor through the grid, the rest go to the editor.
        F.Key(Qt::Key_1, Qt::NoModifier, QStringLiteral("1"));
        F.Key(Qt::Key_Period, C.Mods, QStringLiteral("."));
        F.Key(Qt::Key_5, Qt::NoModifier, QStringLiteral("5"));
        ASSERT_TRUE(G->EditorMode());
        EXPECT_EQ(C.Expected, G->InplaceEditor()->Text()) << C.Excel << " " << int(C.Mods);
    }
    {
        TEditForm F;   // the key that opens the editor is turned as well
        F.Grid->SetExcelStyleDecimalSeparator(true);
        F.Key(Qt::Key_Period, Qt::KeypadModifier, QStringLiteral("."));
        ASSERT_TRUE(F.Grid->EditorMode());
        EXPECT_EQ(",", F.Grid->InplaceEditor()->Text());
    }
    FormatSettings = Saved;
}

TEST(ExtGridEdit, SizeWhileTypingWidensTheColumnAsTheTextGrows) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    const Integer Before = G->ColWidths(1);
    TypeText(u"wwwwwwwwwwwwwwwwwwww");
    EXPECT_EQ(Before, G->ColWidths(1));   // off: the width stays
    PressEscape();
    G->SizeWhileTyping()->SetWidth(true);
    TypeText(u"wwwwwwwwwwwwwwwwwwww");
    const Integer Wide = G->ColWidths(1);
    EXPECT_GT(Wide, Before);
    EXPECT_GE(Wide, G->Canvas()->TextWidth(AnsiString(20, 'w')));
    // The editor follows the column.
    EXPECT_GE(G->InplaceEditor()->Width(), Wide - 2);
    F.Key(Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
    EXPECT_LT(G->ColWidths(1), Wide);
}

TEST(ExtGridEdit, SizeWhileTypingGrowsAWrappedRowAndReportsIt) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->SetWordWrap(true);
    G->SizeWhileTyping()->SetHeight(true);
    std::vector<Integer> Sized;
    G->OnEndRowSize = [&](TObject*, Integer ARow) { Sized.push_back(ARow); };
    const Integer Before = G->RowHeights(1);
    TypeText(u"aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj kkkk llll mmmm");
    EXPECT_GT(G->RowHeights(1), Before);
    ASSERT_FALSE(Sized.empty());
    EXPECT_EQ(1, Sized.back());
}

// --- what the editor opens on for a tagged cell -------------------------------
namespace {
struct TTagCase {
    const char* Cell;
    bool WithTags;
    bool HTML;
    const char* Opened;
};
class ExtGridEditTags : public testing::TestWithParam<TTagCase> {};
}  // namespace

TEST_P(ExtGridEditTags, F2OpensOnTheTextTheSettingsAskFor) {
    const TTagCase& C = GetParam();
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->SetEditWithTags(C.WithTags);
    G->SetEnableHTML(C.HTML);
    G->SetCells(1, 1, C.Cell);
    F.Key(Qt::Key_F2);
    ASSERT_TRUE(G->EditorMode());
    EXPECT_EQ(C.Opened, G->InplaceEditor()->Text());
}

INSTANTIATE_TEST_SUITE_P(Cases, ExtGridEditTags,
                         testing::Values(TTagCase{"<B>A</B>", false, true, "A"},
                                         TTagCase{"<B>A</B>", true, true, "<B>A</B>"},
                                         TTagCase{"<B>A</B>", false, false, "<B>A</B>"},
                                         TTagCase{"3<4 and 5>2", false, true, "3<4 and 5>2"},
                                         TTagCase{"", false, true, ""},
                                         TTagCase{"<B>a &amp;lt; b</B>", false, true, "a &lt; b"},
                                         TTagCase{"<B>a &amp;lt; b</B>", true, true, "<B>a &amp;lt; b</B>"}));

TEST(ExtGridEdit, TaggedCellKeepsItsTagsUnlessTheTextIsChanged) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "<B>A</B>");
    F.Key(Qt::Key_F2);
    PressEnter();
    EXPECT_EQ("<B>A</B>", G->Cells(1, 1));

    F.Key(Qt::Key_F2);
    TypeText(u"Z");
    PressEscape();
    EXPECT_EQ("<B>A</B>", G->Cells(1, 1));

    G->Navigation()->SetEditSelectAll(false);
    F.Key(Qt::Key_F2), TypeText(u"Z"), F.Key(Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b")), PressEnter();   // taken back
    EXPECT_EQ("<B>A</B>", G->Cells(1, 1));

    F.Key(Qt::Key_F2);
    TypeText(u"Z");
    PressEnter();
    EXPECT_EQ("AZ", G->Cells(1, 1));
}

// --- the edit at the edges of a move ---------------------------------------------------------
// A wheel turn, moving or scrolling, checks an open editor control's value and closes it first.
TEST(ExtGridEdit, AWheelTurnChecksAndClosesAnOpenEditorControlFirst) {
    for (TWheelAction A : {waMoveSelection, waScroll}) {
        TEditingGrid F(3, 30);
        TExtStringGrid* G = F.Grid;
        F.EditorInColumn1(edSpinEdit);
        G->MouseActions()->SetWheelAction(A);
        G->SetCells(1, 4, "40");
        std::vector<std::string> Seen;
        G->OnCellValidate = [&](TObject*, Integer, Integer R, AnsiString& V, bool&) { Seen.push_back(IntToStr(R) + V); };
        F.Edit(1, 1);
        F.Key(Qt::Key_Up);
        TurnWheel(G->Widget(), true);
        EXPECT_EQ(nullptr, G->ActiveEditorControl());
        EXPECT_EQ(std::vector<std::string>{"11"}, Seen) << A;
        EXPECT_TRUE(G->Cells(1, 1) == "1" && G->Cells(1, 4) == "40");
    }
}

TEST(ExtGridEdit, NoStartKeyIsKeptAndEnterInAnEditorControlOpensTheNextEditor) {
    TEditForm F;
    F.Grid->OnGetEditorType = [](TObject*, Integer C, Integer, TEditorType& E) { E = C == 1 ? edNone : edSpinEdit; };
    F.Grid->Navigation()->SetAdvanceOnEnter(true);
    F.Grid->SetCells(2, 1, "50");
    TypeText(u"7");   // column 1 opens no editor
    F.Edit(2, 1);
    EXPECT_EQ("50", F.Grid->SpinEdit()->Text());
    PressEnter();
    EXPECT_TRUE(F.Grid->Col() == 3 && F.Grid->ActiveEditorControl());
}

TEST(ExtGridEdit, OneEnterAppendsOnceWhenNothingAppendedCanBeEdited) {
    for (TAdvanceDirection D : {adLeftRight, adTopBottom}) {
        TEditingGrid F(3, 4);
        TExtStringGrid* G = F.Grid;
        G->Navigation()->SetAdvanceOnEnter(true);
        G->Navigation()->SetAdvanceInsert(true);
        G->Navigation()->SetAdvanceDirection(D);
        G->OnCanEditCell = [](TObject*, Integer R, Integer C, bool& Can) { Can = R < 4 && C < 3; };
        Integer Added = 0;
        G->OnAutoAddRow = G->OnAutoInsertCol = [&](TObject*, Integer) { ++Added; };
        F.Edit(2, 3);
        PressEnter();
        EXPECT_TRUE(G->RowCount() + G->ColCount() == 8 && Added == 1) << D;
    }
}

// After a commit on a cell that cannot be left the editor is open and checks again.
TEST(ExtGridEdit, ACommitThatCannotMoveKeepsTheEditOpenAndChecked) {
    for (Qt::Key K : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Tab}) {
        TEditingGrid F(3, 4);
        TExtStringGrid* G = F.Grid;
        F.Options({goTabs});
        if (K == Qt::Key_Tab) G->OnCanEditCell = [](TObject*, Integer R, Integer C, bool& Can) { Can = R == 1 && C == 1; };
        Integer Asked = 0;
        G->OnCellValidate = [&](TObject*, Integer, Integer, AnsiString&, bool&) { ++Asked; };
        F.Edit(1, K == Qt::Key_Down ? 3 : 1);
        TypeText(u"a");
        F.Key(K);
        TypeText(u"b");
        PressEnter();
        EXPECT_EQ(2, Asked) << K;
    }
}

TEST(ExtGridEdit, ARefusedTabKeepsTheCellWithItsEditorOpen) {
    TEditForm F;
    F.Options({goTabs});
    F.Grid->OnCellValidate = [](TObject*, Integer, Integer, AnsiString&, bool& Valid) { Valid = false; };
    TypeText(u"bad");
    PressTab();
    EXPECT_TRUE(F.Grid->Col() == 1 && F.Grid->EditorMode() && F.Grid->Cells(1, 1).empty());
}

// A target that refuses the move (OnSelectCell, OnIsFixedCell) leaves the current cell editable.
TEST(ExtGridEdit, AMoveRefusedByItsTargetKeepsEditingOn) {
    for (bool ByFixed : {false, true}) {
        TEditForm F;
        TExtStringGrid* G = F.Grid;
        G->OnCanEditCell = [](TObject*, Integer, Integer C, bool& Can) { Can = C < 2; };
        if (ByFixed) G->OnIsFixedCell = [](TObject*, Integer, Integer C, bool& Fixed) { Fixed = C >= 2; };
        else G->OnSelectCell = [](TObject*, Integer C, Integer, bool& Can) { Can = C < 2; };
        F.Key(Qt::Key_Right);
        TypeText(u"z");
        EXPECT_TRUE(G->Col() == 1 && G->EditorMode()) << ByFixed;
    }
}

// A raising OnCellValidate decides nothing: the grid's edit and the trans edit ask again.
TEST(ExtGridEdit, ARaisingValidationLeavesTheEditUsable) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    Integer Asked = 0;
    G->OnCellValidate = [&](TObject*, Integer, Integer, AnsiString&, bool&) {
        if (++Asked % 2) throw Exception("no");
    };
    Application->OnException = [](TObject*, const Exception&) {};
    TypeText(u"a");
    PressEnter();
    PressEnter();
    Application->OnException = nullptr;
    TGridTransEdit* E = G->TransEdit();
    E->SetEditCol(2);
    E->SetEditRow(3);
    E->Show();
    E->SetFocus();
    TypeText(u"v");
    EXPECT_THROW(E->Commit(), Exception);
    EXPECT_TRUE(Asked == 3 && E->Commit() && G->Cells(2, 3) == "v");
}

// A click that moves or hides rows (a sorting header, a node's button) while an editor is
// open: the value is checked in the row it was typed in and goes with it; a refused one
// leaves every row as it was (column 2 holds each row's number).
TEST(ExtGridEdit, AClickThatMovesRowsEndsTheEditInItsOwnRow) {
    for (TEditorType E : {edNormal, edSpinEdit, edUniEdit, edComboEdit})
        for (int Road = 0; Road < 4; ++Road) {
            const bool Refuse = Road % 2, Node = Road > 1;
            SCOPED_TRACE(testing::Message() << E << " road " << Road);
            TEditingGrid F(3, 9);
            TExtStringGrid* G = F.Grid;
            F.EditorInColumn1(E);
            G->SortSettings()->SetShow(true);
            for (Integer R = 1; R < 9; ++R) G->SetCells(1, R, IntToStr(R * 10)), G->SetCells(2, R, IntToStr(9 - R));
            if (Node) G->AddNode(2, 3);
            std::vector<std::string> Seen;
            G->OnCellValidate = [&](TObject*, Integer, Integer R, AnsiString& V, bool& Valid) { Seen.push_back(IntToStr(R) + ":" + V), Valid = !Refuse; };
            G->OnCellValidateWide = [&](TObject*, Integer, Integer R, WideString& V, bool& Valid) { Seen.push_back(IntToStr(R) + ":" + WideToAnsi(V)), Valid = !Refuse; };
            F.Edit(1, 6);
            F.Key(Qt::Key_A, Qt::ControlModifier);
            TypeText(u"99");
            const TRect H = G->CellRect(Node ? 0 : 2, Node ? 2 : 0);
            Click(G, QPoint(Node ? H.Left + G->CellNode()->NodeIndent() / 2 : H.Left + 9, (H.Top + H.Bottom) / 2));
            PressEscape();
            F.Key(Qt::Key_Up);
            EXPECT_EQ(std::vector<std::string>{"6:99"}, Seen);
            for (Integer R = 1; R < G->AllRowCount(); ++R) {
                const Integer Id = 9 - StrToInt(G->AllCells(2, R));
                EXPECT_EQ(Id == 6 && !Refuse ? "99" : IntToStr(Id * 10), WideToAnsi(CellTextToWide(G->AllCells(1, R)))) << R;
            }
        }
}

// A value stored before its check: the footer total follows the cell at each step. An
// editor control left for another control is checked when the grid is entered again; the
// text editor whose cell the wheel scrolled away keeps its edit, and Enter checks it.
TEST(ExtGridEdit, AValueStoredBeforeItsCheckIsCheckedInItsCellAndTotalled) {
    for (int Road = 0; Road < 4; ++Road) {
        const bool Refuse = Road % 2, Left = Road < 2;
        TEditingGrid F(3, 30);
        TExtStringGrid* G = F.Grid;
        if (Left) F.EditorInColumn1(edSpinEdit);
        for (Integer R = 1; R < 5; ++R) G->SetCells(1, R, IntToStr(R));
        G->SetFloatFormat("%.0f");
        G->FloatingFooter()->SetVisible(true);
        G->SetFooterCalcKind(1, 1);
        G->MouseActions()->SetWheelAction(waScroll);
        std::vector<std::string> Seen;
        G->OnCellValidate = [&](TObject*, Integer, Integer R, AnsiString& V, bool& Valid) { Seen.push_back(IntToStr(R) + ":" + V), Valid = !Refuse; };
        F.AddEditBefore();
        F.TabIn();
        F.Edit(1, 2);
        F.Key(Qt::Key_A, Qt::ControlModifier);
        TypeText(u"7");
        if (Left) {
            SystemClick(F.Before);
            EXPECT_TRUE(G->Cells(1, 2) == "7" && G->Cells(1, 29) == "15") << Road;
            F.TabIn();
            F.Key(Qt::Key_Down);
        } else {
            TurnWheel(G->Widget(), true);
            PressEnter();
        }
        EXPECT_TRUE(Seen == std::vector<std::string>{"2:7"} && G->Cells(1, 29) == (Refuse ? "10" : "15")) << Road;
    }
}

// Shift+Tab, from the grid or an editor, and Left at the start of an editor's text with
// CursorWalkEditor stop once on a merged cell: on its base cell.
TEST(ExtGridEdit, StepsBackStopOnceOnAMergedCell) {
    for (int Road : {0, 1, 2}) {
        TEditingGrid F(5, 4);
        TExtStringGrid* G = F.Grid;
        F.Options({goTabs});
        G->Navigation()->SetCursorWalkEditor(true);
        G->MergeCells(1, 1, 2, 1);
        F.Edit(3, 1);
        if (Road > 0) TypeText(u"x");
        if (Road == 2) F.Key(Qt::Key_Home), F.Key(Qt::Key_Left);
        else F.Key(Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_TRUE(G->Col() == 1 && G->Row() == 1) << Road;
    }
}
