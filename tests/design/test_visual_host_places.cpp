// The visual designer shows each control where its Left, Top, Width, Height and Align put it,
// keeps them in the form file, and stays open when the save it was asked for on close fails.
#include "DesignTestSupport.h"
#include "VisualHostTestSupport.h"

#include "components/KvGrids.Vantrel.h"
#include "design/KvGrids.Regs.h"
#include "platform/design/VisualHost.h"
#include "platform/ui/MessageBox.h"

#include <deque>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

using namespace kv;
using namespace kvtest;

namespace {

const char* const FormText = R"(object Form1: TDesignForm
  Caption = 'Places'
  object Placed: TKvVantrel
    Left = 20
    Top = 30
    Width = 210
    Height = 120
  end
  object Filled: TKvVantrel
    Left = 5
    Top = 5
    Width = 50
    Height = 40
    Align = alBottom
  end
end
)";

struct VisualHostPlaces : TFormFolderTest
{
    void SetUp() override
    {
        Register();
        FormFile = WriteTestFile(Dir, "places.kvf", FormText);
    }
};

} // namespace

TEST_F(VisualHostPlaces, ControlsShowWhereTheirPropertiesPutThemAndTheFileKeepsThem)
{
    TVisualDesigner designer(FormFile);
    ShowActive(designer);
    auto* placed = dynamic_cast<TKvVantrel*>(designer.GetForm()->FindComponent("Placed"));
    auto* filled = dynamic_cast<TKvVantrel*>(designer.GetForm()->FindComponent("Filled"));
    ASSERT_NE(placed, nullptr);
    ASSERT_NE(filled, nullptr);

    // Not aligned: at its bounds. Aligned to the bottom: along the surface's bottom edge.
    EXPECT_EQ(placed->GetBoundsRect(), TRect::Bounds(20, 30, 210, 120));
    EXPECT_EQ(placed->Widget()->geometry(), QRect(20, 30, 210, 120));
    QWidget* surface = filled->Widget()->parentWidget();
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(placed->Widget()->parentWidget(), surface);
    EXPECT_EQ(filled->Widget()->geometry(), QRect(0, surface->height() - 40, surface->width(), 40));

    // Changing a property moves the control; aligning it to the client area fills what is left.
    designer.GetHost().SelectComponent(placed);
    IntfPtr<IProperty> left = designer.GetHost().FindProperty("Left");
    ASSERT_NE(left, nullptr);
    left->SetValue("45");
    EXPECT_EQ(placed->Widget()->geometry(), QRect(45, 30, 210, 120));
    IntfPtr<IProperty> align = designer.GetHost().FindProperty("Align");
    ASSERT_NE(align, nullptr);
    align->SetValue("alClient");
    ASSERT_TRUE(QTest::qWaitFor([&] { return placed->Widget()->geometry().height() != 120; }, 5000));
    EXPECT_EQ(placed->Widget()->geometry(), QRect(0, 0, surface->width(), surface->height() - 40));

    // The form file keeps position, size and alignment, and reads back to them.
    designer.Save();
    const QString text = FileText(FormFile);
    EXPECT_TRUE(text.contains("Align = alClient")) << text.toStdString();
    EXPECT_TRUE(text.contains("Left = 0")) << text.toStdString();
    designer.GetHost().SelectComponent(filled);
    designer.GetHost().FindProperty("Align")->SetValue("alNone");
    designer.GetHost().FindProperty("Width")->SetValue("77");
    designer.Save();
    TVisualDesigner again(FormFile);
    auto* filled2 = dynamic_cast<TKvVantrel*>(again.GetForm()->FindComponent("Filled"));
    ASSERT_NE(filled2, nullptr);
    EXPECT_EQ(filled2->GetAlign(), alNone);
    EXPECT_EQ(filled2->GetBoundsRect(), filled->GetBoundsRect());
    EXPECT_EQ(filled2->GetWidth(), 77);
}

TEST_F(VisualHostPlaces, YesOnCloseWithASaveThatFailsKeepsTheDesignerOpen)
{
    TMessageBoxes boxes;
    TVisualDesigner designer(FormFile);
    ShowActive(designer);
    designer.GetHost().Modified();
    ASSERT_TRUE(designer.IsModified());

    // The file's place is taken by a folder: the save fails, whoever runs the test.
    ASSERT_TRUE(QFile::remove(FormFile));
    ASSERT_TRUE(QDir().mkdir(FormFile));
    boxes.Answers = {IDYES};
    designer.Window()->close();
    QApplication::processEvents();
    ASSERT_EQ(boxes.Texts.size(), 2);
    EXPECT_TRUE(boxes.Texts[0].contains("places.kvf")) << boxes.Texts[0].toStdString();
    EXPECT_TRUE(designer.Window()->isVisible());
    EXPECT_TRUE(designer.IsModified());
    EXPECT_TRUE(designer.Window()->windowTitle().contains("*"));

    // With the place free again, Yes saves and closes.
    ASSERT_TRUE(QDir().rmdir(FormFile));
    boxes.Answers = {IDYES};
    designer.Window()->close();
    QApplication::processEvents();
    EXPECT_FALSE(designer.Window()->isVisible());
    EXPECT_FALSE(designer.IsModified());
    EXPECT_TRUE(FileText(FormFile).contains("object Placed: TKvVantrel"));
}
