// Image loaders: load procedures over functions, the simple loader's cache and file helpers.
#include "grid/KvGrids.Loaders.h"

#include "platform/rtl/TypInfo.h"

#include <utility>
#include <vector>

namespace kv {

namespace {

class TFuncLoadProc : public TInterfacedObject, public TKvImageLoadProc
{
public:
    explicit TFuncLoadProc(TKvImageLoadFunc proc) : FProc(std::move(proc)) {}
    void Invoke(const QString& group, const QString& key, TBitmap* bitmap, bool failed) override
    {
        if (FProc)
            FProc(group, key, bitmap, failed);
    }

private:
    TKvImageLoadFunc FProc;
};

} // namespace

IntfPtr<TKvImageLoadProc> MakeImageLoadProc(TKvImageLoadFunc proc)
{
    return IntfPtr<TKvImageLoadProc>(MakeIntf<TFuncLoadProc>(std::move(proc)));
}

// --- simple loader ------------------------------------------------------------------------

TKvSimpleImageLoader::~TKvSimpleImageLoader() = default;

void TKvSimpleImageLoader::Load(const QString& group, const QString& key, TBitmap* bitmap,
                                const IntfPtr<TKvImageLoadProc>& callback)
{
    if (!OnLoadBitmap || !callback || !bitmap)
        return;
    const auto groupIt = FBuffer.find(group);
    if (groupIt != FBuffer.end()) {
        const auto it = groupIt->second.find(key);
        if (it != groupIt->second.end()) {
            it->second.Used = ++FTick;
            bitmap->Assign(it->second.Bitmap->GetImage());
            callback->Invoke(group, key, bitmap, false);
            return;
        }
    }
    const bool loaded = OnLoadBitmap(this, group, key, bitmap);
    if (loaded)
        Keep(group, key, bitmap);
    callback->Invoke(group, key, bitmap, !loaded);
}

void TKvSimpleImageLoader::Keep(const QString& group, const QString& key, TBitmap* bitmap)
{
    if (bitmap->Empty())
        return;
    // A handler may have drawn on the bitmap: the copy must not share an open painter.
    bitmap->ReleaseCanvas();
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(bitmap->GetImage());
    // The handler may have loaded this key through another Load call meanwhile.
    const auto groupIt = FBuffer.find(group);
    if (groupIt == FBuffer.end() || !groupIt->second.contains(key)) {
        Trim(Capacity() - 1);
        ++FCount;
    }
    TEntry& entry = FBuffer[group][key];
    entry.Bitmap = std::move(copy);
    entry.Used = ++FTick;
}

void TKvSimpleImageLoader::Trim(int capacity)
{
    // Oldest first; a full scan is fine for a few hundred pictures.
    while (FCount > 0 && FCount > capacity) {
        TKeyBuffer* oldestGroup = nullptr;
        TKeyBuffer::iterator oldest;
        for (auto& [name, keys] : FBuffer)
            for (auto it = keys.begin(); it != keys.end(); ++it)
                if (!oldestGroup || it->second.Used < oldest->second.Used) {
                    oldestGroup = &keys;
                    oldest = it;
                }
        oldestGroup->erase(oldest);
        --FCount;
    }
    std::erase_if(FBuffer, [](const auto& group) { return group.second.empty(); });
}

void TKvSimpleImageLoader::SetCacheSize(int value)
{
    FCacheSize = value < 0 ? 0 : value;
    Trim(Capacity());
}

void TKvSimpleImageLoader::ClearCache()
{
    FBuffer.clear();
    FCount = 0;
}

bool TKvSimpleImageLoader::LoadBitmap(const QString& fileName, TBitmap* bitmap)
{
    return bitmap && bitmap->LoadFromFile(fileName, ifBmp);
}

bool TKvSimpleImageLoader::LoadPng(const QString& fileName, TBitmap* bitmap)
{
    return bitmap && bitmap->LoadFromFile(fileName, ifPng);
}

bool TKvSimpleImageLoader::LoadJpeg(const QString& fileName, TBitmap* bitmap)
{
    return bitmap && bitmap->LoadFromFile(fileName, ifJpeg);
}

bool TKvSimpleImageLoader::LoadGif(const QString& fileName, TBitmap* bitmap)
{
    return bitmap && bitmap->LoadFromFile(fileName, ifGif);
}

// --- published classes --------------------------------------------------------------------

KV_PUBLISH(TKvImageLoader, TComponent);
KV_PUBLISH(TKvSimpleImageLoader, TKvImageLoader)
    .Property("CacheSize", &TKvSimpleImageLoader::GetCacheSize, &TKvSimpleImageLoader::SetCacheSize)
    .Default(0)
    .Event("OnLoadBitmap", &TKvSimpleImageLoader::OnLoadBitmap);

} // namespace kv
