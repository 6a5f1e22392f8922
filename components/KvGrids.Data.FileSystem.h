// The file-list data provider: names a folder and a file pattern, and holds no data: every
// data operation answers empty (no field, no row).
#pragma once

#include "model/KvGrids.Data.h"

namespace kv {

class TKvFileListDataProvider : public TKvGridDataProvider
{
protected:
    friend class TCreateAccess;
    explicit TKvFileListDataProvider(TComponent* AOwner = nullptr);

public:
    const QString& GetFolder() const { return FFolder; }
    void SetFolder(const QString& Value);
    // The pattern without surrounding blanks, or "*" when that is empty.
    QString GetPattern() const;
    void SetPattern(const QString& Value);
    // The pattern as set (what form files store).
    const QString& GetPatternText() const { return FPattern; }

    int GetRowCount() const override { return 0; }
    int GetFieldCount() const override { return 0; }
    QStringList GetFieldNames() const override { return {}; }
    QString GetFieldName(int Field) const override { return QString(); }
    // No field exists.
    int GetFieldIndex(const QString& Name) const override { return -1; }
    TKvGridDataRowState GetRowState(int Row) const override { return RowStateNone; }
    Variant GetData(int Row, int Field) const override { return Variant(); }
    void SetData(int Row, int Field, const Variant& Value) override {}
    TKvGridDataRow GetRow(int Row) const override { return {}; }
    void UpdateRow(int Row, const TKvGridDataRow& Values) override {}
    void InsertRow(int Row, const TKvGridDataRow& Values) override {}
    void RemoveRow(int Row) override {}
    void RemoveRows(const TKvIntegerArray& Rows) override {}
    bool IsLocal() const override { return false; }
    bool CanUpdateRow(int Row) const override { return false; }
    bool CanUpdateField(int Field) const override { return false; }

private:
    QString FFolder;
    QString FPattern;
};

} // namespace kv
