#include "model/KvGrids.Model.Proxy.h"

namespace kv {

class TKvGridProxyItemProvider::TSourceListener : public TKvGridItemChangeListener
{
public:
    explicit TSourceListener(TKvGridProxyItemProvider* Owner) : FOwner(Owner) {}
    void Reset() override { FOwner->Source_Reset(); }
    void Refresh() override { FOwner->Source_Refresh(); }
    void ItemInserted(int Index) override { FOwner->Source_ItemInserted(Index); }
    void ItemDeleted(int Index) override { FOwner->Source_ItemDeleted(Index); }
    void ItemUpdated(int Index) override { FOwner->Source_ItemUpdated(Index); }
    void ItemChecked(int Index) override { FOwner->Source_ItemChecked(Index); }
    void ItemStateChanged(int Index) override { FOwner->Source_ItemStateChanged(Index); }
    void Disposing() override
    {
        // Lets go: the reset the going source may still send is not for the proxy.
        if (FOwner->FSource)
            FOwner->FSource->RemoveListener(this);
        FOwner->Source_Disposing();
    }

private:
    TKvGridProxyItemProvider* FOwner;
};

void TKvGridProxyItemProvider::AfterConstruction()
{
    TKvGridItemProvider::AfterConstruction();
    Initialize();
    SetSource(FInitialSource);
    FInitialSource = nullptr;
}

void TKvGridProxyItemProvider::Initialize()
{
    FSourceChangeListener.reset(Create<TSourceListener>(this));
}

void TKvGridProxyItemProvider::BeforeDestruction()
{
    SetSource(nullptr);
    TKvGridItemProvider::BeforeDestruction();
}

TKvGridProxyItemProvider::~TKvGridProxyItemProvider()
{
    // Deleted without Free: at least stop hearing the source.
    if (FSource && FSourceChangeListener)
        FSource->RemoveListener(FSourceChangeListener.get());
}

void TKvGridProxyItemProvider::SetSource(TKvGridItemProvider* Source)
{
    if (Source == FSource)
        return;
    KV_ASSERT(FSourceChangeListener, "proxy item provider is not initialized");
    for (TKvGridItemProvider* p = Source; p; p = SourceOf(p))
        if (p == this)
            throw EArgumentException(QStringLiteral("An item provider cannot be its own source"));
    if (FSource)
        FSource->RemoveListener(FSourceChangeListener.get());
    ClearItems();
    FSource = Source;
    if (FSource) {
        PopulateItems();
        FSource->AddListener(FSourceChangeListener.get());
    }
}

TKvGridItemProvider* TKvGridProxyItemProvider::SourceOf(const TKvGridItemProvider* Provider)
{
    const auto* proxy = dynamic_cast<const TKvGridProxyItemProvider*>(Provider);
    return proxy ? proxy->FSource : nullptr;
}

TKvGridDataProvider* TKvGridProxyItemProvider::GetDataSource() const
{
    return FSource ? FSource->GetDataSource() : nullptr;
}

int TKvGridProxyItemProvider::GetFixedCount() const { return FSource ? FSource->GetFixedCount() : 0; }

int TKvGridProxyItemProvider::GetMaxItemCount() const { return FSource ? FSource->GetMaxItemCount() : 0; }

void TKvGridProxyItemProvider::SetMaxItemCount(int Value)
{
    if (FSource)
        FSource->SetMaxItemCount(Value);
}

int TKvGridProxyItemProvider::GetRowCount() const { return FSource ? FSource->GetRowCount() : 0; }

void TKvGridProxyItemProvider::ResetItems()
{
    if (FSource)
        FSource->ResetItems();
}

void TKvGridProxyItemProvider::SetFixed(int Count, bool FixedSorting, bool FixedFiltering)
{
    if (FSource)
        FSource->SetFixed(Count, FixedSorting, FixedFiltering);
}

void TKvGridProxyItemProvider::ResetItemsChecked(int Field, bool Refresh)
{
    if (FSource)
        FSource->ResetItemsChecked(Field, Refresh);
}

int TKvGridProxyItemProvider::ItemOfData(int DataRow) const { RaiseAbstractError("ItemOfData"); }

void TKvGridProxyItemProvider::Exchange(int Index1, int Index2) { RaiseAbstractError("Exchange"); }

void TKvGridProxyItemProvider::Source_Reset()
{
    PopulateItems();
    FireReset();
}

void TKvGridProxyItemProvider::Source_Refresh()
{
    PopulateItems();
    FireRefresh();
}

void TKvGridProxyItemProvider::Source_Disposing()
{
    ClearItems();
    FSource = nullptr;
    FireReset();
}

void TKvGridProxyItemProvider::SourceRowChanged(int Index, bool (TKvGridProxyItemProvider::*Follow)(int),
                                                void (TKvGridItemProvider::*Pass)(int))
{
    if (!GetTransforming()) {
        (this->*Pass)(Index);
        return;
    }
    if (!(this->*Follow)(Index))
        PopulateItems();
    FireRefresh();
}

void TKvGridProxyItemProvider::Source_ItemInserted(int Index)
{
    SourceRowChanged(Index, &TKvGridProxyItemProvider::SourceItemInserted, &TKvGridItemProvider::FireItemInserted);
}

void TKvGridProxyItemProvider::Source_ItemDeleted(int Index)
{
    SourceRowChanged(Index, &TKvGridProxyItemProvider::SourceItemDeleted, &TKvGridItemProvider::FireItemDeleted);
}
void TKvGridProxyItemProvider::Source_ItemUpdated(int Index) { FireItemUpdated(Index); }
void TKvGridProxyItemProvider::Source_ItemChecked(int Index) { FireItemChecked(Index); }
void TKvGridProxyItemProvider::Source_ItemStateChanged(int Index) { FireItemStateChanged(Index); }

int TKvGridProxyItemProvider::FindItem(const TKvIntegerArray& Fields, const TVariantArray& Values, TKvGridSearchOptions Options,
                                       int StartIndex, int EndIndex) const
{
    return FindDataItem(Fields, Values, Options, StartIndex, EndIndex);
}

} // namespace kv
