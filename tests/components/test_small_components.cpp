// The mocks driving a renderer without a grid, the file-list provider's pattern rule and
// empty answers, and form-file round trips of the file list and the plain grid class.
#include "components/KvGrids.Data.FileSystem.h"
#include "components/KvGrids.Mocks.h"
#include "components/KvGrids.Morlix.h"
#include "grid/CellRenderSupport.h"
#include "ComponentTestSupport.h"
#include "TestSupport.h"

#include "grid/KvGrids.Renderers.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Default.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Streaming.h"

using namespace kv;

namespace {

constexpr QRgb Back = 0xFFC0D0F0u;
constexpr QRgb Figure = 0xFF0000FFu;

TEST(Mocks, ItemAndCellMocksDriveABarRendererWithoutAGrid)
{
    TOwned<TKvDefaultGridItemProvider> items = MakeOwned<TKvDefaultGridItemProvider>();
    TKvGridItemMock item(items.get(), 4);
    EXPECT_EQ(item.GetDataRow(), 4);
    item.SetDataIndex(2);
    EXPECT_EQ(item.GetDataRow(), 2);
    EXPECT_EQ(item.GetProvider(), items.get());
    EXPECT_ANY_THROW(TKvGridItemMock(nullptr, 0));

    kv::TKvGridCellMock cell(TKvGridCellIndex(), &item, Variant(25));
    EXPECT_EQ(cell.GetItem(), &item);
    EXPECT_EQ(cell.GetIndex().ItemIndex, -1);
    EXPECT_EQ(cell.GetDisplayText(), "25");
    // No styles unless given some.
    EXPECT_EQ(cell.GetStyles(), nullptr);
    cell.SetValue(Variant::Null());
    EXPECT_EQ(cell.GetDisplayText(), "");
    cell.SetValue(Variant(QStringLiteral("x")));
    EXPECT_EQ(cell.GetValue().ToString(), "x");

    TKvGridViewStyles styles(nullptr, "mock");
    styles.SetBackground(styles.CreateBrush(TKvColor(Back)));
    styles.SetFigureBackground(styles.CreateBrush(TKvColor(Figure)));
    styles.SetPaddingLeft(0);
    styles.SetPaddingRight(0);
    cell.SetStyles(&styles);
    cell.SetIndex(TKvGridCellIndex(nullptr, 3, nullptr));
    EXPECT_EQ(cell.GetIndex().ItemIndex, 3);
    TOwned<TKvBarCellRenderer> bar = MakeOwned<TKvBarCellRenderer>(nullptr);
    bar->SetMinimum(0);
    bar->SetMaximum(100);
    auto render = [&](const Variant& value) {
        cell.SetValue(value);
        return kvtest::PaintImage(200, 20, [&](TKvDrawingContext& c) { bar->Render(&cell, &c, TRectF(0, 0, 200, 20)); });
    };
    const QRect quarter = kvtest::ColorBounds(render(Variant(25)), Figure);
    const QRect most = kvtest::ColorBounds(render(Variant(75)), Figure);
    ASSERT_FALSE(quarter.isEmpty());
    EXPECT_NEAR(quarter.width(), 50, 2);
    EXPECT_NEAR(most.width(), 150, 2);
    EXPECT_EQ(render(Variant(75)).pixel(199, 0), Back);
}

TEST(FileList, PatternRuleAndEmptyAnswers)
{
    TOwned<TKvFileListDataProvider> files = MakeOwned<TKvFileListDataProvider>(nullptr);
    EXPECT_EQ(files->GetPattern(), "*");
    files->SetPattern("  *.csv ");
    EXPECT_EQ(files->GetPattern(), "*.csv");
    EXPECT_EQ(files->GetPatternText(), "  *.csv ");
    files->SetPattern("   ");
    EXPECT_EQ(files->GetPattern(), "*");
    files->SetFolder("/tmp/data");
    EXPECT_EQ(files->GetFolder(), "/tmp/data");

    // No field, no row: a name is not found.
    EXPECT_EQ(files->GetRowCount(), 0);
    EXPECT_EQ(files->GetFieldCount(), 0);
    EXPECT_TRUE(files->GetFieldNames().isEmpty());
    EXPECT_EQ(files->GetFieldName(0), "");
    EXPECT_EQ(files->GetFieldIndex("Name"), -1);
    EXPECT_EQ(files->GetFieldIndex(""), -1);
    EXPECT_TRUE(files->GetData(0, 0).IsEmpty());
    EXPECT_TRUE(files->GetRow(0).empty());
    EXPECT_EQ(files->GetRowState(0), RowStateNone);
    EXPECT_FALSE(files->IsLocal());
    EXPECT_FALSE(files->CanUpdateRow(0));
    EXPECT_FALSE(files->CanUpdateField(0));
    files->SetData(0, 0, Variant(1));
    files->InsertRow(0, {Variant(1)});
    files->UpdateRow(0, {Variant(1)});
    files->RemoveRow(0);
    EXPECT_EQ(files->GetRowCount(), 0);

    // A grid over it shows nothing; a column bound by name stays unbound.
    TOwned<TKvMorlix> grid = MakeOwned<TKvMorlix>(nullptr);
    TKvGridDataColumn* column = grid->AddDataColumn();
    column->SetFieldName("Name");
    grid->SetDataProvider(files.get());
    EXPECT_EQ(grid->GetItemCount(), 0);
    EXPECT_EQ(column->GetDataIndex(), -1);
}

TEST(SmallComponents, FileListAndPlainGridRoundTripThroughAFormFile)
{
    kvtest::RegisterComponentsTestForm();
    TOwned<kvtest::TComponentsTestForm> form{Create<kvtest::TComponentsTestForm>(nullptr)};
    form->SetName("Form1");
    TKvFileListDataProvider* files = Create<TKvFileListDataProvider>(form.get());
    files->SetName("Files1");
    files->SetFolder("C:\\data");
    files->SetPattern(" *.txt");
    TKvMorlix* grid = Create<TKvMorlix>(form.get());
    grid->SetName("Grid1");
    grid->AddDataColumn()->SetName("Col1");
    grid->GetStyles()->SetPaddingLeft(6);

    const QString text = WriteComponentText(form.get());
    EXPECT_TRUE(text.contains("TKvFileListDataProvider"));
    EXPECT_TRUE(text.contains("TKvMorlix"));
    TOwned<kvtest::TComponentsTestForm> copy{Create<kvtest::TComponentsTestForm>(nullptr)};
    ReadComponentText(text, copy.get());
    EXPECT_EQ(WriteComponentText(copy.get()), text);
    auto* readFiles = dynamic_cast<TKvFileListDataProvider*>(copy->FindComponent("Files1"));
    ASSERT_NE(readFiles, nullptr);
    EXPECT_EQ(readFiles->GetFolder(), "C:\\data");
    EXPECT_EQ(readFiles->GetPattern(), "*.txt");
    auto* readGrid = dynamic_cast<TKvMorlix*>(copy->FindComponent("Grid1"));
    ASSERT_NE(readGrid, nullptr);
    EXPECT_EQ(readGrid->GetColumnCount(), 1);
    EXPECT_EQ(readGrid->GetStyles()->GetPaddingLeft(), 6);
    // Registered by name for form files that create them.
    EXPECT_NE(GetClass("TKvMorlix"), nullptr);
    EXPECT_NE(GetClass("TKvFileListDataProvider"), nullptr);
    EXPECT_NE(GetClass("TKvListView"), nullptr);
}

} // namespace
