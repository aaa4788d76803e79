// Format: the framework's "%" directives over an argument list.
#include <cmath>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"

namespace {

[[noreturn]] void Invalid(const AnsiString& Fmt) { throw EConvertError(SInvalidFormat, {Fmt}); }

class Formatter {
public:
    Formatter(const AnsiString& fmt, const TVarRec* args, size_t count, const TFormatSettings& fs)
        : FFmt(fmt), FArgs(args), FCount(count), FFs(fs) {}

    AnsiString Run()
    {
        AnsiString out;
        size_t i = 0;
        const size_t n = FFmt.size();
        while (i < n) {
            char c = FFmt[i];
            if (c != '%') {
                out += c;
                ++i;
                continue;
            }
            ++i;
            if (i >= n) Invalid(FFmt);
            if (FFmt[i] == '%') {
                out += '%';
                ++i;
                continue;
            }
            // [index ":"] ["-"] [width] ["." prec] type
            int number = -1;
            bool haveNumber = ReadNumber(i, number);
            if (haveNumber && i < n && FFmt[i] == ':') {
                FNext = static_cast<size_t>(number);
                ++i;
                haveNumber = false;
                number = -1;
            }
            bool left = false;
            if (!haveNumber && i < n && FFmt[i] == '-') {
                left = true;
                ++i;
            }
            int width = -1;
            if (haveNumber) width = number;
            else if (ReadNumber(i, number)) width = number;
            int prec = -1;
            if (i < n && FFmt[i] == '.') {
                ++i;
                if (!ReadNumber(i, prec)) Invalid(FFmt);
            }
            if (i >= n) Invalid(FFmt);
            char type = FFmt[i++];
            AnsiString text = Convert(type, prec);
            if (width > 0 && static_cast<int>(text.size()) < width) {
                AnsiString pad(static_cast<size_t>(width) - text.size(), ' ');
                text = left ? text + pad : pad + text;
            }
            out += text;
        }
        return out;
    }

private:
    const AnsiString& FFmt;
    const TVarRec* FArgs;
    size_t FCount;
    const TFormatSettings& FFs;
    size_t FNext = 0;

    const TVarRec& NextArg()
    {
        if (FNext >= FCount) throw EConvertError(SArgumentMissing, {FFmt});
        return FArgs[FNext++];
    }

    // Widths, precisions and indexes beyond this are no sensible request (and would only
    // allocate gigabytes), whether written in the format or passed with "*".
    static constexpr Int64 kMaxNumber = 1000000;

    // Digits or "*" (an Integer argument). Returns false when neither is there.
    bool ReadNumber(size_t& i, int& value)
    {
        const size_t n = FFmt.size();
        if (i < n && FFmt[i] == '*') {
            ++i;
            const TVarRec& a = NextArg();
            if (a.Kind != vtInteger || a.AsInt64() > kMaxNumber) Invalid(FFmt);
            value = static_cast<int>(a.AsInt64());
            return true;
        }
        if (i >= n || FFmt[i] < '0' || FFmt[i] > '9') return false;
        Int64 v = 0;
        while (i < n && FFmt[i] >= '0' && FFmt[i] <= '9') {
            v = v * 10 + (FFmt[i] - '0');
            if (v > kMaxNumber) Invalid(FFmt);
            ++i;
        }
        value = static_cast<int>(v);
        return true;
    }

    static AnsiString PadDigits(AnsiString digits, int prec)
    {
        if (prec > 0 && static_cast<int>(digits.size()) < prec)
            digits.insert(0, static_cast<size_t>(prec) - digits.size(), '0');
        return digits;
    }

    AnsiString Convert(char type, int prec)
    {
        switch (type) {
        case 'd': case 'D': {
            const TVarRec& a = NextArg();
            if (a.Kind != vtInteger && a.Kind != vtInt64) Invalid(FFmt);
            Int64 v = a.AsInt64();
            UInt64 mag = v < 0 ? ~static_cast<UInt64>(v) + 1 : static_cast<UInt64>(v);
            AnsiString digits = PadDigits(std::to_string(mag), prec);
            return v < 0 ? "-" + digits : digits;
        }
        case 'u': case 'U': {
            const TVarRec& a = NextArg();
            if (a.Kind != vtInteger && a.Kind != vtInt64) Invalid(FFmt);
            UInt64 v = a.Kind == vtInteger ? static_cast<UInt64>(static_cast<uint32_t>(a.AsInt64()))
                                           : static_cast<UInt64>(a.AsInt64());
            return PadDigits(std::to_string(v), prec);
        }
        case 'x': case 'X': {
            const TVarRec& a = NextArg();
            if (a.Kind != vtInteger && a.Kind != vtInt64) Invalid(FFmt);
            Int64 v = a.Kind == vtInteger ? static_cast<Int64>(static_cast<uint32_t>(a.AsInt64())) : a.AsInt64();
            return PadDigits(IntToHex(v, 0), prec);
        }
        case 'e': case 'E': case 'f': case 'F': case 'g': case 'G':
        case 'n': case 'N': case 'm': case 'M':
            return FloatText(type, prec, NextArg());
        case 'p': case 'P': {
            const TVarRec& a = NextArg();
            if (a.Kind != vtPointer) Invalid(FFmt);
            return IntToHex(static_cast<Int64>(reinterpret_cast<uintptr_t>(a.AsPointer())), 16);
        }
        case 's': case 'S': {
            const TVarRec& a = NextArg();
            AnsiString s;
            if (a.Kind == vtString || a.Kind == vtChar) s = a.AsString();
            else if (a.Kind == vtWideString) s = WideToAnsi(a.AsWide());
            else Invalid(FFmt);
            if (prec >= 0 && static_cast<int>(s.size()) > prec) s.resize(static_cast<size_t>(prec));
            return s;
        }
        default:
            Invalid(FFmt);
        }
    }

    AnsiString FloatText(char type, int prec, const TVarRec& a)
    {
        if (a.Kind != vtExtended && a.Kind != vtCurrency) Invalid(FFmt);
        char t = static_cast<char>(type | 0x20);
        TFloatFormat ff;
        int precision, digits;
        switch (t) {
        case 'e': ff = ffExponent; precision = prec < 0 ? 15 : prec; digits = 3; break;
        case 'f': ff = ffFixed; precision = 18; digits = prec < 0 ? 2 : prec; break;
        case 'g': ff = ffGeneral; precision = prec < 0 ? 15 : prec; digits = 0; break;
        case 'n': ff = ffNumber; precision = 18; digits = prec < 0 ? 2 : prec; break;
        default: ff = ffCurrency; precision = 18; digits = prec < 0 ? FFs.CurrencyDecimals : prec; break;
        }
        if (a.Kind == vtCurrency) {
            Currency c = Currency::FromScaled(a.AsInt64());
            if (ff == ffExponent || ff == ffGeneral)
                return FloatToStrF(CurrToDouble(c), ff, precision, digits, FFs);
            return CurrToStrF(c, ff, digits, FFs);
        }
        return FloatToStrF(a.AsExtended(), ff, std::max(precision, 1), digits, FFs);
    }
};

}  // namespace

AnsiString Format(const AnsiString& Fmt, const TVarRecs& Args, const TFormatSettings& Settings)
{
    return Formatter(Fmt, Args.data(), Args.size(), Settings).Run();
}

AnsiString Format(const AnsiString& Fmt, const TVarRecs& Args) { return Format(Fmt, Args, FormatSettings); }

AnsiString Format(const AnsiString& Fmt, std::initializer_list<TVarRec> Args, const TFormatSettings& Settings)
{
    return Formatter(Fmt, Args.begin(), Args.size(), Settings).Run();
}

AnsiString Format(const AnsiString& Fmt, std::initializer_list<TVarRec> Args)
{
    return Format(Fmt, Args, FormatSettings);
}
