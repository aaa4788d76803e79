// TFBCustomDataSet: the limited cache model. A window of at most BufferChunks records of an
// ordered select lives in a ring of the cache (record n in slot n mod BufferChunks); rows
// past either edge come from statements keyed on the edge record's ORDER BY values.
#include "datasets/FBDataSet.h"

#include <algorithm>
#include <cstring>

#include "dbclient/FBMessages.h"
#include "dbclient/SqlTxtRtns.h"
#include "dbclient/StrUtil.h"
#include "platform/rtl/CodePage.h"

bool TFBCustomDataSet::LimitedCache() const { return FCacheModelOptions->CacheModelKind() == cmkLimitedBufferSize; }

bool TFBCustomDataSet::CanUseLimitedCache() {
    if (FCachedUpdates) return false;
    if (!VarIsArray(::GetOrderInfo(FSelectQuery->SQLText()))) return false;
    // The window's statements read in Transaction: they must see what was posted.
    if (!FAutoCommit && UpdateTransaction() && UpdateTransaction() != Transaction()) return false;
    TFBXSQLDA* P = FSelectQuery->Params();
    for (Integer I = 0; P && I < P->Count(); ++I)
        if (IsNewParamName(P->Vars(I)->Name())) return false;
    return true;
}

AnsiString TFBCustomDataSet::ColumnReference(TField* Field) const {
    TFBXSQLVAR* V = FSelectQuery->Current()->Vars(Field->FieldNo() - 1);
    AnsiString Name = V->SQLName();
    if (Name == "DB_KEY") Name = "RDB$DB_KEY";
    AnsiString Column = FormatIdentifier(3, Name);
    AnsiString Table = V->RelationName();
    if (Table.empty()) return Column;
    // A table the select names by an alias is reachable only through that alias.
    TStringList Tables;
    FillTablesList(FSelectQuery->SQLText(), &Tables, false, true);
    for (Integer I = 0; I < Tables.Count(); ++I) {
        const AnsiString Entry = Tables.Strings(I);
        const AnsiString Alias = AliasPart(Entry);
        if (!Alias.empty() && SameIdentifiers(TableNamePart(Entry), Table)) {
            Table = Alias;
            return Table + "." + Column;
        }
    }
    return FormatIdentifier(3, Table) + "." + Column;
}

namespace {

bool IsWhite(char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\n'; }

// The last blank-separated word of S before position End (exclusive), upper-cased; Start gets its start.
AnsiString LastWord(const AnsiString& S, size_t End, size_t& Start) {
    while (End > 0 && IsWhite(S[End - 1])) --End;
    Start = End;
    while (Start > 0 && !IsWhite(S[Start - 1])) --Start;
    return FastUpperCase(S.substr(Start, End - Start));
}

// The items of an ORDER BY list: split at the commas outside quotes and brackets.
std::vector<AnsiString> OrderItems(const AnsiString& Order) {
    std::vector<AnsiString> R;
    Integer Depth = 0;
    char Quote = 0;
    size_t From = 0;
    for (size_t I = 0; I <= Order.size(); ++I) {
        const char C = I < Order.size() ? Order[I] : ',';
        if (Quote) {
            if (C == Quote) Quote = 0;
        } else if (C == '"' || C == '\'') {
            Quote = C;
        } else if (C == '(') {
            ++Depth;
        } else if (C == ')') {
            --Depth;
        } else if (C == ',' && Depth <= 0) {
            const AnsiString Item = FastTrim(Order.substr(From, I - From));
            if (!Item.empty()) R.push_back(Item);
            From = I + 1;
        }
    }
    return R;
}

// An ORDER BY item without its direction word; Ascending gets the direction.
AnsiString WithoutDirection(const AnsiString& Item, bool& Ascending) {
    size_t Start;
    const AnsiString W = LastWord(Item, Item.size(), Start);
    Ascending = !(W == "DESC" || W == "DESCENDING");
    if (W == "ASC" || W == "ASCENDING" || !Ascending) return FastTrim(Item.substr(0, Start));
    return Item;
}

}  // namespace

AnsiString WithoutNullsPlacement(const AnsiString& Item, Integer* Placement) {
    if (Placement) *Placement = 0;
    size_t Start, Before;
    const AnsiString W = LastWord(Item, Item.size(), Start);
    if ((W != "FIRST" && W != "LAST") || LastWord(Item, Start, Before) != "NULLS") return Item;
    if (Placement) *Placement = W == "FIRST" ? 1 : 2;
    return FastTrim(Item.substr(0, Before));
}

AnsiString TFBCustomDataSet::WindowCondition(bool Forward, TRecordBuffer Key) const {
    // Null is a value of its own in the order: the terms below place it where the select puts it.
    AnsiString Cond;
    for (size_t I = FWindowOrder.size(); I-- > 0;) {
        TField* F = FWindowOrder[I].first;
        const bool Ascending = FWindowOrder[I].second == Forward;
        const Byte Nulls = I < FWindowNulls.size() ? FWindowNulls[I] : 0;
        const AnsiString TC = ColumnReference(F);
        const AnsiString P = "?" + FormatIdentifier(3, "NEW_" + F->FieldName());
        const bool KeyNull = Key && BufNull(Key, F->FieldNo());
        // Walking this way, Null rows come before the others (or, when false, after them).
        const bool NullsBefore = (Nulls == 1) == Ascending;
        AnsiString After;
        if (KeyNull) {
            if (NullsBefore) After = "(" + TC + " is not null)";
        } else {
            After = "(" + TC + (Ascending ? ">" : "<") + P + ")";
            if (Nulls != 0 && !NullsBefore) After = "(" + After + " or (" + TC + " is null))";
        }
        const AnsiString Eq = KeyNull ? "(" + TC + " is null)" : "(" + TC + "=" + P + ")";
        if (I + 1 == FWindowOrder.size()) Cond = After;
        else if (Cond.empty()) Cond = After;
        else if (After.empty()) Cond = "(" + Cond + " and " + Eq + ")";
        else Cond = "((" + Cond + " and " + Eq + ") or " + After + ")";
    }
    return Cond.empty() ? AnsiString("(1=0)") : Cond;
}

AnsiString TFBCustomDataSet::WindowLocateCondition(TRecordBuffer Key) const {
    AnsiString Locate;
    for (const auto& [F, Ascending] : FWindowOrder) {
        if (!Locate.empty()) Locate += " and ";
        if (Key && BufNull(Key, F->FieldNo()))
            Locate += "(" + ColumnReference(F) + " is null)";
        else
            Locate += "(" + ColumnReference(F) + "=?" + FormatIdentifier(3, "LOCATE_" + F->FieldName()) + ")";
    }
    return Locate;
}

TFBQuery* TFBCustomDataSet::WindowSelect() const { return FWindowSorted ? FSelectSorted : FSelectQuery; }

AnsiString TFBCustomDataSet::KeyedWindowSQL(const TFBQuery* Q, TRecordBuffer Key) const {
    const AnsiString Text = WindowSelect()->SQLText();
    if (Q == FSelectPartQuery) return AddToWhereClause(Text, WindowCondition(true, Key), false);
    if (Q == FSelectPartDescQuery) return AddToWhereClause(Text, WindowCondition(false, Key), false);
    return AddToWhereClause(Text, WindowLocateCondition(Key), false);
}

void TFBCustomDataSet::SetWindowSQL(TFBQuery*& Q, const char* Name, const AnsiString& Sql, bool Descending) {
    if (!Q) Q = CreateInternalQuery(Name);
    Q->Close();
    Q->SetDatabase(Database());
    Q->SetTransaction(Transaction());
    Q->SQL()->SetText(Sql);
    FWindowNullPatterns[Q] = AnsiString();
    if (Descending) ReverseWindowOrder(Q);
}

void TFBCustomDataSet::ReverseWindowOrder(TFBQuery* Q) const {
    Q->SetOrderClause(FWindowReversedOrder);
    const AnsiString Plan = FCacheModelOptions->PlanForDescSQLs();
    if (!IsBlankStr(Plan)) Q->SetPlanClause(Plan);
}

void TFBCustomDataSet::PrepareLimitedCacheQueries() {
    if (FWindowOrder.empty()) FBErrorFmt("%s:Can't find or parse ORDER BY statement.", {FullName()});
    // The reversed order names where Null goes, so that both directions agree on it.
    TFBQuery* Select = WindowSelect();
    const std::vector<AnsiString> Items = OrderItems(Select->OrderClause());
    FWindowReversedOrder.clear();
    if (Items.size() == FWindowOrder.size()) {
        for (size_t I = 0; I < Items.size(); ++I) {
            bool Ascending;
            const AnsiString Item = WithoutDirection(WithoutNullsPlacement(Items[I]), Ascending);
            if (!FWindowReversedOrder.empty()) FWindowReversedOrder += ", ";
            FWindowReversedOrder += Item + (Ascending ? " desc" : " asc");
            if (I < FWindowNulls.size() && FWindowNulls[I] != 0)
                FWindowReversedOrder += (FWindowNulls[I] == 1) == !Ascending ? " nulls first" : " nulls last";
        }
    } else {
        FWindowReversedOrder = InvertOrderClause(Select->OrderClause());
    }
    const AnsiString Text = Select->SQLText();
    SetWindowSQL(FSelectDescQuery, "SelectDescQuery", Text, true);
    SetWindowSQL(FSelectPartQuery, "SelectPartQuery", KeyedWindowSQL(FSelectPartQuery, nullptr), false);
    SetWindowSQL(FSelectPartDescQuery, "SelectPartDescQuery", KeyedWindowSQL(FSelectPartDescQuery, nullptr), true);
    SetWindowSQL(FSelectLocate, "SelectLocate", KeyedWindowSQL(FSelectLocate, nullptr), false);
}

// Before the select runs: the conditions still hold and every ORDER BY item is a field.
void TFBCustomDataSet::OpenWindowModel() {
    if (!CanUseLimitedCache()) FBError(75, {FullName()});
    GetOrderInfo();
    if (!VarIsArray(FSortDescription)) {
        const Variant Info = ::GetOrderInfo(FSelectQuery->SQLText());
        if (VarIsArray(Info))
            FBErrorFmt("%s.\r\nField %s use in order, but not presented in fields section of SelectSQL",
                       {FullName(), VarToStr(VarArrayGet(Info, {0, 0}))});
        FBErrorFmt("%s:Can't find or parse ORDER BY statement.", {FullName()});
    }
    // A local sort kept over the re-opening (poPersistentSorting) stays the window's order.
    SetWindowOrder(FLocallySorted);
}

void TFBCustomDataSet::SetWindowOrder(bool LocalSort) {
    std::vector<std::pair<TField*, bool>> Order;
    AnsiString Clause;
    for (Integer I = 0; I <= VarArrayHighBound(FSortDescription, 1); ++I) {
        const AnsiString Name = VarToStr(VarArrayGet(FSortDescription, {I, 0}));
        TField* F = FindField(Name);
        if (!F || F->FieldKind() != fkData)
            FBErrorFmt("%s.\r\nField %s use in order, but not presented in fields section of SelectSQL",
                       {FullName(), Name});
        const bool Ascending = VarArrayGet(FSortDescription, {I, 1}).AsBoolean();
        Order.emplace_back(F, Ascending);
        Clause += (Clause.empty() ? "" : ", ") + ColumnReference(F) + (Ascending ? "" : " desc");
    }
    // Rows equal in every ORDER BY value would be passed over at a window's edge: the primary
    // key of the first ORDER BY column's table, when the select has it, orders them.
    AnsiString Tie;
    if (!Order.empty()) {
        TFBXSQLVAR* V = FSelectQuery->Current()->Vars(Order[0].first->FieldNo() - 1);
        for (const AnsiString& Name : SplitFieldNames(KeyFieldsOfTable(V->RelationName()))) {
            TField* F = FindField(Name);
            const auto Same = [F](const std::pair<TField*, bool>& O) { return O.first == F; };
            if (!F || std::any_of(Order.begin(), Order.end(), Same)) continue;
            Order.emplace_back(F, true);
            Tie += ", " + ColumnReference(F);
        }
    }
    FWindowOrder = Order;
    // A local sort is the order of the window's statements: the server hands out its rows.
    FWindowSorted = LocalSort || !Tie.empty();
    if (FWindowSorted) {
        SetWindowSQL(FSelectSorted, "SelectSortQuery", FSelectQuery->SQLText(), false);
        FSelectSorted->SetOrderClause((LocalSort ? Clause : FSelectQuery->OrderClause()) + Tie);
    }
    // Where the select puts Null in each ORDER BY column: by default it is the lowest value.
    const std::vector<AnsiString> Items = OrderItems(WindowSelect()->OrderClause());
    FWindowNulls.clear();
    for (size_t I = 0; I < FWindowOrder.size(); ++I) {
        TField* F = FWindowOrder[I].first;
        TFBXSQLVAR* V = FSelectQuery->Current()->Vars(F->FieldNo() - 1);
        Integer Placement = 0;
        if (I < Items.size()) WithoutNullsPlacement(Items[I], &Placement);
        const bool Low = Placement == 0 || (Placement == 1) == FWindowOrder[I].second;
        FWindowNulls.push_back(!V->IsNullable() ? 0 : Low ? 1 : 2);
    }
    PrepareLimitedCacheQueries();
}

void TFBCustomDataSet::SetWindowBookmarkLayout() {
    // Behind the record number a bookmark keeps the record's ORDER BY values.
    FWindowKeyOffsets.clear();
    Integer Size = 8;
    for (const auto& [F, Ascending] : FWindowOrder) {
        FWindowKeyOffsets.push_back(Size);
        Size += 1 + DescrOf(F)->Width;
    }
    SetBookmarkSize(Size);
}

void TFBCustomDataSet::SortWindow(const Variant& Description) {
    CheckBrowseMode();
    TTempBuffer Key(this);
    TRecordBuffer Current = GetActiveBuf();
    if (Current) std::memcpy(Key.Buffer, Current, static_cast<size_t>(FRecordBufferSize));
    const Variant Before = FSortDescription;
    const bool WasLocal = FLocallySorted;
    const auto Apply = [&](const Variant& Description, bool Local) {
        CloseWindowQueries();
        FLocallySorted = Local;
        if (Local) FSortDescription = Description;
        else GetOrderInfo();
        SetWindowOrder(Local);
        SetWindowBookmarkLayout();
        // The current record stays current, now among its neighbours in the new order.
        if (Current) WindowAroundKey(Key.Buffer, true);
        else WindowFirstRecords();
    };
    TCursor Old = 0;
    ChangeScreenCursor(Old);
    DisableControls();
    try {
        Apply(Description, VarIsArray(Description));
    } catch (...) {
        // The order before stays: a failed sort leaves the window as it was.
        try {
            Apply(Before, WasLocal);
        } catch (...) {
            WindowFirstRecords();
        }
        Resync({});
        EnableControls();
        RestoreScreenCursor(Old);
        throw;
    }
    Resync({});
    EnableControls();
    RestoreScreenCursor(Old);
}

void TFBCustomDataSet::ResetWindow() {
    FWindow = TWindowState{};
    FWindow.Asc = WindowSelect();
    FRecordsCount = 0;
}

void TFBCustomDataSet::CloseWindowQueries() {
    for (TFBQuery* Q : {FSelectDescQuery, FSelectPartQuery, FSelectPartDescQuery, FSelectLocate, FSelectSorted})
        if (Q) Q->Close();
    FWindow.Asc = FWindow.Desc = nullptr;
    FWindow.AscAt = FWindow.DescAt = -1;
}

void TFBCustomDataSet::ShiftWindow() {
    const Integer BC = FCacheModelOptions->BufferChunks();
    for (Integer* N : {&FWindow.First, &FWindow.Last, &FWindow.AscAt, &FWindow.DescAt})
        if (*N >= 0) *N += BC;
    FCurrentRecord_ += BC;
    for (TRecordBuffer B : FBuffers)
        if (B) BufRecNo(B) += BC;
}

void TFBCustomDataSet::ExecKeyed(TFBQuery* Q, TRecordBuffer KeyBuf) {
    Q->Close();
    if (KeyBuf && (Q == FSelectPartQuery || Q == FSelectPartDescQuery || Q == FSelectLocate)) {
        // A Null key value takes other terms than a value does: the text follows the key's Nulls.
        AnsiString Pattern;
        for (const auto& [F, Ascending] : FWindowOrder) Pattern += BufNull(KeyBuf, F->FieldNo()) ? '1' : '0';
        auto It = FWindowNullPatterns.find(Q);
        const bool Known = It != FWindowNullPatterns.end() && !It->second.empty();
        const bool Same = Known ? It->second == Pattern : Pattern.find('1') == AnsiString::npos;
        if (!Same) {
            TFBQuery* Target = Q;
            SetWindowSQL(Target, "", KeyedWindowSQL(Q, KeyBuf), Q == FSelectPartDescQuery);
        }
        FWindowNullPatterns[Q] = Pattern;
    }
    if (!Q->Prepared()) Q->Prepare();
    TFBXSQLDA* Params = Q->Params();
    for (Integer I = 0; I < Params->Count(); ++I) {
        TFBXSQLVAR* P = Params->Vars(I);
        const AnsiString N = P->Name();
        AnsiString Col;
        if (IsNewParamName(N)) Col = N.substr(4);
        else if (N.size() > 7 && SameName(N.substr(0, 7), "LOCATE_")) Col = N.substr(7);
        TField* F = Col.empty() || !KeyBuf ? nullptr : FBFindField(Col);
        if (F && F->FieldKind() == fkData)
            SetParamFromRecord(P, F->FieldNo(), KeyBuf);
        else if (TFBXSQLVAR* SP = FSelectQuery->FindParam(N))
            P->Assign(SP);
    }
    TFBTransaction* Tr = Q->Transaction();
    if (Tr && !Tr->Active() && FOptions.Contains(poStartTransaction)) Tr->StartTransaction();
    Q->ExecQuery();
}

bool TFBCustomDataSet::WindowFetchForward() {
    TWindowState& W = FWindow;
    if (W.Eof) return false;
    if (!W.Asc || W.AscAt != W.Last || !W.Asc->Open()) {
        if (W.Last < 0) {
            ExecKeyed(WindowSelect(), nullptr);
            W.Asc = WindowSelect();
        } else {
            TTempBuffer Key(this);
            ReadRecordCache(W.Last, Key.Buffer, false);
            ExecKeyed(FSelectPartQuery, Key.Buffer);
            W.Asc = FSelectPartQuery;
        }
        W.AscAt = W.Last;
    }
    TFBQuery* Q = W.Asc;
    if (!Q->Eof()) Q->Next();
    if (Q->Eof()) {
        W.Eof = true;
        return false;
    }
    const Integer N = W.Last + 1;
    FetchRecordToCache(Q, N);
    W.Last = W.AscAt = N;
    if (W.First < 0) {
        W.First = N;
    } else if (W.Last - W.First >= FCacheModelOptions->BufferChunks()) {
        // The ring slot of the first record now holds the new one.
        ++W.First;
        W.Bof = false;
    }
    FRecordsCount = W.Last - W.First + 1;
    return true;
}

bool TFBCustomDataSet::WindowFetchBackward() {
    TWindowState& W = FWindow;
    if (W.Bof || W.First < 0) return false;
    if (!W.Desc || W.DescAt != W.First || !W.Desc->Open()) {
        TTempBuffer Key(this);
        ReadRecordCache(W.First, Key.Buffer, false);
        ExecKeyed(FSelectPartDescQuery, Key.Buffer);
        W.Desc = FSelectPartDescQuery;
        W.DescAt = W.First;
    }
    TFBQuery* Q = W.Desc;
    if (!Q->Eof()) Q->Next();
    if (Q->Eof()) {
        W.Bof = true;
        return false;
    }
    if (W.First == 0) ShiftWindow();
    const Integer N = W.First - 1;
    if (W.Last - N >= FCacheModelOptions->BufferChunks()) {
        --W.Last;
        W.Eof = false;
    }
    FetchRecordToCache(Q, N);
    W.First = W.DescAt = N;
    FRecordsCount = W.Last - W.First + 1;
    return true;
}

void TFBCustomDataSet::WindowFirstRecords() {
    // The window already starts at the select's first row.
    if (FWindow.Bof && (FWindow.First >= 0 || (FWindow.Asc == WindowSelect() && WindowSelect()->Open()))) {
        FCurrentRecord_ = FWindow.First >= 0 ? FWindow.First - 1 : -1;
        return;
    }
    CloseWindowQueries();
    ExecKeyed(WindowSelect(), nullptr);
    ResetWindow();
    FCurrentRecord_ = -1;
}

void TFBCustomDataSet::WindowLastRecords() {
    if ((FWindow.Eof && FWindow.Last >= 0) || State() == dsInsert) {
        FCurrentRecord_ = FWindow.Last + 1;
        return;
    }
    TCursor Old = 0;
    ChangeScreenCursor(Old);
    try {
        CloseWindowQueries();
        ExecKeyed(FSelectDescQuery, nullptr);
        const Integer BC = FCacheModelOptions->BufferChunks();
        FWindow = TWindowState{};
        FWindow.Bof = false;
        FWindow.Eof = true;
        FWindow.Desc = FSelectDescQuery;
        FRecordsCount = 0;
        try {
            for (Integer N = 2 * BC - 1; FRecordsCount < BC; --N) {
                FSelectDescQuery->Next();
                if (FSelectDescQuery->Eof()) {
                    FWindow.Bof = true;
                    break;
                }
                FetchRecordToCache(FSelectDescQuery, N);
                if (FWindow.Last < 0) FWindow.Last = N;
                FWindow.First = FWindow.DescAt = N;
                FRecordsCount = FWindow.Last - FWindow.First + 1;
            }
        } catch (EAbort&) {
            // Fetching stopped on purpose: the rows read so far make the window.
        }
        FCurrentRecord_ = FWindow.Last + 1;
    } catch (...) {
        RestoreScreenCursor(Old);
        throw;
    }
    RestoreScreenCursor(Old);
}

TGetResult TFBCustomDataSet::GetWindowRecord(TRecordBuffer Buffer, TGetMode GetMode) {
    Integer& C = FCurrentRecord_;
    TWindowState& W = FWindow;
    const auto Read = [&] {
        ReadRecordCache(C, Buffer, false);
        return grOK;
    };
    switch (GetMode) {
        case gmCurrent:
            if (W.First < 0 && !WindowFetchForward()) return grBOF;
            if (C < W.First) return grBOF;
            while (C > W.Last && WindowFetchForward()) {}
            if (C > W.Last) return grEOF;
            return Read();
        case gmNext:
            if (W.First >= 0 && C >= W.First - 1 && C < W.Last) {
                ++C;
                return Read();
            }
            if (W.First >= 0 && C < W.First - 1) {
                C = W.First;
                return Read();
            }
            if (WindowFetchForward()) {
                C = W.Last;
                return Read();
            }
            if (W.Last >= 0) C = W.Last + 1;
            return grEOF;
        case gmPrior:
            if (W.First >= 0 && C > W.First && C <= W.Last + 1) {
                --C;
                return Read();
            }
            if (W.First >= 0 && C > W.Last + 1) {
                C = W.Last;
                return Read();
            }
            if (WindowFetchBackward()) {
                C = W.First;
                return Read();
            }
            C = W.First >= 0 ? W.First - 1 : -1;
            return grBOF;
    }
    return grError;
}

bool TFBCustomDataSet::LoadWindow(TFBQuery* Q, TRecordBuffer KeyBuf) {
    const bool Found = Q && Q->Open() && !Q->Eof();
    if (!Found && !KeyBuf) return false;
    const Integer BC = FCacheModelOptions->BufferChunks();
    TTempBuffer Key(this);
    if (!Found) std::memcpy(Key.Buffer, KeyBuf, static_cast<size_t>(FRecordBufferSize));
    for (TFBQuery* W : {FSelectDescQuery, FSelectPartQuery, FSelectPartDescQuery})
        if (W && W != Q) W->Close();
    FWindow = TWindowState{};
    FWindow.Bof = FWindow.Eof = false;
    FRecordsCount = 0;
    // Room for a whole window before the key keeps the record numbers positive.
    const Integer P = BC;
    Integer Current = -1;
    if (Found) {
        FetchRecordToCache(Q, P);
        ReadRecordCache(P, Key.Buffer, false);
        FWindow.First = FWindow.Last = FWindow.AscAt = FWindow.DescAt = Current = P;
    }
    BufRecNo(Key.Buffer) = P;
    const auto Count = [&] { return FWindow.First < 0 ? 0 : FWindow.Last - FWindow.First + 1; };
    const auto Forward = [&](Integer Upto) {
        while (Count() < Upto) {
            FWindow.Asc->Next();
            if (FWindow.Asc->Eof()) {
                FWindow.Eof = true;
                break;
            }
            const Integer N = FWindow.First < 0 ? P : FWindow.Last + 1;
            FetchRecordToCache(FWindow.Asc, N);
            if (FWindow.First < 0) FWindow.First = N;
            FWindow.Last = FWindow.AscAt = N;
        }
    };
    ExecKeyed(FSelectPartQuery, Key.Buffer);
    FWindow.Asc = FSelectPartQuery;
    Forward(BC / 2 + 1);
    // A key without its record: the one after its place, or else the one before.
    if (!Found && FWindow.First >= 0) Current = FWindow.First;
    ExecKeyed(FSelectPartDescQuery, Key.Buffer);
    FWindow.Desc = FSelectPartDescQuery;
    FWindow.DescAt = FWindow.First;
    while (Count() < BC) {
        FWindow.Desc->Next();
        if (FWindow.Desc->Eof()) {
            FWindow.Bof = true;
            break;
        }
        const Integer N = FWindow.First < 0 ? P - 1 : FWindow.First - 1;
        FetchRecordToCache(FWindow.Desc, N);
        if (FWindow.Last < 0) FWindow.Last = N;
        FWindow.First = FWindow.DescAt = N;
    }
    if (!FWindow.Eof) Forward(BC);
    if (Current < 0) Current = FWindow.Last;
    if (FWindow.First < 0) FWindow.Bof = FWindow.Eof = true;
    FCurrentRecord_ = Current;
    FRecordsCount = Count();
    return true;
}

bool TFBCustomDataSet::WindowAroundKey(TRecordBuffer KeyBuf, bool GoOn) {
    ExecKeyed(FSelectLocate, KeyBuf);
    bool Found = false;
    try {
        FSelectLocate->Next();
        Found = !FSelectLocate->Eof();
        if (Found || GoOn) LoadWindow(FSelectLocate, GoOn ? KeyBuf : nullptr);
    } catch (...) {
        FSelectLocate->Close();
        throw;
    }
    FSelectLocate->Close();
    return Found;
}

bool TFBCustomDataSet::WindowKeyEquals(TRecordBuffer Buffer, const Byte* Bookmark) {
    std::vector<Byte> Own(static_cast<size_t>(BookmarkSize()), 0);
    GetBookmarkData(Buffer, Own.data());
    return std::memcmp(Own.data() + 8, Bookmark + 8, Own.size() - 8) == 0;
}

bool TFBCustomDataSet::WindowKeyChanged(TRecordBuffer Buffer) {
    TRecordBuffer Old = GetOldRecordBuffer(BufRecNo(Buffer));
    if (!Old) return true;
    std::vector<Byte> Before(static_cast<size_t>(BookmarkSize()), 0);
    GetBookmarkData(Old, Before.data());
    FreeRecordBuffer(Old);
    return !WindowKeyEquals(Buffer, Before.data());
}

void TFBCustomDataSet::PostInWindow(TFBQuery* Q, TRecordBuffer B, bool IsInsert) {
    const bool KeyChanged = IsInsert || WindowKeyChanged(B);
    const Integer FormerRecNo = BufRecNo(B);
    // A new record waits past the window's end: in a full ring that slot is the first record's.
    const Integer Target = IsInsert ? FWindow.Last + 1 : FormerRecNo;
    const bool Overwrites = IsInsert && FWindow.First >= 0 &&
                            Target - FWindow.First >= FCacheModelOptions->BufferChunks();
    TTempBuffer Former(this);
    if (Overwrites) ReadRecordCache(FWindow.First, Former.Buffer, false);
    BufRecNo(B) = Target;
    if (IsInsert) BufStatus(B) = cusInserted;
    else if (BufStatus(B) == cusUnmodified) BufStatus(B) = cusModified;
    try {
        InternalPostRecord(Q, B);
    } catch (...) {
        if (Overwrites) WriteRecordCache(FWindow.First, Former.Buffer);
        BufRecNo(B) = FormerRecNo;
        throw;
    }
    if (FBlobFieldCount > 0) BlobStreamStep(B, bsaRelease);
    if (!IsInsert) WriteRecordCache(Target, B);
    FCurrentRecord_ = Target;
    if (KeyChanged) {
        // The record's place in the order is the server's to tell.
        WindowAroundKey(B, true);
    } else if (FOptions.Contains(poRefreshAfterPost) && !IsBlankStr(FRefreshQuery->SQL()->Text())) {
        try {
            InternalRefreshRow(FRefreshQuery, B, false);
        } catch (...) {
            FPostedRowError = std::current_exception();   // the row is stored all the same
        }
    }
}

void TFBCustomDataSet::WindowGotoBookmark(const Byte* Bookmark) {
    int32_t Rec;
    std::memcpy(&Rec, Bookmark, 4);
    TTempBuffer T(this);
    const auto Matches = [&](Integer R) {
        ReadRecordCache(R, T.Buffer, false);
        return WindowKeyEquals(T.Buffer, Bookmark);
    };
    if (Rec >= FWindow.First && Rec <= FWindow.Last && FWindow.First >= 0 && Matches(Rec)) {
        FCurrentRecord_ = Rec;
        return;
    }
    for (Integer R = FWindow.First; R >= 0 && R <= FWindow.Last; ++R)
        if (Matches(R)) {
            FCurrentRecord_ = R;
            return;
        }
    // Gone from the window: the record of those values is asked for.
    for (size_t I = 0; I < FWindowOrder.size(); ++I) {
        TField* F = FWindowOrder[I].first;
        TFBFieldDescr* D = DescrOf(F);
        const Byte* In = Bookmark + FWindowKeyOffsets[I];
        BufNull(T.Buffer, F->FieldNo()) = In[0];
        if (!In[0] && D) std::memcpy(T.Buffer + D->Offset, In + 1, static_cast<size_t>(D->Width));
    }
    BufRecNo(T.Buffer) = 0;
    if (!WindowAroundKey(T.Buffer, false)) DatabaseError(SRecordNotFound, this);
}
