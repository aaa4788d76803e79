// TFBCustomDataSet: finding records (Locate and its options, the search through
// a statement) and re-opening on the same record.
#include "datasets/FBDataSet.h"

#include "dbclient/FBMessages.h"
#include "dbclient/SqlTxtRtns.h"
#include "dbclient/StrUtil.h"

namespace {

std::vector<Variant> KeyValuesOf(const Variant& KeyValues) {
    std::vector<Variant> R;
    if (!VarIsArray(KeyValues)) {
        R.push_back(KeyValues);
        return R;
    }
    for (Integer I = VarArrayLowBound(KeyValues, 1); I <= VarArrayHighBound(KeyValues, 1); ++I)
        R.push_back(VarArrayGet(KeyValues, {I}));
    return R;
}

bool IsNullish(const Variant& V) { return VarIsNull(V) || VarIsEmpty(V); }

// Suspends controls and scroll events for a scope.
class TQuietScope {
public:
    explicit TQuietScope(TFBCustomDataSet* D) : FDataSet(D) {
        D->DisableControls();
        D->DisableScrollEvents();
    }
    ~TQuietScope() {
        FDataSet->EnableScrollEvents();
        FDataSet->EnableControls();
    }

private:
    TFBCustomDataSet* FDataSet;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Matching one record

Integer TFBCustomDataSet::MatchRecord(TRecordBuffer Buffer, const std::vector<TField*>& Fields,
                                      const std::vector<Variant>& Keys, Byte Options) {
    Integer Result = 0;
    ReadRecordOf(Buffer, [&] {
        for (size_t I = 0; I < Fields.size(); ++I) {
            TField* F = Fields[I];
            const Variant& K = Keys[I];
            bool Match;
            Variant Value;
            if (IsNullish(K)) {
                Match = F->IsNull();
                Value = F->IsNull() ? Null() : Variant(F->AsString());
            } else if (F->IsNull()) {
                Match = false;
                Value = Null();
            } else if (F->DataType() == ftString) {
                AnsiString Key = VarToStr(K), Text = F->AsString();
                if (Options & lcoCaseInsensitive) {
                    Key = AnsiUpperCase(Key);
                    Text = AnsiUpperCase(Text);
                }
                if (Options & lcoPartialKey)
                    Match = Text.compare(0, Key.size(), Key) == 0;
                else if (Options & lcoWildcard)
                    Match = SQLMaskCompare(Text, Key);
                else
                    Match = Text == Key;
                Value = Text;
            } else {
                // Compared in the field's own type: a whole-number key finds no value that only rounds to it.
                Value = VarIsStr(K) ? Variant(F->AsString())
                        : VarType(K) == varBoolean ? Variant(F->AsBoolean())
                                                   : F->AsVariant();
                Match = VarCompareValue(Value, K) == vrEqual;
            }
            if (Match) continue;
            if (!(Options & lcoSorted)) {
                Result = 1;
                return;
            }
            // Sorted: the first field that differs tells on which side the wanted record lies.
            // Nulls sort first and values compare as the local sort compares them.
            const Variant Key = VarIsStr(K) && (Options & lcoCaseInsensitive) ? Variant(AnsiUpperCase(VarToStr(K))) : K;
            const Integer Cmp = IsNullish(Key) || IsNullish(Value)
                                    ? (IsNullish(Key) == IsNullish(Value) ? 0 : (IsNullish(Key) ? -1 : 1))
                                    : CompareFieldValues(F, Key, Value);
            bool Ascending = true;
            std::vector<TField*> SF;
            std::vector<bool> Asc;
            SortFieldsOf(SF, Asc);
            for (size_t J = 0; J < SF.size(); ++J)
                if (SF[J] == F) Ascending = Asc[J];
            Result = (Cmp > 0) == Ascending ? 1 : -1;
            return;
        }
    });
    return Result;
}

// ---------------------------------------------------------------------------------------------
// InternalLocate and Locate

bool TFBCustomDataSet::InternalLocate(const AnsiString& KeyFields, const Variant& KeyValues, Integer Direction,
                                      bool FromFirst, Byte Options) {
    if (!Active()) return false;
    std::vector<TField*> Fields;
    GetFieldList(Fields, KeyFields);
    const std::vector<Variant> Keys = KeyValuesOf(KeyValues);
    if (Keys.size() < Fields.size()) DatabaseError("Field value required", this);
    // The limited cache searches its window only; the server is asked through LocateByQuery.
    const bool Window = LimitedCache();
    const Integer Lo = Window ? FWindow.First : 0;
    const auto High = [&] { return Window ? FWindow.Last : FRecordsCount - 1; };
    const auto More = [&] { return !Window && FetchNextRow(nullptr); };
    if (Window ? FWindow.First < 0 : (FRecordsCount == 0 && !More())) return false;
    const Integer Saved = FCurrentRecord_;
    TTempBuffer Temp(this);
    TRecordBuffer Buf = Temp.Buffer;
    // Reads and matches cache position Pos: 0 found, -1 wanted before, 1 wanted after (or no match).
    const auto Probe = [&](Integer Pos, Byte With) {
        ReadRecordCache(Pos, Buf, false);
        if (!IsVisible(Buf)) return 2;
        return MatchRecord(Buf, Fields, Keys, With);
    };
    // The sorted order holds the hidden records too: their values steer the search like any other's,
    // but only a visible one is found, the first of the equal ones as a search from the first finds it.
    const auto Compare = [&](Integer Pos) {
        ReadRecordCache(Pos, Buf, false);
        return MatchRecord(Buf, Fields, Keys, Options);
    };
    Integer Found = -1, Last = -1, Side = 0;
    const auto EqualRun = [&](Integer Pos) {
        while (Pos > Lo && Compare(Pos - 1) == 0) --Pos;
        for (;; ++Pos) {
            if (Pos > High() && !More()) break;
            if (Compare(Pos) != 0) break;
            Last = Pos;
            if (IsVisible(Buf)) return Pos;
        }
        Side = 1;   // a nearest place goes after the hidden equal ones
        return -1;
    };
    // A search by halves relies on the order: only the local sort's is known to be the
    // comparison's; in any other a miss is checked record by record.
    const bool OrderKnown = FLocallySorted && !Window && SortFieldsText() == KeyFields &&
                            !(Options & (lcoCaseInsensitive | lcoPartialKey | lcoWildcard));
    if (Options & lcoSorted) {
        Integer Top = High();
        Side = Compare(Top);
        Last = Top;
        if (Side == 0) {
            Found = EqualRun(Top);
        } else if (Side > 0) {
            // Past the fetched records: on through the rows still to come.
            for (Integer Pos = Top + 1; More(); ++Pos) {
                Last = Pos;
                Side = Compare(Pos);
                if (Side == 0) {
                    Found = EqualRun(Pos);
                    break;
                }
                if (Side < 0) break;   // passed the place it would have
            }
        } else {
            Integer Low = Lo;
            --Top;
            while (Low <= Top) {
                const Integer Mid = (Low + Top) / 2;
                Last = Mid;
                Side = Compare(Mid);
                if (Side == 0) {
                    Found = EqualRun(Mid);
                    break;
                }
                if (Side > 0) Low = Mid + 1;
                else Top = Mid - 1;
            }
        }
    }
    if (!(Options & lcoSorted) || (Found < 0 && !OrderKnown)) {
        // After a sorted search only a match is looked for, from the first record; the nearest place stays.
        const bool Check = Options & lcoSorted;
        const bool Back = Direction == 2 && !Check;
        Integer Pos = FromFirst || Check ? (Back ? High() : Lo) : std::clamp(FCurrentRecord_, Lo, High());
        while (Pos >= Lo) {
            if (Pos > High() && ((Options & lcoFetchedOnly) || !More())) break;
            const Integer S = Probe(Pos, static_cast<Byte>(Options & ~lcoSorted));
            if (!Check) {
                Last = Pos;
                Side = S;
            }
            if (S == 0) {
                Found = Pos;
                break;
            }
            Pos += Back ? -1 : 1;
        }
    }
    if (Found >= 0) {
        FCurrentRecord_ = Found;
    } else if ((Options & lcoNearest) && Last >= 0) {
        FCurrentRecord_ = std::min(Side > 0 ? Last + 1 : Last, High());
    } else {
        FCurrentRecord_ = Saved;
    }
    return Found >= 0;
}

bool TFBCustomDataSet::Locate(const AnsiString& KeyFields, const Variant& KeyValues, TLocateOptions Options) {
    CheckBrowseMode();
    Byte Ext = 0;
    if (Options.Contains(loCaseInsensitive)) Ext |= lcoCaseInsensitive;
    if (Options.Contains(loPartialKey)) Ext |= lcoPartialKey;
    return LocateEx(KeyFields, KeyValues, Ext);
}

bool TFBCustomDataSet::LocateEx(const AnsiString& KeyFields, const Variant& KeyValues, Byte Options) {
    CheckBrowseMode();
    if (IsEmpty()) return false;
    if (LimitedCache())
        return LocateByQuery(KeyFields, KeyValues, nullptr, 0, Options & (lcoCaseInsensitive | lcoPartialKey | lcoWildcard));
    DoBeforeScroll();
    bool Found;
    {
        TQuietScope Quiet(this);
        Found = InternalLocate(KeyFields, KeyValues, 0, true, Options);
        if (Found || (Options & lcoNearest)) Resync({rmExact, rmCenter});
    }
    if (Found || (Options & lcoNearest)) DoAfterScroll();
    return Found;
}

Variant TFBCustomDataSet::Lookup(const AnsiString& KeyFields, const Variant& KeyValues, const AnsiString& ResultFields) {
    if (IsBlankStr(ResultFields)) return Null();
    CheckBrowseMode();
    if (IsEmpty()) return Null();
    // Sorted locally on exactly the key fields and fetched whole: the sorted order is searched.
    // The server's order is not the client's comparison (collations): that one is read through.
    const bool AllFetched = !FSelectQuery->Open() || FSelectQuery->Eof();
    const Byte Options =
        FLocallySorted && !LimitedCache() && Sorted() && SortFieldsText() == KeyFields && AllFetched ? lcoSorted : 0;
    Variant Result = Null();
    TQuietScope Quiet(this);
    const Integer Saved = FCurrentRecord_;
    const bool Cached = InternalLocate(KeyFields, KeyValues, 0, true, Options);
    if (Cached) {
        // The values are read from the found record without moving the data set's window.
        TTempBuffer Temp(this);
        ReadRecordCache(FCurrentRecord_, Temp.Buffer, false);
        ReadRecordOf(Temp.Buffer, [&] { Result = FieldValues(ResultFields); });
    }
    FCurrentRecord_ = Saved;
    if (!Cached && LimitedCache()) {
        // Outside the window the server has the record; the current record stays as it is.
        std::unique_ptr<TFBQuery> Q(CreateInternalQuery("QLookUp"));
        if (LocateByQuery(KeyFields, KeyValues, Q.get(), 0, 0)) {
            std::vector<Variant> Values;
            for (const AnsiString& Name : SplitFieldNames(ResultFields)) {
                TFBXSQLVAR* V = Q->FieldByName(FBFieldByName(Name)->FieldName());
                Values.push_back(V->IsNull() ? Null() : V->Value());
            }
            Result = Values.size() == 1 ? Values[0] : VarArrayOf(Values);
        }
        Q->Close();
    }
    return Result;
}

// ---------------------------------------------------------------------------------------------
// The search through a statement

bool TFBCustomDataSet::LocateByQuery(const AnsiString& KeyFields, const Variant& KeyValues, TFBQuery* Qry,
                                     Integer Mode, Byte Options, Integer HighIndex) {
    const AnsiString Where = FullName() + ".LocateForPartialCache";
    const std::vector<AnsiString> Names = SplitFieldNames(KeyFields);
    if (Names.empty()) FBError(76, {Where});
    std::vector<TField*> Fields;
    for (const AnsiString& N : Names) {
        TField* F = FBFieldByName(N);
        if (F->FieldKind() != fkData) FBError(77, {Where, N});
        Fields.push_back(F);
    }
    // The part statements exist only in the limited cache model, around a current record.
    TRecordBuffer Current = Mode != 0 && LimitedCache() && Active() ? GetActiveBuf() : nullptr;
    if (Mode != 0 && !Current) FBError(75, {FullName()});
    const std::vector<Variant> Keys = KeyValuesOf(KeyValues);
    std::unique_ptr<TFBQuery> Own;
    if (!Qry) {
        Own.reset(CreateInternalQuery("QLocate"));
        Qry = Own.get();
    }
    Qry->Close();
    Qry->SetDatabase(Database());
    Qry->SetTransaction(Transaction());
    AnsiString Condition;
    for (size_t I = 0; I < Fields.size(); ++I) {
        const AnsiString Column = ColumnReference(Fields[I]);
        const AnsiString Param = "?" + FormatIdentifier(3, "LOCATE_" + Fields[I]->FieldName());
        AnsiString Term;
        const bool Text = I < Keys.size() && VarIsStr(Keys[I]);
        // A Null key is found by its own test: "=" never matches Null.
        if (I < Keys.size() && static_cast<Integer>(I) <= HighIndex && IsNullish(Keys[I]))
            Term = "(" + Column + " is null)";
        else if (!Text)
            Term = "(" + Column + "=" + Param + ")";
        else {
            // Both sides upper-cased: a key alone in capitals would miss lower-case values.
            const bool Upper = Options & lcoCaseInsensitive;
            const AnsiString P = Upper ? "UPPER(" + Param + ")" : Param;
            const AnsiString Op = (Options & lcoPartialKey) ? " starting with " : (Options & lcoWildcard) ? " like " : "=";
            Term = "(" + (Upper ? "UPPER(" + Column + ")" : Column) + Op + P + ")";
        }
        if (!Condition.empty()) Condition += " and ";
        Condition += Term;
    }
    const AnsiString Base = Mode == 1   ? KeyedWindowSQL(FSelectPartQuery, Current)
                            : Mode == 2 ? KeyedWindowSQL(FSelectPartDescQuery, Current)
                                        : FSelectQuery->SQLText();
    Qry->SQL()->SetText(AddToWhereClause(Base, Condition, false));
    // The part searches keep their order: the nearest match comes first.
    if (Mode == 0) Qry->SetOrderClause("");
    if (Mode == 2) ReverseWindowOrder(Qry);
    for (size_t I = 0; I < Fields.size() && static_cast<Integer>(I) <= HighIndex && I < Keys.size(); ++I) {
        if (IsNullish(Keys[I])) continue;
        Qry->ParamByName("LOCATE_" + Fields[I]->FieldName())->SetValue(Keys[I]);
    }
    TFBXSQLDA* SP = FSelectQuery->Params();
    for (Integer I = 0; SP && I < SP->Count(); ++I)
        if (TFBXSQLVAR* P = Qry->FindParam(SP->Vars(I)->Name())) P->Assign(SP->Vars(I));
    if (Current) {
        TFBXSQLDA* QP = Qry->Params();
        for (Integer I = 0; I < QP->Count(); ++I)
            if (IsNewParamName(QP->Vars(I)->Name()))
                if (TField* F = FBFindField(QP->Vars(I)->Name().substr(4)); F && F->FieldKind() == fkData)
                    SetParamFromRecord(QP->Vars(I), F->FieldNo(), Current);
    }
    TFBTransaction* Tr = Qry->Transaction();
    if (Tr && !Tr->Active() && FOptions.Contains(poStartTransaction)) Tr->StartTransaction();
    Qry->ExecQuery();
    if (!Qry->GoToFirstRecordOnExecute()) Qry->Next();
    bool Found = !Qry->Eof();
    if (Found && Filtered() && Active() && LimitedCache() && !FFilterBypass) {
        // The filter is the data set's own: each row found is tried in a window around it
        // until one passes; the window then goes back to where it was unless the data set moves there.
        const TBookmark Back = GetBookmark();
        bool Visible = false;
        {
            TQuietScope Quiet(this);
            TTempBuffer T(this);
            try {
                while (!Qry->Eof()) {
                    LoadWindow(Qry, nullptr);
                    ReadRecordCache(FCurrentRecord_, T.Buffer, false);
                    Visible = IsVisible(T.Buffer);
                    if (Visible) break;
                    Qry->Next();
                }
            } catch (...) {
                Qry->Close();
                if (!Back.empty()) WindowGotoBookmark(Back.data());
                Resync({});
                throw;
            }
            if ((!Visible || !Own) && !Back.empty()) WindowGotoBookmark(Back.data());
            if (!Visible || !Own) Resync({});
        }
        Found = Visible;
        if (Found && Own) {
            DoBeforeScroll();
            {
                TQuietScope Quiet(this);
                Qry->Close();
                Resync({rmExact, rmCenter});
            }
            DoAfterScroll();
            return true;
        }
        if (Own) Qry->Close();
        return Found;
    }
    if (Found && Own && Active() && LimitedCache()) {
        // The window is read again around the row found.
        DoBeforeScroll();
        {
            TQuietScope Quiet(this);
            try {
                LoadWindow(Qry, nullptr);
            } catch (...) {
                Qry->Close();
                Resync({});
                throw;
            }
            Qry->Close();
            Resync({rmExact, rmCenter});
        }
        DoAfterScroll();
        return true;
    }
    if (Own) Qry->Close();
    if (!Found || !Own || !Active()) return Found;
    // The server has the row: the data set goes to it among its own records.
    return LocateEx(KeyFields, KeyValues, Options & (lcoCaseInsensitive | lcoPartialKey | lcoWildcard));
}

// ---------------------------------------------------------------------------------------------
// Re-opening on the same record

void TFBCustomDataSet::ReopenLocate(const AnsiString& KeyFields) {
    CheckNotUniDirectional();
    AnsiString Names;
    std::vector<Variant> Values;
    const Integer FormerRecNo = Active() ? RecNo() : 0;
    if (Active() && FRecordsCount > 0 && !IsEmpty()) {
        std::vector<TField*> Found;
        if (!IsBlankStr(KeyFields)) {
            GetFieldList(Found, KeyFields);
            Names = KeyFields;
        } else if (!EmptyStrings(RefreshSQL()) && GetActiveBuf() &&
                   RefreshRecordFromQuery(FRefreshQuery, GetActiveBuf())) {
            for (Integer I = 0; I < FieldCount(); ++I) {
                TField* F = Fields()->Fields(I);
                if (F->FieldKind() != fkData || F->IsBlob() || F->DataType() == ftArray) continue;
                Found.push_back(F);
                Names += (Names.empty() ? "" : ";") + F->FieldName();
            }
        }
        for (TField* F : Found) Values.push_back(F->AsVariant());
    }
    TQuietScope Quiet(this);
    CloseOpen(false);
    if (Values.empty()) return;
    while (FRecordsCount < FormerRecNo && FetchNextRow(nullptr)) {}
    if (InternalLocate(Names, VarArrayOf(Values), 0, true, 0)) Resync({rmExact, rmCenter});
}

void TFBCustomDataSet::RefreshAll(bool Flag, bool DoResync) {
    if (!LimitedCache()) {
        ReopenLocate(AnsiString());
        return;
    }
    if (!Active()) {
        Open();
        return;
    }
    DoBeforeRefresh();
    if (TRecordBuffer B = GetActiveBuf()) {
        TTempBuffer Key(this);
        std::memcpy(Key.Buffer, B, static_cast<size_t>(RecordBufferSize()));
        WindowAroundKey(Key.Buffer, Flag);
    } else {
        WindowFirstRecords();
    }
    if (DoResync) Resync({});
    DoAfterRefresh();
}
