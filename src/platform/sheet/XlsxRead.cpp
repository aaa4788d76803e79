// Reading .xlsx packages: workbook, relationships, shared strings and styles
// when the file is opened; the sheets' rows streamed through expat as they
// are asked for, so that memory holds the shared strings and one row.
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sheet/SheetFiles.h"

#include <expat.h>
#include <zip.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <unordered_map>

namespace {

const char* const SourceName = "Microsoft Excel";

class EBadPackage {
public:
    explicit EBadPackage(std::string AWhy) : Why(std::move(AWhy)) {}
    std::string Why;
};

// Local part of a name "prefix:local": the parts are read without namespace
// processing, which no reader here needs.
const char* Local(const XML_Char* Name) {
    // Names are a few letters: one pass here costs less than a library call for each.
    const char* L = Name;
    for (const char* P = Name; *P; ++P)
        if (*P == ':') L = P + 1;
    return L;
}

// Name == Want, inlined for the names of the many elements of a sheet.
template <size_t K>
bool Named(const char* Name, const char (&Want)[K]) {
    for (size_t I = 0; I < K; ++I)
        if (Name[I] != Want[I]) return false;
    return true;
}

const char* Attr(const XML_Char** Atts, const char* LocalName) {
    for (int I = 0; Atts[I]; I += 2)
        if (std::strcmp(Local(Atts[I]), LocalName) == 0) return Atts[I + 1];
    return nullptr;
}

// A whole decimal number without sign or blanks ("-0" passes as 0); false when not one or
// above Max. Read in one pass: it runs for nearly every cell.
bool ReadIndex(const char* S, long long Max, long long& Value) {
    if (!S) return false;
    const bool Minus = *S == '-';
    if (Minus) ++S;
    if (!*S) return false;
    long long V = 0;
    for (; *S; ++S) {
        if (*S < '0' || *S > '9') return false;
        V = V * 10 + (*S - '0');
        if (V > Max) return false;   // Max stays far below the type's limit
    }
    if (Minus && V != 0) return false;
    Value = V;
    return true;
}

// Base of the handlers of one XML part.
class TPartReader {
public:
    virtual ~TPartReader() = default;
    virtual void Start(const char* Name, const XML_Char** Atts) = 0;
    virtual void End(const char* Name) = 0;
    virtual void Text(const char*, int) {}
    // Never throw through expat's C frames: stop the parser and keep the reason.
    void Fail(const std::string& Why) {
        if (Error.empty()) Error = Why;
        XML_StopParser(Parser, XML_FALSE);
    }
    XML_Parser Parser = nullptr;
    std::string Error;
};

// One part of the package parsed in pieces: Run returns when the reader
// suspends the parser (true) or at the part's end (false).
class TPartStream {
public:
    TPartStream(zip_t* AZip, zip_uint64_t AIndex, std::string AName, TPartReader& AReader)
        : FZip(AZip), FIndex(AIndex), FName(std::move(AName)), FReader(AReader) {}
    ~TPartStream() { Close(); }
    TPartStream(const TPartStream&) = delete;
    TPartStream& operator=(const TPartStream&) = delete;

    // Opened when first run: a workbook of many sheets holds no parser for each.
    void Restart() { Close(); }

    bool Run() {
        if (!FParser) Open();
        for (;;) {
            if (FDone) return false;
            XML_Status St;
            if (FSuspended) {
                FSuspended = false;
                St = XML_ResumeParser(FParser);
            } else {
                void* Buf = XML_GetBuffer(FParser, BufferSize);
                if (!Buf) throw EBadPackage(FName + ": not enough memory");
                zip_int64_t N = zip_fread(FFile, Buf, BufferSize);
                if (N < 0) throw EBadPackage(FName + ": " + zip_file_strerror(FFile));
                FFinal = N == 0;
                St = XML_ParseBuffer(FParser, static_cast<int>(N), FFinal);
            }
            if (St == XML_STATUS_ERROR)
                throw EBadPackage(FName + " line " + std::to_string(XML_GetCurrentLineNumber(FParser)) + ": " +
                                  (FReader.Error.empty() ? XML_ErrorString(XML_GetErrorCode(FParser)) : FReader.Error));
            if (St == XML_STATUS_SUSPENDED) {
                FSuspended = true;
                return true;
            }
            if (FFinal) FDone = true;
        }
    }

private:
    static constexpr int BufferSize = 1 << 16;

    void Open() {
        FFile = zip_fopen_index(FZip, FIndex, 0);
        if (!FFile) throw EBadPackage(FName + ": " + zip_strerror(FZip));
        FParser = XML_ParserCreate(nullptr);
        if (!FParser) throw EBadPackage(FName + ": not enough memory");
        XML_SetUserData(FParser, &FReader);
        FReader.Parser = FParser;
        FReader.Error.clear();
        XML_SetElementHandler(
            FParser,
            [](void* U, const XML_Char* N, const XML_Char** A) { static_cast<TPartReader*>(U)->Start(Local(N), A); },
            [](void* U, const XML_Char* N) { static_cast<TPartReader*>(U)->End(Local(N)); });
        XML_SetCharacterDataHandler(
            FParser, [](void* U, const XML_Char* S, int L) { static_cast<TPartReader*>(U)->Text(S, L); });
        // A package part has no document type; one that has is not taken apart.
        XML_SetStartDoctypeDeclHandler(FParser, [](void* U, const XML_Char*, const XML_Char*, const XML_Char*, int) {
            static_cast<TPartReader*>(U)->Fail("a document type declaration is not allowed");
        });
        FSuspended = FFinal = FDone = false;
    }
    void Close() {
        if (FParser) XML_ParserFree(FParser);
        if (FFile) zip_fclose(FFile);
        FParser = nullptr;
        FFile = nullptr;
    }

    zip_t* FZip;
    zip_uint64_t FIndex;
    std::string FName;
    TPartReader& FReader;
    zip_file_t* FFile = nullptr;
    XML_Parser FParser = nullptr;
    bool FSuspended = false, FFinal = false, FDone = false;
};

class TPackage {
public:
    explicit TPackage(const AnsiString& FileName) {
        int Err = 0;
        FZip = zip_open(AnsiToUtf8(FileName).c_str(), ZIP_RDONLY, &Err);
        if (!FZip) {
            zip_error_t E;
            zip_error_init_with_code(&E, Err);
            std::string Why = zip_error_strerror(&E);
            zip_error_fini(&E);
            throw EBadPackage(Why);
        }
    }
    ~TPackage() {
        if (FZip) zip_discard(FZip);
    }
    TPackage(const TPackage&) = delete;
    TPackage& operator=(const TPackage&) = delete;

    zip_t* Zip() const { return FZip; }
    // Index of a part; -1 when missing.
    zip_int64_t Find(const std::string& Name) const { return zip_name_locate(FZip, Name.c_str(), ZIP_FL_NOCASE); }

    // Parses a whole part through Reader; false when the part is missing.
    bool Parse(const std::string& Name, TPartReader& Reader) {
        zip_int64_t Index = Find(Name);
        if (Index < 0) return false;
        TPartStream Stream(FZip, static_cast<zip_uint64_t>(Index), Name, Reader);
        while (Stream.Run()) {
        }
        return true;
    }

private:
    zip_t* FZip = nullptr;
};

// Documented limits of the import: the format's own, and what no workbook of
// the program comes near (they bound the memory a hostile file can claim).
constexpr size_t MaxCellText = 32767;                    // characters of one cell
// Its bytes in the part: a letter takes at most 14, a surrogate pair's two escapes.
constexpr size_t MaxCellUtf8 = MaxCellText * 14;
constexpr size_t MaxSharedStrings = 10'000'000;
constexpr size_t MaxSharedText = size_t(256) << 20;      // bytes of all shared strings together
constexpr size_t MaxSheets = 10'000;
constexpr size_t MaxStyles = 1'000'000;
constexpr double MinDateSerial = -693593;                // 1 January 1
constexpr double MaxDateSerial = 2958466;                // 1 January 10000

// Appends a part's UTF-8 text to Out as code page 1254, with the "_xHHHH_" escapes of
// characters that XML cannot carry undone; one pass, no text of its own.
// The character of the escape "_xHHHH_" at I; false when there is none.
bool SheetEscapeAt(std::string_view S, size_t I, unsigned& V) {
    return I + 6 < S.size() && S[I] == '_' && S[I + 1] == 'x' && S[I + 6] == '_' &&
           std::from_chars(S.data() + I + 2, S.data() + I + 6, V, 16).ptr == S.data() + I + 6;
}

void AppendSheetText(std::string_view S, AnsiString& Out) {
    size_t Done = 0;
    for (size_t I = S.find("_x"); I != std::string_view::npos; I = S.find("_x", I)) {
        unsigned V = 0, Low = 0;
        if (SheetEscapeAt(S, I, V)) {
            AppendUtf8AsAnsi(S.substr(Done, I - Done), Out);
            const int B = UnicodeToCp1254(V);
            Out += B < 0 ? '?' : static_cast<char>(B);
            I += 7;
            // A letter beyond the first plane escaped as its surrogate pair is one letter.
            if (V >= 0xD800 && V <= 0xDBFF && SheetEscapeAt(S, I, Low) && Low >= 0xDC00 && Low <= 0xDFFF) I += 7;
            Done = I;
        } else {
            ++I;
        }
    }
    AppendUtf8AsAnsi(S.substr(Done), Out);
}

struct TSheetRef {
    std::string Name;
    std::string RelId;
};

class TWorkbookPart : public TPartReader {
public:
    std::vector<TSheetRef> Sheets;
    int ActiveTab = 0;
    bool Date1904 = false;
    void Start(const char* Name, const XML_Char** Atts) override {
        if (!std::strcmp(Name, "sheet")) {
            if (Sheets.size() >= MaxSheets) return Fail("more than " + std::to_string(MaxSheets) + " sheets");
            const char* N = Attr(Atts, "name");
            const char* Id = Attr(Atts, "id");
            Sheets.push_back({N ? N : "", Id ? Id : ""});
        } else if (!std::strcmp(Name, "workbookView")) {
            long long Tab = 0;
            if (ReadIndex(Attr(Atts, "activeTab"), MaxSheets, Tab)) ActiveTab = static_cast<int>(Tab);
        } else if (!std::strcmp(Name, "workbookPr")) {
            const char* D = Attr(Atts, "date1904");
            Date1904 = D && (!std::strcmp(D, "1") || !std::strcmp(D, "true"));
        }
    }
    void End(const char*) override {}
};

struct TRelationship {
    std::string Target;
    std::string Type;  // last segment of the type
    bool External = false;
};

class TRelsPart : public TPartReader {
public:
    std::unordered_map<std::string, TRelationship> ById;
    std::unordered_map<std::string, std::string> ByType;  // last segment of Type -> target
    void Start(const char* Name, const XML_Char** Atts) override {
        if (std::strcmp(Name, "Relationship")) return;
        if (ById.size() >= MaxSheets * 4) return Fail("too many relationships");
        const char* Id = Attr(Atts, "Id");
        const char* Target = Attr(Atts, "Target");
        const char* Type = Attr(Atts, "Type");
        const char* Mode = Attr(Atts, "TargetMode");
        if (!Target) return;
        TRelationship Rel;
        Rel.Target = Target;
        Rel.External = Mode && !std::strcmp(Mode, "External");
        if (Type) {
            const char* Slash = std::strrchr(Type, '/');
            Rel.Type = Slash ? Slash + 1 : Type;
            if (!Rel.External) ByType[Rel.Type] = Target;
        }
        if (Id) ById[Id] = Rel;
    }
    void End(const char*) override {}
};

// All shared strings in one block of text: a hostile count of tiny strings
// costs four bytes each, not a string object each.
class TSharedStrings {
public:
    size_t Count() const { return FEnds.size(); }
    std::string_view View(size_t I) const {
        size_t Begin = I == 0 ? 0 : FEnds[I - 1];
        return std::string_view(FText).substr(Begin, FEnds[I] - Begin);
    }
    bool Add(const AnsiString& S) {
        if (FEnds.size() >= MaxSharedStrings || FText.size() + S.size() > MaxSharedText) return false;
        FText += S;
        FEnds.push_back(static_cast<uint32_t>(FText.size()));
        return true;
    }

private:
    AnsiString FText;
    std::vector<uint32_t> FEnds;
};

class TSharedStringsPart : public TPartReader {
public:
    TSharedStrings Strings;
    void Start(const char* Name, const XML_Char**) override {
        if (!std::strcmp(Name, "si")) {
            FInSi = true;
            FText.clear();
        } else if (!std::strcmp(Name, "rPh")) {
            ++FPhonetic;
        } else if (!std::strcmp(Name, "t") && FInSi && !FPhonetic) {
            FInT = true;
        }
    }
    void End(const char* Name) override {
        if (!std::strcmp(Name, "si")) {
            AnsiString S;
            AppendSheetText(FText, S);
            if (S.size() > MaxCellText)
                return Fail("shared string " + std::to_string(Strings.Count()) + " is longer than " +
                            std::to_string(MaxCellText) + " characters");
            if (!Strings.Add(S))
                return Fail("more shared strings than the import takes (" + std::to_string(MaxSharedStrings) +
                            " strings, " + std::to_string(MaxSharedText >> 20) + " MiB)");
            FInSi = false;
        } else if (!std::strcmp(Name, "rPh")) {
            --FPhonetic;
        } else if (!std::strcmp(Name, "t")) {
            FInT = false;
        }
    }
    void Text(const char* S, int Len) override {
        if (!FInT) return;
        if (FText.size() + static_cast<size_t>(Len) > MaxCellUtf8)
            return Fail("shared string " + std::to_string(Strings.Count()) + " is longer than " +
                        std::to_string(MaxCellText) + " characters");
        FText.append(S, static_cast<size_t>(Len));
    }

private:
    bool FInSi = false, FInT = false;
    int FPhonetic = 0;
    std::string FText;
};

// Days since 30 December 1899 as a date: before it the fraction is the time
// of the day counted forward, as the date type holds it.
TDateTime DaysToDateTime(double Days) {
    const double Day = std::floor(Days);
    return Days < 0 ? Day - (Days - Day) : Days;
}

bool IsDateFormatCode(const std::string& Code) {
    std::string Plain;
    for (size_t I = 0; I < Code.size(); ++I) {
        char C = Code[I];
        if (C == '"') {
            size_t E = Code.find('"', I + 1);
            if (E == std::string::npos) break;
            I = E;
        } else if (C == '\\' || C == '_' || C == '*') {
            ++I;  // the next character is literal or padding
        } else if (C == '[') {
            size_t E = Code.find(']', I + 1);
            if (E == std::string::npos) break;
            std::string In = Code.substr(I + 1, E - I - 1);
            // [h], [mm], [ss]: elapsed time; colours and locales are not.
            if (!In.empty() && (In[0] == 'h' || In[0] == 'H' || In[0] == 'm' || In[0] == 'M' || In[0] == 's' ||
                                In[0] == 'S') &&
                In.find_first_not_of("hHmMsS") == std::string::npos)
                Plain += In;
            I = E;
        } else {
            Plain += C;
        }
    }
    return Plain.find_first_of("dDmMyYhHsS") != std::string::npos;
}

bool IsBuiltinDateFormat(int Id) {
    return (Id >= 14 && Id <= 22) || (Id >= 27 && Id <= 36) || (Id >= 45 && Id <= 47) || (Id >= 50 && Id <= 58);
}

class TStylesPart : public TPartReader {
public:
    std::vector<bool> XfIsDate;
    void Start(const char* Name, const XML_Char** Atts) override {
        long long Id = 0;
        if (!std::strcmp(Name, "numFmt")) {
            const char* Code = Attr(Atts, "formatCode");
            if (FCustom.size() >= MaxStyles) return Fail("too many number formats");
            if (ReadIndex(Attr(Atts, "numFmtId"), 0x7fffffff, Id) && Code) FCustom[static_cast<int>(Id)] = IsDateFormatCode(Code);
        } else if (!std::strcmp(Name, "cellXfs")) {
            FInXfs = true;
        } else if (!std::strcmp(Name, "xf") && FInXfs) {
            if (XfIsDate.size() >= MaxStyles) return Fail("too many cell formats");
            int N = ReadIndex(Attr(Atts, "numFmtId"), 0x7fffffff, Id) ? static_cast<int>(Id) : 0;
            auto It = FCustom.find(N);
            XfIsDate.push_back(It != FCustom.end() ? It->second : IsBuiltinDateFormat(N));
        }
    }
    void End(const char* Name) override {
        if (!std::strcmp(Name, "cellXfs")) FInXfs = false;
    }

private:
    std::unordered_map<int, bool> FCustom;
    bool FInXfs = false;
};

Integer ErrorCode(const std::string& Text) {
    static const std::pair<const char*, Integer> Codes[] = {{"#NULL!", 2000}, {"#DIV/0!", 2007}, {"#VALUE!", 2015},
                                                            {"#REF!", 2023},  {"#NAME?", 2029},  {"#NUM!", 2036},
                                                            {"#N/A", 2042}};
    for (const auto& [T, C] : Codes)
        if (Text == T) return C;
    return 2015;
}

// What every sheet of one opened package shares.
struct TBookParts {
    AnsiString FileName;
    std::unique_ptr<TPackage> Package;
    TSharedStrings Strings;
    std::vector<bool> XfIsDate;
    bool Date1904 = false;
};

// "AB12" -> column 28, row 12; false when malformed or beyond the sheet.
bool ParseCellRef(const char* Ref, Integer& Row, Integer& Col) {
    Integer C = 0;
    const char* P = Ref;
    for (; *P >= 'A' && *P <= 'Z'; ++P) {
        C = C * 26 + (*P - 'A' + 1);
        if (C > ExcelMaxColumns) return false;
    }
    if (P == Ref) return false;
    long long R = 0;
    if (!ReadIndex(P, ExcelMaxRows, R) || R < 1) return false;
    Row = static_cast<Integer>(R);
    Col = C;
    return true;
}

std::string CellName(Integer Row, Integer Col) {
    return (Col >= 1 && Col <= ExcelMaxColumns ? ExcelColumnName(Col) : AnsiString("?")) + std::to_string(Row);
}

// The handlers of a sheet part: each row with cells suspends the parser.
class TSheetPart : public TPartReader {
public:
    explicit TSheetPart(const TBookParts& ABook) : FBook(ABook) {}
    TSheetRow* Target = nullptr;
    bool RowReady = false;

    void Reset() {
        FRow = 0;
        FCol = 0;
        FInRow = FInCell = FInValue = FHasValue = false;
        FPhonetic = 0;
    }

    void Start(const char* Name, const XML_Char** Atts) override {
        if (Named(Name, "c")) {
            if (!FInRow) return Fail("a cell outside a row");
            FInCell = true;
            FValue.clear();
            FHasValue = false;
            // One pass over the attributes; the first of a name counts.
            const char *Ref = nullptr, *T = nullptr, *SA = nullptr;
            for (int I = 0; Atts[I]; I += 2) {
                const char* A = Local(Atts[I]);
                if (Named(A, "r")) {
                    if (!Ref) Ref = Atts[I + 1];
                } else if (Named(A, "t")) {
                    if (!T) T = Atts[I + 1];
                } else if (Named(A, "s")) {
                    if (!SA) SA = Atts[I + 1];
                }
            }
            if (Ref) {
                Integer R = 0;
                if (!ParseCellRef(Ref, R, FCol)) return Fail("cell reference '" + std::string(Ref) + "' out of range");
                if (R != FRow) return Fail("cell " + std::string(Ref) + " in row " + std::to_string(FRow));
            } else if (++FCol > ExcelMaxColumns) {
                return Fail("more than " + std::to_string(ExcelMaxColumns) + " cells in row " + std::to_string(FRow));
            }
            FType = !T ? 'n' : Named(T, "s") ? 's' : Named(T, "str") || Named(T, "inlineStr") ? 't'
                    : Named(T, "b") ? 'b' : Named(T, "e") ? 'e' : Named(T, "d") ? 'd' : 'n';
            long long S = 0;
            FStyle = SA && ReadIndex(SA, MaxStyles, S) ? static_cast<size_t>(S) : 0;
        } else if (FInCell && (Named(Name, "v") || (Named(Name, "t") && !FPhonetic))) {
            FInValue = true;
            FHasValue = true;
        } else if (Named(Name, "row")) {
            long long R = 0;
            if (const char* RA = Attr(Atts, "r")) {
                if (!ReadIndex(RA, ExcelMaxRows, R) || R < 1) return Fail("row number '" + std::string(RA) + "' out of range");
            } else {
                R = FRow + 1;
                if (R > ExcelMaxRows) return Fail("more than " + std::to_string(ExcelMaxRows) + " rows");
            }
            if (R <= FRow) return Fail("row " + std::to_string(R) + " after row " + std::to_string(FRow));
            FRow = static_cast<Integer>(R);
            FCol = 0;
            FInRow = true;
            Target->Number = FRow;
            Target->Clear();
        } else if (Named(Name, "rPh")) {
            ++FPhonetic;
        }
    }

    void End(const char* Name) override {
        if (Named(Name, "c")) {
            FInCell = false;
            if (FHasValue) Store();
        } else if (Named(Name, "v") || Named(Name, "t")) {
            FInValue = false;
        } else if (Named(Name, "row")) {
            FInRow = false;
            if (Target->Cells.empty()) return;
            auto& Cells = Target->Cells;
            auto ByColumn = [](const TSheetCell& A, const TSheetCell& B) { return A.Column < B.Column; };
            if (!std::is_sorted(Cells.begin(), Cells.end(), ByColumn)) {
                // Out of order: the last value given for a column counts.
                std::stable_sort(Cells.begin(), Cells.end(), ByColumn);
                std::vector<TSheetCell> Unique;
                for (auto& C : Cells) {
                    if (!Unique.empty() && Unique.back().Column == C.Column) Unique.pop_back();
                    Unique.push_back(std::move(C));
                }
                Cells.swap(Unique);
            }
            RowReady = true;
            XML_StopParser(Parser, XML_TRUE);
        } else if (Named(Name, "rPh")) {
            --FPhonetic;
        }
    }

    void Text(const char* S, int Len) override {
        if (!FInValue) return;
        if (FValue.size() + static_cast<size_t>(Len) > MaxCellUtf8)
            return Fail("cell " + CellName(FRow, FCol) + " is longer than " + std::to_string(MaxCellText) + " characters");
        FValue.append(S, static_cast<size_t>(Len));
    }

private:
    void Store() {
        Variant V;
        switch (FType) {
            case 's': {
                long long I = 0;
                if (!ReadIndex(FValue.c_str(), 0x7fffffffffffLL, I) || static_cast<size_t>(I) >= FBook.Strings.Count())
                    return Fail("cell " + CellName(FRow, FCol) + ": shared string index '" + FValue + "' out of range");
                std::string_view S = FBook.Strings.View(static_cast<size_t>(I));
                if (!S.empty()) Target->AddText(FCol, S.data(), S.size());
                return;
            }
            case 't': {
                // Converted straight into the row's text.
                AnsiString& Text = Target->Text;
                const size_t Begin = Text.size();
                AppendSheetText(FValue, Text);
                const size_t Length = Text.size() - Begin;
                if (Length > MaxCellText) {
                    Text.resize(Begin);
                    return Fail("cell " + CellName(FRow, FCol) + " is longer than " + std::to_string(MaxCellText) +
                                " characters");
                }
                if (Length) Target->AddTextAt(FCol, Begin, Length);
                return;
            }
            case 'b': V = Variant(FValue == "1" || FValue == "true"); break;
            case 'e': V = Variant::FromError(ErrorCode(FValue)); break;
            case 'd': {
                TDateTime D = 0;
                if (!ParseIsoDateTime(FValue, D))
                    return Fail("cell " + CellName(FRow, FCol) + ": bad date value '" + FValue + "'");
                V = Variant::FromDateTime(D);
                break;
            }
            default: {
                double D = 0;
                const char* B = FValue.data();
                const char* E = B + FValue.size();
                while (B < E && *B == ' ') ++B;
                if (B == E) return;
                auto Res = std::from_chars(B, E, D);
                // "nan" and "inf" read as doubles but are no numbers of a sheet.
                if (Res.ec != std::errc() || Res.ptr != E || !std::isfinite(D))
                    return Fail("cell " + CellName(FRow, FCol) + ": bad number '" + FValue + "'");
                bool IsDate = FStyle < FBook.XfIsDate.size() && FBook.XfIsDate[FStyle];
                if (!IsDate) {
                    // Most cells: the number is built where the row keeps it.
                    Target->AddNumber(FCol, D);
                    return;
                }
                double Serial = FBook.Date1904 ? D + 1462 : D;
                if (Serial < MinDateSerial || Serial >= MaxDateSerial) {
                    // No date of the calendar: the number it holds.
                    Target->AddNumber(FCol, D);
                    return;
                }
                V = Variant::FromDateTime(FBook.Date1904 ? DaysToDateTime(Serial) : ExcelSerialToDateTime(D));
            }
        }
        Target->Cells.push_back({FCol, std::move(V)});
    }

    const TBookParts& FBook;
    Integer FRow = 0, FCol = 0;
    bool FInRow = false, FInCell = false, FInValue = false, FHasValue = false;
    int FPhonetic = 0;
    char FType = 'n';
    size_t FStyle = 0;
    std::string FValue;
};

class TXlsxSheetSource : public TSheetRowSource {
public:
    TXlsxSheetSource(std::shared_ptr<TBookParts> ABook, zip_uint64_t Index, const std::string& Name)
        : FBook(std::move(ABook)), FPart(*FBook), FStream(FBook->Package->Zip(), Index, Name, FPart) {}

    bool Next(TSheetRow& Row) override {
        try {
            FPart.Target = &Row;
            FPart.RowReady = false;
            while (FStream.Run())
                if (FPart.RowReady) return true;
            return false;
        } catch (const EBadPackage& E) {
            throw EOleException("'" + FBook->FileName + "' geçerli bir çalışma kitabı dosyası değil: " + SheetText(E.Why),
                                DISP_E_EXCEPTION, SourceName);
        }
    }

    void Rewind() override {
        FPart.Reset();
        try {
            FStream.Restart();
        } catch (const EBadPackage& E) {
            throw EOleException("'" + FBook->FileName + "' yeniden okunamadı: " + SheetText(E.Why),
                                DISP_E_EXCEPTION, SourceName);
        }
    }

private:
    std::shared_ptr<TBookParts> FBook;
    TSheetPart FPart;
    TPartStream FStream;
};

// A relationship target as a part name inside the package; false when it
// points outside it.
bool PartPath(const std::string& Base, const std::string& Target, std::string& Path) {
    if (Target.find(':') != std::string::npos || Target.find('\\') != std::string::npos) return false;
    std::string Full = !Target.empty() && Target[0] == '/' ? Target.substr(1) : Base + Target;
    std::vector<std::string> Segments;
    size_t Pos = 0;
    while (Pos <= Full.size()) {
        size_t Slash = Full.find('/', Pos);
        if (Slash == std::string::npos) Slash = Full.size();
        std::string Seg = Full.substr(Pos, Slash - Pos);
        if (Seg == "..") {
            if (Segments.empty()) return false;
            Segments.pop_back();
        } else if (!Seg.empty() && Seg != ".") {
            Segments.push_back(Seg);
        }
        Pos = Slash + 1;
    }
    if (Segments.empty()) return false;
    Path.clear();
    for (const auto& Seg : Segments) Path += (Path.empty() ? "" : "/") + Seg;
    return true;
}

}  // namespace

TDateTime ExcelSerialToDateTime(double Serial) {
    // Below 1 a time of day on its own, below 0 a day before 30 December 1899
    // (other office programs count back from it). Serial 60 is the 29 February
    // 1900 that never was; before it the count is one ahead.
    return Serial < 0 ? DaysToDateTime(Serial) : Serial < 1 ? Serial : Serial < 61 ? Serial + 1 : Serial;
}

AnsiString SheetText(const std::string& Utf8) { return Utf8ToAnsi(Utf8); }

bool ParseIsoDateTime(const std::string& Text, TDateTime& Value) {
    int Y = 0, Mo = 0, D = 0, H = 0, Mi = 0;
    double S = 0;
    const char* P = Text.c_str();
    double Days = 0;
    if (std::sscanf(P, "%4d-%2d-%2d", &Y, &Mo, &D) == 3) {
        TDateTime Date = 0;
        if (!TryEncodeDate(static_cast<Word>(Y), static_cast<Word>(Mo), static_cast<Word>(D), Date)) return false;
        Days = Date;
        P = std::strchr(P, 'T');
        if (!P) {
            Value = Days;
            return Text.size() == 10;
        }
        ++P;
    }
    int N = std::sscanf(P, "%2d:%2d:%lf", &H, &Mi, &S);
    if (N < 2) return false;
    if (H > 23 || Mi > 59 || S < 0 || S >= 60) return false;
    Value = Days + (H * 3600 + Mi * 60 + S) / 86400.0;
    return true;
}

void ReadXlsxFile(const AnsiString& FileName, TExcelWorkbook& Book) {
    try {
        auto Parts = std::make_shared<TBookParts>();
        Parts->FileName = FileName;
        Parts->Package = std::make_unique<TPackage>(FileName);
        TPackage& Pkg = *Parts->Package;
        TWorkbookPart WB;
        if (!Pkg.Parse("xl/workbook.xml", WB)) throw EBadPackage("it has no workbook part");
        TRelsPart Rels;
        Pkg.Parse("xl/_rels/workbook.xml.rels", Rels);

        std::string Path;
        TSharedStringsPart SST;
        auto SI = Rels.ByType.find("sharedStrings");
        if (SI != Rels.ByType.end() && !PartPath("xl/", SI->second, Path))
            throw EBadPackage("the shared strings lie outside the package ('" + SI->second + "')");
        Pkg.Parse(SI != Rels.ByType.end() ? Path : "xl/sharedStrings.xml", SST);
        Parts->Strings = std::move(SST.Strings);
        TStylesPart Styles;
        auto ST = Rels.ByType.find("styles");
        if (ST != Rels.ByType.end() && !PartPath("xl/", ST->second, Path))
            throw EBadPackage("the styles lie outside the package ('" + ST->second + "')");
        Pkg.Parse(ST != Rels.ByType.end() ? Path : "xl/styles.xml", Styles);
        Parts->XfIsDate = std::move(Styles.XfIsDate);
        Parts->Date1904 = WB.Date1904;

        if (WB.Sheets.empty()) throw EBadPackage("it has no worksheets");
        Integer Index = 0;
        for (const TSheetRef& Ref : WB.Sheets) {
            ++Index;
            auto It = Rels.ById.find(Ref.RelId);
            bool Chart = false;
            if (It != Rels.ById.end()) {
                if (It->second.External || !PartPath("xl/", It->second.Target, Path))
                    throw EBadPackage("sheet '" + Ref.Name + "' points outside the package ('" + It->second.Target + "')");
                Chart = It->second.Type == "chartsheet";
            } else {
                Path = "xl/worksheets/sheet" + std::to_string(Index) + ".xml";
            }
            zip_int64_t Part = Pkg.Find(Path);
            if (Part < 0 && !Chart) throw EBadPackage("the part '" + Path + "' of sheet '" + Ref.Name + "' is missing");
            TExcelWorksheet* Sheet = Book.AddSheet(SheetText(Ref.Name));
            // A chart sheet has no cells.
            if (!Chart) Sheet->SetSource(std::make_unique<TXlsxSheetSource>(Parts, static_cast<zip_uint64_t>(Part), Path));
        }
        Book.SetActiveSheetIndex(WB.ActiveTab);
    } catch (const EBadPackage& E) {
        throw EOleException("'" + FileName + "' geçerli bir çalışma kitabı dosyası değil: " + SheetText(E.Why),
                            DISP_E_EXCEPTION, SourceName);
    }
}
