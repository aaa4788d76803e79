// What the grid paints besides its cells (flat border, the area past the cells, the
// editor frame, sizing lines), its balloon tips and the date picker's change event.
#include "grid/ExtGridEditors.h"

#include "platform/rtl/SysUtils.h"
#include "platform/ui/BalloonTip.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

using namespace uitest;

namespace {

class TFrameGrid : public TExtStringGrid {
public:
    using TExtStringGrid::TExtStringGrid;
    void SetThemed(bool Value) { FThemed = Value; }
};

// Three columns and four rows that leave room right of and below the cells.
struct TFrameForm : TGridOnForm<TFrameGrid> {
    TFrameForm() : TGridOnForm(Keep, Keep) {
        Form->SetColor(clYellow);
        Grid->SetBounds(10, 10, 500, 300);
        Grid->SetScrollBars(ssNone);
        Grid->SetColor(clWhite);
        Grid->SetColCount(3);
        Grid->SetRowCount(4);
        Grid->SetDefaultColWidth(80);
    }
    // The whole window, frame included.
    QImage WindowShot() {
        Form->Show();
        Settle();
        return Grid->WindowWidget()->grab().toImage();
    }
};

void SendToolTip(TControl* C, TPoint P) {
    const QPoint Local(P.X, P.Y);
    QHelpEvent E(QEvent::ToolTip, Local, C->Widget()->mapToGlobal(Local));
    QApplication::sendEvent(C->Widget(), &E);
}

TPoint Centre(const TRect& R) { return Point((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2); }

// The shown balloon's labels: the icon, then the title and the text.
QList<QLabel*> BalloonLabels() {
    for (QWidget* W : QApplication::topLevelWidgets())
        if (W->objectName() == QStringLiteral("BalloonTip") && W->isVisible()) return W->findChildren<QLabel*>();
    return {};
}
QLabel* BalloonIcon() { return BalloonLabels().value(0); }
QLabel* BalloonLabel(int Index) { return BalloonLabels().value(Index + 1); }

}  // namespace

// --- the frame ------------------------------------------------------------------------------
// The frame lies outside the client area: a bordered grid's cells start inside it.
struct TFrameCase {
    TGridLook Look;
    bool Flat;
    TBorderStyle Border;
    bool Themed;
    Integer Width;   // of the frame on every side
    TColor Inner;    // the flat looks' inner ring; clNone: no ring over the frame
};

class ExtGridFrameRing : public ::testing::TestWithParam<TFrameCase> {};

TEST_P(ExtGridFrameRing, TheFrameSurroundsTheClientAreaInTheLooksColours) {
    const TFrameCase C = GetParam();
    TFrameForm F;
    F.Grid->SetThemed(C.Themed);
    F.Grid->SetLook(C.Look);
    F.Grid->SetFlat(C.Flat);
    F.Grid->SetBorderStyle(C.Border);
    const QImage I = F.WindowShot();
    const Integer H = F.Grid->Height(), W = F.Grid->Width(), M = C.Width;
    ASSERT_EQ(W, I.width());
    EXPECT_EQ(W - 2 * M, F.Grid->ClientWidth());
    EXPECT_EQ(H - 2 * M, F.Grid->ClientHeight());
    EXPECT_EQ(W - 2 * M, F.Grid->Widget()->width());
    // Just inside the frame: the client's own background past the cells.
    EXPECT_EQ(clWhite, PixelAt(I, W - M - 1, H - M - 1));
    EXPECT_EQ(clWhite, PixelAt(I, W / 2, H - M - 1));
    if (M == 0) {
        EXPECT_EQ(clWhite, PixelAt(I, W - 1, H - 1));
    } else if (M == 1) {
        for (const TPoint P : {Point(0, H / 2), Point(W - 1, H / 2), Point(W / 2, H - 1), Point(W / 2, 0)})
            EXPECT_EQ(ColorToRGB(clWindowFrame), PixelAt(I, P.X, P.Y)) << P.X << "," << P.Y;
    } else if (C.Inner == clNone) {
        // The sunken edge: dark above and left, light below and right.
        EXPECT_EQ(ColorToRGB(clBtnShadow), PixelAt(I, 0, H / 2));
        EXPECT_EQ(ColorToRGB(cl3DDkShadow), PixelAt(I, 1, H / 2));
        EXPECT_EQ(ColorToRGB(clBtnHighlight), PixelAt(I, W - 1, H / 2));
        EXPECT_EQ(ColorToRGB(cl3DLight), PixelAt(I, W / 2, H - 2));
    } else {
        for (const TPoint P : {Point(1, H - 10), Point(W - 2, H / 2), Point(W / 2, H - 2), Point(W / 2, 1)})
            EXPECT_EQ(C.Inner, PixelAt(I, P.X, P.Y)) << P.X << "," << P.Y;
        // The outermost ring takes the parent's colour.
        EXPECT_EQ(clYellow, PixelAt(I, 0, H / 2));
        EXPECT_EQ(clYellow, PixelAt(I, W / 2, H - 1));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Looks, ExtGridFrameRing,
    ::testing::Values(TFrameCase{glXP, false, bsSingleBorder, true, 2, TColor(0xB99D7F)},
                      TFrameCase{glXP, false, bsSingleBorder, false, 2, TColor(0x808080)},
                      TFrameCase{glSoft, false, bsSingleBorder, false, 2, TColor(0x808080)},
                      TFrameCase{glListView, false, bsSingleBorder, true, 2, TColor(0xB99D7F)},
                      TFrameCase{glKezmo, false, bsSingleBorder, false, 2, TColor(0x808080)},
                      TFrameCase{glClassic, false, bsSingleBorder, false, 2, clNone},
                      TFrameCase{glStandard, false, bsSingleBorder, true, 2, clNone},
                      TFrameCase{glXP, true, bsSingleBorder, true, 1, clNone},
                      TFrameCase{glXP, false, bsNoBorder, true, 0, clNone}));

namespace {

// The form as it was last painted on the screen (not painted afresh for the picture).
QImage OnScreen(TForm* Form) {
    QWidget* W = Form->WindowWidget();
    return W->screen()->grabWindow(W->winId()).toImage();
}

}  // namespace

// The parent's colour changes after the grid was painted: what the screen shows (not a
// picture painted afresh) has the outer ring in the new colour, whether the parent follows
// its own parent's colour or is given one; a look without the rings keeps its sunken edge.
TEST(ExtGridFrame, TheOuterRingOnTheScreenTakesTheParentsNewColour) {
    for (const TGridLook Look : {glXP, glSoft, glClassic}) {
        TFrameForm F;
        TPanel* Panel = Place<TPanel>(F.Form.get(), 0, 0, 560, 360);
        Panel->SetBevelOuter(bvNone);
        Panel->SetParentColor(true);
        F.Grid->SetParent(Panel);
        F.Grid->SetLook(Look);
        F.Grid->SetThemed(false);
        F.WindowShot();
        const Integer W = F.Grid->Width(), H = F.Grid->Height();
        for (const TColor C : {clYellow, clAqua, clLime}) {
            if (C == clAqua) F.Form->SetColor(C);
            if (C == clLime) Panel->SetColor(C);
            Settle();
            const QImage I = OnScreen(F.Form.get());
            EXPECT_EQ(C, PixelAt(I, 5, 5)) << Look;
            if (Look == glClassic) {
                EXPECT_EQ(ColorToRGB(clBtnShadow), PixelAt(I, 10, 10 + H / 2));
                continue;
            }
            const QPoint Outer[] = {QPoint(10, 10 + H / 2), QPoint(10 + W / 2, 10 + H - 1),
                                    QPoint(10 + W - 1, 10 + H / 2)};
            for (const QPoint P : Outer)
                EXPECT_EQ(C, PixelAt(I, P)) << Look << " " << P.x() << "," << P.y();
            EXPECT_EQ(TColor(0x808080), PixelAt(I, 11, 10 + H / 2)) << Look;
        }
    }
}

TEST(ExtGridFrame, CellsStartInsideTheFrameAndAPressOnTheFrameReachesNoCell) {
    TFrameForm F;
    F.Grid->SetFixedColor(clRed);
    F.Grid->SetLook(glClassic);
    const QImage I = F.WindowShot();
    EXPECT_EQ(Rect(0, 0, F.Grid->ColWidths(0), F.Grid->RowHeights(0)), F.Grid->CellRect(0, 0));
    EXPECT_EQ(clRed, PixelAt(I, 2 + 3, 2 + 3));   // the fixed cell, two pixels in
    EXPECT_NE(clRed, PixelAt(I, 1, 5));
    F.Grid->SetRowCount(40);
    Settle();
    ASSERT_EQ(1, F.Grid->Row());
    QWidget* Win = F.Grid->WindowWidget();
    auto PressAt = [&](QPoint P) {
        QTest::mouseClick(Win->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier, Win->mapTo(Win->window(), P));
        Settle();
    };
    const TRect Cell = F.Grid->CellRect(2, 3);
    PressAt(QPoint(2 + Cell.Left + 5, F.Grid->Height() - 1));   // the frame's bottom line
    EXPECT_EQ(1, F.Grid->Row());
    PressAt(QPoint(2 + Cell.Left + 5, 2 + Cell.Top + 1));   // just inside the cell
    EXPECT_EQ(3, F.Grid->Row());
    EXPECT_EQ(2, F.Grid->Col());
}

TEST(ExtGridFrame, BorderStyleAndFlatChangeTheClientAreaAndTheScrollBarsStayInside) {
    TFrameForm F;
    F.Grid->SetScrollBars(ssBoth);
    F.Grid->SetRowCount(60);
    F.Grid->SetColCount(20);
    F.Form->Show();
    Settle();
    const Integer W = F.Grid->Width();
    QScrollBar* V = nullptr;
    for (QScrollBar* B : F.Grid->Widget()->findChildren<QScrollBar*>())
        if (B->orientation() == Qt::Vertical) V = B;
    ASSERT_NE(nullptr, V);
    ASSERT_TRUE(V->isVisible());
    auto BarTopRight = [&] { return V->mapTo(F.Grid->WindowWidget(), QPoint(V->width(), 0)); };
    EXPECT_EQ(QPoint(W - 2, 2), BarTopRight());
    EXPECT_EQ(W - 2 * 2 - V->width(), F.Grid->ClientWidth());
    const Integer Rows = F.Grid->VisibleRowCount();

    F.Grid->SetBorderStyle(bsNoBorder);
    Settle();
    EXPECT_EQ(QPoint(W, 0), BarTopRight());
    EXPECT_EQ(W - V->width(), F.Grid->ClientWidth());
    EXPECT_GE(F.Grid->VisibleRowCount(), Rows);

    F.Grid->SetBorderStyle(bsSingleBorder);
    F.Grid->SetFlat(true);
    Settle();
    EXPECT_EQ(QPoint(W - 1, 1), BarTopRight());
    EXPECT_EQ(W - 2 - V->width(), F.Grid->ClientWidth());
}

// --- the area past the cells ---------------------------------------------------------------
TEST(ExtGridFrame, AGradientBackgroundFillsTheAreaRightOfAndBelowTheCells) {
    TFrameForm F;
    F.Grid->SetBorderStyle(bsNoBorder);
    F.Grid->BackGround()->SetColor(clRed);
    F.Grid->BackGround()->SetColorTo(clBlue);
    F.Grid->BackGround()->SetDisplay(bdGradientHorz);
    QImage I = F.Shot();
    const TRect Last = F.Grid->CellRect(2, 3);
    const Integer W = F.Grid->ClientWidth(), H = F.Grid->ClientHeight();
    // Horizontal: reddish near the left of the area below, bluish at the far right.
    const TColor NearLeft = PixelAt(I, 2, Last.Bottom + 20);
    const TColor FarRight = PixelAt(I, W - 2, H / 2);
    EXPECT_GT(GetRValue(NearLeft), 200);
    EXPECT_LT(GetBValue(NearLeft), 40);
    EXPECT_GT(GetBValue(FarRight), 200);
    EXPECT_LT(GetRValue(FarRight), 40);
    // The same column of the gradient above and below the last row's bottom.
    EXPECT_EQ(PixelAt(I, Last.Right + 20, Last.Top + 2), PixelAt(I, Last.Right + 20, Last.Bottom + 20));

    F.Grid->BackGround()->SetColorTo(clNone);   // a gradient without its end colour paints nothing
    I = F.Shot();
    EXPECT_EQ(clWhite, PixelAt(I, W - 2, H / 2));
    EXPECT_EQ(clWhite, PixelAt(I, 2, Last.Bottom + 20));
}

TEST(ExtGridFrame, ATiledPictureFillsThePastAreaUnlessOnlyFixedCellsTakeIt) {
    TFrameForm F;
    F.Grid->SetBorderStyle(bsNoBorder);
    TBitmap B;
    B.SetSize(8, 8);
    B.Canvas()->Brush()->SetColor(clLime);
    B.Canvas()->FillRect(Rect(0, 0, 8, 8));
    F.Grid->BackGround()->SetBitmap(&B);
    QImage I = F.Shot();
    const TRect Last = F.Grid->CellRect(2, 3);
    const TPoint Below = Point(5, Last.Bottom + 30), Right = Point(Last.Right + 30, 5);
    EXPECT_EQ(clLime, PixelAt(I, Below.X, Below.Y));
    EXPECT_EQ(clLime, PixelAt(I, Right.X, Right.Y));
    F.Grid->SetColWidths(2, 0);   // a last column or row of size 0 still ends the cells
    F.Grid->SetRowHeights(3, 0);
    I = F.Shot();
    EXPECT_TRUE(PixelAt(I, Below.X, Below.Y) == clLime && PixelAt(I, Right.X, Right.Y) == clLime);
    F.Grid->BackGround()->SetCells(bcFixed);
    I = F.Shot();
    EXPECT_EQ(clWhite, PixelAt(I, Below.X, Below.Y));
    EXPECT_EQ(clWhite, PixelAt(I, Right.X, Right.Y));
}

TEST(ExtGridFrame, CellsCoveringTheWindowLeaveNothingToFill) {
    TFrameForm F;
    F.Grid->SetBorderStyle(bsNoBorder);
    F.Grid->SetColCount(20);
    F.Grid->SetRowCount(50);
    F.Grid->BackGround()->SetColor(clRed);
    F.Grid->BackGround()->SetColorTo(clRed);
    F.Grid->BackGround()->SetDisplay(bdGradientVert);
    F.Grid->BackGround()->SetCells(bcFixed);   // keeps the cells themselves white
    const QImage I = F.Shot();
    const Integer W = F.Grid->ClientWidth(), H = F.Grid->ClientHeight();
    EXPECT_NE(clRed, PixelAt(I, W - 3, H - 3));
}

// --- the editor frame -------------------------------------------------------------------------
TEST(ExtGridFrame, TheCellBeingEditedIsFramedInTheGridLineColour) {
    TFrameForm F;
    F.Grid->SetBorderStyle(bsNoBorder);
    TGridOptions O = F.Grid->Options();
    O.Include(goEditing);
    F.Grid->SetOptions(O);
    F.Grid->SetGridLineColor(clRed);
    F.Grid->SetDefaultRowHeight(40);   // room for the frame above and below the editor
    F.Form->Show();
    F.Form->Widget()->activateWindow();
    F.Grid->SetFocus();
    Settle();
    const TRect R = F.Grid->CellRect(1, 1);
    QImage I = F.Shot();
    const TPoint LeftEdge = Point(R.Left, R.Top + R.Height() / 2), TopEdge = Point(R.Left + 5, R.Top);
    EXPECT_NE(clRed, PixelAt(I, LeftEdge.X, LeftEdge.Y));
    SendKey(FocusTarget(), Qt::Key_F2);
    ASSERT_TRUE(F.Grid->EditorMode());
    // The frame lies under the editor's edges: look with the editor out of the way.
    QWidget* Editor = FocusTarget();
    ASSERT_NE(F.Grid->Widget(), Editor);
    Editor->hide();
    I = F.Shot();
    EXPECT_EQ(clRed, PixelAt(I, LeftEdge.X, LeftEdge.Y));
    EXPECT_EQ(clRed, PixelAt(I, TopEdge.X, TopEdge.Y));
    Editor->show();
    Editor->setFocus();
    SendKey(FocusTarget(), Qt::Key_Escape, QStringLiteral("\x1b"));
    EXPECT_FALSE(F.Grid->EditorMode());
    I = F.Shot();
    EXPECT_NE(clRed, PixelAt(I, LeftEdge.X, LeftEdge.Y));
}

// --- sizing lines --------------------------------------------------------------------------
TEST(ExtGridFrame, SizingLinesAreDottedStopAtTheLastCellAndVanishWhenDrawnAgain) {
    TFrameForm F;
    F.Grid->SetBorderStyle(bsNoBorder);
    const TRect Last = F.Grid->CellRect(2, 3);
    F.Grid->DrawSizingColLine(50);
    F.Grid->DrawSizingRowLine(Last.Bottom - 5);
    QImage I = F.Shot();
    Integer Black = 0, White = 0;
    for (Integer Y = Last.Bottom - 30; Y < Last.Bottom - 6; ++Y) {
        Black += PixelAt(I, 50, Y) == clBlack;
        White += PixelAt(I, 50, Y) != clBlack;
    }
    EXPECT_GT(Black, 4);   // dotted: ink and gaps
    EXPECT_GT(White, 4);
    EXPECT_NE(clBlack, PixelAt(I, 50, Last.Bottom + 10));   // not past the last row
    Integer RowInk = 0;
    for (Integer X = 0; X < Last.Right; ++X) RowInk += PixelAt(I, X, Last.Bottom - 5) == clBlack;
    EXPECT_GT(RowInk, 20);
    for (Integer X = Last.Right + 2; X < F.Grid->ClientWidth(); ++X)
        ASSERT_NE(clBlack, PixelAt(I, X, Last.Bottom - 5)) << X;

    F.Grid->DrawSizingColLine(50);
    F.Grid->DrawSizingRowLine(Last.Bottom - 5);
    I = F.Shot();
    for (Integer Y = Last.Bottom - 30; Y < Last.Bottom - 6; ++Y) ASSERT_NE(clBlack, PixelAt(I, 50, Y)) << Y;
}

// --- balloon tips ------------------------------------------------------------------------------
TEST(ExtGridFrame, BalloonTextIsPlainCutAt1024AndLeadingBreaksGo) {
    TExtStringGrid G(nullptr);
    G.SetColCount(3);
    G.SetRowCount(3);
    G.SetCells(1, 1, AnsiString(2000, 'x'));
    const AnsiString Long = G.BalloonCellText(1, 1);
    EXPECT_EQ(1027u, Long.size());
    EXPECT_EQ("...", Long.substr(1024));
    G.SetCells(1, 1, "\r\n\tone\ttwo");
    EXPECT_EQ("one two", G.BalloonCellText(1, 1));
    G.SetCells(1, 1, "<b>bold</b> text");
    EXPECT_EQ("bold text", G.BalloonCellText(1, 1));
    G.SetCells(1, 1, "<b>R&amp;D</b> &amp;lt;");
    EXPECT_EQ("R&D &lt;", G.BalloonCellText(1, 1));
    G.SetCells(1, 1, "R&amp;D");   // plain text: shown as it stands
    EXPECT_EQ("R&amp;D", G.BalloonCellText(1, 1));
    G.SetCells(1, 1, "{\\rtf1\\ansi plain\\par}");
    EXPECT_EQ("plain", G.BalloonCellText(1, 1));
    G.SetCells(1, 1, "");
    EXPECT_EQ("", G.BalloonCellText(1, 1));
}

TEST(ExtGridFrame, TheBalloonShowsTheCellUnderTheMouseAsTextNotMarkup) {
    TFrameForm F;
    F.Grid->SetCells(1, 1, "a < b & c");
    F.Grid->SetCells(2, 2, "{\\rtf1\\ansi \\u1046?uk}");
    F.Shot();
    SendToolTip(F.Grid, Centre(F.Grid->CellRect(1, 1)));
    EXPECT_FALSE(BalloonShown(F.Grid));   // balloons are off

    F.Grid->Balloon()->SetEnable(true);
    Integer Asked = 0;
    F.Grid->OnCellBalloon = [&](TObject*, Integer ACol, Integer ARow, AnsiString& Title, AnsiString&, Integer&) {
        ++Asked;
        if (ACol == 2 && ARow == 2) Title = AnsiString(150, 'T');
    };
    SendToolTip(F.Grid, Centre(F.Grid->CellRect(1, 1)));
    TBalloonTip Tip;
    ASSERT_TRUE(BalloonShown(F.Grid, &Tip));
    EXPECT_EQ("a < b & c", Tip.Text);
    EXPECT_EQ(QStringLiteral("a < b & c"), BalloonLabel(1)->text());
    EXPECT_EQ(Qt::PlainText, BalloonLabel(1)->textFormat());
    SendToolTip(F.Grid, Centre(F.Grid->CellRect(2, 2)));
    ASSERT_TRUE(BalloonShown(F.Grid, &Tip));
    EXPECT_EQ(AnsiString(100, 'T') + "...", Tip.Title);
    EXPECT_EQ(QString(100, QLatin1Char('T')) + QStringLiteral("..."), BalloonLabel(0)->text());
    EXPECT_EQ(QStringLiteral("\u0416uk"), BalloonLabel(1)->text());   // a rich cell's own letters
    EXPECT_EQ(2, Asked);
    // Past the cells: no balloon.
    SendToolTip(F.Grid, Point(F.Grid->ClientWidth() - 3, F.Grid->ClientHeight() - 3));
    EXPECT_FALSE(BalloonShown(F.Grid));
    EXPECT_FALSE(QToolTip::isVisible());
}

TEST(ExtGridFrame, TheBalloonIconComesFromTheHandlerAndOnlyOneToThreeShowOne) {
    TFrameForm F;
    F.Grid->SetCells(1, 1, "x");
    F.Shot();
    F.Grid->Balloon()->SetEnable(true);
    struct TCase { Integer Given, Shown; };
    for (const TCase& Case : {TCase{1, 1}, TCase{2, 2}, TCase{3, 3}, TCase{0, 0}, TCase{4, 0}, TCase{-1, 0}}) {
        Integer Seen = -5;
        F.Grid->OnCellBalloon = [&](TObject*, Integer, Integer, AnsiString&, AnsiString&, Integer& Icon) {
            Seen = Icon;
            Icon = Case.Given;
        };
        SendToolTip(F.Grid, Centre(F.Grid->CellRect(1, 1)));
        TBalloonTip Tip;
        ASSERT_TRUE(BalloonShown(F.Grid, &Tip));
        EXPECT_EQ(1, Seen);   // information unless the handler says otherwise
        EXPECT_EQ(Case.Shown, Tip.Icon) << Case.Given;
        EXPECT_EQ(Case.Shown != 0, BalloonIcon()->isVisibleTo(BalloonIcon()->window())) << Case.Given;
    }
}

TEST(ExtGridFrame, BalloonTransparencyAndColoursReachTheWindow) {
    TFrameForm F;
    F.Grid->SetCells(1, 1, "x");
    F.Shot();
    F.Grid->Balloon()->SetTransparency(51);
    F.Grid->Balloon()->SetBackgroundColor(clLime);
    F.Grid->Balloon()->SetEnable(true);
    SendToolTip(F.Grid, Centre(F.Grid->CellRect(1, 1)));
    TBalloonTip Tip;
    ASSERT_TRUE(BalloonShown(F.Grid, &Tip));
    EXPECT_EQ(51, Tip.Transparency);
    EXPECT_EQ(clLime, Tip.BackgroundColor);
    QWidget* W = BalloonIcon()->window();
    EXPECT_EQ(QColor(0, 255, 0), W->palette().color(QPalette::Window));
    F.Grid->Balloon()->SetTransparency(0);
    SendToolTip(F.Grid, Centre(F.Grid->CellRect(1, 1)));
    ASSERT_TRUE(BalloonShown(F.Grid, &Tip));
    EXPECT_EQ(0, Tip.Transparency);
}

TEST(ExtGridFrame, AUnicodeCellsBalloonKeepsItsLettersUnlessTheHandlerChangesTheText) {
    TFrameForm F;
    F.Grid->SetWideCell(1, 1, u"\t\u0416\tz");
    F.Shot();
    F.Grid->Balloon()->SetEnable(true);
    SendToolTip(F.Grid, Centre(F.Grid->CellRect(1, 1)));
    TBalloonTip Tip;
    ASSERT_TRUE(BalloonShown(F.Grid, &Tip));
    EXPECT_EQ(u"\u0416 z", Tip.WideText);
    EXPECT_EQ(QString::fromUtf16(u"\u0416 z"), BalloonLabel(1)->text());
    F.Grid->OnCellBalloon = [](TObject*, Integer, Integer, AnsiString&, AnsiString& Text, Integer&) { Text = "own"; };
    SendToolTip(F.Grid, Centre(F.Grid->CellRect(1, 1)));
    EXPECT_EQ(QStringLiteral("own"), BalloonLabel(1)->text());
    // A password cell's balloon shows what the cell shows, Unicode or not.
    F.Grid->OnCellBalloon = nullptr;
    F.Grid->OnIsPasswordCell = [](TObject*, Integer, Integer, bool& P) { P = true; };
    F.Grid->SetCells(2, 1, "gizli");
    SendToolTip(F.Grid, Centre(F.Grid->CellRect(1, 1)));
    EXPECT_EQ(QStringLiteral("****"), BalloonLabel(1)->text());
    SendToolTip(F.Grid, Centre(F.Grid->CellRect(2, 1)));
    EXPECT_EQ(QStringLiteral("*****"), BalloonLabel(1)->text());
}

TEST(ExtGridFrame, WithAnInitialDelayTheBalloonWaitsForTheMouseToRest) {
    TFrameForm F;
    F.Grid->SetCells(1, 1, "first");
    F.Grid->SetCells(2, 2, "second");
    F.Shot();
    F.Grid->Balloon()->SetInitialDelay(60000);
    F.Grid->Balloon()->SetReshowDelay(1);
    F.Grid->Balloon()->SetEnable(true);
    const TPoint A = Centre(F.Grid->CellRect(1, 1));
    QTest::mouseMove(F.Grid->Widget(), QPoint(A.X, A.Y));
    SendToolTip(F.Grid, A);   // the desktop's hover comes too early
    Settle();
    EXPECT_FALSE(BalloonShown(F.Grid));
    F.Grid->Balloon()->SetInitialDelay(1);
    F.Grid->Balloon()->SetEnable(true);   // settings take effect
    QTest::mouseMove(F.Grid->Widget(), QPoint(A.X + 1, A.Y));
    TBalloonTip Tip;
    EXPECT_TRUE(QTest::qWaitFor([&] { return BalloonShown(F.Grid, &Tip); }, 2000));
    EXPECT_EQ("first", Tip.Text);
    // Moving on while it shows: the next cell's text after the reshow delay.
    const TPoint B = Centre(F.Grid->CellRect(2, 2));
    QTest::mouseMove(F.Grid->Widget(), QPoint(B.X, B.Y));
    EXPECT_TRUE(QTest::qWaitFor([&] { return BalloonShown(F.Grid, &Tip) && Tip.Text == "second"; }, 2000));
    // Leaving the grid takes it away.
    QEvent Leave(QEvent::Leave);
    QApplication::sendEvent(F.Grid->Widget(), &Leave);
    EXPECT_FALSE(BalloonShown(F.Grid));
}

TEST(ExtGridFrame, TheAfterPaintNotificationFollowsEveryPaint) {
    TFrameForm F;
    Integer Calls = 0;
    TObject* From = nullptr;
    F.Grid->OnAfterPaint = [&](TObject* Sender) {
        ++Calls;
        From = Sender;
    };
    F.Shot();
    EXPECT_GT(Calls, 0);
    EXPECT_EQ(F.Grid, From);
    const Integer Before = Calls;
    F.Grid->BeginUpdate();   // no paint while updating, so no notification
    F.Grid->Widget()->repaint();
    EXPECT_EQ(Before, Calls);
    F.Grid->EndUpdate();
    F.Grid->Widget()->repaint();
    EXPECT_GT(Calls, Before);
}

// --- date picker ---------------------------------------------------------------------------------
TEST(ExtGridFrame, ChangingTheDatePickerFiresOnDateTimeChangeForTheCurrentCell) {
    TFrameForm F;
    TGridOptions O = F.Grid->Options();
    O.Include(goEditing);
    F.Grid->SetOptions(O);
    F.Grid->OnGetEditorType = [](TObject*, Integer ACol, Integer, TEditorType& E) {
        if (ACol == 1) E = edDateEdit;
    };
    F.Grid->SetCells(1, 2, DateToStr(EncodeDate(2024, 2, 1)));
    F.Grid->SetRow(2);
    F.Grid->SetCol(1);
    F.Form->Show();
    F.Form->Widget()->activateWindow();
    F.Grid->SetFocus();
    Settle();
    std::vector<std::tuple<Integer, Integer, TDateTime>> Seen;
    F.Grid->OnDateTimeChange = [&](TObject*, Integer ACol, Integer ARow, TDateTime D) { Seen.emplace_back(ACol, ARow, D); };
    SendKey(FocusTarget(), Qt::Key_F2);
    ASSERT_EQ(F.Grid->DateTimePicker(), F.Grid->ActiveEditorControl());
    EXPECT_TRUE(Seen.empty());   // opening is no change
    SendKey(FocusTarget(), Qt::Key_Up);
    ASSERT_EQ(1u, Seen.size());
    EXPECT_EQ(1, std::get<0>(Seen[0]));
    EXPECT_EQ(2, std::get<1>(Seen[0]));
    EXPECT_NE(EncodeDate(2024, 2, 1), std::get<2>(Seen[0]));
}

TEST(ExtGridFrame, TheSearchPanelIs32PixelsHighWhenShownAndNothingWhenHidden) {
    TFrameForm F;
    F.Shot();
    F.Grid->SearchFooter()->SetVisible(true);
    EXPECT_EQ(32, F.Grid->SearchPanel()->Height());
    EXPECT_TRUE(F.Grid->SearchPanel()->Visible());
    F.Grid->SearchFooter()->SetVisible(false);
    EXPECT_EQ(0, F.Grid->SearchPanel()->Height());
}

