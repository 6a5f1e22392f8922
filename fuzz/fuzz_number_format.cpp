// The number-format formatter. The input's first 8 bytes are the value (a double as stored),
// the rest the pattern. Every pattern formats without a crash and in bounded length; a plain
// digit pattern ("#,##0.00" and the like) gives a text that reads back as the value rounded
// to the pattern's decimals.
#include "FuzzSupport.h"

#include "platform/rtl/FloatFormat.h"

#include <cmath>
#include <cstring>

using namespace kv;
using namespace kvfuzz;

namespace {

// The decimals of a plain pattern (only 0 # , and at most one .), or -1.
int PlainDecimals(const QString& pattern)
{
    if (pattern.isEmpty())
        return -1;
    int decimals = -1;
    bool digit = false;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('.')) {
            if (decimals >= 0)
                return -1;
            decimals = 0;
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            digit = true;
            if (decimals >= 0)
                ++decimals;
        } else if (c != QLatin1Char(',')) {
            return -1;
        }
    }
    return digit ? std::max(decimals, 0) : -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 8)
        return 0;
    double value;
    std::memcpy(&value, data, 8);
    const QString pattern = Text(data + 8, size - 8);
    QString text;
    (void)Refusable([&] { text = FormatFloat(pattern, value); });
    // At most 309 digits, grouped in threes, with the pattern's own characters.
    Check(text.size() <= pattern.size() * 2 + 420 + 420 / 3, "formatted text grows past the pattern", pattern);
    Check(FormatFloat(pattern, value) == text, "formatting twice differs", pattern);
    const int decimals = PlainDecimals(pattern);
    if (decimals < 0 || decimals > 15 || !std::isfinite(value) || std::fabs(value) > 1e15)
        return 0;
    const double step = std::pow(10.0, -decimals);
    // "#" shows no digit for a value that rounds to zero.
    if (text.isEmpty() || text == QLatin1String("-")) {
        Check(std::fabs(value) <= step / 2 * (1 + 1e-12), "a value shows no digits", pattern);
        return 0;
    }
    bool ok = false;
    const double back = QString(text).remove(QLatin1Char(',')).toDouble(&ok);
    Check(ok, "a plain pattern's text is no number", pattern + QStringLiteral(" -> ") + text);
    Check(std::fabs(back - value) <= step / 2 + std::fabs(value) * 1e-15 + 1e-300,
          "a plain pattern's text is not the rounded value",
          pattern + QStringLiteral(" ") + QString::number(value, 'g', 17) + QStringLiteral(" -> ") + text);
    return 0;
}
