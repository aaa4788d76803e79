#include "TestDatabase.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "dbclient/FBMessages.h"
#include "dbclient/FBQuery.h"
#include "dbclient/FBTransaction.h"
#include "dbclient/IB_Intf.h"
#include "dbclient/FBSQLMonitor.h"

namespace {

AnsiString TempRoot() {
    const char* t = std::getenv("TMPDIR");
    return t && *t ? AnsiString(t) : AnsiString("/tmp");
}

// The statements of a script: comments dropped, split at ";", COMMIT left out.
std::vector<AnsiString> SplitScript(const AnsiString& Script) {
    AnsiString text;
    for (size_t i = 0; i < Script.size(); ++i) {
        if (Script.compare(i, 2, "/*") == 0) {
            size_t e = Script.find("*/", i + 2);
            if (e == AnsiString::npos) break;
            i = e + 1;
            continue;
        }
        text += Script[i];
    }
    std::vector<AnsiString> result;
    std::stringstream in(text);
    AnsiString stmt;
    while (std::getline(in, stmt, ';')) {
        size_t b = stmt.find_first_not_of(" \t\r\n");
        if (b == AnsiString::npos) continue;
        stmt = stmt.substr(b, stmt.find_last_not_of(" \t\r\n") - b + 1);
        AnsiString upper = stmt;
        for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        if (upper == "COMMIT") continue;
        result.push_back(stmt);
    }
    return result;
}

void Check(const IIBClientLibrary* Lib, ISC_STATUS Status) {
    if (Status > 0) IBError(Lib, nullptr);
}

}  // namespace

namespace {

std::string& LockFolder() {
    static std::string Folder;
    return Folder;
}

// Before any test of the program can start the engine.
const bool EnginePrepared = (PrepareEmbeddedEngine(), true);

}  // namespace

std::unique_ptr<TTestDatabase> TDatabaseSuite::FDB1;
std::unique_ptr<TTestDatabase> TDatabaseSuite::FDB3;

void PrepareEmbeddedEngine() {
    static bool done = false;
    if (done) return;
    done = true;
    AnsiString tmpl = TempRoot() + "/osb-fblock-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) return;   // the engine's default then; attaches will say what is wrong
    LockFolder() = buf.data();
    setenv("FIREBIRD_LOCK", LockFolder().c_str(), 1);
    // Test processes run side by side: each traces into a channel of its own.
    SetSQLMonitorChannel("osbtest" + std::to_string(getpid()) + ".");
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(LockFolder(), ignored);
    });
}

TTestDatabase::TTestDatabase(Integer Dialect, bool WithSchema) : TTestDatabase(Dialect, WithSchema, AnsiString()) {}

TTestDatabase::TTestDatabase(Integer Dialect, bool WithSchema, const AnsiString& Host)
    : FHost(Host), FDialect(Dialect) {
    PrepareEmbeddedEngine();
    FFolder = FTemp.Path().substr(0, FTemp.Path().size() - 1);
    FPath = FFolder + "/test.fdb";

    IIBClientLibraryPtr lib = GetClientLibraryByName(IBASE_DLL);
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    AnsiString sql = "CREATE DATABASE '" + ConnectName() + "' USER '" + UserName + "' PASSWORD '" + Password +
                     "' PAGE_SIZE 8192 DEFAULT CHARACTER SET WIN1254";
    Check(lib.get(), lib->isc_dsql_execute_immediate(StatusVector(), &db, &tr, 0, sql.c_str(),
                                                     static_cast<unsigned short>(Dialect), nullptr));
    lib->isc_detach_database(StatusVector(), &db);
    if (WithSchema) {
        std::ifstream in(AnsiString(OSB_SOURCE_DIR) + "/db/schema.sql");
        std::stringstream text;
        text << in.rdbuf();
        Execute(text.str());
    }
}

// Tests keep their side files in the folder too (caches, settings, workbooks);
// it goes with everything in it.
TTestDatabase::~TTestDatabase() = default;

void TTestDatabase::Execute(const AnsiString& Script) {
    IIBClientLibraryPtr lib = GetClientLibraryByName(IBASE_DLL);
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    AnsiString dpb = "\x01";
    auto add = [&dpb](char Code, const AnsiString& V) {
        dpb += Code;
        dpb += static_cast<char>(V.size());
        dpb += V;
    };
    add(isc_dpb_user_name, UserName);
    add(isc_dpb_password, Password);
    const AnsiString name = ConnectName();
    Check(lib.get(), lib->isc_attach_database(StatusVector(), static_cast<short>(name.size()), name.c_str(), &db,
                                              static_cast<short>(dpb.size()), dpb.data()));
    try {
        TISC_TEB teb{&db, 0, ""};
        Check(lib.get(), lib->isc_start_multiple(StatusVector(), &tr, 1, &teb));
        try {
            for (const AnsiString& stmt : SplitScript(Script))
                Check(lib.get(), lib->isc_dsql_execute_immediate(StatusVector(), &db, &tr, 0, stmt.c_str(),
                                                                 static_cast<unsigned short>(FDialect), nullptr));
            Check(lib.get(), lib->isc_commit_transaction(StatusVector(), &tr));
        } catch (...) {
            lib->isc_rollback_transaction(StatusVector(), &tr);
            throw;
        }
    } catch (...) {
        lib->isc_detach_database(StatusVector(), &db);
        throw;
    }
    lib->isc_detach_database(StatusVector(), &db);
}

TTestDatabase& TDatabaseSuite::DB1() {
    if (!FDB1) FDB1 = std::make_unique<TTestDatabase>(1, true);
    return *FDB1;
}

TTestDatabase& TDatabaseSuite::DB3() {
    if (!FDB3) FDB3 = std::make_unique<TTestDatabase>(3, false);
    return *FDB3;
}

void TDatabaseSuite::TearDownTestSuite() {
    FDB1.reset();
    FDB3.reset();
}

void EndAttachment(TFBDatabase* Db) {
    const Integer id = Db->QueryValues("select current_connection from rdb$database").AsInteger();
    TFBDatabase other(nullptr);
    other.SetDBName(Db->DBName());
    other.DBParams()->Assign(Db->DBParams());
    other.Open();
    other.QueryValues("select count(*) from rdb$database");   // warms the pool of other
    TFBTransaction t(nullptr);
    t.SetDefaultDatabase(&other);
    t.StartTransaction();
    std::unique_ptr<TFBQuery> q(new TFBQuery(nullptr));
    q->SetDatabase(&other);
    q->SetTransaction(&t);
    q->SQL()->SetText("delete from mon$attachments where mon$attachment_id = " + IntToStr(id));
    q->ExecQuery();
    t.Commit();
    q.reset();
    other.Close();
}
