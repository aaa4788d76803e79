#include "grid/EsgSpin.h"

#include "platform/sys/Timers.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/WinApi.h"
#include "platform/ui/UiTestKit.h"

#include <QClipboard>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <memory>

using namespace uitest;

namespace {

struct TSpinFixture : ::testing::Test {
    TFormatSettingsGuard Settings{TurkishFormatSettings()};
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TEsgSpinEdit* Spin = nullptr;
    TEdit* Other = nullptr;
    int Beeps = 0;
    TBeepHandler Saved;

    void SetUp() override {
        Saved = SetBeepHandler([this](Cardinal) { ++Beeps; });
        Spin = Place<TEsgSpinEdit>(Form.get(), 10, 10, 120, 24);
        Other = Place<TEdit>(Form.get(), 10, 50, 120, 24);
        Form->Show();
        Spin->SetFocus();
        Settle();
    }
    void TearDown() override { SetBeepHandler(Saved); }

    void Key(int K, Qt::KeyboardModifiers M = Qt::NoModifier) { SendKey(Spin->Widget(), K, QString(), M); }
    void Type(const std::u16string& T) { TypeText(T); }
    // Puts the caret at Pos without a selection.
    void Caret(Integer Pos) { Spin->SetSelStart(Pos); }
};

}  // namespace

TEST_F(TSpinFixture, StartsAtZeroWithDefaultsAndButtonsInsideTheRightEdge) {
    EXPECT_EQ(Spin->Text(), "0");
    EXPECT_EQ(Spin->Value(), 0);
    EXPECT_EQ(Spin->MaxValue(), 100);
    EXPECT_EQ(Spin->Button()->Width(), 15);
    EXPECT_EQ(Spin->Button()->Left() + Spin->Button()->Width(), Spin->Width() - 3);
    // The text stops 2 pixels short of the buttons.
    EXPECT_EQ(Spin->EditRect().Right, Spin->Width() - 4 - 15 - 2);
    auto* L = qobject_cast<QLineEdit*>(Spin->Widget());
    EXPECT_EQ(L->textMargins().right(), 17);
}

TEST_F(TSpinFixture, ValueIsBoundedUnlessBoundsAreEqual) {
    Spin->SetValue(150);
    EXPECT_EQ(Spin->Text(), "100");
    Spin->SetValue(-5);
    EXPECT_EQ(Spin->Text(), "0");
    Spin->SetMinValue(0);
    Spin->SetMaxValue(0);
    Spin->SetValue(0);
    Spin->UpClick(nullptr);
    EXPECT_EQ(Spin->Value(), 1);
    Spin->SetValue(-12345);
    EXPECT_EQ(Spin->Value(), -12345);
    // A step past the integer range stops at its end instead of wrapping.
    Spin->SetValue(2147483647);
    Spin->UpClick(nullptr);
    EXPECT_EQ(Spin->Value(), 2147483647);
}

TEST_F(TSpinFixture, UnreadableTextsReadAsTheFallbacks) {
    Spin->SetMinValue(7);
    Spin->SetText("abc");
    EXPECT_EQ(Spin->Value(), 7);
    Spin->SetMinFloatValue(2.5);
    EXPECT_DOUBLE_EQ(Spin->FloatValue(), 2.5);
    EXPECT_DOUBLE_EQ(Spin->TimeValue(), 0.0);
    Spin->SetMinDateValue(EncodeDate(2001, 2, 3));
    EXPECT_DOUBLE_EQ(Spin->DateValue(), EncodeDate(2001, 2, 3));
    Spin->SetText("0");
    EXPECT_NEAR(Spin->DateValue(), Now(), 1.0 / 24);
}

TEST_F(TSpinFixture, KeysStepAndArrowsNeverReachOnKeyDown) {
    int KeyDowns = 0;
    Spin->OnKeyDown = [&](TObject*, Word&, TShiftState) { ++KeyDowns; };
    Spin->SetValue(10);
    Spin->SetIncrement(5);
    Key(Qt::Key_Up);
    EXPECT_EQ(Spin->Value(), 15);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Spin->Value(), 20);
    Key(Qt::Key_Down);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Spin->Value(), 10);
    EXPECT_EQ(KeyDowns, 0);
}

TEST_F(TSpinFixture, FloatStepsWithPrecisionAndTurkishDecimalSeparator) {
    Spin->SetSpinType(sptFloat);
    EXPECT_EQ(Spin->Text(), "0");
    Spin->UpClick(nullptr);
    Spin->UpClick(nullptr);
    Spin->UpClick(nullptr);
    EXPECT_EQ(Spin->Text(), "0,3");
    Spin->SetPrecision(2);
    EXPECT_EQ(Spin->Text(), "0,30");
    Spin->SetFloatValue(250.0);
    EXPECT_EQ(Spin->Text(), "100,00");
    Spin->SetText("12,5");
    EXPECT_DOUBLE_EQ(Spin->FloatValue(), 12.5);
}

TEST_F(TSpinFixture, IntegerFilterTakesDigitsAndALeadingMinusOnly) {
    Spin->SetText("");
    Type(u"1a2.3,4");
    EXPECT_EQ(Spin->Text(), "1234");
    EXPECT_EQ(Beeps, 3);
    Type(u"-");   // caret not at the start
    EXPECT_EQ(Spin->Text(), "1234");
    Caret(0);
    Type(u"-");
    EXPECT_EQ(Spin->Text(), "-1234");
    Caret(0);
    Type(u"-");   // a second minus
    EXPECT_EQ(Spin->Text(), "-1234");
    Spin->SetSelStart(0);
    Spin->SetSelLength(2);   // the selection holds the minus
    Type(u"-");
    EXPECT_EQ(Spin->Text(), "-234");
    // Backspace still edits.
    Spin->SetSelStart(4);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Spin->Text(), "-23");
}

TEST_F(TSpinFixture, FloatFilterUnderTurkishSettings) {
    Spin->SetSpinType(sptFloat);
    Spin->SetPrecision(2);
    Spin->SetText("");
    Type(u"12.3,45");   // "." is the thousand separator here
    EXPECT_EQ(Spin->Text(), "123,45");
    Type(u"6");         // a third decimal
    EXPECT_EQ(Spin->Text(), "123,45");
    Type(u",");         // a second separator
    EXPECT_EQ(Spin->Text(), "123,45");
    Caret(1);
    Type(u"9");         // before the separator there is room
    EXPECT_EQ(Spin->Text(), "1923,45");
}

TEST_F(TSpinFixture, KeypadDecimalKeyTypesTheLocaleSeparatorWhenAsked) {
    Spin->SetSpinType(sptFloat);
    Spin->SetText("1");
    Spin->SetSelStart(1);
    SendKey(Spin->Widget(), Qt::Key_Period, QStringLiteral("."), Qt::KeypadModifier);
    EXPECT_EQ(Spin->Text(), "1");   // the thousand separator is refused
    Spin->SetExcelStyleDecimalSeparator(true);
    SendKey(Spin->Widget(), Qt::Key_Period, QStringLiteral("."), Qt::KeypadModifier);
    EXPECT_EQ(Spin->Text(), "1,");
    SendKey(Spin->Widget(), Qt::Key_5, QStringLiteral("5"));
    EXPECT_EQ(Spin->Text(), "1,5");
}

TEST_F(TSpinFixture, DisabledEditorRefusesTypingAndPasteButStillSteps) {
    Spin->SetEditorEnabled(false);
    Spin->SetValue(5);
    Spin->SetSelStart(1);
    Type(u"a7");
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Delete);
    EXPECT_EQ(Spin->Text(), "5");
    EXPECT_EQ(Beeps, 3);
    QApplication::clipboard()->setText(QStringLiteral("99"));
    SendKey(Spin->Widget(), Qt::Key_V, QString(), Qt::ControlModifier);
    SendKey(Spin->Widget(), Qt::Key_Insert, QString(), Qt::ShiftModifier);
    EXPECT_EQ(Spin->Text(), "5");
    Key(Qt::Key_Up);
    EXPECT_EQ(Spin->Text(), "6");
    EXPECT_EQ(Spin->SelLength(), 1);   // the value is selected after a step
}

TEST_F(TSpinFixture, ReadOnlyOnlyBeeps) {
    Spin->SetValue(5);
    Spin->SetReadOnly(true);
    Spin->UpClick(nullptr);
    Spin->DownClick(nullptr);
    EXPECT_EQ(Spin->Value(), 5);
    EXPECT_EQ(Beeps, 2);
}

struct TDateCase {
    Integer Caret;
    bool Up;
    const char* Expected;
};

class TSpinDates : public TSpinFixture, public ::testing::WithParamInterface<TDateCase> {};

TEST_P(TSpinDates, CaretPartIsSteppedInDayFirstFormat) {
    const TDateCase C = GetParam();
    Spin->SetSpinType(sptDate);
    Spin->SetDateValue(EncodeDate(2016, 1, 31));
    ASSERT_EQ(Spin->Text(), "31.01.2016");
    Caret(C.Caret);
    if (C.Up) Spin->UpClick(nullptr);
    else Spin->DownClick(nullptr);
    EXPECT_EQ(Spin->Text(), C.Expected);
    EXPECT_EQ(Spin->SelStart(), C.Caret);   // the caret stays
}

INSTANTIATE_TEST_SUITE_P(Parts, TSpinDates,
                         ::testing::Values(TDateCase{0, true, "01.02.2016"}, TDateCase{2, false, "30.01.2016"},
                                           TDateCase{3, true, "29.02.2016"}, TDateCase{5, false, "31.12.2015"},
                                           TDateCase{6, true, "31.01.2017"}, TDateCase{10, false, "31.01.2015"}));

TEST_F(TSpinFixture, MonthFirstFormatSwapsDayAndMonthParts) {
    TFormatSettings US = TurkishFormatSettings();
    US.ShortDateFormat = "mm/dd/yyyy";
    US.DateSeparator = '/';
    TFormatSettingsGuard G(US);
    Spin->SetSpinType(sptDate);
    Spin->SetDateValue(EncodeDate(2016, 1, 31));
    ASSERT_EQ(Spin->Text(), "01/31/2016");
    Caret(0);
    Spin->UpClick(nullptr);
    EXPECT_EQ(Spin->Text(), "02/29/2016");
    Caret(4);
    Spin->UpClick(nullptr);
    EXPECT_EQ(Spin->Text(), "03/01/2016");
}

TEST_F(TSpinFixture, YearStepOfLeapDayKeepsTheMonthAndDateBounds) {
    Spin->SetSpinType(sptDate);
    Spin->SetDateValue(EncodeDate(2016, 2, 29));
    Caret(8);
    Spin->UpClick(nullptr);
    EXPECT_EQ(Spin->Text(), "28.02.2017");
    Spin->SetMinDateValue(EncodeDate(2017, 1, 1));
    Spin->SetMaxDateValue(EncodeDate(2017, 12, 31));
    Spin->UpClick(nullptr);
    EXPECT_EQ(Spin->Text(), "31.12.2017");
}

struct TTimeCase {
    const char* Start;
    Integer Caret;
    bool Up;
    const char* Expected;
};

class TSpinTimes : public TSpinFixture, public ::testing::WithParamInterface<TTimeCase> {};

TEST_P(TSpinTimes, CaretPartIsSteppedWithinTheDay) {
    const TTimeCase C = GetParam();
    Spin->SetSpinType(sptTime);
    Spin->SetText(C.Start);
    Caret(C.Caret);
    if (C.Up) Spin->UpClick(nullptr);
    else Spin->DownClick(nullptr);
    EXPECT_EQ(Spin->Text(), C.Expected);
}

INSTANTIATE_TEST_SUITE_P(Parts, TSpinTimes,
                         ::testing::Values(TTimeCase{"00:30:00", 0, false, "23:30:00"},
                                           TTimeCase{"10:59:59", 1, true, "11:59:59"},
                                           TTimeCase{"10:59:59", 4, true, "11:00:59"},
                                           TTimeCase{"10:00:00", 7, false, "09:59:59"},
                                           TTimeCase{"23:59:59", 7, true, "00:00:00"}));

TEST_F(TSpinFixture, TimeFilterRefusesAThirdSeparatorAndDateSeparator) {
    Spin->SetSpinType(sptTime);
    Spin->SetText("");
    Type(u"10:20:30:.");
    EXPECT_EQ(Spin->Text(), "10:20:30");
}

TEST_F(TSpinFixture, HoldingAButtonRepeatsOnTheManualClock) {
    TManualTimerService Clock;
    TTimerServiceGuard Guard(&Clock);
    Spin->SetMaxValue(1000);
    QWidget* Up = Spin->Button()->UpButton()->Widget();
    QPoint P(3, 3);
    QMouseEvent Press(QEvent::MouseButtonPress, QPointF(P), Up->mapToGlobal(QPointF(P)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Up, &Press);
    EXPECT_EQ(Spin->Value(), 0);
    Clock.Advance(399);
    EXPECT_EQ(Spin->Value(), 0);
    Clock.Advance(1);
    EXPECT_EQ(Spin->Value(), 1);
    Clock.Advance(100);
    EXPECT_EQ(Spin->Value(), 2);
    Clock.Advance(300);
    EXPECT_EQ(Spin->Value(), 5);
    QMouseEvent Release(QEvent::MouseButtonRelease, QPointF(P), Up->mapToGlobal(QPointF(P)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Up, &Release);
    EXPECT_EQ(Spin->Value(), 6);   // the release is the button's own click
    Clock.Advance(1000);
    EXPECT_EQ(Spin->Value(), 6);
    EXPECT_TRUE(Spin->Focused());
}

TEST_F(TSpinFixture, DownButtonClickStepsDownAndAFailingStepStopsTheRepeat) {
    TManualTimerService Clock;
    TTimerServiceGuard Guard(&Clock);
    TScriptedPrompter Prompts;
    TPrompterGuard PG(&Prompts);
    Spin->SetValue(50);
    Click(Spin->Button()->DownButton());
    EXPECT_EQ(Spin->Value(), 49);
    int Calls = 0;
    Spin->Button()->OnDownClick = [&](TObject*) {
        ++Calls;
        throw Exception("step failed.");
    };
    auto* Down = Spin->Button()->DownButton();
    QPoint P(3, 3);
    QMouseEvent Press(QEvent::MouseButtonPress, QPointF(P), Down->Widget()->mapToGlobal(QPointF(P)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Down->Widget(), &Press);
    Clock.Advance(400);
    EXPECT_FALSE(Down->RepeatTimer()->Enabled());
    Clock.Advance(1000);
    EXPECT_EQ(Calls, 1);
    // The failure reached the application's exception dialog.
    EXPECT_EQ(Prompts.LastMessage(), "step failed.");
}

TEST_F(TSpinFixture, ExitBoundsATypedValueAndReturnActsAsTab) {
    Spin->SetText("");
    Type(u"250");
    EXPECT_EQ(Spin->Text(), "250");
    Spin->SetReturnIsTab(true);
    PressEnter();
    Settle();
    EXPECT_TRUE(Other->Focused());
    EXPECT_EQ(Spin->Text(), "100");
}

TEST_F(TSpinFixture, ButtonPairLayoutFollowsDirection) {
    TEsgSpinButton* B = Spin->Button();
    B->SetBounds(0, 0, 15, 20);
    EXPECT_EQ(B->UpButton()->BoundsRect(), Rect(0, 0, 15, 10));
    EXPECT_EQ(B->DownButton()->BoundsRect(), Rect(0, 9, 15, 20));   // one pixel of overlap
    Spin->SetDirection(spHorizontal);
    EXPECT_EQ(B->Width(), 20);
    EXPECT_EQ(B->UpButton()->ArrowDirection(), 1);
    EXPECT_EQ(B->DownButton()->ArrowDirection(), 0);
    EXPECT_EQ(B->DownButton()->Left(), 0);
    EXPECT_EQ(B->UpButton()->Left(), 11);
    EXPECT_EQ(Spin->EditRect().Right, Spin->Width() - 4 - 20 - 2);
    B->SetBounds(0, 0, 5, 20);
    EXPECT_EQ(B->Width(), 20);
}

TEST_F(TSpinFixture, ButtonsDrawArrowsOnTheButtonFace) {
    QImage Img = Spin->Button()->UpButton()->Widget()->grab().toImage();
    const TColor Face = ColorToRGB(clBtnFace);
    EXPECT_EQ(Img.pixelColor(2, 2), QColor(GetRValue(Face), GetGValue(Face), GetBValue(Face)));
    // The arrow is dark in the middle.
    QColor Mid = Img.pixelColor(Img.width() / 2, Img.height() / 2);
    EXPECT_LT(Mid.lightness(), 100);
}
