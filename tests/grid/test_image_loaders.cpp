// Image loaders: the file helpers on good, missing and corrupt files of each format, and the
// simple loader's handler, callback and cache.
#include "CellRenderSupport.h"
#include "TestSupport.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <functional>
#include <vector>

using namespace kv;
using namespace kvtest;

namespace {

constexpr int W = 8;
constexpr int H = 6;

// Left half red, right half blue.
void FillHalves(TBitmap& bitmap)
{
    bitmap.SetSize(W, H);
    bitmap.GetCanvas()->FillRect(TRect{0, 0, W / 2, H}, clRed);
    bitmap.GetCanvas()->FillRect(TRect{W / 2, 0, W, H}, clBlue);
    bitmap.ReleaseCanvas();
}

// A GIF of the same picture (the platform writes no GIF): a four-colour table and LZW codes of
// three bits, kept from growing by a clear code before every second pixel.
QByteArray HalvesGif()
{
    QByteArray gif("GIF89a");
    const auto le16 = [&gif](int v) { gif.append(char(v & 0xFF)).append(char(v >> 8)); };
    le16(W);
    le16(H);
    gif.append(char(0x81)).append('\0').append('\0');
    gif.append(QByteArray::fromHex("ff0000" "0000ff" "000000" "ffffff"));
    gif.append(',');
    le16(0);
    le16(0);
    le16(W);
    le16(H);
    gif.append('\0').append(char(2));
    std::vector<int> codes;
    for (int i = 0; i < W * H; ++i) {
        if (i % 2 == 0)
            codes.push_back(4);
        codes.push_back(i % W < W / 2 ? 0 : 1);
    }
    codes.push_back(5);
    QByteArray data;
    int bits = 0;
    int used = 0;
    for (int code : codes) {
        bits |= code << used;
        used += 3;
        while (used >= 8) {
            data.append(char(bits & 0xFF));
            bits >>= 8;
            used -= 8;
        }
    }
    if (used > 0)
        data.append(char(bits & 0xFF));
    gif.append(char(data.size())).append(data).append('\0').append(';');
    return gif;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Near(QRgb c, QRgb expected)
{
    return std::abs(qRed(c) - qRed(expected)) < 40 && std::abs(qGreen(c) - qGreen(expected)) < 40 &&
           std::abs(qBlue(c) - qBlue(expected)) < 40;
}

TEST(ImageLoaderFiles, EachFormatDecodesAndBadFilesFailLikeMissingOnes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TBitmap source;
    FillHalves(source);
    const QString png = dir.filePath("a.png");
    const QString bmp = dir.filePath("a.bmp");
    const QString jpeg = dir.filePath("a.jpg");
    ASSERT_TRUE(source.SaveToFile(png, ifPng));
    ASSERT_TRUE(source.SaveToFile(bmp, ifBmp));
    ASSERT_TRUE(source.SaveToFile(jpeg, ifJpeg));
    EXPECT_FALSE(source.SaveToFile(dir.filePath("a.gif"), ifGif));
    const QString gif = WriteTestFile(dir, "a.gif", HalvesGif());

    using TLoad = bool (*)(const QString&, TBitmap*);
    struct TCase
    {
        const char* Name;
        TLoad Load;
        QString Good;
        QString Other; // a good file of another format
    };
    const std::vector<TCase> cases{{"png", &TKvSimpleImageLoader::LoadPng, png, jpeg},
                                   {"bmp", &TKvSimpleImageLoader::LoadBitmap, bmp, png},
                                   {"jpeg", &TKvSimpleImageLoader::LoadJpeg, jpeg, gif},
                                   {"gif", &TKvSimpleImageLoader::LoadGif, gif, bmp}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TBitmap bitmap;
        ASSERT_TRUE(c.Load(c.Good, &bitmap));
        ASSERT_EQ(bitmap.GetWidth(), W);
        ASSERT_EQ(bitmap.GetHeight(), H);
        EXPECT_TRUE(Near(bitmap.GetImage().pixel(1, H / 2), 0xFFFF0000u));
        EXPECT_TRUE(Near(bitmap.GetImage().pixel(W - 2, H / 2), 0xFF0000FFu));

        // Missing, truncated, garbage, empty, a folder and another format: false, bitmap kept.
        const QByteArray good = ReadAll(c.Good);
        const QString ext = QFileInfo(c.Good).suffix();
        const std::vector<QString> bad{
            dir.filePath(QStringLiteral("missing.") + ext),
            WriteTestFile(dir, QStringLiteral("half.") + ext, good.left(good.size() / 3)),
            WriteTestFile(dir, QStringLiteral("junk.") + ext, QByteArray(200, '\x5A')),
            WriteTestFile(dir, QStringLiteral("empty.") + ext, QByteArray()),
            dir.path(),
            c.Other,
        };
        for (const QString& file : bad) {
            SCOPED_TRACE(file.toStdString());
            TBitmap kept(3, 2);
            EXPECT_FALSE(c.Load(file, &kept));
            EXPECT_EQ(kept.GetWidth(), 3);
            EXPECT_EQ(kept.GetHeight(), 2);
        }
        EXPECT_FALSE(c.Load(c.Good, nullptr));
    }
}

// Records callback calls as "group/key failed-flag WxH".
struct TCallbackLog
{
    QStringList Calls;
    TBitmap* Expected = nullptr;
    IntfPtr<TKvImageLoadProc> Proc = MakeImageLoadProc([this](const QString& group, const QString& key, TBitmap* bitmap, bool failed) {
        EXPECT_EQ(bitmap, Expected);
        Calls << QStringLiteral("%1/%2 %3 %4x%5")
                     .arg(group, key, failed ? "failed" : "ok")
                     .arg(bitmap->GetWidth())
                     .arg(bitmap->GetHeight());
    });
};

TEST(SimpleImageLoader, AsksItsHandlerThenCallsBackAndKeepsRecentPictures)
{
    TOwned<TKvSimpleImageLoader> loader = MakeOwned<TKvSimpleImageLoader>(nullptr);
    TCallbackLog log;
    const auto load = [&](const QString& group, const QString& key) {
        TBitmap bitmap;
        log.Expected = &bitmap;
        loader->Load(group, key, &bitmap, log.Proc);
    };

    // Without a handler, or without a callback, nothing happens.
    load("g", "a");
    EXPECT_TRUE(log.Calls.isEmpty());
    QStringList asked;
    loader->OnLoadBitmap = [&](TObject* sender, const QString& group, const QString& key, TBitmap* bitmap) {
        EXPECT_EQ(sender, loader.get());
        asked << group + "/" + key;
        if (key == "none")
            return false;
        bitmap->SetSize(key.size(), 3);
        return true;
    };
    TBitmap unused;
    loader->Load("g", "a", &unused, nullptr);
    EXPECT_TRUE(asked.isEmpty());

    // The handler's answer sets the flag; a loaded picture is kept, a failed one is not.
    load("g", "a");
    load("g", "a");
    load("g", "none");
    load("g", "none");
    load("h", "a");
    EXPECT_EQ(asked, QStringList({"g/a", "g/none", "g/none", "h/a"}));
    EXPECT_EQ(log.Calls, QStringList({"g/a ok 1x3", "g/a ok 1x3", "g/none failed 0x0", "g/none failed 0x0", "h/a ok 1x3"}));

    // At most CacheSize pictures, the least recently used leaving first.
    loader->SetCacheSize(-4);
    EXPECT_EQ(loader->GetCacheSize(), 0);
    loader->SetCacheSize(2); // keeps h/a and g/a
    asked.clear();
    load("g", "bb");         // drops g/a
    load("h", "a");          // kept
    load("g", "ccc");        // drops g/bb
    load("h", "a");
    load("g", "ccc");
    EXPECT_EQ(asked, QStringList({"g/bb", "g/ccc"}));
    load("g", "bb");
    load("g", "a");
    EXPECT_EQ(asked, QStringList({"g/bb", "g/ccc", "g/bb", "g/a"}));
    asked.clear();
    loader->ClearCache();
    load("g", "a");
    EXPECT_EQ(asked, QStringList({"g/a"}));
}

TEST(SimpleImageLoader, FileHandlerDecodesEachPictureOnce)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TBitmap source;
    FillHalves(source);
    ASSERT_TRUE(source.SaveToFile(dir.filePath("p.png"), ifPng));
    WriteTestFile(dir, "bad.png", "\x89PNG\r\n\x1a\nnot really");

    TOwned<TKvSimpleImageLoader> loader = MakeOwned<TKvSimpleImageLoader>(nullptr);
    int reads = 0;
    loader->OnLoadBitmap = [&](TObject*, const QString&, const QString& key, TBitmap* bitmap) {
        ++reads;
        return TKvSimpleImageLoader::LoadPng(QDir(dir.path()).filePath(key), bitmap);
    };
    TCallbackLog log;
    for (const char* key : {"p.png", "p.png", "bad.png", "gone.png"}) {
        TBitmap bitmap;
        log.Expected = &bitmap;
        loader->Load("", key, &bitmap, log.Proc);
    }
    EXPECT_EQ(reads, 3);
    EXPECT_EQ(log.Calls, QStringList({"/p.png ok 8x6", "/p.png ok 8x6", "/bad.png failed 0x0", "/gone.png failed 0x0"}));

    // The kept picture has the file's pixels.
    TBitmap again;
    const IntfPtr<TKvImageLoadProc> check = MakeImageLoadProc([](const QString&, const QString&, TBitmap* bitmap, bool failed) {
        EXPECT_FALSE(failed);
        EXPECT_EQ(bitmap->GetImage().pixel(0, 0), 0xFFFF0000u);
        EXPECT_EQ(bitmap->GetImage().pixel(W - 1, H - 1), 0xFF0000FFu);
    });
    loader->Load("", "p.png", &again, check);
    EXPECT_EQ(reads, 3);
}

} // namespace
