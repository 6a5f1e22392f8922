// Objects with a second construction phase can be made only by Create, MakeOwned or MakeIntf.
#include "graphics/KvGrids.Common.Sprites.h"
#include "graphics/KvGrids.Effect.h"
#include "graphics/KvGrids.Styles.Dynamic.h"
#include "graphics/KvGrids.Styles.h"
#include "model/KvGrids.Data.Files.h"
#include "model/KvGrids.Data.Objects.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Data.Vantrel.h"
#include "model/KvGrids.Data.Xml.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Editing.h"
#include "model/KvGrids.Model.Proxy.Filter.h"
#include "model/KvGrids.Model.Proxy.Group.h"
#include "model/KvGrids.Model.Sorting.h"
#include "platform/graphics/Graphics.h"
#include "platform/ui/Timers.h"

#include "TestSupport.h"

#include <type_traits>

using namespace kv;

namespace {

template <typename... T>
constexpr bool kNoneConstructible = (!std::is_constructible_v<T, TComponent*> && ...);

static_assert(kNoneConstructible<TComponent, TControl, TWinControl, TCustomControl, TTimer, TCustomImageList,
                                 TKvSimpleDataProvider, TKvObjectDataProvider, TKvDynArrayDataProvider,
                                 TKvCsvDataProvider, TKvIniDataProvider, TKvVantrelDataProvider,
                                 TKvXmlDomDataProvider, TKvGridItemConsumer, TKvSpriteControl, TKvGridStyleObject,
                                 TKvGridStyleSheet>);
static_assert(!std::is_default_constructible_v<TKvDefaultGridItemProvider>);
static_assert(!std::is_constructible_v<TKvGridFilteredItemProvider, TKvGridItemProvider*>);
static_assert(!std::is_constructible_v<TKvGridGroupedItemProvider, TKvGridItemProvider*>);
static_assert(!std::is_constructible_v<TKvGridEditableItemProvider, TKvGridItemProvider*>);
static_assert(!std::is_constructible_v<TKvSpriteElement, TKvSpriteControl*, QString>);
static_assert(!std::is_constructible_v<TKvLayerElement, TKvSpriteControl*, QString>);
static_assert(!std::is_constructible_v<TKvRootSprite, TKvSpriteControl*>);
static_assert(!std::is_constructible_v<TCollectionItem, TCollection*>);
static_assert(!std::is_constructible_v<TKvGridDynamicStyle, TCollection*>);
static_assert(!std::is_constructible_v<TKvVantrelDataField, TCollection*>);
static_assert(!std::is_constructible_v<TKvGridAnimator, TKvSpriteControl*>);
static_assert(!std::is_constructible_v<TKvGridCellChangeAnimation, QString, std::uint32_t, std::uint32_t>);
static_assert(!std::is_default_constructible_v<TKvGridItemQuickSorter>);

} // namespace

TEST(Creation, TheSecondPhaseRunsForEveryMadeObject)
{
    // A filtered provider made by MakeOwned is bound to its source and applies its filters.
    TOwned<TKvSimpleDataProvider> table = MakeOwned<TKvSimpleDataProvider>(nullptr);
    table->InsertColumns(0, 1, QStringLiteral("A"), QStringLiteral("n"));
    for (int i = 0; i < 5; ++i)
        table->InsertRow(i, {i});
    TOwned<TKvDefaultGridItemProvider> items = MakeOwned<TKvDefaultGridItemProvider>();
    items->SetDataSource(table.get());
    TOwned<TKvGridFilteredItemProvider> filtered = MakeOwned<TKvGridFilteredItemProvider>(items.get());
    EXPECT_EQ(filtered->GetItemCount(), 5);
    filtered->AddFilter(0, QStringLiteral("value > 2"));
    EXPECT_EQ(filtered->GetItemCount(), 2);
    filtered.reset();
    items->SetDataSource(nullptr);
}
