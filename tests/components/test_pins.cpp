// The filter selector form's keys: Escape closes it and goes no further than the form.
#include "components/KvGrids.FilterSelector.h"
#include "components/KvGrids.ListView.h"
#include "grid/EditTestSupport.h"
#include "grid/GridTestSupport.h"
#include "TestSupport.h"

#include "platform/ui/Messages.h"

#include <QtCore/QDeadlineTimer>
#include <QtCore/QPointer>
#include <QtGui/QWindow>
#include <QtTest/QTest>

using namespace kv;
using namespace kvtest;

namespace {

// Delivers events until the condition holds; false when it did not within the time-out.
template <typename F>
bool EventsUntil(F&& condition, int timeoutMs = 5000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

QPoint WindowPointOf(TControl* c, TPoint p)
{
    const TPoint o = c->GetClientOrigin();
    return c->Widget()->mapTo(c->Widget()->window(), QPoint(o.X + p.X, o.Y + p.Y));
}

} // namespace

TEST(PinsFilterSelector, EscapeClosesTheFormAndReachesNoGrid)
{
    TOwned<TKvSimpleDataProvider> data = MakeTable("Name,Qty", "s,n", {{"pear", 3}, {"fig", 1}, {"date", 9}});
    TOwned<TKvListView> view = MakeOwned<TKvListView>(nullptr);
    view->AddDataColumn()->SetFieldName("Name");
    TKvGridDataColumn* qty = view->AddDataColumn();
    qty->SetFieldName("Qty");
    for (const char* name : {"small", "big"})
        qty->GetFilters()->Add()->SetName(name);
    view->SetDataProvider(data.get());
    view->SetBounds(0, 0, 360, 220);
    ShowActive(view.get());
    QWidget* window = view->Widget()->window();
    view->Invalidate();

    // Hovering the Qty header, once painted, shows its filter handle.
    TKvGridHeaderCellElement* cell = nullptr;
    ASSERT_TRUE(EventsUntil([&] {
        cell = dynamic_cast<TKvGridHeaderCellElement*>(view->GetHeaderView()->GetCells(qty));
        return cell != nullptr;
    }));
    const TRectF r = cell->SpriteToContainer(TRectF(0, 0, cell->GetWidth(), cell->GetHeight()));
    QTest::mouseMove(window->windowHandle(), WindowPointOf(view.get(), TPoint{5, view->GetHeight() - 5}));
    QTest::mouseMove(window->windowHandle(),
                     WindowPointOf(view.get(), TPoint{int(r.Left) + 5, int(r.Top + r.Bottom) / 2}));
    ASSERT_TRUE(EventsUntil([&] { return cell->GetFilterHandle()->GetVisible(); }));

    // The grid beneath the form and the form's own list each record the keys they see.
    QList<std::uint16_t> viewKeys, listKeys;
    view->OnKeyDown = [&](TObject*, std::uint16_t& key, TShiftState) { viewKeys << key; };
    TKvFilterSelector* form = TKvFilterSelector::Open(cell->GetFilterHandle());
    ASSERT_NE(form, nullptr);
    TKvVantrel* list = form->GetGridMain();
    list->OnKeyDown = [&](TObject*, std::uint16_t& key, TShiftState) { listKeys << key; };
    QPointer<QWidget> peer = form->Widget();
    ASSERT_TRUE(EventsUntil([&] { return peer->isVisible(); }));

    // Other keys go on to the list.
    QTest::keyClick(peer->windowHandle(), Qt::Key_Down);
    EXPECT_EQ(listKeys, QList<std::uint16_t>({VK_DOWN}));

    // Escape closes the form; neither the list nor the grid below hears it.
    bool closed = false;
    form->OnClose = [&](TObject*) { closed = true; };
    QTest::keyClick(peer->windowHandle(), Qt::Key_Escape);
    EXPECT_TRUE(closed);
    EXPECT_EQ(listKeys, QList<std::uint16_t>({VK_DOWN}));
    EXPECT_TRUE(viewKeys.isEmpty());
    EXPECT_TRUE(EventsUntil([&] { return peer.isNull(); }));
    view->OnKeyDown = nullptr;
}
