// Collections of owned items (TCollection, TCollectionItem, TOwnedCollection), the plain
// object list TList and the generic lists generics::TList<T> and generics::TObjectList<T>.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/TypInfo.h"

#include <vector>

namespace kv {

class TCollection;

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// An item of a collection. Items are made by their collection (Add, Insert) or with
// kv::Create<TItem>(collection); the constructor only stores the collection, and
// AfterConstruction adds the item to it (descendants call the inherited one first).
class TCollectionItem : public TPersistent
{
protected:
    friend class TCreateAccess;
    explicit TCollectionItem(TCollection* collection) : FPendingCollection(collection) {}

public:
    ~TCollectionItem() override;

    void AfterConstruction() override;
    // Leaves the collection while the item is still whole.
    void BeforeDestruction() override;

    TCollection* GetCollection() const { return FCollection; }
    // Moves the item to another collection (nil: out of any collection).
    void SetCollection(TCollection* value);
    int GetID() const { return FID; }
    int GetIndex() const;
    // Moves the item within its collection; out-of-range targets are clamped.
    virtual void SetIndex(int value);
    // The class name unless a descendant says better.
    virtual QString GetDisplayName() const;
    virtual void SetDisplayName(const QString& value);

    TPersistent* GetOwner() const override;
    // "<collection path>[index]".
    QString GetNamePath() const override;

protected:
    // Tells the collection (Update(this), or Update(nil) when allItems) unless it is updating.
    void Changed(bool allItems);

private:
    friend class TCollection;
    TCollection* FPendingCollection = nullptr;
    TCollection* FCollection = nullptr;
    int FID = 0;
};

class TCollection : public TPersistent
{
public:
    explicit TCollection(const TClassInfo& itemClass);
    ~TCollection() override;
    void BeforeDestruction() override;

    const TClassInfo& GetItemClass() const { return *FItemClass; }
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EListError for an index out of range.
    TCollectionItem* GetItem(int index) const;
    void SetItem(int index, TCollectionItem* value);
    TCollectionItem* FindItemID(int id) const;

    // A new item of the item class at the end.
    TCollectionItem* Add();
    // A new item at index (clamped to 0 .. Count).
    TCollectionItem* Insert(int index);
    // Frees the item at index; raises EListError for an index out of range.
    void Delete(int index);
    // Frees every item; one Update at the end.
    void Clear();

    // Updates are counted; the outermost EndUpdate calls Update(nil) once.
    virtual void BeginUpdate();
    virtual void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    // Replaces the items by copies of the source collection's items (item Assign).
    void Assign(const TPersistent* source) override;

    // "<owner path>.<property name>" when the owner publishes this collection, else the class name.
    QString GetNamePath() const override;
    // The owner's published property that holds this collection; empty when none.
    QString PropName() const;

protected:
    // The collection changed: item changed, or everything when item is nil.
    virtual void Update(TCollectionItem* item) {}
    virtual void Notify(TCollectionItem* item, TCollectionNotification action) {}
    // Update(nil) unless updating.
    void Changed();

private:
    friend class TCollectionItem;
    // Raises EListError for an item that is not of the item class.
    void CheckItemClass(const TCollectionItem* item) const;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);
    void MoveItem(TCollectionItem* item, int index);
    void FreeAllItems();

    const TClassInfo* FItemClass;
    std::vector<TCollectionItem*> FItems;
    int FUpdateCount = 0;
    int FNextID = 0;
};

// A collection that knows the object it belongs to.
class TOwnedCollection : public TCollection
{
public:
    TOwnedCollection(TPersistent* owner, const TClassInfo& itemClass) : TCollection(itemClass), FOwner(owner) {}
    TPersistent* GetOwner() const override { return FOwner; }

private:
    TPersistent* FOwner;
};

// A list of object references (not owned).
class TList : public TObject
{
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EListError for an index out of range.
    TObject* Get(int index) const;
    void Put(int index, TObject* item);
    int Add(TObject* item);
    void Insert(int index, TObject* item);
    void Delete(int index);
    // Removes the first occurrence; its former index or -1.
    int Remove(TObject* item);
    int IndexOf(const TObject* item) const;
    TObject* First() const { return Get(0); }
    void Clear() { FItems.clear(); }

private:
    std::vector<TObject*> FItems;
};

namespace generics {

// Publishes the generic list class L (Count and indexed Items of element E) under its class
// name the first time a list of that type is made.
template <typename L, typename E>
void PublishList()
{
    static const bool published = [] {
        TClassBuilder<L, TObject>(ClassNameOf(typeid(L)))
            .Property("Count", &L::Count)
            .Indexed("Items", &L::Get);
        return true;
    }();
    (void)published;
}

// A typed list of references to T (not owned).
template <typename T>
class TList : public TObject
{
    static_assert(std::is_base_of_v<TObject, T>, "lists hold TObject classes");

public:
    TList() { PublishList<TList<T>, T>(); }
    int Count() const { return static_cast<int>(FItems.size()); }
    T* Get(int index) const
    {
        if (index < 0 || index >= Count())
            RaiseListIndexError(index, Count());
        return FItems[static_cast<size_t>(index)];
    }
    int Add(T* item)
    {
        FItems.push_back(item);
        return Count() - 1;
    }
    void Delete(int index)
    {
        Get(index);
        FItems.erase(FItems.begin() + index);
    }
    void Clear() { FItems.clear(); }

protected:
    std::vector<T*> FItems;
};

// A typed list that frees its items when OwnsObjects is set (the default).
template <typename T>
class TObjectList : public TObject
{
    static_assert(std::is_base_of_v<TObject, T>, "lists hold TObject classes");

public:
    explicit TObjectList(bool ownsObjects = true) : FOwnsObjects(ownsObjects) { PublishList<TObjectList<T>, T>(); }
    ~TObjectList() override { Clear(); }
    bool OwnsObjects() const { return FOwnsObjects; }
    int Count() const { return static_cast<int>(FItems.size()); }
    T* Get(int index) const
    {
        if (index < 0 || index >= Count())
            RaiseListIndexError(index, Count());
        return FItems[static_cast<size_t>(index)];
    }
    int Add(T* item)
    {
        FItems.push_back(item);
        return Count() - 1;
    }
    void Delete(int index)
    {
        T* item = Get(index);
        FItems.erase(FItems.begin() + index);
        if (FOwnsObjects)
            FreeObject(item);
    }
    void Clear()
    {
        while (!FItems.empty())
            Delete(Count() - 1);
    }

private:
    std::vector<T*> FItems;
    bool FOwnsObjects;
};

} // namespace generics

} // namespace kv
