#include "platform/ui/Forms.h"

#include "platform/ui/Dialogs.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "UiTestKit.h"

#include <QAction>
#include <QDialog>
#include <QTimer>
#include <QWindow>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <unistd.h>

using namespace uitest;

TEST(Forms, ShowModalEndsWithTheButtonsModalResult) {
    TForm F(nullptr);
    auto* Ok = Child<TButton>(&F);
    Ok->SetModalResult(mrOk);
    std::string Log;
    F.OnShow = [&](TObject*) { Log += "show "; };
    F.OnClose = [&](TObject*, TCloseAction& A) { Log += "close "; EXPECT_EQ(A, caHide); };
    F.OnActivate = [&](TObject*) {
        Log += "activate ";
        if (Log.find("clicked") == std::string::npos) {
            Log += "clicked ";
            Ok->Click();
        }
    };
    EXPECT_EQ(F.ShowModal(), mrOk);
    EXPECT_EQ(Log.rfind("show activate clicked ", 0), 0u) << Log;
    EXPECT_EQ(Log.substr(Log.size() - 6), "close ");
    EXPECT_FALSE(F.Visible());
    EXPECT_THROW({ F.Show(); F.ShowModal(); }, EInvalidOperation);
}

TEST(Forms, CloseQueryCanRefuseAndCloseActionNoneKeepsTheForm) {
    TForm F(nullptr);
    bool Allow = false;
    F.OnCloseQuery = [&](TObject*, bool& Can) { Can = Allow; };
    F.Show();
    F.Close();
    EXPECT_TRUE(F.Visible());
    Allow = true;
    F.OnClose = [](TObject*, TCloseAction& A) { A = caNone; };
    F.Close();
    EXPECT_TRUE(F.Visible());
    F.OnClose = nullptr;
    F.Close();
    EXPECT_FALSE(F.Visible());
}

TEST(Forms, ModalFormClosedByCloseReturnsCancel) {
    TForm F(nullptr);
    F.OnShow = [&](TObject*) { F.Close(); };
    EXPECT_EQ(F.ShowModal(), mrCancel);
}

TEST(Forms, ActiveControlChosenBeforeShowGetsTheFocus) {
    TForm F(nullptr);
    Child<TEdit>(&F);
    auto* B = Child<TEdit>(&F);
    B->SetTop(30);
    F.SetActiveControl(B);
    F.Show();
    EXPECT_TRUE(B->Focused());
    EXPECT_EQ(F.ActiveControl(), B);
}

TEST(Forms, OnCreateFiresOnceAndCreateFormMakesTheMainForm) {
    TApplication App(nullptr);
    struct TMyForm : TForm {
        int Created = 0;
        explicit TMyForm(TComponent* O) : TForm(O) {
            OnCreate = [this](TObject*) { ++Created; };
        }
    };
    TMyForm* F1 = nullptr;
    TMyForm* F2 = nullptr;
    App.CreateForm(F1);
    App.CreateForm(F2);
    EXPECT_EQ(App.MainForm(), F1);
    EXPECT_EQ(F1->Created, 1);
    F1->DoCreate();
    EXPECT_EQ(F1->Created, 1);
    EXPECT_EQ(F1->Owner(), &App);
}

TEST(Forms, DataModuleCreationFailureIsReportedAndStartContinues) {
    TScriptedPrompter P;
    TPrompterGuard G(&P);
    TDataModule D(nullptr);
    D.OnCreate = [](TObject*) { throw Exception("unavailable database"); };
    D.DoCreate();
    ASSERT_EQ(P.Messages().size(), 1u);
    EXPECT_EQ(P.Messages()[0], "unavailable database.");
}

TEST(Forms, ExceptionDialogAddsPeriodOnlyAfterLettersAndDigits) {
    TScriptedPrompter P;
    TPrompterGuard G(&P);
    for (const char* M : {"Hata", "Bitti.", "Emin misiniz?", "", "Değişiklik yok!"}) Application->ShowException(Exception(M));
    EXPECT_EQ(P.Messages(), (std::vector<AnsiString>{"Hata.", "Bitti.", "Emin misiniz?.", "", "Değişiklik yok!"}));
}

TEST(Forms, OnExceptionReplacesTheDialog) {
    TScriptedPrompter P;
    TPrompterGuard G(&P);
    AnsiString Seen;
    Application->OnException = [&](TObject*, const Exception& E) { Seen = E.Message(); };
    GuardedCall(nullptr, [] { throw std::runtime_error("plain"); });
    Application->OnException = nullptr;
    EXPECT_EQ(Seen, "plain");
    EXPECT_TRUE(P.Records().empty());
}

TEST(Forms, RendersTheDesignedColours) {
    TForm F(nullptr);
    F.SetBounds(0, 0, 300, 200);
    F.SetColor(13500141);
    auto* G = Place<TGroupBox>(&F, 10, 10, 150, 120);
    G->SetColor(14671871);
    auto* E = new TEdit(&F);
    E->SetParent(G);
    E->SetBounds(10, 30, 100, 21);
    E->SetColor(clYellow);
    F.Show();
    QImage I = F.Widget()->grab().toImage();
    auto Rgb = [&](int X, int Y) {
        QColor C(I.pixel(X, Y));
        return RGB(Byte(C.red()), Byte(C.green()), Byte(C.blue()));
    };
    EXPECT_EQ(Rgb(250, 150), ColorToRGB(13500141));
    EXPECT_EQ(Rgb(140, 12), ColorToRGB(14671871));
    EXPECT_EQ(Rgb(10 + 10 + 50, 10 + 30 + 10), ColorToRGB(clYellow));
}

TEST(Forms, MainMenuItemsClickAndReduceTheClientArea) {
    TForm F(nullptr);
    F.SetBounds(0, 0, 400, 300);
    auto* Menu = new TMainMenu(&F);
    auto* Branch = new TMenuItem(&F);
    Branch->SetCaption("ELEKTRİK");
    Menu->Items()->Add(Branch);
    auto* Item = new TMenuItem(&F);
    Item->SetCaption("ABONE KİMLİK BİLGİLERİ TANIMLAMA");
    Branch->Add(Item);
    int Clicks = 0;
    Item->OnClick = [&](TObject*) { ++Clicks; };
    F.SetMenu(Menu);
    EXPECT_LT(F.ClientHeight(), 300);
    Item->Action()->trigger();
    EXPECT_EQ(Clicks, 1);
    delete Item;
    EXPECT_EQ(Branch->Count(), 0);
}

TEST(Forms, OnClickMayTakeBackTheButtonsModalResult) {
    TForm F(nullptr);
    auto* Ok = Child<TButton>(&F);
    Ok->SetModalResult(mrOk);
    int Tries = 0;
    // A failed check keeps the dialog open by clearing the form's result.
    Ok->OnClick = [&](TObject*) {
        if (++Tries == 1) F.SetModalResult(mrNone);
    };
    F.OnShow = [&](TObject*) {
        Ok->Click();
        EXPECT_EQ(F.ModalResult(), mrNone);
        Ok->Click();
    };
    EXPECT_EQ(F.ShowModal(), mrOk);
    EXPECT_EQ(Tries, 2);
}

TEST(Forms, FormFreedByItsOwnButtonWhileModal) {
    auto* F = new TForm(nullptr);
    auto* B = Child<TButton>(F);
    B->OnClick = [&](TObject*) { delete F; F = nullptr; };
    F->OnShow = [&](TObject*) { B->Click(); };
    TModalResult R = F->ShowModal();
    EXPECT_EQ(R, mrCancel);
    EXPECT_EQ(F, nullptr);
    Settle();
}

TEST(Forms, ReleasedFormFreedEarlierByItsOwnerIsNotFreedTwice) {
    auto Owner = std::make_unique<TComponent>(nullptr);
    auto* F = new TForm(Owner.get());
    F->OnClose = [](TObject*, TCloseAction& A) { A = caFree; };
    F->Show();
    F->Close();
    EXPECT_EQ(Owner->ComponentCount(), 1);   // not yet: after the current events
    Owner.reset();
    QCoreApplication::sendPostedEvents();
    Settle();
}

TEST(Forms, ExceptionDialogThatFailsItselfStaysInsideTheLayer) {
    struct TBrokenPrompter : TScriptedPrompter {
        Integer MessageBox(const AnsiString&, const AnsiString&, Integer) override {
            throw EInvalidOperation("no display");
        }
    } P;
    TPrompterGuard G(&P);
    bool Ok = true;
    EXPECT_NO_THROW(Ok = GuardedCall(nullptr, [] { throw Exception("first"); }));
    EXPECT_FALSE(Ok);
}

TEST(Forms, FixedBorderFollowsBoundsSetAfterIt) {
    TForm F(nullptr);
    F.SetBorderStyle(bsDialog);
    F.SetBounds(10, 20, 400, 300);
    F.Show();
    EXPECT_EQ(F.Width(), 400);
    EXPECT_EQ(F.Height(), 300);
    EXPECT_EQ(F.Widget()->width(), 400);
    EXPECT_EQ(F.Widget()->height(), 300);
    F.Close();
}

// ---------------------------------------------------------------------------
// A modal form disables the windows open when it starts; windows shown later work.
namespace {

struct TWindowWithButton {
    TForm Form{nullptr};
    TButton* Button = new TButton(&Form);
    TEdit* Edit = new TEdit(&Form);
    int Clicks = 0;
    TWindowWithButton() {
        Button->SetParent(&Form);
        Edit->SetParent(&Form);
        Edit->SetLeft(100);
        Button->OnClick = [this](TObject*) { ++Clicks; };
    }
};

// Runs Steps inside F's modal loop; F closes afterwards.
TModalResult WhileModal(TCustomForm& F, const std::function<void()>& Steps) {
    QTimer::singleShot(0, [&] {
        Steps();
        F.SetModalResult(mrOk);
    });
    return F.ShowModal();
}

}  // namespace

TEST(FormsModal, WindowsOpenBeforeTheModalFormTakeNoInputUntilItEnds) {
    TWindowWithButton Main;
    Main.Form.Show();
    Main.Edit->SetFocus();
    TWindowWithButton Modal;
    WhileModal(Modal.Form, [&] {
        SystemClick(Main.Button);
        SystemKey(Main.Edit, Qt::Key_A);
        SystemClose(&Main.Form);
        Settle();
        EXPECT_EQ(Main.Clicks, 0);
        EXPECT_EQ(Main.Edit->Text(), "");
        EXPECT_TRUE(Main.Form.Visible());
        // A click on the disabled window brings the modal form back to the front.
        EXPECT_EQ(QApplication::activeWindow(), Modal.Form.Widget());
        SystemClick(Modal.Button);
        EXPECT_EQ(Modal.Clicks, 1);
    });
    SystemClick(Main.Button);
    EXPECT_EQ(Main.Clicks, 1);
}

TEST(FormsModal, AFormShownDuringTheModalOneTakesInputAndClosingItReturnsThere) {
    TWindowWithButton Main;
    Main.Form.Show();
    TWindowWithButton Modal, Later;
    Later.Button->OnClick = [&](TObject*) {
        ++Later.Clicks;
        Later.Form.Close();
    };
    WhileModal(Modal.Form, [&] {
        Later.Form.Show();
        Later.Edit->SetFocus();
        Settle();
        SystemKey(Later.Edit, Qt::Key_A);
        EXPECT_EQ(Later.Edit->Text(), "a");
        SystemClick(Later.Button);
        Settle();
        EXPECT_EQ(Later.Clicks, 1);
        EXPECT_FALSE(Later.Form.Visible());
        EXPECT_EQ(QApplication::activeWindow(), Modal.Form.Widget());
    });
}

TEST(FormsModal, AnInnerModalFormDisablesTheOuterOneUntilItEnds) {
    TWindowWithButton Outer, Inner;
    WhileModal(Outer.Form, [&] {
        WhileModal(Inner.Form, [&] {
            SystemClick(Outer.Button);
            EXPECT_EQ(Outer.Clicks, 0);
        });
        Settle();
        EXPECT_EQ(QApplication::activeWindow(), Outer.Form.Widget());
        SystemClick(Outer.Button);
        EXPECT_EQ(Outer.Clicks, 1);
    });
}

// ---------------------------------------------------------------------------
// SIGTERM and SIGINT end the message loop through the forms' close path.
namespace {

class ApplicationSignals : public ::testing::Test {
protected:
    ApplicationSignals() {
        ::sigaction(SIGTERM, nullptr, &FOldTerm);
        ::sigaction(SIGINT, nullptr, &FOldInt);
    }
    ~ApplicationSignals() override {
        ::sigaction(SIGTERM, &FOldTerm, nullptr);
        ::sigaction(SIGINT, &FOldInt, nullptr);
    }
    struct sigaction FOldTerm {}, FOldInt {};
};

TEST_F(ApplicationSignals, SigtermClosesTheMainFormAndRunReturns) {
    TApplication App(nullptr);
    TForm Main(nullptr);
    int Closes = 0;
    Main.OnClose = [&](TObject*, TCloseAction&) { ++Closes; };
    App.SetMainForm(&Main);
    App.TerminateOnSignals({SIGTERM, SIGINT});
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    App.Run();
    EXPECT_EQ(App.TerminatingSignal(), SIGTERM);
    EXPECT_TRUE(App.Terminated());
    EXPECT_EQ(Closes, 1);
    EXPECT_FALSE(Main.Visible());
    ::alarm(0);
}

TEST_F(ApplicationSignals, SigintCancelsAWaitingDialogAndEndsTheModalForm) {
    TApplication App(nullptr);
    TForm Main(nullptr), Modal(nullptr);
    App.SetMainForm(&Main);
    App.TerminateOnSignals({SIGTERM, SIGINT});
    TModalResult Result = mrNone;
    int DialogResult = -1;
    Modal.OnShow = [&](TObject*) {
        QTimer::singleShot(0, [&] {
            QDialog Waiting;
            QTimer::singleShot(0, [] { ::raise(SIGINT); });
            DialogResult = Waiting.exec();
        });
    };
    QTimer::singleShot(0, [&] { Result = Modal.ShowModal(); });
    App.Run();
    EXPECT_EQ(App.TerminatingSignal(), SIGINT);
    EXPECT_EQ(DialogResult, QDialog::Rejected);
    EXPECT_EQ(Result, mrCancel);
    EXPECT_FALSE(Modal.Visible());
    ::alarm(0);
}

}  // namespace
