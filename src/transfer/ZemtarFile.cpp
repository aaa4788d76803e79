#include "transfer/ZemtarFile.h"

#include "grid/ExtGrid.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Dialogs.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string_view>

#include <unistd.h>

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
constexpr std::size_t SinkPiece = std::size_t(1) << 20;

// What a byte of a code page 1254 text needs on its way into a file.
enum TByteClass : unsigned char { bcPlain, bcWide, bcCr, bcLf, bcTab, bcMarkup, bcForbidden };

struct TByteTable {
    std::array<TByteClass, 256> Class{};
    std::array<char, 256 * 4> Utf8{};   // the UTF-8 bytes of each byte value
    std::array<unsigned char, 256> Length{};
};

const TByteTable& Bytes() {
    static const TByteTable T = [] {
        TByteTable R;
        for (int B = 0; B < 256; ++B) {
            const char32_t U = Cp1254ToUnicode(static_cast<unsigned char>(B));
            char* Out = &R.Utf8[static_cast<size_t>(B) * 4];
            if (U < 0x80) {
                Out[0] = static_cast<char>(U);
                R.Length[B] = 1;
            } else if (U < 0x800) {
                Out[0] = static_cast<char>(0xC0 | (U >> 6));
                Out[1] = static_cast<char>(0x80 | (U & 0x3F));
                R.Length[B] = 2;
            } else {
                Out[0] = static_cast<char>(0xE0 | (U >> 12));
                Out[1] = static_cast<char>(0x80 | ((U >> 6) & 0x3F));
                Out[2] = static_cast<char>(0x80 | (U & 0x3F));
                R.Length[B] = 3;
            }
            R.Class[B] = B >= 0x80 ? bcWide : B < 0x20 ? bcForbidden : bcPlain;
        }
        R.Class['\r'] = bcCr;
        R.Class['\n'] = bcLf;
        R.Class['\t'] = bcTab;
        for (unsigned char C : {'&', '<', '>', '"', '\''}) R.Class[C] = bcMarkup;
        return R;
    }();
    return T;
}

const char* Entity(char C) {
    switch (C) {
        case '&': return "&amp;";
        case '<': return "&lt;";
        case '>': return "&gt;";
        case '"': return "&quot;";
        default: return "&apos;";
    }
}

enum TConvert {
    cvMarkup,    // already escaped: UTF-8, line breaks as CR LF, nothing refused
    cvContent,   // element text: escaped, line breaks as CR LF, forbidden bytes refused
};

[[noreturn]] void RefuseByte(unsigned char B) {
    throw EZemtarText(Format("XML dosyasına yazılamayan bir karakter (kod %d) var; dosya yazılmadı", {Integer(B)}));
}

// Most bytes one byte of code page 1254 text takes in its stored form ("&quot;").
constexpr size_t MaxGrowth = 6;

// Writes the bytes from Read up to Stop at D in their stored form and returns the new
// end, Read moved past what was read; D has room for MaxGrowth bytes a byte. A CR just
// before Stop takes its LF along when one follows before End.
char* Convert(char* D, const char*& Read, const char* Stop, const char* End, TConvert Mode) {
    const TByteTable& T = Bytes();
    const char* P = Read;   // a local: the bytes written could alias a referenced pointer
    while (P < Stop) {
        const unsigned char B = static_cast<unsigned char>(*P++);
        const TByteClass Class = T.Class[B];
        if (Class == bcPlain) {
            *D++ = static_cast<char>(B);
            continue;
        }
        switch (Class) {
            case bcWide:
                std::memcpy(D, &T.Utf8[B * 4u], 4);   // the room allows the fourth byte
                D += T.Length[B];
                break;
            case bcCr:
                if (P < End && *P == '\n') ++P;
                [[fallthrough]];
            case bcLf:
                *D++ = '\r';
                *D++ = '\n';
                break;
            case bcMarkup:
                if (Mode == cvContent) {
                    const char* E = Entity(static_cast<char>(B));
                    const size_t N = std::strlen(E);
                    std::memcpy(D, E, N);
                    D += N;
                } else {
                    *D++ = static_cast<char>(B);
                }
                break;
            case bcForbidden:
                if (Mode == cvContent) RefuseByte(B);
                *D++ = static_cast<char>(B);
                break;
            case bcTab:
            case bcPlain: *D++ = static_cast<char>(B); break;
        }
    }
    Read = P;
    return D;
}

// Escapes Value into code page 1254 text; Attribute adds the character references.
AnsiString Escaped(const AnsiString& Value, bool Attribute) {
    const TByteTable& T = Bytes();
    AnsiString Result;
    Result.reserve(Value.size());
    const char* P = Value.data();
    const char* const End = P + Value.size();
    while (P < End) {
        const char* Run = P;
        while (P < End && T.Class[static_cast<unsigned char>(*P)] != bcMarkup &&
               (!Attribute || T.Class[static_cast<unsigned char>(*P)] < bcCr))
            ++P;
        if (P > Run) Result.append(Run, static_cast<size_t>(P - Run));
        if (P == End) break;
        const unsigned char B = static_cast<unsigned char>(*P++);
        switch (T.Class[B]) {
            case bcMarkup: Result += Entity(static_cast<char>(B)); break;
            case bcCr: Result += "&#13;"; break;
            case bcLf: Result += "&#10;"; break;
            case bcTab: Result += "&#9;"; break;
            default: RefuseByte(B);
        }
    }
    return Result;
}

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

AnsiString XmlEscape(const AnsiString& Value) { return Escaped(Value, false); }

AnsiString XmlAttributeEscape(const AnsiString& Value) { return Escaped(Value, true); }

bool XmlTextAllowed(const AnsiString& Value, Integer* Code) {
    const TByteTable& T = Bytes();
    for (char C : Value) {
        if (T.Class[static_cast<unsigned char>(C)] == bcForbidden) {
            if (Code) *Code = static_cast<unsigned char>(C);
            return false;
        }
    }
    if (Code) *Code = 0;
    return true;
}

AnsiString ZemtarSubscriberNo(const AnsiString& Value, Integer Width) {
    const size_t W = Width > 0 ? static_cast<size_t>(Width) : 0;
    if (Value.size() >= W) return Value.substr(0, W);
    return AnsiString(W - Value.size(), '0') + Value;
}

bool IsMarkedRow(const TExtStringGrid& Grid, Integer Row, Integer MarkCol) {
    AnsiString Scratch;
    return Row >= 1 && Row < Grid.RowCount() && Grid.CellsRef(MarkCol, Row, Scratch) == "E";
}

void TZemtarRow::Read(const TExtStringGrid& Grid, Integer Row) {
    const size_t Count = static_cast<size_t>(std::max(0, Grid.ColCount()));
    FCells.resize(Count);
    FScratch.resize(Count);
    for (size_t Col = 0; Col < Count; ++Col) {
        FCells[Col] = &Grid.CellsRef(static_cast<Integer>(Col), Row, FScratch[Col]);
        // Long texts lie apart from the cells: fetch them while the rest is read.
        __builtin_prefetch(FCells[Col]->data());
    }
}

const AnsiString& TZemtarRow::operator[](Integer Col) const {
    static const AnsiString Empty;
    return Col >= 0 && static_cast<size_t>(Col) < FCells.size() ? *FCells[Col] : Empty;
}

Integer CountMarkedRows(const TExtStringGrid& Grid, Integer MarkCol) {
    Integer Count = 0;
    for (Integer Row = 1; Row < Grid.RowCount(); ++Row) {
        if (IsMarkedRow(Grid, Row, MarkCol)) ++Count;
    }
    return Count;
}

char* TZemtarText::Room(size_t N) {
    if (FCapacity - FSize < N) {
        // A piece for the sink and a line over it: the buffer then stays as it is.
        const size_t Capacity = std::max({FSize + N, FCapacity * 2, SinkPiece + SinkPiece / 4});
        auto Bigger = std::make_unique_for_overwrite<char[]>(Capacity);
        if (FSize > 0) std::memcpy(Bigger.get(), FBuffer.get(), FSize);
        FBuffer = std::move(Bigger);
        FCapacity = Capacity;
    }
    return FBuffer.get() + FSize;
}

void TZemtarText::Line(Integer Indent, std::string_view Markup) {
    const size_t Blanks = Indent > 0 ? static_cast<size_t>(Indent) : 0;
    char* D = Room(Blanks + MaxGrowth * Markup.size() + 3);
    std::memset(D, ' ', Blanks);
    const char* P = Markup.data();
    D = Convert(D + Blanks, P, P + Markup.size(), P + Markup.size(), cvMarkup);
    std::memcpy(D, LineEnd, 3);
    FSize = static_cast<size_t>(D + 3 - FBuffer.get());
    LineDone();
}

void TZemtarText::Leaf(Integer Indent, std::string_view Tag, std::string_view Value) {
    const size_t Blanks = Indent > 0 ? static_cast<size_t>(Indent) : 0;
    char* D = Room(Blanks + 2 * Tag.size() + 5 + MaxGrowth * Value.size() + 3);
    std::memset(D, ' ', Blanks);
    D += Blanks;
    *D++ = '<';
    std::memcpy(D, Tag.data(), Tag.size());
    D += Tag.size();
    *D++ = '>';
    // A refused byte throws before FSize moves: nothing of the line counts.
    const char* P = Value.data();
    D = Convert(D, P, P + Value.size(), P + Value.size(), cvContent);
    *D++ = '<';
    *D++ = '/';
    std::memcpy(D, Tag.data(), Tag.size());
    D += Tag.size();
    *D++ = '>';
    std::memcpy(D, LineEnd, 3);
    FSize = static_cast<size_t>(D + 3 - FBuffer.get());
    LineDone();
}

void TZemtarText::LineDone() {
    // The buffer keeps its room: the next piece reuses the same memory.
    if (FSink && FSize >= SinkPiece) Flush();
}

void TZemtarText::Flush() {
    if (!FSink || FSize == 0) return;
    FSink->Write(FBuffer.get(), FSize);
    FSize = 0;
}

AnsiString ZemtarSchemaName(const AnsiString& FileName) {
    return ChangeFileExt(FileName, ".xsd");
}

void WriteEnvelopeHead(TZemtarText& Out, const TZemtarEnvelope& Envelope) {
    Out.Line(0, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    Out.Line(0, "<vimveritransferi xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                "xsi:noNamespaceSchemaLocation=\"" + XmlAttributeEscape(Envelope.SchemaFile) + "\">");
    Out.Line(2, "<protokol>");
    Out.Line(4, "<genel kuruluskodu=\"" + XmlAttributeEscape(Envelope.KurulusKodu) + "\">");
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
    // A piece at a time, so the room taken ahead stays small.
    constexpr size_t Piece = 4096;
    std::string Result;
    Result.reserve(Text.size() + Text.size() / 8 + 2);
    const char* P = Text.data();
    const char* const End = P + Text.size();
    while (P < End) {
        const char* const Stop = P + std::min(Piece, static_cast<size_t>(End - P));
        const size_t Old = Result.size();
        Result.resize(Old + MaxGrowth * static_cast<size_t>(Stop - P));
        const char* const D = Convert(Result.data() + Old, P, Stop, End, cvMarkup);
        Result.resize(static_cast<size_t>(D - Result.data()));
    }
    if (!Result.empty() && Result.back() != '\n') Result += "\r\n";
    return Result;
}

void SaveFileAsUtf8(const AnsiString& Path, const AnsiString& NewPath) {
    const AnsiString Content = LoadFileToString(Path);
    SaveFileAtomically(NewPath, ZemtarUtf8Text(Content));
}

void SaveZemtarFile(const AnsiString& Path, const std::function<void(TZemtarText& Out)>& Compose) {
    TAtomicFileWriter File(Path);
    TZemtarText Out(&File);
    Compose(Out);
    Out.Flush();
    File.Commit();
}

AnsiString ZemtarFilePath(const AnsiString& Folder, const AnsiString& FileName) {
    if (!Folder.empty() && Folder.back() != '/' && DirectoryExists(Folder)) return Folder + "/" + FileName;
    return Folder + FileName;
}

bool ZemtarFolderUsable(const AnsiString& Path) {
    const size_t Slash = Path.rfind('/');
    const AnsiString Folder = Slash == AnsiString::npos ? AnsiString() : Path.substr(0, Slash + 1);
    if (Folder.empty() || !DirectoryExists(Folder)) {
        ShowMessage("Klasör bulunamadı: \"" + (Folder.empty() ? Path : Folder) +
                    "\". Lütfen var olan bir klasör yazınız; dosya yazılmadı.");
        return false;
    }
    if (::access(AnsiToUtf8(Folder).c_str(), W_OK | X_OK) != 0) {
        ShowMessage("Bu klasöre yazılamıyor: \"" + Folder + "\". Dosya yazılmadı.");
        return false;
    }
    return true;
}

AnsiString ZemtarDefaultFolder() { return GetHomeDir(); }

AnsiString ZemtarCellPlace(const TExtStringGrid& Grid, Integer Col, Integer Row) {
    const AnsiString Title = Grid.Cells(Col, 0);
    return Format("Satır %d, sütun %d%s", {Row, Col, Title.empty() ? AnsiString() : " (" + Title + ")"});
}

void CheckZemtarRowText(const TExtStringGrid& Grid, Integer Row) {
    for (Integer Col = 0; Col < Grid.ColCount(); ++Col) {
        Integer Code = 0;
        if (XmlTextAllowed(Grid.Cells(Col, Row), &Code)) continue;
        throw EZemtarText(ZemtarCellPlace(Grid, Col, Row) +
                          Format(": XML dosyasına yazılamayan bir karakter (kod %d) var; dosya yazılmadı", {Code}));
    }
}

void ShowZemtarDone(const AnsiString& Path) {
    ShowMessage(Path + ZemtarDoneSuffix);
}
