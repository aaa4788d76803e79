// The program entry: the database login dialog, the screens of the invoice and
// transfer-file layer, then the start-up and the message loop.
#include "entry/FBDBLoginDlg.h"
#include "entry/Startup.h"

void RegisterTransferScreens();   // TransferScreens.cpp

int main() {
    InstallLoginDialog();
    RegisterTransferScreens();
    RunProgram();
    // The application owns every window and the data module: freeing them here
    // closes the connection before the process ends.
    Application->DestroyComponents();
    return 0;
}
