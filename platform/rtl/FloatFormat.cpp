#include "platform/rtl/FloatFormat.h"

#include <QtCore/QStringView>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace kv {

namespace {

// More decimals than a double holds are padded with zeros; beyond this they are dropped.
constexpr int kMaxDecimals = 30;

bool IsQuote(QChar c)
{
    return c == u'\'' || c == u'"';
}

// Follows quoted text while a pattern is walked: text in single or double quotes is literal.
class TQuotes
{
public:
    enum TKind { Plain, Quote, Quoted };
    TKind Take(QChar c)
    {
        if (!FOpen.isNull()) {
            if (c != FOpen)
                return Quoted;
            FOpen = QChar();
            return Quote;
        }
        if (!IsQuote(c))
            return Plain;
        FOpen = c;
        return Quote;
    }

private:
    QChar FOpen;
};

// Up to three sections split at ";" outside quotes.
int SplitSections(QStringView format, std::array<QStringView, 3>& sections)
{
    int count = 0;
    qsizetype start = 0;
    TQuotes quotes;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (quotes.Take(c) == TQuotes::Plain && c == u';') {
            sections[count++] = format.mid(start, i - start);
            start = i + 1;
            if (count == 2)
                break;
        }
    }
    sections[count++] = format.mid(start);
    return count;
}

bool IsExponentAt(QStringView s, qsizetype i)
{
    return (s[i] == u'E' || s[i] == u'e') && i + 1 < s.size() && (s[i + 1] == u'+' || s[i + 1] == u'-');
}

struct TLayout
{
    int IntPlaces = 0;
    int MinInt = 0;
    int MinDec = 0;
    int MaxDec = 0;
    bool Thousands = false;
    bool Scientific = false;
};

TLayout ReadLayout(QStringView s)
{
    TLayout layout;
    int firstZero = -1;
    bool point = false;
    TQuotes quotes;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (quotes.Take(c) != TQuotes::Plain)
            continue;
        if (c == u'0' || c == u'#') {
            if (!point) {
                if (c == u'0' && firstZero < 0)
                    firstZero = layout.IntPlaces;
                ++layout.IntPlaces;
            } else {
                ++layout.MaxDec;
                if (c == u'0')
                    layout.MinDec = layout.MaxDec;
            }
        } else if (c == u'.') {
            point = true;
        } else if (c == u',') {
            layout.Thousands = true;
        } else if (IsExponentAt(s, i)) {
            layout.Scientific = true;
            break; // the digits after the exponent sign are the exponent's
        }
    }
    layout.MinInt = firstZero < 0 ? 0 : layout.IntPlaces - firstZero;
    layout.MaxDec = std::min(layout.MaxDec, kMaxDecimals);
    layout.MinDec = std::min(layout.MinDec, layout.MaxDec);
    return layout;
}

// The digits of one part of a number: Pad zeros, then Text.
struct TDigits
{
    int Pad = 0;
    std::string_view Text;
    qsizetype Size() const { return Pad + qsizetype(Text.size()); }
    QChar At(qsizetype i) const { return i < Pad ? QChar(u'0') : QChar(QLatin1Char(Text[size_t(i - Pad)])); }
    bool AllZero() const { return Text.find_first_not_of('0') == std::string_view::npos; }
};

std::string_view TrimDecimals(std::string_view frac, int minDec)
{
    while (frac.size() > size_t(minDec) && frac.back() == '0')
        frac.remove_suffix(1);
    return frac;
}

// Whether a (positive, finite) lies exactly halfway between two numbers of the given number
// of decimals (of the mantissa in scientific notation). Its exact digits end in a 5 there.
bool IsHalfway(double a, std::chars_format format, int decimals)
{
    if (a == 0 || !std::isfinite(a) || (format == std::chars_format::fixed && a >= 9007199254740992.0))
        return false; // from 2^53 on every double is a whole number
    // A double that is not a tie shows a nonzero digit within 17 significant digits of the
    // tie's 5; in fixed notation a small value has up to decimals leading zeros before them.
    const int extra = format == std::chars_format::fixed ? decimals + 20 : 20;
    char digits[256];
    const auto end = std::to_chars(digits, digits + sizeof digits, a, format, decimals + extra).ptr;
    std::string_view text(digits, size_t(end - digits));
    text = text.substr(0, text.find('e'));
    const size_t half = text.find('.') + 1 + size_t(decimals);
    return half < text.size() && text[half] == '5' && text.find_first_not_of('0', half + 1) == std::string_view::npos;
}

// Rounded to the given decimals, halfway cases away from zero as number formats do (to_chars
// alone rounds them to even).
std::to_chars_result RoundedChars(char* first, char* last, double a, std::chars_format format, int decimals)
{
    if (IsHalfway(a, format, decimals))
        a = std::nextafter(a, std::numeric_limits<double>::infinity());
    return std::to_chars(first, last, a, format, decimals);
}

// The digits a section shows: the integer part (padded to the layout's least), the decimals
// and, in scientific notation, the exponent. The texts point into the buffers.
struct TSectionDigits
{
    // Fixed notation of the largest double with every decimal fits; so does any mantissa.
    char Buffer[512];
    char Mantissa[2 * kMaxDecimals + 8];
    TDigits Int;
    std::string_view Frac;
    int Exponent = 0;
};

// Rounds a (not negative) to the layout's places.
void ReadDigits(const TLayout& layout, double a, TSectionDigits& d)
{
    char* buffer = d.Buffer;
    char* mantissa = d.Mantissa;
    TDigits& intDigits = d.Int;
    std::string_view& frac = d.Frac;
    int& exponent = d.Exponent;
    if (layout.Scientific) {
        const int places = std::clamp(layout.IntPlaces, 1, kMaxDecimals);
        const auto end =
            RoundedChars(buffer, buffer + sizeof d.Buffer, a, std::chars_format::scientific, places - 1 + layout.MaxDec).ptr;
        const std::string_view text(buffer, size_t(end - buffer));
        const size_t e = text.find('e');
        size_t n = 0;
        for (char c : text.substr(0, e))
            if (c != '.')
                mantissa[n++] = c;
        int power = 0;
        std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(), power);
        exponent = a == 0 ? 0 : power - (places - 1);
        intDigits.Text = std::string_view(mantissa, size_t(places));
        frac = std::string_view(mantissa + places, n - size_t(places));
        while (intDigits.Text.size() > size_t(std::max(1, layout.MinInt)) && intDigits.Text.front() == '0')
            intDigits.Text.remove_prefix(1);
    } else {
        const auto end = RoundedChars(buffer, buffer + sizeof d.Buffer, a, std::chars_format::fixed, layout.MaxDec).ptr;
        const std::string_view text(buffer, size_t(end - buffer));
        const size_t dot = text.find('.');
        intDigits.Text = text.substr(0, dot);
        frac = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    }
    frac = TrimDecimals(frac, layout.MinDec);
    if (intDigits.Text == "0" && layout.MinInt == 0)
        intDigits.Text = std::string_view();
    intDigits.Pad = std::max(0, layout.MinInt - int(intDigits.Text.size()));
}

// At the exponent's "E+" or "E-" at i: the exponent with at least as many digits as zeros
// follow, then the rest of the section as literal text; i ends at the section's end.
void PutExponent(QString& out, QStringView s, qsizetype& i, int exponent, TQuotes& quotes)
{
    const QChar c = s[i];
    out += c;
    const bool always = s[i + 1] == u'+';
    i += 2;
    int digits = 0;
    while (i < s.size() && s[i] == u'0') {
        ++digits;
        ++i;
    }
    --i;
    if (exponent < 0)
        out += u'-';
    else if (always)
        out += u'+';
    const QString e = QString::number(std::abs(exponent));
    if (e.size() < digits)
        out += QString(digits - e.size(), u'0');
    out += e;
    // the rest of the section is literal text
    for (++i; i < s.size(); ++i)
        if (quotes.Take(s[i]) != TQuotes::Quote)
            out += s[i];
}

QString FormatSection(QStringView s, double value, bool withSign)
{
    const TLayout layout = ReadLayout(s);
    const double a = std::fabs(value);
    TSectionDigits digits;
    ReadDigits(layout, a, digits);
    const TDigits& intDigits = digits.Int;
    const std::string_view frac = digits.Frac;
    const int exponent = digits.Exponent;

    QString out;
    out.reserve(s.size() + intDigits.Size() + qsizetype(frac.size()) + intDigits.Size() / 3 + 8);
    if (withSign && !(intDigits.AllZero() && frac.find_first_not_of('0') == std::string_view::npos))
        out += u'-';

    const qsizetype length = intDigits.Size();
    const qsizetype offset = length - layout.IntPlaces;
    auto putIntDigit = [&](qsizetype i) {
        out += intDigits.At(i);
        const qsizetype rest = length - 1 - i;
        if (layout.Thousands && rest > 0 && rest % 3 == 0)
            out += u',';
    };
    auto putAllIntDigits = [&] {
        for (qsizetype i = 0; i < length; ++i)
            putIntDigit(i);
    };

    int intPlace = 0;
    int decPlace = 0;
    bool point = false;
    bool intDone = layout.IntPlaces == 0 && length == 0;
    TQuotes quotes;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (const TQuotes::TKind kind = quotes.Take(c); kind != TQuotes::Plain) {
            if (kind == TQuotes::Quoted)
                out += c;
            continue;
        }
        if (c == u'0' || c == u'#') {
            if (!point) {
                const qsizetype index = intPlace + offset;
                if (intPlace == 0) {
                    for (qsizetype k = 0; k <= index && k < length; ++k)
                        putIntDigit(k);
                } else if (index >= 0) {
                    putIntDigit(index);
                }
                ++intPlace;
                intDone = true;
            } else {
                if (size_t(decPlace) < frac.size())
                    out += QLatin1Char(frac[size_t(decPlace)]);
                ++decPlace;
            }
        } else if (c == u'.') {
            if (point)
                continue;
            point = true;
            if (!intDone) {
                putAllIntDigits();
                intDone = true;
            }
            if (!frac.empty())
                out += u'.';
        } else if (c == u',') {
            // grouping, read by the layout
        } else if (IsExponentAt(s, i)) {
            if (!intDone) {
                putAllIntDigits();
                intDone = true;
            }
            PutExponent(out, s, i, exponent, quotes);
            break;
        } else {
            out += c;
        }
    }
    if (!intDone)
        putAllIntDigits();
    return out;
}

} // namespace

QString FormatFloat(const QString& format, double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (format.isEmpty())
        return QString::number(value, 'g', 15);
    std::array<QStringView, 3> sections;
    const int count = SplitSections(format, sections);
    if (value == 0 && count == 3 && !sections[2].isEmpty())
        return FormatSection(sections[2], value, false);
    if (value < 0 && count >= 2 && !sections[1].isEmpty())
        return FormatSection(sections[1], value, false);
    return FormatSection(sections[0], value, value < 0);
}

} // namespace kv
