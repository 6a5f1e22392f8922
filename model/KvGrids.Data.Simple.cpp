#include "model/KvGrids.Data.Simple.h"

#include <QtCore/QRegularExpression>
#include <algorithm>

namespace kv {

namespace {

QStringList SplitList(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("[,;]"));
    return text.split(separators);
}

TKvGridValueType TypeOfToken(const QString& token)
{
    const QString t = token.trimmed().toLower();
    if (t == QLatin1String("n"))
        return ValueTypeNumeric;
    if (t == QLatin1String("d"))
        return ValueTypeDateTime;
    if (t == QLatin1String("b"))
        return ValueTypeBool;
    return ValueTypeText;
}

} // namespace

TKvSimpleDataProvider::TKvSimpleDataProvider(TComponent* AOwner) : TKvGridDataProvider(AOwner) {}

QString TKvSimpleDataProvider::GetFieldName(int Field) const
{
    return Field >= 0 && Field < FFields.size() ? FFields[Field] : QString();
}

int TKvSimpleDataProvider::GetFieldIndex(const QString& Name) const
{
    for (int i = static_cast<int>(FFields.size()) - 1; i >= 0; --i)
        if (FFields[i].compare(Name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

TKvGridValueType TKvSimpleDataProvider::GetValueType(int Field) const
{
    return Field >= 0 && static_cast<size_t>(Field) < FTypes.size() ? FTypes[static_cast<size_t>(Field)]
                                                                     : ValueTypeText;
}

void TKvSimpleDataProvider::CheckRow(int Row) const
{
    if (Row < 0 || Row >= GetRowCount())
        throw EArgumentOutOfRangeException(QStringLiteral("Row %1 is invalid index.").arg(Row));
}

void TKvSimpleDataProvider::CheckColumn(int Field) const
{
    if (Field < 0 || Field >= FColumnCount)
        throw EArgumentOutOfRangeException(QStringLiteral("Column %1 is invalid index.").arg(Field));
}

Variant TKvSimpleDataProvider::GetData(int Row, int Field) const
{
    CheckRow(Row);
    CheckColumn(Field);
    return FValues[static_cast<size_t>(Row)][static_cast<size_t>(Field)];
}

void TKvSimpleDataProvider::SetData(int Row, int Field, const Variant& Value)
{
    CheckRow(Row);
    CheckColumn(Field);
    Variant& cell = FValues[static_cast<size_t>(Row)][static_cast<size_t>(Field)];
    if (cell == Value)
        return;
    const Variant old = cell;
    cell = Value;
    if (GetValueType(Field) == ValueTypeNumeric) {
        // The running sum moves by new - old; cells that do not read as numbers count as 0,
        // so a text in a numeric column cannot stop the change from being announced.
        double sum = 0, added = 0, removed = 0;
        FSums[static_cast<size_t>(Field)].TryToDouble(sum);
        Value.TryToDouble(added);
        old.TryToDouble(removed);
        FSums[static_cast<size_t>(Field)] = sum + added - removed;
    }
    DoValueChanged(Row, Field);
}

TKvGridDataRow TKvSimpleDataProvider::GetRow(int Row) const
{
    CheckRow(Row);
    return FValues[static_cast<size_t>(Row)];
}

void TKvSimpleDataProvider::UpdateRow(int Row, const TKvGridDataRow& Values)
{
    CheckRow(Row);
    TKvGridDataRow& row = FValues[static_cast<size_t>(Row)];
    if (Values.empty()) {
        std::fill(row.begin(), row.end(), Variant());
    } else {
        const size_t n = std::min(row.size(), Values.size());
        std::copy_n(Values.begin(), n, row.begin());
    }
    DoRowUpdated(Row);
}

void TKvSimpleDataProvider::InsertRow(int Row, const TKvGridDataRow& Values)
{
    if (Row < 0 || Row > GetRowCount())
        throw EArgumentOutOfRangeException(QStringLiteral("Row %1 is invalid index.").arg(Row));
    TKvGridDataRow row(static_cast<size_t>(FColumnCount));
    std::copy_n(Values.begin(), std::min(row.size(), Values.size()), row.begin());
    FValues.insert(FValues.begin() + Row, std::move(row));
    DoRowInserted(Row);
}

void TKvSimpleDataProvider::RemoveRow(int Row)
{
    if (FValues.empty())
        return;
    CheckRow(Row);
    FValues.erase(FValues.begin() + Row);
    DoRowRemoved(Row);
}

void TKvSimpleDataProvider::RemoveRows(const TKvIntegerArray& Rows)
{
    TKvIntegerArray rows = Rows;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : rows)
        CheckRow(row);
    if (rows.empty())
        return;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        FValues.erase(FValues.begin() + *it);
    DoRowsRemoved(rows);
}

void TKvSimpleDataProvider::ClearRows()
{
    FValues.clear();
    DoReset();
}

Variant TKvSimpleDataProvider::GetSum(int Field) const
{
    CheckColumn(Field);
    return FSums[static_cast<size_t>(Field)];
}

Variant TKvSimpleDataProvider::GetRangeSum(int Field, TKvRowIndices Rows) const
{
    if (GetValueType(Field) != ValueTypeNumeric)
        return Variant(0);
    Variant sum(0);
    for (int row : Rows) {
        const Variant value = GetData(row, Field);
        if (!value.IsClear())
            sum = VarAdd(sum, value);
    }
    return sum;
}

void TKvSimpleDataProvider::InsertColumns(int Index, int Count, const QString& Headers, const QString& Types)
{
    if (Index < 0 || Index > FColumnCount)
        throw EArgumentOutOfRangeException(QStringLiteral("Column %1 is invalid index.").arg(Index));
    if (Count < 1)
        return;
    const QStringList names = SplitList(Headers);
    if (names.size() < Count)
        throw EArgumentException(QStringLiteral("headers count must be larger than or equals to count."));
    QStringList newNames;
    for (int i = 0; i < Count; ++i) {
        const QString name = names[i].trimmed();
        if (name.isEmpty())
            throw Exception(QStringLiteral("Field name should not be empty[%1]: %2").arg(i).arg(names[i]));
        newNames.append(name);
    }
    const QStringList tokens = Types.isEmpty() ? QStringList() : SplitList(Types);
    std::vector<TKvGridValueType> types;
    for (int i = 0; i < Count; ++i) {
        if (i < tokens.size())
            types.push_back(TypeOfToken(tokens[i]));
        else if (i > 0)
            types.push_back(types.back());
        else
            types.push_back(ValueTypeText);
    }
    InsertColumnsAt(Index, newNames, types);
}

void TKvSimpleDataProvider::InsertColumns(int Index, const QStringList& Names, const std::vector<TKvGridValueType>& Types)
{
    if (Index < 0 || Index > FColumnCount)
        throw EArgumentOutOfRangeException(QStringLiteral("Column %1 is invalid index.").arg(Index));
    if (Names.isEmpty())
        return;
    std::vector<TKvGridValueType> types;
    for (qsizetype i = 0; i < Names.size(); ++i)
        types.push_back(static_cast<size_t>(i) < Types.size() ? Types[static_cast<size_t>(i)] : ValueTypeText);
    for (qsizetype i = 0; i < Names.size(); ++i)
        if (Names[i].trimmed().isEmpty())
            throw Exception(QStringLiteral("Field name should not be empty[%1]: %2").arg(i).arg(Names[i]));
    InsertColumnsAt(Index, Names, types);
}

void TKvSimpleDataProvider::InsertColumnsAt(int Index, const QStringList& Names,
                                            const std::vector<TKvGridValueType>& Types)
{
    const auto at = static_cast<size_t>(Index);
    const size_t count = static_cast<size_t>(Names.size());
    for (size_t i = 0; i < count; ++i) {
        FFields.insert(static_cast<qsizetype>(at + i), Names[static_cast<qsizetype>(i)].trimmed());
        FTypes.insert(FTypes.begin() + static_cast<std::ptrdiff_t>(at + i), Types[i]);
        FSums.insert(FSums.begin() + static_cast<std::ptrdiff_t>(at + i), Variant());
        FMinimums.insert(FMinimums.begin() + static_cast<std::ptrdiff_t>(at + i), Variant());
        FMaximums.insert(FMaximums.begin() + static_cast<std::ptrdiff_t>(at + i), Variant());
    }
    for (TKvGridDataRow& row : FValues)
        row.insert(row.begin() + static_cast<std::ptrdiff_t>(at), count, Variant());
    FColumnCount += static_cast<int>(count);
}

void TKvSimpleDataProvider::RemoveColumns(int Index, int Count)
{
    CheckColumn(Index);
    const int n = std::min(Count, FColumnCount - Index);
    if (n < 1)
        return;
    const auto first = static_cast<std::ptrdiff_t>(Index);
    const auto last = first + n;
    // Names, types and aggregates go with their columns.
    FFields.remove(Index, n);
    FTypes.erase(FTypes.begin() + first, FTypes.begin() + last);
    FSums.erase(FSums.begin() + first, FSums.begin() + last);
    FMinimums.erase(FMinimums.begin() + first, FMinimums.begin() + last);
    FMaximums.erase(FMaximums.begin() + first, FMaximums.begin() + last);
    for (TKvGridDataRow& row : FValues)
        row.erase(row.begin() + first, row.begin() + last);
    FColumnCount -= n;
}

} // namespace kv
