#include "dbclient/FBBlob.h"
#include "platform/Raised.h"

#include <gtest/gtest.h>

#include "dbclient/FBDatabase.h"
#include "dbclient/FBMessages.h"
#include "dbclient/FBQuery.h"
#include "platform/rtl/Files.h"
#include "support/db/DbTest.h"
#include "support/db/FakeClientLibrary.h"

namespace {

AnsiString TurkishText(size_t Size) {
    const AnsiString unit = "Çağrı ışığı söndü, Ödül ŞİMŞEK güzel. ";
    AnsiString s;
    while (s.size() < Size) s += unit;
    s.resize(Size);
    return s;
}

AnsiString BinaryBytes(size_t Size) {
    AnsiString s(Size, '\0');
    for (size_t i = 0; i < Size; ++i) s[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return s;
}

class FBBlobTest : public TDbTest {
public:
    static void SetUpTestSuite() {
        DB1().Execute("CREATE TABLE B (ID INTEGER NOT NULL PRIMARY KEY, MEMO BLOB SUB_TYPE 1, BIN BLOB SUB_TYPE 0)");
    }

protected:
    void SetUp() override {
        ConnectAndStart(DB1(), "DB1", "TR1");
        swap = DB1().Folder() + "/swap" + IntToStr(++swapCount) + "/";
    }
    void TearDown() override {
        WaitForBlobCacheValidation();
        TDbTest::TearDown();
    }
    void Insert(Integer Id, const AnsiString& Memo, const AnsiString& Bin) {
        TFBQuery* q = Query("insert into B (ID, MEMO, BIN) values (:ID, :MEMO, :BIN)");
        q->ParamByName("ID")->SetAsInteger(Id);
        q->ParamByName("MEMO")->SetAsString(Memo);
        q->ParamByName("BIN")->SetAsString(Bin);
        q->ExecQuery();
        Tr->CommitRetaining();   // a value its own transaction wrote is never cached
    }
    ISC_QUAD MemoId(Integer Id) {
        TFBQuery* q = Query("select MEMO from B where ID = " + IntToStr(Id));
        q->ExecQuery();
        return q->Fields(0)->AsQuad();
    }
    void EnableCache(Integer MinSize = 0) {
        Db->BlobSwapSupport()->SetSwapDir(swap);
        Db->BlobSwapSupport()->SetMinBlobSizeToSwap(MinSize);
        Db->BlobSwapSupport()->SetActive(true);
    }
    AnsiString ReadCached(Integer Id, const AnsiString& Key, bool* FromCache = nullptr) {
        TFBBlobStream s(nullptr, MemoId(Id), Db, Tr, "B", "MEMO", VarArrayOf({Variant(Key)}));
        s.SetKeyFields("ID");
        const AnsiString r = s.AsString();
        if (FromCache) *FromCache = s.LoadedFromCache();
        return r;
    }

    AnsiString swap;
    static inline int swapCount = 0;
};

TEST_F(FBBlobTest, TextBinaryAndNullBlobsRoundTrip) {
    const AnsiString memo = TurkishText(2 * 65535 + 1);
    const AnsiString bin = BinaryBytes(70000);
    Insert(1, memo, bin);
    TFBQuery* ins = Query("insert into B (ID, MEMO, BIN) values (:ID, :MEMO, :BIN)");
    ins->ParamByName("ID")->SetAsInteger(2);
    ins->ParamByName("MEMO")->SetIsNull(true);
    ins->ParamByName("BIN")->SetAsString("");
    ins->ExecQuery();

    TFBQuery* q = Query("select ID, MEMO, BIN from B where ID in (1, 2) order by ID");
    q->ExecQuery();
    EXPECT_EQ(q->FieldByName("MEMO")->AsString(), memo);
    EXPECT_EQ(q->FieldByName("MEMO")->Value().AsString(), memo);
    EXPECT_EQ(q->FieldByName("BIN")->AsString(), bin);
    q->Next();
    EXPECT_TRUE(q->FieldByName("MEMO")->IsNull());
    EXPECT_EQ(q->FieldByName("MEMO")->AsString(), "");
    EXPECT_FALSE(q->FieldByName("BIN")->IsNull()) << "an empty text is an empty blob, not a null";
    EXPECT_EQ(q->FieldByName("BIN")->AsString(), "");

    // Written in pieces of 65535, 65535 and 1 bytes.
    TFBBlobStream s(nullptr, MemoId(1), Db, Tr);
    EXPECT_EQ(s.Size(), 2 * 65535 + 1);
    EXPECT_EQ(s.BlobNumSegments(), 3);
    EXPECT_EQ(s.BlobMaxSegmentSize(), 65535);
}

TEST_F(FBBlobTest, LongTextIntoAVarcharParameterGoesAsABlob) {
    Insert(3, "x", "y");
    TFBQuery* q = Query("select ID from B where ID = 3 and :T = :T");
    const AnsiString longText = TurkishText(40000);
    q->ParamByName("T")->SetAsString(longText);
    EXPECT_EQ(q->ParamByName("T")->SQLType(), SQLTypeBlob);
    EXPECT_EQ(q->ParamByName("T")->AsString(), "(BLOB)");
}

TEST_F(FBBlobTest, StreamsInAndOutOfParametersAndColumns) {
    TMemoryStream in;
    const AnsiString bin = BinaryBytes(1000);
    in.WriteBuffer(bin.data(), static_cast<Integer>(bin.size()));   // position at the end: read from the start
    TFBQuery* ins = Query("insert into B (ID, BIN) values (4, :BIN)");
    ins->ParamByName("BIN")->LoadFromStream(&in);
    ins->ExecQuery();
    TFBQuery* q = Query("select BIN from B where ID = 4");
    q->ExecQuery();
    TMemoryStream out;
    q->Fields(0)->SaveToStream(&out);
    ASSERT_EQ(out.Size(), 1000);
    EXPECT_EQ(AnsiString(static_cast<const char*>(out.Memory()), 1000), bin);
}

TEST_F(FBBlobTest, AssignCopiesBlobContentBetweenStatements) {
    Insert(5, "Şükrü ığdır", "b");
    TFBQuery* src = Query("select MEMO from B where ID = 5");
    src->ExecQuery();
    TFBQuery* ins = Query("insert into B (ID, MEMO, BIN) values (6, :MEMO, :BIN)");
    ins->Prepare();
    ins->ParamByName("MEMO")->Assign(src->Fields(0));
    ins->ParamByName("BIN")->SetAsString("plain");
    ins->ExecQuery();
    TFBQuery* q = Query("select MEMO, BIN from B where ID = 6");
    q->ExecQuery();
    EXPECT_EQ(q->Fields(0)->AsString(), "Şükrü ığdır");
    EXPECT_EQ(q->Fields(1)->AsString(), "plain");
}

TEST_F(FBBlobTest, StreamStateChecksAndModes) {
    struct Case { TFBDatabase* Db; TFBTransaction* Tr; Integer Error; };
    TFBDatabase closed(nullptr);
    TFBTransaction idle(nullptr);
    idle.SetDefaultDatabase(Db);
    for (const Case& c : {Case{nullptr, Tr, 21}, Case{&closed, Tr, 12}, Case{Db, nullptr, 22}, Case{Db, &idle, 15}}) {
        TFBBlobStream s(nullptr, ISC_QUAD{1, 1}, c.Db, c.Tr);
        if (auto e = Raised<EFBClientError>([&] { s.Size(); })) {
            EXPECT_EQ(e->SQLCode(), c.Error);
            EXPECT_NE(e->Message().find("BlobStream"), AnsiString::npos) << e->Message();
        }
    }
    TFBBlobStream w(nullptr, ISC_QUAD{}, Db, Tr);
    w.SetMode(bmWrite);
    char b[4];
    EXPECT_THROW(w.Read(b, 4), EFBClientError);
    TFBBlobStream r(nullptr, ISC_QUAD{}, Db, Tr);
    r.SetMode(bmRead);
    EXPECT_THROW(r.Write("ab", 2), EFBClientError);
    EXPECT_FALSE(r.Modified());
}

TEST_F(FBBlobTest, SavedCopyRestoresAndFinalizeWritesANewBlob) {
    TList owners;
    auto* s = new TFBBlobStream(&owners, ISC_QUAD{}, Db, Tr);
    EXPECT_EQ(s->OwnerIndex(), 0);
    s->Write("first", 5);
    s->FinalizeAndMark();
    const ISC_QUAD first = s->BlobID();
    EXPECT_FALSE(BlobIDIsZero(first));
    EXPECT_FALSE(s->Modified());
    s->Seek(0, soBeginning);
    s->Write("FIRST!", 6);
    char old[16] = {};
    EXPECT_EQ(s->GetOldSize(), 5);
    EXPECT_EQ(s->ReadOldData(old, 16), 5);
    EXPECT_STREQ(old, "first");
    s->RestoreOldBuffer();
    EXPECT_FALSE(s->Modified());
    EXPECT_EQ(s->AsString(), "first");
    delete s;
    EXPECT_EQ(owners.Items(0), nullptr) << "a freed stream leaves its slot";

    TFBBlobStream back(nullptr, first, Db, Tr);
    EXPECT_EQ(back.AsString(), "first");
    back.Write("F", 1);   // an unsaved edit, then another blob: its first edit is backed up anew
    Insert(7, "seven", "b");
    back.SetBlobID(MemoId(7));
    back.Write("S", 1);
    back.RestoreOldBuffer();
    EXPECT_EQ(back.AsString() + (back.Modified() ? " modified" : ""), "seven");
    // A segment write the server refuses raises its error (and the half-written blob is cancelled).
    const auto put = static_cast<decltype(&isc_put_segment)>([](ISC_STATUS* S, auto, auto, auto) -> ISC_STATUS {
        return S[0] = isc_arg_gds, S[2] = isc_arg_end, S[1] = isc_lock_conflict;
    });
    TFakeLoaderGuard guard;
    Db->Close();
    Db->SetLibraryName(UniqueFakeLibraryName("putseg"));
    TFakeModuleLoader::Instance().Define(Db->LibraryName(), {{}, {{"isc_put_segment", reinterpret_cast<void*>(put)}}});
    Db->Open();
    Tr->StartTransaction();
    TFBBlobStream w(nullptr, ISC_QUAD{}, Db, Tr);
    w.Write("abc", 3);
    const auto e = Raised<EFBInterBaseError>([&] { w.Finalize(); });
    EXPECT_EQ(e ? e->IBErrorCode() : 0, isc_lock_conflict) << "the server's error, the blob cancelled";
}

TEST(FBBlobRoutines, WithoutClientLibraryNameTheRoutine) {
    isc_blob_handle h = 0;
    Integer a, b, c, d;
    char buf[1];
    EXPECT_EQ(MessageOf([&] { GetBlobInfo(nullptr, &h, a, b, c, d); }),
              "Can't perform operation GetBlobInfo. Unknown client library");
    EXPECT_EQ(MessageOf([&] { ReadBlob(nullptr, &h, buf, 1); }),
              "Can't perform operation ReadBlob. Unknown client library");
    EXPECT_EQ(MessageOf([&] { WriteBlob(nullptr, &h, buf, 1); }),
              "Can't perform operation WriteBlob. Unknown client library");
    EXPECT_EQ(MessageOf([&] { BlobExist(nullptr, nullptr, nullptr, ISC_QUAD{}); }),
              "Can't perform operation BlobExist. Unknown client library");
}

TEST(FBBlobCacheFile, EncodesAndRejectsMismatches) {
    const ISC_QUAD id{0x81, 0x12345678};
    const Variant keys = VarArrayOf({Variant(7), Variant("a")});
    EXPECT_EQ(BlobCacheKeyText(keys), "7_a");
    const AnsiString data = EncodeBlobCacheFile(id, "T", "F", keys, "body", 0x123456789LL);
    EXPECT_EQ(data.substr(0, 13), AnsiString("FB$BLOB_BODY\0", 13));
    EXPECT_EQ(data.size(), 33u + 5 + 5 + 7 + 8 + 4);
    AnsiString body;
    Int64 version = 0;
    EXPECT_TRUE(DecodeBlobCacheFile(data, id, 4, "T", "F", keys, body, &version));
    EXPECT_EQ(body + IntToStr(version), "body4886718345");
    EXPECT_FALSE(DecodeBlobCacheFile(data, ISC_QUAD{0x81, 1}, 4, "T", "F", keys, body));
    EXPECT_FALSE(DecodeBlobCacheFile(data, id, 5, "T", "F", keys, body));
    EXPECT_FALSE(DecodeBlobCacheFile(data, id, 4, "T", "G", keys, body));
    EXPECT_FALSE(DecodeBlobCacheFile(data, id, 4, "T", "F", VarArrayOf({Variant(7), Variant("b")}), body));
    EXPECT_FALSE(DecodeBlobCacheFile(data.substr(0, data.size() - 1), id, 4, "T", "F", keys, body))
        << "a cut file is never taken";
    AnsiString badVersion = data;   // the first version's files carry no record version
    badVersion[13] = 1;
    EXPECT_FALSE(DecodeBlobCacheFile(badVersion, id, 4, "T", "F", keys, body));
}

TEST(FBBlobCacheFile, NamesStayInsideTheSwapFolder) {
    TTempFolder folder("blbname");
    const AnsiString dir = folder.File("swap/");
    const AnsiString n = BlobCacheFileName(dir, "..", "A/B", Variant("../../etc/x"), true);
    EXPECT_EQ(n.rfind(dir, 0), 0u);
    EXPECT_EQ(n.find("/../"), AnsiString::npos) << n;
    EXPECT_EQ(BlobCacheFileName(dir, "NOPE", "F", Variant(1), false), "") << "no folder when loading";
}

TEST_F(FBBlobTest, CacheStoresReadsAndDropsMismatchingFiles) {
    const AnsiString memo = TurkishText(3000);
    Insert(10, memo, "b");
    EnableCache();
    bool fromCache = true;
    EXPECT_EQ(ReadCached(10, "10", &fromCache), memo);
    EXPECT_FALSE(fromCache);
    const AnsiString file = swap + "B/MEMO/10.blb";
    ASSERT_TRUE(FileExists(file));
    EXPECT_EQ(ReadCached(10, "10", &fromCache), memo);
    EXPECT_TRUE(fromCache);

    // Another record's file under this key: ignored, deleted, read from the server.
    const AnsiString other = LoadFileToString(file);
    Insert(11, "eleven", "b");
    SaveFileAtomically(swap + "B/MEMO/11.blb", other);
    EXPECT_EQ(ReadCached(11, "11", &fromCache), "eleven");
    EXPECT_FALSE(fromCache);
    ASSERT_TRUE(FileExists(swap + "B/MEMO/11.blb")) << "written again with the right contents";
    EXPECT_EQ(ReadCached(11, "11", &fromCache), "eleven");
    EXPECT_TRUE(fromCache);
    // A file of an older record version.
    SaveFileAtomically(file, EncodeBlobCacheFile(MemoId(10), "B", "MEMO", Variant("10"), AnsiString(memo.size(), 'x'),
                                                 1));
    EXPECT_EQ(ReadCached(10, "10", &fromCache), memo);
    EXPECT_FALSE(fromCache);

    // Hooks may veto.
    Db->BeforeLoadBlobFromSwap = [](const AnsiString&, const AnsiString&, const Variant&,
                                 AnsiString&, bool& CanLoad) { CanLoad = false; };
    EXPECT_EQ(ReadCached(10, "10", &fromCache), memo);
    EXPECT_FALSE(fromCache);
}

TEST_F(FBBlobTest, ACacheFileOfAnEarlierWriteIsNeverTakenForTheStoredValue) {
    Insert(12, "text ar000", "b");
    EnableCache();
    bool fromCache = true;
    ReadCached(12, "12");
    const Int64 first = StrToInt64(Scalar("select rdb$record_version from B where ID = 12"));
    // Rewritten elsewhere to a text of the same length and the same weak hash, under the old blob id.
    DB1().Execute("UPDATE B SET MEMO = 'text bb000' WHERE ID = 12");
    SaveFileAtomically(swap + "B/MEMO/12.blb",
                       EncodeBlobCacheFile(MemoId(12), "B", "MEMO", Variant("12"), "text ar000", first));
    EXPECT_EQ(ReadCached(12, "12", &fromCache), "text bb000");
    EXPECT_FALSE(fromCache);
    // Written by the reading transaction: it may be written again before its end, so never kept.
    Query("update B set MEMO = 'text cc000' where ID = 12")->ExecQuery();
    ReadCached(12, "12");
    EXPECT_EQ(ReadCached(12, "12", &fromCache), "text cc000");
    EXPECT_FALSE(fromCache);
}

TEST_F(FBBlobTest, SmallBlobsStayOutOfTheCache) {
    Insert(20, AnsiString(999, 'k'), "b");
    Insert(21, AnsiString(1000, 'k'), "b");
    EnableCache(1000);
    ReadCached(20, "20");
    ReadCached(21, "21");
    EXPECT_FALSE(FileExists(swap + "B/MEMO/20.blb"));
    EXPECT_TRUE(FileExists(swap + "B/MEMO/21.blb"));
}

TEST_F(FBBlobTest, ValidationDropsFilesOfVanishedBlobs) {
    Insert(30, TurkishText(500), "b");
    Tr->Commit();
    Tr->StartTransaction();
    EnableCache();
    ReadCached(30, "30");
    const AnsiString good = swap + "B/MEMO/30.blb";
    ASSERT_TRUE(FileExists(good));
    ForceDirectories(swap + "B/MEMO/deeper/");
    const AnsiString gone = swap + "B/MEMO/deeper/31.blb";
    SaveFileAtomically(gone, EncodeBlobCacheFile(ISC_QUAD{0x7F00, 0x7FFFFF}, "B", "MEMO", Variant(31), "zz"));
    const AnsiString junk = swap + "B/MEMO/32.blb";
    SaveFileAtomically(junk, "not a cache file");
    const AnsiString other = swap + "B/MEMO/keep.txt";
    SaveFileAtomically(other, "x");

    StartValidateBlobCache(Db);
    WaitForBlobCacheValidation();
    EXPECT_TRUE(FileExists(good));
    EXPECT_FALSE(FileExists(gone));
    EXPECT_FALSE(FileExists(junk));
    EXPECT_TRUE(FileExists(other)) << "only *.blb files are judged";
}

}  // namespace

namespace {

TEST_F(FBBlobTest, EveryConnectValidatesTheCacheAndSwapEventsLiveOnTheDatabase) {
    Insert(40, TurkishText(300), "b");
    Tr->Commit();
    Tr->StartTransaction();
    EnableCache();
    std::vector<AnsiString> log;
    Db->BeforeSaveBlobToSwap = [&log](const AnsiString& T, const AnsiString& F, const Variant&, TFBBlobStream* S,
                                      AnsiString&, bool&) { log.push_back("bs " + T + "." + F + " " + IntToStr(S->Size())); };
    Db->AfterSaveBlobToSwap = [&log](const AnsiString&, const AnsiString&, const Variant&, const AnsiString& N) {
        log.push_back("as " + ExtractFileName(N));
    };
    Db->AfterLoadBlobFromSwap = [&log](const AnsiString&, const AnsiString&, const Variant&, const AnsiString& N) {
        log.push_back("al " + ExtractFileName(N));
    };
    ReadCached(40, "40");
    ReadCached(40, "40");
    EXPECT_EQ(log, (std::vector<AnsiString>{"bs B.MEMO 300", "as 40.blb", "al 40.blb"}));
    const AnsiString gone = swap + "B/MEMO/41.blb";
    SaveFileAtomically(gone, EncodeBlobCacheFile(ISC_QUAD{0x7F00, 0x7FFFFF}, "B", "MEMO", Variant(41), "zz"));
    Tr->Commit();
    Db->Close();
    Db->Open();   // starts the validation thread
    WaitForBlobCacheValidation();
    EXPECT_FALSE(FileExists(gone));
    EXPECT_TRUE(FileExists(swap + "B/MEMO/40.blb"));

    // Without an active cache a connect starts nothing.
    SaveFileAtomically(gone, EncodeBlobCacheFile(ISC_QUAD{0x7F00, 0x7FFFFF}, "B", "MEMO", Variant(41), "zz"));
    Db->BlobSwapSupport()->SetActive(false);
    Db->Close();
    Db->Open();
    WaitForBlobCacheValidation();
    EXPECT_TRUE(FileExists(gone));
}

}  // namespace
