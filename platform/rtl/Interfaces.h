// Reference-counted interfaces: an intrusive count (AddRef/Release) and IntfPtr<T>.
// Interfaces derive virtually from IInterface; TInterfacedObject counts and frees itself
// at zero; components implement interfaces without counting (their owner frees them).
#pragma once

#include "platform/rtl/Classes.h"

#include <utility>

namespace kv {

class IInterface
{
public:
    virtual int AddRef() = 0;
    virtual int Release() = 0;

protected:
    virtual ~IInterface() = default;
};

class TInterfacedObject : public TObject, public virtual IInterface
{
public:
    using TCountedTag = void;

    int AddRef() override { return ++FRefCount; }
    int Release() override
    {
        const int count = --FRefCount;
        if (count == 0) {
            // References taken and dropped while the object is being freed must not free it again.
            FRefCount = kFreeing;
            Free();
        }
        return count;
    }
    int RefCount() const { return FRefCount; }

private:
    static constexpr int kFreeing = 1 << 30;
    int FRefCount = 0;
};

// An interface implemented by a component: no counting.
class TNoRefCount : public virtual IInterface
{
public:
    int AddRef() override { return -1; }
    int Release() override { return -1; }
};

template <typename T>
class IntfPtr
{
public:
    IntfPtr() = default;
    IntfPtr(std::nullptr_t) {}
    // Adopts a raw pointer only when asked: a count that starts at zero would otherwise free
    // the object at the end of any call that takes an IntfPtr.
    explicit IntfPtr(T* p) : FPtr(p) { Acquire(); }
    IntfPtr(const IntfPtr& other) : FPtr(other.FPtr) { Acquire(); }
    IntfPtr(IntfPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
    template <typename U, typename = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    IntfPtr(const IntfPtr<U>& other) : FPtr(other.get())
    {
        Acquire();
    }
    ~IntfPtr() { ReleasePtr(); }

    IntfPtr& operator=(const IntfPtr& other)
    {
        IntfPtr(other).swap(*this);
        return *this;
    }
    IntfPtr& operator=(IntfPtr&& other) noexcept
    {
        IntfPtr(std::move(other)).swap(*this);
        return *this;
    }
    IntfPtr& operator=(std::nullptr_t)
    {
        ReleasePtr();
        return *this;
    }

    T* get() const { return FPtr; }
    T* operator->() const { return FPtr; }
    T& operator*() const { return *FPtr; }
    explicit operator bool() const { return FPtr != nullptr; }
    void swap(IntfPtr& other) noexcept { std::swap(FPtr, other.FPtr); }

    friend bool operator==(const IntfPtr& a, const IntfPtr& b) { return a.FPtr == b.FPtr; }
    friend bool operator==(const IntfPtr& a, std::nullptr_t) { return a.FPtr == nullptr; }

private:
    void Acquire()
    {
        if (FPtr)
            FPtr->AddRef();
    }
    void ReleasePtr()
    {
        if (T* p = std::exchange(FPtr, nullptr))
            p->Release();
    }
    T* FPtr = nullptr;
};

// The one way to make a reference-counted object: constructs it, runs AfterConstruction and
// hands back the first reference. Queries take the raw pointer (p.get()).
template <typename T, typename... Args>
IntfPtr<T> MakeIntf(Args&&... args)
{
    static_assert(CountedObject<T>, "MakeIntf makes reference-counted objects");
    return IntfPtr<T>(detail::Construct<T>(std::forward<Args>(args)...));
}

// The interface U of an object when it implements it, else null.
template <typename U, typename T>
IntfPtr<U> Supports(const IntfPtr<T>& p)
{
    return IntfPtr<U>(dynamic_cast<U*>(p.get()));
}

} // namespace kv
