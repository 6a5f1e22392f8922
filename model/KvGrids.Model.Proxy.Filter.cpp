// The filtered item provider.
//
// Call flow: AddFilter and the other filter commands, and the source's reset and refresh,
// call PopulateItems, which walks the source's items a block at a time: each filtered field's
// cells are read once per block, filters compiled to a TKvBlockPredicate select the block at
// once, and the others evaluate row by row (TKvColumnFilter::Select, remembering results per
// distinct value within the pass). An inserted or removed source item is evaluated alone and
// the positions after it shift (SourceItemInserted, SourceItemDeleted).
#include "model/KvGrids.Model.Proxy.Filter.h"

#include <algorithm>
#include <numeric>

namespace kv {

// --- TKvColumnFilter ------------------------------------------------------------------------

TKvColumnFilter::TKvColumnFilter(const QString& Criteria) : FCriteria(Criteria)
{
    BuildExpression();
}

TKvColumnFilter::~TKvColumnFilter() = default;

void TKvColumnFilter::BuildExpression()
{
    FExprTree.reset();
    FBlock.reset();
    if (!FCriteria.trimmed().isEmpty())
        FExprTree = TKvExpressionParser::Parse(FCriteria);
    FBlock = TKvBlockPredicate::Compile(FExprTree.get());
}

bool TKvColumnFilter::Select(TKvColumnFilterExpressionRuntime* Runtime, TKvGridDataProvider* DataSource, int Row,
                             int Field)
{
    if (!FExprTree)
        return false;
    Runtime->SetData(DataSource, Row, Field);
    if (!FInPass)
        return Evaluate(Runtime);
    const Variant& value = Runtime->Value();
    if (value.IsInteger()) {
        if (const int known = FIntResults.Find(value.IntUnchecked()); known >= 0)
            return known != 0;
    } else if (const auto it = FRemembered.find(value); it != FRemembered.end()) {
        return it->second;
    }
    bool selected = false;
    try {
        selected = Evaluate(Runtime);
    } catch (const Exception&) {
        Remember(value, false);
        throw;
    }
    return Remember(value, selected);
}

bool TKvColumnFilter::Remember(const Variant& value, bool selected)
{
    // Many distinct values: remembering costs more than it saves.
    if (FIntResults.Count() + FRemembered.size() >= kMaxRemembered)
        EndPass();
    else if (value.IsInteger())
        FIntResults.Insert(value.IntUnchecked(), selected);
    else
        FRemembered.emplace(value, selected);
    return selected;
}

int TKvColumnFilter::TIntResults::Find(std::int64_t key) const
{
    if (FKeys.empty())
        return -1;
    const size_t mask = FKeys.size() - 1;
    for (size_t i = Slot(key, mask);; i = (i + 1) & mask) {
        if (FValues[i] < 0)
            return -1;
        if (FKeys[i] == key)
            return FValues[i];
    }
}

void TKvColumnFilter::TIntResults::Insert(std::int64_t key, bool value)
{
    if (FKeys.empty()) {
        FKeys.assign(2 * kMaxRemembered, 0);
        FValues.assign(2 * kMaxRemembered, -1);
    }
    const size_t mask = FKeys.size() - 1;
    size_t i = Slot(key, mask);
    while (FValues[i] >= 0 && FKeys[i] != key)
        i = (i + 1) & mask;
    if (FValues[i] < 0)
        ++FCount;
    FKeys[i] = key;
    FValues[i] = value ? 1 : 0;
}

void TKvColumnFilter::TIntResults::Clear()
{
    if (FCount > 0)
        std::fill(FValues.begin(), FValues.end(), std::int8_t(-1));
    FCount = 0;
}

bool TKvColumnFilter::Evaluate(TKvColumnFilterExpressionRuntime* Runtime)
{
    Variant result;
    if (!FExprTree->EvaluateOrdered(Runtime, result))
        return false;
    if (result.IsBoolean())
        return result.BoolUnchecked();
    bool selected = false;
    return result.TryToBoolean(selected) && selected;
}

void TKvColumnFilter::BeginPass()
{
    FIntResults.Clear();
    FRemembered.clear();
    FInPass = true;
}

void TKvColumnFilter::EndPass()
{
    FInPass = false;
    FIntResults.Clear();
    FRemembered.clear();
}

// --- TKvGridFilteredItemProvider ------------------------------------------------------------

void TKvGridFilteredItemProvider::Initialize()
{
    FRuntime = std::make_unique<TKvColumnFilterExpressionRuntime>();
    TKvGridProxyItemProvider::Initialize();
}

TKvGridFilteredItemProvider::~TKvGridFilteredItemProvider() = default;

TKvColumnFilter* TKvGridFilteredItemProvider::AddFilter(int Field, const QString& Criteria)
{
    // Parsed before anything is stored: a text that does not parse leaves no empty list behind.
    auto filter = std::make_unique<TKvColumnFilter>(Criteria);
    TKvColumnFilter* result = filter.get();
    FFilters[Field].push_back(std::move(filter));
    ApplyFilters(true);
    return result;
}

void TKvGridFilteredItemProvider::RemoveFilter(int Field, TKvColumnFilter* Filter)
{
    if (!FFiltered)
        return;
    const auto it = FFilters.find(Field);
    if (it == FFilters.end())
        return;
    TFilterList& list = it->second;
    const auto f = std::find_if(list.begin(), list.end(), [Filter](const auto& p) { return p.get() == Filter; });
    if (f == list.end())
        return;
    list.erase(f);
    if (list.empty())
        FFilters.erase(it);
    ApplyFilters(true);
}

void TKvGridFilteredItemProvider::ClearFilters(int Field)
{
    if (!FFiltered)
        return;
    const auto it = FFilters.find(Field);
    if (it == FFilters.end() || it->second.empty())
        return;
    FFilters.erase(it);
    ApplyFilters(true);
}

void TKvGridFilteredItemProvider::ClearAllFilters()
{
    if (!FFiltered)
        return;
    FFilters.clear();
    ApplyFilters(true);
}

bool TKvGridFilteredItemProvider::HasFilter(int Field) const
{
    const auto it = FFilters.find(Field);
    return it != FFilters.end() && !it->second.empty();
}

std::vector<TKvColumnFilter*> TKvGridFilteredItemProvider::GetFilters(int Field) const
{
    std::vector<TKvColumnFilter*> out;
    const auto it = FFilters.find(Field);
    if (it != FFilters.end())
        for (const auto& f : it->second)
            out.push_back(f.get());
    return out;
}

void TKvGridFilteredItemProvider::EndUpdate(bool Apply)
{
    if (!FUpdateLock)
        return;
    FUpdateLock = false;
    if (Apply)
        ApplyFilters(true);
}

void TKvGridFilteredItemProvider::ApplyFilters(bool Refresh)
{
    if (FUpdateLock)
        return;
    FFiltered = !FFilters.empty();
    PopulateItems();
    if (Refresh)
        FireRefresh();
}

int TKvGridFilteredItemProvider::GetFixedCount() const
{
    const int fixed = TKvGridProxyItemProvider::GetFixedCount();
    if (!FFiltered)
        return fixed;
    // The passing items are listed in source order, the fixed ones first.
    return static_cast<int>(std::lower_bound(FItems.begin(), FItems.end(), fixed) - FItems.begin());
}

int TKvGridFilteredItemProvider::GetItemCount() const
{
    if (FFiltered)
        return static_cast<int>(FItems.size());
    return FSource ? FSource->GetItemCount() : 0;
}

TKvGridItem* TKvGridFilteredItemProvider::GetItem(int Index) const
{
    if (FFiltered) {
        if (Index < 0 || Index >= static_cast<int>(FItems.size()))
            RaiseListIndexError(Index, static_cast<qsizetype>(FItems.size()));
        return FSource->GetItem(FItems[static_cast<size_t>(Index)]);
    }
    if (!FSource)
        RaiseListIndexError(Index, 0);
    return FSource->GetItem(Index);
}

void TKvGridFilteredItemProvider::GetDataRows(int First, int Count, int* Rows) const
{
    if (Count == 0)
        return;
    if (First < 0 || Count < 0 || First + Count > GetItemCount())
        RaiseListIndexError(First + Count - 1, GetItemCount());
    if (!FFiltered) {
        FSource->GetDataRows(First, Count, Rows);
        return;
    }
    // Runs of consecutive source items are read together.
    for (int i = 0; i < Count;) {
        const int from = FItems[static_cast<size_t>(First + i)];
        int n = 1;
        while (i + n < Count && FItems[static_cast<size_t>(First + i + n)] == from + n)
            ++n;
        FSource->GetDataRows(from, n, Rows + i);
        i += n;
    }
}

int TKvGridFilteredItemProvider::IndexOfSource(int SourceIndex) const
{
    if (!FFiltered)
        return SourceIndex;
    const auto it = std::lower_bound(FItems.begin(), FItems.end(), SourceIndex);
    if (it == FItems.end() || *it != SourceIndex)
        return -1;
    return static_cast<int>(it - FItems.begin());
}

int TKvGridFilteredItemProvider::ItemOfData(int DataRow) const
{
    if (!FSource)
        return -1;
    const int s = FSource->ItemOfData(DataRow);
    if (!FFiltered || s < 0)
        return s;
    return IndexOfSource(s);
}

void TKvGridFilteredItemProvider::SetFixed(int Count, bool FixedSorting, bool FixedFiltering)
{
    const bool changed = FixedFiltering != FFixedFiltering;
    FFixedFiltering = FixedFiltering;
    TKvGridProxyItemProvider::SetFixed(Count, FixedSorting, FixedFiltering);
    // The source may see no change of its own; the passing items still follow the new rule.
    if (changed && FFiltered) {
        PopulateItems();
        FireRefresh();
    }
}

void TKvGridFilteredItemProvider::ClearItems() { FItems.clear(); }

std::vector<TKvGridFilteredItemProvider::TFilterList*> TKvGridFilteredItemProvider::FilterTable() const
{
    TKvGridDataProvider* data = GetDataSource();
    const int fieldCount = data ? data->GetFieldCount() : 0;
    std::vector<TFilterList*> table(static_cast<size_t>(std::max(fieldCount, 0)), nullptr);
    for (const auto& [field, list] : FFilters)
        if (field >= 0 && field < fieldCount)
            table[static_cast<size_t>(field)] = const_cast<TFilterList*>(&list);
    return table;
}

bool TKvGridFilteredItemProvider::Passes(int SourceIndex, const std::vector<TFilterList*>& table, int fixed,
                                         TKvGridDataProvider* data)
{
    if (fixed > 0 && !FFixedFiltering && SourceIndex < fixed)
        return true;
    int row = -1;
    FSource->GetDataRows(SourceIndex, 1, &row);
    for (size_t field = 0; field < table.size(); ++field) {
        TFilterList* list = table[field];
        if (!list)
            continue;
        bool selected = false;
        for (const auto& filter : *list) {
            try {
                selected = filter->Select(FRuntime.get(), data, row, static_cast<int>(field));
            } catch (const Exception&) {
                selected = false; // an expression that fails on this row does not select it
            }
            if (selected)
                break;
        }
        if (!selected)
            return false;
    }
    return true;
}

void TKvGridFilteredItemProvider::PopulateItems()
{
    ClearItems();
    TKvGridDataProvider* data = GetDataSource();
    if (!data || !FFiltered || !FSource || data->GetFieldCount() == 0)
        return;
    const int count = FSource->GetItemCount();
    if (count == 0)
        return;
    const std::vector<TFilterList*> table = FilterTable();
    const int fixed = FFixedFiltering ? 0 : FSource->GetFixedCount();
    const int rowCount = data->GetRowCount();
    // Filled without a branch per item, then cut to the passing ones.
    FItems.resize(static_cast<size_t>(count));
    int* out = FItems.data();
    size_t kept = 0;
    // Results are remembered for this pass only, however it ends.
    struct TPass
    {
        const std::vector<TFilterList*>& Table;
        explicit TPass(const std::vector<TFilterList*>& table) : Table(table) { Each(&TKvColumnFilter::BeginPass); }
        ~TPass() { Each(&TKvColumnFilter::EndPass); }
        void Each(void (TKvColumnFilter::*step)()) const
        {
            for (TFilterList* list : Table)
                if (list)
                    for (const auto& filter : *list)
                        (filter.get()->*step)();
        }
    } pass(table);
    // A block of items at a time: each filtered field's cells are read once per block and
    // compiled filters select the whole block; the others evaluate row by row.
    constexpr int block = TKvBlockPredicate::BlockSize;
    std::vector<int> rows(block), positions(block);
    std::iota(positions.begin(), positions.end(), 0);
    std::vector<Variant> copies;
    std::vector<std::uint8_t> passing(block), selected(block), chosen(block);
    struct TCut // the list is never left half filled
    {
        std::vector<int>& Items;
        size_t& Kept;
        ~TCut() { Items.resize(Kept); }
    } cut{FItems, kept};
    for (int first = 0; first < count; first += block) {
        const int m = std::min(block, count - first);
        FSource->GetDataRows(first, m, rows.data());
        const bool inTable = std::all_of(rows.begin(), rows.begin() + m, [&](int r) { return r >= 0 && r < rowCount; });
        std::fill(passing.begin(), passing.begin() + m, std::uint8_t(1));
        for (size_t field = 0; field < table.size(); ++field) {
            TFilterList* list = table[field];
            if (!list)
                continue;
            const int f = static_cast<int>(field);
            const Variant* cells = nullptr;
            const int* at = nullptr;
            bool unreadable = !inTable;
            std::fill(chosen.begin(), chosen.begin() + m, std::uint8_t(0));
            for (const auto& filter : *list) {
                TKvBlockPredicate* compiled = unreadable ? nullptr : filter->GetBlockPredicate();
                if (compiled && !cells) {
                    cells = data->GetKeptFieldValues(f);
                    at = rows.data();
                    if (!cells) {
                        try {
                            copies.resize(size_t(m));
                            data->GetCells(f, TKvRowIndices(rows.data(), size_t(m)), copies.data());
                            cells = copies.data();
                            at = positions.data();
                        } catch (const Exception&) {
                            unreadable = true; // each row then fails on its own
                            compiled = nullptr;
                        }
                    }
                }
                if (!compiled) {
                    for (int i = 0; i < m; ++i)
                        if (passing[size_t(i)] && !chosen[size_t(i)]) {
                            try {
                                chosen[size_t(i)] = filter->Select(FRuntime.get(), data, rows[size_t(i)], f);
                            } catch (const Exception&) {
                                // an expression that fails on this row does not select it
                            }
                        }
                    continue;
                }
                compiled->Select(cells, at, m, selected.data());
                for (int i = 0; i < m; ++i)
                    chosen[size_t(i)] |= selected[size_t(i)];
            }
            for (int i = 0; i < m; ++i)
                passing[size_t(i)] &= chosen[size_t(i)];
        }
        for (int i = 0; i < m; ++i) {
            out[kept] = first + i;
            kept += (passing[size_t(i)] | std::uint8_t(first + i < fixed)) != 0;
        }
    }
}

bool TKvGridFilteredItemProvider::SourceItemInserted(int Index)
{
    TKvGridDataProvider* data = GetDataSource();
    if (!StandsAlone() || !data || data->GetFieldCount() == 0 || Index < 0 || Index >= FSource->GetItemCount())
        return false;
    auto at = std::lower_bound(FItems.begin(), FItems.end(), Index);
    for (auto it = at; it != FItems.end(); ++it)
        ++*it;
    if (Passes(Index, FilterTable(), 0, data))
        FItems.insert(at, Index);
    return true;
}

bool TKvGridFilteredItemProvider::SourceItemDeleted(int Index)
{
    if (!StandsAlone() || Index < 0)
        return false;
    auto at = std::lower_bound(FItems.begin(), FItems.end(), Index);
    if (at != FItems.end() && *at == Index)
        at = FItems.erase(at);
    for (auto it = at; it != FItems.end(); ++it)
        --*it;
    return true;
}

bool TKvGridFilteredItemProvider::StandsAlone() const
{
    // Fixed items pass by their position, which a change before them moves.
    return FSource && (FFixedFiltering || FSource->GetFixedCount() == 0);
}

void TKvGridFilteredItemProvider::PassItemNotification(int SourceIndex, void (TKvGridItemProvider::*Fire)(int),
                                                       bool Recheck)
{
    if (!FFiltered) {
        (this->*Fire)(SourceIndex);
        return;
    }
    const int index = IndexOfSource(SourceIndex);
    if (Recheck && FSource && SourceIndex >= 0 && SourceIndex < FSource->GetItemCount()) {
        // A changed row may now pass or fail: the list follows it.
        const bool passes = Passes(SourceIndex, FilterTable(), FSource->GetFixedCount(), GetDataSource());
        if (passes != (index >= 0)) {
            PopulateItems();
            FireRefresh();
            return;
        }
    }
    if (index >= 0)
        (this->*Fire)(index);
    else
        FireRefresh();
}

void TKvGridFilteredItemProvider::Source_ItemUpdated(int Index)
{
    PassItemNotification(Index, &TKvGridItemProvider::FireItemUpdated, true);
}

void TKvGridFilteredItemProvider::Source_ItemChecked(int Index)
{
    PassItemNotification(Index, &TKvGridItemProvider::FireItemChecked, false);
}

void TKvGridFilteredItemProvider::Source_ItemStateChanged(int Index)
{
    PassItemNotification(Index, &TKvGridItemProvider::FireItemStateChanged, false);
}

} // namespace kv
