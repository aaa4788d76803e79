// Reading and writing the "Name=Value" lines of a component's stored properties.
#include "platform/data/Filer.h"

#include <algorithm>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"

namespace {

// The stored line of Name: its index, -1 for none (names compare without regard to case).
Integer LineOf(TStrings* Lines, const AnsiString& Name) {
    for (Integer I = 0; I < Lines->Count(); ++I)
        if (SameText(Lines->Names(I), Name)) return I;
    return -1;
}

[[noreturn]] void InvalidValue() { throw EReadError("Invalid property value"); }

void SkipBlanks(const AnsiString& V, size_t& P) {
    while (P < V.size() && V[P] == ' ') ++P;
}

// One item of a stored list at P; P ends past it.
WideString ReadListItem(const AnsiString& V, size_t& P) {
    const bool Wide = P < V.size() && (V[P] == 'W' || V[P] == 'w');
    if (Wide) ++P;
    AnsiString Bytes;   // an 8-bit item gathers its bytes and converts once
    WideString Text;
    bool Parts = false;
    while (P < V.size() && (V[P] == '\'' || V[P] == '#')) {
        Parts = true;
        if (V[P] == '#') {
            Cardinal Code = 0;
            size_t Digits = 0;
            for (++P; P < V.size() && V[P] >= '0' && V[P] <= '9' && Digits < 6; ++P, ++Digits)
                Code = Code * 10 + Cardinal(V[P] - '0');
            if (Digits == 0 || Code > (Wide ? 0xFFFFu : 0xFFu)) InvalidValue();
            if (Wide) Text += char16_t(Code);
            else Bytes += char(Code);
            continue;
        }
        AnsiString Run;
        for (++P;; ++P) {
            if (P >= V.size()) InvalidValue();   // the quote never closes
            if (V[P] != '\'') {
                Run += V[P];
            } else if (P + 1 < V.size() && V[P + 1] == '\'') {
                Run += '\'';
                ++P;
            } else {
                ++P;
                break;
            }
        }
        if (Wide) Text += AnsiToWide(Run);
        else Bytes += Run;
    }
    if (!Parts) InvalidValue();
    return Wide ? Text : AnsiToWide(Bytes);
}

// A character that may stand in a quoted run: printable and held by the code page.
bool Quotable(char16_t C) {
    if (C < 0x20 || (C >= 0x7F && C <= 0x9F)) return false;
    return UnicodeToCp1254(C) >= 0;
}

}  // namespace

std::vector<WideString> TReader::ReadStringList() const {
    const AnsiString& V = FValue;
    size_t P = 0;
    SkipBlanks(V, P);
    if (P >= V.size() || V[P] != '(') InvalidValue();
    ++P;
    SkipBlanks(V, P);
    std::vector<WideString> Items;
    bool More = P >= V.size() || V[P] != ')';
    while (More) {
        Items.push_back(ReadListItem(V, P));
        SkipBlanks(V, P);
        if (P >= V.size() || (V[P] != ',' && V[P] != ')')) InvalidValue();
        More = V[P] == ',';
        if (More) {
            ++P;
            SkipBlanks(V, P);
        }
    }
    ++P;   // the closing bracket
    SkipBlanks(V, P);
    if (P != V.size()) InvalidValue();
    return Items;
}

std::vector<AnsiString> TReader::ReadAnsiStringList() const {
    std::vector<AnsiString> Items;
    for (const WideString& S : ReadStringList()) Items.push_back(WideToAnsi(S));
    return Items;
}

void TWriter::WriteStringList(const std::vector<AnsiString>& Items) {
    std::vector<WideString> Wide;
    for (const AnsiString& S : Items) Wide.push_back(AnsiToWide(S));
    WriteWideStringList(Wide);
}

void TWriter::WriteWideStringList(const std::vector<WideString>& Items) {
    AnsiString V = "(";
    for (size_t I = 0; I < Items.size(); ++I) {
        if (I > 0) V += ", ";
        V += 'W';
        const WideString& S = Items[I];
        if (S.empty()) V += "''";
        bool InRun = false;
        for (char16_t C : S) {
            const bool Quoted = Quotable(C);
            if (Quoted != InRun) V += '\'';
            InRun = Quoted;
            if (!Quoted) V += "#" + IntToStr(Integer(C));
            else if (C == u'\'') V += "''";
            else V += char(UnicodeToCp1254(C));
        }
        if (InRun) V += '\'';
    }
    FValue = V + ")";
}

void TReader::DefineProperty(const AnsiString& Name, const std::function<void(TReader&)>& ReadData,
                             const std::function<void(TWriter&)>&, bool) {
    if (!FLines || !ReadData) return;
    const Integer I = LineOf(FLines, Name);
    if (I < 0) return;
    FValue = FLines->ValueFromIndex(I);
    ReadData(*this);
    FRead.push_back(Name);
}

bool TReader::ReadBoolean() {
    const AnsiString V = Trim(FValue);
    if (SameText(V, "True")) return true;
    if (SameText(V, "False")) return false;
    throw EReadError("Invalid property value");
}

Integer TReader::ReadInteger() {
    Integer V = 0;
    if (!TryStrToInt(Trim(FValue), V)) throw EReadError("Invalid property value");
    return V;
}

void TReader::CheckAllRead() const {
    for (Integer I = 0; FLines && I < FLines->Count(); ++I) {
        const AnsiString Name = FLines->Names(I);
        if (Name.empty()) continue;
        if (std::none_of(FRead.begin(), FRead.end(), [&](const AnsiString& N) { return SameText(N, Name); }))
            throw EReadError("Property " + Name + " does not exist");
    }
}

void TWriter::DefineProperty(const AnsiString& Name, const std::function<void(TReader&)>&,
                             const std::function<void(TWriter&)>& WriteData, bool HasData) {
    if (!FLines || !WriteData || !HasData) return;
    FValue.clear();
    WriteData(*this);
    FLines->Add(Name + "=" + FValue);
}

void ReadStoredLines(TComponent* C, TStrings* Lines, const std::function<void(TFiler*)>& Define) {
    C->BeginLoading();
    try {
        TReader Reader(Lines);
        Define(&Reader);
        Reader.CheckAllRead();
    } catch (...) {
        C->EndLoading();
        throw;
    }
    C->EndLoading();
}
