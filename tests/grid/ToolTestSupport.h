// A shown grid driven by synthetic Qt mouse and key input, with a fake clock and cursor:
// the fixture of the selection-tool tests and of the lifetime and stress tests.
#pragma once

#include "GridTestSupport.h"

#include "platform/ui/Services.h"

#include <QtGui/QGuiApplication>
#include <QtGui/QWindow>
#include <QtTest/QTest>

namespace kvtest {

using namespace kv;

// A clock the test advances by hand.
struct TFakeTimer : TKvGridTimer
{
    static inline std::function<void()> Tick;
    static inline int Running = 0;
    void Start(unsigned, std::function<void()> tick) override
    {
        Tick = std::move(tick);
        ++Running;
    }
    void Stop() override
    {
        Tick = nullptr;
        --Running;
    }
};

struct GridTool : ::testing::Test
{
    TShownGrid g;
    TPoint Cursor; // client coordinates of the fake screen cursor

    void SetUp() override
    {
        TKvGridInput::CursorPos = [this] { return g.Grid->ClientToScreen(Cursor); };
        TKvGridInput::NewTimer = [] { return std::unique_ptr<TKvGridTimer>(new TFakeTimer()); };
    }
    void TearDown() override
    {
        ReleaseButtons();
        TKvGridInput::Reset();
    }
    // Qt (and QTest) keep a button down until it is released, whatever window it was pressed
    // in: a press left by a test would make the next test's moves drags.
    void ReleaseButtons()
    {
        const Qt::MouseButtons down = QGuiApplication::mouseButtons();
        for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            if (down.testFlag(b) && g.Grid)
                QTest::mouseRelease(Win(), b, {}, At(Cursor.X, Cursor.Y));
    }

    // rows by cols, showing about visible rows, columns a little wider than their text.
    void Make(int rows, int cols, int visibleRows = 10)
    {
        const int unit = BodyRowUnit(g.Grid.get());
        g.Fill(rows, cols, unit * 4);
        Show(g.Grid->GetIndicator()->GetMinWidth() + cols * unit * 4 + unit * 2, unit * (visibleRows + 2));
    }
    void Show(int width, int height)
    {
        g.Show(width, height);
        QWidget* window = g.Grid->Widget()->window();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        g.Grid->SetFocus();
        g.Paint();
    }
    TKvGridView* Grid() const { return g.Grid.get(); }
    TKvAbstractGridLayoutManager* Layout() const { return g.Grid->GetLayoutManager(); }
    TKvGridSelectionManager* Sel() const { return g.Grid->GetSelections(); }
    TKvGridSelectionTool* Tool() const { return dynamic_cast<TKvGridSelectionTool*>(g.Grid->GetActiveTool()); }
    TKvGridCellIndex Index(int item, int col) const { return TKvGridCellIndex(g.Grid.get(), item, g.Columns[col]); }

    TRect Bounds(TKvSprite* view) const
    {
        const TRectF r = view->BoundsByContainer();
        return TRect{int(r.Left), int(r.Top), int(r.Right), int(r.Bottom)};
    }
    TRect CellRect(int item, int col) const
    {
        TKvGridCellElement* view = g.Grid->GetCellView(g.Grid->GetBody(), Index(item, col));
        EXPECT_NE(view, nullptr);
        return view ? Bounds(view) : TRect{};
    }
    TRect HeaderRect(int col) const
    {
        return Bounds(g.Grid->GetCellView(g.Grid->GetHeader(), TKvGridCellIndex(g.Columns[col])));
    }
    TRect IndicatorRect(int item) const
    {
        TKvGridIndicatorElement* bar = g.Grid->GetIndicatorView();
        for (int i = 0; i < bar->GetCellCount(); ++i)
            if (bar->GetCell(i)->GetVisible() && bar->GetCell(i)->GetIndex() == item)
                return Bounds(bar->GetCell(i));
        ADD_FAILURE() << "no indicator cell for " << item;
        return TRect{};
    }
    static TPoint Center(const TRect& r) { return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

    QWindow* Win() const { return g.Grid->Widget()->window()->windowHandle(); }
    QPoint At(int x, int y) const { return WindowPointOf(g.Grid.get(), x, y); }
    static QPoint WindowPointOf(TControl* c, int x, int y)
    {
        const TPoint o = c->GetClientOrigin();
        return c->Widget()->mapTo(c->Widget()->window(), QPoint(o.X + x, o.Y + y));
    }
    void Press(TPoint p, Qt::KeyboardModifiers m = {})
    {
        Cursor = p;
        QTest::mousePress(Win(), Qt::LeftButton, m, At(p.X, p.Y));
    }
    void Move(TPoint p, Qt::KeyboardModifiers m = {})
    {
        Cursor = p;
        QTest::mouseMove(Win(), At(p.X, p.Y));
    }
    void Release(TPoint p, Qt::KeyboardModifiers m = {})
    {
        Cursor = p;
        QTest::mouseRelease(Win(), Qt::LeftButton, m, At(p.X, p.Y));
        g.Paint();
    }
    void Click(TPoint p, Qt::KeyboardModifiers m = {})
    {
        Press(p, m);
        Release(p, m);
    }
    // Press, release, and a second press that Qt reports as the double click.
    void DoubleClick(TPoint p)
    {
        Cursor = p;
        QTest::mouseDClick(Win(), Qt::LeftButton, {}, At(p.X, p.Y));
        g.Paint();
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers m = {})
    {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key, m);
        g.Paint();
    }
    TKvGridRange Range(int i) const { return Sel()->GetItem(i)->GetBounds(); }
};

} // namespace kvtest
