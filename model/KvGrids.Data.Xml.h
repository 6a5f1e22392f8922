// A read-only data provider over an XML document held by the application: an XPath data path
// selects the row nodes, the children of the first row name the fields, and a cell is the
// text of the row's child at the field's position.
#pragma once

#include "model/KvGrids.Data.h"
#include "platform/xml/XmlDom.h"

#include <memory>

namespace kv {

class TKvXmlDomDataProvider : public TKvGridDataProvider
{
protected:
    friend class TCreateAccess;
    explicit TKvXmlDomDataProvider(TComponent* AOwner = nullptr);

public:

    // Shares the document, selects the rows at the path and tells the listeners (reset).
    // Select again after changing the document's nodes.
    void SetDocument(std::shared_ptr<TXmlDocument> Document, const QString& DataPath);
    const std::shared_ptr<TXmlDocument>& GetDocument() const { return FDocument; }
    const QString& GetDataPath() const { return FDataPath; }
    const QString& GetFileName() const { return FFileName; }
    // Loading from a file is not part of this provider: both setters do nothing.
    void SetFileName(const QString& Value) {}
    void SetDataPath(const QString& Value) {}

    int GetRowCount() const override { return static_cast<int>(FNodes.size()); }
    int GetFieldCount() const override { return static_cast<int>(FProps.size()); }
    QStringList GetFieldNames() const override { return FProps; }
    QString GetFieldName(int Field) const override;
    int GetFieldIndex(const QString& Name) const override;
    TKvGridDataRowState GetRowState(int Row) const override { return RowStateNone; }
    // The text of the row's child at the field's position; Unassigned when the row has no such
    // child or the child has no text. Raises EXmlError once the document was reloaded.
    Variant GetData(int Row, int Field) const override;
    void SetData(int Row, int Field, const Variant& Value) override {}
    TKvGridDataRow GetRow(int Row) const override { return {}; }
    void UpdateRow(int Row, const TKvGridDataRow& Values) override {}
    void InsertRow(int Row, const TKvGridDataRow& Values) override {}
    void RemoveRow(int Row) override {}
    void RemoveRows(const TKvIntegerArray& Rows) override {}
    bool IsLocal() const override { return true; }
    bool CanUpdateRow(int Row) const override { return false; }
    bool CanUpdateField(int Field) const override { return false; }

private:
    void Rebuild();

    std::shared_ptr<TXmlDocument> FDocument;
    TXmlNodeList FNodes;
    QStringList FProps;
    QString FFileName;
    QString FDataPath;
    unsigned FGeneration = 0;
};

} // namespace kv
