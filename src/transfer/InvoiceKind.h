#pragma once
// What tells the electricity invoice screens from the natural-gas ones: tables,
// statement texts, captions, colours, the data module's data sets and the few
// behaviours in which the twins differ. The bulk screen, its dialog and the
// spreadsheet exchange take one of these and share everything else.
#include "platform/ui/Graphics.h"

#include <memory>
#include <utility>
#include <vector>

class Tdmodule1;
class TpFBDataSet;
class TTopFaturaGirForm;
class TFaturaGirForm;

struct TInvoiceKind {
    AnsiString BulkCaption;
    AnsiString DialogCaption;
    TColor FormColor;

    // Bulk screen: the listing and the opening of the dialog.
    const char* SubscriberListSQL;
    const char* PeriodInvoicesSQL;
    const char* SubscriberByNoSQL;
    // An invoice is looked up by its reference number together with its
    // subscriber number (parameters REFERANSNO, ABONENO).
    const char* InvoiceByRefSQL;
    // Modifying statements the bulk screen puts on the shared invoice data set.
    // The update and the delete touch the one invoice read, by its reference
    // number, subscriber and date as read (siblings numbered or dated alike stay).
    const char* InsertSQL;
    const char* UpdateSQL;
    const char* DeleteSQL;

    // Dialog: its own delete text and look-up.
    const char* DialogDeleteSQL;
    const char* DialogInvoiceByRefSQL;

    // Spreadsheet exchange.
    const char* SheetPeriodSQL;
    const char* SheetAllSQL;
    const char* SheetSubscriberSQL;
    // Parameters ABONENO, FATURATARIHI (dd.mm.yyyy) and ISOFATURATARIHI, the same
    // date as yyyy-mm-dd, the form older imports stored.
    const char* SheetImportSQL;

    // The data module's shared data sets of this energy kind.
    TpFBDataSet* Tdmodule1::*InvoiceDataSet;
    TpFBDataSet* Tdmodule1::*SubscriberDataSet;

    // The screens' global instances (may be null).
    TTopFaturaGirForm* (*BulkScreen)();
    TFaturaGirForm* (*Dialog)();

    bool DblClickClearsPeriod;           // the dialog's donemi is cleared on a double click
    bool ChangeWithoutSubscriberCloses;  // a change with an empty ABONENO closes the dialog
    bool ChangeNotFoundMessage;          // a change that finds nothing says so
};

const TInvoiceKind& ElectricityInvoiceKind();
const TInvoiceKind& GasInvoiceKind();

// A value to be placed between double quotes in a dialect-1 statement: every
// double quote inside it doubled, so typed or imported text stays a value.
AnsiString SqlStringValue(const AnsiString& Value);

// "9" followed by the date and time as yyyymmddhhnnss (always 15 characters).
AnsiString NewInvoiceReferenceNo();

// Values of a select's named parameters (?NAME), bound as texts.
using TInvoiceQueryParams = std::vector<std::pair<const char*, AnsiString>>;

// Ds on the data module's connection and transaction with SQL as its select
// text and Params bound, opened and on its first record.
void OpenInvoiceQuery(TpFBDataSet* Ds, const AnsiString& SQL, const TInvoiceQueryParams& Params = {});
// Ds, opened on invoices, moved to the one whose stored invoice date is Stored;
// false (at its first row) when none is.
bool LocateInvoiceDate(TpFBDataSet* Ds, const AnsiString& Stored);
// The same on a new data set. The caller includes datasets/pFBDataSet.h.
std::unique_ptr<TpFBDataSet> OpenInvoiceQuery(const AnsiString& SQL, const TInvoiceQueryParams& Params = {});
