#pragma once
// Set-ups several grid test programs share: a theme the themed colours follow, and a file
// in a temporary folder of its own.
#include "grid/ExtObj.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace gridtest {

// The theme name the grid's themed colours ask for, for as long as the guard lives.
struct TThemeName {
    static inline const char* Name = "";
    static AnsiString Get() { return Name; }
};
struct TThemeGuard {
    TThemeColorNameFunc Saved;
    explicit TThemeGuard(const char* Name) {
        TThemeName::Name = Name;
        Saved = SetThemeColorNameFunc(&TThemeName::Get);
    }
    ~TThemeGuard() { SetThemeColorNameFunc(Saved); }
};

// A file holding Bytes in a fresh temporary folder; both go with the object.
struct TTempFile {
    std::filesystem::path Dir, Path;
    explicit TTempFile(const std::string& Bytes, const char* Name = "data.csv") {
        char Tpl[] = "/tmp/gridtestXXXXXX";
        Dir = mkdtemp(Tpl);
        Path = Dir / Name;
        std::ofstream(Path, std::ios::binary) << Bytes;
    }
    ~TTempFile() { std::filesystem::remove_all(Dir); }
    AnsiString Name() const { return Path.string(); }
};

}  // namespace gridtest
