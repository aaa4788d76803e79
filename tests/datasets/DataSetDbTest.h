#pragma once
// The database set-up the data-set suites share: one fresh database per suite,
// and per test an owner with a connection "Db" and its transaction "Tr"
// (read committed, no wait), both named under "dm".
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "dbclient/FBDatabase.h"
#include "dbclient/FBMessages.h"
#include "dbclient/FBQuery.h"
#include "dbclient/FBTransaction.h"
#include "support/db/TestDatabase.h"

class TDataSetDbTest : public ::testing::Test {
public:
    static void TearDownTestSuite() { FDB.reset(); }

protected:
    // Called from a suite's SetUpTestSuite: the database and the suite's own tables.
    static void CreateDatabase(Integer Dialect, bool WithSchema, const AnsiString& Script) {
        FDB = std::make_unique<TTestDatabase>(Dialect, WithSchema);
        if (!Script.empty()) FDB->Execute(Script);
    }

    void SetUp() override {
        Owner = std::make_unique<TComponent>(nullptr);
        Owner->SetName("dm");
        Db = new TFBDatabase(Owner.get());
        Db->SetName("Db");
        Db->SetDBName(FDB->Path());
        Db->SetSQLDialect(FDB->Dialect());
        TTestDatabase::AddLogin(Db->DBParams());
        Db->DBParams()->Add("lc_ctype=WIN1254");
        Db->Open();
        Tr = new TFBTransaction(Owner.get());
        Tr->SetName("Tr");
        Tr->SetDefaultDatabase(Db);
        Tr->TRParams()->SetText("write\r\nnowait\r\nrec_version\r\nread_committed");
        Db->SetDefaultTransaction(Tr);
    }
    void TearDown() override { Owner.reset(); }

    // The first column of the first row, read in a transaction of its own:
    // "<none>" without a row, "<null>" for Null.
    AnsiString Scalar(const AnsiString& Sql) {
        TFBTransaction T(nullptr);
        T.SetDefaultDatabase(Db);
        T.StartTransaction();
        TFBQuery Q(nullptr);
        Q.SetDatabase(Db);
        Q.SetTransaction(&T);
        Q.SQL()->SetText(Sql);
        Q.ExecQuery();
        const AnsiString R = Q.Eof() ? AnsiString("<none>")
                                     : (Q.Fields(0)->IsNull() ? AnsiString("<null>") : Q.Fields(0)->AsString());
        Q.Close();
        T.Commit();
        return R;
    }
    // The code of the database layer's error F raises, 0 for none.
    static Integer ErrorCode(const std::function<void()>& F) {
        try {
            F();
        } catch (const EFBError& E) {
            return E.SQLCode();
        }
        return 0;
    }

    static inline std::unique_ptr<TTestDatabase> FDB;
    std::unique_ptr<TComponent> Owner;
    TFBDatabase* Db = nullptr;
    TFBTransaction* Tr = nullptr;
};
