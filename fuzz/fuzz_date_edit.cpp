// The date edit typed at. The input's first line is the format (for example "yyyy/mm/dd");
// each further byte is a typed digit or separator, a key, a set date, a range or a commit.
// After every step a date that is not null is a real day of the years 1 to 9999, and every
// element that holds no pending input shows that day's year, month or day. The edit takes no
// paste.
#include "FuzzSupport.h"

#include "grid/KvGrids.Common.Edits.h"
#include "platform/rtl/DateUtils.h"
#include "platform/ui/Messages.h"

#include <cmath>
#include <cstring>

using namespace kv;
using namespace kvfuzz;

namespace {

void CheckState(const TKvDateEdit& e, const QString& trail)
{
    if (e.IsNull())
        return;
    const double d = e.GetDate();
    Check(std::isfinite(d), "the date is not finite", trail);
    if (d < EncodeDate(1, 1, 1) || d >= EncodeDate(9999, 12, 31) + 1)
        return; // set from outside the calendar: shown as it comes
    const QDate day = DateTimeToQDateTime(d).date();
    for (int i = 0; i < e.GetElementCount(); ++i) {
        const auto* n = dynamic_cast<const TKvDateEdit::TNumber*>(e.GetElement(i));
        if (!n || !n->FInput.isEmpty())
            continue;
        int want = -1;
        if (dynamic_cast<const TKvDateEdit::TYear*>(n))
            want = n->FDigits <= 2 ? day.year() % 100 : day.year();
        else if (dynamic_cast<const TKvDateEdit::TMonth*>(n))
            want = day.month();
        else if (dynamic_cast<const TKvDateEdit::TDay*>(n))
            want = day.day();
        if (want >= 0)
            Check(n->FValue == want || (n->FDigits <= 2 && n->FValue == day.year()), "an element shows another day",
                  QStringLiteral("%1 shows %2 for %3").arg(i).arg(n->FValue).arg(day.toString(Qt::ISODate)) + trail);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    StartQt();
    const std::pair<QString, QString> parts = SplitOnce(Text(data, size), QLatin1Char('\n'));
    const QString format = parts.first, rest = parts.second;
    TOwned<TKvDateEdit> edit(Create<TKvDateEdit>(nullptr));
    TKvDateEdit& e = *edit;
    if (!Refusable([&] { e.SetFormat(format.left(40)); }))
        return 0;
    e.SetDate(EncodeDate(2024, 3, 5));
    const QByteArray ops = rest.toLatin1();
    QString trail;
    for (qsizetype i = 0; i < ops.size() && i < 300; ++i) {
        const auto op = static_cast<std::uint8_t>(ops[i]);
        trail += QStringLiteral(" %1").arg(op % 24);
        switch (op % 24) {
        case 10: e.Perform(WM_CHAR, u'/', 0); break;
        case 11: e.Perform(WM_CHAR, u'.', 0); break;
        case 12: e.Perform(WM_CHAR, u'-', 0); break;
        case 13: e.Perform(WM_KEYDOWN, VK_LEFT, 0); break;
        case 14: e.Perform(WM_KEYDOWN, VK_RIGHT, 0); break;
        case 15: e.Perform(WM_KEYDOWN, VK_DELETE, 0); break;
        case 16: e.Commit(); break;
        case 17: e.SetNull(); break;
        case 18: e.SetDate(EncodeDate(1 + (op * 37) % 9999, 1 + op % 12, 1 + op % 28)); break;
        case 19: e.SetMinDate(EncodeDate(1900 + op % 200, 1, 1)); break;
        case 20: e.SetMaxDate(EncodeDate(2000 + op % 200, 12, 31)); break;
        case 21: e.Perform(WM_CHAR, char16_t(0x660 + op % 10), 0); break;
        case 22: e.SetCaret(op % 8); break;
        default: e.Perform(WM_CHAR, char16_t(u'0' + op % 10), 0); break;
        }
        CheckState(e, trail);
    }
    return 0;
}
