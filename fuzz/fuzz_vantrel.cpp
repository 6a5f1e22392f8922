// The typed store's column buffers: eight pools, one per type, kept at the same row count.
// Each input byte picks an operation (add, insert, delete, move, exchange, set from text,
// set a float, clear) on a field and rows taken from the next bytes. After every step each
// numeric pool's running sum matches the sum of its values (NaN and infinities included), and
// a value written as its own text into a pool of the same type reads back the same.
#include "FuzzSupport.h"

#include "model/KvGrids.Data.Vantrel.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

using namespace kv;
using namespace kvfuzz;

namespace {

struct TInput
{
    const std::uint8_t* Data;
    std::size_t Size;
    std::size_t At = 0;
    bool More() const { return At < Size; }
    std::uint8_t Byte() { return At < Size ? Data[At++] : 0; }
    double Double()
    {
        std::uint8_t b[8] = {};
        for (auto& x : b)
            x = Byte();
        double d;
        std::memcpy(&d, b, 8);
        return d;
    }
    QString Text()
    {
        const std::size_t n = std::min<std::size_t>(Byte() % 24, Size - std::min(At, Size));
        const QString t = kvfuzz::Text(Data + At, n);
        At += n;
        return t;
    }
};

void CheckSum(const TKvVantrelDataPool& pool, long double largest)
{
    if (!pool.IsNumeric())
        return;
    long double sum = 0;
    bool nan = false, pos = false, neg = false;
    for (int r = 0; r < pool.GetCount(); ++r) {
        if (pool.GetNull(r))
            continue;
        const long double v = pool.GetExtended(r);
        if (std::isnan(v))
            nan = true;
        else if (std::isinf(v))
            (v > 0 ? pos : neg) = true;
        else
            sum += v;
    }
    const long double got = pool.GetSum();
    const QString detail = QStringLiteral("type %1: %2 against %3")
                               .arg(int(pool.GetDataType()))
                               .arg(double(got), 0, 'g', 17)
                               .arg(double(sum), 0, 'g', 17);
    if (nan || (pos && neg)) {
        Check(std::isnan(got), "the sum is not NaN", detail);
    } else if (pos || neg) {
        Check(std::isinf(got) && (got > 0) == pos, "the sum is not the infinity", detail);
    } else {
        Check(std::isfinite(got), "the sum stays non-finite after the values left", detail);
        // A running sum rounds at the scale of the largest value it ever held.
        Check(std::fabs(got - sum) <= largest * 1e-12L + 1e-300L, "the running sum drifts", detail);
    }
}

// The row's value written as its text into a fresh pool of the type reads back the same.
void CheckTextRoundTrip(const TKvVantrelDataPool& pool, int row)
{
    if (pool.GetNull(row))
        return;
    const QString text = pool.GetText(row);
    TKvVantrelDataPool again(pool.GetDataType(), 0);
    again.SetCount(1);
    QString error;
    Check(Refusable([&] { again.SetText(0, text); }, &error), "a value's own text is refused", text + QLatin1Char(' ') + error);
    const TKvVantrelDataType type = pool.GetDataType();
    if (type == vdtFloat) {
        const double a = pool.GetFloat(row), b = again.GetFloat(0);
        if (std::isnan(a) || std::isinf(a) || std::fabs(a) > 1e300 || (a != 0 && std::fabs(a) < 1e-300))
            return;
        Check(std::fabs(a - b) <= std::fabs(a) * 1e-14, "a float does not read back from its text", text);
    } else if (type == vdtDate) {
        const double a = pool.GetDate(row), b = again.GetDate(0);
        // Years 1 to 9999; between -1 and 0 a time of 1899-12-30 reads back as the same
        // time of day after 0 (the text holds no sign).
        if (!(a > -693593 && a < 2958465) || (a > -1 && a < 0))
            return;
        Check(std::fabs(a - b) <= 1.0 / 86400, "a date does not read back from its text", text);
    } else {
        Check(again.GetValue(0) == pool.GetValue(row), "a value does not read back from its text", text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::unique_ptr<TKvVantrelDataPool>> pools;
    for (int t = vdtText; t <= vdtDate; ++t)
        pools.push_back(std::make_unique<TKvVantrelDataPool>(static_cast<TKvVantrelDataType>(t), 0));
    long double largest[8] = {};
    TInput in{data, size};
    int steps = 0;
    while (in.More() && steps++ < 200) {
        const std::uint8_t op = in.Byte();
        const int field = in.Byte() % 8;
        TKvVantrelDataPool& pool = *pools[static_cast<size_t>(field)];
        const int count = pool.GetCount();
        const int row = count > 0 ? in.Byte() % count : 0;
        const int other = count > 0 ? in.Byte() % count : 0;
        int touched = -1;
        switch (op % 8) {
        case 0:
            for (auto& p : pools)
                p->Add();
            break;
        case 1:
            for (auto& p : pools)
                p->Insert(row);
            break;
        case 2:
            if (count > 0)
                for (auto& p : pools)
                    p->Delete(row, 1 + other % 3);
            break;
        case 3:
            if (count > 0)
                for (auto& p : pools)
                    p->Move(row, other);
            break;
        case 4:
            if (count > 0)
                for (auto& p : pools)
                    p->Exchange(row, other);
            break;
        case 5: {
            const QString text = in.Text();
            if (count > 0 && Refusable([&] { pool.SetText(row, text); }))
                touched = row;
            break;
        }
        case 6: {
            const double d = in.Double();
            if (count > 0 && Refusable([&] { pool.SetFloat(row, d); }))
                touched = row;
            break;
        }
        case 7:
            if (count > 0)
                pool.ClearValue(row);
            break;
        }
        if (touched >= 0 && pool.IsNumeric() && !pool.GetNull(touched)) {
            const long double v = pool.GetExtended(touched);
            if (std::isfinite(v))
                largest[field] = std::max(largest[field], std::fabs(v));
        }
        for (int f = 0; f < 8; ++f) {
            Check(pools[static_cast<size_t>(f)]->GetCount() == pools[0]->GetCount(), "pools differ in length");
            CheckSum(*pools[static_cast<size_t>(f)], largest[f]);
        }
        if (touched >= 0)
            CheckTextRoundTrip(pool, touched);
    }
    return 0;
}
