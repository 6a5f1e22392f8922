// Control layout in a parent: alignment, anchors, the bevel between border and client area,
// the 3D look of a single border, and the tab order of sibling windows.
#include "platform/ui/Controls.h"

#include "TestSupport.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QFontMetrics>
#include <QtGui/QImage>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include <gtest/gtest.h>

using namespace kv;

namespace {

// A window control that fills its client area with one colour.
class TFillControl : public TCustomControl
{
public:
    using TCustomControl::TCustomControl;
    unsigned FillRgb = 0x2040C0; // blue-green-red

protected:
    void Paint() override { GetCanvas()->FillRect(GetClientRect(), static_cast<TColor>(FillRgb)); }
};

TFillControl* Child(TWinControl* parent, int left, int top, int width, int height)
{
    auto* c = Create<TFillControl>(parent);
    c->SetParent(parent);
    c->SetBounds(left, top, width, height);
    return c;
}

// A row height from the font, so that sizes follow the platform.
int Line()
{
    return QFontMetrics(QApplication::font()).height() + 4;
}

unsigned Rgb(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y).rgb() & 0xFFFFFF;
}

} // namespace

TEST(UiLayout, AlignedChildrenShareTheClientAreaInOrderAndFollowEveryChange)
{
    const int line = Line();
    TOwned<TFillControl> form(Create<TFillControl>(nullptr));
    form->SetBorderStyle(bsSingle);
    form->SetBounds(0, 0, 40 * line, 30 * line);
    const int b = form->GetBorderWidth();
    ASSERT_GT(b, 0);

    // Made in an order other than the layout's: client first, then right, left, bottom, top.
    TFillControl* client = Child(form.get(), 0, 0, 10, 10);
    client->SetAlign(alClient);
    TFillControl* right = Child(form.get(), 0, 0, 3 * line, 10);
    right->SetAlign(alRight);
    TFillControl* left = Child(form.get(), 0, 0, 4 * line, 10);
    left->SetAlign(alLeft);
    TFillControl* bottom = Child(form.get(), 0, 0, 10, line);
    bottom->SetAlign(alBottom);
    TFillControl* top = Child(form.get(), 0, 0, 10, 2 * line);
    top->SetAlign(alTop);
    form->Show();

    auto check = [&](int w, int h) {
        SCOPED_TRACE(testing::Message() << "client " << w << " x " << h);
        ASSERT_EQ(form->GetClientRect(), (TRect{0, 0, w, h}));
        EXPECT_EQ(top->GetBoundsRect(), TRect::Bounds(0, 0, w, 2 * line));
        EXPECT_EQ(bottom->GetBoundsRect(), TRect::Bounds(0, h - line, w, line));
        EXPECT_EQ(left->GetBoundsRect(), TRect::Bounds(0, 2 * line, 4 * line, h - 3 * line));
        EXPECT_EQ(right->GetBoundsRect(), TRect::Bounds(w - 3 * line, 2 * line, 3 * line, h - 3 * line));
        EXPECT_EQ(client->GetBoundsRect(), TRect::Bounds(4 * line, 2 * line, w - 7 * line, h - 3 * line));
        // The windows are where the controls say.
        EXPECT_EQ(client->Widget()->geometry(), QRect(4 * line, 2 * line, w - 7 * line, h - 3 * line));
    };
    check(40 * line - 2 * b, 30 * line - 2 * b);

    // The parent resized by code, then by the window system.
    form->SetBounds(0, 0, 50 * line, 20 * line);
    check(50 * line - 2 * b, 20 * line - 2 * b);
    form->Widget()->resize(30 * line, 25 * line);
    kvtest::WaitUntil([&] { return form->GetClientRect() == TRect{0, 0, 30 * line - 2 * b, 25 * line - 2 * b}; },
                      "the form takes the size the window system gave it");
    check(30 * line - 2 * b, 25 * line - 2 * b);

    // A docked child's own size is kept in its free direction; the others make room.
    top->SetHeight(3 * line);
    const int w = form->GetClientWidth();
    const int h = form->GetClientHeight();
    EXPECT_EQ(top->GetBoundsRect(), TRect::Bounds(0, 0, w, 3 * line));
    EXPECT_EQ(left->GetBoundsRect(), TRect::Bounds(0, 3 * line, 4 * line, h - 4 * line));
    EXPECT_EQ(client->GetBoundsRect(), TRect::Bounds(4 * line, 3 * line, w - 7 * line, h - 4 * line));
    // A docked child cannot be moved off its edge.
    top->SetBounds(line, line, line, 3 * line);
    EXPECT_EQ(top->GetBoundsRect(), TRect::Bounds(0, 0, w, 3 * line));

    // A hidden child gives its room back; shown again it takes it.
    top->Hide();
    EXPECT_EQ(client->GetBoundsRect(), TRect::Bounds(4 * line, 0, w - 7 * line, h - line));
    top->Show();
    EXPECT_EQ(client->GetBoundsRect(), TRect::Bounds(4 * line, 3 * line, w - 7 * line, h - 4 * line));

    // A second top control placed above the first goes first; one placed below it goes after.
    TFillControl* second = Child(form.get(), 0, 0, 10, line);
    second->SetAlign(alTop);
    EXPECT_EQ(second->GetBoundsRect(), TRect::Bounds(0, 0, w, line));
    EXPECT_EQ(top->GetBoundsRect(), TRect::Bounds(0, line, w, 3 * line));
    second->SetTop(10 * line);
    EXPECT_EQ(top->GetBoundsRect(), TRect::Bounds(0, 0, w, 3 * line));
    EXPECT_EQ(second->GetBoundsRect(), TRect::Bounds(0, 3 * line, w, line));
    EXPECT_EQ(client->GetBoundsRect(), TRect::Bounds(4 * line, 4 * line, w - 7 * line, h - 5 * line));

    // Leaving the parent, or the alignment, frees the room too; an unaligned control stays.
    second->SetParent(nullptr);
    EXPECT_EQ(client->GetBoundsRect(), TRect::Bounds(4 * line, 3 * line, w - 7 * line, h - 4 * line));
    left->SetAlign(alNone);
    EXPECT_EQ(left->GetBoundsRect(), TRect::Bounds(0, 3 * line, 4 * line, h - 4 * line));
    EXPECT_EQ(client->GetBoundsRect(), TRect::Bounds(0, 3 * line, w - 3 * line, h - 4 * line));
    second->Free();

    // A child freed while docked gives its room back.
    bottom->Free();
    EXPECT_EQ(client->GetBoundsRect(), TRect::Bounds(0, 3 * line, w - 3 * line, h - 3 * line));

    // Docked children never get a negative size when the parent is too small for them.
    form->SetBounds(0, 0, 2 * line, 2 * line);
    EXPECT_GE(client->GetWidth(), 0);
    EXPECT_GE(client->GetHeight(), 0);
    EXPECT_GE(right->GetHeight(), 0);
}

TEST(UiLayout, AnchoredChildrenKeepTheirDistancesToTheAnchoredEdges)
{
    const int line = Line();
    TOwned<TFillControl> form(Create<TFillControl>(nullptr));
    form->SetBounds(0, 0, 30 * line, 20 * line);
    // Default: left and top; moves with nothing.
    TFillControl* fixed = Child(form.get(), line, line, 3 * line, line);
    EXPECT_EQ(fixed->GetAnchors(), (TAnchors{akLeft, akTop}));
    // Right and bottom: keeps its distance to the right and bottom edges.
    TFillControl* corner = Child(form.get(), 20 * line, 15 * line, 4 * line, 2 * line);
    corner->SetAnchors({akRight, akBottom});
    // Left, top and right: stretches with the width.
    TFillControl* stretch = Child(form.get(), 2 * line, 4 * line, 20 * line, line);
    stretch->SetAnchors({akLeft, akTop, akRight});
    // All four: stretches both ways.
    TFillControl* fill = Child(form.get(), 2 * line, 6 * line, 10 * line, 8 * line);
    fill->SetAnchors({akLeft, akTop, akRight, akBottom});
    // Neither left nor right: keeps its centre.
    TFillControl* centred = Child(form.get(), 13 * line, 17 * line, 4 * line, line);
    centred->SetAnchors({akTop});
    form->Show();

    form->SetBounds(0, 0, 40 * line, 26 * line);
    EXPECT_EQ(fixed->GetBoundsRect(), TRect::Bounds(line, line, 3 * line, line));
    EXPECT_EQ(corner->GetBoundsRect(), TRect::Bounds(30 * line, 21 * line, 4 * line, 2 * line));
    EXPECT_EQ(stretch->GetBoundsRect(), TRect::Bounds(2 * line, 4 * line, 30 * line, line));
    EXPECT_EQ(fill->GetBoundsRect(), TRect::Bounds(2 * line, 6 * line, 20 * line, 14 * line));
    EXPECT_EQ(centred->GetBoundsRect(), TRect::Bounds(18 * line, 17 * line, 4 * line, line));

    // Shrunk below the stretching controls' room, then grown back: nothing is lost.
    form->SetBounds(0, 0, 5 * line, 5 * line);
    EXPECT_EQ(stretch->GetWidth(), 0);
    EXPECT_EQ(fill->GetHeight(), 0);
    form->SetBounds(0, 0, 30 * line, 20 * line);
    EXPECT_EQ(corner->GetBoundsRect(), TRect::Bounds(20 * line, 15 * line, 4 * line, 2 * line));
    EXPECT_EQ(stretch->GetBoundsRect(), TRect::Bounds(2 * line, 4 * line, 20 * line, line));
    EXPECT_EQ(fill->GetBoundsRect(), TRect::Bounds(2 * line, 6 * line, 10 * line, 8 * line));
    EXPECT_EQ(centred->GetBoundsRect(), TRect::Bounds(13 * line, 17 * line, 4 * line, line));

    // Moved by code, the control measures from its new place.
    corner->SetBounds(line, line, 2 * line, 2 * line);
    form->SetBounds(0, 0, 32 * line, 21 * line);
    EXPECT_EQ(corner->GetBoundsRect(), TRect::Bounds(3 * line, 2 * line, 2 * line, 2 * line));
    // A scroll bar taking client room counts as a resize of the client area.
    TScrollInfo si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMax = 1000;
    si.nPage = 10;
    form->SetScrollInfo(SB_VERT, si);
    const int bar = GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_EQ(corner->GetLeft(), 3 * line - bar);
    EXPECT_EQ(stretch->GetWidth(), 22 * line - bar);
}

TEST(UiLayout, BevelTakesItsWidthFromTheClientAreaOnItsEdgesAndIsPaintedThere)
{
    TOwned<TFillControl> c(Create<TFillControl>(nullptr));
    c->SetBounds(0, 0, 120, 90);
    // No bevel by default.
    EXPECT_EQ(c->GetBevelKind(), bkNone);
    EXPECT_EQ(c->GetClientRect(), (TRect{0, 0, 120, 90}));

    std::vector<TSize> sizes;
    c->OnResize = [&](TObject*) { sizes.push_back(TSize{c->GetClientWidth(), c->GetClientHeight()}); };
    c->SetBevelKind(bkTile);
    c->SetBevelOuter(bvLowered);
    c->SetBevelInner(bvRaised);
    c->SetBevelWidth(2);
    c->SetBevelEdges({beLeft, beBottom});
    // Two rings of two pixels on the left and the bottom only.
    EXPECT_EQ(c->GetBevelSize(beLeft), 4);
    EXPECT_EQ(c->GetBevelSize(beTop), 0);
    EXPECT_EQ(c->GetClientRect(), (TRect{0, 0, 116, 86}));
    EXPECT_EQ(c->GetClientOrigin(), (TPoint{4, 0}));
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.back(), (TSize{116, 86}));

    c->Show();
    kvtest::DeliverPosted();
    QImage image = c->Widget()->grab().toImage();
    ASSERT_FALSE(image.isNull());
    // Left: the lowered outer ring's shadow, then the raised inner ring's light side.
    EXPECT_EQ(Rgb(image, 0, 40), 0xA0A0A0u);
    EXPECT_EQ(Rgb(image, 1, 40), 0xA0A0A0u);
    EXPECT_EQ(Rgb(image, 2, 40), 0xE3E3E3u);
    EXPECT_EQ(Rgb(image, 3, 40), 0xE3E3E3u);
    // Bottom: the outer ring's highlight, then the inner ring's dark side.
    EXPECT_EQ(Rgb(image, 60, 89), 0xFFFFFFu);
    EXPECT_EQ(Rgb(image, 60, 88), 0xFFFFFFu);
    EXPECT_EQ(Rgb(image, 60, 87), 0x696969u);
    EXPECT_EQ(Rgb(image, 60, 86), 0x696969u);
    // The client area starts right after the bevel and reaches the edges without one.
    const unsigned fill = 0xC04020u; // the client's red C0, green 40, blue 20
    EXPECT_EQ(Rgb(image, 4, 40), fill);
    EXPECT_EQ(Rgb(image, 60, 0), fill);
    EXPECT_EQ(Rgb(image, 119, 40), fill);
    EXPECT_EQ(Rgb(image, 60, 85), fill);

    // Inside a single border; flat: one line of shadow per ring, the space ring in the face colour.
    c->SetBorderStyle(bsSingle);
    c->SetBevelKind(bkFlat);
    c->SetBevelInner(bvSpace);
    c->SetBevelWidth(1);
    c->SetBevelEdges({beTop, beRight});
    const int b = c->GetBorderWidth();
    EXPECT_EQ(c->GetClientOrigin(), (TPoint{b, b + 2}));
    EXPECT_EQ(c->GetClientRect(), (TRect{0, 0, 120 - 2 * b - 2, 90 - 2 * b - 2}));
    kvtest::DeliverPosted();
    image = c->Widget()->grab().toImage();
    const unsigned face = QApplication::palette().button().color().rgb() & 0xFFFFFF;
    EXPECT_EQ(Rgb(image, 60, b), 0xA0A0A0u);
    EXPECT_EQ(Rgb(image, 60, b + 1), face);
    EXPECT_EQ(Rgb(image, 60, b + 2), fill);
    EXPECT_EQ(Rgb(image, 119 - b, 40), 0xA0A0A0u);
    EXPECT_EQ(Rgb(image, 118 - b, 40), face);
    EXPECT_EQ(Rgb(image, 117 - b, 40), fill);
    EXPECT_EQ(Rgb(image, b, 40), fill);

    // Without a cut there is no ring: no room is taken.
    c->SetBevelInner(bvNone);
    c->SetBevelOuter(bvNone);
    EXPECT_EQ(c->GetClientRect(), (TRect{0, 0, 120 - 2 * b, 90 - 2 * b}));
    // A width out of range is refused and changes nothing.
    for (const int width : {0, -3, TWinControl::kMaxBevelWidth + 1}) {
        try {
            c->SetBevelWidth(width);
            ADD_FAILURE() << "bevel width " << width << " was taken";
        } catch (const EArgumentOutOfRangeException& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Bevel width %1 is out of range (1 to 1000)").arg(width));
        }
        EXPECT_EQ(c->GetBevelWidth(), 1);
    }
    c->SetBevelWidth(TWinControl::kMaxBevelWidth);
    EXPECT_EQ(c->GetBevelWidth(), TWinControl::kMaxBevelWidth);
}

TEST(UiLayout, Ctl3DChoosesBetweenASunkenEdgeAndALine)
{
    TOwned<TFillControl> c(Create<TFillControl>(nullptr));
    c->SetBounds(0, 0, 100, 40);
    c->SetBorderStyle(bsSingle);
    EXPECT_TRUE(c->GetCtl3D());
    EXPECT_EQ(c->GetBorderWidth(), 2);
    EXPECT_EQ(c->GetClientRect(), (TRect{0, 0, 96, 36}));
    c->SetCtl3D(false);
    EXPECT_EQ(c->GetBorderWidth(), 1);
    EXPECT_EQ(c->GetClientRect(), (TRect{0, 0, 98, 38}));
    c->Show();
    kvtest::DeliverPosted();
    const QImage image = c->Widget()->grab().toImage();
    EXPECT_EQ(Rgb(image, 50, 0), 0x646464u);
    EXPECT_EQ(Rgb(image, 50, 1), 0xC04020u);
}

TEST(UiLayout, TabFollowsTheTabOrderOfTheSiblings)
{
    const int line = Line();
    TOwned<TFillControl> form(Create<TFillControl>(nullptr));
    form->SetBounds(100, 100, 30 * line, 10 * line);
    TFillControl* a = Child(form.get(), 0, 0, 8 * line, line);
    TFillControl* b = Child(form.get(), 0, 2 * line, 8 * line, line);
    TFillControl* c = Child(form.get(), 0, 4 * line, 8 * line, line);
    for (TFillControl* x : {a, b, c})
        x->SetTabStop(true);
    EXPECT_EQ(a->GetTabOrder(), 0);
    EXPECT_EQ(b->GetTabOrder(), 1);
    EXPECT_EQ(c->GetTabOrder(), 2);
    // c goes between a and b: b moves down.
    c->SetTabOrder(1);
    EXPECT_EQ(a->GetTabOrder(), 0);
    EXPECT_EQ(c->GetTabOrder(), 1);
    EXPECT_EQ(b->GetTabOrder(), 2);

    form->Show();
    QWidget* window = form->Widget()->window();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    a->SetFocus();
    kvtest::WaitUntil([&] { return a->Focused(); }, "a has the focus");
    ASSERT_TRUE(a->Focused());
    QWindow* handle = window->windowHandle();
    QTest::keyClick(handle, Qt::Key_Tab);
    EXPECT_TRUE(c->Focused());
    QTest::keyClick(handle, Qt::Key_Tab);
    EXPECT_TRUE(b->Focused());
    QTest::keyClick(handle, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(c->Focused());
    QTest::keyClick(handle, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(a->Focused());

    // -1 (or past the end) puts a control after the others.
    a->SetTabOrder(-1);
    EXPECT_EQ(c->GetTabOrder(), 0);
    EXPECT_EQ(b->GetTabOrder(), 1);
    EXPECT_EQ(a->GetTabOrder(), 2);
    QTest::keyClick(handle, Qt::Key_Tab);
    EXPECT_TRUE(c->Focused());
    QTest::keyClick(handle, Qt::Key_Tab);
    EXPECT_TRUE(b->Focused());
    QTest::keyClick(handle, Qt::Key_Tab);
    EXPECT_TRUE(a->Focused());
    b->SetTabOrder(99);
    EXPECT_EQ(c->GetTabOrder(), 0);
    EXPECT_EQ(a->GetTabOrder(), 1);
    EXPECT_EQ(b->GetTabOrder(), 2);

    // A control that is no tab stop is passed over but keeps its place.
    c->SetTabStop(false);
    a->SetFocus();
    kvtest::WaitUntil([&] { return a->Focused(); }, "a has the focus back");
    QTest::keyClick(handle, Qt::Key_Tab);
    EXPECT_TRUE(b->Focused());
    QTest::keyClick(handle, Qt::Key_Tab);
    EXPECT_TRUE(a->Focused());
    EXPECT_EQ(c->GetTabOrder(), 0);

    // Numbers given before the parent take effect when the controls join it, in any order.
    TOwned<TFillControl> other(Create<TFillControl>(nullptr));
    std::vector<TFillControl*> loose;
    for (int order : {2, 0, 1}) {
        auto* x = Create<TFillControl>(other.get());
        x->SetTabOrder(order);
        EXPECT_EQ(x->GetTabOrder(), order);
        loose.push_back(x);
    }
    for (TFillControl* x : loose)
        x->SetParent(other.get());
    EXPECT_EQ(loose[0]->GetTabOrder(), 2);
    EXPECT_EQ(loose[1]->GetTabOrder(), 0);
    EXPECT_EQ(loose[2]->GetTabOrder(), 1);
    // A control that leaves its parent leaves its tab order.
    loose[1]->SetParent(nullptr);
    EXPECT_EQ(loose[2]->GetTabOrder(), 0);
    EXPECT_EQ(loose[0]->GetTabOrder(), 1);
    loose[2]->Free();
    EXPECT_EQ(loose[0]->GetTabOrder(), 0);
}
