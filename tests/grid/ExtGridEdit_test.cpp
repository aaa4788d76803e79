#include "grid/ExtGrid.h"

#include "platform/ui/Clipbrd.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace uitest;

namespace {

struct TEditForm {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TExtStringGrid* Grid = nullptr;
    explicit TEditForm(bool Editing = true) {
        Form->SetBounds(0, 0, 600, 400);
        Grid = new TExtStringGrid(Form.get());
        Grid->SetParent(Form.get());
        Grid->SetBounds(0, 0, 500, 300);
        Grid->SetColCount(5);
        Grid->SetRowCount(6);
        if (Editing) {
            TGridOptions O = Grid->Options();
            O.Include(goEditing);
            Grid->SetOptions(O);
        }
        Form->Show();
        Form->Widget()->activateWindow();
        Grid->SetFocus();
        Settle();
    }
    void Key(int K, Qt::KeyboardModifiers Mods = Qt::NoModifier, const QString& Text = QString()) {
        SendKey(FocusTarget(), K, Text, Mods);
    }
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
    F.Key(Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
    EXPECT_FALSE(G->EditorMode());
    EXPECT_EQ("keep", G->Cells(1, 1));
}

TEST(ExtGridEdit, ReadOnlyCellOpensNoEditor) {
    TEditForm F;
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "fixed");
    G->SetReadOnly(1, 1, true);
    TypeText(u"q");
    EXPECT_FALSE(G->EditorMode());
    EXPECT_EQ("fixed", G->Cells(1, 1));
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
