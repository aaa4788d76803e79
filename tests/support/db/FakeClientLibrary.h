#pragma once
// Fake client library files for tests: the real client library with chosen
// entry points missing or replaced, reached through the module-loader seam.
#include <map>
#include <set>
#include <string>

#include "dbclient/IB_Intf.h"

struct TFakeLibraryShape {
    std::set<std::string> Missing;             // entry points the fake lacks
    std::map<std::string, void*> Overrides;    // entry points replaced
};

class TFakeModuleLoader : public IModuleLoader {
public:
    // Lives for the whole process: bindings keep the loader they were made with.
    static TFakeModuleLoader& Instance();

    // Names a fake library file; any other name is loaded as usual.
    void Define(const AnsiString& FileName, const TFakeLibraryShape& Shape);
    Integer LoadCount(const AnsiString& FileName) const;
    Integer UnloadCount(const AnsiString& FileName) const;

    void* Load(const AnsiString& FileName) override;
    void* Symbol(void* Module, const char* Name) override;
    void Unload(void* Module) override;
    Integer LastErrorCode() override { return FLastCode; }
    AnsiString LastErrorText() override { return FLastText; }

private:
    struct TModule;
    std::map<AnsiString, TFakeLibraryShape> FShapes;
    std::map<AnsiString, Integer> FLoads, FUnloads;
    Integer FLastCode = 0;
    AnsiString FLastText;
};

// Installs the fake loader for the life of the guard.
class TFakeLoaderGuard {
public:
    TFakeLoaderGuard() { SetClientModuleLoader(&TFakeModuleLoader::Instance()); }
    ~TFakeLoaderGuard() { SetClientModuleLoader(nullptr); }
};

// A name not used before in this process (bindings are kept per name).
AnsiString UniqueFakeLibraryName(const char* Stem);
