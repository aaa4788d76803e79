#include "grid/ExtGridEditors.h"

#include "GridTestKit.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"
#include "platform/ui/WinApi.h"

#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <vector>

using namespace uitest;

namespace {

// A grid whose column 1 cells open the editor type under test.
struct TEditorForm : gridtest::TEditingGrid {
    explicit TEditorForm(TEditorType E) : TEditingGrid(4, 6) { EditorInColumn1(E); }
    void Open() { Key(Qt::Key_F2); if (!Grid->ActiveEditorControl()) PressEnter(); }
};

}  // namespace

TEST(ExtGridEditors, SpinOpensOnATypedDigitStepsAndStoresOnEnter) {
    TEditorForm F(edSpinEdit);
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "3");
    std::vector<std::pair<Integer, bool>> Clicks;
    G->OnSpinClick = [&](TObject*, Integer, Integer, Integer V, bool Up) { Clicks.push_back({V, Up}); };
    TypeText(u"7");
    ASSERT_EQ(G->SpinEdit(), G->ActiveEditorControl());
    EXPECT_TRUE(G->SpinEdit()->Visible());
    EXPECT_EQ("7", G->SpinEdit()->Text());
    F.Key(Qt::Key_Up);
    F.Key(Qt::Key_Up);
    F.Key(Qt::Key_Down);
    EXPECT_EQ((std::vector<std::pair<Integer, bool>>{{8, true}, {9, true}, {8, false}}), Clicks);
    PressEnter();
    EXPECT_EQ(nullptr, G->ActiveEditorControl());
    EXPECT_FALSE(G->SpinEdit()->Visible());
    EXPECT_EQ("8", G->Cells(1, 1));
    EXPECT_TRUE(G->Focused());
}

TEST(ExtGridEditors, SpinHomeAndEndJumpToTheBoundsInOneStep) {
    TEditorForm F(edSpinEdit);
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "40");
    std::vector<std::pair<Integer, bool>> Clicks;
    G->OnSpinClick = [&](TObject*, Integer, Integer, Integer V, bool Up) { Clicks.push_back({V, Up}); };
    TypeText(u"5");
    F.Key(Qt::Key_Home);
    EXPECT_EQ(100, G->SpinEdit()->Value());
    F.Key(Qt::Key_End);
    EXPECT_EQ(0, G->SpinEdit()->Value());
    EXPECT_EQ((std::vector<std::pair<Integer, bool>>{{100, true}, {0, false}}), Clicks);
}

// A spin button held down while Escape closes the editor stops with it.
TEST(ExtGridEditors, SpinEscapeAfterStepsRestoresTheCellText) {
    TManualClock Clock;
    TEditorForm F(edSpinEdit);
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "12");
    Integer Clicks = 0;
    G->OnSpinClick = [&](TObject*, Integer, Integer, Integer, bool) { ++Clicks; };
    F.Open();
    ASSERT_EQ(G->SpinEdit(), G->ActiveEditorControl());
    EXPECT_EQ("12", G->SpinEdit()->Text());
    for (int I = 0; I < 3; ++I) F.Key(Qt::Key_Up);
    EXPECT_EQ("15", G->SpinEdit()->Text());
    LeftMouse(G->SpinEdit()->Button()->UpButton()->Widget(), QEvent::MouseButtonPress, QPoint(3, 3));
    Clock.Clock.Advance(500);
    PressEscape();
    Clock.Clock.Advance(1000);
    EXPECT_EQ(5, Clicks);
    EXPECT_EQ(nullptr, G->ActiveEditorControl());
    EXPECT_EQ("12", G->Cells(1, 1));
}

TEST(ExtGridEditors, FloatSpinStoresItsValueInTheFloatFormat) {
    TEditorForm F(edFloatSpinEdit);
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "2");
    std::vector<Double> Values;
    G->OnFloatSpinClick = [&](TObject*, Integer, Integer, Double V, bool) { Values.push_back(V); };
    F.Open();
    ASSERT_EQ(G->SpinEdit(), G->ActiveEditorControl());
    F.Key(Qt::Key_Up);
    ASSERT_EQ(1u, Values.size());
    EXPECT_NEAR(2.1, Values[0], 1e-9);
    PressEnter();
    EXPECT_EQ(Format(G->FloatFormat(), {Extended(2.1)}), G->Cells(1, 1));
}

TEST(ExtGridEditors, TabWithARefusingValidationKeepsTheSpinOpen) {
    TEditorForm F(edSpinEdit);
    TExtStringGrid* G = F.Grid;
    F.Options({goTabs});
    G->SetCells(1, 1, "1");
    G->OnCellValidate = [](TObject*, Integer, Integer, AnsiString&, bool& Valid) { Valid = false; };
    TypeText(u"9");
    PressTab();
    EXPECT_EQ(G->SpinEdit(), G->ActiveEditorControl());
    EXPECT_EQ(1, G->Col());
    EXPECT_EQ("1", G->SpinEdit()->Text());
    EXPECT_EQ("1", G->Cells(1, 1));
}

// A spin text that is no value of its kind is refused: Enter keeps it, a click elsewhere drops it.
TEST(ExtGridEditors, ASpinRefusesATextThatIsNoValueOfItsKind) {
    TFormatSettingsGuard Turkish{TurkishFormatSettings()};
    const std::tuple<TEditorType, const char*, std::u16string> Cases[] = {
        {edDateSpinEdit, "01.02.2024", u"31.02.2016"}, {edSpinEdit, "5", u"-"}, {edFloatSpinEdit, "2,00", u"-"}};
    for (const auto& [E, Before, Typed] : Cases) {
        TEditorForm F(E);
        F.Grid->SetCells(1, 1, Before);
        F.Open();
        F.Key(Qt::Key_A, Qt::ControlModifier);
        TypeText(Typed);
        PressEnter();
        EXPECT_EQ(F.Grid->SpinEdit(), F.Grid->ActiveEditorControl()) << E;
        Click(F.Grid, F.Centre(2, 3));
        EXPECT_TRUE(!F.Grid->ActiveEditorControl() && F.Grid->Cells(1, 1) == Before) << E;
    }
}

TEST(ExtGridEditors, ComboListMovesInTheListAndLeavesOnRight) {
    TEditorForm F(edComboList);
    TExtStringGrid* G = F.Grid;
    for (const char* S : {"elma", "armut", "kiraz"}) G->Combobox()->Items()->Add(S);
    G->SetCells(1, 1, "armut");
    std::vector<Integer> Changes;
    G->OnComboChange = [&](TObject*, Integer, Integer, Integer I, const AnsiString&) { Changes.push_back(I); };
    F.Open();
    ASSERT_EQ(G->Combobox(), G->ActiveEditorControl());
    EXPECT_EQ(1, G->Combobox()->ItemIndex());
    F.Key(Qt::Key_Down);
    EXPECT_EQ(1, G->Row());
    EXPECT_EQ("kiraz", G->Combobox()->Text());
    EXPECT_EQ(std::vector<Integer>{2}, Changes);
    F.Key(Qt::Key_Right);
    EXPECT_EQ(nullptr, G->ActiveEditorControl());
    EXPECT_EQ(2, G->Col());
    EXPECT_EQ("kiraz", G->Cells(1, 1));
}

TEST(ExtGridEditors, ComboListStartsAtTheFirstItemForATextOutsideTheList) {
    TEditorForm F(edComboList);
    TExtStringGrid* G = F.Grid;
    G->Combobox()->Items()->Add("bir");
    G->Combobox()->Items()->Add("iki");
    G->SetCells(1, 1, "yok");
    std::vector<AnsiString> Changes;
    G->OnComboChange = [&](TObject*, Integer, Integer, Integer, const AnsiString& S) { Changes.push_back(S); };
    F.Open();
    EXPECT_EQ(0, G->Combobox()->ItemIndex());
    EXPECT_EQ(std::vector<AnsiString>{"bir"}, Changes);
    PressEscape();
    EXPECT_EQ("yok", G->Cells(1, 1));
}

TEST(ExtGridEditors, ComboEditCompletesFromTheFirstMatchingItemKeepingTheTypedCase) {
    TEditorForm F(edComboEdit);
    TExtStringGrid* G = F.Grid;
    G->SetLookup(true);
    G->Combobox()->Items()->Add("Abc");
    G->Combobox()->Items()->Add("abd");
    TypeText(u"ab");
    ASSERT_EQ(G->Combobox(), G->ActiveEditorControl());
    EXPECT_EQ("abc", G->Combobox()->Text());
    EXPECT_EQ(2, G->Combobox()->SelStart());
    EXPECT_EQ(1, G->Combobox()->SelLength());
    PressEnter();
    EXPECT_EQ("abc", G->Cells(1, 1));
}

TEST(ExtGridEditors, EditButtonTakesTheEllipsisResultAndEscapeRestores) {
    TEditorForm F(edEditBtn);
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "eski");
    G->OnEllipsClick = [](TObject*, Integer ACol, Integer ARow, AnsiString& V) {
        V = "sec " + IntToStr(ACol) + "," + IntToStr(ARow);
    };
    TypeText(u"y");
    ASSERT_EQ(G->BtnEdit(), G->ActiveEditorControl());
    EXPECT_EQ("y", G->BtnEdit()->Text());
    G->BtnEdit()->ClickBtn(G->BtnEdit());
    EXPECT_EQ("sec 1,1", G->BtnEdit()->Text());
    PressEscape();
    EXPECT_EQ(nullptr, G->ActiveEditorControl());
    EXPECT_EQ("eski", G->Cells(1, 1));
    TypeText(u"z");
    PressEnter();
    EXPECT_EQ("z", G->Cells(1, 1));
}

TEST(ExtGridEditors, NumericEditButtonRefusesASecondMinus) {
    TEditorForm F(edNumericEditBtn);
    TExtStringGrid* G = F.Grid;
    TypeText(u"-4-x5");
    ASSERT_EQ(G->BtnEdit(), G->ActiveEditorControl());
    EXPECT_EQ("-45", G->BtnEdit()->Text());
    F.Key(Qt::Key_Down);
    EXPECT_EQ(2, G->Row());
    EXPECT_EQ("-45", G->Cells(1, 1));
}

TEST(ExtGridEditors, UnitEditSplitsTheCellAndStoresValueWithUnit) {
    TEditorForm F(edUnitEditBtn);
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "12.5kg");
    F.Open();
    ASSERT_EQ(G->BtnUnitEdit(), G->ActiveEditorControl());
    EXPECT_EQ("12.5", G->BtnUnitEdit()->Text());
    EXPECT_EQ("kg", G->BtnUnitEdit()->UnitID());
    G->BtnUnitEdit()->SetText("7");
    PressEnter();
    EXPECT_EQ("7kg", G->Cells(1, 1));
}

TEST(ExtGridEditors, DatePickerStoresItsDateAndEscapeKeepsTheCell) {
    TEditorForm F(edDateEdit);
    TExtStringGrid* G = F.Grid;
    const AnsiString Day = DateToStr(EncodeDate(2024, 2, 1));
    G->SetCells(1, 1, Day);
    F.Open();
    ASSERT_EQ(G->DateTimePicker(), G->ActiveEditorControl());
    EXPECT_EQ(EncodeDate(2024, 2, 1), G->DateTimePicker()->Date());
    G->DateTimePicker()->SetDate(EncodeDate(2024, 3, 9));
    PressEscape();
    EXPECT_EQ(Day, G->Cells(1, 1));
    F.Open();
    G->DateTimePicker()->SetDate(EncodeDate(2024, 3, 9));
    PressEnter();
    EXPECT_EQ(DateToStr(EncodeDate(2024, 3, 9)), G->Cells(1, 1));
}

// The up-down date editor steps with its two buttons and never drops a calendar; the next
// drop-down date editor of the same grid has its drop button back.
TEST(ExtGridEditors, UpDownDateEditorStepsWithItsButtons) {
    TEditorForm F(edDateEditUpDown);
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, DateToStr(EncodeDate(2024, 2, 1)));
    F.Open();
    TGridDatePicker* P = G->DateTimePicker();
    ASSERT_EQ(P, G->ActiveEditorControl());
    auto Buttons = [P] {
        std::vector<QToolButton*> Shown;
        for (QToolButton* B : P->Widget()->findChildren<QToolButton*>())
            if (B->isVisible()) Shown.push_back(B);
        return Shown;
    };
    const std::vector<QToolButton*> Steps = Buttons();
    ASSERT_EQ(2u, Steps.size());
    QTest::mouseClick(Steps[0], Qt::LeftButton);
    const TDateTime Stepped = P->Date();
    EXPECT_NE(EncodeDate(2024, 2, 1), Stepped);
    QTest::mouseClick(Steps[1], Qt::LeftButton);
    EXPECT_EQ(EncodeDate(2024, 2, 1), P->Date());
    QTest::mouseClick(Steps[0], Qt::LeftButton);
    F.Key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_FALSE(P->Dropped());
    PressEnter();
    EXPECT_EQ(DateToStr(Stepped), G->Cells(1, 1));
    F.EditorInColumn1(edDateEdit);
    F.Key(Qt::Key_Down);
    F.Open();
    ASSERT_EQ(P, G->ActiveEditorControl());
    EXPECT_EQ(1u, Buttons().size());
}

TEST(ExtGridEditors, ButtonCaptionGoesThroughTheEllipsisAndEscapeRestores) {
    TEditorForm F(edButton);
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "bas");
    G->OnEllipsClick = [](TObject*, Integer, Integer, AnsiString& V) { V += "!"; };
    F.Open();
    ASSERT_EQ(G->ButtonEditor(), G->ActiveEditorControl());
    EXPECT_EQ("bas", G->ButtonEditor()->Caption());
    Click(G->ButtonEditor());
    EXPECT_EQ("bas!", G->ButtonEditor()->Caption());
    F.Key(Qt::Key_Down);
    EXPECT_EQ(nullptr, G->ActiveEditorControl());
    EXPECT_EQ(2, G->Row());
    EXPECT_EQ("bas", G->Cells(1, 1));
}

TEST(ExtGridEditors, CheckBoxEditorStoresNothingAndDownMovesOn) {
    TEditorForm F(edCheckBox);
    TExtStringGrid* G = F.Grid;
    G->SetCells(1, 1, "onay");
    F.Open();
    ASSERT_EQ(G->CheckBoxEditor(), G->ActiveEditorControl());
    EXPECT_EQ("onay", G->CheckBoxEditor()->Caption());
    F.Key(Qt::Key_Down);
    EXPECT_EQ(nullptr, G->ActiveEditorControl());
    EXPECT_EQ(2, G->Row());
    EXPECT_EQ("onay", G->Cells(1, 1));
}

// --- Unicode editors ---------------------------------------------------------------------------
namespace {

const WideString Zh = u"\u0416\u4E2D";   // outside code page 1254

}  // namespace

TEST(ExtGridEditors, UnicodeEditKeepsCharactersOutsideTheCodePage) {
    TEditorForm F(edUniEdit);
    TExtStringGrid* G = F.Grid;
    G->SetWideCell(1, 1, Zh);
    F.Open();
    ASSERT_EQ(G->UniEdit(), G->ActiveEditorControl());
    EXPECT_EQ(Zh, G->UniEdit()->Text());
    F.Key(Qt::Key_End);
    TypeText(u"\u03A9");
    PressEnter();
    EXPECT_EQ(nullptr, G->ActiveEditorControl());
    EXPECT_TRUE(G->IsUnicodeCell(1, 1));
    EXPECT_EQ(Zh + u"\u03A9", G->GetWideCell(1, 1));
}

TEST(ExtGridEditors, UnicodeValidationSeesTheWideTextAndARefusalKeepsTheEditorOpen) {
    TEditorForm F(edUniEdit);
    TExtStringGrid* G = F.Grid;
    G->SetWideCell(1, 1, Zh);
    WideString Seen;
    bool Plain = false;
    G->OnCellValidate = [&](TObject*, Integer, Integer, AnsiString&, bool&) { Plain = true; };
    G->OnCellValidateWide = [&](TObject*, Integer, Integer, WideString& V, bool& Valid) {
        Seen = V;
        Valid = V.size() < 3;
    };
    F.Open();
    F.Key(Qt::Key_End);
    TypeText(u"x");
    PressEnter();
    EXPECT_EQ(Zh + u"x", Seen);
    EXPECT_FALSE(Plain);
    EXPECT_EQ(G->UniEdit(), G->ActiveEditorControl());
    EXPECT_EQ(Zh, G->UniEdit()->Text());
    EXPECT_EQ(Zh, G->GetWideCell(1, 1));
}

TEST(ExtGridEditors, UnicodeEditEscapeRestoresTheCell) {
    for (TEditorType E : {edUniEdit, edUniEditBtn, edUniMemo}) {
        TEditorForm F(E);
        TExtStringGrid* G = F.Grid;
        G->SetWideCell(1, 1, Zh);
        F.Open();
        ASSERT_NE(nullptr, G->ActiveEditorControl()) << E;
        TypeText(u"zz");
        PressEscape();
        EXPECT_EQ(nullptr, G->ActiveEditorControl()) << E;
        EXPECT_EQ(Zh, G->GetWideCell(1, 1)) << E;
    }
}

TEST(ExtGridEditors, UnicodeMemoTakesEnterAsALineBreakAndTabLeaves) {
    TEditorForm F(edUniMemo);
    TExtStringGrid* G = F.Grid;
    F.Options({goTabs});
    G->SetWideCell(1, 1, Zh);
    F.Open();
    ASSERT_EQ(G->UniMemo(), G->ActiveEditorControl());
    F.Key(Qt::Key_End, Qt::ControlModifier);
    PressEnter();
    TypeText(u"b");
    EXPECT_EQ(G->UniMemo(), G->ActiveEditorControl());
    PressTab();
    EXPECT_EQ(nullptr, G->ActiveEditorControl());
    EXPECT_EQ(Zh + u"\nb", G->GetWideCell(1, 1));
    EXPECT_EQ(2, G->Col());
}

TEST(ExtGridEditors, UnicodeEditWithButtonOpensOnTheWideTextAndStoresIt) {
    TEditorForm F(edUniEditBtn);
    TExtStringGrid* G = F.Grid;
    G->SetWideCell(1, 1, Zh);
    F.Open();
    ASSERT_EQ(G->UniEditBtn(), G->ActiveEditorControl());
    EXPECT_EQ(Zh, G->UniEditBtn()->Text());
    G->UniEditBtn()->SetText(WideString(u"\u4E2D"));
    F.Key(Qt::Key_Down);
    EXPECT_EQ(2, G->Row());
    EXPECT_EQ(u"\u4E2D", G->GetWideCell(1, 1));
}

TEST(ExtGridEditors, UnicodeComboListMovesInTheListAndLeavesOnLeftAndRight) {
    TEditorForm F(edUniComboList);
    TExtStringGrid* G = F.Grid;
    TGridUniCombo* C = G->UniCombo();
    C->Items()->Add(u"one");
    C->Items()->Add(Zh);
    C->Items()->Add(u"three");
    std::vector<Integer> Changes;
    G->OnComboChange = [&](TObject*, Integer, Integer, Integer I, const AnsiString&) { Changes.push_back(I); };
    G->SetWideCell(1, 1, u"one");
    F.Open();
    ASSERT_EQ(C, G->ActiveEditorControl());
    EXPECT_EQ(0, C->ItemIndex());
    F.Key(Qt::Key_Down);
    EXPECT_EQ(1, G->Row());
    EXPECT_EQ(1, C->ItemIndex());
    EXPECT_EQ(Zh, C->Text());
    F.Key(Qt::Key_Right);
    EXPECT_EQ(nullptr, G->ActiveEditorControl());
    EXPECT_EQ(2, G->Col());
    EXPECT_EQ(Zh, G->GetWideCell(1, 1));
    EXPECT_EQ(std::vector<Integer>{1}, Changes);
}

TEST(ExtGridEditors, UnicodeComboEditCompletesFromTheFirstMatchingItem) {
    TEditorForm F(edUniComboEdit);
    TExtStringGrid* G = F.Grid;
    G->SetLookup(true);
    TGridUniCombo* C = G->UniCombo();
    C->Items()->Add(u"Abc");
    C->Items()->Add(u"abd");
    F.Open();
    ASSERT_EQ(C, G->ActiveEditorControl());
    C->SetText(WideString());
    TypeText(u"ab");
    EXPECT_EQ(u"abc", C->Text());
    EXPECT_EQ(2, C->SelStart());
    EXPECT_EQ(1, C->SelLength());
    EXPECT_TRUE(C->LookupDone());
    EXPECT_EQ(0, C->LookupIndex());
}

TEST(ExtGridEditors, DirectDateDropOpensTheCalendarWithTheDropDownPickerOnly) {
    struct TCase { TEditorType Editor; bool Direct; bool Dropped; };
    for (const TCase& C : {TCase{edDateEdit, true, true}, TCase{edDateEdit, false, false},
                           TCase{edDateEditUpDown, true, false}}) {
        TEditorForm F(C.Editor);
        TExtStringGrid* G = F.Grid;
        G->MouseActions()->SetDirectDateDrop(C.Direct);
        G->SetCells(1, 1, DateToStr(EncodeDate(2024, 2, 1)));
        F.Open();
        ASSERT_EQ(G->DateTimePicker(), G->ActiveEditorControl());
        EXPECT_EQ(C.Dropped, G->DateTimePicker()->Dropped()) << C.Editor << C.Direct;
        if (QWidget* P = QApplication::activePopupWidget()) P->close();
        Settle();
    }
}

TEST(ExtGridEditors, EditorControlsTakeTheCellColourAndFont) {
    for (TEditorType E : {edSpinEdit, edComboEdit, edEditBtn, edUniEdit}) {
        TEditorForm F(E);
        TExtStringGrid* G = F.Grid;
        G->OnGetCellColor = [](TObject*, Integer, Integer ACol, TGridDrawState, TBrush* B, TFont* Fn) {
            if (ACol != 1) return;
            B->SetColor(clYellow);
            Fn->SetColor(clRed);
            Fn->SetStyle(TFontStyles{fsBold});
        };
        F.Open();
        TWinControl* C = G->ActiveEditorControl();
        ASSERT_NE(nullptr, C) << E;
        EXPECT_EQ(clYellow, C->Color()) << E;
        EXPECT_EQ(clRed, C->Font()->Color()) << E;
        EXPECT_TRUE(C->Font()->Style().Contains(fsBold)) << E;
    }
}

TEST(ExtGridEditors, ACharacterOutsideTheCodePageOpensAUnicodeEditorAsTyped) {
    for (TEditorType E : {edUniEdit, edUniMemo, edUniComboEdit}) {
        TEditorForm F(E);
        TExtStringGrid* G = F.Grid;
        TypeText(u"\u4E2D\u0416");
        ASSERT_NE(nullptr, G->ActiveEditorControl()) << E;
        EXPECT_EQ(u"\u4E2D\u0416", WideTextOf(G->ActiveEditorControl())) << E;
        PressEscape();
    }
    TEditorForm F(edUniEdit);   // a character of the code page opens it as well
    TypeText(u"\u015Fa");
    EXPECT_EQ(u"\u015Fa", F.Grid->UniEdit()->Text());
}

// Every editor opened on a Unicode cell edits its letters and leaves a Unicode cell.
TEST(ExtGridEditors, EditorsOnAUnicodeCellEditItsLettersAndStoreAUnicodeCell) {
    const std::pair<TEditorType, WideString> Cases[] = {{edNormal, u"\u0416\u015Fa"}, {edEditBtn, u"\u0416b"},
        {edNormal, u"\u0416\nx"}, {edComboEdit, u"\u015Fey"}, {edPassword, u"\u015Fey"}};
    for (const auto& [E, Letters] : Cases) {
        TEditorForm F(E);
        TExtStringGrid* G = F.Grid;
        G->SetWideCell(1, 1, Letters);
        F.Key(Qt::Key_F2);
        TControl* Ed = G->ActiveEditorControl() ? static_cast<TControl*>(G->ActiveEditorControl()) : G->InplaceEditor();
        EXPECT_EQ(Letters, WideTextOf(Ed)) << E;
        F.Key(Qt::Key_A, Qt::ControlModifier);
        TypeText(u"\u015F\u0130");
        PressTab();
        EXPECT_TRUE(G->Cells(1, 1).rfind("|\\", 0) == 0 && G->GetWideCell(1, 1) == u"\u015F\u0130") << E;
    }
    // The plain check sees the typed value, not its coded form, and its refusal holds.
    TEditorForm F(edSpinEdit);
    F.Grid->SetWideCell(1, 1, u"\u0416\u0438\u04426");
    AnsiString Seen;
    F.Grid->OnCellValidate = [&](TObject*, Integer, Integer, AnsiString& V, bool& Valid) { Seen = V, Valid = false; };
    F.Open();
    Settle();
    TypeText(u"13");
    PressEnter();
    EXPECT_TRUE(Seen.find("13") != AnsiString::npos && Seen.rfind("|\\", 0) == AnsiString::npos) << Seen;
    EXPECT_EQ(u"\u0416\u0438\u04426", F.Grid->GetWideCell(1, 1));
}

// Escape, also after digits typed, and Enter without a change leave the cell as it was in
// every editor control, whatever it holds; nobody is asked to validate a value that did
// not change, and nothing is reported on leaving. The editor has the keys once the
// events of its opening have run.
TEST(ExtGridEditors, EscapeAndAnUnchangedEnterLeaveTheCellInEveryEditor) {
    const std::pair<TEditorType, const char*> Cases[] = {
        {edSpinEdit, ""}, {edSpinEdit, "250"}, {edSpinEdit, "x"}, {edFloatSpinEdit, "1,234"},
        {edFloatSpinEdit, "1.234,50"}, {edDateSpinEdit, ""}, {edTimeSpinEdit, ""}, {edComboList, "yok"},
        {edComboEdit, "yok"}, {edEditBtn, "a"}, {edFloatEditBtn, "1,5"}, {edUnitEditBtn, "10 m2"},
        {edDateEdit, ""}, {edDateEdit, "yok"}, {edDateEditUpDown, ""}, {edTimeEdit, ""}, {edUniEdit, "a"},
        {edUniEditBtn, "a"}, {edUniMemo, "a"}, {edUniComboList, "yok"}, {edUniComboEdit, "yok"}};
    for (const auto& [E, Text] : Cases)
        for (const bool Escape : {true, false}) {
            SCOPED_TRACE(testing::Message() << E << " '" << Text << "' " << (Escape ? "Escape" : "Enter"));
            TEditorForm F(E);
            F.Grid->Combobox()->Items()->Add("bir");
            F.Grid->UniCombo()->Items()->Add(u"bir");
            F.Grid->SetCells(1, 1, Text);
            Integer Asked = 0;
            F.Grid->OnCellValidate = [&](TObject*, Integer, Integer, AnsiString&, bool&) { ++Asked; };
            F.Grid->OnCellValidateWide = [&](TObject*, Integer, Integer, WideString&, bool&) { ++Asked; };
            TScriptedPrompter Prompts;
            TPrompterGuard Guard(&Prompts);
            F.Open();
            Settle();
            ASSERT_TRUE(F.Grid->ActiveEditorControl() && FocusOn(F.Grid->ActiveEditorControl(), true));
            if (Escape) TypeText(u"38"), PressEscape();
            else if (E == edUniMemo) PressTab();   // Enter is a line break there
            else PressEnter();
            EXPECT_EQ(nullptr, F.Grid->ActiveEditorControl());
            EXPECT_EQ(Text, F.Grid->Cells(1, 1));
            EXPECT_TRUE(Asked == 0 && Prompts.Messages().empty());
        }
}

TEST(ExtGridEditors, FloatSpinReadsGroupedThousandsAsFloatsDoes) {
    TEditorForm F(edFloatSpinEdit);
    F.Grid->SpinEdit()->SetMaxFloatValue(10000);
    F.Grid->SetCells(1, 1, "1.234,50");
    F.Open();
    EXPECT_DOUBLE_EQ(1234.5, F.Grid->SpinEdit()->FloatValue());
}

// What the cell keeps is what OnCellValidate accepted or made of the value: an
// emptied spin editor offers the empty text, never a 0 or today nobody typed.
TEST(ExtGridEditors, CommittedEditorValuesAreStoredAsValidated) {
    // editor, cell, typed after the old text is deleted, offered, stored (the handler's value)
    const std::tuple<TEditorType, const char*, std::u16string, const char*, const char*> Cases[] = {
        {edFloatSpinEdit, "2,00", u"", "", ""}, {edDateSpinEdit, "01.02.2024", u"", "", ""},
        {edFloatSpinEdit, "2,00", u"3", "3,00", "4,00"}, {edUnitEditBtn, "10kg", u"13", "13kg", "15kg"}};
    for (const auto& [E, Before, Typed, Offered, Stored] : Cases) {
        SCOPED_TRACE(testing::Message() << E << " " << Offered);
        TEditorForm F(E);
        F.Grid->SetCells(1, 1, Before);
        std::vector<AnsiString> Offers;
        F.Grid->OnCellValidate = [&, S = Stored](TObject*, Integer, Integer, AnsiString& V, bool&) {
            Offers.push_back(V);
            V = S;
        };
        F.Open();
        F.Key(Qt::Key_A, Qt::ControlModifier);
        F.Key(Qt::Key_Delete);
        TypeText(Typed);
        PressEnter();
        EXPECT_EQ(std::vector<AnsiString>{Offered}, Offers);
        EXPECT_EQ(Stored, F.Grid->Cells(1, 1));
    }
}

// Enter in an editor without a commit of its own checks the value it stored at once:
// a refused one puts the cell back and reopens the editor on it.
TEST(ExtGridEditors, EnterInTheDatePickerAndTheUnicodeListChecksTheValue) {
    for (TEditorType E : {edDateEdit, edUniComboList})
        for (bool Refuse : {false, true}) {
            TEditorForm F(E);
            TExtStringGrid* G = F.Grid;
            G->UniCombo()->Items()->Add(u"05.01.2024");
            G->UniCombo()->Items()->Add(u"06.01.2024");
            G->SetCells(1, 1, "05.01.2024");
            std::vector<AnsiString> Seen;
            G->OnCellValidate = [&](TObject*, Integer, Integer, AnsiString& V, bool& Valid) { Seen.push_back(V), Valid = !Refuse; };
            G->OnCellValidateWide = [&](TObject*, Integer, Integer, WideString& V, bool& Valid) { Seen.push_back(WideToAnsi(V)), Valid = !Refuse; };
            F.Open();
            F.Key(E == edDateEdit ? Qt::Key_Up : Qt::Key_Down);
            PressEnter();
            EXPECT_EQ(std::vector<AnsiString>{"06.01.2024"}, Seen) << E;
            EXPECT_EQ(Refuse ? "05.01.2024" : "06.01.2024", WideToAnsi(G->GetWideCell(1, 1))) << E;
            EXPECT_EQ(Refuse, G->ActiveEditorControl() != nullptr) << E;
        }
}
