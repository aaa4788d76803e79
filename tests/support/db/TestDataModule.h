#pragma once
// The program's data module on a fresh dialect-1 database with the program's
// schema, installed as the global dmodule1 for the screens under test.
#include <gtest/gtest.h>

#include <memory>

#include "TestDatabase.h"
#include "entry/UDMODULE1.h"

class TTestDataModule {
public:
    // Creates the database, then the data module pointed at it, and runs the
    // module's creation handler (which opens the connection).
    TTestDataModule();
    ~TTestDataModule();
    TTestDataModule(const TTestDataModule&) = delete;
    TTestDataModule& operator=(const TTestDataModule&) = delete;

    Tdmodule1* Module() const { return FModule.get(); }
    Tdmodule1* operator->() const { return FModule.get(); }
    TTestDatabase& Database() { return FDatabase; }

    // Runs ";"-separated statements (no ";" inside them) on the module's
    // connection, each committed in a transaction of its own; the module's
    // transaction is committed first.
    void Execute(const AnsiString& Script);

    // Single value of a select, through the module's own connection in a
    // fresh transaction; "" when there is no row or the value is NULL.
    AnsiString Value(const AnsiString& SelectSQL);
    // Number of rows a select gives, in the same way.
    Integer Count(const AnsiString& SelectSQL);

private:
    TTestDatabase FDatabase;
    std::unique_ptr<Tdmodule1> FModule;
    Tdmodule1* FPrevious = nullptr;
};

// Test suite base with one data module, on a database of its own, per suite.
class TDataModuleSuite : public ::testing::Test {
public:
    static void SetUpTestSuite() { FModule = std::make_unique<TTestDataModule>(); }
    static void TearDownTestSuite() { FModule.reset(); }

protected:
    static TTestDataModule& DM() { return *FModule; }

private:
    static inline std::unique_ptr<TTestDataModule> FModule;
};
