#include "dbclient/FBQuery.h"
#include "dbclient/FBSQLMonitor.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>

#include "dbclient/FBMessages.h"
#include "dbclient/FBPreprocess.h"
#include "dbclient/SqlTxtRtns.h"
#include "dbclient/StrUtil.h"
#include "platform/rtl/CodePage.h"

namespace {

// Little-endian integer of a client information reply.
Integer VaxInteger(const char* P, Integer Len) {
    UInt64 v = 0;
    for (Integer i = Len - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(P[i]);
    if (Len == 2) return static_cast<SmallInt>(v);
    return static_cast<Integer>(v);
}

Integer ElapsedMs(std::chrono::steady_clock::time_point Start) {
    return static_cast<Integer>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - Start).count());
}

// A macro token NAME%DEFAULT split at its first "%".
void SplitMacro(const AnsiString& Token, AnsiString& Name, AnsiString& Default) {
    const auto p = Token.find('%');
    if (p == AnsiString::npos) {
        Name = Token;
        Default.clear();
    } else {
        Name = Token.substr(0, p);
        Default = Token.substr(p + 1);
    }
}

constexpr Integer MaxMacroNameLength = 255;

// The statement's text list. Every edit first gives the statement the chance
// to take applied conditions out, before the list works out line indexes, so
// an edit always lands on the statement's own text.
class TSQLTextList : public TStringList {
public:
    std::function<void()> BeforeEdit;

    Integer AddObject(const AnsiString& S, TObject* AObject) override {
        Edit();
        return TStringList::AddObject(S, AObject);
    }
    void Clear() override {
        Edit();
        TStringList::Clear();
    }
    void Delete(Integer Index) override {
        Edit();
        TStringList::Delete(Index);
    }
    void Exchange(Integer Index1, Integer Index2) override {
        Edit();
        TStringList::Exchange(Index1, Index2);
    }
    void InsertObject(Integer Index, const AnsiString& S, TObject* AObject) override {
        Edit();
        TStringList::InsertObject(Index, S, AObject);
    }
    void Move(Integer CurIndex, Integer NewIndex) override {
        Edit();
        TStringList::Move(CurIndex, NewIndex);
    }

protected:
    void Put(Integer Index, const AnsiString& S) override {
        Edit();
        TStringList::Put(Index, S);
    }
    void SetTextStr(const AnsiString& Value) override {
        Edit();
        TStringList::SetTextStr(Value);
    }

private:
    void Edit() {
        if (BeforeEdit) FireEvent(BeforeEdit);
    }
};

AnsiString ConditionName(const AnsiString& Line) {
    const auto p = Line.find('=');
    return p == AnsiString::npos ? Line : Line.substr(0, p);
}

AnsiString ConditionText(const AnsiString& Line) {
    const auto p = Line.find('=');
    return p == AnsiString::npos ? AnsiString() : Line.substr(p + 1);
}

const AnsiString ConditionSeparator = "#$#$";

// The text form holds one condition a line: a line break inside a condition is
// written as #$0D (CR) or #$0A (LF), and the "#" of a "#$" the text holds itself
// as #$23, so every text reads back as written (and never holds the separator);
// texts without these keep the form stored rows have.
AnsiString EscapeLineBreaks(const AnsiString& S) {
    AnsiString r;
    for (size_t i = 0; i < S.size(); ++i) {
        const char c = S[i];
        if (c == '\r') r += "#$0D";
        else if (c == '\n') r += "#$0A";
        else if (c == '#' && i + 1 < S.size() && S[i + 1] == '$') r += "#$23";
        else r += c;
    }
    return r;
}

AnsiString UnescapeLineBreaks(const AnsiString& S) {
    AnsiString r;
    for (size_t i = 0; i < S.size(); ++i) {
        const AnsiString code = S.compare(i, 2, "#$") == 0 ? S.substr(i + 2, 2) : AnsiString();
        const char c = code == "0D" ? '\r' : code == "0A" ? '\n' : code == "23" ? '#' : '\0';
        if (c) {
            r += c;
            i += 3;
        } else {
            r += S[i];
        }
    }
    return r;
}

// A condition in brackets: a line comment at its end must not take the closing one along.
AnsiString Bracketed(const AnsiString& S) { return "(" + S + (S.find("--") != AnsiString::npos ? "\r\n)" : ")"); }

// A date-time held as a number (set before the column's type was known) goes as a date-time.
void NumberAsDateTime(TFBXSQLVAR* P, Integer DescribedType) {
    const Integer t = P->SQLType();
    if ((DescribedType == SQLTypeDate || DescribedType == SQLTypeTimestamp) &&
        (t == SQLTypeDouble || t == SQLTypeFloat || t == SQLTypeDFloat))
        P->SetAsDateTime(P->AsExtended());
}

IFBStatisticsProvider* Statistics = nullptr;

}  // namespace

void RegisterStatisticsProvider(IFBStatisticsProvider* Provider) { Statistics = Provider; }

IFBStatisticsProvider* StatisticsProvider() { return Statistics; }

TFBQueryDesignDefaults& QueryDesignDefaults() {
    static TFBQueryDesignDefaults defaults;
    return defaults;
}

TFBQuery::TFBQuery(TComponent* AOwner) : TComponent(AOwner) {
    FBase = std::make_unique<TFBBase>(this);
    FBase->OnDatabaseDisconnecting = [this](TObject* S) { DatabaseDisconnecting(S); };
    FBase->OnDatabaseFree = [this](TObject* S) { LinkFreed(S); };
    FBase->OnTransactionEnding = [this](TObject* S) { TransactionEndingEvent(S); };
    FBase->OnTransactionEnded = [this](TObject* S) { TransactionEndedEvent(S); };
    auto sql = std::make_unique<TSQLTextList>();
    sql->BeforeEdit = [this] { BeforeSQLEdit(); };
    FSQL = std::move(sql);
    FParser = std::make_unique<TSQLParser>();
    FConditions = std::make_unique<TConditions>(this);
    FSQL->OnChanging = [this](TObject* S) { SQLChanging(S); };
    FSQL->OnChange = [this](TObject* S) { SQLChange(S); };
    FParams = std::make_unique<TFBXSQLDA>(this, true);
    FSQLParams = std::make_unique<TFBXSQLDA>(this, true);
    FCurrent = std::make_unique<TFBXSQLDA>(this, false);
    if (ComponentState().Contains(csDesigning) && !HasLoadingOwner(this)) {
        const TFBQueryDesignDefaults& d = QueryDesignDefaults();
        FParamCheck = d.ParamCheck;
        FGoToFirstRecordOnExecute = d.GoToFirstRecordOnExecute;
        FOptions = d.Options;
        if (TFBDatabase* db = GlobalDefaultDatabase()) SetDatabase(db);
    }
    if (auto* db = dynamic_cast<TFBDatabase*>(AOwner)) SetDatabase(db);
    else if (auto* tr = dynamic_cast<TFBTransaction*>(AOwner)) SetTransaction(tr);
}

TFBQuery::~TFBQuery() {
    BeforeDestruction();
    if (auto* sql = dynamic_cast<TSQLTextList*>(FSQL.get())) sql->BeforeEdit = nullptr;
}

void TFBQuery::BeforeDestruction() {
    if (FBase) {
        try {
            if (FHandle && Database() && Database()->Connected()) FreeHandle();
        } catch (...) {
            // The handle goes with the connection anyway.
        }
        FHandle = 0;
        FBase.reset();
    }
    TComponent::BeforeDestruction();
}

AnsiString TFBQuery::FullName() const { return CmpFullName(this); }

// ---- connection ---------------------------------------------------------------

void TFBQuery::SetDatabase(TFBDatabase* Value) {
    if (Value == Database()) return;
    if (FHandle) {
        Close();
        FreeHandle();
    }
    FBase->SetDatabase(Value);
}

void TFBQuery::SetTransaction(TFBTransaction* Value) {
    if (Value == Transaction()) return;
    if (FOpen) Close();
    // A transaction of another database moves the statement there: its handle is the old one's.
    if (FHandle && Value && Value->DatabaseCount() > 0 && Value->FindDatabase(Database()) < 0) FreeHandle();
    FBase->SetTransaction(Value);
}

void TFBQuery::DatabaseDisconnecting(TObject*) {
    try {
        Close();
        FreeHandle();
    } catch (...) {
        // Detaching drops the statement on the server in any case.
    }
    FHandle = 0;
    FPrepared = false;
    FOpen = FBof = FEof = FProcExecuted = false;
}

void TFBQuery::LinkFreed(TObject* Sender) { DatabaseDisconnecting(Sender); }

void TFBQuery::TransactionEndingEvent(TObject*) {
    TFBTransaction* tr = Transaction();
    if (tr && (tr->State() == tsDoCommit || tr->State() == tsDoRollback) && FCloseAtTrEnd && FOpen) Close();
    if (!tr || !tr->Quiet()) FireEvent(TransactionEnding, this);
}

void TFBQuery::TransactionEndedEvent(TObject*) {
    TFBTransaction* tr = Transaction();
    if (!tr || !tr->Quiet()) FireEvent(TransactionEnded, this);
}

IIBClientLibrary* TFBQuery::Lib() { return Database()->ClientLibrary(); }

Integer TFBQuery::DialectValue() const { return Database() ? Database()->SQLDialect() : 1; }

unsigned short TFBQuery::DialectWord() { return static_cast<unsigned short>(DialectValue()); }

void TFBQuery::Check(ISC_STATUS Status) {
    if (TFBTransaction* tr = Transaction()) tr->Call(Status, false);
    else if (Database()) Database()->ClearIdleFlag();
    if (Status) IBError(Lib(), this);
}

// ---- text -----------------------------------------------------------------------

void TFBQuery::SetSQL(TStrings* Value) { FSQL->Assign(Value); }

AnsiString TFBQuery::SQLText() const {
    AnsiString s;
    for (Integer i = 0; i < FSQL->Count(); ++i) {
        s += FSQL->Strings(i);
        s += "\r\n";
    }
    return s;
}

void TFBQuery::BeforeSQLEdit() {
    if (!FConditions || FConditions->Busy()) return;
    if (FOpen && !ComponentState().Contains(csDesigning)) FBError(28, {"change sql text", FullName()});
    // A text the statement is given replaces its own text: conditions come off
    // first and the text they were applied to is forgotten.
    FConditions->RestoreSQL();
    FConditions->ForgetSavedSQL();
}

void TFBQuery::SQLChanging(TObject*) {
    if (ComponentState().Contains(csDesigning)) Close();
    else if (FOpen) FBError(28, {"change sql text", FullName()});
    if (OnSQLChanging) {
        const TAliveGuard alive(this);
        FireEvent(OnSQLChanging, this);
        // The text list that asked went with its statement: its edit must not go on.
        if (alive.Gone()) Abort();
    }
    if (FHandle) FreeHandle();
    FMacrosChanged = false;
}

void TFBQuery::SQLChange(TObject*) {
    FParser->SetSQLText(SQLText());
    FParamsBuilt = false;
    if (FChangeCount > 0) return;
    TextChanged();
}

void TFBQuery::BeginModifySQLText() { ++FChangeCount; }

void TFBQuery::EndModifySQLText() {
    if (FChangeCount > 0 && --FChangeCount == 0) TextChanged();
}

void TFBQuery::TextChanged() {
    ++FSQLVersion;
    FTableName = "-1";
    BuildParams();
}

void TFBQuery::BuildParams() {
    const AnsiString text = SQLText();
    // Built only once the scan went through: a text that fails to scan keeps
    // failing, rather than answering with the parameters of the text before it.
    FParamsBuilt = false;
    if (FParamCheck && !IsBlankStr(text) && HasParamMarkers(text, FMacroChar)) {
        PreprocessSQL(text, true);
        FParamsBuilt = true;
        if (FParams->Count() > 0) return;
    } else {
        FParams->SetCount(0);
    }
    FParamsBuilt = true;
    FSQLParams->SetCount(0);
    FProcessedSQL = text;
    FMacrosOrNullsApplied = false;
    if (FHandle) FreeHandle();
}

void TFBQuery::SetParamCheck(bool Value) {
    if (Value == FParamCheck) return;
    if (FHandle) {
        Close();
        FreeHandle();
    }
    FParamCheck = Value;
    if (FChangeCount == 0) BuildParams();
}

void TFBQuery::SetMacroChar(char Value) {
    if (Value == FMacroChar) return;
    if (FHandle) {
        Close();
        FreeHandle();
    }
    FMacroChar = Value;
    if (FChangeCount == 0) BuildParams();
}

void TFBQuery::PreprocessSQL(const AnsiString& Text, bool OnlyNames) {
    const TScanResult r =
        ScanSQLText(Text, OnlyNames, FMacroChar, StatementKindTakesParams(FParser->StatementKind()), FullName());
    const bool keepDialectCase = DialectValue() >= 3;

    std::vector<const TScannedName*> items;
    for (const TScannedName& n : r.Names) {
        const bool macro = !n.Name.empty() && n.Name[0] == FMacroChar;
        if (macro && !OnlyNames) continue;
        items.push_back(&n);
    }
    auto area = std::make_unique<TFBXSQLDA>(this, true);
    area->SetCount(static_cast<Integer>(items.size()));
    const bool macrosChanged = FMacrosChanged;
    for (size_t i = 0; i < items.size(); ++i) {
        const TScannedName& n = *items[i];
        TFBXSQLVAR* v = area->Vars(static_cast<Integer>(i));
        v->FStartPos = n.StartPos;
        v->FEndPos = n.EndPos;
        if (!n.Name.empty() && n.Name[0] == FMacroChar) {
            AnsiString name, def;
            SplitMacro(n.Name.substr(1), name, def);
            if (static_cast<Integer>(name.size()) > MaxMacroNameLength) name.resize(MaxMacroNameLength);
            v->FIsMacro = true;
            v->FMacroQuoted = !def.empty() && def[0] == '#';
            if (v->FMacroQuoted) def.erase(0, 1);
            v->FMacroDefault = def;
            area->RegisterName(static_cast<Integer>(i), FastUpperCase(name));
            v->SetAsString(def);
        } else {
            v->FInWhere = n.InWhere;
            v->FStandalone = n.Standalone;
            area->RegisterName(static_cast<Integer>(i),
                               (n.Quoted && keepDialectCase) ? n.Name : FastUpperCase(n.Name));
        }
        v->FModified = false;
    }
    // Values already given carry over to entries of the same name.
    TFBXSQLDA* old = OnlyNames ? FParams.get() : FSQLParams.get();
    for (Integer i = 0; i < area->Count(); ++i) {
        TFBXSQLVAR* v = area->Vars(i);
        const auto first = area->EntriesNamed(v->Name());
        if (!first.empty() && first.front() != v) continue;
        const auto previous = old->EntriesNamed(v->Name());
        if (previous.empty()) continue;
        TFBXSQLVAR* o = previous.front();
        if (o->IsMacro() != v->IsMacro()) continue;
        if ((o->AsXSQLVAR()->sqltype & ~1) != 0) v->SetAsXSQLVAR(o->AsXSQLVAR());
        for (TFBXSQLVAR* e : first) {
            e->FRemembered = o->FRemembered;
            e->FModified = o->FModified;
        }
    }
    FMacrosChanged = macrosChanged;
    if (OnlyNames) {
        FParams = std::move(area);
    } else {
        FSQLParams = std::move(area);
        FProcessedSQL = r.Text;
    }
}

AnsiString TFBQuery::ApplyMacrosAndNulls() {
    AnsiString result = SQLText();
    Integer shift = 0;
    bool applied = false;
    for (Integer i = 0; i < FParams->Count(); ++i) {
        TFBXSQLVAR* v = FParams->Vars(i);
        if (v->IsMacro()) {
            const AnsiString raw = v->IsNull() ? AnsiString() : v->AsString();
            // A quoted macro is a string literal: a quote inside its value is doubled
            // so that the value cannot end the literal and run on as SQL.
            const AnsiString value = v->MacroQuoted() ? "'" + ReplaceStr(raw, "'", "''") + "'" : raw;
            const Integer from = v->StartPos() - shift;
            const Integer to = v->EndPos() - shift;
            const Integer len = to - from + 1;
            if (from < 1 || len < 0 || to > static_cast<Integer>(result.size())) continue;
            result.replace(static_cast<size_t>(from - 1), static_cast<size_t>(len), value);
            shift += len - static_cast<Integer>(value.size());
            v->FRemembered = Variant(raw);
            applied = true;
        } else if (!FOptions.Contains(qoNoForceIsNull) && v->IsNull() && v->InWhere() && v->Standalone()) {
            AnsiString rep;
            Integer from = 0, len = 0;
            if (RewriteNullComparison(result, v->StartPos() - shift, v->EndPos() - shift, rep, from, len)) {
                shift += len - static_cast<Integer>(rep.size());
                applied = true;
            }
            v->FRemembered = Variant::Null();
        }
    }
    FMacrosOrNullsApplied = applied;
    return result;
}

bool TFBQuery::NeedsRebuild() {
    if (!FPrepared || FMacrosChanged) return true;
    for (Integer i = 0; i < FParams->Count(); ++i) {
        TFBXSQLVAR* v = FParams->Vars(i);
        if (v->IsMacro()) {
            const AnsiString now = v->IsNull() ? AnsiString() : v->AsString();
            if (now != VarToStr(v->FRemembered)) return true;
        } else if (v->Standalone() && v->IsNull() != VarIsNull(v->FRemembered)) {
            return true;
        }
    }
    return false;
}

void TFBQuery::RebuildSQL() {
    if (ComponentState().Contains(csDesigning)) return;
    Close();
    FreeHandle();
    const AnsiString text = ApplyMacrosAndNulls();
    PreprocessSQL(text, false);
    RefreshExtraNames();
    FMacrosChanged = false;
}

void TFBQuery::RefreshExtraNames() {
    FExtraParamNames.clear();
    for (Integer i = 0; i < FSQLParams->Count(); ++i) {
        const AnsiString& n = FSQLParams->Vars(i)->Name();
        if (FParams->EntriesNamed(n).empty() &&
            std::find(FExtraParamNames.begin(), FExtraParamNames.end(), n) == FExtraParamNames.end())
            FExtraParamNames.push_back(n);
    }
    std::sort(FExtraParamNames.begin(), FExtraParamNames.end());
}

// ---- preparing --------------------------------------------------------------------

namespace {
// Sends "owner.name: [Operation] message" of the exception being handled to a listening monitor.
void TraceFailure(TFBQuery* Query, const char* Operation, Integer Category) {
    TFBSQLMonitorHook* hook = ExistingSQLMonitorHook();
    if (!hook || !hook->Tracing(Category)) return;
    try {
        throw;
    } catch (const std::exception& e) {
        const AnsiString owner = Query->Owner() ? Query->Owner()->Name() : AnsiString();
        hook->WriteSQLData(owner + "." + Query->Name() + ": [" + Operation + "] " + e.what(), Category);
    } catch (...) {
    }
}
}  // namespace

void TFBQuery::Prepare() {
    if (FOpen) Close();
    FBase->CheckDatabase();
    TFBTransaction* tr = Transaction();
    if (FOptions.Contains(qoStartTransaction) && tr && !tr->Active()) tr->StartTransaction();
    if (!tr) FBError(22, {FullName()});
    if (!FParamsBuilt) BuildParams();
    if (FParamCheck && FParams->Count() > 0 && NeedsRebuild()) {
        const AnsiString text = ApplyMacrosAndNulls();
        PreprocessSQL(text, false);
        FMacrosChanged = false;
        FreeHandle();
    }
    if (FPrepared) return;
    try {
        if (IsBlankStr(FProcessedSQL)) FBError(37, {"Prepare"});
        IIBClientLibrary* lib = Lib();
        Check(lib->isc_dsql_alloc_statement2(StatusVector(), Database()->HandleAddress(), &FHandle));
        FCurrent->SetCount(0);
        const unsigned short len =
            FProcessedSQL.size() < 65536 ? static_cast<unsigned short>(FProcessedSQL.size()) : 0;
        Check(lib->isc_dsql_prepare(StatusVector(), tr->HandleAddress(), &FHandle, len, FProcessedSQL.c_str(),
                                    DialectWord(), FCurrent->AsXSQLDA()));
        char item = isc_info_sql_stmt_type;
        char reply[8] = {};
        Check(lib->isc_dsql_sql_info(StatusVector(), &FHandle, 1, &item, sizeof(reply), reply));
        if (reply[0] != isc_info_sql_stmt_type) FBError(0);
        const Integer n = VaxInteger(reply + 1, 2);
        FSQLType = (n > 0 && n <= 4) ? VaxInteger(reply + 3, n) : SQLUnknown;
        if (FSQLType == SQLSelectForUpdate) {
            if (FCursorName.empty()) FCursorName = RandomDigits(10);
            Check(lib->isc_dsql_set_cursor_name(StatusVector(), &FHandle, FCursorName.c_str(), 0));
        }
        switch (FSQLType) {
            case SQLSelect:
            case SQLInsert:
            case SQLUpdate:
            case SQLDelete:
            case SQLExecProcedure:
            case SQLSelectForUpdate:
                DescribeInput();
                if (FSQLType == SQLSelect || FSQLType == SQLExecProcedure || FSQLType == SQLSelectForUpdate)
                    DescribeOutput();
                else
                    FCurrent->SetCount(0);
                break;
            case SQLGetSegment:
            case SQLPutSegment:
            case SQLStartTransaction:
                FreeHandle();
                FBError(2);
            default:
                FCurrent->SetCount(0);
                break;
        }
        FPrepared = true;
        ++FPrepareCount;
        if (TFBSQLMonitorHook* hook = GetSQLMonitorHook()) hook->SQLPrepare(this);
    } catch (...) {
        TraceFailure(this, "Prepare", tcPrepare);
        if (FHandle) {
            ISC_STATUS_ARRAY st = {};
            Lib()->isc_dsql_free_statement(st, &FHandle, DSQL_drop);
        }
        FHandle = 0;
        FPrepared = false;
        FCurrent->SetCount(0);
        throw;
    }
}

void TFBQuery::DescribeInput() {
    const bool rewritten = FParamCheck && FMacrosOrNullsApplied;
    TFBXSQLDA* send = rewritten ? FSQLParams.get() : FParams.get();
    if (send->Count() == 0 || FSQLParams->Count() == 0) return;
    IIBClientLibrary* lib = Lib();
    SaveRemembered(FSQLParams.get());
    Check(lib->isc_dsql_describe_bind(StatusVector(), &FHandle, DialectWord(), FSQLParams->AsXSQLDA()));
    if (FSQLParams->AsXSQLDA()->sqld != FSQLParams->Count())
        FBErrorFmt("%s: the statement has %d parameters where %d were named.",
                   {FullName(), static_cast<Integer>(FSQLParams->AsXSQLDA()->sqld), FSQLParams->Count()});
    if (!rewritten) {
        for (Integer i = 0; i < FParams->Count() && i < FSQLParams->Count(); ++i) {
            TFBXSQLVAR* p = FParams->Vars(i);
            const XSQLVAR* d = FSQLParams->Vars(i)->AsXSQLVAR();
            XSQLVAR* x = p->AsXSQLVAR();
            if (!p->IsNull()) {
                NumberAsDateTime(p, d->sqltype & ~1);
                // Only a text takes the described type: typed values go as they are
                // and the server converts them, since a detour through locale text
                // would lose milliseconds and digits and could swap day and month.
                // An id (blob, array or bare quad) is already in its final form.
                if (p->SQLType() != SQLTypeText && p->SQLType() != SQLTypeVarying) continue;
                const AnsiString s = p->AsString();
                x->sqltype = static_cast<ISC_SHORT>((d->sqltype & ~1) | (x->sqltype & 1));
                x->sqllen = d->sqllen;
                p->SetAsString(s);
            } else {
                x->sqltype = static_cast<ISC_SHORT>(d->sqltype | 1);
                x->sqlscale = d->sqlscale;
                x->sqlsubtype = d->sqlsubtype;
                x->sqllen = d->sqllen;
                const Integer t = d->sqltype & ~1;
                const Integer size = t == SQLTypeVarying ? d->sqllen + 2 : std::max<Integer>(d->sqllen, 1);
                p->AllocData(size);
                std::memset(x->sqldata, 0, static_cast<size_t>(size));
                p->AllocIndicator();
                *x->sqlind = -1;
            }
        }
    }
    FSQLParams->Initialize();
    for (Integer i = 0; i < FSQLParams->Count(); ++i) {
        TFBXSQLVAR* d = FSQLParams->Vars(i);
        if (d->IsBlobOrArray()) continue;
        if (!d->FRemembered.IsEmpty()) {
            d->SetValue(d->FRemembered);
        } else if (d->SQLType() == SQLTypeVarying) {
            XSQLVAR* x = d->AsXSQLVAR();
            x->sqltype = static_cast<ISC_SHORT>(SQLTypeText | (x->sqltype & 1));
        }
    }
    if (rewritten) {
        for (Integer i = 0; i < FParams->Count(); ++i) {
            TFBXSQLVAR* p = FParams->Vars(i);
            if (p->IsMacro() || p->IsNull()) continue;
            if (TFBXSQLVAR* d = FSQLParams->LocalByName(p->Name())) NumberAsDateTime(p, d->DescribedType());
        }
        RefreshExtraNames();
    } else {
        FExtraParamNames.clear();
    }
}

void TFBQuery::DescribeOutput() {
    const Integer n = FCurrent->AsXSQLDA()->sqld;
    if (n <= 0) {
        FCurrent->SetCount(0);
        return;
    }
    FCurrent->SetCount(n);
    Check(Lib()->isc_dsql_describe(StatusVector(), &FHandle, DialectWord(), FCurrent->AsXSQLDA()));
    FCurrent->Initialize();
}

void TFBQuery::SaveRemembered(TFBXSQLDA* Area) {
    for (Integer i = 0; i < Area->Count(); ++i) {
        TFBXSQLVAR* v = Area->Vars(i);
        if (!v->Changed()) continue;
        if (!v->IsBlobOrArray() && v->SQLType() != SQLTypeQuad) v->FRemembered = v->Value();
        v->FChanged = false;
    }
}

// ---- running ------------------------------------------------------------------------

void TFBQuery::ExecQuery() {
    // Any handler on the way may free the statement or its transaction.
    const TAliveGuard alive(this);
    if (BeforeExecute) FireEvent(BeforeExecute, this);
    if (alive.Gone()) return;
    FCurrent->SetAllNull();
    TFBTransaction* tr = Transaction();
    if (FOptions.Contains(qoStartTransaction) && tr && !tr->Active()) tr->StartTransaction();
    if (alive.Gone()) return;
    const bool withParams = FParamCheck && FParams->Count() > 0;
    const bool wasPrepared = FPrepared;
    if (withParams || !FPrepared) Prepare();
    // A procedure call is prepared anew on every execution.
    if (FSQLType == SQLExecProcedure && wasPrepared) {
        FreeHandle();
        Prepare();
    }
    // A prepared statement skips Prepare's checks: its transaction may have gone since.
    tr = Transaction();
    if (!tr) FBError(22, {FullName()});
    XSQLDA* in = nullptr;
    if (withParams && FMacrosOrNullsApplied) {
        FSQLParams->AssignValues(FParams.get());
        if (FSQLParams->Count() > 0) in = FSQLParams->AsXSQLDA();
    } else if (FParams->Count() > 0) {
        in = FParams->AsXSQLDA();
    }
    IIBClientLibrary* lib = Lib();
    const auto start = std::chrono::steady_clock::now();
    try {
        tr->DoOnSQLExec(this, 0);
        if (alive.Gone()) return;
        tr = Transaction();
        if (!tr) FBError(22, {FullName()});
        switch (FSQLType) {
            case SQLSelect:
            case SQLSelectForUpdate:
                if (FOpen) Close();
                StatisticsBefore();
                Check(lib->isc_dsql_execute(StatusVector(), tr->HandleAddress(), &FHandle, DialectWord(), in));
                StatisticsAfter(ElapsedMs(start));
                FOpen = true;
                FBof = true;
                FEof = false;
                FRecordCount = 0;
                FCurrent->SetAllNull();
                if (FGoToFirstRecordOnExecute) {
                    try {
                        Next();
                    } catch (...) {
                        // A failed first row leaves no half-open cursor behind.
                        try {
                            Close();
                        } catch (...) {
                        }
                        throw;
                    }
                }
                break;
            case SQLExecProcedure: {
                StatisticsBefore();
                const ISC_STATUS st = lib->isc_dsql_execute2(StatusVector(), tr->HandleAddress(), &FHandle,
                                                             DialectWord(), in,
                                                             FCurrent->Count() > 0 ? FCurrent->AsXSQLDA() : nullptr);
                if (Statistics) {
                    // A failed call is timed too; the provider must not change the error raised.
                    std::array<ISC_STATUS, ISC_STATUS_LENGTH> status;
                    std::copy_n(StatusVector(), status.size(), status.begin());
                    StatisticsAfter(ElapsedMs(start));
                    std::copy(status.begin(), status.end(), StatusVector());
                }
                Check(st);
                FProcExecuted = true;
                break;
            }
            default:
                StatisticsBefore();
                Check(lib->isc_dsql_execute(StatusVector(), tr->HandleAddress(), &FHandle, DialectWord(), in));
                StatisticsAfter(ElapsedMs(start));
                break;
        }
        if (alive.Gone()) return;   // freed by a handler of the first fetch
        FExecTime = ElapsedMs(start);
        if (TFBSQLMonitorHook* hook = GetSQLMonitorHook()) hook->SQLExecute(this);
        if (withParams) SaveRemembered(FParams.get());
        tr->DoOnSQLExec(this, 1);
    } catch (...) {
        if (alive.Gone()) throw;
        FExecTime = ElapsedMs(start);
        if (TFBSQLMonitorHook* hook = ExistingSQLMonitorHook()) {
            if (hook->Tracing(tcExecute)) hook->SQLExecute(this);
        }
        TraceFailure(this, "Execute", tcExecute);
        throw;
    }
    if (alive.Gone()) return;
    tr = Transaction();
    if (FOptions.Contains(qoAutoCommit) && tr) {
        if (tr->TimeoutAction() == TACommitRetaining) tr->CommitRetaining();
        else tr->Commit();
        if (alive.Gone()) return;
    }
    FParams->ClearModified();
    FMacrosChanged = false;
    if (!FOpen && FOptions.Contains(qoFreeHandleAfterExecute)) FreeHandle();
    if (AfterExecute) FireEvent(AfterExecute, this);
}

void TFBQuery::StatisticsBefore() {
    if (!Statistics) return;
    const AnsiString name = FullName();
    const Variant count = Statistics->GetStatistic(name, "ExecuteCount");
    Statistics->SetStatistic(name, "LastQueryName", name);
    Statistics->SetStatistic(name, "LastTimeExecute", 0);
    Statistics->SetStatistic(name, "ExecuteCount", (count.IsEmpty() || count.IsNull() ? 0 : count.AsInteger()) + 1);
}

void TFBQuery::StatisticsAfter(Integer Ms) {
    if (!Statistics) return;
    const AnsiString name = FullName();
    const auto number = [&](const char* Key) {
        const Variant v = Statistics->GetStatistic(name, Key);
        return v.IsEmpty() || v.IsNull() ? Variant() : v;
    };
    const Variant sum = number("SumTimeExecute");
    const Variant max = number("MaxTimeExecute");
    const Variant countValue = number("ExecuteCount");
    const Integer count = countValue.IsEmpty() ? 1 : std::max(countValue.AsInteger(), 1);
    const Int64 total = (sum.IsEmpty() ? 0 : static_cast<Int64>(sum.AsDouble())) + Ms;
    Statistics->SetStatistic(name, "LastTimeExecute", Ms);
    Statistics->SetStatistic(name, "SumTimeExecute", static_cast<long long>(total));
    Statistics->SetStatistic(name, "ExecuteCount", count);
    Statistics->SetStatistic(name, "AvgTimeExecute", static_cast<double>(total) / count);
    const bool slowest = max.IsEmpty() || Ms > max.AsInteger();
    Statistics->SetStatistic(name, "MaxTimeExecute", slowest ? Ms : max.AsInteger());
    if (!slowest) return;
    for (Integer i = 0; i < FParams->Count(); ++i) {
        TFBXSQLVAR* p = FParams->Vars(i);
        if (p->IsBlobOrArray()) continue;
        Statistics->SetStatistic(name, "Params[" + IntToStr(i) + "]", "'" + p->AsString() + "'");
    }
}

void TFBQuery::Next() {
    if (FEof) return;
    if (!FOpen) FBError(29, {"fetch next record", FullName()});
    if (BeforeFetch) {
        const TAliveGuard alive(this);
        FireEvent(BeforeFetch, this);
        if (alive.Gone()) return;
        // Closed by the end of its transaction, freed by the handler: nothing to fetch from.
        if (!FOpen) FBError(29, {"fetch next record", FullName()});
    }
    const ISC_STATUS st =
        Lib()->isc_dsql_fetch(StatusVector(), &FHandle, DialectWord(), FCurrent->AsXSQLDA());
    ISC_STATUS failure = 0;
    if (st == 0) {
        ++FRecordCount;
        FBof = false;
    } else if (st == 100 || CheckStatusVector({335544572})) {
        FEof = true;
    } else {
        failure = st;
    }
    // A fetch is work like any other call: the idle timers start again.
    Check(failure);
    if (TFBSQLMonitorHook* hook = GetSQLMonitorHook()) hook->SQLFetch(this);
}

bool TFBQuery::Eof() {
    if (FOpen && FEof && FOptions.Contains(qoFreeHandleAfterExecute)) FreeHandle();
    return FEof || !FOpen;
}

void TFBQuery::Close() {
    if (FHandle && FOpen && (FSQLType == SQLSelect || FSQLType == SQLSelectForUpdate)) {
        const ISC_STATUS st = Lib()->isc_dsql_free_statement(StatusVector(), &FHandle, DSQL_close);
        if (st && !CheckStatusVector({335544485, 335544577})) {
            FOpen = FBof = FEof = FProcExecuted = false;
            Check(st);
        }
    }
    FBof = FEof = FOpen = FProcExecuted = false;
}

void TFBQuery::FreeHandle() {
    FCurrent->SetCount(0);
    const bool had = FHandle != 0;
    ISC_STATUS st = 0;
    if (had && Database() && Database()->Connected())
        st = Lib()->isc_dsql_free_statement(StatusVector(), &FHandle, DSQL_drop);
    FHandle = 0;
    FPrepared = false;
    FOpen = FBof = FEof = FProcExecuted = false;
    if (st && !CheckStatusVector({335544485})) Check(st);
}

void TFBQuery::ForgetHandle() {
    FHandle = 0;
    FPrepared = false;
    FBof = FEof = FOpen = FProcExecuted = false;
    FCurrent->SetCount(0);
}

Integer TFBQuery::RowsAffected() {
    if (!FPrepared) return -1;
    char item = isc_info_sql_records;
    char reply[64] = {};
    Check(Lib()->isc_dsql_sql_info(StatusVector(), &FHandle, 1, &item, sizeof(reply), reply));
    if (reply[0] != isc_info_sql_records) FBError(0);
    Integer inserted = 0, updated = 0, deleted = 0;
    const Integer total = 3 + VaxInteger(reply + 1, 2);
    Integer p = 3;
    while (p + 3 <= total && p + 3 <= static_cast<Integer>(sizeof(reply)) && reply[p] != isc_info_end) {
        const Integer code = static_cast<unsigned char>(reply[p]);
        const Integer len = VaxInteger(reply + p + 1, 2);
        if (len < 0 || p + 3 + len > static_cast<Integer>(sizeof(reply))) break;
        const Integer value = VaxInteger(reply + p + 3, len);
        if (code == isc_info_req_insert_count) inserted = value;
        else if (code == isc_info_req_update_count) updated = value;
        else if (code == isc_info_req_delete_count) deleted = value;
        p += 3 + len;
    }
    switch (FSQLType) {
        case SQLInsert: return inserted;
        case SQLUpdate: return updated;
        case SQLDelete: return deleted;
        default: return -1;
    }
}

AnsiString TFBQuery::Plan() {
    if (!FPrepared) return AnsiString();
    switch (FSQLType) {
        case SQLSelect: case SQLUpdate: case SQLDelete: case SQLExecProcedure: case SQLSelectForUpdate: break;
        default: return AnsiString();
    }
    std::vector<char> reply(16385, 0);
    char item = isc_info_sql_get_plan;
    Check(Lib()->isc_dsql_sql_info(StatusVector(), &FHandle, 1, &item, static_cast<short>(reply.size() - 1),
                                   reply.data()));
    if (reply[0] != isc_info_sql_get_plan) return AnsiString();
    Integer n = static_cast<unsigned short>(VaxInteger(reply.data() + 1, 2));
    if (n > static_cast<Integer>(reply.size()) - 3) n = static_cast<Integer>(reply.size()) - 3;
    return Trim(AnsiString(reply.data() + 3, static_cast<size_t>(n)));
}

// ---- parameters and columns ------------------------------------------------------------

TFBXSQLDA* TFBQuery::Params() {
    if (!FParamsBuilt) BuildParams();
    return FParams.get();
}

Integer TFBQuery::ParamCount() { return Params()->Count(); }

TFBXSQLVAR* TFBQuery::FindParam(const AnsiString& Name) { return Params()->ByName(Name); }

TFBXSQLVAR* TFBQuery::ParamByName(const AnsiString& Name) {
    if (TFBXSQLVAR* v = FindParam(Name)) return v;
    if (FParser->StatementKind() == skExecute) return FieldByName(Name);
    FBErrorFmt("Parameter \"%s\" does not exist in %s", {Name, FullName()});
}

TFBXSQLVAR* TFBQuery::Fields(Integer Index) {
    if (Index < 0 || Index >= FCurrent->Count()) FBError(41, {"Field No: " + IntToStr(Index)});
    return FCurrent->Vars(Index);
}

TFBXSQLVAR* TFBQuery::FieldByName(const AnsiString& Name) {
    if (TFBXSQLVAR* v = FCurrent->ByName(Name)) return v;
    FBError(41, {Name});
}

Integer TFBQuery::FieldIndex(const AnsiString& Name) {
    TFBXSQLVAR* v = FCurrent->ByName(Name);
    return v ? v->Index() : -1;
}

TFBXSQLVAR* TFBQuery::FieldByOrigin(const AnsiString& Relation, const AnsiString& Column) {
    AnsiString rel = Relation, col = Column;
    if (!Database() || Database()->NeedUpperNames()) {
        rel = FastUpperCase(rel);
        col = FastUpperCase(col);
    }
    for (Integer i = 0; i < FCurrent->Count(); ++i) {
        TFBXSQLVAR* v = FCurrent->Vars(i);
        if (v->RelationName() == rel && v->SQLName() == col) return v;
    }
    return nullptr;
}

AnsiString TFBQuery::ParamName(Integer ParamIndex) { return Params()->Vars(ParamIndex)->Name(); }

bool TFBQuery::FieldExist(const AnsiString& FieldName, Integer& Index) {
    Index = FieldIndex(FieldName);
    return Index >= 0;
}

bool TFBQuery::ParamExist(const AnsiString& Name, Integer& ParamIndex) {
    TFBXSQLVAR* v = Params()->LocalByName(Name);
    ParamIndex = v ? v->Index() : -1;
    return v != nullptr;
}

Variant TFBQuery::FieldValue(const AnsiString& FieldName, bool) { return FieldByName(FieldName)->Value(); }

Variant TFBQuery::FieldValue(Integer Index, bool) { return Fields(Index)->Value(); }

Variant TFBQuery::ParamValue(const AnsiString& Name) { return ParamByName(Name)->Value(); }

Variant TFBQuery::ParamValue(Integer ParamIndex) { return Params()->Vars(ParamIndex)->Value(); }

void TFBQuery::SetParamValue(Integer ParamIndex, const Variant& aValue) {
    Params()->Vars(ParamIndex)->SetValue(aValue);
}

// ---- clauses ----------------------------------------------------------------------------

const AnsiString& TFBQuery::ModifyTable() {
    if (FTableName == "-1") FTableName = MainTableOfSQL(SQLText(), false);
    return FTableName;
}

AnsiString TFBQuery::MainWhereClause() {
    Integer start = 0, end = 0;
    AnsiString text;
    FParser->GetMainWhereClause(start, end, text);
    return start > 0 ? text : AnsiString();
}

AnsiString TFBQuery::WhereClause(Integer N) {
    Integer start = 0, end = 0;
    AnsiString text;
    FParser->GetWhereClause(N, start, text, end);
    return start > 0 ? text : AnsiString();
}

AnsiString TFBQuery::PlanClause() {
    Integer start = 0, end = 0;
    AnsiString text;
    FParser->GetMainPlanClause(start, end, text);
    return start > 0 ? text : AnsiString();
}

AnsiString TFBQuery::OrderClause() { return FParser->GetOrderClause(); }

// The clause setters rewrite the statement's own text: applied conditions come
// off first and go on again afterwards, so they are neither lost nor baked in.
void TFBQuery::SetMainWhereClause(const AnsiString& Value) {
    if (FConditions->Busy()) {
        FSQL->SetText(FParser->ReplaceMainWhere(Value));
        return;
    }
    const bool reapply = FConditions->Applied();
    FConditions->CancelApply();
    FSQL->SetText(FParser->ReplaceMainWhere(Value));
    if (reapply) FConditions->Apply();
}

void TFBQuery::SetPlanClause(const AnsiString& Value) {
    const bool reapply = FConditions->Applied();
    FConditions->CancelApply();
    FSQL->SetText(FParser->ReplacePlanClause(Value));
    if (reapply) FConditions->Apply();
}

void TFBQuery::SetOrderClause(const AnsiString& Value) {
    const bool reapply = FConditions->Applied();
    FConditions->CancelApply();
    FSQL->SetText(FParser->ReplaceOrderClause(Value));
    if (reapply) FConditions->Apply();
}

// ---- conditions -------------------------------------------------------------------------

TCondition::~TCondition() {
    FDestroying = true;
    if (!FOwner) return;
    const Integer i = Index();
    if (i >= 0) FOwner->Delete(i);
}

Integer TCondition::Index() const { return FOwner ? FOwner->IndexOfObject(const_cast<TCondition*>(this)) : -1; }

AnsiString TCondition::Name() const {
    const Integer i = Index();
    return i >= 0 ? ConditionName(FOwner->Strings(i)) : AnsiString();
}

AnsiString TCondition::Text() const {
    const Integer i = Index();
    return i >= 0 ? ConditionText(FOwner->Strings(i)) : AnsiString();
}

void TCondition::SetText(const AnsiString& Value) {
    const Integer i = Index();
    if (i < 0) return;
    const AnsiString line = ConditionName(FOwner->Strings(i)) + "=" + Value;
    if (line != FOwner->Strings(i)) FOwner->Put(i, line);
    FTextFromStream = false;
}

void TCondition::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    FEnabledFromStream = false;
    if (FOwner) FOwner->FApplied = false;
}

TConditions::TConditions(TFBQuery* AOwner) : FOwner(AOwner) {}

TConditions::~TConditions() {
    OnChange = nullptr;
    OnChanging = nullptr;
    Clear();
}

Integer TConditions::Add(const AnsiString& S) { return TStringList::AddObject(S, new TCondition(this)); }

Integer TConditions::AddObject(const AnsiString& S, TObject* AObject) {
    auto* c = dynamic_cast<TCondition*>(AObject);
    if (!c) return -1;
    c->FOwner = this;
    return TStringList::AddObject(S, c);
}

void TConditions::Insert(Integer Index, const AnsiString& S) {
    auto c = std::make_unique<TCondition>(this);
    TStringList::InsertObject(Index, S, c.get());
    c.release();
}

void TConditions::InsertObject(Integer Index, const AnsiString& S, TObject* AObject) {
    auto* c = dynamic_cast<TCondition*>(AObject);
    if (!c) return;
    c->FOwner = this;
    TStringList::InsertObject(Index, S, c);
}

void TConditions::Put(Integer Index, const AnsiString& S) {
    if (Index == Count()) Add(S);
    else TStringList::Put(Index, S);
}

void TConditions::Clear() {
    std::vector<TCondition*> items;
    for (Integer i = 0; i < Count(); ++i)
        if (auto* c = dynamic_cast<TCondition*>(Objects(i))) items.push_back(c);
    TStringList::Clear();
    for (TCondition* c : items) {
        c->FOwner = nullptr;
        delete c;
    }
}

void TConditions::Delete(Integer Index) {
    auto* c = dynamic_cast<TCondition*>(Objects(Index));
    if (c && !c->FDestroying) {
        delete c;   // its destructor takes the line out
        return;
    }
    TStringList::Delete(Index);
}

TCondition* TConditions::AddCondition(const AnsiString& Name, const AnsiString& Text, bool Enabled) {
    TCondition* c = FindCondition(Name);
    if (c) c->SetText(Text);
    else c = Items(Add(Name + "=" + Text));
    c->SetEnabled(Enabled);
    if (Enabled) FApplied = false;
    return c;
}

// Condition names fold as every name does, not by the list's locale order.
Integer TConditions::IndexOfCondition(const AnsiString& Name) const {
    for (Integer i = 0; i < Count(); ++i)
        if (SameName(Names(i), Name)) return i;
    return -1;
}

TCondition* TConditions::FindCondition(const AnsiString& Name) const {
    const Integer i = IndexOfCondition(Name);
    return i >= 0 ? Items(i) : nullptr;
}

void TConditions::RemoveCondition(const AnsiString& Name) {
    const Integer i = IndexOfCondition(Name);
    if (i < 0) return;
    Delete(i);
    FApplied = false;
}

TCondition* TConditions::Items(Integer Index) const {
    if (Index < 0 || Index >= Count()) return nullptr;
    return dynamic_cast<TCondition*>(Objects(Index));
}

AnsiString TConditions::ConditionsText() const {
    AnsiString r;
    for (Integer i = 0; i < Count(); ++i) {
        TCondition* c = Items(i);
        // A condition with no text (or only a comment) adds nothing.
        if (!c || !c->Enabled() || IsBlankStr(StripSQLComments(ConditionText(Strings(i))))) continue;
        r += Bracketed(ConditionText(Strings(i))) + "\r\n";
        r += "\r\n and ";
    }
    if (!IsBlankStr(r)) r.resize(r.size() - 7);
    return r;
}

void TConditions::Apply() {
    FOwner->BeginModifySQLText();
    FBusy |= bfApplying;
    try {
        const AnsiString conditions = ConditionsText();
        if (FSavedSQL.empty()) FSavedSQL = FOwner->SQL()->Text();
        else RestoreSQL();
        if (!IsBlankStr(conditions)) {
            const AnsiString old = FOwner->MainWhereClause();
            // The statement's own condition is bracketed: an OR in it must not
            // swallow the conditions ANDed after it.
            FOwner->SetMainWhereClause(old.empty() ? conditions : Bracketed(old) + "\r\nand " + conditions);
        }
        FApplied = true;
    } catch (...) {
        FBusy &= static_cast<Byte>(~bfApplying);
        FOwner->EndModifySQLText();
        throw;
    }
    FBusy &= static_cast<Byte>(~bfApplying);
    FOwner->EndModifySQLText();
}

void TConditions::CancelApply() {
    if (FBusy) return;
    FBusy |= bfCancelling;
    try {
        RestoreSQL();
    } catch (...) {
        FBusy &= static_cast<Byte>(~bfCancelling);
        throw;
    }
    FBusy &= static_cast<Byte>(~bfCancelling);
}

void TConditions::RestoreSQL() {
    const Byte was = FBusy;
    const bool wasApplied = FApplied;
    FBusy |= bfRestoring;
    FApplied = false;
    try {
        if (!FSavedSQL.empty() && FSavedSQL != FOwner->SQL()->Text()) FOwner->SQL()->SetText(FSavedSQL);
    } catch (...) {
        // The text stayed as it was (e.g. the statement is open).
        FBusy = was;
        FApplied = wasApplied;
        throw;
    }
    FBusy = was;
}

void TConditions::SaveToStrings(TStrings* Strings) const {
    Strings->BeginUpdate();
    Strings->Clear();
    for (Integer i = 0; i < Count(); ++i) {
        TCondition* c = Items(i);
        Strings->Add(EscapeLineBreaks(ConditionName(this->Strings(i))) + ConditionSeparator +
                     EscapeLineBreaks(ConditionText(this->Strings(i))) + ConditionSeparator +
                     ((c && c->Enabled()) ? "1" : "0"));
    }
    Strings->EndUpdate();
}

void TConditions::LoadFromStrings(TStrings* Strings) {
    Clear();
    FApplied = false;
    for (Integer i = 0; i < Strings->Count(); ++i) {
        const AnsiString line = Strings->Strings(i);
        const auto p = line.find(ConditionSeparator);
        if (p == AnsiString::npos) continue;
        const AnsiString name = line.substr(0, p);
        const AnsiString rest = line.substr(p + ConditionSeparator.size());
        const auto q = rest.find(ConditionSeparator);
        const AnsiString text = q == AnsiString::npos ? rest : rest.substr(0, q);
        const AnsiString enabled = q == AnsiString::npos ? AnsiString() : rest.substr(q + ConditionSeparator.size());
        AddCondition(UnescapeLineBreaks(name), UnescapeLineBreaks(text), Trim(enabled) == "1");
    }
}

AnsiString TConditions::AsText() const {
    TStringList l;
    SaveToStrings(&l);
    return l.Text();
}

void TConditions::SetAsText(const AnsiString& Value) {
    TStringList l;
    l.SetText(Value);
    LoadFromStrings(&l);
}
