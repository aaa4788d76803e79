// TFBCustomDataSet: the local filter (filter text and OnFilterRecord) and the local sort of the
// fetched records, with moving records and keeping the order after posts.
#include "datasets/FBDataSet.h"

#include <algorithm>
#include <numeric>

#include "dbclient/FBMessages.h"
#include "dbclient/StrUtil.h"


// ---------------------------------------------------------------------------------------------
// Filter

void TFBCustomDataSet::SetFilterText(const AnsiString& Value) { SetFilterData(Value, FilterOptions()); }

void TFBCustomDataSet::SetFilterOptions(TFilterOptions Value) { SetFilterData(Filter(), Value); }

void TFBCustomDataSet::SetFilterData(const AnsiString& Text, TFilterOptions Options) {
    if (Active()) {
        CheckBrowseMode();
        if (!FFilterExpr || FFilterExpr->FilterText() != FastTrim(Text) || Options != FilterOptions())
            BuildFilterExpression(Text, Options);
    } else {
        FFilterExpr.reset();
    }
    TDataSet::SetFilterText(Text);
    TDataSet::SetFilterOptions(Options);
}

void TFBCustomDataSet::BuildFilterExpression(const AnsiString& Text, TFilterOptions Options) {
    if (IsBlankStr(Text)) {
        FFilterExpr.reset();
        return;
    }
    // A text that cannot be read leaves the filter in force as it was.
    FFilterExpr = std::make_unique<TExpressionParser>(
        this, [](const AnsiString& V, const AnsiString& M) { return SQLMaskCompare(V, M); },
        [](const AnsiString& S, const AnsiString& F) { return StrToDateFmt(S, F); }, FastTrim(Text), Options);
}

void TFBCustomDataSet::ReadRecordOf(TRecordBuffer Buffer, const std::function<void()>& Read) {
    TRecordBuffer Saved = FFilterBuffer;
    FFilterBuffer = Buffer;
    const TDataSetState SavedState = SetTempState(dsFilter);
    try {
        Read();
    } catch (...) {
        RestoreState(SavedState);
        FFilterBuffer = Saved;
        throw;
    }
    RestoreState(SavedState);
    FFilterBuffer = Saved;
}

bool TFBCustomDataSet::FilterAccepts(TRecordBuffer Buffer) {
    bool Accept = true;
    // A filter may name calculated fields: the record's are worked out first.
    if (CalcFieldsSize() > 0) TDataSet::GetCalcFields(Buffer);
    ReadRecordOf(Buffer, [&] {
        if (FFilterExpr) Accept = FFilterExpr->EvaluateBoolean();
        if (Accept && OnFilterRecord()) OnFilterRecord()(this, Accept);
        if (Accept) FilterRecordHook(this, Accept);
    });
    return Accept;
}

// ---------------------------------------------------------------------------------------------
// Local sort

bool TFBCustomDataSet::Sorted() const {
    return VarIsArray(FSortDescription) && VarArrayHighBound(FSortDescription, 1) >= 0;
}

void TFBCustomDataSet::SortFieldsOf(std::vector<TField*>& Fields, std::vector<bool>& Ascending) const {
    Fields.clear();
    Ascending.clear();
    if (!Sorted()) return;
    for (Integer I = 0; I <= VarArrayHighBound(FSortDescription, 1); ++I) {
        TField* F = FindField(VarToStr(VarArrayGet(FSortDescription, {I, 0})));
        if (!F) continue;
        Fields.push_back(F);
        const Variant Asc = VarArrayGet(FSortDescription, {I, 1});
        Ascending.push_back(VarIsNull(Asc) || VarIsEmpty(Asc) || Asc.AsBoolean());
    }
}

AnsiString TFBCustomDataSet::SortFieldsText() const {
    if (!Sorted()) return AnsiString();
    AnsiString R;
    for (Integer I = 0; I <= VarArrayHighBound(FSortDescription, 1); ++I) {
        if (I) R += ";";
        R += VarToStr(VarArrayGet(FSortDescription, {I, 0}));
    }
    return R;
}

std::vector<Variant> TFBCustomDataSet::SortValues(Integer Pos, const std::vector<TField*>& Fields) {
    std::vector<Variant> R;
    R.reserve(Fields.size());
    std::unique_ptr<char[]> Buf(AllocRecordBuffer());
    ReadRecordCache(Pos, Buf.get(), false);
    ReadRecordOf(Buf.get(), [&] {
        for (TField* F : Fields) R.push_back(F->AsVariant());
    });
    return R;
}

Integer TFBCustomDataSet::CompareSortValues(const std::vector<Variant>& A, const std::vector<Variant>& B,
                                            const std::vector<TField*>& Fields, const std::vector<bool>& Ascending) {
    for (size_t I = 0; I < Fields.size(); ++I) {
        const Integer D = Ascending[I] ? 1 : -1;
        const bool NA = VarIsNull(A[I]) || VarIsEmpty(A[I]), NB = VarIsNull(B[I]) || VarIsEmpty(B[I]);
        Integer C;
        if (NA && NB) C = 0;
        else if (NA) C = -D;
        else if (NB) C = D;
        else C = D * CompareFieldValues(Fields[I], A[I], B[I]);
        if (C != 0) return C;
    }
    return 0;
}

bool TFBCustomDataSet::ShownAt(Integer RecNo) {
    TRecordBuffer W = AllocRecordBuffer();
    ReadRecordCache(RecNo, W, false);
    const bool Shown = IsVisible(W);
    FreeRecordBuffer(W);
    return Shown;
}

bool TFBCustomDataSet::KeepsLocalOrder() const {
    return FLocallySorted && Sorted() && FOptions.Contains(poKeepSorting) && !LimitedCache();
}

void TFBCustomDataSet::SortAgain() {
    std::vector<TField*> SF;
    std::vector<bool> Asc;
    SortFieldsOf(SF, Asc);
    std::vector<TVarRec> Names;
    for (TField* F : SF) Names.emplace_back(F->FieldName());
    DoSort(Names, Asc);
}

void TFBCustomDataSet::DoSort(const std::vector<TVarRec>& SortFields, const std::vector<bool>& Ordering) {
    DoLocalSort(SortFields, Ordering);
}

void TFBCustomDataSet::DoLocalSort(const std::vector<TVarRec>& SortFields, const std::vector<bool>& Ordering) {
    if (!Active()) FBError(29, {" do local sorting ", FullName()});
    // The designators first: a bad one leaves everything as it was.
    Variant Description = VarArrayCreate({0, static_cast<Integer>(SortFields.size()) - 1, 0, 1}, varVariant);
    for (size_t I = 0; I < SortFields.size(); ++I) {
        const TVarRec& E = SortFields[I];
        TField* F = nullptr;
        switch (E.Kind) {
            case vtInteger:
            case vtInt64:
                if (E.AsInt64() >= 0 && E.AsInt64() < FieldCount()) F = Fields()->Fields(static_cast<Integer>(E.AsInt64()));
                break;
            case vtChar:
            case vtString: F = FindField(E.AsString()); break;
            case vtPointer:
                for (Integer K = 0; K < FieldCount() && !F; ++K)
                    if (static_cast<const void*>(Fields()->Fields(K)) == E.AsPointer()) F = Fields()->Fields(K);
                break;
            default: break;
        }
        if (!F) throw Exception("Can't sort. Invalid parameter: Fields[" + IntToStr(static_cast<Integer>(I)) + "]");
        VarArrayPut(Description, Variant(F->FieldName()), {static_cast<Integer>(I), 0});
        VarArrayPut(Description, Variant(I < Ordering.size() ? Ordering[I] : true), {static_cast<Integer>(I), 1});
        // The window's records come from the server: it can order only by columns.
        if (LimitedCache() && F->FieldKind() != fkData)
            throw Exception("Can't sort. Invalid parameter: Fields[" + IntToStr(static_cast<Integer>(I)) + "]");
    }
    // An edit is posted before the records move: its buffer names the place it was read from.
    CheckBrowseMode();
    if (LimitedCache()) {
        SortWindow(SortFields.empty() ? Null() : Description);
        return;
    }
    TCursor OldCursor = 0;
    ChangeScreenCursor(OldCursor);
    const TBookmark B = GetBookmark();
    DisableControls();
    const auto Finish = [&] {
        EnableControls();
        RestoreScreenCursor(OldCursor);
    };
    try {
        FetchAll();
        FSortDescription = SortFields.empty() ? Null() : Description;
        FLocallySorted = true;
        if (FRecordsCount >= 2 && Sorted()) {
            std::vector<TField*> SF;
            std::vector<bool> Asc;
            SortFieldsOf(SF, Asc);
            std::vector<std::vector<Variant>> Values(static_cast<size_t>(FRecordsCount));
            for (Integer P = 0; P < FRecordsCount; ++P) Values[P] = SortValues(P, SF);
            std::vector<Integer> Order(static_cast<size_t>(FRecordsCount));
            std::iota(Order.begin(), Order.end(), 0);
            std::stable_sort(Order.begin(), Order.end(), [&](Integer L, Integer R) {
                return CompareSortValues(Values[L], Values[R], SF, Asc) < 0;
            });
            // Put the records in that order: Where[p] is the position now holding old record p.
            std::vector<Integer> Where(Order.size()), Holder(Order.size());
            std::iota(Where.begin(), Where.end(), 0);
            std::iota(Holder.begin(), Holder.end(), 0);
            for (Integer K = 0; K < FRecordsCount; ++K) {
                const Integer From = Where[Order[K]];
                if (From == K) continue;
                FCache->ExchangeRecords(K, From);
                const Integer Moved = Holder[K];
                std::swap(Holder[K], Holder[From]);
                Where[Order[K]] = K;
                Where[Moved] = From;
            }
        }
        int32_t Phys = 0;
        if (B.size() >= 4) std::memcpy(&Phys, B.data(), 4);
        if (B.empty() || !BookmarkValid(B)) {
            First();
        } else if (!ShownAt(FCache->LogicalIndex(Phys))) {
            // A record a revert or the filter hides now: the cursor goes to its neighbour in the new order.
            FCurrentRecord_ = FCache->LogicalIndex(Phys);
            Resync({});
        } else {
            GotoBookmark(B);
        }
    } catch (...) {
        // A failed sort leaves no claim of an order behind.
        FSortDescription = Null();
        Finish();
        throw;
    }
    Finish();
}

bool TFBCustomDataSet::SortFieldChanged() {
    // A window always keeps its order: a changed value moves the record there.
    const bool Window = LimitedCache();
    if (!Sorted() || !(FOptions.Contains(poKeepSorting) || Window)) return false;
    TRecordBuffer B = GetActiveBuf();
    if (!B) return false;
    const Integer R = BufRecNo(B);
    if (Window ? FWindow.First < 0 || R < FWindow.First || R > FWindow.Last : R < 0 || R >= FRecordsCount) return false;
    std::vector<TField*> SF;
    std::vector<bool> Asc;
    SortFieldsOf(SF, Asc);
    const std::vector<Variant> Old = SortValues(BufRecNo(B), SF);
    for (size_t I = 0; I < SF.size(); ++I) {
        const Variant New = SF[I]->AsVariant();
        if (VarIsNull(New) != VarIsNull(Old[I]) || (!VarIsNull(New) && CompareFieldValues(SF[I], New, Old[I]) != 0))
            return true;
    }
    return false;
}

Integer TFBCustomDataSet::SortedPlace(Integer Pos) {
    std::vector<TField*> SF;
    std::vector<bool> Asc;
    SortFieldsOf(SF, Asc);
    if (SF.empty()) return Pos;
    const std::vector<Variant> Mine = SortValues(Pos, SF);
    // After every other record that does not sort after it.
    Integer Place = 0;
    for (Integer P = 0; P < FRecordsCount; ++P)
        if (P != Pos && CompareSortValues(SortValues(P, SF), Mine, SF, Asc) <= 0) ++Place;
    return Place;
}

void TFBCustomDataSet::ResortAfterPost() {
    if (IsEmpty() || !Sorted()) return;
    if (!FOptions.Contains(poKeepSorting)) {
        FSortDescription = Null();
        return;
    }
    CheckBrowseMode();
    const Integer Pos = BufRecNo(ActiveBuffer());
    MoveRecord(Pos + 1, SortedPlace(Pos) + 1);
}

void TFBCustomDataSet::MoveRecord(Integer OldRecNo, Integer NewRecNo) {
    CheckBrowseMode();
    if (LimitedCache()) FBErrorFmt("%s:Can't sort a limited cache window locally.", {FullName()});
    if (NewRecNo > FRecordsCount) {
        InternalLast();
        NewRecNo = std::min(NewRecNo, FRecordsCount);
    }
    // Record numbers outside the cache raise the list's index error before anything moves.
    FCache->MoveRecord(OldRecNo - 1, NewRecNo - 1);
    FCurrentRecord_ = NewRecNo - 1;
    Resync({});
}
