#include "dbclient/FBParamBlocks.h"
#include "dbclient/FBErrorKit.h"

#include <gtest/gtest.h>

#include "dbclient/FBMessages.h"
#include "dbclient/ibase.h"

namespace {

AnsiString Bytes(std::initializer_list<int> B) {
    AnsiString s;
    for (int b : B) s += static_cast<char>(b);
    return s;
}

AnsiString DPBOf(std::initializer_list<const char*> Lines, TStringList* Keep = nullptr) {
    TStringList local;
    TStringList& l = Keep ? *Keep : local;
    for (const char* s : Lines) l.Add(s);
    AnsiString dpb;
    Word len = 0;
    GenerateDPB(&l, dpb, len);
    EXPECT_EQ(len, dpb.size());
    return dpb;
}

AnsiString TPBOf(std::initializer_list<const char*> Lines, Word* Length = nullptr) {
    TStringList l;
    for (const char* s : Lines) l.Add(s);
    AnsiString tpb;
    Word len = 0;
    GenerateTPB(&l, tpb, len);
    if (Length) *Length = len;
    return tpb;
}

struct TDPBCase {
    const char* Line;
    AnsiString Expected;   // after the version byte
};

class DPBItemTest : public ::testing::TestWithParam<TDPBCase> {};

TEST_P(DPBItemTest, EncodesItem) {
    EXPECT_EQ(DPBOf({GetParam().Line}), Bytes({isc_dpb_version1}) + GetParam().Expected) << GetParam().Line;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DPBItemTest,
    ::testing::Values(
        TDPBCase{"isc_dpb_user_name=ABCDEF", Bytes({isc_dpb_user_name, 6}) + "ABCDEF"},
        TDPBCase{"USER_NAME=ABCDEF", Bytes({isc_dpb_user_name, 6}) + "ABCDEF"},
        TDPBCase{"  user_name=ABCDEF \t", Bytes({isc_dpb_user_name, 6}) + "ABCDEF"},
        TDPBCase{"password=masterkey", Bytes({isc_dpb_password, 9}) + "masterkey"},
        TDPBCase{"lc_ctype=WIN1254", Bytes({isc_dpb_lc_ctype, 7}) + "WIN1254"},
        TDPBCase{"sql_role_name=", Bytes({isc_dpb_sql_role_name, 0})},
        TDPBCase{"num_buffers=200", Bytes({isc_dpb_num_buffers, 1, 200})},
        TDPBCase{"force_write=1", Bytes({isc_dpb_force_write, 1, 1})},
        TDPBCase{"connect_timeout=30", Bytes({isc_dpb_connect_timeout, 1, 30})},
        TDPBCase{"garbage_collect", Bytes({isc_dpb_garbage_collect, 1, 0})},
        TDPBCase{"no_garbage_collect=whatever", Bytes({isc_dpb_no_garbage_collect, 1, 0})},
        TDPBCase{"sweep=77", Bytes({isc_dpb_sweep, 1, 2})},
        TDPBCase{"sweep_interval=300", Bytes({isc_dpb_sweep_interval, 4, 44, 1, 0, 0})},
        TDPBCase{"sweep_interval=-1", Bytes({isc_dpb_sweep_interval, 4, 255, 255, 255, 255})},
        TDPBCase{"sql_dialect=3", Bytes({isc_dpb_sql_dialect, 1, 3})},
        TDPBCase{"isc_dpb_sql_dialect=1", Bytes({isc_dpb_sql_dialect, 1, 1})},
        TDPBCase{"", AnsiString()}));

TEST(FBParamBlocks, LinesAreWrittenBackTrimmed) {
    TStringList l;
    DPBOf({"  user_name=SYSDBA  ", "\tpassword=x"}, &l);
    EXPECT_EQ(l.Strings(0), "user_name=SYSDBA");
    EXPECT_EQ(l.Strings(1), "password=x");
}

TEST(FBParamBlocks, SeveralLinesFollowEachOther) {
    EXPECT_EQ(DPBOf({"user_name=SYSDBA", "password=pw", "sql_dialect=1"}),
              Bytes({1, isc_dpb_user_name, 6}) + "SYSDBA" + Bytes({isc_dpb_password, 2}) + "pw" +
                  Bytes({isc_dpb_sql_dialect, 1, 1}));
}

struct TBadLine { const char* Line; Integer Code; const char* Message; };

class DPBErrorTest : public ::testing::TestWithParam<TBadLine> {};

TEST_P(DPBErrorTest, RaisesTableError) {
    TStringList l;
    l.Add(GetParam().Line);
    AnsiString dpb = "kept";
    Word len = 4;
    EXPECT_TRUE(RaisesCode([&] { GenerateDPB(&l, dpb, len); }, GetParam().Code, GetParam().Message)) << GetParam().Line;
    EXPECT_EQ(dpb, "kept");
    EXPECT_EQ(len, 4);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DPBErrorTest,
    ::testing::Values(TBadLine{"page_size=8192", 8, "DPB Constant (isc_dpb_page_size) is unsupported."},
                      TBadLine{"isc_dpb_trace", 8, "DPB Constant (isc_dpb_trace) is unsupported."},
                      TBadLine{"foo=1", 9, "DPB Constant (foo) is unknown."},
                      TBadLine{"ISC_DPB_FOO=1", 9, "DPB Constant (foo) is unknown."},
                      // a blank before "=" stays part of the name
                      TBadLine{"user_name =x", 9, "DPB Constant (user_name ) is unknown."}));

TEST(FBParamBlocks, NumberBeyondOneByteTakesFourBytes) {
    // A cut byte would silently ask for something else (300 buffers -> 44).
    EXPECT_EQ(DPBOf({"num_buffers=300"}), Bytes({1, isc_dpb_num_buffers, 4, 44, 1, 0, 0}));
    EXPECT_EQ(DPBOf({"dummy_packet_interval=256"}), Bytes({1, isc_dpb_dummy_packet_interval, 4, 0, 1, 0, 0}));
    EXPECT_EQ(DPBOf({"num_buffers=255"}), Bytes({1, isc_dpb_num_buffers, 1, 255}));
    EXPECT_EQ(DPBOf({"connect_timeout=-1"}), Bytes({1, isc_dpb_connect_timeout, 4, 255, 255, 255, 255}));
    for (const char* line : {"num_buffers=4294967296", "sweep_interval=99999999999"}) {
        TStringList l;
        l.Add(line);
        AnsiString dpb;
        Word len = 0;
        EXPECT_THROW(GenerateDPB(&l, dpb, len), EFBClientError) << line;
    }
}

TEST(FBParamBlocks, TextLongerThanLengthByteIsRefused) {
    TStringList l;
    l.Add("password=" + AnsiString(255, 'p'));
    AnsiString dpb;
    Word len = 0;
    GenerateDPB(&l, dpb, len);
    EXPECT_EQ(len, 1 + 2 + 255);
    l.SetStrings(0, "password=" + AnsiString(256, 'p'));
    EXPECT_THROW(GenerateDPB(&l, dpb, len), EFBClientError);
    EXPECT_EQ(len, 1 + 2 + 255);
}

TEST(FBParamBlocks, NumberValueMustBeNumeric) {
    TStringList l;
    l.Add("num_buffers=many");
    AnsiString dpb;
    Word len = 0;
    EXPECT_THROW(GenerateDPB(&l, dpb, len), EConvertError);
    l.SetStrings(0, "sql_dialect=x");
    EXPECT_THROW(GenerateDPB(&l, dpb, len), EConvertError);
}

TEST(FBParamBlocks, ReadCommittedPreset) {
    Word len = 0;
    AnsiString tpb = TPBOf({"write", "isc_tpb_nowait", "rec_version", "read_committed"}, &len);
    EXPECT_EQ(tpb, Bytes({isc_tpb_version3, isc_tpb_write, isc_tpb_nowait, isc_tpb_rec_version,
                          isc_tpb_read_committed}));
    EXPECT_EQ(tpb, Bytes({3, 9, 7, 17, 15}));
    EXPECT_EQ(len, 5);
}

TEST(FBParamBlocks, TPBLockTablesAndEmptyLines) {
    Word len = 0;
    EXPECT_EQ(TPBOf({"lock_write=MYTABLE"}, &len), Bytes({3, isc_tpb_lock_write, 7}) + "MYTABLE");
    EXPECT_EQ(len, 10);
    EXPECT_EQ(TPBOf({"concurrency", "", "isc_tpb_lock_read=T"}, &len),
              Bytes({3, isc_tpb_concurrency, isc_tpb_lock_read, 1}) + "T");
    EXPECT_EQ(len, 5);
    EXPECT_EQ(TPBOf({}, &len), "");
    EXPECT_EQ(len, 0);
    EXPECT_EQ(TPBOf({"", "  "}, &len), Bytes({3}));
    EXPECT_EQ(len, 1);
}

TEST(FBParamBlocks, TPBErrors) {
    for (auto [line, code, msg] : {TBadLine{"autocommit", 10, "TPB Constant (isc_tpb_autocommit) is unsupported."},
                                   TBadLine{"isc_tpb_verb_time", 10, "TPB Constant (isc_tpb_verb_time) is unsupported."},
                                   TBadLine{"snapshot", 11, "TPB Constant (snapshot) is unknown."}}) {
        TStringList l;
        l.Add(line);
        AnsiString tpb;
        Word len = 0;
        EXPECT_TRUE(RaisesCode([&] { GenerateTPB(&l, tpb, len); }, code, msg)) << line;
    }
}

TEST(FBParamBlocks, NamesAndCodes) {
    EXPECT_EQ(DPBName(28), "user_name");
    EXPECT_EQ(DPBName(1), "cdd_pathname");
    EXPECT_EQ(DPBName(67), "gstat_attach");
    EXPECT_EQ(DPBName(0), "");
    EXPECT_EQ(DPBName(68), "");
    EXPECT_EQ(TPBName(15), "read_committed");
    EXPECT_EQ(TPBName(21), "");
    for (Integer c = 1; c <= DPBNameCount; ++c) EXPECT_EQ(DPBCode(DPBName(c)), c);
    for (Integer c = 1; c <= TPBNameCount; ++c) EXPECT_EQ(TPBCode("isc_tpb_" + TPBName(c)), c);
    EXPECT_EQ(DPBCode("ISC_DPB_LC_CTYPE"), isc_dpb_lc_ctype);
}

}  // namespace
