// The grid's data work on 100,000 rows beside Qt's table widget doing the same in
// the same run: sorting by a text and by a number column, sorting by a column of a
// few values whose ties the next columns break, and copying 10 columns to clipboard
// text, hiding and showing half the rows. Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include "grid/ExtGrid.h"

#include <QTableWidget>

#include <chrono>
#include <memory>
#include <random>

namespace {

constexpr int Rows = 100000;
constexpr int Cols = 10;

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point A, Clock::time_point B) { return std::chrono::duration<double, std::milli>(B - A).count(); }

// Column 1: names, column 2: amounts; the rest filler. Districts: 20 values.
struct TData {
    std::vector<AnsiString> Names, Amounts, Districts;
    TData() {
        std::mt19937 Rng(7);
        const char* Places[] = {"Merkez", "Organize", "Sanayi", "Liman", "Çarşı", "Yeni", "Eski", "Doğu", "Batı", "Kuzey",
                                "Güney", "Park", "Vadi", "Tepe", "Koru", "Bahçe", "Pınar", "Köprü", "Kale", "Çamlık"};
        const char* Syl[] = {"ka", "ya", "me", "tin", "ser", "dar", "öz", "gül", "can", "ay"};
        for (int R = 0; R < Rows; ++R) {
            AnsiString N;
            for (int I = 0; I < 4; ++I) N += Syl[Rng() % 10];
            Names.push_back(N);
            Amounts.push_back(std::to_string(Rng() % 1000000) + "." + std::to_string(Rng() % 100));
            Districts.push_back(Places[Rng() % 20]);
        }
    }
};

const TData& Data() {
    static const TData D;
    return D;
}

// With Districts, the districts lead (column 1) and names and amounts follow.
std::unique_ptr<TExtStringGrid> MakeGrid(bool Districts = false) {
    auto G = std::make_unique<TExtStringGrid>(nullptr);
    G->SetColCount(Cols);
    G->SetRowCount(Rows + 1);
    G->BeginUpdate();
    const int At = Districts ? 1 : 0;
    for (int R = 0; R < Rows; ++R) {
        G->SetRawCells(0, R + 1, std::to_string(R));
        if (Districts) G->SetRawCells(1, R + 1, Data().Districts[size_t(R)]);
        G->SetRawCells(1 + At, R + 1, Data().Names[size_t(R)]);
        G->SetRawCells(2 + At, R + 1, Data().Amounts[size_t(R)]);
        for (int C = 3 + At; C < Cols; ++C) G->SetRawCells(C, R + 1, "x" + std::to_string(C));
    }
    G->EndUpdate();
    return G;
}

std::unique_ptr<QTableWidget> MakeTable(bool Districts = false) {
    const int At = Districts ? 1 : 0;
    auto T = std::make_unique<QTableWidget>(Rows, 3 + At);
    for (int R = 0; R < Rows; ++R) {
        T->setItem(R, 0, new QTableWidgetItem(QString::number(R)));
        if (Districts) T->setItem(R, 1, new QTableWidgetItem(QString::fromLatin1(Data().Districts[size_t(R)].c_str())));
        T->setItem(R, 1 + At, new QTableWidgetItem(QString::fromLatin1(Data().Names[size_t(R)].c_str())));
        auto* N = new QTableWidgetItem();
        N->setData(Qt::DisplayRole, std::stod(Data().Amounts[size_t(R)]));
        T->setItem(R, 2 + At, N);
    }
    return T;
}

// Times GridStep on a fresh grid and TableStep on a fresh table in each iteration
// and reports both with their ratio.
template <typename TGridStep, typename TTableStep>
void Compare(benchmark::State& State, bool Districts, TGridStep GridStep, TTableStep TableStep) {
    double Grid = 0, Qt = 0;
    for (auto _ : State) {
        auto G = MakeGrid(Districts);
        auto T = MakeTable(Districts);
        const auto A = Clock::now();
        GridStep(*G);
        const auto B = Clock::now();
        TableStep(*T);
        const auto C = Clock::now();
        Grid += Ms(A, B);
        Qt += Ms(B, C);
        State.SetIterationTime(Ms(A, B) / 1000);
    }
    const double N = double(State.iterations());
    State.counters["grid_ms"] = Grid / N;
    State.counters["qtable_ms"] = Qt / N;
    State.counters["ratio"] = Grid / Qt;
}

void SortBench(benchmark::State& State, int Column, bool Districts = false) {
    Compare(
        State, Districts,
        [Column](TExtStringGrid& G) {
            G.SortSettings()->SetColumn(Column);
            G.SortByColumn();
        },
        [Column](QTableWidget& T) { T.sortItems(Column); });
}

void BM_SortTextColumn(benchmark::State& State) { SortBench(State, 1); }
BENCHMARK(BM_SortTextColumn)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_SortNumberColumn(benchmark::State& State) { SortBench(State, 2); }
BENCHMARK(BM_SortNumberColumn)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// 20 districts over 100,000 rows: every row ties, names and then amounts order them
// (Full is on by default); the table widget sorts by the district alone.
void BM_SortTiedColumnFull(benchmark::State& State) { SortBench(State, 1, true); }
BENCHMARK(BM_SortTiedColumnFull)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// The target is one million cells a second.
void BM_CopyCellsToText(benchmark::State& State) {
    auto G = MakeGrid();
    double Total = 0;
    for (auto _ : State) {
        const auto A = Clock::now();
        benchmark::DoNotOptimize(G->CellsAsText(TGridRect{0, 1, Cols - 1, Rows}, false, true));
        const auto B = Clock::now();
        Total += Ms(A, B);
        State.SetIterationTime(Ms(A, B) / 1000);
    }
    const double CellsPerSecond = double(Rows) * Cols * double(State.iterations()) / (Total / 1000);
    State.counters["grid_cells_per_s"] = CellsPerSecond;
    State.counters["target_cells_per_s"] = 1e6;
    State.counters["ratio"] = CellsPerSecond / 1e6;
}
BENCHMARK(BM_CopyCellsToText)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Hiding every other row (as a filter does) and showing them all again, beside the
// table widget hiding and showing the same rows.
void BM_HideAndShowHalfTheRows(benchmark::State& State) {
    std::vector<Integer> Odd;
    for (Integer R = 1; R <= Rows; R += 2) Odd.push_back(R);
    Compare(
        State, false,
        [&Odd](TExtStringGrid& G) {
            G.BeginUpdate();
            G.HideRowList(Odd);
            G.UnHideRowsAll();
            G.EndUpdate();
        },
        [&Odd](QTableWidget& T) {
            for (Integer R : Odd) T.setRowHidden(R - 1, true);
            for (Integer R : Odd) T.setRowHidden(R - 1, false);
        });
}
BENCHMARK(BM_HideAndShowHalfTheRows)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
