// Filling the advanced grid through Cells, against a QTableWidget filled with the
// same texts in the same run. Both widgets are shown on a form, as on a screen.
//   GridFill_bench [rows=100001] [repeats=5]
// Two ways of filling: the grid sized first, and the grid grown one row at a
// time as the listing screens do. Each is also run at a quarter of the rows, so
// that the per-row cost shows whether the time grows linearly.
#include "grid/ExtGrid.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"

#include <QApplication>
#include <QTableWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Cols = 40;

double Seconds(const std::function<void()>& Fn) {
    const auto T0 = std::chrono::steady_clock::now();
    Fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count();
}

double Median(std::vector<double> V) {
    std::sort(V.begin(), V.end());
    return V[V.size() / 2];
}

AnsiString CellText(int Row, int Col) { return "Abone " + std::to_string(Row) + "/" + std::to_string(Col); }

double ProjectRun(int Rows, bool Grow) {
    auto Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(0, 0, 900, 600);
    auto* G = new TExtStringGrid(Form.get());
    G->SetParent(Form.get());
    G->SetBounds(0, 0, 880, 580);
    Form->Show();
    QApplication::processEvents();
    const double T = Seconds([&] {
        G->SetColCount(Cols);
        if (!Grow) G->SetRowCount(Rows);
        for (int R = 1; R < Rows; ++R) {
            if (Grow) G->SetRowCount(R + 2);
            for (int C = 0; C < Cols; ++C) G->SetCells(C, R, CellText(R, C));
        }
        QApplication::processEvents();
    });
    return T;
}

double BaselineRun(int Rows, bool Grow) {
    QWidget Top;
    Top.resize(900, 600);
    auto* T = new QTableWidget(&Top);
    T->setGeometry(0, 0, 880, 580);
    Top.show();
    QApplication::processEvents();
    return Seconds([&] {
        T->setColumnCount(Cols);
        if (!Grow) T->setRowCount(Rows);
        for (int R = 1; R < Rows; ++R) {
            if (Grow) T->setRowCount(R + 2);
            for (int C = 0; C < Cols; ++C) {
                const AnsiString S = CellText(R, C);
                T->setItem(R, C, new QTableWidgetItem(QString::fromLatin1(S.data(), qsizetype(S.size()))));
            }
        }
        QApplication::processEvents();
    });
}

void Report(const char* What, int Rows, int Repeats) {
    std::vector<double> P, B;
    for (int I = 0; I < Repeats; ++I) {
        const bool Grow = What[0] == 'g';
        P.push_back(ProjectRun(Rows, Grow));
        B.push_back(BaselineRun(Rows, Grow));
    }
    const double Pm = Median(P), Bm = Median(B);
    std::printf("%-6s %7d x %d cells: project %8.3f s (%6.2f us/row)  QTableWidget %8.3f s (%6.2f us/row)  ratio %5.2f\n",
                What, Rows, Cols, Pm, Pm * 1e6 / Rows, Bm, Bm * 1e6 / Rows, Pm / Bm);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int Rows = argc > 1 ? std::max(2, std::atoi(argv[1])) : 100001;
    const int Repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    TForm Warm(nullptr);   // makes the application object
    for (const char* What : {"sized", "grown"}) {
        Report(What, std::max(2, Rows / 4), Repeats);
        Report(What, Rows, Repeats);
    }
    return 0;
}
