// The class registry: classes that form files may name, found by their published name.
#pragma once

#include "platform/rtl/TypInfo.h"

#include <initializer_list>

namespace kv {

KV_DECLARE_EXCEPTION(EFilerError, Exception)
KV_DECLARE_EXCEPTION(EClassNotFound, EFilerError)

// Registers a published class; registering it again does nothing. Raises EFilerError
// "A class named X already exists" when another class has the same name, and
// EPropertyError when the class is not published.
void RegisterClass(const TClassInfo& info);
void RegisterClasses(std::initializer_list<const TClassInfo*> classes);
template <typename... T>
void RegisterClasses()
{
    (RegisterClass(ClassInfo<T>()), ...);
}
void UnRegisterClass(const TClassInfo& info);

// Case-insensitive. FindClass raises EClassNotFound "Class X not found"; GetClass answers nil.
const TClassInfo& FindClass(const QString& name);
const TClassInfo* GetClass(const QString& name);

// A new component of the registered class `className`, made by two-phase creation
// (constructor, then AfterConstruction) with the given owner. Raises EClassNotFound, or
// EPropertyError when the class is not a component class that can be created.
TComponent* CreateComponentByName(const QString& className, TComponent* owner);

} // namespace kv
