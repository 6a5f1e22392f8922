// Published-property reflection.
//
// Each class that takes part in streaming or property access describes itself once, in its
// .cpp file, next to its out-of-line members:
//
//     KV_PUBLISH(TPerson, TPersistent)
//         .Property("Name", &TPerson::GetName, &TPerson::SetName)
//         .Property("Age", &TPerson::GetAge, &TPerson::SetAge).Default(0)
//         .Property("Kind", &TPerson::GetKind, &TPerson::SetKind).Default(pkAdult)
//         .Property("Id", &TPerson::GetId)                       // read-only
//         .Event("OnChange", &TPerson::OnChange);
//
// Getters and setters are member functions or data members; the kind follows from the
// getter's type: bool, integers, floating point, plain enumerations (described with
// KV_PUBLISH_ENUM), TSet<E>, QString, QStringList (lines of text), Variant, pointers to
// objects (a TCollection is a collection, a TComponent a reference by name, any other object
// an owned sub-object) and std::function events. A descendant lists only its own properties; declaring a name that an
// ancestor has replaces the ancestor's entry in place.
//
// Values pass through Variant: enumerations as their value names, sets as "a,b", string lists
// as an array of strings (a string sets them as its lines), objects as their address (an
// integer; nil is Null), events as the handler's method name.
// GetObjectProp/SetObjectProp give objects as pointers.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/Variant.h"

#include <QtCore/QStringList>
#include <any>
#include <concepts>
#include <functional>
#include <limits>
#include <memory>
#include <type_traits>
#include <vector>

namespace kv {

class TCollection;
class TCollectionItem;

KV_DECLARE_EXCEPTION(EPropertyError, Exception)
KV_DECLARE_EXCEPTION(EPropertyConvertError, EPropertyError)

enum TTypeKind { tkEnumeration, tkClass };

enum TPropKind {
    pkInteger,
    pkFloat,
    pkBoolean,
    pkEnumeration,
    pkSet,
    pkString,
    pkVariant,
    pkObject,
    pkComponent,
    pkCollection,
    pkMethod,
    // Lines of text (QStringList).
    pkStringList
};

class TTypeInfo
{
public:
    virtual ~TTypeInfo() = default;
    TTypeKind Kind() const { return FKind; }
    // Empty until the type is published.
    const QString& Name() const { return FName; }

protected:
    explicit TTypeInfo(TTypeKind kind) : FKind(kind) {}
    void Publish(const QString& name);

private:
    TTypeKind FKind;
    QString FName;
};

// A plain enumeration with values 0 .. Count() - 1.
class TEnumInfo : public TTypeInfo
{
public:
    TEnumInfo() : TTypeInfo(tkEnumeration) {}
    int Count() const { return static_cast<int>(FNames.size()); }
    const QStringList& Names() const { return FNames; }
    // Empty for a value out of range.
    QString NameOf(int value) const;
    // Case-insensitive; -1 when there is no such value.
    int ValueOf(const QString& name) const;

    void Publish(const QString& name, const QStringList& names);

private:
    QStringList FNames;
};

template <typename E>
TEnumInfo& EnumInfo()
{
    static_assert(std::is_enum_v<E>, "EnumInfo takes an enumeration");
    static TEnumInfo info;
    return info;
}

// "a,b" (or "[a, b]" with brackets) from set bits.
QString SetToString(const TEnumInfo& info, std::uint64_t bits, bool brackets = false);
// Reads "a,b", "[a, b]" or "[]"; raises EPropertyConvertError for an unknown element.
std::uint64_t StringToSet(const TEnumInfo& info, const QString& text);
// The set of the named elements; raises EPropertyConvertError for an unknown one.
std::uint64_t NamesToSet(const TEnumInfo& info, const QStringList& names);

class TClassInfo;

// A stored-rule: always, never, or a test of the instance.
enum TStoredKind { skAlways, skNever, skTest };

struct TPropInfo
{
    QString Name;
    TPropKind Kind = pkInteger;
    const TEnumInfo* EnumType = nullptr;   // enumerations and sets
    const TClassInfo* ClassType = nullptr; // object, component and collection properties
    bool Indexed = false;
    bool Readable = true;
    bool Writable = false;
    bool HasDefault = false;
    Variant Default;                       // in raw form (see GetRawValue)
    // No value counts as default: the stored rule alone decides whether it is written.
    bool NoDefault = false;
    TStoredKind StoredKind = skAlways;
    std::function<bool(const TObject*)> StoredTest;
    // Range of an integer property's C++ type.
    std::int64_t MinValue = std::numeric_limits<std::int64_t>::min();
    std::int64_t MaxValue = std::numeric_limits<std::int64_t>::max();
    // The least value a user may give the property, when it is narrower than its type's
    // (Minimum): the object inspector refuses less; the form reader reads less as this.
    std::int64_t Least = std::numeric_limits<std::int64_t>::min();
    // Largest magnitude of a float property's C++ type; values are finite.
    double MaxFloat = std::numeric_limits<double>::max();

    // Raw access: integers, floats, booleans, strings and variants as themselves; enumerations
    // as the ordinal; sets as the bits; events as the handler's name (Null when unassigned).
    std::function<Variant(const TObject*)> GetRaw;
    std::function<void(TObject*, const Variant&)> SetRaw;
    // Object kinds.
    std::function<TObject*(const TObject*)> GetObject;
    std::function<void(TObject*, TObject*)> SetObject;
    // Indexed properties ("Items"): a value or an object at an index.
    std::function<Variant(const TObject*, int)> GetIndexed;
    std::function<TObject*(const TObject*, int)> GetIndexedObject;
    // Events: the instance the handler is bound to, and binding a published method.
    std::function<TObject*(const TObject*)> GetMethodInstance;
    std::function<void(TObject*, const std::any&)> SetMethod;

    bool IsObjectKind() const { return Kind == pkObject || Kind == pkComponent || Kind == pkCollection; }
};

// A published method that events can be bound to by name.
struct TMethodInfo
{
    QString Name;
    // Binds the method to an instance; the any holds a TNamedHandler of the method's signature.
    std::function<std::any(TObject*)> Bind;
};

// The callable stored in an event bound to a published method: it keeps the method's name.
template <typename Sig>
struct TNamedHandler;

template <typename R, typename... A>
struct TNamedHandler<R(A...)>
{
    QString Name;
    TObject* Instance = nullptr;
    std::function<R(A...)> Call;
    R operator()(A... args) const { return Call(std::forward<A>(args)...); }
};

class TClassInfo : public TTypeInfo
{
public:
    explicit TClassInfo(const std::type_info& type) : TTypeInfo(tkClass), FType(&type) {}
    TClassInfo(const TClassInfo&) = delete;
    TClassInfo& operator=(const TClassInfo&) = delete;

    const std::type_info& TypeId() const { return *FType; }
    const TClassInfo* Parent() const { return FParent; }
    bool IsPublished() const { return !Name().isEmpty(); }
    bool InheritsFrom(const TClassInfo& ancestor) const;
    bool IsInstance(const TObject* object) const { return object && FIsInstance && FIsInstance(object); }

    // Published properties, ancestors' first, in declaration order.
    const std::vector<const TPropInfo*>& Properties() const;
    // Case-insensitive; nil when missing.
    const TPropInfo* FindProperty(const QString& name) const;
    const TMethodInfo* FindMethod(const QString& name) const;

    // Two-phase creation (kv::Create); each raises EPropertyError when the class cannot be
    // made that way (abstract, or another constructor).
    bool CanCreateComponent() const { return FCreateComponent != nullptr; }
    bool CanCreateItem() const { return FCreateItem != nullptr; }
    bool CanCreateObject() const { return FCreateObject != nullptr; }
    TComponent* CreateComponent(TComponent* owner) const;
    TCollectionItem* CreateItem(TCollection* collection) const;
    TObject* CreateObject() const;

    // Used by TClassBuilder and ClassInfo<T>.
    void Publish(const QString& name, const TClassInfo* parent);
    TPropInfo& AddProperty(std::unique_ptr<TPropInfo> prop);
    void AddMethod(TMethodInfo method);
    void SetFactories(bool (*isInstance)(const TObject*), TComponent* (*createComponent)(TComponent*),
                      TCollectionItem* (*createItem)(TCollection*), TObject* (*createObject)());

private:
    const std::type_info* FType;
    const TClassInfo* FParent = nullptr;
    std::vector<std::unique_ptr<TPropInfo>> FOwnProps;
    std::vector<TMethodInfo> FMethods;
    bool (*FIsInstance)(const TObject*) = nullptr;
    TComponent* (*FCreateComponent)(TComponent*) = nullptr;
    TCollectionItem* (*FCreateItem)(TCollection*) = nullptr;
    TObject* (*FCreateObject)() = nullptr;
    mutable std::vector<const TPropInfo*> FAllProps;
    unsigned FStamp = 0;
    mutable unsigned FAllPropsStamp = 0;
};

namespace detail {
template <typename T>
TClassInfo& MakeClassInfo(TClassInfo& info);
}

// The class type of T (the same object wherever it is asked for).
template <typename T>
TClassInfo& ClassInfo()
{
    static_assert(std::is_base_of_v<TObject, T>, "ClassInfo takes a TObject class");
    static TClassInfo info(typeid(T));
    static TClassInfo& ready = detail::MakeClassInfo<T>(info);
    return ready;
}

// The class type of an object: its own when published, else that of its nearest published
// ancestor; nil for nil.
const TClassInfo* GetClassInfo(const TObject* object);
// A published type (class or enumeration) by its exact name; nil when missing.
const TTypeInfo* FindType(const QString& name);
// Every published type, in publishing order.
std::vector<const TTypeInfo*> GetTypes();

// Property access. The name forms raise EPropertyError "Property X does not exist".
const TPropInfo* FindPropInfo(const TObject* object, const QString& name);
const TPropInfo& GetPropInfo(const TObject* object, const QString& name);
Variant GetPropValue(const TObject* object, const TPropInfo& prop);
Variant GetPropValue(const TObject* object, const QString& name);
// Raises EPropertyError for a read-only property and EPropertyConvertError for a value
// that does not fit the property.
void SetPropValue(TObject* object, const TPropInfo& prop, const Variant& value);
void SetPropValue(TObject* object, const QString& name, const Variant& value);
// Raises EPropertyConvertError when an integer value is below the property's least
// (Minimum); editors check what a user typed with it.
void CheckPropMinimum(const TPropInfo& prop, const Variant& value);
TObject* GetObjectProp(const TObject* object, const TPropInfo& prop);
// Raises EPropertyConvertError when value is not of the property's class.
void SetObjectProp(TObject* object, const TPropInfo& prop, TObject* value);
Variant GetIndexedPropValue(const TObject* object, const TPropInfo& prop, int index);
TObject* GetIndexedObjectProp(const TObject* object, const TPropInfo& prop, int index);
// Raw forms (see TPropInfo::GetRaw).
Variant GetRawValue(const TObject* object, const TPropInfo& prop);
void SetRawValue(TObject* object, const TPropInfo& prop, const Variant& value);
// Binds an event to the published method `methodName` of `instance`'s class; an empty name
// clears it. Raises EPropertyError when there is no such method or its signature differs.
void SetMethodProp(TObject* object, const TPropInfo& prop, TObject* instance, const QString& methodName);
TObject* GetMethodInstance(const TObject* object, const TPropInfo& prop);

// The stored rule of the property for this instance.
bool IsStoredProp(const TObject* object, const TPropInfo& prop);
// True when the value equals the declared default, or, without one, when it is the kind's
// empty value (0.0, '', Empty, nil, an empty collection, an unnamed handler). Integers,
// booleans, enumerations and sets without a default, and values of NoDefault properties,
// are never default.
bool IsDefaultPropValue(const TObject* object, const TPropInfo& prop);

// A "component" whose properties are described: the object itself (the registration tag).
struct TClassRegistration
{
};

namespace detail {

template <typename V>
struct IsTSet : std::false_type
{
};
template <typename E>
struct IsTSet<TSet<E>> : std::true_type
{
    using Element = E;
};

template <typename V>
struct IsFunction : std::false_type
{
};
template <typename Sig>
struct IsFunction<std::function<Sig>> : std::true_type
{
    using Signature = Sig;
};

template <typename M>
struct MethodTraits;
template <typename C, typename R, typename... A>
struct MethodTraits<R (C::*)(A...)>
{
    using Class = C;
    using Signature = R(A...);
};
template <typename C, typename R, typename... A>
struct MethodTraits<R (C::*)(A...) const>
{
    using Class = C;
    using Signature = R(A...);
};

template <typename V>
constexpr TPropKind KindOf()
{
    if constexpr (std::is_same_v<V, bool>)
        return pkBoolean;
    else if constexpr (std::is_integral_v<V>)
        return pkInteger;
    else if constexpr (std::is_floating_point_v<V>)
        return pkFloat;
    else if constexpr (std::is_enum_v<V>)
        return pkEnumeration;
    else if constexpr (IsTSet<V>::value)
        return pkSet;
    else if constexpr (std::is_same_v<V, QString>)
        return pkString;
    else if constexpr (std::is_same_v<V, QStringList>)
        return pkStringList;
    else if constexpr (std::is_same_v<V, Variant>)
        return pkVariant;
    else if constexpr (IsFunction<V>::value)
        return pkMethod;
    else if constexpr (std::is_pointer_v<V>) {
        using U = std::remove_cv_t<std::remove_pointer_t<V>>;
        static_assert(std::is_base_of_v<TObject, U>, "object properties point to TObject classes");
        if constexpr (std::is_base_of_v<TCollection, U>)
            return pkCollection;
        else if constexpr (std::is_base_of_v<TComponent, U>)
            return pkComponent;
        else
            return pkObject;
    } else {
        static_assert(std::is_same_v<V, bool>, "unsupported property type");
        return pkInteger;
    }
}

Variant StringListToRaw(const QStringList& lines);

template <typename V>
Variant ToRaw(const V& value)
{
    if constexpr (std::is_same_v<V, QStringList>)
        return StringListToRaw(value);
    else if constexpr (std::is_enum_v<V>)
        return Variant(static_cast<std::int64_t>(value));
    else if constexpr (IsTSet<V>::value)
        return Variant(static_cast<std::int64_t>(value.Bits()));
    else if constexpr (std::is_same_v<V, QString> || std::is_same_v<V, Variant> || std::is_arithmetic_v<V>)
        return Variant(value);
    else
        return Variant(QString(value));
}

[[noreturn]] void RaiseConvert(const TPropInfo& prop, const Variant& value);
std::int64_t RawToInteger(const TPropInfo& prop, const Variant& value);
bool RawToBoolean(const TPropInfo& prop, const Variant& value);
double RawToFloat(const TPropInfo& prop, const Variant& value);
QString RawToString(const TPropInfo& prop, const Variant& value);
// An array of strings item by item; a string as its lines; nil or Null as no lines.
QStringList RawToStringList(const TPropInfo& prop, const Variant& value);

template <typename V>
V FromRaw(const TPropInfo& prop, const Variant& value)
{
    if constexpr (std::is_same_v<V, bool>)
        return RawToBoolean(prop, value);
    else if constexpr (std::is_integral_v<V>)
        return static_cast<V>(RawToInteger(prop, value));
    else if constexpr (std::is_floating_point_v<V>)
        return static_cast<V>(RawToFloat(prop, value));
    else if constexpr (std::is_enum_v<V>)
        return static_cast<V>(RawToInteger(prop, value));
    else if constexpr (IsTSet<V>::value)
        return V::FromBits(static_cast<std::uint64_t>(RawToInteger(prop, value)));
    else if constexpr (std::is_same_v<V, QString>)
        return RawToString(prop, value);
    else if constexpr (std::is_same_v<V, QStringList>)
        return RawToStringList(prop, value);
    else
        return value;
}

template <typename T>
bool IsInstanceOf(const TObject* object)
{
    return dynamic_cast<const T*>(object) != nullptr;
}

template <typename T>
TClassInfo& MakeClassInfo(TClassInfo& info)
{
    TComponent* (*createComponent)(TComponent*) = nullptr;
    TCollectionItem* (*createItem)(TCollection*) = nullptr;
    TObject* (*createObject)() = nullptr;
    if constexpr (!std::is_abstract_v<T>) {
        if constexpr (std::is_base_of_v<TComponent, T> && TCreateAccess::CanCreate<T, TComponent*>)
            createComponent = [](TComponent* owner) -> TComponent* { return Create<T>(owner); };
        else if constexpr (std::is_base_of_v<TCollectionItem, T> && TCreateAccess::CanCreate<T, TCollection*>)
            createItem = [](TCollection* collection) -> TCollectionItem* { return Create<T>(collection); };
        else if constexpr (TCreateAccess::CanCreate<T>)
            createObject = []() -> TObject* { return Create<T>(); };
    }
    info.SetFactories(&IsInstanceOf<T>, createComponent, createItem, createObject);
    return info;
}

} // namespace detail

// Describes class T, derived from P, under `name` (see the top of this header).
template <typename T, typename P>
class TClassBuilder
{
    static_assert(std::is_base_of_v<P, T> && !std::is_same_v<P, T>, "P must be an ancestor of T");

public:
    explicit TClassBuilder(const char* name) : FInfo(ClassInfo<T>())
    {
        FInfo.Publish(QString::fromLatin1(name), &ClassInfo<P>());
    }
    TClassBuilder(const QString& name) : FInfo(ClassInfo<T>()) { FInfo.Publish(name, &ClassInfo<P>()); }

    // A read-write property; getter and setter are member functions or a data member.
    template <typename G, typename S>
        requires(!std::is_same_v<S, std::nullptr_t>)
    TClassBuilder& Property(const char* name, G getter, S setter)
    {
        using V = std::remove_cvref_t<std::invoke_result_t<G, const T&>>;
        TPropInfo& prop = AddGetter<V>(name, getter);
        prop.Writable = true;
        if constexpr (std::is_pointer_v<V>) {
            using U = std::remove_cv_t<std::remove_pointer_t<V>>;
            prop.SetObject = [setter, &prop](TObject* obj, TObject* value) {
                U* typed = nullptr;
                if (value) {
                    typed = dynamic_cast<U*>(value);
                    if (!typed)
                        detail::RaiseConvert(prop, Variant(value->ClassName()));
                }
                Assign(*static_cast<T*>(obj), setter, typed);
            };
        } else {
            prop.SetRaw = [setter, &prop](TObject* obj, const Variant& value) {
                Assign(*static_cast<T*>(obj), setter, detail::FromRaw<V>(prop, value));
            };
        }
        return *this;
    }

    // A read-only property.
    template <typename G>
    TClassBuilder& Property(const char* name, G getter)
    {
        using V = std::remove_cvref_t<std::invoke_result_t<G, const T&>>;
        AddGetter<V>(name, getter);
        return *this;
    }

    // A read-only indexed property such as "Items"; getter(index).
    template <typename G>
    TClassBuilder& Indexed(const char* name, G getter)
    {
        using V = std::remove_cvref_t<std::invoke_result_t<G, const T&, int>>;
        auto prop = NewProp<V>(name);
        prop->Indexed = true;
        if constexpr (std::is_pointer_v<V>)
            prop->GetIndexedObject = [getter](const TObject* obj, int index) -> TObject* {
                return const_cast<std::remove_cv_t<std::remove_pointer_t<V>>*>(
                    std::invoke(getter, *static_cast<const T*>(obj), index));
            };
        else
            prop->GetIndexed = [getter](const TObject* obj, int index) {
                return detail::ToRaw<V>(std::invoke(getter, *static_cast<const T*>(obj), index));
            };
        FLast = &FInfo.AddProperty(std::move(prop));
        return *this;
    }

    // An event: a std::function data member.
    template <typename M>
        requires std::is_member_object_pointer_v<M>
    TClassBuilder& Event(const char* name, M member)
    {
        using F = std::remove_cvref_t<std::invoke_result_t<M, const T&>>;
        static_assert(detail::IsFunction<F>::value, "events are std::function members");
        using Sig = typename detail::IsFunction<F>::Signature;
        auto prop = NewProp<F>(name);
        prop->Writable = true;
        prop->GetRaw = [member](const TObject* obj) -> Variant {
            const F& f = std::invoke(member, *static_cast<const T*>(obj));
            if (!f)
                return Variant::Null();
            const auto* named = f.template target<TNamedHandler<Sig>>();
            return named ? Variant(named->Name) : Variant(QString());
        };
        prop->GetMethodInstance = [member](const TObject* obj) -> TObject* {
            const auto* named = std::invoke(member, *static_cast<const T*>(obj)).template target<TNamedHandler<Sig>>();
            return named ? named->Instance : nullptr;
        };
        prop->SetRaw = [member, p = prop.get()](TObject* obj, const Variant& value) {
            if (!value.IsClear())
                detail::RaiseConvert(*p, value);
            std::invoke(member, *static_cast<T*>(obj)) = nullptr;
        };
        prop->SetMethod = [member, p = prop.get()](TObject* obj, const std::any& handler) {
            const auto* named = std::any_cast<TNamedHandler<Sig>>(&handler);
            if (!named)
                throw EPropertyError(QStringLiteral("Incompatible method for event %1").arg(p->Name));
            std::invoke(member, *static_cast<T*>(obj)) = *named;
        };
        FLast = &FInfo.AddProperty(std::move(prop));
        return *this;
    }

    // A method that events can be bound to by name (form files name event handlers).
    template <typename M>
    TClassBuilder& Method(const char* name, M method)
    {
        using Sig = typename detail::MethodTraits<M>::Signature;
        using C = typename detail::MethodTraits<M>::Class;
        static_assert(std::is_base_of_v<C, T>, "the method must belong to the class");
        const QString methodName = QString::fromLatin1(name);
        FInfo.AddMethod(TMethodInfo{methodName, [method, methodName](TObject* instance) -> std::any {
                                        T* self = static_cast<T*>(instance);
                                        TNamedHandler<Sig> handler;
                                        handler.Name = methodName;
                                        handler.Instance = instance;
                                        handler.Call = [self, method](auto&&... args) {
                                            return std::invoke(method, self, std::forward<decltype(args)>(args)...);
                                        };
                                        return std::any(handler);
                                    }});
        return *this;
    }

    // The default of the last property: not written to form files when the value equals it.
    template <typename V>
    TClassBuilder& Default(const V& value)
    {
        TPropInfo& prop = Last();
        prop.HasDefault = true;
        if constexpr (std::is_same_v<V, const char*> || std::is_array_v<V>)
            prop.Default = Variant(QString::fromUtf8(value));
        else
            prop.Default = detail::ToRaw<V>(value);
        return *this;
    }

    // The least value of the last (integer) property that a user may type (CheckPropMinimum);
    // a form file's smaller value reads as this one, and code may set any value.
    TClassBuilder& Minimum(std::int64_t value)
    {
        TPropInfo& prop = Last();
        if (prop.Kind != pkInteger)
            throw EPropertyError(QStringLiteral("Property %1 is no integer").arg(prop.Name));
        prop.Least = value;
        return *this;
    }

    // The last property has no default value, not even its kind's empty value: whenever it is
    // stored, it is written.
    TClassBuilder& NoDefault()
    {
        TPropInfo& prop = Last();
        prop.NoDefault = true;
        prop.HasDefault = false;
        return *this;
    }

    // The stored rule of the last property: a constant, or a test of the instance.
    TClassBuilder& Stored(bool stored)
    {
        Last().StoredKind = stored ? skAlways : skNever;
        return *this;
    }
    template <typename F>
        requires std::is_invocable_r_v<bool, F, const T&>
    TClassBuilder& Stored(F test)
    {
        TPropInfo& prop = Last();
        prop.StoredKind = skTest;
        prop.StoredTest = [test](const TObject* obj) { return std::invoke(test, *static_cast<const T*>(obj)); };
        return *this;
    }

    operator TClassRegistration() const { return {}; }

private:
    template <typename S, typename A>
    static void Assign(T& obj, S setter, A&& value)
    {
        if constexpr (std::is_member_object_pointer_v<S>)
            std::invoke(setter, obj) = std::forward<A>(value);
        else
            std::invoke(setter, obj, std::forward<A>(value));
    }

    TPropInfo& Last()
    {
        if (!FLast)
            throw EPropertyError(QStringLiteral("No property to qualify"));
        return *FLast;
    }

    template <typename V>
    std::unique_ptr<TPropInfo> NewProp(const char* name)
    {
        auto prop = std::make_unique<TPropInfo>();
        prop->Name = QString::fromLatin1(name);
        prop->Kind = detail::KindOf<V>();
        if constexpr (std::is_enum_v<V>)
            prop->EnumType = &EnumInfo<V>();
        else if constexpr (detail::IsTSet<V>::value)
            prop->EnumType = &EnumInfo<typename detail::IsTSet<V>::Element>();
        else if constexpr (std::is_pointer_v<V>)
            prop->ClassType = &ClassInfo<std::remove_cv_t<std::remove_pointer_t<V>>>();
        else if constexpr (std::is_floating_point_v<V>)
            prop->MaxFloat = static_cast<double>(std::numeric_limits<V>::max());
        else if constexpr (std::is_integral_v<V> && !std::is_same_v<V, bool>) {
            prop->MinValue = static_cast<std::int64_t>(std::numeric_limits<V>::min());
            prop->MaxValue = std::numeric_limits<V>::max() > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                                 ? std::numeric_limits<std::int64_t>::max()
                                 : static_cast<std::int64_t>(std::numeric_limits<V>::max());
        }
        return prop;
    }

    template <typename V, typename G>
    TPropInfo& AddGetter(const char* name, G getter)
    {
        auto prop = NewProp<V>(name);
        if constexpr (std::is_pointer_v<V>)
            prop->GetObject = [getter](const TObject* obj) -> TObject* {
                return const_cast<std::remove_cv_t<std::remove_pointer_t<V>>*>(
                    std::invoke(getter, *static_cast<const T*>(obj)));
            };
        else
            prop->GetRaw = [getter](const TObject* obj) {
                return detail::ToRaw<V>(std::invoke(getter, *static_cast<const T*>(obj)));
            };
        FLast = &FInfo.AddProperty(std::move(prop));
        return *FLast;
    }

    TClassInfo& FInfo;
    TPropInfo* FLast = nullptr;
};

#define KV_PUBLISH_CONCAT2(a, b) a##b
#define KV_PUBLISH_CONCAT(a, b) KV_PUBLISH_CONCAT2(a, b)

// Describes Class (derived from Parent); follow with .Property(...) lines and a semicolon.
#define KV_PUBLISH(Class, Parent)                                                          \
    [[maybe_unused]] static const ::kv::TClassRegistration KV_PUBLISH_CONCAT(kvPublished_, \
                                                                             __LINE__) =   \
        ::kv::TClassBuilder<Class, Parent>(#Class)

// Describes a plain enumeration: KV_PUBLISH_ENUM(TAlign, "AlignNear", "AlignCenter", "AlignFar");
#define KV_PUBLISH_ENUM(Enum, ...)                                                               \
    [[maybe_unused]] static const bool KV_PUBLISH_CONCAT(kvPublishedEnum_, __LINE__) =           \
        (::kv::EnumInfo<Enum>().Publish(QStringLiteral(#Enum), QStringList{__VA_ARGS__}), true)

} // namespace kv
