// Data providers over objects: TKvObjectDataProvider (an object, a collection, a list or a
// generic list, its published properties as fields) and TKvDynArrayDataProvider (a variant
// array, one field).
//
// Sections: the adapter base (published properties read once per class, values through
// TypInfo); adapters by kind of source; the object provider; the array provider.
//
// Call flow: SetSource picks an adapter by the source's kind (CreateAdapter) and makes it
// before the old one goes, so a failing source keeps the old one; the source's owning
// component is watched, and its freeing clears the source. GetData and SetData go through the
// adapter to the row's object and the field's property; UpdateRow writes field by field and
// puts back what it wrote when a write fails.
#include "model/KvGrids.Data.Objects.h"

#include "platform/rtl/Collections.h"

namespace kv {

namespace {

const QLatin1String ErrorText("<ERROR>");

void CheckRowIndex(int Row, int Count)
{
    if (Row < 0 || Row >= Count)
        throw EArgumentOutOfRangeException(QStringLiteral("Row %1 is invalid index.").arg(Row));
}

[[noreturn]] void RaiseNoAdapter()
{
    throw EInvalidOperation(QStringLiteral("Adapter is not created."));
}

// "T" of "TList<T>" or "TObjectList<T>" (any case); empty for other names.
QString GenericElementName(const QString& className)
{
    if (!className.endsWith(QLatin1Char('>')))
        return QString();
    for (const QLatin1String prefix : {QLatin1String("TList<"), QLatin1String("TObjectList<")})
        if (className.startsWith(prefix, Qt::CaseInsensitive))
            return className.mid(prefix.size(), className.size() - prefix.size() - 1);
    return QString();
}

// The component that frees the source with itself: the source, or the nearest component
// among its owners (a component's collection, an item of it); nil when there is none.
TComponent* OwningComponent(TObject* source)
{
    for (auto* p = dynamic_cast<TPersistent*>(source); p; p = p->GetOwner())
        if (auto* component = dynamic_cast<TComponent*>(p))
            return component;
    return nullptr;
}

bool IsGenericList(const QString& className)
{
    return !GenericElementName(className).isEmpty();
}

} // namespace

// --- TKvObjectDataAdapter -----------------------------------------------------------------

void TKvObjectDataProvider::TKvObjectDataAdapter::SetSource(TObject* Source)
{
    FSource = Source;
    DoSourceChanged();
}

bool TKvObjectDataProvider::TKvObjectDataAdapter::CanWrite(int Column) const
{
    return Column >= 0 && static_cast<size_t>(Column) < FPropInfos.size() && FPropInfos[static_cast<size_t>(Column)]->Writable;
}

void TKvObjectDataProvider::TKvObjectDataAdapter::ReadProperties(const TClassInfo* Info)
{
    FProps.clear();
    FPropInfos.clear();
    FPropClass = Info;
    if (!Info)
        return;
    for (const TPropInfo* prop : Info->Properties()) {
        if (!prop->Readable || prop->Indexed)
            continue;
        FProps << prop->Name;
        FPropInfos.push_back(prop);
    }
}

QString TKvObjectDataProvider::TKvObjectDataAdapter::PropName(int Column) const
{
    return Column >= 0 && Column < FProps.size() ? FProps.at(Column) : QString();
}

int TKvObjectDataProvider::TKvObjectDataAdapter::PropIndex(const QString& Name) const
{
    for (int i = 0; i < FProps.size(); ++i)
        if (FProps.at(i).compare(Name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TKvObjectDataProvider::TKvObjectDataAdapter::CheckColumn(int Column) const
{
    if (Column < 0 || Column >= FProps.size())
        throw EArgumentOutOfRangeException(QStringLiteral("Column %1 is invalid index.").arg(Column));
}

const TPropInfo* TKvObjectDataProvider::TKvObjectDataAdapter::PropFor(const TObject* Object, int Column) const
{
    CheckColumn(Column);
    const TClassInfo* info = GetClassInfo(Object);
    if (info == FPropClass)
        return FPropInfos[static_cast<size_t>(Column)];
    // A descendant or another class: its own property of that name, if it has one.
    const TPropInfo* prop = info ? info->FindProperty(FProps.at(Column)) : nullptr;
    return prop && !prop->Indexed ? prop : nullptr;
}

Variant TKvObjectDataProvider::TKvObjectDataAdapter::ReadValue(const TObject* Object, int Column) const
{
    CheckColumn(Column);
    const TPropInfo* prop = Object ? PropFor(Object, Column) : nullptr;
    return prop ? GetPropValue(Object, *prop) : Variant::Null();
}

void TKvObjectDataProvider::TKvObjectDataAdapter::WriteValue(TObject* Object, int Column, const Variant& Value) const
{
    CheckColumn(Column);
    if (!Object)
        throw EInvalidOperation(QStringLiteral("The row has no object"));
    const TPropInfo* prop = PropFor(Object, Column);
    if (!prop)
        throw EPropertyError(QStringLiteral("Property %1 does not exist").arg(FProps.at(Column)));
    SetPropValue(Object, *prop, Value);
}

// --- adapters -----------------------------------------------------------------------------

void TKvGridObjectDataAdapter::DoSourceChanged()
{
    ReadProperties(GetClassInfo(FSource));
}

Variant TKvGridObjectDataAdapter::GetData(int Row, int Column) const
{
    if (Row != 0 || !FSource)
        RaiseListIndexError(Row, GetRowCount());
    return ReadValue(FSource, Column);
}

void TKvGridObjectDataAdapter::SetData(int Row, int Column, const Variant& Value)
{
    if (Row != 0 || !FSource)
        RaiseListIndexError(Row, GetRowCount());
    WriteValue(FSource, Column, Value);
}

void TKvGridCollectionDataAdapter::DoSourceChanged()
{
    FCollection = dynamic_cast<TCollection*>(FSource);
    ReadProperties(FCollection ? &FCollection->GetItemClass() : nullptr);
}

int TKvGridCollectionDataAdapter::GetRowCount() const
{
    return FCollection ? FCollection->Count() : 0;
}

Variant TKvGridCollectionDataAdapter::GetData(int Row, int Column) const
{
    if (!FCollection)
        RaiseListIndexError(Row, 0);
    return ReadValue(FCollection->GetItem(Row), Column);
}

void TKvGridCollectionDataAdapter::SetData(int Row, int Column, const Variant& Value)
{
    if (!FCollection)
        RaiseListIndexError(Row, 0);
    WriteValue(FCollection->GetItem(Row), Column, Value);
}

void TKvGridListDataAdapter::DoSourceChanged()
{
    FList = dynamic_cast<TList*>(FSource);
    // An empty list has no first entry to take the fields from: no fields.
    ReadProperties(FList && FList->Count() > 0 ? GetClassInfo(FList->Get(0)) : nullptr);
}

int TKvGridListDataAdapter::GetRowCount() const
{
    return FList ? FList->Count() : 0;
}

Variant TKvGridListDataAdapter::GetData(int Row, int Column) const
{
    if (!FList)
        RaiseListIndexError(Row, 0);
    return ReadValue(FList->Get(Row), Column);
}

void TKvGridListDataAdapter::SetData(int Row, int Column, const Variant& Value)
{
    if (!FList)
        RaiseListIndexError(Row, 0);
    WriteValue(FList->Get(Row), Column, Value);
}

void TKvGenericListDataAdapter::DoSourceChanged()
{
    FInstanceClass.clear();
    ReadProperties(nullptr);
    if (!FSource)
        return;
    const QString name = GenericElementName(FSource->ClassName());
    if (name.isEmpty())
        return;
    const TTypeInfo* type = FindType(name);
    if (!type)
        for (const TTypeInfo* candidate : GetTypes())
            if (candidate->Name().compare(name, Qt::CaseInsensitive) == 0) {
                type = candidate;
                break;
            }
    if (!type || type->Kind() != tkClass)
        return;
    FInstanceClass = type->Name();
    ReadProperties(static_cast<const TClassInfo*>(type));
}

int TKvGenericListDataAdapter::GetRowCount() const
{
    const TPropInfo* count = FindPropInfo(FSource, QStringLiteral("Count"));
    if (!count || count->Indexed)
        return 0;
    return GetPropValue(FSource, *count).ToInt();
}

const TPropInfo* TKvGenericListDataAdapter::ItemsProp() const
{
    const TPropInfo* items = FindPropInfo(FSource, QStringLiteral("Items"));
    return items && items->GetIndexedObject ? items : nullptr;
}

Variant TKvGenericListDataAdapter::GetData(int Row, int Column) const
{
    const TPropInfo* items = ItemsProp();
    if (FInstanceClass.isEmpty() || Column < 0 || Column >= FProps.size() || !items)
        return Variant(QString(ErrorText));
    return ReadValue(GetIndexedObjectProp(FSource, *items, Row), Column);
}

void TKvGenericListDataAdapter::SetData(int Row, int Column, const Variant& Value)
{
    if (!CanWrite(Column))
        throw EPropertyError(QStringLiteral("Field %1 cannot be written").arg(Column));
    WriteValue(GetIndexedObjectProp(FSource, *ItemsProp(), Row), Column, Value);
}

bool TKvGenericListDataAdapter::CanWrite(int Column) const
{
    return !FInstanceClass.isEmpty() && ItemsProp() && TKvObjectDataAdapter::CanWrite(Column);
}

// --- TKvObjectDataProvider ----------------------------------------------------------------

TKvObjectDataProvider::TKvObjectDataProvider(TComponent* AOwner) : TKvGridDataProvider(AOwner) {}

TKvObjectDataProvider::~TKvObjectDataProvider()
{
    // The adapter goes before the source reference it reads through.
    FAdapter.reset();
}

TKvObjectDataProvider::TKvObjectDataAdapter* TKvObjectDataProvider::CreateAdapter(TObject* Source)
{
    if (dynamic_cast<TCollection*>(Source))
        return Create<TKvGridCollectionDataAdapter>();
    if (dynamic_cast<TList*>(Source))
        return Create<TKvGridListDataAdapter>();
    if (IsGenericList(Source->ClassName()))
        return Create<TKvGenericListDataAdapter>();
    return Create<TKvGridObjectDataAdapter>();
}

void TKvObjectDataProvider::SetSource(TObject* Source)
{
    if (Source == FSource)
        return;
    // The new adapter is made first: when that fails, the provider keeps its source.
    TOwned<TKvObjectDataAdapter> adapter;
    if (Source) {
        adapter.reset(CreateAdapter(Source));
        adapter->SetSource(Source);
    }
    FAdapter.reset();
    FSource = Source;
    FAdapter = std::move(adapter);
    FSourceOwner = OwningComponent(Source);
    DoReset();
}

void TKvObjectDataProvider::Notification(TComponent* AComponent, TOperation Operation)
{
    TKvGridDataProvider::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent && AComponent == FSourceOwner) {
        FSourceOwner = nullptr;
        SetSource(nullptr);
    }
}

void TKvObjectDataProvider::CheckAdapter() const
{
    if (!FAdapter)
        RaiseNoAdapter();
}

void TKvObjectDataProvider::CheckRow(int Row) const
{
    CheckRowIndex(Row, GetRowCount());
}

int TKvObjectDataProvider::GetRowCount() const
{
    return FAdapter ? FAdapter->GetRowCount() : 0;
}

int TKvObjectDataProvider::GetFieldCount() const
{
    return FAdapter ? FAdapter->GetColumnCount() : 0;
}

QStringList TKvObjectDataProvider::GetFieldNames() const
{
    CheckAdapter();
    return FAdapter->GetFieldNames();
}

QString TKvObjectDataProvider::GetFieldName(int Field) const
{
    CheckAdapter();
    return FAdapter->GetFieldName(Field);
}

int TKvObjectDataProvider::GetFieldIndex(const QString& Name) const
{
    return FAdapter ? FAdapter->FieldToColumn(Name) : -1;
}

Variant TKvObjectDataProvider::GetData(int Row, int Field) const
{
    CheckAdapter();
    return FAdapter->GetData(Row, Field);
}

void TKvObjectDataProvider::SetData(int Row, int Field, const Variant& Value)
{
    CheckAdapter();
    const Variant old = FAdapter->GetData(Row, Field);
    FAdapter->SetData(Row, Field, Value);
    if (!SameValue(old, FAdapter->GetData(Row, Field)))
        DoValueChanged(Row, Field);
}

TKvGridDataRow TKvObjectDataProvider::GetRow(int Row) const
{
    CheckAdapter();
    CheckRow(Row);
    TKvGridDataRow values;
    const int count = FAdapter->GetColumnCount();
    values.reserve(static_cast<size_t>(count));
    for (int field = 0; field < count; ++field)
        values.push_back(FAdapter->GetData(Row, field));
    return values;
}

void TKvObjectDataProvider::InsertRow(int, const TKvGridDataRow&)
{
    CheckAdapter();
}

void TKvObjectDataProvider::RemoveRow(int)
{
    CheckAdapter();
}

void TKvObjectDataProvider::RemoveRows(const TKvIntegerArray&)
{
    CheckAdapter();
}

void TKvObjectDataProvider::UpdateRow(int Row, const TKvGridDataRow& Values)
{
    CheckAdapter();
    CheckRow(Row);
    const int count = std::min(FAdapter->GetColumnCount(), static_cast<int>(Values.size()));
    // Writes in field order; a failing write puts back what was already written.
    std::vector<std::pair<int, Variant>> written;
    try {
        for (int field = 0; field < count; ++field) {
            if (!FAdapter->CanWrite(field))
                continue;
            const Variant old = FAdapter->GetData(Row, field);
            const Variant& value = Values[static_cast<size_t>(field)];
            if (SameValue(old, value))
                continue;
            FAdapter->SetData(Row, field, value);
            written.emplace_back(field, old);
        }
    } catch (...) {
        for (auto it = written.rbegin(); it != written.rend(); ++it) {
            try {
                FAdapter->SetData(Row, it->first, it->second);
            } catch (...) {
            }
        }
        throw;
    }
    DoRowUpdated(Row);
}

bool TKvObjectDataProvider::CanUpdateRow(int Row) const
{
    if (!FAdapter || Row < 0 || Row >= FAdapter->GetRowCount())
        return false;
    for (int field = 0; field < FAdapter->GetColumnCount(); ++field)
        if (FAdapter->CanWrite(field))
            return true;
    return false;
}

bool TKvObjectDataProvider::CanUpdateField(int Field) const
{
    return FAdapter && FAdapter->CanWrite(Field);
}

// --- TKvDynArrayDataProvider --------------------------------------------------------------

TKvDynArrayDataProvider::TKvDynArrayDataProvider(TComponent* AOwner) : TKvGridDataProvider(AOwner) {}

void TKvDynArrayDataProvider::SetSource(const Variant& Value)
{
    if (SameValue(Value, FSource))
        return;
    if (Value.IsArray()) {
        FSource = Value;
        FValues.clear();
        FValues.reserve(static_cast<size_t>(Value.ArrayCount()));
        for (int i = Value.ArrayLowBound(); i <= Value.ArrayHighBound(); ++i)
            FValues.push_back(Value.ArrayItem(i));
    } else {
        FSource = Variant();
        FValues.clear();
    }
    DoReset();
}

QString TKvDynArrayDataProvider::GetFieldName(int Field) const
{
    return Field == 0 ? QStringLiteral("aaa") : QString();
}

int TKvDynArrayDataProvider::GetFieldIndex(const QString& Name) const
{
    return Name.compare(QLatin1String("aaa"), Qt::CaseInsensitive) == 0 ? 0 : -1;
}

void TKvDynArrayDataProvider::CheckRow(int Row) const
{
    CheckRowIndex(Row, GetRowCount());
}

Variant TKvDynArrayDataProvider::GetData(int Row, int) const
{
    CheckRow(Row);
    return FValues[static_cast<size_t>(Row)];
}

TKvGridDataRow TKvDynArrayDataProvider::GetRow(int Row) const
{
    CheckRow(Row);
    return TKvGridDataRow{FValues[static_cast<size_t>(Row)]};
}

} // namespace kv
