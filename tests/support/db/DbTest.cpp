#include "DbTest.h"

std::unique_ptr<TComponent> TDbTest::NewOwner() {
    auto O = std::make_unique<TComponent>(nullptr);
    O->SetName("dm");
    return O;
}

void TDbTest::TearDown() {
    if (FRollBack && Owner && Tr->Active()) Tr->Rollback();
    Owner.reset();
}

TFBDatabase* ConnectTestDatabase(TComponent* Owner, TTestDatabase& T, const AnsiString& DbName,
                                 const AnsiString& TrName) {
    auto* D = new TFBDatabase(Owner);
    if (!DbName.empty()) D->SetName(DbName);
    D->SetDBName(T.Path());
    D->SetSQLDialect(T.Dialect());
    TTestDatabase::AddLogin(D->DBParams());
    D->DBParams()->Add("lc_ctype=WIN1254");
    D->Open();
    auto* R = new TFBTransaction(Owner);
    if (!TrName.empty()) R->SetName(TrName);
    R->SetDefaultDatabase(D);
    R->TRParams()->SetText("write\r\nnowait\r\nrec_version\r\nread_committed");
    D->SetDefaultTransaction(R);
    return D;
}

TFBDatabase* TDbTest::Connect(TTestDatabase& T, const AnsiString& DbName, const AnsiString& TrName) {
    TFBDatabase* D = ConnectTestDatabase(Owner.get(), T, DbName, TrName);
    if (!Db) {
        Db = D;
        Tr = D->DefaultTransaction();
    }
    return D;
}

void TDbTest::ConnectAndStart(TTestDatabase& T, const AnsiString& DbName, const AnsiString& TrName) {
    Connect(T, DbName, TrName);
    Tr->StartTransaction();
    FRollBack = true;
}

TFBQuery* TDbTest::Query(const AnsiString& Sql, const AnsiString& Name) {
    auto* Q = new TFBQuery(Owner.get());
    if (!Name.empty()) Q->SetName(Name);
    Q->SetDatabase(Db);
    Q->SetTransaction(Tr);
    Q->SQL()->SetText(Sql);
    return Q;
}

AnsiString TDbTest::Scalar(TFBDatabase* D, const AnsiString& Sql) {
    TFBTransaction T(nullptr);
    T.SetDefaultDatabase(D);
    T.StartTransaction();
    TFBQuery Q(nullptr);
    Q.SetDatabase(D);
    Q.SetTransaction(&T);
    Q.SQL()->SetText(Sql);
    Q.ExecQuery();
    const AnsiString R = Q.Eof() ? AnsiString("<none>")
                                 : (Q.Fields(0)->IsNull() ? AnsiString("<null>") : Q.Fields(0)->AsString());
    Q.Close();
    T.Commit();
    return R;
}

Integer TDbTest::ErrorCode(const std::function<void()>& F) {
    try {
        F();
    } catch (const EFBError& E) {
        return E.SQLCode();
    }
    return 0;
}
