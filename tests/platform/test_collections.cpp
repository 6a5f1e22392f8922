#include "TestSupport.h"
#include "test_streaming_classes.h"

using namespace kv;
using namespace kvtest;

namespace {

QStringList Captions(const TSampleItems* items)
{
    QStringList result;
    for (int i = 0; i < items->Count(); ++i)
        result << items->Item(i)->GetCaption();
    return result;
}

} // namespace

TEST(Collections, AddInsertDeleteClearAndIndex)
{
    TOwned<TSampleComponent> owner(Create<TSampleComponent>(nullptr));
    TSampleItems* items = owner->GetItems();
    EXPECT_EQ(&items->GetItemClass(), &ClassInfo<TSampleItem>());
    items->AddItem()->SetCaption(QStringLiteral("a"));
    items->AddItem()->SetCaption(QStringLiteral("c"));
    auto* b = static_cast<TSampleItem*>(items->Insert(1));
    b->SetCaption(QStringLiteral("b"));
    static_cast<TSampleItem*>(items->Insert(99))->SetCaption(QStringLiteral("d"));
    EXPECT_EQ(Captions(items), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(b->GetIndex(), 1);
    EXPECT_EQ(b->GetCollection(), items);
    EXPECT_EQ(items->FindItemID(b->GetID()), b);
    EXPECT_EQ(items->FindItemID(1000), nullptr);
    // IDs are unique and never reused.
    EXPECT_EQ(items->Item(0)->GetID(), 0);
    EXPECT_EQ(items->Item(2)->GetID(), 1);

    b->SetIndex(3);
    EXPECT_EQ(Captions(items), (QStringList{"a", "c", "d", "b"}));
    b->SetIndex(-5);
    EXPECT_EQ(Captions(items), (QStringList{"b", "a", "c", "d"}));

    const int destroyed = TSampleItem::Destroyed;
    items->Delete(1);
    EXPECT_EQ(Captions(items), (QStringList{"b", "c", "d"}));
    EXPECT_EQ(TSampleItem::Destroyed, destroyed + 1);
    KV_EXPECT_THROW_MSG(items->Delete(3), EListError, "List index out of bounds (3).  List count is 3");
    KV_EXPECT_THROW_MSG(items->GetItem(-1), EListError, "List index out of bounds (-1).  List count is 3");

    // An item freed directly leaves its collection.
    items->Item(0)->Free();
    EXPECT_EQ(Captions(items), (QStringList{"c", "d"}));
    // Moving an item to another collection.
    TOwned<TSampleComponent> other(Create<TSampleComponent>(nullptr));
    items->Item(0)->SetCollection(other->GetItems());
    EXPECT_EQ(Captions(items), QStringList{"d"});
    EXPECT_EQ(Captions(other->GetItems()), QStringList{"c"});

    items->Clear();
    EXPECT_EQ(items->Count(), 0);
    EXPECT_EQ(TSampleItem::Destroyed, destroyed + 3);
    // The owner frees the collection and the collection its items.
    owner.reset();
    other.reset();
    EXPECT_EQ(TSampleItem::Destroyed, destroyed + 4);
}

TEST(Collections, UpdatesAndNotifications)
{
    TOwned<TSampleComponent> owner(Create<TSampleComponent>(nullptr));
    TSampleItems* items = owner->GetItems();
    TSampleItem* first = items->AddItem();
    EXPECT_EQ(items->Updates, std::vector<TCollectionItem*>{nullptr});
    EXPECT_EQ(items->Notifications, QStringList{"added:0"});

    // An item change reports the item; a move reports everything.
    items->Updates.clear();
    first->SetCaption(QStringLiteral("x"));
    EXPECT_EQ(items->Updates, std::vector<TCollectionItem*>{first});

    // Nested updates: one Update, at the outermost end.
    items->Updates.clear();
    items->BeginUpdate();
    items->BeginUpdate();
    items->AddItem();
    items->AddItem()->SetCaption(QStringLiteral("y"));
    items->Delete(0);
    items->EndUpdate();
    EXPECT_TRUE(items->Updates.empty());
    items->EndUpdate();
    EXPECT_EQ(items->Updates, std::vector<TCollectionItem*>{nullptr});
    EXPECT_EQ(items->UpdateCount(), 0);

    // Clear is one update; deleting tells "deleting" before the item leaves.
    items->Notifications.clear();
    items->Updates.clear();
    items->Delete(0);
    EXPECT_EQ(items->Notifications, (QStringList{"deleting:1", "extracting:1"}));
    items->Updates.clear();
    items->Clear();
    EXPECT_EQ(items->Updates, std::vector<TCollectionItem*>{nullptr});
    items->Updates.clear();
    items->Clear(); // empty: nothing to tell
    EXPECT_TRUE(items->Updates.empty());
    // An unbalanced EndUpdate does not drive the count negative.
    items->EndUpdate();
    EXPECT_EQ(items->UpdateCount(), 0);
}

TEST(Collections, AssignOwnerAndNamePath)
{
    TOwned<TSampleComponent> source(Create<TSampleComponent>(nullptr));
    source->SetName(QStringLiteral("Source"));
    for (const char* caption : {"one", "two"}) {
        TSampleItem* item = source->GetItems()->AddItem();
        item->SetCaption(QLatin1String(caption));
        item->SetWidth(10);
    }
    TOwned<TSampleComponent> dest(Create<TSampleComponent>(nullptr));
    dest->GetItems()->AddItem()->SetCaption(QStringLiteral("old"));
    dest->GetItems()->Updates.clear();
    dest->GetItems()->Assign(source->GetItems());
    EXPECT_EQ(Captions(dest->GetItems()), (QStringList{"one", "two"}));
    EXPECT_EQ(dest->GetItems()->Item(1)->GetWidth(), 10);
    EXPECT_EQ(dest->GetItems()->Updates, std::vector<TCollectionItem*>{nullptr});
    // Assigning a collection to itself keeps it.
    dest->GetItems()->Assign(dest->GetItems());
    EXPECT_EQ(dest->GetItems()->Count(), 2);
    // Something that is not a collection is refused.
    TOwned<TSampleFont> font(Create<TSampleFont>());
    KV_EXPECT_THROW_MSG(dest->GetItems()->Assign(font.get()), EConvertError,
                        "Cannot assign a TSampleFont to a TSampleItems");
    EXPECT_EQ(dest->GetItems()->Count(), 2);

    TSampleItems* items = source->GetItems();
    EXPECT_EQ(items->GetOwner(), source.get());
    EXPECT_EQ(items->PropName(), QStringLiteral("Items"));
    EXPECT_EQ(items->GetNamePath(), QStringLiteral("Source.Items"));
    EXPECT_EQ(items->Item(1)->GetOwner(), items);
    EXPECT_EQ(items->Item(1)->GetNamePath(), QStringLiteral("Source.Items[1]"));
    EXPECT_EQ(items->Item(1)->GetDisplayName(), QStringLiteral("two"));
    // Without an owner's name the path is the class name.
    EXPECT_EQ(dest->GetItems()->GetNamePath(), QStringLiteral("TSampleItems"));
    TOwnedCollection loose(nullptr, ClassInfo<TCollectionItem>());
    TCollectionItem* plain = loose.Add();
    EXPECT_EQ(plain->GetNamePath(), QStringLiteral("TOwnedCollection[0]"));
    EXPECT_EQ(plain->GetDisplayName(), QStringLiteral("TCollectionItem"));

    // Items of another class are refused.
    KV_EXPECT_THROW_MSG(Create<TCollectionItem>(items), EListError,
                        "Cannot add a TCollectionItem to a collection of TSampleItem");
    EXPECT_EQ(items->Count(), 2);
    // Also when moved: the item stays where it was.
    class TForeignItem : public TCollectionItem
    {
    public:
        using TCollectionItem::TCollectionItem;
    };
    TOwnedCollection foreign(nullptr, ClassInfo<TForeignItem>());
    TCollectionItem* second = items->GetItem(1);
    EXPECT_THROW(second->SetCollection(&foreign), EListError);
    EXPECT_EQ(second->GetCollection(), items);
    EXPECT_EQ(items->Count(), 2);
    EXPECT_EQ(foreign.Count(), 0);
}

TEST(Collections, PlainList)
{
    TList list;
    TOwned<TSampleFont> a(Create<TSampleFont>());
    TOwned<TSampleFont> b(Create<TSampleFont>());
    list.Add(a.get());
    list.Insert(0, b.get());
    list.Add(a.get());
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.First(), b.get());
    EXPECT_EQ(list.IndexOf(a.get()), 1);
    EXPECT_EQ(list.Remove(a.get()), 1);
    EXPECT_EQ(list.Get(1), a.get());
    EXPECT_EQ(list.Remove(nullptr), -1);
    KV_EXPECT_THROW_MSG(list.Insert(5, a.get()), EListError, "List index out of bounds (5).  List count is 2");
    list.Clear();
    KV_EXPECT_THROW_MSG(list.First(), EListError, "List index out of bounds (0).  List count is 0");
}
