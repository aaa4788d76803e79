#pragma once
// The invoice transfer files, written from the marked rows of an invoice
// transfer screen's grid. The screen's write button (Button4Click) calls
// WriteInvoiceTransferFile with its grid and the texts of its controls.
#include "transfer/ZemtarFile.h"

class TExtStringGrid;

// Selection column of the invoice grids.
constexpr Integer InvoiceMarkCol = 11;

// The calling screen's controls.
struct TInvoiceFileInputs {
    AnsiString Month;        // text of iay
    TDateTime LastDate = 0;  // sontarih: its year is the year of the period
    AnsiString Folder;       // YOL, carrying its own trailing delimiter
    AnsiString ZoneTaxNo;    // VERGINOM
    AnsiString ZoneTitle;    // OSBUNVAN
    AnsiString FileNo;       // dosyano
};

AnsiString InvoiceFileName(const TZemtarEnergyKind& Kind);
AnsiString InvoiceFilePath(const TZemtarEnergyKind& Kind, const TInvoiceFileInputs& Inputs);

// Count and total of the marked rows. The total is exact: amounts are summed in
// millionths. An amount of column 7 that is no number (read with the current
// decimal separator), has more than six decimals or is a trillion or more, and a
// total beyond 64 bits of millionths (about 9.2e12), raise EConvertError naming
// the row and column, before anything is written.
struct TInvoiceTotals {
    Integer Count = 0;
    Int64 Millionths = 0;
};
TInvoiceTotals InvoiceTotals(const TExtStringGrid& Grid);
// The total as written, with "." as separator: electricity its decimal digits
// without trailing zeros ("120.5", "-5"), gas rounded to the cent, half away from
// zero ("120.50").
AnsiString InvoiceTotalText(const TZemtarEnergyKind& Kind, Int64 Millionths);

// The whole file into Out, in its stored form; no input checks. EZemtarText
// names the row and column of a character XML does not allow.
void BuildInvoiceTransferFile(TZemtarText& Out, const TZemtarEnergyKind& Kind, const TExtStringGrid& Grid,
                              const TInvoiceFileInputs& Inputs);

// The write as the screen's button runs it: checks the month and the zone tax
// number (message shown, the control to focus returned) and the folder (zcFolder),
// then writes the file, shows "<path> dosyası oluştu" and returns zcOk.
// Conversion and file failures and forbidden characters raise before anything is
// stored (the earlier file is kept, no success message).
TZemtarCheck WriteInvoiceTransferFile(const TZemtarEnergyKind& Kind, const TExtStringGrid& Grid,
                                      const TInvoiceFileInputs& Inputs);
