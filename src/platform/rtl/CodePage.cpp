#include "platform/rtl/CodePage.h"

#include <array>

namespace {

// 0x80..0x9F; unassigned bytes keep their own value (C1 controls) so round trips are lossless.
constexpr char16_t kHigh80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x008E, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178,
};

constexpr char32_t ByteToUnicode(unsigned char b)
{
    if (b < 0x80) return b;
    if (b < 0xA0) return kHigh80[b - 0x80];
    switch (b) {
    case 0xD0: return 0x011E;  // Ğ
    case 0xDD: return 0x0130;  // İ
    case 0xDE: return 0x015E;  // Ş
    case 0xF0: return 0x011F;  // ğ
    case 0xFD: return 0x0131;  // ı
    case 0xFE: return 0x015F;  // ş
    default: return b;
    }
}

struct Tables {
    char upper[256];
    char lower[256];
    bool letter[256];
};

Tables MakeTables()
{
    Tables t{};
    for (int i = 0; i < 256; ++i) {
        t.upper[i] = t.lower[i] = static_cast<char>(i);
        t.letter[i] = false;
    }
    auto pair = [&](int lo, int up) {
        t.upper[lo] = static_cast<char>(up);
        t.lower[up] = static_cast<char>(lo);
        t.letter[lo] = t.letter[up] = true;
    };
    for (int c = 'a'; c <= 'z'; ++c) pair(c, c - 32);
    for (int c = 0xE0; c <= 0xFE; ++c)
        if (c != 0xF7) pair(c, c - 32);
    pair(0x9A, 0x8A);  // š Š
    pair(0x9C, 0x8C);  // œ Œ
    pair(0xFF, 0x9F);  // ÿ Ÿ
    // Turkish dotted and dotless i
    pair('i', 0xDD);
    pair(0xFD, 'I');
    t.letter[0xDF] = true;  // ß has no capital here
    t.letter[0x83] = true;  // ƒ
    t.letter[0xAA] = t.letter[0xBA] = t.letter[0xB5] = true;
    return t;
}

const Tables& Case()
{
    static const Tables t = MakeTables();
    return t;
}

void PutUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

constexpr char32_t kBad = 0xFFFFFFFF;

// Decodes one UTF-8 character at i and advances i; kBad for a malformed sequence (i moves past
// the bytes that belonged to it, so one bad sequence gives one '?').
char32_t NextUtf8(std::string_view s, size_t& i)
{
    unsigned char b = static_cast<unsigned char>(s[i++]);
    if (b < 0x80) return b;
    int extra;
    char32_t c;
    char32_t min;
    if (b >= 0xC2 && b <= 0xDF) { extra = 1; c = b & 0x1F; min = 0x80; }
    else if (b >= 0xE0 && b <= 0xEF) { extra = 2; c = b & 0x0F; min = 0x800; }
    else if (b >= 0xF0 && b <= 0xF4) { extra = 3; c = b & 0x07; min = 0x10000; }
    else return kBad;
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size()) return kBad;
        unsigned char n = static_cast<unsigned char>(s[i]);
        if ((n & 0xC0) != 0x80) return kBad;
        c = (c << 6) | (n & 0x3F);
        ++i;
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kBad;
    return c;
}

// Decodes one UTF-16 character; kBad for an unpaired surrogate.
char32_t NextUtf16(std::u16string_view s, size_t& i)
{
    char16_t u = s[i++];
    if (u < 0xD800 || u > 0xDFFF) return u;
    if (u >= 0xDC00) return kBad;
    if (i >= s.size()) return kBad;
    char16_t v = s[i];
    if (v < 0xDC00 || v > 0xDFFF) return kBad;
    ++i;
    return 0x10000 + ((static_cast<char32_t>(u - 0xD800) << 10) | (v - 0xDC00));
}

void PutUtf16(WideString& out, char32_t c)
{
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
}

char ToAnsiChar(char32_t c)
{
    int b = c == kBad ? -1 : UnicodeToCp1254(c);
    return b < 0 ? '?' : static_cast<char>(b);
}

}  // namespace

char32_t Cp1254ToUnicode(unsigned char Ch) { return ByteToUnicode(Ch); }

namespace {

// Byte of each character below U+2200 (every character of the code page is), -1 for none;
// built by the compiler, so it is ready before any static initialiser asks.
constexpr std::array<short, 0x2200> kReverse = [] {
    std::array<short, 0x2200> r{};
    r.fill(-1);
    for (int b = 0; b < 256; ++b) r[ByteToUnicode(static_cast<unsigned char>(b))] = static_cast<short>(b);
    return r;
}();

}  // namespace

int UnicodeToCp1254(char32_t Ch) { return Ch < kReverse.size() ? kReverse[Ch] : -1; }

namespace {

// The UTF-8 bytes of each byte of the code page (at most three).
struct TUtf8Of {
    char Bytes[3];
    unsigned char Length;
};
constexpr std::array<TUtf8Of, 256> kUtf8Of = [] {
    std::array<TUtf8Of, 256> r{};
    for (int b = 0; b < 256; ++b) {
        const char32_t c = ByteToUnicode(static_cast<unsigned char>(b));
        TUtf8Of& u = r[b];
        if (c < 0x80) {
            u = {{static_cast<char>(c)}, 1};
        } else if (c < 0x800) {
            u = {{static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))}, 2};
        } else {
            u = {{static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                  static_cast<char>(0x80 | (c & 0x3F))},
                 3};
        }
    }
    return r;
}();

}  // namespace

std::string AnsiToUtf8(std::string_view S)
{
    // Written in place at the longest it can be, then cut.
    std::string out(S.size() * 3, '\0');
    char* p = out.data();
    for (char ch : S) {
        const TUtf8Of& u = kUtf8Of[static_cast<unsigned char>(ch)];
        p[0] = u.Bytes[0];
        p[1] = u.Bytes[1];
        p[2] = u.Bytes[2];
        p += u.Length;
    }
    out.resize(static_cast<size_t>(p - out.data()));
    return out;
}

AnsiString Utf8ToAnsi(std::string_view S)
{
    AnsiString out;
    AppendUtf8AsAnsi(S, out);
    return out;
}

void AppendUtf8AsAnsi(std::string_view S, AnsiString& Out)
{
    // Every character takes at least one byte in and gives one byte out, so the text is
    // written in place and cut to its length; runs of ASCII and two-byte letters (all the
    // Turkish ones) are decoded inline, the rest by the full decoder.
    const size_t start = Out.size();
    Out.resize(start + S.size());
    char* out = Out.data() + start;
    const size_t n = S.size();
    for (size_t i = 0; i < n;) {
        const unsigned char b = static_cast<unsigned char>(S[i]);
        if (b < 0x80) {
            *out++ = static_cast<char>(b);
            ++i;
        } else if (b >= 0xC2 && b <= 0xDF && i + 1 < n && (static_cast<unsigned char>(S[i + 1]) & 0xC0) == 0x80) {
            const int c = kReverse[((b & 0x1F) << 6) | (static_cast<unsigned char>(S[i + 1]) & 0x3F)];
            *out++ = c < 0 ? '?' : static_cast<char>(c);
            i += 2;
        } else {
            *out++ = ToAnsiChar(NextUtf8(S, i));
        }
    }
    Out.resize(static_cast<size_t>(out - Out.data()));
}

WideString AnsiToWide(std::string_view S)
{
    WideString out;
    out.reserve(S.size());
    for (char ch : S) out += static_cast<char16_t>(ByteToUnicode(static_cast<unsigned char>(ch)));
    return out;
}

AnsiString WideToAnsi(std::u16string_view S)
{
    AnsiString out;
    out.reserve(S.size());
    for (size_t i = 0; i < S.size();) out += ToAnsiChar(NextUtf16(S, i));
    return out;
}

WideString Utf8ToWide(std::string_view S)
{
    WideString out;
    out.reserve(S.size());
    for (size_t i = 0; i < S.size();) {
        char32_t c = NextUtf8(S, i);
        PutUtf16(out, c == kBad ? U'?' : c);
    }
    return out;
}

std::string WideToUtf8(std::u16string_view S)
{
    std::string out;
    out.reserve(S.size());
    for (size_t i = 0; i < S.size();) {
        char32_t c = NextUtf16(S, i);
        PutUtf8(out, c == kBad ? U'?' : c);
    }
    return out;
}

char AnsiUpperChar(char Ch) { return Case().upper[static_cast<unsigned char>(Ch)]; }
char AnsiLowerChar(char Ch) { return Case().lower[static_cast<unsigned char>(Ch)]; }
bool IsAnsiLetter(char Ch) { return Case().letter[static_cast<unsigned char>(Ch)]; }

namespace {

char NameUpperChar(char C) {
    if (C >= 'a' && C <= 'z') return static_cast<char>(C - 32);
    C = AnsiUpperChar(C);
    return C == '\xDD' ? 'I' : C;
}

}  // namespace

AnsiString NameUpperCase(std::string_view S)
{
    AnsiString r(S);
    for (char& c : r) c = NameUpperChar(c);
    return r;
}

bool SameName(std::string_view A, std::string_view B)
{
    if (A.size() != B.size()) return false;
    for (size_t i = 0; i < A.size(); ++i)
        if (NameUpperChar(A[i]) != NameUpperChar(B[i])) return false;
    return true;
}
