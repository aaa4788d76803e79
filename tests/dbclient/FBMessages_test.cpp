#include "dbclient/FBMessages.h"
#include "platform/Raised.h"
#include "dbclient/FBErrorKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "support/db/FakeClientLibrary.h"

namespace {

// Scripted client texts for the message-building rules.
const char* ScriptedSQLText = "";
std::vector<std::string> ScriptedLines;
size_t NextLine = 0;

void FakeSqlInterprete(short, ISC_SCHAR* Buffer, short Length) {
    std::strncpy(Buffer, ScriptedSQLText, static_cast<size_t>(Length));
}

ISC_LONG FakeInterpret(ISC_SCHAR* Buffer, unsigned int Size, const ISC_STATUS**) {
    if (NextLine >= ScriptedLines.size()) return 0;
    const std::string& s = ScriptedLines[NextLine++];
    std::strncpy(Buffer, s.c_str(), Size);
    return s.empty() ? 1 : static_cast<ISC_LONG>(s.size());   // an empty line still counts as read
}

ISC_LONG FakeSqlCode(const ISC_STATUS*) { return -901; }

IIBClientLibraryPtr ScriptedLibrary() {
    TFakeLoaderGuard guard;
    static IIBClientLibraryPtr lib;
    if (!lib) {
        AnsiString name = UniqueFakeLibraryName("messages");
        TFakeModuleLoader::Instance().Define(
            name, {{}, {{"isc_sql_interprete", reinterpret_cast<void*>(&FakeSqlInterprete)},
                        {"fb_interpret", reinterpret_cast<void*>(&FakeInterpret)},
                        {"isc_sqlcode", reinterpret_cast<void*>(&FakeSqlCode)}}});
        lib = GetClientLibraryByName(name);
    }
    return lib;
}

void SetStatus(std::initializer_list<ISC_STATUS> Words) {
    ISC_STATUS* sv = StatusVector();
    std::memset(sv, 0, sizeof(ISC_STATUS) * ISC_STATUS_LENGTH);
    size_t i = 0;
    for (ISC_STATUS w : Words) sv[i++] = w;
}

TEST(FBMessages, TableEntries) {
    EXPECT_STREQ(FBErrorMessage(0), "Unknown error.");
    EXPECT_STREQ(FBErrorMessage(37), "Can't %s , because  query is empty");
    EXPECT_STREQ(FBErrorMessage(45), "Can't post. (%s) ");
    EXPECT_STREQ(FBErrorMessage(58),
                 "Can't end a shared transaction unless it is forced and equal to the transaction's TimeoutAction.");
    EXPECT_STREQ(FBErrorMessage(77), "%s can't use field \"%s\"");
    AnsiString t75 = FBErrorMessage(75);
    EXPECT_EQ(std::count(t75.begin(), t75.end(), '\n'), 5);
    EXPECT_EQ(t75.substr(t75.size() - 6), "=True ");
}

TEST(FBMessages, FBErrorFormatsTheTableEntry) {
    SetStatus({isc_arg_gds, 335544345, isc_arg_end});
    if (auto e = Raised<EFBClientError>([&] { FBError(13); })) {
        EXPECT_EQ(e->SQLCode(), 13);
        EXPECT_EQ(e->Message(), "Cannot perform operation -- DB is currently open.");
        EXPECT_EQ(e->Sender(), nullptr);
        EXPECT_EQ(e->IBErrorCode(), 335544345);   // whatever the vector last held
    }
    EXPECT_TRUE(RaisesCode<EFBError>([&] { FBError(12 + 128, {"DM.DB"}); },   // only the low 7 bits count
                           12, "DM.DB: Cannot perform operation -- DB is not open."));
    EXPECT_TRUE(RaisesCode([&] { FBErrorFmt("free %d", {5}); }, -1, "free 5"));
}

TEST(FBMessages, SenderNamePrefix) {
    TComponent owner(nullptr);
    owner.SetName("dmodule1");
    TComponent* db = new TComponent(&owner);
    db->SetName("FBDbase1");
    TObject plain;
    EXPECT_EQ(EFBError(0, "text", db).Message(), "dmodule1.FBDbase1:\r\ntext");
    EXPECT_EQ(EFBError(0, "text", nullptr).Message(), "text");
    EXPECT_EQ(EFBError(0, "text", &plain).Message(), "text");
    EXPECT_EQ(EFBError(0, "text", db).Sender(), db);
}

struct TTextCase {
    const char* SQLText;
    std::vector<std::string> Lines;
    const char* SQLMessage;
    const char* IBMessage;
};

class IBErrorText : public ::testing::TestWithParam<TTextCase> {};

TEST_P(IBErrorText, BuildsBothTexts) {
    IIBClientLibraryPtr lib = ScriptedLibrary();
    ScriptedSQLText = GetParam().SQLText;
    ScriptedLines = GetParam().Lines;
    NextLine = 0;
    SetStatus({isc_arg_gds, isc_lock_conflict, isc_arg_end});
    if (auto e = Raised<EFBInterBaseError>([&] { IBError(lib.get(), nullptr); })) {
        EXPECT_EQ(e->SQLCode(), -901);
        EXPECT_EQ(e->IBErrorCode(), isc_lock_conflict);
        EXPECT_EQ(e->SQLMessage(), GetParam().SQLMessage);
        EXPECT_EQ(e->IBMessage(), GetParam().IBMessage);
        EXPECT_EQ(e->Message(), AnsiString(GetParam().SQLMessage) + GetParam().IBMessage);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IBErrorText,
    ::testing::Values(TTextCase{"Unsuccessful execution", {"lock conflict", "deadlock."},
                                "Unsuccessful execution.", "lock conflict.\r\ndeadlock.\r\n"},
                      TTextCase{"Already ends.", {}, "Already ends.", ""},
                      TTextCase{"", {"one", "", "two"}, "", "one.\r\ntwo.\r\n"}));

TEST(FBMessages, RealClientTexts) {
    IIBClientLibraryPtr lib = GetClientLibraryByName(IBASE_DLL);
    SetStatus({isc_arg_gds, isc_lock_conflict, isc_arg_end});
    if (auto e = Raised<EFBInterBaseError>([&] { IBError(lib.get(), nullptr); })) {
        EXPECT_EQ(e->SQLCode(), -901);
        EXPECT_EQ(e->IBMessage(), "lock conflict on no wait transaction.\r\n");
        EXPECT_FALSE(e->SQLMessage().empty());
        EXPECT_EQ(e->SQLMessage().back(), '.');
    }
}

class TVetoHook : public TIBErrorHandler {
public:
    void OnIBError(TObject* Sender, EFBInterBaseError& E, bool& RaiseError) override {
        ++Calls;
        Seen = E.IBErrorCode();
        if (Throw) throw Exception("from hook");
        RaiseError = !Veto;
    }
    int Calls = 0;
    Integer Seen = 0;
    bool Veto = true;
    bool Throw = false;
};

TEST(FBMessages, ErrorHandlerHook) {
    IIBClientLibraryPtr lib = GetClientLibraryByName(IBASE_DLL);
    TVetoHook hook;
    ErrorHandlerHook = &hook;
    SetStatus({isc_arg_gds, isc_lock_conflict, isc_arg_end});
    EXPECT_NO_THROW(IBError(lib.get(), nullptr));
    EXPECT_EQ(hook.Calls, 1);
    EXPECT_EQ(hook.Seen, isc_lock_conflict);
    hook.Veto = false;
    EXPECT_THROW(IBError(lib.get(), nullptr), EFBInterBaseError);
    hook.Throw = true;
    try {
        IBError(lib.get(), nullptr);
        ADD_FAILURE();
    } catch (const EFBError&) {
        ADD_FAILURE() << "the hook's exception should win";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "from hook");
    }
    ErrorHandlerHook = nullptr;
}

TEST(FBMessages, CheckStatusVector) {
    SetStatus({});
    EXPECT_FALSE(CheckStatusVector({0, 335544345}));
    SetStatus({isc_arg_gds, 335544345, isc_arg_end});
    EXPECT_TRUE(CheckStatusVector({1, 335544345}));
    EXPECT_FALSE(CheckStatusVector({335544346}));
    SetStatus({isc_arg_gds, 1, isc_arg_number, 77, isc_arg_end});
    EXPECT_TRUE(CheckStatusVector({77}));
    // A counted string takes three words; its pointer word is no code.
    SetStatus({isc_arg_gds, 1, isc_arg_cstring, 3, 555, isc_arg_gds, 9, isc_arg_end});
    EXPECT_FALSE(CheckStatusVector({555}));
    EXPECT_FALSE(CheckStatusVector({3}));
    EXPECT_TRUE(CheckStatusVector({9}));
    SetStatus({isc_arg_gds, 1, isc_arg_string, 555, isc_arg_end});
    EXPECT_FALSE(CheckStatusVector({555}));
}

TEST(FBMessages, StatusVectorIsPerThread) {
    SetStatus({isc_arg_gds, 42, isc_arg_end});
    ISC_STATUS other = -1;
    std::thread([&other] { other = StatusVector()[1]; }).join();
    EXPECT_EQ(other, 0);
    EXPECT_EQ(StatusVector()[1], 42);
}

TEST(FBMessages, IBAllocZeroesTheNewPart) {
    void* p = nullptr;
    IBAlloc(p, 0, 8);
    ASSERT_NE(p, nullptr);
    std::memset(p, 0xAB, 8);
    IBAlloc(p, 8, 16);
    auto* b = static_cast<unsigned char*>(p);
    EXPECT_EQ(b[7], 0xAB);
    for (int i = 8; i < 16; ++i) EXPECT_EQ(b[i], 0) << i;
    std::free(p);
}

}  // namespace
