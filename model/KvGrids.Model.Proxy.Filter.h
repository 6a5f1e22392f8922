// The filtered item provider: keeps the source items whose data rows pass the column filters.
// Filters of one field combine with "or", different fields with "and".
#pragma once

#include "model/KvGrids.Model.Proxy.h"
#include "model/KvGrids.Runtime.h"

#include <map>
#include <unordered_map>

namespace kv {

// One filter expression of a column.
class TKvColumnFilter : public TObject
{
public:
    // Raises TKvSyntaxError (or EConvertError for a bad number) when the text does not parse.
    explicit TKvColumnFilter(const QString& Criteria);
    ~TKvColumnFilter() override;

    const QString& GetCriteria() const { return FCriteria; }
    TKvExpressionTree* GetExprTree() const { return FExprTree.get(); }
    // The expression compiled for blocks of cells, or nil when it is not of that simple form.
    TKvBlockPredicate* GetBlockPredicate() const { return FBlock.get(); }
    // False without a tree (blank text); else the expression's value as a Boolean, false
    // when it does not convert or a comparison met values without an order. Other failures
    // of the expression raise.
    bool Select(TKvColumnFilterExpressionRuntime* Runtime, TKvGridDataProvider* DataSource, int Row, int Field);

    // Within one pass over the rows the column's aggregates stand still, so the result depends
    // on the cell value alone: Select then remembers it per distinct value (up to a bound).
    void BeginPass();
    void EndPass();

private:
    void BuildExpression();
    bool Evaluate(TKvColumnFilterExpressionRuntime* Runtime);

    struct TIdentical
    {
        bool operator()(const Variant& a, const Variant& b) const noexcept { return a == b; }
    };
    // Results for integer cells: a flat open-addressing table (the common case, and the
    // cheapest to look up).
    class TIntResults
    {
    public:
        // -1 when unknown.
        int Find(std::int64_t key) const;
        void Insert(std::int64_t key, bool value);
        size_t Count() const { return FCount; }
        void Clear();

    private:
        static size_t Slot(std::int64_t key, size_t mask)
        {
            return static_cast<size_t>((static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ull) >> 32) & mask;
        }
        std::vector<std::int64_t> FKeys;
        std::vector<std::int8_t> FValues;
        size_t FCount = 0;
    };
    static constexpr size_t kMaxRemembered = 4096;

    bool Remember(const Variant& value, bool selected);

    QString FCriteria;
    std::unique_ptr<TKvExpressionTree> FExprTree;
    std::unique_ptr<TKvBlockPredicate> FBlock;
    bool FInPass = false;
    TIntResults FIntResults;
    std::unordered_map<Variant, bool, TVariantKeyHash, TIdentical> FRemembered;
};

class TKvGridFilteredItemProvider : public TKvGridProxyItemProvider
{
public:
    using TKvGridProxyItemProvider::TKvGridProxyItemProvider;
    ~TKvGridFilteredItemProvider() override;

    // Stores the filter (only when its text parses) and applies the filters.
    TKvColumnFilter* AddFilter(int Field, const QString& Criteria);
    void RemoveFilter(int Field, TKvColumnFilter* Filter);
    void ClearFilters(int Field);
    void ClearAllFilters();
    bool HasFilter(int Field) const;
    // The field's filters in order (empty when none).
    std::vector<TKvColumnFilter*> GetFilters(int Field) const;

    // A flag, not a counter.
    void BeginUpdate() { FUpdateLock = true; }
    void EndUpdate(bool Apply);
    void ApplyFilters(bool Refresh);

    bool GetFiltered() const { return FFiltered; }
    bool GetFixedFiltering() const { return FFixedFiltering; }
    TKvColumnFilterExpressionRuntime* GetRuntime() const { return FRuntime.get(); }

    int GetItemCount() const override;
    // The fixed items that passed (all of them when fixed items are exempt from filtering).
    int GetFixedCount() const override;
    TKvGridItem* GetItem(int Index) const override;
    // The data rows of the passing items, without asking for the items.
    void GetDataRows(int First, int Count, int* Rows) const override;
    // The source's runs while every item passes (the same items at the same places).
    const TKvGridValueRuns* GetValueRuns() const override
    {
        return FFiltered || !FSource ? nullptr : FSource->GetValueRuns();
    }
    int ItemOfData(int DataRow) const override;
    void SetFixed(int Count, bool FixedSorting, bool FixedFiltering) override;
    // The position of a source item index among the passing items, or -1.
    int IndexOfSource(int SourceIndex) const;

    // The passing items emptied, or found again; neither sends a notification.
    void ClearItems() override;
    void PopulateItems() override;
    // The passing items as they are now, and put back when a change of the chain fails.
    const std::vector<int>& GetPassingItems() const { return FItems; }
    void RestorePassingItems(std::vector<int> Items) { FItems = std::move(Items); }

protected:
    void Initialize() override;
    bool GetTransforming() const override { return FFiltered; }
    // The one row is evaluated and the positions after it shift.
    bool SourceItemInserted(int Index) override;
    bool SourceItemDeleted(int Index) override;
    void Source_ItemUpdated(int Index) override;
    void Source_ItemChecked(int Index) override;
    void Source_ItemStateChanged(int Index) override;

private:
    using TFilterList = std::vector<std::unique_ptr<TKvColumnFilter>>;

    // Whether source item SourceIndex passes every filtered field; a failing evaluation does not pass.
    bool Passes(int SourceIndex, const std::vector<TFilterList*>& table, int fixed, TKvGridDataProvider* data);
    std::vector<TFilterList*> FilterTable() const;
    // True when whether an item passes does not depend on its position.
    bool StandsAlone() const;
    // Re-fires an item notification at this provider's index, or a refresh when the item
    // is not listed or its passing changed.
    void PassItemNotification(int SourceIndex, void (TKvGridItemProvider::*Fire)(int), bool Recheck);

    std::vector<int> FItems;
    std::unique_ptr<TKvColumnFilterExpressionRuntime> FRuntime;
    std::map<int, TFilterList> FFilters;
    bool FFiltered = false;
    bool FUpdateLock = false;
    bool FFixedFiltering = false;
};

} // namespace kv
