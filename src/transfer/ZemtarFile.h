#pragma once
// The common mechanics of the ZEMTAR XML transfer files: the energy-kind
// description, the line form, the envelope, marked rows, the month code and
// period text, and the final UTF-8 encoding of a file.
//
// A file is composed directly in its stored form (UTF-8, every line ending
// TAB CR LF) and streamed into a temporary file that replaces the target only
// when complete: a failed write leaves the earlier file as it was. Values are XML-escaped; a
// character XML 1.0 forbids stops the write.
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TExtStringGrid;

// What differs between electricity and natural gas in the transfer files.
struct TZemtarEnergyKind {
    AnsiString Name;                 // "elektrik" / "dogalgaz": the stem of the file names
    AnsiString KurulusKodu;          // "80" / "90"
    Integer SubscriberNoWidth;       // 26 / 15
    AnsiString IdentityIslemTuru;    // "80069" / "90071"
    AnsiString InvoiceIslemTuru;     // NORMAL rows: "80070" / "90072"
    AnsiString RefundIslemTuru;      // İADE rows: "80079" / "90080"
    bool InvoiceTotalTwoDecimals;    // gas writes the total as "0.00"
    bool IdentityTitleCut;           // electricity cuts the zone title to 52 characters
    bool HasClosedOrChanged;         // electricity only: the closed or changed identity file
    AnsiString AllMonthMessage;      // empty month on the all-subscribers identity file
    // Identity elements that get one blank before their end tag whatever the value:
    // in the all-subscribers file, in the period file; and the blank-rule elements of
    // the period file whose trailing blank stands in for the blank of an empty cell.
    std::vector<std::string> AllTrailingBlanks;
    std::vector<std::string> PeriodTrailingBlanks;
    std::vector<std::string> PeriodSingleBlanks;
};

extern const TZemtarEnergyKind ZemtarElectricity;
extern const TZemtarEnergyKind ZemtarNaturalGas;

// The zone title edit holds at most this many characters.
constexpr Integer ZemtarTitleLength = 52;

// Outcome of the input checks of a write: which control the screen puts the
// focus on after the message has been shown.
enum TZemtarCheck { zcOk, zcMonth, zcZoneTaxNo, zcFolder };

// A text holds a character that XML 1.0 does not allow (U+0001..U+0008, U+000B,
// U+000C, U+000E..U+001F, or NUL); nothing is written.
class EZemtarText : public Exception {
public:
    using Exception::Exception;
};

// Texts the screens share with the writers.
extern const char* const ZemtarMonthMessage;    // empty period month
extern const char* const ZemtarTaxNoMessage;    // zone tax number shorter than 10
extern const char* const ZemtarDoneSuffix;      // after the path: " dosyası oluştu"

// "01".."12" for the Turkish month names "Ocak".."Aralık" (exact text); "" otherwise.
AnsiString ZemtarMonthCode(const AnsiString& MonthText);
// YYYYMM-YYYYMM, the same month twice.
AnsiString ZemtarPeriod(const AnsiString& Year, const AnsiString& MonthCode);

// Ampersand, angle brackets and both quotes as XML entities; everything else kept.
AnsiString XmlEscape(const AnsiString& Value);
// The same for an attribute value, with TAB, CR and LF as character references
// (a parser would turn them into blanks); EZemtarText for a forbidden character.
AnsiString XmlAttributeEscape(const AnsiString& Value);
// True when Value can stand in an XML 1.0 text; Code is then 0, else the first bad byte.
bool XmlTextAllowed(const AnsiString& Value, Integer* Code = nullptr);

// Subscriber number in the files: left-padded with "0" to Width, or its first Width characters.
AnsiString ZemtarSubscriberNo(const AnsiString& Value, Integer Width);

// A row from 1 to RowCount-1 whose selection column holds exactly "E".
bool IsMarkedRow(const TExtStringGrid& Grid, Integer Row, Integer MarkCol);
Integer CountMarkedRows(const TExtStringGrid& Grid, Integer MarkCol);

// The texts of one grid row as the grid shows them, read once in column order
// (the order they lie in memory) and copied only where a display hook makes them.
// Valid until the grid changes or the next Read.
class TZemtarRow {
public:
    void Read(const TExtStringGrid& Grid, Integer Row);
    // An empty text past the last column.
    const AnsiString& operator[](Integer Col) const;

private:
    std::vector<const AnsiString*> FCells;
    std::vector<AnsiString> FScratch;
};

// Builds a transfer file line by line in its stored form: the code page 1254
// texts given are written as UTF-8, each line end as TAB CR LF. With a sink the
// bytes go on to it in pieces of about a megabyte, so the file is never held
// whole; without one they stay in Utf8().
class TZemtarText {
public:
    explicit TZemtarText(TAtomicFileWriter* Sink = nullptr) : FSink(Sink) {}
    // Indent blanks, Markup as given (its escaping done), then TAB CR LF. A line
    // break inside becomes CR LF.
    void Line(Integer Indent, std::string_view Markup);
    // <Tag>Value</Tag> on one line, Value escaped; EZemtarText for a forbidden character.
    void Leaf(Integer Indent, std::string_view Tag, std::string_view Value);
    // Hands what is left to the sink.
    void Flush();
    // The bytes not yet handed to a sink (all of them without one).
    std::string_view Utf8() const { return {FBuffer.get(), FSize}; }

private:
    // Room for N more bytes at the end: where they go. Nothing counts until FSize moves.
    char* Room(size_t N);
    void LineDone();
    TAtomicFileWriter* FSink;
    std::unique_ptr<char[]> FBuffer;   // filled up to FSize, never zeroed beyond
    size_t FSize = 0;
    size_t FCapacity = 0;
};

// The values of the envelope (unescaped; the writer escapes them).
struct TZemtarEnvelope {
    AnsiString SchemaFile;     // "elektrik_abone_kimlik.xsd"
    AnsiString KurulusKodu;
    AnsiString ZoneTaxNo;
    AnsiString ZoneTitle;      // already cut where the variant cuts it
    AnsiString Period;
    AnsiString FileNo;
    std::vector<std::pair<AnsiString, AnsiString>> Counts;   // element, value, in order
};

// Lines 1 to 13 of the envelope (declaration, root start tag, protokol block).
void WriteEnvelopeHead(TZemtarText& Out, const TZemtarEnvelope& Envelope);
// The closing root element.
void WriteEnvelopeTail(TZemtarText& Out);

// The schema file of a transfer file: its name with ".xsd" in place of ".xml".
AnsiString ZemtarSchemaName(const AnsiString& FileName);

// The stored form of a code page 1254 text: every CR LF, lone CR or lone LF becomes
// CR LF, a last line without an end gets CR LF, and the whole is encoded as UTF-8
// without a byte-order mark.
std::string ZemtarUtf8Text(const AnsiString& Text);

// Re-encodes the code page 1254 file Path to UTF-8 and stores it as NewPath
// (replaced atomically; Path and NewPath may be the same file). Failures raise:
// EFOpenError when Path cannot be read, EFCreateError when NewPath cannot be written.
void SaveFileAsUtf8(const AnsiString& Path, const AnsiString& NewPath);

// Writes a transfer file at Path through Compose, replacing any earlier file
// atomically: a failure on the way (EFCreateError, EZemtarText ...) keeps the
// earlier file.
void SaveZemtarFile(const AnsiString& Path, const std::function<void(TZemtarText& Out)>& Compose);

// The path of a file in the folder a screen's folder edit names: the folder text
// followed by the name (a "/" put between when the text names a folder without one).
AnsiString ZemtarFilePath(const AnsiString& Folder, const AnsiString& FileName);
// The folder of Path exists and can be written: true. Otherwise shows a message
// naming it and returns false.
bool ZemtarFolderUsable(const AnsiString& Path);
// The default folder of the screens' folder edits: the user's home folder.
AnsiString ZemtarDefaultFolder();

// "Satır 2, sütun 7 (FATURA BEDELİ)": a cell named for the operator, with its column's title from row 0.
AnsiString ZemtarCellPlace(const TExtStringGrid& Grid, Integer Col, Integer Row);

// Every cell of a marked row can stand in an XML text; otherwise EZemtarText
// naming the grid row and column (and the column's title from row 0).
void CheckZemtarRowText(const TExtStringGrid& Grid, Integer Row);

// The success message of a write: the path followed by " dosyası oluştu".
void ShowZemtarDone(const AnsiString& Path);
