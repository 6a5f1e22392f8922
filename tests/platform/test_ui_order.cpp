// The order of siblings: children aligned to the same edge keep their order however often
// the parent lays them out, and tab orders asked twice resolve the same way whenever the
// controls join their parent.
#include "platform/ui/Controls.h"

#include <QtGui/QFontMetrics>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include <gtest/gtest.h>

using namespace kv;

namespace {

class TBlock : public TCustomControl
{
public:
    using TCustomControl::TCustomControl;
};

int Line()
{
    return QFontMetrics(QApplication::font()).height() + 4;
}

} // namespace

TEST(UiOrder, TwoBottomAlignedChildrenKeepTheirOrderAcrossResizes)
{
    const int line = Line();
    TOwned<TBlock> form(Create<TBlock>(nullptr));
    form->SetBounds(0, 0, 30 * line, 20 * line);
    auto* lower = Create<TBlock>(form.get());
    lower->SetParent(form.get());
    lower->SetBounds(0, 0, 10, line);
    auto* upper = Create<TBlock>(form.get());
    upper->SetParent(form.get());
    upper->SetBounds(0, 0, 10, 2 * line);
    // The one aligned first goes to the edge; the next above it.
    lower->SetAlign(alBottom);
    upper->SetAlign(alBottom);
    form->Show();

    auto check = [&](const char* when) {
        SCOPED_TRACE(when);
        const int h = form->GetClientHeight();
        EXPECT_EQ(lower->GetBoundsRect(), TRect::Bounds(0, h - line, form->GetClientWidth(), line));
        EXPECT_EQ(upper->GetBoundsRect(), TRect::Bounds(0, h - 3 * line, form->GetClientWidth(), 2 * line));
    };
    check("aligned");
    for (int i = 0; i < 4; ++i) {
        form->SetBounds(0, 0, (30 + i) * line, (20 + 3 * i) * line);
        check("resized by code");
        form->Widget()->resize((25 + i) * line, (15 + 2 * i) * line);
        const int height = (15 + 2 * i) * line;
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->GetHeight() == height; }, 5000));
        check("resized by the window");
    }
    // A sibling's resize lays them out again, in the same order.
    lower->SetHeight(2 * line);
    const int h = form->GetClientHeight();
    EXPECT_EQ(lower->GetTop(), h - 2 * line);
    EXPECT_EQ(upper->GetTop(), h - 4 * line);
}

TEST(UiOrder, DuplicateTabOrdersResolveTheSameWhenAskedBeforeOrAfterJoining)
{
    const int line = Line();
    // The same tab orders asked for: x and y both 1, z 0, joining in that order.
    const std::vector<int> asked{1, 1, 0};
    for (bool beforeJoining : {true, false}) {
        SCOPED_TRACE(beforeJoining ? "asked before joining" : "asked after joining");
        TOwned<TBlock> form(Create<TBlock>(nullptr));
        form->SetBounds(100, 100, 30 * line, 10 * line);
        std::vector<TBlock*> c;
        for (size_t i = 0; i < asked.size(); ++i) {
            auto* x = Create<TBlock>(form.get());
            x->SetBounds(0, static_cast<int>(i) * 2 * line, 8 * line, line);
            x->SetTabStop(true);
            if (beforeJoining)
                x->SetTabOrder(asked[i]);
            x->SetParent(form.get());
            if (!beforeJoining)
                x->SetTabOrder(asked[i]);
            c.push_back(x);
        }
        // The first to ask keeps the place; the later one asking for it comes right after.
        EXPECT_EQ(c[2]->GetTabOrder(), 0);
        EXPECT_EQ(c[0]->GetTabOrder(), 1);
        EXPECT_EQ(c[1]->GetTabOrder(), 2);

        // Tab goes that way.
        form->Show();
        QWidget* window = form->Widget()->window();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        c[2]->SetFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return c[2]->Focused(); }, 5000));
        QWindow* handle = window->windowHandle();
        QTest::keyClick(handle, Qt::Key_Tab);
        EXPECT_TRUE(c[0]->Focused());
        QTest::keyClick(handle, Qt::Key_Tab);
        EXPECT_TRUE(c[1]->Focused());
        QTest::keyClick(handle, Qt::Key_Tab);
        EXPECT_TRUE(c[2]->Focused());
    }
}
