// Image loaders: the loader component that image cells ask for a picture by group and key,
// and the simple loader whose event handler fills the bitmap, with the file helpers such
// handlers use and a bounded cache of the pictures already loaded.
#pragma once

#include "platform/graphics/Graphics.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Interfaces.h"

#include <QtCore/QHashFunctions>
#include <QtCore/QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>

namespace kv {

// What a loader calls when it delivers. The bitmap belongs to the loader and is valid only
// inside the call; failed is true when nothing was loaded into it.
class TKvImageLoadProc : public virtual IInterface
{
public:
    virtual void Invoke(const QString& group, const QString& key, TBitmap* bitmap, bool failed) = 0;
};

using TKvImageLoadFunc = std::function<void(const QString& group, const QString& key, TBitmap* bitmap, bool failed)>;
// A counted load procedure that calls the function.
IntfPtr<TKvImageLoadProc> MakeImageLoadProc(TKvImageLoadFunc proc);

class TKvImageLoader : public TComponent
{
public:
    // Fills bitmap with the picture of (group, key) and calls the callback with it.
    virtual void Load(const QString& group, const QString& key, TBitmap* bitmap,
                      const IntfPtr<TKvImageLoadProc>& callback) = 0;

protected:
    explicit TKvImageLoader(TComponent* owner) : TComponent(owner) {}
};

// Answers true when it loaded the picture into the bitmap.
using TKvBitmapLoadEvent =
    std::function<bool(TObject* sender, const QString& group, const QString& key, TBitmap* bitmap)>;

// Loads through OnLoadBitmap. Pictures it loaded are kept (up to CacheSize of them, the least
// recently used leaving first) and handed out again without asking the handler.
class TKvSimpleImageLoader : public TKvImageLoader
{
protected:
    friend class TCreateAccess;
    explicit TKvSimpleImageLoader(TComponent* owner) : TKvImageLoader(owner) {}

public:
    // The number of pictures kept while CacheSize is 0 (or negative).
    static constexpr int DEFAULT_CACHE_SIZE = 256;

    ~TKvSimpleImageLoader() override;

    // With a handler and a callback: the cached picture, or OnLoadBitmap's; then the callback
    // with failed = not loaded. Without either, nothing happens.
    void Load(const QString& group, const QString& key, TBitmap* bitmap,
              const IntfPtr<TKvImageLoadProc>& callback) override;

    int GetCacheSize() const { return FCacheSize; }
    // Negative values count as 0; a smaller size drops the oldest pictures at once.
    void SetCacheSize(int value);
    // Forgets every kept picture (files changed on disk are then read again).
    void ClearCache();

    // For OnLoadBitmap handlers: each decodes the file with that format's decoder into the
    // bitmap. False, bitmap unchanged, when the file is missing or does not decode.
    static bool LoadBitmap(const QString& fileName, TBitmap* bitmap);
    static bool LoadPng(const QString& fileName, TBitmap* bitmap);
    static bool LoadJpeg(const QString& fileName, TBitmap* bitmap);
    static bool LoadGif(const QString& fileName, TBitmap* bitmap);

    TKvBitmapLoadEvent OnLoadBitmap;

private:
    struct TEntry
    {
        std::unique_ptr<TBitmap> Bitmap;
        std::uint64_t Used = 0;
    };
    using TKeyBuffer = std::unordered_map<QString, TEntry>;

    int Capacity() const { return FCacheSize > 0 ? FCacheSize : DEFAULT_CACHE_SIZE; }
    void Keep(const QString& group, const QString& key, TBitmap* bitmap);
    void Trim(int capacity);

    std::unordered_map<QString, TKeyBuffer> FBuffer;
    int FCount = 0;
    std::uint64_t FTick = 0;
    int FCacheSize = 0;
};

} // namespace kv
