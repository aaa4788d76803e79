#include "grid/ExtGridEditors.h"

#include "grid/EsgHTMLE.h"
#include "grid/ExtGridLink.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ShellAPI.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UiTestKit.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QImage>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace uitest;

namespace {

AnsiString Ctl(const char* Type, const char* ID, const char* Value) {
    return AnsiString("<CONTROL TYPE=\"") + Type + "\" ID=\"" + ID + "\" VALUE=\"" + Value + "\" WIDTH=\"60\">";
}

// HTML text: a closing tag makes it so.
AnsiString Html(const AnsiString& Body) {
    return Body + " <B>x</B>";
}

// A grid whose cell (1, 1) holds form controls; clicks land on the first of them.
struct TControlsForm : TGridOnForm<TExtStringGrid> {
    std::vector<std::string> Events;
    explicit TControlsForm(const AnsiString& Body) : TGridOnForm(4, 4) {
        const AnsiString Text = Html(Body);
        Grid->SetColWidths(1, 200);
        Grid->SetRowHeights(1, 30);
        Grid->SetCells(1, 1, Text);
        Grid->OnControlClick = [this](TObject*, Integer ARow, Integer ACol, const AnsiString& ID, const AnsiString& T,
                                      const AnsiString& V) {
            Events.push_back("click " + std::to_string(ACol) + "," + std::to_string(ARow) + " " + ID + " " + T + " " + V);
        };
        Grid->OnControlEditDone = [this](TObject*, Integer, Integer, const AnsiString& ID, const AnsiString& T,
                                         const AnsiString& V) { Events.push_back("done " + ID + " " + T + " " + V); };
        ShowFocused();
    }
    // Where the first control of the cell stands.
    QPoint ControlPoint() const {
        const TRect R = Grid->CellRect(1, 1);
        return QPoint(R.Left + 12, R.Top + R.Height() / 2);
    }
    void ClickControl() {
        Click(Grid, ControlPoint());
        Settle();
    }
    // Clicks the first control; whether its editor opened.
    bool OpenControl() {
        ClickControl();
        return Grid->FormControlOpen();
    }
    AnsiString Value(const char* ID) {
        const AnsiString T = Grid->Cells(1, 1);
        const size_t P = T.find(AnsiString("ID=\"") + ID + "\"");
        if (P == AnsiString::npos) return "?";
        const size_t V = T.find("VALUE=\"", T.rfind("<CONTROL", P));
        return T.substr(V + 7, T.find('"', V + 7) - V - 7);
    }
};

}  // namespace

TEST(ExtGridControls, ClickingAnEditControlOpensItsEditorAndEnterWritesTheValue) {
    TControlsForm F(Ctl("EDIT", "e", "abc"));
    ASSERT_TRUE(F.OpenControl());
    TControlEdit* E = F.Grid->ControlEdit();
    EXPECT_TRUE(E->Visible());
    EXPECT_EQ(E->Widget(), FocusTarget());
    EXPECT_EQ("abc", E->Text());
    EXPECT_EQ(0, E->PasswordChar());
    TypeText(u"xy");
    PressEnter();
    EXPECT_FALSE(F.Grid->FormControlOpen());
    EXPECT_FALSE(E->Visible());
    EXPECT_EQ("xy", F.Value("e"));
    EXPECT_TRUE(F.Grid->Focused());
    EXPECT_EQ((std::vector<std::string>{"click 1,1 e EDIT abc", "done e EDIT xy"}), F.Events);
}

TEST(ExtGridControls, EscapeLeavesTheControlValueAsItWas) {
    TControlsForm F(Ctl("EDIT", "e", "abc"));
    F.ClickControl();
    TypeText(u"zz");
    PressEscape();
    EXPECT_FALSE(F.Grid->FormControlOpen());
    EXPECT_EQ("abc", F.Value("e"));
}

TEST(ExtGridControls, APasswordControlTypesBehindAsterisksAndKeepsTheTypedValue) {
    TControlsForm F(Ctl("PASSWORD", "p", ""));
    ASSERT_TRUE(F.OpenControl());
    EXPECT_EQ('*', F.Grid->ControlEdit()->PasswordChar());
    TypeText(u"s3");
    PressEnter();
    EXPECT_EQ("s3", F.Value("p"));
}

TEST(ExtGridControls, ACheckControlFlipsItsValueAndOpensNothing) {
    struct TCase { const char* Before; const char* After; };
    for (const TCase& C : {TCase{"FALSE", "TRUE"}, TCase{"TRUE", "FALSE"}, TCase{"maybe", "TRUE"}}) {
        TControlsForm F(Ctl("CHECK", "c", C.Before));
        F.ClickControl();
        EXPECT_EQ(C.After, F.Value("c")) << C.Before;
        EXPECT_FALSE(F.Grid->FormControlOpen());
        ASSERT_EQ(1u, F.Events.size());
        EXPECT_EQ(std::string("click 1,1 c CHECK ") + C.After, F.Events[0]);
    }
}

TEST(ExtGridControls, ARefusedControlReportsTheCtrlAnchorAndOpensNothingThroughTheShell) {
    TRecordingOpener Opener;
    TShellOpener* Old = SetShellOpener(&Opener);
    {
        TControlsForm F(Ctl("EDIT", "e", "abc"));
        F.Grid->OnCanEditCell = [](TObject*, Integer, Integer, bool& Can) { Can = false; };
        AnsiString Anchor;
        F.Grid->OnAnchorClick = [&](TObject*, Integer, Integer, const AnsiString& A, bool& AutoHandle) {
            Anchor = A;
            AutoHandle = true;
        };
        F.ClickControl();
        EXPECT_EQ("ctrl", Anchor);
        EXPECT_FALSE(F.Grid->FormControlOpen());
        EXPECT_TRUE(F.Events.empty());
    }
    {
        TControlsForm F(Ctl("EDIT", "e", "abc"));   // allowed: nothing to the shell either
        F.ClickControl();
        PressEnter();
    }
    SetShellOpener(Old);
    EXPECT_TRUE(Opener.Targets.empty());
}

TEST(ExtGridControls, AComboControlTakesItsListAndStyleFromTheEvent) {
    for (bool Edit : {true, false}) {
        TControlsForm F(Ctl("COMBO", "k", "b"));
        F.Grid->OnControlComboList = [&](TObject*, Integer, Integer, const AnsiString& ID, const AnsiString&,
                                         const AnsiString& V, TStrings* Values, bool& E, Integer& Drop) {
            EXPECT_EQ("k", ID);
            EXPECT_EQ("b", V);
            Values->Clear();
            Values->Add("a");
            Values->Add("b");
            Values->Add("c");
            E = Edit;
            Drop = 5;
        };
        ASSERT_TRUE(F.OpenControl());
        TControlCombo* C = F.Grid->ControlCombo();
        EXPECT_EQ(Edit ? csDropDown : csDropDownList, C->Style());
        EXPECT_EQ(1, C->ItemIndex());
        EXPECT_EQ(5, C->DropDownCount());
        C->SetDroppedDown(false);
        C->SetItemIndex(2);
        F.Grid->SetFocus();   // leaving the combo writes the value
        Settle();
        EXPECT_FALSE(F.Grid->FormControlOpen());
        EXPECT_EQ("c", F.Value("k"));
    }
}

TEST(ExtGridControls, F2OpensTheFirstEditableControlOfTheCell) {
    TControlsForm F(Ctl("CHECK", "c", "TRUE") + " " + Ctl("EDIT", "e2", "v"));
    F.Options({goEditing});
    SendKey(FocusTarget(), Qt::Key_F2);
    ASSERT_TRUE(F.Grid->FormControlOpen());
    EXPECT_FALSE(F.Grid->EditorMode());   // no text editor over the controls
    EXPECT_EQ("v", F.Grid->ControlEdit()->Text());
    TypeText(u"w");
    PressEnter();
    EXPECT_EQ("w", F.Value("e2"));
    EXPECT_EQ("TRUE", F.Value("c"));
}

TEST(ExtGridControls, TabKeepsTheValueAndOpensTheNextControlOfTheRow) {
    TControlsForm F(Ctl("EDIT", "a", "1") + " " + Ctl("CHECK", "c", "TRUE") + " " + Ctl("EDIT", "b", "2"));
    F.Grid->SetCells(2, 1, Html(Ctl("EDIT", "n", "3")));
    F.ClickControl();
    TypeText(u"x");
    for (const char* Next : {"2", "3"}) {   // the cell's next control, then the next cell's
        PressTab();
        EXPECT_EQ(Next, F.Grid->ControlEdit()->Text());
    }
    PressTab();   // after the row's last one the grid has the focus back
    EXPECT_TRUE(F.Value("a") == "x" && !F.Grid->FormControlOpen() && F.Grid->Focused() && F.Grid->Col() == 2);
}

TEST(ExtGridControls, F2OnACellWithoutEditableControlsKeepsTheFocus) {
    TControlsForm F(Ctl("CHECK", "c", "TRUE"));
    F.Options({goEditing});
    SendKey(FocusTarget(), Qt::Key_F2);
    EXPECT_FALSE(F.Grid->FormControlOpen());
    EXPECT_FALSE(F.Grid->EditorMode());
    EXPECT_TRUE(F.Grid->Focused());
}

TEST(ExtGridControls, AMaskControlTypesThroughItsPropMask) {
    TScriptedPrompter Prompts;
    TPrompterGuard Guard(&Prompts);
    TControlsForm F("<CONTROL TYPE=\"MASK\" ID=\"m\" VALUE=\"\" WIDTH=\"80\" PROP=\"00-00;1;_\">");
    ASSERT_TRUE(F.OpenControl());
    TControlEdit* E = F.Grid->ControlEdit();
    EXPECT_EQ(E->EditText(), "__-__");
    E->SetSelStart(0);
    TypeText(u"1a2");
    EXPECT_EQ(E->EditText(), "12-__");
    // Enter on the unfinished picture is refused and the editor stays.
    PressEnter();
    EXPECT_TRUE(F.Grid->FormControlOpen());
    EXPECT_EQ(Prompts.LastMessage(), AnsiString(SMaskEditErr) + ".");
    EXPECT_EQ(E->SelStart(), 3);
    TypeText(u"34");
    PressEnter();
    EXPECT_FALSE(F.Grid->FormControlOpen());
    EXPECT_EQ(F.Value("m"), "12-34");
    EXPECT_EQ(Prompts.Messages().size(), 1u);
}

TEST(ExtGridControls, AnEditControlAfterAMaskControlTakesFreeText) {
    TControlsForm F("<CONTROL TYPE=\"MASK\" ID=\"m\" VALUE=\"12\" WIDTH=\"80\" PROP=\"00\">");
    ASSERT_TRUE(F.OpenControl());
    EXPECT_TRUE(F.Grid->ControlEdit()->IsMasked());
    PressEnter();
    F.Grid->SetCells(1, 1, Html(Ctl("EDIT", "e", "")));
    ASSERT_TRUE(F.OpenControl());
    EXPECT_FALSE(F.Grid->ControlEdit()->IsMasked());
    TypeText(u"abc");
    PressEnter();
    EXPECT_EQ(F.Value("e"), "abc");
}

TEST(ExtGridControls, LeavingAnUnfinishedMaskControlKeepsItsValue) {
    TScriptedPrompter Prompts;
    TPrompterGuard Guard(&Prompts);
    TControlsForm F("<CONTROL TYPE=\"MASK\" ID=\"m\" VALUE=\"55\" WIDTH=\"80\" PROP=\"000\">");
    ASSERT_TRUE(F.OpenControl());
    TControlEdit* E = F.Grid->ControlEdit();
    E->SelectAll();
    TypeText(u"9");
    F.Grid->SetFocus();   // the focus goes elsewhere
    Settle();
    EXPECT_FALSE(F.Grid->FormControlOpen());
    EXPECT_EQ(F.Value("m"), "55");
    EXPECT_EQ(Prompts.Messages().size(), 1u);
    ASSERT_FALSE(F.Events.empty());
    EXPECT_EQ(F.Events.back(), "done m MASK 55");
}

TEST(ExtGridControls, AButtonControlIsDrawnDownUntilTheButtonComesUp) {
    TControlsForm F(Ctl("BUTTON", "b", "Go"));
    const QImage Up = CellShot(F.Grid, 1, 1);
    LeftPress(F.Grid, F.ControlPoint());
    Settle();
    EXPECT_NE(Up, CellShot(F.Grid, 1, 1));
    LeftRelease(F.Grid, F.ControlPoint());
    Settle();
    EXPECT_EQ(Up, CellShot(F.Grid, 1, 1));
    ASSERT_EQ(1u, F.Events.size());
    EXPECT_EQ("click 1,1 b BUTTON Go", F.Events[0]);
}

TEST(ExtGridControls, AButtonHeldDownComesUpWhenTheGridLosesTheFocus) {
    TControlsForm F(Ctl("BUTTON", "b", "Go"));
    auto* Other = Place<TEdit>(F.Form.get(), 0, 320, 100, 22);
    // The cell as it looks without the focus, its button up.
    Other->SetFocus();
    Settle();
    const QImage Up = CellShot(F.Grid, 1, 1);
    F.Grid->SetFocus();
    Settle();
    LeftPress(F.Grid, F.ControlPoint());
    Settle();
    ASSERT_TRUE(F.Grid->Focused());
    Other->SetFocus();
    Settle();
    ASSERT_TRUE(Other->Focused());
    EXPECT_EQ(Up, CellShot(F.Grid, 1, 1));
}

TEST(ExtGridControls, TheComboListShowsDropCountItems) {
    Integer Heights[2] = {0, 0};
    for (Integer I = 0; I < 2; ++I) {
        TControlsForm F(Ctl("COMBO", "k", "a"));
        const Integer Drop = I == 0 ? 3 : 6;
        F.Grid->OnControlComboList = [&](TObject*, Integer, Integer, const AnsiString&, const AnsiString&,
                                         const AnsiString&, TStrings* Values, bool& E, Integer& DropCount) {
            for (char C = 'a'; C <= 'l'; ++C) Values->Add(AnsiString(1, C));
            E = false;
            DropCount = Drop;
        };
        ASSERT_TRUE(F.OpenControl());
        auto* Q = qobject_cast<QComboBox*>(F.Grid->ControlCombo()->Widget());
        ASSERT_NE(nullptr, Q);
        ASSERT_TRUE(Q->view()->isVisible());
        const int Row = Q->view()->sizeHintForRow(0);
        ASSERT_GT(Row, 0);
        // The list shows as many rows as asked, no more: the rest scrolls.
        EXPECT_EQ(Drop, Q->view()->viewport()->height() / Row) << Drop;
        Heights[I] = Q->view()->height();
        F.Grid->ControlCombo()->SetDroppedDown(false);
    }
    EXPECT_GT(Heights[1], Heights[0]);
}

TEST(ExtGridControls, TheTransEditChecksItsTextWhenLeftAndStoresItOnlyValid) {
    TControlsForm F(Ctl("EDIT", "e", "abc"));
    TGridTransEdit* E = F.Grid->TransEdit();
    Integer Asked = 0;
    F.Grid->OnCellValidate = [&](TObject*, Integer, Integer, AnsiString& V, bool& Valid) { Valid = ++Asked > 1; };
    E->SetEditCol(2);
    E->SetEditRow(3);
    E->Show();
    E->SetFocus();
    TypeText(u"yeni");
    PressEnter();   // swallowed
    F.Grid->SetFocus();   // refused: the edit keeps the focus on its cell
    EXPECT_TRUE(E->Focused() && F.Grid->Row() == 3 && Asked == 1 && F.Grid->Cells(2, 3).empty());
    EXPECT_TRUE(E->Commit());
    EXPECT_TRUE(F.Grid->Cells(2, 3) == "yeni" && !E->Visible());
    // The checker marks it; a handler that inserts a row above sends it along.
    struct TMark : TExtStringGridCheck {
        using TExtStringGridCheck::TExtStringGridCheck;
        AnsiString MarkError(Integer, Integer, const AnsiString& S) override { return S + "!"; }
    };
    F.Grid->SetCellChecker(new TMark(F.Form.get())), F.Grid->CellChecker()->SetAutoMarkError(true), E->SetText("son");
    F.Grid->OnCellValidate = [&](TObject*, Integer, Integer, AnsiString&, bool&) { F.Grid->InsertRows(1, 1); };
    EXPECT_TRUE(E->Commit() && F.Grid->Cells(2, 4) == "son!" && F.Grid->Cells(2, 3).empty());
}
TEST(ExtGridControls, NoTextEditorOpensOverACellOfFormControls) {
    for (bool Direct : {false, true}) {
        TControlsForm F(Ctl("CHECK", "c", "FALSE"));
        AddOptions(F.Grid, {goEditing});
        F.Grid->MouseActions()->SetDirectEdit(Direct);
        const AnsiString Text = F.Grid->Cells(1, 1);
        const TRect R = F.Grid->CellRect(1, 1);
        Click(F.Grid, QPoint(R.Right - 20, R.Top + R.Height() / 2));
        Click(F.Grid, QPoint(R.Right - 20, R.Top + R.Height() / 2));
        TypeText(u"q");
        EXPECT_TRUE(!F.Grid->EditorMode() && F.Grid->Cells(1, 1) == Text) << Direct;
    }
}

// Moved with its cell by row changes and sizing; closed, its value stored, when scrolled away.
TEST(ExtGridControls, TheControlEditorFollowsItsCellThroughRowChangesSizingAndScrolls) {
    TControlsForm F(Ctl("EDIT", "e", "abc"));
    TExtStringGrid* G = F.Grid;
    ASSERT_TRUE(F.OpenControl());
    TControlEdit* E = G->ControlEdit();
    TypeText(u"xy");
    G->InsertRows(1, 1);
    G->SetColWidths(0, G->ColWidths(0) + 30);
    const TRect R = G->CellRect(1, 2);
    EXPECT_TRUE(G->FormControlOpen() && E->Left() > R.Left && E->Top() > R.Top && E->Top() < R.Bottom);
    G->SetRowCount(60);
    for (int I = 0; I < 20; ++I) TurnWheel(G->Widget(), true);   // down
    EXPECT_FALSE(G->FormControlOpen() || E->Visible());
    EXPECT_NE(AnsiString::npos, G->Cells(1, 2).find("VALUE=\"xy\""));
}

TEST(ExtGridControls, AFilterHidingTheControlsRowBelowAHiddenRowStoresItsValue) {
    TControlsForm F(Ctl("EDIT", "e", "abc"));
    TExtStringGrid* G = F.Grid;
    G->InsertRows(1, 1), G->SetCells(3, 2, "out"), G->HideRow(1);   // the control's row 2 shows as row 1
    ASSERT_TRUE(F.OpenControl());
    TypeText(u"xy");
    G->Filter()->Add()->SetColumn(3), G->Filter()->Items(0)->SetCondition("!out"), G->SetFilterActive(true);
    EXPECT_FALSE(G->FormControlOpen() || G->ControlEdit()->Visible());
    G->UnHideRowsAll();
    EXPECT_NE(AnsiString::npos, G->Cells(1, 2).find("VALUE=\"xy\""));
}
