// A data provider over one style bag: one row per style property with its name, its value
// text (read live through a styles agent), whether the bag sets it, its description and its
// entry. Only the value can be written; it goes to the bag through the agent.
#pragma once

#include "graphics/KvGrids.Styles.h"
#include "model/KvGrids.Data.h"

#include <memory>
#include <vector>

namespace kv {

class TKvGridStylesDataProvider : public TKvGridDataProvider
{
protected:
    friend class TCreateAccess;
    explicit TKvGridStylesDataProvider(TComponent* AOwner = nullptr);

public:
    enum { FieldName = 0, FieldValue = 1, FieldIsSet = 2, FieldDescription = 3, FieldIndex = 4 };

    struct TPropertyRec
    {
        TKvGridViewStyleEntry Entry = STYLE_INVALID;
        QString Name;
        // The value text as loaded or last written.
        QString Value;
        QString Description;
    };

    ~TKvGridStylesDataProvider() override;

    TKvGridStyleBag* GetStyles() const { return FStyles->GetStyles(); }
    // Loads one record per style property of another bag (nil: none) and notifies a reset.
    void SetStyles(TKvGridStyleBag* Styles);
    const TPropertyRec& GetRecord(int Row) const;
    // Reads the row's value text into the cache again (after the bag changed it otherwise).
    void ReloadValue(int Row);

    int GetRowCount() const override { return static_cast<int>(FValues.size()); }
    int GetFieldCount() const override { return 5; }
    QStringList GetFieldNames() const override;
    QString GetFieldName(int Field) const override;
    // Case-insensitive; -1 when unknown.
    int GetFieldIndex(const QString& Name) const override;
    Variant GetData(int Row, int Field) const override;
    // Field 1 only; raises "Can not update value: " and the field index otherwise. Writes and
    // tells the value change when the text differs from the bag's current value. Colour names,
    // #RRGGBB and #AARRGGBB are taken where a fill or stroke holds a colour. A value the
    // property rejects, text that is no integer for an integer property and a colour that does
    // not parse raise and leave the bag and the cache as they were.
    void SetData(int Row, int Field, const Variant& Value) override;
    TKvGridDataRow GetRow(int Row) const override;
    TKvGridDataRowState GetRowState(int Row) const override { return RowStateNone; }
    void InsertRow(int Row, const TKvGridDataRow& Values) override;
    void RemoveRow(int Row) override;
    void RemoveRows(const TKvIntegerArray& Rows) override;
    // Writes the row's value as SetData does, then always tells the row update.
    void UpdateRow(int Row, const TKvGridDataRow& Values) override;
    bool IsLocal() const override { return true; }
    bool CanUpdateRow(int Row) const override { return true; }
    bool CanUpdateField(int Field) const override { return Field == FieldValue; }
    bool GetImmediateUpdate() const override { return true; }

private:
    TPropertyRec& Record(int Row);
    // Writes the text when it differs from the bag's value; answers whether it did.
    bool WriteValue(int Row, const Variant& Value);

    std::unique_ptr<TKvGridStylesAgent> FStyles;
    std::vector<TPropertyRec> FValues;
};

} // namespace kv
