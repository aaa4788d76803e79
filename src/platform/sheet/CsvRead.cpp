// Reading delimited text files as a one-sheet workbook.
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sheet/SheetFiles.h"

#include <cerrno>
#include <cstdio>

namespace {

const char* const SourceName = "Microsoft Excel";

// Whole text is well-formed UTF-8 and holds at least one multi-byte character.
bool LooksLikeUtf8(const AnsiString& S) {
    bool Multi = false;
    for (size_t I = 0; I < S.size();) {
        unsigned char C = static_cast<unsigned char>(S[I]);
        size_t Len = C < 0x80 ? 1 : (C & 0xE0) == 0xC0 ? 2 : (C & 0xF0) == 0xE0 ? 3 : (C & 0xF8) == 0xF0 ? 4 : 0;
        if (Len == 0 || (Len == 2 && C < 0xC2) || I + Len > S.size()) return false;
        for (size_t K = 1; K < Len; ++K)
            if ((static_cast<unsigned char>(S[I + K]) & 0xC0) != 0x80) return false;
        if (Len > 1) Multi = true;
        I += Len;
    }
    return Multi;
}

// ";" or ",", whichever the first line holds more of outside quotes (";" on a tie).
char DetectDelimiter(const AnsiString& S) {
    size_t Semi = 0, Comma = 0;
    bool Quoted = false;
    for (char C : S) {
        if (C == '"')
            Quoted = !Quoted;
        else if (!Quoted && (C == '\n' || C == '\r'))
            break;
        else if (!Quoted && C == ';')
            ++Semi;
        else if (!Quoted && C == ',')
            ++Comma;
    }
    return Comma > Semi ? ',' : ';';
}

AnsiString SheetNameOf(const AnsiString& FileName) {
    AnsiString Name = ChangeFileExt(ExtractFileName(FileName), "");
    for (char& C : Name)
        if (C == '[' || C == ']' || C == ':' || C == '*' || C == '?' || C == '/' || C == '\\') C = '_';
    if (Name.size() > 31) Name.resize(31);
    if (Name.empty()) Name = "Sayfa1";
    return Name;
}

}  // namespace

void ReadCsvText(const AnsiString& Bytes, TExcelWorksheet& Sheet) {
    AnsiString Text;
    if (Bytes.size() >= 3 && Bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        Text = Utf8ToAnsi(std::string_view(Bytes).substr(3));
    else if (LooksLikeUtf8(Bytes))
        Text = Utf8ToAnsi(Bytes);
    else
        Text = Bytes;

    char Delim = DetectDelimiter(Text);
    TExcelWorksheet::TCellMap Cells;
    Integer Row = 1, Col = 1;
    AnsiString Field;
    bool Quoted = false, FieldStarted = false;
    auto Put = [&]() {
        if (!Field.empty() && Row <= ExcelMaxRows && Col <= ExcelMaxColumns) Cells[{Row, Col}] = Variant(Field);
        Field.clear();
        FieldStarted = false;
    };
    size_t N = Text.size();
    for (size_t I = 0; I < N; ++I) {
        char C = Text[I];
        if (Quoted) {
            if (C == '"') {
                if (I + 1 < N && Text[I + 1] == '"') {
                    Field += '"';
                    ++I;
                } else {
                    Quoted = false;
                }
            } else {
                Field += C;
            }
        } else if (C == '"' && !FieldStarted) {
            Quoted = true;
            FieldStarted = true;
        } else if (C == Delim) {
            Put();
            ++Col;
        } else if (C == '\r' || C == '\n') {
            Put();
            if (C == '\r' && I + 1 < N && Text[I + 1] == '\n') ++I;
            ++Row;
            Col = 1;
        } else {
            Field += C;
            FieldStarted = true;
        }
    }
    Put();
    Sheet.AssignCells(std::move(Cells));
}

void ReadCsvFile(const AnsiString& FileName, TExcelWorkbook& Book) {
    FILE* F = std::fopen(AnsiToUtf8(FileName).c_str(), "rb");
    if (!F)
        throw EOleException("'" + FileName + "' cannot be opened: " + SysErrorMessage(errno), DISP_E_EXCEPTION,
                            SourceName);
    AnsiString Bytes;
    char Buf[65536];
    size_t N;
    while ((N = std::fread(Buf, 1, sizeof Buf, F)) > 0) Bytes.append(Buf, N);
    bool Failed = std::ferror(F) != 0;
    std::fclose(F);
    if (Failed)
        throw EOleException("'" + FileName + "' cannot be read", DISP_E_EXCEPTION, SourceName);
    TExcelWorksheet* Sheet = Book.AddSheet(SheetNameOf(FileName));
    ReadCsvText(Bytes, *Sheet);
}
