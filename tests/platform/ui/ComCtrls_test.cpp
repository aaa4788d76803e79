#include "platform/ui/ComCtrls.h"

#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "UiTestKit.h"

#include <QCalendarWidget>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace uitest;

TEST(ComCtrls, DatePickerFiresOnChangeForTheUserOnly) {
    TForm F(nullptr);
    auto* D = Child<TDateTimePicker>(&F);
    int Changes = 0;
    D->OnChange = [&](TObject*) { ++Changes; };
    D->SetDate(EncodeDate(2004, 4, 21));
    D->SetDateTime(EncodeDate(2016, 2, 28) + EncodeTime(10, 0, 0, 0));
    EXPECT_EQ(Changes, 0);
    // The user moves the day on: the date changes, the time part stays.
    F.Show();
    D->SetFocus();
    SendKey(D->Widget(), Qt::Key_Up);
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(D->Date(), EncodeDate(2016, 2, 29));
    EXPECT_NEAR(D->Time(), EncodeTime(10, 0, 0, 0), 1e-6);
    EXPECT_EQ(DateToStr(D->Date()).substr(2, 1), ".");   // the separator the screens read
}

// ---------------------------------------------------------------------------
namespace {

// A picker on a shown form, holding Start, with the day part clicked.
struct TPickerOnForm {
    TForm Form{nullptr};
    TDateTimePicker* Picker = new TDateTimePicker(&Form);
    TEdit* Next = new TEdit(&Form);
    int Changes = 0;
    explicit TPickerOnForm(TDateTime Start) {
        Picker->SetParent(&Form);
        Picker->SetBounds(8, 8, 110, 21);
        Next->SetParent(&Form);
        Next->SetBounds(8, 40, 110, 21);
        if (Start == 0) Picker->Clear();
        else Picker->SetDateTime(Start);
        Picker->OnChange = [this](TObject*) { ++Changes; };
        Form.Show();
        SystemClick(Picker, QPoint(4, 10));
    }
    void Type(const char* Keys) {
        for (const char* K = Keys; *K; ++K) SendKey(Picker->Widget(), QtKeyOfDigit(*K), QString(QChar(*K)));
    }
    static int QtKeyOfDigit(char C) { return C == '.' ? Qt::Key_Period : C == 'x' ? Qt::Key_X : Qt::Key_0 + (C - '0'); }
};

}  // namespace

TEST(DatePicker, TypedDatesLandAsTyped) {
    struct TCase { TDateTime Start; const char* Keys; TDateTime Expected; } Cases[] = {
        {EncodeDate(2004, 4, 21), "31122016", EncodeDate(2016, 12, 31)},
        {EncodeDate(2016, 2, 29), "31122016", EncodeDate(2016, 12, 31)},
        {EncodeDate(2016, 3, 31), "29022016", EncodeDate(2016, 2, 29)},
        {EncodeDate(2004, 4, 21), "1.2.2016", EncodeDate(2016, 2, 1)},
        {EncodeDate(2004, 4, 21), "0x5x0x62017", EncodeDate(2017, 6, 5)},   // letters are no part of a date
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Keys);
        TPickerOnForm P(C.Start + EncodeTime(10, 30, 0, 0));
        P.Type(C.Keys);
        EXPECT_EQ(P.Picker->Date(), C.Expected);
        EXPECT_NEAR(P.Picker->Time(), EncodeTime(10, 30, 0, 0), 1e-6);   // the time of day stays
        EXPECT_EQ(P.Changes, 1);
    }
}

// No impossible date is shown; a date not whole, left or on Escape, gives way to what the field held.
TEST(DatePicker, DigitsStartTheirPartAfreshAndNoImpossibleDateIsEverShown) {
    enum TLeave { lvTab, lvClick, lvEscape };
    const TDateTime Feb29 = EncodeDate(2016, 2, 29);
    struct TCase {
        TDateTime Start;   // 0: empty
        const char* Keys;
        const char* Shown;   // after the keys
        TLeave Leave;
        const char* After;   // once left
    } Cases[] = {
        {Feb29, "5", "05.02.2016", lvTab, "05.02.2016"},        {Feb29, "15", "15.02.2016", lvClick, "15.02.2016"},
        {Feb29, "30", "30.  .2016", lvTab, "29.02.2016"},       {Feb29, "29022015", "28.02.2015", lvTab, "28.02.2015"},
        {Feb29, "1513", "15.03.2016", lvTab, "15.03.2016"},     {Feb29, "3", "03.02.2016", lvEscape, "29.02.2016"},
        {0, "5", "05.  .    ", lvTab, ""},                       {0, "05112026", "05.11.2026", lvClick, "05.11.2026"}};
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Keys);
        TScriptedPrompter Prompts;
        TPrompterGuard Guard(&Prompts);
        TPickerOnForm P(C.Start);
        P.Type(C.Keys);
        EXPECT_EQ(P.Picker->Text(), C.Shown);
        if (C.Leave == lvTab) PressTab();
        if (C.Leave == lvClick) SystemClick(P.Next);
        if (C.Leave == lvEscape) SendKey(P.Picker->Widget(), Qt::Key_Escape);
        Settle();
        EXPECT_EQ(P.Picker->Text(), C.After);
        EXPECT_EQ(P.Picker->Empty(), *C.After == 0);
        EXPECT_TRUE(Prompts.Messages().empty());
    }
}

TEST(DatePicker, DigitsTypedCountWhenTheFieldIsLeftBeforeItsExitHandlerReadsThem) {
    TPickerOnForm P(EncodeDate(2004, 4, 21));
    TDateTime Seen = 0;
    P.Picker->OnExit = [&](TObject*) { Seen = P.Picker->Date(); };
    P.Type("05");
    EXPECT_EQ(P.Picker->Date(), EncodeDate(2004, 4, 21));   // not whole yet
    PressTab();
    Settle();
    EXPECT_EQ(Seen, EncodeDate(2004, 4, 5));
    EXPECT_EQ(P.Changes, 1);
}

TEST(DatePicker, UpAndDownStepThePartClicked) {
    TPickerOnForm P(EncodeDate(2016, 1, 31));
    const int MonthX = P.Picker->Widget()->fontMetrics().horizontalAdvance(QStringLiteral("31.0")) + 3;
    SystemClick(P.Picker, QPoint(MonthX, 10));
    SendKey(P.Picker->Widget(), Qt::Key_Up);
    EXPECT_EQ(P.Picker->Date(), EncodeDate(2016, 2, 29));   // the day fits the shorter month
    SendKey(P.Picker->Widget(), Qt::Key_Down);
    SendKey(P.Picker->Widget(), Qt::Key_Down);
    EXPECT_EQ(P.Picker->Date(), EncodeDate(2016, 12, 29));   // wraps within the year
    EXPECT_EQ(P.Changes, 3);
    // The year clicked takes the digits typed next.
    SystemClick(P.Picker, QPoint(P.Picker->Widget()->fontMetrics().horizontalAdvance(QStringLiteral("29.12.20")), 10));
    P.Type("2017");
    EXPECT_EQ(P.Picker->Date(), EncodeDate(2017, 12, 29));
}

TEST(DatePicker, TheCalendarSpeaksTurkishAndPicksTheDayChosen) {
    TPickerOnForm P(EncodeDate(2004, 4, 21));
    SendKey(P.Picker->Widget(), Qt::Key_Down, QString(), Qt::AltModifier);
    auto* Cal = P.Picker->Widget()->findChild<QCalendarWidget*>();
    ASSERT_NE(Cal, nullptr);
    ASSERT_TRUE(Cal->isVisible());
    QStringList Texts;
    for (auto* B : Cal->findChildren<QToolButton*>()) Texts << B->text();
    EXPECT_TRUE(Texts.contains(QStringLiteral("Nisan"))) << Texts.join(',').toStdString();
    EXPECT_EQ(Cal->locale().dayName(1, QLocale::ShortFormat), QStringLiteral("Pzt"));
    EXPECT_EQ(Cal->firstDayOfWeek(), Qt::Monday);
    SendKey(QApplication::focusWidget(), Qt::Key_Right);
    SendKey(QApplication::focusWidget(), Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_FALSE(Cal->isVisible());
    EXPECT_EQ(P.Picker->Date(), EncodeDate(2004, 4, 22));
    EXPECT_EQ(P.Changes, 1);
}

TEST(ComCtrls, StatusPanelsPaintTheirTextsInTheirPlaces) {
    TForm F(nullptr);
    F.SetBounds(0, 0, 400, 100);
    auto* S = Child<TStatusBar>(&F);
    S->SetColor(clWhite);
    S->Font()->SetColor(clBlack);
    auto* Left = S->Panels()->Add();
    Left->SetWidth(200);
    Left->SetBevel(pbNone);
    Left->SetAlignment(taCenter);
    Left->SetText("Organize Sanayi");
    auto* Right = S->Panels()->Add();
    Right->SetBevel(pbNone);
    Right->SetBiDiMode(bdRightToLeft);   // reads from the right: left alignment mirrors
    Right->SetText("v1");
    F.Show();
    QImage I = S->Widget()->grab().toImage();
    auto InkIn = [&](int X0, int X1) {
        for (int X = X0; X < X1; ++X)
            for (int Y = 0; Y < I.height(); ++Y)
                if (QColor(I.pixel(X, Y)).lightness() < 128) return true;
        return false;
    };
    EXPECT_FALSE(InkIn(0, 30));     // centred: nothing at the far left
    EXPECT_TRUE(InkIn(60, 140));
    EXPECT_FALSE(InkIn(200, 340));  // the right-to-left panel's text sits at its right
    EXPECT_TRUE(InkIn(340, 400));
}
