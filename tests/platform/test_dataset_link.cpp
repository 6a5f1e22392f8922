#include "platform/data/DataSet.h"
#include "TestSupport.h"

using namespace kv;

namespace {

// Records its callbacks as text.
class TRecordingLink : public TDataLink
{
public:
    QStringList Events;

protected:
    void ActiveChanged() override { Events << QStringLiteral("active %1").arg(GetActive()); }
    void DataSetChanged() override { Events << QStringLiteral("changed"); }
    void DataSetScrolled(int distance) override { Events << QStringLiteral("scrolled %1").arg(distance); }
    void EditingChanged() override { Events << QStringLiteral("editing %1").arg(GetEditing()); }
    void RecordChanged(TField* field) override
    {
        Events << QStringLiteral("record ") + (field ? field->GetFieldName() : QStringLiteral("-"));
    }
    void UpdateData() override { Events << QStringLiteral("update"); }
};

struct TNumbers
{
    TOwned<TSQLiteDatabase> Db{MakeOwned<TSQLiteDatabase>(nullptr)};
    TOwned<TSQLiteDataSet> Set{MakeOwned<TSQLiteDataSet>(nullptr)};
    TOwned<TDataSource> Source{MakeOwned<TDataSource>(nullptr)};

    TNumbers()
    {
        Db->Open(QStringLiteral(":memory:"));
        Db->ExecSQL(QStringLiteral("CREATE TABLE n(v INTEGER, t TEXT);"
                                   "INSERT INTO n VALUES (0,'a'),(1,'b'),(2,'c'),(3,'d'),(4,'e'),(5,'f');"));
        Set->SetDatabase(Db.get());
        Set->SetTableName(QStringLiteral("n"));
        Source->SetDataSet(Set.get());
    }
};

} // namespace

TEST(DataLink, CallbacksFollowTheDataSet)
{
    TNumbers n;
    TRecordingLink link;
    link.SetDataSource(n.Source.get());
    EXPECT_FALSE(link.GetActive());
    EXPECT_EQ(link.GetRecordCount(), 0);
    n.Set->Open();
    n.Set->Next();
    n.Set->Edit();
    n.Set->FieldByName(QStringLiteral("t"))->SetValue(QStringLiteral("B"));
    link.Modified();
    n.Set->Post();
    EXPECT_EQ(link.Events, (QStringList{"active 1", "scrolled 1", "editing 1", "record t", "update", "editing 0",
                                        "changed"}));

    // While disabled, nothing; enabling tells once.
    link.Events.clear();
    n.Set->DisableControls();
    n.Set->DisableControls();
    n.Set->Last();
    n.Set->Edit();
    n.Set->Cancel();
    n.Set->EnableControls();
    EXPECT_TRUE(link.Events.isEmpty());
    n.Set->EnableControls();
    EXPECT_EQ(link.Events, QStringList{"changed"});

    // Freeing the dataset and then the source leaves the link inactive and unbound.
    link.Events.clear();
    n.Set.reset();
    EXPECT_EQ(link.Events, QStringList{"active 0"});
    EXPECT_EQ(n.Source->GetDataSet(), nullptr);
    n.Source.reset();
    EXPECT_EQ(link.GetDataSource(), nullptr);
}

TEST(DataLink, WindowOfRecords)
{
    TNumbers n;
    TRecordingLink link;
    link.SetDataSource(n.Source.get());
    n.Set->Open();
    link.SetBufferCount(3);
    EXPECT_EQ(link.GetRecordCount(), 3);
    n.Set->SetRecNo(4);
    // The window follows the current record: records 2 .. 4.
    EXPECT_EQ(link.GetActiveRecord(), 2);
    EXPECT_EQ(link.Events.last(), QStringLiteral("scrolled 2"));
    link.SetActiveRecord(0);
    EXPECT_EQ(n.Set->FieldByName(QStringLiteral("v"))->GetValue(), Variant(2));
    EXPECT_THROW(link.SetActiveRecord(3), EListError);
    link.SetBufferCount(n.Set->GetRecordCount());
    EXPECT_EQ(link.GetRecordCount(), 6);
    link.SetActiveRecord(5);
    EXPECT_EQ(n.Set->FieldByName(QStringLiteral("t"))->GetValue(), Variant("f"));
    const TBookmark last = n.Set->GetBookmark();
    n.Set->First();
    n.Set->GotoBookmark(last);
    EXPECT_EQ(n.Set->GetRecNo(), 5);
    EXPECT_EQ(n.Set->FieldByName(QStringLiteral("v"))->GetAsFloat(), 5.0);

    KV_EXPECT_THROW_MSG(n.Set->SetTableName(QStringLiteral("x")), EDatabaseError,
                        "Cannot perform this operation on an open dataset");
    n.Set->Close();
    n.Set->SetTableName(QStringLiteral("missing"));
    EXPECT_THROW(n.Set->Open(), EDatabaseError);
    EXPECT_FALSE(n.Set->GetActive());
    EXPECT_FALSE(link.GetActive());
}
