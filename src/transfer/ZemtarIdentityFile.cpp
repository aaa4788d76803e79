#include "transfer/ZemtarIdentityFile.h"

#include "grid/ExtGrid.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Dialogs.h"

#include <vector>
#include <string>

namespace {

enum TEmptyRule { erValue, erPlaceholder, erBlank };

// Elements that get one blank before their end tag whatever the value, per file.
// Those in Single do not add it to the blank of an empty cell. A handful each:
// looked up by a plain walk.
struct TBlankRules {
    const std::vector<std::string>* Trailing = nullptr;
    const std::vector<std::string>* Single = nullptr;
    static bool Has(const std::vector<std::string>* List, const char* Tag) {
        if (List)
            for (const std::string& T : *List)
                if (T == Tag) return true;
        return false;
    }
};

TBlankRules BlankRules(const TZemtarEnergyKind& Kind, TIdentityFileKind FileKind) {
    TBlankRules Rules;
    if (FileKind == ifAllSubscribers) {
        Rules.Trailing = &Kind.AllTrailingBlanks;
    } else if (FileKind == ifPeriod) {
        Rules.Trailing = &Kind.PeriodTrailingBlanks;
        Rules.Single = &Kind.PeriodSingleBlanks;
    }
    return Rules;
}

// dd.mm.yyyy -> yyyymmdd by position; whatever the positions hold otherwise. Older imports
// stored lease dates as yyyy-mm-dd: those are taken in their own order, not cut into a wrong date.
AnsiString DateValue(const AnsiString& S) {
    if (S.size() == 10 && S[4] == '-' && S[7] == '-') return S.substr(0, 4) + S.substr(5, 2) + S.substr(8, 2);
    return Copy(S, 7, 4) + Copy(S, 4, 2) + Copy(S, 1, 2);
}

void AppendAttribute(AnsiString& Line, const char* Name, const AnsiString& Value) {
    Line += "  ";
    Line += Name;
    Line += "=\"";
    Line += XmlAttributeEscape(Value);
    Line += '"';
}

class TBodyWriter {
public:
    TBodyWriter(TZemtarText& Out, const TZemtarRow& Row, const TBlankRules& Rules)
        : FOut(Out), FRow(Row), FRules(Rules) {}

    const AnsiString& Cell(Integer Col) const { return FRow[Col]; }

    void Leaf(const char* Tag, std::string_view Cell, TEmptyRule Rule = erValue, const char* Placeholder = "") {
        const bool Trailing = TBlankRules::Has(FRules.Trailing, Tag);
        if (!Trailing && !Cell.empty()) {
            FOut.Leaf(8, Tag, Cell);
            return;
        }
        AnsiString Value(Cell);
        if (Value.empty()) {
            if (Rule == erPlaceholder) Value = Placeholder;
            else if (Rule == erBlank && !(Trailing && TBlankRules::Has(FRules.Single, Tag))) Value = " ";
        }
        if (Trailing) Value += " ";
        FOut.Leaf(8, Tag, Value);
    }

private:
    TZemtarText& FOut;
    const TZemtarRow& FRow;
    const TBlankRules& FRules;
};

void WriteBody(TZemtarText& Out, const TZemtarEnergyKind& Kind, const TZemtarRow& Row, const TBlankRules& Rules,
               AnsiString& Scratch) {
    TBodyWriter W(Out, Row, Rules);
    Out.Line(2, "<islemler>");
    Scratch = "<islem";
    AppendAttribute(Scratch, "islemturu", Kind.IdentityIslemTuru);
    AppendAttribute(Scratch, "islemtipi", W.Cell(18));
    AppendAttribute(Scratch, "abonetipi", W.Cell(33));
    Scratch += '>';
    Out.Line(4, Scratch);
    Out.Line(6, "<abonebilgileri>");
    W.Leaf("vkn", W.Cell(4), erPlaceholder, "2222222222");
    W.Leaf("tckn", W.Cell(5), erPlaceholder, "22222222222");
    W.Leaf("aboneno", ZemtarSubscriberNo(W.Cell(1), Kind.SubscriberNoWidth));
    W.Leaf("abonetarihi", DateValue(W.Cell(6)));
    W.Leaf("soyad", W.Cell(3));
    W.Leaf("ad", W.Cell(2));
    W.Leaf("aboneturu", W.Cell(7));
    Out.Line(6, "</abonebilgileri>");
    Out.Line(8, "<aboneadres>");
    W.Leaf("ulusaladresno", W.Cell(8));
    W.Leaf("iladi", W.Cell(9));
    W.Leaf("ilceadi", W.Cell(10));
    W.Leaf("belde", W.Cell(11), erBlank);
    W.Leaf("bucak", W.Cell(12), erBlank);
    W.Leaf("koyadi", W.Cell(13), erBlank);
    W.Leaf("mahalle", W.Cell(14), erBlank);
    W.Leaf("cadsokbulmeydan", W.Cell(15), erBlank);
    W.Leaf("diskapi", W.Cell(16), erBlank);
    W.Leaf("ickapi", W.Cell(17), erBlank);
    Out.Line(6, "</aboneadres>");
    Out.Line(6, "<mulksahibi>");
    W.Leaf("tckn", W.Cell(22), erPlaceholder, "22222222222");
    W.Leaf("vkn", W.Cell(21), erPlaceholder, "2222222222");
    W.Leaf("soyad", W.Cell(20), erBlank);
    W.Leaf("ad", W.Cell(19), erBlank);
    W.Leaf("daskpolno", "11111111");
    W.Leaf("kontratbaslatarih", DateValue(W.Cell(24)));
    W.Leaf("kontratbitistarih", DateValue(W.Cell(25)));
    W.Leaf("kiratutar", W.Cell(26));
    Out.Line(6, "</mulksahibi>");
    Out.Line(6, "<aboneiletisim>");
    W.Leaf("tip", W.Cell(27));
    W.Leaf("tel_faks_email", W.Cell(28));
    Out.Line(6, "</aboneiletisim>");
    Out.Line(6, "<abonegayrimenkul>");
    W.Leaf("paftano", W.Cell(29));
    W.Leaf("adano", W.Cell(30));
    W.Leaf("parselno", W.Cell(31));
    W.Leaf("yuzolcum", W.Cell(32));
    Out.Line(6, "</abonegayrimenkul>");
    Out.Line(4, "</islem>");
    Out.Line(2, "</islemler>");
}

void CheckCombination(const TZemtarEnergyKind& Kind, TIdentityFileKind FileKind) {
    if (FileKind == ifClosedOrChanged && !Kind.HasClosedOrChanged)
        throw EInvalidOperation("The closed or changed subscriber file exists for electricity only");
}

}  // namespace

AnsiString IdentityFileName(const TZemtarEnergyKind& Kind, TIdentityFileKind FileKind) {
    CheckCombination(Kind, FileKind);
    return (FileKind == ifAllSubscribers ? "tum_" : "") + Kind.Name + "_abone_kimlik.xml";
}

AnsiString IdentityFilePath(const TZemtarEnergyKind& Kind, TIdentityFileKind FileKind,
                            const TIdentityFileInputs& Inputs) {
    return ZemtarFilePath(Inputs.Folder, IdentityFileName(Kind, FileKind));
}

void BuildIdentityTransferFile(TZemtarText& Out, const TZemtarEnergyKind& Kind, TIdentityFileKind FileKind,
                               const TExtStringGrid& Grid, const TIdentityFileInputs& Inputs) {
    const AnsiString FileName = IdentityFileName(Kind, FileKind);
    const bool Fixed = FileKind == ifClosedOrChanged;
    const Integer Marked = CountMarkedRows(Grid, IdentityMarkCol);

    TZemtarEnvelope Envelope;
    Envelope.SchemaFile = ZemtarSchemaName(FileName);
    Envelope.KurulusKodu = Kind.KurulusKodu;
    Envelope.ZoneTaxNo = Inputs.ZoneTaxNo;
    Envelope.ZoneTitle = Kind.IdentityTitleCut ? Copy(Inputs.ZoneTitle, 1, ZemtarTitleLength) : Inputs.ZoneTitle;
    Envelope.Period = Fixed ? AnsiString("201602-201602") : ZemtarPeriod(Inputs.Year, ZemtarMonthCode(Inputs.Month));
    Envelope.FileNo = Fixed ? AnsiString("50") : Inputs.FileNo;
    Envelope.Counts.emplace_back("topislsayisi", IntToStr(Marked));

    WriteEnvelopeHead(Out, Envelope);
    const TBlankRules Rules = BlankRules(Kind, FileKind);
    TZemtarRow Cells;
    AnsiString Scratch;
    for (Integer Row = 1; Row < Grid.RowCount(); ++Row) {
        if (!IsMarkedRow(Grid, Row, IdentityMarkCol)) continue;
        try {
            Cells.Read(Grid, Row);
            WriteBody(Out, Kind, Cells, Rules, Scratch);
        } catch (const EZemtarText&) {
            CheckZemtarRowText(Grid, Row);
            throw;
        }
    }
    WriteEnvelopeTail(Out);
}

TZemtarCheck WriteIdentityTransferFile(const TZemtarEnergyKind& Kind, TIdentityFileKind FileKind,
                                       const TExtStringGrid& Grid, const TIdentityFileInputs& Inputs) {
    CheckCombination(Kind, FileKind);
    if (FileKind != ifClosedOrChanged && Inputs.Month.empty()) {
        ShowMessage(FileKind == ifAllSubscribers ? Kind.AllMonthMessage : AnsiString(ZemtarMonthMessage));
        return zcMonth;
    }
    if (Inputs.ZoneTaxNo.size() < 10) {
        ShowMessage(ZemtarTaxNoMessage);
        return zcZoneTaxNo;
    }
    const AnsiString Path = IdentityFilePath(Kind, FileKind, Inputs);
    if (!ZemtarFolderUsable(Path)) return zcFolder;
    SaveZemtarFile(Path, [&](TZemtarText& Out) { BuildIdentityTransferFile(Out, Kind, FileKind, Grid, Inputs); });
    ShowZemtarDone(Path);
    return zcOk;
}
