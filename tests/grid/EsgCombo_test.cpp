#include "grid/EsgCombo.h"

#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <QEnterEvent>

#include <gtest/gtest.h>

#include <memory>

using namespace uitest;

namespace {

struct TComboFixture : ::testing::Test {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TESGComboBox* Combo = nullptr;
    TEdit* Other = nullptr;
    void SetUp() override {
        Form->SetColor(clYellow);
        Combo = Place<TESGComboBox>(Form.get(), 10, 10, 140, 24);
        Combo->Items()->Add("1  Yeni");
        Combo->Items()->Add("2  Mevcut");
        Other = Place<TEdit>(Form.get(), 10, 50, 140, 24);
        Form->Show();
        Other->SetFocus();
        Settle();
    }
    QColor Pixel(int X, int Y) { return Combo->Widget()->grab().toImage().pixelColor(X, Y); }
    static QColor Q(TColor C) {
        C = ColorToRGB(C);
        return QColor(GetRValue(C), GetGValue(C), GetBValue(C));
    }
    void Hover(bool In) {
        if (In) {
            QEnterEvent E(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
            QApplication::sendEvent(Combo->Widget(), &E);
        } else {
            QEvent E(QEvent::Leave);
            QApplication::sendEvent(Combo->Widget(), &E);
        }
    }
};

}  // namespace

TEST_F(TComboFixture, ButtonWidthTakesOnly14To32) {
    EXPECT_EQ(Combo->ButtonWidth(), 21);
    for (Integer W : {13, 33, 0, -1}) {
        Combo->SetButtonWidth(W);
        EXPECT_EQ(Combo->ButtonWidth(), 21) << W;
    }
    Combo->SetButtonWidth(14);
    EXPECT_EQ(Combo->ButtonWidth(), 14);
    Combo->SetButtonWidth(32);
    EXPECT_EQ(Combo->ButtonWidth(), 32);
    EXPECT_EQ(Combo->Version(), "1.2.0.0");
}

TEST_F(TComboFixture, DisabledTakesTheParentColourAndEnabledRestoresItsOwn) {
    Combo->SetColor(clAqua);
    Combo->SetEnabled(false);
    EXPECT_TRUE(Combo->ParentColor());
    EXPECT_EQ(Combo->Color(), clYellow);
    Combo->SetEnabled(true);
    EXPECT_FALSE(Combo->ParentColor());
    EXPECT_EQ(Combo->Color(), clAqua);
}

TEST_F(TComboFixture, FlatFrameUsesTheParentColourUntilHoveredWithFocusBorder) {
    // Flat: the outer rings in the parent's colour, the inner one in the combo's.
    EXPECT_EQ(Pixel(0, 5), Q(clYellow));
    EXPECT_EQ(Pixel(1, 5), Q(clYellow));
    EXPECT_EQ(Pixel(2, 5), Q(Combo->Color()));
    Hover(true);
    EXPECT_TRUE(Combo->MouseInControl());
    EXPECT_EQ(Pixel(0, 5), Q(clYellow));   // no focus border: still flat
    Combo->SetFocusBorder(true);
    EXPECT_EQ(Pixel(0, 5), Q(clBtnShadow));   // sunken outer edge
    EXPECT_EQ(Pixel(1, 5), Q(clBtnFace));
    Hover(false);
    EXPECT_FALSE(Combo->MouseInControl());
    EXPECT_EQ(Pixel(0, 5), Q(clYellow));
    Combo->SetFocus();
    Settle();
    EXPECT_EQ(Pixel(0, 5), Q(clBtnShadow));   // focused counts as hot
}

TEST_F(TComboFixture, ButtonEdgeIsRaisedOrEtched) {
    const int W = Combo->Width();
    const int EdgeX = W - 2;   // right side of the button edge
    EXPECT_EQ(Pixel(EdgeX, 10), Q(cl3DDkShadow));
    Combo->SetEtched(true);
    EXPECT_EQ(Pixel(EdgeX, 10), Q(clBtnHighlight));
    // The arrow inside the button is dark.
    bool Dark = false;
    QImage I = Combo->Widget()->grab().toImage();
    for (int X = W - Combo->ButtonWidth(); X < W - 4; ++X)
        for (int Y = 6; Y < 18; ++Y)
            if (I.pixelColor(X, Y).lightness() < 60) Dark = true;
    EXPECT_TRUE(Dark);
}

TEST_F(TComboFixture, AutoFocusTakesTheFocusOnHover) {
    Combo->SetAutoFocus(true);
    Hover(true);
    Settle();
    EXPECT_TRUE(Combo->Focused());
}

TEST_F(TComboFixture, WithoutFlatTheStandardLookStays) {
    Combo->SetFlat(false);
    EXPECT_NE(Pixel(0, 5), Q(clYellow));
    Combo->SetEnabled(false);
    EXPECT_FALSE(Combo->ParentColor());
}
