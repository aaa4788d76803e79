#pragma once
// The set-up the database suites share: the suite's databases, and per test an
// owner "dm" holding the connections the test opens.
#include <functional>
#include <memory>

#include "TestDatabase.h"
#include "dbclient/FBDatabase.h"
#include "dbclient/FBMessages.h"
#include "dbclient/FBQuery.h"
#include "dbclient/FBTransaction.h"

// A connection to T owned by Owner: the test login, WIN1254 text, the
// database's dialect, and a read-committed, no-wait write transaction as its
// default. Names are given where not empty.
TFBDatabase* ConnectTestDatabase(TComponent* Owner, TTestDatabase& T, const AnsiString& DbName = AnsiString(),
                                 const AnsiString& TrName = AnsiString());

class TDbTest : public TDatabaseSuite {
protected:
    // The owner goes with all it holds, unless the test let it go already;
    // a Tr that ConnectAndStart started is rolled back first.
    void TearDown() override;

    // A connection as ConnectTestDatabase makes it, owned by this test's
    // Owner; the first one becomes Db and Tr.
    TFBDatabase* Connect(TTestDatabase& T, const AnsiString& DbName = AnsiString(),
                         const AnsiString& TrName = AnsiString());
    // The same, with Tr started.
    void ConnectAndStart(TTestDatabase& T, const AnsiString& DbName, const AnsiString& TrName);

    // A statement on Db and Tr, owned by Owner.
    TFBQuery* Query(const AnsiString& Sql, const AnsiString& Name = AnsiString());
    // The first column of the first row, read on D in a transaction of its
    // own: "<none>" without a row, "<null>" for Null.
    static AnsiString Scalar(TFBDatabase* D, const AnsiString& Sql);
    // The same on Db.
    AnsiString Scalar(const AnsiString& Sql) { return Scalar(Db, Sql); }
    // The code of the database layer's error F raises, 0 for none.
    static Integer ErrorCode(const std::function<void()>& F);

    std::unique_ptr<TComponent> Owner = NewOwner();
    TFBDatabase* Db = nullptr;
    TFBTransaction* Tr = nullptr;

private:
    static std::unique_ptr<TComponent> NewOwner();
    // Handlers a test body set may point at its ended locals: only a
    // transaction the fixture started is ended here before the owner goes.
    bool FRollBack = false;
};
