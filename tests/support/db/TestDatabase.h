#pragma once
// Fresh Firebird database files for tests, made with the embedded engine in
// a private temporary folder and removed again afterwards.
#include <gtest/gtest.h>

#include <memory>

#include "support/TempFolder.h"

#include "platform/rtl/Classes.h"
#include "platform/rtl/System.h"

// Gives the embedded engine a lock folder of this test process's own
// (FIREBIRD_LOCK), removed at exit: test programs running side by side, or a
// default /tmp/firebird made by another user, never share or block its lock
// files. Runs by itself when the program starts; later calls do nothing.
void PrepareEmbeddedEngine();

class TFBDatabase;
// Ends Db's attachment from a second one with its file and parameters, as a
// server shutdown would: Db finds its connection lost at its next call.
void EndAttachment(TFBDatabase* Db);

// One new database file: SQL dialect 1 or 3, default character set WIN1254,
// optionally with the program's tables from db/schema.sql.
class TTestDatabase {
public:
    explicit TTestDatabase(Integer Dialect = 1, bool WithSchema = false);
    // The same, made through a Firebird server: Host is its "host/port" part
    // and the file lies where that server can reach it.
    TTestDatabase(Integer Dialect, bool WithSchema, const AnsiString& Host);
    ~TTestDatabase();
    TTestDatabase(const TTestDatabase&) = delete;
    TTestDatabase& operator=(const TTestDatabase&) = delete;

    // Full path of the file (plain path: the embedded engine opens it).
    const AnsiString& Path() const { return FPath; }
    const AnsiString& Folder() const { return FFolder; }
    // The name a connection opens: the path, after "host/port:" for a server's database.
    AnsiString ConnectName() const { return FHost.empty() ? FPath : FHost + ":" + FPath; }
    Integer Dialect() const { return FDialect; }

    // Runs statements (";"-separated, comments allowed) in one transaction.
    void Execute(const AnsiString& Script);

    static constexpr const char* UserName = "SYSDBA";
    static constexpr const char* Password = "masterkey";
    // Adds the test user's user_name and password lines to connection parameters.
    static void AddLogin(TStrings* Params) {
        Params->Add(AnsiString("user_name=") + UserName);
        Params->Add(AnsiString("password=") + Password);
    }

private:
    TTempFolder FTemp{"osb-db-"};
    AnsiString FFolder;
    AnsiString FPath;
    AnsiString FHost;
    Integer FDialect;
};

// Test suite base with one dialect-1 database with the program's tables and
// one plain dialect-3 database per suite, each made when first asked for.
class TDatabaseSuite : public ::testing::Test {
public:
    static void TearDownTestSuite();

protected:
    static TTestDatabase& DB1();
    static TTestDatabase& DB3();

private:
    static std::unique_ptr<TTestDatabase> FDB1;
    static std::unique_ptr<TTestDatabase> FDB3;
};
