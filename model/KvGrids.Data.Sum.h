// An exact running sum of finite numbers, for the providers' column sums.
#pragma once

#include <QtCore/QVarLengthArray>
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

} // namespace kv
