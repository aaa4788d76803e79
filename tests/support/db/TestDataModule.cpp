#include "TestDataModule.h"

#include "datasets/pFBDataSet.h"
#include "dbclient/FBQuery.h"
#include "dbclient/pFBDatabase.h"
#include "dbclient/pFBTransaction.h"
#include "platform/rtl/SysUtils.h"

namespace {

// Runs Fn with a query on the module's connection in a transaction of its own.
template <class Fn>
void WithQuery(Tdmodule1* M, const AnsiString& SQL, Fn&& Body) {
    TFBTransaction Tr(nullptr);
    Tr.SetDefaultDatabase(M->FBDbase1);
    TFBQuery Q(nullptr);
    Q.SetDatabase(M->FBDbase1);
    Q.SetTransaction(&Tr);
    Q.SQL()->SetText(SQL);
    Tr.StartTransaction();
    try {
        Q.ExecQuery();
        Body(Q);
        Q.Close();
        Tr.Commit();
    } catch (...) {
        if (Tr.Active()) Tr.Rollback();
        throw;
    }
}

}  // namespace

TTestDataModule::TTestDataModule() : FDatabase(1, true) {
    FModule = std::make_unique<Tdmodule1>(nullptr);
    FModule->FBDbase1->SetDBName(FDatabase.Path());
    FModule->FBDbase1->DBParams()->Clear();
    TTestDatabase::AddLogin(FModule->FBDbase1->DBParams());
    FPrevious = dmodule1;
    dmodule1 = FModule.get();
    FModule->DoCreate();
}

TTestDataModule::~TTestDataModule() {
    if (FModule->FBTransact1->Active()) {
        try {
            FModule->FBTransact1->Rollback();
        } catch (...) {
        }
    }
    FModule.reset();
    dmodule1 = FPrevious;
}

void TTestDataModule::Execute(const AnsiString& Script) {
    if (FModule->FBTransact1->Active()) FModule->FBTransact1->Commit();
    // Through the module's own attachment, one transaction per statement, so
    // that metadata changes are seen by the module at once.
    size_t Start = 0;
    while (Start < Script.size()) {
        size_t End = Script.find(';', Start);
        if (End == AnsiString::npos) End = Script.size();
        const AnsiString Statement = Trim(Script.substr(Start, End - Start));
        Start = End + 1;
        if (Statement.empty()) continue;
        WithQuery(FModule.get(), Statement, [](TFBQuery&) {});
    }
}

AnsiString TTestDataModule::Value(const AnsiString& SelectSQL) {
    AnsiString Result;
    WithQuery(FModule.get(), SelectSQL, [&](TFBQuery& Q) {
        if (!Q.Eof()) Result = Q.Fields(0)->AsString();
    });
    return Result;
}

Integer TTestDataModule::Count(const AnsiString& SelectSQL) {
    Integer N = 0;
    WithQuery(FModule.get(), SelectSQL, [&](TFBQuery& Q) {
        while (!Q.Eof()) {
            ++N;
            Q.Next();
        }
    });
    return N;
}
