#pragma once
// Helpers of the spreadsheet tests: a private temporary folder that is also
// the process's TMPDIR, and an opener that records instead of starting a program.
#include "platform/rtl/CodePage.h"
#include "platform/sheet/Excel.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class TSheetTestDir {
    TTempFolder FFolder{"sheettest-"};   // first: Path and TMPDIR follow it

public:
    const std::string Path = FFolder.Path();

    TSheetTestDir() {
        const char* Old = std::getenv("TMPDIR");
        HadOld = Old != nullptr;
        if (Old) OldTmp = Old;
        setenv("TMPDIR", Path.c_str(), 1);
    }
    ~TSheetTestDir() {
        if (HadOld)
            setenv("TMPDIR", OldTmp.c_str(), 1);
        else
            unsetenv("TMPDIR");
    }
    // A file name inside the folder, as the program's code page 1254 text.
    AnsiString File(const std::string& Utf8Name) const { return Utf8ToAnsi(Path + Utf8Name); }
    void Write(const std::string& Utf8Name, const std::string& Bytes) const {
        std::ofstream(Path + Utf8Name, std::ios::binary) << Bytes;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> R;
        for (const auto& E : std::filesystem::directory_iterator(Path)) R.push_back(E.path().filename().string());
        return R;
    }

private:
    bool HadOld = false;
    std::string OldTmp;
};

class TRecordingSheetOpener {
public:
    explicit TRecordingSheetOpener(bool AResult = true) : Result(AResult) {
        Old = SetSheetOpener([this](const AnsiString& F) {
            Files.push_back(F);
            return Result;
        });
    }
    ~TRecordingSheetOpener() { SetSheetOpener(Old); }
    std::vector<AnsiString> Files;
    bool Result;

private:
    TSheetOpener Old;
};
