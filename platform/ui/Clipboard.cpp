#include "platform/ui/Clipboard.h"

#include <QtCore/QMimeData>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>

namespace kv {

namespace {
// Private formats travel under an application MIME type named after the format.
QString MimeOf(const QString& name) { return QStringLiteral("application/x-kv-") + name.toLower().replace(' ', '-'); }

QClipboard* Board() { return QGuiApplication::clipboard(); }
} // namespace

void TClipboard::SetContent(const QString& Text, const std::vector<std::pair<QString, QByteArray>>& Formats)
{
    auto* data = new QMimeData;
    if (!Text.isNull())
        data->setText(Text);
    for (const auto& [name, bytes] : Formats)
        data->setData(MimeOf(name), bytes);
    Board()->setMimeData(data);
}

void TClipboard::SetText(const QString& Text) { SetContent(Text, {}); }

QString TClipboard::GetText() { return Board()->text(); }

bool TClipboard::HasFormat(const QString& Name)
{
    const QMimeData* data = Board()->mimeData();
    return data && data->hasFormat(MimeOf(Name));
}

QByteArray TClipboard::GetFormat(const QString& Name)
{
    const QMimeData* data = Board()->mimeData();
    return data ? data->data(MimeOf(Name)) : QByteArray();
}

void TClipboard::Clear() { Board()->clear(); }

} // namespace kv
