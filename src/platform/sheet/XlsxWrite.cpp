// Writing a workbook as .xlsx.
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"
#include "platform/sheet/SheetFiles.h"

#include <xlsxwriter.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

const char* const SourceName = "Microsoft Excel";

[[noreturn]] void WriteFailure(const AnsiString& FileName, const AnsiString& Why) {
    throw EOleException("'" + FileName + "' dosyası yazılamadı: " + Why, DISP_E_EXCEPTION, SourceName);
}

AnsiString ErrorText(Integer Code) {
    switch (Code) {
        case 2000: return "#NULL!";
        case 2007: return "#DIV/0!";
        case 2015: return "#VALUE!";
        case 2023: return "#REF!";
        case 2029: return "#NAME?";
        case 2036: return "#NUM!";
        default: return "#N/A";
    }
}

// Control characters the library writes as "_xHHHH_" escapes itself.
bool LibraryEscapes(char Ch) { return (Ch >= 0x01 && Ch <= 0x08) || (Ch >= 0x0B && Ch <= 0x1F); }

// Readers take "_x" with four hex digits and "_" as a character's escape. The
// underscore of such a sequence in a text is written as that escape itself
// (_x005F_), also where the closing "_" is the start of a control character's
// escape, so the text reads back as written. NUL, which would end the text
// for the library, is escaped here.
std::string EscapeForSheet(const std::string& S) {
    const auto Hex = [](char Ch) { return std::isxdigit(static_cast<unsigned char>(Ch)) != 0; };
    const auto Closes = [](char Ch) { return Ch == '_' || Ch == '\0' || LibraryEscapes(Ch); };
    std::string R;
    R.reserve(S.size());
    for (size_t I = 0; I < S.size(); ++I) {
        if (S[I] == '_' && I + 6 < S.size() && (S[I + 1] == 'x' || S[I + 1] == 'X') && Hex(S[I + 2]) &&
            Hex(S[I + 3]) && Hex(S[I + 4]) && Hex(S[I + 5]) && Closes(S[I + 6]))
            R += "_x005F";
        if (S[I] == '\0')
            R += "_x0000_";
        else
            R += S[I];
    }
    return R;
}

// The library's errors of a file operation, for which errno says why.
bool IsFileError(lxw_error Err) {
    switch (Err) {
        case LXW_ERROR_CREATING_XLSX_FILE:
        case LXW_ERROR_CREATING_TMPFILE:
        case LXW_ERROR_READING_TMPFILE:
        case LXW_ERROR_ZIP_FILE_OPERATION:
        case LXW_ERROR_ZIP_FILE_ADD:
        case LXW_ERROR_ZIP_CLOSE: return true;
        default: return false;
    }
}

// What only a failed write leaves in errno.
bool IsLostWrite(int SysErr) { return SysErr == ENOSPC || SysErr == EFBIG || SysErr == EDQUOT || SysErr == EIO; }

[[noreturn]] void AlreadyWritten(const AnsiString& ShownName) {
    WriteFailure(ShownName, "the workbook was already written out and is no longer held");
}

// The package being built: a fresh hidden file in the folder of its final
// name, locked while it is written so that the next write in the folder
// removes it only if this one was killed.
struct TTempPackage {
    explicit TTempPackage(const AnsiString& Dir) {
        std::string Folder = AnsiToUtf8(IncludeTrailingPathDelimiter(Dir));
        std::string Pattern = Folder + ".osbsheet-XXXXXX";
        int Fd = mkstemp(Pattern.data());
        if (Fd < 0) return;
        close(Fd);
        Path = Pattern;
        Lock = LockTempFile(Path);
        RemoveTempLeftovers(Folder, ".osbsheet-");
    }
    ~TTempPackage() {
        if (!Path.empty()) unlink(Path.c_str());
        if (Lock >= 0) close(Lock);
    }
    TTempPackage(const TTempPackage&) = delete;
    TTempPackage& operator=(const TTempPackage&) = delete;
    std::string Path;
    int Lock = -1;
};

}  // namespace

// One package being built by the library: rows go out in order, so in its
// constant-memory mode it holds one row.
class TXlsxStream {
public:
    TXlsxStream(const TExcelWorkbook& ABook, const std::string& Path, const AnsiString& ShownName) : FBook(ABook) {
        lxw_workbook_options Options{};
        Options.constant_memory = LXW_TRUE;
        std::string TmpDir = AnsiToUtf8(ExcludeTrailingPathDelimiter(ExtractFilePath(AnsiString(Path))));
        Options.tmpdir = TmpDir.data();
        FWB = workbook_new_opt(Path.c_str(), &Options);
        if (!FWB) WriteFailure(ShownName, "cannot create the workbook");
        FDate = workbook_add_format(FWB);
        format_set_num_format(FDate, "dd.mm.yyyy");
        FDateTime = workbook_add_format(FWB);
        format_set_num_format(FDateTime, "dd.mm.yyyy hh:mm:ss");
        FTime = workbook_add_format(FWB);
        format_set_num_format(FTime, "hh:mm:ss");
    }
    ~TXlsxStream() {
        if (FWB) lxw_workbook_free(FWB);
    }
    TXlsxStream(const TXlsxStream&) = delete;
    TXlsxStream& operator=(const TXlsxStream&) = delete;

    // Set for a stream started before the workbook is written: its own file.
    std::unique_ptr<TTempPackage> Temp;

    void Cell(const TExcelWorksheet& Sheet, Integer Row, Integer Col, const Variant& V) {
        lxw_worksheet* WS = SheetFor(Sheet);
        if (!WS) return;
        lxw_row_t R = static_cast<lxw_row_t>(Row - 1);
        lxw_col_t C = static_cast<lxw_col_t>(Col - 1);
        lxw_error Err = LXW_NO_ERROR;
        switch (V.VType() & varTypeMask) {
            case varBoolean: Err = worksheet_write_boolean(WS, R, C, V.AsBoolean() ? 1 : 0, nullptr); break;
            case varDate: {
                double D = V.AsDateTime();
                if (D >= 0 && D < 1) {
                    // A time of day on its own is the serial's fraction.
                    Err = worksheet_write_number(WS, R, C, D, FTime);
                    break;
                }
                // The spreadsheet counts a 29 February 1900 that never was.
                double Serial = D < 61 ? D - 1 : D;
                if (Serial < 1 || !std::isfinite(Serial))
                    Err = worksheet_write_string(WS, R, C, AnsiToUtf8(V.AsString()).c_str(), nullptr);
                else
                    Err = worksheet_write_number(WS, R, C, Serial, D != std::floor(D) ? FDateTime : FDate);
                break;
            }
            case varError: Err = worksheet_write_string(WS, R, C, ErrorText(V.AsError()).c_str(), nullptr); break;
            case varString:
            case varOleStr: {
                // Code page 1254 text of plain ASCII is UTF-8 as it stands.
                const AnsiString* Held = V.StringPtr();
                const AnsiString Converted = Held ? AnsiString() : V.AsString();
                const AnsiString& S = Held ? *Held : Converted;
                bool Ascii = std::all_of(S.begin(), S.end(), [](char Ch) { return static_cast<unsigned char>(Ch) < 0x80; });
                const bool Plain = S.find('_') == std::string::npos && S.find('\0') == std::string::npos;
                if (Ascii && Plain) {
                    Err = worksheet_write_string(WS, R, C, S.c_str(), nullptr);
                    break;
                }
                std::string Text = Ascii ? S : AnsiToUtf8(S);
                if (!Plain) Text = EscapeForSheet(Text);
                Err = worksheet_write_string(WS, R, C, Text.c_str(), nullptr);
                break;
            }
            default: {
                double D = V.AsDouble();
                Err = std::isfinite(D) ? worksheet_write_number(WS, R, C, D, nullptr)
                                       : worksheet_write_string(WS, R, C, "#NUM!", nullptr);
            }
        }
        if (Err != LXW_NO_ERROR && FFailure.empty())
            FFailure = "cell " + ExcelColumnName(Col) + IntToStr(Row) + ": " + lxw_strerror(Err);
        // The library never looks at its row file's errors: a full disk would
        // quietly cut the sheet short.
        if (FFailure.empty() && WS->optimize_tmpfile && std::ferror(WS->optimize_tmpfile))
            FFailure = SysErrorMessage(errno ? errno : EIO);
    }

    // Writes the cells the sheets still hold and closes the package.
    void Finish(const AnsiString& ShownName) {
        if (!FWB) AlreadyWritten(ShownName);
        TExcelWorksheet* Active = FBook.ActiveSheet();
        for (const auto& Sheet : FBook.SheetList()) {
            lxw_worksheet* WS = SheetFor(*Sheet);
            if (!WS) break;
            if (Sheet.get() == Active) worksheet_activate(WS);
            Sheet->ForEachCell([&](Integer R, Integer C, const Variant& V) { Cell(*Sheet, R, C, V); });
        }
        errno = 0;
        lxw_error Err = workbook_close(FWB);
        const int SysErr = errno;
        FWB = nullptr;
        if (!FFailure.empty()) WriteFailure(ShownName, FFailure);
        if (Err != LXW_NO_ERROR)
            WriteFailure(ShownName, SysErr && IsFileError(Err) ? SysErrorMessage(SysErr) : lxw_strerror(Err));
        // Nor does it look at its other files' errors: a write that failed on
        // the way means a part of the package is cut short.
        if (IsLostWrite(SysErr)) WriteFailure(ShownName, SysErrorMessage(SysErr));
    }

private:
    // The library's sheet, added in the workbook's order.
    lxw_worksheet* SheetFor(const TExcelWorksheet& Sheet) {
        if (FLast == &Sheet) return FLastWS;
        const auto& List = FBook.SheetList();
        size_t Index = 0;
        while (Index < List.size() && List[Index].get() != &Sheet) ++Index;
        while (FSheets.size() <= Index && FSheets.size() < List.size()) {
            const AnsiString& Name = List[FSheets.size()]->Name();
            // The library would put a control character into the XML as it is,
            // and no reader takes the file then.
            const bool Writable = std::none_of(Name.begin(), Name.end(), [](char Ch) { return Ch >= 0 && Ch < 0x20; });
            errno = 0;
            lxw_worksheet* WS = Writable ? workbook_add_worksheet(FWB, AnsiToUtf8(Name).c_str()) : nullptr;
            if (!WS) {
                // Its row file could not be made on a full disk, or the name is refused.
                const int SysErr = errno;
                if (FFailure.empty())
                    FFailure = IsLostWrite(SysErr) ? SysErrorMessage(SysErr) : "bad worksheet name '" + Name + "'";
                return nullptr;
            }
            FSheets.push_back(WS);
        }
        if (Index >= FSheets.size()) return nullptr;
        FLast = &Sheet;
        FLastWS = FSheets[Index];
        return FLastWS;
    }

    const TExcelWorkbook& FBook;
    lxw_workbook* FWB = nullptr;
    lxw_format *FDate = nullptr, *FDateTime = nullptr, *FTime = nullptr;
    std::vector<lxw_worksheet*> FSheets;
    const TExcelWorksheet* FLast = nullptr;
    lxw_worksheet* FLastWS = nullptr;
    AnsiString FFailure;
};

std::shared_ptr<TXlsxStream> StartXlsxStream(const TExcelWorkbook& Book) {
    auto Temp = std::make_unique<TTempPackage>(GetTempDir());
    AnsiString Shown = GetTempDir() + Book.Name() + ".xlsx";
    if (Temp->Path.empty()) WriteFailure(Shown, SysErrorMessage(errno));
    auto Stream = std::make_shared<TXlsxStream>(Book, Temp->Path, Shown);
    Stream->Temp = std::move(Temp);
    return Stream;
}

void StreamXlsxCell(TXlsxStream& Stream, const TExcelWorksheet& Sheet, Integer Row, Integer Col, const Variant& V) {
    Stream.Cell(Sheet, Row, Col, V);
}

namespace {

// A file's bytes into another (the stream's package across file systems).
bool CopyFileBytes(const std::string& From, const std::string& To) {
    FILE* In = std::fopen(From.c_str(), "rb");
    FILE* Out = In ? std::fopen(To.c_str(), "wb") : nullptr;
    bool Ok = In && Out;
    char Buf[65536];
    size_t N;
    while (Ok && (N = std::fread(Buf, 1, sizeof Buf, In)) > 0) Ok = std::fwrite(Buf, 1, N, Out) == N;
    Ok = Ok && !std::ferror(In);
    if (In) std::fclose(In);
    if (Out && std::fclose(Out) != 0) Ok = false;
    return Ok;
}

// Builds the whole package at Path (which must not be the final name).
void WritePackage(const TExcelWorkbook& Book, const std::string& Path, const AnsiString& ShownName) {
    if (TXlsxStream* Stream = Book.Stream()) {
        // Rows already went to the stream's own file: finish that one.
        if (!Stream->Temp) AlreadyWritten(ShownName);
        std::unique_ptr<TTempPackage> Built = std::move(Stream->Temp);
        for (const auto& Sheet : Book.SheetList()) Sheet->SetWrittenThrough(ExcelMaxRows);
        Stream->Finish(ShownName);
        if (rename(Built->Path.c_str(), Path.c_str()) == 0)
            Built->Path.clear();
        else if (!CopyFileBytes(Built->Path, Path))
            WriteFailure(ShownName, SysErrorMessage(errno));
        return;
    }
    TXlsxStream Whole(Book, Path, ShownName);
    Whole.Finish(ShownName);
}

// The package must be on disk before its name replaces or joins anything.
void Flush(const std::string& Path, const AnsiString& ShownName) {
    int Fd = open(Path.c_str(), O_RDONLY);
    if (Fd < 0 || fsync(Fd) != 0) {
        int Err = errno;
        if (Fd >= 0) close(Fd);
        WriteFailure(ShownName, SysErrorMessage(Err));
    }
    close(Fd);
}

// A new file gets the mode the user's umask gives, as any program's would.
void SetNewFileMode(const std::string& Path) {
    mode_t Mask = umask(0);
    umask(Mask);
    chmod(Path.c_str(), 0666 & ~Mask);
}

}  // namespace

void WriteXlsxFile(const TExcelWorkbook& Book, const AnsiString& FileName) {
    TTempPackage Temp(ExtractFilePath(ExpandFileName(FileName)));
    if (Temp.Path.empty()) WriteFailure(FileName, SysErrorMessage(errno));
    WritePackage(Book, Temp.Path, FileName);
    Flush(Temp.Path, FileName);
    // A replaced file keeps its permissions, a new one gets the usual ones.
    struct stat Old;
    if (stat(AnsiToUtf8(FileName).c_str(), &Old) == 0)
        chmod(Temp.Path.c_str(), Old.st_mode & 07777);
    else
        SetNewFileMode(Temp.Path);
    if (rename(Temp.Path.c_str(), AnsiToUtf8(FileName).c_str()) != 0) WriteFailure(FileName, SysErrorMessage(errno));
    Temp.Path.clear();
}

AnsiString WriteNewXlsxFile(const TExcelWorkbook& Book, const AnsiString& Dir, const AnsiString& Stem) {
    AnsiString Folder = IncludeTrailingPathDelimiter(Dir);
    TTempPackage Temp(Folder);
    if (Temp.Path.empty()) WriteFailure(Folder + Stem + ".xlsx", SysErrorMessage(errno));
    WritePackage(Book, Temp.Path, Folder + Stem + ".xlsx");
    Flush(Temp.Path, Folder + Stem + ".xlsx");
    SetNewFileMode(Temp.Path);
    // link() never replaces an existing file, so another program's workbook of
    // the same name is safe; the next free name is taken instead.
    for (Integer N = 1; N < 10000; ++N) {
        AnsiString Name = Folder + Stem + (N == 1 ? AnsiString() : "_" + IntToStr(N)) + ".xlsx";
        if (link(Temp.Path.c_str(), AnsiToUtf8(Name).c_str()) == 0) return Name;
        if (errno != EEXIST) WriteFailure(Name, SysErrorMessage(errno));
    }
    WriteFailure(Folder + Stem + ".xlsx", "no free file name");
}
