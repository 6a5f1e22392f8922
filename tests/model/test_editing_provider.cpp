// The editable item provider: transactions, the pending row and its index shift.
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Editing.h"
#include "TestSupport.h"
#include "test_proxy_support.h"

using namespace kv;
using namespace kvtest;

namespace {

class TEditRecorder : public TKvGridItemEditListener
{
public:
    QStringList Events;
    void UpdateStarted(int Index) override { Events << QStringLiteral("UpdateStarted(%1)").arg(Index); }
    void AppendStarted() override { Events << "AppendStarted"; }
    void InsertStarted(int Index) override { Events << QStringLiteral("InsertStarted(%1)").arg(Index); }
    void Edited(int Index, int Field) override { Events << QStringLiteral("Edited(%1,%2)").arg(Index).arg(Field); }
    void Committed(int Index) override { Events << QStringLiteral("Committed(%1)").arg(Index); }
    void Canceled() override { Events << "Canceled"; }
    QStringList Take()
    {
        QStringList out = Events;
        Events.clear();
        return out;
    }
};

struct TEditFixture : ::testing::Test
{
    TOwned<TKvSimpleDataProvider> Data =
        MakeTable("Name,Value,Note", "s,n,s", {{"a", 1, "x"}, {"b", 2, "y"}, {"c", 3, "z"}, {"d", 4, "w"}, {"e", 5, "v"}});
    TOwned<TKvDefaultGridItemProvider> Default = MakeOwned<TKvDefaultGridItemProvider>();
    TOwned<TKvGridEditableItemProvider> Editable;
    TRecorder Recorder;
    TEditRecorder Edits;

    void SetUp() override
    {
        Default->SetDataSource(Data.get());
        Editable = MakeOwned<TKvGridEditableItemProvider>(Default.get());
        Editable->AddListener(&Recorder);
        Editable->AddEditListener(&Edits);
        Editable->AddEditListener(&Edits);
        Editable->AddEditListener(nullptr);
    }
    void TearDown() override
    {
        Editable.reset();
        Default.reset();
    }
    QStringList Names() const { return Texts(*Editable, 0); }
    QStringList DataNames() const
    {
        QStringList out;
        for (int r = 0; r < Data->GetRowCount(); ++r)
            out << Data->GetData(r, 0).ToString();
        return out;
    }
};

} // namespace

TEST_F(TEditFixture, UpdateTransaction)
{
    EXPECT_FALSE(Editable->IsEditing(-1));
    Editable->Edit(1);
    Editable->Edit(1); // the same item: one transaction
    EXPECT_EQ(Edits.Take(), QStringList({"UpdateStarted(1)"}));
    EXPECT_EQ(Editable->GetEditingState(), ItemUpdating);
    EXPECT_TRUE(Editable->IsEditing(1));
    EXPECT_TRUE(Editable->IsEditing(-1));
    EXPECT_FALSE(Editable->IsEditing(2));
    EXPECT_EQ(Editable->GetItemCount(), 5);
    TKvGridItem* pending = Editable->GetItem(1);
    EXPECT_EQ(pending, Editable->GetEditingItem());
    EXPECT_EQ(pending->GetDataRow(), 1);
    EXPECT_EQ(pending->GetItemState(), ItemUpdating);
    EXPECT_EQ(Editable->GetData(1, 0), Variant("b"));

    Editable->SetData(1, 0, "B");
    EXPECT_EQ(Edits.Take(), QStringList({"Edited(1,0)"}));
    EXPECT_EQ(Editable->GetData(1, 0), Variant("B"));
    EXPECT_EQ(Data->GetData(1, 0), Variant("b")); // not written yet
    KV_EXPECT_THROW_MSG(Editable->SetData(1, 7, 0), Exception, "Column index is out of bounds: 7");
    KV_EXPECT_THROW_MSG(Editable->GetData(1, -1), Exception, "Column index is out of bounds: -1");
    EXPECT_TRUE(Editable->IsEditing(1));
    // Another item's data is read from and written to the data source.
    Editable->SetData(2, 0, "C");
    EXPECT_EQ(Data->GetData(2, 0), Variant("C"));
    EXPECT_EQ(Recorder.Take(), QStringList({"updated 2"}));
    // Editing another item asserts; the commands check the state first.
    try {
        Editable->Edit(3);
        ADD_FAILURE();
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.AssertMessage(), "ItemProvider is already editing");
    }
    Editable->Append({});
    Editable->Insert(0, {});
    EXPECT_EQ(Editable->GetEditingState(), ItemUpdating);
    Editable->Delete(1); // the item being edited is not deleted
    EXPECT_EQ(Data->GetRowCount(), 5);

    Editable->Commit();
    EXPECT_EQ(Edits.Take(), QStringList({"Committed(1)"}));
    EXPECT_EQ(Recorder.Take(), QStringList({"updated 1"}));
    EXPECT_EQ(Data->GetData(1, 0), Variant("B"));
    EXPECT_EQ(Editable->GetEditingState(), ItemNormal);
    EXPECT_EQ(Editable->GetEditingItem(), nullptr);
    Editable->Commit();
    Editable->Cancel();
    EXPECT_TRUE(Edits.Take().isEmpty());
    try {
        Editable->CommitEdit();
        ADD_FAILURE();
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.AssertMessage(), "ItemProvider is not editing");
    }
    EXPECT_THROW(Editable->CancelEdit(), EAssertionFailed);

    Editable->UpdateData(4, 1, 50);
    EXPECT_EQ(Edits.Take(), QStringList({"UpdateStarted(4)", "Edited(4,1)"}));
    Editable->Cancel();
    EXPECT_EQ(Edits.Take(), QStringList({"Canceled"}));
    EXPECT_EQ(Data->GetData(4, 1), Variant(5));
}

TEST_F(TEditFixture, AppendAndInsertShiftThePendingRow)
{
    Editable->Append({"f", 6});
    EXPECT_EQ(Edits.Take(), QStringList({"AppendStarted"}));
    EXPECT_EQ(Editable->GetItemCount(), 6);
    EXPECT_EQ(Editable->GetItem(5), Editable->GetEditingItem());
    EXPECT_EQ(Editable->GetItem(5)->GetDataRow(), -1);
    EXPECT_EQ(Editable->GetItem(5)->GetItemState(), ItemInserting);
    EXPECT_TRUE(Editable->GetData(5, 2).IsEmpty()); // fewer values than fields
    Editable->Commit();
    EXPECT_EQ(Edits.Take(), QStringList({"Committed(5)"}));
    EXPECT_EQ(DataNames(), QStringList({"a", "b", "c", "d", "e", "f"}));
    EXPECT_EQ(Editable->GetItemCount(), 6);
    EXPECT_EQ(Recorder.Take(), QStringList({"inserted 5"}));

    Editable->Insert(2, {"x", 9, "n"});
    EXPECT_EQ(Edits.Take(), QStringList({"InsertStarted(2)"}));
    EXPECT_EQ(Names(), QStringList({"a", "b", "-", "c", "d", "e", "f"}));
    EXPECT_EQ(Editable->GetData(2, 0), Variant("x"));
    EXPECT_EQ(Editable->GetItem(3), Default->GetItem(2));
    EXPECT_EQ(Editable->GetItem(6), Default->GetItem(5));
    EXPECT_EQ(Editable->ItemOfData(1), 1);
    EXPECT_EQ(Editable->ItemOfData(2), 3);
    // A source change passes up with this provider's index; the pending row follows.
    Data->SetData(4, 0, "E");
    EXPECT_EQ(Recorder.Take(), QStringList({"updated 5"}));
    Data->InsertRow(0, {"z", 0});
    EXPECT_EQ(Recorder.Take(), QStringList({"inserted 0"}));
    EXPECT_EQ(Editable->GetEditingIndex(), 3);
    EXPECT_EQ(Names(), QStringList({"z", "a", "b", "-", "c", "d", "E", "f"}));
    Data->InsertRow(5, {"y", 0});
    EXPECT_EQ(Recorder.Take(), QStringList({"inserted 6"}));
    Data->RemoveRow(1);
    EXPECT_EQ(Recorder.Take(), QStringList({"deleted 1"}));
    EXPECT_EQ(Names(), QStringList({"z", "b", "-", "c", "d", "y", "E", "f"}));
    Data->RemoveRow(3);
    EXPECT_EQ(Recorder.Take(), QStringList({"deleted 4"}));
    EXPECT_EQ(Names(), QStringList({"z", "b", "-", "c", "y", "E", "f"}));
    Editable->Commit();
    EXPECT_EQ(Edits.Take(), QStringList({"Committed(2)"}));
    EXPECT_EQ(DataNames(), QStringList({"z", "b", "x", "c", "y", "E", "f"}));

    // An insert at the source count appends; a far index is limited to it.
    Editable->Insert(100, {"end"});
    EXPECT_EQ(Editable->GetEditingIndex(), 7);
    EXPECT_EQ(Editable->GetItem(7), Editable->GetEditingItem());
    Editable->Commit();
    EXPECT_EQ(DataNames().last(), "end");
    Editable->Insert(0, {"top"});
    Editable->Cancel();
    EXPECT_EQ(Data->GetRowCount(), 8);
    EXPECT_EQ(Editable->GetItemCount(), 8);
}

TEST_F(TEditFixture, CommittedUpdateWritesTheEditedRowAfterRowsMoved)
{
    Editable->Edit(3); // "d"
    Editable->SetData(3, 0, "D");
    Edits.Take();
    Recorder.Take();
    Data->InsertRow(0, {"new"});
    EXPECT_EQ(Editable->GetEditingItem()->GetDataRow(), 4);
    EXPECT_EQ(Editable->GetEditingIndex(), 4);
    EXPECT_EQ(Editable->GetItem(4), Editable->GetEditingItem());
    EXPECT_EQ(Editable->GetItem(3)->GetData(0), Variant("c"));
    EXPECT_TRUE(Recorder.Take().contains("refresh"));
    Data->RemoveRow(1);
    Data->RemoveRows({0, 1});
    EXPECT_EQ(Editable->GetEditingItem()->GetDataRow(), 1);
    Editable->Commit();
    EXPECT_EQ(DataNames(), QStringList({"c", "D", "e"}));

    // The edited row removed under the transaction cancels it.
    Editable->Edit(1);
    Edits.Take();
    Data->RemoveRow(1);
    EXPECT_EQ(Edits.Take(), QStringList({"Canceled"}));
    EXPECT_EQ(Editable->GetEditingState(), ItemNormal);
    Editable->Edit(0);
    Data->RemoveRows({0, 1});
    EXPECT_EQ(Editable->GetEditingState(), ItemNormal);
    Data->InsertRow(0, {"p"});
    Data->InsertRow(1, {"q"});
    Editable->Edit(1);
    Data->ClearRows(); // every row may be another now
    EXPECT_EQ(Editable->GetEditingState(), ItemNormal);
    EXPECT_EQ(Editable->GetItemCount(), 0);
    // An append survives a reset of the data.
    Editable->Append({"r"});
    Data->InsertRow(0, {"s"});
    Editable->Commit();
    EXPECT_EQ(DataNames(), QStringList({"s", "r"}));
}

// A row inserted at the edited row's own place pushes the edited row down: the commit writes
// the row the user edited, not the new one standing where it was.
TEST_F(TEditFixture, ARowInsertedAtTheEditedRowMovesTheUpdateDown)
{
    Editable->Edit(2); // "c"
    Editable->SetData(2, 0, "C");
    Data->InsertRow(2, {"new", 9, "n"});
    EXPECT_EQ(Editable->GetEditingItem()->GetDataRow(), 3);
    EXPECT_EQ(Editable->GetEditingIndex(), 3);
    EXPECT_EQ(Editable->GetItem(2)->GetData(0), Variant("new"));
    EXPECT_EQ(Editable->GetData(3, 0), Variant("C"));
    Editable->Commit();
    EXPECT_EQ(DataNames(), QStringList({"a", "b", "new", "C", "d", "e"}));
    EXPECT_EQ(Data->GetData(2, 1), Variant(9));
}

TEST_F(TEditFixture, PermissionsDeletionAndFailures)
{
    EXPECT_TRUE(Editable->CanUpdate(0, 1));
    EXPECT_TRUE(Editable->CanInsert(5));
    EXPECT_TRUE(Editable->CanInsert(0));
    EXPECT_TRUE(Editable->CanDelete(0));
    Data->SetUpdatable(false);
    Data->SetInsertable(false);
    Data->SetDeletable(false);
    EXPECT_FALSE(Editable->CanUpdate(0, -1));
    EXPECT_FALSE(Editable->CanInsert(5));
    EXPECT_FALSE(Editable->CanDelete(0));
    Data->SetDeletable(true);

    Editable->Delete(0);
    EXPECT_EQ(DataNames(), QStringList({"b", "c", "d", "e"}));
    Editable->Delete(TKvIntegerArray{3, 0});
    EXPECT_EQ(DataNames(), QStringList({"c", "d"}));
    Editable->Delete(TKvIntegerArray{1});
    EXPECT_EQ(DataNames(), QStringList({"c"}));
    Editable->Append({"n"});
    Editable->Delete(TKvIntegerArray{1}); // the pending row has no data row
    EXPECT_EQ(Data->GetRowCount(), 1);

    // A failing write leaves the transaction open for a cancel.
    class TFailingData : public TKvSimpleDataProvider
    {
    public:
        using TKvSimpleDataProvider::TKvSimpleDataProvider;
        void InsertRow(int, const TKvGridDataRow&) override { throw Exception("read only"); }
    } failing;
    failing.InsertColumns(0, 1, "Name", "s");
    Default->SetDataSource(&failing);
    EXPECT_EQ(Editable->GetEditingState(), ItemNormal); // a new data source ends the transaction
    Editable->Append({"x"});
    Edits.Take();
    KV_EXPECT_THROW_MSG(Editable->Commit(), Exception, "read only");
    EXPECT_EQ(Editable->GetEditingState(), ItemInserting);
    EXPECT_TRUE(Edits.Take().isEmpty());
    Editable->Cancel();
    EXPECT_EQ(Edits.Take(), QStringList({"Canceled"}));
    Default->SetDataSource(nullptr);
    EXPECT_FALSE(Editable->CanUpdate(0, 0));
    EXPECT_FALSE(Editable->CanInsert(0));
    Editable->RemoveEditListener(&Edits);
    Editable->Append({});
    Editable->Cancel();
    EXPECT_TRUE(Edits.Take().isEmpty());

    // Several items go in one call, in the order given; an item given twice goes once.
    class TRecordingData : public TKvSimpleDataProvider
    {
    public:
        using TKvSimpleDataProvider::TKvSimpleDataProvider;
        std::vector<TKvIntegerArray> Removed;
        void RemoveRows(const TKvIntegerArray& Rows) override
        {
            Removed.push_back(Rows);
            TKvSimpleDataProvider::RemoveRows(Rows);
        }
    } recording;
    recording.InsertColumns(0, 1, "Name", "s");
    for (const char* name : {"p", "q", "r", "s"})
        recording.InsertRow(recording.GetRowCount(), {name});
    Default->SetDataSource(&recording);
    Editable->Delete(TKvIntegerArray{3, 1, 3, 1});
    EXPECT_EQ(recording.Removed, (std::vector<TKvIntegerArray>{{3, 1}}));
    EXPECT_EQ(Names(), QStringList({"p", "r"}));
    Default->SetDataSource(nullptr);
}
