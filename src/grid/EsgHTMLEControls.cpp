// Reading and rewriting the <CONTROL ...> tags of a mini-HTML text.
#include "grid/EsgHTMLE.h"

#include "platform/rtl/SysUtils.h"

#include <cctype>

namespace {

bool IsNameChar(char C) { return std::isalnum(static_cast<unsigned char>(C)) || C == '_'; }

// The quoted value after Name= (Name upper case). Names are matched outside quoted
// values only and as whole words, so VALUE="x ID=..." never passes for an ID.
AnsiString ControlAttr(const AnsiString& Tag, const AnsiString& Name) {
    AnsiString U = UpperCase(Tag);
    AnsiString Key = Name + "=";
    bool InQuote = false;
    for (size_t I = 0; I < U.size(); ++I) {
        if (U[I] == '"') { InQuote = !InQuote; continue; }
        if (InQuote || U.compare(I, Key.size(), Key) != 0) continue;
        if (I > 0 && IsNameChar(U[I - 1])) continue;
        size_t Q1 = Tag.find('"', I + Key.size());
        if (Q1 == AnsiString::npos) return AnsiString();
        size_t Q2 = Tag.find('"', Q1 + 1);
        if (Q2 == AnsiString::npos) return Tag.substr(Q1 + 1);
        return Tag.substr(Q1 + 1, Q2 - Q1 - 1);
    }
    return AnsiString();
}

struct TControlTag {
    size_t Start = 0;   // the "<"
    size_t End = 0;     // just past the ">"
    AnsiString Text;
};

// Every <CONTROL ...> tag of S, in order.
std::vector<TControlTag> ControlTags(const AnsiString& S) {
    std::vector<TControlTag> Tags;
    AnsiString U = UpperCase(S);
    size_t P = 0;
    while ((P = U.find("<CONTROL", P)) != AnsiString::npos) {
        size_t Gt = S.find('>', P);
        size_t End = Gt == AnsiString::npos ? S.size() : Gt + 1;
        Tags.push_back({P, End, S.substr(P, End - P)});
        P = End;
    }
    return Tags;
}

bool IsEditType(const AnsiString& Type) { return Type != "BUTTON" && Type != "CHECK" && Type != "RADIO"; }

}  // namespace

void ParseControlTag(const AnsiString& Tag, AnsiString& CType, AnsiString& CID, AnsiString& CProp,
                     AnsiString& CWidth, AnsiString& CValue) {
    // Every attribute is read as the other tags' are, entities decoded.
    CType = UpperCase(HTMLDecode(ControlAttr(Tag, "TYPE")));
    CID = HTMLDecode(ControlAttr(Tag, "ID"));
    CProp = HTMLDecode(ControlAttr(Tag, "PROP"));
    CWidth = HTMLDecode(ControlAttr(Tag, "WIDTH"));
    CValue = HTMLDecode(ControlAttr(Tag, "VALUE"));
}

bool IsControlText(const AnsiString& S) { return UpperCase(S).find("<CONTROL") != AnsiString::npos; }

AnsiString NextEditControlID(const AnsiString& S, const AnsiString& ID) {
    bool Passed = ID.empty();
    for (const TControlTag& T : ControlTags(S)) {
        AnsiString CType, CID, CProp, CWidth, CValue;
        ParseControlTag(T.Text, CType, CID, CProp, CWidth, CValue);
        if (!Passed) {
            if (CID == ID) Passed = true;
            continue;
        }
        if (IsEditType(CType)) return CID;
    }
    return AnsiString();
}

AnsiString GetControlProp(const AnsiString& S, const AnsiString& ID) {
    for (const TControlTag& T : ControlTags(S)) {
        AnsiString CType, CID, CProp, CWidth, CValue;
        ParseControlTag(T.Text, CType, CID, CProp, CWidth, CValue);
        if (CID == ID) return CProp;
    }
    return AnsiString();
}

bool SetControlValue(AnsiString& S, const AnsiString& ID, const AnsiString& Value) {
    for (const TControlTag& T : ControlTags(S)) {
        AnsiString CType, CID, CProp, CWidth, CValue;
        ParseControlTag(T.Text, CType, CID, CProp, CWidth, CValue);
        if (CID != ID) continue;
        // Written back encoded, so that they read back as they were read.
        AnsiString Tag = "<CONTROL ID=\"" + HTMLEncode(CID) + "\" VALUE=\"" + HTMLEncode(Value) + "\" WIDTH=\"" +
                         HTMLEncode(CWidth) + "\" TYPE=\"" + HTMLEncode(CType) + "\"";
        if (!CProp.empty()) Tag += " PROP=\"" + HTMLEncode(CProp) + "\"";
        Tag += ">";
        S = S.substr(0, T.Start) + Tag + S.substr(T.End);
        return true;
    }
    return false;
}

AnsiString PasswordText(const AnsiString& S) { return AnsiString(S.size(), '*'); }
