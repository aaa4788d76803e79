#include "platform/rtl/System.h"

#include <gtest/gtest.h>

namespace {
enum TOpt { opA, opB, opC };
class TSample : public TObject {};
}

TEST(System, ClassNameDropsScope)
{
    TSample s;
    EXPECT_EQ(s.ClassName(), "TSample");
}

TEST(System, SetOperations)
{
    TSet<TOpt> s{opA, opC};
    EXPECT_TRUE(s.Contains(opA));
    EXPECT_FALSE(s.Contains(opB));
    s -= TSet<TOpt>{opA};
    EXPECT_EQ(s, TSet<TOpt>{opC});
}

TEST(System, LiteralsAreCodePage1254)
{
    // "ğ" is 0xF0 in code page 1254.
    const AnsiString s = "ğ";
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(static_cast<unsigned char>(s[0]), 0xF0);
}
