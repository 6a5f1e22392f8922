#include "model/KvGrids.Data.Sum.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace kv {

// Each partial takes the rounding error of adding the value to it (two-sum), which is exact;
// the errors that are not zero stay as partials, the last total goes on top.
void TKvExactSum::Add(double value)
{
    if (value == 0)
        return;
    // The common cases without the loop: no partial yet, or one that takes the value exactly.
    if (FPartials.isEmpty()) {
        FOverflowed = FOverflowed || !std::isfinite(value);
        FPartials.append(value);
        return;
    }
    if (FPartials.size() == 1) {
        double x = value, y = FPartials[0];
        if (std::fabs(x) < std::fabs(y))
            std::swap(x, y);
        const double hi = x + y;
        if (y - (hi - x) == 0) {
            FOverflowed = FOverflowed || !std::isfinite(hi);
            if (hi == 0)
                FPartials.clear();
            else
                FPartials[0] = hi;
            return;
        }
    }
    double x = value;
    qsizetype kept = 0;
    for (qsizetype i = 0; i < FPartials.size(); ++i) {
        double y = FPartials[i];
        if (std::fabs(x) < std::fabs(y))
            std::swap(x, y);
        const double hi = x + y;
        const double lo = y - (hi - x);
        if (lo != 0)
            FPartials[kept++] = lo;
        x = hi;
    }
    FPartials.resize(kept);
    if (!std::isfinite(x))
        FOverflowed = true;
    if (x != 0)
        FPartials.append(x);
}

void TKvExactSum::AddInt(std::int64_t value, int sign)
{
    const double hi = static_cast<double>(value);
    const double lo = static_cast<double>(static_cast<__int128>(value) - static_cast<__int128>(hi));
    Add(sign * hi);
    Add(sign * lo);
}

void TKvExactSum::AddLong(long double value, int sign)
{
    const double hi = static_cast<double>(value);
    Add(sign * hi);
    if (static_cast<long double>(hi) != value)
        Add(sign * static_cast<double>(value - static_cast<long double>(hi)));
}

// From the largest partial down until an addition is inexact; the rest only decide a tie.
double TKvExactSum::Value() const
{
    qsizetype n = FPartials.size();
    if (n == 0)
        return 0;
    if (FOverflowed) {
        double total = 0;
        for (double p : FPartials)
            total += p;
        return total;
    }
    double hi = FPartials[--n];
    double lo = 0;
    while (n > 0) {
        const double x = hi;
        const double y = FPartials[--n];
        hi = x + y;
        lo = y - (hi - x);
        if (lo != 0)
            break;
    }
    // hi + lo is a tie rounded to even; partials beyond it on lo's side tip it the other way.
    if (n > 0 && ((lo < 0 && FPartials[n - 1] < 0) || (lo > 0 && FPartials[n - 1] > 0))) {
        const double y = lo * 2;
        const double x = hi + y;
        if (y == x - hi)
            hi = x;
    }
    return hi;
}

// --- TKvChunkSum ----------------------------------------------------------------------------

// Every chunk but the highest back to 0 .. 2^32 - 1, the rest carried up.
void TKvChunkSum::Carry()
{
    for (int i = 0; i + 1 < kChunks; ++i) {
        FChunks[i + 1] += FChunks[i] >> 32;
        FChunks[i] &= 0xffffffff;
    }
    FAdds = 0;
}

// Each chunk as two doubles that hold it exactly, scaled by its power of two (exact too:
// a multiple of 2^-1074 below 2^1000 with at most 53 significant bits).
void TKvChunkSum::MoveTo(TKvExactSum& Sum)
{
    for (int i = 0; i < kChunks; ++i) {
        if (FChunks[i] == 0)
            continue;
        const double hi = static_cast<double>(FChunks[i]);
        const double lo = static_cast<double>(static_cast<__int128>(FChunks[i]) - static_cast<__int128>(hi));
        Sum.Add(std::ldexp(hi, 32 * i - 1074));
        Sum.Add(std::ldexp(lo, 32 * i - 1074));
    }
    Clear();
}

void TKvChunkSum::Clear()
{
    std::memset(FChunks, 0, sizeof(FChunks));
    FAdds = 0;
    FUsed = false;
}

} // namespace kv
