// The natural-gas identity transfer screen listing every subscriber into its
// grid, against a bare client fetch of the same select into a shown QTableWidget,
// in the same run on the same embedded database.
//   ZemtarListing_bench [rows=10000] [repeats=5]
// The listing is measured at the given row count and at twice as many rows, so
// that the per-row cost shows whether the time grows linearly.
#include "dbclient/FBMessages.h"
#include "dbclient/IB_Intf.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "support/db/TestDataModule.h"
#include "transfer/dzemtarabonekimlik.h"

#include <QApplication>
#include <QTableWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char* const ListSQL = "Select * from Dabonekimlik where aboneno>\"\" ORDER BY aboneno";

double Seconds(const std::function<void()>& Fn) {
    const auto T0 = std::chrono::steady_clock::now();
    Fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count();
}

double Median(std::vector<double> V) {
    std::sort(V.begin(), V.end());
    return V[V.size() / 2];
}

// Subscribers From+1 .. From+Count, every column filled, in one statement.
AnsiString InsertSubscribers(int From, int Count) {
    const std::string Digits =
        "(select 0 x from rdb$database union all select 1 from rdb$database union all select 2 from rdb$database "
        "union all select 3 from rdb$database union all select 4 from rdb$database union all select 5 from "
        "rdb$database union all select 6 from rdb$database union all select 7 from rdb$database union all select 8 "
        "from rdb$database union all select 9 from rdb$database)";
    // Dialect 1 sums are floating point: made whole before they become text.
    const std::string N = "cast(cast(a.x + 10 * b.x + 100 * c.x + 1000 * d.x + 10000 * e.x + " +
                          std::to_string(From + 1) + " as integer) as varchar(6))";
    std::string Text = "'ABC ' || " + N;
    std::string Sql =
        "insert into DABONEKIMLIK select lpad(" + N + ", 10, '0'), 'AD' || " + N + ", 'SOYAD' || " + N +
        ", '1234567890', '12345678901', '01.01.2010', 'AKTIF', '1234567', 'IZMIR', 'BORNOVA', 'BELDE', 'BUCAK', "
        "'KOY', 'MAHALLE', 'CADDE', '12', '3', 'KIRACI', 'MULK' || " + N + ", 'SAHIBI', '1234567890', "
        "'12345678901', '1234', '01.02.2010', '01.02.2020', 1250.5, 'SABIT', '02321234567', " + Text + ", " + Text +
        ", " + Text + ", 120.75, 'MESKEN', 'Ocak 2016', 'X', 1, 'E', 2 from " + Digits + " a, " + Digits + " b, " +
        Digits + " c, " + Digits + " d, " + Digits + " e where a.x + 10 * b.x + 100 * c.x + 1000 * d.x + 10000 * e.x < " +
        std::to_string(Count);
    return Sql;
}

void Check(const IIBClientLibrary* Lib, ISC_STATUS Status) {
    if (Status > 0) IBError(Lib, nullptr);
}

// The same select through the client library's own calls, each value put into
// a cell of the table as text.
void BareFetch(const AnsiString& Path, QTableWidget* T) {
    IIBClientLibraryPtr Lib = GetClientLibraryByName(IBASE_DLL);
    isc_db_handle Db = 0;
    isc_tr_handle Tr = 0;
    isc_stmt_handle St = 0;
    std::string Dpb = "\x01";
    auto Add = [&Dpb](char Code, const std::string& V) {
        Dpb += Code;
        Dpb += static_cast<char>(V.size());
        Dpb += V;
    };
    Add(isc_dpb_user_name, TTestDatabase::UserName);
    Add(isc_dpb_password, TTestDatabase::Password);
    Check(Lib.get(), Lib->isc_attach_database(StatusVector(), short(Path.size()), Path.c_str(), &Db, short(Dpb.size()),
                                              Dpb.data()));
    TISC_TEB Teb{&Db, 0, ""};
    Check(Lib.get(), Lib->isc_start_multiple(StatusVector(), &Tr, 1, &Teb));
    Check(Lib.get(), Lib->isc_dsql_alloc_statement2(StatusVector(), &Db, &St));
    std::vector<char> Area(XSQLDA_LENGTH(1));
    auto* Out = reinterpret_cast<XSQLDA*>(Area.data());
    Out->version = SQLDA_VERSION1;
    Out->sqln = 1;
    Check(Lib.get(), Lib->isc_dsql_prepare(StatusVector(), &Tr, &St, 0, ListSQL, 1, Out));
    const int N = Out->sqld;
    Area.assign(XSQLDA_LENGTH(N), 0);
    Out = reinterpret_cast<XSQLDA*>(Area.data());
    Out->version = SQLDA_VERSION1;
    Out->sqln = short(N);
    Check(Lib.get(), Lib->isc_dsql_describe(StatusVector(), &St, 1, Out));
    std::vector<std::vector<char>> Data(N);
    std::vector<short> Null(N);
    for (int I = 0; I < N; ++I) {
        XSQLVAR& V = Out->sqlvar[I];
        Data[I].resize(V.sqllen + 2);
        V.sqldata = Data[I].data();
        V.sqlind = &Null[I];
    }
    Check(Lib.get(), Lib->isc_dsql_execute(StatusVector(), &Tr, &St, 1, nullptr));
    T->setColumnCount(N);
    int Row = 0;
    while (Lib->isc_dsql_fetch(StatusVector(), &St, 1, Out) == 0) {
        T->setRowCount(Row + 1);
        for (int I = 0; I < N; ++I) {
            const XSQLVAR& V = Out->sqlvar[I];
            QString S;
            if (Null[I] >= 0) {
                switch (V.sqltype & ~1) {
                    case SQL_VARYING: {
                        const auto Len = *reinterpret_cast<const unsigned short*>(V.sqldata);
                        S = QString::fromLatin1(V.sqldata + 2, Len);
                        break;
                    }
                    case SQL_TEXT: S = QString::fromLatin1(V.sqldata, V.sqllen); break;
                    case SQL_DOUBLE: S = QString::number(*reinterpret_cast<const double*>(V.sqldata)); break;
                    default: break;
                }
            }
            T->setItem(Row, I, new QTableWidgetItem(S));
        }
        ++Row;
    }
    Lib->isc_dsql_free_statement(StatusVector(), &St, DSQL_drop);
    Lib->isc_commit_transaction(StatusVector(), &Tr);
    Lib->isc_detach_database(StatusVector(), &Db);
    if (Row == 0) throw std::runtime_error("the bare fetch found no rows");
}

double ProjectRun() {
    auto F = std::make_unique<Tdzemtarabonekimlikf>(nullptr);
    F->Show();
    QApplication::processEvents();
    return Seconds([&] {
        F->Button1->Click();
        QApplication::processEvents();
    });
}

double BaselineRun(const AnsiString& Path) {
    QWidget Top;
    Top.resize(900, 600);
    auto* T = new QTableWidget(&Top);
    T->setGeometry(0, 0, 880, 580);
    Top.show();
    QApplication::processEvents();
    return Seconds([&] {
        BareFetch(Path, T);
        QApplication::processEvents();
    });
}

void Report(int Rows, int Repeats, const AnsiString& Path) {
    std::vector<double> P, B;
    for (int I = 0; I < Repeats; ++I) {
        P.push_back(ProjectRun());
        B.push_back(BaselineRun(Path));
    }
    const double Pm = Median(P), Bm = Median(B);
    std::printf("%6d subscribers: screen listing %7.3f s (%6.1f us/row)  bare fetch into QTableWidget %7.3f s "
                "(%6.1f us/row)  ratio %5.2f\n",
                Rows, Pm, Pm * 1e6 / Rows, Bm, Bm * 1e6 / Rows, Pm / Bm);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int Rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const int Repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    if (Rows * 2 > 100000) {
        std::fprintf(stderr, "at most 50000 rows\n");
        return 2;
    }
    TForm Warm(nullptr);   // makes the application object
    TTestDataModule DM;
    DM.Execute(InsertSubscribers(0, Rows));
    Report(Rows, Repeats, DM.Database().Path());
    DM.Execute(InsertSubscribers(Rows, Rows));
    Report(Rows * 2, Repeats, DM.Database().Path());
    return 0;
}
