// Parsing and rewriting a long select: the work a data set does on its select
// text when it opens, counts records, adds conditions and sorts.
#include <benchmark/benchmark.h>

#include "dbclient/SqlTxtRtns.h"
#include "platform/rtl/Classes.h"

namespace {

AnsiString LongSelect(int Columns) {
    AnsiString sql = "SELECT /* subscriber list */\r\n";
    for (int i = 0; i < Columns; ++i) {
        if (i) sql += ",\r\n";
        sql += "  a.COL" + std::to_string(i) + " AS \"Column " + std::to_string(i) + "\"";
    }
    sql += ",\r\n  (SELECT MAX(f.TOPLAMBEDELI) FROM EFATURA f WHERE f.ABONENO = a.ABONENO) AS SONFATURA";
    sql += "\r\nFROM EABONEKIMLIK a\r\n  LEFT JOIN EFATURA f2 ON f2.ABONENO = a.ABONENO -- last invoice\r\n";
    sql += "  JOIN \"Tarife Tablosu\" t ON t.KOD = a.TARIFE\r\n";
    sql += "WHERE a.DURUMU = '1  Aktif' AND a.ADI NOT LIKE '%where%' AND a.ABONENO IN (SELECT b.ABONENO FROM ";
    sql += "DABONEKIMLIK b WHERE b.ILCE = :ILCE)\r\n";
    sql += "PLAN JOIN (A NATURAL, F2 INDEX (EFATURA_ABONENO))\r\n";
    sql += "ORDER BY a.ABONENO, a.ADI DESC";
    return sql;
}

const AnsiString& Sql() {
    static const AnsiString sql = LongSelect(120);
    return sql;
}

void BM_ParseAndRewrite(benchmark::State& State) {
    for (auto _ : State) {
        TSQLParser p(Sql());
        benchmark::DoNotOptimize(p.MakeCountSQL());
        benchmark::DoNotOptimize(p.AddToMainWhere("a.ABONENO > 1000", true));
        benchmark::DoNotOptimize(p.ReplaceOrderClause("a.ADI"));
        benchmark::DoNotOptimize(p.ReplacePlanClause(""));
        benchmark::DoNotOptimize(p.GetOrderInfo());
        benchmark::DoNotOptimize(p.GetTablesList(true));
    }
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(Sql().size()));
}
BENCHMARK(BM_ParseAndRewrite);

void BM_WhereWalk(benchmark::State& State) {
    TSQLParser p(Sql());
    for (auto _ : State) {
        benchmark::DoNotOptimize(p.WhereClausesCount());
        benchmark::DoNotOptimize(p.MainWhereIndex());
    }
}
BENCHMARK(BM_WhereWalk);

void BM_FieldAndAliasLookups(benchmark::State& State) {
    for (auto _ : State) {
        benchmark::DoNotOptimize(FieldNameByParam(Sql(), "ILCE"));
        benchmark::DoNotOptimize(TableByAlias(Sql(), "T"));
        benchmark::DoNotOptimize(FullFieldName(Sql(), "f2.TOPLAMBEDELI"));
        benchmark::DoNotOptimize(InvertOrderClause("a.ABONENO, a.ADI DESC, 3"));
    }
}
BENCHMARK(BM_FieldAndAliasLookups);

}  // namespace
