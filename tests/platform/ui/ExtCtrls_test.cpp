#include "platform/ui/ExtCtrls.h"

#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Gauges.h"
#include "UiTestKit.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace uitest;

TEST(ExtCtrls, TimerFiresOnTheManualClockWhileEnabled) {
    TManualTimerService Clock;
    TTimerServiceGuard G(&Clock);
    TTimer T(nullptr);
    int Ticks = 0;
    T.OnTimer = [&](TObject*) { ++Ticks; };
    T.SetInterval(100);
    Clock.Advance(350);
    EXPECT_EQ(Ticks, 3);
    T.SetEnabled(false);
    Clock.Advance(500);
    EXPECT_EQ(Ticks, 3);
    T.SetEnabled(true);
    T.SetInterval(0);   // no interval, no ticks
    Clock.Advance(500);
    EXPECT_EQ(Ticks, 3);
}

TEST(ExtCtrls, TimerHandlerExceptionIsReported) {
    TManualTimerService Clock;
    TTimerServiceGuard G(&Clock);
    TScriptedPrompter P;
    TPrompterGuard PG(&P);
    TTimer T(nullptr);
    T.OnTimer = [&](TObject*) { throw Exception("tick failed"); };
    Clock.Advance(1000);
    EXPECT_EQ(P.LastMessage(), "tick failed.");
}

TEST(ExtCtrls, ImagePlacesItsPicture) {
    TForm F(nullptr);
    auto* I = Place<TImage>(&F, 0, 0, 100, 50);
    TBitmap B;
    B.SetSize(20, 20);
    I->Picture()->SetGraphic(&B);
    EXPECT_EQ(I->DestRect(), Rect(0, 0, 20, 20));
    I->SetCenter(true);
    EXPECT_EQ(I->DestRect(), Rect(40, 15, 60, 35));
    I->SetStretch(true);
    I->SetCenter(false);
    EXPECT_EQ(I->DestRect(), Rect(0, 0, 100, 50));
    I->SetProportional(true);
    EXPECT_EQ(I->DestRect(), Rect(0, 0, 50, 50));
}

TEST(ExtCtrls, ImageClickAndHandCursor) {
    TForm F(nullptr);
    auto* I = Child<TImage>(&F);
    I->SetCursor(crHandPoint);
    int Clicks = 0;
    I->OnClick = [&](TObject*) { ++Clicks; };
    F.Show();
    Click(I);
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(I->Widget()->cursor().shape(), Qt::PointingHandCursor);
}

TEST(ExtCtrls, PanelAndGaugePaintTheirColours) {
    TForm F(nullptr);
    F.SetBounds(0, 0, 200, 100);
    auto* P = Place<TPanel>(&F, 0, 0, 100, 50);
    P->SetColor(clAqua);
    auto* G = Place<TGauge>(&F, 100, 0, 100, 20);
    G->SetForeColor(clNavy);
    G->SetShowText(false);
    G->SetProgress(50);
    EXPECT_EQ(G->PercentDone(), 50);
    F.Show();
    QImage Img = F.Widget()->grab().toImage();
    auto Rgb = [&](int X, int Y) {
        QColor C(Img.pixel(X, Y));
        return RGB(Byte(C.red()), Byte(C.green()), Byte(C.blue()));
    };
    EXPECT_EQ(Rgb(50, 25), clAqua);
    EXPECT_EQ(Rgb(110, 10), clNavy);
    EXPECT_EQ(Rgb(190, 10), clWhite);
}

TEST(ExtCtrls, StatusBarPanels) {
    TForm F(nullptr);
    F.SetBounds(0, 0, 1366, 700);
    auto* S = Child<TStatusBar>(&F);
    auto* P1 = S->Panels()->Add();
    P1->SetWidth(300);
    P1->SetAlignment(taCenter);
    P1->SetText("Organize Sanayi Bölgeleri ZEMTAR Sistemi");
    auto* P2 = S->Panels()->Add();
    P2->SetWidth(500);
    P2->SetBiDiMode(bdRightToLeft);
    for (int I = 0; I < 4; ++I) S->Panels()->Add()->SetWidth(50);
    EXPECT_EQ(S->Panels()->Count(), 6);
    EXPECT_EQ(S->PanelRect(1), Rect(300, 0, 800, S->Height()));
    EXPECT_EQ(S->PanelRect(5).Right, 1366);   // the last panel takes the rest
    EXPECT_EQ(S->Top() + S->Height(), F.ClientHeight());
    F.Show();
    S->Repaint();
}
