// Data providers over application objects (through published-property reflection) and
// over a variant array.
#pragma once

#include "model/KvGrids.Data.h"
#include "platform/rtl/Collections.h"
#include "platform/rtl/TypInfo.h"

namespace kv {

// Shows a source object as rows of its readable published properties: a collection's items,
// a list's entries, a generic list's elements, or the single object itself. Values are
// written back through the properties' setters: a row is updatable when some field is
// writable, a field when its property is.
class TKvObjectDataProvider : public TKvGridDataProvider
{
protected:
    friend class TCreateAccess;
    explicit TKvObjectDataProvider(TComponent* AOwner = nullptr);

public:
    class TKvObjectDataAdapter : public TObject
    {
    public:
        virtual void DoSourceChanged() {}
        virtual void SetSource(TObject* Source);
        // Fields are the readable properties found by ReadProperties.
        virtual QStringList GetFieldNames() const { return FProps; }
        // Empty past the end.
        virtual QString GetFieldName(int Field) const { return PropName(Field); }
        // Case-insensitive; -1 when missing.
        virtual int FieldToColumn(const QString& Name) const { return PropIndex(Name); }
        virtual int GetRowCount() const = 0;
        virtual int GetColumnCount() const { return static_cast<int>(FProps.size()); }
        virtual Variant GetData(int Row, int Column) const = 0;
        virtual void SetData(int Row, int Column, const Variant& Value) = 0;
        // True when the property of the column can be written.
        virtual bool CanWrite(int Column) const;

        TObject* GetSource() const { return FSource; }

    protected:
        // Every readable (not indexed) property of the class, in its listed order.
        void ReadProperties(const TClassInfo* Info);
        QString PropName(int Column) const;
        int PropIndex(const QString& Name) const;
        // Reads or writes the property of column Column on Object (nil reads Null). The
        // property is looked up on the object's own class when it is not one of Info's.
        Variant ReadValue(const TObject* Object, int Column) const;
        // The property of column Column for Object; nil when its class has none of that name.
        const TPropInfo* PropFor(const TObject* Object, int Column) const;
        void WriteValue(TObject* Object, int Column, const Variant& Value) const;
        void CheckColumn(int Column) const;

        TObject* FSource = nullptr;
        QStringList FProps;
        std::vector<const TPropInfo*> FPropInfos;
        const TClassInfo* FPropClass = nullptr;
    };

    ~TKvObjectDataProvider() override;

    TObject* GetSource() const { return FSource; }
    // When Source differs: the old adapter goes, a new one is made for a non-nil Source;
    // then DoReset. A component source, or a source owned by a component (a component's
    // collection), is followed: freeing that component sets the source to nil.
    void SetSource(TObject* Source);
    TKvObjectDataAdapter* GetAdapter() const { return FAdapter.get(); }

    int GetRowCount() const override;
    int GetFieldCount() const override;
    QStringList GetFieldNames() const override;
    QString GetFieldName(int Field) const override;
    int GetFieldIndex(const QString& Name) const override;
    Variant GetData(int Row, int Field) const override;
    // Writes the property; tells DoValueChanged when the value changed.
    void SetData(int Row, int Field, const Variant& Value) override;
    // The values of the row's fields.
    TKvGridDataRow GetRow(int Row) const override;
    TKvGridDataRowState GetRowState(int Row) const override { return RowStateNone; }
    void InsertRow(int Row, const TKvGridDataRow& Values) override;
    void RemoveRow(int Row) override;
    void RemoveRows(const TKvIntegerArray& Rows) override;
    // Writes every writable field whose value differs; all or nothing; then DoRowUpdated.
    void UpdateRow(int Row, const TKvGridDataRow& Values) override;
    bool IsLocal() const override { return true; }
    bool CanUpdateRow(int Row) const override;
    bool CanUpdateField(int Field) const override;

protected:
    virtual TKvObjectDataAdapter* CreateAdapter(TObject* Source);
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void CheckAdapter() const;
    void CheckRow(int Row) const;

    TObject* FSource = nullptr;
    TOwned<TKvObjectDataAdapter> FAdapter;
    TComponentRef<TComponent> FSourceOwner{TNotifyHolder{this}};
};

// One row: the object itself.
class TKvGridObjectDataAdapter : public TKvObjectDataProvider::TKvObjectDataAdapter
{
public:
    void DoSourceChanged() override;
    int GetRowCount() const override { return FSource ? 1 : 0; }
    Variant GetData(int Row, int Column) const override;
    void SetData(int Row, int Column, const Variant& Value) override;
};

// The items of a collection; fields from its item class.
class TKvGridCollectionDataAdapter : public TKvObjectDataProvider::TKvObjectDataAdapter
{
public:
    void DoSourceChanged() override;
    int GetRowCount() const override;
    Variant GetData(int Row, int Column) const override;
    void SetData(int Row, int Column, const Variant& Value) override;

private:
    TCollection* FCollection = nullptr;
};

// The entries of a TList; fields from the class of its first entry (none for an empty list).
class TKvGridListDataAdapter : public TKvObjectDataProvider::TKvObjectDataAdapter
{
public:
    void DoSourceChanged() override;
    int GetRowCount() const override;
    Variant GetData(int Row, int Column) const override;
    void SetData(int Row, int Column, const Variant& Value) override;

private:
    TList* FList = nullptr;
};

// A generic list ("TList<T>", "TObjectList<T>"): rows from its "Count" property, elements
// from its indexed "Items" property, fields from the element class T.
class TKvGenericListDataAdapter : public TKvObjectDataProvider::TKvObjectDataAdapter
{
public:
    void DoSourceChanged() override;
    int GetRowCount() const override;
    // "<ERROR>" without an element class, for a column out of range, or without "Items".
    Variant GetData(int Row, int Column) const override;
    void SetData(int Row, int Column, const Variant& Value) override;
    bool CanWrite(int Column) const override;
    const QString& GetInstanceClass() const { return FInstanceClass; }

private:
    // The source's indexed object property "Items"; nil when it has none.
    const TPropInfo* ItemsProp() const;

    QString FInstanceClass;
};

// One field, "aaa", over the elements of a variant array, from its low to its high bound.
class TKvDynArrayDataProvider : public TKvGridDataProvider
{
protected:
    friend class TCreateAccess;
    explicit TKvDynArrayDataProvider(TComponent* AOwner = nullptr);

public:

    const Variant& GetSource() const { return FSource; }
    // When Value differs: an array becomes the rows, anything else clears them; then DoReset.
    void SetSource(const Variant& Value);

    int GetRowCount() const override { return static_cast<int>(FValues.size()); }
    int GetFieldCount() const override { return 1; }
    QStringList GetFieldNames() const override { return QStringList(); }
    QString GetFieldName(int Field) const override;
    int GetFieldIndex(const QString& Name) const override;
    // Element Row whatever Field; a Row out of range raises EArgumentOutOfRangeException.
    Variant GetData(int Row, int Field) const override;
    void SetData(int Row, int Field, const Variant& Value) override {}
    TKvGridDataRow GetRow(int Row) const override;
    TKvGridDataRowState GetRowState(int Row) const override { return RowStateNone; }
    void InsertRow(int Row, const TKvGridDataRow& Values) override {}
    void RemoveRow(int Row) override {}
    void RemoveRows(const TKvIntegerArray& Rows) override {}
    void UpdateRow(int Row, const TKvGridDataRow& Values) override {}
    bool IsLocal() const override { return true; }

private:
    void CheckRow(int Row) const;

    Variant FSource;
    TVariantArray FValues;
};

} // namespace kv
