// TExtStringGrid: column widths kept between runs in an INI file or the settings store.
#include "grid/ExtGrid.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Registry.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

// A plain INI file: sections of Name=Value lines. Written whole to a new file that
// then replaces the old one, so a failed write never leaves half a file.
class TColumnIni {
public:
    explicit TColumnIni(AnsiString FileName) {
        if (FileName.empty() || FileName[0] != '/') FileName = ExtractFilePath(RegistryFileName()) + FileName;
        FName = FileName;
        std::ifstream In(AnsiToUtf8(FName), std::ios::binary);
        std::string Line;
        while (std::getline(In, Line)) {
            if (!Line.empty() && Line.back() == '\r') Line.pop_back();
            FLines.push_back(Line);
        }
    }
    // Index of the section's header line, -1 when missing.
    Integer SectionAt(const AnsiString& Section) const {
        for (size_t I = 0; I < FLines.size(); ++I)
            if (FLines[I].size() >= 2 && FLines[I].front() == '[' && FLines[I].back() == ']' &&
                SameText(FLines[I].substr(1, FLines[I].size() - 2), Section))
                return Integer(I);
        return -1;
    }
    Integer ValueAt(Integer Sec, const AnsiString& Name) const {
        for (size_t I = size_t(Sec) + 1; I < FLines.size() && (FLines[I].empty() || FLines[I][0] != '['); ++I) {
            const size_t Eq = FLines[I].find('=');
            if (Eq != AnsiString::npos && SameText(Trim(FLines[I].substr(0, Eq)), Name)) return Integer(I);
        }
        return -1;
    }
    Integer ReadInteger(const AnsiString& Section, const AnsiString& Name, Integer Default) const {
        const Integer S = SectionAt(Section);
        const Integer V = S < 0 ? -1 : ValueAt(S, Name);
        if (V < 0) return Default;
        const AnsiString& L = FLines[size_t(V)];
        return StrToIntDef(Trim(L.substr(L.find('=') + 1)), Default);
    }
    void WriteInteger(const AnsiString& Section, const AnsiString& Name, Integer Value) {
        Integer S = SectionAt(Section);
        if (S < 0) {
            FLines.push_back("[" + Section + "]");
            S = Integer(FLines.size()) - 1;
        }
        const AnsiString L = Name + "=" + IntToStr(Value);
        const Integer V = ValueAt(S, Name);
        if (V >= 0) {
            FLines[size_t(V)] = L;
            return;
        }
        size_t End = size_t(S) + 1;
        while (End < FLines.size() && (FLines[End].empty() || FLines[End][0] != '[')) ++End;
        while (End > size_t(S) + 1 && FLines[End - 1].empty()) --End;
        FLines.insert(FLines.begin() + std::ptrdiff_t(End), L);
    }
    void Save() const {
        ForceDirectories(ExtractFilePath(FName));
        AnsiString Text;
        for (const AnsiString& L : FLines) Text += L + "\r\n";
        SaveFileAtomically(FName, Text);
    }

private:
    AnsiString FName;
    std::vector<AnsiString> FLines;
};

AnsiString ColName(Integer I) { return "Col" + IntToStr(I); }

}  // namespace

bool TExtStringGrid::ColumnWidthsKept() const {
    return FColumnSize->Save() && !FColumnSize->Key().empty() && !FColumnSize->Section().empty() &&
           !ComponentState().Contains(csDesigning);
}

// The widths are kept for the full layout: while a column is grouped out of the
// grid, its width waits aside and the columns right of it are one place further.
Integer TExtStringGrid::LayoutColCount() const { return ColCount() + (FGroupColumn >= 0 ? 1 : 0); }

Integer TExtStringGrid::LayoutColWidth(Integer ACol) const {
    if (FGroupColumn < 0 || ACol < FGroupColumn) return ColWidths(ACol);
    return ACol == FGroupColumn ? FGroupColWidth : ColWidths(ACol - 1);
}

void TExtStringGrid::SetLayoutColWidth(Integer ACol, Integer Value) {
    if (FGroupColumn >= 0 && ACol == FGroupColumn) FGroupColWidth = Value;
    else if (const Integer C = FGroupColumn >= 0 && ACol > FGroupColumn ? ACol - 1 : ACol; ColWidths(C) != Value)
        SetColWidths(C, Value);
}

void TExtStringGrid::NoteColumnSized(Integer ACol) {
    const Integer L = FGroupColumn >= 0 && ACol >= FGroupColumn ? ACol + 1 : ACol;
    if (FKeptWidths.size() < size_t(LayoutColCount())) FKeptWidths.resize(size_t(LayoutColCount()), 0);
    if (ACol < 0) std::fill(FKeptWidths.begin(), FKeptWidths.end(), Byte(1));
    else if (L < Integer(FKeptWidths.size())) FKeptWidths[size_t(L)] = 1;
}

void TExtStringGrid::StoreColumnWidths() {
    if (!ColumnWidthsKept()) return;
    const AnsiString& Key = FColumnSize->Key();
    const AnsiString& Sec = FColumnSize->Section();
    const Integer Count = std::min(LayoutColCount(), Integer(FKeptWidths.size()));
    auto Kept = [&](Integer C) { return FKeptWidths[size_t(C)] != 0; };
    if (std::none_of(FKeptWidths.begin(), FKeptWidths.begin() + Count, [](Byte B) { return B != 0; })) return;
    if (FColumnSize->Location() == clIniFile) {
        TColumnIni Ini(Key);
        for (Integer C = 0; C < Count; ++C)
            if (Kept(C)) Ini.WriteInteger(Sec, ColName(C), LayoutColWidth(C));
        Ini.Save();
    } else {
        TRegistryIniFile Reg(Key);
        for (Integer C = 0; C < Count; ++C)
            if (Kept(C)) Reg.WriteInteger(Sec, ColName(C), LayoutColWidth(C));
    }
}

void TExtStringGrid::RestoreColumnWidths() {
    if (!ColumnWidthsKept()) return;
    const AnsiString& Key = FColumnSize->Key();
    const AnsiString& Sec = FColumnSize->Section();
    std::unique_ptr<TColumnIni> Ini;
    std::unique_ptr<TRegistryIniFile> Reg;
    if (FColumnSize->Location() == clIniFile) Ini = std::make_unique<TColumnIni>(Key);
    else Reg = std::make_unique<TRegistryIniFile>(Key);
    // A damaged file's width is refused as a stream's is: that column keeps its width, the others are read.
    Int64 Total = 0;
    for (Integer C = 0; C < LayoutColCount(); ++C) {
        const Integer Now = LayoutColWidth(C);
        const Integer W = Ini ? Ini->ReadInteger(Sec, ColName(C), Now) : Reg->ReadInteger(Sec, ColName(C), Now);
        if (W != Now && TakeOutsideWidth(W, Total)) SetLayoutColWidth(C, W);
        else Total += std::max(0, Now);
    }
    FKeptWidths.assign(size_t(LayoutColCount()), 1);
}

Integer GetFileVersion(const AnsiString& FileName) {
    // The fixed file information of a version resource: its signature, the structure
    // version, then the most significant half of the file version.
    std::ifstream In(AnsiToUtf8(FileName), std::ios::binary);
    if (!In) return -1;
    const std::string Bytes((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    static const std::string Signature("\xBD\x04\xEF\xFE", 4);
    for (size_t P = Bytes.find(Signature); P != std::string::npos; P = Bytes.find(Signature, P + 1)) {
        if (P % 4 != 0 || P + 12 > Bytes.size()) continue;   // the structure is 32-bit aligned
        Cardinal V = 0;
        for (Integer I = 3; I >= 0; --I) V = (V << 8) | static_cast<unsigned char>(Bytes[P + 8 + size_t(I)]);
        return Integer(V);
    }
    return -1;
}
