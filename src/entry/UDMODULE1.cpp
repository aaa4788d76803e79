#include "entry/UDMODULE1.h"

#include "datasets/pFBDataSet.h"
#include "dbclient/pFBDatabase.h"
#include "dbclient/FBMessages.h"
#include "dbclient/pFBTransaction.h"

Tdmodule1* dmodule1 = nullptr;

namespace {

constexpr const char* DefaultDatabaseName = "zemtar.gdb";

AnsiString& DatabaseName() {
    static AnsiString Name = DefaultDatabaseName;
    return Name;
}

// "Database already opened with engine instance, incompatible with current".
constexpr ISC_STATUS AlreadyOpened = 335545107;

// The engine's own words when another process holds the file.
bool HeldByAnotherProcess(const Exception& E) {
    return CheckStatusVector({AlreadyOpened}) ||
           E.Message().find("already opened with engine instance") != AnsiString::npos;
}

void SetupInvoiceDataSet(TpFBDataSet* DataSet, const AnsiString& SQL, TpFBDatabase* Db, TpFBTransaction* Tr) {
    DataSet->SelectSQL()->SetText(SQL);
    DataSet->SetTransaction(Tr);
    DataSet->SetDatabase(Db);
    DataSet->SetSQLScreenCursor(crHourGlass);
    DataSet->DefaultFormats()->SetDateTimeDisplayFormat("dd.mm.yyyy hh:mm:ss");
    TpPrepareOptions Options = DataSet->PrepareOptions();
    Options.Include(psSQLINT64ToBCD);
    DataSet->SetPrepareOptions(Options);
}

void SetupIdentityDataSet(TpFBDataSet* DataSet, const AnsiString& SQL, TpFBDatabase* Db, TpFBTransaction* Tr) {
    DataSet->SelectSQL()->SetText(SQL);
    DataSet->SetTransaction(Tr);
    DataSet->SetDatabase(Db);
}

}  // namespace

Tdmodule1::Tdmodule1(TComponent* AOwner) : TDataModule(AOwner) {
    SetName("dmodule1");

    FBDbase1 = new TpFBDatabase(this);
    FBDbase1->SetName("FBDbase1");
    FBTransact1 = new TpFBTransaction(this);
    FBTransact1->SetName("FBTransact1");

    FBDbase1->SetDBName(ProgramDatabaseName());
    FBDbase1->DBParams()->Add("user_name=sysdba");
    FBDbase1->DBParams()->Add("password=kolvetrim");
    FBDbase1->SetDefaultTransaction(FBTransact1);
    FBDbase1->SetDefaultUpdateTransaction(FBTransact1);
    FBDbase1->SetSQLDialect(1);
    FBDbase1->SetTimeout(0);
    FBDbase1->SetWaitForRestoreConnect(0);

    FBTransact1->SetDefaultDatabase(FBDbase1);
    FBTransact1->SetTimeoutAction(TACommit);

    EFATURA = new TpFBDataSet(this);
    EFATURA->SetName("EFATURA");
    SetupInvoiceDataSet(EFATURA, "select * from Efatura", FBDbase1, FBTransact1);
    dfatura = new TpFBDataSet(this);
    dfatura->SetName("dfatura");
    SetupInvoiceDataSet(dfatura, "select * from Dfatura", FBDbase1, FBTransact1);
    eabonekimlik = new TpFBDataSet(this);
    eabonekimlik->SetName("eabonekimlik");
    SetupIdentityDataSet(eabonekimlik, "select * from eabonekimlik", FBDbase1, FBTransact1);
    dabonekimlik = new TpFBDataSet(this);
    dabonekimlik->SetName("dabonekimlik");
    SetupIdentityDataSet(dabonekimlik, "select * from dabonekimlik", FBDbase1, FBTransact1);

    OnCreate = [this](TObject* Sender) { DataModuleCreate(Sender); };
}

Tdmodule1::~Tdmodule1() {
    // The base class would fire OnDestroy after this part of the object is
    // gone; run the handler here while the components are still ours.
    OnDestroy = nullptr;
    GuardedCall(this, [this] { DataModuleDestroy(this); });
    if (dmodule1 == this) dmodule1 = nullptr;
}

void Tdmodule1::DataModuleCreate(TObject* Sender) {
    try {
        FBDbase1->Open();
    } catch (const EFBError& E) {
        if (!HeldByAnotherProcess(E)) {
            // The layer's own words are English: a Turkish sentence naming the file, the server's after it.
            const auto* Server = dynamic_cast<const EFBInterBaseError*>(&E);
            throw EDatabaseError("\"" + FBDbase1->DBName() + "\" veritabanı açılamadı. " +
                                 (Server && !Server->IBMessage().empty() ? Server->IBMessage() : E.Message()));
        }
        FDatabaseInUse = true;
        throw EDatabaseInUse("\"" + FBDbase1->DBName() +
                             "\" veritabanı programın başka bir kopyası tarafından kullanılıyor. Bu kopya kapanıyor");
    }
}

void Tdmodule1::DataModuleDestroy(TObject* Sender) {
    if (FBDbase1 && FBDbase1->Connected()) FBDbase1->Close();
}

void Tdmodule1::SetDataSetSQL(TpFBDataSet* DataSet, const AnsiString& SQL) {
    DataSet->Close();
    DataSet->SetDatabase(FBDbase1);
    DataSet->SetTransaction(FBTransact1);
    DataSet->SelectSQL()->SetText(SQL);
}

void Tdmodule1::CommitAndReopen(TpFBDataSet* DataSet) {
    try {
        FBTransact1->Commit();
        FBTransact1->SetActive(true);
        DataSet->Close();
        DataSet->Open();
    } catch (...) {
        // The first error is the one that tells what went wrong: a rollback that
        // fails too (a lost connection) must not replace it.
        try {
            if (FBTransact1->Active()) FBTransact1->Rollback();
        } catch (...) {
        }
        throw;
    }
}

const AnsiString& ProgramDatabaseName() { return DatabaseName(); }

void SetProgramDatabaseName(const AnsiString& Value) { DatabaseName() = Value.empty() ? DefaultDatabaseName : Value; }
