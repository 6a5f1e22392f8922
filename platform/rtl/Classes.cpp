#include "platform/rtl/Classes.h"

#include "platform/rtl/Streaming.h"

#include <algorithm>
#include <cstdlib>
#include <cxxabi.h>
#include <typeinfo>

namespace kv {

QString ClassNameOf(const std::type_info& type)
{
    const char* mangled = type.name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    QString full = QString::fromUtf8(status == 0 && demangled ? demangled : mangled);
    std::free(demangled);
    full.remove(QLatin1String("(anonymous namespace)::"));
    // Drop every namespace qualifier, also inside template arguments.
    QString name;
    name.reserve(full.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i < full.size(); ++i) {
        const QChar c = full.at(i);
        if (c == QLatin1Char(':') && i + 1 < full.size() && full.at(i + 1) == QLatin1Char(':')) {
            start = i + 2;
            ++i;
            continue;
        }
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_'))) {
            name += full.mid(start, i - start + 1);
            start = i + 1;
        }
    }
    name += full.mid(start);
    return name;
}

QString TObject::ClassName() const
{
    return ClassNameOf(typeid(*this));
}

void TObject::Free()
{
    BeforeDestruction();
    delete this;
}

// --- TPersistent --------------------------------------------------------------------------

void TPersistent::Assign(const TPersistent* source)
{
    if (source) {
        source->AssignTo(this);
        return;
    }
    AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) const
{
    dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* source) const
{
    const QString sourceName = source ? source->ClassName() : QStringLiteral("nil");
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2").arg(sourceName, ClassName()));
}

QString TPersistent::GetNamePath() const
{
    QString result = ClassName();
    if (const TPersistent* owner = GetOwner()) {
        const QString path = owner->GetNamePath();
        if (!path.isEmpty())
            result = path + QLatin1Char('.') + result;
    }
    return result;
}

// --- TComponent ---------------------------------------------------------------------------

namespace {
TGlobalNameCheck gGlobalNameCheck = nullptr;
} // namespace

bool IsNameFreeInOpenDesigners(const QString& name)
{
    return !gGlobalNameCheck || gGlobalNameCheck(name);
}

void SetGlobalNameCheck(TGlobalNameCheck check)
{
    gGlobalNameCheck = check;
}

bool IsValidIdent(const QString& name)
{
    if (name.isEmpty())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        const bool letter = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                            (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || c == QLatin1Char('_');
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!(letter || (i > 0 && digit)))
            return false;
    }
    return true;
}

bool TComponent::FCreatingForReader = false;
bool TComponent::FDesigningForReader = false;

TComponent::TComponent(TComponent* owner)
{
    if (FCreatingForReader) {
        FCreatingForReader = false;
        FComponentState.Include(csLoading);
        FComponentState.Include(csReading);
        if (FDesigningForReader)
            FComponentState.Include(csDesigning);
    }
    if (owner)
        owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    // Also reached by a plain delete: the state must still say we are going, and peers and
    // owner must still let go.
    FComponentState.Include(csDestroying);
    NotifyFreeNotifies();
    ClearRefs();
    DestroyComponents();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

void TComponent::BeforeDestruction()
{
    if (!IsDestroying())
        Destroying();
    // Peers and the owner hear of the freeing while the whole object can still be seen
    // (its class, its virtual methods).
    NotifyFreeNotifies();
    if (FOwner)
        FOwner->RemoveComponent(this);
    // References clear last: whoever was told above still finds them pointing here.
    ClearRefs();
}

void TComponent::NotifyFreeNotifies()
{
    while (!FFreeNotifies.empty()) {
        TComponent* peer = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        peer->DropFreeNotify(this);
        peer->Notification(this, opRemove);
    }
}

void TComponent::ClearRefs()
{
    // Clearing calls nothing, so the list cannot change meanwhile.
    for (TComponentRefBase* ref : FRefs) {
        ref->FTarget = nullptr;
        ref->FObject = nullptr;
    }
    FRefs.clear();
}

void TComponent::Destroying()
{
    if (IsDestroying())
        return;
    FComponentState.Include(csDestroying);
    for (TComponent* c : FComponents)
        c->Destroying();
}

void TComponent::SetName(const QString& name)
{
    if (name == FName)
        return;
    if (!name.isEmpty() && !IsValidIdent(name))
        throw EComponentError(QStringLiteral("'%1' is not a valid component name").arg(name));
    if (FOwner)
        FOwner->ValidateRename(this, FName, name);
    else
        ValidateRename(nullptr, FName, name);
    FName = name;
}

void TComponent::ValidateRename(TComponent* component, const QString& currentName, const QString& newName)
{
    if (component && newName.compare(currentName, Qt::CaseInsensitive) != 0 && !newName.isEmpty()) {
        TComponent* existing = FindComponent(newName);
        if (existing && existing != component)
            throw EComponentError(QStringLiteral("A component named %1 already exists").arg(newName));
    }
}

void TComponent::SetDesigning(bool value, bool setChildren)
{
    SetComponentState(csDesigning, value);
    if (setChildren)
        for (TComponent* c : FComponents)
            c->SetDesigning(value, true);
}

TComponent* TComponent::GetComponent(int index) const
{
    if (index < 0 || index >= GetComponentCount())
        RaiseListIndexError(index, GetComponentCount());
    return FComponents[static_cast<size_t>(index)];
}

int TComponent::GetComponentIndex() const
{
    if (!FOwner)
        return -1;
    const auto& list = FOwner->FComponents;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const QString& name) const
{
    if (name.isEmpty())
        return nullptr;
    for (TComponent* c : FComponents)
        if (c->FName.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component)
{
    if (!component)
        throw EArgumentNilException(QStringLiteral("component"));
    if (component->FOwner == this)
        return;
    ValidateRename(component, QString(), component->FName);
    if (component->FOwner)
        component->FOwner->RemoveComponent(component);
    Insert(component);
    if (IsDesigning())
        component->SetDesigning(true);
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    if (!component || component->FOwner != this)
        return;
    Notification(component, opRemove);
    Remove(component);
}

void TComponent::Insert(TComponent* component)
{
    FComponents.push_back(component);
    component->FOwner = this;
}

void TComponent::Remove(TComponent* component)
{
    const auto it = std::find(FComponents.begin(), FComponents.end(), component);
    if (it != FComponents.end())
        FComponents.erase(it);
    component->FOwner = nullptr;
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        Remove(c);
        c->Free();
    }
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove && component)
        RemoveFreeNotification(component);
    // Owned components may free others while told; walk by index from the end.
    for (size_t i = FComponents.size(); i-- > 0;) {
        if (i >= FComponents.size())
            continue;
        FComponents[i]->Notification(component, operation);
    }
}

void TComponent::FreeNotification(TComponent* component)
{
    if (!component || component == this)
        return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end()) {
        FFreeNotifies.push_back(component);
        component->FreeNotification(this);
    }
    FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    if (!component)
        return;
    DropFreeNotify(component);
    component->DropFreeNotify(this);
}

void TComponent::DropFreeNotify(TComponent* component)
{
    const auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component);
    if (it != FFreeNotifies.end())
        FFreeNotifies.erase(it);
}

// --- TComponentRefBase ---------------------------------------------------------------------

void TComponentRefBase::Attach(TComponent* target, void* object)
{
    if (target == FTarget)
        return;
    if (TComponent* old = FTarget) {
        std::erase(old->FRefs, this);
        FTarget = nullptr;
        FObject = nullptr;
        // The holder stops hearing of old unless another of its references still points there.
        if (FHolder && std::none_of(old->FRefs.begin(), old->FRefs.end(),
                                    [this](const TComponentRefBase* r) { return r->FHolder == FHolder; }))
            old->RemoveFreeNotification(FHolder);
    }
    if (target) {
        target->FRefs.push_back(this);
        FTarget = target;
        FObject = object;
        if (FHolder)
            target->FreeNotification(FHolder);
    }
}

void TComponent::BeginLoading()
{
    FComponentState.Include(csLoading);
    FComponentState.Include(csReading);
}

void TComponent::Loaded()
{
    FComponentState.Exclude(csLoading);
    FComponentState.Exclude(csReading);
}

void TComponent::ReadState(TReader& reader)
{
    reader.ReadData(this);
}

void TComponent::WriteState(TWriter& writer)
{
    writer.WriteData(this);
}

} // namespace kv
