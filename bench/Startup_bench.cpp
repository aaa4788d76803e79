// Program start to the first paint of the main window, each start a process of
// its own: the program's screens made in start-up order and the main window
// shown, against a bare QMainWindow of the same size started in the same run.
// The database attach is not counted.
//   Startup_bench [repeats=5]
#include "entry/EABONEKIMLIK.h"
#include "entry/Util3a.h"
#include "entry/ZEMTAR.h"
#include "entry/dABONEKIMLIK.h"
#include "transfer/Dzemtarfatura.h"
#include "transfer/dfaturagir.h"
#include "transfer/dtopfaturagir.h"
#include "transfer/dzemtarabonekimlik.h"
#include "transfer/efaturagir.h"
#include "transfer/etopfaturagir.h"
#include "transfer/ezemtarabonekimlik.h"
#include "transfer/zemtarfatura.h"

#include <QApplication>
#include <QMainWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

// Notes the first paint of a window.
class TFirstPaint : public QObject {
public:
    explicit TFirstPaint(QWidget* Window) : FWindow(Window) { QCoreApplication::instance()->installEventFilter(this); }
    ~TFirstPaint() override { QCoreApplication::instance()->removeEventFilter(this); }
    void Wait() {
        while (!FPainted) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }

protected:
    bool eventFilter(QObject* O, QEvent* E) override {
        if (E->type() == QEvent::Paint && O->isWidgetType() && static_cast<QWidget*>(O)->window() == FWindow)
            FPainted = true;
        return false;
    }

private:
    QWidget* FWindow;
    bool FPainted = false;
};

template <class T>
void Make(std::vector<std::unique_ptr<TCustomForm>>& Forms) {
    Forms.emplace_back(new T(nullptr));
}

// The time since the process started until the first paint of the main window
// is on the monotonic clock, which the parent shares.
void ProjectStart() {
    std::vector<std::unique_ptr<TCustomForm>> Forms;
    Make<TZEMTARF>(Forms);
    Make<TdABONEKIMLIKF>(Forms);
    Make<TEABONEKIMLIKF>(Forms);
    Make<Tdtopfaturagirf>(Forms);
    Make<TF_Util3>(Forms);
    Make<Tdzemtarabonekimlikf>(Forms);
    Make<Tezemtarabonekimlikf>(Forms);
    Make<Tdfaturagirf>(Forms);
    Make<TDzemtarfaturaf>(Forms);
    Make<Tetopfaturagirf>(Forms);
    Make<Tefaturagirf>(Forms);
    Make<Tzemtarfaturaf>(Forms);
    TFirstPaint Paint(Forms.front()->Widget());
    Forms.front()->Show();
    Paint.Wait();
    std::printf("%lld\n", static_cast<long long>(TClock::now().time_since_epoch().count()));
    std::fflush(stdout);
    std::_Exit(0);
}

void BaselineStart(int Argc, char** Argv) {
    QApplication App(Argc, Argv);
    QMainWindow W;
    W.setGeometry(0, 0, 1382, 744);
    TFirstPaint Paint(&W);
    W.show();
    Paint.Wait();
    std::printf("%lld\n", static_cast<long long>(TClock::now().time_since_epoch().count()));
    std::fflush(stdout);
    std::_Exit(0);
}

// Starts this program as Which and returns the seconds to its first paint.
double Start(const std::string& Self, const char* Which) {
    const auto T0 = TClock::now();
    FILE* P = ::popen((Self + " " + Which).c_str(), "r");
    long long Painted = 0;
    if (!P || std::fscanf(P, "%lld", &Painted) != 1) {
        std::fprintf(stderr, "%s did not paint\n", Which);
        std::exit(1);
    }
    ::pclose(P);
    return std::chrono::duration<double>(TClock::duration(Painted) - T0.time_since_epoch()).count();
}

double Median(std::vector<double> V) {
    std::sort(V.begin(), V.end());
    return V[V.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string Arg = argc > 1 ? argv[1] : "";
    if (Arg == "--project") ProjectStart();
    if (Arg == "--baseline") BaselineStart(argc, argv);
    const int Repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::string Self = argv[0];
    Start(Self, "--project");   // the files in the page cache, as on a second start
    Start(Self, "--baseline");
    std::vector<double> P, B;
    for (int I = 0; I < Repeats; ++I) {
        P.push_back(Start(Self, "--project"));
        B.push_back(Start(Self, "--baseline"));
    }
    const double Pm = Median(P), Bm = Median(B);
    std::printf("start to first paint: project %7.1f ms  bare QMainWindow %7.1f ms  ratio %5.2f\n", Pm * 1e3, Bm * 1e3,
                Pm / Bm);
    return 0;
}
