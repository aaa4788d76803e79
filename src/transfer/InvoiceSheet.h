#pragma once
// Invoice lists exchanged with spreadsheet workbooks from the bulk invoice
// screens. Layout of the first worksheet, one invoice per row from row 2 on:
// 1 subscriber number, 2 subscriber name (export only), 3 period,
// 4 reference number, 5 total amount, 6 total consumption, 7 invoice date.
#include "platform/rtl/System.h"

class TTopFaturaGirForm;

// Column headers of row 1, by column (1..7).
AnsiString InvoiceSheetHeader(Integer Column);

// The screen's period (AllPeriods false) or every invoice with a period into a
// new visible workbook; nothing when there is no invoice.
void InvoiceSheetExport(TTopFaturaGirForm* Screen, bool AllPeriods);

// Behind the access code: a workbook chosen with the screen's open dialog,
// rows first..last (asked) inserted or updated by subscriber number and
// invoice date, each row committed by itself. A row whose subscriber and date
// match more than one stored invoice refuses the workbook before any row is
// written. Failures are raised.
void InvoiceSheetImport(TTopFaturaGirForm* Screen);
