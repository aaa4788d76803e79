#include "entry/Startup.h"
#include "datasets/FBDataSet.h"
#include "dbclient/FBMessages.h"

#include <array>

#include "entry/EABONEKIMLIK.h"
#include "entry/SheetExchange.h"
#include "entry/UDMODULE1.h"
#include "entry/Util3a.h"
#include "entry/ZEMTAR.h"
#include "entry/dABONEKIMLIK.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sheet/Excel.h"

namespace {

constexpr std::array<const char*, ProgramObjectCount> Names = {
    "ZEMTARF",        "dABONEKIMLIKF", "EABONEKIMLIKF",  "dtopfaturagirf",
    "F_Util3",        "dzemtarabonekimlikf", "ezemtarabonekimlikf", "dfaturagirf",
    "Dzemtarfaturaf", "etopfaturagirf", "efaturagirf",    "zemtarfaturaf",
    "dmodule1"};

// The objects this layer can make itself; the others come from the program.
std::array<TObjectFactory, ProgramObjectCount> MakeDefaults() {
    std::array<TObjectFactory, ProgramObjectCount> F;
    F[objZEMTARF] = [] { return CreateInto(ZEMTARF); };
    F[objdABONEKIMLIKF] = [] { return CreateInto(dABONEKIMLIKF); };
    F[objEABONEKIMLIKF] = [] { return CreateInto(EABONEKIMLIKF); };
    F[objF_Util3] = [] { return CreateInto(F_Util3); };
    F[objdmodule1] = [] { return CreateInto(dmodule1); };
    return F;
}

std::array<TObjectFactory, ProgramObjectCount>& Factories() {
    static std::array<TObjectFactory, ProgramObjectCount> F = MakeDefaults();
    return F;
}

bool ValidKind(TProgramObject Kind) { return Kind >= 0 && Kind < ProgramObjectCount; }

// "Cannot perform operation -- DB is not open.": the database layer's message table.
constexpr Integer DatabaseNotOpen = 12;

// The database layer speaks English; what reaches the operator is Turkish,
// the layer's or the server's own words after it.
void ShowProgramException(TObject*, const Exception& E) {
    const auto* Db = dynamic_cast<const EFBError*>(&E);
    const auto* Client = dynamic_cast<const EFBClientError*>(&E);
    if (Client && Client->SQLCode() == DatabaseNotOpen)
        Application->ShowException(
            Exception("\"" + ProgramDatabaseName() + "\" veritabanı açık değil; işlem yapılamadı"));
    else if (Db)
        Application->ShowException(Exception("Veritabanı işlemi yapılamadı. " + E.Message()));
    else
        Application->ShowException(E);
}

}  // namespace

void AdoptByApplication(TComponent* Instance) {
    const AnsiString Base = Instance->Name();
    if (!Base.empty() && Application->FindComponent(Base)) {
        for (Integer I = 1;; ++I) {
            AnsiString Candidate = Base + "_" + IntToStr(I);
            if (!Application->FindComponent(Candidate)) {
                Instance->SetName(Candidate);
                break;
            }
        }
    }
    Application->InsertComponent(Instance);
    if (auto* F = dynamic_cast<TCustomForm*>(Instance)) {
        if (!Application->MainForm()) Application->SetMainForm(F);
        F->DoCreate();
    } else if (auto* D = dynamic_cast<TDataModule*>(Instance)) {
        D->DoCreate();
    }
}

const char* ProgramObjectName(TProgramObject Kind) { return ValidKind(Kind) ? Names[Kind] : ""; }

TObjectFactory RegisterProgramObject(TProgramObject Kind, TObjectFactory Factory) {
    if (!ValidKind(Kind)) throw Exception("Unknown program object");
    TObjectFactory Previous = std::move(Factories()[Kind]);
    Factories()[Kind] = std::move(Factory);
    return Previous;
}

bool ProgramObjectRegistered(TProgramObject Kind) { return ValidKind(Kind) && Factories()[Kind] != nullptr; }

TComponent* CreateProgramObject(TProgramObject Kind) {
    if (!ProgramObjectRegistered(Kind))
        throw Exception(AnsiString(ProgramObjectName(Kind)) + " is not available in this program");
    // A copy: the factory may register another one while it runs.
    TObjectFactory Factory = Factories()[Kind];
    return Factory();
}

void TakeProgramArguments(int argc, char** argv) {
    if (argc > 1 && argv[1]) SetProgramDatabaseName(Utf8ToAnsi(argv[1]));
}

bool StartProgram() {
    Application->Initialize();
    Application->SetTitle(ApplicationTitle);
    Application->OnException = ShowProgramException;
    // The data sets show the SQL cursor while they run SQL.
    ScreenCursorHooks().Get = [] { return Screen->Cursor(); };
    ScreenCursorHooks().Set = [](TCursor Value) { Screen->SetCursor(Value); };
    // An exported workbook no program can show is reported with its path
    // (an opener put in place before, as by a test, stays).
    if (TSheetOpener Previous = SetSheetOpener(DesktopSheetOpener)) SetSheetOpener(std::move(Previous));
    for (Integer I = 0; I < ProgramObjectCount; ++I) {
        const auto Kind = static_cast<TProgramObject>(I);
        if (!ProgramObjectRegistered(Kind)) continue;
        try {
            CreateProgramObject(Kind);
        } catch (...) {
            // One object that cannot be made must not keep the others from starting.
            Application->HandleException(Application);
        }
    }
    // Another copy holds the database: every action of this one would fail.
    // The creation handler has said so; the program ends.
    return !(dmodule1 && dmodule1->DatabaseInUse());
}

bool RunProgram() {
    if (!StartProgram()) return false;
    Application->Run();
    return true;
}
