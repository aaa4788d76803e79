// The data set's properties kept in a form file: option bits that differ from
// their defaults, read back in the loading state.
#include "datasets/FBDataSet.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class FBDataSetStoredTest : public ::testing::Test {
protected:
    void SetUp() override {
        Owner = std::make_unique<TComponent>(nullptr);
        Ds = new TFBDataSet(Owner.get());
        Ds->SetName("ds");
    }
    static AnsiString Written(TFBCustomDataSet* D, TFBCustomDataSet* Ancestor = nullptr) {
        TStringList L;
        D->WriteStoredProperties(&L, Ancestor);
        return L.Text();
    }
    void Read(const AnsiString& Text) {
        TStringList L;
        L.SetText(Text);
        Ds->ReadStoredProperties(&L);
    }

    std::unique_ptr<TComponent> Owner;
    TFBDataSet* Ds = nullptr;
};

TEST_F(FBDataSetStoredTest, OnlyBitsThatDifferFromTheDefaultsAreWritten) {
    EXPECT_EQ(Written(Ds), "");
    struct Case {
        std::function<void(TFBDataSet*)> Change;
        const char* Line;
    };
    const Case Cases[] = {
        {[](TFBDataSet* D) { D->SetOptions(D->Options().Exclude(poTrimCharFields)); }, "oTrimCharFields=False"},
        {[](TFBDataSet* D) { D->SetOptions(D->Options().Include(poFetchAll)); }, "oFetchAll=True"},
        {[](TFBDataSet* D) { D->SetPrepareOptions(D->PrepareOptions().Include(psSQLINT64ToBCD)); },
         "poSQLINT64ToBCD=True"},
        {[](TFBDataSet* D) { D->SetPrepareOptions(D->PrepareOptions().Exclude(psSetEmptyStrToNull)); },
         "poEmptyStrToNull=False"},
        {[](TFBDataSet* D) { D->SetDetailConditions({dcForceOpen}); }, "dcForceOpen=True"},
    };
    for (const Case& C : Cases) {
        auto* D = new TFBDataSet(Owner.get());
        C.Change(D);
        EXPECT_EQ(Written(D), AnsiString(C.Line) + "\r\n") << C.Line;
        delete D;
    }
}

TEST_F(FBDataSetStoredTest, WrittenLinesReadBackIntoAnotherDataSet) {
    Ds->SetOptions(TpFBDsOptions{poKeepSorting, poVisibleRecno});
    Ds->SetPrepareOptions(TpPrepareOptions{psAskRecordCount, pfSetRequiredFields});
    Ds->SetDetailConditions({dcIgnoreMasterClose, dcForceMasterRefresh});
    TStringList L;
    Ds->WriteStoredProperties(&L);
    auto* Back = new TFBDataSet(Owner.get());
    Back->ReadStoredProperties(&L);
    EXPECT_EQ(Back->Options(), Ds->Options());
    EXPECT_EQ(Back->PrepareOptions(), Ds->PrepareOptions());
    EXPECT_EQ(Back->DetailConditions(), Ds->DetailConditions());
    EXPECT_FALSE(Back->ComponentState().Contains(csLoading));
}

TEST_F(FBDataSetStoredTest, ReadingChangesOnlyTheNamedBits) {
    Read("poSQLINT64ToBCD=True\r\nobjectview=True");
    EXPECT_EQ(Ds->PrepareOptions(), DefaultPrepareOptions + TpPrepareOptions{psSQLINT64ToBCD});
    EXPECT_EQ(Ds->Options(), DefaultDsOptions);
    Read("BufferChunks=50");
    EXPECT_EQ(Ds->CacheModelOptions()->BufferChunks(), 50);
    EXPECT_EQ(Written(Ds), "poSQLINT64ToBCD=True\r\n") << "BufferChunks is never written";
}

TEST_F(FBDataSetStoredTest, BadValuesAndUnknownNamesAreRefused) {
    for (const char* Text : {"BufferChunks=many", "oFetchAll=maybe", "oFetchAll=", "NoSuchOption=True"}) {
        EXPECT_THROW(Read(Text), EReadError) << Text;
        EXPECT_FALSE(Ds->ComponentState().Contains(csLoading)) << Text;
    }
    EXPECT_FALSE(Ds->Options().Contains(poFetchAll));
}

TEST_F(FBDataSetStoredTest, AnAncestorsBitsAreNotWrittenAgain) {
    auto* Ancestor = new TFBDataSet(Owner.get());
    Ancestor->SetOptions(Ancestor->Options().Include(poKeepSorting));
    Ds->SetOptions(Ds->Options().Include(poKeepSorting).Exclude(poStartTransaction));
    EXPECT_EQ(Written(Ds, Ancestor), "oStartTransaction=False\r\n");
    Ds->SetOptions(DefaultDsOptions);
    EXPECT_EQ(Written(Ds, Ancestor), "oKeepSorting=False\r\n");
}

TEST_F(FBDataSetStoredTest, TheLimitedModelIsAcceptedWhileLoading) {
    Ds->SelectSQL()->SetText("select * from T");
    EXPECT_THROW(Ds->CacheModelOptions()->SetCacheModelKind(cmkLimitedBufferSize), EFBClientError);
    Ds->BeginLoading();
    Ds->CacheModelOptions()->SetCacheModelKind(cmkLimitedBufferSize);
    Ds->EndLoading();
    EXPECT_EQ(Ds->CacheModelOptions()->CacheModelKind(), cmkLimitedBufferSize);
    EXPECT_EQ(Ds->CacheModelOptions()->BufferChunks(), 100);
}

}  // namespace
