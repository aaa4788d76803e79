#include "entry/SheetExchange.h"

#include "datasets/pFBDataSet.h"
#include "dbclient/pFBTransaction.h"
#include "entry/UDMODULE1.h"
#include "entry/Util3a.h"
#include "platform/data/DB.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Variants.h"
#include "platform/sheet/Excel.h"
#include "platform/ui/Dialogs.h"

#include <cmath>
#include <cstdio>
#include <map>

namespace {

// Long enough to recognise the cell, short enough for a message box.
constexpr std::size_t ShownValueLength = 80;

AnsiString ShownValue(const AnsiString& Value) {
    return Value.size() <= ShownValueLength ? Value : Value.substr(0, ShownValueLength) + "...";
}

[[noreturn]] void Refuse(Integer Row, const TSheetImportColumn& C, const AnsiString& Value, const AnsiString& Why) {
    throw EConvertError(Format("Excel satırı %d, sütun %d (%s): \"%s\" %s. Hiçbir kayıt aktarılmadı.",
                               {Row, C.Column, AnsiString(C.Field), ShownValue(Value), Why}));
}

}  // namespace

void StoreSheetRow(TpFBDataSet* DS, const std::function<void(bool Found)>& Assign) {
    StoreSheetRow(DS, !DS->IsEmpty(), Assign);
}

void StoreSheetRow(TpFBDataSet* DS, bool Found, const std::function<void(bool Found)>& Assign) {
    TFBTransaction* Tr = dmodule1->FBTransact1;
    if (Found)
        DS->Edit();
    else
        DS->Insert();
    try {
        Assign(Found);
        DS->Post();
    } catch (...) {
        // The row is not stored: leave the shared data set and the transaction clean.
        if (DS->State() == dsInsert || DS->State() == dsEdit) DS->Cancel();
        DS->Close();
        if (Tr->Active()) Tr->Rollback();
        throw;
    }
    dmodule1->CommitAndReopen(DS);
    DS->Close();
}

void CheckSheetRowsDistinct(const std::vector<Integer>& Rows, const std::function<AnsiString(Integer Row)>& Key,
                            const std::function<AnsiString(Integer Row)>& What) {
    std::map<AnsiString, Integer> Seen;
    for (Integer R : Rows) {
        const auto [It, New] = Seen.emplace(Key(R), R);
        if (!New)
            throw Exception(Format("Excel satırları %d ve %d: ikisi de %s; hangisinin kaydedileceği belli değil. "
                                   "Hiçbir kayıt aktarılmadı.",
                                   {It->second, R, What(R)}));
    }
}

bool AskSheetRow(const AnsiString& Caption, const AnsiString& Prompt, Integer& Row) {
    AnsiString Text;
    if (!InputQuery(Caption, Prompt, Text)) return false;
    if (!TryStrToInt(Text, Row))
        throw EConvertError("\"" + ShownValue(Text) + "\" bir satır numarası değil. Hiçbir kayıt aktarılmadı");
    return true;
}

bool SheetCellBlank(const Variant& Cell) {
    return Cell.IsEmpty() || Cell.IsNull() || (Cell.VType() == varString && Trim(VarToStr(Cell)).empty());
}

Double SheetImportNumber(const Variant& Cell) {
    if (SheetCellBlank(Cell)) return 0;
    auto NoNumber = [&] { return EConvertError("\"" + ShownValue(VarToStr(Cell)) + "\" sayı değil"); };
    // A true/false cell or text is no amount, though a variant reads it as -1 or 0.
    if (Cell.VType() == varBoolean) throw NoNumber();
    Double Value = 0;
    try {
        Extended Text = 0;
        if (VarIsStr(Cell) && !TryStrToFloat(VarToStr(Cell), Text)) throw NoNumber();
        Value = VarIsStr(Cell) ? static_cast<Double>(Text) : Cell.AsDouble();
    } catch (const Exception&) {
        throw NoNumber();
    }
    // Too large for a number ("1e999"): the database would refuse it in the middle of the import.
    if (!std::isfinite(Value)) throw NoNumber();
    return Value;
}

AnsiString SheetImportDate(const Variant& Cell, bool MayBeEmpty) {
    const AnsiString Text = Trim(VarToStr(Cell));
    if (Text.empty() && MayBeEmpty) return AnsiString();
    TDateTime Value = 0;
    if (!TryStoredDate(Text, Value)) throw EConvertError("\"" + ShownValue(Text) + "\" tarih değil");
    return StoredDateText(Value);
}

std::vector<Integer> CheckSheetImportRows(TExcelWorksheet* Sheet, Integer First, Integer Last, Integer KeyColumn,
                                          const std::vector<TSheetImportColumn>& Columns, TpFBDataSet* Target,
                                          const AnsiString& SelectSQL) {
    if (!dmodule1) throw Exception("Veri modülü hazır değil");
    dmodule1->FBTransact1->SetActive(true);
    dmodule1->SetDataSetSQL(Target, SelectSQL);
    Target->Open();
    std::vector<Integer> Widths;
    Widths.reserve(Columns.size());
    try {
        for (const TSheetImportColumn& C : Columns) {
            auto* Text = dynamic_cast<TStringField*>(Target->FieldByName(C.Field));
            Widths.push_back(!C.Number && Text ? Text->Size() : 0);
        }
    } catch (...) {
        Target->Close();
        throw;
    }
    Target->Close();

    std::vector<Integer> Rows;
    for (Integer Row = First; Row <= Last; ++Row) {
        if (Trim(VarToStr(Sheet->Cells(Row, KeyColumn))).empty()) continue;
        for (std::size_t I = 0; I < Columns.size(); ++I) {
            const TSheetImportColumn& C = Columns[I];
            const Variant Cell = Sheet->Cells(Row, C.Column);
            AnsiString Value;
            try {
                Value = VarToStr(Cell);
            } catch (const Exception&) {
                Refuse(Row, C, "?", "okunamıyor");
            }
            if (C.Number) {
                try {
                    SheetImportNumber(Cell);
                } catch (const Exception&) {
                    Refuse(Row, C, Value, "sayı değil");
                }
            } else if (C.Date) {
                try {
                    SheetImportDate(Cell, C.MayBeEmpty);
                } catch (const Exception&) {
                    Refuse(Row, C, Value, "tarih değil");
                }
            } else if (Widths[I] > 0 && static_cast<Integer>(Value.size()) > Widths[I]) {
                Refuse(Row, C, Value,
                       Format("%d karakter, bu sütun en çok %d karakter alır",
                              {static_cast<Integer>(Value.size()), Widths[I]}));
            }
        }
        Rows.push_back(Row);
    }
    return Rows;
}

void ShowExportedWorkbook(TExcelApplication& Excel) {
    try {
        Excel.Detach();
    } catch (const EOleError&) {
        // Written but not shown: the file is all the operator has, so say where it is.
        if (Excel.ShownFiles().empty() || !FileExists(Excel.ShownFiles().back())) throw;
        ShowMessage("Excel dosyası yazıldı, ancak onu açacak bir program bulunamadı. Dosya: " +
                    Excel.ShownFiles().back());
    }
}

bool DesktopSheetOpener(const AnsiString& FileName) {
    // The desktop starts its opener in the background and never says whether it
    // found a program; ask for the program first.
    FILE* Query = ::popen("xdg-mime query default application/vnd.openxmlformats-officedocument.spreadsheetml.sheet "
                          "2>/dev/null",
                          "r");
    if (!Query) return false;
    char Line[256] = {};
    const bool Named = std::fgets(Line, sizeof Line, Query) && Trim(AnsiString(Line)) != "";
    while (std::fgets(Line, sizeof Line, Query)) {
    }
    const int Status = ::pclose(Query);
    if (!Named || Status != 0) return false;
    return DefaultSheetOpener(FileName);
}
