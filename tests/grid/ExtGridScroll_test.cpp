// Dragging a scroll bar's thumb with the mouse: the scroll hint and the cells that
// follow the thumb at once.
#include "grid/ExtGrid.h"
#include "grid/ExtGridHint.h"

#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <QScrollBar>

#include <gtest/gtest.h>

using namespace uitest;

namespace {

// Thirty columns of 60 pixels and 200 rows: both bars show.
struct TScrollHintForm : TGridOnForm<TExtStringGrid> {
    TScrollHintForm() : TGridOnForm(30, 200) {
        Grid->SetDefaultColWidth(60);
        Form->Show();
        Settle();
    }
    QScrollBar* Bar(Qt::Orientation O) const {
        for (QScrollBar* B : Grid->Widget()->findChildren<QScrollBar*>(QString(), Qt::FindDirectChildrenOnly))
            if (B->orientation() == O) return B;
        return nullptr;
    }
    QRect Thumb(QScrollBar* B) const { return ScrollThumb(B, !Grid->ScrollProportional()); }
    QPoint Drag(QScrollBar* B, Integer Delta) { return DragThumb(B, !Grid->ScrollProportional(), Delta); }
    void Send(QScrollBar* B, QEvent::Type T, QPoint P) { ScrollBarMouse(B, T, P); }
    void Release(QScrollBar* B, QPoint At) { ScrollBarMouse(B, QEvent::MouseButtonRelease, At); }
    // A point of the bar in the form's client coordinates, where hints are placed.
    TPoint InForm(QScrollBar* B, QPoint P) const {
        const QPoint G = B->mapToGlobal(P);
        return Form->ScreenToClient(Point(G.x(), G.y()));
    }
};

}  // namespace

TEST(ExtGridScroll, DraggingTheRowThumbShowsTheRowItPointsAtRightOfTheMouseUntilLetGo) {
    TScrollHintForm F;
    F.Grid->SetScrollHints(shVertical);
    F.Grid->SetHintColor(clYellow);
    QScrollBar* V = F.Bar(Qt::Vertical);
    ASSERT_NE(nullptr, V);
    const QPoint At = F.Drag(V, 60);
    ASSERT_TRUE(V->isSliderDown());
    const Integer Pointed = V->sliderPosition();
    EXPECT_GT(Pointed, 1);
    THTMLHintWindow* W = F.Grid->HintWindow();
    ASSERT_NE(nullptr, W);
    EXPECT_TRUE(W->Visible());
    EXPECT_TRUE(F.Grid->ScrollHintShown());
    EXPECT_EQ("Row : " + IntToStr(Pointed), W->Text());
    const TPoint Mouse = F.InForm(V, At);
    EXPECT_EQ(Mouse.X + 10, W->Left());
    EXPECT_EQ(Mouse.Y, W->Top());
    EXPECT_LE(W->Width(), 100 + 16);
    EXPECT_EQ(clYellow, PixelAt(W->Widget()->grab().toImage(), W->Width() / 2, 2));
    EXPECT_EQ(1, F.Grid->TopRow());   // the cells wait for the thumb to be let go
    // Further on, the hint follows.
    F.Send(V, QEvent::MouseMove, At + QPoint(0, 40));
    EXPECT_EQ("Row : " + IntToStr(V->sliderPosition()), W->Text());
    EXPECT_GT(V->sliderPosition(), Pointed);
    const Integer Last = V->sliderPosition();
    F.Release(V, At + QPoint(0, 40));
    EXPECT_FALSE(W->Visible());
    EXPECT_FALSE(F.Grid->ScrollHintShown());
    EXPECT_EQ(Last, F.Grid->TopRow());
}

TEST(ExtGridScroll, TheColumnThumbAtTheEndShowsTheLastLeftColumnAndTheEventRewritesIt) {
    TScrollHintForm F;
    F.Grid->SetScrollHints(shBoth);
    std::vector<Integer> Asked;
    F.Grid->OnScrollHint = [&](TObject* Sender, Integer ARow, AnsiString& Hint) {
        EXPECT_EQ(F.Grid, Sender);
        Asked.push_back(ARow);
        if (ARow > 20) Hint = "<b>" + Hint + "</b> & more";
    };
    QScrollBar* H = F.Bar(Qt::Horizontal);
    ASSERT_NE(nullptr, H);
    const QPoint At = F.Drag(H, 2000);   // far past the end of the bar
    ASSERT_FALSE(Asked.empty());
    const Integer End = F.Grid->ColCount() - F.Grid->VisibleColCount();
    EXPECT_EQ(End, Asked.back());
    ASSERT_NE(nullptr, F.Grid->HintWindow());
    // Shown as typed: no markup of the handler's text is taken as tags.
    EXPECT_EQ("&lt;b&gt;Col : " + IntToStr(End) + "&lt;/b&gt; &amp; more", F.Grid->HintWindow()->Text());
    F.Release(H, At);
    EXPECT_FALSE(F.Grid->HintWindow()->Visible());
    EXPECT_EQ(End, F.Grid->LeftCol());
}

struct TScrollHintCase {
    TScrollHintType Hints;
    bool Vertical;
    bool Shown;
};

class ExtGridScrollHintBars : public ::testing::TestWithParam<TScrollHintCase> {};

TEST_P(ExtGridScrollHintBars, OnlyTheBarsTheSettingNamesShowAHint) {
    const TScrollHintCase C = GetParam();
    TScrollHintForm F;
    F.Grid->SetScrollHints(C.Hints);
    Integer Asked = 0;
    F.Grid->OnScrollHint = [&](TObject*, Integer, AnsiString&) { ++Asked; };
    QScrollBar* B = F.Bar(C.Vertical ? Qt::Vertical : Qt::Horizontal);
    const QPoint At = F.Drag(B, 30);
    ASSERT_TRUE(B->isSliderDown());
    EXPECT_EQ(C.Shown, F.Grid->HintWindow() != nullptr && F.Grid->HintWindow()->Visible());
    EXPECT_EQ(C.Shown, Asked > 0);
    F.Release(B, At);
}

INSTANTIATE_TEST_SUITE_P(Settings, ExtGridScrollHintBars,
                         ::testing::Values(TScrollHintCase{shNone, true, false}, TScrollHintCase{shNone, false, false},
                                           TScrollHintCase{shVertical, true, true},
                                           TScrollHintCase{shVertical, false, false},
                                           TScrollHintCase{shHorizontal, true, false},
                                           TScrollHintCase{shHorizontal, false, true},
                                           TScrollHintCase{shBoth, true, true}, TScrollHintCase{shBoth, false, true}));

TEST(ExtGridScroll, WithScrollSynchTheCellsFollowTheThumbWhileItIsDragged) {
    TScrollHintForm F;
    F.Grid->SetScrollSynch(true);
    QScrollBar* V = F.Bar(Qt::Vertical);
    const QPoint At = F.Drag(V, 50);
    const Integer Pointed = V->sliderPosition();
    ASSERT_GT(Pointed, 1);
    EXPECT_EQ(Pointed, F.Grid->TopRow());
    EXPECT_EQ(nullptr, F.Grid->HintWindow());   // no hints asked for
    // Back to the top before letting go.
    F.Send(V, QEvent::MouseMove, At - QPoint(0, 500));
    EXPECT_EQ(1, F.Grid->TopRow());
    F.Release(V, At - QPoint(0, 500));
    EXPECT_EQ(1, F.Grid->TopRow());
}

TEST(ExtGridScroll, TurningHintsOffHidesTheShownHintAndAClickOnTheTrackShowsNone) {
    TScrollHintForm F;
    F.Grid->SetScrollHints(shVertical);
    QScrollBar* V = F.Bar(Qt::Vertical);
    // A press on the track below the thumb pages down without a hint.
    const QRect T = F.Thumb(V);
    const QPoint Track(T.center().x(), T.bottom() + 40);
    F.Send(V, QEvent::MouseButtonPress, Track);
    F.Send(V, QEvent::MouseButtonRelease, Track);
    EXPECT_GT(F.Grid->TopRow(), 1);
    EXPECT_EQ(nullptr, F.Grid->HintWindow());
    const QPoint At = F.Drag(V, 20);
    ASSERT_NE(nullptr, F.Grid->HintWindow());
    ASSERT_TRUE(F.Grid->HintWindow()->Visible());
    F.Grid->SetScrollHints(shNone);
    EXPECT_FALSE(F.Grid->HintWindow()->Visible());
    F.Release(V, At);
}
