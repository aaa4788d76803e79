#include "grid/ExtGridLink.h"

#include "grid/GridTestKit.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace gridtest;
using namespace uitest;

namespace {

// A link that edits cells in a plain edit it makes on first use.
class TTestLink : public TEditLink {
public:
    explicit TTestLink(TComponent* AOwner) : TEditLink(AOwner) {}
    TEdit* Edit = nullptr;
    std::vector<std::string> Calls;
    TWinControl* GetEditControl() override { return Edit; }
    void CreateEditor(TWinControl* AParent) override {
        if (!Edit) Edit = new TEdit(this);
        Edit->SetParent(AParent);
        Calls.push_back("create");
    }
    void DestroyEditor() override {
        delete Edit;
        Edit = nullptr;
        Calls.push_back("destroy");
    }
    void SetProperties() override { Calls.push_back("properties"); }
    void GetEditorValue(AnsiString& S) override { S = Edit->Text(); }
    void SetEditorValue(const AnsiString& S) override { Edit->SetText(S); }
};

// An editing grid on a shown form.
struct TGridForm : TEditingGrid {
    TGridForm() : TEditingGrid(5, 6) {}
    AnsiString Typed(const std::u16string& Text) {
        TypeText(Text);
        PressEnter();
        return Grid->Cells(1, 1);
    }
};

// Every cell edits through the link.
struct TLinkForm : TGridForm {
    TTestLink* Link = nullptr;
    TLinkForm() {
        Grid->SetDefaultEditor(edCustom);
        Link = new TTestLink(Form.get());
        Grid->SetEditLink(Link);
    }
    bool LinkFocused() const { return Link->Edit && FocusTarget() == Link->Edit->Widget(); }
};

}  // namespace

TEST(ExtGridLink, TheLinkOpensOnTheCellTakesATypedValueAndStoresItOnEnter) {
    TLinkForm F;
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "old");
    std::vector<Integer> PropCells;
    G->OnGetEditorProp = [&](TObject*, Integer ACol, Integer ARow, TEditLink* L) {
        EXPECT_EQ(F.Link, L);
        PropCells = {ACol, ARow};
    };
    F.Key(Qt::Key_F2);
    ASSERT_NE(nullptr, F.Link->Edit);
    EXPECT_EQ(F.Link->Edit, G->ActiveEditorControl());
    EXPECT_TRUE(F.LinkFocused());
    EXPECT_EQ("old", F.Link->Edit->Text());
    EXPECT_EQ(G, F.Link->Grid());
    EXPECT_EQ((std::vector<Integer>{1, 1}), PropCells);
    EXPECT_EQ((std::vector<std::string>{"create", "properties"}), F.Link->Calls);
    // In place over the cell, less the grid line.
    const TRect R = G->CellRect(1, 1);
    EXPECT_EQ(R.Top, F.Link->Edit->Top());
    EXPECT_EQ(R.Height() - G->GridLineWidth(), F.Link->Edit->Height());
    F.Link->Edit->SetText("new");
    PressEnter();
    EXPECT_EQ("new", G->Cells(1, 1));
    EXPECT_EQ(nullptr, G->ActiveEditorControl());
    EXPECT_FALSE(F.Link->Edit->Visible());
    EXPECT_TRUE(G->Focused());
}

// A link whose control is a combo box; its own pick handler counts.
struct TComboLink : TEditLink {
    TComboBox* Combo = new TComboBox(this);
    Integer OwnPicks = 0;
    explicit TComboLink(TComponent* AOwner) : TEditLink(AOwner) {
        SetWantKeyUpDown(true);
        Combo->Items()->SetText("1  Yeni\r\n2  Kapanma");
        Combo->OnClick = [this](TObject*) { ++OwnPicks; };
    }
    TWinControl* GetEditControl() override { return Combo; }
    void CreateEditor(TWinControl* AParent) override { Combo->SetParent(AParent); }
};

TEST(ExtGridLink, AnItemPickedOrTextTypedInTheLinksComboReachesOnComboChange) {
    TLinkForm F;
    auto* Link = new TComboLink(F.Form.get());
    F.Grid->SetEditLink(Link);
    std::string Change;
    F.Grid->OnComboChange = [&](TObject*, Integer ACol, Integer ARow, Integer I, const AnsiString& Text) {
        Change = std::to_string(ACol) + std::to_string(ARow) + std::to_string(I) + std::string(Text);
    };
    F.Key(Qt::Key_F2);
    F.Key(Qt::Key_Down);
    EXPECT_EQ("1101  Yeni", Change);
    EXPECT_EQ(1, Link->OwnPicks);
    F.Key(Qt::Key_A, Qt::ControlModifier);
    TypeText(u"x");
    EXPECT_EQ("11-1x", Change);
}

TEST(ExtGridLink, ATypedKeyOpensTheLinkWithThatKey) {
    TLinkForm F;
    F.Grid->SetCells(1, 1, "old");
    TypeText(u"x");
    ASSERT_EQ(F.Link->Edit, F.Grid->ActiveEditorControl());
    EXPECT_EQ("x", F.Link->Edit->Text());
}

TEST(ExtGridLink, RightEndsTheEditUnlessTheLinkWantsIt) {
    for (bool Wants : {false, true}) {
        TLinkForm F;
        TExtStringGrid* G = F.Grid;
        F.Link->SetWantKeyLeftRight(Wants);
        F.Key(Qt::Key_F2);
        ASSERT_TRUE(F.LinkFocused());
        F.Link->Edit->SetText("abc");
        F.Link->Edit->SetSelStart(1);
        F.Key(Qt::Key_Right);
        if (Wants) {
            EXPECT_EQ(1, G->Col());
            EXPECT_TRUE(F.LinkFocused());
            EXPECT_EQ(2, F.Link->Edit->SelStart());   // the caret moved in the edit
        } else {
            EXPECT_EQ(2, G->Col());
            EXPECT_EQ("abc", G->Cells(1, 1));
            EXPECT_EQ(nullptr, G->ActiveEditorControl());
            EXPECT_TRUE(G->Focused());
        }
    }
}

TEST(ExtGridLink, EscapeRestoresTheTextOfTheStartAndStaysOnTheCell) {
    TLinkForm F;
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "keep");
    F.Key(Qt::Key_F2);
    F.Link->Edit->SetText("changed");
    PressEscape();
    EXPECT_EQ("keep", G->Cells(1, 1));
    EXPECT_EQ(1, G->Col());
    EXPECT_EQ(1, G->Row());
    EXPECT_EQ(nullptr, G->ActiveEditorControl());
}

TEST(ExtGridLink, ShiftEnterAdvancesBackwards) {
    TLinkForm F;
    TExtStringGrid* G = F.Grid;
    G->Navigation()->SetAdvanceOnEnter(true);
    G->SetCol(3);
    F.Key(Qt::Key_F2);
    ASSERT_TRUE(F.LinkFocused());
    F.Key(Qt::Key_Return, Qt::ShiftModifier, QStringLiteral("\r"));
    EXPECT_EQ(2, G->Col());
    PressEscape();
    F.Key(Qt::Key_F2);
    F.Key(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    EXPECT_EQ(3, G->Col());
}

TEST(ExtGridLink, HomeNeverEndsTheEditAndWantedKeysStay) {
    TLinkForm F;
    F.Link->SetWantKeyHomeEnd(true);
    F.Link->SetWantKeyReturn(true);
    F.Link->SetWantKeyUpDown(true);
    F.Key(Qt::Key_F2);
    for (int K : {int(Qt::Key_Home), int(Qt::Key_End), int(Qt::Key_Up), int(Qt::Key_Down), int(Qt::Key_Return)}) {
        F.Key(K);
        EXPECT_TRUE(F.LinkFocused()) << K;
        EXPECT_EQ(F.Link->Edit, F.Grid->ActiveEditorControl()) << K;
    }
    EXPECT_EQ(1, F.Grid->Row());
}

TEST(ExtGridLink, ARefusedValueKeepsTheUserOnTheCellWithTheLinkOpenAgain) {
    TLinkForm F;
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "ok");
    G->OnCellValidate = [](TObject*, Integer, Integer, AnsiString& V, bool& Valid) { Valid = V != "bad"; };
    F.Key(Qt::Key_F2);
    F.Link->Edit->SetText("bad");
    F.Key(Qt::Key_Down);
    EXPECT_EQ(1, G->Row());
    EXPECT_EQ("ok", G->Cells(1, 1));
    EXPECT_EQ(F.Link->Edit, G->ActiveEditorControl());
}

TEST(ExtGridLink, LeavingTheControlForAnotherEndsTheEdit) {
    TLinkForm F;
    TExtStringGrid* G = F.Grid;
    auto* Other = Place<TEdit>(F.Form.get(), 0, 320, 100, 20);
    F.Key(Qt::Key_F2);
    F.Link->Edit->SetText("typed");
    Other->SetFocus();
    Settle();
    EXPECT_EQ(nullptr, G->ActiveEditorControl());
    EXPECT_EQ("typed", G->Cells(1, 1));
}

TEST(ExtGridLink, APopupLinkOpensBelowTheCellInItsOwnFormAndGoesWithTheEdit) {
    TLinkForm F;
    TExtStringGrid* G = F.Grid;
    F.Link->SetEditStyle(esPopup);
    F.Link->SetPopupWidth(150);
    F.Link->SetPopupHeight(60);
    G->SetCells(1, 1, "pop");
    F.Key(Qt::Key_F2);
    TForm* P = F.Link->PopupForm();
    ASSERT_NE(nullptr, P);
    EXPECT_EQ("gridform", P->Name());
    EXPECT_EQ(Application, P->Owner());
    EXPECT_EQ(150, P->Width());
    EXPECT_EQ(60, P->Height());
    const TRect R = G->CellRect(1, 1);
    const TPoint Below = G->ClientToScreen(Point(R.Left, R.Bottom));
    EXPECT_EQ(Below.X, P->Left());
    EXPECT_EQ(Below.Y, P->Top());
    EXPECT_EQ(P, F.Link->Edit->Parent());
    EXPECT_EQ("pop", F.Link->Edit->Text());
    F.Link->Edit->SetText("popped");
    PressEnter();
    EXPECT_EQ("popped", G->Cells(1, 1));
    EXPECT_EQ(nullptr, F.Link->PopupForm());
    EXPECT_EQ(nullptr, F.Link->Edit);   // DestroyEditor ran before the form went
    Settle();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(nullptr, Application->FindComponent("gridform"));
}

TEST(ExtGridLink, APopupAtAGivenPositionTakesTheCellWidthWhenAsked) {
    TLinkForm F;
    F.Link->SetEditStyle(esPopup);
    F.Link->SetAutoPopupWidth(true);
    F.Link->SetPopupWidth(300);
    F.Link->SetPopupHeight(40);
    F.Link->SetPopupLeft(20);
    F.Link->SetPopupTop(30);
    F.Key(Qt::Key_F2);
    TForm* P = F.Link->PopupForm();
    ASSERT_NE(nullptr, P);
    EXPECT_EQ(20, P->Left());
    EXPECT_EQ(30, P->Top());
    EXPECT_EQ(F.Grid->CellRect(1, 1).Width(), P->Width());
    PressEscape();
}

TEST(ExtGridLink, WithoutALinkACustomCellOpensNothingAndAGoneLinkIsForgotten) {
    TLinkForm F;
    TExtStringGrid* G = F.Grid;
    delete F.Link;
    EXPECT_EQ(nullptr, G->EditLink());
    F.Key(Qt::Key_F2);
    EXPECT_EQ(nullptr, G->ActiveEditorControl());
    EXPECT_FALSE(G->EditorMode());
}

// --- the cell checker -------------------------------------------------------------------------
namespace {

class TUpperCheck : public TExtStringGridCheck {
public:
    using TExtStringGridCheck::TExtStringGridCheck;
    AnsiString Correct(Integer, Integer, const AnsiString& S) override { return AnsiUpperCase(S); }
    AnsiString MarkError(Integer, Integer, const AnsiString& S) override { return S + "!"; }
};


}  // namespace

TEST(ExtGridCheck, TheBaseCheckerLeavesEveryTextAsTyped) {
    TGridForm F;
    auto* C = new TExtStringGridCheck(F.Form.get());
    C->SetAutoCorrect(true);
    C->SetAutoMarkError(true);
    F.Grid->SetCellChecker(C);
    EXPECT_EQ("abc", F.Typed(u"abc"));
}

TEST(ExtGridCheck, CorrectAndMarkErrorRunOnlyWhenSwitchedOn) {
    struct TCase { bool Correct, Mark; const char* Expected; };
    for (const TCase& K : {TCase{false, false, "abc"}, TCase{true, false, "ABC"}, TCase{false, true, "abc!"},
                           TCase{true, true, "ABC!"}}) {
        TGridForm F;
        auto* C = new TUpperCheck(F.Form.get());
        C->SetAutoCorrect(K.Correct);
        C->SetAutoMarkError(K.Mark);
        F.Grid->SetCellChecker(C);
        EXPECT_EQ(K.Expected, F.Typed(u"abc")) << K.Correct << K.Mark;
    }
}

TEST(ExtGridCheck, TheValidationHandlerSeesTheCorrectedTextAndARefusalRestores) {
    TGridForm F;
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "before");
    auto* C = new TUpperCheck(F.Form.get());
    C->SetAutoCorrect(true);
    C->SetAutoMarkError(true);
    G->SetCellChecker(C);
    AnsiString Seen;
    G->OnCellValidate = [&](TObject*, Integer, Integer, AnsiString& V, bool& Valid) {
        Seen = V;
        Valid = false;
    };
    EXPECT_EQ("before", F.Typed(u"xy"));
    EXPECT_EQ("XY", Seen);
}

TEST(ExtGridCheck, AnUnchangedValueIsNotChecked) {
    TGridForm F;
    F.Grid->SetCells(1, 1, "same");
    auto* C = new TUpperCheck(F.Form.get());
    C->SetAutoCorrect(true);
    F.Grid->SetCellChecker(C);
    SendKey(FocusTarget(), Qt::Key_F2);
    PressEnter();
    EXPECT_EQ("same", F.Grid->Cells(1, 1));
}

TEST(ExtGridCheck, AFreedCheckerIsForgotten) {
    TGridForm F;
    auto* C = new TUpperCheck(F.Form.get());
    C->SetAutoCorrect(true);
    F.Grid->SetCellChecker(C);
    delete C;
    EXPECT_EQ(nullptr, F.Grid->CellChecker());
    EXPECT_EQ("abc", F.Typed(u"abc"));
}

TEST(ExtGridCheck, ShowModifiedMarksTheEditedRowOnlyWithFixedColumns) {
    for (Integer Fixed : {1, 0}) {
        TGridForm F;
        TExtStringGrid* G = F.Grid;
        G->SetFixedCols(Fixed);
        G->ShowModified()->SetEnabled(true);
        G->SetCol(1);
        F.Typed(u"v");
        EXPECT_EQ(Fixed > 0, G->RowMarked(1)) << Fixed;
        EXPECT_FALSE(G->RowMarked(2));
    }
    TGridForm F;   // switched off: nothing marked
    F.Typed(u"v");
    EXPECT_FALSE(F.Grid->RowMarked(1));
}

TEST(ExtGridFilterData, CaseSensitiveIsOnForANewCondition) {
    TGridForm F;
    TFilterData* D = F.Grid->Filter()->Add();
    EXPECT_TRUE(D->CaseSensitive());
}

TEST(ExtGridLink, ARaisingValidationLeavesTheLinkEndingItsEditWhenLeft) {
    TLinkForm F;
    F.AddEditBefore();
    F.Grid->SetFocus();
    bool Raise = true;
    F.Grid->OnCellValidate = [&](TObject*, Integer, Integer, AnsiString&, bool&) { if (Raise) throw Exception("no"); };
    Application->OnException = [](TObject*, const Exception&) {};
    F.Typed(u"a");
    Application->OnException = nullptr;
    Raise = false;
    F.Key(Qt::Key_F2);
    SystemClick(F.Before);
    EXPECT_EQ(nullptr, F.Grid->ActiveEditorControl());
}
