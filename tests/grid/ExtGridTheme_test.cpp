// Themed parts of the grid drawn by the desktop's widget style, the classic
// fallback, and the colour schemes that follow the desktop's theme.
#include "grid/ExtGrid.h"

#include "grid/ExtObj.h"
#include "grid/GridTestKit.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

using namespace gridtest;
using namespace uitest;

namespace {

class TThemeGrid : public TExtStringGrid {
public:
    using TExtStringGrid::TExtStringGrid;
    void SetThemed(bool Value) { FThemed = Value; }
    using TExtStringGrid::Loaded;
};

struct TThemeForm : TPaintedGridForm<TThemeGrid> {
    TThemeForm() : TPaintedGridForm(100) {
        Grid->SetRow(9);   // the selection away from the cells under test
        Grid->SetCol(5);
    }
};

// The style's own check-box or radio indicator of Size pixels on white.
QImage StyleIndicator(QStyle::PrimitiveElement E, int Size, bool On) {
    QImage I(Size, Size, QImage::Format_ARGB32);
    I.fill(Qt::white);
    QPainter P(&I);
    QStyleOptionButton O;
    O.rect = QRect(0, 0, Size, Size);
    O.state = QStyle::State_Enabled | (On ? QStyle::State_On : QStyle::State_Off);
    O.palette = QApplication::palette();
    QApplication::style()->drawPrimitive(E, &O, &P);
    return I;
}

// True when the picture P appears pixel for pixel somewhere inside R of I.
bool Contains(const QImage& I, const TRect& R, const QImage& P) {
    for (int Y = R.Top; Y + P.height() <= R.Bottom; ++Y)
        for (int X = R.Left; X + P.width() <= R.Right; ++X) {
            bool Same = true;
            for (int Py = 0; Same && Py < P.height(); ++Py)
                for (int Px = 0; Same && Px < P.width(); ++Px)
                    Same = I.pixel(X + Px, Y + Py) == P.pixel(Px, Py);
            if (Same) return true;
        }
    return false;
}

void SendThemeChange(TControl* C) {
    QEvent E(QEvent::ThemeChange);
    QApplication::sendEvent(C->Widget(), &E);
}

}  // namespace

TEST(ExtGridTheme, ControlStyleStartsAsWinXP) {
    TExtStringGrid G(nullptr);
    EXPECT_EQ(csWinXP, G.ControlLook()->ControlStyle());
}

TEST(ExtGridTheme, AssigningAControlLookLeavesTheButtonAndDisabledLooksAndTheGradient) {
    TExtStringGrid A(nullptr), B(nullptr);
    TControlLook* S = A.ControlLook();
    S->SetControlStyle(csVarnel);
    S->SetCheckSize(11);
    S->SetRadioSize(9);
    S->SetColor(clGreen);
    S->SetCommentColor(clBlue);
    S->SetFlatButton(true);
    S->SetDropDownAlwaysVisible(true);
    S->SetProgressBorderColor(clRed);
    S->SetProgressMarginX(4);
    S->SetProgressMarginY(5);
    S->SetProgressXP(true);
    S->SetNoDisabledCheckRadioLook(true);
    S->SetNoDisabledButtonLook(true);
    S->SetCheckAlwaysActive(true);
    S->SetRadioAlwaysActive(true);
    S->SetFixedGradientFrom(clYellow);
    TControlLook* D = B.ControlLook();
    D->Assign(S);
    EXPECT_EQ(csVarnel, D->ControlStyle());
    EXPECT_EQ(11, D->CheckSize());
    EXPECT_EQ(9, D->RadioSize());
    EXPECT_EQ(clGreen, D->Color());
    EXPECT_EQ(clBlue, D->CommentColor());
    EXPECT_FALSE(D->FlatButton());
    EXPECT_FALSE(D->DropDownAlwaysVisible());
    EXPECT_EQ(clRed, D->ProgressBorderColor());
    EXPECT_EQ(4, D->ProgressMarginX());
    EXPECT_EQ(5, D->ProgressMarginY());
    EXPECT_FALSE(D->ProgressXP());
    EXPECT_FALSE(D->NoDisabledCheckRadioLook());
    EXPECT_FALSE(D->NoDisabledButtonLook());
    EXPECT_TRUE(D->CheckAlwaysActive());
    EXPECT_TRUE(D->RadioAlwaysActive());
    EXPECT_EQ(clNone, D->FixedGradientFrom());
    EXPECT_NE(ColorToRGB(clYellow), B.GradientFrom());
}

TEST(ExtGridTheme, WinXPCheckBoxesAreTheStylesIndicatorsClassicOnesAreNot) {
    TThemeForm F;
    F.Grid->CreateCellGraphic(1, 1)->SetCellType(ctCheckBox);
    F.Grid->GetCellGraphic(1, 1)->SetCellBoolean(true);
    F.Grid->CreateCellGraphic(1, 2)->SetCellType(ctCheckBox);
    F.Grid->ControlLook()->SetCheckAlwaysActive(true);
    const Integer S = F.Grid->ControlLook()->CheckSize();
    const QImage On = StyleIndicator(QStyle::PE_IndicatorCheckBox, S, true);
    const QImage Off = StyleIndicator(QStyle::PE_IndicatorCheckBox, S, false);
    ASSERT_NE(On, Off);
    QImage I = F.Shot();
    EXPECT_TRUE(Contains(I, F.Grid->CellRect(1, 1), On));
    EXPECT_TRUE(Contains(I, F.Grid->CellRect(1, 2), Off));
    EXPECT_FALSE(Contains(I, F.Grid->CellRect(1, 1), Off));

    F.Grid->ControlLook()->SetControlStyle(csClassic);   // writing it repaints the grid
    I = F.Shot();
    EXPECT_FALSE(Contains(I, F.Grid->CellRect(1, 1), On));
    EXPECT_GT(CountColour(I, F.Grid->CellRect(1, 1), TColor(0x808080)), S);   // the sunken classic frame
}

TEST(ExtGridTheme, WinXPRadioButtonsAreTheStylesIndicators) {
    TThemeForm F;
    F.Grid->SetColWidths(1, 200);
    TCellGraphic* G = F.Grid->CreateCellGraphic(1, 1);
    G->SetCellType(ctRadio);
    auto* Items = new TStringList();
    Items->Add("A");
    Items->Add("B");
    G->SetGraphic(Items, true);
    G->SetCellIndex(1);
    F.Grid->ControlLook()->SetRadioAlwaysActive(true);
    const QImage I = F.Shot();
    const TRect R = F.Grid->CellRect(1, 1);
    const TRect FirstHalf = Rect(R.Left, R.Top, R.Left + 30, R.Bottom);
    EXPECT_TRUE(Contains(I, FirstHalf, StyleIndicator(QStyle::PE_IndicatorRadioButton, 12, false)));
    EXPECT_TRUE(Contains(I, Rect(R.Left + 20, R.Top, R.Right, R.Bottom),
                         StyleIndicator(QStyle::PE_IndicatorRadioButton, 12, true)));
    EXPECT_FALSE(Contains(I, FirstHalf, StyleIndicator(QStyle::PE_IndicatorRadioButton, 12, true)));
}

TEST(ExtGridTheme, WithoutAStyleWinXPFallsBackToItsDrawnLookAndThemeDrawsNothing) {
    TThemeForm F;
    F.Grid->SetThemed(false);
    F.Grid->CreateCellGraphic(1, 1)->SetCellType(ctCheckBox);
    F.Grid->ControlLook()->SetCheckAlwaysActive(true);
    QImage I = F.Shot();
    EXPECT_GT(CountColour(I, F.Grid->CellRect(1, 1), TColor(0x80511C)), 20);   // the drawn box's blue frame
    F.Grid->ControlLook()->SetControlStyle(csTheme);
    I = F.Shot();
    TRect R = F.Grid->CellRect(1, 1);
    InflateRect(R, -1, -1);
    EXPECT_EQ(R.Width() * R.Height(), CountColour(I, R, clWhite));
}

TEST(ExtGridTheme, LoadingKeepsTheThemedStyleOnlyWhenAStyleCanDrawIt) {
    for (bool Themed : {true, false}) {
        TThemeGrid G(nullptr);
        G.SetThemed(Themed);
        G.ControlLook()->SetControlStyle(csTheme);
        G.Loaded();
        EXPECT_EQ(Themed ? csTheme : csClassic, G.ControlLook()->ControlStyle()) << Themed;
    }
}

TEST(ExtGridTheme, ProgressBarsTakeTheStylesLookWithProgressXP) {
    TThemeForm F;
    F.Grid->SetColWidths(1, 200);
    TCellGraphic* P = F.Grid->CreateCellGraphic(1, 1);
    P->SetCellType(ctProgress);
    P->SetCellColor(clBlue);
    P->SetCellColorTo(clWhite);
    F.Grid->SetCells(1, 1, "50");
    F.Grid->ControlLook()->SetProgressXP(true);
    QImage I = F.Shot();
    // The style's bar, not the cell graphic's own colours.
    EXPECT_EQ(0, CountColour(I, F.Grid->CellRect(1, 1), clBlue));
    F.Grid->ControlLook()->SetProgressXP(false);
    I = F.Shot();
    EXPECT_GT(CountColour(I, F.Grid->CellRect(1, 1), clBlue), 100);
}

TEST(ExtGridTheme, ButtonsAreTheStylesBevelWhenThemedAndTheClassicEdgeOtherwise) {
    TThemeForm F;
    TCellGraphic* B = F.Grid->CreateCellGraphic(1, 1);
    B->SetCellType(ctButton);
    B->SetCellHAlign(haFull);
    B->SetCellVAlign(vaFull);
    QImage I = F.Shot();
    const TRect R = F.Grid->CellRect(1, 1);
    const Integer ThemedShadow = CountColour(I, R, ColorToRGB(cl3DDkShadow));
    F.Grid->SetThemed(false);
    F.Grid->Invalidate();
    I = F.Shot();
    // The classic raised edge: a dark outer shadow along the bottom and right.
    const Integer ClassicShadow = CountColour(I, R, ColorToRGB(cl3DDkShadow));
    EXPECT_GT(ClassicShadow, R.Width() / 2);
    EXPECT_LT(ThemedShadow, ClassicShadow / 4);
}

TEST(ExtGridTheme, ListViewHeadersAreTheStylesHeaderSections) {
    TThemeForm F;
    F.Grid->SetLook(glListView);
    F.Grid->SetCells(1, 0, "");
    const TRect R = F.Grid->CellRect(1, 0);
    QImage Want(R.Width() + 2, R.Height() + 2, QImage::Format_ARGB32);
    Want.fill(Qt::white);
    {
        QPainter P(&Want);
        QStyleOptionHeader O;
        O.rect = QRect(0, 0, Want.width(), Want.height());
        O.state = QStyle::State_Enabled | QStyle::State_Raised | QStyle::State_Horizontal;
        O.position = QStyleOptionHeader::Middle;
        O.palette = QApplication::palette();
        QApplication::style()->drawControl(QStyle::CE_HeaderSection, &O, &P);
    }
    QImage I = F.Shot();
    // The middle row of the section, away from the grid lines and the top highlight.
    const int Y = R.Height() / 2;
    Integer Same = 0;
    for (int X = 4; X < R.Width() - 4; ++X) Same += I.pixel(R.Left + X, R.Top + Y) == Want.pixel(X + 1, Y + 1);
    EXPECT_EQ(R.Width() - 8, Same);
    F.Grid->SetThemed(false);
    F.Grid->Invalidate();
    I = F.Shot();
    EXPECT_EQ(ColorToRGB(clBtnFace), PixelAt(I, R.Left + R.Width() / 2, R.Top + Y));
}

class ExtGridThemeSchemes : public ::testing::TestWithParam<std::tuple<const char*, Integer, TColor, TColor>> {};

TEST_P(ExtGridThemeSchemes, TheDesktopsColourSchemeChoosesTheColours) {
    const auto [Name, Scheme, From, ActiveTo] = GetParam();
    TThemeGuard Guard(Name);
    EXPECT_EQ(Scheme, TExtStringGrid::GetXPColorScheme());
    TThemeForm F;
    F.Grid->SetAutoThemeAdapt(true);
    EXPECT_EQ(From, F.Grid->GradientFrom());
    EXPECT_EQ(ActiveTo, F.Grid->ActiveCellColorTo());
}

INSTANTIATE_TEST_SUITE_P(Names, ExtGridThemeSchemes,
                         ::testing::Values(std::make_tuple("", 0, TColor(0xFFFFFF), TColor(0xFFD9B3)),
                                           std::make_tuple("NormalColor", 1, TColor(0xFCE1CB), TColor(0x1595EE)),
                                           std::make_tuple("HomeStead", 2, TColor(0xCFF0EA), TColor(0x1595EE)),
                                           std::make_tuple("Metallic", 3, TColor(0xECE2E1), TColor(0x1595EE)),
                                           std::make_tuple("normalcolor", 0, TColor(0xFFFFFF), TColor(0xFFD9B3)),
                                           std::make_tuple("Royale", 0, TColor(0xFFFFFF), TColor(0xFFD9B3))));

TEST(ExtGridTheme, AThemeChangeRepaintsFixedCellsInTheNewSchemeOnlyWithAutoThemeAdapt) {
    TThemeGuard Guard("NormalColor");
    TThemeForm F;
    F.Grid->SetLook(glXP);
    F.Grid->SetActiveCellShow(false);
    const TRect R = F.Grid->CellRect(2, 0);
    const Integer X = R.Left + R.Width() / 2;
    F.Grid->SetAutoThemeAdapt(true);
    QImage I = F.Shot();
    EXPECT_EQ(TColor(0xFCE1CB), PixelAt(I, X, R.Top + 2));

    TThemeName::Name = "HomeStead";
    SendThemeChange(F.Grid);
    I = F.Shot();
    EXPECT_EQ(TColor(0xCFF0EA), PixelAt(I, X, R.Top + 2));

    F.Grid->SetAutoThemeAdapt(false);
    TThemeName::Name = "Metallic";
    SendThemeChange(F.Grid);
    I = F.Shot();
    EXPECT_EQ(TColor(0xCFF0EA), PixelAt(I, X, R.Top + 2));
}
