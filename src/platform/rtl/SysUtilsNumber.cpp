// Integer, floating point and currency conversions. A value that a double holds is taken as
// the shortest decimal that reads back as that double (so 2.675 is 2.675, not the 2.67499...
// of its binary form); other long doubles with 18 significant digits. Those decimal digits are
// then rounded half away from zero. Currency values are turned into digits exactly. Nothing
// here depends on the C locale, which a GUI toolkit may change.
#include <charconv>
#include <climits>
#include <cmath>

#include "platform/rtl/SysUtils.h"

namespace {

// A decimal number 0.D1D2D3... x 10^Exponent; Digits has no trailing zeros; zero has no digits.
struct Decimal {
    bool Negative = false;
    int Exponent = 0;
    AnsiString Digits;
    enum { Finite, NaN, PosInf, NegInf } Kind = Finite;
    bool IsZero() const { return Digits.empty(); }
};

void StripZeros(Decimal& d)
{
    while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
    size_t lead = 0;
    while (lead < d.Digits.size() && d.Digits[lead] == '0') ++lead;
    if (lead) {
        d.Digits.erase(0, lead);
        d.Exponent -= static_cast<int>(lead);
    }
    if (d.Digits.empty()) {
        d.Exponent = 0;
        d.Negative = false;  // a value that rounds to zero shows no sign
    }
}

// Keeps the first Count digits, rounding half away from zero.
void KeepDigits(Decimal& d, int Count)
{
    if (Count >= static_cast<int>(d.Digits.size())) return;
    if (Count < 0) {
        d.Digits.clear();
        StripZeros(d);
        return;
    }
    bool up = d.Digits[static_cast<size_t>(Count)] >= '5';
    d.Digits.resize(static_cast<size_t>(Count));
    if (up) {
        int i = Count - 1;
        while (i >= 0 && d.Digits[static_cast<size_t>(i)] == '9') d.Digits[static_cast<size_t>(i--)] = '0';
        if (i >= 0) {
            ++d.Digits[static_cast<size_t>(i)];
        } else {
            d.Digits.insert(d.Digits.begin(), '1');
            ++d.Exponent;
        }
    }
    StripZeros(d);
}

// Rounds to at most Precision significant digits and Decimals digits after the point.
void RoundDecimal(Decimal& d, int Precision, int Decimals)
{
    if (d.Kind != Decimal::Finite || d.IsZero()) return;
    int keep = std::min(Precision, d.Exponent + Decimals);
    KeepDigits(d, keep);
}

Decimal FromExtended(Extended v)
{
    Decimal d;
    if (std::isnan(v)) { d.Kind = Decimal::NaN; return d; }
    if (std::isinf(v)) { d.Kind = v < 0 ? Decimal::NegInf : Decimal::PosInf; return d; }
    if (v == 0) return d;
    d.Negative = v < 0;
    char buf[64];
    const Extended mag = std::fabs(v);
    const double asDouble = static_cast<double>(mag);
    // "d[.ddd]e+XX"
    auto r = static_cast<Extended>(asDouble) == mag
                 ? std::to_chars(buf, buf + sizeof buf, asDouble, std::chars_format::scientific)
                 : std::to_chars(buf, buf + sizeof buf, mag, std::chars_format::scientific, 17);
    AnsiString s(buf, r.ptr);
    auto e = s.find('e');
    d.Digits = s.substr(0, 1) + (e > 2 ? s.substr(2, e - 2) : AnsiString());
    int exp10 = 0;
    std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exp10);
    d.Exponent = exp10 + 1;
    StripZeros(d);
    return d;
}

Decimal FromCurrency(Currency c)
{
    Decimal d;
    if (c.Value == 0) return d;
    d.Negative = c.Value < 0;
    UInt64 mag = d.Negative ? (~static_cast<UInt64>(c.Value) + 1) : static_cast<UInt64>(c.Value);
    d.Digits = std::to_string(mag);
    d.Exponent = static_cast<int>(d.Digits.size()) - 4;
    StripZeros(d);
    return d;
}

char DigitAt(const Decimal& d, int i)  // i: 0-based index into Digits, zero beyond
{
    return i >= 0 && i < static_cast<int>(d.Digits.size()) ? d.Digits[static_cast<size_t>(i)] : '0';
}

AnsiString SpecialText(const Decimal& d)
{
    switch (d.Kind) {
    case Decimal::NaN: return "NAN";
    case Decimal::PosInf: return "INF";
    case Decimal::NegInf: return "-INF";
    default: return "";
    }
}

AnsiString ExponentText(int Exp, bool ForceSign, int MinDigits)
{
    AnsiString r = "E";
    if (Exp < 0) r += '-';
    else if (ForceSign) r += '+';
    AnsiString n = std::to_string(std::abs(Exp));
    if (static_cast<int>(n.size()) < MinDigits) n.insert(0, static_cast<size_t>(MinDigits) - n.size(), '0');
    return r + n;
}

// Integer digits of a rounded decimal ("0" for none), with optional grouping.
AnsiString IntegerPart(const Decimal& d, char Thousands)
{
    AnsiString r;
    if (d.Exponent <= 0) return "0";
    for (int i = 0; i < d.Exponent; ++i) {
        r += DigitAt(d, i);
        int left = d.Exponent - 1 - i;
        if (Thousands && left > 0 && left % 3 == 0) r += Thousands;
    }
    return r;
}

AnsiString FractionPart(const Decimal& d, int Count)
{
    AnsiString r;
    for (int i = 0; i < Count; ++i) r += DigitAt(d, d.Exponent + i);
    return r;
}

AnsiString GeneralText(Decimal d, int Precision, int ExpDigits, const TFormatSettings& fs)
{
    RoundDecimal(d, Precision, 9999);
    if (d.IsZero()) return "0";
    AnsiString r = d.Negative ? "-" : "";
    int n = static_cast<int>(d.Digits.size());
    if (d.Exponent > Precision || d.Exponent < -4) {
        r += d.Digits[0];
        if (n > 1) r += fs.DecimalSeparator + d.Digits.substr(1);
        return r + ExponentText(d.Exponent - 1, false, ExpDigits);
    }
    r += IntegerPart(d, 0);
    if (n > d.Exponent) r += fs.DecimalSeparator + FractionPart(d, n - d.Exponent);
    return r;
}

AnsiString ExponentFormText(Decimal d, int Precision, int ExpDigits, const TFormatSettings& fs)
{
    RoundDecimal(d, Precision, 9999);
    AnsiString r = d.Negative ? "-" : "";
    r += DigitAt(d, 0);
    if (Precision > 1) {
        r += fs.DecimalSeparator;
        for (int i = 1; i < Precision; ++i) r += DigitAt(d, i);
    }
    return r + ExponentText(d.IsZero() ? 0 : d.Exponent - 1, true, ExpDigits);
}

AnsiString CurrencyPattern(const AnsiString& Number, bool Negative, const TFormatSettings& fs)
{
    const AnsiString& c = fs.CurrencyString;
    if (!Negative) {
        switch (fs.CurrencyFormat) {
        case 0: return c + Number;
        case 1: return Number + c;
        case 2: return c + " " + Number;
        default: return Number + " " + c;
        }
    }
    switch (fs.NegCurrFormat) {
    case 0: return "(" + c + Number + ")";
    case 1: return "-" + c + Number;
    case 2: return c + "-" + Number;
    case 3: return c + Number + "-";
    case 4: return "(" + Number + c + ")";
    case 5: return "-" + Number + c;
    case 6: return Number + "-" + c;
    case 7: return Number + c + "-";
    case 8: return "-" + Number + " " + c;
    case 9: return "-" + c + " " + Number;
    case 10: return Number + " " + c + "-";
    case 11: return c + " " + Number + "-";
    case 12: return c + " -" + Number;
    case 13: return Number + "- " + c;
    case 14: return "(" + c + " " + Number + ")";
    default: return "(" + Number + " " + c + ")";
    }
}

AnsiString DecimalToText(Decimal d, TFloatFormat Format, int Precision, int Digits, const TFormatSettings& fs)
{
    if (d.Kind != Decimal::Finite) return SpecialText(d);
    switch (Format) {
    case ffGeneral:
        return GeneralText(d, Precision, std::clamp(Digits, 0, 4), fs);
    case ffExponent:
        return ExponentFormText(d, Precision, std::clamp(Digits, 0, 4), fs);
    default:
        break;
    }
    Digits = std::clamp(Digits, 0, 18);
    Decimal r = d;
    RoundDecimal(r, Precision, Digits);
    if (r.Exponent > Precision) return GeneralText(d, Precision, 0, fs);
    char thousands = Format == ffFixed ? 0 : fs.ThousandSeparator;
    AnsiString number = IntegerPart(r, thousands);
    if (Digits > 0) number += fs.DecimalSeparator + FractionPart(r, Digits);
    if (Format == ffCurrency) return CurrencyPattern(number, r.Negative, fs);
    return r.Negative ? "-" + number : number;
}

// ---- picture formats ------------------------------------------------------------------------

struct Section {
    AnsiString text;
};

// Splits at ';' outside quotes.
std::vector<AnsiString> SplitSections(const AnsiString& f)
{
    std::vector<AnsiString> out(1);
    char quote = 0;
    for (char c : f) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            out.emplace_back();
            continue;
        }
        out.back() += c;
    }
    return out;
}

struct Picture {
    bool thousands = false;
    bool scientific = false;
    int intPlaces = 0;       // placeholders before the point
    int intRequired = 0;     // placeholders from the first '0' to the point
    int fracPlaces = 0;      // placeholders after the point
    int fracRequired = 0;    // placeholders up to the last '0' after the point
};

bool IsExponentAt(const AnsiString& s, size_t i)
{
    return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

Picture Analyse(const AnsiString& s)
{
    Picture p;
    bool afterPoint = false;
    bool seenZero = false;
    char quote = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (quote) {
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '"' || c == '\'') { quote = c; continue; }
        if (IsExponentAt(s, i)) {
            if (!p.scientific) p.scientific = true;
            i += 1;
            while (i + 1 < s.size() && s[i + 1] == '0') ++i;  // exponent digits are no placeholders
            continue;
        }
        if (c == '.' && !afterPoint) { afterPoint = true; continue; }
        if (c == ',') { p.thousands = true; continue; }
        if (c == '0' || c == '#') {
            if (!afterPoint) {
                ++p.intPlaces;
                if (c == '0') seenZero = true;
                if (seenZero) ++p.intRequired;
            } else {
                ++p.fracPlaces;
                if (c == '0') p.fracRequired = p.fracPlaces;
            }
        }
    }
    return p;
}

// Renders one section for the (already rounded) decimal. Negative sign is the caller's.
AnsiString RenderSection(const AnsiString& s, const Picture& p, const Decimal& d, const TFormatSettings& fs)
{
    int exponent = 0;
    AnsiString intDigits, fracDigits;
    if (p.scientific) {
        int lead = std::max(p.intPlaces, 1);
        exponent = d.IsZero() ? 0 : d.Exponent - lead;
        for (int i = 0; i < lead; ++i) intDigits += DigitAt(d, i);
        for (int i = 0; i < p.fracPlaces; ++i) fracDigits += DigitAt(d, lead + i);
        size_t nz = intDigits.find_first_not_of('0');
        intDigits = nz == AnsiString::npos ? AnsiString() : intDigits.substr(nz);
    } else {
        if (d.Exponent > 0)
            for (int i = 0; i < d.Exponent; ++i) intDigits += DigitAt(d, i);
        fracDigits = FractionPart(d, p.fracPlaces);
    }
    if (static_cast<int>(intDigits.size()) < p.intRequired)
        intDigits.insert(0, static_cast<size_t>(p.intRequired) - intDigits.size(), '0');
    while (static_cast<int>(fracDigits.size()) > p.fracRequired && fracDigits.back() == '0') fracDigits.pop_back();

    AnsiString out;
    const int total = static_cast<int>(intDigits.size());
    int placeholdersLeft = p.intPlaces;  // integer placeholders not yet met
    int nextInt = 0;                      // next integer digit to print
    size_t nextFrac = 0;
    bool afterPoint = false;
    char quote = 0;
    auto putInt = [&](int count) {
        for (int k = 0; k < count && nextInt < total; ++k, ++nextInt) {
            out += intDigits[static_cast<size_t>(nextInt)];
            int left = total - 1 - nextInt;
            if (p.thousands && fs.ThousandSeparator && left > 0 && left % 3 == 0) out += fs.ThousandSeparator;
        }
    };
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (quote) {
            if (c == quote) quote = 0; else out += c;
            continue;
        }
        if (c == '"' || c == '\'') { quote = c; continue; }
        if (IsExponentAt(s, i)) {
            if (!afterPoint) {  // no point in the section: the integer digits end here
                putInt(total - nextInt);
                afterPoint = true;
            }
            out += c;
            char sign = s[i + 1];
            ++i;
            int minDigits = 0;
            while (i + 1 < s.size() && s[i + 1] == '0') { ++i; ++minDigits; }
            if (exponent < 0) out += '-';
            else if (sign == '+') out += '+';
            AnsiString e = std::to_string(std::abs(exponent));
            if (static_cast<int>(e.size()) < minDigits) e.insert(0, static_cast<size_t>(minDigits) - e.size(), '0');
            out += e;
            continue;
        }
        if (!afterPoint && (c == '0' || c == '#')) {
            // Digits beyond the placeholders all go to the first one.
            int digitsLeft = total - nextInt;
            putInt(placeholdersLeft == 1 ? digitsLeft : std::max(0, digitsLeft - (placeholdersLeft - 1)));
            --placeholdersLeft;
            continue;
        }
        if (c == '.' && !afterPoint) {
            putInt(total - nextInt);
            afterPoint = true;
            if (!fracDigits.empty()) out += fs.DecimalSeparator;
            continue;
        }
        if (c == ',') continue;
        if (afterPoint && (c == '0' || c == '#')) {
            if (nextFrac < fracDigits.size()) out += fracDigits[nextFrac++];
            continue;
        }
        out += c;
    }
    if (!afterPoint) putInt(total - nextInt);
    return out;
}

AnsiString FormatDecimal(const AnsiString& Fmt, const Decimal& value, const TFormatSettings& fs)
{
    if (value.Kind != Decimal::Finite) return SpecialText(value);
    if (Fmt.empty()) return GeneralText(value, 15, 0, fs);
    std::vector<AnsiString> sections = SplitSections(Fmt);
    auto has = [&](size_t i) { return sections.size() > i && !sections[i].empty(); };

    auto round = [&](const AnsiString& sec) {
        Picture p = Analyse(sec);
        Decimal d = value;
        if (p.scientific) RoundDecimal(d, std::max(p.intPlaces, 1) + p.fracPlaces, 9999);
        else RoundDecimal(d, 18, p.fracPlaces);
        return std::make_pair(p, d);
    };

    size_t idx = 0;
    if (value.IsZero()) idx = has(2) ? 2 : 0;
    else if (value.Negative && has(1)) idx = 1;
    auto [pic, rounded] = round(sections[idx]);
    if (rounded.IsZero() && idx != 2 && has(2)) {
        idx = 2;
        std::tie(pic, rounded) = round(sections[idx]);
    }
    AnsiString text = RenderSection(sections[idx], pic, rounded, fs);
    if (idx == 0 && rounded.Negative) text.insert(0, 1, '-');
    return text;
}

// ---- reading numbers --------------------------------------------------------------------------

// Reads [blanks][sign]digits[sep digits][E[sign]digits][blanks] into a decimal.
bool ParseDecimal(const AnsiString& S, char Sep, Decimal& d)
{
    size_t i = 0, n = S.size();
    auto blank = [&](size_t k) { return k < n && (S[k] == ' ' || S[k] == '\t'); };
    while (blank(i)) ++i;
    d = Decimal();
    if (i < n && (S[i] == '+' || S[i] == '-')) d.Negative = S[i++] == '-';
    bool any = false;
    int intCount = 0;
    while (i < n && S[i] >= '0' && S[i] <= '9') { d.Digits += S[i++]; ++intCount; any = true; }
    if (i < n && S[i] == Sep) {
        ++i;
        while (i < n && S[i] >= '0' && S[i] <= '9') { d.Digits += S[i++]; any = true; }
    }
    if (!any) return false;
    long exp = 0;
    if (i < n && (S[i] == 'E' || S[i] == 'e')) {
        ++i;
        bool neg = false;
        if (i < n && (S[i] == '+' || S[i] == '-')) neg = S[i++] == '-';
        if (i >= n || S[i] < '0' || S[i] > '9') return false;
        while (i < n && S[i] >= '0' && S[i] <= '9') {
            if (exp < 100000) exp = exp * 10 + (S[i] - '0');
            ++i;
        }
        if (neg) exp = -exp;
    }
    while (blank(i)) ++i;
    if (i != n) return false;
    d.Exponent = intCount + static_cast<int>(exp);
    bool neg = d.Negative;
    StripZeros(d);
    if (!d.IsZero()) d.Negative = neg;
    return true;
}

bool DecimalToExtended(const Decimal& d, Extended& v)
{
    if (d.IsZero()) { v = 0; return true; }
    AnsiString s = "0." + d.Digits + "e" + std::to_string(d.Exponent);
    Extended r = 0;
    auto res = std::from_chars(s.data(), s.data() + s.size(), r);
    if (res.ec == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow is no valid number.
        if (d.Exponent < 0) { v = 0; return true; }
        return false;
    }
    if (res.ec != std::errc() || std::isinf(r)) return false;
    v = d.Negative ? -r : r;
    return true;
}

bool DecimalToCurrency(Decimal d, Currency& c)
{
    if (d.IsZero()) { c = Currency(); return true; }
    RoundDecimal(d, 9999, 4);
    if (d.IsZero()) { c = Currency(); return true; }
    int intDigits = d.Exponent + 4;  // digits of the scaled value
    if (intDigits > 19) return false;
    UInt64 mag = 0;
    for (int i = 0; i < intDigits; ++i) mag = mag * 10 + static_cast<UInt64>(DigitAt(d, i) - '0');
    const UInt64 limit = d.Negative ? UInt64(INT64_MAX) + 1 : UInt64(INT64_MAX);
    if (mag > limit) return false;
    c.Value = d.Negative ? static_cast<Int64>(~mag + 1) : static_cast<Int64>(mag);
    return true;
}

// [blanks][sign]("$"|"0x"|"0X")?digits; hex may give the full bit pattern of the width.
bool ParseInteger(const AnsiString& S, Int64 Min, Int64 Max, UInt64 HexMask, Int64& Value)
{
    size_t i = 0, n = S.size();
    while (i < n && (S[i] == ' ' || S[i] == '\t')) ++i;
    bool neg = false;
    if (i < n && (S[i] == '+' || S[i] == '-')) neg = S[i++] == '-';
    bool hex = false;
    if (i < n && S[i] == '$') { hex = true; ++i; }
    else if (i + 1 < n && S[i] == '0' && (S[i + 1] == 'x' || S[i + 1] == 'X')) { hex = true; i += 2; }
    if (i >= n) return false;
    UInt64 mag = 0;
    const UInt64 decLimit = neg ? UInt64(-(Min + 1)) + 1 : UInt64(Max);
    for (; i < n; ++i) {
        char c = S[i];
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (hex && c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else return false;
        if (hex) {
            if (mag > (HexMask >> 4)) return false;
            mag = (mag << 4) | static_cast<UInt64>(v);
        } else {
            if (mag > (decLimit - static_cast<UInt64>(v)) / 10) return false;
            mag = mag * 10 + static_cast<UInt64>(v);
        }
    }
    Int64 r;
    if (hex) {
        // Sign-extend the bit pattern of the target width.
        UInt64 top = (HexMask >> 1) + 1;
        r = (mag & top) ? static_cast<Int64>(mag | ~HexMask) : static_cast<Int64>(mag);
        if (neg) {
            if (r == Min) return false;
            r = -r;
        }
    } else {
        r = neg ? static_cast<Int64>(~mag + 1) : static_cast<Int64>(mag);
    }
    Value = r;
    return true;
}

}  // namespace

// ---- integers ------------------------------------------------------------------------------------

AnsiString IntToStr(Int64 Value) { return std::to_string(Value); }

AnsiString IntToHex(Int64 Value, Integer Digits)
{
    static const char hexd[] = "0123456789ABCDEF";
    UInt64 v = static_cast<UInt64>(Value);
    AnsiString r;
    do {
        r.insert(r.begin(), hexd[v & 15]);
        v >>= 4;
    } while (v);
    if (static_cast<Integer>(r.size()) < Digits) r.insert(0, static_cast<size_t>(Digits) - r.size(), '0');
    return r;
}

bool TryStrToInt(const AnsiString& S, Integer& Value)
{
    Int64 v;
    if (!ParseInteger(S, INT32_MIN, INT32_MAX, 0xFFFFFFFFull, v)) return false;
    Value = static_cast<Integer>(v);
    return true;
}

bool TryStrToInt64(const AnsiString& S, Int64& Value)
{
    return ParseInteger(S, INT64_MIN, INT64_MAX, ~0ull, Value);
}

Integer StrToInt(const AnsiString& S)
{
    Integer v;
    if (!TryStrToInt(S, v)) throw EConvertError(SInvalidInteger, {S});
    return v;
}

Int64 StrToInt64(const AnsiString& S)
{
    Int64 v;
    if (!TryStrToInt64(S, v)) throw EConvertError(SInvalidInteger, {S});
    return v;
}

Integer StrToIntDef(const AnsiString& S, Integer Default)
{
    Integer v;
    return TryStrToInt(S, v) ? v : Default;
}

Int64 StrToInt64Def(const AnsiString& S, Int64 Default)
{
    Int64 v;
    return TryStrToInt64(S, v) ? v : Default;
}

// ---- floating point ----------------------------------------------------------------------------

AnsiString FloatToStr(Extended Value) { return FloatToStr(Value, FormatSettings); }

AnsiString FloatToStr(Extended Value, const TFormatSettings& Settings)
{
    return DecimalToText(FromExtended(Value), ffGeneral, 15, 0, Settings);
}

AnsiString FloatToStrF(Extended Value, TFloatFormat Format, Integer Precision, Integer Digits)
{
    return FloatToStrF(Value, Format, Precision, Digits, FormatSettings);
}

AnsiString FloatToStrF(Extended Value, TFloatFormat Format, Integer Precision, Integer Digits,
                       const TFormatSettings& Settings)
{
    return DecimalToText(FromExtended(Value), Format, std::clamp(Precision, 1, 18), Digits, Settings);
}

AnsiString FormatFloat(const AnsiString& Format, Extended Value)
{
    return FormatFloat(Format, Value, FormatSettings);
}

AnsiString FormatFloat(const AnsiString& Format, Extended Value, const TFormatSettings& Settings)
{
    return FormatDecimal(Format, FromExtended(Value), Settings);
}

bool TryStrToFloat(const AnsiString& S, Extended& Value, const TFormatSettings& Settings)
{
    Decimal d;
    return ParseDecimal(S, Settings.DecimalSeparator, d) && DecimalToExtended(d, Value);
}

bool TryStrToFloat(const AnsiString& S, Extended& Value) { return TryStrToFloat(S, Value, FormatSettings); }

bool TryStrToFloat(const AnsiString& S, Double& Value)
{
    Extended v;
    if (!TryStrToFloat(S, v) || std::fabs(v) > 1.7976931348623157e308L) return false;
    Value = static_cast<Double>(v);
    return true;
}

Extended StrToFloat(const AnsiString& S) { return StrToFloat(S, FormatSettings); }

Extended StrToFloat(const AnsiString& S, const TFormatSettings& Settings)
{
    Extended v;
    if (!TryStrToFloat(S, v, Settings)) throw EConvertError(SInvalidFloat, {S});
    return v;
}

Extended StrToFloatDef(const AnsiString& S, Extended Default)
{
    Extended v;
    return TryStrToFloat(S, v) ? v : Default;
}

// ---- currency ------------------------------------------------------------------------------------

AnsiString CurrToStr(Currency Value) { return CurrToStr(Value, FormatSettings); }

AnsiString CurrToStr(Currency Value, const TFormatSettings& Settings)
{
    return DecimalToText(FromCurrency(Value), ffGeneral, 19, 0, Settings);
}

AnsiString CurrToStrF(Currency Value, TFloatFormat Format, Integer Digits)
{
    return CurrToStrF(Value, Format, Digits, FormatSettings);
}

AnsiString CurrToStrF(Currency Value, TFloatFormat Format, Integer Digits, const TFormatSettings& Settings)
{
    return DecimalToText(FromCurrency(Value), Format, 19, Digits, Settings);
}

AnsiString FormatCurr(const AnsiString& Format, Currency Value)
{
    return FormatCurr(Format, Value, FormatSettings);
}

AnsiString FormatCurr(const AnsiString& Format, Currency Value, const TFormatSettings& Settings)
{
    Decimal d = FromCurrency(Value);
    if (Format.empty()) return DecimalToText(d, ffGeneral, 19, 0, Settings);
    return FormatDecimal(Format, d, Settings);
}

bool TryStrToCurr(const AnsiString& S, Currency& Value, const TFormatSettings& Settings)
{
    Decimal d;
    return ParseDecimal(S, Settings.DecimalSeparator, d) && DecimalToCurrency(d, Value);
}

bool TryStrToCurr(const AnsiString& S, Currency& Value) { return TryStrToCurr(S, Value, FormatSettings); }

Currency StrToCurr(const AnsiString& S) { return StrToCurr(S, FormatSettings); }

Currency StrToCurr(const AnsiString& S, const TFormatSettings& Settings)
{
    Currency c;
    if (!TryStrToCurr(S, c, Settings)) throw EConvertError(SInvalidFloat, {S});
    return c;
}

Currency StrToCurrDef(const AnsiString& S, Currency Default)
{
    Currency c;
    return TryStrToCurr(S, c) ? c : Default;
}

Currency DoubleToCurr(Extended Value)
{
    // Through the same decimal digits as the texts, so 0.00015 gives 0,0002 as FloatToStr shows it.
    Decimal d = FromExtended(Value);
    Currency c;
    if (d.Kind != Decimal::Finite || !DecimalToCurrency(d, c)) throw EOverflow(SOverflow);
    return c;
}

Extended CurrToDouble(Currency Value) { return static_cast<Extended>(Value.Value) / 10000.0L; }
