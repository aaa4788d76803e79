#pragma once
// The subscriber identity screens' spreadsheet exchange: the whole subscriber
// list out to a new visible workbook, and a range of workbook rows back in,
// one subscriber inserted or updated per row, behind the access code.
//
// Layout (export and import alike): one subscriber per row, 38 columns in the
// order of SubscriberSheetColumn; the export writes the headers into row 1 and
// the subscribers from row 2 on. Columns 26, 32, 36 and 37 hold numbers, the
// others text.
#include <vector>

#include "platform/rtl/System.h"

class TComponent;
class TForm;
class TOpenDialog;
class TpFBDataSet;

// The handlers of the electricity (TEABONEKIMLIKF) and natural-gas
// (TdABONEKIMLIKF) subscriber screens; the screen decides the table and the
// shared data set. Failures (database, automation, conversion) are raised.
// The import answers the subscriber numbers it stored (trailing blanks aside).
void SubscriberSheetExport(TForm* Screen);
std::vector<AnsiString> SubscriberSheetImport(TForm* Screen);

// The same for an explicit table ("eabonekimlik" or "dabonekimlik"): the
// export's work data set is owned by Owner; the import writes through
// SharedDataSet (its insert and update texts set) and takes the file name
// from Dialog.
void SubscriberSheetExportTable(TComponent* Owner, const AnsiString& TableName);
std::vector<AnsiString> SubscriberSheetImportTable(const AnsiString& TableName, TpFBDataSet* SharedDataSet,
                                                   TOpenDialog* Dialog);

constexpr Integer SubscriberSheetColumnCount = 38;
// Column 1..38: the header text written in row 1 and the table column it carries.
const char* SubscriberSheetHeader(Integer Column);
const char* SubscriberSheetField(Integer Column);
// Columns whose cells are numbers (26, 32, 36, 37).
bool SubscriberSheetNumberColumn(Integer Column);
// The date columns (6, 24, 25), stored as dd.mm.yyyy whatever form the cell
// holds: the transfer files take them apart by position. An empty cell is
// stored empty, as the screens store a date left empty.
bool SubscriberSheetDateColumn(Integer Column);

// The code an operator types before an import; compared exactly.
extern const char* const SubscriberImportAccessCode;
