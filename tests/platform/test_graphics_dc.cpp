// Canvases, memory bitmaps, image lists and the device-context painters.
#include "platform/graphics/DeviceContext.h"
#include "platform/graphics/Graphics.h"

#include <QtCore/QTemporaryDir>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <gtest/gtest.h>

using namespace kv;

namespace {

// True when some pixel of the rectangle differs from opaque white.
bool Painted(const QImage& image, const QRect& r)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (image.valid(x, y) && image.pixel(x, y) != 0xFFFFFFFFu)
                return true;
    return false;
}

struct TThemes
{
    bool Saved = dc::UseThemes();
    explicit TThemes(bool on) { dc::SetUseThemes(on); }
    ~TThemes() { dc::SetUseThemes(Saved); }
};

} // namespace

TEST(PlatformBitmap, SizeCanvasAndFiles)
{
    TBitmap empty;
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(empty.GetCanvas()->GetHandle(), nullptr); // nothing to paint on
    TBitmap bmp(20, 10);
    EXPECT_EQ(bmp.GetWidth(), 20);
    EXPECT_EQ(bmp.GetImage().pixel(5, 5), 0xFFFFFFFFu);
    bmp.GetCanvas()->FillRect(TRect{2, 2, 6, 6}, clRed);
    EXPECT_EQ(bmp.GetImage().pixel(3, 3), 0xFFFF0000u);
    EXPECT_EQ(bmp.GetImage().pixel(6, 6), 0xFFFFFFFFu);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("b.png"));
    ASSERT_TRUE(bmp.GetImage().save(path));
    TBitmap loaded;
    EXPECT_FALSE(loaded.LoadFromFile(dir.filePath(QStringLiteral("none.png"))));
    EXPECT_TRUE(loaded.Empty());
    ASSERT_TRUE(loaded.LoadFromFile(path));
    EXPECT_EQ(loaded.GetHeight(), 10);
    EXPECT_EQ(loaded.GetImage().pixel(4, 4), 0xFFFF0000u);
}

TEST(PlatformCanvas, DrawsBitmapsAndCopiesInDeviceCoordinates)
{
    TBitmap target(40, 40);
    TBitmap stamp(4, 4);
    stamp.GetCanvas()->FillRect(TRect{0, 0, 4, 4}, clBlue);
    QPainter* p = target.GetCanvas()->GetHandle();
    p->translate(100, 100); // a world transform on the painter does not move device items
    target.GetCanvas()->Draw(10, 12, &stamp);
    EXPECT_EQ(target.GetImage().pixel(11, 13), 0xFF0000FFu);
    EXPECT_EQ(target.GetImage().pixel(14, 13), 0xFFFFFFFFu);
    dc::BitBlt(p, 20, 20, 2, 2, stamp.GetCanvas(), 0, 0);
    EXPECT_EQ(target.GetImage().pixel(21, 21), 0xFF0000FFu);
    EXPECT_EQ(target.GetImage().pixel(22, 22), 0xFFFFFFFFu);
    dc::PatBlt(p, 30, 30, 3, 1, dc::BLACKNESS);
    EXPECT_EQ(target.GetImage().pixel(32, 30), 0xFF000000u);
    EXPECT_EQ(target.GetImage().pixel(32, 31), 0xFFFFFFFFu);
    EXPECT_EQ(p->worldTransform().dx(), 100); // left as found
}

TEST(PlatformImageList, MasksSizesAndDrawsByIndex)
{
    TOwned<TCustomImageList> listOwner = MakeOwned<TCustomImageList>(nullptr);
    TCustomImageList& list = *listOwner;
    TBitmap image(6, 6);
    image.GetCanvas()->FillRect(TRect{0, 0, 6, 6}, TColor(0x008080)); // the mask colour
    image.GetCanvas()->FillRect(TRect{2, 2, 4, 4}, clLime);
    image.ReleaseCanvas();
    EXPECT_EQ(list.AddMasked(&image, TColor(0x008080)), 0);
    EXPECT_EQ(list.GetWidth(), 6);
    EXPECT_EQ(list.GetCount(), 1);
    TBitmap empty;
    EXPECT_EQ(list.Add(&empty), -1);

    TBitmap target(20, 20);
    list.Draw(target.GetCanvas(), 5, 5, 0);
    EXPECT_EQ(target.GetImage().pixel(8, 8), 0xFF00FF00u);
    EXPECT_EQ(target.GetImage().pixel(5, 5), 0xFFFFFFFFu); // masked pixels are transparent
    list.Draw(target.GetCanvas(), 0, 0, 1);
    list.Draw(target.GetCanvas(), 0, 0, -1);
    EXPECT_FALSE(Painted(target.GetImage(), QRect(0, 0, 5, 5)));
    list.Draw(target.GetCanvas(), 12, 12, 0, false);
    const QRgb grey = target.GetImage().pixel(15, 15);
    EXPECT_EQ(qRed(grey), qGreen(grey)); // disabled images are greyed
}

TEST(PlatformDeviceContext, MetricsComeFromTheStyle)
{
    EXPECT_GT(dc::GetSystemMetrics(dc::SM_CXVSCROLL), 0);
    EXPECT_GT(dc::GetSystemMetrics(dc::SM_CXMENUCHECK), 0);
    EXPECT_GT(dc::GetSystemMetrics(dc::SM_CYMENUCHECK), 0);
}

TEST(PlatformDeviceContext, ThemedAndClassicPartsPaintInsideTheirRectangle)
{
    for (bool themed : {true, false}) {
        TThemes themes(themed);
        TBitmap target(120, 40);
        HDC dc = target.GetCanvas()->GetHandle();
        const TRect button{10, 10, 30, 30};
        if (themed) {
            EXPECT_TRUE(dc::DrawThemeBackground(dc, "BUTTON", dc::BP_PUSHBUTTON, 1, button));
            EXPECT_TRUE(dc::DrawThemeBackground(dc, "BUTTON", dc::BP_CHECKBOX, 5, TRect{40, 10, 53, 23}));
            EXPECT_TRUE(dc::DrawThemeBackground(dc, "COMBOBOX", dc::CP_DROPDOWNBUTTON, 3, TRect{60, 10, 80, 30}));
            EXPECT_TRUE(dc::DrawThemeBackground(dc, "SCROLLBAR", dc::SBP_ARROWBTN, dc::ABS_DOWNHOT, TRect{90, 10, 110, 30}));
            EXPECT_FALSE(dc::DrawThemeBackground(dc, "TREEVIEW", 1, 1, button));
            EXPECT_FALSE(dc::DrawThemeBackground(dc, "BUTTON", dc::BP_CHECKBOX, 9, button));
        } else {
            EXPECT_TRUE(dc::DrawFrameControl(dc, button, dc::DFC_BUTTON, dc::DFCS_BUTTONPUSH));
            EXPECT_TRUE(dc::DrawFrameControl(dc, TRect{40, 10, 53, 23}, dc::DFC_BUTTON,
                                             dc::DFCS_BUTTONCHECK | dc::DFCS_CHECKED | dc::DFCS_FLAT));
            EXPECT_TRUE(dc::DrawFrameControl(dc, TRect{60, 10, 80, 30}, dc::DFC_SCROLL,
                                             dc::DFCS_SCROLLCOMBOBOX | dc::DFCS_PUSHED));
            EXPECT_TRUE(dc::DrawFrameControl(dc, TRect{90, 10, 110, 30}, dc::DFC_SCROLL, dc::DFCS_SCROLLUP));
            EXPECT_FALSE(dc::DrawFrameControl(dc, button, 7, 0));
        }
        const QImage& img = target.GetImage();
        EXPECT_TRUE(Painted(img, QRect(10, 10, 20, 20))) << themed;
        EXPECT_TRUE(Painted(img, QRect(40, 10, 13, 13))) << themed;
        EXPECT_TRUE(Painted(img, QRect(60, 10, 20, 20))) << themed;
        EXPECT_TRUE(Painted(img, QRect(90, 10, 20, 20))) << themed;
        // Nothing outside the parts.
        EXPECT_FALSE(Painted(img, QRect(0, 0, 120, 9))) << themed;
        EXPECT_FALSE(Painted(img, QRect(0, 31, 120, 9))) << themed;
        EXPECT_FALSE(Painted(img, QRect(31, 0, 8, 40))) << themed;
    }
}

TEST(PlatformDeviceContext, ClassicCheckBoxShowsItsMark)
{
    TThemes themes(false);
    TBitmap on(13, 13), off(13, 13);
    dc::DrawFrameControl(on.GetCanvas()->GetHandle(), TRect{0, 0, 13, 13}, dc::DFC_BUTTON,
                         dc::DFCS_BUTTONCHECK | dc::DFCS_FLAT | dc::DFCS_CHECKED);
    dc::DrawFrameControl(off.GetCanvas()->GetHandle(), TRect{0, 0, 13, 13}, dc::DFC_BUTTON,
                         dc::DFCS_BUTTONCHECK | dc::DFCS_FLAT);
    EXPECT_FALSE(Painted(off.GetImage(), QRect(3, 3, 7, 7)));
    EXPECT_TRUE(Painted(on.GetImage(), QRect(3, 3, 7, 7)));
}
