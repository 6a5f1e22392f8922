// Platform drawing objects: colours, fonts, canvases, memory bitmaps and image lists.
// A canvas is a paint device with the one painter open on it; that painter is the
// "device context" (HDC) on which the classic items (buttons, check boxes, bitmaps,
// image lists, blits) are drawn in device coordinates.
#pragma once

#include "platform/graphics/Types.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Sets.h"

#include <QtCore/QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QImage;
class QPainter;
class QPaintDevice;
class QFont;

namespace kv {

// A device context: the painter open on a canvas.
using HDC = QPainter*;

// Colour as blue-green-red: red in the low byte, green in the middle byte, blue in the third.
using TColor = std::int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBlue = 0xFF0000;

enum TFontStyleItem { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyleItem>;

// A platform font: family name, size in points, style and colour.
class TFont : public TPersistent
{
public:
    TFont();

    const QString& GetName() const { return FName; }
    void SetName(const QString& value);
    int GetSize() const { return FSize; }
    void SetSize(int value);
    TFontStyles GetStyle() const { return FStyle; }
    void SetStyle(TFontStyles value);
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);

    void Assign(const TPersistent* source) override;
    // The equivalent Qt font.
    QFont ToQFont() const;

    std::function<void(TObject*)> OnChange;

private:
    void Changed();

    QString FName;
    int FSize = 8;
    TFontStyles FStyle;
    TColor FColor = clBlack;
};

class TBitmap;

// Image file formats that bitmaps read and write; GIF is read only.
enum TImageFileFormat { ifAuto, ifBmp, ifPng, ifJpeg, ifGif };

// For its scope, a painter draws in device pixels: no world transform, no smoothing; the clip
// stays. Pen, brush and every other setting are as found afterwards.
class TDeviceScope
{
public:
    explicit TDeviceScope(QPainter* painter);
    ~TDeviceScope();
    TDeviceScope(const TDeviceScope&) = delete;
    TDeviceScope& operator=(const TDeviceScope&) = delete;

private:
    QPainter* FPainter;
};

// A paint target and its open painter. Over a device the canvas opens (and closes) its own
// painter; over a painter it borrows one that the caller keeps active.
class TCanvas
{
public:
    explicit TCanvas(QPaintDevice* device);
    explicit TCanvas(QPainter* painter);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The device context; null when the device could not be opened.
    HDC GetHandle() const { return FPainter; }
    QPaintDevice* GetDevice() const;

    // Draws a bitmap at device position x, y.
    void Draw(int x, int y, const TBitmap* bitmap);
    // Copies the source rectangle of a canvas onto dest (stretched when the sizes differ).
    void CopyRect(const TRect& dest, TCanvas* source, const TRect& src);
    // Fills a rectangle (device coordinates) with an opaque colour.
    void FillRect(const TRect& rect, TColor color);

private:
    QPainter* FPainter = nullptr;
    bool FOwnsPainter = false;
};

// A memory bitmap of 32-bit pixels with a canvas over it.
class TBitmap : public TObject
{
public:
    TBitmap();
    TBitmap(int width, int height);
    ~TBitmap() override;

    int GetWidth() const;
    int GetHeight() const;
    bool Empty() const;
    // Resizes; the content is cleared to opaque white. Closes the canvas.
    void SetSize(int width, int height);
    // The canvas over the pixels, opened on first use.
    TCanvas* GetCanvas();
    // Closes the canvas (so that the pixels may be copied safely).
    void ReleaseCanvas();

    // Loads any image file that the platform decodes (BMP, PNG, JPEG, GIF, ...). False when
    // the file does not exist or cannot be decoded; the bitmap is then unchanged.
    bool LoadFromFile(const QString& fileName);
    // Decodes the file with the decoder of that format only (any decoder for ifAuto); the
    // content decides, not the file name. False, bitmap unchanged, as above.
    bool LoadFromFile(const QString& fileName, TImageFileFormat format);
    // Encodes the pixels into the file; false for an empty bitmap, a format without an
    // encoder (GIF, ifAuto) or a file that cannot be written.
    bool SaveToFile(const QString& fileName, TImageFileFormat format) const;
    // Loads the bitmap resource of that name (a PNG compiled in with the resource system under
    // the prefix "/kvgrids"). False when there is no such resource.
    bool LoadFromResource(const QString& name);
    void Assign(const QImage& image);
    const QImage& GetImage() const;

private:
    std::unique_ptr<QImage> FImage;
    std::unique_ptr<TCanvas> FCanvas;
};

// A list of images of one size, drawn by index.
class TCustomImageList : public TComponent
{
protected:
    friend class TCreateAccess;
    explicit TCustomImageList(TComponent* owner);

public:
    ~TCustomImageList() override;

    int GetCount() const { return static_cast<int>(FImages.size()); }
    int GetWidth() const { return FWidth; }
    int GetHeight() const { return FHeight; }
    void SetSize(int width, int height);

    // Adds the bitmap; pixels of maskColor become transparent. The first image added to an
    // empty list of size 0 sets the list's size. Returns the index, -1 for an empty bitmap.
    int AddMasked(const TBitmap* image, TColor maskColor);
    int Add(const TBitmap* image);
    void Clear();
    // Draws image index at device position x, y; a disabled image is drawn greyed.
    void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true) const;

private:
    int AddImage(QImage image);

    std::vector<std::unique_ptr<QImage>> FImages;
    int FWidth = 0;
    int FHeight = 0;
};

} // namespace kv
