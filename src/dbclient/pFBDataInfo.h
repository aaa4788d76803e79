#pragma once
// What data sets need to know about tables and columns beyond the statement
// descriptors (computed columns, defaults, domains, character sets, primary
// keys, format versions), read from the system tables and, where a database
// carries them, from the optional repository tables FB$FIELDS_INFO,
// FB$DATASETS_INFO and FB$ERROR_MESSAGES. Cached process-wide; the caches can
// be written to local files and read back.
#include <map>
#include <memory>
#include <vector>

#include "platform/rtl/Classes.h"

class TFBDatabase;
class TFBTransaction;
class TpFBTransaction;
class TCriticalSection;
class TMultiReadExclusiveWriteSynchronizer;
class TpFBTableInfo;

// Text of a not yet read primary key.
inline constexpr const char* DeferredPrimaryKey = "@FB_DEFERRED";

// One column (or output parameter) of a table, view or stored procedure.
class TpFBFieldInfo : public TObject {
public:
    TpFBFieldInfo();
    ~TpFBFieldInfo() override;

    bool Computed = false;
    AnsiString DefaultText;
    bool UsableInWhere = false;          // neither quad nor blob
    AnsiString DomainName;
    bool DefaultIsEmptyString = false;
    bool HasRepositoryInfo = false;
    AnsiString DisplayLabel;
    bool Visible = true;
    AnsiString EditFormat;
    AnsiString DisplayFormat;
    bool FilledByTrigger = false;
    TStringList* ExtraColumns() const { return FExtraColumns.get(); }   // Name=Value lines
    Integer DisplayWidth = 0;
    Byte BooleanDomainState = 2;         // 0 false, 1 true, 2 not yet known
    Byte GuidDomainState = 2;
    Integer CharacterSetId = 0;

    // Worked out from DomainName ("BOOLEAN" / "GUID", case-sensitive) once.
    bool IsBooleanDomain();
    bool IsGuidDomain();

private:
    std::unique_ptr<TStringList> FExtraColumns;
};

// One table, view or stored procedure of one database.
class TpFBTableInfo : public TObject {
public:
    TpFBTableInfo();
    ~TpFBTableInfo() override;

    AnsiString DBName;                   // the database's file name
    AnsiString TableName;
    Integer FormatVersion = 0;
    Integer RepositoryVersion = 0;
    bool WithRepositoryInfo = false;
    Integer LoadedVersion = 0;           // version of the file it was read from
    bool MustValidate = false;           // read from a file, not checked yet

    // Column name -> TpFBFieldInfo (owned), in field-position order.
    TStringList* Fields() const { return FFields.get(); }
    // The column's entry or null: double quotes removed, trimmed, exact match.
    TpFBFieldInfo* FieldInfo(const AnsiString& ColumnName) const;
    // The key columns joined by ";", read on first use through the entry's transaction.
    AnsiString PrimaryKeyFields();
    const AnsiString& StoredPrimaryKeyFields() const { return FPrimaryKeyFields; }
    void SetPrimaryKeyFields(const AnsiString& Value) { FPrimaryKeyFields = Value; }
    TFBTransaction* Transaction() const { return FTransaction.get(); }
    void ClearFields();

private:
    AnsiString FPrimaryKeyFields = DeferredPrimaryKey;
    std::unique_ptr<TStringList> FFields;
    std::unique_ptr<TFBTransaction> FTransaction;
};

// Table information of every database, one entry per table and database.
class TpFBTableInfoCollect : public TComponent {
public:
    explicit TpFBTableInfoCollect(TComponent* AOwner);
    ~TpFBTableInfoCollect() override;

    // Finds, checks or reads the entry (see GetTableInfo).
    TpFBTableInfo* GetTableInfo(TFBDatabase* Database, const AnsiString& TableName, bool WithRepository);
    void Clear();
    void ClearForDataBase(const AnsiString& DBName);
    void ClearForTable(const AnsiString& TableName);
    Integer Count() const;
    bool ValidateAfterLoad() const { return FValidateAfterLoad; }
    void SetValidateAfterLoad(bool Value) { FValidateAfterLoad = Value; }

    // The whole cache as a file; an empty cache deletes the file. The file is
    // replaced whole or not at all.
    void SaveToFile(const AnsiString& FileName);
    // Clears, then reads FileName when it exists; true when it existed. A file
    // that cannot be read to its end leaves the cache empty.
    bool LoadFromFile(const AnsiString& FileName);

    // Forgets what Sender's repositories were found to be (it is closing).
    void DatabaseDisconnecting(TObject* Sender);

    // Entry by position (for inspection and tests).
    TpFBTableInfo* Items(Integer Index) const;
    const AnsiString& Keys(Integer Index) const;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TpFBTableInfo* Find(const AnsiString& Key, const AnsiString& DBName) const;
    bool IsValid(TpFBTableInfo* Info, TFBDatabase* Database);
    void Remove(std::size_t Index);
    std::vector<std::pair<AnsiString, TpFBTableInfo*>> FItems;   // sorted by key, entries owned
    std::unique_ptr<TpFBTransaction> FRepositoryTransaction;
    std::unique_ptr<TMultiReadExclusiveWriteSynchronizer> FLock;
    bool FValidateAfterLoad = false;
};

// One FB$DATASETS_INFO row.
class TpDataSetInfo : public TObject {
public:
    TpDataSetInfo();
    ~TpDataSetInfo() override;

    AnsiString DBName;
    Integer Version = 0;
    TStringList* SelectSQL() const { return FSQL[0].get(); }
    TStringList* InsertSQL() const { return FSQL[1].get(); }
    TStringList* UpdateSQL() const { return FSQL[2].get(); }
    TStringList* DeleteSQL() const { return FSQL[3].get(); }
    TStringList* RefreshSQL() const { return FSQL[4].get(); }
    AnsiString KeyField;
    AnsiString NameGenerator;
    AnsiString Description;
    AnsiString UpdateTableName;
    bool UpdateOnlyModifiedFields = false;
    AnsiString Conditions;
    bool MustValidate = false;
    // Whether the repository table has the column (older tables lack some):
    // a value without its column leaves the data set's own in place.
    bool HasDescription = true;
    bool HasUpdateTableName = true;
    bool HasUpdateOnlyModifiedFields = true;
    bool HasConditions = true;

private:
    std::unique_ptr<TStringList> FSQL[5];
};

// Data-set repository rows by DataSet_ID and database.
class TpDataSetInfoCollect : public TObject {
public:
    TpDataSetInfoCollect();
    ~TpDataSetInfoCollect() override;

    // The row of DataSet_ID for Database: cached, checked against the server
    // when loaded from a file and ValidateAfterLoad is set, else read. Name is
    // the data set's name for the messages; Designing drops the cached row
    // first. Applying it to the data set is the data set's part.
    TpDataSetInfo* GetDataSetInfo(TFBDatabase* Database, Integer DataSet_ID, const AnsiString& Name,
                                  bool Designing = false);
    void Clear();
    void ClearForDataBase(const AnsiString& DBName);
    Integer Count() const;
    TpDataSetInfo* Find(Integer DataSet_ID, const AnsiString& DBName) const;
    bool ValidateAfterLoad() const { return FValidateAfterLoad; }
    void SetValidateAfterLoad(bool Value) { FValidateAfterLoad = Value; }

    void SaveToFile(const AnsiString& FileName);
    bool LoadFromFile(const AnsiString& FileName);

private:
    void RemoveEntry(TpDataSetInfo* Info);
    std::multimap<AnsiString, TpDataSetInfo*> FItems;   // key: DataSet_ID in decimal; owned
    std::unique_ptr<TCriticalSection> FLock;
    bool FValidateAfterLoad = false;
};

// Reads the FB$DATASETS_INFO row of DataSet_ID into Info; false when there is
// none. Raises the repository's messages when it cannot be read.
bool ReadDataSetInfo(TFBDatabase* Database, Integer DataSet_ID, const AnsiString& Name, TpDataSetInfo* Info);
// Stores Row's texts and settings as the FB$DATASETS_INFO row of DataSet_ID,
// adding the row when there is none; the same checks and messages as reading.
void StoreDataSetInfo(TFBDatabase* Database, Integer DataSet_ID, const AnsiString& Name, const TpDataSetInfo& Row);

struct TpErrorMessage {
    AnsiString Text;
    Integer Version = 0;
};

// Error messages by database name and constraint name.
class TpErrorMessagesCollect : public TObject {
public:
    // Keeps, per database and constraint, the entry with the highest version.
    void Add(const AnsiString& DBName, const AnsiString& Constraint, Integer Version, const AnsiString& Text);
    const TpErrorMessage* Find(const AnsiString& DBName, const AnsiString& Constraint) const;
    void Clear() { FItems.clear(); }
    Integer DatabaseCount() const { return static_cast<Integer>(FItems.size()); }
    Integer StoredVersion() const { return FStoredVersion; }

    void SaveToFile(const AnsiString& FileName);
    // Reads FileName when it exists and is of this kind; otherwise nothing changes.
    void LoadFromFile(const AnsiString& FileName);

private:
    std::map<AnsiString, std::map<AnsiString, TpErrorMessage>> FItems;
    Integer FStoredVersion = 0;
};

// Stored procedure descriptions; kept for completeness, unused here.
class TpStoredProcCollect : public TObject {
public:
    TStringList* Sorted() const { return FSorted.get(); }
    TList* List() const { return FList.get(); }
    TpStoredProcCollect();
    ~TpStoredProcCollect() override;

private:
    std::unique_ptr<TStringList> FSorted;
    std::unique_ptr<TList> FList;
};

// Process-wide caches.
TpFBTableInfoCollect* GlobalTableInfo();
TpDataSetInfoCollect* GlobalDataSetInfo();
TpErrorMessagesCollect* GlobalErrorMessages();
TpStoredProcCollect* GlobalStoredProcs();

// Whether the repository table of Kind (1 fields, 2 data sets, 3 error
// messages) exists; asked once per database and only for repositories in
// its UseRepositories.
bool ExistRepositoryTable(TFBDatabase* Database, Integer Kind);
inline bool ExistFieldsInfoTable(TFBDatabase* Database) { return ExistRepositoryTable(Database, 1); }
inline bool ExistDataSetsInfoTable(TFBDatabase* Database) { return ExistRepositoryTable(Database, 2); }
// Forgets what is known of Database's repositories.
void ClearRepositoryFlags(TFBDatabase* Database);
bool ExistBooleanDomain(TFBDatabase* Database);

TpFBTableInfo* GetTableInfo(TFBDatabase* Database, const AnsiString& TableName, bool WithRepository);
TpFBFieldInfo* GetFieldInfo(TFBDatabase* Database, const AnsiString& TableName, const AnsiString& ColumnName,
                            bool WithRepository);

// The three caches to and from FileName (tables), FileName with ".dt" (data
// sets) and with ".err" (error messages). Load returns whether the table file
// existed and sets both caches' ValidateAfterLoad to Validate.
void SaveRepositories(const AnsiString& FileName);
bool LoadRepositories(const AnsiString& FileName, bool Validate);

// Brings old repository tables up to the current columns; failing steps are skipped.
void UpgradeFieldsInfoTable(TFBTransaction* Transaction);
void UpgradeDataSetsInfoTable(TFBTransaction* Transaction);
