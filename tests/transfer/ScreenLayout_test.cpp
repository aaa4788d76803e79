// Every screen of the program is readable at the size it is laid out for: each
// label's text ends before the next control to its right, and each combo box
// shows the first ten characters of its items.
#include "entry/EABONEKIMLIK.h"
#include "entry/FBDBLoginDlg.h"
#include "entry/Util3a.h"
#include "entry/ZEMTAR.h"
#include "entry/dABONEKIMLIK.h"
#include "transfer/Dzemtarfatura.h"
#include "transfer/dfaturagir.h"
#include "transfer/dtopfaturagir.h"
#include "transfer/dzemtarabonekimlik.h"
#include "transfer/efaturagir.h"
#include "transfer/etopfaturagir.h"
#include "transfer/ezemtarabonekimlik.h"
#include "transfer/zemtarfatura.h"

#include "ScreenTestKit.h"
#include "grid/ExtGrid.h"
#include "grid/ExtGridHint.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/StdCtrls.h"

#include <QComboBox>
#include <QApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <functional>
#include <memory>

using namespace transfertest;

namespace {

using TFormMaker = std::function<TCustomForm*()>;

template <class T>
TFormMaker Maker() {
    return [] { return new T(nullptr); };
}

void EachControl(TWinControl* W, const std::function<void(TControl*)>& Fn) {
    for (Integer I = 0; I < W->ControlCount(); ++I) {
        TControl* C = W->Controls(I);
        Fn(C);
        if (auto* Sub = dynamic_cast<TWinControl*>(C)) EachControl(Sub, Fn);
    }
}

QString ShownCaption(const AnsiString& Caption) {
    QString S = QString::fromStdString(AnsiToUtf8(Caption));
    S.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    S.remove(QLatin1Char('&'));
    S.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return S;
}

// The left edge of the nearest control to the right of L on its row, or the
// right edge of its parent.
Integer RightLimit(TLabel* L) {
    TWinControl* P = L->Parent();
    Integer Limit = P->ClientWidth();
    // Only the rows the letters are drawn on.
    const QFontMetrics M(L->Widget()->font());
    const QRect Ink = M.tightBoundingRect(ShownCaption(L->Caption()));
    const Integer Top = L->Top() + M.ascent() + Ink.top(), Bottom = L->Top() + M.ascent() + Ink.bottom();
    bool Above = false;   // controls after the label are drawn over it; pictures before it, under it
    for (Integer I = 0; I < P->ControlCount(); ++I) {
        TControl* C = P->Controls(I);
        if (C == L) Above = true;
        if (C == L || !C->Visible() || C->Left() <= L->Left()) continue;
        if (!Above && !dynamic_cast<TWinControl*>(C)) continue;
        if (C->Top() < Bottom && C->Top() + C->Height() > Top) Limit = std::min(Limit, C->Left());
    }
    return Limit;
}

// The width of a combo box's text field.
int TextFieldWidth(QComboBox* Box) {
    QStyleOptionComboBox O;
    O.initFrom(Box);
    O.editable = Box->isEditable();
    O.frame = true;
    O.rect = Box->rect();
    QRect R = Box->style()->subControlRect(QStyle::CC_ComboBox, &O, QStyle::SC_ComboBoxEditField, Box);
    return R.width() - 4;   // the editor's own margins
}

class ScreenLayout : public TScreenFixture {};

TEST_F(ScreenLayout, LabelsEndBeforeTheNextControlAndComboBoxesShowTenCharacters) {
    const std::pair<const char*, TFormMaker> Forms[] = {
        {"ZEMTARF", Maker<TZEMTARF>()},           {"EABONEKIMLIKF", Maker<TEABONEKIMLIKF>()},
        {"dABONEKIMLIKF", Maker<TdABONEKIMLIKF>()}, {"F_Util3", Maker<TF_Util3>()},
        {"frmFBDBLoginDlg", Maker<TfrmFBDBLoginDlg>()}, {"etopfaturagirf", Maker<Tetopfaturagirf>()},
        {"dtopfaturagirf", Maker<Tdtopfaturagirf>()}, {"efaturagirf", Maker<Tefaturagirf>()},
        {"dfaturagirf", Maker<Tdfaturagirf>()},   {"ezemtarabonekimlikf", Maker<Tezemtarabonekimlikf>()},
        {"dzemtarabonekimlikf", Maker<Tdzemtarabonekimlikf>()}, {"zemtarfaturaf", Maker<Tzemtarfaturaf>()},
        {"Dzemtarfaturaf", Maker<TDzemtarfaturaf>()},
    };
    for (const auto& [Name, Make] : Forms) {
        SCOPED_TRACE(Name);
        std::unique_ptr<TCustomForm> F(Make());
        Integer Labels = 0;
        EachControl(F.get(), [&](TControl* C) {
            if (auto* L = dynamic_cast<TLabel*>(C)) {
                if (L->WordWrap() || L->Alignment() != taLeftJustify || !L->Visible()) return;
                ++Labels;
                const int Width = QFontMetrics(L->Widget()->font()).horizontalAdvance(ShownCaption(L->Caption()));
                EXPECT_LE(L->Left() + Width, RightLimit(L))
                    << L->Name() << " \"" << ShownCaption(L->Caption()).toStdString() << "\" is " << Width << " px";
            } else if (auto* B = dynamic_cast<TComboBox*>(C)) {
                auto* Box = static_cast<QComboBox*>(B->Widget());
                const QFontMetrics M(Box->font());
                for (int I = 0; I < Box->count(); ++I) {
                    const QString Head = Box->itemText(I).left(10);
                    EXPECT_LE(M.horizontalAdvance(Head), TextFieldWidth(Box))
                        << B->Name() << " item \"" << Head.toStdString() << "\" in " << B->Width() << " px";
                }
            }
        });
        if (std::string(Name) != "frmFBDBLoginDlg" && std::string(Name) != "F_Util3") EXPECT_GT(Labels, 0);
    }
}

// The listing grids: a text its column cuts reads whole as the hint of its cell;
// a cell whose text fits keeps the grid's own hint (the refund note) or none.
TEST_F(ScreenLayout, ListingGridsShowACutTextWholeAsItsHint) {
    const std::pair<TFormMaker, bool> Forms[] = {  // the form, and whether its grid has a hint of its own
        {Maker<Tetopfaturagirf>(), false},      {Maker<Tdtopfaturagirf>(), false}, {Maker<Tezemtarabonekimlikf>(), false},
        {Maker<Tdzemtarabonekimlikf>(), false}, {Maker<Tzemtarfaturaf>(), true},   {Maker<TDzemtarfaturaf>(), true}};
    for (const auto& [Make, Refund] : Forms) {
        std::unique_ptr<TCustomForm> F(Make());
        SCOPED_TRACE(F->Caption());
        auto* G = dynamic_cast<TExtStringGrid*>(F->FindComponent("OENDEKS"));
        ASSERT_NE(G, nullptr);
        G->SetVisible(true);
        F->Show();
        G->SetCells(1, 0, "ABONE NUMARASI VE ADI");
        G->SetCells(1, 1, "1");
        auto HintAt = [&](Integer Row) {
            const QPoint P(G->CellRect(1, Row).Left + 4, G->CellRect(1, Row).Top + 8);
            G->Widget()->window()->setAttribute(Qt::WA_AlwaysShowToolTips);
            QHelpEvent E(QEvent::ToolTip, P, G->Widget()->mapToGlobal(P));
            QApplication::sendEvent(G->Widget(), &E);
            return G->HintWindow() && G->HintWindow()->Visible() ? G->HintWindow()->Text() : AnsiString();
        };
        EXPECT_EQ(HintAt(0), "ABONE NUMARASI VE ADI");
        EXPECT_EQ(HintAt(1).find("İade faturasi girmek için"), Refund ? 0u : AnsiString::npos);
    }
}

}  // namespace
