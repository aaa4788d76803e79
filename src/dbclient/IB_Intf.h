#pragma once
// Run-time binding of the Firebird client library. The library is not linked:
// it is loaded by file name (dlopen), its entry points looked up one by one, and
// handed out as IIBClientLibrary, one binding per file name for the process.
#include <memory>

#include "dbclient/ibase.h"
#include "platform/rtl/SysUtils.h"

// Every entry point the layer knows, in interface order.
#define FB_CLIENT_ENTRY_POINTS(X)                                              \
    X(isc_attach_database) X(isc_array_get_slice) X(isc_array_lookup_bounds)   \
    X(isc_array_lookup_desc) X(isc_array_set_desc) X(isc_array_put_slice)      \
    X(isc_blob_info) X(isc_blob_lookup_desc) X(isc_blob_set_desc)              \
    X(isc_cancel_blob) X(isc_cancel_events) X(isc_que_events)                  \
    X(isc_wait_for_event) X(isc_close_blob) X(isc_create_blob2)                \
    X(isc_commit_retaining) X(isc_commit_transaction) X(isc_transaction_info)  \
    X(isc_database_info) X(isc_decode_date) X(isc_decode_sql_date)             \
    X(isc_decode_sql_time) X(isc_decode_timestamp) X(isc_detach_database)      \
    X(isc_drop_database) X(isc_dsql_alloc_statement2) X(isc_dsql_describe)     \
    X(isc_dsql_describe_bind) X(isc_dsql_execute) X(isc_dsql_execute2)         \
    X(isc_dsql_execute_immediate) X(isc_dsql_exec_immed2) X(isc_dsql_fetch)    \
    X(isc_dsql_free_statement) X(isc_dsql_prepare) X(isc_dsql_set_cursor_name) \
    X(isc_dsql_sql_info) X(isc_encode_date) X(isc_encode_sql_date)             \
    X(isc_encode_sql_time) X(isc_encode_timestamp) X(isc_event_block)          \
    X(isc_event_counts) X(isc_free) X(isc_get_segment) X(isc_put_segment)      \
    X(isc_interprete) X(isc_open_blob2) X(isc_prepare_transaction2)            \
    X(isc_rollback_retaining) X(isc_rollback_transaction)                      \
    X(isc_start_multiple) X(isc_sqlcode) X(isc_sql_interprete)                 \
    X(isc_vax_integer) X(isc_add_user) X(isc_delete_user) X(isc_modify_user)   \
    X(isc_prepare_transaction) X(BLOB_put) X(BLOB_get) X(isc_service_attach)   \
    X(isc_service_detach) X(isc_service_query) X(isc_service_start)            \
    X(isc_get_client_version) X(isc_get_client_major_version)                  \
    X(isc_get_client_minor_version) X(isc_portable_integer) X(fb_interpret)

// How a client library file is reached; tests put a fake in its place.
class IModuleLoader {
public:
    virtual ~IModuleLoader() = default;
    // The module handle, or nullptr when the file cannot be loaded.
    virtual void* Load(const AnsiString& FileName) = 0;
    // The entry point, or nullptr when the module has none of that name.
    virtual void* Symbol(void* Module, const char* Name) = 0;
    virtual void Unload(void* Module) = 0;
    // errno-style code and text of the last failed Symbol call (0 when unknown).
    virtual Integer LastErrorCode() = 0;
    virtual AnsiString LastErrorText() = 0;
};

// The loader in use (dlopen/dlsym by default).
IModuleLoader& ClientModuleLoader();
// Replaces the loader; nullptr restores the default. Bindings made before keep theirs.
void SetClientModuleLoader(IModuleLoader* Loader);

// The bound client library. Each entry-point operation takes the arguments of
// the client function of the same name; an entry point that is not bound raises
// Exception "Can't find procedure %s in %s".
class IIBClientLibrary {
public:
    virtual ~IIBClientLibrary() = default;

    virtual AnsiString LibraryName() const = 0;
    virtual Integer ClientMajorVersion() const = 0;
    virtual Integer ClientMinorVersion() const = 0;
    virtual void FreeIBLibrary() = 0;

#define FB_DECLARE_ENTRY(name)                                                     \
    template <typename... A>                                                       \
    auto name(A... Args) const {                                                   \
        return reinterpret_cast<decltype(&::name)>(Entry(EP_##name, #name))(Args...); \
    }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    FB_CLIENT_ENTRY_POINTS(FB_DECLARE_ENTRY)
#pragma GCC diagnostic pop
#undef FB_DECLARE_ENTRY

    // isc_event_block is variadic in the client: always passes all fifteen names.
    ISC_LONG EventBlock(ISC_UCHAR** EventBuffer, ISC_UCHAR** ResultBuffer, ISC_USHORT Count,
                        char* const Names[15]) const;

    enum TEntryPoint {
#define FB_ENUM_ENTRY(name) EP_##name,
        FB_CLIENT_ENTRY_POINTS(FB_ENUM_ENTRY)
#undef FB_ENUM_ENTRY
        EP_Count
    };

    // Whether the entry point is bound.
    bool Bound(TEntryPoint Index) const { return FEntries[Index] != nullptr; }

protected:
    // The bound address, or the "Can't find procedure" exception.
    void* Entry(TEntryPoint Index, const char* Name) const;

    void* FEntries[EP_Count] = {};
};

using IIBClientLibraryPtr = std::shared_ptr<IIBClientLibrary>;

// Loads one client library file and binds its entry points.
class TIBClientLibrary : public TObject, public IIBClientLibrary {
public:
    // Loads at once; a failure propagates and releases what was loaded.
    explicit TIBClientLibrary(const AnsiString& Name);
    ~TIBClientLibrary() override;

    AnsiString LibraryName() const override { return FLibraryName; }
    Integer ClientMajorVersion() const override { return FClientMajorVersion; }
    Integer ClientMinorVersion() const override { return FClientMinorVersion; }
    void FreeIBLibrary() override;

protected:
    void LoadIBLibrary();

private:
    void BindRequired(TEntryPoint Index, const char* Name);

    void* FModule = nullptr;
    IModuleLoader* FLoader = nullptr;
    AnsiString FLibraryName;
    Integer FClientMajorVersion = 0;
    Integer FClientMinorVersion = 0;
};

// The binding for the file Name (compared byte for byte), loading it on first
// request. Look-up and load happen under one lock; a failed load keeps nothing.
IIBClientLibraryPtr GetClientLibraryByName(const AnsiString& Name);
// Number of bindings held by the process list.
Integer ClientLibraryCount();
// Drops every binding of the process list (each unloads when its last user goes).
void FreeClientLibraries();

// Precision control of the x87 unit set to extended, every other bit kept.
void SetExtendedFPUPrecision();
// The x87 control word back to the platform's default (a client call may have changed it).
void ResetFPUControlWord();
