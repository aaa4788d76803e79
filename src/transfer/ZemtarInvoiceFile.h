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

// Count and total of the marked rows; the amount of column 7 is read with the
// current decimal separator (EConvertError when a marked row's amount is no number).
struct TInvoiceTotals {
    Integer Count = 0;
    Double Total = 0;
};
TInvoiceTotals InvoiceTotals(const TExtStringGrid& Grid);
// The total as written: shortest float text (electricity) or "0.00" (gas), with "." as separator.
AnsiString InvoiceTotalText(const TZemtarEnergyKind& Kind, Double Total);

// The whole file as code page 1254 text, before the UTF-8 encoding; no input checks.
AnsiString BuildInvoiceTransferText(const TZemtarEnergyKind& Kind, const TExtStringGrid& Grid,
                                    const TInvoiceFileInputs& Inputs);

// The write as the screen's button runs it: checks the month and the zone tax
// number (message shown, the control to focus returned), then writes the file,
// shows "<path> dosyası oluştu" and returns zcOk. Conversion and file failures
// raise before anything is stored (the earlier file is kept, no success message).
TZemtarCheck WriteInvoiceTransferFile(const TZemtarEnergyKind& Kind, const TExtStringGrid& Grid,
                                      const TInvoiceFileInputs& Inputs);
