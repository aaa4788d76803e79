#pragma once
// Loading of shared libraries by file name, in place of LoadLibrary and
// GetProcAddress.
#include "platform/rtl/System.h"

#include <cstdint>

// A loaded module; 0 means none.
using HMODULE = std::uintptr_t;

// Loads the library (name as AnsiString, given to the system as UTF-8; a name
// without '/' is searched the system's way). 0 on failure; the reason is
// then in DynLibError().
HMODULE LoadLibrary(const AnsiString& FileName);
// Looks up an exported symbol; nullptr when missing (reason in DynLibError()).
void* GetProcAddress(HMODULE Module, const AnsiString& ProcName);
// Releases one load of the module; false on failure.
bool FreeLibrary(HMODULE Module);
// The text of the last failure of these routines on this thread, '' if none.
AnsiString DynLibError();

// An owning wrapper: frees the module it holds when destroyed.
class TDynLib : public TObject {
public:
    TDynLib() = default;
    explicit TDynLib(const AnsiString& FileName);   // loads; check Loaded()
    ~TDynLib() override;
    bool Load(const AnsiString& FileName);          // frees any module held first
    void Free();
    bool Loaded() const { return FHandle != 0; }
    HMODULE Handle() const { return FHandle; }
    const AnsiString& FileName() const { return FFileName; }
    void* Symbol(const AnsiString& Name) const;     // nullptr when missing
    const AnsiString& LastError() const { return FLastError; }

private:
    HMODULE FHandle = 0;
    AnsiString FFileName;
    mutable AnsiString FLastError;
};
