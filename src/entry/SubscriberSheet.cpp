#include "entry/SubscriberSheet.h"

#include <memory>

#include "datasets/pFBDataSet.h"
#include "dbclient/pFBTransaction.h"
#include "entry/EABONEKIMLIK.h"
#include "entry/SheetExchange.h"
#include "entry/UDMODULE1.h"
#include "entry/Util3a.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sheet/Excel.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"

const char* const SubscriberImportAccessCode = "tuvak";

namespace {

struct TColumn {
    const char* Header;
    const char* Field;
};

// Insert order of the table, except that SAYI2 comes before zemtardahil.
const TColumn Columns[SubscriberSheetColumnCount] = {
    {"aboneno", "ABONENO"},
    {"ADI", "ADI"},
    {"SOYADI", "SOYADI"},
    {"VERGINO", "VERGINO"},
    {"TCKIMLIK", "TCKIMLIK"},
    {"ABONETARIHI", "ABONETARIHI"},
    {"ABONEDURUMU", "ABONEDURUMU"},
    {"UAVTNO", "UAVTNO"},
    {"ILADI", "ILADI"},
    {"ILCEADI", "ILCEADI"},
    {"BELDEADI", "BELDEADI"},
    {"BUCAKADI", "BUCAKADI"},
    {"KOYADI", "KOYADI"},
    {"MAHALLEADI", "MAHALLEADI"},
    {"CADDEADI", "CADDEADI"},
    {"DISKAPINO", "DISKAPINO"},
    {"ICKAPINO", "ICKAPINO"},
    {"MULKIYET", "MULKIYET"},
    {"MULKADI", "MULKADI"},
    {"MULKSOYADI", "MULKSOYADI"},
    {"MULKVERGINO", "MULKVERGINO"},
    {"MULKTCKIMLIK", "MULKTCKIMLIK"},
    {"MULKDASK", "MULKDASK"},
    {"KIRABASLAMATARIHI", "KIRABASLAMATARIHI"},
    {"KIRABITISTARIHI", "KIRABITISTARIHI"},
    {"KIRATUTARI", "KIRATUTARI"},
    {"TELTIPI", "TELTIPI"},
    {"TELEFON", "TELEFON"},
    {"PAFTA", "PAFTA"},
    {"ADA", "ADA"},
    {"PERSEL", "PERSEL"},
    {"YUZOLCUM", "YUZOLCUM"},
    {"ABONETIPI", "ABONETIPI"},
    {"YAZI1", "YAZI1"},
    {"YAZI2", "YAZI2"},
    {"SAYI1", "SAYI1"},
    {"SAYI2", "SAYI2"},
    {"ZEMTARADAHIL", "zemtardahil"},
};

const char* const ExportSQL = "Select * from %s where aboneno>\"%s\" ORDER BY aboneno";
const char* const RowSQL = "Select * from %s where aboneno= \"%s\" ";
// Only the fields, for the widths of the check before an import.
const char* const FieldsSQL = "Select * from %s where 1=0";
const char* const ImportFilter = "xlsx|*.xlsx|xls Dosyaları|*.xls|Csv Dosyaları|*.csv";

// A value inside a double-quoted literal: a quote of its own must not end it.
AnsiString SqlLiteralText(const AnsiString& Value) { return ReplaceAll(Value, "\"", "\"\""); }

Tdmodule1& DataModule() {
    if (!dmodule1) throw Exception("Veri modülü hazır değil");
    return *dmodule1;
}

TpFBTransaction& Transaction() { return *DataModule().FBTransact1; }

struct TScreenKind {
    AnsiString TableName;
    TpFBDataSet* DataSet;
    TOpenDialog* Dialog;
};

// Electricity or natural gas, by the screen's energy kind.
TScreenKind KindOf(TForm* Screen) {
    auto* Form = dynamic_cast<TAboneKimlikForm*>(Screen);
    if (!Form) throw Exception("Abone kimlik ekranı yok");
    const bool Gas = &Form->Kind() == &NaturalGasAboneKimlik;
    return {Gas ? "dabonekimlik" : "eabonekimlik", Form->Kind().SharedDataSet(&DataModule()), Form->dosyaac};
}

// A work data set of the owner, freed when the handler is done with it.
struct TWorkDataSet {
    explicit TWorkDataSet(TComponent* Owner) : DS(new TpFBDataSet(Owner)) {}
    ~TWorkDataSet() { delete DS; }
    TWorkDataSet(const TWorkDataSet&) = delete;
    TWorkDataSet& operator=(const TWorkDataSet&) = delete;
    TpFBDataSet* DS;
};

void AssignRow(TpFBDataSet* DS, TExcelWorksheet* Sheet, Integer Row) {
    for (Integer C = 1; C <= SubscriberSheetColumnCount; ++C) {
        TField* Field = DS->FieldByName(Columns[C - 1].Field);
        const Variant Cell = Sheet->Cells(Row, C);
        if (SubscriberSheetNumberColumn(C))
            Field->SetAsFloat(SheetImportNumber(Cell));
        else if (SubscriberSheetDateColumn(C))
            Field->SetAsString(SheetImportDate(Cell, true));   // an empty date cell is stored empty
        else
            Field->SetAsString(VarToStr(Cell));
    }
}

void ImportRow(const AnsiString& TableName, TpFBDataSet* DS, TExcelWorksheet* Sheet, Integer Row) {
    Tdmodule1& DM = DataModule();
    Transaction().SetActive(true);
    DM.SetDataSetSQL(DS, Format(RowSQL, {TableName, SqlLiteralText(VarToStr(Sheet->Cells(Row, 1)))}));
    DS->Open();
    DS->First();
    StoreSheetRow(DS, [&](bool) { AssignRow(DS, Sheet, Row); });
}

}  // namespace

const char* SubscriberSheetHeader(Integer Column) {
    if (Column < 1 || Column > SubscriberSheetColumnCount) return "";
    return Columns[Column - 1].Header;
}

const char* SubscriberSheetField(Integer Column) {
    if (Column < 1 || Column > SubscriberSheetColumnCount) return "";
    return Columns[Column - 1].Field;
}

bool SubscriberSheetNumberColumn(Integer Column) {
    return Column == 26 || Column == 32 || Column == 36 || Column == 37;
}

bool SubscriberSheetDateColumn(Integer Column) { return Column == 6 || Column == 24 || Column == 25; }


void SubscriberSheetExportTable(TComponent* Owner, const AnsiString& TableName) {
    Tdmodule1& DM = DataModule();
    Transaction().SetActive(true);
    TWorkDataSet Work(Owner);
    TpFBDataSet* DS = Work.DS;
    DM.SetDataSetSQL(DS, Format(ExportSQL, {TableName, AnsiString()}));
    DS->Open();
    DS->First();
    if (DS->IsEmpty()) return;

    std::unique_ptr<TExcelApplication> Excel = CreateOleObject("excel.application");
    Excel->Workbooks()->Add();
    TExcelWorksheet* Sheet = Excel->Workbooks(1)->Worksheets(1);
    Excel->SetVisible(true);
    for (Integer C = 1; C <= SubscriberSheetColumnCount; ++C) Sheet->SetCells(1, C, Columns[C - 1].Header);

    Integer Row = 2;
    while (!DS->Eof()) {
        for (Integer C = 1; C <= SubscriberSheetColumnCount; ++C) {
            TField* Field = DS->FieldByName(Columns[C - 1].Field);
            if (SubscriberSheetNumberColumn(C))
                Sheet->SetCells(Row, C, Field->AsFloat());
            else
                Sheet->SetCells(Row, C, Field->AsString());
        }
        ++Row;
        DS->Next();
    }
    // Hand the workbook over now, so that a failure to show it is reported.
    ShowExportedWorkbook(*Excel);
}

std::vector<AnsiString> SubscriberSheetImportTable(const AnsiString& TableName, TpFBDataSet* SharedDataSet,
                                                   TOpenDialog* Dialog) {
    if (!SharedDataSet || !Dialog) throw Exception("Abone aktarımı için veri seti veya dosya seçimi yok");

    if (InputBox("Yetki Kodunu Giriniz", "Yetki Kodu", "") != SubscriberImportAccessCode) {
        ShowMessage("Yetki kodu yanlış");
        return {};
    }

    if (Dialog->Filter().empty()) Dialog->SetFilter(ImportFilter);
    // A cancelled choice imports nothing (and never the file chosen before).
    if (!Dialog->Execute()) return {};
    const AnsiString FileName = Dialog->FileName();

    std::unique_ptr<TExcelApplication> Excel = CreateOleObject("excel.application");
    Excel->Workbooks()->Open(FileName);
    TExcelWorksheet* Sheet = Excel->Workbooks(1)->Worksheets(1);
    Excel->SetVisible(true);

    Integer First = 0, Last = 0;
    if (!AskSheetRow("Satır No", "Excel İlk Satır Numarasını Giriniz", First) ||
        !AskSheetRow("Satır No", "Excel Son Satır Numarasını Giriniz", Last))
        return {};

    // The whole range is checked before the first row is written.
    std::vector<TSheetImportColumn> Check;
    for (Integer C = 1; C <= SubscriberSheetColumnCount; ++C)
        Check.push_back({C, Columns[C - 1].Field, SubscriberSheetNumberColumn(C), SubscriberSheetDateColumn(C), true});
    const std::vector<Integer> Rows =
        CheckSheetImportRows(Sheet, First, Last, 1, Check, SharedDataSet, Format(FieldsSQL, {TableName}));

    // Trailing blanks aside, as the database compares the numbers.
    auto Number = [&](Integer Row) { return TrimRight(VarToStr(Sheet->Cells(Row, 1))); };
    CheckSheetRowsDistinct(Rows, Number, [&](Integer Row) {
        return Format("\"%s\" numaralı abone", {VarToStr(Sheet->Cells(Row, 1))});
    });
    std::vector<AnsiString> Stored;
    for (Integer Row : Rows) {
        ImportRow(TableName, SharedDataSet, Sheet, Row);
        Stored.push_back(Number(Row));
    }
    return Stored;
}

void SubscriberSheetExport(TForm* Screen) {
    const TScreenKind Kind = KindOf(Screen);
    SubscriberSheetExportTable(Screen, Kind.TableName);
}

std::vector<AnsiString> SubscriberSheetImport(TForm* Screen) {
    const TScreenKind Kind = KindOf(Screen);
    return SubscriberSheetImportTable(Kind.TableName, Kind.DataSet, Kind.Dialog);
}
