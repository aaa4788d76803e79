#pragma once
// Grouped settings of a database (login values, parameter list, blob swap,
// local metadata cache) and of a data set (automatic update settings, default
// display formats, the five SQL texts). They hold settings; their owners do
// the work. Copying is Assign and every property starts at its default; what
// a stored form keeps besides the published values is in DefineProperties.
#include <memory>

#include "platform/rtl/Classes.h"

class TFBDatabase;
class TFiler;

// What the property objects of a data set need of the data set that owns
// them. The data set implements it with its own members of these names.
class IFBPropsOwner {
public:
    virtual ~IFBPropsOwner() = default;
    virtual TFBDatabase* Database() const = 0;
    virtual TStrings* SelectSQL() const = 0;
    virtual void SetSelectSQL(TStrings* Value) = 0;
    virtual TStrings* InsertSQL() const = 0;
    virtual void SetInsertSQL(TStrings* Value) = 0;
    virtual TStrings* UpdateSQL() const = 0;
    virtual void SetUpdateSQL(TStrings* Value) = 0;
    virtual TStrings* DeleteSQL() const = 0;
    virtual void SetDeleteSQL(TStrings* Value) = 0;
    virtual TStrings* RefreshSQL() const = 0;
    virtual void SetRefreshSQL(TStrings* Value) = 0;
};

// When a data set takes the next generator value for its key field.
enum TWhenGetGenID { wgNever, wgOnNewRecord, wgBeforePost };

// Settings of the statements a data set generates for itself.
class TAutoUpdateOptions : public TPersistent {
public:
    explicit TAutoUpdateOptions(TComponent* AOwner);
    ~TAutoUpdateOptions() override;
    TComponent* Owner() const { return FOwner; }

    // "TABLE" or "TABLE ALIAS". With a generator wanted and none named yet,
    // the generator becomes GEN_<table>_ID.
    const AnsiString& UpdateTableName() const { return FUpdateTableName; }
    void SetUpdateTableName(const AnsiString& Value);
    // ";"-separated key field names; KeyFieldsList holds them one a line.
    const AnsiString& KeyFields() const { return FKeyFields; }
    void SetKeyFields(const AnsiString& Value);
    TStrings* KeyFieldsList() const { return FKeyFieldsList.get(); }
    bool AutoReWriteSqls() const { return FAutoReWriteSqls; }
    void SetAutoReWriteSqls(bool Value) { FAutoReWriteSqls = Value; }
    bool CanChangeSQLs() const { return FCanChangeSQLs; }
    void SetCanChangeSQLs(bool Value) { FCanChangeSQLs = Value; }
    const AnsiString& GeneratorName() const { return FGeneratorName; }
    void SetGeneratorName(const AnsiString& Value) { FGeneratorName = Value; }
    Integer GeneratorStep() const { return FGeneratorStep; }
    void SetGeneratorStep(Integer Value) { FGeneratorStep = Value; }
    // Only takes true while AutoReWriteSqls and CanChangeSQLs are both set.
    bool UpdateOnlyModifiedFields() const { return FUpdateOnlyModifiedFields; }
    void SetUpdateOnlyModifiedFields(bool Value);
    TWhenGetGenID WhenGetGenID() const { return FWhenGetGenID; }
    void SetWhenGetGenID(TWhenGetGenID Value) { FWhenGetGenID = Value; }
    // "FIELD=PARAM" lines; empty lines are dropped when set.
    TStrings* ParamsToFieldsLinks() const { return FParamsToFieldsLinks.get(); }
    void SetParamsToFieldsLinks(TStrings* Value);
    bool AutoParamsToFields() const { return FAutoParamsToFields; }
    void SetAutoParamsToFields(bool Value) { FAutoParamsToFields = Value; }
    bool SeparateBlobUpdate() const { return FSeparateBlobUpdate; }
    void SetSeparateBlobUpdate(bool Value) { FSeparateBlobUpdate = Value; }

    // A view of WhenGetGenID: true picks wgBeforePost unless a moment is set.
    bool UseGenerator() const { return FWhenGetGenID != wgNever; }
    void SetUseGenerator(bool Value);

    // The table and alias of UpdateTableName as they stand in generated SQL
    // (formatted for the owner database's dialect). Worked out on first
    // request and kept until UpdateTableName changes.
    AnsiString GetModifyTableName();
    AnsiString GetModifyTableAlias();
    bool HasAlias() const { return FHasAlias; }

    // Texts the data set works out once and keeps here until any of its SQL
    // texts (or UpdateTableName / KeyFields) change.
    const AnsiString& CachedKeyCondition() const { return FCachedKeyCondition; }
    void SetCachedKeyCondition(const AnsiString& Value) { FCachedKeyCondition = Value; }
    const AnsiString& CachedSelectText() const { return FCachedSelectText; }
    void SetCachedSelectText(const AnsiString& Value) { FCachedSelectText = Value; }
    void ClearCachedTexts();

    // Settings of older versions, read when such settings are loaded.
    // SelectGenID: generator wanted (before post) or not.
    void ReadSelectGenID(bool Value);
    // GenBeforePost: with SelectGenID set, before post or on the new record.
    void ReadGenBeforePost(bool Value);
    bool OldSelectGenID() const { return FOldSelectGenID; }
    bool OldGenBeforePost() const { return FOldGenBeforePost; }
    // Stored form: "SelectGenID" and "GenBeforePost" of older forms, read only.
    void DefineProperties(TFiler* Filer);

protected:
    void AssignTo(TPersistent* Dest) override;
    TPersistent* GetOwner() override { return FOwner; }

private:
    void PrepareModifyNames();

    TComponent* FOwner;
    AnsiString FUpdateTableName;
    std::unique_ptr<TStringList> FKeyFieldsList;
    AnsiString FKeyFields;
    bool FAutoReWriteSqls = false;
    bool FCanChangeSQLs = false;
    AnsiString FGeneratorName;
    Integer FGeneratorStep = 1;
    bool FOldSelectGenID = false;
    bool FOldGenBeforePost = true;
    bool FUpdateOnlyModifiedFields = false;
    TWhenGetGenID FWhenGetGenID = wgNever;
    std::unique_ptr<TStringList> FParamsToFieldsLinks;
    bool FAutoParamsToFields = false;
    bool FSeparateBlobUpdate = false;
    AnsiString FCachedKeyCondition;
    AnsiString FCachedSelectText;
    AnsiString FModifyTableName;
    AnsiString FModifyTableAlias;
    bool FHasAlias = false;
};

// Display and edit formats a data set gives its fields by type.
class TFormatFields : public TPersistent {
public:
    explicit TFormatFields(TComponent* AOwner) : FOwner(AOwner) {}
    TComponent* Owner() const { return FOwner; }

    const AnsiString& DateTimeDisplayFormat() const { return FDateTimeDisplayFormat; }
    void SetDateTimeDisplayFormat(const AnsiString& Value) { FDateTimeDisplayFormat = Value; }
    const AnsiString& DisplayFormatDate() const { return FDisplayFormatDate; }
    void SetDisplayFormatDate(const AnsiString& Value) { FDisplayFormatDate = Value; }
    const AnsiString& DisplayFormatTime() const { return FDisplayFormatTime; }
    void SetDisplayFormatTime(const AnsiString& Value) { FDisplayFormatTime = Value; }
    const AnsiString& NumericDisplayFormat() const { return FNumericDisplayFormat; }
    void SetNumericDisplayFormat(const AnsiString& Value) { FNumericDisplayFormat = Value; }
    const AnsiString& NumericEditFormat() const { return FNumericEditFormat; }
    void SetNumericEditFormat(const AnsiString& Value) { FNumericEditFormat = Value; }

protected:
    void AssignTo(TPersistent* Dest) override;
    TPersistent* GetOwner() override { return FOwner; }

private:
    TComponent* FOwner;
    AnsiString FDateTimeDisplayFormat = "dd.mm.yyyy hh:mm AMPM";
    AnsiString FDisplayFormatDate = "dd.mm.yyyy";
    AnsiString FDisplayFormatTime = "hh:mm AMPM";
    AnsiString FNumericDisplayFormat = "#,##0.";
    AnsiString FNumericEditFormat = "0.";
};

// The five SQL texts of a data set, kept by the data set itself: every read
// and write goes to the owner's property of the same name. Without a data
// set as owner the texts read as nullptr and writes do nothing.
class TSQLs : public TPersistent {
public:
    explicit TSQLs(TComponent* AOwner) : FOwner(AOwner) {}
    TComponent* Owner() const { return FOwner; }

    TStrings* SelectSQL() const { return DataSet() ? DataSet()->SelectSQL() : nullptr; }
    void SetSelectSQL(TStrings* Value) { if (DataSet()) DataSet()->SetSelectSQL(Value); }
    TStrings* InsertSQL() const { return DataSet() ? DataSet()->InsertSQL() : nullptr; }
    void SetInsertSQL(TStrings* Value) { if (DataSet()) DataSet()->SetInsertSQL(Value); }
    TStrings* UpdateSQL() const { return DataSet() ? DataSet()->UpdateSQL() : nullptr; }
    void SetUpdateSQL(TStrings* Value) { if (DataSet()) DataSet()->SetUpdateSQL(Value); }
    TStrings* DeleteSQL() const { return DataSet() ? DataSet()->DeleteSQL() : nullptr; }
    void SetDeleteSQL(TStrings* Value) { if (DataSet()) DataSet()->SetDeleteSQL(Value); }
    TStrings* RefreshSQL() const { return DataSet() ? DataSet()->RefreshSQL() : nullptr; }
    void SetRefreshSQL(TStrings* Value) { if (DataSet()) DataSet()->SetRefreshSQL(Value); }

protected:
    TPersistent* GetOwner() override { return FOwner; }

private:
    // Looked up on each call: the owner may still be under construction when
    // this object is made.
    IFBPropsOwner* DataSet() const { return dynamic_cast<IFBPropsOwner*>(FOwner); }
    TComponent* FOwner;
};

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
    // Stored form: the lines as "Strings", when there are any (under an
    // ancestor: when they differ). With ddoNotSavePassword on the owner
    // database the password line is stored without its value.
    void DefineProperties(TFiler* Filer);

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
