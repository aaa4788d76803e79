#include "dbclient/StdFuncs.h"

#include "dbclient/StrUtil.h"
#include "platform/rtl/Variants.h"

#include <chrono>
#include <cmath>
#include <limits>
#include <mutex>
#include <random>

const Int64 PowersOf10[19] = {
    1LL,
    10LL,
    100LL,
    1000LL,
    10000LL,
    100000LL,
    1000000LL,
    10000000LL,
    100000000LL,
    1000000000LL,
    10000000000LL,
    100000000000LL,
    1000000000000LL,
    10000000000000LL,
    100000000000000LL,
    1000000000000000LL,
    10000000000000000LL,
    100000000000000000LL,
    1000000000000000000LL,
};

namespace {

constexpr Byte kBcdSign = 0x80;
constexpr Byte kBcdSpecial = 0x40;
constexpr Byte kBcdPlaces = 0x3F;
constexpr Integer kBcdMaxDigits = 64;

inline Integer SignOf(Extended X) { return X < 0 ? -1 : 1; }

// Digit I (0-based) of a packed decimal, high nibble first.
inline Byte BcdDigit(const TBcd& Bcd, Integer I) {
    const Byte b = Bcd.Fraction[I / 2];
    return (I % 2 == 0) ? static_cast<Byte>(b >> 4) : static_cast<Byte>(b & 0x0F);
}

// Sign, integer digits (no leading zeros) and fraction digits (no trailing
// zeros) of a packed decimal; false for a malformed record.
struct TDecimalParts {
    bool Negative = false;
    AnsiString IntPart;
    AnsiString FracPart;
};

bool SplitBcd(const TBcd& Bcd, TDecimalParts& Parts) {
    Parts = TDecimalParts();
    if (Bcd.SignSpecialPlaces & kBcdSpecial) return true;   // blank: zero
    const Integer prec = Bcd.Precision;
    if (prec > kBcdMaxDigits) return false;
    const Integer places = Bcd.SignSpecialPlaces & kBcdPlaces;
    AnsiString digits;
    digits.reserve(static_cast<size_t>(prec));
    for (Integer i = 0; i < prec; ++i) {
        const Byte d = BcdDigit(Bcd, i);
        if (d > 9) return false;
        digits += static_cast<char>('0' + d);
    }
    if (places > prec) digits.insert(0, static_cast<size_t>(places - prec), '0');
    const size_t split = digits.size() - static_cast<size_t>(places);
    Parts.IntPart = digits.substr(0, split);
    Parts.FracPart = digits.substr(split);
    const size_t nz = Parts.IntPart.find_first_not_of('0');
    Parts.IntPart = nz == AnsiString::npos ? AnsiString() : Parts.IntPart.substr(nz);
    const size_t last = Parts.FracPart.find_last_not_of('0');
    Parts.FracPart = last == AnsiString::npos ? AnsiString() : Parts.FracPart.substr(0, last + 1);
    const bool zero = Parts.IntPart.empty() && Parts.FracPart.empty();
    Parts.Negative = !zero && (Bcd.SignSpecialPlaces & kBcdSign);
    return true;
}

// Magnitude comparison of two non-negative decimals.
int CompareMagnitude(const TDecimalParts& A, const TDecimalParts& B) {
    if (A.IntPart.size() != B.IntPart.size()) return A.IntPart.size() < B.IntPart.size() ? -1 : 1;
    if (int c = A.IntPart.compare(B.IntPart); c != 0) return c < 0 ? -1 : 1;
    if (int c = A.FracPart.compare(B.FracPart); c != 0) return c < 0 ? -1 : 1;
    return 0;
}

// Adds one to a text of decimal digits ("99" -> "100"; "" -> "1").
AnsiString IncrementDigits(AnsiString Digits) {
    for (size_t i = Digits.size(); i > 0; --i) {
        if (Digits[i - 1] == '9') {
            Digits[i - 1] = '0';
        } else {
            ++Digits[i - 1];
            return Digits;
        }
    }
    return "1" + Digits;
}

// Rounds the digit text Digits to its first C digits, ties to even, and
// returns the integer text of the result (C or C + 1 digits).
AnsiString RoundDigitsTo(const AnsiString& Digits, size_t C) {
    AnsiString head = Digits.substr(0, C);
    const AnsiString tail = Digits.substr(C);
    bool up = false;
    if (!tail.empty()) {
        if (tail[0] > '5') up = true;
        else if (tail[0] == '5') {
            const bool moreThanHalf = tail.find_first_not_of('0', 1) != AnsiString::npos;
            const bool headOdd = !head.empty() && ((head.back() - '0') % 2 == 1);
            up = moreThanHalf || headOdd;
        }
    }
    if (up) head = IncrementDigits(head);
    if (head.empty()) head = "0";
    return head;
}

// Literal text of a format piece: quoted runs lose their quotes, as the
// float formatting would show them.
AnsiString RenderLiteral(const AnsiString& Piece) {
    AnsiString out;
    char quote = 0;
    for (char c : Piece) {
        if (quote) {
            if (c == quote) quote = 0;
            else out += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else {
            out += c;
        }
    }
    return out;
}

std::mutex gRandomLock;

std::mt19937& RandomEngine() {
    // Seeded once from the high-resolution clock.
    static std::mt19937 engine(static_cast<std::mt19937::result_type>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    return engine;
}

[[maybe_unused]] const bool gRandomSeeded = (RandomEngine(), true);

}  // namespace

// ---- powers of ten and rounding ---------------------------------------------

Extended E10(Integer N) {
    if (N >= 0 && N <= 18) return static_cast<Extended>(PowersOf10[N]);
    if (N < 0 && N >= -18) return 1.0L / static_cast<Extended>(PowersOf10[-N]);
    return std::pow(10.0L, static_cast<Extended>(N));   // outside the table: no out-of-range read
}

Extended RoundExtended(Integer N, Extended X) {
    if (!std::isfinite(X)) return X;
    const double scale = static_cast<double>(E10(N));
    const Extended whole = std::trunc(X);
    // Beyond what a double holds: so many places keep every digit, so few
    // keep none; computing with inf or 0 here would give NaN.
    if (std::isinf(scale)) return X;
    if (scale == 0) return whole;
    const Extended frac = X - whole;
    return whole + std::nearbyint(frac * scale) / scale;
}

Integer IntDigitCount(Extended X) {
    const Extended a = std::fabs(X);
    if (!(a >= 1)) return 0;
    if (a >= static_cast<Extended>(PowersOf10[18])) {
        Integer n = 19;
        Extended p = 1e19L;
        while (std::isfinite(p) && a >= p) { p *= 10; ++n; }
        return n;
    }
    // Smallest k with a < 10^k, by binary search over the table.
    Integer lo = 1, hi = 18;
    while (lo < hi) {
        const Integer mid = (lo + hi) / 2;
        if (a < static_cast<Extended>(PowersOf10[mid])) hi = mid; else lo = mid + 1;
    }
    return lo;
}

// ---- 64-bit and scaled integers ---------------------------------------------

AnsiString Int64ToStrEx(Int64 Value) {
    return std::to_string(Value);
}

AnsiString ScaledInt64ToStr(Integer Scale, char Sep, Int64 Value) {
    if (Value == 0) return "0";
    AnsiString s = Int64ToStrEx(Value);
    if (Scale <= 0) return s;
    AnsiString sign;
    if (s[0] == '-') {
        sign = "-";
        s.erase(0, 1);
    }
    const size_t L = s.size(), S = static_cast<size_t>(Scale);
    AnsiString intPart, frac;
    if (L > S) {
        intPart = s.substr(0, L - S);
        frac = s.substr(L - S);
    } else {
        intPart = "0";
        frac = AnsiString(S - L, '0') + s;
    }
    const size_t last = frac.find_last_not_of('0');
    frac = last == AnsiString::npos ? AnsiString() : frac.substr(0, last + 1);
    return frac.empty() ? sign + intPart : sign + intPart + Sep + frac;
}

AnsiString ScaledInt64ToStrDef(Integer Scale, Int64 Value) {
    return ScaledInt64ToStr(Scale, FormatSettings.DecimalSeparator, Value);
}

void CurrToFBBcd(Integer Scale, TBcd& Bcd, Int64 Value) {
    Bcd = TBcd();
    if (Scale < 0) Scale = 0;
    if (Scale > kBcdPlaces) Scale = kBcdPlaces;
    const UInt64 mag = Value < 0 ? UInt64(0) - static_cast<UInt64>(Value) : static_cast<UInt64>(Value);
    AnsiString digits = std::to_string(mag);
    if (digits.size() < static_cast<size_t>(Scale)) digits.insert(0, static_cast<size_t>(Scale) - digits.size(), '0');
    Bcd.Precision = static_cast<Byte>(digits.size());
    Bcd.SignSpecialPlaces = static_cast<Byte>(Scale) | (Value < 0 ? kBcdSign : 0);
    for (size_t i = 0; i < digits.size(); ++i) {
        const Byte d = static_cast<Byte>(digits[i] - '0');
        Bcd.Fraction[i / 2] |= (i % 2 == 0) ? static_cast<Byte>(d << 4) : d;
    }
}

bool BcdToScaledInt64(const TBcd& Bcd, Int64& Value, Integer& Scale) {
    Value = 0;
    Scale = Bcd.SignSpecialPlaces & kBcdPlaces;
    if (Bcd.SignSpecialPlaces & kBcdSpecial) return true;
    if (Bcd.Precision > kBcdMaxDigits) return false;
    const bool negative = (Bcd.SignSpecialPlaces & kBcdSign) != 0;
    // Accumulate the magnitude unsigned; the negative side reaches one further.
    const UInt64 limit = negative ? UInt64(1) << 63 : static_cast<UInt64>(std::numeric_limits<Int64>::max());
    UInt64 mag = 0;
    for (Integer i = 0; i < Bcd.Precision; ++i) {
        const Byte d = BcdDigit(Bcd, i);
        if (d > 9) return false;
        if (mag > (limit - d) / 10) return false;
        mag = mag * 10 + d;
    }
    Value = negative ? static_cast<Int64>(UInt64(0) - mag) : static_cast<Int64>(mag);
    return true;
}

AnsiString BcdToStr(const TBcd& Bcd) {
    Int64 v;
    Integer s;
    if (!BcdToScaledInt64(Bcd, v, s)) return AnsiString();
    return ScaledInt64ToStr(s, FormatSettings.DecimalSeparator, v);
}

AnsiString BcdToStrDot(const TBcd& Bcd) {
    Int64 v;
    Integer s;
    if (!BcdToScaledInt64(Bcd, v, s)) return AnsiString();
    return ScaledInt64ToStr(s, '.', v);
}

bool BcdToExtended(const TBcd& Bcd, Extended& Value) {
    Value = 0;
    TDecimalParts parts;
    if (!SplitBcd(Bcd, parts)) return false;
    const AnsiString digits = parts.IntPart + parts.FracPart;
    Extended v = 0;
    for (char c : digits) v = v * 10 + (c - '0');
    const Integer places = static_cast<Integer>(parts.FracPart.size());
    if (places > 0) v /= std::pow(10.0L, static_cast<Extended>(places));
    Value = parts.Negative ? -v : v;
    return true;
}

Integer CompareBcd(const TBcd& A, const TBcd& B) {
    TDecimalParts a, b;
    if (!SplitBcd(A, a)) a = TDecimalParts();
    if (!SplitBcd(B, b)) b = TDecimalParts();
    if (a.Negative != b.Negative) return a.Negative ? -1 : 1;
    const int m = CompareMagnitude(a, b);
    return a.Negative ? -m : m;
}

Int64 StrToComp(const AnsiString& S) {
    Extended v = 0;
    if (!TryStrToFloat(S, v)) throw EConvertError("Invalid comp value");
    const Extended r = std::nearbyint(v);
    // 2^63 is exact in long double; anything outside would wrap.
    constexpr Extended kLimit = 9223372036854775808.0L;
    if (!(r >= -kLimit && r < kLimit)) throw EConvertError("Invalid comp value");
    return static_cast<Int64>(r);
}

AnsiString FormatFloatScaled(const AnsiString& Fmt, Integer Decimals, Extended X) {
    if (X == 0) return FormatFloat(Fmt, X);
    if (Decimals < 0) Decimals = 0;
    if (Decimals > 18) Decimals = 18;

    AnsiString section;
    bool negSection = false;
    const size_t semi = Fmt.find(';');
    if (semi == AnsiString::npos) {
        section = Fmt;
    } else if (X > 0) {
        section = Fmt.substr(0, semi);
    } else {
        const size_t semi2 = Fmt.find(';', semi + 1);
        const AnsiString neg = Fmt.substr(semi + 1, semi2 == AnsiString::npos ? AnsiString::npos : semi2 - semi - 1);
        if (!IsBlankStr(neg)) {
            section = neg;
            negSection = true;
        } else {
            section = Fmt.substr(0, semi);
        }
    }
    if (section.find_first_of("Ee") != AnsiString::npos) return FormatFloat(Fmt, X);

    const Extended whole = std::trunc(X);
    constexpr Extended kLimit = 9223372036854775807.0L;
    if (!(std::fabs(whole) < kLimit)) return FormatFloat(Fmt, X);   // integer part beyond 64 bits
    Int64 I = static_cast<Int64>(whole);
    const Integer sign = SignOf(X);
    const Extended frac = std::fabs(X - whole);
    Int64 F = 0;
    const bool carried = 1 - frac < E10(-(Decimals + 1));
    if (carried) {
        I += sign;
    } else {
        F = static_cast<Int64>(std::nearbyint(frac * E10(Decimals)));
    }

    auto finish = [&](AnsiString Result) {
        if (X < 0 && I == 0) Result.insert(0, "-");
        if (negSection && X < 0 && !Result.empty()) Result.erase(0, 1);
        return Result;
    };

    const size_t dot = section.find('.');
    if (dot == AnsiString::npos) {
        // No decimals shown: the fraction rounds into the integer, half away from zero
        // as the float formatting does, and what rounds to nothing shows as that does.
        if (!carried && (Decimals > 0 ? 2 * F >= PowersOf10[Decimals] : frac >= 0.5L)) I += sign;
        if (I == 0) return FormatFloat(Fmt, X);
        return finish(FormatFloat(section, static_cast<Extended>(I)));
    }

    const AnsiString intFmt = section.substr(0, dot);
    AnsiString fracFmt = section.substr(dot + 1);
    AnsiString infix, suffix;
    const size_t firstPh = fracFmt.find_first_of("0#");
    if (firstPh == AnsiString::npos) {
        suffix = fracFmt;
        fracFmt.clear();
    } else {
        const size_t lastPh = fracFmt.find_last_of("0#");
        suffix = fracFmt.substr(lastPh + 1);
        infix = fracFmt.substr(0, firstPh);
        fracFmt = fracFmt.substr(firstPh, lastPh - firstPh + 1);
    }

    AnsiString fracText;
    if (F >= PowersOf10[Decimals]) {
        I += sign;
        fracText = AnsiString(static_cast<size_t>(Decimals), '0');
    } else if (Decimals > 0) {
        fracText = std::to_string(F);
        if (fracText.size() < static_cast<size_t>(Decimals))
            fracText.insert(0, static_cast<size_t>(Decimals) - fracText.size(), '0');
    }

    const size_t C = fracFmt.size();
    if (C >= fracText.size()) {
        const size_t lastZero = fracFmt.find_last_of('0');
        if (lastZero != AnsiString::npos && fracText.size() < lastZero + 1)
            fracText.append(lastZero + 1 - fracText.size(), '0');
    } else {
        AnsiString r = RoundDigitsTo(fracText, C);
        if (r.size() < C) r.insert(0, C - r.size(), '0');
        if (r.size() == C + 1) {
            if (r != "0") I += sign;
            r.erase(0, 1);
        }
        fracText = r;
    }

    while (!fracText.empty() && fracText.size() <= fracFmt.size() &&
           fracFmt[fracText.size() - 1] == '#' && fracText.back() == '0')
        fracText.pop_back();

    if (fracText.empty()) return finish(FormatFloat(intFmt, static_cast<Extended>(I)));
    return finish(FormatFloat(intFmt, static_cast<Extended>(I)) + FormatSettings.DecimalSeparator +
                  RenderLiteral(infix) + fracText + RenderLiteral(suffix));
}

void PackInt64(Cardinal Hi, Cardinal Lo, Int64& Value) {
    Value = static_cast<Int64>((static_cast<UInt64>(Hi) << 32) | Lo);
}

// ---- dates --------------------------------------------------------------------

TDateTime TimeStampToDateTimeEx(const TTimeStamp& Stamp) {
    if (Stamp.Date == 0) return static_cast<TDateTime>(Stamp.Time) / MSecsPerDay;
    return TimeStampToDateTime(Stamp);
}

TDateTime DateIntToDateTime(Integer Day) {
    TTimeStamp stamp;
    stamp.Date = Day;
    stamp.Time = 0;
    return TimeStampToDateTimeEx(stamp);
}

// ---- components -----------------------------------------------------------------

AnsiString CmpFullName(const TComponent* Component) {
    AnsiString result;
    for (const TComponent* c = Component; c; c = c->Owner()) {
        if (c->Name().empty()) continue;
        result = result.empty() ? c->Name() : c->Name() + "." + result;
    }
    return result;
}

bool HasLoadingOwner(const TComponent* Component) {
    for (const TComponent* c = Component; c; c = c->Owner())
        if (c->ComponentState().Contains(csLoading)) return true;
    return false;
}

// ---- words, random, bits ---------------------------------------------------------

bool IsSQLConstantWord(const AnsiString& Word) {
    static const std::vector<AnsiString> kWords = {"CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_DATE",
                                                   "NULL", "NOW", "TODAY", "TOMORROW", "YESTERDAY"};
    return StrInArray(Word, kWords);
}

Int64 VariantArrayToStream(const Variant& V, TStream* Stream) {
    if (!Stream || !V.IsArray()) return 0;
    const TVarArray* arr = V.ArrayPtr();
    if (!arr || arr->DimCount() < 1) return 0;
    const Int64 count = static_cast<Int64>(arr->HighBound(1)) - arr->LowBound(1) + 1;
    const Int64 size = count > 0 ? count * arr->ElementSize() : 0;
    Stream->SetSize(size);
    Stream->SetPosition(0);
    if (size > 0) Stream->WriteBuffer(arr->Data(), static_cast<Integer>(size));
    return Stream->Size();
}

AnsiString RandomDigits(Integer N) {
    if (N < 1) return AnsiString();
    AnsiString s;
    std::uniform_int_distribution<Int64> dist(0, std::numeric_limits<Integer>::max() - 1);
    std::lock_guard<std::mutex> lock(gRandomLock);
    while (s.size() < static_cast<size_t>(N)) s += std::to_string(dist(RandomEngine()));
    s.resize(static_cast<size_t>(N));
    return s;
}

bool IsBitSet(Byte Value, Integer Bit) {
    if (Bit < 1 || Bit > 8) return false;
    return (Value >> (Bit - 1)) & 1u;
}

Byte ToggleBit(Byte Value, Integer Bit) {
    if (Bit < 1 || Bit > 8) return Value;
    return static_cast<Byte>(Value ^ (1u << (Bit - 1)));
}

Integer MinInt(Integer A, Integer B) { return A < B ? A : B; }

Integer SignInt(Integer A) { return (A > 0) - (A < 0); }
