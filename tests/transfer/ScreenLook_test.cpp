// The transfer and invoice screens as the operator sees them: grid texts read in
// whole lines, nothing is painted between the scroll bars, the check box and the
// focused button show as laid out, and every screen opens in the middle.
#include "transfer/Dzemtarfatura.h"
#include "transfer/dtopfaturagir.h"
#include "transfer/efaturagir.h"
#include "transfer/etopfaturagir.h"
#include "transfer/ezemtarabonekimlik.h"
#include "transfer/zemtarfatura.h"

#include "ScreenTestKit.h"
#include "../platform/ui/UiTestKit.h"

#include "entry/Mneyedit.h"
#include "grid/ExtGrid.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/StdCtrls.h"

#include <QScrollBar>

#include <functional>

using namespace transfertest;
using namespace uitest;

namespace {

class ScreenLook : public TScreenFixture {};

struct TGridForm {
    std::unique_ptr<TCustomForm> Form;
    TExtStringGrid* Grid;
};

template <class T>
TGridForm Make() {
    auto* F = new T(nullptr);
    return {std::unique_ptr<TCustomForm>(F), F->OENDEKS};
}

// The rows of the cell's picture where the text leaves ink: the cell painted with
// its text against the same cell painted empty.
std::pair<Integer, Integer> InkRows(TExtStringGrid* G, Integer C, Integer R) {
    const AnsiString Text = G->Cells(C, R);
    const QImage With = CellShot(G, C, R);
    G->SetCells(C, R, "");
    const QImage Without = CellShot(G, C, R);
    G->SetCells(C, R, Text);
    Integer Top = -1, Bottom = -1;
    for (int Y = 0; Y < With.height(); ++Y)
        for (int X = 0; X < With.width(); ++X)
            if (With.pixel(X, Y) != Without.pixel(X, Y)) {
                if (Top < 0) Top = Y;
                Bottom = Y;
            }
    return {Top, Bottom};
}

Integer LineHeight(TFont* Font) {
    TBitmap B;
    B.Canvas()->Font()->Assign(Font);
    return B.Canvas()->TextHeight("Wg");
}

}  // namespace

// Headers and coded values wider than their columns show as one line cut at the
// right edge, never as a second line that the 21-pixel row cuts through.
TEST_F(ScreenLook, GridTextsShowWholeLinesOnly) {
    struct TCase {
        const char* Screen;
        std::function<TGridForm()> Make;
        std::vector<std::tuple<Integer, Integer, const char*>> Cells;
    };
    const TCase Cases[] = {
        {"bulk invoices", Make<Tetopfaturagirf>, {{7, 0, "Toplam Tüketim"}, {8, 0, "Fatura Tutarı"}}},
        {"invoice transfer", Make<Tzemtarfaturaf>,
         {{6, 0, "AKTİF TÜKETİM"}, {7, 0, "FATURA BEDELİ"}, {8, 0, "ZEMTAR DURUMU"}, {8, 1, "ZEMTARTAN MUAF"},
          {8, 2, "ZEMTAR ABONE KİMLİK KAYDI YAPILMAMIŞ"}, {8, 3, "NORMAL"}}},
        {"identity transfer", Make<Tezemtarabonekimlikf>,
         {{6, 0, "ABONETARIHI"}, {7, 0, "ABONEDURUMU"}, {7, 1, "3  Değişiklik"}, {7, 2, "1  Yeni"}}},
    };
    for (const TCase& Case : Cases) {
        TGridForm F = Case.Make();
        F.Grid->SetRowCount(5);
        F.Grid->SetVisible(true);
        for (const auto& [C, R, Text] : Case.Cells) F.Grid->SetCells(C, R, Text);
        F.Form->Show();
        Settle();
        for (const auto& [C, R, Text] : Case.Cells) {
            SCOPED_TRACE(std::string(Case.Screen) + ": " + Text);
            const auto [Top, Bottom] = InkRows(F.Grid, C, R);
            ASSERT_GE(Top, 0);
            EXPECT_LT(Bottom - Top, LineHeight(R == 0 ? F.Grid->FixedFont() : F.Grid->Font()));
        }
    }
}

// A cell half out of view at the grid's bottom right corner is cut at the client
// area: its text never shows in the square between the two scroll bars.
TEST_F(ScreenLook, NothingIsPaintedBetweenTheScrollBars) {
    auto F = std::make_unique<Tezemtarabonekimlikf>(nullptr);
    TExtStringGrid* G = F->OENDEKS;
    G->SetRowCount(40);
    G->SetVisible(true);
    for (Integer R = 1; R < 39; ++R)
        for (Integer C = 1; C < G->ColCount(); ++C) G->SetCells(C, R, "KızılayMahallesiAtatürkCaddesi");
    F->Show();
    const Integer Height = G->Height();
    // One row's pitch of heights puts a line of text across the bottom edge at least once.
    for (Integer H = Height; H > Height - 24; --H) {
        G->SetHeight(H);
        Settle();
        QScrollBar* V = GridBar(G, Qt::Vertical);
        QScrollBar* B = GridBar(G, Qt::Horizontal);
        ASSERT_TRUE(V->isVisible() && B->isVisible());
        const QImage Shot = F->Widget()->grab().toImage();
        const QPoint From(V->mapTo(F->Widget(), QPoint(0, 0)).x(), B->mapTo(F->Widget(), QPoint(0, 0)).y());
        const TRect Corner = Rect(From.x(), From.y(), From.x() + V->width(), From.y() + B->height());
        const TColor Blank = PixelAt(Shot, Corner.Right - 1, Corner.Bottom - 1);
        EXPECT_EQ(CountColour(Shot, Corner, Blank), Corner.Width() * Corner.Height()) << "grid height " << H;
    }
}

TEST_F(ScreenLook, DonemiGuncelleIsYellowOnBothBulkScreens) {
    for (const TGridForm& F : {Make<Tetopfaturagirf>(), Make<Tdtopfaturagirf>()}) {
        F.Form->Show();
        Settle();
        TCheckBox* Box = dynamic_cast<TCheckBox*>(F.Form->FindComponent("donemg"));
        ASSERT_NE(Box, nullptr);
        const QImage Shot = Box->Widget()->grab().toImage();
        // Right of its caption the box is only background.
        const TRect Tail = Rect(Shot.width() - 20, 0, Shot.width(), Shot.height());
        EXPECT_EQ(CountColour(Shot, Tail, clYellow), Tail.Width() * Tail.Height()) << F.Form->Name();
    }
}

// Reached with the keys as the operator moves on, "Kaydet" shows that it holds the focus.
TEST_F(ScreenLook, TheFocusedSaveButtonShowsItsFocusMark) {
    auto F = std::make_unique<Tefaturagirf>(nullptr);
    F->Show();
    Settle();
    const QImage Unfocused = F->kaydet->Widget()->grab().toImage();
    F->faturabedeli->SetFocus();
    SystemKey(F->faturabedeli, Qt::Key_Return);
    Settle();
    ASSERT_TRUE(F->kaydet->Focused());
    EXPECT_NE(F->kaydet->Widget()->grab().toImage(), Unfocused);
}

TEST_F(ScreenLook, InvoiceTransferScreensOpenWhereTheOtherScreensOpen) {
    auto Bulk = std::make_unique<Tetopfaturagirf>(nullptr);
    Bulk->Show();
    const QPoint Centre = Bulk->Widget()->frameGeometry().center();
    for (const TGridForm& F : {Make<Tzemtarfaturaf>(), Make<TDzemtarfaturaf>()}) {
        F.Form->Show();
        EXPECT_EQ(F.Form->Widget()->frameGeometry().center(), Centre) << F.Form->Name();
    }
}
