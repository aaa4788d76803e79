#include "entry/Mneyedit.h"

#include "platform/rtl/SysUtils.h"
#include "../platform/ui/UiTestKit.h"

#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QClipboard>
#include <QMimeData>
#include <cmath>
#include <memory>

using namespace uitest;

namespace {

// A shown form with the amount edit focused, and a plain edit to move the focus to.
struct TAmountForm {
    TFormatSettingsGuard Settings{TurkishFormatSettings()};
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TMoneyEdit* Money = new TMoneyEdit(Form.get());
    TEdit* Other = new TEdit(Form.get());
    TAmountForm() {
        Money->SetParent(Form.get());
        Other->SetParent(Form.get());
        Other->SetTop(40);
        Form->Show();
        Money->SetFocus();
        Settle();
    }
    void Start(const AnsiString& Text, Integer Caret) {
        Money->SetText(Text);
        Money->SetSelStart(Caret);
    }
    void Key(char16_t C) {
        if (C == u'\b') SendKey(Money->Widget(), Qt::Key_Backspace, QStringLiteral("\b"));
        else if (C == 0x7F) SendKey(Money->Widget(), Qt::Key_Delete);
        else TypeText(std::u16string(1, C));
    }
};

}  // namespace

TEST(Mneyedit, NewControlTypingAndFocus) {
    TAmountForm F;
    TMoneyEdit* M = F.Money;
    EXPECT_EQ(M->Text(), "0,00");
    EXPECT_EQ(M->Width(), 120);
    EXPECT_EQ(M->Height(), 24);
    EXPECT_EQ(M->Alignment(), taRightJustify);
    EXPECT_FALSE(M->WantReturns());
    EXPECT_EQ(M->DisplayFormat(), "#,##0.00");
    EXPECT_EQ(M->SelStart(), 1);   // focus: just before the comma
    TypeText(u"1234");
    EXPECT_EQ(M->Text(), "1.234,00");
    EXPECT_EQ(M->SelStart(), 5);
    TypeText(u",567");   // no room right of the last decimal
    EXPECT_EQ(M->Text(), "1.234,56");
    EXPECT_EQ(M->SelStart(), 8);
    EXPECT_DOUBLE_EQ(M->TextAsFloat(), 1234.56);
    F.Other->SetFocus();
    M->SetFocus();
    Settle();
    EXPECT_EQ(M->SelStart(), 5);
}

struct TKeyCase {
    const char* Before;
    Integer Caret;
    char16_t Key;   // '\b' Backspace, 0x7F Delete
    const char* After;
    Integer CaretAfter;
};

class MneyeditKeys : public ::testing::TestWithParam<TKeyCase> {};

TEST_P(MneyeditKeys, EditsTheAmount) {
    const TKeyCase& C = GetParam();
    TAmountForm F;
    F.Start(C.Before, C.Caret);
    F.Key(C.Key);
    EXPECT_EQ(F.Money->Text(), C.After) << C.Before << " @" << C.Caret << " key " << int(C.Key);
    EXPECT_EQ(F.Money->SelStart(), C.CaretAfter) << C.Before << " @" << C.Caret << " key " << int(C.Key);
}

INSTANTIATE_TEST_SUITE_P(Mneyedit, MneyeditKeys, ::testing::Values(
    TKeyCase{"1.234,56", 8, u'\b', "1.234,50", 7}, TKeyCase{"1.234,56", 7, u'\b', "1.234,06", 6},
    TKeyCase{"1.234,56", 6, u'\b', "123,56", 3},   TKeyCase{"1.234,56", 2, u'\b', "234,56", 0},
    TKeyCase{"1.234,56", 4, u'\b', "124,56", 2},   TKeyCase{"1.234,56", 0, u'\b', "1.234,56", 0},
    TKeyCase{"5,25", 2, u'\b', "0,25", 1},         TKeyCase{"1.234,56", 1, 0x7F, "134,56", 1},
    TKeyCase{"1.234,56", 5, 0x7F, "1.234,06", 7},  TKeyCase{"1.234,56", 2, 0x7F, "134,56", 1},
    TKeyCase{"1.234,56", 8, 0x7F, "1.234,56", 8},  TKeyCase{"1.234,56", 5, u'9', "12.349,56", 6},
    TKeyCase{"1.234,56", 0, u'9', "91.234,56", 1}, TKeyCase{"1.234,56", 6, u'9', "1.234,96", 7},
    TKeyCase{"0,00", 1, u'0', "0,00", 1},          TKeyCase{"1.234,56", 1, u',', "1.234,56", 6},
    TKeyCase{"1.234,56", 8, u'.', "1.234,56", 6},  TKeyCase{"1.234,56", 3, u'ş', "1.234,56", 3},
    TKeyCase{"1.234,56", 0, u'-', "1.234,56", 0},  TKeyCase{"1.234,56", 5, u' ', "1.234,56", 5},
    TKeyCase{"on iki", 2, u'x', "0,00", 0},        TKeyCase{"-1,00", 0, u'5', "-51,00", 1},
    // Left of the lone 0 of an empty integer part (where a click at the left puts the caret): it is replaced.
    TKeyCase{"0,00", 0, u'7', "7,00", 1},          TKeyCase{"-0,50", 1, u'7', "-7,50", 2}));

TEST(Mneyedit, MaxLengthStopsTypingAndLongAmountsKeepEveryDigit) {
    TAmountForm F;
    TypeText(u"12345678901234567,99");
    EXPECT_EQ(F.Money->Text(), "1.234.567.890.123,99");
    // Sixteen significant digits, more than a double holds: the text stays as typed.
    F.Money->SetMaxLength(21);
    F.Start("0,00", 1);
    TypeText(u"99999999999999,99");
    EXPECT_EQ(F.Money->Text(), "99.999.999.999.999,99");
}

TEST(Mneyedit, TextAsFloatReadAndWrite) {
    TAmountForm F;
    const std::pair<const char*, double> Reads[] = {{"1.234,56", 1234.56}, {"-1.234,50", -1234.5}, {"", 0},
        {"12", 0.12}, {"5", 0.05}, {"-0,00", 0}, {"12-3", 0}, {"1 234,00", 0}};
    for (const auto& [Text, Value] : Reads) {
        F.Money->SetText(Text);
        EXPECT_DOUBLE_EQ(F.Money->TextAsFloat(), Value) << Text;
        if (Value == 0) EXPECT_FALSE(std::signbit(F.Money->TextAsFloat())) << Text;
    }
    const std::pair<double, const char*> Writes[] = {{1234.565, "1.234,57"}, {-0.0, "0,00"}, {-1234.5, "-1.234,50"}};
    for (const auto& [Value, Text] : Writes) {
        F.Money->SetTextAsFloat(Value);
        EXPECT_EQ(F.Money->Text(), Text) << Value;
    }
    EXPECT_THROW(F.Money->SetTextAsFloat(NAN), EInvalidOp);
    EXPECT_THROW(F.Money->SetTextAsFloat(INFINITY), EInvalidOp);
    EXPECT_EQ(F.Money->Text(), "-1.234,50");
}

TEST(Mneyedit, DecimalsAndMaxLengthSetters) {
    TAmountForm F;
    TMoneyEdit* M = F.Money;
    for (Integer Refused : {0, -1, 19}) M->SetDecimals(Refused);
    EXPECT_EQ(M->Decimals(), 2);
    const std::pair<Integer, Integer> Lengths[] = {{23, 20}, {19, 18}, {20, 20}, {21, 21}, {3, 21}, {4, 4}, {20, 20}};
    for (const auto& [Set, Expected] : Lengths) {
        M->SetMaxLength(Set);
        EXPECT_EQ(M->MaxLength(), Expected) << Set;
    }
    // The amount keeps its value across a change of decimals, rounded when they go.
    M->SetTextAsFloat(1234.56);
    M->SetDecimals(3);
    EXPECT_EQ(M->MaxLength(), 19);   // 20 - 3 - 1 = 16
    EXPECT_EQ(M->DisplayFormat(), "#,##0.000");
    EXPECT_EQ(M->Text(), "1.234,560");
    M->SetText("999,965");
    M->SetDecimals(1);
    EXPECT_EQ(M->Text(), "1.000,0");
    M->SetText("-00,0");
    M->SetDecimals(0);   // refused: only reformatted, and a zero has no sign
    EXPECT_EQ(M->Text(), "0,0");
}

TEST(Mneyedit, OtherSeparatorsFollowFormatSettings) {
    TAmountForm F;
    TFormatSettings English = TurkishFormatSettings();
    English.ThousandSeparator = ',';
    English.DecimalSeparator = '.';
    TFormatSettingsGuard Guard(English);
    F.Start("0.00", 1);
    TypeText(u"1234.5");
    EXPECT_EQ(F.Money->Text(), "1,234.50");
    EXPECT_DOUBLE_EQ(F.Money->TextAsFloat(), 1234.5);
}

TEST(Mneyedit, ReadOnlyHandlersEnterAndAFreedControl) {
    TAmountForm F;
    F.Start("1.234,56", 5);
    F.Money->SetReadOnly(true);
    for (char16_t K : {u',', u'9', u'\b', char16_t(0x7F)}) F.Key(K);
    EXPECT_EQ(F.Money->Text(), "1.234,56");
    F.Money->SetReadOnly(false);

    // The screen's key handler runs first; Enter still reaches the default button.
    auto* Save = new TButton(F.Form.get());
    Save->SetParent(F.Form.get());
    Save->SetDefault(true);
    double Saved = -1;
    Save->OnClick = [&](TObject*) { Saved = F.Money->TextAsFloat(); };
    F.Money->OnKeyPress = [](TObject*, char& Key) { if (Key == '5') Key = '6'; };
    F.Start("0,00", 1);
    TypeText(u"45");
    PressEnter();
    EXPECT_EQ(F.Money->Text(), "46,00");
    EXPECT_DOUBLE_EQ(Saved, 46);

    TMoneyEdit* M = F.Money;
    M->OnKeyPress = [&](TObject*, char&) { delete M; };
    SendKey(M->Widget(), Qt::Key_5, QStringLiteral("5"));
    EXPECT_EQ(F.Form->ComponentCount(), 2);
}

// A paste (Shift+Insert) or a drop would put free text beside the amount, read as another number.
TEST(Mneyedit, PastedOrDroppedTextLeavesTheAmountAlone) {
    TAmountForm F;
    F.Start("1.234,56", 1);
    QApplication::clipboard()->setText(QStringLiteral("9.876,54"));
    SendKey(F.Money->Widget(), Qt::Key_Insert, QString(), Qt::ShiftModifier);
    QMimeData Data;
    Data.setText(QStringLiteral("77"));
    QDragEnterEvent Enter(QPoint(4, 4), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent Drop(QPoint(4, 4), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    for (QEvent* E : std::initializer_list<QEvent*>{&Enter, &Drop})
        QApplication::sendEvent(static_cast<QAbstractScrollArea*>(F.Money->Widget())->viewport(), E);
    EXPECT_EQ(F.Money->Text(), "1.234,56");
}
