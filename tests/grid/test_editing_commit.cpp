// Commits that do not come from the editor itself: a program's or a toolbar button's commit
// (no focus taken), and a check box clicked on another row while a row is being edited. A
// shown grid driven by window-level keys and clicks; checked by the stored values, the cells
// and the messages the user sees.
#include "EditTestSupport.h"
#include "TestSupport.h"
#include "../model/ModelTestSupport.h"

#include "grid/KvGrids.Editing.h"
#include "grid/KvGrids.Editors.h"
#include "grid/KvGrids.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Editing.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/MessageBox.h"

#include <QtGui/QWindow>

using namespace kv;
using namespace kvtest;

namespace {

struct CommitPaths : ::testing::Test
{
    TLocaleScope Locale{QLocale(QLocale::English, QLocale::UnitedStates)};
    TOwned<TKvSimpleDataProvider> Data = MakeTable("Name,Qty,Paid", "s,n,b",
                                                   {{"alpha", 3, true}, {"beta", 40, false}, {"gamma", 12, true}});
    TOwned<TKvDefaultGridItemProvider> Default = MakeOwned<TKvDefaultGridItemProvider>();
    TOwned<TKvGridEditableItemProvider> Editable;
    TOwned<TKvGridView> Grid = MakeOwned<TKvGridView>(nullptr);
    TKvGridDataColumn* Name = nullptr;
    TKvGridDataColumn* Qty = nullptr;
    TKvGridDataColumn* Paid = nullptr;
    QStringList Shown;
    TExceptionHook OldHook;

    void SetUp() override
    {
        OldHook = SetExceptionHook([this](const QString& message) { Shown << message; });
        for (const char* field : {"Name", "Qty", "Paid"}) {
            TKvGridDataColumn* c = Grid->AddDataColumn();
            c->SetFieldName(field);
            c->SetWidth(110);
        }
        Name = static_cast<TKvGridDataColumn*>(Grid->GetVisibleColumn(0));
        Qty = static_cast<TKvGridDataColumn*>(Grid->GetVisibleColumn(1));
        Paid = static_cast<TKvGridDataColumn*>(Grid->GetVisibleColumn(2));
        Default->SetDataSource(Data.get());
        Editable = MakeOwned<TKvGridEditableItemProvider>(Default.get());
        Grid->SetItemSource(Editable.get());
        ShowFocused(Grid.get(), 500, 240);
        Grid->Update();
    }
    void TearDown() override
    {
        SetExceptionHook(OldHook);
        Grid.reset();
        Editable.reset();
        Default.reset();
    }
    QWindow* Win() const { return Grid->Widget()->window()->windowHandle(); }
    TKvGridCellIndex Cell(int item, TKvGridColumn* column) const { return {Grid.get(), item, column}; }
    Variant Value(int item, TKvGridColumn* column) const { return Grid->GetCellData(Cell(item, column)); }
    TKvDefaultGridEditController* Controller() const
    {
        return static_cast<TKvDefaultGridEditController*>(Grid->GetEditController());
    }
    QString EditorText() const
    {
        auto* editor = dynamic_cast<TKvLineCellEditor*>(Controller()->GetEditor());
        return editor && editor->GetControl() ? editor->GetControl()->GetText() : QString();
    }
    // Window-level input is delivered at once; what it posts is handled before the checks.
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(Win(), key, mods);
        QCoreApplication::processEvents();
    }
    void TypeKeys(const QString& text)
    {
        for (const QChar c : text)
            QTest::keyClick(Win(), c.toLatin1());
        QCoreApplication::processEvents();
    }
    void ClickCell(int item, TKvGridColumn* column)
    {
        const TRect r = Grid->GetCellBounds(Cell(item, column));
        QTest::mouseClick(Win(), Qt::LeftButton, Qt::NoModifier,
                          WindowPoint(Grid.get(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
        QCoreApplication::processEvents();
    }
};

} // namespace

// A program (or a toolbar button, which takes no focus) commits the row while the user's value
// is still in the open editor: the row is written with that value. A value the editor refuses
// stops the commit with the editor's message, and nothing is written.
TEST_F(CommitPaths, ACommitFromCodeTakesTheOpenEditorsValue)
{
    // A new row: Name typed and moved on from, Qty still open in its editor.
    ClickCell(2, Name);
    Key(Qt::Key_Down);
    ASSERT_EQ(Grid->GetItemCount(), 4);
    TypeKeys("delta");
    Key(Qt::Key_Tab);
    TypeKeys("5");
    ASSERT_TRUE(Controller()->GetEditing());
    ASSERT_EQ(EditorText(), "5");
    Editable->Commit();
    ASSERT_EQ(Data->GetRowCount(), 4);
    EXPECT_EQ(Data->GetData(3, 0).ToString(), "delta");
    EXPECT_TRUE(Data->GetData(3, 1) == Variant(5)) << Data->GetData(3, 1).ToString().toStdString();
    EXPECT_FALSE(Editable->IsEditing(-1));
    EXPECT_TRUE(Shown.isEmpty()) << Shown.join("|").toStdString();

    // An existing row, through the grid's own commit command called by the program.
    ClickCell(0, Qty);
    TypeKeys("8");
    Grid->Commit();
    EXPECT_TRUE(Data->GetData(0, 1) == Variant(8));
    EXPECT_FALSE(Editable->IsEditing(-1));
    // The editor stays open on the saved row: typing on edits the row again.
    ASSERT_TRUE(Controller()->GetEditing());
    TypeKeys("9");
    EXPECT_TRUE(Editable->IsEditing(0));
    EXPECT_TRUE(Controller()->GetModified());
    Key(Qt::Key_Escape);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(Editable->IsEditing(-1));
    EXPECT_TRUE(Data->GetData(0, 1) == Variant(8));

    // Text that is no number: refused with the editor's message, the row is not written and
    // the user's text stays in the open editor.
    ClickCell(1, Qty);
    TypeKeys("7x");
    ASSERT_TRUE(Editable->IsEditing(1));
    KV_EXPECT_THROW_MSG(Editable->Commit(), EConvertError, "'7x' is not a valid number: Qty");
    EXPECT_TRUE(Data->GetData(1, 1) == Variant(40));
    EXPECT_TRUE(Editable->IsEditing(1));
    EXPECT_TRUE(Controller()->GetEditing());
    EXPECT_EQ(EditorText(), "7x");

    // A value the column's validation refuses: its message, nothing written.
    Key(Qt::Key_Escape);
    Key(Qt::Key_Escape);
    Qty->GetValidations()->Add("positive", "value > 0", "Qty must be positive");
    ClickCell(1, Qty);
    TypeKeys("-2");
    KV_EXPECT_THROW_MSG(Editable->Commit(), Exception, "Qty must be positive");
    EXPECT_TRUE(Data->GetData(1, 1) == Variant(40));
    EXPECT_TRUE(Editable->IsEditing(1));
    EXPECT_EQ(EditorText(), "-2");
}

// A click on a check box of another row while a row is being edited saves the edited row and
// then toggles the clicked box; a save that is refused leaves the box as it was.
TEST_F(CommitPaths, ACheckClickOnAnotherRowSavesTheEditedRowAndToggles)
{
    Paid->SetRenderer(Create<TKvCheckCellRenderer>(Grid.get()));
    Grid->Update();
    ClickCell(0, Name);
    TypeKeys("ann");
    ASSERT_TRUE(Controller()->GetEditing());
    ClickCell(2, Paid);
    EXPECT_EQ(Data->GetData(0, 0).ToString(), "ann");
    EXPECT_FALSE(Editable->IsEditing(0));
    EXPECT_TRUE(Value(2, Paid) == Variant(false));
    EXPECT_TRUE(Shown.isEmpty()) << Shown.join("|").toStdString();
    // The toggle is the row's own edit: leaving the row saves it.
    Key(Qt::Key_Up);
    EXPECT_TRUE(Data->GetData(2, 2) == Variant(false));

    // The edited row is refused: its message, and the clicked box stays as it was.
    Grid->GetValidations()->Add("named", "value['Name'] <> 'bad'", "Name must not be bad");
    ClickCell(0, Name);
    TypeKeys("bad");
    ClickCell(1, Paid);
    EXPECT_EQ(Shown, QStringList{"Name must not be bad"});
    EXPECT_TRUE(Value(1, Paid) == Variant(false));
    EXPECT_TRUE(Data->GetData(1, 2) == Variant(false));
    EXPECT_EQ(Grid->GetFocusedIndex().ItemIndex, 0);
    EXPECT_EQ(Data->GetData(0, 0).ToString(), "ann");
}

// A value the column refuses, left for another cell of the row: typing there starts a new cell
// edit, which the grid reports (OnEditStart) as it does for every cell edit of a row.
TEST_F(CommitPaths, AnEditAfterARefusedOneLeftStartsAnew)
{
    QStringList starts;
    Grid->OnEditStart = [&](TKvGridView*, const TKvGridCellIndex& i) {
        starts << QStringLiteral("%1/%2").arg(i.ItemIndex).arg(static_cast<TKvGridDataColumn*>(i.Column)->GetFieldName());
    };
    Qty->GetValidations()->Add("positive", "value > 0", "Qty must be positive");
    ClickCell(0, Qty);
    TypeKeys("-4");
    ClickCell(0, Name);
    ASSERT_EQ(Grid->GetFocusedIndex(), Cell(0, Name));
    EXPECT_FALSE(Controller()->GetEditing());
    TypeKeys("z");
    ASSERT_TRUE(Controller()->GetEditing());
    EXPECT_EQ(EditorText(), "z");
    EXPECT_TRUE(Controller()->GetModified());
    EXPECT_EQ(starts, (QStringList{"0/Qty", "0/Name"}));
    // The refused value keeps the row from being saved; Escape twice gives it all up.
    Key(Qt::Key_Escape);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(Editable->IsEditing(-1));
    EXPECT_FALSE(Controller()->GetModified());
    EXPECT_TRUE(Data->GetData(0, 1) == Variant(3));
    EXPECT_EQ(Data->GetData(0, 0).ToString(), "alpha");
}
