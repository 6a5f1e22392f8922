// Grids over typed tables and a reader of exported workbooks, for the exporter tests.
#pragma once

#include "../grid/GridTestSupport.h"
#include "components/KvGrids.Converter.Excel.h"
#include "model/KvGrids.Model.Proxy.Group.h"
#include "platform/rtl/DateUtils.h"
#include "platform/xml/XmlDom.h"
#include "TestSupport.h"

#include <map>
#include <set>

namespace kvtest {

using namespace kv;

// A grid over a typed table: Id (n), Region (s), City (s), Ordered (d), Amount (n), Paid (b),
// Note (s). Regions and cities come in runs, so grouping by them needs no sort.
struct TTypedGrid
{
    TOwned<TKvSimpleDataProvider> Data{Create<TKvSimpleDataProvider>(nullptr)};
    TOwned<TKvGridViewImpl> Grid = MakeOwned<TKvGridViewImpl>(nullptr);
    TOwned<TKvGridGroupedItemProvider> Grouped;
    TOwned<TKvGridExcelConverter> Converter = MakeOwned<TKvGridExcelConverter>(nullptr);
    enum { Id, Region, City, Ordered, Amount, Paid, Note };

    TTypedGrid()
    {
        Data->InsertColumns(0, 7, QStringLiteral("Id,Region,City,Ordered,Amount,Paid,Note"),
                            QStringLiteral("n,s,s,d,n,b,s"));
        Grid->SetName(QStringLiteral("Orders"));
        Grid->SetDataProvider(Data.get());
        Converter->SetAutoSave(false);
    }
    ~TTypedGrid()
    {
        Grid->SetItemSource(nullptr);
        Grouped.reset();
        Grid.reset();
        Data.reset();
    }

    // Value by value, so that the table's running sums follow.
    void AddRow(const TKvGridDataRow& Values)
    {
        const int row = Data->GetRowCount();
        Data->InsertRow(row, TKvGridDataRow(Values.size()));
        for (size_t f = 0; f < Values.size(); ++f)
            Data->SetData(row, int(f), Values[f]);
    }
    // The six rows the tests share: two regions, three cities, Korean and Latin text.
    void AddSampleRows()
    {
        AddRow({1, QStringLiteral("서울"), QStringLiteral("Mapo"), Variant::DateTime(EncodeDateTime(2026, 12, 7, 13, 45, 0)),
                1234.5, true, QStringLiteral("한글 text")});
        AddRow({2, QStringLiteral("서울"), QStringLiteral("Mapo"), Variant::DateTime(EncodeDate(2026, 1, 31)), 0.1, false,
                QStringLiteral("a < b & \"c\"")});
        AddRow({3, QStringLiteral("서울"), QStringLiteral("Jongno"), Variant::DateTime(EncodeDate(1999, 12, 31)), -2.75,
                true, QStringLiteral("Zoë")});
        AddRow({4, QStringLiteral("Busan"), QStringLiteral("Haeundae"), Variant::DateTime(EncodeDate(2000, 2, 29)),
                1e20, false, QStringLiteral("line 1\nline 2")});
        AddRow({5, QStringLiteral("Busan"), QStringLiteral("Haeundae"), Variant::DateTime(EncodeDate(2024, 6, 1)),
                0.30000000000000004, true, QStringLiteral("plain")});
        AddRow({6, QStringLiteral("Busan"), QStringLiteral("Suyeong"), Variant::DateTime(EncodeDate(2025, 3, 3)), 42, false,
                QStringLiteral("")});
    }

    TKvGridDataColumn* AddColumn(int Field, TKvGridColumnGroup* Group = nullptr, int Width = 80)
    {
        TKvGridDataColumn* column = Grid->AddDataColumn(Group);
        column->SetFieldName(Data->GetFieldName(Field));
        column->SetWidth(Width);
        Grid->ResetColumnIndicies();
        return column;
    }
    TKvGridColumnGroup* AddGroup(const QString& Caption, TKvGridColumnGroup* Parent = nullptr)
    {
        TKvGridColumnGroup* group = Grid->AddColumnGroup(Parent);
        group->GetHeader()->SetCaption(Caption);
        return group;
    }
    // Id | "Customer · 고객" over Region, City and Note side by side | "Order", a vertical group:
    // Ordered over Amount (widths 120). Returns the Order group.
    TKvGridColumnGroup* AddCustomerAndOrder()
    {
        AddColumn(Id);
        TKvGridColumnGroup* customer = AddGroup(QStringLiteral("Customer · 고객"));
        for (int f : {Region, City, Note})
            AddColumn(f, customer);
        TKvGridColumnGroup* order = AddGroup(QStringLiteral("Order"));
        order->SetOrientation(ColumnsVertical);
        AddColumn(Ordered, order, 120);
        AddColumn(Amount, order, 120);
        return order;
    }
    // Groups the grid's rows by the fields (no fields: ungroups), with group footers.
    void GroupBy(const TKvIntegerArray& Fields)
    {
        if (!Grouped) {
            Grouped = MakeOwned<TKvGridGroupedItemProvider>(Grid->GetItemSourceImpl());
            Grouped->SetExpandWhenGrouping(true);
            Grouped->SetExpandedStyle(ExpandedBoth);
            Grid->SetItemSource(Grouped.get());
        }
        Grouped->GroupBy(Fields);
    }

    QString Export(bool AllItems = false)
    {
        Converter->Convert(Grid.get(), AllItems);
        return Converter->GetOutput();
    }
};

// One cell of an exported worksheet, placed at its 0-based spreadsheet row and column.
struct TSheetCell
{
    int Row = 0;
    int Col = 0;
    int Across = 0;
    int Down = 0;
    bool HasAcross = false;
    bool HasDown = false;
    QString Style;
    bool HasData = false;
    QString Type;
    QString Text;
};

// An exported workbook read back: its document, the cells of its table by position and the
// positions merged cells cover. A cell that lands on a covered position fails the test.
struct TSheet
{
    TXmlDocument Doc;
    QString Name;
    int RowCount = 0;
    std::vector<TSheetCell> Cells;
    std::map<std::pair<int, int>, size_t> Anchors;
    std::set<std::pair<int, int>> Covered;
    std::vector<std::vector<size_t>> RowCells;

    explicit TSheet(const QString& Xml)
    {
        Doc.LoadFromText(Xml);
        TXmlNode sheet = Doc.Root().Child(QStringLiteral("Worksheet"));
        Name = sheet.Attribute(QStringLiteral("ss:Name"));
        int r = 0;
        for (const TXmlNode& row : sheet.Child(QStringLiteral("Table")).Children()) {
            if (row.NodeName() != QLatin1String("Row"))
                continue;
            RowCells.emplace_back();
            for (const TXmlNode& cell : row.Children()) {
                TSheetCell c;
                c.Row = r;
                c.Col = cell.Attribute(QStringLiteral("ss:Index")).toInt() - 1;
                c.HasAcross = cell.HasAttribute(QStringLiteral("ss:MergeAcross"));
                c.HasDown = cell.HasAttribute(QStringLiteral("ss:MergeDown"));
                c.Across = cell.Attribute(QStringLiteral("ss:MergeAcross")).toInt();
                c.Down = cell.Attribute(QStringLiteral("ss:MergeDown")).toInt();
                c.Style = cell.Attribute(QStringLiteral("ss:StyleID"));
                const TXmlNode data = cell.Child(QStringLiteral("Data"));
                c.HasData = !data.IsNull();
                c.Type = data.Attribute(QStringLiteral("ss:Type"));
                c.Text = data.Text();
                EXPECT_GE(c.Col, 0) << "row " << r << " has a cell without ss:Index";
                EXPECT_GE(c.Across, 0);
                EXPECT_GE(c.Down, 0);
                for (int y = r; y <= r + c.Down; ++y)
                    for (int x = c.Col; x <= c.Col + c.Across; ++x)
                        if (!Covered.insert({y, x}).second)
                            ADD_FAILURE() << "cell at row " << r << ", column " << c.Col << " overlaps position (" << y
                                          << ", " << x << ")";
                Anchors[{r, c.Col}] = Cells.size();
                RowCells.back().push_back(Cells.size());
                Cells.push_back(c);
            }
            ++r;
        }
        RowCount = r;
    }

    const TSheetCell* At(int Row, int Col) const
    {
        const auto found = Anchors.find({Row, Col});
        return found == Anchors.end() ? nullptr : &Cells[found->second];
    }
    // The data texts of a row, by column, "" where a cell has no data.
    QStringList RowTexts(int Row) const
    {
        QStringList texts;
        for (size_t i : RowCells[size_t(Row)]) {
            const TSheetCell& c = Cells[i];
            while (texts.size() < c.Col)
                texts << QString();
            texts << c.Text;
        }
        return texts;
    }
    QStringList RowTypes(int Row) const
    {
        QStringList types;
        for (size_t i : RowCells[size_t(Row)])
            types << Cells[i].Type;
        return types;
    }
    // The Style element of an id; null when there is none.
    TXmlNode Style(const QString& Id) const
    {
        for (const TXmlNode& s : Doc.Root().Child(QStringLiteral("Styles")).Children())
            if (s.Attribute(QStringLiteral("ss:ID")) == Id)
                return s;
        return TXmlNode();
    }
    QStringList StyleIds() const
    {
        QStringList ids;
        for (const TXmlNode& s : Doc.Root().Child(QStringLiteral("Styles")).Children())
            ids << s.Attribute(QStringLiteral("ss:ID"));
        return ids;
    }
    TXmlNodeList Columns() const
    {
        TXmlNodeList list;
        for (const TXmlNode& n : Doc.Root().Child(QStringLiteral("Worksheet")).Child(QStringLiteral("Table")).Children())
            if (n.NodeName() == QLatin1String("Column"))
                list.push_back(n);
        return list;
    }
};

} // namespace kvtest
