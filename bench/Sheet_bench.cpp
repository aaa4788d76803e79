// The spreadsheet layer beside the libraries under it, in the same run:
// writing 100,000 x 10 cells as .xlsx (libxlsxwriter in constant-memory mode
// writing the same cells), reading that file back cell by cell (a bare
// libzip + expat pass over its parts), and reading a CSV file of one million
// cells (reading the file and splitting it into fields). The .xlsx cases run
// on two kinds of cells: short ASCII texts and plain numbers, and cells like
// the program's exports (Turkish names, dates, amounts with decimals).
// Each prints project_ms, baseline_ms (processor time), their ratio and the peak memory growth.
#include <benchmark/benchmark.h>

#include "platform/rtl/CodePage.h"
#include "platform/sheet/SheetFiles.h"

#include <expat.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int Rows = 100000;
constexpr int Cols = 10;

// Processor time of the process: the machine may be shared, and waiting for it is no one's
// cost (both sides run in this one thread).
struct Clock {
    using time_point = double;   // milliseconds
    static time_point now() {
        timespec T{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &T);
        return double(T.tv_sec) * 1e3 + double(T.tv_nsec) / 1e6;
    }
};
double Ms(Clock::time_point A, Clock::time_point B) { return B - A; }

// A private folder, removed at the end.
struct TBenchDir {
    TBenchDir() {
        std::string Pattern = (std::filesystem::temp_directory_path() / "sheetbench-XXXXXX").string();
        Path = mkdtemp(Pattern.data()) ? Pattern + "/" : std::string("./");
    }
    ~TBenchDir() {
        std::error_code Ec;
        std::filesystem::remove_all(Path, Ec);
    }
    std::string Path;
};

// The cells of row R, column C (0-based). Ascii: texts like "abone 31" and plain numbers.
// Export: Turkish names (code page 1254, as the program holds them), dates and amounts with two decimals, as the exports hold.
enum TKind { Ascii, Export };
enum TCellType { Text, Number, Date };
TCellType TypeAt(TKind K, int C) {
    if (K == Ascii) return C % 2 == 0 ? Text : Number;
    return C % 3 == 0 ? Text : C % 3 == 1 ? Date : Number;
}
// As the program holds it (code page 1254), or as the library takes it (UTF-8): each side
// starts from the text it works with.
std::string TextAt(TKind K, int R, int C, bool Utf8 = false) {
    if (K == Ascii) return "abone " + std::to_string(R * 31 + C);
    static const char* const Names[] = {"Çağrı Şükrü A.Ş. ", "Gülşen Öztürk Ltd. Şti. ", "İpek Dokuma Ürünleri ",
                                        "Ilıca Çelik Döküm "};
    static const char8_t* const Names8[] = {u8"Çağrı Şükrü A.Ş. ", u8"Gülşen Öztürk Ltd. Şti. ",
                                            u8"İpek Dokuma Ürünleri ", u8"Ilıca Çelik Döküm "};
    const int N = (R + C) % 4;
    return (Utf8 ? reinterpret_cast<const char*>(Names8[N]) : Names[N]) + std::to_string(R + 1);
}
double NumberAt(TKind K, int R, int C) {
    if (K == Ascii) return R * 1.25 + C;
    return double((R * 7919 + C * 131) % 10000000) / 100;   // two decimals
}
// Serial day numbers of 2016-2026.
double DateAt(int R, int C) { return 42370 + (R * 13 + C) % 4000; }
Variant ProjectValue(TKind K, int R, int C) {
    switch (TypeAt(K, C)) {
        case Text: return Variant(AnsiString(TextAt(K, R, C)));
        case Date: return Variant::FromDateTime(ExcelSerialToDateTime(DateAt(R, C)));
        default: return Variant(NumberAt(K, R, C));
    }
}
const char* KindName(TKind K) { return K == Ascii ? "ascii" : "export"; }

double PeakRssMb() {
    rusage U{};
    getrusage(RUSAGE_SELF, &U);
    return double(U.ru_maxrss) / 1024;
}

void WriteProject(TKind K, const std::string& Dir) {
    auto Excel = CreateOleObject("excel.application");
    TExcelWorksheet* Sheet = Excel->Workbooks()->Add()->Worksheets(1);
    for (int R = 0; R < Rows; ++R)
        for (int C = 0; C < Cols; ++C) Sheet->SetCells(R + 1, C + 1, ProjectValue(K, R, C));
    WriteXlsxFile(*Excel->Workbooks(1), Dir + "project.xlsx");
}

void WriteBaseline(TKind K, const std::string& Dir) {
    lxw_workbook_options Options{};
    Options.constant_memory = LXW_TRUE;
    Options.tmpdir = const_cast<char*>(Dir.c_str());
    std::string Path = Dir + "baseline.xlsx";
    lxw_workbook* WB = workbook_new_opt(Path.c_str(), &Options);
    lxw_worksheet* WS = workbook_add_worksheet(WB, "Sayfa1");
    lxw_format* DateFormat = workbook_add_format(WB);
    format_set_num_format(DateFormat, "dd.mm.yyyy");
    for (int R = 0; R < Rows; ++R)
        for (int C = 0; C < Cols; ++C) {
            switch (TypeAt(K, C)) {
                case Text: worksheet_write_string(WS, lxw_row_t(R), lxw_col_t(C), TextAt(K, R, C, true).c_str(), nullptr); break;
                case Date: worksheet_write_number(WS, lxw_row_t(R), lxw_col_t(C), DateAt(R, C), DateFormat); break;
                default: worksheet_write_number(WS, lxw_row_t(R), lxw_col_t(C), NumberAt(K, R, C), nullptr);
            }
        }
    workbook_close(WB);
}

void BM_XlsxWrite(benchmark::State& State) {
    const TKind K = TKind(State.range(0));
    State.SetLabel(KindName(K));
    TBenchDir Dir;
    double Project = 0, Baseline = 0, Rss0 = PeakRssMb();
    for (auto _ : State) {
        const auto A = Clock::now();
        WriteBaseline(K, Dir.Path);
        const auto B = Clock::now();
        WriteProject(K, Dir.Path);
        const auto C = Clock::now();
        Baseline += Ms(A, B);
        Project += Ms(B, C);
        State.SetIterationTime(Ms(B, C) / 1000);
    }
    const double N = double(State.iterations());
    State.counters["project_ms"] = Project / N;
    State.counters["baseline_ms"] = Baseline / N;
    State.counters["ratio"] = Project / Baseline;
    State.counters["peak_rss_growth_mb"] = PeakRssMb() - Rss0;
}
BENCHMARK(BM_XlsxWrite)->Arg(Ascii)->Arg(Export)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// A bare pass over a part: every element and text seen, nothing kept.
void ParsePart(zip_t* Z, const char* Name, long& Events) {
    zip_file_t* F = zip_fopen(Z, Name, 0);
    if (!F) return;
    XML_Parser P = XML_ParserCreate(nullptr);
    XML_SetUserData(P, &Events);
    XML_SetElementHandler(
        P, [](void* U, const XML_Char*, const XML_Char**) { ++*static_cast<long*>(U); },
        [](void* U, const XML_Char*) { ++*static_cast<long*>(U); });
    XML_SetCharacterDataHandler(P, [](void* U, const XML_Char*, int) { ++*static_cast<long*>(U); });
    for (;;) {
        void* Buf = XML_GetBuffer(P, 1 << 16);
        zip_int64_t N = zip_fread(F, Buf, 1 << 16);
        if (N < 0 || XML_ParseBuffer(P, int(N), N == 0) != XML_STATUS_OK || N == 0) break;
    }
    XML_ParserFree(P);
    zip_fclose(F);
}

void BM_XlsxRead(benchmark::State& State) {
    const TKind K = TKind(State.range(0));
    State.SetLabel(KindName(K));
    TBenchDir Dir;
    WriteProject(K, Dir.Path);
    const std::string File = Dir.Path + "project.xlsx";
    double Project = 0, Baseline = 0, Rss0 = PeakRssMb();
    for (auto _ : State) {
        const auto A = Clock::now();
        long Events = 0;
        int Err = 0;
        zip_t* Z = zip_open(File.c_str(), ZIP_RDONLY, &Err);
        for (const char* Part : {"xl/workbook.xml", "xl/_rels/workbook.xml.rels", "xl/sharedStrings.xml",
                                 "xl/styles.xml", "xl/worksheets/sheet1.xml"})
            ParsePart(Z, Part, Events);
        zip_discard(Z);
        benchmark::DoNotOptimize(Events);
        const auto B = Clock::now();
        auto Excel = CreateOleObject("excel.application");
        TExcelWorksheet* Sheet = Excel->Workbooks()->Open(Utf8ToAnsi(File))->Worksheets(1);
        for (int R = 1; R <= Rows; ++R)
            for (int C = 1; C <= Cols; ++C) benchmark::DoNotOptimize(Sheet->Cells(R, C));
        const auto C = Clock::now();
        Baseline += Ms(A, B);
        Project += Ms(B, C);
        State.SetIterationTime(Ms(B, C) / 1000);
    }
    const double N = double(State.iterations());
    State.counters["project_ms"] = Project / N;
    State.counters["baseline_ms"] = Baseline / N;
    State.counters["ratio"] = Project / Baseline;
    State.counters["peak_rss_growth_mb"] = PeakRssMb() - Rss0;
}
BENCHMARK(BM_XlsxRead)->Arg(Ascii)->Arg(Export)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_CsvRead(benchmark::State& State) {
    TBenchDir Dir;
    const std::string File = Dir.Path + "cells.csv";
    {
        std::ofstream Out(File, std::ios::binary);
        for (int R = 0; R < Rows; ++R)
            for (int C = 0; C < Cols; ++C) {
                if (TypeAt(Ascii, C) == Text)
                    Out << '"' << TextAt(Ascii, R, C) << '"';
                else
                    Out << NumberAt(Ascii, R, C);
                Out << (C + 1 < Cols ? ";" : "\r\n");
            }
    }
    double Project = 0, Baseline = 0;
    for (auto _ : State) {
        const auto A = Clock::now();
        {
            // Read the file, split each line at the delimiter into field strings.
            std::string Text;
            FILE* F = std::fopen(File.c_str(), "rb");
            char Buf[65536];
            size_t Got;
            while ((Got = std::fread(Buf, 1, sizeof Buf, F)) > 0) Text.append(Buf, Got);
            std::fclose(F);
            std::vector<std::string> Fields;
            size_t Count = 0, Start = 0;
            for (size_t I = 0; I <= Text.size(); ++I)
                if (I == Text.size() || Text[I] == ';' || Text[I] == '\n') {
                    size_t End = I > Start && Text[I - 1] == '\r' ? I - 1 : I;
                    Fields.emplace_back(Text, Start, End - Start);
                    Start = I + 1;
                    if (I == Text.size() || Text[I] == '\n') {
                        Count += Fields.size();
                        Fields.clear();
                    }
                }
            benchmark::DoNotOptimize(Count);
        }
        const auto B = Clock::now();
        {
            auto Excel = CreateOleObject("excel.application");
            TExcelWorksheet* Sheet = Excel->Workbooks()->Open(Utf8ToAnsi(File))->Worksheets(1);
            for (int R = 1; R <= Rows; ++R)
                for (int C = 1; C <= Cols; ++C) benchmark::DoNotOptimize(Sheet->Cells(R, C));
        }
        const auto C = Clock::now();
        Baseline += Ms(A, B);
        Project += Ms(B, C);
        State.SetIterationTime(Ms(B, C) / 1000);
    }
    const double N = double(State.iterations());
    State.counters["project_ms"] = Project / N;
    State.counters["baseline_ms"] = Baseline / N;
    State.counters["ratio"] = Project / Baseline;
}
BENCHMARK(BM_CsvRead)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
