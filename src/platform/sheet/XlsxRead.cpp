// Reading .xlsx packages: workbook, relationships, shared strings, styles and
// the sheets' cells, streamed through expat.
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sheet/SheetFiles.h"

#include <expat.h>
#include <zip.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <set>
#include <unordered_map>

namespace {

const char* const SourceName = "Microsoft Excel";

class EBadPackage {
public:
    explicit EBadPackage(std::string AWhy) : Why(std::move(AWhy)) {}
    std::string Why;
};

// Local part of an expat name "uri|local".
const char* Local(const XML_Char* Name) {
    const char* Bar = std::strrchr(Name, '|');
    return Bar ? Bar + 1 : Name;
}

const char* Attr(const XML_Char** Atts, const char* LocalName) {
    for (int I = 0; Atts[I]; I += 2)
        if (std::strcmp(Local(Atts[I]), LocalName) == 0) return Atts[I + 1];
    return nullptr;
}

// Base of the handlers of one XML part.
class TPartReader {
public:
    virtual ~TPartReader() = default;
    virtual void Start(const char* Name, const XML_Char** Atts) = 0;
    virtual void End(const char* Name) = 0;
    virtual void Text(const char* S, int Len) {}
    // Never throw through expat's C frames: stop the parser and keep the reason.
    void Fail(const std::string& Why) {
        if (Error.empty()) Error = Why;
        XML_StopParser(Parser, XML_FALSE);
    }
    XML_Parser Parser = nullptr;
    std::string Error;
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
    bool Has(const std::string& Name) const { return zip_name_locate(FZip, Name.c_str(), ZIP_FL_NOCASE) >= 0; }

    // Streams a part through Reader; false when the part is missing.
    bool Parse(const std::string& Name, TPartReader& Reader) {
        zip_int64_t Index = zip_name_locate(FZip, Name.c_str(), ZIP_FL_NOCASE);
        if (Index < 0) return false;
        zip_file_t* F = zip_fopen_index(FZip, static_cast<zip_uint64_t>(Index), 0);
        if (!F) throw EBadPackage(Name + ": " + zip_strerror(FZip));
        XML_Parser P = XML_ParserCreateNS(nullptr, '|');
        XML_SetUserData(P, &Reader);
        Reader.Parser = P;
        XML_SetElementHandler(
            P,
            [](void* U, const XML_Char* N, const XML_Char** A) { static_cast<TPartReader*>(U)->Start(Local(N), A); },
            [](void* U, const XML_Char* N) { static_cast<TPartReader*>(U)->End(Local(N)); });
        XML_SetCharacterDataHandler(
            P, [](void* U, const XML_Char* S, int L) { static_cast<TPartReader*>(U)->Text(S, L); });
        std::string Why;
        char Buf[65536];
        for (;;) {
            zip_int64_t N = zip_fread(F, Buf, sizeof Buf);
            if (N < 0) {
                Why = Name + ": " + zip_file_strerror(F);
                break;
            }
            if (XML_Parse(P, Buf, static_cast<int>(N), N == 0) != XML_STATUS_OK) {
                Why = Name + " line " + std::to_string(XML_GetCurrentLineNumber(P)) + ": " +
                      (Reader.Error.empty() ? XML_ErrorString(XML_GetErrorCode(P)) : Reader.Error);
                break;
            }
            if (N == 0) break;
        }
        XML_ParserFree(P);
        zip_fclose(F);
        if (!Why.empty()) throw EBadPackage(Why);
        return true;
    }

private:
    zip_t* FZip = nullptr;
};

// "_x000D_" escapes of characters that XML cannot carry.
std::string UnescapeOoxml(const std::string& S) {
    if (S.find("_x") == std::string::npos) return S;
    std::string R;
    for (size_t I = 0; I < S.size(); ++I) {
        unsigned V = 0;
        if (S[I] == '_' && I + 6 < S.size() && S[I + 1] == 'x' && S[I + 6] == '_' &&
            std::from_chars(S.data() + I + 2, S.data() + I + 6, V, 16).ptr == S.data() + I + 6) {
            // Encode as UTF-8 (BMP only, as the escape allows).
            if (V < 0x80) {
                R += static_cast<char>(V);
            } else if (V < 0x800) {
                R += static_cast<char>(0xC0 | (V >> 6));
                R += static_cast<char>(0x80 | (V & 0x3F));
            } else {
                R += static_cast<char>(0xE0 | (V >> 12));
                R += static_cast<char>(0x80 | ((V >> 6) & 0x3F));
                R += static_cast<char>(0x80 | (V & 0x3F));
            }
            I += 6;
        } else {
            R += S[I];
        }
    }
    return R;
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
            const char* N = Attr(Atts, "name");
            const char* Id = Attr(Atts, "id");
            Sheets.push_back({N ? N : "", Id ? Id : ""});
        } else if (!std::strcmp(Name, "workbookView")) {
            if (const char* A = Attr(Atts, "activeTab")) ActiveTab = std::atoi(A);
        } else if (!std::strcmp(Name, "workbookPr")) {
            const char* D = Attr(Atts, "date1904");
            Date1904 = D && (!std::strcmp(D, "1") || !std::strcmp(D, "true"));
        }
    }
    void End(const char*) override {}
};

class TRelsPart : public TPartReader {
public:
    std::unordered_map<std::string, std::string> Targets;  // Id -> target
    std::unordered_map<std::string, std::string> ByType;   // last segment of Type -> target
    void Start(const char* Name, const XML_Char** Atts) override {
        if (std::strcmp(Name, "Relationship")) return;
        const char* Id = Attr(Atts, "Id");
        const char* Target = Attr(Atts, "Target");
        const char* Type = Attr(Atts, "Type");
        if (!Target) return;
        if (Id) Targets[Id] = Target;
        if (Type) {
            const char* Slash = std::strrchr(Type, '/');
            ByType[Slash ? Slash + 1 : Type] = Target;
        }
    }
    void End(const char*) override {}
};

class TSharedStringsPart : public TPartReader {
public:
    std::vector<AnsiString> Strings;
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
            Strings.push_back(SheetText(UnescapeOoxml(FText)));
            FInSi = false;
        } else if (!std::strcmp(Name, "rPh")) {
            --FPhonetic;
        } else if (!std::strcmp(Name, "t")) {
            FInT = false;
        }
    }
    void Text(const char* S, int Len) override {
        if (FInT) FText.append(S, static_cast<size_t>(Len));
    }

private:
    bool FInSi = false, FInT = false;
    int FPhonetic = 0;
    std::string FText;
};

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
        if (!std::strcmp(Name, "numFmt")) {
            const char* Id = Attr(Atts, "numFmtId");
            const char* Code = Attr(Atts, "formatCode");
            if (Id && Code) FCustom[std::atoi(Id)] = IsDateFormatCode(Code);
        } else if (!std::strcmp(Name, "cellXfs")) {
            FInXfs = true;
        } else if (!std::strcmp(Name, "xf") && FInXfs) {
            const char* Id = Attr(Atts, "numFmtId");
            int N = Id ? std::atoi(Id) : 0;
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

class TSheetPart : public TPartReader {
public:
    TSheetPart(TExcelWorksheet::TCellMap& ACells, const std::vector<AnsiString>& AStrings,
               const std::vector<bool>& AXfIsDate, bool ADate1904)
        : FCells(ACells), FStrings(AStrings), FXfIsDate(AXfIsDate), FDate1904(ADate1904) {}

    void Start(const char* Name, const XML_Char** Atts) override {
        if (!std::strcmp(Name, "row")) {
            const char* R = Attr(Atts, "r");
            FRow = R ? std::atoi(R) : FRow + 1;
            FCol = 0;
        } else if (!std::strcmp(Name, "c")) {
            FInCell = true;
            FValue.clear();
            FHasValue = false;
            const char* Ref = Attr(Atts, "r");
            if (Ref) {
                Integer Col = 0;
                const char* P = Ref;
                for (; *P >= 'A' && *P <= 'Z'; ++P) Col = Col * 26 + (*P - 'A' + 1);
                FCol = Col;
                if (*P) FRow = std::atoi(P);
            } else {
                ++FCol;
            }
            const char* T = Attr(Atts, "t");
            FType = T ? T : "n";
            const char* S = Attr(Atts, "s");
            FStyle = S ? std::atoi(S) : 0;
        } else if (FInCell && (!std::strcmp(Name, "v") || (!std::strcmp(Name, "t") && !FPhonetic))) {
            FInValue = true;
            FHasValue = true;
        } else if (!std::strcmp(Name, "rPh")) {
            ++FPhonetic;
        }
    }

    void End(const char* Name) override {
        if (!std::strcmp(Name, "v") || !std::strcmp(Name, "t")) {
            FInValue = false;
        } else if (!std::strcmp(Name, "rPh")) {
            --FPhonetic;
        } else if (!std::strcmp(Name, "c")) {
            FInCell = false;
            if (FHasValue) Store();
        }
    }

    void Text(const char* S, int Len) override {
        if (FInValue) FValue.append(S, static_cast<size_t>(Len));
    }

private:
    void Store() {
        if (FRow < 1 || FRow > ExcelMaxRows || FCol < 1 || FCol > ExcelMaxColumns)
            return Fail("cell reference out of range (row " + std::to_string(FRow) + ", column " +
                        std::to_string(FCol) + ")");
        Variant V;
        if (FType == "s") {
            size_t I = 0;
            auto Res = std::from_chars(FValue.data(), FValue.data() + FValue.size(), I);
            if (Res.ec != std::errc() || I >= FStrings.size())
                return Fail("shared string index '" + FValue + "' out of range");
            V = Variant(FStrings[I]);
        } else if (FType == "str" || FType == "inlineStr") {
            V = Variant(SheetText(UnescapeOoxml(FValue)));
        } else if (FType == "b") {
            V = Variant(FValue == "1" || FValue == "true");
        } else if (FType == "e") {
            V = Variant::FromError(ErrorCode(FValue));
        } else if (FType == "d") {
            TDateTime D = 0;
            if (!ParseIsoDateTime(FValue, D)) return Fail("bad date value '" + FValue + "'");
            V = Variant::FromDateTime(D);
        } else {
            double D = 0;
            const char* B = FValue.data();
            const char* E = B + FValue.size();
            while (B < E && *B == ' ') ++B;
            if (B == E) return;
            auto Res = std::from_chars(B, E, D);
            if (Res.ec != std::errc() || Res.ptr != E) return Fail("bad number '" + FValue + "'");
            bool IsDate = FStyle >= 0 && static_cast<size_t>(FStyle) < FXfIsDate.size() && FXfIsDate[FStyle];
            if (IsDate)
                V = Variant::FromDateTime(FDate1904 ? D + 1462 : ExcelSerialToDateTime(D));
            else
                V = Variant(D);
        }
        if (V.VType() == varString && V.AsString().empty()) return;
        FCells[{FRow, FCol}] = std::move(V);
    }

    TExcelWorksheet::TCellMap& FCells;
    const std::vector<AnsiString>& FStrings;
    const std::vector<bool>& FXfIsDate;
    bool FDate1904;
    Integer FRow = 0, FCol = 0;
    bool FInCell = false, FInValue = false, FHasValue = false;
    int FPhonetic = 0;
    std::string FType;
    int FStyle = 0;
    std::string FValue;
};

// A relationship target as a path inside the package.
std::string PartPath(const std::string& Base, const std::string& Target) {
    if (!Target.empty() && Target[0] == '/') return Target.substr(1);
    std::string Path = Base + Target;
    // Resolve "dir/../x".
    size_t P;
    while ((P = Path.find("/../")) != std::string::npos) {
        size_t Start = Path.rfind('/', P == 0 ? 0 : P - 1);
        Start = (Start == std::string::npos) ? 0 : Start + 1;
        Path.erase(Start, P + 4 - Start);
    }
    return Path;
}

}  // namespace

TDateTime ExcelSerialToDateTime(double Serial) {
    // Below 1 a time of day on its own. Serial 60 is the 29 February 1900 that
    // never was; before it the count is one ahead.
    return Serial < 1 ? Serial : Serial < 61 ? Serial + 1 : Serial;
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
        TPackage Pkg(FileName);
        TWorkbookPart WB;
        if (!Pkg.Parse("xl/workbook.xml", WB)) throw EBadPackage("it has no workbook part");
        TRelsPart Rels;
        Pkg.Parse("xl/_rels/workbook.xml.rels", Rels);

        TSharedStringsPart SST;
        auto SI = Rels.ByType.find("sharedStrings");
        Pkg.Parse(SI != Rels.ByType.end() ? PartPath("xl/", SI->second) : "xl/sharedStrings.xml", SST);
        TStylesPart Styles;
        auto ST = Rels.ByType.find("styles");
        Pkg.Parse(ST != Rels.ByType.end() ? PartPath("xl/", ST->second) : "xl/styles.xml", Styles);

        if (WB.Sheets.empty()) throw EBadPackage("it has no worksheets");
        Integer Index = 0;
        for (const TSheetRef& Ref : WB.Sheets) {
            ++Index;
            std::string Path;
            auto It = Rels.Targets.find(Ref.RelId);
            if (It != Rels.Targets.end())
                Path = PartPath("xl/", It->second);
            else
                Path = "xl/worksheets/sheet" + std::to_string(Index) + ".xml";
            TExcelWorksheet* Sheet = Book.AddSheet(SheetText(Ref.Name));
            TExcelWorksheet::TCellMap Cells;
            TSheetPart Part(Cells, SST.Strings, Styles.XfIsDate, WB.Date1904);
            // A chart sheet or a missing part is an empty sheet.
            if (Pkg.Has(Path)) Pkg.Parse(Path, Part);
            Sheet->AssignCells(std::move(Cells));
        }
        Book.SetActiveSheetIndex(WB.ActiveTab);
    } catch (const EBadPackage& E) {
        throw EOleException("'" + FileName + "' is not a valid workbook file: " + SheetText(E.Why),
                            DISP_E_EXCEPTION, SourceName);
    }
}
