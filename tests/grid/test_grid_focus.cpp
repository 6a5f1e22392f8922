// The grid's focus sequence with its events and cancels, row commands, validation, sort
// cycles and search.
#include "TestSupport.h"

#include "../model/ModelTestSupport.h"
#include "grid/KvGrids.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Editing.h"
#include "model/KvGrids.Model.Proxy.Group.h"
#include "platform/ui/PopupMenu.h"

#include <gtest/gtest.h>

using namespace kv;
using namespace kvtest;

namespace {

// A grid over an editable provider that sorts through its default provider.
class TEditGrid : public TKvGridView
{
public:
    using TKvGridView::TKvGridView;
    TKvDefaultGridItemProvider* Sorter = nullptr;
    bool Grouped = false;
    TKvIntegerArray GetSortFields() const override { return Sorter->GetSortFields(); }
    TKvGridSortDirections GetSortDirections() const override { return Sorter->GetSortDirections(); }
    void SortItems(const TKvIntegerArray& f, const TKvGridSortDirections& d) override { Sorter->OrderBy(f, d); }
    bool IsGroupedColumn(TKvGridColumn*) const override { return Grouped; }
};

struct TFocusFixture : ::testing::Test
{
    TOwned<TKvSimpleDataProvider> Data =
        MakeTable("Name,Value,Note", "s,n,s", {{"b", 2, "y"}, {"a", 1, "x"}, {"c", 0, "z"}, {"a", 4, "w"}});
    TOwned<TKvDefaultGridItemProvider> Default = MakeOwned<TKvDefaultGridItemProvider>();
    TOwned<TKvGridEditableItemProvider> Editable;
    TOwned<TEditGrid> Grid = MakeOwned<TEditGrid>(nullptr);
    TKvGridDataColumn* Cols[3] = {};
    QStringList Log;

    void SetUp() override
    {
        Default->SetDataSource(Data.get());
        Editable = MakeOwned<TKvGridEditableItemProvider>(Default.get());
        Grid->Sorter = Default.get();
        const char* names[] = {"Name", "Value", "Note"};
        for (int i = 0; i < 3; ++i) {
            Cols[i] = Grid->AddDataColumn();
            Cols[i]->SetFieldName(names[i]);
        }
        Grid->SetItemSource(Editable.get());
        Grid->ResetColumnIndicies();
        Grid->OnCurrentItemChanging = [this](TKvGridView*, int o, int n) { Log << QStringLiteral("item %1>%2").arg(o).arg(n); };
        Grid->OnCurrentColumnChanging = [this](TKvGridView*, TKvGridColumn*, TKvGridColumn*) { Log << "column"; };
        Grid->OnFocuedIndexChanging = [this](TKvGridView*, const TKvGridCellIndex& i, bool& cancel) {
            Log << "changing " + i.ToString();
            cancel = CancelFocus;
        };
        Grid->OnFocuedIndexChange = [this](TKvGridView*, const TKvGridCellIndex& i) { Log << "changed " + i.ToString(); };
        Grid->OnCurrentItemChange = [this](TKvGridView*) { Log << "item changed"; };
        Grid->OnCurrentColumnChange = [this](TKvGridView*) { Log << "column changed"; };
    }
    void TearDown() override
    {
        Grid->SetItemSource(nullptr);
        Grid.reset();
        Editable.reset();
    }
    TKvGridCellIndex Cell(int item, int col) { return TKvGridCellIndex(Grid.get(), item, Cols[col]); }
    QStringList Names() const
    {
        QStringList out;
        for (int r = 0; r < Data->GetRowCount(); ++r)
            out << Data->GetData(r, 0).ToString();
        return out;
    }
    bool CancelFocus = false;
};

} // namespace

TEST_F(TFocusFixture, FocusSequenceEventsAndCancels)
{
    EXPECT_EQ(Grid->GetFocusedIndex(), Cell(0, 0));
    Grid->SetFocusedIndex(Cell(2, 1), true);
    EXPECT_EQ(Log, (QStringList{"item 0>2", "column", "changing (I:2, C:1)", "changed (I:2, C:1)", "item changed",
                                "column changed"}));
    ASSERT_EQ(Grid->GetSelections()->GetCount(), 1);
    EXPECT_TRUE(Grid->GetSelections()->GetItem(0)->Contains(Cell(2, 1)));

    // A handler that cancels: the changing events have fired, nothing else moves.
    Log.clear();
    CancelFocus = true;
    Grid->SetFocusedIndex(Cell(3, 1), true);
    EXPECT_EQ(Log, (QStringList{"item 2>3", "changing (I:3, C:1)"}));
    EXPECT_EQ(Grid->GetFocusedIndex(), Cell(2, 1));
    EXPECT_TRUE(Grid->GetSelections()->GetItem(0)->Contains(Cell(2, 1)));
    CancelFocus = false;

    // A column that takes no focus, and a column of another grid, are refused.
    Log.clear();
    Cols[2]->SetFocusable(false);
    Grid->SetFocusedIndex(Cell(2, 2));
    EXPECT_FALSE(Log.contains("changed (I:2, C:2)"));
    EXPECT_EQ(Grid->GetFocusedIndex(), Cell(2, 1));
    TOwned<TKvGridView> other = MakeOwned<TKvGridView>(nullptr);
    TKvGridDataColumn* foreign = other->AddDataColumn();
    Log.clear();
    Grid->SetFocusedIndex(TKvGridCellIndex(Grid.get(), 1, foreign));
    EXPECT_TRUE(Log.isEmpty());
    EXPECT_EQ(Grid->GetFocusedIndex().Column, Cols[1]);

    // The same cell again does nothing; an index past the items is clamped.
    Log.clear();
    Grid->SetFocusedIndex(Cell(2, 1));
    EXPECT_TRUE(Log.isEmpty());
    Grid->SetFocusedIndex(Cell(99, 1));
    EXPECT_EQ(Grid->GetFocusedIndex().ItemIndex, 3);
}

TEST_F(TFocusFixture, RowChangeCommitsOrCancelsThePendingEdit)
{
    // No change and no commit-without-edit: leaving the row cancels its edit.
    ASSERT_TRUE(Grid->Edit(Cell(0, 0)));
    EXPECT_TRUE(Grid->IsItemEditing(0));
    Grid->SetFocusedIndex(Cell(1, 0));
    EXPECT_FALSE(Grid->IsItemEditing(0));

    // Kept once with the one-shot flag, cancelled at the next row change.
    ASSERT_TRUE(Grid->Edit(Cell(1, 0)));
    Grid->SetNoCancel(true);
    Grid->SetFocusedIndex(Cell(2, 0));
    EXPECT_TRUE(Grid->IsItemEditing(1));
    Grid->SetFocusedIndex(Cell(1, 0));
    Grid->SetFocusedIndex(Cell(3, 0));
    EXPECT_FALSE(Grid->IsItemEditing(1));

    // An edited row is committed into the data when the focus leaves it.
    ASSERT_TRUE(Grid->Edit(Cell(3, 0)));
    Editable->UpdateData(3, 0, Variant(QStringLiteral("z")));
    Grid->SetFocusedIndex(Cell(0, 0));
    EXPECT_EQ(Data->GetData(3, 0).ToString(), QStringLiteral("z"));

    // Read-only grids and columns of fields that cannot be updated do not edit.
    Grid->GetEditOptions()->SetReadOnly(true);
    EXPECT_FALSE(Grid->Edit(Cell(0, 0)));
    EXPECT_FALSE(Grid->Edit(Cell(9, 0)));
}

TEST_F(TFocusFixture, AppendInsertAndDeleteRules)
{
    Cols[2]->SetDefaultValue(Variant(QStringLiteral("new")));
    Grid->GetEditOptions()->SetInsertable(true);
    ASSERT_TRUE(Grid->Insert(4)); // at the item count: an append
    EXPECT_EQ(Editable->GetEditingState(), ItemInserting);
    EXPECT_EQ(Grid->GetItemCount(), 5);
    EXPECT_EQ(Grid->GetCellData(Cell(4, 2)).ToString(), QStringLiteral("new"));
    EXPECT_FALSE(Grid->Cancel()); // the focus is not on the new row
    Grid->SetFocusedIndex(Cell(4, 0));
    EXPECT_TRUE(Grid->Cancel());
    EXPECT_EQ(Grid->GetItemCount(), 4);
    Grid->GetEditOptions()->SetAppendable(false);
    EXPECT_FALSE(Grid->Append());
    Grid->GetEditOptions()->SetAppendable(true);

    // A block selection only deletes nothing; a rows selection deletes its rows.
    Grid->GetEditOptions()->SetDeletable(true);
    Grid->GetEditOptions()->SetDeleteRowsConfirm(false);
    Grid->GetSelections()->ClearAndAdd(Cell(0, 0), Cell(1, 1), SelectBlock);
    EXPECT_FALSE(Grid->Delete());
    EXPECT_EQ(Data->GetRowCount(), 4);

    // The answer No keeps rows and selection; Yes deletes them at once.
    QStringList asked;
    bool answer = false;
    auto saved = TKvGridView::ConfirmDelete;
    TKvGridView::ConfirmDelete = [&](TKvGridView*, const QString& text, const QString& caption) {
        asked << text + "|" + caption;
        return answer;
    };
    Grid->GetEditOptions()->SetDeleteRowsConfirm(true);
    Grid->GetEditOptions()->SetDeleteRowsMessage("Delete rows?");
    Grid->GetSelections()->ClearAndAdd(Cell(2, 0), Cell(1, 0), SelectRows);
    Grid->GetSelections()->Add(Cell(1, 0), Cell(1, 0), SelectRows);
    EXPECT_FALSE(Grid->Delete());
    EXPECT_EQ(asked, QStringList{"Delete rows?|Delete"});
    EXPECT_EQ(Grid->GetSelections()->GetCount(), 2);
    answer = true;
    EXPECT_TRUE(Grid->Delete());
    TKvGridView::ConfirmDelete = saved;
    EXPECT_EQ(Names(), (QStringList{"b", "a"}));
    EXPECT_EQ(Grid->GetSelections()->GetCount(), 0);

    // A pending appended row is skipped by a delete of the rows before it and stays.
    Grid->GetEditOptions()->SetDeleteRowsConfirm(false);
    ASSERT_TRUE(Grid->Append());
    Grid->SetNoCancel(true);
    Grid->SetFocusedIndex(Cell(2, 0));
    Grid->GetSelections()->ClearAndAdd(Cell(0, 0), Cell(2, 0), SelectRows);
    EXPECT_TRUE(Grid->Delete());
    EXPECT_EQ(Data->GetRowCount(), 0);
    ASSERT_EQ(Grid->GetItemCount(), 1);
    EXPECT_TRUE(Grid->IsItemEditing(0));
    Grid->SetFocusedIndex(Cell(0, 0));
    Editable->UpdateData(0, 0, Variant(QStringLiteral("kept")));
    EXPECT_TRUE(Grid->Commit());
    EXPECT_EQ(Names(), QStringList{"kept"});
}

TEST_F(TFocusFixture, RequiredValidation)
{
    Cols[1]->SetRequired(true);
    Cols[2]->SetRequired(true);
    ASSERT_TRUE(Grid->Append());
    const int row = Grid->GetItemCount() - 1;
    Grid->SetNoCancel(true);
    Grid->SetFocusedIndex(Cell(row, 0));
    Editable->UpdateData(row, 1, Variant(0)); // a numeric 0 passes
    Editable->UpdateData(row, 2, Variant(QString()));
    KV_EXPECT_THROW_MSG(Grid->Commit(), Exception, "Value is required: Note");
    EXPECT_EQ(Data->GetRowCount(), 4);
    Editable->UpdateData(row, 2, Variant(QStringLiteral("ok")));
    EXPECT_TRUE(Grid->Commit());
    EXPECT_EQ(Data->GetRowCount(), 5);

    // During an edit the failure becomes the column's error text instead.
    Grid->SetFocusedIndex(Cell(0, 2));
    Data->SetData(0, 2, Variant(QString()));
    KV_EXPECT_THROW_MSG(Grid->ValidateColumn(Cols[2], 0, false), Exception, "Value is required: Note");
    try {
        Grid->ValidateColumn(nullptr, 0, false);
        ADD_FAILURE() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_TRUE(e.Message().startsWith("column is nil in TKvGridView.ValidateColumn()"));
    }
}

TEST_F(TFocusFixture, SortCyclesAndSearch)
{
    Grid->GetSortingOptions()->SetStyle(SortExclusive);
    Grid->SortColumn(Cols[0]);
    EXPECT_EQ(Grid->GetSortFields(), TKvIntegerArray{0});
    EXPECT_EQ(Grid->GetSortDirections(), TKvGridSortDirections{SortAscending});
    Grid->SortColumn(Cols[0]);
    EXPECT_EQ(Grid->GetSortDirections(), TKvGridSortDirections{SortDescending});
    Grid->SortColumn(Cols[0]);
    EXPECT_TRUE(Grid->GetSortFields().empty());
    Grid->Grouped = true; // a grouped column goes back to ascending
    Grid->SortColumn(Cols[0]);
    Grid->SortColumn(Cols[0]);
    Grid->SortColumn(Cols[0]);
    EXPECT_EQ(Grid->GetSortDirections(), TKvGridSortDirections{SortAscending});
    Grid->Grouped = false;

    // Reverse puts a second column in front; inclusive behind; unsorting removes one.
    Grid->SortColumn(SortReverse, Cols[1]);
    EXPECT_EQ(Grid->GetSortFields(), (TKvIntegerArray{1, 0}));
    Grid->SortColumn(SortInclusive, Cols[2]);
    EXPECT_EQ(Grid->GetSortFields(), (TKvIntegerArray{1, 0, 2}));
    Grid->SortColumn(SortInclusive, Cols[2]);
    EXPECT_EQ(Grid->GetSortDirections(), (TKvGridSortDirections{SortAscending, SortAscending, SortDescending}));
    Grid->UnsortColumn(SortInclusive, Cols[0]);
    EXPECT_EQ(Grid->GetSortFields(), (TKvIntegerArray{1, 2}));
    KV_EXPECT_THROW_MSG(Grid->SortColumn(nullptr), EArgumentNilException, "column");
    Grid->SortColumn(SortExclusive, Cols[0]);

    // Search from a start, wrapping to the top; the found row is focused and selected.
    TOwned<TKvGridGroupedItemProvider> searchable = MakeOwned<TKvGridGroupedItemProvider>(Default.get());
    Grid->SetItemSource(searchable.get());
    const int first = Grid->Search(QStringList{"Name"}, {Variant(QStringLiteral("a"))}, 0, {}, true, false);
    EXPECT_EQ(first, 0);
    const int second = Grid->Search(QStringList{"Name"}, {Variant(QStringLiteral("a"))}, 1, {}, true, false);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(Grid->Search(QStringList{"Name"}, {Variant(QStringLiteral("a"))}, 2, {}, false, false), -1);
    EXPECT_EQ(Grid->Search(QStringList{"Name"}, {Variant(QStringLiteral("a"))}, 2, {}, true, true), 0);
    EXPECT_EQ(Grid->GetFocusedIndex().ItemIndex, 0);
    EXPECT_EQ(Grid->GetSelections()->GetCurrent()->GetStyle(), SelectRows);
    Grid->SetItemSource(nullptr);
}

namespace {
struct TRemovals : TKvGridDataChangeListener
{
    int Single = 0;
    int Batches = 0;
    size_t Rows = 0;
    void OnDataDispose() override {}
    void OnDataReset() override {}
    void OnDataRefresh() override {}
    void OnDataRowStateChanged(int) override {}
    void OnDataRowInserted(int) override {}
    void OnDataRowRemoved(int) override { ++Single; }
    void OnDataRowsRemoved(const TKvIntegerArray& rows) override
    {
        ++Batches;
        Rows += rows.size();
    }
    void OnDataRowUpdated(int) override {}
    void OnDataValueChanged(int, int) override {}
};
} // namespace

TEST_F(TFocusFixture, DeletingGroupedRowsRemovesDataRowsInOneBatch)
{
    for (int i = 0; i < 2000; ++i)
        Data->InsertRow(Data->GetRowCount(), {Variant(QString(QChar(u'a' + i % 3))), Variant(i), Variant()});
    TOwned<TKvGridGroupedItemProvider> grouped = MakeOwned<TKvGridGroupedItemProvider>(Default.get());
    grouped->SetExpandWhenGrouping(true);
    grouped->GroupBy({0});
    TOwned<TKvGridEditableItemProvider> editable = MakeOwned<TKvGridEditableItemProvider>(grouped.get());
    Grid->SetItemSource(editable.get());
    const int items = Grid->GetItemCount();
    ASSERT_GT(items, Data->GetRowCount()); // group headers and footers among the items
    TRemovals removals;
    Data->AddListener(&removals);
    Grid->GetEditOptions()->SetDeletable(true);
    Grid->GetEditOptions()->SetDeleteRowsConfirm(false);
    Grid->SetFocusedIndex(Cell(1, 0));
    Grid->GetSelections()->ClearAndAdd(Cell(0, 0), Cell(items - 1, 0), SelectRows);
    EXPECT_TRUE(Grid->Delete());
    EXPECT_EQ(Data->GetRowCount(), 0);
    EXPECT_EQ(removals.Batches, 1);
    EXPECT_EQ(removals.Single, 0);
    EXPECT_EQ(removals.Rows, 2004u);
    Data->RemoveListener(&removals);
    Grid->SetItemSource(nullptr);
}

TEST_F(TFocusFixture, EditorNoticesCheckClicksAndCellButtons)
{
    QStringList events;
    Grid->OnEditCommit = [&](TKvGridView*, const TKvGridCellIndex& i, const Variant& v) {
        events << "commit " + i.ToString() + " " + v.ToString();
    };
    Grid->OnCheckCellClick = [&](TKvGridView*, int item) { events << QStringLiteral("check %1").arg(item); };
    Grid->OnCellAction = [&](TKvGridView*, const TKvGridCellIndex& i) { events << "action " + i.ToString(); };

    // A failed validation during an edit becomes the column's error text; the commit goes on.
    Cols[2]->SetRequired(true);
    Data->SetData(1, 2, Variant(QString()));
    Grid->DoEditorCommit(nullptr, Cell(1, 2), Variant(QString()));
    EXPECT_EQ(Cols[2]->GetError(), QStringLiteral("Value is required: Note"));
    Data->SetData(1, 2, Variant(QStringLiteral("x")));
    Grid->DoEditorCommit(nullptr, Cell(1, 2), Variant(QStringLiteral("x")));
    EXPECT_TRUE(Cols[2]->GetError().isEmpty());

    Grid->DoCheckedCellClicked(2);
    EXPECT_TRUE(Grid->GetItem(2)->GetChecked());
    Grid->DoCheckedCellClicked(2);
    EXPECT_FALSE(Grid->GetItem(2)->GetChecked());

    Cols[0]->SetButton(ButtonAction);
    Grid->CellButtonClicked(Cell(0, 0));
    // A pop-up button without a handler opens the column's menu.
    TPopupMenu* menu = Create<TPopupMenu>(Grid.get());
    menu->Add("Copy");
    Cols[1]->SetButton(ButtonPopup);
    Cols[1]->SetPopupMenu(menu);
    Grid->CellButtonClicked(Cell(0, 1));
    EXPECT_TRUE(menu->IsShowing());
    menu->Close();
    EXPECT_EQ(events, (QStringList{"commit (I:1, C:2) ", "commit (I:1, C:2) x", "check 2", "check 2",
                                   "action (I:0, C:0)"}));
}

TEST_F(TFocusFixture, ColumnAndRowExpressionValidation)
{
    Cols[1]->GetValidations()->Add("positive", "value >= 0", "negative");
    Grid->GetValidations()->Add("small", "value[1] < 100", "too big")->SetMode(ValidationModeInsert);
    ASSERT_TRUE(Grid->Append());
    const int row = Grid->GetItemCount() - 1;
    Grid->SetNoCancel(true);
    Grid->SetFocusedIndex(Cell(row, 0));
    Editable->UpdateData(row, 1, Variant(-1));
    KV_EXPECT_THROW_MSG(Grid->Commit(), Exception, "negative");
    Editable->UpdateData(row, 1, Variant(500));
    KV_EXPECT_THROW_MSG(Grid->Commit(), Exception, "too big");
    EXPECT_TRUE(Grid->IsItemEditing(row));
    Editable->UpdateData(row, 1, Variant(5));
    EXPECT_TRUE(Grid->Commit());

    // Updating an existing row skips the insert-only row rule.
    Grid->SetFocusedIndex(Cell(0, 1));
    ASSERT_TRUE(Grid->Edit(Cell(0, 1)));
    Editable->UpdateData(0, 1, Variant(500));
    EXPECT_TRUE(Grid->Commit());
    EXPECT_EQ(Data->GetData(0, 1).ToInt(), 500);
}
