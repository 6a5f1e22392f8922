#include "model/KvGrids.Data.h"

#include "platform/rtl/Collections.h"
#include "platform/rtl/TypInfo.h"

#include <algorithm>

namespace kv {

// --- TKvGridDataEditOptions ---------------------------------------------------------------

void TKvGridDataEditOptions::AssignTo(TPersistent* Dest) const
{
    auto* target = dynamic_cast<TKvGridDataEditOptions*>(Dest);
    if (!target)
        throw Exception(QStringLiteral("Dest is not a TKvGridDataEditOptions"));
    target->FUpadtable = FUpadtable;
    target->FAppendable = FAppendable;
    target->FInsertable = FInsertable;
    target->FDeletable = FDeletable;
}

using TEditOptions = TKvGridDataEditOptions;
KV_PUBLISH(TKvGridDataEditOptions, TPersistent)
    .Property("Upadtable", &TEditOptions::GetUpadtable, &TEditOptions::SetUpadtable).Default(false)
    .Property("Appendable", &TEditOptions::GetAppendable, &TEditOptions::SetAppendable).Default(false)
    .Property("Insertable", &TEditOptions::GetInsertable, &TEditOptions::SetInsertable).Default(false)
    .Property("Deletable", &TEditOptions::GetDeletable, &TEditOptions::SetDeletable).Default(false);

// --- TKvGridDataProvider ------------------------------------------------------------------

TKvGridDataProvider::TKvGridDataProvider(TComponent* AOwner) : TComponent(AOwner) {}

TKvGridDataProvider::~TKvGridDataProvider()
{
    // Reached without Free (a plain delete): listeners must still let go of us.
    Dispose();
}

void TKvGridDataProvider::BeforeDestruction()
{
    Dispose();
    TComponent::BeforeDestruction();
}

void TKvGridDataProvider::Dispose()
{
    if (FDisposed)
        return;
    FDisposed = true;
    // A provider destroyed during an update still tells its listeners.
    FUpdateLock = false;
    DoDispose();
    FListeners.Clear();
}

void TKvGridDataProvider::BeginUpdate()
{
    FUpdateLock = true;
}

void TKvGridDataProvider::EndUpdate(bool Reset)
{
    if (!FUpdateLock)
        return;
    FUpdateLock = false;
    if (Reset)
        DoReset();
}

void TKvGridDataProvider::GetCells(int Field, TKvRowIndices Rows, Variant* Cells) const
{
    for (size_t i = 0; i < Rows.size(); ++i)
        Cells[i] = GetData(Rows[i], Field);
}

void TKvGridDataProvider::GetRangeSums(int Field, TKvRowIndices Rows, std::span<const int> Ends, Variant* Sums) const
{
    size_t begin = 0;
    for (size_t k = 0; k < Ends.size(); ++k) {
        const auto end = static_cast<size_t>(Ends[k]);
        Sums[k] = GetRangeSum(Field, Rows.subspan(begin, end - begin));
        begin = end;
    }
}

bool TKvGridDataProvider::EqualsValue(int Field, int Row1, int Row2) const
{
    return VarCompareTotal(GetData(Row1, Field), GetData(Row2, Field)) == 0;
}

int TKvGridDataProvider::CompareValue(int Field, int Row1, int Row2) const
{
    return VarCompareTotal(GetData(Row1, Field), GetData(Row2, Field));
}

void TKvGridDataProvider::AddListener(TKvGridDataChangeListener* Listener)
{
    FListeners.Add(Listener);
}

void TKvGridDataProvider::RemoveListener(TKvGridDataChangeListener* Listener)
{
    FListeners.Remove(Listener);
}

int TKvGridDataProvider::RequireFieldIndex(const QString& Name) const
{
    const int index = GetFieldIndex(Name);
    if (index < 0)
        throw Exception(Name + QStringLiteral(" is a invalid field name"));
    return index;
}

Variant TKvGridDataProvider::GetValue(int Row, const QString& Name) const
{
    return GetData(Row, RequireFieldIndex(Name));
}

void TKvGridDataProvider::SetValue(int Row, const QString& Name, const Variant& Value)
{
    SetData(Row, RequireFieldIndex(Name), Value);
}

void TKvGridDataProvider::CheckCopyBounds(const TKvGridDataProvider* Source, int SourceRow, int Row) const
{
    if (!Source)
        throw EArgumentNilException(QStringLiteral("source is nil"));
    if (SourceRow < 0 || SourceRow >= Source->GetRowCount())
        throw EArgumentOutOfRangeException(QStringLiteral("source row is out of bounds: ") + QString::number(SourceRow));
    if (Row < 0 || Row >= GetRowCount())
        throw EArgumentOutOfRangeException(QStringLiteral("row is out of bounds: ") + QString::number(Row));
}

void TKvGridDataProvider::CopyValues(const TKvGridDataProvider* Source, int SourceRow, int RowCount, int SourceField,
                                     int FieldCount, int Row, int Field)
{
    if (RowCount < 1 || FieldCount < 1)
        return;
    CheckCopyBounds(Source, SourceRow, Row);
    if (SourceField < 0)
        throw EArgumentOutOfRangeException(QStringLiteral("source field is out of bounds: ") +
                                           QString::number(SourceField));
    if (Field < 0)
        throw EArgumentOutOfRangeException(QStringLiteral("field is out of bounds: ") + QString::number(Field));
    const int rows = std::min({RowCount, Source->GetRowCount() - SourceRow, GetRowCount() - Row});
    const int fields = std::min({FieldCount, Source->GetFieldCount() - SourceField, GetFieldCount() - Field});
    if (fields < 1)
        return;
    // Within one provider the blocks may overlap: read the whole block first.
    std::vector<Variant> buffer;
    buffer.reserve(static_cast<size_t>(rows) * static_cast<size_t>(fields));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < fields; ++c)
            buffer.push_back(Source->GetData(SourceRow + r, SourceField + c));
    size_t k = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < fields; ++c)
            SetData(Row + r, Field + c, buffer[k++]);
}

void TKvGridDataProvider::CopyValues(const TKvGridDataProvider* Source, int Row, int RowCount, int Field, int FieldCount)
{
    CopyValues(Source, Row, RowCount, Field, FieldCount, Row, Field);
}

void TKvGridDataProvider::CopyValues(const TKvGridDataProvider* Source, int Row, int Field, int FieldCount)
{
    CopyValues(Source, Row, 1, Field, FieldCount, Row, Field);
}

void TKvGridDataProvider::CopyValues(const TKvGridDataProvider* Source, int SourceRow, int RowCount,
                                     const QStringList& SourceNames, int Row, const QStringList& Names)
{
    if (RowCount < 1)
        return;
    CheckCopyBounds(Source, SourceRow, Row);
    const int rows = std::min({RowCount, Source->GetRowCount() - SourceRow, GetRowCount() - Row});
    const int names = static_cast<int>(std::min(SourceNames.size(), Names.size()));
    // Resolve every name before anything is written, so a bad name copies nothing.
    std::vector<int> from, to;
    for (int i = 0; i < names; ++i) {
        from.push_back(Source->RequireFieldIndex(SourceNames[i]));
        to.push_back(RequireFieldIndex(Names[i]));
    }
    std::vector<Variant> buffer;
    buffer.reserve(static_cast<size_t>(std::max(rows, 0)) * static_cast<size_t>(names));
    for (int r = 0; r < rows; ++r)
        for (int i = 0; i < names; ++i)
            buffer.push_back(Source->GetData(SourceRow + r, from[i]));
    size_t k = 0;
    for (int r = 0; r < rows; ++r)
        for (int i = 0; i < names; ++i)
            SetData(Row + r, to[i], buffer[k++]);
}

void TKvGridDataProvider::CopyValues(const TKvGridDataProvider* Source, int Row, int RowCount,
                                     const QStringList& SourceNames, const QStringList& Names)
{
    CopyValues(Source, Row, RowCount, SourceNames, Row, Names);
}

void TKvGridDataProvider::CopyValues(const TKvGridDataProvider* Source, int Row, const QStringList& SourceNames,
                                     const QStringList& Names)
{
    CopyValues(Source, Row, 1, SourceNames, Row, Names);
}

void TKvGridDataProvider::CopyValues(const TKvGridDataProvider* Source, int Row, int RowCount, const QStringList& Names)
{
    CopyValues(Source, Row, RowCount, Names, Row, Names);
}

void TKvGridDataProvider::CopyValues(const TKvGridDataProvider* Source, int Row, const QStringList& Names)
{
    CopyValues(Source, Row, 1, Names, Row, Names);
}

TKvGridDataTable TKvGridDataProvider::CreateTableData(int RowCount, std::initializer_list<Variant> Values)
{
    return TKvGridDataTable(static_cast<size_t>(std::max(RowCount, 0)), TKvGridDataRow(Values));
}

TKvGridDataRow TKvGridDataProvider::CreateDefRowData() const
{
    TKvGridDataRow row;
    const int n = GetFieldCount();
    row.reserve(static_cast<size_t>(std::max(n, 0)));
    for (int f = 0; f < n; ++f) {
        switch (GetValueType(f)) {
        case ValueTypeText: row.emplace_back(QString()); break;
        case ValueTypeBool: row.emplace_back(false); break;
        case ValueTypeNumeric:
        case ValueTypeDateTime: row.emplace_back(0); break;
        }
    }
    return row;
}

TKvGridDataTable TKvGridDataProvider::CreateDefTableData(int Count) const
{
    return TKvGridDataTable(static_cast<size_t>(std::max(Count, 0)), CreateDefRowData());
}

void TKvGridDataProvider::DoDispose()
{
    if (!FUpdateLock)
        FListeners.Notify([](TKvGridDataChangeListener* l) { l->OnDataDispose(); });
}

void TKvGridDataProvider::DoReset()
{
    if (!FUpdateLock)
        FListeners.Notify([](TKvGridDataChangeListener* l) { l->OnDataReset(); });
}

void TKvGridDataProvider::DoRefresh()
{
    if (!FUpdateLock)
        FListeners.Notify([](TKvGridDataChangeListener* l) { l->OnDataRefresh(); });
}

void TKvGridDataProvider::DoRowStateChanged(int Row)
{
    if (!FUpdateLock)
        FListeners.Notify([Row](TKvGridDataChangeListener* l) { l->OnDataRowStateChanged(Row); });
}

void TKvGridDataProvider::DoRowInserted(int Row)
{
    if (!FUpdateLock)
        FListeners.Notify([Row](TKvGridDataChangeListener* l) { l->OnDataRowInserted(Row); });
}

void TKvGridDataProvider::DoRowRemoved(int Row)
{
    if (!FUpdateLock)
        FListeners.Notify([Row](TKvGridDataChangeListener* l) { l->OnDataRowRemoved(Row); });
}

void TKvGridDataProvider::DoRowsRemoved(const TKvIntegerArray& Rows)
{
    if (!FUpdateLock)
        FListeners.Notify([&Rows](TKvGridDataChangeListener* l) { l->OnDataRowsRemoved(Rows); });
}

void TKvGridDataProvider::DoRowUpdated(int Row)
{
    if (!FUpdateLock)
        FListeners.Notify([Row](TKvGridDataChangeListener* l) { l->OnDataRowUpdated(Row); });
}

void TKvGridDataProvider::DoValueChanged(int Row, int Field)
{
    if (!FUpdateLock)
        FListeners.Notify([Row, Field](TKvGridDataChangeListener* l) { l->OnDataValueChanged(Row, Field); });
}

void TKvGridDataProvider::DoCommitting()
{
    FListeners.Notify([](TKvGridDataChangeListener* l) { l->OnDataCommitting(); });
}

void CheckUniqueFieldName(const QString& name, const TCollection& fields, const TCollectionItem* except,
                          QString (*nameOf)(const TCollectionItem*))
{
    if (name.isEmpty())
        return;
    for (int i = 0; i < fields.Count(); ++i) {
        const TCollectionItem* field = fields.GetItem(i);
        if (field != except && nameOf(field).compare(name, Qt::CaseInsensitive) == 0)
            throw Exception(QStringLiteral("Field name '%1' is already used by the field '%2'").arg(name, nameOf(field)));
    }
}

} // namespace kv
