#include "platform/rtl/Collections.h"

#include "platform/rtl/ScopeGuard.h"

#include <algorithm>

namespace kv {

// --- TCollectionItem ----------------------------------------------------------------------

TCollectionItem::~TCollectionItem()
{
    // Reached without BeforeDestruction only by a plain delete: leave quietly.
    if (FCollection) {
        auto& items = FCollection->FItems;
        items.erase(std::remove(items.begin(), items.end(), this), items.end());
        FCollection = nullptr;
    }
}

void TCollectionItem::AfterConstruction()
{
    TPersistent::AfterConstruction();
    TCollection* collection = FPendingCollection;
    FPendingCollection = nullptr;
    if (collection)
        SetCollection(collection);
}

void TCollectionItem::BeforeDestruction()
{
    TPersistent::BeforeDestruction();
    SetCollection(nullptr);
}

void TCollectionItem::SetCollection(TCollection* value)
{
    if (value == FCollection)
        return;
    // Refused before leaving the old collection, so that the item is not lost.
    if (value)
        value->CheckItemClass(this);
    if (FCollection)
        FCollection->RemoveItem(this);
    if (value)
        value->InsertItem(this);
}

int TCollectionItem::GetIndex() const
{
    if (!FCollection)
        return -1;
    const auto& items = FCollection->FItems;
    const auto it = std::find(items.begin(), items.end(), this);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int value)
{
    const int current = GetIndex();
    if (current < 0 || value == current)
        return;
    FCollection->MoveItem(this, value);
    Changed(true);
}

QString TCollectionItem::GetDisplayName() const
{
    return ClassName();
}

void TCollectionItem::SetDisplayName(const QString&)
{
    Changed(false);
}

TPersistent* TCollectionItem::GetOwner() const
{
    return FCollection;
}

QString TCollectionItem::GetNamePath() const
{
    if (!FCollection)
        return ClassName();
    return QStringLiteral("%1[%2]").arg(FCollection->GetNamePath()).arg(GetIndex());
}

void TCollectionItem::Changed(bool allItems)
{
    if (FCollection && FCollection->FUpdateCount == 0)
        FCollection->Update(allItems ? nullptr : this);
}

// --- TCollection --------------------------------------------------------------------------

TCollection::TCollection(const TClassInfo& itemClass) : FItemClass(&itemClass) {}

TCollection::~TCollection()
{
    // Only items left by a plain delete of the collection remain here.
    while (!FItems.empty()) {
        TCollectionItem* item = FItems.back();
        FItems.pop_back();
        item->FCollection = nullptr;
        item->Free();
    }
}

void TCollection::BeforeDestruction()
{
    TPersistent::BeforeDestruction();
    FreeAllItems();
}

void TCollection::FreeAllItems()
{
    FUpdateCount = 1;
    while (!FItems.empty())
        FItems.back()->Free();
}

TCollectionItem* TCollection::GetItem(int index) const
{
    if (index < 0 || index >= Count())
        RaiseListIndexError(index, Count());
    return FItems[static_cast<size_t>(index)];
}

void TCollection::SetItem(int index, TCollectionItem* value)
{
    GetItem(index)->Assign(value);
}

TCollectionItem* TCollection::FindItemID(int id) const
{
    for (TCollectionItem* item : FItems)
        if (item->FID == id)
            return item;
    return nullptr;
}

TCollectionItem* TCollection::Add()
{
    TCollectionItem* item = FItemClass->CreateItem(this);
    if (item->FCollection != this) {
        // A descendant's AfterConstruction did not call the inherited one.
        item->SetCollection(this);
    }
    return item;
}

TCollectionItem* TCollection::Insert(int index)
{
    TCollectionItem* item = Add();
    item->SetIndex(std::clamp(index, 0, Count() - 1));
    return item;
}

void TCollection::Delete(int index)
{
    TCollectionItem* item = GetItem(index);
    Notify(item, cnDeleting);
    item->Free();
}

void TCollection::Clear()
{
    if (FItems.empty())
        return;
    BeginUpdate();
    {
        TScopeExit endUpdate([&] { EndUpdate(); });
        while (!FItems.empty())
            FItems.back()->Free();
    }
}

void TCollection::BeginUpdate()
{
    ++FUpdateCount;
}

void TCollection::EndUpdate()
{
    if (FUpdateCount > 0)
        --FUpdateCount;
    Changed();
}

void TCollection::Changed()
{
    if (FUpdateCount == 0)
        Update(nullptr);
}

void TCollection::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TCollection*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this)
        return;
    BeginUpdate();
    {
        TScopeExit endUpdate([&] { EndUpdate(); });
        Clear();
        for (TCollectionItem* item : other->FItems)
            Add()->Assign(item);
    }
}

QString TCollection::PropName() const
{
    const TPersistent* owner = GetOwner();
    const TClassInfo* info = GetClassInfo(owner);
    if (!info)
        return QString();
    for (const TPropInfo* prop : info->Properties())
        if (prop->Kind == pkCollection && !prop->Indexed && prop->GetObject(owner) == this)
            return prop->Name;
    return QString();
}

QString TCollection::GetNamePath() const
{
    const QString className = ClassName();
    const TPersistent* owner = GetOwner();
    if (!owner)
        return className;
    const QString ownerPath = owner->GetNamePath();
    if (ownerPath.isEmpty())
        return className;
    const QString prop = PropName();
    if (prop.isEmpty())
        return className;
    return ownerPath + QLatin1Char('.') + prop;
}

void TCollection::CheckItemClass(const TCollectionItem* item) const
{
    if (!FItemClass->IsInstance(item))
        throw EListError(QStringLiteral("Cannot add a %1 to a collection of %2").arg(item->ClassName(), FItemClass->Name()));
}

void TCollection::InsertItem(TCollectionItem* item)
{
    CheckItemClass(item);
    FItems.push_back(item);
    item->FCollection = this;
    item->FID = FNextID++;
    Notify(item, cnAdded);
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* item)
{
    Notify(item, cnExtracting);
    FItems.erase(std::remove(FItems.begin(), FItems.end(), item), FItems.end());
    item->FCollection = nullptr;
    Changed();
}

void TCollection::MoveItem(TCollectionItem* item, int index)
{
    const auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it == FItems.end())
        return;
    FItems.erase(it);
    index = std::clamp(index, 0, Count());
    FItems.insert(FItems.begin() + index, item);
}

// --- TList --------------------------------------------------------------------------------

TObject* TList::Get(int index) const
{
    if (index < 0 || index >= Count())
        RaiseListIndexError(index, Count());
    return FItems[static_cast<size_t>(index)];
}

void TList::Put(int index, TObject* item)
{
    Get(index);
    FItems[static_cast<size_t>(index)] = item;
}

int TList::Add(TObject* item)
{
    FItems.push_back(item);
    return Count() - 1;
}

void TList::Insert(int index, TObject* item)
{
    if (index < 0 || index > Count())
        RaiseListIndexError(index, Count());
    FItems.insert(FItems.begin() + index, item);
}

void TList::Delete(int index)
{
    Get(index);
    FItems.erase(FItems.begin() + index);
}

int TList::Remove(TObject* item)
{
    const int index = IndexOf(item);
    if (index >= 0)
        Delete(index);
    return index;
}

int TList::IndexOf(const TObject* item) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

KV_PUBLISH(TCollectionItem, TPersistent);
KV_PUBLISH(TCollection, TPersistent);
KV_PUBLISH(TOwnedCollection, TCollection);
KV_PUBLISH(TList, TObject)
    .Property("Count", &TList::Count)
    .Indexed("Items", &TList::Get);

} // namespace kv
