#pragma once
// Grouped settings of a database: login values, parameter list, blob swap and
// local metadata cache settings.
#include "platform/rtl/Classes.h"

class TFBDatabase;

// User, password, role and character set as views of the owner database's
// parameter lines (user_name, password, sql_role_name, lc_ctype).
class TConnectParams : public TPersistent {
public:
    explicit TConnectParams(TObject* AOwner) : FOwner(AOwner) {}

    AnsiString UserName() const { return Get(28); }
    void SetUserName(const AnsiString& Value) { Set(28, Value); }
    AnsiString Password() const { return Get(29); }
    void SetPassword(const AnsiString& Value) { Set(29, Value); }
    AnsiString RoleName() const { return Get(60); }
    void SetRoleName(const AnsiString& Value) { Set(60, Value); }
    AnsiString CharSet() const { return Get(48); }
    void SetCharSet(const AnsiString& Value) { Set(48, Value); }

private:
    AnsiString Get(Integer Code) const;
    void Set(Integer Code, const AnsiString& Value);
    TObject* FOwner;
};

// The database parameter list: one "name=value" line per parameter.
class TDBParams : public TStringList {
public:
    explicit TDBParams(TObject* AOwner) : FOwner(AOwner) {}
    TObject* Owner() const { return FOwner; }

private:
    TObject* FOwner;
};

class TCacheSchemaOptions : public TPersistent {
public:
    const AnsiString& LocalCacheFile() const { return FLocalCacheFile; }
    void SetLocalCacheFile(const AnsiString& Value) { FLocalCacheFile = Value; }
    bool AutoSaveToFile() const { return FAutoSaveToFile; }
    void SetAutoSaveToFile(bool Value) { FAutoSaveToFile = Value; }
    bool AutoLoadFromFile() const { return FAutoLoadFromFile; }
    void SetAutoLoadFromFile(bool Value) { FAutoLoadFromFile = Value; }
    bool ValidateAfterLoad() const { return FValidateAfterLoad; }
    void SetValidateAfterLoad(bool Value) { FValidateAfterLoad = Value; }

private:
    AnsiString FLocalCacheFile;
    bool FAutoSaveToFile = false;
    bool FAutoLoadFromFile = false;
    bool FValidateAfterLoad = true;
};

// Local blob cache settings. SwapDir may start with "{APP_PATH}", the folder
// of the program file.
class TBlobSwapSupport : public TPersistent {
public:
    bool Active() const { return FActive; }
    void SetActive(bool Value) { FActive = Value; }
    const AnsiString& SwapDir() const { return FSwapDir; }
    void SetSwapDir(const AnsiString& Value) { FSwapDir = Value; }
    Integer MinBlobSizeToSwap() const { return FMinBlobSizeToSwap; }
    void SetMinBlobSizeToSwap(Integer Value) { FMinBlobSizeToSwap = Value; }
    // Empty when not Active; else SwapDir with "{APP_PATH}" expanded, ending in "/".
    AnsiString GetSwapDir() const;

private:
    bool FActive = false;
    AnsiString FSwapDir = "{APP_PATH}";
    Integer FMinBlobSizeToSwap = 0;
};

// Folder of the running program, ending in "/".
AnsiString ApplicationPath();

// Options of a statement (TFBQuery).
enum TpFBQueryOption {
    qoStartTransaction,
    qoAutoCommit,
    qoTrimCharFields,
    qoNoForceIsNull,
    qoFreeHandleAfterExecute
};
using TpFBQueryOptions = TSet<TpFBQueryOption>;
