#include "transfer/ZemtarFile.h"

#include "grid/ExtGrid.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Dialogs.h"

const char* const ZemtarMonthMessage = "lütfen Abone bilgilerini transfer edeceğimiz dönemi seçiniz.";
const char* const ZemtarTaxNoMessage = "lütfen osb nin vergi numarasını düzgün giriniz.";
const char* const ZemtarDoneSuffix = " dosyası oluştu";

const TZemtarEnergyKind ZemtarElectricity{
    "elektrik", "80", 26, "80069", "80070", "80079", false, true, true, ZemtarMonthMessage, {}, {}, {}};
const TZemtarEnergyKind ZemtarNaturalGas{
    "dogalgaz", "90", 15, "90071", "90072", "90080", true, false, false, "lütfen Beyan Ayını Giriniz",
    {"paftano", "adano"},
    {"iladi", "ilceadi", "belde", "bucak", "tel_faks_email", "paftano", "adano", "parselno"},
    {"bucak"}};

namespace {

const char* const MonthNames[12] = {"Ocak",   "Şubat",   "Mart",    "Nisan", "Mayıs",  "Haziran",
                                    "Temmuz", "Ağustos", "Eylül", "Ekim",  "Kasım", "Aralık"};

const char* const LineEnd = "\t\r\n";

}  // namespace

AnsiString ZemtarMonthCode(const AnsiString& MonthText) {
    for (int I = 0; I < 12; ++I) {
        if (MonthText == MonthNames[I]) return (I < 9 ? "0" : "") + IntToStr(I + 1);
    }
    return AnsiString();
}

AnsiString ZemtarPeriod(const AnsiString& Year, const AnsiString& MonthCode) {
    return Year + MonthCode + "-" + Year + MonthCode;
}

AnsiString XmlEscape(const AnsiString& Value) {
    AnsiString Result;
    Result.reserve(Value.size());
    for (char C : Value) {
        switch (C) {
            case '&': Result += "&amp;"; break;
            case '<': Result += "&lt;"; break;
            case '>': Result += "&gt;"; break;
            case '"': Result += "&quot;"; break;
            case '\'': Result += "&apos;"; break;
            default: Result += C;
        }
    }
    return Result;
}

AnsiString ZemtarSubscriberNo(const AnsiString& Value, Integer Width) {
    const size_t W = Width > 0 ? static_cast<size_t>(Width) : 0;
    if (Value.size() >= W) return Value.substr(0, W);
    return AnsiString(W - Value.size(), '0') + Value;
}

bool IsMarkedRow(const TExtStringGrid& Grid, Integer Row, Integer MarkCol) {
    return Row >= 1 && Row < Grid.RowCount() && Grid.Cells(MarkCol, Row) == "E";
}

Integer CountMarkedRows(const TExtStringGrid& Grid, Integer MarkCol) {
    Integer Count = 0;
    for (Integer Row = 1; Row < Grid.RowCount(); ++Row) {
        if (IsMarkedRow(Grid, Row, MarkCol)) ++Count;
    }
    return Count;
}

void TZemtarText::Line(Integer Indent, const AnsiString& Text) {
    if (Indent > 0) FText.append(static_cast<size_t>(Indent), ' ');
    FText += Text;
    FText += LineEnd;
}

void TZemtarText::Leaf(Integer Indent, const AnsiString& Tag, const AnsiString& Value) {
    Line(Indent, "<" + Tag + ">" + XmlEscape(Value) + "</" + Tag + ">");
}

AnsiString ZemtarSchemaName(const AnsiString& FileName) {
    return ChangeFileExt(FileName, ".xsd");
}

void WriteEnvelopeHead(TZemtarText& Out, const TZemtarEnvelope& Envelope) {
    Out.Line(0, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    Out.Line(0, "<vimveritransferi xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                "xsi:noNamespaceSchemaLocation=\"" + XmlEscape(Envelope.SchemaFile) + "\">");
    Out.Line(2, "<protokol>");
    Out.Line(4, "<genel kuruluskodu=\"" + XmlEscape(Envelope.KurulusKodu) + "\">");
    Out.Leaf(6, "vkn", Envelope.ZoneTaxNo);
    Out.Leaf(6, "unvan", Envelope.ZoneTitle);
    Out.Line(4, "</genel>");
    Out.Line(4, "<ozel>");
    Out.Leaf(6, "bilgidonem", Envelope.Period);
    Out.Leaf(6, "dosyano", Envelope.FileNo);
    for (const auto& [Tag, Value] : Envelope.Counts) Out.Leaf(6, Tag, Value);
    Out.Line(4, "</ozel>");
    Out.Line(2, "</protokol>");
}

void WriteEnvelopeTail(TZemtarText& Out) {
    Out.Line(0, "</vimveritransferi>");
}

std::string ZemtarUtf8Text(const AnsiString& Text) {
    // Line ends first (on the 8-bit text), then the exact code page conversion.
    AnsiString Lines;
    Lines.reserve(Text.size() + Text.size() / 16);
    for (size_t I = 0; I < Text.size(); ++I) {
        const char C = Text[I];
        if (C == '\r') {
            if (I + 1 < Text.size() && Text[I + 1] == '\n') ++I;
            Lines += "\r\n";
        } else if (C == '\n') {
            Lines += "\r\n";
        } else {
            Lines += C;
        }
    }
    if (!Lines.empty() && Lines.back() != '\n') Lines += "\r\n";
    return AnsiToUtf8(Lines);
}

void SaveFileAsUtf8(const AnsiString& Path, const AnsiString& NewPath) {
    const AnsiString Content = LoadFileToString(Path);
    SaveFileAtomically(NewPath, ZemtarUtf8Text(Content));
}

void SaveZemtarFile(const AnsiString& Path, const AnsiString& Text) {
    SaveFileAtomically(Path, ZemtarUtf8Text(Text));
}

void ShowZemtarDone(const AnsiString& Path) {
    ShowMessage(Path + ZemtarDoneSuffix);
}
