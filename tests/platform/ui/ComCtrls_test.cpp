#include "platform/ui/ComCtrls.h"

#include "platform/ui/Forms.h"
#include "UiTestKit.h"

#include <QDateTimeEdit>

#include <gtest/gtest.h>

using namespace uitest;

TEST(ComCtrls, DatePickerFiresOnChangeForTheUserOnly) {
    TForm F(nullptr);
    auto* D = new TDateTimePicker(&F);
    D->SetParent(&F);
    int Changes = 0;
    D->OnChange = [&](TObject*) { ++Changes; };
    D->SetDate(EncodeDate(2004, 4, 21));
    D->SetDateTime(EncodeDate(2016, 2, 28) + EncodeTime(10, 0, 0, 0));
    EXPECT_EQ(Changes, 0);
    // The user moves the day on: the date changes, the time part stays.
    static_cast<QDateTimeEdit*>(D->Widget())->setDate(QDate(2016, 2, 29));
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(D->Date(), EncodeDate(2016, 2, 29));
    EXPECT_NEAR(D->Time(), EncodeTime(10, 0, 0, 0), 1e-6);
    EXPECT_EQ(DateToStr(D->Date()).substr(2, 1), ".");   // the separator the screens read
}

TEST(ComCtrls, StatusPanelsPaintTheirTextsInTheirPlaces) {
    TForm F(nullptr);
    F.SetBounds(0, 0, 400, 100);
    auto* S = new TStatusBar(&F);
    S->SetParent(&F);
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
