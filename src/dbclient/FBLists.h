#pragma once
// Handler lists through which databases and transactions tell any number of
// listeners, and the per-database table of blob filters.
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/Classes.h"

// Identity of a handler: the routine (Code) and the object it runs on (Data).
struct TMethodKey {
    std::array<unsigned char, 2 * sizeof(void*)> Code{};
    TObject* Data = nullptr;
    bool operator==(const TMethodKey&) const = default;
};

template <typename T, typename M>
TMethodKey MethodKey(T* Object, M T::*Method) {
    static_assert(sizeof(Method) <= sizeof(TMethodKey::Code));
    TMethodKey k;
    std::memcpy(k.Code.data(), &Method, sizeof(Method));
    k.Data = Object;
    return k;
}

// An owned list of handlers. Adding an equal handler (same routine, same
// object) again returns its index; removing deletes every equal entry; a
// component whose handlers are listed is dropped from the list when it goes.
class TCallBackList : public TComponent {
public:
    explicit TCallBackList(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
    ~TCallBackList() override;

    Integer Count() const { return static_cast<Integer>(FItems.size()); }
    Integer IndexOf(const TMethodKey& Key) const;
    void Remove(const TMethodKey& Key);
    // The key of entry Index; an empty key when out of range.
    TMethodKey GetKey(Integer Index) const;

protected:
    // Runs Fn on each handler listed at the call, in list order or last to
    // first. A handler removed meanwhile is not run, one added is not run,
    // and no other is skipped; the walk ends when the list itself goes.
    void Walk(bool Backwards, const std::function<void(void* Handler)>& Fn) const;
    Integer AddEntry(const TMethodKey& Key, std::shared_ptr<void> Handler);
    // The handler of entry Index, nullptr when out of range.
    void* GetEntry(Integer Index) const;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    struct TItem {
        TMethodKey Key;
        std::shared_ptr<void> Handler;
    };
    std::vector<TItem> FItems;
};

// A handler list of one handler signature.
template <typename Sig>
class TCallBackListOf : public TCallBackList {
public:
    using THandler = std::function<Sig>;
    explicit TCallBackListOf(TComponent* AOwner = nullptr) : TCallBackList(AOwner) {}

    template <typename T, typename M>
    Integer Add(T* Object, M T::*Method) {
        return Add(MethodKey(Object, Method), [Object, Method](auto&&... a) { (Object->*Method)(a...); });
    }
    Integer Add(const TMethodKey& Key, THandler Handler) {
        return AddEntry(Key, std::make_shared<THandler>(std::move(Handler)));
    }
    template <typename T, typename M>
    void Remove(T* Object, M T::*Method) { TCallBackList::Remove(MethodKey(Object, Method)); }
    using TCallBackList::Remove;
    // Runs Fn on every handler (see Walk); listeners may leave meanwhile.
    template <typename F>
    void ForEachHandler(bool Backwards, F&& Fn) const {
        Walk(Backwards, [&Fn](void* h) { Fn(*static_cast<const THandler*>(h)); });
    }
    // Calls every handler with Args.
    template <typename... A>
    void Call(bool Backwards, A... Args) const {
        ForEachHandler(Backwards, [&](const THandler& h) { FireEvent(h, Args...); });
    }
    // The handler of entry Index; empty when out of range.
    THandler GetItem(Integer Index) const {
        auto* h = static_cast<THandler*>(GetEntry(Index));
        return h ? *h : THandler();
    }
};

class TNotifyEventList : public TCallBackListOf<void(TObject* Sender)> {
public:
    using TCallBackListOf::TCallBackListOf;
};

// A blob filter may replace the buffer (malloc'ed) and its size.
using TBlobFilterProc = void (*)(void*& Buffer, Integer& Size);

// Blob filters by blob subtype: one for writing, one for reading.
class TIBBlobFilters : public TObject {
public:
    // Registers filters for Subtype (either may be null).
    void Add(Integer Subtype, TBlobFilterProc ForWriting, TBlobFilterProc ForReading);
    // Sorts on the first look-up after a change; among equal subtypes the first added wins.
    bool Find(Integer Subtype, Integer& Index);
    TBlobFilterProc GetFilter(Integer Subtype, bool ForWriting);
    Integer Count() const { return static_cast<Integer>(FItems.size()); }

private:
    struct TItem {
        Integer Subtype;
        TBlobFilterProc WriteFilter;
        TBlobFilterProc ReadFilter;
    };
    std::vector<TItem> FItems;
    bool FSorted = true;
};
