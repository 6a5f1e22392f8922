#include "platform/graphics/Graphics.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtGui/QFont>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QImageReader>
#include <QtGui/QImageWriter>
#include <QtGui/QPainter>
#include <cstdint>
#include <cstdlib>

namespace kv {

TDeviceScope::TDeviceScope(QPainter* painter) : FPainter(painter)
{
    FPainter->save();
    FPainter->resetTransform();
    FPainter->setRenderHint(QPainter::Antialiasing, false);
}

TDeviceScope::~TDeviceScope() { FPainter->restore(); }

namespace {

bool Active(QPainter* p) { return p && p->isActive(); }

QRgb RgbOf(TColor color)
{
    const auto c = static_cast<std::uint32_t>(color);
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

} // namespace

// --- TFont ---------------------------------------------------------------------------------

TFont::TFont()
{
    FName = QGuiApplication::instance() ? QGuiApplication::font().family() : QString();
    if (FName.isEmpty())
        FName = QStringLiteral("Sans Serif");
}

void TFont::SetName(const QString& value)
{
    if (FName != value) {
        FName = value;
        Changed();
    }
}

void TFont::SetSize(int value)
{
    if (FSize != value) {
        FSize = value;
        Changed();
    }
}

void TFont::SetStyle(TFontStyles value)
{
    if (!(FStyle == value)) {
        FStyle = value;
        Changed();
    }
}

void TFont::SetColor(TColor value)
{
    if (FColor != value) {
        FColor = value;
        Changed();
    }
}

void TFont::Assign(const TPersistent* source)
{
    if (auto* f = dynamic_cast<const TFont*>(source)) {
        FName = f->FName;
        FSize = f->FSize;
        FStyle = f->FStyle;
        FColor = f->FColor;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

QFont TFont::ToQFont() const
{
    QFont f(FName);
    if (FSize > 0)
        f.setPointSize(FSize);
    f.setBold(FStyle.Contains(fsBold));
    f.setItalic(FStyle.Contains(fsItalic));
    f.setUnderline(FStyle.Contains(fsUnderline));
    f.setStrikeOut(FStyle.Contains(fsStrikeOut));
    return f;
}

void TFont::Changed()
{
    if (OnChange)
        OnChange(this);
}

// --- TCanvas -------------------------------------------------------------------------------

TCanvas::TCanvas(QPaintDevice* device)
{
    if (!device)
        return;
    auto painter = std::make_unique<QPainter>();
    if (painter->begin(device)) {
        FPainter = painter.release();
        FOwnsPainter = true;
    }
}

TCanvas::TCanvas(QPainter* painter) : FPainter(painter) {}

TCanvas::~TCanvas()
{
    if (FOwnsPainter) {
        FPainter->end();
        delete FPainter;
    }
}

QPaintDevice* TCanvas::GetDevice() const { return FPainter ? FPainter->device() : nullptr; }

void TCanvas::Draw(int x, int y, const TBitmap* bitmap)
{
    if (!Active(FPainter) || !bitmap || bitmap->Empty())
        return;
    TDeviceScope scope(FPainter);
    FPainter->drawImage(QPoint(x, y), bitmap->GetImage());
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& src)
{
    if (!Active(FPainter) || !source || dest.IsEmpty() || src.IsEmpty())
        return;
    auto* image = dynamic_cast<QImage*>(source->GetDevice());
    if (!image)
        return;
    TDeviceScope scope(FPainter);
    FPainter->setCompositionMode(QPainter::CompositionMode_Source);
    FPainter->drawImage(QRect(dest.Left, dest.Top, dest.Width(), dest.Height()), *image,
                        QRect(src.Left, src.Top, src.Width(), src.Height()));
}

void TCanvas::FillRect(const TRect& rect, TColor color)
{
    if (!Active(FPainter) || rect.IsEmpty())
        return;
    TDeviceScope scope(FPainter);
    FPainter->fillRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), QColor(RgbOf(color)));
}

// --- TBitmap -------------------------------------------------------------------------------

TBitmap::TBitmap() : FImage(std::make_unique<QImage>()) {}

TBitmap::TBitmap(int width, int height) : TBitmap() { SetSize(width, height); }

TBitmap::~TBitmap()
{
    FCanvas.reset();
}

int TBitmap::GetWidth() const { return FImage->width(); }
int TBitmap::GetHeight() const { return FImage->height(); }
bool TBitmap::Empty() const { return FImage->isNull() || FImage->width() == 0 || FImage->height() == 0; }

void TBitmap::SetSize(int width, int height)
{
    FCanvas.reset();
    if (width <= 0 || height <= 0) {
        *FImage = QImage();
        return;
    }
    *FImage = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    FImage->fill(Qt::white);
}

TCanvas* TBitmap::GetCanvas()
{
    if (!FCanvas)
        FCanvas = std::make_unique<TCanvas>(static_cast<QPaintDevice*>(FImage.get()));
    return FCanvas.get();
}

void TBitmap::ReleaseCanvas() { FCanvas.reset(); }

namespace {

const char* FormatName(TImageFileFormat format)
{
    switch (format) {
    case ifBmp:
        return "bmp";
    case ifPng:
        return "png";
    case ifJpeg:
        return "jpeg";
    case ifGif:
        return "gif";
    case ifAuto:
        break;
    }
    return nullptr;
}

std::uint32_t ReadLE(const QByteArray& bytes, int offset, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | std::uint8_t(bytes[offset + i]);
    return value;
}

// The platform's BMP reader keeps what it read of a short file: an uncompressed BMP must hold
// every row its header declares.
bool BmpComplete(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(34);
    if (head.size() < 34)
        return false;
    const std::uint32_t infoSize = ReadLE(head, 14, 4);
    if (infoSize < 40)
        return true; // old core headers: left to the reader
    const std::uint32_t compression = ReadLE(head, 30, 4);
    if (compression != 0 && compression != 3) // uncompressed and bit fields only
        return true;
    const std::int64_t offset = ReadLE(head, 10, 4);
    const std::int64_t width = std::int32_t(ReadLE(head, 18, 4));
    const std::int64_t height = std::int32_t(ReadLE(head, 22, 4));
    const std::int64_t bits = ReadLE(head, 28, 2);
    const std::int64_t stride = (std::abs(width) * bits + 31) / 32 * 4;
    return file.size() >= offset + stride * std::abs(height);
}

} // namespace

bool TBitmap::LoadFromFile(const QString& fileName) { return LoadFromFile(fileName, ifAuto); }

bool TBitmap::LoadFromFile(const QString& fileName, TImageFileFormat format)
{
    // Special files (pipes, devices) are never opened: reading them may block.
    const QFileInfo info(fileName);
    if (!info.exists() || !info.isFile())
        return false;
    QImageReader reader(fileName);
    if (const char* name = FormatName(format)) {
        reader.setFormat(name);
        reader.setAutoDetectImageFormat(false);
    }
    const QImage decoded = reader.read();
    if (decoded.isNull())
        return false;
    if (reader.format() == "bmp" && !BmpComplete(fileName))
        return false;
    Assign(decoded);
    return true;
}

bool TBitmap::SaveToFile(const QString& fileName, TImageFileFormat format) const
{
    const char* name = FormatName(format);
    if (!name || format == ifGif || Empty())
        return false;
    QImageWriter writer(fileName, name);
    return writer.write(*FImage);
}

bool TBitmap::LoadFromResource(const QString& name)
{
    const QString path = QStringLiteral(":/kvgrids/%1.png").arg(name);
    if (!QFileInfo::exists(path))
        return false;
    QImageReader reader(path);
    const QImage decoded = reader.read();
    if (decoded.isNull())
        return false;
    Assign(decoded);
    return true;
}

void TBitmap::Assign(const QImage& image)
{
    FCanvas.reset();
    *FImage = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

const QImage& TBitmap::GetImage() const { return *FImage; }

// --- TCustomImageList ----------------------------------------------------------------------

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::~TCustomImageList() = default;

void TCustomImageList::SetSize(int width, int height)
{
    if (width == FWidth && height == FHeight)
        return;
    FImages.clear();
    FWidth = std::max(0, width);
    FHeight = std::max(0, height);
}

int TCustomImageList::AddMasked(const TBitmap* image, TColor maskColor)
{
    if (!image || image->Empty())
        return -1;
    QImage copy = image->GetImage().convertToFormat(QImage::Format_ARGB32);
    const QRgb mask = RgbOf(maskColor) & 0x00FFFFFF;
    for (int y = 0; y < copy.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(copy.scanLine(y));
        for (int x = 0; x < copy.width(); ++x)
            if ((line[x] & 0x00FFFFFF) == mask)
                line[x] = 0;
    }
    return AddImage(std::move(copy));
}

int TCustomImageList::Add(const TBitmap* image)
{
    if (!image || image->Empty())
        return -1;
    return AddImage(image->GetImage());
}

int TCustomImageList::AddImage(QImage image)
{
    if (FImages.empty() && FWidth == 0 && FHeight == 0) {
        FWidth = image.width();
        FHeight = image.height();
    }
    FImages.push_back(std::make_unique<QImage>(std::move(image)));
    return GetCount() - 1;
}

void TCustomImageList::Clear() { FImages.clear(); }

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) const
{
    if (!canvas || index < 0 || index >= GetCount() || !Active(canvas->GetHandle()))
        return;
    const QImage& image = *FImages[size_t(index)];
    if (image.isNull())
        return;
    QPainter* p = canvas->GetHandle();
    TDeviceScope scope(p);
    if (enabled) {
        p->drawImage(QPoint(x, y), image);
    } else {
        QImage grey = image.convertToFormat(QImage::Format_ARGB32);
        for (int row = 0; row < grey.height(); ++row) {
            auto* line = reinterpret_cast<QRgb*>(grey.scanLine(row));
            for (int col = 0; col < grey.width(); ++col) {
                const int g = qGray(line[col]);
                line[col] = qRgba(g, g, g, qAlpha(line[col]) / 2);
            }
        }
        p->drawImage(QPoint(x, y), grey);
    }
}

} // namespace kv
