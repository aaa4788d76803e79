#include "dbclient/IB_Intf.h"

#include <dlfcn.h>

#include <atomic>
#include <mutex>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <fpu_control.h>
#endif

namespace {

class TDlModuleLoader : public IModuleLoader {
public:
    // Kept resident: unloading a client whose engine threads still run is not safe.
    void* Load(const AnsiString& FileName) override {
        return dlopen(FileName.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    }
    void* Symbol(void* Module, const char* Name) override {
        dlerror();
        void* p = dlsym(Module, Name);
        if (!p) {
            const char* e = dlerror();
            FLastText = e ? e : "";
        }
        return p;
    }
    void Unload(void* Module) override { dlclose(Module); }
    Integer LastErrorCode() override { return 0; }
    AnsiString LastErrorText() override { return FLastText; }

private:
    AnsiString FLastText;
};

TDlModuleLoader DefaultLoader;
std::atomic<IModuleLoader*> CurrentLoader{&DefaultLoader};

std::mutex LibraryListLock;
std::vector<IIBClientLibraryPtr>& LibraryList() {
    static std::vector<IIBClientLibraryPtr> List;
    return List;
}

}  // namespace

IModuleLoader& ClientModuleLoader() { return *CurrentLoader; }

void SetClientModuleLoader(IModuleLoader* Loader) { CurrentLoader = Loader ? Loader : &DefaultLoader; }

void* IIBClientLibrary::Entry(TEntryPoint Index, const char* Name) const {
    void* p = FEntries[Index];
    if (!p) throw Exception("Can't find procedure %s in %s", {Name, LibraryName()});
    return p;
}

ISC_LONG IIBClientLibrary::EventBlock(ISC_UCHAR** EventBuffer, ISC_UCHAR** ResultBuffer,
                                      ISC_USHORT Count, char* const Names[15]) const {
    auto f = reinterpret_cast<decltype(&::isc_event_block)>(Entry(EP_isc_event_block, "isc_event_block"));
    return f(EventBuffer, ResultBuffer, Count, Names[0], Names[1], Names[2], Names[3], Names[4], Names[5],
             Names[6], Names[7], Names[8], Names[9], Names[10], Names[11], Names[12], Names[13], Names[14]);
}

TIBClientLibrary::TIBClientLibrary(const AnsiString& Name) : FLoader(&ClientModuleLoader()), FLibraryName(Name) {
    try {
        LoadIBLibrary();
    } catch (...) {
        FreeIBLibrary();
        throw;
    }
}

TIBClientLibrary::~TIBClientLibrary() { FreeIBLibrary(); }

void TIBClientLibrary::FreeIBLibrary() {
    if (FModule) {
        FLoader->Unload(FModule);
        FModule = nullptr;
    }
    for (auto& e : FEntries) e = nullptr;
}

void TIBClientLibrary::BindRequired(TEntryPoint Index, const char* Name) {
    void* p = FLoader->Symbol(FModule, Name);
    if (!p) {
        Integer code = FLoader->LastErrorCode();
        AnsiString text = FLoader->LastErrorText();
        EOSError e = (code == 0 && text.empty()) ? EOSError(SUnkOSError)
                                                 : EOSError(SOSError, {code, text});
        e.ErrorCode = static_cast<Cardinal>(code);
        throw e;
    }
    FEntries[Index] = p;
}

void TIBClientLibrary::LoadIBLibrary() {
    FModule = FLoader->Load(FLibraryName);
    if (!FModule) throw Exception("Can't load library %s ", {FLibraryName});

#define BIND(name) BindRequired(EP_##name, #name);
    BIND(BLOB_get) BIND(BLOB_put) BIND(isc_sqlcode) BIND(isc_sql_interprete) BIND(isc_interprete)
    BIND(isc_vax_integer) BIND(isc_blob_info) BIND(isc_open_blob2) BIND(isc_close_blob)
    BIND(isc_get_segment) BIND(isc_put_segment) BIND(isc_create_blob2) BIND(isc_cancel_blob) BIND(isc_decode_date)
    BIND(isc_encode_date) BIND(isc_dsql_free_statement) BIND(isc_dsql_execute2) BIND(isc_dsql_execute)
    BIND(isc_dsql_set_cursor_name) BIND(isc_dsql_fetch) BIND(isc_dsql_sql_info)
    BIND(isc_dsql_alloc_statement2) BIND(isc_dsql_prepare) BIND(isc_dsql_describe_bind)
    BIND(isc_dsql_describe) BIND(isc_dsql_execute_immediate) BIND(isc_dsql_exec_immed2)
    BIND(isc_drop_database) BIND(isc_detach_database) BIND(isc_attach_database) BIND(isc_database_info)
    BIND(isc_start_multiple) BIND(isc_commit_transaction) BIND(isc_commit_retaining)
    BIND(isc_rollback_transaction) BIND(isc_cancel_events) BIND(isc_que_events) BIND(isc_event_counts)
    BIND(isc_event_block) BIND(isc_free) BIND(isc_array_lookup_bounds) BIND(isc_array_get_slice)
    BIND(isc_array_put_slice) BIND(isc_wait_for_event) BIND(isc_transaction_info)

    FEntries[EP_isc_rollback_retaining] = FLoader->Symbol(FModule, "isc_rollback_retaining");
    if (FEntries[EP_isc_rollback_retaining]) {
        FClientMajorVersion = 6;
        FClientMinorVersion = 0;
        BIND(isc_service_attach) BIND(isc_service_detach) BIND(isc_service_query) BIND(isc_service_start)
        BIND(isc_decode_sql_date) BIND(isc_decode_sql_time) BIND(isc_decode_timestamp)
        BIND(isc_encode_sql_date) BIND(isc_encode_sql_time) BIND(isc_encode_timestamp)
        BIND(isc_portable_integer)
    } else {
        FClientMajorVersion = 5;
        FClientMinorVersion = 0;
    }

    FEntries[EP_isc_get_client_version] = FLoader->Symbol(FModule, "isc_get_client_version");
    if (FEntries[EP_isc_get_client_version]) {
        BIND(isc_get_client_major_version) BIND(isc_get_client_minor_version)
        FClientMajorVersion = isc_get_client_major_version();
        FClientMinorVersion = isc_get_client_minor_version();
    } else {
        FClientMinorVersion = 0;
    }
#undef BIND
    // The sized message call; older clients only have the unsized one.
    FEntries[EP_fb_interpret] = FLoader->Symbol(FModule, "fb_interpret");

    SetExtendedFPUPrecision();
}

IIBClientLibraryPtr GetClientLibraryByName(const AnsiString& Name) {
    std::lock_guard<std::mutex> guard(LibraryListLock);
    for (const auto& lib : LibraryList())
        if (lib->LibraryName() == Name) return lib;
    auto lib = std::make_shared<TIBClientLibrary>(Name);
    LibraryList().push_back(lib);
    return lib;
}

Integer ClientLibraryCount() {
    std::lock_guard<std::mutex> guard(LibraryListLock);
    return static_cast<Integer>(LibraryList().size());
}

void FreeClientLibraries() {
    std::vector<IIBClientLibraryPtr> old;
    {
        std::lock_guard<std::mutex> guard(LibraryListLock);
        old.swap(LibraryList());
    }
}

void SetExtendedFPUPrecision() {
#if defined(__x86_64__) || defined(__i386__)
    fpu_control_t cw;
    _FPU_GETCW(cw);
    cw = static_cast<fpu_control_t>((cw & ~0x300) | 0x300);
    _FPU_SETCW(cw);
#endif
}

void ResetFPUControlWord() {
#if defined(__x86_64__) || defined(__i386__)
    fpu_control_t cw = _FPU_DEFAULT;
    _FPU_SETCW(cw);
#endif
}
