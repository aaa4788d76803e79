#include "RawSql.h"

#include <cstring>

#include "dbclient/FBMessages.h"

void ExecSQL(TFBDatabase& Db, TFBTransaction& Tr, const AnsiString& SQL) {
    IIBClientLibrary* lib = Db.ClientLibrary();
    Db.Call(lib->isc_dsql_execute_immediate(StatusVector(), Db.HandleAddress(), Tr.HandleAddress(), 0, SQL.c_str(),
                                            static_cast<unsigned short>(Db.SQLDialect()), nullptr),
            true);
}

Int64 SelectInt(TFBDatabase& Db, TFBTransaction& Tr, const AnsiString& SQL) {
    IIBClientLibrary* lib = Db.ClientLibrary();
    auto dialect = static_cast<unsigned short>(Db.SQLDialect());
    isc_stmt_handle stmt = 0;
    Db.Call(lib->isc_dsql_alloc_statement2(StatusVector(), Db.HandleAddress(), &stmt), true);
    alignas(XSQLDA) char area[XSQLDA_LENGTH(1)] = {};
    auto* da = reinterpret_cast<XSQLDA*>(area);
    da->version = SQLDA_VERSION1;
    da->sqln = 1;
    Int64 result = 0;
    try {
        Db.Call(lib->isc_dsql_prepare(StatusVector(), Tr.HandleAddress(), &stmt, 0, SQL.c_str(), dialect, da), true);
        alignas(8) char data[8] = {};
        short ind = 0;
        da->sqlvar[0].sqldata = data;
        da->sqlvar[0].sqlind = &ind;
        Db.Call(lib->isc_dsql_execute(StatusVector(), Tr.HandleAddress(), &stmt, dialect, nullptr), true);
        ISC_STATUS st = lib->isc_dsql_fetch(StatusVector(), &stmt, dialect, da);
        if (st != 100) Db.Call(st, true);
        switch (da->sqlvar[0].sqltype & ~1) {
            case SQL_SHORT: { short v; std::memcpy(&v, data, 2); result = v; break; }
            case SQL_LONG: { ISC_LONG v; std::memcpy(&v, data, 4); result = v; break; }
            case SQL_INT64: { ISC_INT64 v; std::memcpy(&v, data, 8); result = v; break; }
            case SQL_DOUBLE: { double v; std::memcpy(&v, data, 8); result = static_cast<Int64>(v); break; }
            default: throw Exception("SelectInt: not an integer column");
        }
    } catch (...) {
        lib->isc_dsql_free_statement(StatusVector(), &stmt, DSQL_drop);
        throw;
    }
    lib->isc_dsql_free_statement(StatusVector(), &stmt, DSQL_drop);
    return result;
}
