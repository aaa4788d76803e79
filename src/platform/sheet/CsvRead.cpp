// Reading delimited text files as a one-sheet workbook.
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sheet/SheetFiles.h"

#include <sys/stat.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

const char* const SourceName = "Microsoft Excel";

class ECsvError {
public:
    explicit ECsvError(AnsiString AWhy) : Why(std::move(AWhy)) {}
    AnsiString Why;
};

Integer LineOf(const AnsiString& S, size_t Pos) {
    Integer Line = 1;
    for (size_t I = 0; I < Pos && I < S.size(); ++I)
        if (S[I] == '\n' || (S[I] == '\r' && (I + 1 >= S.size() || S[I + 1] != '\n'))) ++Line;
    return Line;
}

// Length of the UTF-8 sequence at I, 0 when it is not a well-formed one.
size_t Utf8SequenceAt(const AnsiString& S, size_t I) {
    unsigned char C = static_cast<unsigned char>(S[I]);
    size_t Len = C < 0x80 ? 1 : (C & 0xE0) == 0xC0 ? 2 : (C & 0xF0) == 0xE0 ? 3 : (C & 0xF8) == 0xF0 ? 4 : 0;
    if (Len == 0 || (Len == 2 && C < 0xC2) || I + Len > S.size()) return 0;
    for (size_t K = 1; K < Len; ++K)
        if ((static_cast<unsigned char>(S[I + K]) & 0xC0) != 0x80) return 0;
    return Len;
}

// True when the eight bytes at P are all below 0x80.
bool AsciiWord(const char* P) {
    uint64_t W;
    std::memcpy(&W, P, sizeof W);
    return (W & 0x8080808080808080ULL) == 0;
}

// The file's bytes into the program's code page, in place. UTF-8 is taken with
// a byte-order mark, or when its multi-byte characters outnumber the bytes that
// are not UTF-8; a UTF-8 file with a damaged byte is refused rather than garbled.
void DecodeText(AnsiString& Bytes) {
    if (const void* Nul = std::memchr(Bytes.data(), 0, Bytes.size()))
        throw ECsvError("it is not a text file (it holds NUL bytes, line " +
                        IntToStr(LineOf(Bytes, static_cast<const char*>(Nul) - Bytes.data())) + ")");
    bool Bom = Bytes.size() >= 3 && Bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    size_t Valid = 0, Invalid = 0, FirstInvalid = 0;
    for (size_t I = Bom ? 3 : 0; I < Bytes.size();) {
        if (I + 8 <= Bytes.size() && AsciiWord(Bytes.data() + I)) {
            I += 8;
            continue;
        }
        if (static_cast<unsigned char>(Bytes[I]) < 0x80) {
            ++I;
            continue;
        }
        size_t Len = Utf8SequenceAt(Bytes, I);
        if (Len == 0) {
            if (Invalid++ == 0) FirstInvalid = I;
            ++I;
        } else {
            ++Valid;
            I += Len;
        }
    }
    if (Invalid > 0 && (Bom || Valid > Invalid))
        throw ECsvError("it is UTF-8 text with a damaged character on line " + IntToStr(LineOf(Bytes, FirstInvalid)));
    if (Bom)
        Bytes = Utf8ToAnsi(std::string_view(Bytes).substr(3));
    else if (Valid > 0 && Invalid == 0)
        Bytes = Utf8ToAnsi(Bytes);
}

// ";" or ",", whichever the first line holds more of outside quotes (";" on a tie).
char DetectDelimiter(const AnsiString& S) {
    size_t Semi = 0, Comma = 0;
    bool Quoted = false;
    for (char C : S) {
        if (C == '"')
            Quoted = !Quoted;
        else if (!Quoted && (C == '\n' || C == '\r'))
            break;
        else if (!Quoted && C == ';')
            ++Semi;
        else if (!Quoted && C == ',')
            ++Comma;
    }
    return Comma > Semi ? ',' : ';';
}

const char* DigitRun(const char* P, const char* E, uint64_t& Mantissa) {
    for (; P < E && *P >= '0' && *P <= '9'; ++P) Mantissa = Mantissa * 10 + static_cast<uint64_t>(*P - '0');
    return P;
}

// The value of [B, E) holding IntDigits whole digits and Decimals decimals
// besides an optional '-' and any one-byte separators; false when it has more
// digits than a text of a number can have here.
bool NumberValue(const char* B, const char* E, bool Negative, uint64_t Mantissa, size_t IntDigits,
                 size_t Decimals, bool HasPoint, double& Value) {
    // Up to 15 digits the quotient of two exact doubles is already the
    // nearest double, as from_chars would give it: every amount of a zone.
    static constexpr double Pow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (IntDigits + Decimals <= 15) {
        Value = Decimals ? static_cast<double>(Mantissa) / Pow10[Decimals] : static_cast<double>(Mantissa);
        if (Negative) Value = -Value;
        return true;
    }
    // Longer ones as plain text with a decimal point, within 63 characters.
    char Buf[64];
    size_t N = Negative;
    if (N + IntDigits > sizeof Buf - 2 || (HasPoint && N + IntDigits + 1 + Decimals > sizeof Buf - 1)) return false;
    Buf[0] = '-';
    size_t Whole = 0;
    for (const char* P = B + Negative; P < E; ++P) {
        if (*P >= '0' && *P <= '9') {
            Buf[N++] = *P;
            if (++Whole == IntDigits && HasPoint) Buf[N++] = '.';
        }
    }
    return std::from_chars(Buf, Buf + N, Value).ec == std::errc();
}

// A number in the user's settings ("1.520,75" with Group '.' and Point ','),
// or else a plain one with a decimal point ("1520.75"), read in one pass.
// Groups are of three digits after a first of one to three. A leading zero
// before another whole digit ("0012") is an identifier, as is a whole number
// too long for a double to hold exactly.
bool CsvNumber(const char* B, const char* E, double& Value) {
    char Group = FormatSettings.ThousandSeparator, Point = FormatSettings.DecimalSeparator;
    if (Group == Point) Group = 0;
    const bool Negative = B < E && *B == '-';
    const char* Digits = B + Negative;
    uint64_t Mantissa = 0;
    const char* P = DigitRun(Digits, E, Mantissa);
    const size_t Lead = static_cast<size_t>(P - Digits);
    if (Lead == 0 || (Lead > 1 && *Digits == '0')) return false;
    if (P == E) return Lead <= 15 && NumberValue(B, E, Negative, Mantissa, Lead, 0, false, Value);

    // After the first digits: groups, then decimals, in the settings.
    const char* AfterLead = P;
    const uint64_t LeadMantissa = Mantissa;
    size_t IntDigits = Lead;
    if (Group && *P == Group && Lead <= 3) {
        while (P < E && *P == Group) {
            const char* G = P + 1;
            P = DigitRun(G, E, Mantissa);
            if (P - G != 3) {
                P = nullptr;
                break;
            }
            IntDigits += 3;
        }
        if (P && *Digits == '0') P = nullptr;  // "0.123" is no grouped number
    }
    if (P && P < E && *P == Point) {
        const char* Frac = P + 1;
        P = DigitRun(Frac, E, Mantissa);
        if (P == Frac || P != E) P = nullptr;
        if (P) return NumberValue(B, E, Negative, Mantissa, IntDigits, static_cast<size_t>(E - Frac), true, Value);
    } else if (P == E) {
        return IntDigits <= 15 && NumberValue(B, E, Negative, Mantissa, IntDigits, 0, false, Value);
    }

    // Not in the settings: a decimal point after the first digits.
    if (Point == '.' || *AfterLead != '.') return false;
    const char* Frac = AfterLead + 1;
    Mantissa = LeadMantissa;
    P = DigitRun(Frac, E, Mantissa);
    if (P == Frac || P != E) return false;
    return NumberValue(B, E, Negative, Mantissa, Lead, static_cast<size_t>(E - Frac), true, Value);
}

// The first of three bytes in S[I, N), N when none; sixteen bytes at a time
// while they are there, so that most fields end within one look.
class TByteFinder {
public:
    TByteFinder(char A, char B, char C) : FA(A), FB(B), FC(C) {
#ifdef __SSE2__
        FVA = _mm_set1_epi8(A);
        FVB = _mm_set1_epi8(B);
        FVC = _mm_set1_epi8(C);
#endif
    }
    size_t Find(const char* S, size_t I, size_t N) const {
#ifdef __SSE2__
        for (; I + 16 <= N; I += 16) {
            __m128i X = _mm_loadu_si128(reinterpret_cast<const __m128i*>(S + I));
            __m128i Hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(X, FVA), _mm_cmpeq_epi8(X, FVB)),
                                       _mm_cmpeq_epi8(X, FVC));
            if (unsigned Mask = static_cast<unsigned>(_mm_movemask_epi8(Hit))) return I + __builtin_ctz(Mask);
        }
#endif
        while (I < N && S[I] != FA && S[I] != FB && S[I] != FC) ++I;
        return I;
    }

private:
    char FA, FB, FC;
#ifdef __SSE2__
    __m128i FVA, FVB, FVC;
#endif
};

// The rows of the decoded text, split as they are asked for.
class TCsvSource : public TSheetRowSource {
public:
    TCsvSource(AnsiString AText, AnsiString AFileName)
        : FText(std::move(AText)), FFileName(std::move(AFileName)), FDelim(DetectDelimiter(FText)),
          FFieldEnd(FDelim, '\r', '\n'), FQuotedEnd('"', '\r', '\n') {
        FEndsField[static_cast<unsigned char>(FDelim)] = FEndsField['\r'] = FEndsField['\n'] = true;
    }

    void Rewind() override {
        FPos = 0;
        FRow = 1;
        FLine = 1;
    }

    bool Next(TSheetRow& Out) override {
        try {
            Out.Clear();
            while (FPos < FText.size()) {
                Out.Number = FRow;
                ReadLine(Out);
                if (!Out.Cells.empty()) return true;
            }
            return false;
        } catch (const ECsvError& E) {
            if (FFileName.empty())
                throw EOleException("The text cannot be read as CSV: " + E.Why, DISP_E_EXCEPTION, SourceName);
            throw EOleException("'" + FFileName + "' CSV dosyası olarak okunamadı: " + E.Why, DISP_E_EXCEPTION,
                                SourceName);
        }
    }

private:
    bool EndsField(char C) const { return FEndsField[static_cast<unsigned char>(C)]; }

    // Counts the line breaks in [B, E) (a CR LF pair once).
    void CountLines(size_t B, size_t E) {
        const char* S = FText.data();
        const size_t N = FText.size();
        for (size_t K = B; K < E; ++K)
            if (S[K] == '\n' || (S[K] == '\r' && (K + 1 >= N || S[K + 1] != '\n'))) ++FLine;
    }

    // One field from I: its text in [B, E), left in the file's text when it
    // stands there whole, else built in FField. Quoted parts are text as they
    // stand; Quoted tells whether the field had any.
    void ReadField(size_t& I, const char*& B, const char*& E, bool& Quoted) {
        const char* S = FText.data();
        const size_t N = FText.size();
        Quoted = false;
        if (I < N && S[I] == '"') {
            // The usual quoted field: one pair of quotes on one line, nothing doubled.
            size_t End = FQuotedEnd.Find(S, I + 1, N);
            if (End < N && S[End] == '"' && (End + 1 >= N || EndsField(S[End + 1]))) {
                B = S + I + 1;
                E = S + End;
                I = End + 1;
                Quoted = true;
                return;
            }
        } else {
            size_t End = FFieldEnd.Find(S, I, N);
            B = S + I;
            E = S + End;
            I = End;
            return;
        }
        FField.clear();
        size_t Start = I;
        while (I < N) {
            char C = S[I];
            if (C == '"' && (I == Start || Quoted)) {
                Integer QuoteLine = FLine;
                Quoted = true;
                ++I;
                for (;;) {
                    const void* Q = std::memchr(S + I, '"', N - I);
                    if (!Q) throw ECsvError("the quote opened on line " + IntToStr(QuoteLine) + " is never closed");
                    size_t End = static_cast<const char*>(Q) - S;
                    CountLines(I, End);
                    FField.append(S + I, End - I);
                    I = End + 1;
                    if (I < N && S[I] == '"') {
                        FField += '"';
                        ++I;
                        continue;
                    }
                    break;
                }
                continue;
            }
            if (EndsField(C)) break;
            size_t End = I + 1;
            while (End < N && !EndsField(S[End]) && !(Quoted && S[End] == '"')) ++End;
            FField.append(S + I, End - I);
            I = End;
        }
        B = FField.data();
        E = B + FField.size();
    }

    // One line of fields up to its line break (quoted ones may hold breaks).
    void ReadLine(TSheetRow& Out) {
        const char* S = FText.data();
        const size_t N = FText.size();
        size_t I = FPos;
        if (FRow > ExcelMaxRows)
            throw ECsvError("it has more than " + IntToStr(ExcelMaxRows) + " rows (line " + IntToStr(FLine) + ")");
        Integer Col = 1;
        for (;;) {
            const char *B = nullptr, *E = nullptr;
            bool Quoted = false;
            ReadField(I, B, E, Quoted);
            if (B != E) {
                double Number = 0;
                if (!Quoted && CsvNumber(B, E, Number))
                    Out.AddNumber(Col, Number);
                else if (B != FField.data())  // in the file's text, which stays as long as the rows
                    Out.AddKeptText(Col, B, static_cast<size_t>(E - B));
                else
                    Out.AddText(Col, B, static_cast<size_t>(E - B));
            }
            if (I < N && S[I] == FDelim) {
                if (++Col > ExcelMaxColumns)
                    throw ECsvError("line " + IntToStr(FLine) + " has more than " + IntToStr(ExcelMaxColumns) + " fields");
                ++I;
                if (I < N) continue;
            } else if (I < N) {
                // A line break: CR LF, LF or CR.
                if (S[I] == '\r' && I + 1 < N && S[I + 1] == '\n') ++I;
                ++I;
            }
            break;
        }
        FPos = I;
        ++FRow;
        ++FLine;
    }

    AnsiString FText;
    AnsiString FFileName;
    char FDelim;
    TByteFinder FFieldEnd;        // the delimiter and the line breaks
    TByteFinder FQuotedEnd;       // the quote and the line breaks
    bool FEndsField[256] = {};
    size_t FPos = 0;
    Integer FRow = 1, FLine = 1;
    AnsiString FField;
};

void ReadCsv(AnsiString Bytes, TExcelWorksheet& Sheet, const AnsiString& FileName) {
    try {
        DecodeText(Bytes);
        Sheet.SetSource(std::make_unique<TCsvSource>(std::move(Bytes), FileName));
    } catch (const ECsvError& E) {
        if (FileName.empty())
            throw EOleException("The text cannot be read as CSV: " + E.Why, DISP_E_EXCEPTION, SourceName);
        throw EOleException("'" + FileName + "' CSV dosyası olarak okunamadı: " + E.Why, DISP_E_EXCEPTION,
                            SourceName);
    }
}

AnsiString SheetNameOf(const AnsiString& FileName) {
    AnsiString Name = ChangeFileExt(ExtractFileName(FileName), "");
    for (char& C : Name)
        if (C == '[' || C == ']' || C == ':' || C == '*' || C == '?' || C == '/' || C == '\\') C = '_';
    if (Name.size() > 31) Name.resize(31);
    if (Name.empty()) Name = "Sayfa1";
    return Name;
}

}  // namespace

void ReadCsvText(const AnsiString& Bytes, TExcelWorksheet& Sheet) {
    ReadCsv(Bytes, Sheet, AnsiString());
    Sheet.CellCount();  // the whole text is checked now
}

void ReadCsvFile(const AnsiString& FileName, TExcelWorkbook& Book) {
    FILE* F = std::fopen(AnsiToUtf8(FileName).c_str(), "rb");
    if (!F)
        throw EOleException("'" + FileName + "' dosyası açılamadı: " + SysErrorMessage(errno), DISP_E_EXCEPTION,
                            SourceName);
    // Straight into a string of the file's size; a file growing meanwhile is read on.
    AnsiString Bytes;
    struct stat St;
    if (fstat(fileno(F), &St) == 0 && St.st_size > 0) {
        Bytes.resize(static_cast<size_t>(St.st_size));
        Bytes.resize(std::fread(Bytes.data(), 1, Bytes.size(), F));
    }
    char Buf[65536];
    size_t N;
    while ((N = std::fread(Buf, 1, sizeof Buf, F)) > 0) Bytes.append(Buf, N);
    bool Failed = std::ferror(F) != 0;
    std::fclose(F);
    if (Failed)
        throw EOleException("'" + FileName + "' dosyası okunamadı", DISP_E_EXCEPTION, SourceName);
    ReadCsv(std::move(Bytes), *Book.AddSheet(SheetNameOf(FileName)), FileName);
}
