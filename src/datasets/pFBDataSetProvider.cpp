// TpFBDataSet: the operations a provider uses when it exports the data set.
#include "datasets/pFBDataSet.h"

#include "dbclient/FBMessages.h"
#include "dbclient/SqlTxtRtns.h"
#include "dbclient/StrUtil.h"
#include "dbclient/pFBCacheQueries.h"

namespace {

TFieldType ParamFieldType(TFBXSQLVAR* V) {
    switch (V->SQLType()) {
        case SQLTypeShort: return V->SQLScale() < 0 ? ftBCD : ftSmallint;
        case SQLTypeLong: return V->SQLScale() < 0 ? ftBCD : ftInteger;
        case SQLTypeInt64: return V->SQLScale() < 0 ? ftBCD : ftLargeint;
        case SQLTypeFloat: case SQLTypeDouble: case SQLTypeDFloat: return ftFloat;
        case SQLTypeDate: return ftDate;
        case SQLTypeTime: return ftTime;
        case SQLTypeTimestamp: return ftDateTime;
        case SQLTypeText: case SQLTypeVarying: return ftString;
        case SQLTypeBlob: return V->SQLSubtype() == 1 ? ftMemo : ftBlob;
        case SQLTypeBoolean: return ftBoolean;
        default: return ftUnknown;
    }
}

// Each "?" becomes ":Param<n>" from 0, left to right; one inside quotes is text and stays.
AnsiString NumberedParams(const AnsiString& SQL) {
    AnsiString R;
    Integer N = 0;
    char Quote = 0;
    for (char C : SQL) {
        if (Quote) {
            if (C == Quote) Quote = 0;
        } else if (C == '\'' || C == '"') {
            Quote = C;
        } else if (C == '?') {
            R += ":Param" + IntToStr(N++);
            continue;
        }
        R += C;
    }
    return R;
}

// Params in order give the statement's Param<n>.
void PutNumberedParams(TFBQuery* Q, TParams* Params) {
    for (Integer I = 0; Params && I < Params->Count(); ++I)
        if (TFBXSQLVAR* P = Q->FindParam("PARAM" + IntToStr(I))) {   // unquoted names are kept in capitals
            if (Params->Items(I)->IsNull()) P->SetIsNull(true);
            else P->SetValue(Params->Items(I)->Value());
        }
}

bool IsSelect(TFBQuery* Q) { return Q->SQLType() == SQLSelect || Q->SQLType() == SQLSelectForUpdate; }

}  // namespace

void TpFBDataSet::PSEndTransaction(bool Commit) {
    TFBTransaction* Tr = Transaction();
    if (!Tr || !Tr->Active()) return;
    if (Commit) Tr->Commit();
    else Tr->Rollback();
}

void TpFBDataSet::PSExecute() { SelectQuery()->ExecQuery(); }

Integer TpFBDataSet::PSExecuteStatement(const AnsiString& SQL, TParams* Params, TDataSet** ResultSet) {
    const AnsiString Text = NumberedParams(SQL);
    if (ResultSet) {
        auto Result = std::make_unique<TpFBDataSet>(nullptr);
        Result->SetDatabase(Database());
        Result->SetTransaction(Transaction());
        if (Transaction() && !Transaction()->Active()) Transaction()->StartTransaction();
        Result->SelectSQL()->SetText(Text);
        Result->Prepare();
        PutNumberedParams(Result->SelectQuery(), Params);
        Result->Open();
        Integer Count;
        if (IsSelect(Result->SelectQuery())) {
            Result->FetchAll();
            Count = Result->RecordCount();
        } else {
            Count = Result->SelectQuery()->RowsAffected();
        }
        *ResultSet = Result.release();
        return Count;
    }
    TFBTransaction* Tr = UpdateTransaction();
    if (!Tr) FBError(22, {CmpFullName(this)});
    StartUpdateTransaction(Tr);
    TFBQuery* Q = AcquireCachedQuery(Tr, Text);
    // The pool keeps statements per default database: without one the statement is our own.
    std::unique_ptr<TFBQuery> Own;
    if (!Q) {
        if (!Database()) FBError(21, {CmpFullName(this)});
        Own = std::make_unique<TFBQuery>(nullptr);
        Own->SetDatabase(Database());
        Own->SetTransaction(Tr);
        Own->SQL()->SetText(Text);
        Q = Own.get();
    }
    Integer Count = 0;
    try {
        if (!Q->Prepared()) Q->Prepare();
        PutNumberedParams(Q, Params);
        Q->ExecQuery();
        if (IsSelect(Q)) {
            // A pooled statement may already stand on its first row.
            if (Q->GoToFirstRecordOnExecute() && !Q->Eof()) ++Count;
            while (!Q->Eof()) {
                Q->Next();
                if (!Q->Eof()) ++Count;
            }
        } else {
            Count = Q->RowsAffected();
        }
    } catch (...) {
        if (!Own) ReleaseCachedQuery(Q);
        throw;
    }
    if (!Own) ReleaseCachedQuery(Q);
    return Count;
}

AnsiString TpFBDataSet::PSGetKeyFields() { return AutoUpdateOptions()->KeyFields(); }

TParams* TpFBDataSet::PSGetParams() {
    if (!FProviderParams) FProviderParams = std::make_unique<TParams>();
    FProviderParams->Clear();
    TFBXSQLDA* P = SelectQuery()->Params();
    for (Integer I = 0; P && I < P->Count(); ++I) {
        TFBXSQLVAR* V = P->Vars(I);
        if (FProviderParams->FindParam(V->Name())) continue;   // a name used twice is one parameter
        FProviderParams->CreateParam(ParamFieldType(V), V->Name())->SetValue(V->IsNull() ? Null() : V->Value());
    }
    return FProviderParams.get();
}

AnsiString TpFBDataSet::PSGetQuoteChar() { return Database() && Database()->SQLDialect() == 3 ? "\"" : ""; }

AnsiString TpFBDataSet::PSGetTableName() {
    TStringList Tables;
    FillTablesList(SelectSQL()->Text(), &Tables, false, false);
    const AnsiString Wanted = TableNamePart(FastTrim(AutoUpdateOptions()->UpdateTableName()));
    for (Integer I = 0; I < Tables.Count(); ++I)
        if (!Wanted.empty() && SameIdentifiers(Tables.Strings(I), Wanted)) return Wanted;
    return Tables.Count() > 0 ? Tables.Strings(0) : AnsiString();
}

std::unique_ptr<EUpdateError> TpFBDataSet::PSGetUpdateException(const std::exception& E, EUpdateError* Prev) {
    const Integer PrevCode = Prev ? Prev->ErrorCode() : 0;
    if (const auto* F = dynamic_cast<const EFBError*>(&E))
        return std::make_unique<EUpdateError>(F->Message(), "", F->SQLCode(), PrevCode);
    const auto* X = dynamic_cast<const Exception*>(&E);
    return std::make_unique<EUpdateError>(X ? X->Message() : AnsiString(E.what()), "", 0, PrevCode);
}

bool TpFBDataSet::PSInTransaction() { return Transaction() && Transaction()->Active(); }

void TpFBDataSet::PSReset() {
    if (Active()) CloseOpen(false);
}

void TpFBDataSet::PSSetCommandText(const AnsiString& CommandText) {
    if (!CommandText.empty()) SelectSQL()->SetText(CommandText);
}

void TpFBDataSet::PSSetParams(TParams* Params) {
    for (Integer I = 0; Params && I < Params->Count(); ++I)
        if (TFBXSQLVAR* P = SelectQuery()->FindParam(Params->Items(I)->Name())) {
            if (Params->Items(I)->IsNull()) P->SetIsNull(true);
            else P->SetValue(Params->Items(I)->Value());
        }
}

void TpFBDataSet::PSStartTransaction() {
    if (!Database()) FBError(21, {CmpFullName(this)});
    if (!Transaction()) FBError(22, {CmpFullName(this)});
    if (!Database()->Connected()) Database()->Open();
    if (!Transaction()->Active()) Transaction()->StartTransaction();
}

void TpFBDataSet::FillParamsFromDelta(TFBQuery* Qry, TDataSet* Delta) {
    TFBXSQLDA* Params = Qry->Params();
    for (Integer I = 0; I < Params->Count(); ++I) {
        TFBXSQLVAR* P = Params->Vars(I);
        const AnsiString N = P->Name();
        TField* F = Delta->FindField(N);
        bool UseOld = false;
        if (!F && (IsOldParamName(N) || IsNewParamName(N))) {
            F = Delta->FindField(N.substr(4));
            UseOld = IsOldParamName(N);
        }
        if (!F) continue;
        const Variant V = UseOld ? F->OldValue() : F->AsVariant();
        if (VarIsNull(V) || VarIsEmpty(V)) P->SetIsNull(true);
        else P->SetValue(V);
    }
}

bool TpFBDataSet::PSUpdateRecord(TUpdateKind UpdateKind, TDataSet* Delta) {
    if (OnUpdateRecord) {
        TFBUpdateAction Action = uaFail;
        FireEvent(OnUpdateRecord, Delta, UpdateKind, Action);
        return Action == uaApplied;
    }
    const auto Fill = [this, Delta](TpFBUpdateObject* UO) {
        if (!UO->Database()) UO->SetDatabase(Database());
        if (!UO->Transaction()) UO->SetTransaction(UpdateTransaction());
        StartUpdateTransaction(UO->Transaction());
        FillParamsFromDelta(UO, Delta);
    };
    bool Ran = FUpdateObjects.Execute(UpdateKind, oeBeforeDefault, Fill);
    TFBQuery* Own = UpdateKind == ukModify ? UpdateQuery() : UpdateKind == ukInsert ? InsertQuery() : DeleteQuery();
    // "No Action" counts as applied without running anything.
    const bool HasOwn = !IsBlankStr(Own->SQL()->Text());
    if (StatementHasWork(Own)) {
        StartUpdateTransaction(Own->Transaction());
        if (Own->Open()) Own->Close();
        if (!Own->Prepared()) Own->Prepare();
        FillParamsFromDelta(Own, Delta);
        Own->ExecQuery();
    }
    Ran = FUpdateObjects.Execute(UpdateKind, oeAfterDefault, Fill) || Ran;
    if (Ran || HasOwn) FChangesWritten = true;
    return Ran || HasOwn;
}
