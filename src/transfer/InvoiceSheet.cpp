#include "transfer/InvoiceSheet.h"

#include "datasets/pFBDataSet.h"
#include "dbclient/pFBTransaction.h"
#include "entry/SheetExchange.h"
#include "entry/UDMODULE1.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sheet/Excel.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "transfer/TopFaturaGir.h"

#include <map>

namespace {

const char* const Headers[7] = {
    "Abone no", "Abone Adı", "Dönemi", "Referans No", "Toplam Bedel", "Toplam Tüketim", "Fatura Tarihi",
};

// Known only to the operators allowed to load invoices.
const char* const AccessCode = "tuvak";

constexpr std::size_t NameWidth = 100;

// What the import stores, by sheet column; column 1 is the key.
const std::vector<TSheetImportColumn> ImportColumns = {
    {1, "aboneno", false}, {3, "DONEMI", false},       {4, "referansno", false},
    {5, "TOPLAMBEDELI", true}, {6, "TOPLAMtuketim", true}, {7, "faturatarihi", false, true},
};

AnsiString Text(TExcelWorksheet* Sheet, Integer Row, Integer Column) { return VarToStr(Sheet->Cells(Row, Column)); }

// The invoice date is a key and is read back as a date by the invoice dialog:
// it is stored in the one form the screens write and look for.
AnsiString InvoiceDate(TExcelWorksheet* Sheet, Integer Row) { return SheetImportDate(Sheet->Cells(Row, 7)); }

// The row's invoice, also where an older import stored its date as yyyy-mm-dd.
TInvoiceQueryParams RowKey(const AnsiString& No, const AnsiString& Date) {
    return {{"ABONENO", No}, {"FATURATARIHI", Date},
            {"ISOFATURATARIHI", Copy(Date, 7, 4) + "-" + Copy(Date, 4, 2) + "-" + Copy(Date, 1, 2)}};
}

// Where a row lands: the stored invoice it updates (its reference number as
// stored, NULL read as empty, and its date text), or a new one.
struct TRowTarget {
    Integer Row;
    bool Update;
    AnsiString Ref, Date;
};

AnsiString StoredRef(TpFBDataSet* Ds) { return Ds->FieldByName("referansno")->AsString(); }

// A row updates the invoice of its subscriber and date; where several are stored,
// the one with the row's reference number. A row that could touch more than one
// stored invoice, or two rows that land on one invoice (the second would silently
// replace the first), refuse the workbook before any row is written.
std::vector<TRowTarget> RowTargets(const TInvoiceKind& Kind, TExcelWorksheet* Sheet, const std::vector<Integer>& Rows) {
    std::vector<TRowTarget> Targets;
    std::map<Integer, AnsiString> Keys;
    for (Integer R : Rows) {
        const AnsiString No = Text(Sheet, R, 1), Date = InvoiceDate(Sheet, R), Ref = Text(Sheet, R, 4);
        auto Found = OpenInvoiceQuery(Kind.SheetImportSQL, RowKey(No, Date));
        std::vector<std::pair<AnsiString, AnsiString>> Stored, Same;
        for (; !Found->Eof(); Found->Next()) {
            Stored.emplace_back(StoredRef(Found.get()), Found->FieldByName("faturatarihi")->AsString());
            if (TrimRight(Stored.back().first) == TrimRight(Ref)) Same.push_back(Stored.back());
        }
        const auto& Pick = Same.empty() ? Stored : Same;
        if (Pick.size() > 1)
            throw Exception(Format("Excel satırı %d: \"%s\" abonesinin %s tarihli birden çok faturası kayıtlı ve "
                                   "satırın referans numarası (\"%s\") bunlardan birini seçmiyor; satırın hangisini "
                                   "değiştireceği belli değil. Hiçbir kayıt aktarılmadı.",
                                   {R, No, Date, Ref}));
        if (Pick.empty()) Targets.push_back({R, false, Ref, Date});
        else Targets.push_back({R, true, Pick[0].first, Pick[0].second});
        // The database compares texts without their trailing blanks.
        Keys[R] = TrimRight(No) + '\0' + Date + '\0' + TrimRight(Targets.back().Ref);
    }
    CheckSheetRowsDistinct(
        Rows, [&](Integer R) { return Keys[R]; },
        [&](Integer R) { return Format("\"%s\" abonesinin %s tarihli faturası", {Text(Sheet, R, 1), InvoiceDate(Sheet, R)}); });
    return Targets;
}

// Ds, opened on the invoices of a row's subscriber and date, moved to the target.
void LocateTarget(TpFBDataSet* Ds, const TRowTarget& T) {
    for (Ds->First(); !Ds->Eof(); Ds->Next())
        if (StoredRef(Ds) == T.Ref && Ds->FieldByName("faturatarihi")->AsString() == T.Date) return;
    throw Exception(Format("Excel satırı %d: faturası aktarma sırasında değişti; aktarma durdu.", {T.Row}));
}

// Rows whose amount and consumption cells are both empty would be stored as an
// invoice of nothing: the operator is asked once for all of them, as the invoice
// dialog asks; Hayır (the default) stores no row at all.
bool EmptyAmountsConfirmed(TExcelWorksheet* Sheet, const std::vector<Integer>& Rows) {
    AnsiString Empty;
    for (Integer R : Rows)
        if (SheetCellBlank(Sheet->Cells(R, 5)) && SheetCellBlank(Sheet->Cells(R, 6)))
            Empty += (Empty.empty() ? "" : ", ") + IntToStr(R);
    if (Empty.empty()) return true;
    const AnsiString Question = Format("Excel satırları %s: fatura bedeli ve toplam tüketim boş. Bu satırlar 0 bedel "
                                       "ve 0 tüketimle kaydedilsin mi? Hayır derseniz hiçbir kayıt aktarılmaz.",
                                       {Empty});
    return Application->MessageBox(Question, "Onay", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

}  // namespace

AnsiString InvoiceSheetHeader(Integer Column) {
    return Column >= 1 && Column <= 7 ? AnsiString(Headers[Column - 1]) : AnsiString();
}

void InvoiceSheetExport(TTopFaturaGirForm* Screen, bool AllPeriods) {
    const TInvoiceKind& Kind = Screen->Kind();
    dmodule1->FBTransact1->SetActive(true);
    auto Invoices = AllPeriods ? OpenInvoiceQuery(Format(Kind.SheetAllSQL, {AnsiString()}))
                               : OpenInvoiceQuery(Format(Kind.SheetPeriodSQL, {SqlStringValue(Screen->Period())}));
    if (Invoices->IsEmpty()) return;

    std::unique_ptr<TExcelApplication> Excel = CreateOleObject("excel.application");
    Excel->Workbooks()->Add();
    TExcelWorksheet* Sheet = Excel->Workbooks(1)->Worksheets(1);
    Excel->SetVisible(true);
    for (Integer C = 1; C <= 7; ++C) Sheet->SetCells(1, C, Variant(AnsiString(Headers[C - 1])));

    Integer R = 2;
    for (; !Invoices->Eof(); Invoices->Next()) {
        const AnsiString AboneNo = Invoices->FieldByName("ABONENO")->AsString();
        Sheet->SetCells(R, 1, Variant(AboneNo));
        auto Subscriber = OpenInvoiceQuery(Format(Kind.SheetSubscriberSQL, {SqlStringValue(AboneNo)}));
        const AnsiString Name = Subscriber->IsEmpty() ? AnsiString() : Subscriber->FieldByName("adi")->AsString();
        Sheet->SetCells(R, 2, Variant(Name.substr(0, NameWidth)));
        Sheet->SetCells(R, 3, Variant(Invoices->FieldByName("DONEMI")->AsString()));
        Sheet->SetCells(R, 4, Variant(Invoices->FieldByName("referansno")->AsString()));
        Sheet->SetCells(R, 5, Variant(Invoices->FieldByName("TOPLAMBEDELI")->AsFloat()));
        Sheet->SetCells(R, 6, Variant(Invoices->FieldByName("TOPLAMtuketim")->AsFloat()));
        Sheet->SetCells(R, 7, Variant(Invoices->FieldByName("faturatarihi")->AsString()));
        ++R;
    }
    // Letting go of the visible application shows the new workbook.
    ShowExportedWorkbook(*Excel);
}

void InvoiceSheetImport(TTopFaturaGirForm* Screen) {
    const TInvoiceKind& Kind = Screen->Kind();
    if (InputBox("Yetki Kodunu Giriniz", "Yetki Kodu", "") != AccessCode) {
        ShowMessage("Yetki kodu yanlış");
        return;
    }
    // A cancelled choice imports nothing (and never the file of an earlier import).
    if (!Screen->dosyaac->Execute()) return;
    const AnsiString FileName = Screen->dosyaac->FileName();

    std::unique_ptr<TExcelApplication> Excel = CreateOleObject("excel.application");
    Excel->Workbooks()->Open(FileName);
    TExcelWorksheet* Sheet = Excel->Workbooks(1)->Worksheets(1);
    Excel->SetVisible(true);

    Integer First = 0, Last = 0;
    if (!AskSheetRow("Excel İlk Satır Numarasını Giriniz", "Satır No", First) ||
        !AskSheetRow("Excel Son Satır Numarasını Giriniz", "Satır No", Last) || Last < First)
        return;

    TFBTransaction* Tr = dmodule1->FBTransact1;
    TpFBDataSet* Ds = dmodule1->*Kind.InvoiceDataSet;
    Ds->UpdateSQL()->SetText(Kind.UpdateSQL);
    // The whole range is checked before the first row is written.
    const std::vector<Integer> Rows = CheckSheetImportRows(
        Sheet, First, Last, 1, ImportColumns, Ds, Kind.SheetImportSQL);

    const std::vector<TRowTarget> Targets = RowTargets(Kind, Sheet, Rows);
    if (!EmptyAmountsConfirmed(Sheet, Rows)) return;

    for (const TRowTarget& T : Targets) {
        const Integer R = T.Row;
        Tr->SetActive(true);
        OpenInvoiceQuery(Ds, Kind.SheetImportSQL, RowKey(Text(Sheet, R, 1), InvoiceDate(Sheet, R)));
        if (T.Update) LocateTarget(Ds, T);
        StoreSheetRow(Ds, T.Update, [&](bool Found) {
            Ds->FieldByName("aboneno")->SetAsString(Text(Sheet, R, 1));
            Ds->FieldByName("DONEMI")->SetAsString(Text(Sheet, R, 3));
            Ds->FieldByName("referansno")->SetAsString(Text(Sheet, R, 4));
            Ds->FieldByName("TOPLAMBEDELI")->SetAsFloat(SheetImportNumber(Sheet->Cells(R, 5)));
            Ds->FieldByName("TOPLAMtuketim")->SetAsFloat(SheetImportNumber(Sheet->Cells(R, 6)));
            Ds->FieldByName("faturatarihi")->SetAsString(InvoiceDate(Sheet, R));
            if (Found) Ds->UpdateRecord();
        });
    }
}
