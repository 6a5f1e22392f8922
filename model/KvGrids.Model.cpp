#include "model/KvGrids.Model.h"

#include "model/KvGrids.Common.Types.h"

#include "platform/rtl/TypInfo.h"

#include <algorithm>
#include <numeric>

namespace kv {

// --- TKvGridItem --------------------------------------------------------------------------

TKvGridItem::TKvGridItem(TKvGridItemProvider* Provider) : FProvider(Provider)
{
    if (!Provider)
        throw Exception(QStringLiteral("Provider is null"));
}

Variant TKvGridItem::GetData(int Field) const
{
    const int row = GetDataRow();
    if (Field < 0 || row < 0)
        return Variant();
    TKvGridDataProvider* source = GetDataSource();
    return source ? source->GetData(row, Field) : Variant();
}

int TKvGridItem::GetLevel() const
{
    int level = 0;
    for (const TKvGridItem* p = GetParent(); p; p = p->FParent)
        ++level;
    return level;
}

TKvGridDataProvider* TKvGridItem::GetDataSource() const
{
    return FProvider->GetDataSource();
}

TKvGridDataRowState TKvGridItem::GetRowState() const
{
    const int row = GetDataRow();
    if (row < 0)
        return RowStateNone;
    TKvGridDataProvider* source = GetDataSource();
    return source ? source->GetRowState(row) : RowStateNone;
}

bool TKvGridItem::CanVisible() const
{
    const TKvGridGroupItem* parent = GetParent();
    return parent && parent->GetExpanded();
}

void TKvGridItem::MakeVisible()
{
    // Every collapsed group up the chain, nearest first: an expanded parent inside a
    // collapsed group does not make the item visible.
    for (TKvGridGroupItem* group = GetParent(); group; group = group->FParent)
        if (!group->GetExpanded())
            group->SetExpanded(true);
}

// --- TKvGridItemProvider ------------------------------------------------------------------

TKvGridItemProvider::~TKvGridItemProvider()
{
    FireDisposing();
    for (TKvGridParentFinder* finder : FParentFinders)
        finder->FProvider = nullptr;
}

TKvGridGroupItem* TKvGridItemProvider::FindPendingParent(const TKvGridItem* Item) const
{
    for (const TKvGridParentFinder* finder : FParentFinders)
        if (TKvGridGroupItem* parent = finder->FindParent(Item))
            return parent;
    return nullptr;
}

void TKvGridParentFinder::RegisterWith(TKvGridItemProvider* Provider)
{
    if (Provider == FProvider)
        return;
    if (FProvider) {
        auto& finders = FProvider->FParentFinders;
        finders.erase(std::remove(finders.begin(), finders.end(), this), finders.end());
    }
    FProvider = Provider;
    if (FProvider)
        FProvider->FParentFinders.push_back(this);
}

void TKvGridItemProvider::BeforeDestruction()
{
    FireDisposing();
    TObject::BeforeDestruction();
}

void TKvGridItemProvider::FireDisposing()
{
    if (FDisposed)
        return;
    FDisposed = true;
    // Listeners that let go remove themselves; the others still hear what the provider says
    // while it goes (a default provider's closing reset).
    FListeners.Notify([](TKvGridItemChangeListener* l) { l->Disposing(); });
}

void TKvGridItemProvider::AddListener(TKvGridItemChangeListener* Listener)
{
    if (!Listener)
        throw EArgumentNilException(QStringLiteral("listener"));
    FListeners.Add(Listener);
}

void TKvGridItemProvider::RemoveListener(TKvGridItemChangeListener* Listener)
{
    FListeners.Remove(Listener);
}

void TKvGridItemProvider::GetDataRows(int First, int Count, int* Rows) const
{
    for (int i = 0; i < Count; ++i)
        Rows[i] = GetItem(First + i)->GetDataRow();
}

void TKvGridItemProvider::ApplyOrder(int First, const std::vector<int>& Order)
{
    const auto n = static_cast<int>(Order.size());
    // where[k]: current offset of the item that started at offset k; at[p]: the original
    // offset of the item now at p. One exchange per element of every cycle but one.
    std::vector<int> where(static_cast<size_t>(n)), at(static_cast<size_t>(n));
    std::iota(where.begin(), where.end(), 0);
    std::iota(at.begin(), at.end(), 0);
    for (int i = 0; i < n; ++i) {
        const int want = Order[static_cast<size_t>(i)];
        const int from = where[static_cast<size_t>(want)];
        if (from == i)
            continue;
        Exchange(First + i, First + from);
        const int displaced = at[static_cast<size_t>(i)];
        at[static_cast<size_t>(i)] = want;
        at[static_cast<size_t>(from)] = displaced;
        where[static_cast<size_t>(want)] = i;
        where[static_cast<size_t>(displaced)] = from;
    }
}

Variant TKvGridItemProvider::GetData(int Index, int Field) const
{
    TKvGridDataProvider* source = GetDataSource();
    KV_ASSERT(source, "DataSource is nil");
    // Group headers and footers are no data rows: they hold no values.
    const int row = DataRowOf(Index);
    return row < 0 ? Variant() : source->GetData(row, Field);
}

void TKvGridItemProvider::SetData(int Index, int Field, const Variant& Value)
{
    TKvGridDataProvider* source = GetDataSource();
    KV_ASSERT(source, "DataSource is nil");
    source->SetData(DataRowOf(Index), Field, Value);
}

void TKvGridItemProvider::CheckItem(int Index, bool Checked)
{
    TKvGridItem* item = GetItem(Index);
    if (!item)
        throw EArgumentNilException(QStringLiteral("item is nil"));
    if (item->FChecked == Checked)
        return;
    item->FChecked = Checked;
    FireItemChecked(Index);
}

void TKvGridItemProvider::ResetItemsChecked(int Field, bool Refresh)
{
    TKvGridDataProvider* source = GetDataSource();
    if (!source || Field < 0 || Field >= source->GetFieldCount())
        return;
    const int count = GetItemCount();
    for (int i = 0; i < count; ++i) {
        const int row = DataRowOf(i);
        if (row < 0)
            continue;
        CheckItem(i, source->GetData(row, Field).IsTrue());
    }
    if (Refresh)
        FireRefresh();
}

int TKvGridItemProvider::FindDataItem(const TKvIntegerArray& Fields, const TVariantArray& Values,
                                       TKvGridSearchOptions Options, int StartIndex, int EndIndex) const
{
    TKvGridDataProvider* data = GetDataSource();
    const int count = GetItemCount();
    if (!data || Fields.empty())
        return -1;
    const size_t n = std::min(Fields.size(), Values.size());
    const bool caseSensitive = Options.Contains(SearchCaseSensitive);
    const bool partial = Options.Contains(SearchPartialMatch);
    QStringList searched;
    for (size_t k = 0; k < n; ++k)
        searched.append(caseSensitive ? Values[k].ToString() : Values[k].ToString().toLower());
    const int last = EndIndex < 0 || EndIndex >= count ? count - 1 : EndIndex;
    for (int i = std::max(StartIndex, 0); i <= last; ++i) {
        const int row = DataRowOf(i);
        if (row < 0)
            continue;
        bool match = true;
        for (size_t k = 0; k < n && match; ++k) {
            const int field = Fields[k];
            if (field < 0 || field >= data->GetFieldCount()) {
                match = false;
                break;
            }
            QString text = data->GetData(row, field).ToString();
            if (!caseSensitive)
                text = text.toLower();
            match = partial ? text.contains(searched[static_cast<qsizetype>(k)])
                            : text == searched[static_cast<qsizetype>(k)];
        }
        if (match)
            return i;
    }
    return -1;
}

void TKvGridItemProvider::FireReset()
{
    FListeners.Notify([](TKvGridItemChangeListener* l) { l->Reset(); });
}

void TKvGridItemProvider::FireRefresh()
{
    FListeners.Notify([](TKvGridItemChangeListener* l) { l->Refresh(); });
}

void TKvGridItemProvider::FireItemInserted(int Index)
{
    FListeners.Notify([Index](TKvGridItemChangeListener* l) { l->ItemInserted(Index); });
}

void TKvGridItemProvider::FireItemDeleted(int Index)
{
    FListeners.Notify([Index](TKvGridItemChangeListener* l) { l->ItemDeleted(Index); });
}

void TKvGridItemProvider::FireItemUpdated(int Index)
{
    FListeners.Notify([Index](TKvGridItemChangeListener* l) { l->ItemUpdated(Index); });
}

void TKvGridItemProvider::FireItemChecked(int Index)
{
    FListeners.Notify([Index](TKvGridItemChangeListener* l) { l->ItemChecked(Index); });
}

void TKvGridItemProvider::FireItemStateChanged(int Index)
{
    FListeners.Notify([Index](TKvGridItemChangeListener* l) { l->ItemStateChanged(Index); });
}

void TKvGridItemConsumer::SetParentComponent(TComponent* parent)
{
    if (parent && parent != GetOwner())
        parent->InsertComponent(this);
}

KV_PUBLISH(TKvGridItemConsumer, TComponent);
// Form designers register it by name.
KV_PUBLISH(TKvGridTypeConsumer, TComponent);

} // namespace kv
