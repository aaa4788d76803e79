#pragma once
// Basic types of the run-time layer. AnsiString holds code page 1254 bytes;
// WideString holds UTF-16 code units.
#include <cstdint>
#include <memory>
#include <string>
#include <typeinfo>
#include <utility>

using Integer = int32_t;
using Int64 = int64_t;
using UInt64 = uint64_t;
using Cardinal = uint32_t;
using LongWord = uint32_t;
using LongInt = int32_t;
using SmallInt = int16_t;
using ShortInt = int8_t;
using Word = uint16_t;
using Byte = uint8_t;
using Double = double;
using Single = float;
using Extended = long double;
using TDateTime = double;  // days since 1899-12-30, time as the fraction
using AnsiString = std::string;
using WideString = std::u16string;
using Char = char;
using WideChar = char16_t;

// Currency: a 64-bit integer scaled by 10,000, kept exact.
struct Currency {
    Int64 Value = 0;  // units of 1/10000
    static constexpr Int64 Scale = 10000;
    constexpr Currency() = default;
    static constexpr Currency FromScaled(Int64 v) { Currency c; c.Value = v; return c; }
    friend constexpr bool operator==(Currency a, Currency b) { return a.Value == b.Value; }
    friend constexpr auto operator<=>(Currency a, Currency b) { return a.Value <=> b.Value; }
};

// Root of every class of the system.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject();
    // Class name without namespace decoration ("TStringList").
    virtual AnsiString ClassName() const;
    // True until the object is destroyed. Any handler may free the object that
    // raised its event: code that calls one keeps the token (or a TAliveGuard)
    // and goes on only while it reads true. Made on first request.
    std::shared_ptr<const bool> AliveToken() const;

protected:
    // Ends the token early, for a destructor whose own work must already count
    // as the object gone.
    void EndAlive() noexcept;

private:
    mutable std::shared_ptr<bool> FAlive;
};

// Watches an object across calls to handlers that may free it; the one guard
// of every layer. A guard over no object reads gone.
class TAliveGuard {
public:
    explicit TAliveGuard(const TObject* Object) : FToken(Object ? Object->AliveToken() : nullptr) {}
    bool Alive() const { return FToken && *FToken; }
    bool Gone() const { return !Alive(); }

private:
    std::shared_ptr<const bool> FToken;
};

// Fires an event through a copy of its handler: a handler that frees the event's
// owner frees the handler with it, and must still be able to run to its end.
// What a handler keeps from call to call lives outside it, not in the copy.
// A handler that answers (a comparer, a hook) gives its answer; none set, the
// answer is a default value.
template <class Fn, class... A>
auto FireEvent(const Fn& Event, A&&... Args) -> decltype(Event(std::forward<A>(Args)...)) {
    using R = decltype(Event(std::forward<A>(Args)...));
    if (!Event) return R();
    Fn Copy = Event;
    return Copy(std::forward<A>(Args)...);
}

// A small bit set over an unscoped enum with values below 64.
template <typename E>
class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items) { for (E e : items) Include(e); }
    constexpr bool Contains(E e) const { return (FBits >> static_cast<unsigned>(e)) & 1u; }
    constexpr TSet& Include(E e) { FBits |= (UInt64(1) << static_cast<unsigned>(e)); return *this; }
    constexpr TSet& Exclude(E e) { FBits &= ~(UInt64(1) << static_cast<unsigned>(e)); return *this; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr UInt64 Bits() const { return FBits; }
    static constexpr TSet FromBits(UInt64 b) { TSet s; s.FBits = b; return s; }
    constexpr TSet operator+(TSet o) const { return FromBits(FBits | o.FBits); }
    constexpr TSet operator-(TSet o) const { return FromBits(FBits & ~o.FBits); }
    constexpr TSet operator*(TSet o) const { return FromBits(FBits & o.FBits); }
    constexpr TSet& operator+=(TSet o) { FBits |= o.FBits; return *this; }
    constexpr TSet& operator-=(TSet o) { FBits &= ~o.FBits; return *this; }
    constexpr bool operator==(const TSet&) const = default;
private:
    UInt64 FBits = 0;
};
