#include "platform/sys/DynLib.h"

#include "platform/rtl/CodePage.h"

#include <dlfcn.h>

namespace {

thread_local AnsiString LastError;

void TakeError()
{
    const char* E = ::dlerror();
    LastError = E ? Utf8ToAnsi(E) : AnsiString();
}

}  // namespace

HMODULE LoadLibrary(const AnsiString& FileName)
{
    LastError.clear();
    if (FileName.empty()) {
        LastError = "No library name given";
        return 0;
    }
    ::dlerror();
    void* H = ::dlopen(AnsiToUtf8(FileName).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!H) {
        TakeError();
        return 0;
    }
    return reinterpret_cast<HMODULE>(H);
}

void* GetProcAddress(HMODULE Module, const AnsiString& ProcName)
{
    LastError.clear();
    if (!Module) {
        LastError = "No library loaded";
        return nullptr;
    }
    ::dlerror();
    void* P = ::dlsym(reinterpret_cast<void*>(Module), ProcName.c_str());
    if (!P) {
        TakeError();
        if (LastError.empty()) LastError = "Symbol " + ProcName + " is null";
    }
    return P;
}

bool FreeLibrary(HMODULE Module)
{
    LastError.clear();
    if (!Module) return false;
    ::dlerror();
    if (::dlclose(reinterpret_cast<void*>(Module)) != 0) {
        TakeError();
        return false;
    }
    return true;
}

AnsiString DynLibError()
{
    return LastError;
}

TDynLib::TDynLib(const AnsiString& FileName)
{
    Load(FileName);
}

TDynLib::~TDynLib()
{
    Free();
}

bool TDynLib::Load(const AnsiString& FileName)
{
    Free();
    FFileName = FileName;
    FHandle = LoadLibrary(FileName);
    FLastError = FHandle ? AnsiString() : DynLibError();
    return FHandle != 0;
}

void TDynLib::Free()
{
    if (FHandle) FreeLibrary(FHandle);
    FHandle = 0;
}

void* TDynLib::Symbol(const AnsiString& Name) const
{
    void* P = GetProcAddress(FHandle, Name);
    FLastError = P ? AnsiString() : DynLibError();
    return P;
}
