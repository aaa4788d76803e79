#include "dbclient/FBRegistry.h"

#include <memory>

#include "platform/rtl/Registry.h"

namespace {

// Opens the key part by part from the current user's root.
bool OpenKeyParts(TRegistry& Reg, const std::vector<AnsiString>& KeyParts, bool CanCreate) {
    Reg.SetRootKey(HKEY_CURRENT_USER);
    bool first = true;
    for (const AnsiString& part : KeyParts) {
        AnsiString key = first ? "\\" + part : part;
        first = false;
        if (!Reg.OpenKey(key, CanCreate)) return false;
    }
    return !KeyParts.empty() || Reg.OpenKey("\\", CanCreate);
}

}  // namespace

void WriteRegistryValues(const std::vector<AnsiString>& KeyParts, const std::vector<AnsiString>& ValueNames,
                         const std::vector<Variant>& Values) {
    TRegistry reg;
    if (!OpenKeyParts(reg, KeyParts, true)) return;
    size_t n = std::min(ValueNames.size(), Values.size());
    for (size_t i = 0; i < n; ++i) {
        const Variant& v = Values[i];
        const AnsiString& name = ValueNames[i];
        switch (VarType(v)) {
            case varBoolean: reg.WriteBool(name, v.AsBoolean()); break;
            case varString: case varOleStr: reg.WriteString(name, v.AsString()); break;
            case varDate: reg.WriteDate(name, v.AsDateTime()); break;
            case varSmallint: case varInteger: reg.WriteInteger(name, v.AsInteger()); break;
            case varSingle: case varDouble: reg.WriteFloat(name, v.AsDouble()); break;
            case varCurrency: reg.WriteCurrency(name, v.AsCurrency()); break;
            default: break;
        }
    }
    reg.CloseKey();
}

Variant ReadRegistryValues(const std::vector<AnsiString>& KeyParts, const std::vector<AnsiString>& ValueNames) {
    TRegistry reg;
    if (!OpenKeyParts(reg, KeyParts, false)) return Variant(false);
    Integer n = static_cast<Integer>(ValueNames.size());
    Variant result = VarArrayCreate({0, 1, 0, n - 1}, varVariant);
    for (Integer i = 0; i < n; ++i) {
        const AnsiString& name = ValueNames[static_cast<size_t>(i)];
        Variant value;
        bool read = false;
        if (reg.ValueExists(name)) {
            switch (reg.GetDataType(name)) {
                case rdString: case rdExpandString: value = reg.ReadString(name); read = true; break;
                case rdInteger: value = reg.ReadInteger(name); read = true; break;
                default: break;
            }
        }
        VarArrayPut(result, value, {0, i});
        VarArrayPut(result, Variant(read), {1, i});
    }
    reg.CloseKey();
    return result;
}

void GetRegistryKeyNames(const AnsiString& KeyPath, TStrings* Names) {
    Names->Clear();
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (reg.OpenKeyReadOnly(KeyPath)) reg.GetKeyNames(Names);
    reg.CloseKey();
}

AnsiString FindRegistryKeyByValue(const AnsiString& KeyPath, const AnsiString& ValueName, const AnsiString& Value) {
    TStringList keys;
    GetRegistryKeyNames(KeyPath, &keys);
    for (Integer i = 0; i < keys.Count(); ++i) {
        TRegistry reg;
        reg.SetRootKey(HKEY_CURRENT_USER);
        if (!reg.OpenKeyReadOnly(KeyPath + "\\" + keys.Strings(i))) continue;
        if (reg.ValueExists(ValueName) && reg.GetDataType(ValueName) == rdString &&
            reg.ReadString(ValueName) == Value)
            return keys.Strings(i);
    }
    return AnsiString();
}
