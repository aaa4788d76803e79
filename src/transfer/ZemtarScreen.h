#pragma once
// What the transfer-file screens share beyond the writers: the number-key
// filter, the zone tax number check, the month list, the current year and
// quoting of values placed into select texts.
#include "platform/rtl/System.h"

class TEdit;
class TStrings;

extern const char* const ZemtarDigitsMessage;     // "Sadece rakam giriniz"
extern const char* const ZemtarTaxNoLengthMessage; // leaving VERGINOM with other than 10 characters

// Digits, Backspace, Enter and the current decimal separator pass; any other
// key shows the digits message and becomes 0 (dropped).
void ZemtarDigitFilter(char& Key);

// Leaving the zone tax number edit: other than exactly 10 characters shows the
// message and puts the focus back on the edit. True when the text was right.
bool ZemtarCheckZoneTaxNoLength(TEdit* Edit);

// "Ocak" .. "Aralık" in calendar order.
void ZemtarAddMonthItems(TStrings* Items);

// Characters 7 to 10 of today's dd.mm.yyyy text.
AnsiString ZemtarCurrentYearText();

// A value placed between double quotes of a dialect-1 select: every double
// quote doubled, so the value cannot end the literal.
AnsiString ZemtarSqlValue(const AnsiString& Value);
