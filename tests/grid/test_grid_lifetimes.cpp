// Objects the grid borrows, freed in any order while the grid is shown: item providers,
// proxy sources, columns under the mouse, rows under a pressed button.
#include "EditTestSupport.h"
#include "ToolTestSupport.h"
#include "grid/KvGrids.Editing.h"
#include "grid/KvGrids.Editors.h"
#include "model/KvGrids.Model.Proxy.Filter.h"
#include "model/KvGrids.Model.Proxy.Group.h"

#include <QtTest/QTest>

using namespace kv;
using namespace kvtest;

namespace {

QWindow* WindowOf(TKvGridView* grid) { return grid->Widget()->windowHandle(); }

struct GridLifetimes : GridTool
{
};

} // namespace

TEST(GridLifetimesProvider, GridDeclaredBeforeItsProvider)
{
    TOwned<TKvSimpleDataProvider> data = MakeTable("A,B", "s,n", {{"x", 1}, {"y", 2}});
    TOwned<TKvGridViewImpl> grid = MakeOwned<TKvGridViewImpl>(nullptr);
    TOwned<TKvDefaultGridItemProvider> provider = MakeOwned<TKvDefaultGridItemProvider>();
    provider->SetDataSource(data.get());
    grid->SetItemSource(provider.get());
    EXPECT_EQ(grid->GetItemCount(), 2);
    // Leaving the scope frees the provider first, then the grid.
}

// Ordinary scoping: the grid declared first, the provider after it, so the provider goes first.
TEST(GridLifetimesProvider, ItemProviderFreedBeforeTheGridLeavesNoRows)
{
    TShownGrid g;
    g.Fill(6, 2);
    g.Show(300, 200);
    {
        TOwned<TKvDefaultGridItemProvider> provider = MakeOwned<TKvDefaultGridItemProvider>();
        provider->SetDataSource(g.Data.get());
        TOwned<TKvGridEditableItemProvider> editable = MakeOwned<TKvGridEditableItemProvider>(provider.get());
        g.Grid->SetItemSource(editable.get());
        g.Grid->SetFocusedIndex(g.Grid->GetCell(3, g.Columns[1]));
        g.Paint();
        ASSERT_EQ(g.Grid->GetItemCount(), 6);
        editable->BeginUpdate(2);
        editable->SetData(2, 0, Variant(QStringLiteral("pending")));
        EXPECT_TRUE(g.Grid->GetItemEdited());
        // The editable provider's source goes first: it lets go of it and shows nothing.
        provider.reset();
        EXPECT_EQ(editable->GetSource(), nullptr);
        EXPECT_EQ(editable->GetItemCount(), 0);
        EXPECT_EQ(g.Grid->GetItemCount(), 0);
        EXPECT_FALSE(g.Grid->GetItemEdited());
        g.Paint();
    }
    // The provider the grid observed is gone: the grid observes nothing and shows no rows.
    EXPECT_EQ(g.Grid->GetItemProvider(), nullptr);
    EXPECT_EQ(g.Grid->GetItemCount(), 0);
    EXPECT_TRUE(g.Grid->GetFocusedIndex().IsNull());
    g.Paint();
    EXPECT_EQ(g.Grid->GetRowView(0, false), nullptr);
    QTest::mouseMove(WindowOf(g.Grid.get()), QPoint(40, 60));
    QTest::keyClick(WindowOf(g.Grid.get()), Qt::Key_Down);
    // The grid's own provider still works when set again.
    g.Grid->SetItemSource(g.Grid->GetOwnedItemProvider());
    EXPECT_EQ(g.Grid->GetItemCount(), 6);
}

TEST(GridLifetimesProvider, ProxySourcesFreedFirstInAnyOrder)
{
    TShownGrid g;
    g.Fill(5, 2);
    g.Show(300, 200);
    TOwned<TKvGridGroupedItemProvider> grouped;
    {
        TOwned<TKvDefaultGridItemProvider> provider = MakeOwned<TKvDefaultGridItemProvider>();
        provider->SetDataSource(g.Data.get());
        TOwned<TKvGridFilteredItemProvider> filtered = MakeOwned<TKvGridFilteredItemProvider>(provider.get());
        grouped = MakeOwned<TKvGridGroupedItemProvider>(filtered.get());
        g.Grid->SetItemSource(grouped.get());
        g.Paint();
        ASSERT_EQ(g.Grid->GetItemCount(), 5);
        // The bottom of the chain goes first, then the middle: each proxy empties and the
        // grid, told by a reset, shows no rows.
        provider.reset();
        EXPECT_EQ(filtered->GetSource(), nullptr);
        EXPECT_EQ(filtered->GetItemCount(), 0);
        EXPECT_EQ(grouped->GetItemCount(), 0);
        EXPECT_EQ(g.Grid->GetItemCount(), 0);
        g.Paint();
    }
    EXPECT_EQ(grouped->GetSource(), nullptr);
    EXPECT_EQ(g.Grid->GetItemProvider(), grouped.get());
    g.Paint();
    grouped.reset();
    EXPECT_EQ(g.Grid->GetItemProvider(), nullptr);
    g.Paint();
}

// A source deleted without Free still tells its proxy, at the last moment.
TEST(GridLifetimesProvider, SourceDeletedWithoutFree)
{
    TOwned<TKvSimpleDataProvider> data = MakeTable("A", "s", {{"x"}, {"y"}, {"z"}});
    std::unique_ptr<TKvDefaultGridItemProvider> source(Create<TKvDefaultGridItemProvider>());
    source->SetDataSource(data.get());
    TOwned<TKvGridFilteredItemProvider> filtered = MakeOwned<TKvGridFilteredItemProvider>(source.get());
    TItemRecorder recorder;
    filtered->AddListener(&recorder);
    ASSERT_EQ(filtered->GetItemCount(), 3);
    source.reset();
    EXPECT_EQ(filtered->GetSource(), nullptr);
    EXPECT_EQ(filtered->GetItemCount(), 0);
    EXPECT_EQ(recorder.Events, QStringList{QStringLiteral("reset")});
    filtered->RemoveListener(&recorder);
}
// A header cell hovered, then its column removed: the next mouse move must not reach the
// freed column through a cached cell view or the tool's hover pointer.
TEST_F(GridLifetimes, ColumnRemovedWhileItsHeaderIsHovered)
{
    Make(10, 3);
    Move(Center(HeaderRect(1)));
    ASSERT_NE(Tool()->GetHoveredCell(), nullptr);
    TKvGridColumn* removed = g.Columns[1];
    Grid()->RemoveColumn(removed);
    g.Columns.erase(g.Columns.begin() + 1);
    EXPECT_EQ(Tool()->GetHoveredCell(), nullptr);
    Move(Center(HeaderRect(0)));
    Move(Center(HeaderRect(1)));
    g.Paint();
    EXPECT_EQ(Tool()->GetHoveredCell(), Grid()->GetCellView(Grid()->GetHeader(), TKvGridCellIndex(g.Columns[1])));
    // A body cell hovered and pressed, then its column removed before the release.
    Move(Center(CellRect(2, 1)));
    Press(Center(CellRect(2, 1)));
    Grid()->RemoveColumn(g.Columns[1]);
    g.Columns.erase(g.Columns.begin() + 1);
    Move(Center(CellRect(3, 0)));
    Release(Center(CellRect(3, 0)));
    EXPECT_EQ(Grid()->GetVisibleColumnCount(), 1);
    Click(Center(CellRect(4, 0)));
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(4, 0));
}

// Found by the stress test: a block selection naming a column removed afterwards.
TEST_F(GridLifetimes, SelectionOnARemovedColumnGoes)
{
    Make(10, 3);
    Press(Center(CellRect(1, 1)));
    Move(Center(CellRect(3, 2)));
    Release(Center(CellRect(3, 2)));
    ASSERT_EQ(Sel()->GetCount(), 1);
    ASSERT_EQ(Range(0).C2, g.Columns[2]);
    Grid()->RemoveColumn(g.Columns[2]);
    g.Columns.pop_back();
    for (int i = 0; i < Sel()->GetCount(); ++i) {
        EXPECT_NE(Range(i).C1, nullptr);
        EXPECT_TRUE(Range(i).C1 == g.Columns[0] || Range(i).C1 == g.Columns[1]);
        EXPECT_TRUE(Range(i).C2 == g.Columns[0] || Range(i).C2 == g.Columns[1]);
    }
    g.Paint();
    Click(Center(CellRect(2, 1)));
    EXPECT_EQ(Grid()->GetFocusedIndex(), Index(2, 1));
}

// Found by the stress test: rows removed under a selection leave no range past the items.
TEST_F(GridLifetimes, RowsRemovedUnderTheSelection)
{
    Make(10, 2);
    Press(Center(CellRect(6, 0)));
    Move(Center(CellRect(8, 1)));
    Release(Center(CellRect(8, 1)));
    ASSERT_EQ(Sel()->GetCount(), 1);
    ASSERT_EQ(Range(0).R2, 8);
    for (int r = 9; r >= 3; --r)
        g.Data->RemoveRow(r);
    ASSERT_EQ(Grid()->GetItemCount(), 3);
    for (int i = 0; i < Sel()->GetCount(); ++i)
        EXPECT_LT(std::max(Range(i).R1, Range(i).R2), 3) << i;
    g.Paint();
    EXPECT_EQ(Grid()->GetFocusedIndex().ItemIndex, 2);
}

// Found by the stress test: typing on a group header of an editable grouped list edits nothing.
TEST_F(GridLifetimes, TypingOnAGroupHeaderEditsNothing)
{
    Make(6, 2);
    g.Data->SetData(0, 1, Variant(QStringLiteral("same")));
    TOwned<TKvGridGroupedItemProvider> grouped = MakeOwned<TKvGridGroupedItemProvider>(Grid()->GetItemProvider());
    grouped->GroupBy({0});
    TOwned<TKvGridEditableItemProvider> editable = MakeOwned<TKvGridEditableItemProvider>(grouped.get());
    Grid()->SetItemSource(editable.get());
    g.Paint();
    ASSERT_EQ(editable->GetItem(0)->GetDataRow(), -1) << "item 0 is a group header";
    EXPECT_FALSE(editable->CanUpdate(0, 0));
    EXPECT_FALSE(editable->CanDelete(0));
    EXPECT_TRUE(editable->GetData(0, 0).IsEmpty());
    Grid()->SetFocusedIndex(Index(0, 0), true);
    Grid()->ShowEditor(false);
    EXPECT_NO_THROW(Key(Qt::Key_A));
    EXPECT_FALSE(editable->IsEditing(0));
    Grid()->SetItemSource(nullptr);
}

namespace {

// A grid whose construction fails half-way, after most of its parts were made.
class TFailingGrid : public TKvGridViewImpl
{
protected:
    friend class TCreateAccess;
    using TKvGridViewImpl::TKvGridViewImpl;
    TOwned<TKvGridEditController> CreateEditController() override { throw Exception(QStringLiteral("no edit controller")); }
};

} // namespace

// The parts made before the throw are freed with the grid (the leak checker sees the rest),
// and a provider the half-made grid observed hears nothing later.
TEST(GridLifetimesProvider, ConstructionThrowingHalfWayFreesWhatWasBuilt)
{
    EXPECT_THROW(
        {
            try {
                Create<TFailingGrid>(nullptr);
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message(), QStringLiteral("no edit controller"));
                throw;
            }
        },
        Exception);
    TShownGrid g;
    g.Fill(3, 1);
    EXPECT_EQ(g.Grid->GetItemCount(), 3);
}

// Found by the stress test: an editor open when the item source changes closes unwritten.
TEST_F(GridLifetimes, EditorOpenWhileTheItemSourceChanges)
{
    Make(5, 2);
    const Variant before = g.Data->GetData(1, 0);
    Grid()->SetFocusedIndex(Index(1, 0), true);
    Grid()->ShowEditor(false);
    ASSERT_TRUE(Grid()->GetEditing());
    Key(Qt::Key_X);
    TOwned<TKvDefaultGridItemProvider> empty = MakeOwned<TKvDefaultGridItemProvider>();
    TOwned<TKvGridEditableItemProvider> editable = MakeOwned<TKvGridEditableItemProvider>(empty.get());
    EXPECT_NO_THROW(Grid()->SetItemSource(editable.get()));
    EXPECT_FALSE(Grid()->GetEditing());
    EXPECT_EQ(g.Data->GetData(1, 0), before);
    g.Paint();
    Grid()->SetItemSource(Grid()->GetOwnedItemProvider());
    EXPECT_EQ(Grid()->GetItemCount(), 5);
}

namespace {

// A form as form files make them: it owns the grid, the data, and a list editor of one of
// the grid's columns side by side.
class TOwnerForm : public TComponent
{
protected:
    friend class TCreateAccess;
    using TComponent::TComponent;
};

enum TFormState { Painted, Focused, RangeSelected, EditorOpen, ListDropped };

// Builds the form making its grid ('G'), data ('D'), list editor ('E', one made for its column
// when internal) and style sheet ('S') in the order given, shows the grid, brings it to the
// state, and frees the form.
void FreeOwnerForm(const QString& order, TFormState state, bool internal)
{
    TOwned<TOwnerForm> form = MakeOwned<TOwnerForm>(nullptr);
    TKvGridViewImpl* grid = nullptr;
    TKvListCellEditor* editor = nullptr;
    TKvSimpleDataProvider* data = nullptr;
    TKvGridStyleSheet* sheet = nullptr;
    for (QChar made : order) {
        if (made == QLatin1Char('G'))
            grid = Create<TKvGridViewImpl>(form.get());
        else if (made == QLatin1Char('E') && internal)
            editor = Create<TKvInternalListCellEditor>(form.get());
        else if (made == QLatin1Char('E'))
            editor = Create<TKvListCellEditor>(form.get());
        else if (made == QLatin1Char('S'))
            sheet = Create<TKvGridStyleSheet>(form.get());
        else
            data = Create<TKvSimpleDataProvider>(form.get());
    }
    sheet->GetBody()->SetFont(TKvFont::Default10());
    grid->SetStyleSheet(sheet);
    data->InsertColumns(0, 2, QStringLiteral("Name,Fruit"), QStringLiteral("s,s"));
    for (int r = 0; r < 4; ++r)
        data->InsertRow(r, TKvGridDataRow{Variant(QStringLiteral("n%1").arg(r)), Variant(QStringLiteral("apple"))});
    grid->SetDataProvider(data);
    TKvGridDataColumn* name = grid->AddDataColumn();
    name->SetFieldName(QStringLiteral("Name"));
    TKvGridDataColumn* fruit = grid->AddDataColumn();
    fruit->SetFieldName(QStringLiteral("Fruit"));
    fruit->SetLookupValues({QStringLiteral("apple"), QStringLiteral("banana"), QStringLiteral("cherry")});
    if (auto* own = dynamic_cast<TKvInternalListCellEditor*>(editor))
        own->SetInternalColumn(fruit);
    fruit->SetEditor(editor);
    grid->ResetColumnIndicies();

    ShowFocused(grid, 400, 200);
    QWindow* window = grid->Widget()->window()->windowHandle();
    grid->Invalidate();
    grid->Update();
    DeliverPosted();
    if (state != Painted) {
        grid->SetFocusedIndex(TKvGridCellIndex(grid, 1, fruit), true);
        DeliverPosted();
        EXPECT_EQ(static_cast<TKvDefaultGridEditController*>(grid->GetEditController())->GetEditor(), editor);
    }
    if (state == RangeSelected) {
        // A click on a name, a shift click on a fruit two rows down: a block over both columns.
        auto center = [grid](int item, TKvGridColumn* column) {
            TKvGridCellElement* view = grid->GetCellView(grid->GetBody(), TKvGridCellIndex(grid, item, column));
            EXPECT_NE(view, nullptr);
            const TRectF r = view ? view->BoundsByContainer() : TRectF();
            return WindowPoint(grid, int(r.Left + r.Right) / 2, int(r.Top + r.Bottom) / 2);
        };
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, center(0, name));
        QTest::mouseClick(window, Qt::LeftButton, Qt::ShiftModifier, center(2, fruit));
        DeliverPosted();
        ASSERT_EQ(grid->GetSelections()->GetCount(), 1);
        EXPECT_EQ(grid->GetSelections()->GetItem(0)->GetBounds().C2, fruit);
    }
    if (state == EditorOpen || state == ListDropped) {
        QTest::keyClick(window, Qt::Key_F2);
        DeliverPosted();
        EXPECT_TRUE(grid->GetEditing());
    }
    if (state == ListDropped) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::AltModifier);
        DeliverPosted();
        ASSERT_NE(editor->GetList(), nullptr);
        EXPECT_TRUE(editor->GetList()->GetListVisible());
    }
    grid->Invalidate();
    grid->Update();
    form.reset();
    DeliverPosted();
}

} // namespace

// The owner frees its components last made first: the grid and the editor, data and style
// sheet it borrows go in any order, whatever the grid was doing with the editor.
TEST(GridLifetimesOwner, FormFreesGridAndColumnEditorInAnyOrder)
{
    for (const char* order : {"GDES", "GEDS", "DGSE", "EDGS", "ESGD", "SDEG"})
        for (TFormState state : {Painted, Focused, RangeSelected, EditorOpen, ListDropped})
            for (bool internal : {false, true}) {
                SCOPED_TRACE(QStringLiteral("made %1, state %2%3")
                                 .arg(QLatin1String(order))
                                 .arg(state)
                                 .arg(internal ? ", the column's own editor" : "")
                                 .toStdString());
                FreeOwnerForm(QLatin1String(order), state, internal);
            }
}
