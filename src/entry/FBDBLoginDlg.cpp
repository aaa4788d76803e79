#include "entry/FBDBLoginDlg.h"

#include <memory>

#include "dbclient/FBDatabase.h"
#include "dbclient/pFBDatabase.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"

namespace {

template <class T>
T* Make(TComponent* Owner, TWinControl* Parent, const char* Name, Integer Left, Integer Top, Integer Width,
        Integer Height) {
    T* c = new T(Owner);
    c->SetName(Name);
    c->SetParent(Parent);
    c->SetBounds(Left, Top, Width, Height);
    return c;
}

}  // namespace

TfrmFBDBLoginDlg::TfrmFBDBLoginDlg(TComponent* AOwner) : TForm(AOwner) {
    SetName("frmFBDBLoginDlg");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(300);
    SetClientHeight(204);

    Panel1 = Make<TPanel>(this, this, "Panel1", 8, 8, 284, 48);
    Panel1->SetBevelOuter(bvLowered);
    Panel1->SetCaption("");
    Label1 = Make<TLabel>(this, Panel1, "Label1", 8, 6, 60, 13);
    Label1->Font()->SetStyle({fsBold});
    lbDBName = Make<TLabel>(this, Panel1, "lbDBName", 8, 24, 268, 13);
    lbDBName->SetAutoSize(false);

    Panel2 = Make<TPanel>(this, this, "Panel2", 8, 62, 284, 100);
    Panel2->SetBevelOuter(bvLowered);
    Panel2->SetCaption("");
    Label2 = Make<TLabel>(this, Panel2, "Label2", 8, 12, 70, 13);
    Label3 = Make<TLabel>(this, Panel2, "Label3", 8, 42, 70, 13);
    Label4 = Make<TLabel>(this, Panel2, "Label4", 8, 72, 70, 13);
    EdUserName = Make<TEdit>(this, Panel2, "EdUserName", 88, 8, 185, 21);
    EdPassword = Make<TEdit>(this, Panel2, "EdPassword", 88, 38, 185, 21);
    EdPassword->SetPasswordChar('*');
    EdRole = Make<TEdit>(this, Panel2, "EdRole", 88, 68, 185, 21);
    Label2->SetFocusControl(EdUserName);
    Label3->SetFocusControl(EdPassword);
    Label4->SetFocusControl(EdRole);

    Button1 = Make<TButton>(this, this, "Button1", 136, 170, 75, 25);
    Button1->SetModalResult(mrOk);
    Button1->SetDefault(true);
    Button2 = Make<TButton>(this, this, "Button2", 217, 170, 75, 25);
    Button2->SetModalResult(mrCancel);
    Button2->SetCancel(true);

    SetCaption("Database login");
    Label1->SetCaption("Database:");
    Label2->SetCaption("&User name");
    Label3->SetCaption("&Password");
    Label4->SetCaption("Rol&e");
    Button1->SetCaption("&OK");
    Button2->SetCaption("&Cancel");
    SetActiveControl(EdPassword);
}

AnsiString ShortDBName(const AnsiString& DBName) {
    if (DBName.size() <= 45) return DBName;
    return DBName.substr(0, 10) + "..." + DBName.substr(DBName.size() - 33);
}

bool LoginDialogEx(const AnsiString& DBName, AnsiString& UserName, AnsiString& Password, AnsiString& RoleName) {
    auto dlg = std::make_unique<TfrmFBDBLoginDlg>(nullptr);
    dlg->lbDBName->SetCaption(ShortDBName(DBName));
    dlg->EdUserName->SetText(UserName);
    dlg->EdRole->SetText(RoleName);
    dlg->EdPassword->SetText(AnsiString());
    if (dlg->ShowModal() != mrOk) return false;
    UserName = dlg->EdUserName->Text();
    RoleName = dlg->EdRole->Text();
    Password = dlg->EdPassword->Text();
    return true;
}

void InstallLoginDialog() {
    LoginDialogHook = LoginDialogEx;
    // What a lost connection needs of the application: its end and a message box.
    LostConnectQuit = [](Integer) { Application->Terminate(); };
    LostConnectMessage = [](const AnsiString& Text) {
        Application->MessageBox(Text, Application->Title(), MB_OK | MB_ICONERROR);
    };
}

void RemoveLoginDialog() {
    LoginDialogHook = nullptr;
    LostConnectQuit = nullptr;
    LostConnectMessage = nullptr;
}
