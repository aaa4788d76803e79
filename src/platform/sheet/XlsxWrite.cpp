// Writing a workbook as .xlsx.
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"
#include "platform/sheet/SheetFiles.h"

#include <xlsxwriter.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

const char* const SourceName = "Microsoft Excel";

[[noreturn]] void WriteFailure(const AnsiString& FileName, const AnsiString& Why) {
    throw EOleException("'" + FileName + "' could not be written: " + Why, DISP_E_EXCEPTION, SourceName);
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

// Builds the whole package at Path (which must not be the final name).
void WritePackage(const TExcelWorkbook& Book, const std::string& Path, const AnsiString& ShownName) {
    // Rows go out in order, so the library need not hold them.
    lxw_workbook_options Options{};
    Options.constant_memory = LXW_TRUE;
    std::string TmpDir = AnsiToUtf8(ExcludeTrailingPathDelimiter(ExtractFilePath(AnsiString(Path))));
    Options.tmpdir = TmpDir.data();
    lxw_workbook* WB = workbook_new_opt(Path.c_str(), &Options);
    if (!WB) WriteFailure(ShownName, "cannot create the workbook");
    lxw_format* DateFormat = workbook_add_format(WB);
    format_set_num_format(DateFormat, "dd.mm.yyyy");
    lxw_format* DateTimeFormat = workbook_add_format(WB);
    format_set_num_format(DateTimeFormat, "dd.mm.yyyy hh:mm:ss");
    lxw_format* TimeFormat = workbook_add_format(WB);
    format_set_num_format(TimeFormat, "hh:mm:ss");

    AnsiString Failure;
    auto Check = [&](lxw_error Err, Integer Row, Integer Col) {
        if (Err != LXW_NO_ERROR && Failure.empty())
            Failure = "cell " + ExcelColumnName(Col) + IntToStr(Row) + ": " + lxw_strerror(Err);
    };
    TExcelWorksheet* Active = Book.ActiveSheet();
    try {
    for (const auto& Sheet : Book.SheetList()) {
        std::string Name = AnsiToUtf8(Sheet->Name());
        lxw_worksheet* WS = workbook_add_worksheet(WB, Name.c_str());
        if (!WS) {
            if (Failure.empty()) Failure = "bad worksheet name '" + Sheet->Name() + "'";
            break;
        }
        if (Sheet.get() == Active) worksheet_activate(WS);
        Sheet->ForEachCell([&](Integer Row, Integer Col, const Variant& V) {
            lxw_row_t R = static_cast<lxw_row_t>(Row - 1);
            lxw_col_t C = static_cast<lxw_col_t>(Col - 1);
            TVarType T = V.VType() & varTypeMask;
            lxw_error Err = LXW_NO_ERROR;
            switch (T) {
                case varBoolean:
                    Err = worksheet_write_boolean(WS, R, C, V.AsBoolean() ? 1 : 0, nullptr);
                    break;
                case varDate: {
                    double D = V.AsDateTime();
                    if (D >= 0 && D < 1) {
                        // A time of day on its own is the serial's fraction.
                        Err = worksheet_write_number(WS, R, C, D, TimeFormat);
                        break;
                    }
                    // The spreadsheet counts a 29 February 1900 that never was.
                    double Serial = D < 61 ? D - 1 : D;
                    if (Serial < 1 || !std::isfinite(Serial)) {
                        std::string Text = AnsiToUtf8(V.AsString());
                        Err = worksheet_write_string(WS, R, C, Text.c_str(), nullptr);
                    } else {
                        bool HasTime = D != std::floor(D);
                        Err = worksheet_write_number(WS, R, C, Serial, HasTime ? DateTimeFormat : DateFormat);
                    }
                    break;
                }
                case varError: {
                    std::string Text = ErrorText(V.AsError());
                    Err = worksheet_write_string(WS, R, C, Text.c_str(), nullptr);
                    break;
                }
                case varString:
                case varOleStr: {
                    std::string Text = AnsiToUtf8(V.AsString());
                    Err = worksheet_write_string(WS, R, C, Text.c_str(), nullptr);
                    break;
                }
                default: {
                    double D = V.AsDouble();
                    if (!std::isfinite(D)) {
                        Err = worksheet_write_string(WS, R, C, "#NUM!", nullptr);
                    } else {
                        Err = worksheet_write_number(WS, R, C, D, nullptr);
                    }
                    break;
                }
            }
            Check(Err, Row, Col);
        });
    }
    } catch (...) {
        // A source file that turns out damaged: nothing is written.
        lxw_workbook_free(WB);
        throw;
    }
    lxw_error Err = workbook_close(WB);
    if (!Failure.empty()) WriteFailure(ShownName, Failure);
    if (Err != LXW_NO_ERROR) WriteFailure(ShownName, lxw_strerror(Err));
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
