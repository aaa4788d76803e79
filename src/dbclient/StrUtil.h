#pragma once
// Small text toolkit of the database layer: ASCII-only trimming, copying and
// case changes, searches, word splitting, wildcard and LIKE matching, date
// literal normalising and SQL identifier quoting. Texts are code page 1254
// bytes; positions are 1-based, 0 means "not found". A "blank" is any byte
// below 33 unless a routine says otherwise.
#include "platform/rtl/System.h"

#include <climits>
#include <initializer_list>
#include <vector>

class TStrings;

// A set of 8-bit characters (delimiters, context characters).
class TCharSet {
public:
    constexpr TCharSet() = default;
    // Every byte of Chars (a null-terminated literal) is a member.
    constexpr TCharSet(const char* Chars) {
        for (; Chars && *Chars; ++Chars) Include(*Chars);
    }
    constexpr TCharSet(std::initializer_list<char> Chars) {
        for (char c : Chars) Include(c);
    }
    // All bytes from From to To inclusive.
    static constexpr TCharSet Range(unsigned char From, unsigned char To) {
        TCharSet s;
        for (unsigned c = From; c <= To; ++c) s.Include(static_cast<char>(c));
        return s;
    }
    constexpr bool Contains(char C) const {
        const unsigned u = static_cast<unsigned char>(C);
        return (FBits[u >> 6] >> (u & 63)) & 1u;
    }
    constexpr TCharSet& Include(char C) {
        const unsigned u = static_cast<unsigned char>(C);
        FBits[u >> 6] |= UInt64(1) << (u & 63);
        return *this;
    }
    constexpr TCharSet operator+(const TCharSet& O) const {
        TCharSet s;
        for (int i = 0; i < 4; ++i) s.FBits[i] = FBits[i] | O.FBits[i];
        return s;
    }

private:
    UInt64 FBits[4] = {0, 0, 0, 0};
};

// ---- trimming, lengths, copies ----------------------------------------------

AnsiString FastTrim(const AnsiString& S);           // blanks off both ends
// First and last non-blank positions of S; First > Last when S is all blank.
void TrimBounds(const AnsiString& S, Integer& First, Integer& Last);
void DoTrim(AnsiString& S);                         // in place, both ends
void DoTrimRight(AnsiString& S);                    // in place, right end
bool IsBlankStr(const AnsiString& S);               // empty or only blanks
Integer StrLenTrimRight(const char* S);             // length without trailing blanks; 0 for null
Integer FastStrLen(const char* S);                  // length; 0 for null; reads no byte past the zero

// Count characters from Index, clipped to the end; empty when Index < 1,
// Index past the end or Count <= 0.
AnsiString FastCopy(const AnsiString& S, Integer Index, Integer Count);
// The same copy into Dest (resized only when its length differs).
void DoCopy(const AnsiString& S, AnsiString& Dest, Integer Index, Integer Count);

// ---- case -------------------------------------------------------------------

AnsiString FastUpperCase(const AnsiString& S);      // a..z -> A..Z only
// a..z -> A..Z from position From to To; To 0 or past the end means the end,
// a negative To changes nothing.
void DoUpperCase(AnsiString& S, Integer From = 1, Integer To = 0);
void DoLowerCase(AnsiString& S);                    // A..Z -> a..z only

// ---- building and comparing -----------------------------------------------

AnsiString MakeStr(char C, Integer N);              // N copies; empty for N < 1
AnsiString IfThenStr(bool Condition, const AnsiString& A, const AnsiString& B);
// Lengths must match; IgnoreCase compares locale-aware (Turkish) without case.
bool EqualStr(bool IgnoreCase, const AnsiString& A, const AnsiString& B);
// Exact when CaseSensitive; otherwise equal lengths and every byte pair equal
// or exactly 32 apart.
bool AsciiEqualStr(const AnsiString& A, const AnsiString& B, bool CaseSensitive);
bool StrInArray(const AnsiString& S, const std::vector<AnsiString>& Items);

// ---- searching and replacing --------------------------------------------------

Integer PosCh(char C, const AnsiString& S);
Integer PosChFrom(char C, const AnsiString& S, Integer From);
Integer PosCI(const AnsiString& Substr, const AnsiString& S);   // ASCII case folded
// First position >= From where Substr lies wholly within the first
// min(To, length) characters; 0 when either text is empty.
Integer PosFrom(const AnsiString& Substr, const AnsiString& S, Integer From,
                Integer To = INT_MAX);
// Whole-word search: an occurrence counts when it is at the start or preceded
// by a character of Before, and is followed by a character of After or ends
// the text. Both texts are upper-cased first (AsNames: as names fold, SameName;
// otherwise a..z only).
Integer PosInRightContext(const AnsiString& Substr, const AnsiString& S,
                          const TCharSet& Before, bool AsNames, const TCharSet& After);
// Every non-overlapping occurrence replaced, left to right; the replacement is
// never searched again.
AnsiString ReplaceStr(const AnsiString& S, const AnsiString& Pattern,
                      const AnsiString& Replacement);
// The same, matched on upper-cased copies (AnsiUpper: locale-aware).
AnsiString ReplaceCIStr(const AnsiString& S, const AnsiString& Pattern,
                        const AnsiString& Replacement, bool AnsiUpper);

// ---- words, quotes, name=value --------------------------------------------

Integer WordCount(const AnsiString& S, const TCharSet& Delims);
// The N-th word (from 1); the whole text when it has no word and N is 1.
AnsiString ExtractWord(Integer N, const AnsiString& S, const TCharSet& Delims);
// What lies between a matching pair of outer quotes (" or '), surrounding
// spaces, tabs and line breaks ignored; otherwise S unchanged.
AnsiString UnquoteStr(const AnsiString& S);
AnsiString ExtractValue(const AnsiString& Line);    // after the first "="
// Parts before and after the first "=", untrimmed; no "=": all is the name.
void SplitNameValue(const AnsiString& Line, AnsiString& Name, AnsiString& Value);
bool IsOldParamName(const AnsiString& Name);        // OLD_x (letters in any case)
bool IsNewParamName(const AnsiString& Name);        // NEW_x
bool IsMasParamName(const AnsiString& Name);        // MAS_x

// ---- string lists -------------------------------------------------------------

// True for a null or empty list, or when every line is blank.
bool EmptyStrings(const TStrings* List);
void DeleteEmptyStrings(TStrings* List);            // only lines of length 0
// Dest := lines of Source (with their objects) not held by Exclusion; Dest
// may be Source or Exclusion itself.
void SubtractStrings(const TStrings* Source, const TStrings* Exclusion, TStrings* Dest);

// ---- matching -----------------------------------------------------------------

// Wildcard match with * and ? counting on both sides; case counts. Runs of
// "*" fold into one; "?" after "*" still takes one character. O(n*m) at worst.
bool WldCompare(const AnsiString& S, const AnsiString& Mask);
// Index of the first line matching Name, -1 when none; without CaseSensitive
// both sides fold as names (SameName).
Integer WldIndexOf(const TStrings* List, const AnsiString& Name, bool CaseSensitive);
// SQL LIKE: % any run, _ any one character, in the mask only; case counts;
// every other character ("*" and "?" too) is literal. O(n*m) at worst.
bool SQLMaskCompare(const AnsiString& S, const AnsiString& Mask);

// ---- dates ----------------------------------------------------------------------

// Kind: 0 date and time, 1 date, 2 time (any other kind: as 0). Turns an SQL-style literal
// ("25.12.2005", "12/25/2005", "25-DEC-2005") into the user's format; a text
// without separator comes back upper-cased ("now" -> "NOW"); blank -> "".
// Raises EConvertError when the text does not parse.
AnsiString NormalizeDateText(const AnsiString& S, Integer Kind);
// "-" -> the user's date separator, then the first English month abbreviation
// found (JAN..DEC, upper case) -> "01".."12".
AnsiString ConvertMonthNames(const AnsiString& S);
// Date-time conversion with ShortDateFormat set to DateFormat for the call.
TDateTime StrToDateFmt(const AnsiString& S, const AnsiString& DateFormat);

// ---- identifiers ----------------------------------------------------------------

// True when Ident must be double-quoted in dialect-3 SQL (odd characters,
// leading digit, reserved word; lower case too unless AllowLower).
bool IsNeedQuote(const AnsiString& Ident, bool AllowLower);
bool NeedQuote(const AnsiString& Ident);            // AllowLower false
bool NeedQuoteCI(const AnsiString& Ident);          // AllowLower true
// The identifier as it must stand in SQL of Dialect.
AnsiString FormatIdentifierEx(Integer Dialect, const AnsiString& Ident, bool AllowLower);
AnsiString FormatIdentifier(Integer Dialect, const AnsiString& Ident);
// The sorted upper-case reserved-word list the quoting decision rests on.
const std::vector<AnsiString>& ReservedWords();
