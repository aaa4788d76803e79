#include "transfer/InvoiceKind.h"

#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

namespace {

struct TClockCase {
    Word Y, M, D, H, N, S;
    const char* Expected;
};

class InvoiceReferenceNo : public ::testing::TestWithParam<TClockCase> {
protected:
    void TearDown() override { SetNowProvider({}); }
};

TEST_P(InvoiceReferenceNo, IsNineThenTheDateAndTimeInFifteenCharacters) {
    const TClockCase& C = GetParam();
    SetNowProvider([C] { return EncodeDate(C.Y, C.M, C.D) + EncodeTime(C.H, C.N, C.S, 0); });
    EXPECT_EQ(NewInvoiceReferenceNo(), C.Expected);
}

// Midnight keeps its zeros: the number never gets shorter.
INSTANTIATE_TEST_SUITE_P(Clock, InvoiceReferenceNo,
                         ::testing::Values(TClockCase{2016, 3, 15, 10, 20, 30, "920160315102030"},
                                           TClockCase{2016, 12, 31, 23, 59, 59, "920161231235959"},
                                           TClockCase{2016, 1, 2, 0, 0, 0, "920160102000000"},
                                           TClockCase{2003, 7, 9, 4, 5, 6, "920030709040506"}));

TEST(InvoiceReferenceNo, TwoWithinOneSecondAreEqual) {
    SetNowProvider([] { return EncodeDate(2016, 3, 15) + EncodeTime(8, 0, 1, 100); });
    const AnsiString First = NewInvoiceReferenceNo();
    SetNowProvider([] { return EncodeDate(2016, 3, 15) + EncodeTime(8, 0, 1, 900); });
    EXPECT_EQ(NewInvoiceReferenceNo(), First);
    SetNowProvider({});
}

TEST(SqlStringValue, DoublesEveryDoubleQuoteAndKeepsTheRest) {
    EXPECT_EQ(SqlStringValue(""), "");
    EXPECT_EQ(SqlStringValue("Mart 2016"), "Mart 2016");
    EXPECT_EQ(SqlStringValue("a\"b"), "a\"\"b");
    EXPECT_EQ(SqlStringValue("\"\""), "\"\"\"\"");
    EXPECT_EQ(SqlStringValue("it's"), "it's");
}

}  // namespace
