#pragma once
// What the subscriber and invoice screens' spreadsheet exchange shares: the
// check an import runs over the whole row range before it writes anything, and
// the hand-over of an exported workbook to the desktop.
#include "platform/rtl/System.h"

#include <functional>
#include <vector>

class TpFBDataSet;
class TExcelApplication;
class Variant;
class TExcelWorksheet;

struct TSheetImportColumn {
    Integer Column;      // sheet column, from 1
    const char* Field;   // the field it is stored in
    bool Number;         // converted to a floating-point number (an empty cell is 0)
    bool Date = false;   // must read as a date (SheetImportDate); an empty cell is refused
    bool MayBeEmpty = false;   // with Date: an empty cell is taken (stored empty)
};

// The rows First..Last whose key cell is not blank, in order. The text widths
// come from Target opened (in the data module's transaction) on SelectSQL, a
// select of the target table; it is closed again. The first cell that does not
// convert or is longer than its field raises EConvertError naming the sheet
// row, the column and the value; nothing is returned then.
std::vector<Integer> CheckSheetImportRows(TExcelWorksheet* Sheet, Integer First, Integer Last, Integer KeyColumn,
                                          const std::vector<TSheetImportColumn>& Columns, TpFBDataSet* Target,
                                          const AnsiString& SelectSQL);

// Two rows of Rows with the same Key would store one record twice, the second
// silently replacing the first: refused (Exception naming both rows and, through
// What, the record) before anything is written.
void CheckSheetRowsDistinct(const std::vector<Integer>& Rows, const std::function<AnsiString(Integer Row)>& Key,
                            const std::function<AnsiString(Integer Row)>& What);

// Stores one sheet row through DS, opened on the row's key: edits the record
// found or inserts one, has Assign fill it (told which), posts, commits, starts
// the data module's transaction again and reopens DS, then closes it. A row the
// database refuses leaves DS closed and the transaction rolled back, so the
// screen goes on working; the error is raised again.
void StoreSheetRow(TpFBDataSet* DS, const std::function<void(bool Found)>& Assign);
// The same, told whether to edit DS's current record or insert one.
void StoreSheetRow(TpFBDataSet* DS, bool Found, const std::function<void(bool Found)>& Assign);

// The row number the operator types at an import's prompt: false when the prompt
// is cancelled (the import ends quietly); EConvertError naming a typed text that
// is no number.
bool AskSheetRow(const AnsiString& Caption, const AnsiString& Prompt, Integer& Row);

// An empty cell, or one holding blanks only.
bool SheetCellBlank(const Variant& Cell);

// A number cell as it is stored: an empty cell gives 0; EConvertError otherwise
// when it is no number (a true/false cell or text too).
Double SheetImportNumber(const Variant& Cell);

// A date cell as it is stored: "dd.mm.yyyy". A date cell, a text that reads as
// a date in the user's settings or an ISO date ("2016-03-15", as office programs
// write date cells into CSV files) is taken; EConvertError otherwise, an empty
// cell too unless MayBeEmpty (then "").
AnsiString SheetImportDate(const Variant& Cell, bool MayBeEmpty = false);

// Lets go of an export's application, which writes the workbook and shows it.
// When no program can show it, the operator is told where the workbook was
// written; other failures raise.
void ShowExportedWorkbook(TExcelApplication& Excel);

// The program's workbook opener: the desktop's program for the file's type,
// started in the background; false when the desktop names none (nothing started).
bool DesktopSheetOpener(const AnsiString& FileName);
