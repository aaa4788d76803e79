#include "grid/EsgEditBtn.h"

#include "platform/ui/Forms.h"
#include "platform/ui/UiTestKit.h"

#include <QClipboard>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <memory>

using namespace uitest;

namespace {

struct TEditBtnFixture : ::testing::Test {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    template <class T>
    T* Make(Integer Top) {
        auto* E = Place<T>(Form.get(), 10, Top, 140, 24);
        return E;
    }
    void Show(TWinControl* Focus) {
        Form->Show();
        Focus->SetFocus();
        Settle();
    }
};

}  // namespace

TEST_F(TEditBtnFixture, F4AndTheButtonFireOnClickBtnOnceEach) {
    auto* E = Make<TEsgEditBtn>(10);
    std::vector<TObject*> Senders;
    E->OnClickBtn = [&](TObject* Sender) { Senders.push_back(Sender); };
    Show(E);
    EXPECT_EQ(E->Text(), "0");
    SendKey(E->Widget(), Qt::Key_F4);
    ASSERT_EQ(Senders.size(), 1u);
    EXPECT_EQ(Senders[0], E);
    Click(E->Button()->Button());
    ASSERT_EQ(Senders.size(), 2u);
    EXPECT_EQ(Senders[1], E->Button());
    EXPECT_TRUE(E->Focused());
}

TEST_F(TEditBtnFixture, ReleaseOutsideTheButtonIsNoPress) {
    auto* E = Make<TEsgEditBtn>(10);
    int Clicks = 0;
    E->OnClickBtn = [&](TObject*) { ++Clicks; };
    Show(E);
    LeftPress(E->Button()->Button(), QPoint(3, 3));
    LeftRelease(E->Button()->Button(), QPoint(-20, 3));
    EXPECT_EQ(Clicks, 0);
}

TEST_F(TEditBtnFixture, ButtonSitsInsideTheRightEdgeAndTextStopsBeforeIt) {
    auto* E = Make<TEsgEditBtn>(10);
    auto* U = Make<TEsgUnitEditBtn>(40);
    Show(E);
    EXPECT_EQ(E->ButtonWidth(), 18);
    EXPECT_EQ(E->Button()->Left() + E->Button()->Width(), E->Width() - 3);
    EXPECT_EQ(E->EditRect().Right, E->Width() - 4 - 18 - 3);
    // A unit space of 20 takes 23 pixels more.
    EXPECT_EQ(E->EditRect().Right - U->EditRect().Right, 23);
    EXPECT_EQ(qobject_cast<QLineEdit*>(U->Widget())->textMargins().right(), 18 + 3 + 23);
    E->SetButtonWidth(30);
    EXPECT_EQ(E->EditRect().Right, E->Width() - 4 - 30 - 3);
    EXPECT_TRUE(U->RightAlign());
}

TEST_F(TEditBtnFixture, DisabledEditorIgnoresTypingCutAndPasteButNotTheButton) {
    auto* E = Make<TEsgEditBtn>(10);
    int Clicks = 0, KeyPresses = 0;
    E->OnClickBtn = [&](TObject*) { ++Clicks; };
    E->OnKeyPress = [&](TObject*, char&) { ++KeyPresses; };
    Show(E);
    E->SetText("abc");
    E->SetEditorEnabled(false);
    E->SetSelStart(3);
    TypeText(u"xy");
    SendKey(E->Widget(), Qt::Key_Backspace);
    E->SetSelStart(0);
    SendKey(E->Widget(), Qt::Key_Delete);
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    SendKey(E->Widget(), Qt::Key_V, QString(), Qt::ControlModifier);
    E->SelectAll();
    SendKey(E->Widget(), Qt::Key_X, QString(), Qt::ControlModifier);
    EXPECT_EQ(E->Text(), "abc");
    EXPECT_EQ(KeyPresses, 0);
    SendKey(E->Widget(), Qt::Key_F4);
    Click(E->Button()->Button());
    EXPECT_EQ(Clicks, 2);
    E->SetEditorEnabled(true);
    E->SetSelStart(3);
    TypeText(u"d");
    EXPECT_EQ(E->Text(), "abcd");
}

TEST_F(TEditBtnFixture, UnitMenuOffersTheUnitsAndChoosingOneShowsIt) {
    auto* U = Make<TEsgUnitEditBtn>(10);
    TStringList L;
    L.Add("kWh");
    L.Add("m3");
    L.Add("TL");
    U->SetUnits(&L);
    Show(U);
    Click(U->Button()->Button());
    ASSERT_NE(U->UnitMenu(), nullptr);
    ASSERT_EQ(U->UnitMenu()->Items()->Count(), 3);
    EXPECT_EQ(U->UnitMenu()->Items()->Items(1)->Caption(), "m3");
    U->UnitMenu()->Items()->Items(1)->Click();
    EXPECT_EQ(U->UnitID(), "m3");
    U->UnitCommand(0);
    U->UnitCommand(4);
    EXPECT_EQ(U->UnitID(), "m3");
    // A second press builds a fresh menu.
    U->ClickBtn(U);
    EXPECT_EQ(U->UnitMenu()->Items()->Count(), 3);
    U->UnitMenu()->Items()->Items(0)->Click();
    EXPECT_EQ(U->UnitID(), "kWh");
}

TEST_F(TEditBtnFixture, UnitTextIsDrawnLeftOfTheButton) {
    auto* U = Make<TEsgUnitEditBtn>(10);
    U->SetText("");
    Show(U);
    QImage Before = U->Widget()->grab().toImage();
    U->SetUnitID("WW");
    QImage After = U->Widget()->grab().toImage();
    TRect R = U->UnitRect();
    OffsetRect(R, 2, 2);
    auto Dark = [&](const QImage& I) {
        int N = 0;
        for (int X = R.Left; X < R.Right; ++X)
            for (int Y = R.Top; Y < R.Bottom; ++Y)
                if (I.pixelColor(X, Y).lightness() < 100) ++N;
        return N;
    };
    EXPECT_EQ(Dark(Before), 0);
    EXPECT_GT(Dark(After), 5);
}
