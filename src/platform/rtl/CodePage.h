#pragma once
// Code page 1254 (Turkish Windows) text and its conversion to and from Unicode.
// Every byte maps to exactly one Unicode character; the five byte values that the
// code page leaves unassigned map to the C1 control of the same value, so any
// AnsiString survives a round trip through UTF-8 or UTF-16 unchanged.
// Characters that the code page cannot hold become '?'; so does each malformed
// UTF-8 sequence and each unpaired UTF-16 surrogate.
#include <string>
#include <string_view>

#include "platform/rtl/System.h"

// The Unicode character of one code page 1254 byte.
char32_t Cp1254ToUnicode(unsigned char Ch);
// The byte of a Unicode character, or -1 when code page 1254 has no such character.
int UnicodeToCp1254(char32_t Ch);

// UTF-8 texts are held in std::string as well; the names say which encoding is meant.
std::string AnsiToUtf8(std::string_view S);
AnsiString Utf8ToAnsi(std::string_view S);
// Utf8ToAnsi appended to Out.
void AppendUtf8AsAnsi(std::string_view S, AnsiString& Out);
WideString AnsiToWide(std::string_view S);
AnsiString WideToAnsi(std::u16string_view S);
WideString Utf8ToWide(std::string_view S);
std::string WideToUtf8(std::u16string_view S);

// Turkish letter case of one code page 1254 byte: i <-> İ, ı <-> I, ç ğ ö ş ü <-> Ç Ğ Ö Ş Ü,
// the other accented Latin letters of the code page, š œ ÿ <-> Š Œ Ÿ. Other bytes are kept.
char AnsiUpperChar(char Ch);
char AnsiLowerChar(char Ch);
// Names (fields, parameters, tables, aliases, generators, components, events) fold ASCII letters
// by the ASCII rule and other letters by the Turkish one, with "i", "ı", "İ" and "I" all alike:
// "id" is "ID" under the Turkish rules too. The folded text keeps the length of the name.
AnsiString NameUpperCase(std::string_view S);
bool SameName(std::string_view A, std::string_view B);
// True for the letters of the code page (a-z, A-Z and the accented ones).
bool IsAnsiLetter(char Ch);
