// The filtered item provider: keeps the source items whose data rows pass the column filters.
// Filters of one field combine with "or", different fields with "and".
#pragma once

#include "model/KvGrids.Model.Proxy.h"
#include "model/KvGrids.Runtime.h"

#include <map>

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
    // False without a tree (blank text); else the expression's value as a Boolean.
    bool Select(TKvColumnFilterExpressionRuntime* Runtime, TKvGridDataProvider* DataSource, int Row, int Field);

private:
    void BuildExpression();

    QString FCriteria;
    std::unique_ptr<TKvExpressionTree> FExprTree;
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
    TKvGridItem* GetItem(int Index) const override;
    int ItemOfData(int DataRow) const override;
    void SetFixed(int Count, bool FixedSorting, bool FixedFiltering) override;
    // The position of a source item index among the passing items, or -1.
    int IndexOfSource(int SourceIndex) const;

protected:
    void Initialize() override;
    void ClearItems() override;
    void PopulateItems() override;
    void Source_Reset() override;
    void Source_Refresh() override;
    void Source_ItemInserted(int Index) override;
    void Source_ItemDeleted(int Index) override;
    void Source_ItemUpdated(int Index) override;
    void Source_ItemChecked(int Index) override;
    void Source_ItemStateChanged(int Index) override;

private:
    using TFilterList = std::vector<std::unique_ptr<TKvColumnFilter>>;

    // Whether source item SourceIndex passes every filtered field; a failing evaluation does not pass.
    bool Passes(int SourceIndex, const std::vector<TFilterList*>& table, int fixed, TKvGridDataProvider* data);
    std::vector<TFilterList*> FilterTable() const;
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
