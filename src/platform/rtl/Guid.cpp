#include "platform/rtl/Guid.h"

#include "platform/rtl/SysUtils.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <sys/random.h>

namespace {

void FillRandom(Byte* Buf, size_t Len)
{
    size_t Done = 0;
    while (Done < Len) {
        ssize_t N = ::getrandom(Buf + Done, Len - Done, 0);
        if (N <= 0) break;
        Done += static_cast<size_t>(N);
    }
    if (Done < Len) {
        // No kernel source: fall back to the library's generator.
        static thread_local std::mt19937_64 Gen{std::random_device{}()};
        for (; Done < Len; ++Done) Buf[Done] = static_cast<Byte>(Gen());
    }
}

int HexValue(char C)
{
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    return -1;
}

bool ReadHex(const AnsiString& S, size_t Pos, size_t Digits, UInt64& Value)
{
    Value = 0;
    for (size_t I = 0; I < Digits; ++I) {
        int V = HexValue(S[Pos + I]);
        if (V < 0) return false;
        Value = (Value << 4) | static_cast<UInt64>(V);
    }
    return true;
}

}  // namespace

bool operator==(const TGUID& A, const TGUID& B)
{
    return IsEqualGUID(A, B);
}

Integer CreateGUID(TGUID& Guid)
{
    Byte B[16];
    FillRandom(B, sizeof B);
    Guid.D1 = (Cardinal(B[0]) << 24) | (Cardinal(B[1]) << 16) | (Cardinal(B[2]) << 8) | B[3];
    Guid.D2 = static_cast<Word>((B[4] << 8) | B[5]);
    Guid.D3 = static_cast<Word>(((B[6] << 8) | B[7]) & 0x0FFF) | 0x4000;   // version 4
    std::memcpy(Guid.D4, B + 8, 8);
    Guid.D4[0] = static_cast<Byte>((Guid.D4[0] & 0x3F) | 0x80);           // RFC 4122 variant
    return 0;
}

TGUID NewGUID()
{
    TGUID G;
    CreateGUID(G);
    return G;
}

AnsiString GUIDToString(const TGUID& Guid)
{
    char Buf[40];
    std::snprintf(Buf, sizeof Buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", Guid.D1, Guid.D2,
                  Guid.D3, Guid.D4[0], Guid.D4[1], Guid.D4[2], Guid.D4[3], Guid.D4[4], Guid.D4[5], Guid.D4[6],
                  Guid.D4[7]);
    return Buf;
}

bool TryStringToGUID(const AnsiString& S, TGUID& Guid)
{
    if (S.size() != 38 || S[0] != '{' || S[37] != '}' || S[9] != '-' || S[14] != '-' || S[19] != '-' ||
        S[24] != '-')
        return false;
    UInt64 V;
    TGUID G;
    if (!ReadHex(S, 1, 8, V)) return false;
    G.D1 = static_cast<Cardinal>(V);
    if (!ReadHex(S, 10, 4, V)) return false;
    G.D2 = static_cast<Word>(V);
    if (!ReadHex(S, 15, 4, V)) return false;
    G.D3 = static_cast<Word>(V);
    static const size_t Pos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int I = 0; I < 8; ++I) {
        if (!ReadHex(S, Pos[I], 2, V)) return false;
        G.D4[I] = static_cast<Byte>(V);
    }
    Guid = G;
    return true;
}

TGUID StringToGUID(const AnsiString& S)
{
    TGUID G;
    if (!TryStringToGUID(S, G)) throw EConvertError("'%s' is not a valid GUID value", {S});
    return G;
}

bool IsEqualGUID(const TGUID& A, const TGUID& B)
{
    return A.D1 == B.D1 && A.D2 == B.D2 && A.D3 == B.D3 && std::memcmp(A.D4, B.D4, 8) == 0;
}
