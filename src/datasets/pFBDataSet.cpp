// TpFBDataSet: creation, settings, container events, allowed updates, default
// and generator values, formats, user events and the server record count.
#include "datasets/pFBDataSet.h"

#include <algorithm>
#include <cmath>

#include "dbclient/FBDatabase.h"
#include "dbclient/FBTransaction.h"
#include "dbclient/SqlTxtRtns.h"
#include "dbclient/StdFuncs.h"
#include "dbclient/StrUtil.h"
#include "dbclient/pFBDataInfo.h"
#include "dbclient/pFBDatabase.h"
#include "platform/rtl/Guid.h"

namespace {

class TCursorScope {
public:
    explicit TCursorScope(TFBCustomDataSet* D) : FDataSet(D) { D->ChangeScreenCursor(FOld); }
    ~TCursorScope() { FDataSet->RestoreScreenCursor(FOld); }
    TCursorScope(const TCursorScope&) = delete;
    TCursorScope& operator=(const TCursorScope&) = delete;

private:
    TFBCustomDataSet* FDataSet;
    TCursor FOld = 0;
};

}  // namespace

AnsiString FormatForScale(const AnsiString& Format, Integer Scale) {
    if (Format.empty() || Scale <= 0) return Format;
    if (Format.back() == '.') return Format + AnsiString(static_cast<size_t>(Scale), '0');
    const size_t Dot = Format.find('.');
    if (Dot != AnsiString::npos && Format.find('.', Dot + 1) == AnsiString::npos && Dot + 2 == Format.size())
        return Format.substr(0, Dot + 1) + AnsiString(static_cast<size_t>(Scale), Format[Dot + 1]);
    return Format;
}

// ---------------------------------------------------------------------------------------------
// Creation

TpFBDataSet::TpFBDataSet(TComponent* AOwner) : TFBDataSet(AOwner) {
    FDefaultFormats = std::make_unique<TFormatFields>(this);
    FReceiveEvents = std::make_unique<TStringList>();
    FCountQuery = CreateInternalQuery("CountQuery");
    FLockQuery = CreateInternalQuery("LockQuery");
    FCountQuery->OnSQLChanging = nullptr;
    FLockQuery->OnSQLChanging = nullptr;
    // Every change of a statement's text drops what was worked out from the texts.
    for (TFBQuery* Q : {SelectQuery(), InsertQuery(), UpdateQuery(), DeleteQuery(), RefreshQuery()}) {
        TNotifyEvent Prev = Q->OnSQLChanging;
        Q->OnSQLChanging = [this, Prev](TObject* S) {
            if (Prev) Prev(S);
            SQLTextChanged(S);
        };
    }
    // The container's handler may free the data set: its own is then not asked.
    TDataSet::OnPostError = [this](TDataSet* D, EDatabaseError& E, TDataAction& A) {
        ResetArrayFields();
        const TAliveGuard alive(this);
        const TRetryWatch watch = WatchRetry("OnPostError");
        if (Container()) Container()->DataSetError(this, deOnPostError, E, A);
        if (alive.Alive() && OnPostError) FireEvent(OnPostError, D, E, A);
        if (alive.Alive() && A == daRetry) CheckRetry(watch);
    };
    TDataSet::OnDeleteError = [this](TDataSet* D, EDatabaseError& E, TDataAction& A) {
        const TAliveGuard alive(this);
        const TRetryWatch watch = WatchRetry("OnDeleteError");
        if (Container()) Container()->DataSetError(this, deOnDeleteError, E, A);
        if (alive.Alive() && OnDeleteError) FireEvent(OnDeleteError, D, E, A);
        if (alive.Alive() && A == daRetry) CheckRetry(watch);
    };
}

TRetryWatch TpFBDataSet::WatchRetry(const char* Event) const {
    return TRetryWatch(CmpFullName(this), Event,
                       {{Transaction(), "transaction"}, {UpdateTransaction(), "update transaction"}, {Database(), "database"}});
}

void TpFBDataSet::CheckRetry(const TRetryWatch& Watch) const { Watch.Check({Transaction(), UpdateTransaction(), Database()}); }

TpFBDataSet::~TpFBDataSet() {
    BeforeDestruction();
    // Update objects that still point here forget this data set.
    for (TUpdateKind K : {ukModify, ukInsert, ukDelete}) {
        const std::vector<TpFBUpdateObject*> List = FUpdateObjects.List(K);
        for (TpFBUpdateObject* UO : List)
            if (UO != FBlobUpdateObject) UO->SetDataSet(nullptr);
    }
}

void TpFBDataSet::Notification(TComponent* AComponent, TOperation Operation) {
    TFBDataSet::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (auto* UO = dynamic_cast<TpFBUpdateObject*>(AComponent)) {
        FUpdateObjects.Remove(UO);
        if (UO == FBlobUpdateObject) FBlobUpdateObject = nullptr;
    }
}

void TpFBDataSet::SetDataSet_ID(Integer Value) {
    if (Value == FDataSet_ID) return;
    CheckDatasetClosed(" change DataSetID ");
    FDataSet_ID = Value;
    FPrepared = false;
    if (Value != 0) SetPrepareOptions(PrepareOptions() + TpPrepareOptions{psApplyRepositary});
}

void TpFBDataSet::SetPrepareOptions(TpPrepareOptions Value) {
    const bool NewRepository = Value.Contains(psApplyRepositary) && !PrepareOptions().Contains(psApplyRepositary);
    TFBDataSet::SetPrepareOptions(Value);
    if (NewRepository && Active()) ApplyPrepareOptions();
}

AnsiString TpFBDataSet::DefaultExpression(const AnsiString& FieldName) const {
    const auto It = FDefaultExpressions.find(FieldName);
    return It == FDefaultExpressions.end() ? AnsiString() : It->second;
}

void TpFBDataSet::SetDefaultExpression(const AnsiString& FieldName, const AnsiString& Expression) {
    if (Expression.empty())
        FDefaultExpressions.erase(FieldName);
    else
        FDefaultExpressions[FieldName] = Expression;
}

void TpFBDataSet::SetAutoGenerateGuid(const AnsiString& FieldName, bool Value) {
    if (Value)
        FAutoGuids.insert(FieldName);
    else
        FAutoGuids.erase(FieldName);
}

void TpFBDataSet::SQLTextChanged(TObject* Sender) {
    if (Sender == SelectQuery()) FRegenerate = true;
}

// ---------------------------------------------------------------------------------------------
// Update objects

Integer TpFBDataSet::AddUpdateObject(TpFBUpdateObject* UO) {
    if (!UO) return -1;
    const Integer R = FUpdateObjects.Add(UO);
    if (R >= 0) UO->FreeNotification(this);
    return R;
}

void TpFBDataSet::RemoveUpdateObject(TpFBUpdateObject* UO) {
    if (UO) FUpdateObjects.Remove(UO);
}

// ---------------------------------------------------------------------------------------------
// Container events

bool TpFBDataSet::SendEvent(TKindDataSetEvent Kind) {
    if (!Container()) return true;
    const TAliveGuard alive(this);
    Container()->DataSetEvent(this, Kind);
    return alive.Alive();
}

// ---------------------------------------------------------------------------------------------
// Filtered records and visible record numbers

bool TpFBDataSet::IsVisible(TRecordBuffer Buffer) {
    const bool R = TFBDataSet::IsVisible(Buffer);
    // A window's record numbers move with it: the hidden set is the standard model's.
    if (LimitedCache()) return R;
    if (R) FHidden.Remove(BufRecNo(Buffer) + 1);
    else FHidden.Add(BufRecNo(Buffer) + 1);
    return R;
}

void TpFBDataSet::SetFiltered(bool Value) {
    FHidden.Clear();
    FVisibleCountAt = -1;
    TFBDataSet::SetFiltered(Value);
}

void TpFBDataSet::InternalPost() {
    const bool Inserting = State() == dsInsert;
    TFBDataSet::InternalPost();
    if (Inserting) FHidden.ShiftFrom(CurrentRecordNumber() + 1, 1);
    FVisibleCountAt = -1;
}

Integer TpFBDataSet::GetRecNo() const {
    const Integer R = TFBDataSet::GetRecNo();
    if (!Options().Contains(poVisibleRecno) || R < 1) return R;
    // In a window the visible records are counted from its first one.
    if (LimitedCache()) {
        if (State() == dsFilter) return R;
        return Filtered() ? CountVisible(WindowFirst(), R - 1) : R - std::max(WindowFirst(), 0);
    }
    if (State() != dsFilter) SyncVisible();   // every fetched record tested once
    Integer Below = 0;
    FHidden.Find(R, Below);
    return R - Below;
}

void TpFBDataSet::SetRecNoImpl(Integer Value) {
    // A pending insert is posted first: it renumbers the records the visible number is counted over.
    CheckBrowseMode();
    if (LimitedCache() && Options().Contains(poVisibleRecno) && !Filtered()) {
        TFBDataSet::SetRecNoImpl(std::max(Value, 1) + std::max(WindowFirst(), 0));
        return;
    }
    if (LimitedCache() && Options().Contains(poVisibleRecno)) {
        // The Value-th visible record of the window; past its last one nothing moves.
        TTempBuffer B(this);
        for (Integer I = WindowFirst(), N = 0; I >= 0 && I <= WindowLast(); ++I) {
            ReadRecordCache(I, B.Buffer, false);
            if (IsVisible(B.Buffer) && ++N >= std::max(Value, 1)) {
                TFBDataSet::SetRecNoImpl(I + 1);
                return;
            }
        }
        return;
    }
    if (Options().Contains(poVisibleRecno)) SyncVisible();
    if (!Options().Contains(poVisibleRecno) || FHidden.Count() == 0) {
        TFBDataSet::SetRecNoImpl(Value);
        return;
    }
    // The visible number Value is the record whose number, less the hidden ones below it, is Value.
    Integer Physical = Value;
    for (Integer I = 0; I < FHidden.Count() && FHidden.Items(I) <= Physical; ++I) ++Physical;
    TFBDataSet::SetRecNoImpl(Physical);
}

void TpFBDataSet::DoBeforeExecuteSelect() {
    FServerRecordCount = 0;
    if (!PrepareOptions().Contains(psAskRecordCount)) return;
    // The count needs the select's transaction, which the select would start anyway.
    TFBTransaction* Tr = SelectQuery()->Transaction();
    if (Tr && !Tr->Active() && Options().Contains(poStartTransaction)) Tr->StartTransaction();
    FServerRecordCount = GetServerRecordCount();
}

bool TpFBDataSet::IsSequenced() const {
    // A window's numbers say nothing about the record's place in the whole select.
    if (LimitedCache()) return false;
    if (Options().Contains(poVisibleRecno) && Filtered()) return TFBDataSet::IsSequenced();
    return FServerRecordCount > 0 || TFBDataSet::IsSequenced();
}

Integer TpFBDataSet::GetRecordCount() const {
    if (!Options().Contains(poVisibleRecno) || !Filtered() || !RecordsCache()) {
        // Rows not fetched yet count too; rows deleted or added since the count are taken off or added.
        const Integer Base = TFBDataSet::GetRecordCount();
        if (FServerRecordCount <= 0 || UniDirectional()) return Base;
        return std::max(Base, FServerRecordCount + InsertedCount() - DeletedCount());
    }
    return SyncVisible();
}

Integer TpFBDataSet::SyncVisible() const {
    if (!RecordsCache()) return 0;
    const bool Window = LimitedCache();
    // Unfiltered, only a status hides a record: none is hidden while none was taken off.
    if (!Filtered() && !Window && DeletedCount() == 0 &&
        UpdateRecordTypes().Contains(cusUnmodified) && UpdateRecordTypes().Contains(cusModified) &&
        UpdateRecordTypes().Contains(cusInserted)) {
        const_cast<TSortedList&>(FHidden).Clear();
        return FetchedCount();
    }
    const Integer From = Window ? WindowFirst() : 0, To = Window ? WindowLast() : FetchedCount() - 1;
    // Any change of a cached record (a refresh, a cancel, an apply, a move) may change which pass.
    const AnsiString Key = IntToStr(From) + "-" + IntToStr(To) + "/" + IntToStr(DeletedCount()) + "/" +
                           IntToStr(RecordsCache()->Changes()) + "/" +
                           IntToStr(static_cast<Integer>(UpdateRecordTypes().Bits())) + "/" +
                           IntToStr(static_cast<Integer>(FilterOptions().Bits())) + "/" + Filter();
    if (FVisibleCountAt == FetchedCount() && FVisibleCountKey == Key) return FVisibleCount;
    FVisibleCount = CountVisible(From, To);
    FVisibleCountAt = FetchedCount();
    FVisibleCountKey = Key;
    return FVisibleCount;
}

Integer TpFBDataSet::CountVisible(Integer From, Integer To) const {
    auto* Self = const_cast<TpFBDataSet*>(this);
    TTempBuffer B(Self);
    Integer N = 0;
    for (Integer I = std::max(From, 0); I <= To; ++I) {
        Self->ReadRecordCache(I, B.Buffer, false);
        if (Self->IsVisible(B.Buffer)) ++N;
    }
    return N;
}

void TpFBDataSet::DoBeforeOpen() {
    FHidden.Clear();
    FVisibleCountAt = -1;
    PrepareConnection();
    if (!OpenCloseEventsSuppressed() && !SendEvent(deBeforeOpen)) return;
    TFBDataSet::DoBeforeOpen();
}

void TpFBDataSet::DoAfterOpen() {
    FChangesWritten = false;
    FChangesRolledBack = false;
    const bool Designing = ComponentState().Contains(csDesigning);
    if (!Designing && (FRegenerate || FSelectSQLChanged) && AutoUpdateOptions()->AutoReWriteSqls()) {
        TAutoUpdateOptions* O = AutoUpdateOptions();
        if (!O->UpdateOnlyModifiedFields()) {
            GenerateAllModifySQL();
        } else if (!O->UpdateTableName().empty()) {
            const AnsiString Table = ModifyTableText();
            if (IsBlankStr(O->KeyFields())) O->SetKeyFields(KeyFieldsOfTable(O->GetModifyTableName()));
            if (IsBlankStr(O->KeyFields())) O->SetKeyFields(NonBlobFieldsOfTable(O->GetModifyTableName()));
            AnsiString S;
            GenerateModifySQL(Table, O->KeyFields(), S, 0, 3);
            RefreshSQL()->SetText(S);
            GenerateModifySQL(Table, O->KeyFields(), S, 0, 2);
            DeleteSQL()->SetText(S);
        }
    }
    FRegenerate = false;
    FUpdatesPending = false;
    if (!SendEvent(deAfterOpen)) return;
    // Links are made for a newly prepared select only: those set in code since stay.
    if (!Designing && AutoUpdateOptions()->AutoParamsToFields() &&
        SelectQuery()->PrepareCount() != FParamLinkStamp) {
        FParamLinkStamp = SelectQuery()->PrepareCount();
        TFBXSQLDA* Params = SelectQuery()->Params();
        const AnsiString Text = SelectQuery()->SQLText();
        for (Integer I = 0; Params && I < Params->Count(); ++I) {
            const AnsiString PName = Params->Vars(I)->Name();
            AnsiString Expr = FastTrim(FieldNameByParam(Text, PName));
            if (Expr.empty()) continue;
            AnsiString FieldName = Expr;
            const size_t Dot = Expr.find('.');
            if (Dot != AnsiString::npos) {
                const AnsiString Table = TableByAlias(Text, Expr.substr(0, Dot));
                AnsiString Col = Expr.substr(Dot + 1);
                Col = (!Col.empty() && Col[0] == '"') ? UnquoteStr(Col) : FastUpperCase(Col);
                for (Integer K = 0; K < FieldCount(); ++K) {
                    TField* F = Fields()->Fields(K);
                    AnsiString T, C;
                    if (ColumnOrigin(F->FieldNo(), T, C) && F->FieldKind() == fkData &&
                        AsciiEqualStr(T, UnquoteStr(Table), false) && C == Col) {
                        FieldName = F->FieldName();
                        break;
                    }
                }
            }
            AutoUpdateOptions()->ParamsToFieldsLinks()->SetValues(FieldName, PName);
        }
    }
    TFBDataSet::DoAfterOpen();
}

void TpFBDataSet::DoBeforeClose() {
    if (!OpenCloseEventsSuppressed() && !SendEvent(deBeforeClose)) return;
    TFBDataSet::DoBeforeClose();
}

void TpFBDataSet::DoAfterClose() {
    const bool Suppressed = OpenCloseEventsSuppressed();
    if (!Suppressed && !SendEvent(deAfterClose)) return;
    const TAliveGuard alive(this);
    TFBDataSet::DoAfterClose();
    if (alive.Gone()) return;
    if (!Suppressed) FParamLinkStamp = SelectQuery()->PrepareCount();
}

void TpFBDataSet::DoBeforeInsert() {
    FollowBeforeChange(false);
    if (!CanInsert()) Abort();
    if (!CachedUpdates() && !AutoUpdateOptions()->UpdateOnlyModifiedFields()) {
        PrepareQuery(1);
        if (!CanInsert()) Abort();
    }
    if (!SendEvent(deBeforeInsert)) return;
    TFBDataSet::DoBeforeInsert();
}

void TpFBDataSet::DoAfterInsert() {
    if (!SendEvent(deAfterInsert)) return;
    TFBDataSet::DoAfterInsert();
}

void TpFBDataSet::DoBeforeEdit() {
    // The lock and the events concern the record the edit will be made on.
    FollowBeforeChange(true);
    if (!CanEdit()) Abort();
    TAutoUpdateOptions* O = AutoUpdateOptions();
    if (!CachedUpdates() && !O->UpdateOnlyModifiedFields()) {
        PrepareQuery(0);
        if (!CanEdit()) Abort();
    }
    TRecordBuffer B = GetActiveBuf();
    if (Options().Contains(poProtectedEdit) && B && BufStatus(B) == cusUnmodified) {
        LockRecord(true);
        const bool Generate = O->AutoReWriteSqls() || O->UpdateOnlyModifiedFields();
        if (IsBlankStr(RefreshSQL()->Text()) && Generate) {
            AnsiString S;
            GenerateModifySQL(ModifyTableText(), O->KeyFields(), S, 0, 3);
            RefreshSQL()->SetText(S);
        }
        if (!IsBlankStr(RefreshSQL()->Text())) InternalRefreshRow(RefreshQuery(), B, false);
        if (IsBlankStr(UpdateSQL()->Text()) && Generate) {
            const bool Saved = O->UpdateOnlyModifiedFields();
            O->SetUpdateOnlyModifiedFields(false);
            AnsiString S;
            try {
                GenerateModifySQL(ModifyTableText(), O->KeyFields(), S, 0, 0);
            } catch (...) {
                O->SetUpdateOnlyModifiedFields(Saved);
                throw;
            }
            O->SetUpdateOnlyModifiedFields(Saved);
            UpdateSQL()->SetText(S);
        }
    }
    if (!SendEvent(deBeforeEdit)) return;
    TFBDataSet::DoBeforeEdit();
}

void TpFBDataSet::DoAfterEdit() {
    if (!SendEvent(deAfterEdit)) return;
    TFBDataSet::DoAfterEdit();
}

void TpFBDataSet::DoBeforePost() {
    if (State() == dsInsert && AutoUpdateOptions()->WhenGetGenID() == wgBeforePost) ApplyGeneratorValue();
    if (!SendEvent(deBeforePost)) return;
    const TAliveGuard alive(this);
    TFBDataSet::DoBeforePost();
    if (alive.Gone()) return;
    if (!CachedUpdates()) PrepareModifiedFieldsSQL(State());
}

void TpFBDataSet::DoAfterPost() {
    if (!SendEvent(deAfterPost)) return;
    if (!CachedUpdates() && !AutoCommit() && Options().Contains(poProtectedEdit)) {
        // A further edit in the same transaction needs no second lock.
        if (TRecordBuffer B = GetActiveBuf(); B && BufRecNo(B) >= 0) {
            BufStatus(B) = cusModified;
            WriteRecordCache(BufRecNo(B), B);
        }
    }
    // AfterPost's handler, or one the apply runs, may free the data set.
    const TAliveGuard alive(this);
    TFBDataSet::DoAfterPost();
    if (alive.Gone()) return;
    if (CachedUpdates() && AutoCommit()) {
        ApplyCachedUpdatesThen([this] { AutoCommitUpdates(); });
        if (alive.Gone()) return;
        ResetUpdateStatuses(rmAfterApply, true);
    }
    RefreshMaster();
}

void TpFBDataSet::DoBeforeCancel() {
    const TAliveGuard alive(this);
    TFBDataSet::DoBeforeCancel();
    if (alive.Gone()) return;
    SendEvent(deBeforeCancel);
}

void TpFBDataSet::DoAfterCancel() {
    if (!SendEvent(deAfterCancel)) return;
    TFBDataSet::DoAfterCancel();
}

void TpFBDataSet::DoBeforeDelete() {
    FollowBeforeChange(true);
    if (!CanDelete()) Abort();
    if (!CachedUpdates() && !AutoUpdateOptions()->UpdateOnlyModifiedFields()) {
        PrepareQuery(2);
        if (!CanDelete()) Abort();
    }
    if (!SendEvent(deBeforeDelete)) return;
    TFBDataSet::DoBeforeDelete();
}

void TpFBDataSet::DoAfterDelete() {
    if (!SendEvent(deAfterDelete)) return;
    if (CachedUpdates() && AutoCommit()) {
        const TAliveGuard alive(this);
        ApplyCachedUpdatesThen([this] { AutoCommitUpdates(); });
        if (alive.Gone()) return;
        ResetUpdateStatuses(rmAfterApply, true);
    }
    TFBDataSet::DoAfterDelete();
}

void TpFBDataSet::DoBeforeScroll() {
    if (!SendEvent(deBeforeScroll)) return;
    TFBDataSet::DoBeforeScroll();
}

void TpFBDataSet::DoAfterScroll() {
    if (!SendEvent(deAfterScroll)) return;
    TFBDataSet::DoAfterScroll();
}

void TpFBDataSet::DoBeforeRefresh() {
    if (!SendEvent(deBeforeRefresh)) return;
    TFBDataSet::DoBeforeRefresh();
}

void TpFBDataSet::DoAfterRefresh() {
    if (!SendEvent(deAfterRefresh)) return;
    TFBDataSet::DoAfterRefresh();
}

void TpFBDataSet::DoOnCalcFields() {
    if (!SendEvent(deOnCalcFields)) return;
    TFBDataSet::DoOnCalcFields();
}

void TpFBDataSet::DoOnNewRecord() {
    ApplyDefaultValues();
    if (!SendEvent(deOnNewRecord)) return;
    TFBDataSet::DoOnNewRecord();
}

// ---------------------------------------------------------------------------------------------
// Allowed updates

bool TpFBDataSet::CanAutoGenerateSQL() const {
    const TAutoUpdateOptions* O = AutoUpdateOptions();
    return O->UpdateOnlyModifiedFields() && O->AutoReWriteSqls() && O->CanChangeSQLs() && !IsBlankStr(O->KeyFields()) &&
           !IsBlankStr(O->UpdateTableName());
}

bool TpFBDataSet::CanDo(TUpdateKind Kind, bool Inherited) {
    const bool Possible = Inherited || FUpdateObjects.AnyActive(Kind) || CanAutoGenerateSQL() ||
                          (CachedUpdates() && OnUpdateRecord);
    return Possible && AllowedUpdateKinds().Contains(Kind);
}

bool TpFBDataSet::CanEdit() { return CanDo(ukModify, TFBDataSet::CanEdit()); }
bool TpFBDataSet::CanInsert() { return CanDo(ukInsert, TFBDataSet::CanInsert()); }
bool TpFBDataSet::CanDelete() { return CanDo(ukDelete, TFBDataSet::CanDelete()); }

// ---------------------------------------------------------------------------------------------
// Opening and preparing

void TpFBDataSet::InternalOpen() {
    TFBDataSet::InternalOpen();
    ApplyPrepareOptions();
}

void TpFBDataSet::Prepare() {
    TCursorScope Scope(this);
    PrepareConnection();
    if (PrepareOptions().Contains(psApplyRepositary) && FDataSet_ID != 0 && FDataSet_ID != FLoadedDataSet_ID)
        ApplyRepository();
    TFBDataSet::Prepare();
}

void TpFBDataSet::ApplyRepository() {
    TFBDatabase* Db = Database();
    if (!Db) return;
    TpDataSetInfo* Info = GlobalDataSetInfo()->GetDataSetInfo(Db, FDataSet_ID, Name(),
                                                              ComponentState().Contains(csDesigning));
    if (!Info) return;
    const bool WasApplied = Conditions()->Applied();
    if (WasApplied) Conditions()->CancelApply();
    // An empty stored text leaves the screen's own text in place.
    const auto Take = [](TStrings* Own, TStringList* Stored) {
        if (Stored->Count() > 0 && Own->Text() != Stored->Text()) Own->Assign(Stored);
    };
    Take(SelectSQL(), Info->SelectSQL());
    Take(InsertSQL(), Info->InsertSQL());
    Take(UpdateSQL(), Info->UpdateSQL());
    Take(DeleteSQL(), Info->DeleteSQL());
    Take(RefreshSQL(), Info->RefreshSQL());
    TAutoUpdateOptions* O = AutoUpdateOptions();
    if (Info->KeyField.empty() || Info->NameGenerator.empty())
        O->SetWhenGetGenID(wgNever);
    else if (O->WhenGetGenID() == wgNever)
        O->SetWhenGetGenID(wgBeforePost);
    O->SetKeyFields(Info->KeyField);
    O->SetGeneratorName(Info->NameGenerator);
    // Stored values apply as stored, empty ones too; a column the table lacks changes nothing.
    if (Info->HasUpdateOnlyModifiedFields) O->SetUpdateOnlyModifiedFields(Info->UpdateOnlyModifiedFields);
    if (Info->HasUpdateTableName) O->SetUpdateTableName(Info->UpdateTableName);
    if (Info->HasDescription) FDescription = Info->Description;
    if (Info->HasConditions) Conditions()->SetAsText(Info->Conditions);
    FLoadedDataSet_ID = FDataSet_ID;
    if (WasApplied) Conditions()->Apply();
}

AnsiString TpFBDataSet::MainTable() {
    if (AutoUpdateOptions()->AutoReWriteSqls()) return AutoUpdateOptions()->GetModifyTableName();
    TFBQuery* Q = IsBlankStr(UpdateSQL()->Text()) ? InsertQuery() : UpdateQuery();
    return Q->ModifyTable();
}

void TpFBDataSet::ApplyPrepareOptions() {
    // Also while opening: the fields exist once the cursor is open.
    if (!IsCursorOpen()) return;
    const TpFBDsOptions O = Options();
    TFormatFields* F = FDefaultFormats.get();
    for (Integer I = 0; I < FieldCount(); ++I) {
        TField* Fld = Fields()->Fields(I);
        TFBFieldDescr* D = DescrOf(Fld);
        const Integer Scale = D ? -static_cast<SmallInt>(D->Scale) : 0;
        if (O.Contains(poAutoFormatFields)) switch (Fld->DataType()) {
            case ftSmallint: case ftInteger: case ftFloat: case ftLargeint:
                if (Scale > 0) {
                    if (Fld->DisplayFormat().empty())
                        Fld->SetDisplayFormat(FormatForScale(F->NumericDisplayFormat(), Scale));
                    if (Fld->EditFormat().empty()) Fld->SetEditFormat(FormatForScale(F->NumericEditFormat(), Scale));
                }
                break;
            case ftBCD:
                if (Fld->Size() > 0) {
                    if (Fld->DisplayFormat().empty())
                        Fld->SetDisplayFormat(FormatForScale(F->NumericDisplayFormat(), Fld->Size()));
                    if (Fld->EditFormat().empty())
                        Fld->SetEditFormat(FormatForScale(F->NumericEditFormat(), Fld->Size()));
                }
                break;
            case ftDate:
                if (Fld->DisplayFormat().empty()) Fld->SetDisplayFormat(F->DisplayFormatDate());
                break;
            case ftTime:
                if (Fld->DisplayFormat().empty()) Fld->SetDisplayFormat(F->DisplayFormatTime());
                break;
            case ftDateTime:
                if (Fld->DisplayFormat().empty()) Fld->SetDisplayFormat(F->DateTimeDisplayFormat());
                break;
            default:
                break;
        }
        ApplyColumnInfo(Fld);
    }
}

void TpFBDataSet::ApplyColumnInfo(TField* Fld) {
    const TpPrepareOptions P = PrepareOptions();
    TFBDatabase* Db = Database();
    const bool Repository = P.Contains(psApplyRepositary) && Db && Db->UseRepositories().Contains(urFieldsInfo);
    const bool Memo = dynamic_cast<TFBMemoField*>(Fld) && P.Contains(psSupportUnicodeBlobs);
    if (!Db || !(P.Contains(pfSetRequiredFields) || P.Contains(pfSetReadOnlyFields) ||
                 P.Contains(pfImportDefaultValues) || P.Contains(psUseBooleanField) || Repository || Memo))
        return;
    AnsiString Table, Column;
    const bool Data = Fld->FieldKind() == fkData && ColumnOrigin(Fld->FieldNo(), Table, Column);
    if (!Fld->ReadOnly() && P.Contains(pfSetReadOnlyFields) && Data) {
        // A field of another table than the one the statements change cannot be written.
        const TAutoUpdateOptions* O = AutoUpdateOptions();
        const AnsiString Main = UnquoteStr(MainTable());
        bool Other;
        if (O->AutoReWriteSqls()) {
            Other = !AsciiEqualStr(Table, Main, false);
            if (!Other && O->HasAlias()) {
                const AnsiString Alias = FieldTableAlias(Fld->FieldName());
                Other = !Alias.empty() && !SameIdentifiers(Alias, AutoUpdateOptions()->GetModifyTableAlias());
            }
        } else {
            Other = !(CachedUpdates() && OnUpdateRecord) && Table != Main;
        }
        if (Other) Fld->SetReadOnly(true);
    }
    TpFBFieldInfo* Info = Data ? GetFieldInfo(Db, Table, Column, Repository) : nullptr;
    if (!Info) Info = GetFieldInfo(Db, "ALIAS", Fld->FieldName(), Repository);
    if (!Info) return;
    if (auto* M = dynamic_cast<TFBMemoField*>(Fld); M && Memo) M->SetCharacterSet(Info->CharacterSetId);
    const AnsiString Default = FastTrim(Info->DefaultText);
    if (auto* S = dynamic_cast<TFBStringField*>(Fld); S && P.Contains(pfImportDefaultValues))
        S->SetDefaultIsEmptyString(Info->DefaultIsEmptyString);
    if (P.Contains(pfImportDefaultValues) && !Default.empty() && DefaultExpression(Fld->FieldName()).empty()) {
        AnsiString Expr = Default;
        if (dynamic_cast<TNumericField*>(Fld) || Fld->DataType() == ftBCD) {
            if (FormatSettings.DecimalSeparator != '.')
                std::replace(Expr.begin(), Expr.end(), '.', FormatSettings.DecimalSeparator);
        } else if (dynamic_cast<TDateTimeField*>(Fld)) {
            const Integer Kind = Fld->DataType() == ftDate ? 1 : (Fld->DataType() == ftTime ? 2 : 0);
            if (!IsSQLConstantWord(Expr)) {
                try {
                    Expr = NormalizeDateText(Expr, Kind);
                } catch (EConvertError&) {
                    // A default the server takes but this program cannot read stays as written.
                }
            }
        } else if (dynamic_cast<TFBStringField*>(Fld)) {
            Expr = "'" + Expr + "'";
        }
        SetDefaultExpression(Fld->FieldName(), Expr);
    }
    if (Fld->FieldKind() == fkData) {
        if (P.Contains(pfSetReadOnlyFields) && !P.Contains(psCanEditComputedFields) && Info->Computed)
            Fld->SetReadOnly(true);
        if (P.Contains(pfSetRequiredFields)) {
            TFBFieldDescr* D = DescrOf(Fld);
            Fld->SetRequired(D && !D->Nullable && Default.empty() && !Info->FilledByTrigger);
        }
    }
    if (Repository && Info->HasRepositoryInfo) {
        if (Info->DisplayWidth != 0) Fld->SetDisplayWidth(Info->DisplayWidth);
        if (!Info->DisplayLabel.empty()) Fld->SetDisplayLabel(Info->DisplayLabel);
        Fld->SetVisible(Info->Visible);
        const bool Numeric = dynamic_cast<TNumericField*>(Fld) != nullptr;
        if (!Info->DisplayFormat.empty() && (Numeric || dynamic_cast<TDateTimeField*>(Fld)))
            Fld->SetDisplayFormat(Info->DisplayFormat);
        if (!Info->EditFormat.empty() && Numeric) Fld->SetEditFormat(Info->EditFormat);
    }
}

// ---------------------------------------------------------------------------------------------
// Generator and default values

void TpFBDataSet::ApplyGeneratorValue() {
    if (AutoUpdateOptions()->WhenGetGenID() == wgNever) return;
    if (!Database()) FBError(21, {CmpFullName(this)});
    TField* Key = FindField(FastTrim(AutoUpdateOptions()->KeyFields()));
    if (!Key || !dynamic_cast<TNumericField*>(Key) || !Key->IsNull()) return;
    const Int64 V = Database()->Gen_Id(AutoUpdateOptions()->GeneratorName(), AutoUpdateOptions()->GeneratorStep(),
                                       Transaction());
    if (auto* B = dynamic_cast<TFBBCDField*>(Key); B && B->Size() == 0)
        B->SetAsInt64(V);
    else
        Key->SetAsInteger(static_cast<Integer>(V));
}

void TpFBDataSet::DoApplyDefaultValue(TField* Field, bool& Handled) {
    // Either handler may free the data set: the new record goes with it.
    const TAliveGuard alive(this);
    if (Container()) Container()->ApplyDefaultValue(this, Field, Handled);
    if (alive.Gone()) Abort();
    if (OnApplyDefaultValue) FireEvent(OnApplyDefaultValue, this, Field, Handled);
    if (alive.Gone()) Abort();
}

void TpFBDataSet::ApplyDefaultValues() {
    TAutoUpdateOptions* O = AutoUpdateOptions();
    const AnsiString KeyName = FastTrim(O->KeyFields());
    if (O->WhenGetGenID() == wgOnNewRecord)
        ApplyGeneratorValue();
    else if (O->WhenGetGenID() == wgBeforePost)
        if (TField* K = FindField(KeyName)) K->SetRequired(false);
    TDateTime Diff = 0;
    if (auto* Db = dynamic_cast<TpFBDatabase*>(Database())) Diff = Db->TimeDifference();
    for (Integer I = 0; I < FieldCount(); ++I) {
        TField* F = Fields()->Fields(I);
        if (O->WhenGetGenID() != wgNever && F->FieldName() == KeyName) continue;
        if (auto* S = dynamic_cast<TFBStringField*>(F); S && S->DefaultIsEmptyString()) {
            S->SetAsString("");
            continue;
        }
        if (auto* G = dynamic_cast<TFBGuidField*>(F)) {
            if (AutoGenerateGuid(F->FieldName())) G->SetAsGuid(NewGUID());
            continue;
        }
        const AnsiString Param = O->ParamsToFieldsLinks()->Values(F->FieldName());
        if (!Param.empty()) {
            if (TFBXSQLVAR* P = SelectQuery()->FindParam(Param)) {
                F->SetAsVariant(P->Value());
                continue;
            }
        }
        const AnsiString Expr = DefaultExpression(F->FieldName());
        const AnsiString Key = UnquoteStr(FastUpperCase(FastTrim(Expr)));
        if (Key.empty()) continue;
        bool Handled = false;
        DoApplyDefaultValue(F, Handled);
        if (Handled) continue;
        const bool IsDate = dynamic_cast<TDateTimeField*>(F) != nullptr;
        const TDateTime NowV = Now() - Diff;
        const TDateTime Today = std::floor(NowV);
        if (Key == "NULL") continue;
        if (IsDate) {
            if (Key == "NOW" || Key == "CURRENT_TIME" || Key == "CURRENT_TIMESTAMP") F->SetAsDateTime(NowV);
            else if (Key == "TODAY" || Key == "CURRENT_DATE") F->SetAsDateTime(Today);
            else if (Key == "TOMORROW") F->SetAsDateTime(Today + 1);
            else if (Key == "YESTERDAY") F->SetAsDateTime(Today - 1);
            else F->SetAsString(Expr);
            continue;
        }
        if ((Key == "USER" || Key == "CURRENT_USER") && Database())
            F->SetAsString(Database()->GetDBParamByDPB(28));
        else if ((Key == "ROLE" || Key == "CURRENT_ROLE") && Database())
            F->SetAsString(Database()->GetDBParamByDPB(60));
        else if (dynamic_cast<TFBStringField*>(F) && !Expr.empty() && Expr[0] == '\'' && Expr.size() >= 2)
            F->SetAsString(Expr.substr(1, Expr.size() - 2));
        else
            F->SetAsString(Expr);
    }
}

// ---------------------------------------------------------------------------------------------
// User events and the server record count

void TpFBDataSet::DoUserEvent(TObject* Sender, const AnsiString& EventName, const Variant& Info) {
    const AnsiString Upper = FastUpperCase(EventName);
    if (Upper == "CLOSE")
        Close();
    else if (Upper == "OPEN")
        Open();
    else if (Container()) {
        const TAliveGuard alive(this);
        Container()->UserEvent(Sender, this, EventName, Info);
        if (alive.Gone()) return;
    }
    if (OnUserEvent) FireEvent(OnUserEvent, Sender, this, EventName, Info);
}

Integer TpFBDataSet::GetServerRecordCount() {
    TFBTransaction* Tr = SelectQuery()->Transaction();
    if (!Tr || !Tr->Active()) return 0;
    const TAliveGuard alive(this);
    try {
        FCountQuery->Close();
        FCountQuery->SetDatabase(SelectQuery()->Database());
        FCountQuery->SetTransaction(Tr);
        AnsiString Sql;
        if (OnAskRecordCount) FireEvent(OnAskRecordCount, this, Sql);
        if (alive.Gone()) Abort();   // the open goes with its data set
        if (Sql.empty()) Sql = MakeCountSQL(SelectQuery()->SQLText());
        if (Sql != FCountQuery->SQLText()) FCountQuery->SQL()->SetText(Sql);
        FCountQuery->Prepare();
        TFBXSQLDA* Params = FCountQuery->Params();
        for (Integer I = 0; Params && I < Params->Count(); ++I)
            if (TFBXSQLVAR* P = SelectQuery()->FindParam(Params->Vars(I)->Name())) Params->Vars(I)->Assign(P);
        FCountQuery->ExecQuery();
        if (FCountQuery->Bof() && !FCountQuery->Eof()) FCountQuery->Next();
        const Integer R = FCountQuery->Eof() ? 0 : FCountQuery->Fields(0)->AsInteger();
        FCountQuery->Close();
        return R;
    } catch (Exception&) {
        if (alive.Gone()) throw;
        FCountQuery->Close();
        throw Exception("%s unable to get number of records", {CmpFullName(this)});
    }
}
