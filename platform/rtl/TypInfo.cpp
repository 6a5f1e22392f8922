// Published-property reflection (TypInfo.h tells how classes describe themselves).
//
// Sections: the type registry; TTypeInfo and enumerations (with set texts); TClassInfo
// (properties and methods, inherited in order, factories); look-up (an object's class, types
// by name, properties by name); property access (raw values converted to the property's
// kind, objects, indexed properties, methods, stored and default values); the root classes.
//
// Call flow: KV_PUBLISH runs each class's Publish at start-up, which registers it under its
// parent. Streaming and the object inspector find an object's class (GetClassInfo: the exact
// class, else its nearest published ancestor), its properties (Properties, FindProperty) and
// read or write them through GetPropValue and SetPropValue, which convert the variant to the
// property's kind and raise a conversion error naming the property when it does not fit.
#include "platform/rtl/TypInfo.h"

#include "platform/rtl/Collections.h"

#include <QtCore/QHash>
#include <algorithm>
#include <cmath>
#include <typeindex>
#include <unordered_map>

namespace kv {

namespace {

struct TTypeRegistry
{
    std::vector<const TTypeInfo*> Types;
    QHash<QString, const TTypeInfo*> ByName;
    std::unordered_map<std::type_index, const TClassInfo*> Exact;
    // Objects of unpublished classes, mapped to their nearest published ancestor.
    std::unordered_map<std::type_index, const TClassInfo*> Nearest;
    // Stamps of class changes (publishing, adding a property), ever increasing.
    unsigned LastStamp = 0;
};

TTypeRegistry& Registry()
{
    static TTypeRegistry registry;
    return registry;
}

int Depth(const TClassInfo* info)
{
    int depth = 0;
    for (; info; info = info->Parent())
        ++depth;
    return depth;
}

QString ValueText(const Variant& value)
{
    if (value.IsArray())
        return QStringLiteral("(array)");
    return value.ToString();
}

} // namespace

// --- TTypeInfo ----------------------------------------------------------------------------

void TTypeInfo::Publish(const QString& name)
{
    TTypeRegistry& registry = Registry();
    if (FName.isEmpty())
        registry.Types.push_back(this);
    else if (registry.ByName.value(FName) == this)
        registry.ByName.remove(FName);
    FName = name;
    // The first type published under a name keeps it.
    if (!registry.ByName.contains(name))
        registry.ByName.insert(name, this);
}

QString TEnumInfo::NameOf(int value) const
{
    return value >= 0 && value < Count() ? FNames.at(value) : QString();
}

int TEnumInfo::ValueOf(const QString& name) const
{
    for (int i = 0; i < Count(); ++i)
        if (FNames.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TEnumInfo::Publish(const QString& name, const QStringList& names)
{
    FNames = names;
    TTypeInfo::Publish(name);
}

QString SetToString(const TEnumInfo& info, std::uint64_t bits, bool brackets)
{
    QStringList names;
    for (int i = 0; i < info.Count() && i < 64; ++i)
        if (bits & (std::uint64_t(1) << i))
            names << info.NameOf(i);
    return brackets ? QLatin1Char('[') + names.join(QLatin1String(", ")) + QLatin1Char(']')
                    : names.join(QLatin1Char(','));
}

std::uint64_t StringToSet(const TEnumInfo& info, const QString& text)
{
    QString body = text.trimmed();
    if (body.startsWith(QLatin1Char('[')) && body.endsWith(QLatin1Char(']')))
        body = body.mid(1, body.size() - 2).trimmed();
    if (body.isEmpty())
        return 0;
    QStringList names = body.split(QLatin1Char(','));
    for (QString& name : names)
        name = name.trimmed();
    return NamesToSet(info, names);
}

std::uint64_t NamesToSet(const TEnumInfo& info, const QStringList& names)
{
    std::uint64_t bits = 0;
    for (const QString& name : names) {
        const int value = info.ValueOf(name);
        if (value < 0 || value >= 64)
            throw EPropertyConvertError(QStringLiteral("Invalid property element: %1").arg(name));
        bits |= std::uint64_t(1) << value;
    }
    return bits;
}

// --- TClassInfo ---------------------------------------------------------------------------

void TClassInfo::Publish(const QString& name, const TClassInfo* parent)
{
    FParent = parent;
    FStamp = ++Registry().LastStamp;
    TTypeInfo::Publish(name);
    TTypeRegistry& registry = Registry();
    registry.Exact.insert_or_assign(std::type_index(*FType), this);
    registry.Nearest.clear();
}

void TClassInfo::SetFactories(bool (*isInstance)(const TObject*), TComponent* (*createComponent)(TComponent*),
                              TCollectionItem* (*createItem)(TCollection*), TObject* (*createObject)())
{
    FIsInstance = isInstance;
    FCreateComponent = createComponent;
    FCreateItem = createItem;
    FCreateObject = createObject;
}

TPropInfo& TClassInfo::AddProperty(std::unique_ptr<TPropInfo> prop)
{
    FStamp = ++Registry().LastStamp;
    for (auto& own : FOwnProps)
        if (own->Name.compare(prop->Name, Qt::CaseInsensitive) == 0) {
            own = std::move(prop);
            return *own;
        }
    FOwnProps.push_back(std::move(prop));
    return *FOwnProps.back();
}

void TClassInfo::AddMethod(TMethodInfo method)
{
    for (auto& own : FMethods)
        if (own.Name.compare(method.Name, Qt::CaseInsensitive) == 0) {
            own = std::move(method);
            return;
        }
    FMethods.push_back(std::move(method));
}

bool TClassInfo::InheritsFrom(const TClassInfo& ancestor) const
{
    for (const TClassInfo* info = this; info; info = info->FParent)
        if (info == &ancestor)
            return true;
    return false;
}

const std::vector<const TPropInfo*>& TClassInfo::Properties() const
{
    // Rebuilt only when this class or an ancestor changed since: a change takes a stamp
    // newer than every earlier one, so the newest stamp of the chain tells.
    unsigned stamp = 0;
    for (const TClassInfo* info = this; info; info = info->FParent)
        stamp = std::max(stamp, info->FStamp);
    if (FAllPropsStamp == stamp)
        return FAllProps;
    std::vector<const TPropInfo*> all;
    if (FParent)
        all = FParent->Properties();
    for (const auto& own : FOwnProps) {
        bool replaced = false;
        for (auto& inherited : all)
            if (inherited->Name.compare(own->Name, Qt::CaseInsensitive) == 0) {
                inherited = own.get();
                replaced = true;
                break;
            }
        if (!replaced)
            all.push_back(own.get());
    }
    FAllProps = std::move(all);
    FAllPropsStamp = stamp;
    return FAllProps;
}

const TPropInfo* TClassInfo::FindProperty(const QString& name) const
{
    for (const TPropInfo* prop : Properties())
        if (prop->Name.compare(name, Qt::CaseInsensitive) == 0)
            return prop;
    return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(const QString& name) const
{
    for (const TClassInfo* info = this; info; info = info->FParent)
        for (const TMethodInfo& method : info->FMethods)
            if (method.Name.compare(name, Qt::CaseInsensitive) == 0)
                return &method;
    return nullptr;
}

TComponent* TClassInfo::CreateComponent(TComponent* owner) const
{
    if (!FCreateComponent)
        throw EPropertyError(QStringLiteral("Cannot create a component of class %1").arg(Name()));
    return FCreateComponent(owner);
}

TCollectionItem* TClassInfo::CreateItem(TCollection* collection) const
{
    if (!FCreateItem)
        throw EPropertyError(QStringLiteral("Cannot create a collection item of class %1").arg(Name()));
    return FCreateItem(collection);
}

TObject* TClassInfo::CreateObject() const
{
    if (!FCreateObject)
        throw EPropertyError(QStringLiteral("Cannot create an object of class %1").arg(Name()));
    return FCreateObject();
}

// --- look-up ------------------------------------------------------------------------------

const TClassInfo* GetClassInfo(const TObject* object)
{
    if (!object)
        return nullptr;
    TTypeRegistry& registry = Registry();
    const std::type_index type(typeid(*object));
    if (const auto it = registry.Exact.find(type); it != registry.Exact.end())
        return it->second;
    if (const auto it = registry.Nearest.find(type); it != registry.Nearest.end())
        return it->second;
    const TClassInfo* best = nullptr;
    int bestDepth = 0;
    for (const TTypeInfo* t : registry.Types) {
        if (t->Kind() != tkClass)
            continue;
        const auto* info = static_cast<const TClassInfo*>(t);
        if (!info->IsInstance(object))
            continue;
        const int depth = Depth(info);
        if (depth > bestDepth) {
            best = info;
            bestDepth = depth;
        }
    }
    registry.Nearest.emplace(type, best);
    return best;
}

const TTypeInfo* FindType(const QString& name)
{
    return Registry().ByName.value(name, nullptr);
}

std::vector<const TTypeInfo*> GetTypes()
{
    return Registry().Types;
}

// --- property access ----------------------------------------------------------------------

const TPropInfo* FindPropInfo(const TObject* object, const QString& name)
{
    const TClassInfo* info = GetClassInfo(object);
    return info ? info->FindProperty(name) : nullptr;
}

const TPropInfo& GetPropInfo(const TObject* object, const QString& name)
{
    if (!object)
        throw EArgumentNilException(QStringLiteral("object"));
    const TPropInfo* prop = FindPropInfo(object, name);
    if (!prop)
        throw EPropertyError(QStringLiteral("Property %1 does not exist").arg(name));
    return *prop;
}

namespace detail {

void RaiseConvert(const TPropInfo& prop, const Variant& value)
{
    throw EPropertyConvertError(QStringLiteral("Invalid property value '%1' for %2").arg(ValueText(value), prop.Name));
}

std::int64_t RawToInteger(const TPropInfo& prop, const Variant& value)
{
    std::int64_t result = 0;
    switch (value.Kind()) {
    case TVarKind::Integer:
        result = value.AsInt();
        break;
    case TVarKind::Boolean:
        result = value.AsBool() ? 1 : 0;
        break;
    case TVarKind::Double: {
        const double d = value.AsDouble();
        if (!(d >= -9.2e18 && d <= 9.2e18) || d != static_cast<double>(static_cast<std::int64_t>(d)))
            RaiseConvert(prop, value);
        result = static_cast<std::int64_t>(d);
        break;
    }
    case TVarKind::String:
        if (!TryStrToInt64(value.AsString().trimmed(), result))
            RaiseConvert(prop, value);
        break;
    default:
        RaiseConvert(prop, value);
    }
    if (result < prop.MinValue || result > prop.MaxValue)
        RaiseConvert(prop, value);
    return result;
}

Variant StringListToRaw(const QStringList& lines)
{
    std::vector<Variant> items;
    items.reserve(static_cast<size_t>(lines.size()));
    for (const QString& line : lines)
        items.emplace_back(line);
    return Variant::Array(std::move(items));
}

QStringList RawToStringList(const TPropInfo& prop, const Variant& value)
{
    if (value.IsClear())
        return {};
    if (value.IsString()) {
        QString text = value.AsString();
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        if (text.endsWith(QLatin1Char('\n')))
            text.chop(1);
        return text.isEmpty() && value.AsString().isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    }
    if (!value.IsArray())
        RaiseConvert(prop, value);
    QStringList lines;
    for (int i = value.ArrayLowBound(); i <= value.ArrayHighBound(); ++i) {
        const Variant& item = value.ArrayItem(i);
        if (!item.IsString())
            RaiseConvert(prop, value);
        lines << item.AsString();
    }
    return lines;
}

bool RawToBoolean(const TPropInfo& prop, const Variant& value)
{
    if (value.IsClear() || value.IsArray())
        RaiseConvert(prop, value);
    try {
        return value.ToBoolean();
    } catch (const EVariantError&) {
        RaiseConvert(prop, value);
    }
}

double RawToFloat(const TPropInfo& prop, const Variant& value)
{
    double result = 0;
    if (value.IsClear() || !value.TryToDouble(result) || !std::isfinite(result) || std::fabs(result) > prop.MaxFloat)
        RaiseConvert(prop, value);
    return result;
}

QString RawToString(const TPropInfo& prop, const Variant& value)
{
    if (value.IsArray())
        RaiseConvert(prop, value);
    return value.ToString();
}

} // namespace detail

Variant GetRawValue(const TObject* object, const TPropInfo& prop)
{
    if (prop.Indexed)
        throw EPropertyError(QStringLiteral("Property %1 is indexed").arg(prop.Name));
    if (prop.IsObjectKind()) {
        TObject* value = prop.GetObject(object);
        return value ? Variant(static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(value))) : Variant::Null();
    }
    if (!prop.GetRaw)
        throw EPropertyError(QStringLiteral("Property %1 is indexed").arg(prop.Name));
    return prop.GetRaw(object);
}

void SetRawValue(TObject* object, const TPropInfo& prop, const Variant& value)
{
    if (!prop.Writable || prop.Indexed)
        throw EPropertyError(QStringLiteral("Property %1 is read-only").arg(prop.Name));
    if (prop.IsObjectKind()) {
        if (value.IsClear()) {
            prop.SetObject(object, nullptr);
            return;
        }
        if (!value.IsInteger())
            detail::RaiseConvert(prop, value);
        prop.SetObject(object, reinterpret_cast<TObject*>(static_cast<std::intptr_t>(value.AsInt())));
        return;
    }
    if (prop.Kind == pkEnumeration || prop.Kind == pkSet) {
        const std::int64_t n = detail::RawToInteger(prop, value);
        const int count = prop.EnumType->Count();
        const bool valid = prop.Kind == pkEnumeration
                               ? n >= 0 && n < count
                               : count >= 64 || (static_cast<std::uint64_t>(n) >> count) == 0;
        if (!valid)
            detail::RaiseConvert(prop, value);
    }
    prop.SetRaw(object, value);
}

Variant GetPropValue(const TObject* object, const TPropInfo& prop)
{
    if (prop.Kind == pkEnumeration)
        return prop.EnumType->NameOf(static_cast<int>(GetRawValue(object, prop).AsInt()));
    if (prop.Kind == pkSet)
        return SetToString(*prop.EnumType, static_cast<std::uint64_t>(GetRawValue(object, prop).AsInt()));
    return GetRawValue(object, prop);
}

Variant GetPropValue(const TObject* object, const QString& name)
{
    return GetPropValue(object, GetPropInfo(object, name));
}

void SetPropValue(TObject* object, const TPropInfo& prop, const Variant& value)
{
    if (prop.Writable && value.IsString()) {
        if (prop.Kind == pkEnumeration) {
            const int ordinal = prop.EnumType->ValueOf(value.AsString().trimmed());
            if (ordinal < 0)
                detail::RaiseConvert(prop, value);
            prop.SetRaw(object, Variant(ordinal));
            return;
        }
        if (prop.Kind == pkSet) {
            std::uint64_t bits = 0;
            try {
                bits = StringToSet(*prop.EnumType, value.AsString());
            } catch (const EPropertyConvertError&) {
                detail::RaiseConvert(prop, value);
            }
            prop.SetRaw(object, Variant(static_cast<std::int64_t>(bits)));
            return;
        }
    }
    SetRawValue(object, prop, value);
}

void SetPropValue(TObject* object, const QString& name, const Variant& value)
{
    SetPropValue(object, GetPropInfo(object, name), value);
}

void CheckPropMinimum(const TPropInfo& prop, const Variant& value)
{
    if (prop.Kind != pkInteger || prop.Least == std::numeric_limits<std::int64_t>::min())
        return;
    if (detail::RawToInteger(prop, value) < prop.Least)
        throw EPropertyConvertError(QStringLiteral("Invalid property value '%1' for %2: the least is %3")
                                        .arg(ValueText(value), prop.Name)
                                        .arg(prop.Least));
}

TObject* GetObjectProp(const TObject* object, const TPropInfo& prop)
{
    if (!prop.IsObjectKind() || !prop.GetObject)
        throw EPropertyError(QStringLiteral("Property %1 is not an object property").arg(prop.Name));
    return prop.GetObject(object);
}

void SetObjectProp(TObject* object, const TPropInfo& prop, TObject* value)
{
    if (!prop.IsObjectKind())
        throw EPropertyError(QStringLiteral("Property %1 is not an object property").arg(prop.Name));
    if (!prop.Writable)
        throw EPropertyError(QStringLiteral("Property %1 is read-only").arg(prop.Name));
    prop.SetObject(object, value);
}

Variant GetIndexedPropValue(const TObject* object, const TPropInfo& prop, int index)
{
    if (prop.GetIndexedObject) {
        TObject* value = prop.GetIndexedObject(object, index);
        return value ? Variant(static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(value))) : Variant::Null();
    }
    if (!prop.GetIndexed)
        throw EPropertyError(QStringLiteral("Property %1 is not indexed").arg(prop.Name));
    return prop.GetIndexed(object, index);
}

TObject* GetIndexedObjectProp(const TObject* object, const TPropInfo& prop, int index)
{
    if (!prop.GetIndexedObject)
        throw EPropertyError(QStringLiteral("Property %1 is not an indexed object property").arg(prop.Name));
    return prop.GetIndexedObject(object, index);
}

void SetMethodProp(TObject* object, const TPropInfo& prop, TObject* instance, const QString& methodName)
{
    if (prop.Kind != pkMethod)
        throw EPropertyError(QStringLiteral("Property %1 is not an event").arg(prop.Name));
    if (methodName.isEmpty()) {
        prop.SetRaw(object, Variant::Null());
        return;
    }
    const TClassInfo* info = GetClassInfo(instance);
    const TMethodInfo* method = info ? info->FindMethod(methodName) : nullptr;
    if (!method)
        throw EPropertyError(QStringLiteral("Method %1 not found").arg(methodName));
    prop.SetMethod(object, method->Bind(instance));
}

TObject* GetMethodInstance(const TObject* object, const TPropInfo& prop)
{
    return prop.Kind == pkMethod ? prop.GetMethodInstance(object) : nullptr;
}

bool IsStoredProp(const TObject* object, const TPropInfo& prop)
{
    switch (prop.StoredKind) {
    case skNever:
        return false;
    case skTest:
        return prop.StoredTest(object);
    default:
        return true;
    }
}

bool IsDefaultPropValue(const TObject* object, const TPropInfo& prop)
{
    if (prop.Indexed)
        return true;
    if (prop.IsObjectKind()) {
        TObject* value = prop.GetObject(object);
        if (!value)
            return true;
        if (prop.Kind == pkCollection)
            return static_cast<TCollection*>(value)->Count() == 0;
        return false;
    }
    if (prop.NoDefault)
        return false;
    const Variant value = prop.GetRaw(object);
    if (prop.HasDefault) {
        if (value.IsNumeric() && prop.Default.IsNumeric())
            return VarRelate(value, prop.Default) == TVarRelation::Equal;
        return SameValue(value, prop.Default);
    }
    switch (prop.Kind) {
    case pkFloat:
        return value.AsDouble() == 0.0;
    case pkString:
        return value.AsString().isEmpty();
    case pkStringList:
        return !value.IsArray() || value.ArrayHighBound() < value.ArrayLowBound();
    case pkVariant:
        return value.IsEmpty();
    case pkMethod:
        return !value.IsString() || value.AsString().isEmpty();
    default:
        return false;
    }
}

// --- the root classes ---------------------------------------------------------------------

namespace {
const bool kvObjectPublished = (ClassInfo<TObject>().Publish(QStringLiteral("TObject"), nullptr), true);
}

KV_PUBLISH(TPersistent, TObject);

KV_PUBLISH(TComponent, TPersistent)
    .Property("Name", &TComponent::GetName, &TComponent::SetName).Stored(false)
    .Property("Tag", &TComponent::GetTag, &TComponent::SetTag).Default(0);

} // namespace kv
