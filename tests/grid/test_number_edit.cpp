// The number edit driven by typed keys and clicks: the fixed-point typing rules, deletion,
// sign and range, locale display over an unchanged raw text, spin clamping and the clipboard.
#include "EditTestSupport.h"

#include "grid/KvGrids.Common.Edits.h"
#include "platform/ui/Services.h"

#include <QtGui/QInputMethodEvent>

#include <cmath>

using namespace kv;
using namespace kvtest;

namespace {

struct TNumberEditFixture : TEditFixture<TKvNumberEdit>
{
    void SetUp() override { ShowEdit(240, 28); }
    // Caret to a raw position without a selection.
    void CaretTo(int index)
    {
        Press(Qt::Key_Home);
        for (int i = 0; i < index; ++i)
            Press(Qt::Key_Right);
    }
};

} // namespace

TEST_F(TNumberEditFixture, TypingFollowsTheFixedPointLayout)
{
    struct TRow
    {
        const char* Name;
        int Precision;
        int MaxLength;
        double Start;
        int Caret;     // -1: keep the select-all of focusing
        const char* Keys;
        const char* Raw;
        int CaretAfter;
    };
    const TRow rows[] = {
        {"digit replaces the single zero", 2, 10, 0.5, 0, "7", "7.50", 1},
        {"after the zero, no advance", 2, 10, 0.5, 1, "7", "7.50", 1},
        {"integer digit is inserted", 2, 10, 12.34, 1, "5", "152.34", 2},
        {"decimal digit overwrites", 2, 10, 12.34, 3, "9", "12.94", 4},
        {"caret at the end does nothing", 2, 10, 12.34, 5, "9", "12.34", 5},
        {"point jumps to the point, then past it", 2, 10, 12.34, 0, "..8", "12.84", 4},
        {"point from the decimals stays after it", 2, 10, 12.34, 4, ".", "12.34", 3},
        {"full text refuses an insertion", 2, 4, 12.34, 0, "9", "12.34", 0},
        {"no decimals: zero replaced", 0, 10, 0, 0, "5", "5", 1},
        {"no decimals: full text unchanged", 0, 3, 123, 3, "4", "123", 3},
        {"a leading zero stays visible", 2, 10, 7.5, 0, "0", "07.50", 1},
        {"select-all then a digit starts over", 2, 10, 12.34, -1, "5", "5.00", 1},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        Edit->SetMaxLength(row.MaxLength);
        Edit->SetPrecision(row.Precision);
        Edit->SetValue(row.Start);
        if (row.Caret >= 0)
            CaretTo(row.Caret);
        else
            Edit->SelectAll();
        Type(QString::fromLatin1(row.Keys));
        EXPECT_EQ(Edit->GetText(), QString::fromLatin1(row.Raw));
        EXPECT_EQ(Edit->GetCaret(), row.CaretAfter);
        EXPECT_EQ(Edit->GetValue(), QString::fromLatin1(row.Raw).toDouble());
    }
    // The caret the user sees sits after the typed digit.
    Edit->SetPrecision(2);
    Edit->SetValue(0.5);
    CaretTo(0);
    Type(QStringLiteral("7"));
    TPoint caret;
    ASSERT_TRUE(GetCaretPos(caret));
    EXPECT_TRUE(IsCaretShown());
    EXPECT_EQ(caret.X, Edit->PositionToX(1));
    EXPECT_GT(caret.X, Edit->PositionToX(0));
    EXPECT_EQ("7.50", Edit->DisplayText());
}

TEST_F(TNumberEditFixture, DeletingKeepsTheDecimalsInPlace)
{
    Edit->SetPrecision(2);
    struct TRow
    {
        const char* Name;
        double Start;
        int From;
        int To; // the selection is made with Shift+Right from From
        Qt::Key Key;
        const char* Raw;
        int CaretAfter;
    };
    const TRow rows[] = {
        {"integer part deleted", 123.45, 0, 2, Qt::Key_Delete, "3.45", 0},
        {"decimals become zeros", 123.45, 4, 6, Qt::Key_Backspace, "123.00", 4},
        {"across the point", 123.45, 2, 5, Qt::Key_Delete, "12.05", 2},
        {"whole integer part gets a zero", 12.5, 0, 2, Qt::Key_Delete, "0.50", 0},
        {"single digit before the caret", 123.45, 2, 2, Qt::Key_Backspace, "13.45", 1},
        {"single decimal under the caret", 123.45, 4, 4, Qt::Key_Delete, "123.05", 5},
        {"delete on the point steps over it", 123.45, 3, 3, Qt::Key_Delete, "123.45", 4},
        {"backspace after the point steps back", 123.45, 4, 4, Qt::Key_Backspace, "123.45", 3},
        {"last integer digit leaves a zero", 7.5, 1, 1, Qt::Key_Backspace, "0.50", 0},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        Edit->SetValue(row.Start);
        CaretTo(row.From);
        for (int i = row.From; i < row.To; ++i)
            Press(Qt::Key_Right, Qt::ShiftModifier);
        EXPECT_EQ(Edit->GetSelEnd() - Edit->GetSelStart(), row.To - row.From);
        Press(row.Key);
        EXPECT_EQ(Edit->GetText(), QString::fromLatin1(row.Raw));
        EXPECT_EQ(Edit->GetCaret(), row.CaretAfter);
    }
    // The whole text selected and deleted is null; typing starts a new value.
    Edit->SetValue(42.5);
    Edit->SelectAll();
    Press(Qt::Key_Delete);
    EXPECT_TRUE(Edit->IsNull());
    EXPECT_EQ(Edit->DisplayText(), QString());
    Type(QStringLiteral("3"));
    EXPECT_EQ(Edit->GetText(), QStringLiteral("3.00"));

    // Read-only: keys change nothing.
    Edit->SetReadOnly(true);
    Press(Qt::Key_Backspace);
    Type(QStringLiteral("9"));
    EXPECT_EQ(Edit->GetText(), QStringLiteral("3.00"));
}

TEST_F(TNumberEditFixture, SignRangeAndInvalidCharacters)
{
    Edit->SetPrecision(1);
    Edit->SetValue(12.5);
    Changes = 0;
    Type(QStringLiteral("-"));
    EXPECT_EQ(Edit->GetValue(), -12.5);
    EXPECT_EQ(Edit->GetText(), QStringLiteral("12.5"));
    EXPECT_EQ(Changes, 1);
    Type(QStringLiteral("-"));
    EXPECT_EQ(Edit->GetValue(), 12.5);

    int beeps = GetBeepCount();
    Type(QStringLiteral("a"));
    EXPECT_EQ(GetBeepCount(), beeps + 1);
    EXPECT_EQ(Edit->GetText(), QStringLiteral("12.5"));

    // A range from 0 forbids the sign; typed values are not clamped until leaving.
    Edit->SetMinValue(0);
    Edit->SetMaxValue(100);
    beeps = GetBeepCount();
    Type(QStringLiteral("-"));
    EXPECT_EQ(GetBeepCount(), beeps + 1);
    EXPECT_EQ(Edit->GetValue(), 12.5);
    Edit->SelectAll();
    Type(QStringLiteral("250"));
    EXPECT_EQ(Edit->GetValue(), 250.0);
    Edit->Widget()->focusProxy()->clearFocus();
    DeliverPosted();
    EXPECT_FALSE(Edit->Focused());
    EXPECT_EQ(Edit->GetValue(), 100.0);
    EXPECT_EQ(GetCaretOwner(), nullptr);

    // Without decimals the point is refused.
    Edit->SetFocus();
    DeliverPosted();
    Edit->SetPrecision(0);
    beeps = GetBeepCount();
    Type(QStringLiteral("."));
    EXPECT_EQ(GetBeepCount(), beeps + 1);
}

TEST_F(TNumberEditFixture, LocaleDisplayKeepsTheRawText)
{
    Edit->SetPrecision(1);
    Edit->SetValue(1234567.5);
    EXPECT_EQ(Edit->DisplayText(), QStringLiteral("1,234,567.5"));
    EXPECT_EQ(Edit->GetText(), QStringLiteral("1234567.5"));
    // The caret skips the group separators: after the raw "1234" it follows "1,234".
    TKvFont font(Edit->GetFont()->GetName(), float(Edit->GetFont()->GetSize()), TKvFontStyle());
    const int left = Edit->PositionToX(0);
    EXPECT_NEAR(Edit->PositionToX(4) - left, TKvDrawingContext::MeasureText(QStringLiteral("1,234"), &font).cx, 1.0);

    {
        TLocaleScope german{QLocale(QLocale::German, QLocale::Germany)};
        EXPECT_EQ(Edit->DisplayText(), QStringLiteral("1.234.567,5"));
        Edit->SetThousandSep(false);
        EXPECT_EQ(Edit->DisplayText(), QStringLiteral("1234567,5"));
        EXPECT_EQ(Edit->GetText(), QStringLiteral("1234567.5"));
        // The locale's decimal key types the point; the raw text keeps ".".
        Edit->SetValue(3);
        CaretTo(1);
        Type(QStringLiteral(",7"));
        EXPECT_EQ(Edit->GetText(), QStringLiteral("3.7"));
        EXPECT_EQ(Edit->DisplayText(), QStringLiteral("3,7"));
        EXPECT_DOUBLE_EQ(Edit->GetValue(), 3.7);
        Edit->SetThousandSep(true);
    }
    EXPECT_EQ(Edit->DisplayText(), QStringLiteral("3.7"));
}

TEST_F(TNumberEditFixture, SpinButtonsClampToTheRange)
{
    Edit->SetSpinner(true);
    Edit->SetPrecision(1);
    Edit->SetMinValue(0);
    Edit->SetMaxValue(10);
    Edit->SetValue(9.5);
    const TRect spin = Edit->GetSpinRect();
    ASSERT_FALSE(spin.IsEmpty());
    EXPECT_EQ(spin.Right, Edit->GetClientWidth());
    EXPECT_EQ(Edit->GetTextRect().Right, spin.Left);
    const int cx = (spin.Left + spin.Right) / 2;
    const int up = spin.Top + spin.Height() / 4;
    const int down = spin.Bottom - spin.Height() / 4;

    Click(Edit.get(), cx, up);
    EXPECT_EQ(Edit->GetValue(), 10.0);
    Click(Edit.get(), cx, up);
    EXPECT_EQ(Edit->GetValue(), 10.0);
    Click(Edit.get(), cx, down);
    EXPECT_EQ(Edit->GetValue(), 9.0);

    // A press released outside the spin strip does not step.
    QWidget* window = Edit->Widget()->window();
    QTest::mousePress(window->windowHandle(), Qt::LeftButton, {}, WindowPoint(Edit.get(), cx, up));
    QTest::mouseMove(window->windowHandle(), WindowPoint(Edit.get(), 4, up));
    QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, {}, WindowPoint(Edit.get(), 4, up));
    DeliverPosted();
    EXPECT_EQ(Edit->GetValue(), 9.0);

    // The handler may refuse a step; a read-only edit never steps.
    Edit->OnSpinClick = [](TObject*, double delta, bool& accept) { accept = delta < 0; };
    Click(Edit.get(), cx, up);
    EXPECT_EQ(Edit->GetValue(), 9.0);
    Click(Edit.get(), cx, down);
    EXPECT_EQ(Edit->GetValue(), 8.0);
    Edit->SetReadOnly(true);
    Click(Edit.get(), cx, down);
    EXPECT_EQ(Edit->GetValue(), 8.0);

    // A click in the text places the caret at the nearest position.
    Edit->SetReadOnly(false);
    Edit->SetValue(123.4);
    Click(Edit.get(), Edit->PositionToX(2) + 1, Edit->GetClientHeight() / 2);
    EXPECT_EQ(Edit->GetCaret(), 2);
}

TEST_F(TNumberEditFixture, ClipboardPasteReadsANumber)
{
    Edit->SetPrecision(2);
    Edit->SetValue(1.5);
    Edit->SelectAll();
    Press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(GetClipboardText(), QStringLiteral("1.50"));

    SetClipboardText(QStringLiteral(" -1,234.5 "));
    Press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Edit->GetText(), QStringLiteral("1234.50"));
    EXPECT_EQ(Edit->GetValue(), -1234.5);

    // Text that is not a number is refused with the beep and changes nothing.
    for (const char* bad : {"12abc", "1e999", "--3", "nan"}) {
        SCOPED_TRACE(bad);
        SetClipboardText(QString::fromLatin1(bad));
        const int beeps = GetBeepCount();
        Press(Qt::Key_Insert, Qt::ShiftModifier);
        EXPECT_EQ(GetBeepCount(), beeps + 1);
        EXPECT_EQ(Edit->GetValue(), -1234.5);
    }
    // Too long for MaxLength, or negative where the range forbids it.
    Edit->SetMaxLength(5);
    SetClipboardText(QStringLiteral("123456"));
    Press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Edit->GetValue(), -1234.5);
    Edit->SetMaxLength(10);
    Edit->SetMinValue(0);
    Edit->SetMaxValue(5000);
    SetClipboardText(QStringLiteral("-2"));
    Press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Edit->GetValue(), -1234.5);

    {
        TLocaleScope german{QLocale(QLocale::German, QLocale::Germany)};
        SetClipboardText(QStringLiteral("1.234,75"));
        Press(Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(Edit->GetText(), QStringLiteral("1234.75"));
        SetClipboardText(QStringLiteral("2.5"));
        Press(Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(Edit->GetText(), QStringLiteral("2.50"));
    }

    // Cut copies the selected raw text and deletes it.
    Edit->SetValue(98.76);
    CaretTo(3);
    Press(Qt::Key_Right, Qt::ShiftModifier);
    Press(Qt::Key_Right, Qt::ShiftModifier);
    Press(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(GetClipboardText(), QStringLiteral("76"));
    EXPECT_EQ(Edit->GetText(), QStringLiteral("98.00"));
}

TEST_F(TNumberEditFixture, NullValueAndPrecisionChanges)
{
    Edit->SetPrecision(2);
    Edit->SetValue(-3.14159);
    EXPECT_EQ(Edit->GetText(), QStringLiteral("3.14"));
    EXPECT_EQ(Edit->GetValue(), -3.14);
    Edit->SetPrecision(3);
    EXPECT_EQ(Edit->GetText(), QStringLiteral("3.140"));
    Edit->SetMaxLength(2);
    Edit->SetPrecision(5);
    EXPECT_EQ(Edit->GetPrecision(), 2);
    Edit->SetMaxLength(10);

    Edit->Clear(); // EnableNull is off
    EXPECT_FALSE(Edit->IsNull());
    Edit->SetEnableNull(true);
    Edit->Clear();
    EXPECT_TRUE(Edit->IsNull());
    EXPECT_EQ(Edit->GetValue(), 0.0);
    // Leaving keeps a null value null when nulls are enabled.
    Edit->Widget()->focusProxy()->clearFocus();
    DeliverPosted();
    EXPECT_TRUE(Edit->IsNull());
    EXPECT_THROW(Edit->SetValue(std::nan("")), EConvertError);
}

namespace {

class TStartingNumberEdit : public TKvNumberEdit
{
public:
    using TKvNumberEdit::TKvNumberEdit;
    int Starts = 0;

protected:
    void InputStarting() override { ++Starts; }
};

} // namespace

TEST(KvNumberEdit, InputStartsOnCharactersAndCompositions)
{
    TLocaleScope locale{QLocale(QLocale::English, QLocale::UnitedStates)};
    TOwned<TStartingNumberEdit> edit(Create<TStartingNumberEdit>(nullptr));
    ShowFocused(edit.get(), 120, 24);
    Press(Qt::Key_Left);
    Press(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(edit->Starts, 0);
    Type(QStringLiteral("4"));
    Press(Qt::Key_Backspace);
    EXPECT_EQ(edit->Starts, 2);
    // A composition announces itself; its committed digits are typed.
    QInputMethodEvent preedit(QStringLiteral("5"), {});
    QCoreApplication::sendEvent(KeyTarget(), &preedit);
    EXPECT_EQ(edit->Starts, 3);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("5"));
    QCoreApplication::sendEvent(KeyTarget(), &commit);
    EXPECT_EQ(edit->GetText(), QStringLiteral("5"));
    EXPECT_EQ(edit->Starts, 4); // the committed character, as a typed one
    edit->SetReadOnly(true);
    Type(QStringLiteral("6"));
    EXPECT_EQ(edit->Starts, 4);
}

TEST_F(TNumberEditFixture, PaintShowsSignAndSelection)
{
    Edit->SetPrecision(2);
    Edit->SetValue(-5.25);
    // The "-" is drawn before the digits.
    const int negativeStart = Edit->PositionToX(0);
    Edit->SetValue(5.25);
    EXPECT_LT(Edit->PositionToX(0), negativeStart);
    Edit->SetValue(-5.25);
    const TColor highlight = GetSysColor(COLOR_HIGHLIGHT);
    const int top = Edit->GetClientHeight() / 2 - 3, bottom = top + 6;
    // Unselected: no highlight anywhere.
    Press(Qt::Key_End);
    EXPECT_EQ(CountColor(Edit.get(), Edit->GetClientRect(), highlight), 0);
    // The decimals selected: their cells are highlighted, the sign and integer part are not.
    Press(Qt::Key_Left, Qt::ShiftModifier);
    Press(Qt::Key_Left, Qt::ShiftModifier);
    const TRect selected{Edit->PositionToX(2), top, Edit->PositionToX(4), bottom};
    EXPECT_GT(CountColor(Edit.get(), selected, highlight), selected.Width() * selected.Height() / 3);
    EXPECT_EQ(CountColor(Edit.get(), TRect{0, top, Edit->PositionToX(2) - 1, bottom}, highlight), 0);
}

TEST_F(TNumberEditFixture, TypingStaysInTheRangeOfADoubleAndUsesTheLocaleDigits)
{
    // 309 digits hold about 1e308; one more would be infinite and is refused with the beep.
    const QString max = QString::number(std::numeric_limits<double>::max(), 'f', 0);
    Edit->SetMaxLength(0); // no limit of its own
    Edit->SetEnableNull(true);
    Edit->SetValue(std::numeric_limits<double>::max());
    Press(Qt::Key_End);
    const int beeps = GetBeepCount();
    Type(QStringLiteral("9"));
    EXPECT_EQ(GetBeepCount(), beeps + 1);
    EXPECT_EQ(Edit->GetText(), max);
    EXPECT_TRUE(std::isfinite(Edit->GetValue()));
    EXPECT_FALSE(Edit->DisplayText().contains(QLatin1String("inf")));
    // A digit over a selected digit that would overflow is refused before anything goes: the
    // selected digit stays, selected, and the value is what it was.
    Press(Qt::Key_Home);
    Press(Qt::Key_Right);
    Press(Qt::Key_Right, Qt::ShiftModifier);
    ASSERT_EQ(Edit->GetSelStart(), 1);
    ASSERT_EQ(Edit->GetSelEnd(), 2);
    ASSERT_EQ(max.at(1), QChar('7'));
    Changes = 0;
    Type(QStringLiteral("8"));
    EXPECT_EQ(GetBeepCount(), beeps + 2);
    EXPECT_EQ(Edit->GetText(), max);
    EXPECT_EQ(Edit->GetValue(), std::numeric_limits<double>::max());
    EXPECT_EQ(Edit->GetSelStart(), 1);
    EXPECT_EQ(Edit->GetSelEnd(), 2);
    EXPECT_EQ(Changes, 0);
    // A smaller digit over it is taken.
    Type(QStringLiteral("6"));
    EXPECT_EQ(Edit->GetText(), QStringLiteral("16") + max.mid(2));
    EXPECT_EQ(Edit->GetCaret(), 2);
    EXPECT_EQ(Changes, 1);
    Edit->SetValue(std::numeric_limits<double>::max());
    // A spin step past the largest double beeps as well.
    Edit->SpinClick(std::numeric_limits<double>::max());
    EXPECT_EQ(GetBeepCount(), beeps + 3);
    EXPECT_EQ(Edit->GetText(), max);

    // Leading zeros show in the locale's own digits.
    TLocaleScope arabic{QLocale(QLocale::Arabic, QLocale::Egypt)};
    Edit->Clear();
    Type(QStringLiteral("7"));
    Press(Qt::Key_Home);
    Type(QStringLiteral("00"));
    EXPECT_EQ(Edit->GetText(), QStringLiteral("007"));
    const QString zero = QLocale().zeroDigit();
    ASSERT_NE(zero, QStringLiteral("0"));
    EXPECT_EQ(Edit->DisplayText(), zero + zero + QLocale().toString(7));
}
