// A shown top-level grid over a small table of regions, cities and quantities, and window-level
// mouse input on it.
#pragma once

#include "grid/GridTestSupport.h"

#include "components/KvGrids.Vantrel.h"
#include "components/KvGrids.Vantrel.Tool.h"

#include <QtGui/QWindow>
#include <QtTest/QTest>

namespace kvtest {

using namespace kv;

enum { FRegion, FCity, FQty };

inline QString RegionOf(int row)
{
    static const char* names[] = {"North", "East", "South", "West"};
    return QString::fromLatin1(names[(row * 7) % 4]);
}

// The window a shown grid is in, and a point of the grid's client area in that window.
inline QWindow* GridWindow(TKvGridView* grid) { return grid->Widget()->window()->windowHandle(); }
inline QPoint GridPoint(TKvGridView* grid, TPoint p)
{
    const TPoint o = grid->GetClientOrigin();
    return grid->Widget()->mapTo(grid->Widget()->window(), QPoint(o.X + p.X, o.Y + p.Y));
}

struct TShownVantrel
{
    TOwned<TKvSimpleDataProvider> Data{Create<TKvSimpleDataProvider>(nullptr)};
    TOwned<TKvVantrel> Grid = MakeOwned<TKvVantrel>(nullptr);
    std::vector<TKvGridDataColumn*> Columns;
    TPoint Cursor;

    TShownVantrel()
    {
        TKvGridInput::CursorPos = [this] { return Grid ? Grid->ClientToScreen(Cursor) : TPoint{}; };
    }
    ~TShownVantrel()
    {
        TKvGridInput::Reset();
        Grid.reset();
        Data.reset();
    }

    // rows rows: Region (4 values), City ("C0".."C4"), Qty (the row number).
    void Fill(int rows)
    {
        Data->InsertColumns(0, 3, QStringLiteral("Region,City,Qty"), QStringLiteral("s,s,n"));
        for (int r = 0; r < rows; ++r)
            Data->InsertRow(r, TKvGridDataRow{Variant(RegionOf(r)), Variant(QStringLiteral("C%1").arg(r % 5)), Variant(r)});
        Grid->SetDataProvider(Data.get());
        Grid->GenerateDataColumns(true);
        Columns = Grid->GetDataColumns();
        Grid->GetPanel()->SetVisible(true);
    }

    void Show(int width = 420, int height = 300)
    {
        Grid->SetBounds(0, 0, width, height);
        Grid->Show();
        QWidget* window = Grid->Widget()->window();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        Grid->SetFocus();
        // Qt drops a move to where the mouse already is, as an earlier test may have left it:
        // the mouse starts outside the grid.
        QTest::mouseMove(Win(), At(TPoint{-1, -1}));
        Paint();
    }
    void Paint()
    {
        Grid->Invalidate();
        Grid->Update();
        QApplication::processEvents();
    }
    const QImage& Image() const { return Grid->GetBuffer().GetImage(); }
    unsigned Rgb(int x, int y) const { return Image().pixel(x, y) & 0xFFFFFFu; }

    TKvVantrelItemProvider* Chain() const { return Grid->GetItemSource(); }
    TKvGridPanelElement* Panel() const { return Grid->GetGroupingPanel(); }
    TKvAbstractGridLayoutManager* Layout() const { return Grid->GetLayoutManager(); }
    QString Cell(int item, int column) const
    {
        return Grid->GetCellData(TKvGridCellIndex(Grid.get(), item, Columns[static_cast<size_t>(column)])).ToString();
    }
    // The data rows the grid shows, in order (group headers and footers skipped).
    std::vector<int> Rows() const
    {
        std::vector<int> rows;
        for (int i = 0; i < Grid->GetItemCount(); ++i)
            if (TKvGridItem* item = Grid->GetItem(i); item && item->GetDataRow() >= 0)
                rows.push_back(item->GetDataRow());
        return rows;
    }

    static TRect Bounds(TKvSprite* view)
    {
        const TRectF r = view->BoundsByContainer();
        return TRect{int(r.Left), int(r.Top), int(r.Right), int(r.Bottom)};
    }
    static TPoint Center(const TRect& r) { return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }
    TRect HeaderRect(int column) const
    {
        TKvGridCellElement* view = Grid->GetCellView(Grid->GetHeader(), TKvGridCellIndex(Columns[static_cast<size_t>(column)]));
        EXPECT_NE(view, nullptr) << "no header view for column " << column;
        return view ? Bounds(view) : TRect{};
    }

    QWindow* Win() const { return GridWindow(Grid.get()); }
    QPoint At(TPoint p) const { return GridPoint(Grid.get(), p); }
    void Press(TPoint p)
    {
        Cursor = p;
        QTest::mousePress(Win(), Qt::LeftButton, {}, At(p));
    }
    void Move(TPoint p)
    {
        Cursor = p;
        QTest::mouseMove(Win(), At(p));
    }
    void Release(TPoint p)
    {
        Cursor = p;
        QTest::mouseRelease(Win(), Qt::LeftButton, {}, At(p));
        Paint();
    }
    void Click(TPoint p)
    {
        Press(p);
        Release(p);
    }
    // Press at from, move there in steps, stay unreleased.
    void DragTo(TPoint from, TPoint to, int steps = 4)
    {
        Press(from);
        for (int i = 1; i <= steps; ++i)
            Move(TPoint{from.X + (to.X - from.X) * i / steps, from.Y + (to.Y - from.Y) * i / steps});
    }
    void Drag(TPoint from, TPoint to)
    {
        DragTo(from, to);
        Release(to);
    }
};

} // namespace kvtest
