#include "platform/rtl/Guid.h"
#include "platform/Raised.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(Guid, TextRoundTrip)
{
    TGUID G;
    G.D1 = 0x0123ABCD;
    G.D2 = 0x4567;
    G.D3 = 0x89EF;
    const Byte D4[8] = {0x00, 0x11, 0xA2, 0xB3, 0xC4, 0xD5, 0xE6, 0xFF};
    for (int I = 0; I < 8; ++I) G.D4[I] = D4[I];
    EXPECT_EQ(GUIDToString(G), "{0123ABCD-4567-89EF-0011-A2B3C4D5E6FF}");
    EXPECT_TRUE(IsEqualGUID(StringToGUID("{0123abcd-4567-89ef-0011-a2b3c4d5e6ff}"), G));
}

TEST(Guid, BadTextIsRejected)
{
    const char* Bad[] = {
        "",
        "0123ABCD-4567-89EF-0011-A2B3C4D5E6FF",
        "{0123ABCD-4567-89EF-0011-A2B3C4D5E6F}",
        "{0123ABCD-4567-89EF-0011-A2B3C4D5E6FG}",
        "{0123ABCD-4567-89EF+0011-A2B3C4D5E6FF}",
        "{0123ABCD-4567-89EF-0011-A2B3C4D5E6FF}x",
    };
    for (const char* S : Bad) {
        TGUID G;
        EXPECT_FALSE(TryStringToGUID(S, G)) << S;
        EXPECT_EQ(MessageOf<EConvertError>([&] { StringToGUID(S); }),
                  AnsiString("'") + S + "' is not a valid GUID value") << S;
    }
}

TEST(Guid, NewOnesAreVersion4AndDistinct)
{
    std::set<AnsiString> Seen;
    for (int I = 0; I < 200; ++I) {
        TGUID G;
        EXPECT_EQ(CreateGUID(G), 0);
        EXPECT_EQ(G.D3 >> 12, 4);
        EXPECT_EQ(G.D4[0] & 0xC0, 0x80);
        AnsiString S = GUIDToString(G);
        EXPECT_TRUE(StringToGUID(S) == G);
        Seen.insert(S);
    }
    EXPECT_EQ(Seen.size(), 200u);
}

}  // namespace
