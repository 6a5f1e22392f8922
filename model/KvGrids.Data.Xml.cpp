#include "model/KvGrids.Data.Xml.h"

#include "platform/rtl/TypInfo.h"

namespace kv {

TKvXmlDomDataProvider::TKvXmlDomDataProvider(TComponent* AOwner) : TKvGridDataProvider(AOwner) {}

void TKvXmlDomDataProvider::SetDocument(std::shared_ptr<TXmlDocument> Document, const QString& DataPath)
{
    // Select first: a path that does not parse leaves the provider as it was.
    TXmlNodeList nodes;
    if (Document && !DataPath.isEmpty())
        nodes = Document->SelectNodes(DataPath);
    FDocument = std::move(Document);
    FDataPath = DataPath;
    FNodes = std::move(nodes);
    FGeneration = FDocument ? FDocument->Generation() : 0;
    Rebuild();
    DoReset();
}

void TKvXmlDomDataProvider::Rebuild()
{
    FProps.clear();
    if (FNodes.empty())
        return;
    for (const TXmlNode& child : FNodes.front().Children())
        FProps.append(child.NodeName());
}

QString TKvXmlDomDataProvider::GetFieldName(int Field) const
{
    if (Field < 0 || Field >= GetFieldCount())
        throw EArgumentOutOfRangeException(QStringLiteral("Field %1 is invalid index.").arg(Field));
    return FProps[Field];
}

int TKvXmlDomDataProvider::GetFieldIndex(const QString& Name) const
{
    for (qsizetype i = 0; i < FProps.size(); ++i)
        if (FProps[i].compare(Name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

Variant TKvXmlDomDataProvider::GetData(int Row, int Field) const
{
    if (Row < 0 || Row >= GetRowCount())
        throw EArgumentOutOfRangeException(QStringLiteral("Row %1 is invalid index.").arg(Row));
    if (Field < 0 || Field >= GetFieldCount())
        throw EArgumentOutOfRangeException(QStringLiteral("Field %1 is invalid index.").arg(Field));
    if (FDocument->Generation() != FGeneration)
        throw EXmlError(QStringLiteral("The document was reloaded: select its rows again with SetDocument"));
    const TXmlNode row = FNodes[static_cast<size_t>(Row)];
    const TXmlNode value = row.Child(Field).FirstChild();
    if (value.IsNull() || !value.IsText())
        return Variant();
    return Variant(value.NodeValue());
}

KV_PUBLISH(TKvXmlDomDataProvider, TComponent)
    .Property("FileName", &TKvXmlDomDataProvider::GetFileName, &TKvXmlDomDataProvider::SetFileName)
    .Property("DataPath", &TKvXmlDomDataProvider::GetDataPath, &TKvXmlDomDataProvider::SetDataPath);

} // namespace kv
