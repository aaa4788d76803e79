#include "dbclient/IB_Intf.h"
#include "platform/Raised.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "support/db/FakeClientLibrary.h"

namespace {

ISC_STATUS FakeRollbackRetaining(ISC_STATUS*, isc_tr_handle*) { return 0; }

TEST(IB_Intf, RealClientBindsWithItsOwnVersion) {
    IIBClientLibraryPtr lib = GetClientLibraryByName(IBASE_DLL);
    EXPECT_EQ(lib->LibraryName(), "libfbclient.so.2");
    EXPECT_GE(lib->ClientMajorVersion(), 3);
    for (int i = 0; i < IIBClientLibrary::EP_Count; ++i) {
        auto ep = static_cast<IIBClientLibrary::TEntryPoint>(i);
        bool neverBound = ep == IIBClientLibrary::EP_isc_blob_lookup_desc || ep == IIBClientLibrary::EP_isc_blob_set_desc ||
                          ep == IIBClientLibrary::EP_isc_array_lookup_desc ||
                          ep == IIBClientLibrary::EP_isc_array_set_desc ||
                          ep == IIBClientLibrary::EP_isc_prepare_transaction ||
                          ep == IIBClientLibrary::EP_isc_prepare_transaction2 || ep == IIBClientLibrary::EP_isc_add_user ||
                          ep == IIBClientLibrary::EP_isc_delete_user || ep == IIBClientLibrary::EP_isc_modify_user;
        EXPECT_EQ(lib->Bound(ep), !neverBound) << i;
    }
    // A working call through the binding.
    char b[4] = {1, 2, 0, 0};
    EXPECT_EQ(lib->isc_vax_integer(b, 2), 0x0201);
}

TEST(IB_Intf, NeverBoundOperationsRaise) {
    IIBClientLibraryPtr lib = GetClientLibraryByName(IBASE_DLL);
    EXPECT_EQ(MessageOf([&] { lib->isc_add_user(nullptr, nullptr); }),
              "Can't find procedure isc_add_user in libfbclient.so.2");
}

TEST(IB_Intf, OneBindingPerExactName) {
    TFakeLoaderGuard guard;
    auto& loader = TFakeModuleLoader::Instance();
    AnsiString name = UniqueFakeLibraryName("share");
    loader.Define(name, {});
    AnsiString upper = name;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    loader.Define(upper, {});
    Integer before = ClientLibraryCount();
    IIBClientLibraryPtr a = GetClientLibraryByName(name);
    IIBClientLibraryPtr b = GetClientLibraryByName(name);
    IIBClientLibraryPtr c = GetClientLibraryByName(upper);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_EQ(ClientLibraryCount(), before + 2);
    EXPECT_EQ(loader.LoadCount(name), 1);
}

TEST(IB_Intf, MissingFileIsNotKept) {
    Integer before = ClientLibraryCount();
    EXPECT_EQ(MessageOf([&] { GetClientLibraryByName("no-such-client-library.so"); }),
              "Can't load library no-such-client-library.so ");
    EXPECT_EQ(ClientLibraryCount(), before);
}

TEST(IB_Intf, WithoutRetainingRollbackTheClientIsVersion5) {
    TFakeLoaderGuard guard;
    AnsiString name = UniqueFakeLibraryName("v5");
    TFakeModuleLoader::Instance().Define(name, {{"isc_rollback_retaining", "isc_get_client_version"}, {}});
    IIBClientLibraryPtr lib = GetClientLibraryByName(name);
    EXPECT_EQ(lib->ClientMajorVersion(), 5);
    EXPECT_EQ(lib->ClientMinorVersion(), 0);
    EXPECT_FALSE(lib->Bound(IIBClientLibrary::EP_isc_service_attach));
    for (auto call : {+[](IIBClientLibrary* l) { l->isc_portable_integer(nullptr, 0); },
                      +[](IIBClientLibrary* l) { l->isc_decode_sql_date(nullptr, nullptr); },
                      +[](IIBClientLibrary* l) { l->isc_service_detach(nullptr, nullptr); }}) {
        if (auto e = Raised<Exception>([&] { call(lib.get()); })) {
            EXPECT_NE(e->Message().find("Can't find procedure isc_"), AnsiString::npos);
            EXPECT_NE(e->Message().find(" in " + name), AnsiString::npos);
        }
    }
}

TEST(IB_Intf, WithoutVersionQueryTheClientIsVersion6) {
    TFakeLoaderGuard guard;
    AnsiString name = UniqueFakeLibraryName("v6");
    TFakeModuleLoader::Instance().Define(
        name, {{"isc_get_client_version"}, {{"isc_rollback_retaining", reinterpret_cast<void*>(&FakeRollbackRetaining)}}});
    IIBClientLibraryPtr lib = GetClientLibraryByName(name);
    EXPECT_EQ(lib->ClientMajorVersion(), 6);
    EXPECT_EQ(lib->ClientMinorVersion(), 0);
    EXPECT_EQ(lib->isc_rollback_retaining(nullptr, nullptr), 0);
}

struct TMissing { const char* EntryPoint; };

class MissingRequiredEntry : public ::testing::TestWithParam<TMissing> {};

TEST_P(MissingRequiredEntry, FailsTheLoadAndReleasesTheModule) {
    TFakeLoaderGuard guard;
    auto& loader = TFakeModuleLoader::Instance();
    AnsiString name = UniqueFakeLibraryName("missing");
    loader.Define(name, {{GetParam().EntryPoint}, {}});
    Integer before = ClientLibraryCount();
    EXPECT_EQ(MessageOf<EOSError>([&] { GetClientLibraryByName(name); }),
              AnsiString("System Error.  Code: 0.\r\nundefined symbol: ") + GetParam().EntryPoint);
    EXPECT_EQ(ClientLibraryCount(), before);
    EXPECT_EQ(loader.LoadCount(name), 1);
    EXPECT_EQ(loader.UnloadCount(name), 1);
    // The next request tries again.
    EXPECT_THROW(GetClientLibraryByName(name), EOSError);
    EXPECT_EQ(loader.LoadCount(name), 2);
}

INSTANTIATE_TEST_SUITE_P(Groups, MissingRequiredEntry,
                         ::testing::Values(TMissing{"BLOB_get"}, TMissing{"isc_transaction_info"},
                                           TMissing{"isc_portable_integer"}, TMissing{"isc_get_client_major_version"}));

TEST(IB_Intf, FreeingTheListUnloadsUnusedBindings) {
    TFakeLoaderGuard guard;
    auto& loader = TFakeModuleLoader::Instance();
    AnsiString name = UniqueFakeLibraryName("free");
    loader.Define(name, {});
    IIBClientLibraryPtr held = GetClientLibraryByName(name);
    FreeClientLibraries();
    EXPECT_EQ(ClientLibraryCount(), 0);
    EXPECT_EQ(loader.UnloadCount(name), 0);   // still in use here
    held.reset();
    EXPECT_EQ(loader.UnloadCount(name), 1);
}

TEST(IB_Intf, DescriptorAreaSize) {
    EXPECT_EQ(XSQLDA_LENGTH(1), sizeof(XSQLDA));
    EXPECT_EQ(XSQLDA_LENGTH(10), sizeof(XSQLDA) + 9 * sizeof(XSQLVAR));
}


TEST(IB_Intf, ThreadsAskingAtOnceShareOneBinding) {
    TFakeLoaderGuard guard;
    AnsiString name = UniqueFakeLibraryName("threads");
    TFakeModuleLoader::Instance().Define(name, {});
    std::vector<IIBClientLibraryPtr> got(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < got.size(); ++i)
        threads.emplace_back([&got, i, name] { got[i] = GetClientLibraryByName(name); });
    for (auto& t : threads) t.join();
    for (const auto& lib : got) EXPECT_EQ(lib, got[0]);
    EXPECT_EQ(TFakeModuleLoader::Instance().LoadCount(name), 1);
}

}  // namespace
