#include "dbclient/pFBDataInfo.h"

#include <algorithm>

#include "dbclient/FBDatabase.h"
#include "dbclient/FBQuery.h"
#include "dbclient/FBTransaction.h"
#include "dbclient/StrUtil.h"
#include "dbclient/pFBCacheQueries.h"
#include "dbclient/pFBTransaction.h"
#include "platform/rtl/SyncObjs.h"

namespace {

bool Designing(const TComponent* C) { return C && C->ComponentState().Contains(csDesigning); }

// A pooled statement given back on every way out.
class TPooledQuery {
public:
    TPooledQuery(TFBTransaction* Transaction, const AnsiString& SQL)
        : FQuery(AcquireCachedQuery(Transaction, SQL)) {
        if (!FQuery) throw Exception("Database is not assigned");
    }
    ~TPooledQuery() {
        if (FQuery->Open()) {
            try {
                FQuery->Close();
            } catch (...) {
            }
        }
        ReleaseCachedQuery(FQuery);
    }
    TFBQuery* operator->() const { return FQuery; }
    TFBQuery* Get() const { return FQuery; }

private:
    TFBQuery* FQuery;
};

// Starts Transaction when needed and commits it afterwards, rolling back when
// the work failed.
class TTransactionScope {
public:
    explicit TTransactionScope(TFBTransaction* Transaction) : FTransaction(Transaction) {
        FStarted = !FTransaction->Active();
        if (FStarted) FTransaction->StartTransaction();
    }
    ~TTransactionScope() {
        if (!FStarted || !FTransaction->Active()) return;
        try {
            FTransaction->Rollback();
        } catch (...) {
        }
    }
    void Commit() {
        if (FStarted && FTransaction->Active()) FTransaction->Commit();
    }
    TTransactionScope(const TTransactionScope&) = delete;
    TTransactionScope& operator=(const TTransactionScope&) = delete;

private:
    TFBTransaction* FTransaction;
    bool FStarted;
};

// One fetched row, by column name.
struct TRow {
    std::vector<AnsiString> Names;
    std::vector<AnsiString> Values;
    std::vector<bool> Nulls;
    std::vector<bool> Blobs;
    AnsiString Value(const AnsiString& Name, bool* Found = nullptr) const {
        for (size_t i = 0; i < Names.size(); ++i)
            if (Names[i] == Name) {
                if (Found) *Found = true;
                return Values[i];
            }
        if (Found) *Found = false;
        return AnsiString();
    }
};

std::vector<TRow> FetchAll(TFBQuery* Q) {
    std::vector<TRow> rows;
    Q->ExecQuery();
    while (!Q->Eof()) {
        TRow r;
        for (Integer i = 0; i < Q->FieldCount(); ++i) {
            TFBXSQLVAR* f = Q->Fields(i);
            r.Names.push_back(FastUpperCase(FastTrim(f->Name())));
            r.Nulls.push_back(f->IsNull());
            r.Blobs.push_back(f->IsBlob());
            r.Values.push_back(f->IsNull() ? AnsiString() : f->AsString());
        }
        rows.push_back(std::move(r));
        Q->Next();
    }
    Q->Close();
    return rows;
}

// The first column of the first row as an integer; Default without a row or for null.
Integer SelectInteger(TFBTransaction* Tr, const AnsiString& SQL, const AnsiString& Param,
                      const AnsiString& Value, Integer Default) {
    TPooledQuery q(Tr, SQL);
    if (!Param.empty()) q->ParamByName(Param)->SetAsString(Value);
    q->ExecQuery();
    Integer result = Default;
    if (!q->Eof() && !q->Fields(0)->IsNull()) result = q->Fields(0)->AsInteger();
    q->Close();
    return result;
}

// Puts an entry's own transaction on Database (a cached entry may come from a file, or from another
// connection to the same file).
void BindTransaction(TFBTransaction* Tr, TFBDatabase* Database) {
    if (Tr->DefaultDatabase() == Database) return;
    if (Tr->Active()) Tr->Commit();
    Tr->SetDefaultDatabase(Database);
}

// Whether Table has Column: repository tables of the older layout lack the later columns.
bool HasColumn(TFBTransaction* Tr, const char* Table, const char* Column) {
    TPooledQuery q(Tr, "select count(*) from RDB$RELATION_FIELDS where RDB$RELATION_NAME=?T and RDB$FIELD_NAME=?C");
    q->ParamByName("T")->SetAsString(Table);
    q->ParamByName("C")->SetAsString(Column);
    q->ExecQuery();
    const bool found = !q->Eof() && q->Fields(0)->AsInteger() > 0;
    q->Close();
    return found;
}

// Names pasted into repository texts: a quote inside must not end the literal.
AnsiString QuoteLiteral(const AnsiString& S) { return ReplaceStr(S, "'", "''"); }

AnsiString TableKey(const AnsiString& TableName) { return FastTrim(ReplaceStr(TableName, "\"", "")); }

const char* const FormatVersionSQL =
    "select a1.RDB$RELATION_ID VER  from RDB$RELATIONS a1\r\n"
    "where a1.RDB$SYSTEM_FLAG = 0  and a1.rdb$relation_name=?TN\r\n"
    "and not  a1.rdb$view_blr is null\r\n"
    "union\r\n"
    "select RDB$FORMAT from RDB$RELATIONS R\r\n"
    "where R.RDB$SYSTEM_FLAG = 0    and R.rdb$relation_name=?TN\r\n"
    "and  R.rdb$view_blr is null";
const char* const RepositoryVersionSQL = "Select Max(fb$version) From FB$FIELDS_INFO Where table_name=?TN";

// The fields repository's version of Table; 0 for a table of the older layout, which has no versions.
Integer RepositoryVersionOf(TFBTransaction* Tr, const AnsiString& Table) {
    return HasColumn(Tr, "FB$FIELDS_INFO", "FB$VERSION") ? SelectInteger(Tr, RepositoryVersionSQL, "TN", Table, 0) : 0;
}
const char* const ColumnsSQL =
    "Select R.RDB$FIELD_NAME,R.RDB$FIELD_SOURCE,F.RDB$COMPUTED_BLR, \r\n"
    "R.RDB$DEFAULT_SOURCE DS,F.RDB$DEFAULT_SOURCE DS1, \r\n"
    "F.RDB$FIELD_TYPE, \r\n"
    "F.RDB$CHARACTER_SET_ID \r\n"
    "from  RDB$RELATION_FIELDS R \r\n"
    "JOIN RDB$FIELDS F ON (R.RDB$FIELD_SOURCE = F.RDB$FIELD_NAME) \r\n"
    "where  R.RDB$RELATION_NAME=:TN \r\n"
    "order by R.RDB$FIELD_POSITION";
const char* const ProcParamsSQL =
    "Select P.RDB$PARAMETER_NAME,0,0,0,0,\r\n"
    "P.RDB$PARAMETER_TYPE,\r\n"
    "F.RDB$CHARACTER_SET_ID\r\n"
    "from RDB$PROCEDURE_PARAMETERS P\r\n"
    "JOIN RDB$FIELDS F ON (P.RDB$FIELD_SOURCE = F.RDB$FIELD_NAME)WHERE P.RDB$PROCEDURE_NAME=:PN\r\n"
    "AND P.RDB$PARAMETER_TYPE=1";
const char* const PrimaryKeySQL =
    "select i.rdb$field_name\r\n"
    "from    rdb$relation_constraints r, rdb$index_segments i\r\n"
    "where   r.rdb$relation_name=:TN and\r\n"
    "r.rdb$constraint_type='PRIMARY KEY' and\r\n"
    "r.rdb$index_name=i.rdb$index_name\r\n"
    "order by i.rdb$field_position";

// The declared default as a value text: "DEFAULT 'x'" -> x, "DEFAULT 0" -> 0.
void SetDefault(TpFBFieldInfo* F, const AnsiString& Source) {
    AnsiString text = FastTrim(Source);
    F->DefaultText.clear();
    F->DefaultIsEmptyString = false;
    if (text.empty()) return;
    text = FastTrim(FastCopy(text, 8, static_cast<Integer>(text.size())));
    size_t q = text.find_first_of("'\"");
    if (q != AnsiString::npos) {
        text = UnquoteStr(FastTrim(text.substr(q)));
        if (text.empty()) F->DefaultIsEmptyString = true;
    }
    F->DefaultText = text;
}

// Puts one FB$FIELDS_INFO row into a column's entry.
void ApplyRepositoryRow(TpFBFieldInfo* F, const TRow& Row) {
    F->HasRepositoryInfo = true;
    F->ExtraColumns()->Clear();
    for (size_t i = 0; i < Row.Names.size(); ++i) {
        const AnsiString& n = Row.Names[i];
        const AnsiString& v = Row.Values[i];
        if (n == "FIELD_NAME" || n == "TABLE_NAME" || n == "FB$VERSION") continue;
        if (n == "DISPLAY_LABEL") F->DisplayLabel = v;
        else if (n == "DISPLAY_WIDTH") F->DisplayWidth = StrToIntDef(FastTrim(v), 0);
        else if (n == "DISPLAY_FORMAT") F->DisplayFormat = v;
        else if (n == "EDIT_FORMAT") F->EditFormat = v;
        else if (n == "VISIBLE") F->Visible = FastTrim(v) == "1";
        else if (n == "TRIGGERED") F->FilledByTrigger = FastTrim(v) == "1";
        else F->ExtraColumns()->Add(n + "=" + v);
    }
}

const TRow* RepositoryRowOf(const std::vector<TRow>& Rows, const AnsiString& Column) {
    for (const TRow& r : Rows) {
        AnsiString name = r.Value("FIELD_NAME");
        DoTrimRight(name);
        if (name == Column) return &r;
    }
    return nullptr;
}

std::vector<TRow> ReadRepositoryRows(TFBTransaction* Tr, const AnsiString& Table, const AnsiString& Order) {
    TFBQuery q(nullptr);
    q.SetDatabase(Tr->DefaultDatabase());
    q.SetTransaction(Tr);
    q.SQL()->SetText("Select * from FB$FIELDS_INFO where TABLE_NAME='" + QuoteLiteral(Table) + "' ORDER BY " +
                     Order);
    return FetchAll(&q);
}

// "ALIAS" rows describe data-set field names: one entry per row.
void RebuildAliasFields(TpFBTableInfo* Info, const std::vector<TRow>& Rows) {
    Info->ClearFields();
    for (const TRow& r : Rows) {
        auto* f = new TpFBFieldInfo();
        ApplyRepositoryRow(f, r);
        Info->Fields()->AddObject(FastTrim(r.Values.size() > 1 ? r.Values[1] : AnsiString()), f);
    }
}

void FillTableInfo(TpFBTableInfo* Info, TFBDatabase* Database) {
    TFBTransaction* tr = Info->Transaction();
    BindTransaction(tr, Database);
    TTransactionScope scope(tr);
    const AnsiString& name = Info->TableName;
    std::vector<TRow> repo;
    const bool withRepo = Info->WithRepositoryInfo && ExistFieldsInfoTable(Database);
    if (withRepo) {
        Info->RepositoryVersion = RepositoryVersionOf(tr, name);
        repo = ReadRepositoryRows(tr, name, "FIELD_NAME");
    }
    if (name != "ALIAS") {
        Info->FormatVersion = SelectInteger(tr, FormatVersionSQL, "TN", name, 0);
        std::vector<TRow> rows;
        {
            TPooledQuery q(tr, ColumnsSQL);
            q->SetOptions({qoStartTransaction, qoTrimCharFields});
            q->ParamByName("TN")->SetAsString(name);
            rows = FetchAll(q.Get());
        }
        if (rows.empty()) {
            TPooledQuery q(tr, ProcParamsSQL);
            q->SetOptions({qoStartTransaction, qoTrimCharFields});
            q->ParamByName("PN")->SetAsString(name);
            rows = FetchAll(q.Get());
        }
        Info->ClearFields();
        for (const TRow& r : rows) {
            auto f = std::make_unique<TpFBFieldInfo>();
            f->DomainName = FastTrim(r.Values[1]);
            // The procedure form has plain zeros in place of the blob columns.
            f->Computed = r.Blobs[2] && !r.Nulls[2];
            if (r.Blobs[3] && !r.Nulls[3]) SetDefault(f.get(), r.Values[3]);
            else if (r.Blobs[4] && !r.Nulls[4]) SetDefault(f.get(), r.Values[4]);
            const Integer type = StrToIntDef(r.Values[5], 0);
            f->UsableInWhere = type != 9 && type != 261;
            f->CharacterSetId = StrToIntDef(r.Values[6], 0);
            const AnsiString column = FastTrim(r.Values[0]);
            if (withRepo)
                if (const TRow* rr = RepositoryRowOf(repo, column)) ApplyRepositoryRow(f.get(), *rr);
            Info->Fields()->AddObject(column, f.release());
        }
    } else if (withRepo) {
        RebuildAliasFields(Info, repo);
    }
    scope.Commit();
}

}  // namespace

// ---- process-wide state ------------------------------------------------------------------------

namespace {

struct TGlobals {
    // In this order: the flags' lock first, the caches after it.
    TCriticalSection FlagsLock;
    TpFBTableInfoCollect TableInfo{nullptr};
    TpDataSetInfoCollect DataSetInfo;
    TStringList RepositoryFlags;   // object = database, string = three flag characters
    TpStoredProcCollect StoredProcs;
    TpErrorMessagesCollect ErrorMessages;
};

TGlobals& Globals() {
    static TGlobals G;
    return G;
}

}  // namespace

TpFBTableInfoCollect* GlobalTableInfo() { return &Globals().TableInfo; }
TpDataSetInfoCollect* GlobalDataSetInfo() { return &Globals().DataSetInfo; }
TpErrorMessagesCollect* GlobalErrorMessages() { return &Globals().ErrorMessages; }
TpStoredProcCollect* GlobalStoredProcs() { return &Globals().StoredProcs; }

// ---- repository flags --------------------------------------------------------------------------

bool ExistRepositoryTable(TFBDatabase* Database, Integer Kind) {
    if (!Database || Kind < 1 || Kind > 3) return false;
    TGlobals& g = Globals();
    TLockScope lock(&g.FlagsLock);
    TStringList& flags = g.RepositoryFlags;
    Integer line = flags.IndexOfObject(Database);
    char state = '2';
    if (Designing(Database)) flags.Clear();
    else if (line >= 0) state = flags.Strings(line)[static_cast<size_t>(Kind - 1)];
    if (state != '2') return state == '1';
    if (!Database->UseRepositories().Contains(static_cast<TFBUseRepository>(Kind - 1))) return false;
    static const char* const Tables[] = {"FB$FIELDS_INFO", "FB$DATASETS_INFO", "FB$ERROR_MESSAGES"};
    TFBTransaction tr(nullptr);
    tr.SetDefaultDatabase(Database);
    TFBQuery q(nullptr);
    q.SetDatabase(Database);
    q.SetTransaction(&tr);
    q.SQL()->SetText(
        "select COUNT(RDB$RELATION_NAME)\r\nfrom RDB$RELATIONS where RDB$FLAGS = 1\r\nand RDB$RELATION_NAME=?RT");
    q.ParamByName("RT")->SetAsString(Tables[Kind - 1]);
    TTransactionScope scope(&tr);
    q.ExecQuery();
    const Integer count = q.Eof() ? 0 : q.Fields(0)->AsInteger();
    q.Close();
    scope.Commit();
    line = flags.IndexOfObject(Database);
    if (line < 0) {
        // The answer is this connection's: forgotten when it closes or goes, so that another
        // database (or a new object at the same address) asks anew.
        line = flags.AddObject("222", Database);
        g.TableInfo.FreeNotification(Database);
        Database->BeforeDisconnectEvents()->Add(&g.TableInfo, &TpFBTableInfoCollect::DatabaseDisconnecting);
    }
    AnsiString s = flags.Strings(line);
    s[static_cast<size_t>(Kind - 1)] = count < 1 ? '0' : '1';
    flags.SetStrings(line, s);
    return s[static_cast<size_t>(Kind - 1)] == '1';
}

void ClearRepositoryFlags(TFBDatabase* Database) {
    TGlobals& g = Globals();
    TLockScope lock(&g.FlagsLock);
    for (Integer i = g.RepositoryFlags.Count() - 1; i >= 0; --i)
        if (g.RepositoryFlags.Objects(i) == Database) g.RepositoryFlags.Delete(i);
}

bool ExistBooleanDomain(TFBDatabase* Database) {
    TFBTransaction tr(nullptr);
    tr.SetDefaultDatabase(Database);
    TFBQuery q(nullptr);
    q.SetDatabase(Database);
    q.SetTransaction(&tr);
    q.SQL()->SetText("Select Count(*) FROM RDB$FIELDS FLD\r\nWHERE FLD.RDB$FIELD_NAME = 'FB$BOOLEAN'");
    TTransactionScope scope(&tr);
    q.ExecQuery();
    const bool result = !q.Eof() && q.Fields(0)->AsInteger() > 0;
    q.Close();
    scope.Commit();
    return result;
}

// ---- TpFBFieldInfo -----------------------------------------------------------------------------

TpFBFieldInfo::TpFBFieldInfo() : FExtraColumns(std::make_unique<TStringList>()) {}
TpFBFieldInfo::~TpFBFieldInfo() = default;

bool TpFBFieldInfo::IsBooleanDomain() {
    if (BooleanDomainState > 1) BooleanDomainState = DomainName.find("BOOLEAN") != AnsiString::npos ? 1 : 0;
    return BooleanDomainState == 1;
}

bool TpFBFieldInfo::IsGuidDomain() {
    if (GuidDomainState > 1) GuidDomainState = DomainName.find("GUID") != AnsiString::npos ? 1 : 0;
    return GuidDomainState == 1;
}

// ---- TpFBTableInfo -----------------------------------------------------------------------------

TpFBTableInfo::TpFBTableInfo()
    : FFields(std::make_unique<TStringList>(true)), FTransaction(std::make_unique<TFBTransaction>(nullptr)) {
    FFields->SetCaseSensitive(true);
    FTransaction->TRParams()->SetText("read\r\nread_committed");
    FTransaction->SetTimeoutAction(TACommit);
}

TpFBTableInfo::~TpFBTableInfo() = default;

void TpFBTableInfo::ClearFields() { FFields->Clear(); }

TpFBFieldInfo* TpFBTableInfo::FieldInfo(const AnsiString& ColumnName) const {
    const Integer i = FFields->IndexOf(TableKey(ColumnName));
    return i < 0 ? nullptr : static_cast<TpFBFieldInfo*>(FFields->Objects(i));
}

AnsiString TpFBTableInfo::PrimaryKeyFields() {
    if (FPrimaryKeyFields != DeferredPrimaryKey) return FPrimaryKeyFields;
    TFBDatabase* db = FTransaction->DefaultDatabase();
    if (!db || !db->Connected()) return FPrimaryKeyFields;
    TTransactionScope scope(FTransaction.get());
    AnsiString keys;
    {
        TPooledQuery q(FTransaction.get(), PrimaryKeySQL);
        q->ParamByName("TN")->SetAsString(TableName);
        for (const TRow& r : FetchAll(q.Get())) {
            if (!keys.empty()) keys += ";";
            keys += FastTrim(r.Values[0]);
        }
    }
    scope.Commit();
    FPrimaryKeyFields = keys;
    return FPrimaryKeyFields;
}

// ---- TpFBTableInfoCollect ----------------------------------------------------------------------

TpFBTableInfoCollect::TpFBTableInfoCollect(TComponent* AOwner)
    : TComponent(AOwner),
      FRepositoryTransaction(std::make_unique<TpFBTransaction>(nullptr)),
      FLock(std::make_unique<TMultiReadExclusiveWriteSynchronizer>()) {
    FRepositoryTransaction->TRParams()->SetText("read\r\nread_committed");
}

TpFBTableInfoCollect::~TpFBTableInfoCollect() {
    BeforeDestruction();
    Clear();
}

Integer TpFBTableInfoCollect::Count() const { return static_cast<Integer>(FItems.size()); }
TpFBTableInfo* TpFBTableInfoCollect::Items(Integer Index) const { return FItems.at(static_cast<size_t>(Index)).second; }
const AnsiString& TpFBTableInfoCollect::Keys(Integer Index) const { return FItems.at(static_cast<size_t>(Index)).first; }

TpFBTableInfo* TpFBTableInfoCollect::Find(const AnsiString& Key, const AnsiString& DBName) const {
    auto it = std::lower_bound(FItems.begin(), FItems.end(), Key,
                               [](const auto& e, const AnsiString& k) { return e.first < k; });
    for (; it != FItems.end() && it->first == Key; ++it)
        if (it->second->DBName == DBName) return it->second;
    return nullptr;
}

void TpFBTableInfoCollect::Remove(std::size_t Index) {
    TpFBTableInfo* info = FItems[Index].second;
    FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(Index));
    delete info;
}

void TpFBTableInfoCollect::Clear() {
    TWriteScope lock(FLock.get());
    while (!FItems.empty()) Remove(FItems.size() - 1);
}

void TpFBTableInfoCollect::ClearForDataBase(const AnsiString& DBName) {
    TWriteScope lock(FLock.get());
    for (size_t i = FItems.size(); i-- > 0;)
        if (FItems[i].second->DBName == DBName) Remove(i);
}

void TpFBTableInfoCollect::ClearForTable(const AnsiString& TableName) {
    TWriteScope lock(FLock.get());
    const AnsiString key = TableKey(TableName);
    for (size_t i = FItems.size(); i-- > 0;)
        if (FItems[i].first == key) Remove(i);
}

bool TpFBTableInfoCollect::IsValid(TpFBTableInfo* Info, TFBDatabase* Database) {
    if (Database->DBName() != Info->DBName) return false;
    TFBTransaction* tr = Info->Transaction();
    BindTransaction(tr, Database);
    TTransactionScope scope(tr);
    bool valid = true;
    if (Info->TableName != "ALIAS")
        valid = SelectInteger(tr, FormatVersionSQL, "TN", Info->TableName, 0) == Info->FormatVersion;
    // Without versions in the repository nothing tells a changed row: the entry is read again.
    if (valid && Info->WithRepositoryInfo && ExistFieldsInfoTable(Database))
        valid = HasColumn(tr, "FB$FIELDS_INFO", "FB$VERSION") &&
                SelectInteger(tr, RepositoryVersionSQL, "TN", Info->TableName, 0) == Info->RepositoryVersion;
    scope.Commit();
    Info->MustValidate = !valid;
    return valid;
}

TpFBTableInfo* TpFBTableInfoCollect::GetTableInfo(TFBDatabase* Database, const AnsiString& TableName,
                                                  bool WithRepository) {
    if (!Database) return nullptr;
    const AnsiString key = TableKey(TableName);
    TWriteScope lock(FLock.get());
    TpFBTableInfo* info = Find(key, Database->DBName());
    if (info && info->MustValidate && FValidateAfterLoad && !IsValid(info, Database)) {
        for (size_t i = FItems.size(); i-- > 0;)
            if (FItems[i].first == key) Remove(i);
        info = Find(key, Database->DBName());
    }
    if (info) {
        // A loaded entry reads what it has not read yet (its key) over this connection.
        BindTransaction(info->Transaction(), Database);
        FreeNotification(Database);
        if (WithRepository && !info->WithRepositoryInfo) {
            TFBTransaction* tr = FRepositoryTransaction.get();
            if (tr->Active()) tr->Commit();
            tr->SetDefaultDatabase(Database);
            TTransactionScope scope(tr);
            if (ExistFieldsInfoTable(Database)) {
                info->RepositoryVersion = RepositoryVersionOf(tr, key);
                std::vector<TRow> rows = ReadRepositoryRows(tr, key, "TABLE_NAME,FIELD_NAME");
                if (key == "ALIAS") {
                    RebuildAliasFields(info, rows);
                } else {
                    for (Integer i = 0; i < info->Fields()->Count(); ++i)
                        if (const TRow* r = RepositoryRowOf(rows, info->Fields()->Strings(i)))
                            ApplyRepositoryRow(static_cast<TpFBFieldInfo*>(info->Fields()->Objects(i)), *r);
                }
            }
            info->WithRepositoryInfo = true;
            scope.Commit();
        }
        return info;
    }
    auto fresh = std::make_unique<TpFBTableInfo>();
    fresh->DBName = Database->DBName();
    fresh->TableName = key;
    fresh->WithRepositoryInfo = WithRepository;
    FillTableInfo(fresh.get(), Database);
    FreeNotification(Database);
    auto it = std::upper_bound(FItems.begin(), FItems.end(), key,
                               [](const AnsiString& k, const auto& e) { return k < e.first; });
    FItems.insert(it, {key, fresh.get()});
    return fresh.release();
}

void TpFBTableInfoCollect::DatabaseDisconnecting(TObject* Sender) {
    if (auto* db = dynamic_cast<TFBDatabase*>(Sender)) ClearRepositoryFlags(db);
}

void TpFBTableInfoCollect::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (auto* db = dynamic_cast<TFBDatabase*>(AComponent)) {
        ClearForDataBase(db->DBName());
        ClearRepositoryFlags(db);
    }
}

TpFBTableInfo* GetTableInfo(TFBDatabase* Database, const AnsiString& TableName, bool WithRepository) {
    return GlobalTableInfo()->GetTableInfo(Database, TableName, WithRepository);
}

TpFBFieldInfo* GetFieldInfo(TFBDatabase* Database, const AnsiString& TableName, const AnsiString& ColumnName,
                            bool WithRepository) {
    TpFBTableInfo* t = GetTableInfo(Database, TableName, WithRepository);
    return t ? t->FieldInfo(ColumnName) : nullptr;
}

// ---- data-set information ----------------------------------------------------------------------

TpDataSetInfo::TpDataSetInfo() {
    for (auto& l : FSQL) l = std::make_unique<TStringList>();
}
TpDataSetInfo::~TpDataSetInfo() = default;

namespace {

void CheckDataSetsRepository(TFBDatabase* Database, Integer DataSet_ID, const AnsiString& Name) {
    if (DataSet_ID <= 0) throw Exception(Name + ".DataSet_ID should be greater than 0");
    if (!Database) throw Exception("Database is not assigned");
    if (!Database->UseRepositories().Contains(urDataSetInfo))
        throw Exception("Can't use FB$DATASETS_INFO.\r\nurDataSetInfo not included into Database.UseRepositories.");
    if (!ExistDataSetsInfoTable(Database)) throw Exception("Table FB$DATASETS_INFO does not exist.");
}

// A statement of its own on Transaction.
class TRepositoryQuery : public TFBQuery {
public:
    TRepositoryQuery(TFBTransaction* Transaction, const AnsiString& SQL) : TFBQuery(nullptr) {
        SetDatabase(Transaction->DefaultDatabase());
        SetTransaction(Transaction);
        this->SQL()->SetText(SQL);
    }
};

}  // namespace

bool ReadDataSetInfo(TFBDatabase* Database, Integer DataSet_ID, const AnsiString& Name, TpDataSetInfo* Info) {
    CheckDataSetsRepository(Database, DataSet_ID, Name);
    TFBTransaction tr(nullptr);
    tr.SetDefaultDatabase(Database);
    TRepositoryQuery q(&tr, "SELECT * FROM FB$DATASETS_INFO WHERE DS_ID=" + IntToStr(DataSet_ID));
    TTransactionScope scope(&tr);
    std::vector<TRow> rows = FetchAll(&q);
    scope.Commit();
    if (rows.empty()) return false;
    const TRow& r = rows.front();
    Info->DBName = Database->DBName();
    Info->SelectSQL()->SetText(r.Value("SELECT_SQL"));
    Info->UpdateSQL()->SetText(r.Value("UPDATE_SQL"));
    Info->InsertSQL()->SetText(r.Value("INSERT_SQL"));
    Info->DeleteSQL()->SetText(r.Value("DELETE_SQL"));
    Info->RefreshSQL()->SetText(r.Value("REFRESH_SQL"));
    Info->KeyField = r.Value("KEY_FIELD");
    Info->NameGenerator = r.Value("NAME_GENERATOR");
    Info->Description = r.Value("DESCRIPTION", &Info->HasDescription);
    bool found = false;
    AnsiString v = r.Value("FB$VERSION", &found);
    if (found) Info->Version = StrToIntDef(FastTrim(v), 0);
    Info->UpdateTableName = r.Value("UPDATE_TABLE_NAME", &Info->HasUpdateTableName);
    v = r.Value("UPDATE_ONLY_MODIFIED_FIELDS", &Info->HasUpdateOnlyModifiedFields);
    Info->UpdateOnlyModifiedFields = FastTrim(v) == "1";
    Info->Conditions = r.Value("CONDITIONS", &Info->HasConditions);
    return true;
}

void StoreDataSetInfo(TFBDatabase* Database, Integer DataSet_ID, const AnsiString& Name, const TpDataSetInfo& Row) {
    CheckDataSetsRepository(Database, DataSet_ID, Name);
    const AnsiString id = IntToStr(DataSet_ID);
    TFBTransaction tr(nullptr);
    tr.SetDefaultDatabase(Database);
    TTransactionScope scope(&tr);
    TRepositoryQuery select(&tr, "SELECT DS_ID FROM FB$DATASETS_INFO WHERE DS_ID=" + id);
    if (FetchAll(&select).empty()) {
        TRepositoryQuery insert(&tr, "INSERT INTO FB$DATASETS_INFO (DS_ID,UPDATE_ONLY_MODIFIED_FIELDS) VALUES(" + id + ",1)");
        insert.ExecQuery();
        if (FetchAll(&select).empty()) throw Exception("Error of inserting new information record");
    }
    TRepositoryQuery update(
        &tr, "UPDATE FB$DATASETS_INFO SET SELECT_SQL=?SELECT_SQL,DESCRIPTION=?DESCRIPTION,UPDATE_SQL=?UPDATE_SQL,"
             "INSERT_SQL=?INSERT_SQL,DELETE_SQL=?DELETE_SQL,REFRESH_SQL=?REFRESH_SQL,NAME_GENERATOR=?NAME_GENERATOR,"
             "KEY_FIELD=?KEY_FIELD, UPDATE_TABLE_NAME=?UPDATE_TABLE_NAME, "
             "UPDATE_ONLY_MODIFIED_FIELDS=?UPDATE_ONLY_MODIFIED_FIELDS, CONDITIONS=?CONDITIONS WHERE DS_ID=" + id);
    // An empty text is stored as Null.
    const auto text = [&](const char* Param, const AnsiString& Value) {
        if (Value.empty()) update.ParamByName(Param)->SetIsNull(true);
        else update.ParamByName(Param)->SetAsString(Value);
    };
    text("SELECT_SQL", Row.SelectSQL()->Text());
    text("DESCRIPTION", Row.Description);
    text("UPDATE_SQL", Row.UpdateSQL()->Text());
    text("INSERT_SQL", Row.InsertSQL()->Text());
    text("DELETE_SQL", Row.DeleteSQL()->Text());
    text("REFRESH_SQL", Row.RefreshSQL()->Text());
    text("NAME_GENERATOR", Row.NameGenerator);
    text("KEY_FIELD", Row.KeyField);
    text("UPDATE_TABLE_NAME", Row.UpdateTableName);
    update.ParamByName("UPDATE_ONLY_MODIFIED_FIELDS")->SetAsInteger(Row.UpdateOnlyModifiedFields ? 1 : 0);
    text("CONDITIONS", Row.Conditions);
    update.ExecQuery();
    scope.Commit();
}

TpDataSetInfoCollect::TpDataSetInfoCollect() : FLock(std::make_unique<TCriticalSection>()) {}

TpDataSetInfoCollect::~TpDataSetInfoCollect() { Clear(); }

Integer TpDataSetInfoCollect::Count() const { return static_cast<Integer>(FItems.size()); }

TpDataSetInfo* TpDataSetInfoCollect::Find(Integer DataSet_ID, const AnsiString& DBName) const {
    auto range = FItems.equal_range(IntToStr(DataSet_ID));
    for (auto it = range.first; it != range.second; ++it)
        if (it->second->DBName == DBName) return it->second;
    return nullptr;
}

void TpDataSetInfoCollect::RemoveEntry(TpDataSetInfo* Info) {
    for (auto it = FItems.begin(); it != FItems.end(); ++it)
        if (it->second == Info) {
            FItems.erase(it);
            delete Info;
            return;
        }
}

void TpDataSetInfoCollect::Clear() {
    TLockScope lock(FLock.get());
    for (auto& e : FItems) delete e.second;
    FItems.clear();
}

void TpDataSetInfoCollect::ClearForDataBase(const AnsiString& DBName) {
    TLockScope lock(FLock.get());
    for (auto it = FItems.begin(); it != FItems.end();) {
        if (it->second->DBName == DBName) {
            delete it->second;
            it = FItems.erase(it);
        } else {
            ++it;
        }
    }
}

TpDataSetInfo* TpDataSetInfoCollect::GetDataSetInfo(TFBDatabase* Database, Integer DataSet_ID,
                                                    const AnsiString& Name, bool Designing) {
    TLockScope lock(FLock.get());
    const AnsiString dbName = Database ? Database->DBName() : AnsiString();
    TpDataSetInfo* info = Find(DataSet_ID, dbName);
    if (info && Designing) {
        RemoveEntry(info);
        info = nullptr;
    }
    if (info && info->MustValidate && FValidateAfterLoad && Database) {
        TFBTransaction tr(nullptr);
        tr.SetDefaultDatabase(Database);
        TTransactionScope scope(&tr);
        Integer version = 0;
        // An older-layout table keeps no versions: the row is read again instead.
        const bool versioned = HasColumn(&tr, "FB$DATASETS_INFO", "FB$VERSION");
        if (versioned) {
            TPooledQuery q(&tr, "SELECT FB$VERSION FROM FB$DATASETS_INFO WHERE DS_ID=:DS_ID");
            q->ParamByName("DS_ID")->SetAsInteger(DataSet_ID);
            q->ExecQuery();
            if (!q->Eof() && !q->Fields(0)->IsNull()) version = q->Fields(0)->AsInteger();
            q->Close();
        }
        scope.Commit();
        if (!versioned || version != info->Version) {
            RemoveEntry(info);
            info = nullptr;
        } else {
            info->MustValidate = false;
        }
    }
    if (info) return info;
    if (!Database) throw Exception("Can't get info for " + IntToStr(DataSet_ID) + "\r\nDatabase is not assigned");
    auto fresh = std::make_unique<TpDataSetInfo>();
    fresh->DBName = dbName;
    ReadDataSetInfo(Database, DataSet_ID, Name, fresh.get());
    FItems.emplace(IntToStr(DataSet_ID), fresh.get());
    return fresh.release();
}

// ---- error messages and stored procedures -------------------------------------------------------

void TpErrorMessagesCollect::Add(const AnsiString& DBName, const AnsiString& Constraint, Integer Version,
                                 const AnsiString& Text) {
    auto& messages = FItems[DBName];
    auto it = messages.find(Constraint);
    if (it != messages.end() && it->second.Version >= Version) return;
    messages[Constraint] = TpErrorMessage{Text, Version};
}

const TpErrorMessage* TpErrorMessagesCollect::Find(const AnsiString& DBName, const AnsiString& Constraint) const {
    auto db = FItems.find(DBName);
    if (db == FItems.end()) return nullptr;
    auto it = db->second.find(Constraint);
    return it == db->second.end() ? nullptr : &it->second;
}

TpStoredProcCollect::TpStoredProcCollect()
    : FSorted(std::make_unique<TStringList>()), FList(std::make_unique<TList>()) {
    FSorted->SetSorted(true);
}
TpStoredProcCollect::~TpStoredProcCollect() = default;

// ---- repository upgrades -----------------------------------------------------------------------

namespace {

void RunIgnoringFailure(TFBTransaction* Transaction, const AnsiString& SQL) {
    try {
        TFBQuery q(nullptr);
        q.SetDatabase(Transaction->DefaultDatabase());
        q.SetTransaction(Transaction);
        q.SQL()->SetText(SQL);
        q.ExecQuery();
    } catch (const Exception&) {
        // An upgrade step that is already done fails; the next one still runs.
    }
}

void RunUpgrade(TFBTransaction* Transaction, const std::vector<AnsiString>& Statements) {
    if (!Transaction->Active()) Transaction->StartTransaction();
    for (const AnsiString& s : Statements) RunIgnoringFailure(Transaction, s);
    Transaction->CommitRetaining();
}

}  // namespace

void UpgradeFieldsInfoTable(TFBTransaction* Transaction) {
    RunUpgrade(Transaction,
               {"CREATE GENERATOR FB$FIELD_INFO_VERSION", "ALTER TABLE FB$FIELDS_INFO ADD DISPLAY_WIDTH INTEGER DEFAULT 0",
                "ALTER TABLE FB$FIELDS_INFO ADD FB$VERSION INTEGER",
                "CREATE TRIGGER FB$FIELDS_INFO_BI FOR FB$FIELDS_INFO ACTIVE BEFORE INSERT POSITION 0 as \r\nbegin \r\n"
                "new.fb$version=gen_id(fb$field_info_version,1);\r\nend",
                "CREATE TRIGGER FB$FIELDS_INFO_BU FOR FB$FIELDS_INFO ACTIVE BEFORE UPDATE POSITION 0 as \r\nbegin \r\n"
                "new.fb$version=gen_id(fb$field_info_version,1);\r\nend"});
}

void UpgradeDataSetsInfoTable(TFBTransaction* Transaction) {
    std::vector<AnsiString> steps;
    if (!ExistBooleanDomain(Transaction->DefaultDatabase()))
        steps.push_back("CREATE DOMAIN FB$BOOLEAN AS SMALLINT DEFAULT 1 NOT NULL CHECK (VALUE IN (0,1))");
    for (const char* s :
         {"ALTER TABLE FB$DATASETS_INFO ADD UPDATE_TABLE_NAME  VARCHAR(68)",
          "ALTER TABLE FB$DATASETS_INFO ADD UPDATE_ONLY_MODIFIED_FIELDS  FB$BOOLEAN NOT NULL",
          "ALTER TABLE FB$DATASETS_INFO ADD CONDITIONS  BLOB sub_type 1 segment size 80",
          "CREATE GENERATOR FB$FIELD_INFO_VERSION", "ALTER TABLE FB$DATASETS_INFO ADD fb$version  INTEGER",
          "CREATE TRIGGER FB$DATASETS_INFO_BI FOR FB$DATASETS_INFO ACTIVE BEFORE INSERT POSITION 0 as \r\nbegin\r\n"
          "new.fb$version=gen_id(fb$field_info_version,1);\r\nend",
          "CREATE TRIGGER FB$DATASETS_INFO_BU FOR FB$DATASETS_INFO ACTIVE BEFORE UPDATE POSITION 0 as \r\nbegin\r\n"
          "new.fb$version=gen_id(fb$field_info_version,1);\r\nend"})
        steps.push_back(s);
    RunUpgrade(Transaction, steps);
}
