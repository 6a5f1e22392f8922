// The grid view and the masked edit as controls on a form: alignment next to a docked panel,
// the grid's bevel, Tab through the form in tab order, and their control properties in a form
// file.
#include "EditTestSupport.h"
#include "GridTestSupport.h"
#include "TestSupport.h"

#include "grid/KvGrids.Common.Edits.h"
#include "grid/KvGrids.EditorBase.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Streaming.h"

#include <QtGui/QFontMetrics>
#include <QtWidgets/QLineEdit>

using namespace kv;
using namespace kvtest;

namespace {

// A plain window control painted in one colour: the form, or a panel on it.
class TColourPanel : public TCustomControl
{
public:
    using TCustomControl::TCustomControl;
    unsigned FillRgb = 0x808080;

protected:
    void Paint() override { GetCanvas()->FillRect(GetClientRect(), static_cast<TColor>(FillRgb)); }
};

// A form root whose children are its components.
class TControlsForm : public TComponent
{
public:
    using TComponent::TComponent;
    void GetChildren(const TGetChildProc& proc, TComponent*) override
    {
        for (int i = 0; i < GetComponentCount(); ++i)
            proc(GetComponent(i));
    }
};
KV_PUBLISH(TControlsForm, TComponent);

int Line()
{
    return QFontMetrics(QApplication::font()).height() + 6;
}

unsigned PixelRgb(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y).rgb() & 0xFFFFFFu;
}

} // namespace

TEST(GridControls, ClientAlignedGridAndTopPanelFillTheResizedForm)
{
    const int line = Line();
    TOwned<TColourPanel> form(Create<TColourPanel>(nullptr));
    form->SetBounds(0, 0, 40 * line, 24 * line);
    TShownGrid g;
    g.Fill(30, 3);
    TKvGridViewImpl* grid = g.Grid.get();
    grid->SetParent(form.get());
    grid->SetAlign(alClient);
    auto* panel = Create<TColourPanel>(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(0, 0, 5 * line, 2 * line);
    panel->SetAlign(alTop);
    form->Show();
    DeliverPosted();

    auto check = [&](int w, int h) {
        SCOPED_TRACE(testing::Message() << "form client " << w << " x " << h);
        EXPECT_EQ(panel->GetBoundsRect(), TRect::Bounds(0, 0, w, 2 * line));
        EXPECT_EQ(grid->GetBoundsRect(), TRect::Bounds(0, 2 * line, w, h - 2 * line));
        // The grid's client area is what its one-pixel bevel (and its vertical scroll bar over
        // thirty rows) leaves, and its window is there.
        ASSERT_TRUE(grid->IsScrollBarVisible(SB_VERT));
        EXPECT_EQ(grid->GetClientRect(), (TRect{0, 0, w - 2 - GetSystemMetrics(SM_CXVSCROLL), h - 2 * line - 2}));
        EXPECT_EQ(grid->Widget()->geometry(), QRect(0, 2 * line, w, h - 2 * line));
        EXPECT_EQ(panel->Widget()->geometry(), QRect(0, 0, w, 2 * line));
    };
    check(40 * line, 24 * line);

    form->SetBounds(0, 0, 50 * line, 30 * line);
    check(50 * line, 30 * line);
    // The window system resizes the form.
    form->Widget()->resize(30 * line, 20 * line);
    DeliverPosted();
    check(30 * line, 20 * line);

    // The grid lays itself out in its new client area and shows fewer rows when the panel
    // grows into it.
    g.Paint();
    const int before = grid->GetLayoutManager()->FullItemCount();
    EXPECT_GT(before, 0);
    panel->SetHeight(6 * line);
    EXPECT_EQ(panel->GetBoundsRect(), TRect::Bounds(0, 0, 30 * line, 6 * line));
    EXPECT_EQ(grid->GetBoundsRect(), TRect::Bounds(0, 6 * line, 30 * line, 14 * line));
    g.Paint();
    EXPECT_LT(grid->GetLayoutManager()->FullItemCount(), before);
}

TEST(GridControls, GridBevelIsAFlatLineOnTheChosenEdges)
{
    TShownGrid g;
    g.Fill(3, 3);
    TKvGridViewImpl* grid = g.Grid.get();
    // The grid's defaults: a flat lowered line one pixel wide on all four edges.
    EXPECT_EQ(grid->GetBevelKind(), bkFlat);
    EXPECT_EQ(grid->GetBevelOuter(), bvLowered);
    EXPECT_EQ(grid->GetBevelInner(), bvNone);
    EXPECT_EQ(grid->GetBevelWidth(), 1);
    EXPECT_EQ(grid->GetBevelEdges(), (TBevelEdges{beLeft, beTop, beRight, beBottom}));
    g.Show(300, 200);
    EXPECT_EQ(grid->GetClientRect(), (TRect{0, 0, 298, 198}));
    EXPECT_EQ(grid->GetClientOrigin(), (TPoint{1, 1}));
    QImage image = grid->Widget()->grab().toImage();
    for (const QPoint p : {QPoint(0, 100), QPoint(150, 0), QPoint(299, 100), QPoint(150, 199)})
        EXPECT_EQ(PixelRgb(image, p.x(), p.y()), 0xA0A0A0u) << p.x() << "," << p.y();
    // What the grid paints at its client's left column shows right inside the bevel.
    const unsigned inside = PixelRgb(image, 1, 100);
    EXPECT_EQ(inside, g.Rgb(0, 99));

    // Only the top edge: the client area gives up one row and nothing else.
    grid->SetBevelEdges({beTop});
    EXPECT_EQ(grid->GetClientRect(), (TRect{0, 0, 300, 199}));
    EXPECT_EQ(grid->GetClientOrigin(), (TPoint{0, 1}));
    g.Paint();
    image = grid->Widget()->grab().toImage();
    EXPECT_EQ(PixelRgb(image, 150, 0), 0xA0A0A0u);
    EXPECT_EQ(PixelRgb(image, 0, 100), g.Rgb(0, 99));
    EXPECT_EQ(PixelRgb(image, 299, 100), g.Rgb(299, 99));

    // No bevel: the grid paints up to its edges.
    grid->SetBevelKind(bkNone);
    EXPECT_EQ(grid->GetClientRect(), (TRect{0, 0, 300, 200}));
    g.Paint();
    image = grid->Widget()->grab().toImage();
    EXPECT_EQ(PixelRgb(image, 150, 0), g.Rgb(150, 0));
}

TEST(GridControls, TabGoesThroughEditsAndGridInTabOrder)
{
    const int line = Line();
    TOwned<TColourPanel> form(Create<TColourPanel>(nullptr));
    form->SetBounds(60, 60, 40 * line, 20 * line);
    // Made in the order grid, first edit, second edit; tabbed in the order second edit,
    // first edit, grid.
    TShownGrid g;
    g.Fill(5, 2);
    TKvGridViewImpl* grid = g.Grid.get();
    grid->SetParent(form.get());
    grid->SetBounds(0, 4 * line, 30 * line, 10 * line);
    auto* first = Create<TKvCustomMaskEdit>(form.get());
    first->SetParent(form.get());
    first->SetBounds(0, 0, 10 * line, line);
    auto* second = Create<TKvCustomMaskEdit>(form.get());
    second->SetParent(form.get());
    second->SetBounds(0, 2 * line, 10 * line, line);
    EXPECT_EQ(grid->GetTabOrder(), 0);
    EXPECT_EQ(first->GetTabOrder(), 1);
    EXPECT_EQ(second->GetTabOrder(), 2);
    second->SetTabOrder(0);
    grid->SetTabOrder(2);
    EXPECT_EQ(second->GetTabOrder(), 0);
    EXPECT_EQ(first->GetTabOrder(), 1);
    EXPECT_EQ(grid->GetTabOrder(), 2);

    form->Show();
    QWidget* window = form->Widget()->window();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    second->SetFocus();
    DeliverPosted();
    ASSERT_TRUE(second->Focused());
    QWindow* handle = window->windowHandle();
    QTest::keyClick(handle, Qt::Key_Tab);
    EXPECT_TRUE(first->Focused());
    QTest::keyClick(handle, Qt::Key_Tab);
    EXPECT_TRUE(grid->Focused());
    // In the grid Tab moves between cells; Shift+Tab out of the first edit goes back.
    first->SetFocus();
    DeliverPosted();
    QTest::keyClick(handle, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(second->Focused());

    // Moved to the end with -1: the first edit now follows the grid.
    first->SetTabOrder(-1);
    EXPECT_EQ(second->GetTabOrder(), 0);
    EXPECT_EQ(grid->GetTabOrder(), 1);
    EXPECT_EQ(first->GetTabOrder(), 2);
    QTest::keyClick(handle, Qt::Key_Tab);
    EXPECT_TRUE(grid->Focused());

    // An edit that is no tab stop is passed over by Tab, and still takes a click.
    first->SetTabOrder(1);
    first->SetTabStop(false);
    second->SetFocus();
    DeliverPosted();
    QTest::keyClick(handle, Qt::Key_Tab);
    EXPECT_TRUE(grid->Focused());
    QTest::mouseClick(handle, Qt::LeftButton, Qt::NoModifier, WindowPoint(first, line, line / 2));
    EXPECT_TRUE(first->Focused());
    grid->SetParent(nullptr);
}

TEST(GridControls, MaskEditCtl3DChoosesItsBorderAndTheTextFollows)
{
    TOwned<TKvCustomMaskEdit> edit(Create<TKvCustomMaskEdit>(nullptr));
    ShowFocused(edit.get(), 160, 30);
    ASSERT_EQ(edit->GetBorderStyle(), bsSingle);
    EXPECT_TRUE(edit->GetCtl3D());
    EXPECT_EQ(edit->GetBorderWidth(), 2);
    auto* text = edit->Widget()->findChild<QLineEdit*>();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->geometry(), QRect(2, 2, 156, 26));
    edit->SetCtl3D(false);
    EXPECT_EQ(edit->GetBorderWidth(), 1);
    EXPECT_EQ(edit->GetClientRect(), (TRect{0, 0, 158, 28}));
    EXPECT_EQ(text->geometry(), QRect(1, 1, 158, 28));
    DeliverPosted();
    const QImage image = edit->Widget()->grab().toImage();
    EXPECT_EQ(PixelRgb(image, 80, 0), 0x646464u);
}

TEST(GridControls, ControlPropertiesStreamThroughAFormFile)
{
    RegisterClasses<TControlsForm, TKvGridViewImpl, TKvCustomMaskEdit>();
    TOwned<TControlsForm> form{Create<TControlsForm>(nullptr)};
    form->SetName("Form1");
    auto* grid = Create<TKvGridViewImpl>(form.get());
    grid->SetName("Grid1");
    auto* edit = Create<TKvCustomMaskEdit>(form.get());
    edit->SetName("Edit1");

    // At their defaults nothing of them is written.
    QString text = WriteComponentText(form.get());
    for (const char* name :
         {"Align", "Anchors", "Bevel", "TabOrder", "TabStop", "Color", "Ctl3D", "ReadOnly", "TextHint"})
        EXPECT_FALSE(text.contains(QLatin1String(name))) << name << "\n" << text.toStdString();

    grid->SetAlign(alClient);
    grid->SetBevelEdges({beLeft, beTop});
    grid->SetBevelInner(bvRaised);
    grid->SetBevelOuter(bvSpace);
    grid->SetBevelKind(bkTile);
    grid->SetBevelWidth(3);
    grid->SetTabOrder(2);
    grid->SetTabStop(false);
    edit->SetAlign(alBottom);
    edit->SetAnchors({akLeft, akRight});
    edit->SetColor(clRed);
    edit->SetCtl3D(false);
    edit->SetReadOnly(true);
    edit->SetTabOrder(1);
    edit->SetTabStop(false);
    edit->SetTextHint("Type here");
    text = WriteComponentText(form.get());
    for (const char* line : {"Align = alClient", "BevelEdges = [beLeft, beTop]", "BevelInner = bvRaised",
                             "BevelOuter = bvSpace", "BevelKind = bkTile", "BevelWidth = 3", "TabOrder = 2",
                             "TabStop = False", "Align = alBottom", "Anchors = [akLeft, akRight]",
                             "Color = 255", "Ctl3D = False", "ReadOnly = True", "TabOrder = 1",
                             "TextHint = 'Type here'"})
        EXPECT_TRUE(text.contains(QLatin1String(line))) << line << "\n" << text.toStdString();

    TOwned<TControlsForm> copy{Create<TControlsForm>(nullptr)};
    ReadComponentText(text, copy.get());
    EXPECT_EQ(WriteComponentText(copy.get()), text);
    auto* grid2 = dynamic_cast<TKvGridViewImpl*>(copy->FindComponent("Grid1"));
    auto* edit2 = dynamic_cast<TKvCustomMaskEdit*>(copy->FindComponent("Edit1"));
    ASSERT_NE(grid2, nullptr);
    ASSERT_NE(edit2, nullptr);
    EXPECT_EQ(grid2->GetAlign(), alClient);
    EXPECT_EQ(grid2->GetBevelEdges(), (TBevelEdges{beLeft, beTop}));
    EXPECT_EQ(grid2->GetBevelInner(), bvRaised);
    EXPECT_EQ(grid2->GetBevelOuter(), bvSpace);
    EXPECT_EQ(grid2->GetBevelKind(), bkTile);
    EXPECT_EQ(grid2->GetBevelWidth(), 3);
    EXPECT_EQ(grid2->GetTabOrder(), 2);
    EXPECT_FALSE(grid2->GetTabStop());
    // The read bevel takes its room: two rings of three pixels on the left and the top.
    grid2->SetBounds(0, 0, 200, 100);
    EXPECT_EQ(grid2->GetClientOrigin(), (TPoint{6, 6}));
    EXPECT_EQ(grid2->GetClientRect(), (TRect{0, 0, 194, 94}));
    EXPECT_EQ(edit2->GetAlign(), alBottom);
    EXPECT_EQ(edit2->GetAnchors(), (TAnchors{akLeft, akRight}));
    EXPECT_EQ(edit2->GetColor(), clRed);
    EXPECT_FALSE(edit2->GetCtl3D());
    EXPECT_EQ(edit2->GetBorderWidth(), 1);
    EXPECT_TRUE(edit2->GetReadOnly());
    EXPECT_EQ(edit2->GetTabOrder(), 1);
    EXPECT_FALSE(edit2->GetTabStop());
    EXPECT_EQ(edit2->GetTextHint(), QStringLiteral("Type here"));

    // The read controls take their places when they join a parent: aligned, and in tab order.
    TOwned<TColourPanel> host(Create<TColourPanel>(nullptr));
    host->SetBounds(0, 0, 400, 300);
    edit2->SetHeight(Line());
    grid2->SetParent(host.get());
    edit2->SetParent(host.get());
    EXPECT_EQ(edit2->GetBoundsRect(), TRect::Bounds(0, 300 - Line(), 400, Line()));
    EXPECT_EQ(grid2->GetBoundsRect(), TRect::Bounds(0, 0, 400, 300 - Line()));
    EXPECT_EQ(edit2->GetTabOrder(), 0);
    EXPECT_EQ(grid2->GetTabOrder(), 1);
    grid2->SetParent(nullptr);
    edit2->SetParent(nullptr);

    // A value the enumeration does not have, or a bevel width out of range, is a read error
    // naming the value and the line; nothing is made.
    const QList<QPair<QString, QString>> bad = {{"Align = alMiddle", "alMiddle"},
                                                {"BevelWidth = 0", "Bevel width 0 is out of range"}};
    const QStringList good = {"Align = alClient", "BevelWidth = 3"};
    for (int i = 0; i < bad.size(); ++i) {
        QString wrong = text;
        wrong.replace(good[i], bad[i].first);
        TOwned<TControlsForm> third{Create<TControlsForm>(nullptr)};
        try {
            ReadComponentText(wrong, third.get());
            ADD_FAILURE() << "read: " << bad[i].first.toStdString();
        } catch (const EReadError& e) {
            EXPECT_TRUE(e.Message().contains(bad[i].second)) << e.Message().toStdString();
            EXPECT_TRUE(e.Message().contains(QLatin1String("on line"))) << e.Message().toStdString();
        }
        EXPECT_EQ(third->GetComponentCount(), 0);
    }
}
