#include "entry/FBDBLoginDlg.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <functional>

#include "../platform/ui/UiTestKit.h"
#include "dbclient/FBDatabase.h"
#include "dbclient/FBMessages.h"
#include "dbclient/pFBDatabase.h"
#include "platform/Raised.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"

using namespace uitest;

namespace {

TfrmFBDBLoginDlg* ShownDialog() {
    for (Integer i = 0; i < Screen->FormCount(); ++i)
        if (auto* d = dynamic_cast<TfrmFBDBLoginDlg*>(Screen->Forms(i)))
            if (d->Visible()) return d;
    return nullptr;
}

// Runs Action on the dialog once it is shown modally.
void WhenShown(std::function<void(TfrmFBDBLoginDlg*)> Action) {
    Application->Initialize();   // the timer needs the Qt application
    QTimer::singleShot(0, [Action] {
        TfrmFBDBLoginDlg* d = ShownDialog();
        ASSERT_NE(d, nullptr);
        d->BringToFront();
        Settle();
        if (!FocusTarget()) {   // nothing to type into: give up rather than hang
            ADD_FAILURE() << "no focus";
            d->SetModalResult(mrAbort);
            return;
        }
        Action(d);
    });
}

TEST(FBDBLoginDlg, CreatedWithItsTextsAndControls) {
    TfrmFBDBLoginDlg d(nullptr);
    EXPECT_EQ(d.Caption(), "Database login");
    EXPECT_EQ(d.Label1->Caption(), "Database:");
    EXPECT_TRUE(d.Label1->Font()->Style().Contains(fsBold));
    EXPECT_EQ(d.Label2->Caption() + "|" + d.Label3->Caption() + "|" + d.Label4->Caption() + "|" + d.Button1->Caption() +
                  "|" + d.Button2->Caption(),
              "&User name|&Password|Rol&e|&OK|&Cancel");
    EXPECT_EQ(d.Button1->ModalResult(), mrOk);
    EXPECT_EQ(d.Button2->ModalResult(), mrCancel);
    EXPECT_EQ(d.EdPassword->PasswordChar(), '*');
    EXPECT_EQ(d.ActiveControl(), d.EdPassword);
    EXPECT_FALSE(d.lbDBName->AutoSize());
    EXPECT_EQ(d.BorderStyle(), bsDialog);
    EXPECT_EQ(d.Position(), poScreenCenter);
    EXPECT_EQ(d.FindComponent("EdRole"), d.EdRole);
}

TEST(FBDBLoginDlg, LongDatabaseNamesAreShortenedInTheMiddle) {
    const AnsiString n45(45, 'a');
    EXPECT_EQ(ShortDBName(n45), n45);
    const AnsiString n46 = "0123456789" + AnsiString(3, 'x') + "abcdefghijklmnopqrstuvwxyzABCDEFG";
    ASSERT_EQ(n46.size(), 46u);
    const AnsiString s = ShortDBName(n46);
    EXPECT_EQ(s, "0123456789...abcdefghijklmnopqrstuvwxyzABCDEFG");
    EXPECT_EQ(s.size(), 46u);
    EXPECT_EQ(ShortDBName(""), "");
}

TEST(FBDBLoginDlg, OkTakesTheTypedValues) {
    AnsiString user = "SYSDBA", password = "old", role = "CLERK";
    WhenShown([](TfrmFBDBLoginDlg* d) {
        EXPECT_EQ(d->lbDBName->Caption(), "/veri/zemtar.gdb");
        EXPECT_EQ(d->EdUserName->Text(), "SYSDBA");
        EXPECT_EQ(d->EdRole->Text(), "CLERK");
        EXPECT_EQ(d->EdPassword->Text(), "") << "the password is never shown";
        TypeText(u"gizli");
        d->EdRole->SetText("Müdür");
        Click(d->Button1);
    });
    EXPECT_TRUE(LoginDialogEx("/veri/zemtar.gdb", user, password, role));
    EXPECT_EQ(user + "|" + password + "|" + role, "SYSDBA|gizli|Müdür");
}

TEST(FBDBLoginDlg, CancelChangesNothing) {
    AnsiString user = "SYSDBA", password = "old", role = "";
    WhenShown([](TfrmFBDBLoginDlg* d) {
        d->EdUserName->SetText("someone");
        TypeText(u"x");
        SendKey(FocusTarget(), Qt::Key_Escape, QStringLiteral("\x1b"));
    });
    EXPECT_FALSE(LoginDialogEx("zemtar.gdb", user, password, role));
    EXPECT_EQ(user + "|" + password + "|" + role, "SYSDBA|old|");
}

TEST(FBDBLoginDlg, InstalledDialogServesTheConnections) {
    InstallLoginDialog();
    ASSERT_TRUE(LoginDialogHook && LostConnectQuit && LostConnectMessage);
    // A database that asks for a login and is cancelled stays closed with its lines as they were.
    TFBDatabase db(nullptr);
    db.SetName("FBDbase1");
    db.SetDBName("/nowhere/zemtar.gdb");
    db.DBParams()->Add("user_name=SYSDBA");
    db.SetUseLoginPrompt(true);
    WhenShown([](TfrmFBDBLoginDlg* d) {
        EXPECT_EQ(d->EdUserName->Text(), "SYSDBA");
        Click(d->Button2);
    });
    const auto Refused = Raised<EFBClientError>([&] { db.Open(); });
    EXPECT_TRUE(Refused && Refused->SQLCode() == 7);
    EXPECT_FALSE(db.Connected());
    EXPECT_EQ(db.DBParams()->Text(), "user_name=SYSDBA\r\n");

    // A lost connection's message goes to the application's message box.
    TScriptedPrompter prompter;
    TPrompterGuard guard(&prompter);
    LostConnectMessage("connection lost");
    EXPECT_EQ(prompter.LastMessage(), "connection lost");

    RemoveLoginDialog();
    EXPECT_FALSE(static_cast<bool>(LoginDialogHook));
    EXPECT_FALSE(static_cast<bool>(LostConnectQuit));
}

}  // namespace
