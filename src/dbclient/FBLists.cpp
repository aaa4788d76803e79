#include "dbclient/FBLists.h"

#include <algorithm>

TCallBackList::~TCallBackList() {
    BeforeDestruction();
}

Integer TCallBackList::IndexOf(const TMethodKey& Key) const {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].Key == Key) return static_cast<Integer>(i);
    return -1;
}

Integer TCallBackList::AddEntry(const TMethodKey& Key, std::shared_ptr<void> Handler) {
    Integer i = IndexOf(Key);
    if (i >= 0) return i;
    FItems.push_back({Key, std::move(Handler)});
    if (auto* c = dynamic_cast<TComponent*>(Key.Data)) c->FreeNotification(this);
    return Count() - 1;
}

void TCallBackList::Remove(const TMethodKey& Key) {
    for (size_t i = FItems.size(); i-- > 0;)
        if (FItems[i].Key == Key) FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(i));
}

TMethodKey TCallBackList::GetKey(Integer Index) const {
    if (Index < 0 || Index >= Count()) return TMethodKey();
    return FItems[static_cast<size_t>(Index)].Key;
}

void TCallBackList::Walk(bool Backwards, const std::function<void(void* Handler)>& Fn) const {
    std::vector<std::shared_ptr<void>> snapshot;
    for (const TItem& item : FItems) snapshot.push_back(item.Handler);
    const TAliveGuard alive(this);
    for (size_t n = 0; n < snapshot.size(); ++n) {
        const std::shared_ptr<void>& h = snapshot[Backwards ? snapshot.size() - 1 - n : n];
        if (alive.Gone()) return;
        if (std::none_of(FItems.begin(), FItems.end(), [&h](const TItem& i) { return i.Handler == h; })) continue;
        Fn(h.get());
    }
}

void* TCallBackList::GetEntry(Integer Index) const {
    if (Index < 0 || Index >= Count()) return nullptr;
    return FItems[static_cast<size_t>(Index)].Handler.get();
}

void TCallBackList::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    for (size_t i = FItems.size(); i-- > 0;)
        if (FItems[i].Key.Data == AComponent) FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(i));
}

void TIBBlobFilters::Add(Integer Subtype, TBlobFilterProc ForWriting, TBlobFilterProc ForReading) {
    FItems.push_back({Subtype, ForWriting, ForReading});
    FSorted = false;
}

bool TIBBlobFilters::Find(Integer Subtype, Integer& Index) {
    if (!FSorted) {
        std::stable_sort(FItems.begin(), FItems.end(),
                         [](const TItem& a, const TItem& b) { return a.Subtype < b.Subtype; });
        FSorted = true;
    }
    auto it = std::lower_bound(FItems.begin(), FItems.end(), Subtype,
                               [](const TItem& a, Integer s) { return a.Subtype < s; });
    Index = static_cast<Integer>(it - FItems.begin());
    return it != FItems.end() && it->Subtype == Subtype;
}

TBlobFilterProc TIBBlobFilters::GetFilter(Integer Subtype, bool ForWriting) {
    Integer i;
    if (!Find(Subtype, i)) return nullptr;
    const TItem& item = FItems[static_cast<size_t>(i)];
    return ForWriting ? item.WriteFilter : item.ReadFilter;
}
