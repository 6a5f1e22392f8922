#include "platform/rtl/ClassRegistry.h"

#include <QtCore/QHash>

namespace kv {

namespace {

QHash<QString, const TClassInfo*>& Classes()
{
    static QHash<QString, const TClassInfo*> classes;
    return classes;
}

} // namespace

void RegisterClass(const TClassInfo& info)
{
    if (!info.IsPublished())
        throw EPropertyError(QStringLiteral("Class %1 is not published").arg(ClassNameOf(info.TypeId())));
    const QString key = info.Name().toLower();
    auto& classes = Classes();
    const TClassInfo* existing = classes.value(key, nullptr);
    if (existing == &info)
        return;
    if (existing)
        throw EFilerError(QStringLiteral("A class named %1 already exists").arg(info.Name()));
    classes.insert(key, &info);
}

void RegisterClasses(std::initializer_list<const TClassInfo*> classes)
{
    for (const TClassInfo* info : classes)
        if (info)
            RegisterClass(*info);
}

void UnRegisterClass(const TClassInfo& info)
{
    auto& classes = Classes();
    const QString key = info.Name().toLower();
    if (classes.value(key, nullptr) == &info)
        classes.remove(key);
}

const TClassInfo* GetClass(const QString& name)
{
    return Classes().value(name.toLower(), nullptr);
}

const TClassInfo& FindClass(const QString& name)
{
    const TClassInfo* info = GetClass(name);
    if (!info)
        throw EClassNotFound(QStringLiteral("Class %1 not found").arg(name));
    return *info;
}

TComponent* CreateComponentByName(const QString& className, TComponent* owner)
{
    return FindClass(className).CreateComponent(owner);
}

} // namespace kv
