#include "platform/rtl/Registry.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

struct TRegValue {
    AnsiString Name;
    TRegDataType Type = rdString;
    AnsiString Data;   // text for strings, 4 bytes for integers, raw bytes for binary
};

struct TRegKey {
    AnsiString Path;   // "HKEY_CURRENT_USER\Software\KADRIX_Software"
    std::vector<TRegValue> Values;
};

struct TRegStore {
    std::vector<TRegKey> Keys;

    TRegKey* Find(const AnsiString& Path)
    {
        for (auto& K : Keys)
            if (SameText(K.Path, Path)) return &K;
        return nullptr;
    }

    // Creates the key and every missing key above it.
    TRegKey* Create(const AnsiString& Path)
    {
        if (TRegKey* K = Find(Path)) return K;
        auto P = Path.rfind('\\');
        if (P != AnsiString::npos) Create(Path.substr(0, P));
        Keys.push_back(TRegKey{Path, {}});
        return &Keys.back();
    }
};

std::mutex& StoreLock()
{
    static std::mutex M;
    return M;
}

AnsiString& FileOverride()
{
    static AnsiString S;
    return S;
}

std::mutex& OverrideLock()
{
    static std::mutex M;
    return M;
}

const char* RootName(HKEY Key)
{
    switch (Key) {
    case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER: return "HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS: return "HKEY_USERS";
    case HKEY_CURRENT_CONFIG: return "HKEY_CURRENT_CONFIG";
    default: return nullptr;
    }
}

// Escaping for one line of the file: '%' and the characters given become %XX.
AnsiString Escape(const AnsiString& S, const char* Special, bool EdgeBlanks)
{
    static const char Hex[] = "0123456789ABCDEF";
    AnsiString R;
    for (size_t I = 0; I < S.size(); ++I) {
        auto U = static_cast<unsigned char>(S[I]);
        bool Edge = EdgeBlanks && U == ' ' && (I == 0 || I + 1 == S.size());
        if (U < 0x20 || U == 0x7F || S[I] == '%' || std::strchr(Special, S[I]) || Edge) {
            R += '%';
            R += Hex[U >> 4];
            R += Hex[U & 15];
        } else {
            R += S[I];
        }
    }
    return R;
}

int HexDigit(char C)
{
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    return -1;
}

AnsiString Unescape(const AnsiString& S)
{
    AnsiString R;
    for (size_t I = 0; I < S.size(); ++I) {
        if (S[I] == '%' && I + 2 < S.size() + 0 && HexDigit(S[I + 1]) >= 0 && HexDigit(S[I + 2]) >= 0) {
            R += static_cast<char>(HexDigit(S[I + 1]) * 16 + HexDigit(S[I + 2]));
            I += 2;
        } else {
            R += S[I];
        }
    }
    return R;
}

AnsiString IntToData(Integer V)
{
    auto U = static_cast<Cardinal>(V);
    AnsiString D(4, '\0');
    for (int I = 0; I < 4; ++I) D[I] = static_cast<char>((U >> (8 * I)) & 0xFF);
    return D;
}

Integer DataToInt(const AnsiString& D)
{
    Cardinal U = 0;
    for (size_t I = 0; I < 4 && I < D.size(); ++I) U |= Cardinal(static_cast<unsigned char>(D[I])) << (8 * I);
    return static_cast<Integer>(U);
}

AnsiString Serialize(const TRegStore& Store)
{
    AnsiString Out = "; osbzemtar settings\n";
    static const char Hex[] = "0123456789ABCDEF";
    for (auto& K : Store.Keys) {
        Out += "\n[" + Escape(K.Path, "[]", false) + "]\n";
        for (auto& V : K.Values) {
            Out += Escape(V.Name, "=[;", true) + "=";
            switch (V.Type) {
            case rdString: Out += "sz:" + Escape(V.Data, "", false); break;
            case rdExpandString: Out += "expand_sz:" + Escape(V.Data, "", false); break;
            case rdInteger: Out += "dword:" + IntToStr(DataToInt(V.Data)); break;
            default:
                Out += "hex:";
                for (char C : V.Data) {
                    auto U = static_cast<unsigned char>(C);
                    Out += Hex[U >> 4];
                    Out += Hex[U & 15];
                }
                break;
            }
            Out += "\n";
        }
    }
    return AnsiToUtf8(Out);
}

// Lines that make no sense are skipped; a damaged file still yields what it can.
TRegStore Parse(const std::string& Utf8)
{
    TRegStore Store;
    AnsiString Text = Utf8ToAnsi(Utf8);
    TRegKey* Current = nullptr;
    size_t P = 0;
    while (P < Text.size()) {
        size_t E = Text.find('\n', P);
        if (E == AnsiString::npos) E = Text.size();
        AnsiString Line = Text.substr(P, E - P);
        P = E + 1;
        if (!Line.empty() && Line.back() == '\r') Line.pop_back();
        if (Line.empty() || Line[0] == ';') continue;
        if (Line[0] == '[') {
            if (Line.back() != ']') {
                Current = nullptr;
                continue;
            }
            Current = Store.Create(Unescape(Line.substr(1, Line.size() - 2)));
            continue;
        }
        auto Eq = Line.find('=');
        if (!Current || Eq == AnsiString::npos) continue;
        TRegValue V;
        V.Name = Unescape(Line.substr(0, Eq));
        AnsiString Rest = Line.substr(Eq + 1);
        auto Colon = Rest.find(':');
        if (Colon == AnsiString::npos) continue;
        AnsiString Kind = Rest.substr(0, Colon), Data = Rest.substr(Colon + 1);
        if (Kind == "sz") {
            V.Type = rdString;
            V.Data = Unescape(Data);
        } else if (Kind == "expand_sz") {
            V.Type = rdExpandString;
            V.Data = Unescape(Data);
        } else if (Kind == "dword") {
            Integer I;
            if (!TryStrToInt(Data, I)) continue;
            V.Type = rdInteger;
            V.Data = IntToData(I);
        } else if (Kind == "hex") {
            if (Data.size() % 2) continue;
            V.Type = rdBinary;
            bool Ok = true;
            for (size_t I = 0; I < Data.size(); I += 2) {
                int Hi = HexDigit(Data[I]), Lo = HexDigit(Data[I + 1]);
                if (Hi < 0 || Lo < 0) Ok = false;
                V.Data += static_cast<char>((Hi << 4) | (Lo & 15));
            }
            if (!Ok) continue;
        } else {
            continue;
        }
        bool Replaced = false;
        for (auto& Old : Current->Values)
            if (SameText(Old.Name, V.Name)) {
                Old = V;
                Replaced = true;
            }
        if (!Replaced) Current->Values.push_back(V);
    }
    return Store;
}

TRegStore LoadStore(const AnsiString& FileName)
{
    if (!FileExists(FileName)) return TRegStore();
    return Parse(LoadFileToString(FileName));
}

void SaveStore(const AnsiString& FileName, const TRegStore& Store)
{
    ForceDirectories(ExtractFileDir(FileName));
    SaveFileAtomically(FileName, Serialize(Store));
}

// Splits a key path at backslashes, dropping empty parts.
AnsiString NormalizePath(const AnsiString& S)
{
    AnsiString R, Part;
    for (size_t I = 0; I <= S.size(); ++I) {
        if (I == S.size() || S[I] == '\\') {
            if (!Part.empty()) {
                if (!R.empty()) R += '\\';
                R += Part;
            }
            Part.clear();
        } else {
            Part += S[I];
        }
    }
    return R;
}

}  // namespace

void SetRegistryFileName(const AnsiString& FileName)
{
    std::lock_guard<std::mutex> Lock(OverrideLock());
    FileOverride() = FileName;
}

AnsiString RegistryFileName()
{
    {
        std::lock_guard<std::mutex> Lock(OverrideLock());
        if (!FileOverride().empty()) return FileOverride();
    }
    const char* X = std::getenv("XDG_CONFIG_HOME");
    AnsiString Base = X && *X ? IncludeTrailingPathDelimiter(Utf8ToAnsi(X)) : GetHomeDir() + ".config/";
    return Base + "osbzemtar/registry.ini";
}

// ---------------------------------------------------------------------------
// TRegistry

TRegistry::TRegistry() = default;

TRegistry::~TRegistry()
{
    CloseKey();
}

AnsiString TRegistry::StoreFile() const
{
    return FFileName.empty() ? RegistryFileName() : FFileName;
}

void TRegistry::SetRootKey(HKEY Value)
{
    if (Value == FRootKey) return;
    CloseKey();
    FRootKey = Value;
}

HKEY TRegistry::CurrentKey() const
{
    return FKeyOpen ? reinterpret_cast<HKEY>(this) : 0;
}

AnsiString TRegistry::ResolveKey(const AnsiString& Key, bool& Ok) const
{
    const char* Root = RootName(FRootKey);
    Ok = Root != nullptr;
    if (!Ok) return AnsiString();
    bool Absolute = !Key.empty() && Key[0] == '\\';
    AnsiString Rel = NormalizePath(Key);
    AnsiString Base = (!Absolute && FKeyOpen) ? FCurrentPath : AnsiString();
    AnsiString Sub = Base.empty() ? Rel : Rel.empty() ? Base : Base + "\\" + Rel;
    return Sub.empty() ? AnsiString(Root) : AnsiString(Root) + "\\" + Sub;
}

bool TRegistry::OpenKey(const AnsiString& Key, bool CanCreate)
{
    bool Ok;
    AnsiString Full = ResolveKey(Key, Ok);
    if (!Ok) return false;
    std::lock_guard<std::mutex> Lock(StoreLock());
    TRegStore Store = LoadStore(StoreFile());
    if (!Store.Find(Full) && Full.find('\\') != AnsiString::npos) {
        if (!CanCreate) return false;
        Store.Create(Full);
        try {
            SaveStore(StoreFile(), Store);
        } catch (const Exception&) {
            return false;   // the store cannot be written: the key was not made
        }
    }
    auto P = Full.find('\\');
    FCurrentPath = P == AnsiString::npos ? AnsiString() : Full.substr(P + 1);
    FKeyOpen = true;
    FReadOnly = false;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const AnsiString& Key)
{
    bool Ok;
    AnsiString Full = ResolveKey(Key, Ok);
    if (!Ok) return false;
    std::lock_guard<std::mutex> Lock(StoreLock());
    TRegStore Store = LoadStore(StoreFile());
    if (!Store.Find(Full) && Full.find('\\') != AnsiString::npos) return false;
    auto P = Full.find('\\');
    FCurrentPath = P == AnsiString::npos ? AnsiString() : Full.substr(P + 1);
    FKeyOpen = true;
    FReadOnly = true;
    return true;
}

void TRegistry::CloseKey()
{
    FKeyOpen = false;
    FReadOnly = false;
    FCurrentPath.clear();
}

bool TRegistry::CreateKey(const AnsiString& Key)
{
    bool Ok;
    AnsiString Full = ResolveKey(Key, Ok);
    if (Ok && Full.find('\\') != AnsiString::npos) {
        try {
            std::lock_guard<std::mutex> Lock(StoreLock());
            TRegStore Store = LoadStore(StoreFile());
            if (!Store.Find(Full)) {
                Store.Create(Full);
                SaveStore(StoreFile(), Store);
            }
            return true;
        } catch (const Exception&) {
        }
    }
    throw ERegistryException("Failed to create key %s", {Key});
}

bool TRegistry::DeleteKey(const AnsiString& Key)
{
    bool Ok;
    AnsiString Full = ResolveKey(Key, Ok);
    if (!Ok || Full.find('\\') == AnsiString::npos) return false;   // never a whole root
    std::lock_guard<std::mutex> Lock(StoreLock());
    TRegStore Store = LoadStore(StoreFile());
    if (!Store.Find(Full)) return false;
    AnsiString Prefix = Full + "\\";
    std::vector<TRegKey> Kept;
    for (auto& K : Store.Keys) {
        bool Below = K.Path.size() > Prefix.size() && SameText(K.Path.substr(0, Prefix.size()), Prefix);
        if (!SameText(K.Path, Full) && !Below) Kept.push_back(K);
    }
    Store.Keys.swap(Kept);
    SaveStore(StoreFile(), Store);
    return true;
}

bool TRegistry::KeyExists(const AnsiString& Key)
{
    bool Ok;
    AnsiString Full = ResolveKey(Key, Ok);
    if (!Ok) return false;
    if (Full.find('\\') == AnsiString::npos) return true;
    std::lock_guard<std::mutex> Lock(StoreLock());
    TRegStore Store = LoadStore(StoreFile());
    return Store.Find(Full) != nullptr;
}

bool TRegistry::GetValue(const AnsiString& Name, TRegDataType& Type, AnsiString& Data)
{
    if (!FKeyOpen) return false;
    bool Ok;
    AnsiString Full = ResolveKey(AnsiString(), Ok);
    if (!Ok) return false;
    std::lock_guard<std::mutex> Lock(StoreLock());
    TRegStore Store = LoadStore(StoreFile());
    TRegKey* K = Store.Find(Full);
    if (!K) return false;
    for (auto& V : K->Values)
        if (SameText(V.Name, Name)) {
            Type = V.Type;
            Data = V.Data;
            return true;
        }
    return false;
}

void TRegistry::PutValue(const AnsiString& Name, TRegDataType Type, const AnsiString& Data)
{
    bool Ok = FKeyOpen && !FReadOnly;
    AnsiString Full;
    if (Ok) Full = ResolveKey(AnsiString(), Ok);
    if (!Ok) throw ERegistryException("Failed to set data for '%s'", {Name});
    std::lock_guard<std::mutex> Lock(StoreLock());
    TRegStore Store = LoadStore(StoreFile());
    TRegKey* K = Store.Create(Full);
    bool Found = false;
    for (auto& V : K->Values)
        if (SameText(V.Name, Name)) {
            V.Type = Type;
            V.Data = Data;
            Found = true;
            break;
        }
    if (!Found) K->Values.push_back(TRegValue{Name, Type, Data});
    try {
        SaveStore(StoreFile(), Store);
    } catch (const Exception&) {
        throw ERegistryException("Failed to set data for '%s'", {Name});
    }
}

bool TRegistry::ValueExists(const AnsiString& Name)
{
    TRegDataType T;
    AnsiString D;
    return GetValue(Name, T, D);
}

bool TRegistry::DeleteValue(const AnsiString& Name)
{
    if (!FKeyOpen || FReadOnly) return false;
    bool Ok;
    AnsiString Full = ResolveKey(AnsiString(), Ok);
    if (!Ok) return false;
    std::lock_guard<std::mutex> Lock(StoreLock());
    TRegStore Store = LoadStore(StoreFile());
    TRegKey* K = Store.Find(Full);
    if (!K) return false;
    for (auto It = K->Values.begin(); It != K->Values.end(); ++It)
        if (SameText(It->Name, Name)) {
            K->Values.erase(It);
            SaveStore(StoreFile(), Store);
            return true;
        }
    return false;
}

void TRegistry::GetKeyNames(TStrings* Strings)
{
    Strings->Clear();
    if (!FKeyOpen) return;
    bool Ok;
    AnsiString Full = ResolveKey(AnsiString(), Ok);
    if (!Ok) return;
    TRegStore Store;
    {
        std::lock_guard<std::mutex> Lock(StoreLock());
        Store = LoadStore(StoreFile());
    }
    AnsiString Prefix = Full + "\\";
    std::vector<AnsiString> Names;
    for (auto& K : Store.Keys) {
        if (K.Path.size() <= Prefix.size() || !SameText(K.Path.substr(0, Prefix.size()), Prefix)) continue;
        AnsiString Rest = K.Path.substr(Prefix.size());
        AnsiString Child = Rest.substr(0, Rest.find('\\'));
        bool Seen = false;
        for (auto& N : Names)
            if (SameText(N, Child)) Seen = true;
        if (!Seen) Names.push_back(Child);
    }
    Strings->BeginUpdate();
    for (auto& N : Names) Strings->Add(N);
    Strings->EndUpdate();
}

void TRegistry::GetValueNames(TStrings* Strings)
{
    Strings->Clear();
    if (!FKeyOpen) return;
    bool Ok;
    AnsiString Full = ResolveKey(AnsiString(), Ok);
    if (!Ok) return;
    TRegStore Store;
    {
        std::lock_guard<std::mutex> Lock(StoreLock());
        Store = LoadStore(StoreFile());
    }
    TRegKey* K = Store.Find(Full);
    if (!K) return;
    Strings->BeginUpdate();
    for (auto& V : K->Values) Strings->Add(V.Name);
    Strings->EndUpdate();
}

bool TRegistry::HasSubKeys()
{
    TRegKeyInfo Info;
    return GetKeyInfo(Info) && Info.NumSubKeys > 0;
}

bool TRegistry::GetKeyInfo(TRegKeyInfo& Value)
{
    Value = TRegKeyInfo();
    if (!FKeyOpen) return false;
    TStringList Keys, Values;
    GetKeyNames(&Keys);
    GetValueNames(&Values);
    Value.NumSubKeys = Keys.Count();
    Value.NumValues = Values.Count();
    return true;
}

TRegDataType TRegistry::GetDataType(const AnsiString& ValueName)
{
    TRegDataInfo Info;
    return GetDataInfo(ValueName, Info) ? Info.RegData : rdUnknown;
}

Integer TRegistry::GetDataSize(const AnsiString& ValueName)
{
    TRegDataInfo Info;
    return GetDataInfo(ValueName, Info) ? Info.DataSize : -1;
}

bool TRegistry::GetDataInfo(const AnsiString& ValueName, TRegDataInfo& Value)
{
    Value = TRegDataInfo();
    TRegDataType T;
    AnsiString D;
    if (!GetValue(ValueName, T, D)) return false;
    Value.RegData = T;
    // Strings count their terminating zero, as the system did.
    Value.DataSize = static_cast<Integer>(D.size()) + ((T == rdString || T == rdExpandString) ? 1 : 0);
    return true;
}

AnsiString TRegistry::ReadString(const AnsiString& Name)
{
    TRegDataType T;
    AnsiString D;
    if (!GetValue(Name, T, D)) return AnsiString();
    if (T != rdString && T != rdExpandString) throw ERegistryException("Invalid data type for '%s'", {Name});
    return D;
}

void TRegistry::WriteString(const AnsiString& Name, const AnsiString& Value)
{
    PutValue(Name, rdString, Value);
}

void TRegistry::WriteExpandString(const AnsiString& Name, const AnsiString& Value)
{
    PutValue(Name, rdExpandString, Value);
}

Integer TRegistry::ReadInteger(const AnsiString& Name)
{
    TRegDataType T;
    AnsiString D;
    if (!GetValue(Name, T, D)) throw ERegistryException("Failed to get data for '%s'", {Name});
    if (T != rdInteger) throw ERegistryException("Invalid data type for '%s'", {Name});
    return DataToInt(D);
}

void TRegistry::WriteInteger(const AnsiString& Name, Integer Value)
{
    PutValue(Name, rdInteger, IntToData(Value));
}

bool TRegistry::ReadBool(const AnsiString& Name)
{
    return ReadInteger(Name) != 0;
}

void TRegistry::WriteBool(const AnsiString& Name, bool Value)
{
    WriteInteger(Name, Value ? 1 : 0);
}

Integer TRegistry::ReadBinaryData(const AnsiString& Name, void* Buffer, Integer BufSize)
{
    TRegDataType T;
    AnsiString D;
    if (!GetValue(Name, T, D)) throw ERegistryException("Failed to get data for '%s'", {Name});
    if (T != rdBinary && T != rdUnknown) throw ERegistryException("Invalid data type for '%s'", {Name});
    if (static_cast<Integer>(D.size()) > BufSize) throw ERegistryException("Failed to get data for '%s'", {Name});
    std::memcpy(Buffer, D.data(), D.size());
    return static_cast<Integer>(D.size());
}

void TRegistry::WriteBinaryData(const AnsiString& Name, const void* Buffer, Integer BufSize)
{
    PutValue(Name, rdBinary, AnsiString(static_cast<const char*>(Buffer), static_cast<size_t>(BufSize)));
}

namespace {

template <typename T>
T ReadFixed(TRegistry& R, const AnsiString& Name)
{
    if (R.GetDataSize(Name) >= 0 && (R.GetDataType(Name) != rdBinary || R.GetDataSize(Name) != sizeof(T)))
        throw ERegistryException("Invalid data type for '%s'", {Name});
    T V{};
    R.ReadBinaryData(Name, &V, sizeof V);
    return V;
}

}  // namespace

Double TRegistry::ReadFloat(const AnsiString& Name)
{
    return ReadFixed<Double>(*this, Name);
}

void TRegistry::WriteFloat(const AnsiString& Name, Double Value)
{
    WriteBinaryData(Name, &Value, sizeof Value);
}

// Dates and times are all stored as the whole date-time value.
TDateTime TRegistry::ReadDateTime(const AnsiString& Name)
{
    return ReadFixed<TDateTime>(*this, Name);
}

void TRegistry::WriteDateTime(const AnsiString& Name, TDateTime Value)
{
    WriteBinaryData(Name, &Value, sizeof Value);
}

TDateTime TRegistry::ReadDate(const AnsiString& Name) { return ReadDateTime(Name); }
void TRegistry::WriteDate(const AnsiString& Name, TDateTime Value) { WriteDateTime(Name, Value); }
TDateTime TRegistry::ReadTime(const AnsiString& Name) { return ReadDateTime(Name); }
void TRegistry::WriteTime(const AnsiString& Name, TDateTime Value) { WriteDateTime(Name, Value); }

Currency TRegistry::ReadCurrency(const AnsiString& Name)
{
    return Currency::FromScaled(ReadFixed<Int64>(*this, Name));
}

void TRegistry::WriteCurrency(const AnsiString& Name, Currency Value)
{
    WriteBinaryData(Name, &Value.Value, sizeof Value.Value);
}

// ---------------------------------------------------------------------------
// TRegistryIniFile

TRegistryIniFile::TRegistryIniFile(const AnsiString& FileName)
    : FFileName(FileName), FRegistry(std::make_unique<TRegistry>())
{
}

TRegistryIniFile::~TRegistryIniFile() = default;

bool TRegistryIniFile::OpenSection(const AnsiString& Section, bool CanCreate)
{
    FRegistry->CloseKey();
    AnsiString Key = "\\" + FFileName;
    if (!Section.empty()) Key += "\\" + Section;
    return CanCreate ? FRegistry->OpenKey(Key, true) : FRegistry->OpenKeyReadOnly(Key);
}

AnsiString TRegistryIniFile::ReadString(const AnsiString& Section, const AnsiString& Ident,
                                        const AnsiString& Default)
{
    if (!OpenSection(Section, false) || !FRegistry->ValueExists(Ident)) return Default;
    TRegDataType T = FRegistry->GetDataType(Ident);
    if (T == rdString || T == rdExpandString) return FRegistry->ReadString(Ident);
    if (T == rdInteger) return IntToStr(FRegistry->ReadInteger(Ident));
    return Default;
}

void TRegistryIniFile::WriteString(const AnsiString& Section, const AnsiString& Ident, const AnsiString& Value)
{
    if (!OpenSection(Section, true)) throw ERegistryException("Failed to create key %s", {Section});
    FRegistry->WriteString(Ident, Value);
}

Integer TRegistryIniFile::ReadInteger(const AnsiString& Section, const AnsiString& Ident, Integer Default)
{
    if (!OpenSection(Section, false) || !FRegistry->ValueExists(Ident)) return Default;
    TRegDataType T = FRegistry->GetDataType(Ident);
    if (T == rdInteger) return FRegistry->ReadInteger(Ident);
    if (T == rdString || T == rdExpandString) return StrToIntDef(FRegistry->ReadString(Ident), Default);
    return Default;
}

void TRegistryIniFile::WriteInteger(const AnsiString& Section, const AnsiString& Ident, Integer Value)
{
    if (!OpenSection(Section, true)) throw ERegistryException("Failed to create key %s", {Section});
    FRegistry->WriteInteger(Ident, Value);
}

bool TRegistryIniFile::ReadBool(const AnsiString& Section, const AnsiString& Ident, bool Default)
{
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TRegistryIniFile::WriteBool(const AnsiString& Section, const AnsiString& Ident, bool Value)
{
    WriteInteger(Section, Ident, Value ? 1 : 0);
}

bool TRegistryIniFile::SectionExists(const AnsiString& Section)
{
    return OpenSection(Section, false);
}

bool TRegistryIniFile::ValueExists(const AnsiString& Section, const AnsiString& Ident)
{
    return OpenSection(Section, false) && FRegistry->ValueExists(Ident);
}

void TRegistryIniFile::ReadSection(const AnsiString& Section, TStrings* Strings)
{
    if (!OpenSection(Section, false)) {
        Strings->Clear();
        return;
    }
    FRegistry->GetValueNames(Strings);
}

void TRegistryIniFile::ReadSections(TStrings* Strings)
{
    if (!OpenSection(AnsiString(), false)) {
        Strings->Clear();
        return;
    }
    FRegistry->GetKeyNames(Strings);
}

void TRegistryIniFile::EraseSection(const AnsiString& Section)
{
    FRegistry->CloseKey();
    FRegistry->DeleteKey("\\" + FFileName + "\\" + Section);
}

void TRegistryIniFile::DeleteKey(const AnsiString& Section, const AnsiString& Ident)
{
    // A missing section has nothing to delete; it is not made for it.
    FRegistry->CloseKey();
    AnsiString Key = "\\" + FFileName;
    if (!Section.empty()) Key += "\\" + Section;
    if (FRegistry->OpenKey(Key, false)) FRegistry->DeleteValue(Ident);
}
