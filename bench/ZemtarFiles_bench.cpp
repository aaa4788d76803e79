// Writing the transfer files from 100,000 marked grid rows, against writing the
// same bytes with fwrite and fsync. Prints the project figure, the baseline
// figure of the same run and their ratio (medians of 5), and the memory the
// write takes beyond the filled grid, as a multiple of the file size.
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "grid/ExtGrid.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "transfer/ZemtarIdentityFile.h"
#include "transfer/ZemtarInvoiceFile.h"

namespace {

int Rows = 100000;   // or the first argument
constexpr int Runs = 5;

double Seconds(const std::function<void()>& Fn) {
    const auto Start = std::chrono::steady_clock::now();
    Fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

double Median(std::vector<double> V) {
    std::sort(V.begin(), V.end());
    return V[V.size() / 2];
}

// kB of a /proc/self/status line ("VmRSS", "VmHWM").
long StatusKb(const char* Key) {
    std::ifstream In("/proc/self/status");
    std::string Line;
    while (std::getline(In, Line))
        if (Line.rfind(Key, 0) == 0) return std::atol(Line.c_str() + std::strlen(Key) + 1);
    return 0;
}

void ResetPeak() {
    std::ofstream Out("/proc/self/clear_refs");
    Out << "5";
}

void FwriteFsync(const std::string& Path, const std::string& Bytes) {
    FILE* F = std::fopen(Path.c_str(), "wb");
    std::fwrite(Bytes.data(), 1, Bytes.size(), F);
    std::fflush(F);
    ::fsync(::fileno(F));
    std::fclose(F);
}

void Report(const char* Name, const std::string& Path, const std::function<void()>& Write,
            const std::function<void()>& Compose) {
    const long RssBefore = StatusKb("VmRSS:");
    ResetPeak();
    Write();
    const long Peak = StatusKb("VmHWM:");
    const std::string Bytes = LoadFileToString(Path);
    std::vector<double> Project, Baseline, Composing;
    for (int I = 0; I < Runs; ++I) {
        Project.push_back(Seconds(Write));
        Composing.push_back(Seconds(Compose));
        Baseline.push_back(Seconds([&] { FwriteFsync(Path + ".base", Bytes); }));
    }
    std::remove((Path + ".base").c_str());
    const double P = Median(Project), B = Median(Baseline);
    std::printf("%s (%d): %.1f MB, project %.3f s, fwrite+fsync %.3f s, ratio %.2f (composing alone %.3f s); memory beyond the grid %.2f x the file\n",
                Name, Rows, Bytes.size() / 1e6, P, B, P / B, Median(Composing), (Peak - RssBefore) * 1024.0 / double(Bytes.size()));
}

void FillIdentity(TExtStringGrid* G) {
    G->SetColCount(40);
    G->SetRowCount(Rows + 2);
    const char* Values[40] = {
        "", "", "ÖZGÜR GIDA SANAYİ VE TİCARET", "LİMİTED ŞİRKETİ", "1234567890", "12345678901", "05.03.2016",
        "1  Yeni", "1234567890", "İZMİR", "ÇİĞLİ", "ATATÜRK ORGANİZE SANAYİ", "MERKEZ BUCAĞI", "SASALI KÖYÜ",
        "ATATÜRK ORGANİZE SANAYİ BÖLGESİ MAHALLESİ", "10003 SOKAK NO: 12 & 14 <ARKA>", "12/A", "3",
        "1  Mülk Sahibi", "MEHMET ÇAĞLAR", "ÖZTÜRKOĞLU", "9876543210", "10987654321", "12345678",
        "01.01.2015", "31.12.2016", "1250.5", "1  Sabit", "(232) 555 11 22 / 555 11 23", "P-12",
        "1345", "7", "3000.25", "2  Sanayi", "Şubat 2016", "", "0", "0", "E", ""};
    for (int R = 1; R <= Rows; ++R) {
        G->SetCells(1, R, IntToStr(100000 + R));
        for (int C = 2; C < 40; ++C) G->SetCells(C, R, Values[C]);
    }
}

void FillInvoices(TExtStringGrid* G) {
    G->SetColCount(12);
    G->SetRowCount(Rows + 2);
    for (int R = 1; R <= Rows; ++R) {
        G->SetCells(1, R, IntToStr(100000 + R));
        G->SetCells(2, R, "ÖZGÜR GIDA SANAYİ");
        G->SetCells(3, R, "LİMİTED ŞİRKETİ");
        G->SetCells(4, R, "1234567890");
        G->SetCells(5, R, "");
        G->SetCells(6, R, "1234,5");
        G->SetCells(7, R, IntToStr(R % 1000) + ",25");
        G->SetCells(8, R, R % 10 ? "NORMAL" : "İADE");
        G->SetCells(9, R, "920160301101010");
        G->SetCells(10, R, "01.03.2016");
        G->SetCells(11, R, "E");
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication Qt(argc, argv);
    if (argc > 1) Rows = std::max(1, std::atoi(argv[1]));
    TScriptedPrompter Prompts;
    TPrompterGuard Guard(&Prompts);
    FormatSettings = TurkishFormatSettings();
    std::string Dir = GetTempDir() + "osb_bench_XXXXXX";
    if (!::mkdtemp(Dir.data())) return 1;
    Dir += "/";

    {
        TForm Form(nullptr);
        auto* G = new TExtStringGrid(&Form);
        FillIdentity(G);
        TIdentityFileInputs In{"Şubat", "2016", Dir, "1234567890", "ÇİĞLİ ORGANİZE SANAYİ BÖLGESİ", "7"};
        Report("identity transfer file, marked rows", IdentityFilePath(ZemtarElectricity, ifPeriod, In),
               [&] { WriteIdentityTransferFile(ZemtarElectricity, ifPeriod, *G, In); },
               [&] {
                   TZemtarText Out;
                   BuildIdentityTransferFile(Out, ZemtarElectricity, ifPeriod, *G, In);
               });
    }
    {
        TForm Form(nullptr);
        auto* G = new TExtStringGrid(&Form);
        FillInvoices(G);
        TInvoiceFileInputs In{"Mart", EncodeDate(2016, 3, 31), Dir, "1234567890", "ÇİĞLİ OSB", "4"};
        Report("invoice transfer file", InvoiceFilePath(ZemtarNaturalGas, In),
               [&] { WriteInvoiceTransferFile(ZemtarNaturalGas, *G, In); },
               [&] {
                   TZemtarText Out;
                   BuildInvoiceTransferFile(Out, ZemtarNaturalGas, *G, In);
               });
    }
    std::filesystem::remove_all(Dir);
    return 0;
}
