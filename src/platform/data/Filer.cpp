// Reading and writing the "Name=Value" lines of a component's stored properties.
#include "platform/data/Filer.h"

#include <algorithm>

#include "platform/rtl/SysUtils.h"

namespace {

// The stored line of Name: its index, -1 for none (names compare without regard to case).
Integer LineOf(TStrings* Lines, const AnsiString& Name) {
    for (Integer I = 0; I < Lines->Count(); ++I)
        if (SameText(Lines->Names(I), Name)) return I;
    return -1;
}

}  // namespace

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
