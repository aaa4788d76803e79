#include "transfer/ZemtarInvoiceFile.h"

#include "entry/Util3a.h"
#include "grid/ExtGrid.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Dialogs.h"

#include <cmath>
#include <string_view>

namespace {

// Transfer status of the invoice grids.
constexpr Integer StatusCol = 8;
constexpr Integer AmountCol = 7;

// The start tag of an invoice block with its operation code.
AnsiString IslemTag(const AnsiString& Code) { return "<islem  islemturu=\"" + XmlAttributeEscape(Code) + "\">"; }

std::string_view OrPlaceholder(const AnsiString& Value, const char* Placeholder) {
    return Value.empty() ? std::string_view(Placeholder) : std::string_view(Value);
}

void WriteBlock(TZemtarText& Out, const TZemtarEnergyKind& Kind, const TZemtarRow& Cell,
                const AnsiString& IslemStart) {
    Out.Line(2, "<islemler>");
    Out.Line(4, IslemStart);
    Out.Line(6, "<abonebilgileri>");
    Out.Leaf(8, "vkn", OrPlaceholder(Cell[4], "2222222222"));
    Out.Leaf(8, "tckn", OrPlaceholder(Cell[5], "22222222222"));
    Out.Leaf(8, "aboneno", ZemtarSubscriberNo(Cell[1], Kind.SubscriberNoWidth));
    Out.Leaf(8, "soyad", Cell[3]);
    Out.Leaf(8, "ad", Cell[2]);
    Out.Leaf(8, "tuketimmiktar", Cell[6]);
    Out.Leaf(8, "tutartl", ReplaceAll(Cell[AmountCol], ",", "."));
    Out.Line(6, "</abonebilgileri>");
    Out.Line(4, "</islem>");
    Out.Line(2, "</islemler>");
}

}  // namespace

AnsiString InvoiceFileName(const TZemtarEnergyKind& Kind) {
    return Kind.Name + "_fatura_islemleri.xml";
}

AnsiString InvoiceFilePath(const TZemtarEnergyKind& Kind, const TInvoiceFileInputs& Inputs) {
    return ZemtarFilePath(Inputs.Folder, InvoiceFileName(Kind));
}

TInvoiceTotals InvoiceTotals(const TExtStringGrid& Grid) {
    TInvoiceTotals T;
    AnsiString Scratch;
    for (Integer Row = 1; Row < Grid.RowCount(); ++Row) {
        if (!IsMarkedRow(Grid, Row, InvoiceMarkCol)) continue;
        ++T.Count;
        // Every row counted gets its block: a marked row of another status (exempt,
        // without identity record, typed) would make the file disagree with itself.
        const AnsiString Status = Grid.Cells(StatusCol, Row);
        if (Status != "NORMAL" && Status != "İADE")
            throw EConvertError(ZemtarCellPlace(Grid, StatusCol, Row) +
                                Format(": '%s' durumundaki satır dosyaya yazılamaz (yalnız NORMAL ve İADE yazılır); "
                                       "satırı H ile işaretleyiniz; dosya yazılmadı",
                                       {Status}));
        const AnsiString& Text = Grid.CellsRef(AmountCol, Row, Scratch);
        auto Refuse = [&](const char* Why) {
            throw EConvertError(ZemtarCellPlace(Grid, AmountCol, Row) + Format(Why, {Text}) + "; dosya yazılmadı");
        };
        Extended Amount = 0;
        if (!TryStrToFloat(Text, Amount) || !std::isfinite(Amount)) Refuse(": '%s' bir tutar değil");
        // Below a trillion the millionths are whole and exact; the amount read back
        // from them shows whether it had more decimals.
        if (!(std::fabs(Amount) < 1e12L)) Refuse(": '%s' tutarı bir trilyon veya daha büyük");
        const Int64 Millionths = std::llround(Amount * 1e6L);
        if (static_cast<Extended>(Millionths) / 1e6L != Amount) Refuse(": '%s' tutarının altıdan fazla ondalığı var");
        if (__builtin_add_overflow(T.Millionths, Millionths, &T.Millionths))
            Refuse(": '%s' ile toplam tutar dosyaya tam yazılamayacak kadar büyüyor");
    }
    return T;
}

AnsiString InvoiceTotalText(const TZemtarEnergyKind& Kind, Int64 Millionths) {
    // Magnitudes as unsigned: the most negative total has no positive twin.
    const bool Negative = Millionths < 0;
    UInt64 Units = Negative ? UInt64(0) - UInt64(Millionths) : UInt64(Millionths);
    const bool Cents = Kind.InvoiceTotalTwoDecimals;
    if (Cents) Units = Units / 10000 + (Units % 10000 >= 5000 ? 1 : 0);   // half a cent away from zero
    const size_t Places = Cents ? 2 : 6;
    const UInt64 Scale = Cents ? 100 : 1000000;
    std::string Fraction = std::to_string(Units % Scale);
    Fraction.insert(0, Places - Fraction.size(), '0');
    if (!Cents) Fraction.erase(Fraction.find_last_not_of('0') + 1);
    const AnsiString Text = std::to_string(Units / Scale) + (Fraction.empty() ? "" : "." + Fraction);
    return Negative && Units != 0 ? "-" + Text : Text;
}

void BuildInvoiceTransferFile(TZemtarText& Out, const TZemtarEnergyKind& Kind, const TExtStringGrid& Grid,
                              const TInvoiceFileInputs& Inputs) {
    const TInvoiceTotals Totals = InvoiceTotals(Grid);
    const AnsiString Year = Copy(FormatDateTime("dd.mm.yyyy", Inputs.LastDate), 7, 4);

    TZemtarEnvelope Envelope;
    Envelope.SchemaFile = ZemtarSchemaName(InvoiceFileName(Kind));
    Envelope.KurulusKodu = Kind.KurulusKodu;
    Envelope.ZoneTaxNo = Inputs.ZoneTaxNo;
    Envelope.ZoneTitle = Copy(Inputs.ZoneTitle, 1, ZemtarTitleLength);
    Envelope.Period = ZemtarPeriod(Year, ZemtarMonthCode(Inputs.Month));
    Envelope.FileNo = Inputs.FileNo;
    Envelope.Counts.emplace_back("toplamislemsayisi", IntToStr(Totals.Count));
    Envelope.Counts.emplace_back("toplamtutar", InvoiceTotalText(Kind, Totals.Millionths));

    WriteEnvelopeHead(Out, Envelope);
    const AnsiString Normal = IslemTag(Kind.InvoiceIslemTuru), Refund = IslemTag(Kind.RefundIslemTuru);
    TZemtarRow Cells;
    for (Integer Row = 1; Row < Grid.RowCount(); ++Row) {
        if (!IsMarkedRow(Grid, Row, InvoiceMarkCol)) continue;
        try {
            Cells.Read(Grid, Row);
            // The count pass let only these two through.
            WriteBlock(Out, Kind, Cells, Cells[StatusCol] == "NORMAL" ? Normal : Refund);
        } catch (const EZemtarText&) {
            CheckZemtarRowText(Grid, Row);
            throw;
        }
    }
    WriteEnvelopeTail(Out);
}

TZemtarCheck WriteInvoiceTransferFile(const TZemtarEnergyKind& Kind, const TExtStringGrid& Grid,
                                      const TInvoiceFileInputs& Inputs) {
    if (Inputs.Month.empty()) {
        ShowMessage(ZemtarMonthMessage);
        return zcMonth;
    }
    if (Inputs.ZoneTaxNo.size() < 10) {
        ShowMessage(ZemtarTaxNoMessage);
        return zcZoneTaxNo;
    }
    const AnsiString Path = InvoiceFilePath(Kind, Inputs);
    if (!ZemtarFolderUsable(Path)) return zcFolder;
    SaveZemtarFile(Path, [&](TZemtarText& Out) { BuildInvoiceTransferFile(Out, Kind, Grid, Inputs); });
    ShowZemtarDone(Path);
    return zcOk;
}
