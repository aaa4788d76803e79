#include "platform/sheet/Excel.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"
#include "platform/sheet/SheetFiles.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <mutex>

extern char** environ;

namespace {

const char* const SourceName = "Microsoft Excel";

[[noreturn]] void BadIndex() {
    throw EOleException("Invalid index", DISP_E_BADINDEX, SourceName);
}

std::atomic<bool> GAvailable{true};
std::mutex GOpenerLock;
TSheetOpener GOpener;

bool CallOpener(const AnsiString& FileName) {
    TSheetOpener Opener;
    {
        std::lock_guard<std::mutex> Guard(GOpenerLock);
        Opener = GOpener;
    }
    return Opener ? Opener(FileName) : DefaultSheetOpener(FileName);
}

AnsiString LowerAscii(AnsiString S) {
    for (char& C : S)
        if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
    return S;
}

// Column letters of an address part ("AB" -> 28); 0 when none or too large.
Integer ParseColumn(const AnsiString& S, size_t& Pos) {
    Integer Col = 0;
    size_t Start = Pos;
    while (Pos < S.size()) {
        char C = S[Pos];
        if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
        if (C < 'A' || C > 'Z') break;
        Col = Col * 26 + (C - 'A' + 1);
        if (Col > ExcelMaxColumns) return 0;
        ++Pos;
    }
    return Pos == Start ? 0 : Col;
}

Integer ParseRow(const AnsiString& S, size_t& Pos) {
    Integer Row = 0;
    size_t Start = Pos;
    while (Pos < S.size() && S[Pos] >= '0' && S[Pos] <= '9') {
        Row = Row * 10 + (S[Pos] - '0');
        if (Row > ExcelMaxRows) return 0;
        ++Pos;
    }
    return Pos == Start ? 0 : Row;
}

// One corner "$A$1" / "a1"; false when malformed.
bool ParseCorner(const AnsiString& S, Integer& Row, Integer& Col) {
    size_t Pos = 0;
    if (Pos < S.size() && S[Pos] == '$') ++Pos;
    Col = ParseColumn(S, Pos);
    if (Pos < S.size() && S[Pos] == '$') ++Pos;
    Row = ParseRow(S, Pos);
    return Col > 0 && Row > 0 && Pos == S.size();
}

// The first bytes of a file, telling a zip package from an OLE compound file.
AnsiString ReadHead(const AnsiString& FileName) {
    FILE* F = std::fopen(AnsiToUtf8(FileName).c_str(), "rb");
    if (!F)
        throw EOleException("'" + FileName + "' dosyası açılamadı: " + SysErrorMessage(errno), DISP_E_EXCEPTION,
                            SourceName);
    char Buf[8];
    size_t N = std::fread(Buf, 1, sizeof Buf, F);
    std::fclose(F);
    return AnsiString(Buf, N);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

AnsiString ExcelColumnName(Integer Column) {
    if (Column < 1 || Column > ExcelMaxColumns) BadIndex();
    AnsiString Name;
    while (Column > 0) {
        Integer Rem = (Column - 1) % 26;
        Name.insert(Name.begin(), static_cast<char>('A' + Rem));
        Column = (Column - 1) / 26;
    }
    return Name;
}

// ---------------------------------------------------------------------------------------------

TExcelRange::TExcelRange(TExcelWorksheet* ASheet, Integer ATop, Integer ALeft, Integer ABottom, Integer ARight)
    : FSheet(ASheet), FTop(ATop), FLeft(ALeft), FBottom(ABottom), FRight(ARight) {}

AnsiString TExcelRange::Address() const {
    AnsiString A = "$" + ExcelColumnName(FLeft) + "$" + IntToStr(FTop);
    if (FTop == FBottom && FLeft == FRight) return A;
    return A + ":$" + ExcelColumnName(FRight) + "$" + IntToStr(FBottom);
}

Variant TExcelRange::Value() const {
    if (FTop == FBottom && FLeft == FRight) return FSheet->Cells(FTop, FLeft);
    Variant Result = VarArrayCreate({1, RowCount(), 1, ColumnCount()}, varVariant);
    for (Integer R = FTop; R <= FBottom; ++R)
        for (Integer C = FLeft; C <= FRight; ++C) {
            Variant V = FSheet->Cells(R, C);
            if (!V.IsEmpty()) VarArrayPut(Result, V, {R - FTop + 1, C - FLeft + 1});
        }
    return Result;
}

void TExcelRange::SetValue(const Variant& AValue) {
    if (!AValue.IsArray()) {
        for (Integer R = FTop; R <= FBottom; ++R)
            for (Integer C = FLeft; C <= FRight; ++C) FSheet->SetCells(R, C, AValue);
        return;
    }
    if (VarArrayDimCount(AValue) != 2) throw EOleException("Type mismatch", E_INVALIDARG, SourceName);
    Integer LowR = VarArrayLowBound(AValue, 1), LowC = VarArrayLowBound(AValue, 2);
    Integer HighR = VarArrayHighBound(AValue, 1), HighC = VarArrayHighBound(AValue, 2);
    for (Integer R = FTop; R <= FBottom; ++R)
        for (Integer C = FLeft; C <= FRight; ++C) {
            Integer AR = LowR + (R - FTop), AC = LowC + (C - FLeft);
            // Cells past the array's end get #N/A, as the program does.
            if (AR > HighR || AC > HighC)
                FSheet->SetCells(R, C, Variant::FromError(2042));
            else
                FSheet->SetCells(R, C, VarArrayGet(AValue, {AR, AC}));
        }
}

// ---------------------------------------------------------------------------------------------

TExcelWorksheet::TExcelWorksheet(TExcelWorkbook* ABook, const AnsiString& AName) : FBook(ABook), FName(AName) {}

TExcelWorksheet::~TExcelWorksheet() = default;

void TExcelWorksheet::RefuseIndex() { BadIndex(); }

void TExcelWorksheet::SetSource(std::unique_ptr<TSheetRowSource> Source) {
    FSource = std::move(Source);
    FRow = TSheetRow();
    FPrevRow = 0;
    FAtEnd = false;
    FRewind = false;
}

void TExcelWorksheet::SeekRow(Integer Row) const {
    if (Row == FRow.Number || (Row > FPrevRow && Row < FRow.Number)) return;
    try {
        if (FRewind || Row <= FPrevRow) {
            FSource->Rewind();
            FRow = TSheetRow();
            FPrevRow = 0;
            FAtEnd = false;
            FRewind = false;
        }
        while (!FAtEnd && FRow.Number < Row) {
            FPrevRow = FRow.Number;
            if (!FSource->Next(FRow)) {
                FAtEnd = true;
                FRow.Number = ExcelMaxRows + 1;
                FRow.Clear();
            }
        }
    } catch (...) {
        FRow = TSheetRow();
        FPrevRow = 0;
        FAtEnd = false;
        FRewind = true;
        throw;
    }
}

void TExcelWorksheet::RefuseWritten(Integer Row) const {
    throw EOleException("Row " + IntToStr(Row) + " of sheet '" + FName +
                            "' was already written to the workbook file and can no longer be read or changed",
                        DISP_E_EXCEPTION, SourceName);
}

namespace {

template <typename TCells>
auto ColumnIn(TCells& Cells, Integer Column) {
    return std::lower_bound(Cells.begin(), Cells.end(), Column,
                            [](const auto& A, Integer C) { return A.Column < C; });
}

}  // namespace

const Variant* TExcelWorksheet::FindSet(Integer Row, Integer Column) const {
    auto R = FCells.find(Row);
    if (R == FCells.end()) return nullptr;
    auto C = ColumnIn(R->second, Column);
    return C != R->second.end() && C->Column == Column ? &C->Value : nullptr;
}

void TExcelWorksheet::PutSet(Integer Row, Integer Column, const Variant& Value) {
    // Cells written in order, as a listing fills a new sheet, go to the end without a search.
    auto R = !FCells.empty() && FCells.rbegin()->first == Row ? std::prev(FCells.end())
                                                               : FCells.try_emplace(FCells.end(), Row);
    auto& Cells = R->second;
    auto C = Cells.empty() || Cells.back().Column < Column ? Cells.end() : ColumnIn(Cells, Column);
    if (C != Cells.end() && C->Column == Column) {
        C->Value = Value;
        return;
    }
    Cells.insert(C, TSetCell{Column, Value});
    ++FSetCount;
}

void TExcelWorksheet::EraseSet(Integer Row, Integer Column) {
    auto R = FCells.find(Row);
    if (R == FCells.end()) return;
    auto C = ColumnIn(R->second, Column);
    if (C == R->second.end() || C->Column != Column) return;
    R->second.erase(C);
    --FSetCount;
    if (R->second.empty()) FCells.erase(R);
}

void TExcelWorksheet::WriteRowsBefore(Integer Row) {
    TXlsxStream& Stream = FBook->StartStream();
    auto End = FCells.lower_bound(Row);
    for (auto It = FCells.begin(); It != End; ++It) {
        const Integer R = It->first;
        for (const TSetCell& Cell : It->second) {
            const Integer C = Cell.Column;
            StreamXlsxCell(Stream, *this, R, C, Cell.Value);
            if (FWrittenCount++ == 0) {
                FWrittenTop = R;
                FWrittenLeft = C;
            }
            FWrittenBottom = R;
            FWrittenLeft = std::min(FWrittenLeft, C);
            FWrittenRight = std::max(FWrittenRight, C);
        }
        FSetCount -= It->second.size();
    }
    FCells.erase(FCells.begin(), End);
    FWrittenThrough = Row - 1;
}

Variant TExcelWorksheet::Cells(Integer Row, Integer Column) const {
    CheckCell(Row, Column);
    CheckNotWritten(Row);
    if (!FCells.empty())
        if (const Variant* Set = FindSet(Row, Column)) return *Set;
    if (!FSource) return Variant();
    if (Row != FRow.Number) SeekRow(Row);
    if (FRow.Number != Row) return Variant();
    // A row without gaps holds column C at C - 1.
    const auto& RowCells = FRow.Cells;
    if (static_cast<size_t>(Column) <= RowCells.size() && RowCells[Column - 1].Column == Column)
        return FRow.ValueOf(RowCells[Column - 1]);
    auto Cell = ColumnIn(RowCells, Column);
    return Cell != RowCells.end() && Cell->Column == Column ? FRow.ValueOf(*Cell) : Variant();
}

void TExcelWorksheet::SetCells(Integer Row, Integer Column, const Variant& Value) {
    CheckCell(Row, Column);
    CheckNotWritten(Row);
    if (Value.IsArray()) throw EOleException("Type mismatch", E_INVALIDARG, SourceName);
    TVarType T = Value.VType() & varTypeMask;
    if (T == varDispatch || T == varUnknown) throw EOleException("Type mismatch", E_INVALIDARG, SourceName);
    // An empty text empties the cell, as typing nothing into it does; over a
    // file's cell the empty value stays to hide it.
    const AnsiString* Text = Value.StringPtr();
    if (T == varEmpty || T == varNull ||
        (Text ? Text->empty() : (T == varString || T == varOleStr) && Value.AsString().empty())) {
        if (FSource)
            PutSet(Row, Column, Variant());
        else
            EraseSet(Row, Column);
    } else if (T == varOleStr) {
        PutSet(Row, Column, Variant(Value.AsString()));  // held as code page 1254
    } else {
        PutSet(Row, Column, Value);
    }
    if (FBook) FBook->SetModified(true);
    // Writing on at the newest row of a large new sheet: the rows before it are complete.
    if (!FSource && FBook && FBook->IsNew() && FSetCount > static_cast<size_t>(HeldCells) &&
        FCells.rbegin()->first == Row && FCells.begin()->first < Row)
        WriteRowsBefore(Row);
}

void TExcelWorksheet::ForEachCell(const std::function<void(Integer, Integer, const Variant&)>& Fn) const {
    // The next set cell is M->second[K].
    auto M = FCells.begin();
    size_t K = 0;
    auto SetRow = [&]() { return M != FCells.end() ? M->first : ExcelMaxRows + 1; };
    auto EmitSet = [&]() {
        const TSetCell& Cell = M->second[K];
        if (!Cell.Value.IsEmpty()) Fn(M->first, Cell.Column, Cell.Value);
        if (++K == M->second.size()) {
            ++M;
            K = 0;
        }
    };
    if (FSource) {
        // A pass of its own: the cursor of Cells starts again afterwards.
        FRewind = true;
        FRow = TSheetRow();
        FPrevRow = 0;
        FAtEnd = false;
        FSource->Rewind();
        TSheetRow Row;
        while (FSource->Next(Row)) {
            while (SetRow() < Row.Number) EmitSet();
            size_t F = 0;
            while (F < Row.Cells.size() || SetRow() == Row.Number) {
                bool SetFirst = SetRow() == Row.Number &&
                                (F == Row.Cells.size() || M->second[K].Column <= Row.Cells[F].Column);
                if (SetFirst) {
                    if (F < Row.Cells.size() && M->second[K].Column == Row.Cells[F].Column) ++F;
                    EmitSet();
                } else {
                    const TSheetCell& Cell = Row.Cells[F++];
                    if (Cell.InText)
                        Fn(Row.Number, Cell.Column, Row.ValueOf(Cell));
                    else
                        Fn(Row.Number, Cell.Column, Cell.Value);
                }
            }
        }
    }
    while (M != FCells.end()) EmitSet();
}

Integer TExcelWorksheet::CellCount() const {
    Integer N = FWrittenCount;
    ForEachCell([&](Integer, Integer, const Variant&) { ++N; });
    return N;
}

std::unique_ptr<TExcelRange> TExcelWorksheet::UsedRange() {
    Integer Top = FWrittenTop, Bottom = FWrittenBottom;
    Integer Left = FWrittenCount ? FWrittenLeft : ExcelMaxColumns, Right = FWrittenCount ? FWrittenRight : 1;
    ForEachCell([&](Integer R, Integer C, const Variant&) {
        if (Top == 0) Top = R;
        Bottom = R;
        Left = std::min(Left, C);
        Right = std::max(Right, C);
    });
    if (Top == 0) return std::make_unique<TExcelRange>(this, 1, 1, 1, 1);
    return std::make_unique<TExcelRange>(this, Top, Left, Bottom, Right);
}

std::unique_ptr<TExcelRange> TExcelWorksheet::Range(const AnsiString& Address) {
    size_t Colon = Address.find(':');
    Integer R1, C1, R2, C2;
    bool Ok = ParseCorner(Address.substr(0, Colon), R1, C1);
    if (Ok && Colon != AnsiString::npos)
        Ok = ParseCorner(Address.substr(Colon + 1), R2, C2);
    else {
        R2 = R1;
        C2 = C1;
    }
    if (!Ok) throw EOleException("Method 'Range' of object '_Worksheet' failed: \"" + Address + "\"",
                                 DISP_E_EXCEPTION, SourceName);
    return std::make_unique<TExcelRange>(this, std::min(R1, R2), std::min(C1, C2), std::max(R1, R2),
                                         std::max(C1, C2));
}

// ---------------------------------------------------------------------------------------------

Integer TExcelSheets::Count() const { return static_cast<Integer>(FBook->FSheets.size()); }

TExcelWorksheet* TExcelSheets::Item(Integer Index) const {
    if (Index < 1 || Index > Count()) BadIndex();
    return FBook->FSheets[Index - 1].get();
}

// ---------------------------------------------------------------------------------------------

TExcelWorkbook::TExcelWorkbook(TExcelApplication* AApp, const AnsiString& AName)
    : FApp(AApp), FName(AName), FSheetsView(std::make_unique<TExcelSheets>(this)) {}

TExcelWorkbook::~TExcelWorkbook() = default;

TExcelWorksheet* TExcelWorkbook::AddSheet(const AnsiString& AName) {
    FSheets.push_back(std::make_unique<TExcelWorksheet>(this, AName));
    return FSheets.back().get();
}

TXlsxStream& TExcelWorkbook::StartStream() {
    if (!FStream) FStream = StartXlsxStream(*this);
    return *FStream;
}

TExcelWorksheet* TExcelWorkbook::ActiveSheet() const {
    if (FSheets.empty()) return nullptr;
    Integer I = (FActive >= 0 && FActive < static_cast<Integer>(FSheets.size())) ? FActive : 0;
    return FSheets[I].get();
}

void TExcelWorkbook::Close(bool SaveChanges) {
    if (SaveChanges && FModified) {
        if (FIsNew) {
            FFullName = WriteNewXlsxFile(*this, GetTempDir(), FName);
        } else {
            AnsiString Ext = LowerAscii(ExtractFileExt(FFullName));
            if (Ext != ".xlsx")
                throw EOleException("'" + FFullName + "' cannot be saved in its own format; only .xlsx files are written",
                                    DISP_E_EXCEPTION, SourceName);
            WriteXlsxFile(*this, FFullName);
        }
        FModified = false;
    }
    FApp->Workbooks()->Remove(this);  // frees this
}

// ---------------------------------------------------------------------------------------------

TExcelWorkbooks::~TExcelWorkbooks() = default;

TExcelWorkbook* TExcelWorkbooks::Add() {
    ++FNewCount;
    auto Book = std::make_unique<TExcelWorkbook>(FApp, "Kitap" + IntToStr(FNewCount));
    Book->SetIsNew(true);
    Book->AddSheet("Sayfa1");
    FBooks.push_back(std::move(Book));
    FApp->SetActiveWorkbook(FBooks.back().get());
    return FBooks.back().get();
}

TExcelWorkbook* TExcelWorkbooks::Open(const AnsiString& FileName) {
    if (FileName.empty())
        throw EOleException("Dosya adı boş: açılacak çalışma kitabı yok", DISP_E_EXCEPTION, SourceName);
    if (!FileExists(FileName))
        throw EOleException("'" + FileName + "' dosyası bulunamadı", DISP_E_EXCEPTION, SourceName);
    AnsiString Full = ExpandFileName(FileName);
    auto Book = std::make_unique<TExcelWorkbook>(FApp, ExtractFileName(Full));
    Book->SetFullName(Full);

    AnsiString Head = ReadHead(Full);
    bool IsZip = Head.size() >= 4 && Head.compare(0, 4, "PK\x03\x04") == 0;
    bool IsOle = Head.size() >= 8 && Head == AnsiString("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    AnsiString Ext = LowerAscii(ExtractFileExt(Full));
    // The content decides over the extension: a renamed file still opens.
    if (IsZip)
        ReadXlsxFile(Full, *Book);
    else if (IsOle)
        ReadXlsFile(Full, *Book);
    else if (Ext == ".xlsx" || Ext == ".xls" || Ext == ".xlsm")
        throw EOleException("'" + Full + "' geçerli bir çalışma kitabı dosyası değil (içeriği tanınmıyor)", DISP_E_EXCEPTION,
                            SourceName);
    else
        ReadCsvFile(Full, *Book);
    Book->SetModified(false);
    FBooks.push_back(std::move(Book));
    FApp->SetActiveWorkbook(FBooks.back().get());
    return FBooks.back().get();
}

TExcelWorkbook* TExcelWorkbooks::Item(Integer Index) const {
    if (Index < 1 || Index > Count()) BadIndex();
    return FBooks[Index - 1].get();
}

void TExcelWorkbooks::Remove(TExcelWorkbook* Book) {
    for (auto It = FBooks.begin(); It != FBooks.end(); ++It)
        if (It->get() == Book) {
            auto Owned = std::move(*It);
            FBooks.erase(It);
            FApp->WorkbookRemoved(Book);
            return;
        }
}

void TExcelWorkbooks::Clear() {
    while (!FBooks.empty()) Remove(FBooks.back().get());
}

// ---------------------------------------------------------------------------------------------

TExcelApplication::TExcelApplication() : FWorkbooks(std::make_unique<TExcelWorkbooks>(this)) {}

TExcelApplication::~TExcelApplication() {
    if (FDetached) return;
    try {
        Detach();
    } catch (const std::exception& E) {
        std::fprintf(stderr, "%s\n", AnsiToUtf8(E.what()).c_str());
    }
}

TExcelWorkbook* TExcelApplication::ActiveWorkbook() const { return FActiveBook; }

TExcelWorksheet* TExcelApplication::ActiveSheet() const {
    return FActiveBook ? FActiveBook->ActiveSheet() : nullptr;
}

void TExcelApplication::WorkbookRemoved(TExcelWorkbook* Book) {
    if (FActiveBook != Book) return;
    Integer N = FWorkbooks->Count();
    FActiveBook = N > 0 ? FWorkbooks->Item(N) : nullptr;
}

void TExcelApplication::Quit() {
    FWorkbooks->Clear();
    FVisible = false;
}

void TExcelApplication::Detach() {
    if (FDetached) return;
    FDetached = true;
    if (!FVisible) return;
    AnsiString Failure;
    for (Integer I = 1; I <= FWorkbooks->Count(); ++I) {
        TExcelWorkbook* Book = FWorkbooks->Item(I);
        if (!Book->IsNew()) continue;
        try {
            AnsiString File = WriteNewXlsxFile(*Book, GetTempDir(), Book->Name());
            FShown.push_back(File);
            if (!CallOpener(File) && Failure.empty())
                Failure = "The workbook was written to '" + File + "' but no spreadsheet program could show it";
        } catch (const Exception& E) {
            if (Failure.empty()) Failure = E.Message();
        }
    }
    if (!Failure.empty()) throw EOleException(Failure, DISP_E_EXCEPTION, SourceName);
}

// ---------------------------------------------------------------------------------------------

std::unique_ptr<TExcelApplication> CreateOleObject(const AnsiString& ClassName) {
    if (!GAvailable || LowerAscii(ClassName) != "excel.application")
        throw EOleSysError("Invalid class string", CO_E_CLASSSTRING);
    return std::make_unique<TExcelApplication>();
}

bool SetSpreadsheetAvailable(bool Value) { return GAvailable.exchange(Value); }
bool SpreadsheetAvailable() { return GAvailable; }

TSheetOpener SetSheetOpener(TSheetOpener Opener) {
    std::lock_guard<std::mutex> Guard(GOpenerLock);
    TSheetOpener Old = std::move(GOpener);
    GOpener = std::move(Opener);
    return Old;
}

bool DefaultSheetOpener(const AnsiString& FileName) {
    // The shell only backgrounds xdg-open and exits, so nothing is left to
    // reap; the name goes as an argument, never into the command text.
    std::string Name = AnsiToUtf8(FileName);
    const char* Argv[] = {"sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &", "sh", Name.c_str(), nullptr};
    pid_t Pid = 0;
    if (posix_spawnp(&Pid, "sh", nullptr, nullptr, const_cast<char* const*>(Argv), environ) != 0) return false;
    int Status = 0;
    if (waitpid(Pid, &Status, 0) < 0) return false;
    return WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
}
