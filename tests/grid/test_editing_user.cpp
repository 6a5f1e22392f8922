// In-place editing as a user meets it: a shown grid bound as the README binds one, driven by
// window-level keys and clicks; what is checked is what the user sees (cell and footer texts,
// the editor's text, messages shown, pixels).
#include "EditTestSupport.h"
#include "GridTestSupport.h"
#include "TestSupport.h"

#include "grid/KvGrids.Common.Lists.h"
#include "grid/KvGrids.Editing.h"
#include "grid/KvGrids.Editor.List.h"
#include "grid/KvGrids.Editors.h"
#include "grid/KvGrids.Hints.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Services.h"

#include <QtGui/QWindow>

using namespace kv;
using namespace kvtest;

namespace {

bool Ink(QRgb p) { return qGray(p) < 128; }

// The first and last x of dark pixels inside r of the image, or (-1, -1).
std::pair<int, int> InkSpan(const QImage& image, const TRect& r)
{
    int first = -1, last = -1;
    for (int x = std::max(0, r.Left); x < std::min(image.width(), r.Right); ++x)
        for (int y = std::max(0, r.Top); y < std::min(image.height(), r.Bottom); ++y)
            if (Ink(image.pixel(x, y))) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

struct UserEditing : ::testing::Test
{
    TLocaleScope Locale{QLocale(QLocale::English, QLocale::UnitedStates)};
    TOwned<TKvSimpleDataProvider> Data = MakeTable(
        "Name,Qty,When,Paid,Note", "s,n,d,b,s",
        {{"alpha", 3, Variant::DateTime(EncodeDate(2025, 10, 28)), true, "x"},
         {"beta", 40, Variant::DateTime(EncodeDate(2024, 3, 5)), false, "y"},
         {"gamma", 12, Variant(), true, "z"}});
    TOwned<TKvDefaultGridItemProvider> Default = MakeOwned<TKvDefaultGridItemProvider>();
    TOwned<TKvGridEditableItemProvider> Editable;
    TOwned<TKvGridView> Grid = MakeOwned<TKvGridView>(nullptr);
    TKvGridColumnGroup* Who = nullptr;
    TKvGridDataColumn* Name = nullptr;
    TKvGridDataColumn* Qty = nullptr;
    TKvGridDataColumn* When = nullptr;
    TKvGridDataColumn* Paid = nullptr;
    TKvGridDataColumn* Note = nullptr;
    QStringList Shown;
    QStringList Events;
    TExceptionHook OldHook;

    void SetUp() override
    {
        OldHook = SetExceptionHook([this](const QString& message) { Shown << message; });
        // Columns named before the item source is bound, as the README does.
        Who = Grid->AddColumnGroup();
        Name = Add("Name", Who);
        Qty = Add("Qty");
        Qty->GetStyles()->SetTextAlignment(AlignFar);
        When = Add("When");
        When->SetEditor(Create<TKvDateTimeCellEditor>(Grid.get()));
        Paid = Add("Paid");
        Note = Add("Note");
        Default->SetDataSource(Data.get());
        Editable = MakeOwned<TKvGridEditableItemProvider>(Default.get());
        Grid->SetItemSource(Editable.get());
        Grid->OnEditStart = [this](TKvGridView*, const TKvGridCellIndex& i) { Events << QStringLiteral("start %1").arg(i.ItemIndex); };
        Grid->OnEditCommit = [this](TKvGridView*, const TKvGridCellIndex&, const Variant& v) { Events << "commit " + v.ToString(); };
        Grid->OnEditComplete = [this](TKvGridView*, const TKvGridCellIndex& i) { Events << QStringLiteral("complete %1").arg(i.ItemIndex); };
        ShowFocused(Grid.get(), 700, 300);
        Paint();
    }
    void TearDown() override
    {
        SetExceptionHook(OldHook);
        Grid.reset();
        Editable.reset();
        Default.reset();
    }
    TKvGridDataColumn* Add(const QString& field, TKvGridColumnGroup* group = nullptr)
    {
        TKvGridDataColumn* c = Grid->AddDataColumn(group);
        c->SetFieldName(field);
        c->SetWidth(110);
        return c;
    }
    void Paint()
    {
        Grid->Invalidate();
        Grid->Update();
        DeliverPosted();
    }
    QWindow* Win() const { return Grid->Widget()->window()->windowHandle(); }
    TKvGridCellIndex Cell(int item, TKvGridColumn* column) const { return {Grid.get(), item, column}; }
    // The cell's value as the grid holds it (a pending row edit included).
    Variant Value(int item, TKvGridColumn* column) const { return Grid->GetCellData(Cell(item, column)); }
    QString CellText(int item, TKvGridColumn* column) const { return Grid->GetBody()->GetCell(Cell(item, column))->GetDisplayText(); }
    TKvDefaultGridEditController* Controller() const
    {
        return static_cast<TKvDefaultGridEditController*>(Grid->GetEditController());
    }
    TKvGridInplaceEditor* LineControl() const
    {
        auto* editor = dynamic_cast<TKvLineCellEditor*>(Controller()->GetEditor());
        return editor ? editor->GetControl() : nullptr;
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(Win(), key, mods);
        DeliverPosted();
    }
    void TypeKeys(const QString& text)
    {
        for (const QChar c : text)
            QTest::keyClick(Win(), c.toLatin1());
        DeliverPosted();
    }
    void ClickCell(int item, TKvGridColumn* column, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        const TRect r = Grid->GetCellBounds(Cell(item, column));
        QTest::mouseClick(Win(), Qt::LeftButton, mods, WindowPoint(Grid.get(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
        DeliverPosted();
    }
    QString FooterText(TKvGridColumn* column) const
    {
        return Grid->GetFooter()->GetCell(Cell(-1, column))->GetDisplayText();
    }
};

} // namespace

// The README's program: columns named before binding show their values in the first frame.
TEST(UserGrid, ReadmeExampleShowsItsValues)
{
    TOwned<TKvSimpleDataProvider> table = MakeOwned<TKvSimpleDataProvider>(nullptr);
    table->InsertColumns(0, 2, "City,Units", "s,n");
    table->InsertRow(0, {"Oslo", 12});
    table->InsertRow(1, {"Lima", 40});
    TOwned<TKvDefaultGridItemProvider> items = MakeOwned<TKvDefaultGridItemProvider>();
    items->SetDataSource(table.get());
    TOwned<TKvGridEditableItemProvider> editable = MakeOwned<TKvGridEditableItemProvider>(items.get());
    TOwned<TKvGridView> grid = MakeOwned<TKvGridView>(nullptr);
    for (const char* field : {"City", "Units"})
        grid->AddDataColumn()->SetFieldName(field);
    grid->SetItemSource(editable.get());
    ShowFocused(grid.get(), 400, 200);
    grid->Update();
    DeliverPosted();

    TKvGridColumn* city = grid->GetVisibleColumn(0);
    TKvGridColumn* units = grid->GetVisibleColumn(1);
    EXPECT_EQ(grid->GetBody()->GetCell({grid.get(), 0, city})->GetDisplayText(), "Oslo");
    EXPECT_EQ(grid->GetBody()->GetCell({grid.get(), 1, units})->GetDisplayText(), "40");
    // The frame shows text in the laid-out cells.
    const QImage image = grid->Widget()->grab().toImage();
    for (int item = 0; item < 2; ++item)
        for (TKvGridColumn* column : {city, units}) {
            ASSERT_NE(grid->GetCellView(grid->GetBody(), {grid.get(), item, column}), nullptr);
            const TRect r = grid->GetCellBounds({grid.get(), item, column});
            EXPECT_GE(InkSpan(image, r).first, 0) << "cell " << item;
        }
    // A field name changed later is found as well.
    dynamic_cast<TKvGridDataColumn*>(units)->SetFieldName("City");
    EXPECT_EQ(grid->GetBody()->GetCell({grid.get(), 1, units})->GetDisplayText(), "Lima");
    grid->SetItemSource(nullptr);
}

// An edit typed into a numeric cell moves the footer's grand total once the row is saved.
TEST_F(UserEditing, FooterSumFollowsATypedEdit)
{
    Grid->GetFooter()->SetVisible(true);
    Qty->GetFooter()->SetExpression("sum");
    Paint();
    EXPECT_EQ(FooterText(Qty), "55");
    ClickCell(1, Qty);
    TypeKeys("41");
    Key(Qt::Key_Return);
    Key(Qt::Key_Down); // leaving the row saves it
    Paint();
    EXPECT_EQ(CellText(1, Qty), "41");
    EXPECT_TRUE(Data->GetData(1, 1) == Variant(41));
    EXPECT_EQ(FooterText(Qty), "56");
}

// A huge value typed and then corrected leaves the grand total exact.
TEST_F(UserEditing, FooterSumStaysExactAfterAHugeValueIsCorrected)
{
    Grid->GetFooter()->SetVisible(true);
    Qty->GetFooter()->SetExpression("sum");
    Paint();
    EXPECT_EQ(FooterText(Qty), "55");
    ClickCell(1, Qty);
    TypeKeys("10000000000000000");
    Key(Qt::Key_Return);
    Key(Qt::Key_Down);
    Paint();
    EXPECT_TRUE(Data->GetData(1, 1) == Variant(std::int64_t(10000000000000000)));
    EXPECT_TRUE(Data->GetSum(1) == Variant(std::int64_t(10000000000000015)));
    ClickCell(1, Qty);
    TypeKeys("40");
    Key(Qt::Key_Return);
    Key(Qt::Key_Down);
    Paint();
    EXPECT_EQ(CellText(1, Qty), "40");
    EXPECT_EQ(FooterText(Qty), "55");
    EXPECT_TRUE(Shown.isEmpty()) << Shown.join("\n").toStdString();
}

// Text that is no value of the field's type is refused with a message; nothing is written and
// the editor keeps the user's text.
TEST_F(UserEditing, ValuesOfTheWrongTypeAreRefused)
{
    ClickCell(0, Qty);
    TypeKeys("abc");
    Key(Qt::Key_Return);
    ASSERT_EQ(Shown.size(), 1);
    EXPECT_EQ(Shown[0], "'abc' is not a valid number: Qty");
    EXPECT_TRUE(Controller()->GetEditing());
    EXPECT_EQ(LineControl()->GetText(), "abc");
    EXPECT_TRUE(Value(0, Qty) == Variant(3));
    // Leaving the cell by a click is refused the same way.
    ClickCell(0, Note);
    EXPECT_EQ(Shown.size(), 2);
    EXPECT_EQ(Grid->GetFocusedIndex(), Cell(0, Qty));
    Key(Qt::Key_Escape);
    Key(Qt::Key_Escape);

    // A number converts: text read as the field's type.
    TypeKeys("7.5");
    Key(Qt::Key_Return);
    EXPECT_TRUE(Value(0, Qty) == Variant(7.5));

    // A space is no Boolean; "false" is.
    Shown.clear();
    ClickCell(0, Paid);
    TypeKeys(" ");
    Key(Qt::Key_Return);
    ASSERT_EQ(Shown.size(), 1);
    EXPECT_EQ(Shown[0], "' ' is not a valid Boolean value: Paid");
    EXPECT_TRUE(Value(0, Paid) == Variant(true));
    Key(Qt::Key_Escape);
    TypeKeys("false");
    Key(Qt::Key_Return);
    EXPECT_TRUE(Value(0, Paid) == Variant(false));
    EXPECT_EQ(Shown.size(), 1);
}

// The number editor: decimals without a format, the beep with one, a starting minus sign and
// Backspace.
TEST_F(UserEditing, TheNumberEditorKeepsWhatIsTyped)
{
    Qty->SetEditor(Create<TKvNumberCellEditor>(Grid.get()));
    ClickCell(0, Qty);
    TypeKeys("42.5");
    Key(Qt::Key_Return);
    EXPECT_DOUBLE_EQ(Value(0, Qty).ToDouble(), 42.5);
    // Enter moved on to the next cell.
    EXPECT_EQ(Grid->GetFocusedIndex(), Cell(0, When));
    ClickCell(0, Qty);
    TypeKeys("1.25");
    Key(Qt::Key_Return);
    EXPECT_DOUBLE_EQ(Value(0, Qty).ToDouble(), 1.25);

    // Right-aligned like its cell.
    ClickCell(1, Qty);
    Paint();
    const TRect r = Grid->GetCellBounds(Cell(1, Qty));
    const TRect inner{r.Left + 1, r.Top + 2, r.Right - 2, r.Bottom - 2};
    const int cellEnd = InkSpan(Grid->Widget()->grab().toImage(), inner).second;
    Key(Qt::Key_F2);
    DeliverPosted();
    auto* control = dynamic_cast<TKvNumberCellEditor*>(Controller()->GetEditor())->GetControl();
    EXPECT_EQ(control->GetAlignment(), taRightJustify);
    EXPECT_NEAR(InkSpan(Grid->Widget()->grab().toImage(), inner).second, cellEnd, 2);
    Key(Qt::Key_Escape);

    // A fresh negative number: the minus replaces the value like any first character.
    TypeKeys("-5");
    Key(Qt::Key_Return);
    EXPECT_DOUBLE_EQ(Value(1, Qty).ToDouble(), -5);

    // Backspace opens the edit and deletes the value.
    Events.clear();
    ClickCell(2, Qty);
    Key(Qt::Key_Backspace);
    EXPECT_TRUE(Controller()->GetEditing());
    auto* number = dynamic_cast<TKvNumberCellEditor*>(Controller()->GetEditor())->GetControl();
    EXPECT_TRUE(number->IsNull());
    EXPECT_EQ(Events.filter("start").size(), 1);
    Key(Qt::Key_Escape);
    Key(Qt::Key_Escape);

    // A format of whole numbers only rounds what the cell shows: the decimals are kept.
    Qty->GetStyles()->SetNumberFormat("#,##0");
    ClickCell(0, Qty);
    const int beeps = GetBeepCount();
    TypeKeys("4.2");
    EXPECT_EQ(GetBeepCount(), beeps);
    Key(Qt::Key_Return);
    EXPECT_DOUBLE_EQ(Value(0, Qty).ToDouble(), 4.2);
}

// Amounts typed into a number editor over a "#,##0" column are stored as typed: decimals are
// kept (the cell rounds what it shows), a typed thousands separator is taken and ignored, and
// a value starting with its point or minus sign replaces the old value.
TEST_F(UserEditing, AmountsAreStoredAsTyped)
{
    Qty->SetEditor(Create<TKvNumberCellEditor>(Grid.get()));
    Qty->GetStyles()->SetNumberFormat("#,##0");
    Paint();
    const int beeps = GetBeepCount();
    struct TRow
    {
        const char* Keys;
        double Stored;
    };
    const TRow rows[] = {{"1234.5", 1234.5}, {"1500.00", 1500}, {"1,234.5", 1234.5}, {"12,345", 12345},
                         {".5", 0.5},        {"-.25", -0.25},   {"7.259", 7.259}};
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Keys);
        ClickCell(1, Qty);
        TypeKeys(QString::fromLatin1(row.Keys));
        Key(Qt::Key_Return);
        EXPECT_DOUBLE_EQ(Value(1, Qty).ToDouble(), row.Stored);
        Key(Qt::Key_Up);
        EXPECT_DOUBLE_EQ(Data->GetData(1, 1).ToDouble(), row.Stored);
    }
    EXPECT_EQ(GetBeepCount(), beeps);
    // With a format of two decimals, more decimals are kept as well.
    Qty->GetStyles()->SetNumberFormat("0.00");
    ClickCell(1, Qty);
    TypeKeys("2.125");
    Key(Qt::Key_Return);
    EXPECT_DOUBLE_EQ(Value(1, Qty).ToDouble(), 2.125);
    // Opened again, the editor shows the value whole, and unchanged it stays so.
    ClickCell(1, Qty);
    Key(Qt::Key_F2);
    auto* number = dynamic_cast<TKvNumberCellEditor*>(Controller()->GetEditor())->GetControl();
    EXPECT_EQ(number->GetText(), "2.125");
    Key(Qt::Key_End);
    TypeKeys("7");
    Key(Qt::Key_Return);
    EXPECT_DOUBLE_EQ(Value(1, Qty).ToDouble(), 2.1257);
    EXPECT_EQ(GetBeepCount(), beeps);
    Key(Qt::Key_Down);
    EXPECT_DOUBLE_EQ(Data->GetData(1, 1).ToDouble(), 2.1257);
    EXPECT_TRUE(Shown.isEmpty()) << Shown.join("\n").toStdString();
}

// The line editor: a starting minus over a number, and Backspace starting the edit.
TEST_F(UserEditing, TheFirstKeyReplacesTheValue)
{
    ClickCell(0, Qty);
    TypeKeys("-5");
    Key(Qt::Key_Return);
    EXPECT_TRUE(Value(0, Qty) == Variant(-5));

    Events.clear();
    ClickCell(1, Note);
    Key(Qt::Key_Backspace);
    EXPECT_TRUE(Controller()->GetEditing());
    EXPECT_EQ(LineControl()->GetText(), "");
    EXPECT_EQ(Events, QStringList{"start 1"});
    Key(Qt::Key_Return);
    EXPECT_TRUE(Value(1, Note).IsClear() || Value(1, Note).ToString().isEmpty());
}

// Validation: a refused row shows its message; a column error goes with its edit; one Enter
// announces one commit; the hint leaves with the pointer and the saved row.
TEST_F(UserEditing, ValidationMessagesReachTheUserAndGoAway)
{
    Grid->GetValidations()->Add("positive", "value['Qty'] > 0", "Qty must be positive");
    ClickCell(0, Qty);
    TypeKeys("-1");
    Key(Qt::Key_Return);
    EXPECT_TRUE(Shown.isEmpty());
    Key(Qt::Key_Down);
    ASSERT_EQ(Shown.size(), 1);
    EXPECT_EQ(Shown[0], "Qty must be positive");
    EXPECT_EQ(Grid->GetFocusedIndex().ItemIndex, 0);
    EXPECT_TRUE(Grid->IsItemEditing(0));
    Key(Qt::Key_Escape);
    EXPECT_FALSE(Grid->IsItemEditing(0));
    EXPECT_TRUE(Value(0, Qty) == Variant(3));
    Grid->GetValidations()->Clear();

    // A required name inside a column group: the error shows on this edit only.
    Name->SetRequired(true);
    Grid->GetEditOptions()->SetValidateOnEdited(true);
    ClickCell(0, Name);
    Events.clear();
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Return);
    EXPECT_EQ(Events.filter("commit").size(), 1);
    EXPECT_EQ(Name->GetError(), "Value is required: Name");
    EXPECT_EQ(Grid->GetBody()->GetCell(Cell(0, Name))->GetError(), "Value is required: Name");
    EXPECT_TRUE(Controller()->GetEditing());
    EXPECT_EQ(Grid->GetFocusedIndex(), Cell(0, Name));

    // The hint shows over the error and leaves with the pointer.
    const TRect r = Grid->GetCellBounds(Cell(0, Note));
    Key(Qt::Key_Escape);
    QTest::mouseMove(Win(), WindowPoint(Grid.get(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
    const TRect n = Grid->GetCellBounds(Cell(0, Name));
    QTest::mouseMove(Win(), WindowPoint(Grid.get(), n.Left + 5, (n.Top + n.Bottom) / 2));
    DeliverPosted();
    ASSERT_NE(Grid->GetHintManager()->GetHintWindow(), nullptr);
    QList<QWidget*> widgets = Grid->Widget()->findChildren<QWidget*>();
    widgets << Grid->Widget();
    for (QWidget* w : widgets) {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(w, &leave);
    }
    DeliverPosted();
    EXPECT_EQ(Grid->GetHintManager()->GetHintWindow(), nullptr);

    // The row cancelled: no column keeps the error, nor does the next edited row show it.
    Key(Qt::Key_Escape);
    EXPECT_FALSE(Grid->IsItemEditing(0));
    EXPECT_EQ(Name->GetError(), "");
    ClickCell(1, Note);
    TypeKeys("w");
    Key(Qt::Key_Return);
    EXPECT_EQ(Grid->GetBody()->GetCell(Cell(1, Name))->GetError(), "");
    // A saved row takes the hint with it as well.
    Grid->GetHintManager()->Show(5, 5, "Value is required: Name", Name);
    ASSERT_NE(Grid->GetHintManager()->GetHintWindow(), nullptr);
    Key(Qt::Key_Up);
    EXPECT_FALSE(Grid->IsItemEditing(1));
    EXPECT_EQ(Grid->GetHintManager()->GetHintWindow(), nullptr);
    EXPECT_EQ(Value(1, Note).ToString(), "w");
}

// Enter on a value that fails a column validation shows the validation's message and keeps
// the editor with the user's text; a good value then commits.
TEST_F(UserEditing, EnterOnAFailingValueShowsTheValidationsMessage)
{
    Qty->GetValidations()->Add("positive", "value > 0", "Qty must be positive");
    ClickCell(0, Qty);
    TypeKeys("-4");
    Key(Qt::Key_Return);
    ASSERT_EQ(Shown, QStringList{"Qty must be positive"});
    EXPECT_TRUE(Controller()->GetEditing());
    ASSERT_NE(LineControl(), nullptr);
    EXPECT_EQ(LineControl()->GetText(), "-4");
    EXPECT_EQ(Grid->GetFocusedIndex(), Cell(0, Qty));
    // Fixed by the user: the good value goes in, no further message.
    LineControl()->SelectAll();
    TypeKeys("4");
    Key(Qt::Key_Return);
    EXPECT_FALSE(Controller()->GetEditing());
    EXPECT_TRUE(Value(0, Qty) == Variant(4));
    EXPECT_EQ(Shown.size(), 1);
    EXPECT_EQ(Qty->GetError(), "");
}

// A check cell is toggled in place by Space and by a click, as a click on its box does; no
// key or double click opens a text editor over it.
TEST_F(UserEditing, CheckCellsToggleWithoutATextEditor)
{
    Paid->SetRenderer(Create<TKvCheckCellRenderer>(Grid.get()));
    Paint();
    ClickCell(1, Paid);
    EXPECT_EQ(Grid->GetFocusedIndex(), Cell(1, Paid));
    EXPECT_TRUE(Value(1, Paid) == Variant(true));
    EXPECT_FALSE(Controller()->GetEditing());

    Key(Qt::Key_Space);
    EXPECT_FALSE(Controller()->GetEditing());
    EXPECT_TRUE(Value(1, Paid) == Variant(false));
    Key(Qt::Key_F2);
    EXPECT_FALSE(Controller()->GetEditing());
    Key(Qt::Key_Space);
    EXPECT_TRUE(Value(1, Paid) == Variant(true));
    Key(Qt::Key_Return);
    EXPECT_TRUE(Shown.isEmpty());
    EXPECT_TRUE(Value(1, Paid) == Variant(true));

    // A double click on the focused cell opens nothing either.
    ClickCell(1, Paid);
    const TRect r = Grid->GetCellBounds(Cell(1, Paid));
    QTest::mouseDClick(Win(), Qt::LeftButton, Qt::NoModifier,
                       WindowPoint(Grid.get(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
    DeliverPosted();
    EXPECT_FALSE(Controller()->GetEditing());
    EXPECT_TRUE(Value(1, Paid).IsBoolean());
    Key(Qt::Key_Space);
    EXPECT_FALSE(Controller()->GetEditing());
    EXPECT_TRUE(Shown.isEmpty());

    // Leaving the row saves what the user sees.
    const Variant shown = Value(1, Paid);
    Key(Qt::Key_Up);
    EXPECT_FALSE(Grid->IsItemEditing(1));
    EXPECT_TRUE(Data->GetData(1, 3) == shown);
}

// The error hint of a cell shows beside the pointer while it rests on the cell and goes when
// the pointer leaves the cell.
TEST_F(UserEditing, TheErrorHintShowsBesideThePointer)
{
    Qty->GetValidations()->Add("positive", "value > 0", "Qty must be positive");
    ClickCell(0, Qty);
    TypeKeys("-4");
    Key(Qt::Key_Return);
    Key(Qt::Key_Escape);
    ASSERT_FALSE(Controller()->GetEditing());
    ASSERT_EQ(Grid->GetBody()->GetCell(Cell(0, Qty))->GetError(), "Qty must be positive");
    Paint();

    const TRect r = Grid->GetCellBounds(Cell(0, Qty));
    const TRect other = Grid->GetCellBounds(Cell(1, Note));
    QTest::mouseMove(Win(), WindowPoint(Grid.get(), (other.Left + other.Right) / 2, (other.Top + other.Bottom) / 2));
    DeliverPosted();
    const QPoint at = WindowPoint(Grid.get(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    QTest::mouseMove(Win(), at);
    DeliverPosted();
    THintWindow* hint = Grid->GetHintManager()->GetHintWindow();
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->IsShowing());
    EXPECT_EQ(hint->GetCaption(), "Qty must be positive");
    // Beside the pointer, never under it.
    const TPoint pointer = Grid->ClientToScreen(TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
    const TRect bounds = hint->GetBoundsRect();
    EXPECT_FALSE(pointer.X >= bounds.Left && pointer.X < bounds.Right && pointer.Y >= bounds.Top &&
                 pointer.Y < bounds.Bottom);
    EXPECT_EQ(bounds.Left, pointer.X);
    EXPECT_EQ(bounds.Top, pointer.Y + TKvGridHintManager::POINTER_HEIGHT);

    // Resting and moving on the cell keeps it.
    QTest::mouseMove(Win(), at + QPoint(3, 1));
    DeliverPosted();
    ASSERT_NE(Grid->GetHintManager()->GetHintWindow(), nullptr);
    EXPECT_TRUE(Grid->GetHintManager()->GetHintWindow()->IsShowing());

    // Leaving the cell hides it.
    QTest::mouseMove(Win(), WindowPoint(Grid.get(), (other.Left + other.Right) / 2, (other.Top + other.Bottom) / 2));
    DeliverPosted();
    THintWindow* left = Grid->GetHintManager()->GetHintWindow();
    EXPECT_TRUE(left == nullptr || !left->IsShowing());
}

// A value too wide for its right-aligned cell shows its leading part: a number rounded to
// the decimals that fit, a text cut with an ellipsis; never its tail digits alone. What the
// cell shows is the picture of such a value written into the same cell.
TEST_F(UserEditing, AValueTooWideShowsItsLeadingPart)
{
    Note->GetStyles()->SetTextAlignment(AlignFar);
    const auto row = [&](const Variant& qty, const Variant& note) {
        Data->UpdateRow(2, {"gamma", qty, Variant(), true, note});
    };
    const auto picture = [&](TKvGridColumn* column) {
        Paint();
        const TRect r = Grid->GetCellBounds(Cell(2, column));
        return Grid->Widget()->grab().toImage().copy(r.Left, r.Top, r.Width(), r.Height());
    };
    // Room for the text inside the cell's paddings, a pixel kept for its borders.
    const auto fits = [&](TKvGridDataColumn* column, const QString& text) {
        TKvGridViewStyles* styles = column->GetStyles();
        const TRect r = Grid->GetCellBounds(Cell(2, column));
        const int room = r.Width() - styles->GetPaddingLeft() - styles->GetPaddingRight() - 2;
        return TKvDrawingContext::MeasureText(text, styles->GetFont()).cx <= room;
    };

    const double number = 124.87624876248762;
    const QString full = Variant(number).ToString();
    const QString text = "abcdefghijklmnopqrstuvwxyz0123456789";
    ASSERT_FALSE(fits(Qty, full));
    ASSERT_FALSE(fits(Note, text));
    row(number, text);
    const QImage qty = picture(Qty);
    const QImage note = picture(Note);

    int decimals = -1;
    for (int k = 0; k < 14 && decimals < 0; ++k) {
        const double rounded = QString::number(number, 'f', k).toDouble();
        if (!fits(Qty, Variant(rounded).ToString()))
            continue;
        row(rounded, text);
        if (picture(Qty) == qty)
            decimals = k;
    }
    EXPECT_GE(decimals, 2) << "the number is not shown rounded to fit";
    int kept = -1;
    for (int n = int(text.size()) - 1; n > 0 && kept < 0; --n) {
        const QString head = text.left(n) + QChar(0x2026);
        row(number, head);
        if (picture(Note) == note)
            kept = n;
    }
    EXPECT_GE(kept, 3) << "the text is not shown as its head with an ellipsis";
}

// The editor looks like its cell: the date as the cell writes it, the numeric column's
// alignment, and the text where the cell draws it.
TEST_F(UserEditing, TheEditorLooksLikeItsCell)
{
    ClickCell(0, When);
    Key(Qt::Key_F2);
    auto* date = dynamic_cast<TKvDateTimeCellEditor*>(Controller()->GetEditor())->GetControl();
    EXPECT_EQ(CellText(0, When), "2025-10-28");
    EXPECT_EQ(date->GetDisplayText(), "2025-10-28");
    Key(Qt::Key_Escape);

    auto probe = [&](int item, TKvGridDataColumn* column) {
        ClickCell(item, column);
        Paint();
        const TRect r = Grid->GetCellBounds(Cell(item, column));
        const TRect inner{r.Left + 1, r.Top + 2, r.Right - 2, r.Bottom - 2};
        const auto cell = InkSpan(Grid->Widget()->grab().toImage(), inner);
        Key(Qt::Key_F2);
        DeliverPosted();
        const auto editor = InkSpan(Grid->Widget()->grab().toImage(), inner);
        Key(Qt::Key_Escape);
        return std::make_pair(cell, editor);
    };
    for (const int padding : {-1, 7}) {
        // The default paddings, then wider ones.
        if (padding >= 0) {
            Qty->GetStyles()->SetPaddingRight(padding);
            Note->GetStyles()->SetPaddingLeft(padding);
            When->GetStyles()->SetPaddingLeft(padding);
        }
        // Right-aligned numbers stay right-aligned, their last digit in place.
        const auto [qtyCell, qtyEditor] = probe(2, Qty);
        ASSERT_GE(qtyCell.second, 0);
        EXPECT_NEAR(qtyEditor.second, qtyCell.second, 0.5) << "padding " << padding;
        EXPECT_EQ(LineControl()->GetAlignment(), taRightJustify);
        // Left-aligned text starts where the cell's does.
        const auto [noteCell, noteEditor] = probe(1, Note);
        ASSERT_GE(noteCell.first, 0);
        EXPECT_NEAR(noteEditor.first, noteCell.first, 0.5) << "padding " << padding;
        const auto [dateCell, dateEditor] = probe(1, When);
        ASSERT_GE(dateCell.first, 0);
        EXPECT_NEAR(dateEditor.first, dateCell.first, 1) << "padding " << padding;
    }
}

// A date typed without separators fills its parts one after the other; a day the month
// cannot have is refused with the beep and a message, and the user types another.
TEST_F(UserEditing, ADateTypedWithoutSeparatorsFillsItsParts)
{
    ClickCell(0, When);
    TypeKeys("20271231");
    auto* date = dynamic_cast<TKvDateTimeCellEditor*>(Controller()->GetEditor())->GetControl();
    EXPECT_EQ(date->GetDisplayText(), "2027-12-31");
    Key(Qt::Key_Return);
    EXPECT_TRUE(Value(0, When) == Variant::DateTime(EncodeDate(2027, 12, 31)));
    EXPECT_TRUE(Shown.isEmpty());

    // A second edit starts again at the year.
    ClickCell(1, When);
    const int beeps = GetBeepCount();
    TypeKeys("20260230");
    EXPECT_EQ(GetBeepCount(), beeps + 1);
    ASSERT_EQ(Shown.size(), 1);
    EXPECT_EQ(Shown[0], "'2026-02-30' is not a valid date");
    EXPECT_EQ(date->GetDisplayText(), "2026-02-05");
    // Enter after the refusal writes nothing the user did not type: the editor stays open on
    // the refused day with the message again.
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Tab}) {
        Key(key);
        EXPECT_TRUE(Controller()->GetEditing());
        EXPECT_EQ(Grid->GetFocusedIndex(), Cell(1, When));
        EXPECT_TRUE(Value(1, When) == Variant::DateTime(EncodeDate(2024, 3, 5))) << Value(1, When).ToString().toStdString();
        EXPECT_EQ(date->GetCaret(), date->GetElementCount() - 1);
        EXPECT_EQ(Shown.size(), 2);
        EXPECT_EQ(Shown.value(1), "'2026-02-30' is not a valid date");
        Shown = Shown.mid(0, 1);
    }
    TypeKeys("28");
    Key(Qt::Key_Return);
    EXPECT_TRUE(Value(1, When) == Variant::DateTime(EncodeDate(2026, 2, 28)));
    EXPECT_EQ(Shown.size(), 1);
    // Escape after a refusal leaves the stored date.
    ClickCell(1, When);
    TypeKeys("20250231");
    EXPECT_EQ(Shown.size(), 2);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(Controller()->GetEditing());
    EXPECT_TRUE(Value(1, When) == Variant::DateTime(EncodeDate(2026, 2, 28)));
}

// EditWhenFocused opens the editor on focus unless the grid is read-only; the editor takes the
// column's input-method settings.
TEST_F(UserEditing, FocusOpensTheEditorWhenAskedAndTheColumnsImeApplies)
{
    Note->SetImeMode(imClose);
    Note->SetImeName("Hangul");
    Grid->GetEditOptions()->SetEditWhenFocused(true);
    ClickCell(1, Note);
    EXPECT_TRUE(Controller()->GetEditing());
    EXPECT_EQ(LineControl()->GetImeMode(), imClose);
    EXPECT_EQ(LineControl()->GetImeName(), "Hangul");
    EXPECT_FALSE(LineControl()->GetControlStyle().Contains(csInputMethod));
    Key(Qt::Key_Left);
    EXPECT_TRUE(Controller()->GetEditing());
    Grid->GetEditOptions()->SetReadOnly(true);
    ClickCell(2, Name);
    Paint();
    EXPECT_FALSE(Controller()->GetEditing());
}

// Typed text as each field type reads it: numbers in either decimal form, dates as cells show
// them, Booleans by name; text that is none of these is refused naming the field.
TEST(UserGrid, TypedTextTakesTheFieldsType)
{
    TLocaleScope locale{QLocale(QLocale::German, QLocale::Germany)};
    EXPECT_TRUE(FieldValue(Variant("12"), ValueTypeNumeric, "Qty") == Variant(12));
    EXPECT_DOUBLE_EQ(FieldValue(Variant("1.5"), ValueTypeNumeric, "Qty").ToDouble(), 1.5);
    EXPECT_DOUBLE_EQ(FieldValue(Variant("1,5"), ValueTypeNumeric, "Qty").ToDouble(), 1.5);
    EXPECT_TRUE(FieldValue(Variant(""), ValueTypeNumeric, "Qty").IsNull());
    EXPECT_TRUE(FieldValue(Variant("2024-02-03"), ValueTypeDateTime, "When") == Variant::DateTime(EncodeDate(2024, 2, 3)));
    EXPECT_TRUE(FieldValue(Variant("TRUE"), ValueTypeBool, "Paid") == Variant(true));
    EXPECT_TRUE(FieldValue(Variant("abc"), ValueTypeText, "Note") == Variant("abc"));
    try {
        FieldValue(Variant("2024-02-30"), ValueTypeDateTime, "When");
        ADD_FAILURE() << "an impossible date was taken";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'2024-02-30' is not a valid date: When");
    }
    EXPECT_THROW(FieldValue(Variant("12x"), ValueTypeNumeric, "Qty"), EConvertError);
}

// A new row given up with Escape takes its room with it: the rows scroll back down so that
// the first row shows again, as it did before the row was appended.
TEST_F(UserEditing, AnAppendedRowGivenUpLeavesTheFirstRowInView)
{
    // A body with room for three and a half rows.
    const TRect first = Grid->GetCellBounds(Cell(0, Name));
    const int rowHeight = Grid->GetCellBounds(Cell(1, Name)).Top - first.Top;
    ASSERT_GT(rowHeight, 0);
    const int client = first.Top + 3 * rowHeight + rowHeight / 2;
    Grid->SetBounds(40, 40, 700, Grid->GetHeight() - Grid->GetClientHeight() + client);
    Paint();
    ASSERT_EQ(Grid->GetClientHeight(), client);
    ASSERT_EQ(Grid->GetTopIndex(), 0);

    ClickCell(2, Note);
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_Down);
    Paint();
    ASSERT_EQ(Grid->GetItemCount(), 4);
    ASSERT_EQ(Grid->GetFocusedIndex().ItemIndex, 3);
    ASSERT_EQ(Grid->GetTopIndex(), 1);
    TypeKeys("q");
    Key(Qt::Key_Escape);
    Key(Qt::Key_Escape);
    Paint();
    EXPECT_EQ(Grid->GetItemCount(), 3);
    EXPECT_EQ(Grid->GetTopIndex(), 0);
    EXPECT_NE(Grid->GetCellView(Grid->GetBody(), Cell(0, Name)), nullptr);
    EXPECT_EQ(CellText(0, Name), "alpha");
    // Ctrl+Home finds the first row where it is.
    Key(Qt::Key_Home, Qt::ControlModifier);
    Paint();
    EXPECT_EQ(Grid->GetFocusedIndex().ItemIndex, 0);
    EXPECT_EQ(Grid->GetTopIndex(), 0);
    EXPECT_TRUE(Shown.isEmpty()) << Shown.join("\n").toStdString();
}

// Digits typed past what the number editor holds are refused with the beep, as its other
// refusals are, never dropped silently.
TEST_F(UserEditing, DigitsBeyondTheNumberEditorsRoomBeep)
{
    Qty->SetEditor(Create<TKvNumberCellEditor>(Grid.get()));
    ClickCell(0, Qty);
    int beeps = GetBeepCount();
    TypeKeys("1234567890");
    EXPECT_EQ(GetBeepCount(), beeps);
    TypeKeys("12");
    EXPECT_EQ(GetBeepCount(), beeps + 2);
    Key(Qt::Key_Return);
    EXPECT_DOUBLE_EQ(Value(0, Qty).ToDouble(), 1234567890.0) << Value(0, Qty).ToString().toStdString();

}

// Typing 1 then 3 into the month starts the month again with 3, without a word; a day that no
// date has is refused with the beep and a message, and the day keeps its value until the user
// types a good one.
TEST_F(UserEditing, AnImpossibleMonthOrDayTypedIsRefused)
{
    ClickCell(0, When);
    int beeps = GetBeepCount();
    TypeKeys("202713");
    EXPECT_EQ(GetBeepCount(), beeps);
    EXPECT_TRUE(Shown.isEmpty()) << Shown.join("\n").toStdString();
    auto* date = dynamic_cast<TKvDateTimeCellEditor*>(Controller()->GetEditor())->GetControl();
    EXPECT_EQ(date->GetDisplayText(), "2027-3-28");
    Key(Qt::Key_Return);
    EXPECT_TRUE(Value(0, When) == Variant::DateTime(EncodeDate(2027, 3, 28))) << Value(0, When).ToString().toStdString();

    ClickCell(0, When);
    TypeKeys("20271235");
    EXPECT_EQ(GetBeepCount(), beeps + 1);
    ASSERT_EQ(Shown.size(), 1);
    EXPECT_EQ(Shown[0], "'2027-12-35' is not a valid date");
    EXPECT_EQ(date->GetDisplayText(), "2027-12-28");
    TypeKeys("31");
    Key(Qt::Key_Return);
    EXPECT_TRUE(Value(0, When) == Variant::DateTime(EncodeDate(2027, 12, 31)));
    EXPECT_EQ(Shown.size(), 1);
}

// A date is stored the same whether it is typed with separators or without, with short parts
// or whole ones, in each order of its parts: a separator right after a complete part only
// confirms the move to the next part.
TEST_F(UserEditing, ADateTypedWithSeparatorsIsStoredAsWithout)
{
    struct TRow
    {
        const char* Format;
        const char* Keys;
        QDate Stored;
    };
    const TRow rows[] = {
        {"yyyy/mm/dd", "20260105", QDate(2026, 1, 5)},   {"yyyy/mm/dd", "2026-01-05", QDate(2026, 1, 5)},
        {"yyyy/mm/dd", "2026/1/5", QDate(2026, 1, 5)},   {"yyyy/mm/dd", "2026-1-05", QDate(2026, 1, 5)},
        {"yyyy/mm/dd", "2026/07/01", QDate(2026, 7, 1)}, {"yyyy/mm/dd", "2026.7.1", QDate(2026, 7, 1)},
        {"yyyy/mm/dd", "20271231", QDate(2027, 12, 31)}, {"yyyy/mm/dd", "2027-12-31", QDate(2027, 12, 31)},
        {"dd/mm/yyyy", "05012026", QDate(2026, 1, 5)},   {"dd/mm/yyyy", "05/01/2026", QDate(2026, 1, 5)},
        {"dd/mm/yyyy", "5/1/2026", QDate(2026, 1, 5)},   {"dd/mm/yyyy", "5.01.2026", QDate(2026, 1, 5)},
        {"dd/mm/yyyy", "31122027", QDate(2027, 12, 31)}, {"dd/mm/yyyy", "31-12-2027", QDate(2027, 12, 31)},
        {"mm/dd/yyyy", "01052026", QDate(2026, 1, 5)},   {"mm/dd/yyyy", "01/05/2026", QDate(2026, 1, 5)},
        {"mm/dd/yyyy", "1/5/2026", QDate(2026, 1, 5)},   {"mm/dd/yyyy", "12/31/2027", QDate(2027, 12, 31)},
    };
    ClickCell(0, When);
    auto* date = dynamic_cast<TKvDateTimeCellEditor*>(Controller()->GetEditor())->GetControl();
    for (const TRow& row : rows) {
        SCOPED_TRACE(std::string(row.Format) + " " + row.Keys);
        date->SetFormat(QString::fromLatin1(row.Format));
        for (int item : {0, 1}) {
            ClickCell(item, When);
            TypeKeys(QString::fromLatin1(row.Keys));
            Key(Qt::Key_Return);
            EXPECT_FALSE(Controller()->GetEditing());
            EXPECT_EQ(DateTimeToQDateTime(Value(item, When).ToDateTime()).date(), row.Stored) << "row " << item;
        }
    }
    EXPECT_TRUE(Shown.isEmpty()) << Shown.join("\n").toStdString();
}

// A date outside the editor's MinDate..MaxDate is refused out loud, as an impossible day is;
// the stored date stays, and Enter leaves the editor open on it.
TEST_F(UserEditing, ADateOutsideTheRangeIsRefusedOutLoud)
{
    ClickCell(1, When);
    const int beeps = GetBeepCount();
    TypeKeys("19851120");
    EXPECT_GE(GetBeepCount(), beeps + 1);
    ASSERT_FALSE(Shown.isEmpty());
    EXPECT_EQ(Shown[0], "'1985' is before the first date 2000-01-01");
    auto* date = dynamic_cast<TKvDateTimeCellEditor*>(Controller()->GetEditor())->GetControl();
    EXPECT_EQ(date->GetDisplayText(), "2024-03-05");
    // Nothing was taken: Enter leaves the stored date.
    Key(Qt::Key_Return);
    EXPECT_TRUE(Value(1, When) == Variant::DateTime(EncodeDate(2024, 3, 5))) << Value(1, When).ToString().toStdString();

    // After the last date, the same; a month typed after the refused year leaves the editor
    // open on the year.
    Shown.clear();
    ClickCell(1, When);
    TypeKeys("2300");
    EXPECT_EQ(Shown, QStringList{"'2300' is after the last date 2200-12-31"});
    Key(Qt::Key_Right);
    TypeKeys("07");
    Key(Qt::Key_Return);
    EXPECT_TRUE(Controller()->GetEditing());
    EXPECT_EQ(date->GetCaret(), 0);
    EXPECT_EQ(Shown.value(1), "'2300' is after the last date 2200-12-31");
    EXPECT_TRUE(Value(1, When) == Variant::DateTime(EncodeDate(2024, 3, 5))) << Value(1, When).ToString().toStdString();
    // Typed again inside the range, it goes in.
    TypeKeys("2030");
    Key(Qt::Key_Return);
    EXPECT_FALSE(Controller()->GetEditing());
    EXPECT_TRUE(Value(1, When) == Variant::DateTime(EncodeDate(2030, 7, 5))) << Value(1, When).ToString().toStdString();
    EXPECT_EQ(Shown.size(), 2);

    // A first date inside a year: a day before it is refused when the date is taken.
    auto* editor = dynamic_cast<TKvDateTimeCellEditor*>(When->GetEditor());
    editor->SetMinDate(EncodeDate(2025, 6, 15));
    Shown.clear();
    ClickCell(0, When);
    TypeKeys("20250301");
    EXPECT_TRUE(Shown.isEmpty());
    Key(Qt::Key_Return);
    EXPECT_EQ(Shown, QStringList{"'2025-03-01' is before the first date 2025-06-15"});
    EXPECT_TRUE(Controller()->GetEditing());
    EXPECT_TRUE(Value(0, When) == Variant::DateTime(EncodeDate(2025, 10, 28)));
    Key(Qt::Key_Escape);
    // A stored date before it still opens and keeps its other parts when one is typed.
    ClickCell(1, When);
    editor->SetMinDate(EncodeDate(2031, 1, 1));
    Key(Qt::Key_F2);
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    TypeKeys("09");
    Key(Qt::Key_Return);
    EXPECT_TRUE(Value(1, When) == Variant::DateTime(EncodeDate(2030, 7, 9))) << Value(1, When).ToString().toStdString();
    EXPECT_EQ(Shown.size(), 1);
}

// A day typed in one cell is that cell's: in day-month order, a month typed into the next
// cell keeps that cell's own day.
TEST_F(UserEditing, ADayTypedInOneCellDoesNotReachTheNext)
{
    ClickCell(0, When);
    auto* date = dynamic_cast<TKvDateTimeCellEditor*>(Controller()->GetEditor())->GetControl();
    date->SetFormat("dd/mm/yyyy");
    TypeKeys("31");
    Key(Qt::Key_Return);
    EXPECT_TRUE(Value(0, When) == Variant::DateTime(EncodeDate(2025, 10, 31)));
    // The next row's month: April has no 31st, which is no matter for its 5th.
    ClickCell(1, When);
    Key(Qt::Key_F2);
    Key(Qt::Key_Right);
    TypeKeys("04");
    Key(Qt::Key_Return);
    EXPECT_TRUE(Shown.isEmpty()) << Shown.join("\n").toStdString();
    EXPECT_TRUE(Value(1, When) == Variant::DateTime(EncodeDate(2024, 4, 5))) << Value(1, When).ToString().toStdString();
    // And March keeps the 5th.
    ClickCell(1, When);
    Key(Qt::Key_F2);
    Key(Qt::Key_Right);
    TypeKeys("03");
    Key(Qt::Key_Return);
    EXPECT_TRUE(Value(1, When) == Variant::DateTime(EncodeDate(2024, 3, 5))) << Value(1, When).ToString().toStdString();
}

// Down on a new row that a row validation refuses shows the validation's message once, and
// the row stays for the user to complete.
TEST_F(UserEditing, DownOnARefusedNewRowShowsItsMessageOnce)
{
    Grid->GetValidations()->Add("named", "value['Name'] <> ''", "Name is required");
    ClickCell(2, Qty);
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_Down);
    ASSERT_EQ(Grid->GetItemCount(), 4);
    TypeKeys("5");
    Key(Qt::Key_Down);
    EXPECT_EQ(Shown, QStringList{"Name is required"});
    EXPECT_EQ(Grid->GetItemCount(), 4);
    EXPECT_TRUE(Grid->IsItemEditing(3));
    EXPECT_EQ(Grid->GetFocusedIndex(), Cell(3, Qty));
    EXPECT_EQ(Data->GetRowCount(), 3);

    // Named, the row is saved and Down goes on into a new one.
    ClickCell(3, Name);
    TypeKeys("delta");
    Key(Qt::Key_Down);
    EXPECT_EQ(Shown.size(), 1);
    EXPECT_EQ(Data->GetRowCount(), 4);
    EXPECT_EQ(Data->GetData(3, 0).ToString(), "delta");
    EXPECT_TRUE(Data->GetData(3, 1) == Variant(5));
}

// An open pick list stays under its edit when the grid scrolls sideways beneath it.
TEST_F(UserEditing, AnOpenListGoesWithItsEditWhenTheGridScrolls)
{
    Name->SetLookupValues({"xa", "xb", "yc"});
    Name->SetEditor(Create<TKvListCellEditor>(Grid.get()));
    Grid->SetBounds(40, 40, 360, 300);
    Paint();
    ClickCell(1, Name);
    TypeKeys("x");
    auto* edit = dynamic_cast<TKvGridInplaceList*>(LineControl());
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(edit->GetListVisible());
    TKvSimpleInList* list = edit->GetList();
    const auto under = [&] { return list->Widget()->geometry().left() == edit->ClientToScreen(TPoint{0, 0}).X - 1; };
    EXPECT_TRUE(under());
    const int left = edit->ClientToScreen(TPoint{0, 0}).X;

    const TRect body = Grid->GetLayoutManager()->BodyBounds();
    const QPoint at = WindowPoint(Grid.get(), (body.Left + std::min(body.Right, Grid->GetClientWidth())) / 2, body.Top + 5);
    QWheelEvent e(QPointF(at), QPointF(Win()->mapToGlobal(at)), QPoint(), QPoint(-120, 0), Qt::NoButton, {},
                  Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(Win(), &e);
    Paint();
    ASSERT_GT(Grid->GetLeftPos(), 0);
    ASSERT_LT(edit->ClientToScreen(TPoint{0, 0}).X, left);
    EXPECT_TRUE(edit->GetListVisible());
    EXPECT_TRUE(under()) << list->Widget()->geometry().left() << " " << edit->ClientToScreen(TPoint{0, 0}).X;
    EXPECT_EQ(edit->GetText(), "x");
}

// Without the exit rule, Enter or Tab on a new row's last cell leaves the row pending: nothing
// is written and the focus stays.
TEST_F(UserEditing, EnterOrTabOnANewRowsLastCellLeavesItPending)
{
    ClickCell(2, Name);
    Key(Qt::Key_Down);
    ASSERT_EQ(Grid->GetItemCount(), 4);
    ASSERT_TRUE(Grid->IsItemEditing(3));
    TypeKeys("delta");
    ClickCell(3, Note);
    TypeKeys("n");
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Return, Qt::Key_Tab}) {
        Key(key);
        EXPECT_FALSE(Controller()->GetEditing());
        EXPECT_TRUE(Grid->IsItemEditing(3));
        EXPECT_EQ(Grid->GetFocusedIndex(), Cell(3, Note));
        EXPECT_EQ(Data->GetRowCount(), 3);
    }
    EXPECT_EQ(Value(3, Name).ToString(), "delta");
    EXPECT_EQ(Value(3, Note).ToString(), "n");
}

namespace {

// A table whose fields have their own defaults for a new row.
class TTableWithDefaults : public TKvSimpleDataProvider
{
protected:
    friend class kv::TCreateAccess;
    using TKvSimpleDataProvider::TKvSimpleDataProvider;

public:
    Variant GetDefaultValue(int Field) const override
    {
        return Field == 4 ? Variant(QStringLiteral("memo")) : Field == 1 ? Variant(7) : Variant();
    }
};

} // namespace

// A new row takes the data source's defaults; a column's own default wins for its field only.
TEST_F(UserEditing, AColumnWithoutADefaultKeepsTheDataSourcesDefault)
{
    TOwned<TKvSimpleDataProvider> table(Create<TTableWithDefaults>(nullptr));
    table->InsertColumns(0, 5, QStringLiteral("Name,Qty,When,Paid,Note"), QStringLiteral("s,n,d,b,s"));
    table->InsertRow(0, TKvGridDataRow{Variant(QStringLiteral("alpha")), Variant(1), Variant(), Variant(true), Variant(QStringLiteral("x"))});
    Default->SetDataSource(table.get());
    Qty->SetDefaultValue(Variant(3));
    Paint();
    ClickCell(0, Name);
    Key(Qt::Key_Down);
    ASSERT_TRUE(Grid->IsItemEditing(1));
    Paint();
    EXPECT_EQ(CellText(1, Note), "memo");
    EXPECT_EQ(CellText(1, Qty), "3");
    TypeKeys("z");
    Key(Qt::Key_Return);
    Key(Qt::Key_Up);
    ASSERT_EQ(table->GetRowCount(), 2);
    EXPECT_EQ(table->GetData(1, 0).ToString(), "z");
    EXPECT_TRUE(table->GetData(1, 1) == Variant(3));
    EXPECT_EQ(table->GetData(1, 4).ToString(), "memo");
    Default->SetDataSource(Data.get());
}

// The row-change event fires when the row changes, not when the focus moves along the row.
TEST_F(UserEditing, TheRowChangeEventFiresOnlyWhenTheRowChanges)
{
    int changes = 0;
    Grid->OnCurrentItemChange = [&](TKvGridView*) { ++changes; };
    ClickCell(1, Name);
    changes = 0;
    Key(Qt::Key_Right);
    Key(Qt::Key_Tab);
    ClickCell(1, Note);
    Key(Qt::Key_Left);
    EXPECT_EQ(Grid->GetFocusedIndex(), Cell(1, Paid));
    EXPECT_EQ(changes, 0);
    Key(Qt::Key_Down);
    EXPECT_EQ(Grid->GetFocusedIndex(), Cell(2, Paid));
    EXPECT_EQ(changes, 1);
    ClickCell(0, Paid);
    EXPECT_EQ(changes, 2);
    Grid->OnCurrentItemChange = nullptr;
}

// A key refused on a cell that cannot be edited; the focus moves on, and the next cell's first
// key starts its edit.
TEST_F(UserEditing, AfterARefusedEditTheNextCellsFirstKeyEdits)
{
    Name->SetEditable(false);
    ClickCell(1, Name);
    TypeKeys("z");
    EXPECT_EQ(Value(1, Name).ToString(), "beta");
    Key(Qt::Key_Tab);
    ASSERT_EQ(Grid->GetFocusedIndex(), Cell(1, Qty));
    TypeKeys("8");
    ASSERT_TRUE(Controller()->GetEditing());
    EXPECT_EQ(LineControl()->GetText(), "8");
    Key(Qt::Key_Return);
    EXPECT_TRUE(Value(1, Qty) == Variant(8));
    EXPECT_EQ(Value(1, Name).ToString(), "beta");
}

// Right moves the caret through the typed text; at its end it moves to the next cell, and the
// text is written.
TEST_F(UserEditing, RightAtTheEndOfTheTextMovesToTheNextCell)
{
    ClickCell(0, Name);
    TypeKeys("ab");
    Key(Qt::Key_Left);
    Key(Qt::Key_Right);
    EXPECT_EQ(Grid->GetFocusedIndex(), Cell(0, Name));
    ASSERT_TRUE(Controller()->GetEditing());
    EXPECT_EQ(LineControl()->GetText(), "ab");
    Key(Qt::Key_Right);
    EXPECT_EQ(Grid->GetFocusedIndex(), Cell(0, Qty));
    EXPECT_EQ(Value(0, Name).ToString(), "ab");
}

// Right at the end of a number cell's text moves to the next cell and writes the number; before
// the end it moves the caret.
TEST_F(UserEditing, RightAtTheEndOfANumberMovesToTheNextCell)
{
    Qty->SetEditor(Create<TKvNumberCellEditor>(Grid.get()));
    ClickCell(0, Qty);
    TypeKeys("42");
    auto* number = dynamic_cast<TKvNumberCellEditor*>(Controller()->GetEditor())->GetControl();
    Key(Qt::Key_Left);
    EXPECT_EQ(number->GetCaret(), 1);
    Key(Qt::Key_Right);
    EXPECT_EQ(Grid->GetFocusedIndex(), Cell(0, Qty));
    ASSERT_TRUE(Controller()->GetEditing());
    EXPECT_EQ(number->GetCaret(), 2);
    Key(Qt::Key_Right);
    EXPECT_EQ(Grid->GetFocusedIndex(), Cell(0, When));
    EXPECT_DOUBLE_EQ(Value(0, Qty).ToDouble(), 42);
    // Left at its start goes back the other way.
    ClickCell(0, Qty);
    TypeKeys("7");
    Key(Qt::Key_Left);
    EXPECT_EQ(number->GetCaret(), 0);
    EXPECT_EQ(Grid->GetFocusedIndex(), Cell(0, Qty));
    Key(Qt::Key_Left);
    EXPECT_EQ(Grid->GetFocusedIndex().Column, Name);
    EXPECT_DOUBLE_EQ(Value(0, Qty).ToDouble(), 7);
}

// A whole number longer than the column holds exactly is refused with a message naming the
// column; the editor keeps the text and the stored value stays. Long numbers that fit go in
// exactly.
TEST_F(UserEditing, ANumberTooLongToHoldExactlyIsRefused)
{
    for (const char* keys : {"12345678901234567890", "-98765432109876543210", "12345678901234567.5", "99,999,999,999,999,999,999"}) {
        SCOPED_TRACE(keys);
        Shown.clear();
        ClickCell(0, Qty);
        TypeKeys(QString::fromLatin1(keys));
        Key(Qt::Key_Return);
        ASSERT_EQ(Shown.size(), 1);
        EXPECT_EQ(Shown[0], QStringLiteral("'%1' is too long a number to store exactly: Qty").arg(keys));
        EXPECT_TRUE(Controller()->GetEditing());
        EXPECT_EQ(LineControl()->GetText(), QString::fromLatin1(keys));
        EXPECT_TRUE(Value(0, Qty) == Variant(3));
        Key(Qt::Key_Escape);
        Key(Qt::Key_Escape);
    }
    Shown.clear();
    ClickCell(0, Qty);
    TypeKeys("9007199254740993");
    Key(Qt::Key_Return);
    EXPECT_TRUE(Value(0, Qty) == Variant(std::int64_t(9007199254740993))) << Value(0, Qty).ToString().toStdString();
    ClickCell(0, Qty);
    TypeKeys("1234567.25");
    Key(Qt::Key_Return);
    EXPECT_DOUBLE_EQ(Value(0, Qty).ToDouble(), 1234567.25);
    EXPECT_TRUE(Shown.isEmpty()) << Shown.join("\n").toStdString();
}

// Escape in a pick list leaves the cell as it was: an empty cell stays empty (no value), not
// an empty text.
TEST_F(UserEditing, EscapeInAPickListLeavesTheCellAsItWas)
{
    Data->SetData(1, 4, Variant::Null());
    ASSERT_TRUE(Data->GetData(1, 4).IsClear());
    Note->SetEditor(Create<TKvListCellEditor>(Grid.get()));
    for (const QStringList& items : {QStringList(), QStringList{"x", "y"}}) {
        SCOPED_TRACE(items.join(",").toStdString());
        Note->SetLookupValues(items);
        ClickCell(1, Note);
        TypeKeys("q");
        auto* edit = dynamic_cast<TKvGridInplaceList*>(LineControl());
        ASSERT_NE(edit, nullptr);
        EXPECT_TRUE(edit->GetListVisible());
        Key(Qt::Key_Escape);
        EXPECT_FALSE(edit->GetListVisible());
        EXPECT_EQ(edit->GetText(), "");
        Key(Qt::Key_Return);
        EXPECT_TRUE(Value(1, Note).IsClear()) << "'" << Value(1, Note).ToString().toStdString() << "'";
        Key(Qt::Key_Down);
        EXPECT_TRUE(Data->GetData(1, 4).IsClear()) << "'" << Data->GetData(1, 4).ToString().toStdString() << "'";
    }
    // A text cell keeps its text the same way.
    ClickCell(0, Note);
    TypeKeys("q");
    Key(Qt::Key_Escape);
    Key(Qt::Key_Return);
    EXPECT_EQ(Value(0, Note).ToString(), "x");
    EXPECT_TRUE(Shown.isEmpty()) << Shown.join("\n").toStdString();
}

// F2 opens a number cell with its whole value selected, whatever the cell shown before: the
// first digit typed replaces the value, never a part of it.
TEST_F(UserEditing, F2OnANumberSelectsTheWholeValue)
{
    Qty->SetEditor(Create<TKvNumberCellEditor>(Grid.get()));
    Data->SetData(0, 1, Variant(7));
    Data->SetData(1, 1, Variant(1234.5));
    Data->SetData(2, 1, Variant(98765));
    Paint();
    for (int item : {0, 1, 2, 0}) {
        SCOPED_TRACE(item);
        ClickCell(item, Qty);
        Key(Qt::Key_F2);
        auto* number = dynamic_cast<TKvNumberCellEditor*>(Controller()->GetEditor())->GetControl();
        ASSERT_TRUE(Controller()->GetEditing());
        EXPECT_EQ(number->GetSelStart(), 0);
        EXPECT_EQ(number->GetSelEnd(), number->GetText().size()) << number->GetText().toStdString();
        Key(Qt::Key_Escape);
    }
    ClickCell(1, Qty);
    Key(Qt::Key_F2);
    TypeKeys("9");
    Key(Qt::Key_Return);
    EXPECT_DOUBLE_EQ(Value(1, Qty).ToDouble(), 9);
}
