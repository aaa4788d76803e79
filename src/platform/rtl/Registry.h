#pragma once
// A settings store in place of the system registry: keys (paths such as
// "Software\KADRIX_Software\Aliases") hold typed values, kept in one INI-like text file
// under the user's configuration folder ($XDG_CONFIG_HOME or ~/.config,
// folder "osbzemtar", file "registry.ini"). Every change rereads the file,
// applies itself and replaces the file atomically (temporary file + rename).
// Key and value names compare without regard to case.
#include "platform/rtl/Classes.h"

#include <cstdint>
#include <memory>

class ERegistryException : public Exception { public: using Exception::Exception; };

using HKEY = std::uintptr_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;
constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
    TRegDataType RegData = rdUnknown;
    Integer DataSize = 0;
};

struct TRegKeyInfo {
    Integer NumSubKeys = 0;
    Integer NumValues = 0;
};

// The store file: an explicit name wins, then the process-wide override
// (for tests), then the default under the configuration folder.
void SetRegistryFileName(const AnsiString& FileName);   // empty: back to the default
AnsiString RegistryFileName();

class TRegistry : public TObject {
public:
    TRegistry();
    ~TRegistry() override;

    HKEY RootKey() const { return FRootKey; }
    void SetRootKey(HKEY Value);                 // closes the open key
    HKEY CurrentKey() const;                     // 0 when no key is open
    const AnsiString& CurrentPath() const { return FCurrentPath; }
    // Location of this object's store; empty: RegistryFileName().
    const AnsiString& FileName() const { return FFileName; }
    void SetFileName(const AnsiString& Value) { FFileName = Value; }

    // Key: relative to the open key, or from the root when it starts with "\".
    // False when it does not exist (and CanCreate is false); the open key stays.
    bool OpenKey(const AnsiString& Key, bool CanCreate);
    bool OpenKeyReadOnly(const AnsiString& Key);
    void CloseKey();
    bool CreateKey(const AnsiString& Key);      // ERegistryException "Failed to create key %s"
    bool DeleteKey(const AnsiString& Key);      // with everything below it
    bool KeyExists(const AnsiString& Key);
    bool ValueExists(const AnsiString& Name);
    bool DeleteValue(const AnsiString& Name);
    bool HasSubKeys();
    bool GetKeyInfo(TRegKeyInfo& Value);
    void GetKeyNames(TStrings* Strings);        // direct sub-keys of the open key
    void GetValueNames(TStrings* Strings);
    TRegDataType GetDataType(const AnsiString& ValueName);
    Integer GetDataSize(const AnsiString& ValueName);   // -1 when the value is missing
    bool GetDataInfo(const AnsiString& ValueName, TRegDataInfo& Value);

    // Reading a missing value: ERegistryException "Failed to get data for '%s'"
    // (ReadString gives ''); a value of another type: "Invalid data type for '%s'".
    // Writing without an open key, or to a key opened read-only:
    // "Failed to set data for '%s'".
    AnsiString ReadString(const AnsiString& Name);
    void WriteString(const AnsiString& Name, const AnsiString& Value);
    void WriteExpandString(const AnsiString& Name, const AnsiString& Value);
    Integer ReadInteger(const AnsiString& Name);
    void WriteInteger(const AnsiString& Name, Integer Value);
    bool ReadBool(const AnsiString& Name);
    void WriteBool(const AnsiString& Name, bool Value);
    // Floating, date and currency values are 8-byte binary data.
    Double ReadFloat(const AnsiString& Name);
    void WriteFloat(const AnsiString& Name, Double Value);
    TDateTime ReadDate(const AnsiString& Name);
    void WriteDate(const AnsiString& Name, TDateTime Value);
    TDateTime ReadDateTime(const AnsiString& Name);
    void WriteDateTime(const AnsiString& Name, TDateTime Value);
    TDateTime ReadTime(const AnsiString& Name);
    void WriteTime(const AnsiString& Name, TDateTime Value);
    Currency ReadCurrency(const AnsiString& Name);
    void WriteCurrency(const AnsiString& Name, Currency Value);
    Integer ReadBinaryData(const AnsiString& Name, void* Buffer, Integer BufSize);
    void WriteBinaryData(const AnsiString& Name, const void* Buffer, Integer BufSize);

private:
    AnsiString StoreFile() const;
    AnsiString ResolveKey(const AnsiString& Key, bool& Ok) const;
    void PutValue(const AnsiString& Name, TRegDataType Type, const AnsiString& Data);
    bool GetValue(const AnsiString& Name, TRegDataType& Type, AnsiString& Data);
    HKEY FRootKey = HKEY_CURRENT_USER;
    AnsiString FCurrentPath;
    bool FKeyOpen = false;
    bool FReadOnly = false;
    AnsiString FFileName;
};

// Sections as sub-keys of a key path (FileName), values by name: the INI-like
// view of the store that the grid uses for column widths.
class TRegistryIniFile : public TObject {
public:
    explicit TRegistryIniFile(const AnsiString& FileName);
    ~TRegistryIniFile() override;
    const AnsiString& FileName() const { return FFileName; }
    TRegistry* RegIniFile() const { return FRegistry.get(); }

    AnsiString ReadString(const AnsiString& Section, const AnsiString& Ident, const AnsiString& Default);
    void WriteString(const AnsiString& Section, const AnsiString& Ident, const AnsiString& Value);
    Integer ReadInteger(const AnsiString& Section, const AnsiString& Ident, Integer Default);
    void WriteInteger(const AnsiString& Section, const AnsiString& Ident, Integer Value);
    bool ReadBool(const AnsiString& Section, const AnsiString& Ident, bool Default);
    void WriteBool(const AnsiString& Section, const AnsiString& Ident, bool Value);
    bool SectionExists(const AnsiString& Section);
    bool ValueExists(const AnsiString& Section, const AnsiString& Ident);
    void ReadSection(const AnsiString& Section, TStrings* Strings);
    void ReadSections(TStrings* Strings);
    void EraseSection(const AnsiString& Section);
    void DeleteKey(const AnsiString& Section, const AnsiString& Ident);

private:
    bool OpenSection(const AnsiString& Section, bool CanCreate);
    AnsiString FFileName;
    std::unique_ptr<TRegistry> FRegistry;
};
