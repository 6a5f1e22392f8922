// The number edit typed at and pasted into. The first bytes choose the precision, the maximum
// length, the thousands separator and the locale (en_US, de_DE, ar_EG); each further byte is a
// key, a typed character, a paste of the next bytes, a spin or a set value. After every step
// the value is finite, the raw text is digits with exactly the precision's decimals, and the
// shown text, read with the locale's digits and separators, is the raw text's number (in the
// locale's own digits when it has them).
#include "FuzzSupport.h"

#include "grid/KvGrids.Common.Edits.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Services.h"

#include <QtCore/QLocale>
#include <QtCore/QRegularExpression>
#include <cmath>
#include <cstring>

using namespace kv;
using namespace kvfuzz;

namespace {

void Key(TKvNumberEdit& e, std::uint16_t vk, TShiftState shift = {}) { e.Perform(WM_KEYDOWN, vk, ShiftStateBits(shift)); }
void Char(TKvNumberEdit& e, char16_t c) { e.Perform(WM_CHAR, c, 0); }

void CheckState(const TKvNumberEdit& e, const QLocale& locale, const QString& trail)
{
    Check(std::isfinite(e.GetValue()), "the value is not finite", trail);
    const QString& text = e.GetText();
    const int p = e.GetPrecision();
    static const QRegularExpression plain(QStringLiteral("^\\d+$"));
    const QRegularExpression decimals(QStringLiteral("^\\d+\\.\\d{%1}$").arg(p));
    Check(text.isEmpty() || (p > 0 ? decimals : plain).match(text).hasMatch(), "the raw text is out of form", text + trail);
    if (text.isEmpty())
        return;
    const QString shown = e.DisplayText();
    QString read;
    for (const QChar c : shown) {
        if (c.isDigit())
            read += QChar(u'0' + c.digitValue());
        else if (QString(c) == locale.decimalPoint())
            read += QLatin1Char('.');
        else if (QString(c) != locale.groupSeparator())
            read += c;
    }
    bool ok = false;
    const double value = read.toDouble(&ok);
    Check(ok && value == text.toDouble(), "the shown text is not the number", shown + QStringLiteral(" for ") + text + trail);
    if (locale.zeroDigit() != QLatin1String("0"))
        Check(!shown.contains(QRegularExpression(QStringLiteral("[0-9]"))), "ASCII digits under a locale with its own", shown);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    StartQt();
    static const QLocale locales[] = {QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::Arabic, QLocale::Egypt)};
    const QLocale& locale = locales[data[2] % 3];
    QLocale::setDefault(locale);
    TOwned<TKvNumberEdit> edit(Create<TKvNumberEdit>(nullptr));
    TKvNumberEdit& e = *edit;
    e.SetPrecision(data[0] % 5);
    e.SetMaxLength(data[1] % 24);
    e.SetThousandSep(data[2] & 4);
    e.SetEnableNull(true);
    QString trail;
    std::size_t at = 3;
    auto next = [&] { return at < size ? data[at++] : std::uint8_t(0); };
    auto nextDouble = [&] {
        std::uint8_t b[8];
        for (auto& x : b)
            x = next();
        double d;
        std::memcpy(&d, b, 8);
        return d;
    };
    for (int steps = 0; at < size && steps < 300; ++steps) {
        const std::uint8_t op = next();
        trail += QStringLiteral(" %1").arg(op % 40);
        switch (op % 40) {
        case 10: Char(e, u'-'); break;
        case 11: Char(e, u'.'); break;
        case 12: Char(e, u','); break;
        case 13: Char(e, locale.decimalPoint().at(0).unicode()); break;
        case 14: Char(e, u'a'); break;
        case 15: Key(e, VK_HOME); break;
        case 16: Key(e, VK_END); break;
        case 17: Key(e, VK_LEFT); break;
        case 18: Key(e, VK_RIGHT); break;
        case 19: Key(e, VK_DELETE); break;
        case 20: Key(e, VK_BACK); break;
        case 21: Key(e, VK_LEFT, TShiftState{ssShift}); break;
        case 22: Key(e, VK_RIGHT, TShiftState{ssShift}); break;
        case 23: e.SelectAll(); break;
        case 24: Char(e, 3); break;  // copy
        case 25: Char(e, 24); break; // cut
        case 26: {
            const std::size_t n = std::min<std::size_t>(next() % 32, size - std::min(at, size));
            SetClipboardText(Text(data + at, n));
            at += n;
            Char(e, 22);
            break;
        }
        case 27: e.SpinClick(1); break;
        case 28: e.SpinClick(nextDouble()); break;
        case 29: e.Clear(); break;
        case 30: {
            const double d = nextDouble();
            if (!Refusable([&] { e.SetValue(d); }))
                Check(!std::isfinite(d), "a finite value is refused", QString::number(d));
            break;
        }
        case 31: Char(e, char16_t(0x660 + next() % 10)); break; // an Arabic-Indic digit
        default: Char(e, char16_t(u'0' + op % 10)); break;
        }
        CheckState(e, locale, trail);
    }
    QLocale::setDefault(locales[0]);
    return 0;
}
