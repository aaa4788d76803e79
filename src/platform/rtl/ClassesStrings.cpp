#include "platform/rtl/Classes.h"

#include <algorithm>
#include <numeric>

namespace {

const char* const SDuplicateString = "String list does not allow duplicates";
const char* const SSortedListError = "Operation not allowed on sorted list";

}  // namespace

// ---------------------------------------------------------------------------
// TStrings

void TStrings::Error(const AnsiString& Msg, Integer Data) const
{
    throw EStringListError(Msg, {Data});
}

Integer TStrings::Add(const AnsiString& S)
{
    Integer Result = GetCount();
    Insert(Result, S);
    return Result;
}

Integer TStrings::AddObject(const AnsiString& S, TObject* AObject)
{
    Integer Result = Add(S);
    PutObject(Result, AObject);
    return Result;
}

void TStrings::AddStrings(TStrings* Strings)
{
    if (!Strings) return;
    BeginUpdate();
    try {
        // Counted once: the source may be this very list.
        const Integer N = Strings->Count();
        for (Integer I = 0; I < N; ++I) AddObject(Strings->Get(I), Strings->GetObject(I));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::Assign(TPersistent* Source)
{
    auto* Src = dynamic_cast<TStrings*>(Source);
    if (!Src) {
        TPersistent::Assign(Source);
        return;
    }
    if (Src == this) return;
    BeginUpdate();
    try {
        Clear();
        FDelimiter = Src->FDelimiter;
        FQuoteChar = Src->FQuoteChar;
        FNameValueSeparator = Src->FNameValueSeparator;
        AddStrings(Src);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::BeginUpdate()
{
    if (FUpdateCount == 0) SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate()
{
    if (FUpdateCount <= 0) return;
    if (--FUpdateCount == 0) SetUpdateState(false);
}

bool TStrings::Equals(TStrings* Strings) const
{
    if (!Strings) return false;
    Integer N = GetCount();
    if (N != Strings->GetCount()) return false;
    for (Integer I = 0; I < N; ++I)
        if (Get(I) != Strings->Get(I)) return false;
    return true;
}

void TStrings::Exchange(Integer Index1, Integer Index2)
{
    BeginUpdate();
    try {
        AnsiString TempString = Get(Index1);
        TObject* TempObject = GetObject(Index1);
        Put(Index1, Get(Index2));
        PutObject(Index1, GetObject(Index2));
        Put(Index2, TempString);
        PutObject(Index2, TempObject);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

Integer TStrings::IndexOf(const AnsiString& S) const
{
    for (Integer I = 0; I < GetCount(); ++I)
        if (CompareStrings(Get(I), S) == 0) return I;
    return -1;
}

Integer TStrings::IndexOfName(const AnsiString& Name) const
{
    for (Integer I = 0; I < GetCount(); ++I) {
        AnsiString S = Get(I);
        auto P = S.find(FNameValueSeparator);
        if (P != AnsiString::npos && CompareStrings(S.substr(0, P), Name) == 0) return I;
    }
    return -1;
}

Integer TStrings::IndexOfObject(TObject* AObject) const
{
    for (Integer I = 0; I < GetCount(); ++I)
        if (GetObject(I) == AObject) return I;
    return -1;
}

void TStrings::InsertObject(Integer Index, const AnsiString& S, TObject* AObject)
{
    Insert(Index, S);
    PutObject(Index, AObject);
}

void TStrings::LoadFromFile(const AnsiString& FileName)
{
    TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&Stream);
}

void TStrings::LoadFromStream(TStream* Stream)
{
    BeginUpdate();
    try {
        Int64 Size = Stream->Size() - Stream->Position();
        AnsiString S;
        if (Size > 0) {
            S.resize(static_cast<size_t>(Size));
            Stream->ReadBuffer(S.data(), static_cast<Integer>(Size));
        }
        SetTextStr(S);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::Move(Integer CurIndex, Integer NewIndex)
{
    if (CurIndex == NewIndex) return;
    BeginUpdate();
    try {
        AnsiString TempString = Get(CurIndex);
        TObject* TempObject = GetObject(CurIndex);
        Delete(CurIndex);
        InsertObject(NewIndex, TempString, TempObject);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::SaveToFile(const AnsiString& FileName)
{
    TMemoryStream Stream;
    SaveToStream(&Stream);
    Stream.SaveToFile(FileName);
}

void TStrings::SaveToStream(TStream* Stream)
{
    AnsiString S = GetTextStr();
    if (!S.empty()) Stream->WriteBuffer(S.data(), static_cast<Integer>(S.size()));
}

AnsiString TStrings::Names(Integer Index) const
{
    AnsiString S = Get(Index);
    auto P = S.find(FNameValueSeparator);
    return P == AnsiString::npos ? AnsiString() : S.substr(0, P);
}

AnsiString TStrings::Values(const AnsiString& Name) const
{
    Integer I = IndexOfName(Name);
    return I >= 0 ? ValueFromIndex(I) : AnsiString();
}

void TStrings::SetValues(const AnsiString& Name, const AnsiString& Value)
{
    Integer I = IndexOfName(Name);
    if (!Value.empty()) {
        AnsiString Line = Name + FNameValueSeparator + Value;
        if (I < 0)
            Add(Line);
        else
            Put(I, Line);
    } else if (I >= 0) {
        Delete(I);
    }
}

AnsiString TStrings::ValueFromIndex(Integer Index) const
{
    AnsiString S = Get(Index);
    auto P = S.find(FNameValueSeparator);
    return P == AnsiString::npos ? AnsiString() : S.substr(P + 1);
}

void TStrings::SetValueFromIndex(Integer Index, const AnsiString& Value)
{
    if (!Value.empty()) {
        if (Index < 0) Index = Add(AnsiString());
        Put(Index, Names(Index) + FNameValueSeparator + Value);
    } else if (Index >= 0) {
        Delete(Index);
    }
}

void TStrings::Put(Integer Index, const AnsiString& S)
{
    TObject* TempObject = GetObject(Index);
    Delete(Index);
    InsertObject(Index, S, TempObject);
}

AnsiString TStrings::GetTextStr() const
{
    AnsiString Result;
    for (Integer I = 0; I < GetCount(); ++I) {
        Result += Get(I);
        Result += "\r\n";
    }
    return Result;
}

void TStrings::SetTextStr(const AnsiString& Value)
{
    BeginUpdate();
    try {
        Clear();
        size_t P = 0, N = Value.size();
        while (P < N) {
            size_t Start = P;
            while (P < N && Value[P] != '\r' && Value[P] != '\n') ++P;
            Add(Value.substr(Start, P - Start));
            if (P < N && Value[P] == '\r') ++P;
            if (P < N && Value[P] == '\n') ++P;
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

Integer TStrings::CompareStrings(const AnsiString& S1, const AnsiString& S2) const
{
    return AnsiCompareText(S1, S2);
}

AnsiString TStrings::GetDelimited(char Delim, char Quote) const
{
    Integer N = GetCount();
    if (N == 1 && Get(0).empty()) return AnsiString(2, Quote);
    AnsiString Result;
    for (Integer I = 0; I < N; ++I) {
        AnsiString S = Get(I);
        bool NeedQuote = false;
        for (char C : S) {
            auto U = static_cast<unsigned char>(C);
            if (U <= ' ' || C == Quote || C == Delim) {
                NeedQuote = true;
                break;
            }
        }
        if (NeedQuote) S = AnsiQuotedStr(S, Quote);
        if (I > 0) Result += Delim;
        Result += S;
    }
    return Result;
}

void TStrings::SetDelimited(const AnsiString& Value, char Delim, char Quote)
{
    auto Blank = [](char C) { auto U = static_cast<unsigned char>(C); return U >= 1 && U <= ' '; };
    BeginUpdate();
    try {
        Clear();
        size_t P = 0, N = Value.size();
        while (P < N && Blank(Value[P])) ++P;
        while (P < N) {
            AnsiString S;
            if (Value[P] == Quote) {
                // Quoted item: doubled quotes stand for one; ends at the lone quote.
                ++P;
                while (P < N) {
                    if (Value[P] == Quote) {
                        if (P + 1 < N && Value[P + 1] == Quote) {
                            S += Quote;
                            P += 2;
                            continue;
                        }
                        ++P;
                        break;
                    }
                    S += Value[P++];
                }
            } else {
                size_t Start = P;
                while (P < N && static_cast<unsigned char>(Value[P]) > ' ' && Value[P] != Delim) ++P;
                S = Value.substr(Start, P - Start);
            }
            Add(S);
            while (P < N && Blank(Value[P])) ++P;
            if (P < N && Value[P] == Delim) {
                if (P + 1 == N) Add(AnsiString());
                do {
                    ++P;
                } while (P < N && Blank(Value[P]));
            }
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

AnsiString TStrings::CommaText() const
{
    return GetDelimited(',', '"');
}

void TStrings::SetCommaText(const AnsiString& Value)
{
    SetDelimited(Value, ',', '"');
}

AnsiString TStrings::DelimitedText() const
{
    return GetDelimited(FDelimiter, FQuoteChar);
}

void TStrings::SetDelimitedText(const AnsiString& Value)
{
    SetDelimited(Value, FDelimiter, FQuoteChar);
}

// ---------------------------------------------------------------------------
// TStringList

TStringList::~TStringList()
{
    OnChange = nullptr;
    OnChanging = nullptr;
    if (FOwnsObjects)
        for (auto& Item : FList) delete Item.FObject;
    FList.clear();
}

void TStringList::CheckIndex(Integer Index) const
{
    if (Index < 0 || Index >= GetCount()) Error(SListIndexError, Index);
}

void TStringList::Changed()
{
    if (UpdateCount() == 0) FireEvent(OnChange, this);
}

void TStringList::Changing()
{
    if (UpdateCount() == 0) FireEvent(OnChanging, this);
}

void TStringList::SetUpdateState(bool Updating)
{
    if (Updating)
        Changing();
    else
        Changed();
}

Integer TStringList::Add(const AnsiString& S)
{
    return AddObject(S, nullptr);
}

Integer TStringList::AddObject(const AnsiString& S, TObject* AObject)
{
    Integer Result;
    if (!FSorted) {
        Result = GetCount();
    } else if (Find(S, Result)) {
        switch (FDuplicates) {
        case dupIgnore:
            return Result;
        case dupError:
            throw EStringListError(SDuplicateString);
        case dupAccept:
            break;
        }
    }
    InsertItem(Result, S, AObject);
    return Result;
}

void TStringList::InsertItem(Integer Index, const AnsiString& S, TObject* AObject)
{
    Changing();
    FList.insert(FList.begin() + Index, TStringItem{S, AObject});
    Changed();
}

void TStringList::Clear()
{
    if (FList.empty()) return;
    Changing();
    // Detach first: freeing an owned object may look at this list again.
    std::vector<TStringItem> Old;
    Old.swap(FList);
    if (FOwnsObjects)
        for (auto& Item : Old) delete Item.FObject;
    Changed();
}

void TStringList::Delete(Integer Index)
{
    CheckIndex(Index);
    Changing();
    TObject* Obj = FList[Index].FObject;
    FList.erase(FList.begin() + Index);
    if (FOwnsObjects) delete Obj;
    Changed();
}

void TStringList::Exchange(Integer Index1, Integer Index2)
{
    CheckIndex(Index1);
    CheckIndex(Index2);
    Changing();
    std::swap(FList[Index1], FList[Index2]);
    Changed();
}

bool TStringList::Find(const AnsiString& S, Integer& Index) const
{
    if (!FSorted) {
        // A binary search of an unsorted list answers at random: look at all.
        for (Index = 0; Index < GetCount(); ++Index)
            if (CompareStrings(FList[Index].FString, S) == 0) return true;
        return false;
    }
    // Lower bound: the first equal entry, or where S would go.
    Integer L = 0, H = GetCount() - 1;
    bool Result = false;
    while (L <= H) {
        Integer I = L + (H - L) / 2;
        Integer C = CompareStrings(FList[I].FString, S);
        if (C < 0) {
            L = I + 1;
        } else {
            H = I - 1;
            if (C == 0) Result = true;
        }
    }
    Index = L;
    return Result;
}

Integer TStringList::IndexOf(const AnsiString& S) const
{
    if (!FSorted) return TStrings::IndexOf(S);
    Integer Result;
    return Find(S, Result) ? Result : -1;
}

void TStringList::Insert(Integer Index, const AnsiString& S)
{
    InsertObject(Index, S, nullptr);
}

void TStringList::InsertObject(Integer Index, const AnsiString& S, TObject* AObject)
{
    if (FSorted) throw EStringListError(SSortedListError);
    if (Index < 0 || Index > GetCount()) Error(SListIndexError, Index);
    InsertItem(Index, S, AObject);
}

AnsiString TStringList::Get(Integer Index) const
{
    CheckIndex(Index);
    return FList[Index].FString;
}

TObject* TStringList::GetObject(Integer Index) const
{
    CheckIndex(Index);
    return FList[Index].FObject;
}

void TStringList::Put(Integer Index, const AnsiString& S)
{
    if (FSorted) throw EStringListError(SSortedListError);
    CheckIndex(Index);
    Changing();
    FList[Index].FString = S;
    Changed();
}

void TStringList::PutObject(Integer Index, TObject* AObject)
{
    CheckIndex(Index);
    Changing();
    FList[Index].FObject = AObject;
    Changed();
}

Integer TStringList::CompareStrings(const AnsiString& S1, const AnsiString& S2) const
{
    return FCaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

void TStringList::Sort()
{
    CustomSort([](TStringList* List, Integer A, Integer B) {
        return List->CompareStrings(List->FList[A].FString, List->FList[B].FString);
    });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare)
{
    if (FSorted || GetCount() <= 1 || !Compare) return;
    // The comparer sees the list as it stands; the order is worked out on
    // indexes and applied at once.
    std::vector<Integer> Order(FList.size());
    std::iota(Order.begin(), Order.end(), 0);
    std::stable_sort(Order.begin(), Order.end(),
                     [&](Integer A, Integer B) { return Compare(this, A, B) < 0; });
    Changing();
    std::vector<TStringItem> Sorted;
    Sorted.reserve(FList.size());
    for (Integer I : Order) Sorted.push_back(std::move(FList[I]));
    FList.swap(Sorted);
    Changed();
}

void TStringList::SortIfNeeded()
{
    if (!FSorted) return;
    FSorted = false;
    try {
        Sort();
    } catch (...) {
        FSorted = true;
        throw;
    }
    FSorted = true;
}

void TStringList::SetSorted(bool Value)
{
    if (FSorted == Value) return;
    if (Value) {
        FSorted = true;
        SortIfNeeded();
    } else {
        FSorted = false;
    }
}

void TStringList::SetCaseSensitive(bool Value)
{
    if (FCaseSensitive == Value) return;
    FCaseSensitive = Value;
    SortIfNeeded();
}

void TStringList::SetCapacity(Integer NewCapacity)
{
    if (NewCapacity < GetCount()) Error("List capacity out of bounds (%d)", NewCapacity);
    FList.reserve(NewCapacity);
}

void TStringList::Move(Integer CurIndex, Integer NewIndex)
{
    if (CurIndex == NewIndex) return;
    if (FSorted) throw EStringListError(SSortedListError);
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    Changing();
    TStringItem Item = std::move(FList[CurIndex]);
    FList.erase(FList.begin() + CurIndex);
    FList.insert(FList.begin() + NewIndex, std::move(Item));
    Changed();
}
