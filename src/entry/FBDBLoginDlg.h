#pragma once
// The database login dialog: asks for the user name, password and role of
// a connection whose UseLoginPrompt is set.
#include "platform/ui/Forms.h"

class TPanel;
class TLabel;
class TEdit;
class TButton;

class TfrmFBDBLoginDlg : public TForm {
public:
    explicit TfrmFBDBLoginDlg(TComponent* AOwner);

    TPanel* Panel1;
    TLabel* Label1;
    TLabel* lbDBName;
    TPanel* Panel2;
    TLabel* Label2;
    TLabel* Label3;
    TLabel* Label4;
    TEdit* EdUserName;
    TEdit* EdPassword;
    TEdit* EdRole;
    TButton* Button1;
    TButton* Button2;
};

// The database name as the dialog shows it: a name of more than 45
// characters becomes its first 10, "..." and its last 33.
AnsiString ShortDBName(const AnsiString& DBName);

// Shows the dialog for DBName with UserName and RoleName filled in and an
// empty password. On OK the three values are taken and the result is true;
// otherwise nothing changes.
bool LoginDialogEx(const AnsiString& DBName, AnsiString& UserName, AnsiString& Password, AnsiString& RoleName);

// Makes the dialog the connections' login dialog and lets a lost connection
// end the application and show its error in a message box (called at program
// start); Remove takes all of it away again.
void InstallLoginDialog();
void RemoveLoginDialog();
