// An exact running sum of finite numbers, for the providers' column sums.
#pragma once

#include <QtCore/QVarLengthArray>
#include <bit>
#include <cstdint>

namespace kv {

// The sum is kept as a short list of non-overlapping doubles whose exact total is the exact
// sum of every number added (less every number removed), so any order of edits gives the
// same sum; Value rounds that total once. A total beyond the range of a double reads as
// an infinity, and Overflowed then stays set until Clear.
class TKvExactSum
{
public:
    void Add(double value);
    void Remove(double value) { Add(-value); }
    // A 64-bit integer or a long double holding one, split into doubles exactly.
    void AddLong(long double value, int sign = 1);
    void AddInt(std::int64_t value, int sign = 1);
    // The exact total, rounded to the nearest double (ties to even).
    double Value() const;
    void Clear()
    {
        FPartials.clear();
        FOverflowed = false;
    }
    bool Overflowed() const { return FOverflowed; }

private:
    // Increasing magnitudes, none zero.
    QVarLengthArray<double, 4> FPartials;
    bool FOverflowed = false;
};

// An exact sum of finite numbers below 2^53 in magnitude (every number that is not whole is)
// in fixed point: 32-bit chunks of units of 2^-1074, so an addition is three integer additions
// whatever the values. MoveTo hands the total to an exact sum and starts again from zero.
class TKvChunkSum
{
public:
    // Value: finite, |Value| < 2^53; Sign: 1 or -1.
    void Add(double Value, int Sign)
    {
        const auto bits = std::bit_cast<std::uint64_t>(Value);
        const int exponent = static_cast<int>((bits >> 52) & 0x7ff);
        std::uint64_t mantissa = bits & ((std::uint64_t(1) << 52) - 1);
        if (exponent)
            mantissa |= std::uint64_t(1) << 52;
        // Value = mantissa * 2^(position - 1074), the position from 0 (subnormals) up.
        const int position = exponent ? exponent - 1 : 0;
        const int chunk = position >> 5;
        const unsigned __int128 wide = static_cast<unsigned __int128>(mantissa) << (position & 31);
        const std::int64_t sign = (bits >> 63) ? -Sign : Sign;
        FChunks[chunk] += sign * static_cast<std::int64_t>(static_cast<std::uint32_t>(wide));
        FChunks[chunk + 1] += sign * static_cast<std::int64_t>(static_cast<std::uint32_t>(wide >> 32));
        FChunks[chunk + 2] += sign * static_cast<std::int64_t>(static_cast<std::uint64_t>(wide >> 64));
        FUsed = true;
        if (++FAdds == kAddsBeforeCarry) [[unlikely]]
            Carry();
    }
    bool Used() const { return FUsed; }
    void MoveTo(TKvExactSum& Sum);
    void Clear();

private:
    // Chunk i holds units of 2^(32 i - 1074); the highest takes the carries of the total.
    static constexpr int kChunks = 38;
    // Each chunk grows by less than 2^32 an addition: carried before it could overflow.
    static constexpr int kAddsBeforeCarry = 1 << 30;
    void Carry();

    std::int64_t FChunks[kChunks] = {};
    int FAdds = 0;
    bool FUsed = false;
};

} // namespace kv
