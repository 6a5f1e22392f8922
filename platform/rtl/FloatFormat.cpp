#include "platform/rtl/FloatFormat.h"

#include <QtCore/QStringView>
#include <algorithm>
#include <array>
#include <cmath>

namespace kv {

namespace {

// More decimals than a double holds are padded with zeros; beyond this they are dropped.
constexpr int kMaxDecimals = 30;

bool IsQuote(QChar c)
{
    return c == u'\'' || c == u'"';
}

// Up to three sections split at ";" outside quotes.
int SplitSections(QStringView format, std::array<QStringView, 3>& sections)
{
    int count = 0;
    qsizetype start = 0;
    QChar quote;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (IsQuote(c)) {
            quote = c;
        } else if (c == u';') {
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
    QChar quote;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (IsQuote(c)) {
            quote = c;
        } else if (c == u'0' || c == u'#') {
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

void TrimDecimals(QString& frac, int minDec)
{
    qsizetype n = frac.size();
    while (n > minDec && frac[n - 1] == u'0')
        --n;
    frac.truncate(n);
}

bool AllZero(const QString& s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c == u'0'; });
}

QString FormatSection(QStringView s, double value, bool withSign)
{
    const TLayout layout = ReadLayout(s);
    const double a = std::fabs(value);
    QString intDigits;
    QString frac;
    int exponent = 0;
    if (layout.Scientific) {
        const int places = std::max(1, layout.IntPlaces);
        const QString text = QString::number(a, 'e', places - 1 + layout.MaxDec);
        const qsizetype e = text.indexOf(u'e');
        QString mantissa = text.left(e);
        mantissa.remove(u'.');
        exponent = a == 0 ? 0 : text.mid(e + 1).toInt() - (places - 1);
        intDigits = mantissa.left(places);
        frac = mantissa.mid(places);
        while (intDigits.size() > std::max(1, layout.MinInt) && intDigits[0] == u'0')
            intDigits.remove(0, 1);
    } else {
        const QString text = QString::number(a, 'f', layout.MaxDec);
        const qsizetype dot = text.indexOf(u'.');
        intDigits = dot < 0 ? text : text.left(dot);
        frac = dot < 0 ? QString() : text.mid(dot + 1);
    }
    TrimDecimals(frac, layout.MinDec);
    if (intDigits == QLatin1String("0") && layout.MinInt == 0)
        intDigits.clear();
    if (intDigits.size() < layout.MinInt)
        intDigits.prepend(QString(layout.MinInt - intDigits.size(), u'0'));

    QString out;
    out.reserve(s.size() + intDigits.size() + frac.size() + 8);
    if (withSign && !(AllZero(intDigits) && AllZero(frac)))
        out += u'-';

    const qsizetype length = intDigits.size();
    const qsizetype offset = length - layout.IntPlaces;
    auto putIntDigit = [&](qsizetype i) {
        out += intDigits[i];
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
    QChar quote;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                out += c;
            continue;
        }
        if (IsQuote(c)) {
            quote = c;
        } else if (c == u'0' || c == u'#') {
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
                if (decPlace < frac.size())
                    out += frac[decPlace];
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
            if (!frac.isEmpty())
                out += u'.';
        } else if (c == u',') {
            // grouping, read by the layout
        } else if (IsExponentAt(s, i)) {
            if (!intDone) {
                putAllIntDigits();
                intDone = true;
            }
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
                if (!IsQuote(s[i]))
                    out += s[i];
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
