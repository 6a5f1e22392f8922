// The date edit driven by typed keys and clicks: formats, element input and clamping, caret
// moves, null, and the drop-down calendar picked from by keys and by mouse.
#include "EditTestSupport.h"

#include "grid/KvGrids.Common.Edits.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Services.h"
#include "TestSupport.h"

#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QCalendarWidget>

using namespace kv;
using namespace kvtest;

namespace {

struct TDateEditFixture : TEditFixture<TKvDateEdit>
{
    void SetUp() override
    {
        Edit->SetDate(EncodeDate(2026, 3, 7));
        ShowEdit(160, 26);
    }
    QDate Date() const { return DateTimeToQDateTime(Edit->GetDate()).date(); }
    // The index of the n-th number element.
    int NumberIndex(int n) const
    {
        for (int i = 0; i < Edit->GetElementCount(); ++i)
            if (Edit->GetElement(i)->IsNumber() && n-- == 0)
                return i;
        return -1;
    }
};

} // namespace

TEST_F(TDateEditFixture, FormatsMakeElements)
{
    struct TRow
    {
        const char* Format;
        const char* Shown;
    };
    const TRow rows[] = {
        {"", "2026/03/07"},
        {"yyyy/mm/dd", "2026/03/07"},
        {"  DD/MM/YYYY ", "07/03/2026"},
        {"d/m/yy", " 7/ 3/26"},
        {"m/d/y", " 3/ 7/26"},
        {"yyy/m/d", "2026/ 3/ 7"},
        {"yyyyyy", "2026"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Format);
        Edit->SetFormat(QString::fromLatin1(row.Format));
        EXPECT_EQ(Edit->GetDisplayText(), QString::fromLatin1(row.Shown));
    }
    // A bad character raises and keeps the format that was there.
    Edit->SetFormat(QStringLiteral("yyyy/mm/dd"));
    KV_EXPECT_THROW_MSG(Edit->SetFormat(QStringLiteral("yy.mm.dd")), EConvertError, "Invalid format character: .");
    KV_EXPECT_THROW_MSG(Edit->SetFormat(QStringLiteral("hh:nn")), EConvertError, "Invalid format character: h");
    EXPECT_EQ(Edit->GetFormat(), QStringLiteral("yyyy/mm/dd"));
    EXPECT_EQ(Edit->GetDisplayText(), QStringLiteral("2026/03/07"));

    // Separators: the system's, or the edit's own.
    Edit->SetSeparator(QChar('-'));
    EXPECT_EQ(Edit->GetDisplayText(), QStringLiteral("2026/03/07"));
    Edit->SetUseSystemSeparator(false);
    EXPECT_EQ(Edit->GetDisplayText(), QStringLiteral("2026-03-07"));
    {
        TLocaleScope german{QLocale(QLocale::German, QLocale::Germany)};
        Edit->SetUseSystemSeparator(true);
        EXPECT_EQ(Edit->GetDisplayText(), QStringLiteral("2026.03.07"));
        // The system format follows the locale's order of elements.
        Edit->SetUseSystemFormat(true);
        EXPECT_EQ(Edit->GetDisplayText(), QStringLiteral("07.03.26"));
        Edit->SetUseSystemFormat(false);
    }

    // Character cells are as wide as the widest digit or separator of the font.
    TKvFont font(Edit->GetFont()->GetName(), float(Edit->GetFont()->GetSize()), TKvFontStyle());
    EXPECT_GE(Edit->GetCharWidth(), TKvDrawingContext::MeasureText(QStringLiteral("0"), &font).cx);
    EXPECT_EQ(Edit->ElementX(2) - Edit->ElementX(0), 5 * Edit->GetCharWidth());
}

TEST_F(TDateEditFixture, TypedElementsAreValidatedAndClamped)
{
    QStringList shown;
    TExceptionHook old = SetExceptionHook([&](const QString& message) { shown << message; });
    TScopeExit restore([&] { SetExceptionHook(old); });
    Edit->SetFormat(QStringLiteral("yyyy/mm/dd"));
    const int year = NumberIndex(0), month = NumberIndex(1), day = NumberIndex(2);
    EXPECT_EQ(Edit->GetCaret(), year);

    // "1" then "3" in the month starts the month again with "3", without a word: the month
    // keeps its value until the input is taken.
    Edit->SetCaret(month);
    int beeps = GetBeepCount();
    Type(QStringLiteral("13"));
    EXPECT_EQ(Date(), QDate(2026, 3, 7));
    EXPECT_EQ(Edit->GetElement(month)->GetText(), QStringLiteral("3"));
    EXPECT_EQ(GetBeepCount(), beeps);
    EXPECT_TRUE(shown.isEmpty());
    Type(QStringLiteral("0"));   // "30" no month: "0" again, then "09"
    Type(QStringLiteral("9"));
    EXPECT_EQ(Date(), QDate(2026, 9, 7));
    EXPECT_EQ(Changes, 1);
    Edit->SetCaret(month);
    Type(QStringLiteral("13"));
    Edit->SetCaret(day);
    EXPECT_EQ(Date(), QDate(2026, 3, 7));

    // A day beyond the month is refused; a month change clamps the day.
    Edit->SetDate(EncodeDate(2026, 1, 31));
    Edit->SetCaret(day);
    Type(QStringLiteral("31"));
    EXPECT_EQ(Date(), QDate(2026, 1, 31));
    Edit->SetCaret(month);
    Type(QStringLiteral("02"));
    EXPECT_EQ(Date(), QDate(2026, 2, 28));

    // A partial input is taken over when the caret leaves; a short year borrows the century.
    Edit->SetCaret(year);
    Type(QStringLiteral("13"));
    Press(Qt::Key_Right);
    EXPECT_EQ(Date(), QDate(2013, 2, 28));
    EXPECT_EQ(Edit->GetCaret(), month);
    EXPECT_TRUE(shown.isEmpty());
    // A year outside the range is refused out loud; the date stays and so does the caret.
    Edit->SetCaret(year);
    beeps = GetBeepCount();
    Type(QStringLiteral("1985"));
    EXPECT_EQ(Date(), QDate(2013, 2, 28));
    EXPECT_EQ(GetBeepCount(), beeps + 1);
    EXPECT_EQ(shown, QStringList{QStringLiteral("'1985' is before the first date 2000-01-01")});
    EXPECT_EQ(Edit->GetCaret(), year);
    KV_EXPECT_THROW_MSG(Edit->CheckDate(), EConvertError, "'1985' is before the first date 2000-01-01");
    Type(QStringLiteral("2300"));
    EXPECT_EQ(Date(), QDate(2013, 2, 28));
    EXPECT_EQ(shown.value(1), QStringLiteral("'2300' is after the last date 2200-12-31"));
    // A year typed again ends the refusal.
    Type(QStringLiteral("2024"));
    EXPECT_EQ(Date(), QDate(2024, 2, 28));
    EXPECT_NO_THROW(Edit->CheckDate());
    EXPECT_EQ(shown.size(), 2);
    // A date inside the years but before the first day is refused when it is taken.
    Edit->SetMinDate(EncodeDate(2024, 6, 15));
    Edit->SetDate(EncodeDate(2024, 7, 1));
    Edit->SetCaret(month);
    Type(QStringLiteral("03"));
    EXPECT_EQ(Date(), QDate(2024, 3, 1));
    KV_EXPECT_THROW_MSG(Edit->CheckDate(), EConvertError, "'2024-03-01' is before the first date 2024-06-15");
    Edit->SetMinDate(EncodeDate(2000, 1, 1));
    Edit->SetDate(EncodeDate(2000, 2, 28));

    // Read-only: typing changes nothing.
    Edit->SetReadOnly(true);
    Edit->SetCaret(day);
    Type(QStringLiteral("15"));
    EXPECT_EQ(Date(), QDate(2000, 2, 28));
}

// A complete part moves the caret on: four year digits, two month or day digits, or a digit
// that cannot start a longer number; in every order of the parts.
TEST_F(TDateEditFixture, CompletePartsMoveOn)
{
    TExceptionHook old = SetExceptionHook([](const QString&) {});
    TScopeExit restoreExceptionHook([old] { SetExceptionHook(old); });
    struct TRow
    {
        const char* Format;
        const char* Keys;
        QDate Expected;
    };
    const TRow rows[] = {
        {"yyyy/mm/dd", "20271231", QDate(2027, 12, 31)},
        {"yyyy/mm/dd", "202735", QDate(2027, 3, 5)},
        {"dd/mm/yyyy", "31122027", QDate(2027, 12, 31)},
        {"dd/mm/yyyy", "29022028", QDate(2028, 2, 29)},
        {"mm/dd/yyyy", "4302029", QDate(2029, 4, 30)},
        {"m/d/yy", "91228", QDate(2028, 9, 12)},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Format);
        Edit->SetFormat(QString::fromLatin1(row.Format));
        Edit->SetDate(EncodeDate(2026, 8, 24));
        Edit->MoveCaret(-10);
        Type(QString::fromLatin1(row.Keys));
        EXPECT_EQ(Date(), row.Expected) << Edit->GetDisplayText().toStdString();
        EXPECT_EQ(Edit->GetCaret(), NumberIndex(2));
    }

    // The day of a month that does not have it: the beep and a message; the day stays.
    QStringList shown;
    SetExceptionHook([&](const QString& message) { shown << message; });
    Edit->SetFormat(QStringLiteral("yyyy/mm/dd"));
    Edit->SetDate(EncodeDate(2026, 8, 24));
    Edit->MoveCaret(-10);
    const int beeps = GetBeepCount();
    Type(QStringLiteral("2026023"));
    EXPECT_TRUE(shown.isEmpty());
    Type(QStringLiteral("0"));
    EXPECT_EQ(GetBeepCount(), beeps + 1);
    EXPECT_EQ(shown, QStringList{QStringLiteral("'2026-02-30' is not a valid date")});
    EXPECT_EQ(Date(), QDate(2026, 2, 24));
    EXPECT_EQ(Edit->GetElement(NumberIndex(2))->GetText(), QStringLiteral("24"));
    Edit->Commit();
    EXPECT_EQ(Date(), QDate(2026, 2, 24));

    // Typed day first: a month, or a year, that cannot hold the day is refused the same way.
    Edit->SetFormat(QStringLiteral("dd/mm/yyyy"));
    Edit->SetDate(EncodeDate(2026, 8, 24));
    Edit->MoveCaret(-10);
    Type(QStringLiteral("3102"));
    EXPECT_EQ(GetBeepCount(), beeps + 2);
    EXPECT_EQ(shown.last(), QStringLiteral("'2026-02-31' is not a valid date"));
    EXPECT_EQ(Date(), QDate(2026, 8, 31));
    EXPECT_EQ(Edit->GetCaret(), NumberIndex(1));
    Type(QStringLiteral("12"));
    EXPECT_EQ(Date(), QDate(2026, 12, 31));
    Edit->SetDate(EncodeDate(2026, 8, 24));
    Edit->MoveCaret(-10);
    Type(QStringLiteral("2902"));
    EXPECT_EQ(Date(), QDate(2026, 2, 28));
    Type(QStringLiteral("2027"));
    EXPECT_EQ(GetBeepCount(), beeps + 3);
    EXPECT_EQ(shown.last(), QStringLiteral("'2027-02-29' is not a valid date"));
    EXPECT_EQ(Date(), QDate(2026, 2, 28));
    Type(QStringLiteral("2028"));
    EXPECT_EQ(Date(), QDate(2028, 2, 29));
    EXPECT_EQ(shown.size(), 3);
}

TEST_F(TDateEditFixture, EditingOneElementKeepsTheOthers)
{
    // A date outside the default range, with a time of day.
    Edit->SetDate(EncodeDateTime(1985, 5, 10, 14, 30, 0));
    const int day = NumberIndex(2);
    Edit->SetCaret(day);
    Type(QStringLiteral("12"));
    EXPECT_EQ(Date(), QDate(1985, 5, 12));
    EXPECT_EQ(DateTimeToQDateTime(Edit->GetDate()).time(), QTime(14, 30));
    Edit->Commit(); // takes the caret back to the month
    EXPECT_EQ(Date(), QDate(1985, 5, 12));
    EXPECT_EQ(Edit->GetCaret(), NumberIndex(1));
    Type(QStringLiteral("6"));
    Press(Qt::Key_Left);
    EXPECT_EQ(Date(), QDate(1985, 6, 12));
}

TEST_F(TDateEditFixture, CaretNullAndMouse)
{
    Edit->SetFormat(QStringLiteral("yyyy/mm/dd"));
    const int year = NumberIndex(0), month = NumberIndex(1), day = NumberIndex(2);
    Press(Qt::Key_Right);
    EXPECT_EQ(Edit->GetCaret(), month);
    Press(Qt::Key_Right);
    Press(Qt::Key_Right);
    EXPECT_EQ(Edit->GetCaret(), day);
    EXPECT_TRUE(Edit->GetCaretLast());
    // A separator character moves on, wrapping from the last element to the first.
    Type(QStringLiteral("/"));
    EXPECT_EQ(Edit->GetCaret(), year);
    EXPECT_TRUE(Edit->GetCaretFirst());
    Type(QStringLiteral("."));
    EXPECT_EQ(Edit->GetCaret(), month);
    Edit->MoveCaret(-10);
    EXPECT_EQ(Edit->GetCaret(), year);

    // A click selects the number element under the mouse.
    const int y = Edit->GetClientHeight() / 2;
    Click(Edit.get(), Edit->ElementX(day) + 1, y);
    EXPECT_EQ(Edit->GetCaret(), day);
    Click(Edit.get(), Edit->ElementX(month) - 1, y); // on the separator before the month
    EXPECT_EQ(Edit->GetCaret(), year);

    // Delete makes the date null; a digit starts again at the first element.
    Press(Qt::Key_Delete);
    EXPECT_TRUE(Edit->IsNull());
    EXPECT_EQ(Edit->GetDisplayText(), QString());
    EXPECT_EQ(Changes, 1);
    Press(Qt::Key_Right); // nothing moves while null
    Type(QStringLiteral("2"));
    EXPECT_FALSE(Edit->IsNull());
    EXPECT_EQ(Edit->GetCaret(), year);
    EXPECT_EQ(Edit->GetElement(year)->GetText(), QStringLiteral("2"));
    Type(QStringLiteral("031"));
    EXPECT_EQ(Date(), QDate(2031, 3, 7));

    // Bounds move a date that falls outside them.
    Edit->SetMaxDate(EncodeDate(2030, 6, 30));
    EXPECT_EQ(Date(), QDate(2030, 6, 30));
    Edit->SetMinDate(EncodeDate(2030, 7, 1));
    EXPECT_EQ(Date(), QDate(2030, 7, 1));
}

TEST_F(TDateEditFixture, CalendarDropsDownAndPicks)
{
    int drops = 0, closes = 0;
    Edit->OnDropDown = [&](TObject*) { ++drops; };
    Edit->OnCloseUp = [&](TObject*) { ++closes; };

    // Alt+Down drops the calendar below the edit; keys go to it; Enter takes its date.
    Press(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(Edit->GetListVisible());
    EXPECT_EQ(drops, 1);
    TPopupCalendar* calendar = Edit->GetCalendar();
    EXPECT_TRUE(calendar->GetVisible());
    const QPoint bottomLeft = Edit->Widget()->mapToGlobal(QPoint(0, Edit->GetHeight()));
    EXPECT_EQ(calendar->GetBoundsRect().Top, bottomLeft.y() + 1);
    EXPECT_EQ(calendar->GetBoundsRect().Left, bottomLeft.x());
    EXPECT_TRUE(Edit->Focused());
    Press(Qt::Key_Right);
    Press(Qt::Key_Down);
    Press(Qt::Key_Return);
    EXPECT_FALSE(Edit->GetListVisible());
    EXPECT_FALSE(calendar->GetVisible());
    EXPECT_EQ(Date(), QDate(2026, 3, 15));
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(Changes, 1);

    // Escape closes without taking the calendar's date.
    Press(Qt::Key_Down, Qt::AltModifier);
    Press(Qt::Key_PageDown);
    Press(Qt::Key_Escape);
    EXPECT_FALSE(Edit->GetListVisible());
    EXPECT_EQ(Date(), QDate(2026, 3, 15));
    EXPECT_EQ(closes, 2);

    // A click on a day picks it.
    Edit->DropDown(true);
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_EQ(popup, calendar->Widget());
    auto* view = popup->findChild<QAbstractItemView*>();
    ASSERT_NE(view, nullptr);
    // The 22nd of the month shown (the first rows may show the month before).
    QModelIndex target;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        for (int c = 0; c < view->model()->columnCount(); ++c)
            if (view->model()->index(r, c).data().toString() == QStringLiteral("22"))
                target = view->model()->index(r, c);
    ASSERT_TRUE(target.isValid());
    const QPoint at = view->viewport()->mapTo(popup, view->visualRect(target).center());
    QTest::mouseClick(popup->windowHandle(), Qt::LeftButton, {}, at);
    DeliverPosted();
    EXPECT_FALSE(Edit->GetListVisible());
    EXPECT_EQ(Date(), QDate(2026, 3, 22));
    EXPECT_EQ(closes, 3);
    // The test's click activated the pop-up's window (no platform does); give it back.
    ShowFocused(Edit.get(), Edit->GetWidth(), Edit->GetHeight());

    // A press outside closes it without accepting.
    Edit->DropDown(true);
    ASSERT_TRUE(Edit->GetListVisible());
    Press(Qt::Key_Right); // moves the calendar's day, not the edit's
    QWidget* window = Edit->Widget()->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, QPoint(window->width() - 2, 2));
    DeliverPosted();
    EXPECT_FALSE(Edit->GetListVisible());
    EXPECT_FALSE(calendar->GetVisible());
    EXPECT_EQ(Date(), QDate(2026, 3, 22));
    EXPECT_EQ(closes, 4);

    // Leaving the edit for another window closes it without accepting.
    Edit->DropDown(true);
    DeliverPosted();
    ASSERT_TRUE(Edit->GetListVisible());
    QWidget other;
    other.setFocusPolicy(Qt::StrongFocus);
    other.show();
    QApplication::setActiveWindow(&other);
    other.setFocus();
    DeliverPosted();
    EXPECT_FALSE(Edit->GetListVisible());
    EXPECT_EQ(Date(), QDate(2026, 3, 22));

    // An edit freed with its calendar open takes the calendar with it.
    Edit->DropDown(false);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    Edit.reset();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(TDateEditFixture, CalendarAtTheScreenBottomGoesAboveTheEdit)
{
    // An edit on the screen's last lines: the calendar opens above it, never over it.
    const TRect area = ScreenWorkArea(TPoint{40, 40});
    ASSERT_FALSE(area.IsEmpty());
    Edit->SetBounds(40, area.Bottom - Edit->GetHeight() - 2, Edit->GetWidth(), Edit->GetHeight());
    DeliverPosted();
    const int editTop = Edit->Widget()->mapToGlobal(QPoint(0, 0)).y();
    ASSERT_GT(editTop, area.Bottom - 2 * Edit->GetHeight());
    Press(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(Edit->GetListVisible());
    const TRect bounds = Edit->GetCalendar()->GetBoundsRect();
    EXPECT_LE(bounds.Bottom, editTop);
    EXPECT_GE(bounds.Top, area.Top);
    EXPECT_GT(bounds.Bottom, editTop - Edit->GetHeight());
    Press(Qt::Key_Escape);
    EXPECT_FALSE(Edit->GetListVisible());
}

TEST_F(TDateEditFixture, PaintHighlightsTheCurrentElement)
{
    const TColor highlight = GetSysColor(COLOR_HIGHLIGHT);
    const int month = NumberIndex(1);
    Edit->SetCaret(month);
    const int top = (Edit->GetClientHeight() - Edit->GetCharHeight()) / 2;
    const TRect cells = TRect::Bounds(Edit->ElementX(month), top, 2 * Edit->GetCharWidth(), Edit->GetCharHeight());
    EXPECT_GT(CountColor(Edit.get(), cells, highlight), cells.Width() * cells.Height() / 3);
    const TRect year = TRect::Bounds(Edit->ElementX(0), top, 4 * Edit->GetCharWidth(), Edit->GetCharHeight());
    EXPECT_EQ(CountColor(Edit.get(), year, highlight), 0);
    // A null date shows nothing but the background.
    Edit->SetNull();
    EXPECT_EQ(CountColor(Edit.get(), Edit->GetClientRect(), highlight), 0);
    EXPECT_EQ(CountColor(Edit.get(), Edit->GetClientRect(), Edit->GetColor()),
              Edit->GetClientWidth() * Edit->GetClientHeight());
}
