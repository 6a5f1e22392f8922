// The object model: TObject with two-phase creation and Free, TPersistent, TComponent
// (owner, owned components, names, state, free notification, Loaded).
#pragma once

#include "platform/rtl/Sets.h"
#include "platform/rtl/SysUtils.h"

#include <QtCore/QString>
#include <functional>
#include <type_traits>
#include <typeinfo>
#include <memory>
#include <utility>
#include <vector>

namespace kv {

class TFiler;
class TReader;
class TWriter;

// An operation that the object's state does not allow.
KV_DECLARE_EXCEPTION(EInvalidOperation, Exception)

// The class name of a C++ type without namespaces, e.g. "TObjectList<TPerson>".
QString ClassNameOf(const std::type_info& type);

// Root of the class tree. Objects whose construction calls virtual methods are made with
// kv::Create<T>(...), which runs AfterConstruction once the object is complete; they are
// destroyed with Free(), which runs BeforeDestruction while the object is still whole.
class TObject
{
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    virtual void AfterConstruction() {}
    virtual void BeforeDestruction() {}

    // The class name without namespace, e.g. "TKvDefaultGridItemProvider".
    QString ClassName() const;

    // BeforeDestruction, then delete.
    void Free();
};

namespace detail {
template <typename T, typename... Args>
T* Construct(Args&&... args);
}

// Constructs the objects that Create, MakeOwned and MakeIntf hand out. A class that must be
// made through them keeps its constructors protected and names this class a friend.
class TCreateAccess
{
public:
    // True when Create<T>(Args...) compiles.
    template <typename T, typename... Args>
    static constexpr bool CanCreate = requires(Args&&... args) { new T(std::forward<Args>(args)...); };

private:
    template <typename T, typename... Args>
    friend T* detail::Construct(Args&&... args);

    template <typename T, typename... Args>
    static T* New(Args&&... args)
    {
        return new T(std::forward<Args>(args)...);
    }
};

// Reference-counted objects (TInterfacedObject) declare this tag; they are made with
// MakeIntf, which hands back the first counted reference.
template <typename T>
concept CountedObject = requires { typename T::TCountedTag; };

namespace detail {
template <typename T, typename... Args>
T* Construct(Args&&... args)
{
    T* object = TCreateAccess::New<T>(std::forward<Args>(args)...);
    try {
        object->AfterConstruction();
        // A class may note what construction as a whole gave it (a control's bounds).
        if constexpr (requires { object->Constructed(); })
            object->Constructed();
    } catch (...) {
        delete object;
        throw;
    }
    return object;
}
} // namespace detail

template <typename T, typename... Args>
T* Create(Args&&... args)
{
    static_assert(!CountedObject<T>, "a reference-counted object is made with MakeIntf");
    return detail::Construct<T>(std::forward<Args>(args)...);
}

// Frees an object that may be null.
inline void FreeObject(TObject* object)
{
    if (object)
        object->Free();
}

template <typename T>
void FreeAndNil(T*& object)
{
    T* tmp = object;
    object = nullptr;
    FreeObject(tmp);
}

struct TFreeDeleter
{
    void operator()(TObject* object) const { FreeObject(object); }
};

// Sole ownership of a TObject, released through Free().
template <typename T>
using TOwned = std::unique_ptr<T, TFreeDeleter>;

template <typename T, typename... Args>
TOwned<T> MakeOwned(Args&&... args)
{
    return TOwned<T>(Create<T>(std::forward<Args>(args)...));
}

class TPersistent : public TObject
{
public:
    // Copies Source into this object; the default asks Source to AssignTo this object.
    virtual void Assign(const TPersistent* source);

    // The object that owns this one for streaming and name paths; nil by default.
    virtual TPersistent* GetOwner() const { return nullptr; }
    // "Owner path.ClassName" by default; components answer their name.
    virtual QString GetNamePath() const;

    // Declares unpublished values to the form filer (TFiler::DefineProperty); nothing by default.
    virtual void DefineProperties(TFiler& filer) {}

protected:
    // The default raises EConvertError "Cannot assign a X to a Y".
    virtual void AssignTo(TPersistent* dest) const;
    void AssignError(const TPersistent* source) const;
};

enum TComponentStateItem {
    csLoading,
    csReading,
    csWriting,
    csDestroying,
    csDesigning,
    csAncestor,
    csUpdating,
    csFixups,
    csFreeNotification,
    csInline,
    csDesignInstance
};
using TComponentState = TSet<TComponentStateItem>;

enum TOperation { opInsert, opRemove };

class TComponent;
class TComponentRefBase;
using TGetChildProc = std::function<void(TComponent*)>;

class TComponent : public TPersistent
{
protected:
    friend class TCreateAccess;
    explicit TComponent(TComponent* owner);

public:
    ~TComponent() override;

    void BeforeDestruction() override;

    TComponent* GetOwner() const override { return FOwner; }
    QString GetNamePath() const override { return FName; }
    const QString& GetName() const { return FName; }
    // Raises EComponentError for an invalid identifier or a name already used under the owner.
    virtual void SetName(const QString& name);
    // A number free for the application's use; published, default 0.
    std::intptr_t GetTag() const { return FTag; }
    void SetTag(std::intptr_t value) { FTag = value; }

    TComponentState GetComponentState() const { return FComponentState; }
    bool IsLoading() const { return FComponentState.Contains(csLoading); }
    bool IsDesigning() const { return FComponentState.Contains(csDesigning); }
    bool IsDestroying() const { return FComponentState.Contains(csDestroying); }
    void SetDesigning(bool value, bool setChildren = true);

    int GetComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* GetComponent(int index) const;
    int GetComponentIndex() const;
    TComponent* FindComponent(const QString& name) const;

    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    // Frees every owned component, last first.
    void DestroyComponents();

    // Both components are told (Notification opRemove) when the other is freed.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    // Streaming hooks.
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void GetChildren(const TGetChildProc& proc, TComponent* root) {}
    virtual void Loaded();
    // Called by the reader before the properties of a component with HasParent are read.
    virtual void SetParentComponent(TComponent* parent) {}
    // Owner of the components nested in this one in a form file; nil means the root.
    virtual TComponent* GetChildOwner() { return nullptr; }
    // Parent given to the components nested in this one in a form file.
    virtual TComponent* GetChildParent() { return this; }
    // Told the position of each nested component as the reader reads it.
    virtual void SetChildOrder(TComponent* child, int order) {}
    // Reads this component's properties and nested components (reader.ReadData).
    virtual void ReadState(TReader& reader);
    // Writes this component's properties and children (writer.WriteData).
    virtual void WriteState(TWriter& writer);

    // Loading state for readers: SetLoading(true) before reading properties, Loaded() after.
    void BeginLoading();

protected:
    // Told of insertion and removal of owned components and of freed peers; passes the
    // notice on to every owned component.
    virtual void Notification(TComponent* component, TOperation operation);
    // Called once when destruction starts, before anything is freed.
    virtual void Destroying();
    virtual void ValidateRename(TComponent* component, const QString& currentName, const QString& newName);

    void SetComponentState(TComponentStateItem item, bool on)
    {
        if (on)
            FComponentState.Include(item);
        else
            FComponentState.Exclude(item);
    }

private:
    friend class TReader;
    friend class TWriter;
    friend class TComponentRefBase;
    // Set by the reader around the creation of a component it reads: the next component
    // constructed starts in the loading state (and, for a designer's read, in design state),
    // so its construction can tell.
    static bool FCreatingForReader;
    static bool FDesigningForReader;

    void Insert(TComponent* component);
    void Remove(TComponent* component);
    void DropFreeNotify(TComponent* component);
    void NotifyFreeNotifies();
    // Clears every TComponentRef that points here.
    void ClearRefs();

    TComponent* FOwner = nullptr;
    QString FName;
    std::intptr_t FTag = 0;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    std::vector<TComponentRefBase*> FRefs;
    TComponentState FComponentState;
};

// Makes a TComponentRef tell its holder (Notification opRemove) when the component it points
// to is freed, as FreeNotification does; the reference still points there during the notice.
struct TNotifyHolder
{
    TComponent* Holder;
};

// The untyped part of TComponentRef: its entry in the list of the component it points to.
class TComponentRefBase
{
protected:
    TComponentRefBase() = default;
    explicit TComponentRefBase(TNotifyHolder holder) : FHolder(holder.Holder) {}
    ~TComponentRefBase() { Attach(nullptr, nullptr); }
    TComponentRefBase(const TComponentRefBase&) = delete;
    TComponentRefBase& operator=(const TComponentRefBase&) = delete;

    // Points at target (object is the same object as the derived type), or at nothing.
    void Attach(TComponent* target, void* object);
    void* Object() const { return FObject; }

private:
    friend class TComponent;
    TComponent* FTarget = nullptr;
    void* FObject = nullptr;
    TComponent* FHolder = nullptr;
};

// A borrowed component that clears itself when the component is freed: reads as T*, null
// after the freeing. Safe whoever goes first, the component, the holder or an owner of both;
// the holder need not be a component. Copies point at the same component but keep their own
// holder (a copy made by construction has none).
template <typename T>
class TComponentRef : private TComponentRefBase
{
public:
    TComponentRef() = default;
    explicit TComponentRef(TNotifyHolder holder) : TComponentRefBase(holder) {}
    explicit TComponentRef(T* value) { Set(value); }
    TComponentRef(const TComponentRef& other) : TComponentRefBase() { Set(other.Get()); }
    TComponentRef& operator=(const TComponentRef& other)
    {
        Set(other.Get());
        return *this;
    }
    TComponentRef& operator=(T* value)
    {
        Set(value);
        return *this;
    }
    TComponentRef& operator=(std::nullptr_t)
    {
        Attach(nullptr, nullptr);
        return *this;
    }

    T* Get() const { return static_cast<T*>(Object()); }
    operator T*() const { return Get(); }
    T* operator->() const { return Get(); }

    void Set(T* value)
    {
        static_assert(std::is_base_of_v<TComponent, T>, "TComponentRef points to components");
        Attach(value, value);
    }
};

// Stores value in a component reference; true when that changed it.
template <typename T>
bool ChangeReference(TComponentRef<T>& field, std::type_identity_t<T>* value)
{
    if (field.Get() == value)
        return false;
    field = value;
    return true;
}

// Stores value in field; true when that changed it.
template <typename T>
bool ChangeField(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

// True when name is a valid identifier (letter or underscore, then letters, digits, underscores).
bool IsValidIdent(const QString& name);

// True when no open designer's form holds a component of that name. The designer installs the
// check when its first form opens; without a designer every name is free.
using TGlobalNameCheck = bool (*)(const QString& name);
bool IsNameFreeInOpenDesigners(const QString& name);
void SetGlobalNameCheck(TGlobalNameCheck check);

} // namespace kv
