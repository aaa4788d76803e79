#pragma once
// The data module: the program's one connection, its one transaction and the
// shared data sets through which every screen writes.
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

    // OnCreate: opens FBDbase1. OnDestroy: closes it when connected.
    void DataModuleCreate(TObject* Sender);
    void DataModuleDestroy(TObject* Sender);

    // Closes DataSet, binds it to FBDbase1 and FBTransact1 and replaces its whole
    // select text by SQL. Does not open it.
    void SetDataSetSQL(TpFBDataSet* DataSet, const AnsiString& SQL);
};

extern Tdmodule1* dmodule1;
