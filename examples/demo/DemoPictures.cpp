#include "DemoPictures.h"

#include "DemoData.h"

#include <QtGui/QImage>
#include <QtGui/QPainter>

using namespace kv;

namespace demo {

namespace {

// A round badge in the key's colour with its number.
QImage Badge(int index)
{
    static const QRgb colours[] = {0xff4e79a7, 0xfff28e2b, 0xffe15759, 0xff76b7b2, 0xff59a14f, 0xffb07aa1};
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(colours[index % 6]));
    p.drawEllipse(QRectF(1, 1, 30, 30));
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPixelSize(16);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, QString::number(index));
    return image;
}

} // namespace

TOwned<TKvSimpleImageLoader> MakePictureLoader()
{
    TOwned<TKvSimpleImageLoader> loader = MakeOwned<TKvSimpleImageLoader>(nullptr);
    loader->OnLoadBitmap = [](TObject*, const QString&, const QString& key, TBitmap* bitmap) {
        const int index = PhotoKeys().indexOf(key);
        if (index < 0)
            return false;
        bitmap->Assign(Badge(index));
        return true;
    };
    return loader;
}

} // namespace demo
