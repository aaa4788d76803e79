#pragma once
// Fresh Firebird database files for tests, made with the embedded engine in
// a private temporary folder and removed again afterwards.
#include <gtest/gtest.h>

#include <memory>

#include "platform/rtl/System.h"

// Gives the embedded engine a lock folder of this user's own (FIREBIRD_LOCK,
// unless already set): the engine's default /tmp/firebird, once made by
// another user such as root, locks everyone else out. Call before the first
// attach of the process; later calls do nothing.
void PrepareEmbeddedEngine();

// One new database file: SQL dialect 1 or 3, default character set WIN1254,
// optionally with the program's tables from db/schema.sql.
class TTestDatabase {
public:
    explicit TTestDatabase(Integer Dialect = 1, bool WithSchema = false);
    ~TTestDatabase();
    TTestDatabase(const TTestDatabase&) = delete;
    TTestDatabase& operator=(const TTestDatabase&) = delete;

    // Full path of the file (plain path: the embedded engine opens it).
    const AnsiString& Path() const { return FPath; }
    const AnsiString& Folder() const { return FFolder; }
    Integer Dialect() const { return FDialect; }

    // Runs statements (";"-separated, comments allowed) in one transaction.
    void Execute(const AnsiString& Script);

    static constexpr const char* UserName = "SYSDBA";
    static constexpr const char* Password = "masterkey";

private:
    AnsiString FFolder;
    AnsiString FPath;
    Integer FDialect;
};

// Test suite base with one dialect-1 and one dialect-3 database per suite.
class TDatabaseSuite : public ::testing::Test {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    static TTestDatabase& DB1() { return *FDB1; }
    static TTestDatabase& DB3() { return *FDB3; }

private:
    static std::unique_ptr<TTestDatabase> FDB1;
    static std::unique_ptr<TTestDatabase> FDB3;
};
