// Reading .xls workbooks (BIFF in an OLE compound file) through freexl. The
// library runs in a short-lived child process that writes the cells to an
// unnamed temporary file: a fault or a hang inside it on a damaged file ends
// that process only, and the program reports the file as unreadable.
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sheet/SheetFiles.h"

#include <freexl.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

namespace {

const char* const SourceName = "Microsoft Excel";

// The format's own limits, and how many sheets and how long the import takes.
constexpr unsigned MaxXlsRows = 65536;
constexpr unsigned MaxXlsColumns = 256;
constexpr unsigned MaxXlsSheets = 10000;
std::atomic<int> GReadSeconds{60};
// What the reader may take beyond the program's own memory: a whole sheet of
// the format's size is far below it, while a damaged file can make the
// library allocate without end.
constexpr long long MaxXlsReaderBytes = 1LL << 30;
std::atomic<TXlsParser> GParser{nullptr};

// What the child reports besides freexl's own (negative) codes.
constexpr int TooManySheets = 1;
constexpr int TooLarge = 2;
constexpr int NotANumber = 3;

AnsiString FreexlError(int Code) {
    switch (Code) {
        case TooManySheets: return "it has more than " + IntToStr(MaxXlsSheets) + " sheets";
        case TooLarge:
            return "a sheet claims more than " + IntToStr(MaxXlsRows) + " rows or " + IntToStr(MaxXlsColumns) +
                   " columns";
        case NotANumber: return "a cell holds a value that is not a number (NaN or infinity)";
        case FREEXL_FILE_NOT_FOUND: return "the file cannot be opened";
        case FREEXL_INSUFFICIENT_MEMORY: return "not enough memory";
        case FREEXL_UNSUPPORTED_CHARSET: return "its code page is not supported";
        case FREEXL_INVALID_CHARACTER: return "a text in it is not valid in its code page";
        case FREEXL_CFBF_READ_ERROR: return "the file cannot be read";
        case FREEXL_INVALID_CFBF_HEADER:
        case FREEXL_CFBF_INVALID_SIGNATURE:
        case FREEXL_CFBF_INVALID_SECTOR_SIZE:
        case FREEXL_CFBF_EMPTY_FAT_CHAIN:
        case FREEXL_CFBF_ILLEGAL_FAT_ENTRY:
        case FREEXL_CFBF_SEEK_ERROR:
        case FREEXL_INVALID_MINI_STREAM:
        case FREEXL_CFBF_ILLEGAL_MINI_FAT_ENTRY:
            return "its compound file structure is damaged";
        case FREEXL_BIFF_INVALID_BOF:
        case FREEXL_BIFF_INVALID_SST:
        case FREEXL_BIFF_ILLEGAL_SST_INDEX:
        case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        case FREEXL_BIFF_ILLEGAL_SHEET_INDEX:
        case FREEXL_BIFF_UNSELECTED_SHEET:
        case FREEXL_ILLEGAL_CELL_ROW_COL:
        case FREEXL_ILLEGAL_RK_VALUE:
        case FREEXL_CRAFTED_FILE:
            return "its workbook stream is damaged";
        default: return "its contents cannot be read (reader error " + IntToStr(Code) + ")";
    }
}

// The child's report: 'S' name, then 'R' rows of cells, for each sheet; 'Z'
// at a good end, 'E' code at a failure. Numbers are native: the file never
// leaves this process.
void Put(FILE* F, const void* P, size_t N) { std::fwrite(P, 1, N, F); }
void PutInt(FILE* F, int32_t V) { Put(F, &V, sizeof V); }
void PutText(FILE* F, const AnsiString& S) {
    PutInt(F, static_cast<int32_t>(S.size()));
    Put(F, S.data(), S.size());
}

class THandle {
public:
    ~THandle() {
        if (H) freexl_close(H);
    }
    const void* H = nullptr;
};

// Runs in the child: reads the whole workbook into Out; returns the failure code.
int ParseInChild(const char* Path, FILE* Out) {
    THandle X;
    int Rc = freexl_open(Path, &X.H);
    if (Rc != FREEXL_OK) return Rc;
    unsigned int SheetCount = 0;
    if ((Rc = freexl_get_info(X.H, FREEXL_BIFF_SHEET_COUNT, &SheetCount)) != FREEXL_OK) return Rc;
    if (SheetCount == 0) return FREEXL_BIFF_INVALID_BOF;
    if (SheetCount > MaxXlsSheets) return TooManySheets;
    for (unsigned S = 0; S < SheetCount; ++S) {
        const char* Name = nullptr;
        auto Index = static_cast<unsigned short>(S);
        if ((Rc = freexl_get_worksheet_name(X.H, Index, &Name)) != FREEXL_OK) return Rc;
        std::fputc('S', Out);
        PutText(Out, SheetText(Name ? Name : ""));
        if ((Rc = freexl_select_active_worksheet(X.H, Index)) != FREEXL_OK) return Rc;
        unsigned int Rows = 0;
        unsigned short Cols = 0;
        if ((Rc = freexl_worksheet_dimensions(X.H, &Rows, &Cols)) != FREEXL_OK) return Rc;
        if (Rows > MaxXlsRows || Cols > MaxXlsColumns) return TooLarge;
        for (unsigned R = 0; R < Rows; ++R) {
            bool RowStarted = false;
            for (unsigned short C = 0; C < Cols; ++C) {
                FreeXL_CellValue V;
                if ((Rc = freexl_get_cell_value(X.H, R, C, &V)) != FREEXL_OK) return Rc;
                char Type = 0;
                double Number = 0;
                AnsiString Text;
                switch (V.type) {
                    case FREEXL_CELL_INT: Type = 'n'; Number = V.value.int_value; break;
                    case FREEXL_CELL_DOUBLE:
                        if (!std::isfinite(V.value.double_value)) return NotANumber;
                        Type = 'n';
                        Number = V.value.double_value;
                        break;
                    case FREEXL_CELL_TEXT:
                    case FREEXL_CELL_SST_TEXT:
                        Text = SheetText(V.value.text_value ? V.value.text_value : "");
                        if (!Text.empty()) Type = 't';
                        break;
                    case FREEXL_CELL_DATE:
                    case FREEXL_CELL_DATETIME:
                    case FREEXL_CELL_TIME: {
                        std::string T = V.value.text_value ? V.value.text_value : "";
                        if (V.type == FREEXL_CELL_DATETIME && T.size() > 10 && T[10] == ' ') T[10] = 'T';
                        if (ParseIsoDateTime(T, Number)) {
                            Type = 'd';
                        } else if (!T.empty()) {
                            Type = 't';
                            Text = SheetText(T);
                        }
                        break;
                    }
                    default: break;
                }
                if (!Type) continue;
                if (!RowStarted) {
                    std::fputc('R', Out);
                    PutInt(Out, static_cast<int32_t>(R + 1));
                    RowStarted = true;
                }
                std::fputc(Type, Out);
                PutInt(Out, C + 1);
                if (Type == 't')
                    PutText(Out, Text);
                else
                    Put(Out, &Number, sizeof Number);
            }
            if (RowStarted) std::fputc('.', Out);
        }
    }
    return 0;
}

// The child's report, read by the sheets; each sheet starts at its offset.
struct TReport {
    explicit TReport(FILE* AF) : F(AF) {}
    ~TReport() { std::fclose(F); }
    FILE* F;
    AnsiString FileName;
    bool Get(void* P, size_t N) { return std::fread(P, 1, N, F) == N; }
    bool GetInt(int32_t& V) { return Get(&V, sizeof V); }
    bool GetText(AnsiString& S) {
        int32_t N = 0;
        if (!GetInt(N) || N < 0 || N > (1 << 24)) return false;
        S.resize(static_cast<size_t>(N));
        return Get(S.data(), S.size());
    }
    [[noreturn]] void Damaged() {
        throw EOleException("'" + FileName + "' dosyası okuyucusundan geri alınamadı", DISP_E_EXCEPTION,
                            SourceName);
    }
};

class TXlsSource : public TSheetRowSource {
public:
    TXlsSource(std::shared_ptr<TReport> AReport, long AStart) : FReport(std::move(AReport)), FStart(AStart), FPos(AStart) {}
    void Rewind() override { FPos = FStart; }
    bool Next(TSheetRow& Row) override {
        TReport& R = *FReport;
        if (std::fseek(R.F, FPos, SEEK_SET) != 0) R.Damaged();
        int Tag = std::fgetc(R.F);
        if (Tag != 'R') return false;  // the next sheet or the end
        int32_t Number = 0;
        if (!R.GetInt(Number)) R.Damaged();
        Row.Number = Number;
        Row.Clear();
        for (;;) {
            int Type = std::fgetc(R.F);
            if (Type == '.') break;
            int32_t Col = 0;
            if (!R.GetInt(Col)) R.Damaged();
            if (Type == 't') {
                // Kept in the row as bytes: its Variant is made when the cell is read.
                if (!R.GetText(FText)) R.Damaged();
                Row.AddText(Col, FText.data(), FText.size());
            } else {
                double D = 0;
                if (!R.Get(&D, sizeof D)) R.Damaged();
                if (Type == 'd')
                    Row.Cells.emplace_back(Col, Variant::FromDateTime(D));
                else
                    Row.AddNumber(Col, D);
            }
        }
        FPos = std::ftell(R.F);
        return true;
    }

private:
    std::shared_ptr<TReport> FReport;
    long FStart, FPos;
    AnsiString FText;  // the text being read, its room kept from cell to cell
};

// Skips the rows of one sheet in the report.
bool SkipRows(TReport& R) {
    for (;;) {
        int Tag = std::fgetc(R.F);
        if (Tag != 'R') {
            if (Tag != EOF) std::ungetc(Tag, R.F);
            return true;
        }
        int32_t N = 0;
        if (!R.GetInt(N)) return false;
        for (;;) {
            int Type = std::fgetc(R.F);
            if (Type == '.') break;
            if (Type == EOF || !R.GetInt(N)) return false;
            if (Type == 't') {
                if (!R.GetInt(N) || N < 0 || std::fseek(R.F, N, SEEK_CUR) != 0) return false;
            } else if (std::fseek(R.F, sizeof(double), SEEK_CUR) != 0) {
                return false;
            }
        }
    }
}

// The resident memory of a process in bytes; 0 when it cannot be read.
long long ResidentBytes(const char* Statm) {
    FILE* F = std::fopen(Statm, "r");
    if (!F) return 0;
    long long Size = 0, Resident = 0;
    const bool Read = std::fscanf(F, "%lld %lld", &Size, &Resident) == 2;
    std::fclose(F);
    return Read ? Resident * sysconf(_SC_PAGESIZE) : 0;
}

// The child's work: the report of the workbook at Path written to Fd; 0 when written.
int WriteReport(const char* Path, int Fd) {
    FILE* F = fdopen(dup(Fd), "wb");
    if (!F) return 1;
    TXlsParser Parser = GParser.load();
    int Rc = Parser ? Parser(Path, F) : ParseInChild(Path, F);
    if (Rc != 0) {
        std::fputc('E', F);
        PutInt(F, Rc);
    } else {
        std::fputc('Z', F);
    }
    return std::fclose(F) == 0 ? 0 : 1;
}

}  // namespace

void ReadXlsFile(const AnsiString& FileName, TExcelWorkbook& Book) {
    auto Fail = [&](const AnsiString& Why) {
        throw EOleException("'" + FileName + "' geçerli bir çalışma kitabı dosyası değil: " + Why, DISP_E_EXCEPTION, SourceName);
    };
    FILE* Out = std::tmpfile();
    if (!Out) Fail("no temporary file for reading it: " + SysErrorMessage(errno));
    auto Report = std::make_shared<TReport>(Out);
    Report->FileName = FileName;
    std::string Path = AnsiToUtf8(FileName);
#ifdef XLS_READ_IN_PROCESS
    // Fuzzing: faults of the reading code must reach the fuzzer.
    if (WriteReport(Path.c_str(), fileno(Out)) != 0) Fail("its reader could not write what it read");
#else
    std::fflush(nullptr);
    const long long MemoryLimit = ResidentBytes("/proc/self/statm") + MaxXlsReaderBytes;
    pid_t Pid = fork();
    if (Pid < 0) Fail("the reader could not be started: " + SysErrorMessage(errno));
    if (Pid == 0) _exit(WriteReport(Path.c_str(), fileno(Out)));
    const std::string ChildStatm = "/proc/" + std::to_string(Pid) + "/statm";
    int Status = 0;
    const int Seconds = GReadSeconds.load();
    auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(Seconds);
    for (std::chrono::milliseconds Pause(1);;) {
        pid_t W = waitpid(Pid, &Status, WNOHANG);
        if (W == Pid) break;
        if (W < 0 && errno != EINTR) Fail("its reader was lost: " + SysErrorMessage(errno));
        AnsiString Stop;
        if (std::chrono::steady_clock::now() > Deadline)
            Stop = "reading it took longer than " + IntToStr(Seconds) + " seconds";
        else if (ResidentBytes(ChildStatm.c_str()) > MemoryLimit)
            Stop = "reading it needed more than " + IntToStr(static_cast<Integer>(MaxXlsReaderBytes >> 20)) +
                   " MB of memory";
        if (!Stop.empty()) {
            kill(Pid, SIGKILL);
            waitpid(Pid, &Status, 0);
            Fail(Stop);
        }
        std::this_thread::sleep_for(Pause);
        if (Pause < std::chrono::milliseconds(20)) Pause *= 2;
    }
    if (WIFSIGNALED(Status))
        Fail("its contents made the reader fail (signal " + IntToStr(WTERMSIG(Status)) + ")");
    if (!WIFEXITED(Status) || WEXITSTATUS(Status) != 0) Fail("its reader could not write what it read");
#endif

    // The report: first the names and where each sheet's rows start, then the ending.
    std::rewind(Out);
    std::vector<std::pair<AnsiString, long>> Sheets;
    for (;;) {
        int Tag = std::fgetc(Out);
        if (Tag == 'S') {
            AnsiString Name;
            if (!Report->GetText(Name)) Report->Damaged();
            Sheets.push_back({Name, std::ftell(Out)});
            if (!SkipRows(*Report)) Report->Damaged();
        } else if (Tag == 'E') {
            int32_t Code = 0;
            if (!Report->GetInt(Code)) Report->Damaged();
            Fail(FreexlError(Code));
        } else if (Tag == 'Z') {
            break;
        } else {
            Report->Damaged();
        }
    }
    for (const auto& [Name, Start] : Sheets)
        Book.AddSheet(Name)->SetSource(std::make_unique<TXlsSource>(Report, Start));
}

TXlsParser SetXlsParser(TXlsParser Parser) { return GParser.exchange(Parser); }
int SetXlsReadSeconds(int Seconds) { return GReadSeconds.exchange(Seconds); }
