#pragma once
// Workbook files behind the automation objects. Readers fill an empty
// workbook with its sheets and cells and raise EOleException naming the file
// when it is missing or cannot be read.
#include "platform/sheet/Excel.h"

#include <cstdio>
#include <memory>

// Limits of the .xlsx import besides the sheet's own: 10,000 sheets, 10 million
// shared strings holding 256 MiB of text, 32,767 characters in a cell.
void ReadXlsxFile(const AnsiString& FileName, TExcelWorkbook& Book);
// .xls is read by a child process (see XlsRead.cpp); at most 10,000 sheets,
// each within the format's 65,536 rows and 256 columns, in at most a minute.
void ReadXlsFile(const AnsiString& FileName, TExcelWorkbook& Book);
// For tests: what the child runs instead of the library (nullptr: the
// library), and how long it may take. Both return the previous setting.
using TXlsParser = int (*)(const char* Path, FILE* Out);
TXlsParser SetXlsParser(TXlsParser Parser);
int SetXlsReadSeconds(int Seconds);
// One sheet named after the file; fields separated by ";" or "," (whichever
// the first line holds more of outside quotes), quoted fields with doubled
// quotes and line breaks; code page 1254, or UTF-8 (with a byte-order mark,
// or when the whole file is valid UTF-8 with non-ASCII characters).
// An unquoted field that is a number in the user's settings ("1.520,75"), or a
// plain number with a decimal point ("1520.75"), is a Double; other fields are
// texts (quoted ones always; "0012" keeps its zeros). Empty fields are empty cells.
// A NUL byte, an unclosed quote, a damaged UTF-8 character or more rows or
// fields than a sheet holds raise EOleException naming the line.
void ReadCsvFile(const AnsiString& FileName, TExcelWorkbook& Book);
void ReadCsvText(const AnsiString& Bytes, TExcelWorksheet& Sheet);

// Writes the workbook as .xlsx to FileName: first completely to a temporary
// file beside it, then renamed over it. Raises EOleException on failure and
// leaves an existing FileName untouched.
void WriteXlsxFile(const TExcelWorkbook& Book, const AnsiString& FileName);
// Writes it to a new file "<Stem>.xlsx", "<Stem>_2.xlsx" ... in Dir that did
// not exist before (never replaces one); returns its name.
AnsiString WriteNewXlsxFile(const TExcelWorkbook& Book, const AnsiString& Dir, const AnsiString& Stem);

// The file of a large new workbook, built while its rows are written
// (TExcelWorksheet::HeldCells); WriteXlsxFile and WriteNewXlsxFile finish it.
std::shared_ptr<TXlsxStream> StartXlsxStream(const TExcelWorkbook& Book);
void StreamXlsxCell(TXlsxStream& Stream, const TExcelWorksheet& Sheet, Integer Row, Integer Col, const Variant& V);

// Shared helpers of the readers.
// Excel's serial day number as TDateTime (the same epoch for days after 1900-02-28).
TDateTime ExcelSerialToDateTime(double Serial);
// "yyyy-mm-dd", "yyyy-mm-ddThh:mm:ss[.fff]", "hh:mm:ss" to TDateTime; false when unreadable.
bool ParseIsoDateTime(const std::string& Text, TDateTime& Value);
// Text from UTF-8 with '?' for what code page 1254 lacks.
AnsiString SheetText(const std::string& Utf8);
