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

protected:
    // Creates the parts of the provider; descendants create theirs and call the inherited one.
    virtual void Initialize();
    // Each re-fires the same notification with the same index.
    virtual void Source_Reset();
    virtual void Source_Refresh();
    virtual void Source_ItemInserted(int Index);
    virtual void Source_ItemDeleted(int Index);
    virtual void Source_ItemUpdated(int Index);
    virtual void Source_ItemChecked(int Index);
    virtual void Source_ItemStateChanged(int Index);
    virtual void ClearItems() = 0;
    virtual void PopulateItems() = 0;

    TKvGridItemProvider* FSource = nullptr;

private:
    class TSourceListener;

    TOwned<TKvGridItemChangeListener> FSourceChangeListener;
    TKvGridItemProvider* FInitialSource;
};

} // namespace kv
