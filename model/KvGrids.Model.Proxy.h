// The base of the item providers that wrap a source item provider and show a
// transformed view of its items.
#pragma once

#include "model/KvGrids.Model.h"

namespace kv {

// Made with kv::Create<T>(Source) (or MakeOwned): creation runs Initialize and then
// SetSource; Free runs SetSource(nullptr) while the whole object is alive.
class TKvGridProxyItemProvider : public TKvGridItemProvider
{
protected:
    friend class TCreateAccess;
    explicit TKvGridProxyItemProvider(TKvGridItemProvider* Source) : FInitialSource(Source) {}

public:
    ~TKvGridProxyItemProvider() override;
    void AfterConstruction() override;
    void BeforeDestruction() override;

    TKvGridItemProvider* GetSource() const { return FSource; }
    // Moves the source listener, clears and repopulates; sends nothing. A source whose chain
    // leads back to this provider raises EArgumentException.
    void SetSource(TKvGridItemProvider* Source);
    // The source of a proxy, or nil for any other provider.
    static TKvGridItemProvider* SourceOf(const TKvGridItemProvider* Provider);

    TKvGridDataProvider* GetDataSource() const override;
    int GetFixedCount() const override;
    int GetMaxItemCount() const override;
    void SetMaxItemCount(int Value) override;
    int GetRowCount() const override;
    void ResetItems() override;
    void SetFixed(int Count, bool FixedSorting, bool FixedFiltering) override;
    void ResetItemsChecked(int Field, bool Refresh) override;
    // Not defined on the proxies unless a descendant supplies them.
    int ItemOfData(int DataRow) const override;
    void Exchange(int Index1, int Index2) override;
    // Finds by data values among this provider's items (TKvGridItemProvider::FindDataItem).
    int FindItem(const TKvIntegerArray& Fields, const TVariantArray& Values, TKvGridSearchOptions Options,
                 int StartIndex, int EndIndex) const override;
    using TKvGridItemProvider::FindItem;
    // The source's items (a proxy makes none of its own).
    bool VisitMadeItems(const std::function<void(TKvGridItem*)>& Visit) const override
    {
        return FSource && FSource->VisitMadeItems(Visit);
    }
    // The list emptied, or found again from the source; neither sends a notification.
    virtual void ClearItems() = 0;
    virtual void PopulateItems() = 0;

protected:
    // Creates the parts of the provider; descendants create theirs and call the inherited one.
    virtual void Initialize();
    // Reset and refresh repopulate and pass the notification on. An inserted or deleted
    // source item passes on as it is unless the provider is transforming; then the row hook
    // below updates the list for that item (or it is repopulated) and a refresh follows.
    // The others re-fire the same notification with the same index.
    virtual void Source_Reset();
    virtual void Source_Refresh();
    virtual void Source_ItemInserted(int Index);
    virtual void Source_ItemDeleted(int Index);
    virtual void Source_ItemUpdated(int Index);
    virtual void Source_ItemChecked(int Index);
    virtual void Source_ItemStateChanged(int Index);
    // The source is being freed: the list empties and the listeners hear a reset.
    virtual void Source_Disposing();
    // True while the list is not the source's (filters or groups are in force).
    virtual bool GetTransforming() const { return false; }
    // The source item now at Index was inserted, or the one that was at Index deleted: the
    // list follows that one item and answers true, or answers false to be repopulated.
    virtual bool SourceItemInserted(int Index) { return false; }
    virtual bool SourceItemDeleted(int Index) { return false; }

    TKvGridItemProvider* FSource = nullptr;

private:
    class TSourceListener;

    void SourceRowChanged(int Index, bool (TKvGridProxyItemProvider::*Follow)(int),
                          void (TKvGridItemProvider::*Pass)(int));

    TOwned<TKvGridItemChangeListener> FSourceChangeListener;
    TKvGridItemProvider* FInitialSource;
};

} // namespace kv
