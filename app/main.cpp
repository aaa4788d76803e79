// The program entry: the database login dialog, the screens of the invoice and
// transfer-file layer, then the start-up and the message loop.
#include "entry/FBDBLoginDlg.h"
#include "entry/Startup.h"
#include "platform/data/DB.h"

#include <csignal>

void RegisterTransferScreens();   // TransferScreens.cpp

namespace {

void CloseDataSets(TComponent* Owner) {
    for (Integer I = 0; I < Owner->ComponentCount(); ++I) {
        TComponent* C = Owner->Components(I);
        if (auto* D = dynamic_cast<TDataSet*>(C)) {
            try {
                D->Close();
            } catch (...) {
                // Ending anyway: no dialog may hold the exit up.
            }
        }
        CloseDataSets(C);
    }
}

}  // namespace

int main(int argc, char** argv) {
    TakeProgramArguments(argc, argv);
    InstallLoginDialog();
    RegisterTransferScreens();
    // A logout or Ctrl+C ends the program through the same close as its window.
    Application->TerminateOnSignals({SIGTERM, SIGINT});
    RunProgram();
    // The application owns every window and the data module: freeing them here
    // closes the connection before the process ends. Open cursors are closed
    // first, while the connection they read through is still there.
    CloseDataSets(Application);
    Application->DestroyComponents();
    return 0;
}
