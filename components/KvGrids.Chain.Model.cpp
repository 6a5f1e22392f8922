// The ready-made grids' item-provider chain and the column filters applied over it.
//
// Call flow: the grids' factories create the chain; AfterConstruction builds the links
// bottom-up and StackLinks lets a descendant add its own. The grids' ApplyFilters call
// ApplyColumnFilters, which checks each active filter against the data, adds the good ones
// in one batch of the filtered provider and, when one fails on the rows, adds them one by
// one to leave out only the failing ones.
#include "components/KvGrids.Chain.Model.h"

#include "grid/KvGrids.Columns.h"
#include "model/KvGrids.Expressions.h"
#include "model/KvGrids.Runtime.h"

namespace kv {

TKvGridChainItemProvider::~TKvGridChainItemProvider() = default;

void TKvGridChainItemProvider::AfterConstruction()
{
    TKvGridEditableItemProvider::AfterConstruction();
    FItemProvider = MakeOwned<TKvDefaultGridItemProvider>();
    FFilteredProvider = MakeOwned<TKvGridFilteredItemProvider>(FItemProvider.get());
    SetSource(StackLinks(FFilteredProvider.get()));
}

void TKvGridChainItemProvider::BeforeDestruction()
{
    TKvGridEditableItemProvider::BeforeDestruction();
    FreeLinks();
}

void TKvGridChainItemProvider::FreeLinks()
{
    FFilteredProvider.reset();
    FItemProvider.reset();
}

// ---- forwarders ------------------------------------------------------------------------------

void TKvGridChainItemProvider::SetDataSource(TKvGridDataProvider* Provider)
{
    if (FItemProvider)
        FItemProvider->SetDataSource(Provider);
}

TKvGridDataProvider* TKvGridChainItemProvider::GetDataSource() const
{
    return FItemProvider ? FItemProvider->GetDataSource() : nullptr;
}

TVariantArray TKvGridChainItemProvider::GetFieldDomain(int Field) const
{
    return FItemProvider ? FItemProvider->GetFieldDomain(Field) : TVariantArray{};
}

void TKvGridChainItemProvider::OrderBy(const TKvIntegerArray& Fields, const TKvGridSortDirections& Directions)
{
    if (FItemProvider)
        FItemProvider->OrderBy(Fields, Directions, true);
}

TKvIntegerArray TKvGridChainItemProvider::GetSortFields() const
{
    return FItemProvider ? FItemProvider->GetSortFields() : TKvIntegerArray{};
}

TKvGridSortDirections TKvGridChainItemProvider::GetSortDirections() const
{
    return FItemProvider ? FItemProvider->GetSortDirections() : TKvGridSortDirections{};
}

bool TKvGridChainItemProvider::IsFiltered(int Field) const { return FFilteredProvider && FFilteredProvider->HasFilter(Field); }

TKvColumnFilter* TKvGridChainItemProvider::AddFilter(int Field, const QString& Expression)
{
    return FFilteredProvider ? FFilteredProvider->AddFilter(Field, Expression) : nullptr;
}

void TKvGridChainItemProvider::RemoveFilter(int Field, TKvColumnFilter* Filter)
{
    if (FFilteredProvider)
        FFilteredProvider->RemoveFilter(Field, Filter);
}

void TKvGridChainItemProvider::ClearFilters(int Field)
{
    if (FFilteredProvider)
        FFilteredProvider->ClearFilters(Field);
}

void TKvGridChainItemProvider::ClearAllFilters()
{
    if (FFilteredProvider)
        FFilteredProvider->ClearAllFilters();
}

void TKvGridChainItemProvider::BeginFiltering()
{
    if (FFilteredProvider)
        FFilteredProvider->BeginUpdate();
}

void TKvGridChainItemProvider::EndFiltering()
{
    if (FFilteredProvider)
        FFilteredProvider->EndUpdate(true);
}

TKvGridItems TKvGridChainItemProvider::GetAllItems() const
{
    TKvGridItems out;
    if (!FFilteredProvider)
        return out;
    const int count = FFilteredProvider->GetItemCount();
    out.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        out.push_back(FFilteredProvider->GetItem(i));
    return out;
}

void TKvGridChainItemProvider::ClearItems()
{
    if (auto* link = dynamic_cast<TKvGridProxyItemProvider*>(GetSource()))
        link->ClearItems();
}

void TKvGridChainItemProvider::PopulateItems()
{
    if (auto* link = dynamic_cast<TKvGridProxyItemProvider*>(GetSource()))
        link->PopulateItems();
}

// ---- column filters --------------------------------------------------------------------------

namespace {

QString ColumnTitle(TKvGridDataColumn* column)
{
    QString title = column->GetHeader()->GetCaption();
    if (title.isEmpty())
        title = column->GetFieldName();
    if (title.isEmpty())
        title = column->GetName();
    return title;
}

// The first identifier of the criteria that a column filter does not know, or empty.
QString UnknownIdentifier(const QString& criteria)
{
    TKvColumnFilterExpressionRuntime runtime;
    TKvExpressionLexer lexer;
    const QString text = criteria;
    lexer.SetOrigin(reinterpret_cast<const char16_t*>(text.utf16()));
    while (!lexer.AtEnd()) {
        lexer.NextNoSpace();
        int key = -1;
        if (lexer.GetTokenId() == TokenIdentifier && !runtime.IsIdentifier(lexer.GetToken(), key, false))
            return lexer.GetToken();
    }
    return QString();
}

} // namespace

void TKvGridChainItemProvider::ApplyColumnFilters(const std::vector<TKvGridDataColumn*>& Columns)
{
    if (!FFilteredProvider)
        return;
    struct TEntry
    {
        TKvGridDataColumn* Column;
        QString Criteria;
    };
    std::vector<TEntry> entries;
    QStringList errors;
    auto leaveOut = [&](const TEntry& entry, const QString& reason) {
        errors << QStringLiteral("column \"%1\", filter \"%2\": %3").arg(ColumnTitle(entry.Column), entry.Criteria, reason);
    };
    for (TKvGridDataColumn* column : Columns) {
        TKvGridColumnFilterCollection* filters = column ? column->GetFilters() : nullptr;
        for (int i = 0; filters && i < filters->Count(); ++i)
            if (filters->GetFilter(i)->GetActive())
                entries.push_back(TEntry{column, filters->GetFilter(i)->GetCriteria()});
    }
    TKvGridDataProvider* data = GetDataSource();
    if (!data) {
        // Nothing to filter yet: setting the data provider applies them.
        ClearAllFilters();
        return;
    }
    BeginFiltering();
    ClearAllFilters();
    std::vector<TEntry> added;
    for (const TEntry& entry : entries) {
        const int field = entry.Column->GetDataIndex();
        if (field < 0 || field >= data->GetFieldCount()) {
            leaveOut(entry, QStringLiteral("the column shows no field"));
            continue;
        }
        if (const QString unknown = UnknownIdentifier(entry.Criteria); !unknown.isEmpty()) {
            leaveOut(entry, QStringLiteral("unknown identifier \"%1\"").arg(unknown));
            continue;
        }
        try {
            AddFilter(field, entry.Criteria);
            added.push_back(entry);
        } catch (const Exception& e) {
            leaveOut(entry, e.Message());
        }
    }
    try {
        EndFiltering();
    } catch (const Exception&) {
        // One of them fails on the rows: apply them one by one and leave out those that fail.
        BeginFiltering();
        ClearAllFilters();
        EndFiltering();
        for (const TEntry& entry : added) {
            const int field = entry.Column->GetDataIndex();
            try {
                AddFilter(field, entry.Criteria);
            } catch (const Exception& e) {
                const std::vector<TKvColumnFilter*> list = FFilteredProvider->GetFilters(field);
                if (!list.empty())
                    FFilteredProvider->RemoveFilter(field, list.back());
                leaveOut(entry, e.Message());
            }
        }
    }
    if (!errors.isEmpty())
        throw EKvFilterError(QStringLiteral("Column filters left out: ") + errors.join(QStringLiteral("; ")));
}

} // namespace kv
