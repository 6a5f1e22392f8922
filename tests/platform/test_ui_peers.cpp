// A control gets one window however its window is first asked for: a child asked for its
// window before its parent has one gets it with the parent's, and no second one is left
// behind pointing at it once it is freed.
#include "platform/ui/ControlPeer.h"
#include "platform/ui/Controls.h"

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

int PeersOf(const TControl* control)
{
    int count = 0;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* peer = dynamic_cast<TControlPeer*>(w); peer && peer->Control() == control)
            ++count;
    return count;
}

} // namespace

TEST(UiPeers, AChildAskedForItsWindowBeforeItsParentGetsOneWindow)
{
    TOwned<TBlock> parent(Create<TBlock>(nullptr));
    auto* child = Create<TBlock>(parent.get());
    child->SetParent(parent.get());
    child->SetBounds(4, 4, 40, 20);
    ASSERT_FALSE(parent->HandleAllocated());
    ASSERT_FALSE(child->HandleAllocated());

    QWidget* widget = child->Widget();
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(PeersOf(child), 1);
    EXPECT_TRUE(parent->Widget()->isAncestorOf(widget));
    parent->Show();
    EXPECT_TRUE(widget->isVisible());

    // Freed before its parent: nothing of it stays in the parent's window.
    child->Free();
    EXPECT_EQ(PeersOf(child), 0);
    parent.reset();
}
