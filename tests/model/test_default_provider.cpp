#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "model/KvGrids.Model.Default.h"

using namespace kv;
using namespace kvtest;

namespace {

std::vector<int> DataRows(const TKvGridItemProvider& p)
{
    std::vector<int> rows;
    for (int i = 0; i < p.GetItemCount(); ++i)
        rows.push_back(p.GetItem(i)->GetDataRow());
    return rows;
}

// Rows 0..n-1 with A = i.
TOwned<TKvSimpleDataProvider> Numbers(int n)
{
    auto t = MakeTable(QStringLiteral("A"), QStringLiteral("n"), {});
    for (int i = 0; i < n; ++i)
        t->InsertRow(i, {i});
    return t;
}

class DefaultProvider : public ::testing::Test
{
protected:
    void Bind(TKvGridDataProvider* source)
    {
        provider.SetDataSource(source);
        provider.AddListener(&rec);
        rec.Events.clear();
    }
    void TearDown() override { provider.RemoveListener(&rec); }

    TOwned<TKvDefaultGridItemProvider> providerOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& provider = *providerOwner;
    TItemRecorder rec;
};

} // namespace

TEST_F(DefaultProvider, ItemLimit)
{
    auto t = Numbers(10);
    provider.SetMaxItemCount(4);
    Bind(t.get());
    EXPECT_EQ(provider.GetItemCount(), 4);
    EXPECT_EQ(provider.ItemOfData(5), -1);
    t->SetData(5, 0, 50);
    EXPECT_EQ(rec.Events, QStringList{QStringLiteral("updated -1")});
    provider.SetMaxItemCount(0);
    EXPECT_EQ(provider.GetItemCount(), 10);
    EXPECT_EQ(rec.Events.last(), QStringLiteral("reset"));
    provider.SetMaxItemCount(-3); // below 0 counts as 0: unchanged, nothing sent
    EXPECT_EQ(rec.Events.size(), 2);
}

TEST_F(DefaultProvider, InsertAndRemoveKeepTheItemLimit)
{
    auto t = Numbers(4);
    provider.SetMaxItemCount(4);
    Bind(t.get());
    t->InsertRow(1, {100});
    EXPECT_EQ(provider.GetItemCount(), 4);
    EXPECT_EQ(DataRows(provider), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(provider.GetData(1, 0).ToInt(), 100);
    t->RemoveRow(0);
    EXPECT_EQ(provider.GetItemCount(), 4);
    EXPECT_EQ(provider.GetData(3, 0).ToInt(), 3);
    EXPECT_EQ(rec.Events, (QStringList{"refresh", "refresh"}));
}

TEST_F(DefaultProvider, UnsortedChangesRenumberInPlace)
{
    auto t = Numbers(5);
    Bind(t.get());
    TKvGridItem* last = provider.GetItem(4);
    t->InsertRow(3, {30});
    EXPECT_EQ(rec.Events, QStringList{QStringLiteral("inserted 3")});
    EXPECT_EQ(DataRows(provider), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(provider.GetItem(5), last); // items are kept, not rebuilt
    t->InsertRow(6, {60});
    EXPECT_EQ(rec.Events.last(), QStringLiteral("inserted 6"));
    t->RemoveRow(1);
    EXPECT_EQ(rec.Events.last(), QStringLiteral("deleted 1"));
    EXPECT_EQ(DataRows(provider), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(provider.GetData(2, 0).ToInt(), 30);
    t->SetData(2, 0, 31);
    EXPECT_EQ(rec.Events.last(), QStringLiteral("updated 2"));
    t->RemoveRows({0, 1});
    EXPECT_EQ(rec.Events.last(), QStringLiteral("refresh"));
    EXPECT_EQ(provider.GetItemCount(), 4);
}

TEST_F(DefaultProvider, SortsByTwoFieldsWithTies)
{
    auto t = MakeTable(QStringLiteral("Group,Value,Name"), QStringLiteral("s,n,s"),
                       {{QStringLiteral("b"), 2, QStringLiteral("r0")},
                        {QStringLiteral("a"), 9, QStringLiteral("r1")},
                        {QStringLiteral("b"), 1, QStringLiteral("r2")},
                        {QStringLiteral("a"), 3, QStringLiteral("r3")},
                        {Variant::Null(), 5, QStringLiteral("r4")},
                        {QStringLiteral("b"), 1, QStringLiteral("r5")}});
    Bind(t.get());
    provider.OrderBy({0, 1}, {SortAscending, SortDescending});
    EXPECT_EQ(rec.Events, QStringList{QStringLiteral("refresh")});
    // Nulls first; ties of both keys keep data order.
    EXPECT_EQ(DataRows(provider), (std::vector<int>{4, 1, 3, 0, 2, 5}));
    for (int row = 0; row < 6; ++row)
        EXPECT_EQ(provider.GetItem(provider.ItemOfData(row))->GetDataRow(), row);
    EXPECT_EQ(provider.FindRow(3), provider.GetItem(2));

    // Any structural change while sorted is a refresh, and the order holds.
    t->InsertRow(0, {QStringLiteral("a"), 10, QStringLiteral("new")});
    EXPECT_EQ(rec.Events.last(), QStringLiteral("refresh"));
    EXPECT_EQ(provider.GetData(1, 2).ToString(), QStringLiteral("new"));
    t->RemoveRow(0);
    EXPECT_EQ(rec.Events.last(), QStringLiteral("refresh"));
    EXPECT_EQ(DataRows(provider), (std::vector<int>{4, 1, 3, 0, 2, 5}));

    // A value change is an update of the item showing that row.
    t->SetData(3, 1, 4);
    EXPECT_EQ(rec.Events.last(), QStringLiteral("updated 2"));

    // Ending sorting restores data order.
    provider.OrderBy({}, {});
    EXPECT_EQ(DataRows(provider), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_FALSE(provider.GetSorting());
}

TEST_F(DefaultProvider, DirectionsRepeatAndDefault)
{
    auto t = MakeTable(QStringLiteral("A,B,C"), QStringLiteral("n"), {{1, 1, 1}, {1, 1, 2}, {1, 2, 1}, {2, 1, 1}});
    Bind(t.get());
    provider.OrderBy({0, 1, 2}, {SortDescending});
    EXPECT_EQ(provider.GetSortDirections(), (TKvGridSortDirections{SortDescending, SortDescending, SortDescending}));
    EXPECT_EQ(DataRows(provider), (std::vector<int>{3, 2, 1, 0}));
    provider.OrderBy({0, 1, 2}, {});
    EXPECT_EQ(DataRows(provider), (std::vector<int>{0, 1, 2, 3}));
    // A field outside the table leaves the order as it is.
    provider.OrderBy({7}, {SortDescending});
    EXPECT_EQ(DataRows(provider), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(DefaultProvider, FixedRowsStayOnTop)
{
    auto t = MakeTable(QStringLiteral("A"), QStringLiteral("n"), {{9}, {8}, {3}, {1}, {2}});
    Bind(t.get());
    provider.SetFixed(2, false, false);
    EXPECT_EQ(rec.Events.last(), QStringLiteral("refresh"));
    provider.OrderBy({0}, {SortAscending});
    EXPECT_EQ(DataRows(provider), (std::vector<int>{0, 1, 3, 4, 2}));
    EXPECT_EQ(provider.GetFixedCount(), 2);
    provider.SetFixed(2, true, false);
    EXPECT_EQ(DataRows(provider), (std::vector<int>{3, 4, 2, 1, 0}));
    rec.Events.clear();
    provider.SetFixed(2, true, true); // same count and sorting: nothing
    EXPECT_TRUE(rec.Events.isEmpty());

    // Three rows with two fixed: no sort runs.
    auto small = MakeTable(QStringLiteral("A"), QStringLiteral("n"), {{3}, {2}, {1}});
    TOwned<TKvDefaultGridItemProvider> pOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& p = *pOwner;
    p.SetFixed(2, false, false);
    p.OrderBy({0}, {SortAscending});
    p.SetDataSource(small.get());
    EXPECT_EQ(DataRows(p), (std::vector<int>{0, 1, 2}));
    p.SetDataSource(nullptr);
}

TEST_F(DefaultProvider, ExchangeAndCustomSorter)
{
    auto t = Numbers(3);
    Bind(t.get());
    provider.Exchange(0, 2);
    EXPECT_EQ(DataRows(provider), (std::vector<int>{2, 1, 0}));
    provider.Exchange(1, 1);
    KV_EXPECT_THROW_MSG(provider.Exchange(3, 0), EArgumentOutOfRangeException, "index1: 3");
    KV_EXPECT_THROW_MSG(provider.Exchange(0, -1), EArgumentOutOfRangeException, "index2: -1");
    EXPECT_TRUE(rec.Events.isEmpty());

    // The null sorter leaves rows in data order; a single-key sorter gets runs of ties.
    provider.SetSorter(MakeIntf<TKvGridItemNullSorter>());
    provider.OrderBy({0}, {SortDescending});
    EXPECT_EQ(DataRows(provider), (std::vector<int>{0, 1, 2}));

    struct TRecordingSorter : TKvGridItemSorter
    {
        std::vector<std::tuple<int, int, int>> Calls;
        void Run(TKvGridItemProvider* p, int Field, TKvGridSortDirection, int First, int Last) override
        {
            Calls.emplace_back(Field, First, Last);
            GetSharedQuickSorter()->Run(p, Field, SortAscending, First, Last);
        }
    };
    auto table = MakeTable(QStringLiteral("A,B"), QStringLiteral("n"), {{2, 1}, {1, 2}, {2, 0}, {1, 1}, {3, 3}});
    auto sorter = MakeIntf<TRecordingSorter>();
    TOwned<TKvDefaultGridItemProvider> pOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& p = *pOwner;
    p.SetSorter(sorter);
    p.SetDataSource(table.get());
    p.OrderBy({0, 1}, {});
    EXPECT_EQ(DataRows(p), (std::vector<int>{3, 1, 2, 0, 4}));
    // One run over everything by A, then one run per tie of A (the single-row run of 3 is skipped).
    EXPECT_EQ(sorter->Calls, (std::vector<std::tuple<int, int, int>>{{0, 0, 4}, {1, 0, 1}, {1, 2, 3}}));
    p.SetDataSource(nullptr);
}

TEST_F(DefaultProvider, FieldDomainInFirstAppearanceOrder)
{
    auto t = MakeTable(QStringLiteral("A"), QStringLiteral("s"),
                       {{"x"}, {"x"}, {"y"}, {"x"}, {Variant::Null()}, {"z"}, {Variant::Null()}});
    Bind(t.get());
    EXPECT_EQ(provider.GetFieldDomain(0), (TVariantArray{"x", "y", Variant::Null(), "z"}));

    // The same values give the same domain whatever their order: 5 and 5.0 are one value,
    // the text "5" another.
    auto mixed = MakeTable(QStringLiteral("A"), QStringLiteral("s"), {{5}, {5.0}, {"5"}, {6}, {"5"}, {5}});
    TOwned<TKvDefaultGridItemProvider> pOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& p = *pOwner;
    p.SetDataSource(mixed.get());
    EXPECT_EQ(p.GetFieldDomain(0), (TVariantArray{5, "5", 6}));
    p.OrderBy({0}, {SortDescending});
    EXPECT_EQ(p.GetFieldDomain(0).size(), 3u);
    p.SetDataSource(nullptr);
}

TEST_F(DefaultProvider, CheckedItems)
{
    auto t = MakeTable(QStringLiteral("Flag"), QStringLiteral("b"), {{true}, {Variant::Null()}, {false}, {Variant()}});
    Bind(t.get());
    provider.CheckItem(1, true);
    provider.CheckItem(1, true);
    EXPECT_EQ(rec.Events, QStringList{QStringLiteral("checked 1")});
    rec.Events.clear();
    provider.ResetItemsChecked(1, true); // field == field count: nothing
    EXPECT_TRUE(rec.Events.isEmpty());
    provider.ResetItemsChecked(0, true);
    EXPECT_EQ(rec.Events, (QStringList{"checked 0", "checked 1", "refresh"}));
    EXPECT_TRUE(provider.GetItem(0)->GetChecked());
    EXPECT_FALSE(provider.GetItem(1)->GetChecked());
    EXPECT_THROW(provider.CheckItem(9, true), EListError);
}

TEST_F(DefaultProvider, ListenerRulesAndDisposal)
{
    KV_EXPECT_THROW_MSG(provider.AddListener(nullptr), EArgumentNilException, "listener");
    TKvSimpleDataProvider* t = Create<TKvSimpleDataProvider>(nullptr);
    t->InsertColumns(0, 1, QStringLiteral("A"), QStringLiteral("n"));
    t->InsertRow(0, {1});
    Bind(t);
    provider.AddListener(&rec); // duplicate: still one delivery
    // Freeing the data source resets the items; the provider is forgotten before listeners hear.
    struct TProbe : TItemRecorder
    {
        TKvGridItemProvider* P = nullptr;
        TKvGridDataProvider* SourceSeen = reinterpret_cast<TKvGridDataProvider*>(1);
        void Reset() override
        {
            TItemRecorder::Reset();
            SourceSeen = P->GetDataSource();
        }
    } probe;
    probe.P = &provider;
    provider.AddListener(&probe);
    t->Free();
    EXPECT_EQ(rec.Events, QStringList{QStringLiteral("reset")});
    EXPECT_EQ(probe.SourceSeen, nullptr);
    EXPECT_EQ(provider.GetItemCount(), 0);
    provider.RemoveListener(&probe);
    try {
        provider.GetData(0, 0);
        ADD_FAILURE() << "expected an assertion failure";
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.AssertMessage(), QStringLiteral("DataSource is nil"));
        EXPECT_EQ(e.Module(), QStringLiteral("KvGrids.Model"));
        EXPECT_GT(e.Line(), 0);
    }
}

TEST(Items, LevelsStatesAndVisibility)
{
    class TGroup : public TKvGridGroupItem
    {
    public:
        using TKvGridGroupItem::TKvGridGroupItem;
        bool Expanded = false;
        int GetField() const override { return 0; }
        int GetCount() const override { return 0; }
        TKvGridItem* GetItem(int) const override { return nullptr; }
        bool GetExpanded() const override { return Expanded; }
        void SetExpanded(bool v) override { Expanded = v; }
        TKvGridItem* GetFirstItem() const override { return nullptr; }
        int GetDescendantCount() const override { return 0; }
        int GetRowCount() const override { return 0; }
        double GetSum(int) override { return 0; }
        double GetMax(int) override { return 0; }
        double GetMin(int) override { return 0; }
        double GetMean(int) override { return 0; }
        double GetVar(int) override { return 0; }
        double GetStdev(int) override { return 0; }
        void Attach(TKvGridItem* item) { AttachChild(item); }
    };
    KV_EXPECT_THROW_MSG(TKvGridRow(nullptr, 0), Exception, "Provider is null");
    auto t = Numbers(2);
    TOwned<TKvDefaultGridItemProvider> pOwner = MakeOwned<TKvDefaultGridItemProvider>();
    TKvDefaultGridItemProvider& p = *pOwner;
    p.SetDataSource(t.get());
    TGroup outer(&p), inner(&p);
    TKvGridRow row(&p, 1);
    outer.Attach(&inner);
    inner.Attach(&row);
    EXPECT_EQ(row.GetLevel(), 2);
    EXPECT_EQ(outer.GetLevel(), 0);
    EXPECT_EQ(inner.GetRowState(), RowStateNone);
    EXPECT_EQ(inner.GetDataRow(), -1);
    EXPECT_TRUE(inner.GetData(-1).IsEmpty());
    EXPECT_EQ(row.GetData(0).ToInt(), 1);
    EXPECT_FALSE(row.CanVisible());
    row.MakeVisible();
    EXPECT_TRUE(inner.Expanded);
    EXPECT_TRUE(outer.Expanded);
    EXPECT_TRUE(row.CanVisible());
    // An expanded parent inside a collapsed group: the group above is expanded too.
    outer.Expanded = false;
    row.MakeVisible();
    EXPECT_TRUE(outer.Expanded);
    p.SetDataSource(nullptr);
}

TEST(DefaultProviderFreed, ABoundProviderSendsItsNoticeThenAReset)
{
    auto t = Numbers(3);
    // One listener that lets go on the notice, one that only knows resets.
    struct TLettingGo : TItemRecorder
    {
        TKvGridItemProvider* Source = nullptr;
        void Disposing() override
        {
            Events << QStringLiteral("disposing");
            Source->RemoveListener(this);
        }
    };
    for (const bool plainDelete : {false, true}) {
        SCOPED_TRACE(plainDelete ? "deleted" : "freed");
        TKvDefaultGridItemProvider* provider = Create<TKvDefaultGridItemProvider>();
        provider->SetDataSource(t.get());
        TLettingGo lettingGo;
        lettingGo.Source = provider;
        TItemRecorder plain;
        int countSeen = -1;
        struct TCounting : TItemRecorder
        {
            TKvGridItemProvider* Source = nullptr;
            int* Seen = nullptr;
            void Reset() override
            {
                TItemRecorder::Reset();
                *Seen = Source->GetItemCount();
            }
        } counting;
        counting.Source = provider;
        counting.Seen = &countSeen;
        provider->AddListener(&lettingGo);
        provider->AddListener(&plain);
        provider->AddListener(&counting);
        if (plainDelete)
            delete provider;
        else
            provider->Free();
        EXPECT_EQ(lettingGo.Events, QStringList{QStringLiteral("disposing")});
        EXPECT_EQ(plain.Events, QStringList{QStringLiteral("reset")});
        EXPECT_EQ(countSeen, 0) << "the reset comes once the rows are gone";
        // The table no longer reaches the freed provider.
        t->SetData(0, 0, 10);
        t->InsertRow(3, {3});
    }
}
