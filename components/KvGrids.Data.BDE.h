// A data provider over a platform dataset: every record is a row, read by making it the
// active record of a data link whose buffer holds all records; rows are written back with
// the dataset's edit cycle; chosen numeric fields keep sum, extremes, mean and variance.
#pragma once

#include "model/KvGrids.Data.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/Collections.h"

namespace kv {

enum TKvBDEDataSummaryType { SummaryNone, SummaryTotal, SummaryAll };

class TKvBDEDataProvider;

class TKvBDEDataField : public TCollectionItem
{
public:
    explicit TKvBDEDataField(TCollection* collection) : TCollectionItem(collection), FNewIn(collection) {}
    // At design time (not loading) a field added without a name asks for one first; a
    // cancel aborts the creation silently.
    void AfterConstruction() override;

    // The dialog that asks for that name: on OK it answers true with the name. The design
    // layer installs it; without one a field is added unnamed.
    using TFieldDialog = bool (*)(TKvBDEDataProvider* Provider, QString& Name);
    static void SetFieldDialog(TFieldDialog Dialog);

    const QString& GetFieldName() const { return FFieldName; }
    void SetFieldName(const QString& value);
    TKvBDEDataSummaryType GetSummaryType() const { return FSummaryType; }
    void SetSummaryType(TKvBDEDataSummaryType value);
    // The dataset field found by name, or nil.
    TField* GetField() const { return FField; }
    QString GetDisplayName() const override;
    void Assign(const TPersistent* source) override;

private:
    friend class TKvBDEDataProvider;
    TCollection* FNewIn;
    TField* FField = nullptr;
    long double FSum = 0;
    long double FMax = 0;
    long double FMin = 0;
    long double FMean = 0;
    long double FVar = 0;
    QString FFieldName;
    TKvBDEDataSummaryType FSummaryType = SummaryNone;
};

class TKvBDEDataFieldCollection : public TOwnedCollection
{
public:
    explicit TKvBDEDataFieldCollection(TKvBDEDataProvider* owner);

    TKvBDEDataField* GetItem(int index) const { return static_cast<TKvBDEDataField*>(TCollection::GetItem(index)); }
    TKvBDEDataField* Add() { return static_cast<TKvBDEDataField*>(TCollection::Add()); }
    TKvBDEDataField* Add(const QString& name);
    // The last item whose field name matches case-insensitively; nil when none.
    TKvBDEDataField* Find(const QString& name) const;
    // The last item bound to the dataset field of that index; nil when none.
    TKvBDEDataField* Find(int index) const;
    int IndexOf(const TKvBDEDataField* item) const;
    // Field names are unique regardless of case, as Find is: another item (not Except) of
    // the name raises. Unnamed items, and names read from a form file, pass.
    void CheckUniqueName(const QString& name, const TCollectionItem* except) const;

protected:
    void Update(TCollectionItem* item) override;

private:
    TKvBDEDataProvider* FOwner;
};

class TKvBDEDataProvider : public TKvGridDataProvider
{
public:
    // Forwards every callback to the provider's Link... method.
    class TKvDataLink : public TDataLink
    {
    public:
        explicit TKvDataLink(TKvBDEDataProvider* provider) : FProvider(provider) {}
        bool GetModified() const { return FModified; }

    protected:
        void ActiveChanged() override;
        void DataSetChanged() override;
        void DataSetScrolled(int distance) override;
        void EditingChanged() override;
        void FocusControl(TField* field) override;
        void LayoutChanged() override;
        void RecordChanged(TField* field) override;
        void UpdateData() override;

    private:
        TKvBDEDataProvider* FProvider;
        bool FInUpdate = false;
    };

    explicit TKvBDEDataProvider(TComponent* AOwner = nullptr);
    ~TKvBDEDataProvider() override;
    void BeforeDestruction() override;

    TDataSource* GetDataSource() const { return FDataLink->GetDataSource(); }
    void SetDataSource(TDataSource* value);
    TDataSet* GetDataSet() const { return FDataLink->GetDataSet(); }
    TKvBDEDataFieldCollection* GetFields() const { return FFields.get(); }
    void SetFields(TKvBDEDataFieldCollection* value) { FFields->Assign(value); }

    int GetRowCount() const override;
    int GetFieldCount() const override;
    QStringList GetFieldNames() const override;
    QString GetFieldName(int Field) const override;
    int GetFieldIndex(const QString& Name) const override;
    // Rows outside the records raise "Row %d is invalid index.", fields "Column %d is invalid index.".
    Variant GetData(int Row, int Field) const override;
    void SetData(int Row, int Field, const Variant& Value) override {}
    TKvGridDataRow GetRow(int Row) const override { return {}; }
    TKvGridDataRowState GetRowState(int Row) const override { return RowStateNone; }
    // Writes the values (at most one per field) and posts; on any failure the edit is
    // cancelled, so the dataset is never left editing. A cleared cell is written as NULL.
    void UpdateRow(int Row, const TKvGridDataRow& Values) override;
    void InsertRow(int Row, const TKvGridDataRow& Values) override;
    void RemoveRow(int Row) override;
    // Bookmarks every row first, then deletes them one by one.
    void RemoveRows(const TKvIntegerArray& Rows) override;
    bool IsLocal() const override { return true; }
    bool CanUpdateRow(int Row) const override { return FDataLink->GetActive(); }
    bool CanAppendRow() const override { return FDataLink->GetActive(); }
    bool CanInsertRow(int Row) const override { return FDataLink->GetActive(); }
    bool CanDeleteRow(int Row) const override { return FDataLink->GetActive(); }
    bool CanUpdateField(int Field) const override { return FDataLink->GetActive(); }
    // The summary of the dataset field; 0 without a bound summary field (and over no rows).
    Variant GetSum(int Field) const override;
    Variant GetMax(int Field) const override;
    Variant GetMin(int Field) const override;
    Variant GetMean(int Field) const override;
    Variant GetVar(int Field) const override;
    Variant GetStdev(int Field) const override;

    void LinkActiveChanged();
    void LinkDataSetChanged();
    void LinkDataSetScrolled(int Distance);
    void LinkEditingChanged();
    void LinkFocusControl(TField* Field);
    void LinkLayoutChanged();
    void LinkRecordChanged(TField* Field);
    void LinkUpdateData();

    // A summary field changed: bind, summarize and reset (not while loading).
    void FieldsChanged();

protected:
    void Loaded() override;

private:
    void ResetBindings();
    void Summarize();
    void CheckRow(int Row) const;
    // Writes Values into the fields of the record being edited, then posts.
    void WriteRow(bool inserting, int Row, const TKvGridDataRow& Values);
    // A cleared cell (an empty text) is stored as NULL; a field that must have a value refuses
    // it, naming the field.
    static void StoreValue(TField* Field, const Variant& Value);
    const TKvBDEDataField* SummaryOf(int Field) const;

    TOwned<TKvDataLink> FDataLink;
    std::vector<TKvBDEDataField*> FSumFlds;
    bool FCalculating = false;
    TOwned<TKvBDEDataFieldCollection> FFields;
};

} // namespace kv
