#include "platform/rtl/System.h"

#include <gtest/gtest.h>

#include "support/SourceEvents.h"

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

// Every layer raises its events through FireEvent's copy: a handler that frees
// the object holding it still runs to its end. Read from the whole program.
TEST(System, NoHandlerIsCalledOnItsMember)
{
    const TDirectEventCalls found = DirectEventCalls();
    // Strategies handed over at construction and never replaced, not events.
    const std::set<std::string> strategies{"FLikeFunc", "FDateFunc", "FFactory", "FReadText", "FWriteText"};
    for (const std::string& c : found.Calls)
        EXPECT_TRUE(strategies.count(c.substr(c.rfind(' ') + 1))) << c << ": call it through FireEvent";
    // A method shares the name; their calls were read by hand.
    EXPECT_EQ(found.Ambiguous, (std::set<std::string>{"DatabaseDisconnecting", "Get", "OnTimer", "Set"}));
}
