// Graphics errors and the counted start-up of the graphics module.
#include "graphics/KvGrids.Common.Drawing.h"
#include "graphics/KvGrids.Common.GdiPlus.h"

#include "TestSupport.h"

#include <QtCore/QDir>
#include <QtCore/QTemporaryDir>

using namespace kv;

TEST(GdipError, MessagesCarryTheStatusNumberAndText)
{
    KV_EXPECT_THROW_MSG(GdipCheck(GenericError), EGdipError, "(KvGraphics Error: 1) Generic Error");
    KV_EXPECT_THROW_MSG(GdipCheck(InvalidParameter), EGdipError,
                        "(KvGraphics Error: 2) One of the arguments passed to the method was not valid");
    KV_EXPECT_THROW_MSG(GdipCheck(WrongState), EGdipError, "(KvGraphics Error: 8) The object is in an invalid state");
    KV_EXPECT_THROW_MSG(GdipCheck(FileNotFound), EGdipError,
                        "(KvGraphics Error: 10) The specified image file or metafile cannot be found");
    KV_EXPECT_THROW_MSG(GdipCheck(UnknownImageFormat), EGdipError,
                        "(KvGraphics Error: 13) The specified image file format is not known");
    KV_EXPECT_THROW_MSG(GdipCheck(FontFamilyNotFound), EGdipError,
                        "(KvGraphics Error: 14) The specified font family cannot be found");
    KV_EXPECT_THROW_MSG(GdipCheck(PropertyNotSupported), EGdipError,
                        "(KvGraphics Error: 20) The specified property is not supported by the format of the image");
    EXPECT_NO_THROW(GdipCheck(Ok));
    EXPECT_EQ(EGdipError(Win32Error).Message(),
              QStringLiteral("(KvGraphics Error: 7) Win32 Error: ") + gfx::GetLastErrorText());
    // Ok and codes past the table read "Unknown".
    EXPECT_EQ(EGdipError(Ok).Message(), QStringLiteral("(KvGraphics Error: 0) Unknown"));
    EXPECT_EQ(EGdipError(TGPStatus(21)).Message(), QStringLiteral("(KvGraphics Error: 21) Unknown"));
    EXPECT_EQ(EGdipError(TGPStatus(255)).Message(), QStringLiteral("(KvGraphics Error: 255) Unknown"));
    const EGdipError e(ObjectBusy);
    EXPECT_EQ(e.GetStatus(), ObjectBusy);
    EXPECT_EQ(e.ClassName(), QStringLiteral("EGdipError"));
    EXPECT_EQ(sizeof(TGPStatus), 1u);
    // Every status of the table has its own text.
    for (int s = 1; s <= 20; ++s)
        EXPECT_NE(EGdipError::StatusText(TGPStatus(s)), QStringLiteral("Unknown")) << s;
}

TEST(GdipError, SystemErrorsCarryTheSystemText)
{
    // A directory exists but cannot be opened as an image file, whatever the rights of the
    // user running the test; the failure carries the system's reason.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("folder.png"));
    ASSERT_TRUE(QDir().mkdir(path));
    const QString prefix = QStringLiteral("(KvGraphics Error: 7) Win32 Error: ");
    try {
        TKvBitmap bitmap(path);
        ADD_FAILURE() << "a directory loaded as an image";
    } catch (const EGdipError& e) {
        EXPECT_EQ(e.GetStatus(), Win32Error);
        EXPECT_TRUE(e.Message().startsWith(prefix)) << e.Message().toStdString();
        EXPECT_GT(e.Message().length(), prefix.length());
        EXPECT_EQ(e.Message(), prefix + gfx::GetLastErrorText());
    }
    // A name that does not exist stays "not found", not a system error.
    KV_EXPECT_THROW_MSG(TKvBitmap missing(dir.filePath(QStringLiteral("missing.png"))), EGdipError,
                        "(KvGraphics Error: 10) The specified image file or metafile cannot be found");
}

TEST(GraphicsModule, StartUpAndShutDownAreCounted)
{
    TKvStroke* black = TKvStroke::Black(); // started on first use
    ASSERT_TRUE(KvGraphicsStarted());
    ASSERT_NE(black, nullptr);
    KvGraphicsStartup();
    KvGraphicsShutdown();
    EXPECT_TRUE(KvGraphicsStarted());
    EXPECT_EQ(TKvStroke::Black(), black); // still the same stock objects

    // Shut down completely; the next use starts again with fresh stock objects.
    while (KvGraphicsStarted())
        KvGraphicsShutdown();
    KvGraphicsShutdown(); // one too many is harmless
    EXPECT_FALSE(KvGraphicsStarted());
    TKvStroke* again = TKvStroke::Black();
    EXPECT_TRUE(KvGraphicsStarted());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->ToString(), QStringLiteral("#ff000000,1"));
    EXPECT_GT(TKvFont::Default9()->GetHeight(), 0);
}
