#include "entry/Util3a.h"

#include <gtest/gtest.h>

namespace {

struct TReplaceCase {
    const char* S;
    const char* Old;
    const char* New;
    const char* Expected;
};

class ReplaceAllCases : public ::testing::TestWithParam<TReplaceCase> {};

TEST_P(ReplaceAllCases, GivesTheExpectedText) {
    const TReplaceCase& C = GetParam();
    EXPECT_EQ(AnsiString(C.Expected), ReplaceAll(C.S, C.Old, C.New));
}

INSTANTIATE_TEST_SUITE_P(
    Util3a, ReplaceAllCases,
    ::testing::Values(
        TReplaceCase{"a,b,c", ",", ".", "a.b.c"}, TReplaceCase{"", ",", ".", ""}, TReplaceCase{"abc", "x", "y", "abc"},
        TReplaceCase{"aaa", "aa", "b", "ba"}, TReplaceCase{"aaaa", "aa", "b", "bb"},   // left to right, no overlap
        TReplaceCase{"a,b", ",", "", "a,b"}, TReplaceCase{"a,b", "", ".", "a,b"},      // empty New never deletes
        TReplaceCase{"ab", "abc", "x", "ab"},           // pattern longer than the text
        TReplaceCase{"aXa", "a", "aa", "aaXaa"},        // a replacement is not searched again
        TReplaceCase{"İi", "i", "I", "İI"},            // case-sensitive, bytes of code page 1254
        TReplaceCase{"1250,5,", ",", ".", "1250.5."}));

TEST(Util3a, KeepsEmbeddedZeroBytes) {
    AnsiString S("a\0,b", 4);
    EXPECT_EQ(AnsiString("a\0.b", 4), ReplaceAll(S, ",", "."));
}

}  // namespace
