// The grid view's life: defaults, item-source binding, update batching, style links.
#include "grid/KvGrids.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Editing.h"
#include "platform/rtl/ClassRegistry.h"
#include "TestSupport.h"
#include "../model/ModelTestSupport.h"

using namespace kv;
using namespace kvtest;

namespace {

struct TGridViewFixture : ::testing::Test
{
    TOwned<TKvSimpleDataProvider> Data = MakeTable("Name,Value", "s,n", {{"a", 1}, {"b", 2}, {"c", 3}});
    TOwned<TKvGridView> Grid = MakeOwned<TKvGridView>(nullptr);

    int Refreshes() const { return TKvGridView::GetRefreshCount(); }
};

TEST_F(TGridViewFixture, ConstructionDefaultsAndOwnedProvider)
{
    EXPECT_EQ(Grid->GetDefaultColumnWidth(), 120);
    EXPECT_EQ(Grid->GetGroupIndentSize(), 20);
    EXPECT_EQ(Grid->GetHorzScrollStep(), 8);
    EXPECT_EQ(Grid->GetWidth(), 300);
    EXPECT_EQ(Grid->GetHeight(), 250);
    EXPECT_TRUE(Grid->GetFocusedIndex().IsNull());
    EXPECT_EQ(Grid->GetStyles()->GetName(), QStringLiteral("Default Styles"));
    ASSERT_NE(Grid->GetItemProvider(), nullptr);
    EXPECT_EQ(Grid->GetItemProvider(), Grid->GetOwnedItemProvider());
    ASSERT_NE(Grid->GetModelConsumer(), nullptr);
    EXPECT_EQ(Grid->GetModelConsumer()->GetOwner(), Grid.get());

    // The data provider is the grid's adapter for its class.
    auto* items = dynamic_cast<TKvDefaultGridItemProvider*>(Grid->GetItemProvider());
    ASSERT_NE(items, nullptr);
    items->SetDataSource(Data.get());
    EXPECT_EQ(Grid->AdapterAs<TKvGridDataProvider>(), Data.get());
    EXPECT_EQ(Grid->GetItemCount(), 3);
    Grid->SetHorzScrollStep(-5);
    EXPECT_EQ(Grid->GetHorzScrollStep(), 1);
    items->SetDataSource(nullptr);
}

TEST_F(TGridViewFixture, UpdateBatchingRefreshesOnceAtTheOutermostEnd)
{
    int before = Refreshes();
    Grid->EndUpdate(); // unbalanced: nothing
    EXPECT_EQ(Grid->GetUpdateLock(), 0);
    EXPECT_EQ(Refreshes(), before);

    Grid->BeginUpdate();
    Grid->BeginUpdate();
    Grid->BeginUpdate();
    Grid->RefreshView(); // skipped inside the update
    Grid->GetItemProvider()->FireReset();
    Grid->EndUpdate();
    Grid->EndUpdate();
    EXPECT_EQ(Refreshes(), before);
    Grid->EndUpdate();
    EXPECT_EQ(Refreshes(), before + 1);
    EXPECT_TRUE(Grid->GetLayoutNeeded());
}

TEST_F(TGridViewFixture, BindingMovesListenersAndLeavesExternalProvidersAlone)
{
    TOwned<TKvDefaultGridItemProvider> plain = MakeOwned<TKvDefaultGridItemProvider>();
    plain->SetDataSource(Data.get());
    TOwned<TKvGridEditableItemProvider> editable = MakeOwned<TKvGridEditableItemProvider>(plain.get());

    // A non-editable provider: item notifications reach the grid.
    Grid->SetItemSource(plain.get());
    int before = Refreshes();
    plain->FireRefresh();
    EXPECT_EQ(Refreshes(), before + 1);
    Grid->SetItemSource(plain.get()); // the same provider again: no reset
    EXPECT_EQ(Refreshes(), before + 1);

    // An editable provider: edit notifications reach the grid too.
    Grid->SetItemSource(editable.get());
    EXPECT_EQ(Grid->GetItemCount(), 3);
    editable->BeginUpdate(1);
    editable->SetData(1, 1, 20);
    EXPECT_TRUE(Grid->GetItemEdited());
    editable->CancelEdit();
    EXPECT_FALSE(Grid->GetItemEdited());

    // Nil: both listeners leave the old provider, and the focus goes to the null index.
    Grid->SetItemSource(nullptr);
    EXPECT_EQ(Grid->GetItemCount(), 0);
    EXPECT_TRUE(Grid->GetFocusedIndex().IsNull());
    before = Refreshes();
    editable->FireRefresh();
    editable->BeginUpdate(0);
    EXPECT_FALSE(Grid->GetItemEdited());
    editable->CancelEdit();
    EXPECT_EQ(Refreshes(), before);

    // A provider from outside outlives the grid; its later notifications reach nothing.
    Grid->SetItemSource(editable.get());
    Grid.reset();
    editable->FireReset();
    editable.reset();
    plain->SetDataSource(nullptr);
}

TEST_F(TGridViewFixture, StyleRegistrationAndStyleSheetLinks)
{
    KV_EXPECT_THROW_MSG(Grid->RegisterStyles(nullptr), EArgumentNilException, "styles is nil");
    KV_EXPECT_THROW_MSG(Grid->UnregisterStyles(nullptr), EArgumentNilException, "styles is nil");

    int before = Refreshes();
    Grid->GetStyles()->SetPrefix(QStringLiteral("$"));
    EXPECT_GT(Refreshes(), before);

    TOwned<TKvGridStyleSheet> sheet = MakeOwned<TKvGridStyleSheet>(nullptr);
    Grid->SetStyleSheet(sheet.get());
    before = Refreshes();
    sheet->GetBody()->SetPrefix(QStringLiteral("#"));
    EXPECT_GT(Refreshes(), before);
    sheet.reset(); // a freed sheet is unlinked at once
    EXPECT_EQ(Grid->GetStyleSheet(), nullptr);
}

} // namespace

namespace {

// Records the factory calls of construction, in order.
class TFactoryGrid : public TKvGridView
{
public:
    using TKvGridView::TKvGridView;
    static QStringList& Log()
    {
        static QStringList log;
        return log;
    }

protected:
    TOwned<TKvAbstractGridLayoutManager> CreateLayoutManager() override
    {
        Log() << "layout manager";
        return TKvGridView::CreateLayoutManager();
    }
    TOwned<TKvGridDelegate> CreateGridDelegate() override
    {
        Log() << "delegate";
        return TKvGridView::CreateGridDelegate();
    }
    TOwned<TKvGridItemProvider> CreateItemProvider() override
    {
        Log() << "item provider";
        return TKvGridView::CreateItemProvider();
    }
    TKvGridRegionElement* CreatePanelView() override
    {
        Log() << "panel view";
        return nullptr;
    }
    TKvGridHeaderElement* CreateHeaderView(TKvGridHeader* Header, const QString& Name, bool Fixed) override
    {
        Log() << Name;
        return TKvGridView::CreateHeaderView(Header, Name, Fixed);
    }
};

TEST(GridViewLifecycle, FactoriesAndViewsComeInTheirOrder)
{
    TFactoryGrid::Log().clear();
    TOwned<TFactoryGrid> grid = MakeOwned<TFactoryGrid>(nullptr);
    EXPECT_EQ(TFactoryGrid::Log(), QStringList({"layout manager", "delegate", "item provider", "panel view", "headerView",
                                                "fixedHeaderView"}));
    // Later views draw above earlier ones: the root's children in creation order.
    QStringList names;
    for (int i = 0; i < grid->GetCount(); ++i)
        names << grid->GetElement(i)->GetName();
    const QStringList expected = {"bodyView", "fixedBodyView", "indicatorView", "statesBarView", "checkBarView",
                                  "rowGroupView", "headerIndicatorView", "headerStatesView", "headerCheckView",
                                  "footerIndicatorView", "footerStatesView", "footerCheckView", "headerView",
                                  "fixedHeaderView", "editBarView", "", "footerView", "fixedFooterView", "linesView",
                                  "selectionLayer", "focusLayer", "feedbackLayer"};
    EXPECT_EQ(names, expected);
    EXPECT_NE(grid->GetLayoutManager(), nullptr);
    EXPECT_NE(grid->GetGridDelegate(), nullptr);
    // The first grid registers the classes form files name; a second one finds them there.
    for (const char* name : {"TKvGridItemConsumer", "TKvGridDataColumn", "TKvInternalImageCellRenderer",
                             "TKvInternalMultiLineCellEditor", "TKvProxyCellRenderer", "TKvProxyCellEditor"})
        EXPECT_NE(GetClass(QString::fromLatin1(name)), nullptr) << name;
    TOwned<TKvGridView> second = MakeOwned<TKvGridView>(nullptr);
    EXPECT_NE(GetClass(QStringLiteral("TKvLineCellEditor")), nullptr);

    // Every part the grid made is freed with it, with no listener left behind (sanitizers).
    TOwned<TKvSimpleDataProvider> data = MakeTable("Name", "s", {{"a"}});
    static_cast<TKvDefaultGridItemProvider*>(grid->GetOwnedItemProvider())->SetDataSource(data.get());
    grid.reset();
    data->InsertRow(1, {"b"});
}

} // namespace
