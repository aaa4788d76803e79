// The grid's scroll-bar settings as the user sees them: which bars show, how wide,
// flat and in which colour.
#include "grid/ExtGrid.h"

#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <QImage>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <memory>

using namespace uitest;

namespace {

struct TScrollForm : TGridOnForm<TExtStringGrid> {
    TScrollForm() : TGridOnForm(3, 4) {   // everything fits
        Grid->SetColor(clWhite);
    }
    QScrollBar* Bar(Qt::Orientation O) { return GridBar(Grid, O); }
};

}  // namespace

using ExtGridScrollBars = uitest::TGridFormTest<TScrollForm>;

TEST_F(ExtGridScrollBars, BarAlwaysShownStaysDisabledWhileEverythingFits) {
    F.Shot();
    const Integer FullWidth = G->ClientWidth();
    EXPECT_FALSE(F.Bar(Qt::Vertical)->isVisible());
    G->SetScrollBarAlways(saVert);
    F.Shot();
    ASSERT_TRUE(F.Bar(Qt::Vertical)->isVisible());
    EXPECT_FALSE(F.Bar(Qt::Vertical)->isEnabled());
    EXPECT_FALSE(F.Bar(Qt::Horizontal)->isVisible());
    EXPECT_LT(G->ClientWidth(), FullWidth);
    G->SetRowCount(200);   // rows beyond the view: the bar works again
    F.Shot();
    EXPECT_TRUE(F.Bar(Qt::Vertical)->isEnabled());
    G->SetRowCount(4);
    G->SetScrollBarAlways(saHorz);
    F.Shot();
    EXPECT_FALSE(F.Bar(Qt::Vertical)->isVisible());
    EXPECT_TRUE(F.Bar(Qt::Horizontal)->isVisible());
    G->SetScrollBarAlways(saNone);
    F.Shot();
    EXPECT_FALSE(F.Bar(Qt::Horizontal)->isVisible());
    EXPECT_EQ(FullWidth, G->ClientWidth());
}

TEST_F(ExtGridScrollBars, ABarTheScrollBarsSettingForbidsStaysHidden) {
    G->SetScrollBars(ssHorizontal);
    G->SetScrollBarAlways(saBoth);
    F.Shot();
    EXPECT_FALSE(F.Bar(Qt::Vertical)->isVisible());
    EXPECT_TRUE(F.Bar(Qt::Horizontal)->isVisible());
}

TEST_F(ExtGridScrollBars, WidthAndColourApplyToFlatBarsOnly) {
    G->SetRowCount(200);
    G->SetScrollWidth(9);
    G->SetScrollColor(clRed);
    QImage I = F.Shot();
    const Integer NormalClient = G->ClientWidth();
    const TRect Strip = Bounds(G->Widget()->width() - 9, 0, 9, 100);   // the client's right edge
    EXPECT_EQ(0, CountColour(I, Strip, clRed));   // the normal bars keep the style's look
    G->SetScrollType(ssFlat);
    I = F.Shot();
    EXPECT_EQ(G->Width() - 2 * 2 - 9, G->ClientWidth());   // inside the two-pixel frame
    EXPECT_NE(NormalClient, G->ClientWidth());
    EXPECT_GT(CountColour(I, Strip, clRed), 100);
    EXPECT_EQ(9, F.Bar(Qt::Vertical)->width());
    G->SetScrollColor(clNone);
    I = F.Shot();
    EXPECT_EQ(0, CountColour(I, Strip, clRed));
    G->SetScrollType(ssNormal);
    F.Shot();
    EXPECT_EQ(NormalClient, G->ClientWidth());
}

namespace {

// The vertical bar as shown, for a grid of the given number of rows.
QImage VerticalBar(TScrollType Type, bool Proportional, Integer Rows) {
    TScrollForm F;
    F.Grid->SetScrollType(Type);
    F.Grid->SetScrollProportional(Proportional);
    F.Grid->SetRowCount(Rows);
    F.Shot();
    return F.Bar(Qt::Vertical)->grab().toImage();
}

}  // namespace

struct TThumbCase {
    TScrollType Type;
};

class ExtGridThumbs : public ::testing::TestWithParam<TThumbCase> {};

// A short and a long grid give thumbs of different lengths only with ScrollProportional.
TEST_P(ExtGridThumbs, ThumbLengthFollowsTheVisiblePartOnlyWhenProportional) {
    const TScrollType T = GetParam().Type;
    EXPECT_NE(VerticalBar(T, true, 20), VerticalBar(T, true, 2000));
    EXPECT_EQ(VerticalBar(T, false, 20), VerticalBar(T, false, 2000));
    EXPECT_NE(VerticalBar(T, true, 20), VerticalBar(T, false, 20));
}

INSTANTIATE_TEST_SUITE_P(Types, ExtGridThumbs, ::testing::Values(TThumbCase{ssNormal}, TThumbCase{ssFlat}, TThumbCase{ssEncarta}));

TEST_F(ExtGridScrollBars, ProportionalIsOffAtFirstAndPagingStillMovesAPage) {
    EXPECT_FALSE(G->ScrollProportional());
    G->SetRowCount(200);
    F.Shot();
    QScrollBar* V = F.Bar(Qt::Vertical);
    const Integer Top = G->TopRow();
    V->triggerAction(QAbstractSlider::SliderPageStepAdd);
    Settle();
    EXPECT_EQ(Top + G->VisibleRowCount(), G->TopRow());
}

TEST_F(ExtGridScrollBars, TheTwoFlatTypesLookDifferentAndEncartaHasArrowButtons) {
    G->SetRowCount(200);
    G->SetScrollWidth(14);
    G->SetScrollType(ssFlat);
    F.Shot();
    QScrollBar* V = F.Bar(Qt::Vertical);
    const QImage Flat = V->grab().toImage();
    G->SetScrollType(ssEncarta);
    F.Shot();
    const QImage Encarta = V->grab().toImage();
    EXPECT_EQ(14, V->width());
    EXPECT_NE(Flat, Encarta);
    // The arrow button at the bottom scrolls one row.
    const Integer Top = G->TopRow();
    SystemClick(G, QPoint(G->Width() - 7, G->Height() - 5));
    Settle();
    EXPECT_EQ(Top + 1, G->TopRow());
}
