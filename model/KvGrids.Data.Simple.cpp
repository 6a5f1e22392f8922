// The in-memory table: typed columns of cells (KvGrids.Data.Column) with a running sum per
// numeric column.
//
// Sections: fields; cells (reading, gathering, order keys, writing); running sums; rows
// (update, insert, remove); sums of the whole column and of ranges of rows; columns (insert,
// remove).
//
// Call flow: SetData, UpdateRow, InsertRow and the removals change the column store and move
// the running sums (MoveSum: whole numbers exactly, fractions apart, infinities and NaNs
// counted) before they notify the listeners. GetSum answers from the running sum (fractions
// summed again only once an addition rounded); GetRangeSum and GetRangeSums add the
// cells of the rows asked for. The sorters read cells and order keys through GetCells and
// GetOrderKeys.
#include "model/KvGrids.Data.Simple.h"
#include "platform/rtl/LargeBlocks.h"

#include <QtCore/QRegularExpression>
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

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

TKvSimpleDataProvider::~TKvSimpleDataProvider() = default;

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
    return Cell(Row, Field);
}

void TKvSimpleDataProvider::GetCells(int Field, TKvRowIndices Rows, Variant* Cells) const
{
    CheckColumn(Field);
    for (const int row : Rows)
        if (row < 0 || row >= FRowCount)
            CheckRow(row);
    FValues[static_cast<size_t>(Field)].Gather(Rows, Cells);
}

bool TKvSimpleDataProvider::GetOrderKeys(int Field, TKvRowIndices Rows, std::uint64_t* Keys, std::uint64_t& Max) const
{
    if (Field < 0 || Field >= FColumnCount ||
        !std::all_of(Rows.begin(), Rows.end(), [&](int r) { return r >= 0 && r < FRowCount; }))
        return false;
    return FValues[static_cast<size_t>(Field)].OrderKeys(Rows, Keys, Max);
}

const Variant* TKvSimpleDataProvider::GetFieldValues(int Field) const
{
    if (Field < 0 || Field >= FColumnCount)
        return nullptr;
    const TKvValueColumn& column = FValues[static_cast<size_t>(Field)];
    if (const Variant* kept = column.Values())
        return kept;
    TVariantArray& made = FMadeValues[Field];
    if (made.size() != static_cast<size_t>(FRowCount)) {
        made.resize(static_cast<size_t>(FRowCount));
        for (size_t row = 0; row < made.size(); ++row)
            made[row] = column.Get(row);
    }
    return made.data();
}

void TKvSimpleDataProvider::SetData(int Row, int Field, const Variant& Value)
{
    CheckRow(Row);
    CheckColumn(Field);
    const Variant old = Cell(Row, Field);
    if (old == Value)
        return;
    CatchUpSums();
    ValuesChanged();
    FValues[static_cast<size_t>(Field)].Set(static_cast<size_t>(Row), Value);
    MoveSum(Field, Value, old);
    DoValueChanged(Row, Field);
}

// Cells that do not read as numbers count as 0, so a text in a numeric column cannot stop a
// change from being announced.
void TKvSimpleDataProvider::MoveSum(int Field, const Variant& Added, const Variant& Removed)
{
    if (GetValueType(Field) != ValueTypeNumeric)
        return;
    TRunningSum& sum = FSums[static_cast<size_t>(Field)];
    sum.Touched = true;
    sum.Account(Removed, -1);
    sum.Account(Added, 1);
}

namespace {
// Whole numbers up to this magnitude are kept exactly.
constexpr double kWholeLimit = 0x1p100;

// Value: finite. Every double from 2^52 up is whole.
bool IsWhole(double value)
{
    const double magnitude = std::fabs(value);
    if (magnitude < 0x1p52)
        return static_cast<double>(static_cast<std::int64_t>(value)) == value;
    return magnitude < kWholeLimit;
}
} // namespace

void TKvSimpleDataProvider::AddAppendedRowsToSums() const
{
    const auto from = static_cast<size_t>(FSummedRows);
    const auto to = static_cast<size_t>(FRowCount);
    for (size_t f = 0; f < FValues.size(); ++f) {
        if (FTypes[f] != ValueTypeNumeric)
            continue;
        TRunningSum& sum = FSums[f];
        const TKvValueColumn& column = FValues[f];
        sum.Touched = true;
        // Columns kept by kind are read without a variant per cell.
        if (column.Mode() == TKvValueColumn::ModeInts) {
            for (size_t row = from; row < to; ++row)
                sum.Whole += column.Ints().Get(row);
        } else if (column.Mode() == TKvValueColumn::ModeDoubles) {
            for (size_t row = from; row < to; ++row)
                sum.AccountNumber(column.DoubleAt(row), 1);
        } else {
            for (size_t row = from; row < to; ++row)
                sum.Add(column.Get(row));
        }
    }
    FSummedRows = FRowCount;
}

void TKvSimpleDataProvider::TRunningSum::Account(const Variant& Value, int Sign)
{
    if (Value.IsInteger()) {
        Whole += Sign * static_cast<__int128>(Value.AsInt());
        return;
    }
    double value = 0;
    if (Value.IsDouble())
        value = Value.DoubleUnchecked();
    else if (Value.IsClear() || !Value.TryToDouble(value))
        return;
    AccountNumber(value, Sign);
}

void TKvSimpleDataProvider::TRunningSum::AccountNumber(double value, int Sign)
{
    if (std::fabs(value) < 0x1p52) {
        // Finite, and whole exactly when an integer holds it.
        const auto whole = static_cast<std::int64_t>(value);
        if (static_cast<double>(whole) == value) {
            Whole += Sign * static_cast<__int128>(whole);
        } else {
            Fractions += Sign;
            Pending.Add(value, Sign);
        }
        return;
    }
    if (std::isnan(value)) {
        NaNs += Sign;
    } else if (std::isinf(value)) {
        (value > 0 ? PositiveInfinities : NegativeInfinities) += Sign;
    } else if (IsWhole(value)) {
        Whole += Sign * static_cast<__int128>(value);
    } else {
        // From 2^100 up: kept apart from the whole numbers.
        Fractions += Sign;
        Fraction.Add(Sign * value);
    }
}

// The exact sum of the column's finite numbers that are not whole, made again from the cells.
void TKvSimpleDataProvider::RecountFractions(int Field) const
{
    TRunningSum& sum = FSums[static_cast<size_t>(Field)];
    sum.Fraction.Clear();
    sum.Pending.Clear();
    const TKvValueColumn& column = FValues[static_cast<size_t>(Field)];
    for (size_t row = 0; row < column.Size(); ++row) {
        const Variant cell = column.Get(row);
        double value = 0;
        if (cell.IsInteger() || cell.IsClear() || !cell.TryToDouble(value) || !std::isfinite(value) || IsWhole(value))
            continue;
        sum.Fraction.Add(value);
    }
}

TKvGridDataRow TKvSimpleDataProvider::GetRow(int Row) const
{
    CheckRow(Row);
    TKvGridDataRow row;
    row.reserve(FValues.size());
    for (const TKvValueColumn& column : FValues)
        row.push_back(column.Get(static_cast<size_t>(Row)));
    return row;
}

void TKvSimpleDataProvider::UpdateRow(int Row, const TKvGridDataRow& Values)
{
    CheckRow(Row);
    const int n = Values.empty() ? FColumnCount : std::min(FColumnCount, static_cast<int>(Values.size()));
    CatchUpSums();
    ValuesChanged();
    for (int f = 0; f < n; ++f) {
        const Variant value = Values.empty() ? Variant() : Values[static_cast<size_t>(f)];
        MoveSum(f, value, Cell(Row, f));
        FValues[static_cast<size_t>(f)].Set(static_cast<size_t>(Row), value);
    }
    DoRowUpdated(Row);
}

void TKvSimpleDataProvider::InsertRow(int Row, const TKvGridDataRow& Values)
{
    InsertValues(Row, Values.data(), Values.size());
}

void TKvSimpleDataProvider::InsertValues(int Row, const Variant* Values, size_t Count)
{
    if (Row < 0 || Row > GetRowCount())
        throw EArgumentOutOfRangeException(QStringLiteral("Row %1 is invalid index.").arg(Row));
    ValuesChanged();
    const Variant empty;
    if (Row == FRowCount) {
        // Appended: the row joins the sums later (CatchUpSums).
        for (size_t f = 0; f < FValues.size(); ++f)
            FValues[f].Insert(static_cast<size_t>(Row), f < Count ? Values[f] : empty);
        ++FRowCount;
        DoRowInserted(Row);
        return;
    }
    CatchUpSums();
    for (size_t f = 0; f < FValues.size(); ++f) {
        const Variant& value = f < Count ? Values[f] : empty;
        FValues[f].Insert(static_cast<size_t>(Row), value);
        // The new cell joins the sum (nothing leaves it).
        if (FTypes[f] == ValueTypeNumeric)
            FSums[f].Add(value);
    }
    FSummedRows = ++FRowCount;
    DoRowInserted(Row);
}

void TKvSimpleDataProvider::RemoveRow(int Row)
{
    if (FRowCount == 0)
        return;
    CheckRow(Row);
    CatchUpSums();
    ValuesChanged();
    for (size_t f = 0; f < FValues.size(); ++f) {
        MoveSum(static_cast<int>(f), Variant(), Cell(Row, static_cast<int>(f)));
        FValues[f].Erase(static_cast<size_t>(Row));
    }
    FSummedRows = --FRowCount;
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
    CatchUpSums();
    ValuesChanged();
    // One compaction pass per column.
    for (size_t f = 0; f < FValues.size(); ++f) {
        for (int row : rows)
            MoveSum(static_cast<int>(f), Variant(), Cell(row, static_cast<int>(f)));
        FValues[f].EraseRows(rows);
    }
    FRowCount -= static_cast<int>(rows.size());
    FSummedRows = FRowCount;
    DoRowsRemoved(rows);
}

void TKvSimpleDataProvider::ClearRows()
{
    ValuesChanged();
    for (TKvValueColumn& column : FValues)
        column.Clear();
    for (TRunningSum& sum : FSums)
        sum = TRunningSum();
    FRowCount = 0;
    FSummedRows = 0;
    DoReset();
}

Variant TKvSimpleDataProvider::GetSum(int Field) const
{
    CheckColumn(Field);
    CatchUpSums();
    TRunningSum& sum = FSums[static_cast<size_t>(Field)];
    if (!sum.Touched)
        return Variant();
    if (sum.Pending.Used())
        sum.Pending.MoveTo(sum.Fraction);
    if (sum.NaNs > 0 || (sum.PositiveInfinities > 0 && sum.NegativeInfinities > 0))
        return Variant(std::numeric_limits<double>::quiet_NaN());
    if (sum.PositiveInfinities > 0 || sum.NegativeInfinities > 0)
        return Variant(sum.PositiveInfinities > 0 ? std::numeric_limits<double>::infinity()
                                                  : -std::numeric_limits<double>::infinity());
    if (sum.Fractions == 0) {
        if (sum.Whole >= std::numeric_limits<std::int64_t>::min() && sum.Whole <= std::numeric_limits<std::int64_t>::max())
            return Variant(static_cast<std::int64_t>(sum.Whole));
        return Variant(static_cast<double>(sum.Whole));
    }
    if (sum.Fraction.Overflowed())
        RecountFractions(Field);
    // The whole part joins the exact sum in three exact pieces, so the total is rounded once.
    TKvExactSum total = sum.Fraction;
    __extension__ __int128 rest = sum.Whole;
    for (int piece = 0; piece < 3 && rest != 0; ++piece) {
        const double part = static_cast<double>(rest);
        total.Add(part);
        rest -= static_cast<__int128>(part);
    }
    return Variant(total.Value());
}

namespace {
// A sum of cells as the range sums add them: whole numbers exactly while they fit, then
// doubles; Other once a cell of another kind is met (empty and null cells are skipped).
struct TCellSum
{
    std::int64_t Int = 0;
    double Double = 0;
    bool IsDouble = false;
    bool Other = false;

    void AddInt(std::int64_t value)
    {
        std::int64_t next = 0;
        if (IsDouble) {
            Double += static_cast<double>(value);
        } else if (!__builtin_add_overflow(Int, value, &next)) {
            Int = next;
        } else {
            Double = static_cast<double>(Int) + static_cast<double>(value);
            IsDouble = true;
        }
    }
    void AddDouble(double value)
    {
        if (!IsDouble)
            Double = static_cast<double>(Int);
        IsDouble = true;
        Double += value;
    }
    void Add(const Variant& value)
    {
        if (value.IsInteger())
            AddInt(value.IntUnchecked());
        else if (value.IsDouble())
            AddDouble(value.DoubleUnchecked());
        else if (!value.IsClear())
            Other = true;
    }
    Variant Value() const { return IsDouble ? Variant(Double) : Variant(Int); }
};
} // namespace

Variant TKvSimpleDataProvider::GetRangeSum(int Field, TKvRowIndices Rows) const
{
    if (GetValueType(Field) != ValueTypeNumeric)
        return Variant(0);
    const TKvValueColumn& column = FValues[static_cast<size_t>(Field)];
    // Plain integers and doubles add without going through the variant operator; any other
    // kind continues with it, so the result is the same as folding VarAdd from 0.
    TCellSum sum;
    size_t i = 0;
    const TKvValueColumn::TMode mode = column.Mode();
    if (mode == TKvValueColumn::ModeInts || mode == TKvValueColumn::ModeDoubles || mode == TKvValueColumn::ModeEmpty) {
        for (const int row : Rows)
            if (row < 0 || row >= FRowCount)
                CheckRow(row);
        if (mode == TKvValueColumn::ModeInts)
            column.Ints().ForRows(Rows, [&](size_t, std::int64_t value) { sum.AddInt(value); });
        else if (mode == TKvValueColumn::ModeDoubles)
            for (const int row : Rows)
                sum.AddDouble(column.DoubleAt(static_cast<size_t>(row)));
        return sum.Value();
    }
    for (; i < Rows.size(); ++i) {
        const int row = Rows[i];
        if (row < 0 || row >= FRowCount)
            CheckRow(row);
        sum.Add(Cell(row, Field));
        if (sum.Other)
            break;
    }
    if (!sum.Other)
        return sum.Value();
    // The cell of another kind is added again by the variant operator.
    sum.Other = false;
    Variant total = sum.Value();
    for (; i < Rows.size(); ++i) {
        CheckRow(Rows[i]);
        const Variant value = Cell(Rows[i], Field);
        if (!value.IsClear())
            total = VarAdd(total, value);
    }
    return total;
}

namespace {
// Every row of the lists given its list's number, then every such row added to its list in
// row order; false when a row leaves the table, is in two lists or does not come after the
// row before it in its list.
template <typename TList>
bool SumListsByRow(const TKvValueColumn& column, int RowCount, TKvRowIndices Rows, std::span<const int> Ends,
                   TCellSum* Sums)
{
    constexpr TList none = std::numeric_limits<TList>::max(); // in no list
    const auto rowCount = static_cast<size_t>(RowCount);
    struct TFree
    {
        void operator()(TList* p) const noexcept { FreeLargeBlock(p); }
    };
    const std::unique_ptr<TList[], TFree> listOf(
        static_cast<TList*>(AllocateLargeBlock(std::max<size_t>(rowCount, 1) * sizeof(TList))));
    std::fill_n(listOf.get(), rowCount, none);
    size_t begin = 0;
    for (size_t k = 0; k < Ends.size(); ++k) {
        const auto end = static_cast<size_t>(Ends[k]);
        for (size_t i = begin; i < end; ++i) {
            // The rows of a list lie anywhere in the table: their entries are fetched ahead.
            if (i + 16 < Rows.size())
                if (const auto ahead = static_cast<size_t>(Rows[i + 16]); ahead < rowCount)
                    __builtin_prefetch(&listOf[ahead], 1);
            const int row = Rows[i];
            if (row < 0 || row >= RowCount || (i > begin && row <= Rows[i - 1]) ||
                listOf[static_cast<size_t>(row)] != none)
                return false;
            listOf[static_cast<size_t>(row)] = static_cast<TList>(k);
        }
        begin = end;
    }
    auto each = [&](auto add) {
        for (size_t row = 0; row < rowCount; ++row)
            if (const TList k = listOf[row]; k != none)
                add(Sums[k], row);
    };
    switch (column.Mode()) {
    case TKvValueColumn::ModeEmpty: break;
    case TKvValueColumn::ModeInts:
        each([&](TCellSum& sum, size_t row) { sum.AddInt(column.Ints().Get(row)); });
        break;
    case TKvValueColumn::ModeDoubles: {
        // Plain doubles from 0, as AddDouble adds them; a list with rows then reads as a double.
        std::vector<double> totals(Ends.size(), 0.0);
        for (size_t row = 0; row < rowCount; ++row)
            if (const TList k = listOf[row]; k != none)
                totals[k] += column.DoubleAt(row);
        size_t first = 0;
        for (size_t k = 0; k < Ends.size(); ++k) {
            if (static_cast<size_t>(Ends[k]) > first) {
                Sums[k].Double = totals[k];
                Sums[k].IsDouble = true;
            }
            first = static_cast<size_t>(Ends[k]);
        }
        break;
    }
    default:
        each([&](TCellSum& sum, size_t row) {
            if (!sum.Other)
                sum.Add(column.Get(row));
        });
        break;
    }
    return true;
}
} // namespace

void TKvSimpleDataProvider::GetRangeSums(int Field, TKvRowIndices Rows, std::span<const int> Ends, Variant* Sums) const
{
    if (GetValueType(Field) != ValueTypeNumeric) {
        std::fill(Sums, Sums + Ends.size(), Variant(0));
        return;
    }
    // Each list adds its values in its own order, as GetRangeSum does, in one pass in row
    // order; a list meeting another kind is summed again by GetRangeSum.
    std::vector<TCellSum> sums(Ends.size());
    const TKvValueColumn& column = FValues[static_cast<size_t>(Field)];
    // List numbers in 16 bits while they fit (the highest marks a row in no list).
    const bool summed = Ends.size() < 0xFFFF
                            ? SumListsByRow<std::uint16_t>(column, FRowCount, Rows, Ends, sums.data())
                            : SumListsByRow<std::uint32_t>(column, FRowCount, Rows, Ends, sums.data());
    if (!summed) {
        // Lists that overlap, go back or leave the table are summed one by one.
        TKvGridDataProvider::GetRangeSums(Field, Rows, Ends, Sums);
        return;
    }
    size_t begin = 0;
    for (size_t k = 0; k < Ends.size(); ++k) {
        const auto end = static_cast<size_t>(Ends[k]);
        Sums[k] = sums[k].Other ? GetRangeSum(Field, Rows.subspan(begin, end - begin)) : sums[k].Value();
        begin = end;
    }
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
    const QStringList tokens = Types.isEmpty() ? QStringList() : SplitList(Types);
    std::vector<TKvGridValueType> types;
    for (qsizetype i = 0; i < std::min<qsizetype>(tokens.size(), Count); ++i)
        types.push_back(TypeOfToken(tokens[i]));
    InsertColumns(Index, names.mid(0, Count), types);
}

void TKvSimpleDataProvider::InsertColumns(int Index, const QStringList& Names, const std::vector<TKvGridValueType>& Types)
{
    if (Index < 0 || Index > FColumnCount)
        throw EArgumentOutOfRangeException(QStringLiteral("Column %1 is invalid index.").arg(Index));
    for (qsizetype i = 0; i < Names.size(); ++i)
        if (Names[i].trimmed().isEmpty())
            throw Exception(QStringLiteral("Field name should not be empty[%1]: %2").arg(i).arg(Names[i]));
    CatchUpSums();
    const auto at = static_cast<size_t>(Index);
    const auto count = static_cast<size_t>(Names.size());
    for (size_t i = 0; i < count; ++i) {
        // A column without a type repeats the type of the column before it.
        const TKvGridValueType type = i < Types.size() ? Types[i] : i > 0 ? FTypes[at + i - 1] : ValueTypeText;
        FFields.insert(static_cast<qsizetype>(at + i), Names[static_cast<qsizetype>(i)].trimmed());
        FTypes.insert(FTypes.begin() + static_cast<std::ptrdiff_t>(at + i), type);
        FSums.insert(FSums.begin() + static_cast<std::ptrdiff_t>(at + i), TRunningSum());
        FMinimums.insert(FMinimums.begin() + static_cast<std::ptrdiff_t>(at + i), Variant());
        FMaximums.insert(FMaximums.begin() + static_cast<std::ptrdiff_t>(at + i), Variant());
    }
    ValuesChanged();
    for (size_t i = 0; i < count; ++i)
        FValues.insert(FValues.begin() + static_cast<std::ptrdiff_t>(at + i), TKvValueColumn(static_cast<size_t>(FRowCount)));
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
    CatchUpSums();
    ValuesChanged();
    // Names, types and aggregates go with their columns.
    FFields.remove(Index, n);
    FTypes.erase(FTypes.begin() + first, FTypes.begin() + last);
    FSums.erase(FSums.begin() + first, FSums.begin() + last);
    FMinimums.erase(FMinimums.begin() + first, FMinimums.begin() + last);
    FMaximums.erase(FMaximums.begin() + first, FMaximums.begin() + last);
    FValues.erase(FValues.begin() + first, FValues.begin() + last);
    FColumnCount -= n;
}

} // namespace kv
