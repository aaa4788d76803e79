// TpFBDataSet: running and generating the modifying statements, update
// objects, record locks, cached updates and the end of the update transaction.
#include "datasets/pFBDataSet.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "dbclient/FBDatabase.h"
#include "dbclient/FBTransaction.h"
#include "dbclient/SqlTxtRtns.h"
#include "dbclient/StdFuncs.h"
#include "dbclient/StrUtil.h"
#include "dbclient/pFBDataInfo.h"

namespace {

constexpr const char* CRLF = "\r\n";
constexpr const char* NoAction = "No Action";

bool IsPending(Byte Status) { return Status == cusModified || Status == cusInserted || Status == cusDeleted; }

bool SameValue(const Variant& A, const Variant& B) {
    const bool NA = VarIsNull(A) || VarIsEmpty(A), NB = VarIsNull(B) || VarIsEmpty(B);
    if (NA || NB) return NA == NB;
    return VarCompareValue(A, B) == vrEqual;
}

bool FirstLineIsNoAction(TStrings* S) { return S->Count() > 0 && S->Strings(0) == NoAction; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Helpers

bool TpFBDataSet::StatementHasWork(TFBQuery* Qry) const {
    return !IsBlankStr(Qry->SQL()->Text()) && !FirstLineIsNoAction(Qry->SQL());
}

void TpFBDataSet::StartUpdateTransaction(TFBTransaction* Tr) {
    if (!Tr) Tr = UpdateTransaction();
    if (!Tr || Tr->Active() || !Options().Contains(poStartTransaction)) return;
    if (Tr->DatabaseCount() == 0 && !Tr->DefaultDatabase()) Tr->SetDefaultDatabase(Database());
    Tr->StartTransaction();
}

void TpFBDataSet::FillParams(TFBQuery* Qry, TRecordBuffer Buffer) { SetInternalSQLParams(Qry, Buffer); }

bool TpFBDataSet::ColumnOrigin(Integer FieldNo, AnsiString& Table, AnsiString& Column) const {
    TFBXSQLDA* Cols = SelectQuery()->Current();
    if (!Cols || FieldNo < 1 || FieldNo > Cols->Count()) return false;
    TFBXSQLVAR* V = Cols->Vars(FieldNo - 1);
    Table = V->RelationName();
    Column = V->SQLName();
    return !Table.empty();
}

AnsiString TpFBDataSet::FieldTableAlias(const AnsiString& FieldName) const {
    const AnsiString Expr = FastTrim(ExpressionByAlias(SelectQuery()->SQLText(), FieldName));
    const size_t Dot = Expr.find('.');
    return Dot == AnsiString::npos ? AnsiString() : UnquoteStr(Expr.substr(0, Dot));
}

AnsiString TpFBDataSet::ModifyTableText() {
    TAutoUpdateOptions* O = AutoUpdateOptions();
    const AnsiString Table = O->GetModifyTableName();
    return O->HasAlias() ? Table + " " + O->GetModifyTableAlias() : Table;
}

void TpFBDataSet::ExecUpdateObjects(TUpdateKind Kind, TRecordBuffer Buffer, TFBOrderExecUO Order) {
    const TAliveGuard alive(this);
    const bool Ran = FUpdateObjects.Execute(Kind, Order, [this, Buffer](TpFBUpdateObject* UO) {
        if (!UO->Database()) UO->SetDatabase(Database());
        if (!UO->Transaction()) UO->SetTransaction(UpdateTransaction());
        StartUpdateTransaction(UO->Transaction());
        FillParams(UO, Buffer);
    });
    // A handler freed the data set in the middle of its work: that work ends here, quietly.
    if (alive.Gone()) Abort();
    if (Ran) FChangesWritten = true;
}

// ---------------------------------------------------------------------------------------------
// Running the statements

bool TpFBDataSet::RecordSavepoint(TUpdateKind Kind) {
    // One statement is all or nothing by itself; an apply holds a savepoint of its own. A change
    // that commits holds one too: a refused commit takes the change back.
    if (CachedUpdates()) return false;
    bool Needed = AutoCommit() || (Kind != ukDelete && FBlobUpdateObject && FBlobUpdateObject->Active());
    for (TpFBUpdateObject* UO : FUpdateObjects.List(Kind)) Needed = Needed || UO->Active();
    if (!Needed) return false;
    StartUpdateTransaction(UpdateTransaction());
    return RunSavepoint("SAVEPOINT FB_RECORD");
}

void TpFBDataSet::EndRecordSavepoint(bool Kept, bool Refused) {
    if (!Refused && !CachedUpdates() && AutoCommit()) {
        AutoCommitUpdates();   // the commit ends the savepoint with the work
        return;
    }
    if (!Kept) return;
    if (!Refused) {
        RunSavepoint("RELEASE SAVEPOINT FB_RECORD");
        return;
    }
    try {
        RunSavepoint("ROLLBACK TO SAVEPOINT FB_RECORD");
    } catch (...) {
        // The statement's own error is the one reported.
    }
}

void TpFBDataSet::InternalPostRecord(TFBQuery* Qry, TRecordBuffer Buff) {
    const TUpdateKind Kind = Qry == InsertQuery() ? ukInsert : ukModify;
    // The record's statements go back together when one of them is refused.
    const bool Kept = RecordSavepoint(Kind);
    TTypedRecord Typed;
    const TAliveGuard alive(this);   // an update object's handler may free the data set
    try {
        PostRecordStatements(Qry, Buff, Kind, Typed);
        EndRecordSavepoint(Kept, false);
    } catch (...) {
        if (alive.Gone()) throw;
        EndRecordSavepoint(Kept, true);
        if (Typed.Saved && IsCursorOpen()) {
            UndoRecord(Typed.Cache);
            std::memcpy(Buff, Typed.Buffer.data(), Typed.Buffer.size());
        }
        if (Typed.Held) EndHoldingStreams(true);
        throw;
    }
    if (Typed.Held) EndHoldingStreams(false);
    BufStatus(Buff) = cusUnmodified;
    SetModified(false);
    WriteRecordCache(BufRecNo(Buff), Buff);
    if (!IsBlankStr(RefreshSQL()->Text()) && Options().Contains(poRefreshAfterPost) &&
        CacheModelOptions()->CacheModelKind() == cmkStandard) {
        try {
            DoBeforeRefresh();
            InternalRefreshRow(RefreshQuery(), Buff, false);
        } catch (...) {
            // The row is stored (an apply takes back all it did): the post stands, the error follows.
            if (CachedUpdates()) throw;
            FPostedRowError = std::current_exception();
            return;
        }
        DoAfterRefresh();
    }
}

void TpFBDataSet::PostRecordStatements(TFBQuery* Qry, TRecordBuffer Buff, TUpdateKind Kind, TTypedRecord& Typed) {
    ExecUpdateObjects(Kind, Buff, oeBeforeDefault);
    CheckDatasetOpen(" continue post ");
    if (StatementHasWork(Qry)) {
        StartUpdateTransaction(Qry->Transaction());
        FillParams(Qry, Buff);
        if (Qry->Open()) Qry->Close();
        Qry->ExecQuery();
        FChangesWritten = true;
        const Integer T = Qry->SQLType();
        if (T == SQLSelect || T == SQLExecProcedure || T == SQLSelectForUpdate) {
            // The statement hands back the stored row (values set by triggers). The streams it
            // drops stay alive until the post stands: a refusal gives them back to the record.
            Typed.Cache = SaveRecordUndo(BufRecNo(Buff));
            Typed.Buffer.assign(Buff, Buff + RecordBufferSize());
            Typed.Saved = true;
            Typed.Held = !FHoldingStreams;
            HoldDroppedStreams();
            WriteRecordCache(BufRecNo(Buff), Buff);
            try {
                if (T != SQLExecProcedure && Qry->Bof() && !Qry->Eof()) Qry->Next();
                if (T == SQLExecProcedure || !Qry->Eof()) {
                    const Byte Flag = BufFlag(Buff);
                    FetchCurrentRecordToBuffer(Qry, BufRecNo(Buff), Buff);
                    BufFlag(Buff) = Flag;
                }
            } catch (...) {
                Qry->Close();
                throw;
            }
            Qry->Close();
        }
    }
    if (FBlobUpdateObject && FBlobUpdateObject->Active()) FBlobUpdateObject->SetKindUpdate(Kind);
    ExecUpdateObjects(Kind, Buff, oeAfterDefault);
}

void TpFBDataSet::InternalDeleteRecord(TFBQuery* Qry, TRecordBuffer Buff) {
    if (FirstLineIsNoAction(Qry->SQL())) {
        // Nothing runs, but the record leaves the view: the base counts it as deleted.
        BufStatus(Buff) = cusDeletedApplied;
        WriteRecordCache(BufRecNo(Buff), Buff);
        return;
    }
    StartUpdateTransaction(Qry->Transaction());
    const bool Kept = RecordSavepoint(ukDelete);
    const TAliveGuard alive(this);   // an update object's handler may free the data set
    try {
        ExecUpdateObjects(ukDelete, Buff, oeBeforeDefault);
        if (!IsBlankStr(Qry->SQL()->Text())) {
            FillParams(Qry, Buff);
            Qry->ExecQuery();
            FChangesWritten = true;
        }
        ExecUpdateObjects(ukDelete, Buff, oeAfterDefault);
        EndRecordSavepoint(Kept, false);
    } catch (...) {
        if (!alive.Gone()) EndRecordSavepoint(Kept, true);
        throw;
    }
    BufStatus(Buff) = cusDeletedApplied;
    WriteRecordCache(BufRecNo(Buff), Buff);
}

void TpFBDataSet::DoAfterEndUpdateTransaction(TObject* EndingTR, TTransactionAction Action, bool Force) {
    const TAliveGuard alive(this);
    TFBDataSet::DoAfterEndUpdateTransaction(EndingTR, Action, Force);
    if (alive.Gone()) return;
    if (Action == TACommit || Action == TACommitRetaining) {
        if (Options().Contains(poProtectedEdit) && !CachedUpdates() && Active()) ResetUpdateStatuses(rmAfterCommit, false);
    } else {
        FChangesRolledBack = FChangesWritten;
    }
    FChangesWritten = false;
}

// ---------------------------------------------------------------------------------------------
// Generating the statements

AnsiString TpFBDataSet::NonBlobFieldsOfTable(const AnsiString& TableName) {
    AnsiString R;
    for (Integer I = 0; I < FieldCount(); ++I) {
        TField* F = Fields()->Fields(I);
        AnsiString T, C;
        if (F->FieldKind() != fkData || F->IsBlob() || !ColumnOrigin(F->FieldNo(), T, C) || T != UnquoteStr(TableName))
            continue;
        if (!R.empty()) R += ";";
        R += F->FieldName();
    }
    return R;
}

void TpFBDataSet::GenerateModifySQL(const AnsiString& TableName, const AnsiString& KeyFields, AnsiString& SQL,
                                    Integer FieldsMode, Integer Kind) {
    SQL.clear();
    if (FastTrim(TableName).empty()) return;
    TAutoUpdateOptions* O = AutoUpdateOptions();
    TFBDatabase* Db = Database();
    const Integer Dialect = Db ? Db->SQLDialect() : 3;

    // The columns: the fields, or the field definitions while there are none.
    struct TCol {
        AnsiString Name;
        Integer FieldNo;
        TField* Field;
        bool Blob;
        bool Data;
    };
    std::vector<TCol> Cols;
    if (FieldCount() > 0) {
        for (Integer I = 0; I < FieldCount(); ++I) {
            TField* F = Fields()->Fields(I);
            Cols.push_back({F->FieldName(), F->FieldNo(), F, F->IsBlob(), F->FieldKind() == fkData});
        }
    } else {
        if (O->UpdateOnlyModifiedFields()) return;
        if (!FieldDefs()->Updated() || FieldDefs()->Count() == 0) {
            if (!Prepared()) Prepare();
        }
        for (Integer I = 0; I < FieldDefs()->Count(); ++I) {
            TFieldDef* D = FieldDefs()->Items(I);
            const TFieldType T = D->DataType();
            const bool Blob = T == ftBlob || T == ftMemo || T == ftGraphic || T == ftFmtMemo;
            Cols.push_back({D->Name(), D->FieldNo(), nullptr, Blob, true});
        }
    }

    // The table as given: name and optional alias, split as a FROM entry is (a quoted name keeps its blanks).
    const AnsiString Given = FastTrim(TableName);
    const Integer AliasPos = AliasStartPos(Given);
    const AnsiString RawTable = UnquoteStr(TableNamePart(Given, AliasPos));
    const AnsiString RawAlias = AliasPos == 0 ? AnsiString() : UnquoteStr(AliasPart(Given, AliasPos));
    const AnsiString Table = FormatIdentifierEx(Dialect, RawTable, false);
    const AnsiString Alias = RawAlias.empty() ? Table : FormatIdentifierEx(Dialect, RawAlias, false);
    if (!Db || !GetTableInfo(Db, RawTable, false)) return;

    auto ColumnInfo = [&](const AnsiString& Column) -> TpFBFieldInfo* {
        return GetFieldInfo(Db, RawTable, Column, false);
    };

    static const char* const StatementNames[] = {"UpdateSQL", "InsertSQL", "DeleteSQL", "RefreshSQL"};
    AnsiString Condition = O->CachedKeyCondition();
    if (Condition.empty()) {
        const std::vector<AnsiString> Keys = SplitFieldNames(KeyFields);
        for (auto It = Keys.rbegin(); It != Keys.rend(); ++It) {
            const AnsiString& KeyName = *It;
            const TCol* C = nullptr;
            for (const TCol& X : Cols)
                if (X.Name == KeyName) C = &X;
            if (!C || !C->Data) continue;
            AnsiString T, Col;
            if (!ColumnOrigin(C->FieldNo, T, Col) || FormatIdentifierEx(Dialect, T, false) != Table) continue;
            TpFBFieldInfo* Info = ColumnInfo(Col);
            const bool Usable = Info ? Info->UsableInWhere : !C->Blob;
            if (!Usable) continue;
            if (!Condition.empty()) Condition += " and ";
            Condition += Alias + "." + FormatIdentifier(Dialect, Col) + "=?" + FormatIdentifier(Dialect, "OLD_" + C->Name);
        }
        if (Condition.empty())
            throw Exception("%s: unable to generate %s because fields for \"%s\" do not exist in dataset.",
                            {CmpFullName(this), AnsiString(StatementNames[Kind & 3]), Given});
        const TpFBQueryOptions Saved = SelectQuery()->Options();
        SelectQuery()->SetOptions(Saved + TpFBQueryOptions{qoNoForceIsNull});
        AnsiString Text = SelectQuery()->SQLText();
        SelectQuery()->SetOptions(Saved);
        while (!Text.empty() && (Text.back() == '\n' || Text.back() == '\r')) Text.pop_back();
        O->SetCachedKeyCondition(Condition);
        O->SetCachedSelectText(Text);
    }

    if (Kind == 2) {
        SQL = "Delete from " + Table + " " + Alias + CRLF + "where " + Condition;
        return;
    }
    if (Kind == 3) {
        SQL = AddToWhereClause(O->CachedSelectText(), Condition, true);
        return;
    }
    AnsiString First = Kind == 0 ? "Update " + Table + " " + Alias + " Set" : "Insert into " + Table + "(";
    AnsiString Second = "values (";
    Integer Taken = 0;
    for (const TCol& C : Cols) {
        if (!C.Data) continue;
        if (FieldsMode == 1 && C.Blob) continue;
        if (FieldsMode == 2 && !C.Blob) continue;
        if (O->UpdateOnlyModifiedFields() && C.Field) {
            if (Kind == 0) {
                if (C.Blob ? !BlobFieldModified(C.Field) : SameValue(C.Field->OldValue(), C.Field->NewValue())) continue;
            } else if (C.Field->IsNull()) {
                continue;
            }
        }
        AnsiString T, Col;
        if (!ColumnOrigin(C.FieldNo, T, Col) || FormatIdentifierEx(Dialect, T, false) != Table) continue;
        if (!RawAlias.empty()) {
            const AnsiString FA = FieldTableAlias(C.Name);
            if (!FA.empty() && !SameIdentifiers(FA, RawAlias)) continue;
        }
        if (TpFBFieldInfo* Info = ColumnInfo(Col); Info && Info->Computed &&
                                                    !PrepareOptions().Contains(psCanEditComputedFields))
            continue;
        const AnsiString Sep = Taken > 0 ? "," : "";
        const AnsiString ColName = FormatIdentifier(Dialect, Col);
        const AnsiString Param = FormatIdentifier(Dialect, "NEW_" + C.Name);
        if (Kind == 0) {
            First += Sep + CRLF + "     " + ColName + "=?" + Param;
        } else {
            First += Sep + CRLF + "     " + ColName;
            Second += Sep + CRLF + "     " + "?" + Param;
        }
        ++Taken;
    }
    if (Taken == 0)
        SQL = NoAction;
    else if (Kind == 0)
        SQL = First + CRLF + "where " + Condition;
    else
        SQL = First + CRLF + ")" + CRLF + Second + CRLF + ")";
}

void TpFBDataSet::GenerateAllModifySQL() {
    if (FGenerating) return;
    FGenerating = true;
    struct TReset {
        bool& F;
        ~TReset() { F = false; }
    } Reset{FGenerating};
    TAutoUpdateOptions* O = AutoUpdateOptions();
    if (IsBlankStr(O->UpdateTableName())) return;
    const AnsiString Table = O->GetModifyTableName();
    if (IsBlankStr(O->KeyFields())) O->SetKeyFields(KeyFieldsOfTable(Table));
    if (IsBlankStr(O->KeyFields())) O->SetKeyFields(NonBlobFieldsOfTable(Table));
    if (IsBlankStr(O->KeyFields())) return;
    const AnsiString TableText = ModifyTableText();
    const Integer Mode = O->SeparateBlobUpdate() ? 1 : 0;
    AnsiString S;
    const bool Change = O->CanChangeSQLs();
    if (Change || IsBlankStr(DeleteSQL()->Text())) {
        GenerateModifySQL(TableText, O->KeyFields(), S, 0, 2);
        DeleteSQL()->SetText(S);
    }
    if (Change || IsBlankStr(UpdateSQL()->Text())) {
        GenerateModifySQL(TableText, O->KeyFields(), S, Mode, 0);
        UpdateSQL()->SetText(S);
    }
    if (Change || IsBlankStr(InsertSQL()->Text())) {
        GenerateModifySQL(TableText, O->KeyFields(), S, Mode, 1);
        InsertSQL()->SetText(S);
    }
    PrepareBlobUpdateObject();
    if (Change || IsBlankStr(RefreshSQL()->Text())) {
        GenerateModifySQL(TableText, O->KeyFields(), S, 0, 3);
        RefreshSQL()->SetText(S);
    }
}

void TpFBDataSet::PrepareBlobUpdateObject() {
    TAutoUpdateOptions* O = AutoUpdateOptions();
    if (!O->SeparateBlobUpdate() || BlobFieldCount() == 0) return;
    if (!FBlobUpdateObject) {
        FBlobUpdateObject = new TpFBUpdateObject(this);
        FBlobUpdateObject->SetName("BlobUpdateObject");
        FBlobUpdateObject->SetActive(false);
    }
    FBlobUpdateObject->SetDatabase(Database());
    FBlobUpdateObject->SetTransaction(UpdateTransaction());
    FBlobUpdateObject->SetExecuteOrder(oeAfterDefault);
    FBlobUpdateObject->SetKindUpdate(ukModify);
    FBlobUpdateObject->SetDataSet(this);
    const AnsiString Table = ModifyTableText();
    AnsiString S;
    GenerateModifySQL(Table, O->KeyFields(), S, 2, 0);
    FBlobUpdateObject->SQL()->SetText(S);
    if (!FirstLineIsNoAction(FBlobUpdateObject->SQL())) FBlobUpdateObject->SetActive(true);
}

void TpFBDataSet::PrepareModifiedFieldsSQL(TDataSetState AState) {
    TAutoUpdateOptions* O = AutoUpdateOptions();
    if (!O->UpdateOnlyModifiedFields() || IsBlankStr(O->KeyFields()) || IsBlankStr(O->UpdateTableName())) return;
    const Integer Mode = O->SeparateBlobUpdate() ? 1 : 0;
    const AnsiString Table = ModifyTableText();
    AnsiString S;
    if (AState == dsEdit) {
        GenerateModifySQL(Table, O->KeyFields(), S, Mode, 0);
        if (S + CRLF != UpdateQuery()->SQLText()) UpdateSQL()->SetText(S);
    } else if (AState == dsInsert) {
        GenerateModifySQL(Table, O->KeyFields(), S, Mode, 1);
        if (S + CRLF != InsertQuery()->SQLText()) InsertSQL()->SetText(S);
    }
    PrepareBlobUpdateObject();
}

// ---------------------------------------------------------------------------------------------
// Record locks

TLockStatus TpFBDataSet::LockRecord(bool RaiseError) {
    TAutoUpdateOptions* O = AutoUpdateOptions();
    AnsiString TableText, Condition;
    if (!IsBlankStr(UpdateSQL()->Text()) && !(O->AutoReWriteSqls() && O->UpdateOnlyModifiedFields())) {
        TableText = MainTableOfSQL(UpdateQuery()->SQLText(), true);
        Condition = UpdateQuery()->MainWhereClause();
    } else if (O->AutoReWriteSqls() && O->KeyFieldsList()->Count() > 0) {
        TableText = O->UpdateTableName();
        for (Integer I = 0; I < O->KeyFieldsList()->Count(); ++I) {
            const AnsiString K = FastTrim(O->KeyFieldsList()->Strings(I));
            if (I > 0) Condition += " and ";
            Condition += K + "=?" + K;
        }
    } else {
        throw Exception("Unable to lock record. Update query is empty");
    }
    const AnsiString Table = TableNamePart(FastTrim(TableText));
    const Integer Dialect = Database() ? Database()->SQLDialect() : 3;
    AnsiString LockText;
    for (Integer I = 0; I < FieldCount(); ++I) {
        TField* F = Fields()->Fields(I);
        AnsiString T, C;
        if (F->FieldKind() != fkData || !ColumnOrigin(F->FieldNo(), T, C)) continue;
        const AnsiString Quoted = (!Table.empty() && Table[0] == '"') ? "\"" + T + "\"" : T;
        if (!AsciiEqualStr(Quoted, Table, false)) continue;
        // The column is set to itself: the lock changes no data, also when the
        // condition matches more rows than the current one.
        LockText = "UPDATE " + TableText + " SET " + FormatIdentifier(Dialect, C) + "=" +
                   FormatIdentifier(Dialect, C) + " WHERE " + Condition;
        break;
    }
    if (LockText.empty()) {
        if (FLockQuery->SQLText() != UpdateQuery()->SQLText()) FLockQuery->SetSQL(UpdateSQL());
    } else if (FLockQuery->SQLText() != LockText + CRLF) {
        FLockQuery->SQL()->SetText(LockText);
    }
    FLockQuery->SetDatabase(Database());
    FLockQuery->SetTransaction(UpdateTransaction());
    TRecordBuffer B = GetActiveBuf();
    if (!B) return lsNotExist;
    if (!CachedUpdates() && State() != dsEdit && State() != dsInsert) SaveRecordCopy(B);
    FillParams(FLockQuery, B);
    if (CachedUpdates()) {
        TFBXSQLDA* Params = FLockQuery->Params();
        for (Integer I = 0; Params && I < Params->Count(); ++I) {
            TFBXSQLVAR* P = Params->Vars(I);
            if (TField* F = FindField(P->Name())) {
                const Variant V = F->OldValue();
                if (VarIsNull(V))
                    P->SetIsNull(true);
                else if (dynamic_cast<TDateTimeField*>(F))
                    P->SetAsDateTime(V.AsDateTime());
                else
                    P->SetValue(V);
            }
        }
    }
    for (;;) {
        TLockStatus Status = lsSuccess;
        AnsiString Kept;
        try {
            StartUpdateTransaction(FLockQuery->Transaction());
            FLockQuery->ExecQuery();
            const Integer Rows = FLockQuery->RowsAffected();
            Status = Rows == 1 ? lsSuccess : (Rows == 0 ? lsNotExist : lsMultiply);
        } catch (EFBError& E) {
            if (E.SQLCode() == -913 || (E.SQLCode() == -901 && E.IBErrorCode() == 335544345))
                Status = lsDeadLock;
            else {
                Status = lsUnknownError;
                Kept = E.Message();
            }
        }
        FLockQuery->Close();
        if (Status == lsSuccess || !RaiseError) return Status;
        AnsiString Msg = "Error of record updating:";
        switch (Status) {
            case lsDeadLock: Msg += "Deadlock detected"; break;
            case lsNotExist: Msg += "Record does not exist"; break;
            case lsMultiply: Msg += "Attempt to edit multiple records"; break;
            default: Msg += Kept; break;
        }
        TDataAction Action = daFail;
        const TAliveGuard alive(this);
        const TRetryWatch watch = WatchRetry("OnLockError");
        if (OnLockError) FireEvent(OnLockError, this, Status, Msg, Action);
        if (Action == daFail) throw Exception(Msg);
        if (Action == daAbort || alive.Gone()) Abort();
        CheckRetry(watch);
    }
}

// ---------------------------------------------------------------------------------------------
// Cached updates

void TpFBDataSet::ApplyCachedUpdates() { ApplyCachedUpdatesThen(nullptr); }

void TpFBDataSet::ApplyCachedUpdatesThen(const std::function<void()>& Finish) {
    if (State() == dsEdit || State() == dsInsert) Post();
    FollowBeforeApply();
    if (!RecordsCache() || FetchedCount() == 0) return;
    StartUpdateTransaction(UpdateTransaction());
    // A refused apply takes back what it wrote, on the server and in the cache: the changes stay
    // pending for another try exactly as they were (not as the refresh after post read them).
    const Integer Place = ActivePlace();
    std::vector<TRecordUndo> Undo;
    HoldDroppedStreams();
    bool Kept = false;
    // A handler of the apply or of the commit may free the data set.
    const TAliveGuard alive(this);
    try {
        Kept = RunSavepoint("SAVEPOINT FB_APPLY");
        ApplyCachedRecords(Undo);
        if (Finish) Finish();   // a commit ends the savepoint with the work
        else if (Kept) RunSavepoint("RELEASE SAVEPOINT FB_APPLY");
    } catch (...) {
        if (alive.Gone()) throw;
        if (Kept) {
            try {
                RunSavepoint("ROLLBACK TO SAVEPOINT FB_APPLY");
            } catch (...) {
                // The apply's own error is the one reported; its changes are sent again whole.
            }
        }
        // Still holding: the records are those the apply began with (a handler may have closed).
        if (FHoldingStreams) {
            for (auto It = Undo.rbegin(); It != Undo.rend(); ++It) UndoRecord(*It);
            EndHoldingStreams(true);
            FollowPlace(Place, true);
        }
        throw;
    }
    if (alive.Gone()) return;
    const bool Same = FHoldingStreams;
    EndHoldingStreams(false);
    // The user stays on his record, wherever a refresh moved it or the others.
    if (Same) FollowPlace(Place, true);
}

void TpFBDataSet::ApplyCachedRecords(std::vector<TRecordUndo>& Undo) {
    TRecordBuffer Work = AllocRecordBuffer();
    // Meanwhile the fields read the record being applied (the modified fields of an update, the
    // handlers): the one the user is on waits.
    // A handler may free the data set: its buffer goes all the same.
    const TAliveGuard alive(this);
    struct TFree {
        TpFBDataSet* D;
        TRecordBuffer& B;
        const TAliveGuard& Alive;
        ~TFree() {
            if (Alive.Gone()) {
                delete[] B;
                return;
            }
            D->FApplyBuffer = nullptr;
            D->FreeRecordBuffer(B);
        }
    } FreeWork{this, Work, alive};
    FApplyBuffer = Work;
    FSkipped.clear();
    // The pending records by what names them for good, as a refresh after post may move a record
    // (a ring of a uni-directional data set holds its last records, none of which moves).
    const bool Ring = UniDirectional();
    std::vector<Integer> Pending;
    for (Integer I = Ring ? std::max(0, FetchedCount() - CacheModelOptions()->BufferChunks()) : 0;
         I < FetchedCount(); ++I) {
        const Byte* Image = RecordsCache()->PeekRecord(CachePosition(I) + 1);
        if (Image && IsPending(Image[0]))
            Pending.push_back(Ring ? I : PhysicalAt(I));
    }
    for (const Integer Id : Pending) {
        if (!FHoldingStreams) FBError(29, {" continue apply ", CmpFullName(this)});   // closed by a handler
        const Integer Pos = Ring ? Id : RecordsCache()->LogicalIndex(Id);
        if (Pos < 0) continue;
        Undo.push_back(SaveRecordUndo(Pos));
        ReadRecordCache(Pos, Work, false);
        const Byte Status = BufStatus(Work);
        FUpdatesPending = true;
        const TUpdateKind Kind = Status == cusModified ? ukModify : (Status == cusInserted ? ukInsert : ukDelete);
        TFBUpdateAction Action = uaApply;
        if (OnUpdateRecord) {
            Action = uaFail;
            FireEvent(OnUpdateRecord, this, Kind, Action);
            if (alive.Gone()) Abort();
        }
        if (Action == uaFail) FBError(52, {CmpFullName(this)});
        if (Action == uaAbort)
            throw Exception("User abort apply updates for %s %s",
                            {Owner() ? Owner()->Name() + "." : AnsiString(), Name()});
        // With an error handler the apply may go on: a record's half-run statements go back first.
        const bool RecordKept = OnUpdateError && RunSavepoint("SAVEPOINT FB_APPLY_RECORD");
        while (Action == uaRetry || Action == uaApply) {
            try {
                if (Kind == ukModify && CanEdit()) {
                    PrepareModifiedFieldsSQL(dsEdit);
                    InternalPostRecord(UpdateQuery(), Work);
                } else if (Kind == ukInsert && CanInsert()) {
                    PrepareModifiedFieldsSQL(dsInsert);
                    InternalPostRecord(InsertQuery(), Work);
                } else if (Kind == ukDelete && CanDelete()) {
                    InternalDeleteRecord(DeleteQuery(), Work);
                }
                // Pending until the statuses are reset, at the place the refresh left it.
                BufStatus(Work) = Status;
                WriteRecordCache(BufRecNo(Work), Work);
                Action = uaApplied;
            } catch (EFBError& E) {
                if (!OnUpdateError || !FHoldingStreams) throw;
                // The record is pending as it was, whatever its statements got through.
                if (RecordKept) RunSavepoint("ROLLBACK TO SAVEPOINT FB_APPLY_RECORD");
                UndoRecord(Undo.back());
                ReadRecordCache(Pos, Work, false);
                Action = uaFail;
                const TRetryWatch watch = WatchRetry("OnUpdateError");
                FireEvent(OnUpdateError, this, E, Kind, Action);
                if (Action == uaFail || Action == uaAbort || alive.Gone()) throw;
                if (Action == uaRetry || Action == uaApply) CheckRetry(watch);
            }
        }
        if (Action == uaSkip && !Ring) FSkipped.push_back(Id);
    }
}

void TpFBDataSet::ResetUpdateStatuses(TResetMode Mode, bool DoResync) {
    if (!RecordsCache()) return;
    TRecordBuffer Work = AllocRecordBuffer();
    // After an apply, what it skipped stays pending with its old values.
    std::vector<Integer> Skipped;
    if (Mode == rmAfterApply) Skipped.swap(FSkipped);
    FSkipped.clear();
    std::vector<std::vector<char>> Kept;
    for (const Integer Id : Skipped) {
        const Integer Pos = RecordsCache()->LogicalIndex(Id);
        Kept.emplace_back(2 * static_cast<size_t>(RecordBufferSize()), 0);
        if (Pos < 0) continue;
        RecordsCache()->ReadRecord(Pos + 1, reinterpret_cast<Byte*>(Kept.back().data() + 5));
        RecordsCache()->ReadRecord(Pos + 1, reinterpret_cast<Byte*>(Kept.back().data() + RecordBufferSize() + 5), true);
    }
    for (Integer I = 0; I < FetchedCount(); ++I) {
        if (std::find(Skipped.begin(), Skipped.end(), PhysicalAt(I)) != Skipped.end()) continue;
        ReadRecordCache(I, Work, false);
        const Byte S = BufStatus(Work);
        Byte N = S;
        if (Mode == rmAfterApply) {
            if (S == cusModified || S == cusInserted) N = cusUnmodified;
            else if (S == cusDeleted) N = cusDeletedApplied;
        } else if (S != cusUnmodified && S != cusDeletedApplied) {
            N = cusUnmodified;
        }
        if (N != S) {
            // The record's blobs as written are now the ones a later cancel goes back to.
            if (BlobFieldCount() > 0) BlobStreamStep(Work, bsaRelease);
            BufStatus(Work) = N;
            WriteRecordCache(I, Work);
        }
    }
    FreeRecordBuffer(Work);
    // The saved copies held the values from before the changes now applied: the old values are these.
    RecordsCache()->ClearLog();
    Integer Pending = 0;
    for (size_t K = 0; K < Skipped.size(); ++K) {
        const Integer Pos = RecordsCache()->LogicalIndex(Skipped[K]);
        if (Pos < 0) continue;
        const Byte* Now = reinterpret_cast<const Byte*>(Kept[K].data() + 5);
        RecordsCache()->WriteRecord(Pos + 1, Now + RecordBufferSize(), false);
        RecordsCache()->SaveToLog(Pos + 1);
        RecordsCache()->WriteRecord(Pos + 1, Now, false);
        if (IsPending(Now[0])) ++Pending;
    }
    FUpdatesPending = Pending > 0;
    FCacheModifiedCount = Pending;
    if (DoResync && State() == dsBrowse) Resync({});
    if (TRecordBuffer B = GetActiveBuf(); B && BufRecNo(B) >= 0 && State() == dsBrowse) {
        const Byte Flag = BufFlag(B);
        ReadRecordCache(BufRecNo(B), B, false);
        BufFlag(B) = Flag;
    }
    FollowMasterAfterEdit();   // the lines kept for the old master are stored now
}
