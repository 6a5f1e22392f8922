// The in-cell date picker in a shown grid: it waits at zero size, a typed character, a
// composition or its own drop-down asks for the edit to start, and the typed field or the
// picked day becomes its date; the "no date" check, its look, and a form file naming it.
#include "EditTestSupport.h"

#include "grid/KvGrids.Editor.InDate.h"
#include "grid/KvGrids.View.h"
#include "platform/rtl/Streaming.h"

#include <QtGui/QInputMethodEvent>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QCalendarWidget>

using namespace kv;
using namespace kvtest;

namespace {

// A root that form files read into.
class TInDateTestForm : public TComponent
{
public:
    using TComponent::TComponent;
    void GetChildren(const TGetChildProc& proc, TComponent*) override
    {
        for (int i = 0; i < GetComponentCount(); ++i)
            proc(GetComponent(i));
    }
};

struct TInDateFixture : ::testing::Test
{
    TLocaleScope Locale{QLocale(QLocale::English, QLocale::UnitedStates)};
    TOwned<TKvGridView> Grid{Create<TKvGridView>(nullptr)};
    TKvGridInDateEditor* Picker = nullptr;
    QStringList Events;
    // Where the start handler puts the picker, as a cell editor does.
    TRect Cell = TRect::Bounds(20, 40, 160, 24);
    bool Arm = true;

    void SetUp() override
    {
        ShowFocused(Grid.get(), 400, 260);
        Picker = Create<TKvGridInDateEditor>(Grid.get());
        Picker->SetParent(Grid.get());
        Picker->SetDate(EncodeDate(2024, 3, 5));
        Picker->OnStarted = [this](TObject*) {
            Events << QStringLiteral("start");
            if (!Arm)
                return;
            Picker->SetBounds(Cell.Left, Cell.Top, Cell.Width(), Cell.Height());
            Picker->SetStarted(true);
        };
        Picker->OnChange = [this](TObject*) { Events << QStringLiteral("change"); };
        Picker->OnDropDown = [this](TObject*) { Events << QStringLiteral("dropdown"); };
        Picker->OnCloseUp = [this](TObject*) { Events << QStringLiteral("closeup"); };
        Park();
    }

    // Waiting at zero size with the focus, as a cell editor leaves it.
    void Park()
    {
        Picker->SetStarted(false);
        Picker->SetBounds(0, 0, 0, 0);
        Picker->Show();
        Picker->SetFocus();
        DeliverPosted();
        ASSERT_TRUE(Picker->Focused());
        ASSERT_FALSE(Picker->GetEditing());
        Events.clear();
    }

    QWindow* Window() const { return Grid->Widget()->window()->windowHandle(); }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(Window(), key, mods); }
    QDate Date() const { return DateTimeToQDateTime(Picker->GetDate()).date(); }
};

QRgb ToQRgb(TColor color)
{
    const auto c = static_cast<std::uint32_t>(color);
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// The grey level of the darkest pixel of a client rectangle of the control, as shown.
int Darkest(TControl* control, const TRect& rect)
{
    const QImage image = control->Widget()->grab().toImage();
    const TPoint origin = control->GetClientOrigin();
    int darkest = 255;
    for (int y = rect.Top; y < rect.Bottom; ++y)
        for (int x = rect.Left; x < rect.Right; ++x)
            darkest = std::min(darkest, qGray(image.pixel(origin.X + x, origin.Y + y)));
    return darkest;
}

} // namespace

KV_PUBLISH(TInDateTestForm, TComponent);

TEST_F(TInDateFixture, CreatedForACell)
{
    EXPECT_EQ(Picker->GetDateFormat(), dfShort);
    EXPECT_TRUE(Picker->GetShowCheckbox());
    EXPECT_TRUE(Picker->GetChecked());
    EXPECT_FALSE(Picker->GetAutoSize());
    EXPECT_FALSE(Picker->GetCtl3D());
    EXPECT_EQ(Picker->GetBorderStyle(), bsNone);
    EXPECT_FALSE(Picker->GetTabStop());
    EXPECT_EQ(Picker->GetGrid(), Grid.get());
    // The locale's short date.
    EXPECT_EQ(Picker->GetText(), QStringLiteral("3/5/24"));

    // No automatic sizing: a large font keeps the height the cell gives.
    Picker->SetBounds(0, 0, 160, 12);
    TFont font;
    font.SetSize(20);
    Picker->SetFont(&font);
    EXPECT_EQ(Picker->GetHeight(), 12);

    // The column's font comes with the column.
    TKvGridDataColumn* column = Grid->AddDataColumn();
    TKvFont* columnFont = column->GetStyles()->GetFont();
    ASSERT_NE(columnFont, nullptr);
    TFont expected;
    columnFont->ToFont(&expected);
    Picker->SetEditColumn(column);
    EXPECT_EQ(Picker->GetEditColumn(), column);
    EXPECT_EQ(Picker->GetFont()->GetName(), expected.GetName());
    EXPECT_EQ(Picker->GetFont()->GetSize(), expected.GetSize());
}

TEST_F(TInDateFixture, ATypedCharacterStartsTheEditAndReplacesTheFirstField)
{
    // Keys that type nothing leave it waiting.
    Key(Qt::Key_Left);
    Key(Qt::Key_Right);
    EXPECT_EQ(Events, QStringList());
    EXPECT_FALSE(Picker->GetEditing());

    Key(Qt::Key_1);
    EXPECT_EQ(Events.value(0), QStringLiteral("start"));
    EXPECT_TRUE(Picker->GetEditing());
    EXPECT_TRUE(Picker->GetStarted());
    EXPECT_EQ(Picker->GetBoundsRect(), Cell);
    // Once open, typing goes on in the fields and asks for no second start.
    Key(Qt::Key_1);
    Key(Qt::Key_2);
    Key(Qt::Key_0);
    EXPECT_EQ(Events.count(QStringLiteral("start")), 1);
    EXPECT_EQ(Date(), QDate(2024, 11, 20));
    EXPECT_EQ(Picker->GetText(), QStringLiteral("11/20/24"));
    EXPECT_TRUE(Events.contains(QStringLiteral("change")));
    EXPECT_TRUE(Picker->Focused());

    // Backspace starts it too; a start the cell editor does not arm leaves it waiting.
    Park();
    Arm = false;
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Events.value(0), QStringLiteral("start"));
    EXPECT_FALSE(Picker->GetStarted());
    EXPECT_FALSE(Picker->GetEditing());
    Arm = true;

    // A picker without a date gets one from the typed field.
    Park();
    Picker->SetChecked(false);
    Events.clear();
    Key(Qt::Key_7);
    EXPECT_EQ(Events.value(0), QStringLiteral("start"));
    EXPECT_TRUE(Picker->GetChecked());
    EXPECT_EQ(Date().month(), 7);

    // A disabled picker starts nothing.
    Park();
    Picker->SetEnabled(false);
    Picker->Perform(WM_CHAR, '5');
    EXPECT_EQ(Events, QStringList());
    Picker->SetEnabled(true);
}

TEST_F(TInDateFixture, ACompositionStartsTheEdit)
{
    QInputMethodEvent preedit(QStringLiteral("3"), {});
    QCoreApplication::sendEvent(KeyTarget(), &preedit);
    EXPECT_EQ(Events.value(0), QStringLiteral("start"));
    EXPECT_TRUE(Picker->GetEditing());
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("3"));
    QCoreApplication::sendEvent(KeyTarget(), &commit);
    EXPECT_EQ(Events.count(QStringLiteral("start")), 1);
}

TEST_F(TInDateFixture, ItsDropDownStartsTheEditAndPicksADay)
{
    // F4 while waiting: the edit starts first, then the calendar opens below the cell.
    Key(Qt::Key_F4);
    EXPECT_EQ(Events, QStringList({"start", "dropdown"}));
    ASSERT_TRUE(Picker->GetDroppedDown());
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    const QPoint cellBottom = Grid->Widget()->mapToGlobal(QPoint(Cell.Left, Cell.Bottom));
    EXPECT_GE(popup->geometry().top(), cellBottom.y() - 1);
    EXPECT_LE(std::abs(popup->geometry().left() - cellBottom.x()), Cell.Width());

    // A click on a day takes it and closes the calendar.
    auto* view = popup->findChild<QAbstractItemView*>();
    ASSERT_NE(view, nullptr);
    QModelIndex target;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        for (int c = 0; c < view->model()->columnCount(); ++c)
            if (view->model()->index(r, c).data().toString() == QStringLiteral("22"))
                target = view->model()->index(r, c);
    ASSERT_TRUE(target.isValid());
    QTest::mouseClick(popup->windowHandle(), Qt::LeftButton, {},
                      view->viewport()->mapTo(popup, view->visualRect(target).center()));
    DeliverPosted();
    EXPECT_FALSE(Picker->GetDroppedDown());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(Date(), QDate(2024, 3, 22));
    EXPECT_EQ(Events.count(QStringLiteral("closeup")), 1);
    EXPECT_EQ(Events.count(QStringLiteral("start")), 1);

    // Its drop-down button, pressed by the user on the open picker: no second start.
    ShowFocused(Grid.get(), 400, 260);
    Picker->SetFocus();
    DeliverPosted();
    Events.clear();
    const int right = Picker->GetWidth() - 4;
    QTest::mouseClick(Window(), Qt::LeftButton, {}, WindowPoint(Picker, right, Picker->GetHeight() / 2));
    DeliverPosted();
    EXPECT_EQ(Events, QStringList({"dropdown"}));
    ASSERT_TRUE(Picker->GetDroppedDown());
    // Escape closes it without taking a day.
    QTest::keyClick(QApplication::activePopupWidget()->windowHandle(), Qt::Key_Escape);
    DeliverPosted();
    EXPECT_FALSE(Picker->GetDroppedDown());
    EXPECT_EQ(Date(), QDate(2024, 3, 22));

    // A picker without a date takes the picked day as its date.
    Picker->SetChecked(false);
    Park();
    Key(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(Picker->GetDroppedDown());
    popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    view = popup->findChild<QAbstractItemView*>();
    ASSERT_NE(view, nullptr);
    const QModelIndex current = view->currentIndex();
    ASSERT_TRUE(current.isValid());
    QTest::mouseClick(popup->windowHandle(), Qt::LeftButton, {},
                      view->viewport()->mapTo(popup, view->visualRect(current).center()));
    DeliverPosted();
    EXPECT_FALSE(Picker->GetDroppedDown());
    EXPECT_TRUE(Picker->GetChecked());
    EXPECT_EQ(Date(), QDate(2024, 3, 22));

    // Freed with its calendar open, it takes the calendar with it.
    Park();
    Key(Qt::Key_F4);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    Picker->Free();
    Picker = nullptr;
    DeliverPosted();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

// A day picked in the calendar of a picker without a date ticks its box, whether it is
// another day or the one shown, picked by a click or by the keyboard; a date set by code is
// one change.
TEST_F(TInDateFixture, APickedDayTicksTheBoxAndSetDateIsOneChange)
{
    Picker->SetDate(EncodeDate(2024, 4, 9));
    EXPECT_EQ(Events, QStringList{"change"});
    Picker->SetDate(EncodeDate(2024, 4, 9));
    EXPECT_EQ(Events, QStringList{"change"});
    Picker->SetDate(EncodeDateTime(2024, 4, 10, 15, 0, 0));
    EXPECT_EQ(Events, QStringList({"change", "change"}));
    EXPECT_EQ(Date(), QDate(2024, 4, 10));

    const auto pick = [&](const QString& day, bool byKeys) {
        Picker->SetChecked(false);
        Park();
        Key(Qt::Key_Down, Qt::AltModifier);
        ASSERT_TRUE(Picker->GetDroppedDown());
        QWidget* popup = QApplication::activePopupWidget();
        ASSERT_NE(popup, nullptr);
        auto* view = popup->findChild<QAbstractItemView*>();
        ASSERT_NE(view, nullptr);
        if (byKeys) {
            QTest::keyClick(popup->windowHandle(), day.isEmpty() ? Qt::Key_Return : Qt::Key_Right);
            if (!day.isEmpty())
                QTest::keyClick(popup->windowHandle(), Qt::Key_Return);
        } else {
            QModelIndex target = view->currentIndex();
            for (int r = 0; r < view->model()->rowCount() && !day.isEmpty(); ++r)
                for (int c = 0; c < view->model()->columnCount(); ++c)
                    if (view->model()->index(r, c).data().toString() == day)
                        target = view->model()->index(r, c);
            ASSERT_TRUE(target.isValid());
            QTest::mouseClick(popup->windowHandle(), Qt::LeftButton, {},
                              view->viewport()->mapTo(popup, view->visualRect(target).center()));
        }
        DeliverPosted();
        EXPECT_FALSE(Picker->GetDroppedDown());
    };
    for (const bool byKeys : {false, true}) {
        SCOPED_TRACE(byKeys ? "keys" : "mouse");
        // Another day.
        pick(byKeys ? QStringLiteral("+1") : QStringLiteral("20"), byKeys);
        EXPECT_TRUE(Picker->GetChecked());
        EXPECT_EQ(Date(), byKeys ? QDate(2024, 4, 21) : QDate(2024, 4, 20));
        EXPECT_EQ(Events.count(QStringLiteral("change")), 1) << Events.join(",").toStdString();
        // The day shown.
        const QDate shown = Date();
        pick(QString(), byKeys);
        EXPECT_TRUE(Picker->GetChecked());
        EXPECT_EQ(Date(), shown);
        EXPECT_EQ(Events.count(QStringLiteral("change")), 1) << Events.join(",").toStdString();
    }
}

TEST_F(TInDateFixture, NoDateIsShownGreyAndOutOfRangeDatesAreRefused)
{
    Picker->SetBounds(Cell.Left, Cell.Top, Cell.Width(), Cell.Height());
    DeliverPosted();
    // The date's text past its first field (which may be selected).
    const TRect text = TRect::Bounds(Cell.Width() / 4, 2, Cell.Width() / 3, Cell.Height() - 4);
    const int grey = qGray(ToQRgb(GetSysColor(COLOR_GRAYTEXT)));
    ASSERT_GT(grey, 0x50);
    EXPECT_LT(Darkest(Picker, text), 0x40);
    Picker->SetChecked(false);
    DeliverPosted();
    EXPECT_GE(Darkest(Picker, text), grey - 0x10);
    EXPECT_LT(Darkest(Picker, text), 0xE0);
    // The check box follows, and a click on it gives the date back.
    Events.clear();
    Click(Picker, 6, Cell.Height() / 2);
    EXPECT_TRUE(Picker->GetChecked());
    EXPECT_EQ(Events, QStringList({"change"}));

    EXPECT_THROW(Picker->SetDate(EncodeDate(10000, 1, 1) + 400), EConvertError);
    EXPECT_THROW(Picker->SetDate(-1e9), EConvertError);
    EXPECT_EQ(Date(), QDate(2024, 3, 5));
}

TEST(KvGridInDateEditor, AFormFileNamesItAndReadsItBack)
{
    RegisterClasses<TInDateTestForm>();
    const QString text = QStringLiteral(
        "object Form1: TInDateTestForm\n"
        "  object Picker1: TKvGridInDateEditor\n"
        "    Date = 45356\n"
        "    Checked = False\n"
        "    DateFormat = dfLong\n"
        "  end\n"
        "end\n");
    TOwned<TInDateTestForm> form{Create<TInDateTestForm>(nullptr)};
    ReadComponentText(text, form.get());
    auto* picker = dynamic_cast<TKvGridInDateEditor*>(form->FindComponent(QStringLiteral("Picker1")));
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(DateTimeToQDateTime(picker->GetDate()).date(), QDate(2024, 3, 5));
    EXPECT_FALSE(picker->GetChecked());
    EXPECT_EQ(picker->GetDateFormat(), dfLong);
    // What it was created with stays.
    EXPECT_TRUE(picker->GetShowCheckbox());
    EXPECT_FALSE(picker->GetCtl3D());

    const QString written = WriteComponentText(form.get());
    EXPECT_TRUE(written.contains(QStringLiteral("DateFormat = dfLong")));
    EXPECT_FALSE(written.contains(QStringLiteral("ShowCheckbox")));
    TOwned<TInDateTestForm> copy{Create<TInDateTestForm>(nullptr)};
    ReadComponentText(written, copy.get());
    EXPECT_EQ(WriteComponentText(copy.get()), written);
}
