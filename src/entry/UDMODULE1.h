#pragma once
// The data module: the program's one connection, its one transaction and the
// shared data sets through which every screen writes.
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"

class TpFBDatabase;
class TpFBTransaction;
class TpFBDataSet;

class Tdmodule1 : public TDataModule {
public:
    explicit Tdmodule1(TComponent* AOwner);
    ~Tdmodule1() override;

    TpFBDatabase* FBDbase1 = nullptr;
    TpFBTransaction* FBTransact1 = nullptr;
    TpFBDataSet* EFATURA = nullptr;
    TpFBDataSet* dfatura = nullptr;
    TpFBDataSet* eabonekimlik = nullptr;
    TpFBDataSet* dabonekimlik = nullptr;

    // OnCreate: opens FBDbase1 (EDatabaseInUse when another copy of the
    // program holds it). OnDestroy: closes it when connected.
    void DataModuleCreate(TObject* Sender);
    // The open failed because another copy of the program holds the database.
    bool DatabaseInUse() const { return FDatabaseInUse; }
    void DataModuleDestroy(TObject* Sender);

    // Closes DataSet, binds it to FBDbase1 and FBTransact1 and replaces its whole
    // select text by SQL. Does not open it.
    void SetDataSetSQL(TpFBDataSet* DataSet, const AnsiString& SQL);

    // The end of every write: commits FBTransact1, starts it again and reopens
    // DataSet; when any step fails the transaction is rolled back and that
    // step's error raised again (also when the rollback fails as well).
    void CommitAndReopen(TpFBDataSet* DataSet);

private:
    bool FDatabaseInUse = false;
};

extern Tdmodule1* dmodule1;

// The database a data module made from now on opens: "zemtar.gdb" unless the
// program was given another name. A plain name or path opens the file in this
// process; "host:/path" or "host/port:/path" opens it on that server.
const AnsiString& ProgramDatabaseName();
// An empty name puts the default back.
void SetProgramDatabaseName(const AnsiString& Value);

// The database is held by another copy of the program (the embedded engine
// lets one process open a file). Raised by the creation handler.
class EDatabaseInUse : public Exception {
public:
    using Exception::Exception;
};
