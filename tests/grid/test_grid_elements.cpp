// Grid elements, the delegate and the stock renderers: pools, which columns get cells, group
// geometry, buttons and the error icon, handles, delegate replacement and pixel probes.
#include "GridTestSupport.h"
#include "TestSupport.h"

using namespace kv;
using namespace kvtest;

namespace {

// A data cell over a model of our own: styles, text and an error.
class TProbeCell : public TKvGridCell
{
public:
    TKvGridViewStyles* Styles = nullptr;
    QString Error;
    TKvGridCellIndex GetIndex() const override { return {}; }
    TKvGridItem* GetItem() const override { return nullptr; }
    QString GetDisplayText() const override { return QStringLiteral("x"); }
    Variant GetValue() const override { return Variant(); }
    TKvGridViewStyles* GetStyles() const override { return Styles; }
    QString GetError() const override { return Error; }
};

class TProbeDataCell : public TKvGridDataCellElement
{
public:
    using TKvGridDataCellElement::TKvGridDataCellElement;
    TProbeCell* Model = nullptr;
    TKvGridCell* GetModel() override { return Model; }
    void DrawOn(TKvDrawingContext* context) { DoDraw(context); }
};

// Records the rectangle it was asked to draw into.
class TRecordingRenderer : public TKvGridDataCellRenderer
{
public:
    using TKvGridDataCellRenderer::TKvGridDataCellRenderer;
    TRectF Drawn;
    void DoDraw(TKvGridCell*, TKvDrawingContext*, const TRectF& rect) override { Drawn = rect; }
};

TEST(GridDelegate, PoolsReuseViewsAndRefuseDoubleReturns)
{
    TShownGrid g;
    g.Fill(10, 2);
    TKvGridDelegate* d = g.Grid->GetGridDelegate();
    const int made = d->GetCreatedViewCount();
    const int pooled = d->GetPooledRowViewCount();
    TKvGridItem* item = g.Grid->GetItemProvider()->GetItem(0);
    std::vector<TKvGridElement*> borrowed;
    for (int i = 0; i < pooled + 3; ++i)
        borrowed.push_back(d->BorrowItemView(item));
    EXPECT_EQ(d->GetCreatedViewCount(), made + 3);
    for (TKvGridElement* view : borrowed)
        d->ReturnItemView(view);
    for (int i = 0; i < pooled + 3; ++i)
        borrowed[static_cast<size_t>(i)] = d->BorrowItemView(item);
    EXPECT_EQ(d->GetCreatedViewCount(), made + 3);
    d->ReturnItemView(borrowed[0]);
    EXPECT_THROW(d->ReturnItemView(borrowed[0]), EAssertionFailed);
    for (size_t i = 1; i < borrowed.size(); ++i)
        d->ReturnItemView(borrowed[i]);
    EXPECT_THROW(d->GetItemRenderer(nullptr), Exception);

    // Two grids share the default area renderers.
    TShownGrid other;
    EXPECT_EQ(other.Grid->GetGridDelegate()->GetBodyRenderer(), d->GetBodyRenderer());
    IntfPtr<TKvGridBodyRenderer> own = MakeIntf<TKvGridBodyRenderer>(QStringLiteral("own"));
    d->SetBodyRenderer(own.get());
    EXPECT_EQ(d->GetBodyRenderer(), own.get());
    EXPECT_NE(other.Grid->GetGridDelegate()->GetBodyRenderer(), own.get());
}

TEST(GridDelegate, ReplacingTheDelegateWhileRowsAreLaidOut)
{
    TShownGrid g;
    g.Fill(50, 3);
    g.Show(300, 200);
    ASSERT_GT(g.Grid->GetBodyView()->GetUsed(), 0);
    TShownGrid other;
    auto* foreign = Create<TKvGridDelegate>(other.Grid.get());
    KV_EXPECT_THROW_MSG(g.Grid->SetGridDelegate(foreign), EArgumentException, "Delegate is already use by another grid");
    foreign->Free();
    KV_EXPECT_THROW_MSG(g.Grid->SetGridDelegate(nullptr), EArgumentNilException, "Delegate is nil");
    TKvGridDelegate* old = g.Grid->GetGridDelegate();
    g.Grid->SetGridDelegate(old); // the same one: nothing
    EXPECT_EQ(g.Grid->GetGridDelegate(), old);

    auto* fresh = Create<TKvGridDelegate>(g.Grid.get());
    g.Grid->SetGridDelegate(fresh);
    EXPECT_EQ(g.Grid->GetGridDelegate(), fresh);
    EXPECT_EQ(g.Grid->GetBodyView()->GetUsed(), 0);
    EXPECT_EQ(g.Grid->GetActiveTool(), fresh->GetDefaultTool().get());
    g.Paint(); // lays out with the new delegate; nothing of the old one is touched
    EXPECT_GT(g.Grid->GetBodyView()->GetUsed(), 0);
    EXPECT_GT(fresh->GetCreatedViewCount(), 0);
}

TEST(GridElements, PoolLookupsOutOfRangeSayIndexIsInvalid)
{
    TShownGrid g;
    g.Fill(3, 1);
    g.Show(200, 150);
    KV_EXPECT_THROW_MSG(g.Grid->GetRowGroupView()->GetHeader(5), Exception, "index is invalid: 5");
    KV_EXPECT_THROW_MSG(g.Grid->GetRowGroupView()->GetFooter(-1), Exception, "index is invalid: -1");
    KV_EXPECT_THROW_MSG(g.Grid->GetIndicatorView()->GetCell(99), Exception, "index is invalid: 99");
    KV_EXPECT_THROW_MSG(Create<TKvGridBodyElement>(nullptr, QStringLiteral("x"), false), EArgumentNilException, "model");
}

TEST(GridElements, OnlyTheVisibleColumnsGetCellsAndRowViewsArePooled)
{
    TShownGrid g;
    g.Fill(200, 10, 100);
    g.Grid->GetFixedCols()->SetCount(1);
    g.Show(400, 300);
    TKvGridLayoutManager* m = g.Layout();
    TKvGridRowElement* row = g.Grid->GetRowView(0, false);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetChildCount(), m->LastCol() - m->FirstCol() + 1);
    EXPECT_LT(row->GetChildCount(), 9);
    EXPECT_EQ(g.Grid->GetRowView(0, true)->GetChildCount(), 1);
    EXPECT_EQ(row->GetCells(g.Columns[1]), row->GetChild(0));
    EXPECT_EQ(g.Grid->GetHeaderView()->GetChildCount(), row->GetChildCount());
    EXPECT_EQ(g.Grid->GetIndicatorView()->GetChildCount(), m->FixedItemCount() + m->ItemCount());

    // Scrolling sideways moves the window of cells; the same pooled views come back.
    const int pool = g.Grid->GetBodyView()->GetPoolCount();
    g.Grid->SetLeftPos(450);
    g.Grid->SetTopIndex(100);
    g.Grid->InvalidateLayout();
    g.Paint();
    EXPECT_EQ(m->FirstCol(), 5); // scrolled columns start at 0, 100, ... : 450 falls in the fifth
    row = g.Grid->GetRowView(100, false);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(static_cast<TKvGridIndexedCellElement*>(row->GetChild(0))->GetColumn(), g.Columns[5]);
    EXPECT_EQ(row->GetChild(0)->GetLeft(), static_cast<float>(400 - 450));
    EXPECT_EQ(g.Grid->GetBodyView()->GetPoolCount(), pool);
    EXPECT_EQ(g.Grid->GetCellView(g.Grid->GetBody(), TKvGridCellIndex(g.Grid.get(), 100, g.Columns[5])), row->GetChild(0));
}

TEST(GridElements, GroupCellsLayOutHorizontallyAndByLevels)
{
    TShownGrid g;
    g.Fill(20, 4);
    TKvGridColumnGroup* outer = g.Grid->AddColumnGroup();
    TKvGridColumnGroup* stack = g.Grid->AddColumnGroup(outer);
    stack->SetOrientation(ColumnsVertical);
    auto move = [&](TKvGridColumn* c, TKvGridColumnGroup* to) {
        c->GetParentGroup()->GetColumns()->Remove(c);
        to->GetColumns()->Add(c);
    };
    move(g.Columns[0], outer);
    move(g.Columns[1], stack);
    move(g.Columns[2], stack);
    outer->SetWidth(200);
    g.Columns[0]->SetWidth(60);
    stack->SetWidth(140);
    g.Grid->ResetColumnIndicies();
    g.Show(500, 300);
    TKvGridLayoutManager* m = g.Layout();
    EXPECT_EQ(m->GetDataLevels(), 2);
    TKvGridRowElement* row = g.Grid->GetRowView(0, false);
    ASSERT_NE(row, nullptr);
    auto* cell = dynamic_cast<TKvGridGroupCellElement*>(row->GetCells(outer));
    ASSERT_NE(cell, nullptr);
    TKvGridIndexedCellElement* first = row->GetCells(g.Columns[0]);
    TKvGridIndexedCellElement* top = row->GetCells(g.Columns[1]);
    TKvGridIndexedCellElement* bottom = row->GetCells(g.Columns[2]);
    ASSERT_TRUE(first && top && bottom);
    const float h = cell->GetHeight();
    EXPECT_EQ(cell->GetWidth(), 200.0f);
    // Horizontal: 200 shared 140 : 60 in child order (the stack came first), the last child
    // taking the rest.
    EXPECT_EQ(top->GetParent()->GetLeft(), 0.0f);
    EXPECT_EQ(top->GetParent()->GetWidth(), 140.0f);
    EXPECT_EQ(first->GetLeft(), 140.0f);
    EXPECT_EQ(first->GetWidth(), 60.0f);
    // Vertical: one level each, the last taking the rest.
    EXPECT_EQ(top->GetHeight(), static_cast<float>(std::lround(h / 2)));
    EXPECT_EQ(bottom->GetTop(), top->GetHeight());
    EXPECT_EQ(bottom->GetTop() + bottom->GetHeight(), h);
    EXPECT_EQ(cell->FindCell(g.Columns[2]), bottom);
    EXPECT_EQ(TKvGridGroupCellElement::GetRootOf(bottom), cell);
    EXPECT_EQ(g.Columns[2]->GetLayoutRect().Top, static_cast<int>(top->GetHeight()));
    // The header stacks the captions by header levels.
    auto* headerCell = dynamic_cast<TKvGridHeaderGroupCellElement*>(g.Grid->GetHeaderView()->GetCells(outer));
    ASSERT_NE(headerCell, nullptr);
    ASSERT_NE(headerCell->GetCaptionCell(), nullptr);
    EXPECT_EQ(headerCell->GetCaptionCell()->GetHeight(), std::floor(headerCell->GetHeight() / outer->GetHeaderLevel()));

    // An empty nested group has no level: its share stays finite and at least one unit.
    TKvGridColumnGroup* empty = g.Grid->AddColumnGroup(stack);
    g.Grid->ResetColumnIndicies();
    g.Paint();
    row = g.Grid->GetRowView(0, false);
    for (TKvGridColumn* c : {g.Columns[1], g.Columns[2]}) {
        TKvGridIndexedCellElement* v = row->GetCells(c);
        ASSERT_NE(v, nullptr);
        EXPECT_TRUE(std::isfinite(v->GetHeight()) && v->GetHeight() >= 0);
    }
    (void)empty;
}

TEST(GridElements, ButtonErrorAndContentRectangleInDrawingOrder)
{
    TShownGrid g;
    g.Fill(3, 2);
    g.Show(300, 200);
    TKvGridViewStyles styles(nullptr, "probe");
    auto border = TKvStroke::CreateSolid(0xFF000000u, 2, DashStyleSolid);
    styles.SetBorderRight(border.get());
    TProbeCell model;
    model.Styles = &styles;
    model.Error = QStringLiteral("bad value");
    TOwned<TProbeDataCell> cell(Create<TProbeDataCell>(g.Grid.get(), QStringLiteral("dataCell")));
    cell->Model = &model;
    TOwned<TRecordingRenderer> renderer(Create<TRecordingRenderer>(nullptr));
    cell->SetRenderer(renderer.get());
    g.Columns[1]->SetButton(ButtonAction);
    cell->SetIndex(TKvGridCellIndex(g.Grid.get(), 0, g.Columns[1]));
    cell->SetBounds(0, 0, 120, 24);

    TBitmap image(120, 24);
    TKvDrawingContext context(image.GetCanvas());
    cell->DrawOn(&context); // not hovered, not focused: no button
    EXPECT_EQ(cell->GetButtonWidth(), 0);
    EXPECT_FALSE(cell->PtInButton(118, 10));
    TBitmap error;
    ASSERT_TRUE(error.LoadFromResource("FBERROR"));
    EXPECT_EQ(cell->GetErrorWidth(), error.GetWidth() + 4);
    EXPECT_EQ(renderer->Drawn.Right, 120.0f - cell->GetErrorWidth() - 2);

    cell->SetMouseEntered(true);
    cell->DrawOn(&context);
    const int button = cell->GetButtonWidth();
    ASSERT_GE(button, 1);
    // The button at the right edge, the error icon left of it, the content left of both.
    EXPECT_TRUE(cell->PtInButton(119 - button / 2, 12));
    EXPECT_FALSE(cell->PtInButton(119 - button - 2, 12));
    EXPECT_FALSE(cell->PtInEditorButton(119 - button - 2, 12));
    EXPECT_EQ(renderer->Drawn.Right, 120.0f - (button + cell->GetErrorWidth() + 2));
    EXPECT_EQ(renderer->Drawn.Left, 0.0f);
    const QImage& pixels = image.GetImage();
    bool red = false; // the icon's red between content and button
    for (int x = 120 - button - cell->GetErrorWidth(); x < 120 - button; ++x)
        red = red || (qRed(pixels.pixel(x, 12)) > 180 && qGreen(pixels.pixel(x, 12)) < 100);
    EXPECT_TRUE(red);
}

TEST(GridElements, HeaderHandlesSitAtTheRightEdgeWhenHovered)
{
    TShownGrid g;
    g.Fill(5, 3);
    g.Columns[2]->SetSortable(false);
    g.Columns[1]->GetFilters()->Add()->SetName("f");
    g.Show(400, 200);
    auto* sortable = dynamic_cast<TKvGridHeaderCellElement*>(g.Grid->GetHeaderView()->GetCells(g.Columns[0]));
    auto* filtered = dynamic_cast<TKvGridHeaderCellElement*>(g.Grid->GetHeaderView()->GetCells(g.Columns[1]));
    auto* plain = dynamic_cast<TKvGridHeaderCellElement*>(g.Grid->GetHeaderView()->GetCells(g.Columns[2]));
    ASSERT_TRUE(sortable && filtered && plain);
    EXPECT_FALSE(sortable->GetSortHandle()->GetVisible());
    sortable->SetMouseEntered(true);
    const float h = sortable->GetHeight();
    const float right = static_cast<float>(std::lround(sortable->GetWidth() - 4)) + 1;
    EXPECT_TRUE(sortable->GetSortHandle()->GetVisible());
    EXPECT_FALSE(sortable->GetFilterHandle()->GetVisible());
    EXPECT_EQ(sortable->GetSortHandle()->GetBounds(), TRectF::Bounds(right - 11, 1, 11, h - 1));
    filtered->SetMouseEntered(true);
    EXPECT_TRUE(filtered->GetFilterHandle()->GetVisible());
    EXPECT_EQ(filtered->GetFilterHandle()->GetBounds(), TRectF::Bounds(right - 11, 1, 11, h - 1));
    EXPECT_EQ(filtered->GetSortHandle()->GetBounds(), TRectF::Bounds(right - 13 - 11, 1, 11, h - 1));
    EXPECT_EQ(filtered->GetFilterHandle()->AdapterAs<TKvGridColumn>(), g.Columns[1]);
    plain->SetMouseEntered(true);
    EXPECT_FALSE(plain->GetSortHandle()->GetVisible());
    EXPECT_FALSE(plain->GetFilterHandle()->GetVisible());
    sortable->SetMouseEntered(false);
    EXPECT_FALSE(sortable->GetSortHandle()->GetVisible());
}

TEST(GridElements, SortHandlesShowTheItemSourcesSort)
{
    TShownGrid g;
    g.Fill(5, 2);
    g.Grid->SortItems({1}, {SortDescending});
    EXPECT_EQ(g.Grid->GetSortFields(), (TKvIntegerArray{1}));
    EXPECT_EQ(g.Grid->GetSortDirections(), (TKvGridSortDirections{SortDescending}));
    g.Show(300, 200);
    auto* header = dynamic_cast<TKvGridHeaderCellElement*>(g.Grid->GetHeaderView()->GetCells(g.Columns[1]));
    ASSERT_NE(header, nullptr);
    header->SetMouseEntered(true);
    // The handle of a sorted column is filled: dark pixels inside the triangle.
    TKvGridHeaderSortHandle* handle = header->GetSortHandle();
    TBitmap image(static_cast<int>(handle->GetWidth()), static_cast<int>(handle->GetHeight()));
    TKvDrawingContext context(image.GetCanvas());
    handle->Draw(&context);
    const int cx = static_cast<int>(std::lround(handle->GetWidth() / 2.0));
    const int cy = static_cast<int>(std::lround((handle->GetHeight() - 9) / 2.0));
    // Descending: the wide edge on top, so the row below it is filled across.
    EXPECT_LT(qGray(image.GetImage().pixel(cx, cy + 2)), 200);
    EXPECT_LT(qGray(image.GetImage().pixel(cx - 2, cy + 2)), 200);
}

TEST(GridPaint, PixelProbesOfAPaintedGrid)
{
    TShownGrid g;
    g.Fill(30, 3, 100);
    auto blue = TKvFill::CreateSolid(0xFF0000FFu);
    g.Grid->GetBody()->GetStyles()->SetForeground(blue.get());
    auto header = TKvFill::CreateSolid(0xFF20C040u);
    g.Grid->GetHeader()->GetStyles()->SetBackground(header.get());
    g.Show(420, 250);
    TKvGridLayoutManager* m = g.Layout();
    // Body background, header band.
    const TRect cell = m->DataCellRect(TKvGridCellIndex(g.Grid.get(), 2, g.Columns[1]));
    EXPECT_EQ(g.Rgb(cell.Right - 8, cell.Top + cell.Height() / 2), 0xFFFFFFu);
    const TRect h = m->HeaderBounds();
    EXPECT_EQ(g.Rgb(m->ColumnRect(0).Right - 8, h.Top + 3), 0x20C040u);
    // The cell's text colour appears inside the cell.
    bool text = false;
    for (int x = cell.Left; x < cell.Right && !text; ++x)
        for (int y = cell.Top; y < cell.Bottom && !text; ++y)
            text = g.Rgb(x, y) == 0x0000FFu;
    EXPECT_TRUE(text);
    // The cell's right border line: not the background.
    TKvGridViewStyles* s = g.Columns[1]->GetStyles();
    if (TKvStroke* right = s->GetBorderRight(); right && right->GetWidth() >= 1) {
        EXPECT_NE(g.Rgb(cell.Right - 1, cell.Top + cell.Height() / 2), 0xFFFFFFu);
    }
}

TEST(GridPaint, AnEmptyGridShowsTheDefaultMessage)
{
    TShownGrid g;
    g.Show(300, 200);
    TKvGridLayoutManager* m = g.Layout();
    const TRect body = m->BodyBounds();
    TKvGridViewStyles* s = g.Grid->GetBody()->GetEmptyStyles();
    const TSizeF size = TKvDrawingContext::MeasureText(EmptyBodyDefaultText(), s->GetFont());
    // Something other than the background inside the text box at (8, 8), nothing far below it.
    const unsigned back = g.Rgb(body.Left + 2, body.Top + 2);
    int ink = 0;
    for (int x = body.Left + 8; x < body.Left + 8 + static_cast<int>(size.cx); ++x)
        for (int y = body.Top + 8; y < body.Top + 8 + static_cast<int>(size.cy); ++y)
            ink += g.Rgb(x, y) != back;
    EXPECT_GT(ink, 10);
    EXPECT_EQ(g.Rgb(body.Left + 8, body.Top + 8 + static_cast<int>(size.cy) + 20), back);
}

TEST(GridPaint, StateImagesAndTheErrorIconComeFromTheResources)
{
    TCustomImageList* images = TKvGridIndicatorCellRenderer::StateImages();
    ASSERT_EQ(images->GetCount(), 3);
    EXPECT_GT(images->GetWidth(), 0);
    EXPECT_EQ(TKvGridIndicatorCellRenderer::StateImages(), images);
    TBitmap missing;
    EXPECT_FALSE(missing.LoadFromResource("NOSUCHIMAGE"));
    EXPECT_TRUE(missing.Empty());
}

TEST(GridPaint, RowGroupCaptionAndSignAtTheLevelIndent)
{
    TOwned<TKvSimpleDataProvider> table = MakeTable("City,Name", "s,s", {{"Paris", "a"}, {"Paris", "b"}, {"Rome", "c"}});
    TOwned<TKvDefaultGridItemProvider> items(Create<TKvDefaultGridItemProvider>());
    items->SetDataSource(table.get());
    // Stand-in group items over the first two rows.
    class TGroup : public TKvGridGroupItem
    {
    public:
        TGroup(TKvGridItemProvider* p, TKvGridItem* first, TKvGridGroupItem* parent) : TKvGridGroupItem(p), First(first)
        {
            if (parent)
                FParent = parent;
        }
        TKvGridItem* First;
        int GetField() const override { return 0; }
        int GetCount() const override { return 2; }
        TKvGridItem* GetItem(int) const override { return First; }
        bool GetExpanded() const override { return true; }
        void SetExpanded(bool) override {}
        TKvGridItem* GetFirstItem() const override { return First; }
        int GetDescendantCount() const override { return 2; }
        int GetRowCount() const override { return 2; }
        double GetSum(int) override { return 0; }
        double GetMax(int) override { return 0; }
        double GetMin(int) override { return 0; }
        double GetMean(int) override { return 0; }
        double GetVar(int) override { return 0; }
        double GetStdev(int) override { return 0; }
    };
    TGroup root(items.get(), items->GetItem(0), nullptr); // the provider's root: level 0
    TGroup top(items.get(), items->GetItem(0), &root);
    TGroup inner(items.get(), items->GetItem(0), &top);
    ASSERT_EQ(inner.GetLevel(), 2);
    EXPECT_EQ(TKvGridRowGroupHeaderRenderer::Caption(&inner), QStringLiteral("City : Paris - 2 rows"));
    IntfPtr<TKvGridRowGroupHeaderRenderer> renderer = MakeIntf<TKvGridRowGroupHeaderRenderer>(QStringLiteral("r"));
    TKvGridViewStyles styles(nullptr, "g");
    auto white = TKvFill::CreateSolid(0xFFFFFFFFu);
    styles.SetBackground(white.get());
    TBitmap image(200, 23);
    {
        TKvDrawingContext context(image.GetCanvas());
        renderer->Render(&inner, &styles, &context, TRectF(0, 0, 200, 23));
    }
    auto inked = [&](int from, int to) {
        int n = 0;
        for (int x = from; x < to; ++x)
            for (int y = 0; y < 21; ++y) // above the bottom border line
                n += (image.GetImage().pixel(x, y) & 0xFFFFFFu) != 0xFFFFFFu;
        return n;
    };
    EXPECT_EQ(inked(0, 20), 0);   // level 1's box is empty
    EXPECT_GT(inked(20, 40), 0);  // the sign in level 2's box
    EXPECT_GT(inked(40, 200), 0); // the caption after it
}

} // namespace

namespace {

TEST(GridUtils, LeafColumnsEndColumnsClipAndFocusRectangles)
{
    TShownGrid g;
    g.Fill(40, 5, 100);
    TKvGridColumnGroup* group = g.Grid->AddColumnGroup();
    g.Grid->RemoveColumn(g.Columns[4]);
    g.Columns.pop_back();
    TKvGridColumnGroup* empty = g.Grid->AddColumnGroup(group);
    for (int c : {2, 3}) {
        g.Columns[c]->GetParentGroup()->GetColumns()->Remove(g.Columns[c]);
        group->GetColumns()->Add(g.Columns[c]);
    }
    g.Grid->MoveColumn(g.Grid->GetRootGroup()->GetColumns()->IndexOf(group), 0);
    g.Grid->ResetColumnIndicies();
    // Display order: group (empty group, F2, F3), F0, F1.
    const std::vector<TKvGridColumn*> leaves = TKvGridViewHelper::GetLeafColumns(g.Grid.get(), false);
    EXPECT_EQ(leaves, (std::vector<TKvGridColumn*>{empty, g.Columns[2], g.Columns[3], g.Columns[0], g.Columns[1]}));
    const std::vector<TKvGridColumn*> withGroups = TKvGridViewHelper::GetLeafColumns(g.Grid.get(), true);
    ASSERT_EQ(withGroups.size(), 6u);
    EXPECT_EQ(withGroups[0], group);
    EXPECT_EQ(TKvGridViewHelper::GetFirstColumn(g.Grid.get()), g.Columns[2]);
    EXPECT_EQ(TKvGridViewHelper::GetLastColumn(g.Grid.get()), g.Columns[1]);

    TShownGrid s;
    s.Fill(40, 6, 100);
    s.Grid->GetFixedCols()->SetCount(1);
    s.Show(400, 250);
    s.Grid->SetLeftPos(50);
    s.Grid->SetFocusedIndex(s.Grid->GetIndex(2, s.Columns[1]));
    s.Grid->InvalidateLayout();
    s.Paint();
    TKvGridLayoutManager* m = s.Layout();
    // Column 1 starts 50 pixels left of the body, under the fixed column.
    TKvGridCellElement* view = s.Grid->GetCellView(s.Grid->GetBody(), s.Grid->GetIndex(2, s.Columns[1]));
    ASSERT_NE(view, nullptr);
    const TRectF inBody = TKvGridViewHelper::GetClipBounds(s.Grid.get(), view, true);
    EXPECT_EQ(inBody.Left, 50.0f - 1);
    EXPECT_EQ(inBody.Top, -1.0f);
    EXPECT_EQ(inBody.Right, view->GetWidth());
    const TRect focus = TKvGridViewHelper::GetFocusedRect(s.Grid.get());
    EXPECT_EQ(focus.Left, m->BodyBounds().Left);
    EXPECT_EQ(focus.Right, m->BodyBounds().Left + 50);
    EXPECT_EQ(focus.Top, m->ItemRect(2).Top);
    s.Grid->SetFocusedIndex(TKvGridCellIndex::Null());
    EXPECT_TRUE(TKvGridViewHelper::GetFocusedRect(s.Grid.get()).IsEmpty());
}

} // namespace

namespace {

TEST(GridPaint, TheIndicatorOfARowBeingInsertedShowsTheInsertImage)
{
    TShownGrid g;
    g.Fill(10, 2);
    TOwned<TKvGridEditableItemProvider> editable = MakeOwned<TKvGridEditableItemProvider>(g.Grid->GetItemProvider());
    g.Grid->SetItemSource(editable.get());
    g.Show(300, 250);
    try {
        editable->Insert(1, {Variant(QStringLiteral("new")), Variant(QStringLiteral("row"))});
    } catch (const Exception&) {
        GTEST_SKIP() << "the table refuses inserts";
    }
    g.Paint();
    const int index = editable->GetEditingIndex();
    ASSERT_GE(index, 0);
    TKvGridLayoutManager* m = g.Layout();
    const TRect row = m->ItemRect(index);
    const TRect bar = m->IndicatorBounds();
    TCustomImageList* images = TKvGridIndicatorCellRenderer::StateImages();
    const int x = bar.Left + static_cast<int>(std::lround((bar.Width() - images->GetWidth()) / 2.0));
    const int y = row.Top + static_cast<int>(std::lround((row.Height() - images->GetHeight()) / 2.0));
    // The asterisk's bar through the middle of the image: dark across; the next row shows its
    // number instead.
    auto darkAcross = [&](int top) {
        int dark = 0;
        for (int dx = 2; dx <= 9; ++dx)
            dark += qGray(g.Image().pixel(x + dx, top + 5)) < 100;
        return dark;
    };
    EXPECT_GE(darkAcross(y), 7);
    EXPECT_LT(darkAcross(y + row.Height()), 7);
    g.Grid->SetItemSource(g.Grid->GetOwnedItemProvider());
}

} // namespace

namespace {

TEST(GridElements, CornersBandsAndTheRowGroupPools)
{
    TShownGrid g;
    g.Fill(30, 4);
    g.Grid->GetStatesBar()->SetVisible(true);
    g.Grid->GetFooter()->SetVisible(true);
    g.Grid->GetFixedCols()->SetCount(1);
    g.Show(400, 250);
    TKvGridLayoutManager* m = g.Layout();
    // Corner cells sit above and below their bars, as high as the header and the footer.
    TKvGridObjectHeaderElement* head = g.Grid->GetStatesBarHeadView();
    TKvGridObjectFooterElement* foot = g.Grid->GetStatesBarFootView();
    ASSERT_TRUE(head->GetVisible() && foot->GetVisible());
    EXPECT_EQ(head->GetBounds(), TRectF(TRect::Bounds(m->StatesBarBounds().Left, 0, m->StatesBarBounds().Width(),
                                                      m->HeaderBounds().Height())));
    EXPECT_EQ(foot->GetTop(), static_cast<float>(m->FooterBounds().Top));
    EXPECT_FALSE(g.Grid->GetCheckBarHeadView()->GetVisible());
    // The footer and its fixed part have their columns' cells.
    EXPECT_TRUE(g.Grid->GetFixedFooterView()->GetVisible());
    EXPECT_NE(g.Grid->GetFixedFooterView()->GetCells(g.Columns[0]), nullptr);
    EXPECT_NE(g.Grid->GetFooterView()->GetCells(g.Columns[1]), nullptr);
    EXPECT_EQ(g.Grid->GetFooterView()->GetCells(g.Columns[0]), nullptr);
    g.Grid->GetFooter()->SetVisible(false);
    g.Paint();
    EXPECT_FALSE(foot->GetVisible());
    EXPECT_FALSE(g.Grid->GetFixedFooterView()->GetVisible());

    // Row-group views are pooled: a cleared body lends the same views again.
    TKvGridRowGroupElement* groups = g.Grid->GetRowGroupView();
    TKvGridRowGroupHeaderElement* first = groups->AddHeader(3);
    groups->AddFooter(4);
    EXPECT_EQ(groups->GetHeaderCount(), 1);
    EXPECT_EQ(groups->GetFooterCount(), 1);
    EXPECT_EQ(groups->GetFixedFooterCount(), 1);
    EXPECT_EQ(groups->GetHeader(0)->GetIndex(), 3);
    EXPECT_TRUE(groups->GetFixedFooter(0)->GetFixed());
    groups->ClearBody();
    EXPECT_EQ(groups->GetHeaderCount(), 0);
    EXPECT_EQ(groups->AddHeader(7), first);
    EXPECT_EQ(first->GetIndex(), 7);
    groups->ClearBody();
}

TEST(GridPaint, TheBodysOuterLinesAndTheFixedRowsBar)
{
    TShownGrid g;
    g.Fill(30, 2, 100);
    g.Grid->GetFooter()->SetVisible(true);
    g.Grid->GetFixedRows()->SetCount(1);
    g.Grid->GetFixedRows()->SetBarHeight(3);
    auto red = TKvStroke::CreateSolid(0xFFFF0000u, 1, DashStyleSolid);
    g.Grid->GetBody()->GetStyles()->SetBorderRight(red.get());
    auto green = TKvFill::CreateSolid(0xFF00FF00u);
    g.Grid->GetFixedRows()->GetBarStyles()->SetBackground(green.get());
    g.Show(400, 250);
    TKvGridLayoutManager* m = g.Layout();
    const TRect body = m->BodyBounds();
    // The right line ends the columns, above the footer.
    EXPECT_EQ(g.Rgb(body.Right - 1, m->FooterBounds().Top - 5), 0xFF0000u);
    // The fixed rows' bar: a band right below the fixed row.
    EXPECT_EQ(g.Rgb(body.Left + 50, body.Top + m->FixedHeight() + 1), 0x00FF00u);
    EXPECT_NE(g.Rgb(body.Left + 50, body.Top + m->FixedHeight() + 4), 0x00FF00u);
}

} // namespace

TEST(GridElements, TheEditBarMakesFeedsAndFreesItsCellViews)
{
    TShownGrid g;
    g.Fill(5, 3);
    g.Show(300, 200);
    TKvGridEditBarElement* bar = g.Grid->GetEditBarView();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetCellCount(), 0);
    EXPECT_EQ(bar->GetGroupCellCount(), 0);
    KV_EXPECT_THROW_MSG(bar->GetCell(0), Exception, "index is invalid: 0");
    KV_EXPECT_THROW_MSG(bar->GetGroupCell(-1), Exception, "index is invalid: -1");

    TKvGridDelegate* delegate = g.Grid->GetGridDelegate();
    TKvGridCellRenderer* footer = delegate->GetFooterCellRenderer();
    TKvGridCellRenderer* data = delegate->GetDataCellRenderer();
    ASSERT_NE(footer, data);
    bar->SetCellRenderer(footer);
    bar->SetGroupCellRenderer(data);
    bar->SetGroupRenderer(delegate->GetFooterRenderer());
    EXPECT_EQ(bar->GetGroupRenderer(), delegate->GetFooterRenderer());

    // Each view is made with its kind's name and the bar's renderer for it.
    TKvGridEditCellElement* cell = bar->AddCell();
    TKvGridEditGroupCellElement* group = bar->AddGroupCell();
    EXPECT_EQ(cell->GetName(), QStringLiteral("editBarCell"));
    EXPECT_EQ(group->GetName(), QStringLiteral("editBarGroupCell"));
    EXPECT_EQ(cell->GetRenderer(), footer);
    EXPECT_EQ(group->GetRenderer(), data);
    EXPECT_EQ(bar->GetCell(0), cell);
    EXPECT_EQ(bar->GetGroupCell(0), group);
    // A new renderer reaches the views already made and the next ones.
    bar->SetCellRenderer(data);
    EXPECT_EQ(cell->GetRenderer(), data);
    EXPECT_EQ(bar->AddCell()->GetRenderer(), data);
    EXPECT_EQ(bar->GetCellCount(), 2);
    bar->SetGroupCellRenderer(footer);
    EXPECT_EQ(group->GetRenderer(), footer);

    // The edit-bar cell reads its model from the footer.
    cell->SetIndex(TKvGridCellIndex(g.Grid.get(), -1, g.Columns[1]));
    TKvGridCell* model = cell->GetModel();
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->GetIndex().Column, g.Columns[1]);

    // Shown in the bar, they go with it and with the grid (sanitizers).
    bar->Add(cell);
    bar->Add(group);
    EXPECT_EQ(bar->GetChildCount(), 2);
}
