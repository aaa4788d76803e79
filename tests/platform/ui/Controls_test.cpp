#include "platform/ui/Controls.h"

#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"
#include "UiTestKit.h"

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPointer>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace uitest;

namespace {

// A small entry screen: three edits in a group box, a button; Enter moves on.
struct TEntryForm {
    std::unique_ptr<TForm> Form;
    TGroupBox* Group;
    TEdit* A;
    TEdit* B;
    TEdit* C;
    TButton* Save;
    std::vector<std::string> Log;

    TEntryForm() : Form(std::make_unique<TForm>(nullptr)) {
        Form->SetBounds(10, 10, 400, 300);
        Group = Place<TGroupBox>(Form.get(), 8, 8, 300, 200);
        auto MakeEdit = [&](const char* Name, int Top) {
            auto* E = new TEdit(Form.get());
            E->SetName(Name);
            E->SetParent(Group);
            E->SetBounds(10, Top, 120, 21);
            E->OnEnter = [this, Name](TObject*) { Log.push_back(std::string("enter ") + Name); };
            E->OnExit = [this, Name](TObject*) { Log.push_back(std::string("exit ") + Name); };
            E->OnKeyPress = [this](TObject*, char& Key) {
                if (Key == 13) {
                    Key = 0;
                    Form->Perform(WM_NEXTDLGCTL, 0, 0);
                }
            };
            return E;
        };
        A = MakeEdit("A", 20);
        B = MakeEdit("B", 50);
        C = MakeEdit("C", 80);
        Save = Place<TButton>(Form.get(), 320, 10, 75, 25);
        Save->SetCaption("&Kaydet");
    }
};

}  // namespace

using Controls = uitest::TFormTest<TEntryForm>;

TEST_F(Controls, EnterMovesFocusInTabOrderAndFiresExitThenEnter) {
    F.Form->Show();
    ASSERT_TRUE(F.A->Focused());
    F.Log.clear();
    PressEnter();
    EXPECT_TRUE(F.B->Focused());
    PressEnter();
    EXPECT_TRUE(F.C->Focused());
    EXPECT_EQ(F.Log, (std::vector<std::string>{"exit A", "enter B", "exit B", "enter C"}));
    EXPECT_EQ(F.Form->ActiveControl(), F.C);
}

TEST_F(Controls, TabOrderCanBeChangedAndTabFollowsIt) {
    F.C->SetTabOrder(0);
    EXPECT_EQ(F.C->TabOrder(), 0);
    EXPECT_EQ(F.A->TabOrder(), 1);
    F.Form->Show();
    EXPECT_TRUE(F.C->Focused());
    PressTab();
    EXPECT_TRUE(F.A->Focused());
}

TEST_F(Controls, ExitHandlerCanPutTheFocusBack) {
    TScriptedPrompter P;
    TPrompterGuard G(&P);
    F.A->OnExit = [&](TObject*) {
        F.Log.push_back("exit A");
        if (F.A->Text().size() != 10) {
            ShowMessage("Vergi Numarası 10 karakterden büyük veya küçük olamaz");
            F.A->SetFocus();
        }
    };
    F.Form->Show();
    TypeText(u"123");
    F.Log.clear();
    F.B->SetFocus();
    EXPECT_TRUE(F.A->Focused());
    EXPECT_EQ(F.Form->ActiveControl(), F.A);
    // B never saw the focus arrive.
    EXPECT_EQ(F.Log, (std::vector<std::string>{"exit A"}));
    EXPECT_EQ(P.Messages(), (std::vector<AnsiString>{"Vergi Numarası 10 karakterden büyük veya küçük olamaz"}));
    // With a valid text the focus may leave.
    F.A->SetText("1234567890");
    F.Log.clear();
    F.B->SetFocus();
    EXPECT_TRUE(F.B->Focused());
    EXPECT_EQ(F.Log, (std::vector<std::string>{"exit A", "enter B"}));
}

TEST_F(Controls, KeyPressCanSwallowOrReplaceTheCharacter) {
    F.A->OnKeyPress = [](TObject*, char& Key) {
        if (Key >= '0' && Key <= '9') return;
        if (Key == 'x') Key = 'y';
        else Key = 0;
    };
    F.Form->Show();
    TypeText(u"1a2x3");
    EXPECT_EQ(F.A->Text(), "12y3");
}

TEST_F(Controls, KeyDownSeesVirtualKeysAndShiftAndCanSwallow) {
    std::vector<Word> Keys;
    bool SawCtrl = false;
    F.A->OnKeyDown = [&](TObject*, Word& Key, TShiftState Shift) {
        Keys.push_back(Key);
        if (Shift.Contains(ssCtrl)) SawCtrl = true;
        if (Key == VK_DELETE) Key = 0;
    };
    F.Form->Show();
    TypeText(u"ab");
    F.A->SetSelStart(0);
    SendKey(FocusTarget(), Qt::Key_Delete);
    EXPECT_EQ(F.A->Text(), "ab");   // swallowed
    SendKey(FocusTarget(), Qt::Key_C, QStringLiteral("\x03"), Qt::ControlModifier);
    EXPECT_TRUE(SawCtrl);
    EXPECT_EQ(Keys[0], Word('A'));
    EXPECT_EQ(Keys[2], VK_DELETE);
}

TEST_F(Controls, FormKeyPreviewSeesKeysFirst) {
    std::string Order;
    F.Form->SetKeyPreview(true);
    F.Form->OnKeyPress = [&](TObject*, char& Key) {
        Order += "form ";
        if (Key == 'q') Key = 0;
    };
    F.A->OnKeyPress = [&](TObject*, char&) { Order += "edit "; };
    F.Form->Show();
    TypeText(u"q");
    TypeText(u"w");
    EXPECT_EQ(Order, "form form edit ");
    EXPECT_EQ(F.A->Text(), "w");
}

TEST_F(Controls, ButtonClickByMouseAndByAccelerator) {
    int Clicks = 0;
    F.Save->OnClick = [&](TObject*) { ++Clicks; };
    F.Form->Show();
    Click(F.Save);
    EXPECT_EQ(Clicks, 1);
    F.Save->Click();
    EXPECT_EQ(Clicks, 2);
    F.Save->SetEnabled(false);
    Click(F.Save);
    EXPECT_EQ(Clicks, 2);
}

TEST_F(Controls, ExceptionInHandlerGoesToTheExceptionDialog) {
    TScriptedPrompter P;
    TPrompterGuard G(&P);
    Application->SetTitle("Deneme");
    F.Save->OnClick = [](TObject*) { throw EConvertError("'abc' is not a valid integer value"); };
    F.Form->Show();
    Click(F.Save);
    ASSERT_EQ(P.Records().size(), 1u);
    EXPECT_EQ(P.Records()[0].Text, "'abc' is not a valid integer value.");
    EXPECT_EQ(P.Records()[0].Caption, "Deneme");
    EXPECT_EQ(P.Records()[0].Flags, MB_OK | MB_ICONSTOP);
    // EAbort is silent.
    F.Save->OnClick = [](TObject*) { throw EAbort("stop"); };
    Click(F.Save);
    EXPECT_EQ(P.Records().size(), 1u);
}

TEST_F(Controls, SetFocusOnHiddenOrDisabledControlRaises) {
    F.Form->Show();
    F.B->SetEnabled(false);
    EXPECT_FALSE(F.B->CanFocus());
    EXPECT_THROW(F.B->SetFocus(), EInvalidOperation);
    F.Group->SetVisible(false);
    EXPECT_FALSE(F.A->CanFocus());
}

TEST_F(Controls, EnterSkipsDisabledAndNonTabStopControls) {
    F.B->SetTabStop(false);
    F.Form->Show();
    PressEnter();
    EXPECT_TRUE(F.C->Focused());
    PressEnter();   // on to the button, outside the group
    EXPECT_TRUE(F.Save->Focused());
}

TEST_F(Controls, AlignLaysOutChildrenAndFollowsResize) {
    TForm Form(nullptr);
    Form.SetBounds(0, 0, 300, 200);
    auto* Top = Child<TPanel>(&Form);
    Top->SetHeight(30);
    Top->SetAlign(alTop);
    auto* Bar = Child<TStatusBar>(&Form);
    auto* Rest = Child<TPanel>(&Form);
    Rest->SetAlign(alClient);
    EXPECT_EQ(Top->BoundsRect(), Rect(0, 0, 300, 30));
    EXPECT_EQ(Bar->BoundsRect(), Rect(0, 181, 300, 200));
    EXPECT_EQ(Rest->BoundsRect(), Rect(0, 30, 300, 181));
    Form.SetBounds(0, 0, 400, 300);
    EXPECT_EQ(Bar->BoundsRect(), Rect(0, 281, 400, 300));
    EXPECT_EQ(Rest->BoundsRect(), Rect(0, 30, 400, 281));
}

TEST_F(Controls, DestroyingAContainerLeavesItsChildrenUsable) {
    TForm Form(nullptr);
    auto* Group = Child<TGroupBox>(&Form);
    auto* E = new TEdit(&Form);
    E->SetParent(Group);
    delete Group;
    EXPECT_EQ(E->Parent(), nullptr);
    E->SetParent(&Form);
    E->SetText("ok");
    EXPECT_EQ(E->Text(), "ok");
}

// ---------------------------------------------------------------------------
// Lifetimes: controls and forms freed from inside their own events.

TEST(ControlsLifetime, ControlsFreedInTheirOwnHandlersDoNotCrash) {
    TEntryForm F;
    F.Form->Show();
    // A button that frees itself when clicked by the mouse.
    F.Save->OnClick = [&](TObject*) { delete F.Save; F.Save = nullptr; };
    Click(F.Save);
    EXPECT_EQ(F.Save, nullptr);
    // An edit freed by its own key press, and one freed by its own change.
    F.A->SetFocus();
    F.A->OnKeyPress = [&](TObject*, char& Key) {
        if (Key == 'x') { delete F.A; F.A = nullptr; }
    };
    TypeText(u"x");
    EXPECT_EQ(F.A, nullptr);
    F.B->SetFocus();
    F.B->OnChange = [&](TObject*) { delete F.B; F.B = nullptr; };
    TypeText(u"1");
    EXPECT_EQ(F.B, nullptr);
    Settle();
    EXPECT_TRUE(F.C->CanFocus());
}

TEST(ControlsLifetime, ComboFreedWhenAnItemIsPicked) {
    TForm Form(nullptr);
    auto* Combo = Child<TComboBox>(&Form);
    Combo->Items()->Add("1  Yeni");
    Combo->Items()->Add("2  Kapanma");
    Combo->OnClick = [&](TObject*) { delete Combo; Combo = nullptr; };
    Form.Show();
    QComboBox* Q = Form.Widget()->findChild<QComboBox*>();
    ASSERT_NE(Q, nullptr);
    emit Q->activated(1);
    EXPECT_EQ(Combo, nullptr);
    Settle();
}

TEST(ControlsLifetime, FreedControlLeavesNoLiveWidgetBehind) {
    TForm Form(nullptr);
    auto* E = new TEdit(&Form);
    E->SetName("GONE");
    E->SetParent(&Form);
    int Changes = 0;
    E->OnChange = [&](TObject*) { ++Changes; };
    QPointer<QWidget> W = E->Widget();
    delete E;
    // Whatever Qt still holds for a moment is hidden, nameless and calls nobody.
    if (W) {
        EXPECT_FALSE(W->isVisible());
        EXPECT_TRUE(W->objectName().isEmpty());
        if (auto* L = qobject_cast<QLineEdit*>(W.data())) L->setText("late");
    }
    EXPECT_EQ(Changes, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(W.isNull());
}

// ---------------------------------------------------------------------------
// Focus: an exit check that shows a real (modal) message box sees the focus leave
// for the box and come back; that must not run the check a second time.
TEST_F(Controls, ExitCheckWithAModalBoxRunsOnceAndKeepsTheFocus) {
    int Checks = 0;
    F.A->OnExit = [&](TObject*) {
        ++Checks;
        if (F.A->Text().size() != 10) {
            // What a modal box does to the focus: it takes it, then gives it back
            // to the window's focus widget (B, where the user was going).
            QLineEdit Box;
            Box.show();
            Box.activateWindow();
            Box.setFocus();
            QApplication::setActiveWindow(&Box);
            Box.hide();
            QApplication::setActiveWindow(F.Form->Widget());
            F.B->Widget()->setFocus();
            F.A->SetFocus();
        }
    };
    F.Form->Show();
    TypeText(u"123");
    F.Log.clear();
    F.B->SetFocus();
    EXPECT_EQ(Checks, 1);
    EXPECT_TRUE(F.A->Focused());
    EXPECT_EQ(F.Form->ActiveControl(), F.A);
    EXPECT_EQ(F.Log, std::vector<std::string>{});
}

TEST_F(Controls, ExitHandlerThatLetsTheFocusGoEntersTheNewControl) {
    F.A->OnExit = [&](TObject*) {
        F.Log.push_back("exit A");
        F.B->Widget()->setFocus();   // focus wanders during the handler, and stays
    };
    F.Form->Show();
    F.Log.clear();
    F.C->SetFocus();
    // The focus ended on B: B is entered once, C never was.
    EXPECT_TRUE(F.B->Focused());
    EXPECT_EQ(F.Form->ActiveControl(), F.B);
    EXPECT_EQ(F.Log, (std::vector<std::string>{"exit A", "enter B"}));
    F.Log.clear();
    F.C->SetFocus();
    EXPECT_EQ(F.Log, (std::vector<std::string>{"exit B", "enter C"}));
}

TEST_F(Controls, SwitchingToAnotherWindowFiresNoExit) {
    TEntryForm Other;
    Other.Form->SetLeft(500);
    F.Form->Show();
    F.B->SetFocus();
    Other.Form->Show();
    Other.A->SetFocus();
    F.Log.clear();
    F.Form->BringToFront();
    QApplication::setActiveWindow(F.Form->Widget());
    F.B->SetFocus();
    EXPECT_TRUE(F.B->Focused());
    EXPECT_EQ(F.Log, std::vector<std::string>{});
}

TEST_F(Controls, ExitHandlerThatFreesTheNextControl) {
    F.A->OnExit = [&](TObject*) { delete F.B; F.B = nullptr; };
    F.Form->Show();
    F.B->SetFocus();
    EXPECT_EQ(F.B, nullptr);
    EXPECT_NE(F.Form->ActiveControl(), nullptr);
    PressEnter();   // the form still works
}

TEST_F(Controls, ARegisteredCursorShowsItsPictureAndHotSpot) {
    TForm Form(nullptr);
    auto* E = Child<TEdit>(&Form);
    RegisterCursor(7001, {"#.", " #"}, 1, 0);
    E->SetCursor(7001);
    QCursor C = E->Widget()->cursor();
    ASSERT_EQ(Qt::BitmapCursor, C.shape());
    const QImage I = C.pixmap().toImage();
    ASSERT_EQ(QSize(2, 2), I.size());
    EXPECT_EQ(QColor(Qt::black), I.pixelColor(0, 0));
    EXPECT_EQ(QColor(Qt::white), I.pixelColor(1, 0));
    EXPECT_EQ(0, I.pixelColor(0, 1).alpha());   // clear
    EXPECT_EQ(QPoint(1, 0), C.hotSpot());

    RegisterCursor(7001, {"###"}, 0, 0);   // a new picture for the same number
    E->SetCursor(crDefault);
    E->SetCursor(7001);
    EXPECT_EQ(3, E->Widget()->cursor().pixmap().width());

    E->SetCursor(7002);   // never registered: the arrow
    EXPECT_EQ(Qt::ArrowCursor, E->Widget()->cursor().shape());
}

// ---------------------------------------------------------------------------
// A frame round the client area, outside it as a window's border is.
namespace {

class TFramedControl : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    using TWinControl::SetFrameWidth;
    std::vector<TPoint> Presses;

protected:
    void Paint() override {
        Canvas()->Brush()->SetColor(clWhite);
        Canvas()->FillRect(ClientRect());
    }
    void MouseDown(TMouseButton, TShiftState, Integer X, Integer Y) override { Presses.push_back(Point(X, Y)); }
};

// A form holding one framed control at (10, Top), 100 by 60.
struct TFramedForm {
    TForm Form{nullptr};
    TFramedControl* C = nullptr;
    TFramedForm(Integer Frame, Integer Top = 10) {
        Form.SetBounds(0, 0, 300, 200);
        C = Place<TFramedControl>(&Form, 10, Top, 100, 60);
        C->SetFrameWidth(Frame);
    }
};

}  // namespace

TEST(ControlsFrame, TheClientAreaStartsInsideTheFrameAndChildrenFollowIt) {
    TFramedForm F(3, 20);
    TFramedControl* C = F.C;
    EXPECT_EQ(Rect(0, 0, 94, 54), C->ClientRect());
    EXPECT_EQ(100, C->Width());
    EXPECT_EQ(QRect(10, 20, 100, 60), C->WindowWidget()->geometry());
    EXPECT_EQ(QRect(3, 3, 94, 54), C->Widget()->geometry());
    auto* Child = new TPanel(&F.Form);
    Child->SetParent(C);
    Child->SetBounds(0, 0, 10, 10);
    EXPECT_EQ(C->Widget(), Child->Widget()->parentWidget());
    // Client coordinates: the child's corner is three pixels into the window.
    EXPECT_EQ(QPoint(3, 3), Child->Widget()->mapTo(C->WindowWidget(), QPoint(0, 0)));
    C->SetClientWidth(50);
    EXPECT_EQ(56, C->Width());
    C->SetBounds(10, 20, 120, 80);
    EXPECT_EQ(QRect(3, 3, 114, 74), C->Widget()->geometry());
    C->SetFrameWidth(0);
    EXPECT_EQ(Rect(0, 0, 120, 80), C->ClientRect());
    EXPECT_EQ(QRect(0, 0, 120, 80), C->Widget()->geometry());
}

TEST(ControlsFrame, TheFrameIsSunkenOrOneLineAndTakesNoPresses) {
    TFramedForm F(2);
    TFramedControl* C = F.C;
    F.Form.Show();
    Settle();
    QImage I = C->WindowWidget()->grab().toImage();
    EXPECT_EQ(ColorToRGB(clBtnShadow), PixelAt(I, 0, 30));
    EXPECT_EQ(ColorToRGB(cl3DDkShadow), PixelAt(I, 1, 30));
    EXPECT_EQ(ColorToRGB(clBtnHighlight), PixelAt(I, 99, 30));
    EXPECT_EQ(ColorToRGB(cl3DLight), PixelAt(I, 98, 30));
    EXPECT_EQ(clWhite, PixelAt(I, 2, 30));
    C->SetFrameWidth(1);
    Settle();
    I = C->WindowWidget()->grab().toImage();
    EXPECT_EQ(ColorToRGB(clWindowFrame), PixelAt(I, 50, 59));
    EXPECT_EQ(clWhite, PixelAt(I, 50, 58));
    // Through the window system: the frame keeps the press, the client gets it in
    // its own coordinates.
    QWidget* Top = F.Form.Widget()->window();
    QTest::mouseClick(Top->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      C->WindowWidget()->mapTo(Top, QPoint(50, 59)));
    EXPECT_TRUE(C->Presses.empty());
    QTest::mouseClick(Top->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      C->WindowWidget()->mapTo(Top, QPoint(1, 1)));
    ASSERT_EQ(1u, C->Presses.size());
    EXPECT_EQ(Point(0, 0), C->Presses[0]);
}

TEST(ControlsFrame, HidingDisablingAndFreeingActOnTheWholeWindow) {
    TFramedForm F(2);
    TFramedControl* C = F.C;
    F.Form.Show();
    Settle();
    EXPECT_TRUE(C->Showing());
    C->Hide();
    EXPECT_FALSE(C->WindowWidget()->isVisible());
    EXPECT_FALSE(C->Showing());
    C->Show();
    EXPECT_TRUE(C->Showing());
    C->SetEnabled(false);
    EXPECT_FALSE(C->Widget()->isEnabled());
    C->SetEnabled(true);
    EXPECT_TRUE(C->Widget()->isEnabled());
    QPointer<QWidget> Frame = C->WindowWidget();
    delete C;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Frame.isNull());
}
