// The system clipboard: plain text and private formats (named MIME types) set together.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <utility>
#include <vector>

namespace kv {

class TClipboard
{
public:
    // Replaces the clipboard's content with the text (when not null) and the private formats
    // given as (name, bytes) pairs, all at once.
    static void SetContent(const QString& Text, const std::vector<std::pair<QString, QByteArray>>& Formats);
    static void SetText(const QString& Text);
    static QString GetText();
    static bool HasFormat(const QString& Name);
    // The bytes of a private format; empty when the clipboard does not hold it.
    static QByteArray GetFormat(const QString& Name);
    static void Clear();
};

} // namespace kv
