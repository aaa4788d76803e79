#include "platform/rtl/CodePage.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <random>

namespace {

// The C library's own code page table serves as an independent reference.
std::string IconvToUtf8(unsigned char b)
{
    iconv_t cd = iconv_open("UTF-8", "CP1254");
    if (cd == reinterpret_cast<iconv_t>(-1)) return "";
    char in[1] = {static_cast<char>(b)};
    char out[8] = {};
    char* pin = in;
    char* pout = out;
    size_t inLeft = 1, outLeft = sizeof out;
    size_t r = iconv(cd, &pin, &inLeft, &pout, &outLeft);
    iconv_close(cd);
    return r == static_cast<size_t>(-1) ? "" : std::string(out, pout);
}

std::string AllBytes()
{
    std::string s;
    for (int b = 0; b < 256; ++b) s += static_cast<char>(b);
    return s;
}

}  // namespace

TEST(CodePage, EveryByteMatchesTheSystemTable)
{
    int checked = 0;
    for (int b = 1; b < 256; ++b) {
        std::string ref = IconvToUtf8(static_cast<unsigned char>(b));
        if (ref.empty()) continue;  // unassigned in the reference
        EXPECT_EQ(AnsiToUtf8(std::string(1, static_cast<char>(b))), ref) << "byte " << b;
        ++checked;
    }
    EXPECT_EQ(checked, 248);  // 255 minus the unassigned bytes
}

TEST(CodePage, AllBytesRoundTripThroughUtf8AndUtf16)
{
    const std::string all = AllBytes();
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
    EXPECT_EQ(WideToAnsi(AnsiToWide(all)), all);
    EXPECT_EQ(WideToUtf8(AnsiToWide(all)), AnsiToUtf8(all));
    EXPECT_EQ(Utf8ToWide(AnsiToUtf8(all)), AnsiToWide(all));
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(UnicodeToCp1254(Cp1254ToUnicode(static_cast<unsigned char>(b))), b);
}

namespace {
std::string U8(const char8_t* s) { return std::string(reinterpret_cast<const char*>(s)); }
}  // namespace

TEST(CodePage, TurkishLettersAndLiterals)
{
    // Narrow literals are compiled to code page 1254.
    EXPECT_EQ(std::string("ğ"), "\xF0");
    EXPECT_EQ(AnsiToUtf8("Kayıt Tamamlandı. ĞÜŞİÖÇ €"), U8(u8"Kayıt Tamamlandı. ĞÜŞİÖÇ €"));
    EXPECT_EQ(Utf8ToAnsi(U8(u8"Şubat İzmir")), "Şubat İzmir");
    EXPECT_EQ(WideToAnsi(u"Ağustos"), "Ağustos");
    EXPECT_EQ(AnsiToWide("Ağustos"), u"Ağustos");
}

TEST(CodePage, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(Utf8ToAnsi(U8(u8"a\u0416b")), "a?b");           // Cyrillic
    EXPECT_EQ(Utf8ToAnsi(U8(u8"x\U0001F600y")), "x?y");       // outside the BMP
    EXPECT_EQ(WideToAnsi(u"x\U0001F600y"), "x?y");            // one '?' for a surrogate pair
    EXPECT_EQ(Utf8ToWide(U8(u8"\U0001F600")), u"\U0001F600");  // kept between Unicode forms
    EXPECT_EQ(WideToUtf8(u"\U0001F600"), U8(u8"\U0001F600"));
}

TEST(CodePage, MalformedInputGivesQuestionMarks)
{
    struct Case { std::string in; std::string out; };
    const Case cases[] = {
        {"a\xC3", "a?"},             // truncated sequence
        {"\xC3(", "?("},             // bad continuation
        {"\xC0\xAF", "??"},          // overlong form
        {"\xED\xA0\x80", "?"},       // encoded surrogate
        {"\xFF", "?"},
        {"\x80x", "?x"},             // stray continuation byte
    };
    for (const Case& c : cases) EXPECT_EQ(Utf8ToAnsi(c.in), c.out) << c.in;
    EXPECT_EQ(WideToAnsi(std::u16string(1, char16_t(0xD800)) + u"a"), "?a");
    EXPECT_EQ(WideToUtf8(std::u16string(1, char16_t(0xDC00))), "?");
}

TEST(CodePage, TurkishCase)
{
    const std::string lower = "abcçdefgğhıijklmnoöpqrsştuüvwxyzâîûéšœÿ";
    const std::string upper = "ABCÇDEFGĞHIİJKLMNOÖPQRSŞTUÜVWXYZÂÎÛÉŠŒŸ";
    ASSERT_EQ(lower.size(), upper.size());
    for (size_t i = 0; i < lower.size(); ++i) {
        EXPECT_EQ(AnsiUpperChar(lower[i]), upper[i]) << i;
        EXPECT_EQ(AnsiLowerChar(upper[i]), lower[i]) << i;
        EXPECT_TRUE(IsAnsiLetter(lower[i]));
    }
    for (char c : std::string("0129 .,;ß×÷µ"))
        EXPECT_EQ(AnsiUpperChar(c), c);
    EXPECT_FALSE(IsAnsiLetter('1'));
    EXPECT_FALSE(IsAnsiLetter('\xD7'));  // ×
}

TEST(CodePage, RandomBytesConvertWithoutLoss)
{
    std::mt19937 rng(5);
    for (int i = 0; i < 3000; ++i) {
        std::string bytes(rng() % 40, ' ');
        for (char& c : bytes) c = static_cast<char>(rng());
        // Any code page text survives UTF-8 and UTF-16.
        EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(bytes)), bytes);
        EXPECT_EQ(WideToAnsi(AnsiToWide(bytes)), bytes);
        // Read as UTF-8 it gives at most one character per byte, and valid UTF-16.
        const AnsiString a = Utf8ToAnsi(bytes);
        EXPECT_LE(a.size(), bytes.size());
        const WideString w = Utf8ToWide(bytes);
        EXPECT_EQ(Utf8ToWide(WideToUtf8(w)), w);
        // Arbitrary UTF-16 units (unpaired surrogates among them) likewise.
        std::u16string units(rng() % 20, u' ');
        for (char16_t& u : units) u = static_cast<char16_t>(rng());
        EXPECT_LE(WideToAnsi(units).size(), units.size());
        EXPECT_LE(Utf8ToWide(WideToUtf8(units)).size(), units.size());
    }
}
