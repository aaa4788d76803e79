// An application data set over 100,000 subscriber rows (38 columns), walked and read by
// FieldByName as the screens read it, against a bare fetch loop on the client library over
// the same rows in the same run. Prints both processor times, their ratio, the bytes the data set keeps
// per row and the raw size of a row's values.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <ctime>
#include <cstring>
#include <iterator>
#include <vector>

#include "datasets/pFBDataSet.h"
#include "dbclient/FBDatabase.h"
#include "dbclient/FBTransaction.h"
#include "support/db/TestDatabase.h"

namespace {

constexpr int Rows = 100000;

// Processor time of the process: the machine may be shared, and waiting for it is no one's cost.
double CpuSeconds() {
    timespec T{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &T);
    return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_nsec) / 1e9;
}

const char* const Columns[] = {
    "ABONENO", "ADI", "SOYADI", "VERGINO", "TCKIMLIK", "ABONETARIHI", "ABONEDURUMU", "UAVTNO", "ILADI",
    "ILCEADI", "BELDEADI", "BUCAKADI", "KOYADI", "MAHALLEADI", "CADDEADI", "DISKAPINO", "ICKAPINO",
    "MULKIYET", "MULKADI", "MULKSOYADI", "MULKVERGINO", "MULKTCKIMLIK", "MULKDASK", "KIRABASLAMATARIHI",
    "KIRABITISTARIHI", "KIRATUTARI", "TELTIPI", "TELEFON", "PAFTA", "ADA", "PERSEL", "YUZOLCUM", "ABONETIPI",
    "YAZI1", "YAZI2", "SAYI1", "ZEMTARDAHIL", "SAYI2"};

bool IsNumber(const char* Name) {
    return !std::strcmp(Name, "KIRATUTARI") || !std::strcmp(Name, "YUZOLCUM") || !std::strcmp(Name, "SAYI1") ||
           !std::strcmp(Name, "SAYI2");
}

struct TBench {
    TTestDatabase File{1, true};
    TComponent Owner{nullptr};
    TFBDatabase* Db = nullptr;
    TFBTransaction* Tr = nullptr;

    TBench() {
        Db = new TFBDatabase(&Owner);
        Db->SetDBName(File.Path());
        Db->SetSQLDialect(1);
        TTestDatabase::AddLogin(Db->DBParams());
        Db->DBParams()->Add("lc_ctype=WIN1254");
        Db->Open();
        Tr = new TFBTransaction(&Owner);
        Tr->SetDefaultDatabase(Db);
        Tr->TRParams()->SetText("read\r\nread_committed\r\nrec_version");
        Db->SetDefaultTransaction(Tr);
        Fill();
    }

    // Texts about as long as a zone's real ones: most columns filled, a few empty.
    void Fill() {
        TFBTransaction W(nullptr);
        W.SetDefaultDatabase(Db);
        W.StartTransaction();
        TFBQuery Q(nullptr);
        Q.SetDatabase(Db);
        Q.SetTransaction(&W);
        Q.SetParamCheck(false);
        Q.SQL()->SetText(
            "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < " + IntToStr(Rows) + ") DO BEGIN "
            "INSERT INTO EABONEKIMLIK VALUES (:I, 'AHMET ' || MOD(:I, 97), 'YILMAZ ' || MOD(:I, 89), '12345' || MOD(:I, 10), "
            "'1234567890' || MOD(:I, 10), '01.02.2016', 'AKTİF', '100' || MOD(:I, 999), 'KAYSERİ', 'MELİKGAZİ', '', '', '', "
            "'OSB MAHALLESİ', CAST(MOD(:I, 40) AS VARCHAR(3)) || '. CADDE', '1' || MOD(:I, 9), '', 'KİRACI', 'MEHMET', "
            "'DEMİR', '9876543210', '98765432101', '', '01.01.2016', '31.12.2020', 1250.5 + MOD(:I, 100), 'CEP', "
            "'0532 ' || :I, '12', '345', '6', 1500 + MOD(:I, 700), 'SANAYİ', '', '', 0, 'E', 0); "
            "I = I + 1; END END");
        Q.ExecQuery();
        W.Commit();
    }

    // A bare fetch loop: every value of every row read from the client's row buffer.
    double Bare(size_t& RawBytes) {
        IIBClientLibrary* L = Db->ClientLibrary();
        ISC_STATUS_ARRAY St = {};
        isc_tr_handle T = 0;
        // The same transaction kind as the data set's.
        static const char Tpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed, isc_tpb_rec_version};
        TISC_TEB Teb{Db->HandleAddress(), static_cast<long>(sizeof Tpb), Tpb};
        L->isc_start_multiple(St, &T, 1, &Teb);
        const double Start = CpuSeconds();
        isc_stmt_handle S = 0;
        L->isc_dsql_alloc_statement2(St, Db->HandleAddress(), &S);
        std::vector<char> Area(XSQLDA_LENGTH(40));
        auto* Da = reinterpret_cast<XSQLDA*>(Area.data());
        Da->version = SQLDA_VERSION1;
        Da->sqln = 40;
        const char* Sql = "select * from EABONEKIMLIK order by ABONENO";
        L->isc_dsql_prepare(St, &T, &S, 0, Sql, 1, Da);
        std::vector<std::vector<char>> Data(static_cast<size_t>(Da->sqld));
        std::vector<short> Ind(static_cast<size_t>(Da->sqld));
        for (int I = 0; I < Da->sqld; ++I) {
            XSQLVAR& V = Da->sqlvar[I];
            Data[I].resize(static_cast<size_t>(V.sqllen) + 2);
            V.sqldata = Data[I].data();
            V.sqlind = &Ind[I];
        }
        L->isc_dsql_execute(St, &T, &S, 1, nullptr);
        AnsiString Text;
        double Sum = 0;
        RawBytes = 0;
        while (L->isc_dsql_fetch(St, &S, 1, Da) == 0) {
            for (int I = 0; I < Da->sqld; ++I) {
                const XSQLVAR& V = Da->sqlvar[I];
                if ((V.sqltype & 1) && Ind[I] < 0) continue;
                if ((V.sqltype & ~1) == SQL_VARYING) {
                    short N;
                    std::memcpy(&N, V.sqldata, 2);
                    Text.assign(V.sqldata + 2, static_cast<size_t>(N));
                    RawBytes += Text.size();
                } else {
                    double D;
                    std::memcpy(&D, V.sqldata, 8);
                    Sum += D;
                    RawBytes += 8;
                }
            }
        }
        L->isc_dsql_free_statement(St, &S, DSQL_drop);
        const double End = CpuSeconds();
        L->isc_commit_transaction(St, &T);
        benchmark::DoNotOptimize(Sum);
        return End - Start;
    }

    // The data set as a screen uses it. Kept gets the heap the open data set holds.
    double Project(size_t& Kept) {
        malloc_trim(0);
        const size_t Before = mallinfo2().uordblks + mallinfo2().hblkhd;
        const double Start = CpuSeconds();
        auto* Ds = new TpFBDataSet(&Owner);
        Ds->SetDatabase(Db);
        Ds->SetTransaction(Tr);
        Ds->SelectSQL()->SetText("select * from EABONEKIMLIK order by ABONENO");
        Ds->Open();
        AnsiString Text;
        double Sum = 0;
        bool Number[std::size(Columns)];
        for (size_t I = 0; I < std::size(Columns); ++I) Number[I] = IsNumber(Columns[I]);
        for (; !Ds->Eof(); Ds->Next()) {
            for (size_t I = 0; I < std::size(Columns); ++I) {
                if (Number[I]) Sum += Ds->FieldByName(Columns[I])->AsFloat();
                else Text = Ds->FieldByName(Columns[I])->AsString();
            }
        }
        const double End = CpuSeconds();
        Kept = mallinfo2().uordblks + mallinfo2().hblkhd - Before;
        delete Ds;
        Tr->Commit();
        benchmark::DoNotOptimize(Sum);
        return End - Start;
    }
};

void BM_DataSetWalk(benchmark::State& State) {
    static TBench B;
    size_t Raw = 0, Kept = 0;
    std::vector<double> Bare, Proj;
    for (auto _ : State) {
        Bare.push_back(B.Bare(Raw));
        Proj.push_back(B.Project(Kept));
    }
    const auto Median = [](std::vector<double> V) {
        std::sort(V.begin(), V.end());
        return V[V.size() / 2];
    };
    const double Bm = Median(Bare), Pm = Median(Proj);
    State.counters["bare_cpu_s"] = Bm;
    State.counters["dataset_cpu_s"] = Pm;
    State.counters["ratio"] = Pm / Bm;
    State.counters["raw_B_per_row"] = static_cast<double>(Raw) / Rows;
    State.counters["kept_B_per_row"] = static_cast<double>(Kept) / Rows;
    State.counters["memory_ratio"] = static_cast<double>(Kept) / static_cast<double>(Raw);
}
BENCHMARK(BM_DataSetWalk)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
