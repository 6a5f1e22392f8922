// Sets of enumeration values (up to 64 members), as small value types.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

namespace kv {

template <typename E>
class TSet
{
    static_assert(std::is_enum_v<E>, "TSet holds enumeration values");

public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> values)
    {
        for (E v : values)
            FBits |= Bit(v);
    }

    static constexpr TSet FromBits(std::uint64_t bits)
    {
        TSet s;
        s.FBits = bits;
        return s;
    }
    constexpr std::uint64_t Bits() const { return FBits; }

    constexpr bool Contains(E v) const { return (FBits & Bit(v)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr TSet& Include(E v)
    {
        FBits |= Bit(v);
        return *this;
    }
    constexpr TSet& Exclude(E v)
    {
        FBits &= ~Bit(v);
        return *this;
    }

    friend constexpr TSet operator+(TSet a, TSet b) { return FromBits(a.FBits | b.FBits); }
    friend constexpr TSet operator-(TSet a, TSet b) { return FromBits(a.FBits & ~b.FBits); }
    friend constexpr TSet operator*(TSet a, TSet b) { return FromBits(a.FBits & b.FBits); }
    friend constexpr TSet operator+(TSet a, E b) { return a + TSet{b}; }
    friend constexpr TSet operator-(TSet a, E b) { return a - TSet{b}; }
    friend constexpr bool operator==(TSet a, TSet b) { return a.FBits == b.FBits; }
    // True when every member of a is in b.
    friend constexpr bool operator<=(TSet a, TSet b) { return (a.FBits & ~b.FBits) == 0; }
    TSet& operator+=(TSet b) { return *this = *this + b; }
    TSet& operator-=(TSet b) { return *this = *this - b; }
    TSet& operator+=(E b) { return Include(b); }
    TSet& operator-=(E b) { return Exclude(b); }

private:
    static constexpr std::uint64_t Bit(E v) { return std::uint64_t(1) << static_cast<unsigned>(v); }
    std::uint64_t FBits = 0;
};

} // namespace kv
