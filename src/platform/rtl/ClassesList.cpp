#include "platform/rtl/Classes.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// TList

TList::~TList()
{
    Clear();
}

void TList::Error(const AnsiString& Msg, Integer Data)
{
    throw EListError(Msg, {Data});
}

void TList::CheckIndex(Integer Index) const
{
    if (Index < 0 || Index >= Count()) Error(SListIndexError, Index);
}

Integer TList::Add(void* Item)
{
    FList.push_back(Item);
    Integer Result = Count() - 1;
    if (Item) Notify(Item, lnAdded);
    return Result;
}

void TList::Insert(Integer Index, void* Item)
{
    if (Index < 0 || Index > Count()) Error(SListIndexError, Index);
    FList.insert(FList.begin() + Index, Item);
    if (Item) Notify(Item, lnAdded);
}

void TList::Delete(Integer Index)
{
    CheckIndex(Index);
    void* Temp = FList[Index];
    FList.erase(FList.begin() + Index);
    if (Temp) Notify(Temp, lnDeleted);
}

Integer TList::Remove(void* Item)
{
    Integer Result = IndexOf(Item);
    if (Result >= 0) Delete(Result);
    return Result;
}

Integer TList::IndexOf(void* Item) const
{
    auto It = std::find(FList.begin(), FList.end(), Item);
    return It == FList.end() ? -1 : static_cast<Integer>(It - FList.begin());
}

void* TList::Extract(void* Item)
{
    Integer I = IndexOf(Item);
    if (I < 0) return nullptr;
    void* Result = FList[I];
    FList.erase(FList.begin() + I);
    Notify(Result, lnExtracted);
    return Result;
}

void TList::Exchange(Integer Index1, Integer Index2)
{
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FList[Index1], FList[Index2]);
}

void TList::Move(Integer CurIndex, Integer NewIndex)
{
    if (CurIndex == NewIndex) return;
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    void* Item = FList[CurIndex];
    FList.erase(FList.begin() + CurIndex);
    FList.insert(FList.begin() + NewIndex, Item);
}

void TList::Pack()
{
    FList.erase(std::remove(FList.begin(), FList.end(), nullptr), FList.end());
}

void TList::Sort(const TListSortCompare& Compare)
{
    if (!Compare || FList.size() < 2) return;
    std::stable_sort(FList.begin(), FList.end(),
                     [&](void* A, void* B) { return Compare(A, B) < 0; });
}

void TList::Clear()
{
    // Notify each item as it goes so a subclass may free it; the list is
    // emptied from the end so notices see a consistent list.
    while (!FList.empty()) {
        void* Item = FList.back();
        FList.pop_back();
        if (Item) Notify(Item, lnDeleted);
    }
    FList.shrink_to_fit();
}

void TList::Assign(const TList* Source)
{
    if (Source == this) return;   // clearing first would lose everything
    Clear();
    if (!Source) return;
    for (void* P : Source->FList) Add(P);
}

TList* TList::Expand()
{
    if (FList.size() == FList.capacity()) FList.reserve(FList.capacity() < 8 ? 16 : FList.capacity() * 2);
    return this;
}

void TList::SetCapacity(Integer NewCapacity)
{
    if (NewCapacity < Count()) Error("List capacity out of bounds (%d)", NewCapacity);
    if (NewCapacity > Capacity()) FList.reserve(NewCapacity);
}

void TList::SetCount(Integer NewCount)
{
    if (NewCount < 0) Error("List count out of bounds (%d)", NewCount);
    if (NewCount > Count()) {
        FList.resize(NewCount, nullptr);
    } else {
        while (Count() > NewCount) Delete(Count() - 1);
    }
}

void* TList::Items(Integer Index) const
{
    CheckIndex(Index);
    return FList[Index];
}

void TList::SetItems(Integer Index, void* Item)
{
    CheckIndex(Index);
    void* Temp = FList[Index];
    if (Temp == Item) return;
    FList[Index] = Item;
    if (Temp) Notify(Temp, lnDeleted);
    if (Item) Notify(Item, lnAdded);
}

void* TList::First() const
{
    return Items(0);
}

void* TList::Last() const
{
    return Items(Count() - 1);
}

// ---------------------------------------------------------------------------
// TThreadList

void TThreadList::Add(void* Item)
{
    std::lock_guard<std::recursive_mutex> Lock(FLock);
    if (FDuplicates == dupAccept || FList.IndexOf(Item) < 0) {
        FList.Add(Item);
    } else if (FDuplicates == dupError) {
        TList::Error("List does not allow duplicates ($0%x)",
                     static_cast<Integer>(reinterpret_cast<std::uintptr_t>(Item)));
    }
}

void TThreadList::Clear()
{
    std::lock_guard<std::recursive_mutex> Lock(FLock);
    FList.Clear();
}

void TThreadList::Remove(void* Item)
{
    std::lock_guard<std::recursive_mutex> Lock(FLock);
    FList.Remove(Item);
}

TList* TThreadList::LockList()
{
    FLock.lock();
    return &FList;
}

void TThreadList::UnlockList()
{
    FLock.unlock();
}
