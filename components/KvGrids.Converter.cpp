#include "components/KvGrids.Converter.h"

#include "grid/KvGrids.View.h"
#include "platform/rtl/TypInfo.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QStringDecoder>
#include <utility>

namespace kv {

void TKvGridConverter::Convert(TKvGridView* Grid, bool AllItems)
{
    if (!Grid)
        throw Exception(QStringLiteral("grid is nil"));
    QString text;
    FPendingFile.reset();
    ConvertAll(Grid, AllItems, text);
    FOutput = std::move(text);
    FOutputFile = std::exchange(FPendingFile, std::nullopt);
}

void TKvGridConverter::Convert(const TKvGridRange& Range)
{
    if (!Range.C1 || !Range.C2)
        throw Exception(QStringLiteral("Invalid grid range"));
    QString text;
    FPendingFile.reset();
    ConvertRange(Range, text);
    FOutput = std::move(text);
    FOutputFile = std::exchange(FPendingFile, std::nullopt);
}

void TKvGridConverter::SetOutputFile(const QString& FileName)
{
    const QFileInfo info(FileName);
    FPendingFile = TOutputFile{info.absoluteFilePath(), info.size(), info.lastModified()};
}

const QString& TKvGridConverter::GetOutput() const
{
    if (!FOutputFile)
        return FOutput;
    const TOutputFile& saved = *FOutputFile;
    QFile file(saved.Name);
    const QFileInfo info(saved.Name);
    if (info.size() != saved.Size || info.lastModified() != saved.Modified || !file.open(QIODevice::ReadOnly))
        throw EInOutError(
            QStringLiteral("Cannot read the exported text back from %1: the file is gone or changed since").arg(saved.Name));
    QString text;
    text.reserve(qsizetype(saved.Size));
    QStringDecoder decoder(QStringDecoder::Utf8);
    for (QByteArray piece; !(piece = file.read(1 << 20)).isEmpty();)
        text += decoder.decode(piece);
    if (file.error() != QFileDevice::NoError)
        throw EInOutError(QStringLiteral("Cannot read file %1: %2").arg(saved.Name, file.errorString()));
    FOutput = std::move(text);
    FOutputFile.reset();
    return FOutput;
}

using TConverter = TKvGridConverter;
KV_PUBLISH(TKvGridConverter, TComponent)
    .Property("HeaderVisible", &TConverter::GetHeaderVisible, &TConverter::SetHeaderVisible).Default(true)
    .Property("FooterVisible", &TConverter::GetFooterVisible, &TConverter::SetFooterVisible).Default(true)
    .Property("GroupHeaderVisible", &TConverter::GetGroupHeaderVisible, &TConverter::SetGroupHeaderVisible).Default(true)
    .Property("GroupFooterVisible", &TConverter::GetGroupFooterVisible, &TConverter::SetGroupFooterVisible).Default(true);

} // namespace kv
