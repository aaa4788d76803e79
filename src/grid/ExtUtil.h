#pragma once
// Free routines shared by the grid units: text kinds of a cell, URL tests, the
// text transformations used by CSV files and the clipboard, tolerant number and
// date parsing under the regional settings (FormatSettings), the filter-condition
// language, gradient and indicator drawing, and the two-byte Unicode cell encoding.
// Texts are code page 1254 bytes unless WideString is named. Positions are 1-based
// with 0 for "not found".
#include "platform/ui/Graphics.h"

class TWinControl;

// --- text kinds ------------------------------------------------------------------
// 0 plain, 1 HTML, 2 RTF, 3 formula, 5 Unicode-encoded (4 is never returned).
Integer TextType(const AnsiString& Text, bool HTMLEnabled);

// --- URLs ------------------------------------------------------------------------
bool IsURL(const AnsiString& Text);   // contains "://" or "mailto:"
// Drops everything up to and including the first "://", else up to "mailto:".
void StripURLProtocol(AnsiString& Text);

// --- Unicode cell encoding: "|\" then high byte, low byte of every UTF-16 unit ---
AnsiString WideToCellText(const WideString& Value);
// Decodes an encoded text (an unpaired last byte is dropped); any other text is
// converted from code page 1254.
WideString CellTextToWide(const AnsiString& Text);
// Code page 1254 holds every letter of the text.
bool FitsCodePage(const WideString& Text);
// Text from another program as a cell keeps it: 8-bit when it fits the code page, else a Unicode cell.
AnsiString OutsideTextToCell(const WideString& Text);
// The text is a Unicode cell's stored form ("|\\" and two bytes per UTF-16 unit).
bool IsUnicodeText(const AnsiString& Text);
// What a plain-text search or filter compares: a Unicode cell's decoded text, never its stored bytes.
AnsiString SearchedText(const AnsiString& Cell);
Integer WidePos(const WideString& SubStr, const WideString& S);

// --- numbers and dates under FormatSettings ---------------------------------------
// 0 integer, 1 floating-point, 2 not a number.
Integer NumberKind(const AnsiString& Text);
// The text the run-time number conversion accepts ("." decimal point), read
// tolerantly: leading junk skipped, "(...)" and a skipped "-" make it negative.
AnsiString NumberToValText(const AnsiString& Text);
// Thousand separators removed, the decimal separator turned into ".".
AnsiString NormalizeNumber(const AnsiString& Text);
// Day, month and year in the order of the short date format, split at the date
// separator; no century is added. False (Date untouched) for anything invalid.
bool StrToDateEx(const AnsiString& Text, TDateTime& Date);
bool IsDateText(const AnsiString& Text);
// Dates split at "/", "." or "-"; a year of one or two digits falls in the century
// window of the other date routines; 0 when the text has no such form.
// EConvertError for an impossible date.
TDateTime ParseMDYDate(const AnsiString& Text);
TDateTime ParseDMYDate(const AnsiString& Text);
// Adds exactly one non-zero part to Base; any other combination gives Base + Delta.
TDateTime DateAddParts(Word Years, Word Months, Word Days, TDateTime Base, TDateTime Delta);

// --- CSV and clipboard transformations ---------------------------------------------
void CRLFToCSVField(AnsiString& Text);   // CR LF -> #11, quotes doubled, then quoted
void CSVFieldToCRLF(AnsiString& Text);   // #11 -> CR LF
void TildeToCRLF(AnsiString& Text);      // "~" -> CR LF; "^" alone -> empty
// Doubled C becomes one C, a single C is dropped (when Text holds C at all).
AnsiString UnDoubleChar(char C, const AnsiString& Text);
void OemToAnsiText(AnsiString& Text);    // OEM code page 857 -> 1254
AnsiString BackslashNToCR(const AnsiString& Text);
AnsiString CRLFToTabBS(const AnsiString& Text);                  // CR -> #9, LF -> #8
AnsiString TabBSToCRLF(const AnsiString& Text, bool KeepAll);    // back; only the first line unless KeepAll
// The text up to the first CR; Text loses that line (and its CR LF), or becomes
// empty without KeepRest or when it has no CR.
AnsiString FirstLine(AnsiString& Text, bool KeepRest);
Integer LineCount(const AnsiString& Text, bool Multi);
AnsiString RemoveCR(const AnsiString& Text);
Integer CountChar(char C, const AnsiString& Text);
// Last position of the first run of C of odd length (or of a run ending the text).
Integer FindUnpairedChar(char C, const AnsiString& Text, Integer& Pos);
Integer CountUnpairedChar(char C, const AnsiString& Text);
void FillString(AnsiString& S, char C);
Integer UpperPos(const AnsiString& SubStr, const AnsiString& Text);
Integer CharPos(char C, const AnsiString& Text);
Integer CharPos(char C, const AnsiString& Text, Integer& Pos);
// The part before the first Delim; Text loses it and Delim's first character.
// Without Delim: empty, Text unchanged.
AnsiString SplitAt(AnsiString& Text, const AnsiString& Delim);

// --- small helpers -------------------------------------------------------------------
bool PtInGridRect(const TRect& R, Integer X, Integer Y);   // edges included
Integer Max(Integer A, Integer B);
Integer Min(Integer A, Integer B);
Integer PickPositive(Integer Def, Integer A, Integer B);
TColor HalfColor(TColor Color);
// "R<row>C<col>" (any case); Cell untouched unless both numbers convert.
bool ParseR1C1(const AnsiString& Text, TPoint& Cell);
// First character of CharSet outside double quotes; #0 and Pos -1 when none.
char FirstOperatorOutsideQuotes(const AnsiString& CharSet, const AnsiString& Text, Integer& Pos);
AnsiString RemoveBlanksOutsideQuotes(const AnsiString& Text);
AnsiString ProperCase(const AnsiString& Text);

// --- filter conditions -----------------------------------------------------------------
// Comparisons (> >= < <=), "!" negation, wildcards (* ? \) and the joins & (and),
// ; ^ | (or). Never raises.
bool MatchFilter(const AnsiString& Condition, const AnsiString& Text, bool CaseSensitive);

// --- drawing ----------------------------------------------------------------------------
void DrawGradient(TCanvas* Canvas, TColor FromColor, TColor ToColor, Integer Steps, const TRect& R, bool Horizontal);
TColor GradientColorAt(TColor FromColor, TColor ToColor, Integer Start, Integer End, Integer Pos);
// Red zigzag under the characters ErrFrom .. ErrFrom + ErrLen - 1 (0-based) of Text
// as the font of Parent lays it out from R.Left.
void DrawErrorUnderline(TWinControl* Parent, TCanvas* Canvas, const AnsiString& Text, const TRect& R,
                        Integer Offset, Integer ErrFrom, Integer ErrLen);
void DrawRangeIndicator(TCanvas* Canvas, const TRect& R, Integer Value, Integer Range, bool ShowValue,
                        TColor NegColor, TColor PosColor);
void DrawProgressBar(TCanvas* Canvas, TRect R, TColor DoneColor, TColor DoneTextColor, TColor RestColor,
                     TColor RestTextColor, Integer Value, Integer MarginX, Integer MarginY, Integer Min, Integer Max,
                     const AnsiString& FormatText, TColor BorderColor, bool TextBelowCentre);
void DrawProgressPie(TCanvas* Canvas, const TRect& R, TColor Color, Integer Percent, bool Direction);
void DrawComboButton(TCanvas* Canvas, TWinControl* Window, const TRect& R, bool Themed);
// Bitmap at the top-left of R; pixels of its top-left pixel's colour come out in BackColor.
void DrawTransparentBitmap(TCanvas* Canvas, TBitmap* Bitmap, TColor BackColor, const TRect& R);

// Layered windows do not exist here: both report True ("not done"), as on a
// system without the entry points.
bool SetLayeredWindowAttributesEx(TWinControl* Window, TColor Key, Byte Alpha, Cardinal Flags);
bool UpdateLayeredWindowEx(TWinControl* Window, TBitmap* Bitmap, Byte Alpha, Cardinal Flags);
