// A control shown as a window of its own: its Left and Top place the window's frame, so a
// window at (0, 0) opens with its title bar on the screen; a child keeps its client area at
// its bounds inside the parent.
#include "platform/ui/Controls.h"

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

} // namespace

TEST(WindowFrame, AWindowsBoundsPlaceItsFrameAndAChildsItsClientArea)
{
    for (const QPoint at : {QPoint(0, 0), QPoint(60, 40)}) {
        SCOPED_TRACE(at.x());
        TOwned<TBlock> window(Create<TBlock>(nullptr));
        window->SetBounds(at.x(), at.y(), 240, 160);
        auto* child = Create<TBlock>(window.get());
        child->SetParent(window.get());
        child->SetBounds(10, 20, 50, 30);
        window->Show();
        QWidget* w = window->Widget();
        ASSERT_TRUE(w->isWindow());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        // The window system draws a frame here (the test platform's is a few pixels wide).
        ASSERT_TRUE(QTest::qWaitFor([w] { return w->frameGeometry() != w->geometry(); }, 5000))
            << "no window frame to check";
        EXPECT_EQ(w->frameGeometry().topLeft(), at);
        EXPECT_GE(w->geometry().top(), at.y());
        EXPECT_EQ(w->size(), QSize(240, 160));
        EXPECT_EQ(child->Widget()->geometry(), QRect(10, 20, 50, 30));

        // Moved by code, the frame follows.
        window->SetBounds(at.x() + 5, at.y() + 7, 240, 160);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w->frameGeometry().topLeft() == at + QPoint(5, 7); }, 5000))
            << w->frameGeometry().x() << "," << w->frameGeometry().y();
    }
}
