// Sections: selections · open designers and notifications · menu items and component editors
// · property editors (base and standard kinds) · choosing editors and enumerating properties
// · registrations.
//
// Call flow: the object inspector asks GetComponentProperties for the selection's properties;
// each gets the editor registered for its type, class and name (the nearest registration wins,
// a later one on a tie), else a standard editor by kind. An editor writes through SetPropValue
// to every selected object and tells the designer (Modified), which notifies the open
// designers. GetComponentEditor answers the registered component editor, whose verbs the
// designer shows.
#include "platform/design/DesignIntf.h"

#include "platform/design/DesignDialogs.h"
#include "platform/design/DesignForms.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Collections.h"

#include <algorithm>
#include <tuple>

namespace kv {

// ---- selections ---------------------------------------------------------------------------

int TDesignerSelections::Add(TPersistent* item)
{
    if (!item)
        return -1;
    const int index = IndexOf(item);
    if (index >= 0)
        return index;
    FItems.push_back(item);
    return Count() - 1;
}

TPersistent* TDesignerSelections::Get(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FItems[static_cast<size_t>(index)];
}

int TDesignerSelections::IndexOf(const TPersistent* item) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TDesignerSelections::Remove(const TPersistent* item)
{
    FItems.erase(std::remove(FItems.begin(), FItems.end(), item), FItems.end());
}

// ---- open designers and notifications -----------------------------------------------------

namespace {

std::vector<IntfPtr<IDesignNotification>>& Notifications()
{
    static std::vector<IntfPtr<IDesignNotification>> list;
    return list;
}

std::vector<IDesigner*>& Designers()
{
    static std::vector<IDesigner*> list;
    return list;
}

void CollectComponents(TComponent* owner, std::vector<TComponent*>& out)
{
    for (int i = 0; i < owner->GetComponentCount(); ++i) {
        TComponent* c = owner->GetComponent(i);
        out.push_back(c);
        CollectComponents(c, out);
    }
}

} // namespace

std::vector<TComponent*> GetFormComponents(const IDesigner* designer)
{
    std::vector<TComponent*> out;
    if (designer && designer->GetRoot())
        CollectComponents(designer->GetRoot(), out);
    return out;
}

void RegisterDesignNotification(const IntfPtr<IDesignNotification>& notification)
{
    auto& list = Notifications();
    if (notification && std::find(list.begin(), list.end(), notification) == list.end())
        list.push_back(notification);
}

void UnregisterDesignNotification(const IntfPtr<IDesignNotification>& notification)
{
    auto& list = Notifications();
    const auto it = std::find(list.begin(), list.end(), notification);
    if (it == list.end())
        return;
    // Keep the object alive until the erase is done: the list may hold its last reference.
    IntfPtr<IDesignNotification> keep = *it;
    list.erase(it);
}

int GetDesignNotificationCount()
{
    return static_cast<int>(Notifications().size());
}

void ForEachDesignNotification(const std::function<void(IDesignNotification*)>& proc)
{
    // A copy: a notification may unregister itself (or another) while being told.
    const auto snapshot = Notifications();
    for (const auto& n : snapshot) {
        const auto& list = Notifications();
        if (std::find(list.begin(), list.end(), n) != list.end())
            proc(n.get());
    }
}

void AddOpenDesigner(IDesigner* designer)
{
    auto& list = Designers();
    if (designer && std::find(list.begin(), list.end(), designer) == list.end())
        list.push_back(designer);
    SetGlobalNameCheck(&IsUniqueGlobalComponentName);
}

void RemoveOpenDesigner(IDesigner* designer)
{
    auto& list = Designers();
    list.erase(std::remove(list.begin(), list.end(), designer), list.end());
}

std::vector<IDesigner*> GetOpenDesigners()
{
    return Designers();
}

bool IsUniqueGlobalComponentName(const QString& name)
{
    for (IDesigner* designer : Designers()) {
        TComponent* root = designer->GetRoot();
        if (!root)
            continue;
        if (root->GetName().compare(name, Qt::CaseInsensitive) == 0)
            return false;
        for (TComponent* c : GetFormComponents(designer))
            if (c->GetName().compare(name, Qt::CaseInsensitive) == 0)
                return false;
    }
    return true;
}

// ---- menu items and component editors -----------------------------------------------------

TDesignMenuItem* TDesignMenuItem::AddItem(const QString& caption, std::function<void(TObject* sender)> onClick)
{
    auto item = MakeOwned<TDesignMenuItem>(caption);
    item->OnClick = std::move(onClick);
    FItems.push_back(std::move(item));
    return FItems.back().get();
}

TDesignMenuItem* TDesignMenuItem::GetItem(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FItems[static_cast<size_t>(index)].get();
}

bool TDesignMenuItem::Click()
{
    if (!OnClick)
        return false;
    // The handler may rebuild the menu that holds this item: call a copy.
    auto handler = OnClick;
    handler(this);
    return true;
}

void TComponentEditor::Edit()
{
    if (GetVerbCount() > 0)
        ExecuteVerb(0);
}

std::vector<TOwned<TDesignMenuItem>> BuildVerbMenu(TComponentEditor* editor)
{
    std::vector<TOwned<TDesignMenuItem>> items;
    if (!editor)
        return items;
    const int count = editor->GetVerbCount();
    for (int i = 0; i < count; ++i) {
        auto item = MakeOwned<TDesignMenuItem>(editor->GetVerb(i));
        if (!item->IsLine())
            item->OnClick = [editor, i](TObject*) { editor->ExecuteVerb(i); };
        editor->PrepareItem(i, item.get());
        items.push_back(std::move(item));
    }
    return items;
}

// ---- property editors ---------------------------------------------------------------------

TPropertyEditor::TPropertyEditor(IDesigner* designer, int propCount)
    : FDesigner(designer), FProps(static_cast<size_t>(std::max(propCount, 0)))
{
}

void TPropertyEditor::SetPropEntry(int index, TPersistent* instance, const TPropInfo* propInfo)
{
    if (index < 0 || index >= GetPropCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    FProps[static_cast<size_t>(index)] = {instance, propInfo};
}

TPersistent* TPropertyEditor::GetComponent(int index) const
{
    if (index < 0 || index >= GetPropCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FProps[static_cast<size_t>(index)].Instance;
}

const TPropInfo* TPropertyEditor::GetPropInfo() const
{
    return FProps.empty() ? nullptr : FProps.front().PropInfo;
}

QString TPropertyEditor::GetName()
{
    const TPropInfo* info = GetPropInfo();
    return info ? info->Name : QString();
}

Variant TPropertyEditor::GetVarValue() const
{
    if (FProps.empty() || !FProps.front().Instance)
        return Variant();
    return GetPropValue(FProps.front().Instance, *FProps.front().PropInfo);
}

void TPropertyEditor::SetVarValue(const Variant& value)
{
    for (const TInstProp& p : FProps)
        CheckPropMinimum(*p.PropInfo, value);
    for (const TInstProp& p : FProps)
        SetPropValue(p.Instance, *p.PropInfo, value);
    Modified();
}

TObject* TPropertyEditor::GetObjectValue(int index) const
{
    const TPersistent* instance = GetComponent(index);
    const TPropInfo* info = FProps[static_cast<size_t>(index)].PropInfo;
    return instance && info->IsObjectKind() ? GetObjectProp(instance, *info) : nullptr;
}

void TPropertyEditor::SetObjectValue(TObject* value)
{
    for (const TInstProp& p : FProps)
        SetObjectProp(p.Instance, *p.PropInfo, value);
    Modified();
}

void TPropertyEditor::Modified()
{
    if (FDesigner)
        FDesigner->Modified();
}

bool TPropertyEditor::AllEqual()
{
    if (GetPropCount() < 2)
        return true;
    const Variant first = GetRawValue(FProps.front().Instance, *FProps.front().PropInfo);
    for (size_t i = 1; i < FProps.size(); ++i)
        if (!(GetRawValue(FProps[i].Instance, *FProps[i].PropInfo) == first))
            return false;
    return true;
}

QString TPropertyEditor::GetValue()
{
    const Variant v = GetVarValue();
    return v.IsClear() ? QString() : v.ToString();
}

void TPropertyEditor::SetValue(const QString& value)
{
    SetVarValue(Variant(value));
}

void TEnumProperty::GetValues(const TGetStrProc& proc)
{
    const TPropInfo* info = GetPropInfo();
    if (info->Kind == pkBoolean) {
        proc(QStringLiteral("False"));
        proc(QStringLiteral("True"));
        return;
    }
    if (info->EnumType)
        for (const QString& name : info->EnumType->Names())
            proc(name);
}

QString TSetProperty::GetValue()
{
    return QLatin1Char('[') + TPropertyEditor::GetValue() + QLatin1Char(']');
}

void TClassProperty::GetProperties(const TGetPropProc& proc)
{
    TDesignerSelections objects;
    for (int i = 0; i < GetPropCount(); ++i)
        if (auto* p = dynamic_cast<TPersistent*>(GetObjectValue(i)))
            objects.Add(p);
    if (objects.Count() > 0)
        GetComponentProperties(objects, tkProperties, FDesigner, proc);
}

QString TClassProperty::GetValue()
{
    TObject* value = GetObjectValue();
    return value ? QStringLiteral("(%1)").arg(value->ClassName()) : QString();
}

QString TComponentProperty::GetValue()
{
    auto* c = dynamic_cast<TComponent*>(GetObjectValue());
    return c ? c->GetName() : QString();
}

void TComponentProperty::GetValues(const TGetStrProc& proc)
{
    const TClassInfo* type = GetPropInfo()->ClassType;
    for (TComponent* c : GetFormComponents(FDesigner))
        if (!c->GetName().isEmpty() && (!type || type->IsInstance(c)))
            proc(c->GetName());
}

void TComponentProperty::SetValue(const QString& value)
{
    TComponent* found = nullptr;
    if (!value.isEmpty()) {
        for (TComponent* c : GetFormComponents(FDesigner))
            if (c->GetName().compare(value, Qt::CaseInsensitive) == 0)
                found = c;
        if (!found)
            throw EPropertyError(QStringLiteral("Invalid property value"));
    }
    SetObjectValue(found);
}

QString TColorProperty::GetValue()
{
    const Variant v = GetVarValue();
    if (!v.IsInteger() || v.AsInt() < 0 || v.AsInt() > 0xFFFFFF)
        return TIntegerProperty::GetValue();
    const int bgr = static_cast<int>(v.AsInt());
    return QStringLiteral("#%1%2%3")
        .arg(bgr & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((bgr >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((bgr >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

void TColorProperty::SetValue(const QString& value)
{
    std::uint32_t argb = 0;
    if (ColorFromText(value, argb)) {
        if ((argb >> 24) != 0xFF)
            throw EPropertyError(QStringLiteral("'%1' is not opaque: %2 takes opaque colours only")
                                     .arg(value.trimmed(), GetName()));
        const int bgr = int(((argb >> 16) & 0xFF) | (argb & 0xFF00) | ((argb & 0xFF) << 16));
        SetVarValue(Variant(bgr));
        return;
    }
    try {
        TIntegerProperty::SetValue(value);
    } catch (const EPropertyConvertError&) {
        throw EPropertyError(QStringLiteral("'%1' is not a valid colour for %2: type a colour name, #RRGGBB or a number")
                                 .arg(value.trimmed(), GetName()));
    }
}

void TComponentNameProperty::SetValue(const QString& value)
{
    if (value.trimmed().isEmpty()) {
        auto* component = dynamic_cast<TComponent*>(GetComponent(0));
        throw EPropertyError(QStringLiteral("A component needs a name: the name of %1 cannot be empty")
                                 .arg(component ? component->GetName() : QString()));
    }
    TStringProperty::SetValue(value);
}

QString TStringListProperty::GetValue()
{
    return detail::RawToStringList(*GetPropInfo(), GetVarValue()).join(QLatin1Char('\n'));
}

void TStringListProperty::SetValue(const QString& value)
{
    SetVarValue(Variant(value));
}

void TStringListProperty::Edit()
{
    TDesignWindow window(QStringLiteral("String List Editor"), fkDialog);
    TDesignMemo* memo = window.Add<TDesignMemo>();
    memo->SetName(QStringLiteral("Lines"));
    memo->SetLines(detail::RawToStringList(*GetPropInfo(), GetVarValue()));
    TDesignButton* ok = window.Add<TDesignButton>(QStringLiteral("OK"));
    TDesignButton* cancel = window.Add<TDesignButton>(QStringLiteral("Cancel"));
    ok->SetModalResult(mrOk);
    cancel->SetModalResult(mrCancel);
    TDesignContainer* body = window.Body();
    body->Place(memo, 0, 0, 1, 3);
    body->Place(ok, 1, 1);
    body->Place(cancel, 1, 2);
    body->SetRowStretch(0, 1);
    body->SetColumnStretch(0, 1);
    window.SetClientSize(360, 240);
    memo->SetFocus();
    if (window.ShowModal() == mrOk)
        SetVarValue(detail::StringListToRaw(memo->GetLines()));
}

void TCollectionProperty::Edit()
{
    auto* collection = dynamic_cast<TCollection*>(GetObjectValue());
    auto* owner = dynamic_cast<TComponent*>(GetComponent(0));
    ShowCollectionEditor(FDesigner, owner, collection, GetName());
}

void ShowCollectionEditor(IDesigner* designer, TComponent* owner, TCollection* collection,
                          const QString& propertyName)
{
    if (designer && collection)
        designer->EditCollection(owner, collection, propertyName);
}

// ---- choosing editors and enumerating properties ------------------------------------------

namespace {

// Steps from cls up to ancestor; -1 when cls does not descend from it.
int Distance(const TClassInfo* cls, const TClassInfo* ancestor)
{
    int steps = 0;
    for (const TClassInfo* c = cls; c; c = c->Parent(), ++steps)
        if (c == ancestor)
            return steps;
    return -1;
}

TPropertyEditorClass StandardEditor(const TPropInfo& prop)
{
    switch (prop.Kind) {
    case pkInteger:
        if (prop.Name.endsWith(QLatin1String("Color")))
            return PropertyEditorClass<TColorProperty>();
        return PropertyEditorClass<TIntegerProperty>();
    case pkFloat:
        return PropertyEditorClass<TFloatProperty>();
    case pkBoolean:
    case pkEnumeration:
        return PropertyEditorClass<TEnumProperty>();
    case pkSet:
        return PropertyEditorClass<TSetProperty>();
    case pkString:
        return PropertyEditorClass<TStringProperty>();
    case pkVariant:
        return PropertyEditorClass<TVariantProperty>();
    case pkObject:
        return PropertyEditorClass<TClassProperty>();
    case pkComponent:
        return PropertyEditorClass<TComponentProperty>();
    case pkCollection:
        return PropertyEditorClass<TCollectionProperty>();
    case pkMethod:
        return PropertyEditorClass<TMethodProperty>();
    case pkStringList:
        return PropertyEditorClass<TStringListProperty>();
    }
    return PropertyEditorClass<TPropertyEditor>();
}

bool IsComponentName(const TPropInfo& prop, const TPersistent* instance)
{
    return prop.Kind == pkString && prop.Name.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0 &&
           dynamic_cast<const TComponent*>(instance) != nullptr;
}

bool SameProperty(const TPropInfo& a, const TPropInfo& b)
{
    return a.Kind == b.Kind && a.EnumType == b.EnumType && a.ClassType == b.ClassType;
}

} // namespace

TPropertyEditorClass GetEditorClass(const TPropInfo& prop, const TPersistent* instance)
{
    const TClassInfo* instanceClass = GetClassInfo(instance);
    const TPropertyEditorEntry* best = nullptr;
    std::tuple<int, int, int> bestRank;
    for (const TPropertyEditorEntry& e : TDesignRegistry::Instance().GetPropertyEditors()) {
        int typeDistance = -1;
        if (e.PropertyType == prop.EnumType && prop.EnumType)
            typeDistance = 0;
        else if (prop.ClassType && e.PropertyType && e.PropertyType->Kind() == tkClass)
            typeDistance = Distance(prop.ClassType, static_cast<const TClassInfo*>(e.PropertyType));
        else if (!e.PropertyType && !e.PropertyName.isEmpty())
            typeDistance = 0; // a property named on its class, whatever its type
        if (typeDistance < 0)
            continue;
        int classDistance = 1000;
        if (e.ComponentClass) {
            classDistance = Distance(instanceClass, e.ComponentClass);
            if (classDistance < 0)
                continue;
        }
        if (!e.PropertyName.isEmpty() && e.PropertyName.compare(prop.Name, Qt::CaseInsensitive) != 0)
            continue;
        // Smaller is better; ties go to the later registration.
        const std::tuple<int, int, int> rank{e.PropertyName.isEmpty() ? 1 : 0, typeDistance, classDistance};
        if (!best || rank <= bestRank) {
            best = &e;
            bestRank = rank;
        }
    }
    if (best)
        return best->Editor;
    if (IsComponentName(prop, instance))
        return PropertyEditorClass<TComponentNameProperty>();
    return StandardEditor(prop);
}

void GetComponentProperties(const TDesignerSelections& components, TPropKinds filter, IDesigner* designer,
                            const TGetPropProc& proc, const TPropertyEditorFilterFunc& filterFunc)
{
    if (components.Count() == 0 || !proc)
        return;
    const TClassInfo* firstClass = GetClassInfo(components[0]);
    if (!firstClass)
        return;
    for (const TPropInfo* prop : firstClass->Properties()) {
        if (prop->Indexed || !filter.Contains(prop->Kind))
            continue;
        if (components.Count() > 1 && IsComponentName(*prop, components[0]))
            continue;
        std::vector<const TPropInfo*> props{prop};
        bool common = true;
        for (int i = 1; i < components.Count() && common; ++i) {
            const TPropInfo* other = FindPropInfo(components[i], prop->Name);
            common = other && SameProperty(*prop, *other);
            props.push_back(other);
        }
        if (!common)
            continue;
        const TPropertyEditorClass editorClass = GetEditorClass(*prop, components[0]);
        IntfPtr<TPropertyEditor> editor = editorClass.Make(designer, components.Count());
        for (int i = 0; i < components.Count(); ++i)
            editor->SetPropEntry(i, components[i], props[static_cast<size_t>(i)]);
        IntfPtr<IProperty> asProperty(editor.get());
        if (filterFunc && !filterFunc(asProperty))
            continue;
        proc(asProperty);
    }
}

// ---- registrations ------------------------------------------------------------------------

TDesignRegistry& TDesignRegistry::Instance()
{
    static TDesignRegistry registry;
    return registry;
}

QStringList TDesignRegistry::Names(const std::vector<const TClassInfo*>& classes)
{
    QStringList names;
    for (const TClassInfo* c : classes)
        names << (c->IsPublished() ? c->Name() : ClassNameOf(c->TypeId()));
    return names;
}

bool TDesignRegistry::IsNoIcon(const TClassInfo& cls) const
{
    return std::find(FNoIcon.begin(), FNoIcon.end(), &cls) != FNoIcon.end();
}

void TDesignRegistry::Clear()
{
    FClasses.clear();
    FNoIcon.clear();
    FPalette.clear();
    FComponentEditors.clear();
    FPropertyEditors.clear();
}

struct TDesignRegistryAccess
{
    static TDesignRegistry& R() { return TDesignRegistry::Instance(); }
    static auto& Classes() { return R().FClasses; }
    static auto& NoIcon() { return R().FNoIcon; }
    static auto& Palette() { return R().FPalette; }
    static auto& ComponentEditors() { return R().FComponentEditors; }
    static auto& PropertyEditors() { return R().FPropertyEditors; }
};

namespace DesignIntf {

void RegisterClasses(std::initializer_list<const TClassInfo*> classes)
{
    for (const TClassInfo* c : classes) {
        RegisterClass(*c);
        TDesignRegistryAccess::Classes().push_back(c);
    }
}

void RegisterNoIcon(std::initializer_list<const TClassInfo*> classes)
{
    for (const TClassInfo* c : classes)
        TDesignRegistryAccess::NoIcon().push_back(c);
}

void RegisterComponents(const QString& page, std::initializer_list<const TClassInfo*> classes)
{
    for (const TClassInfo* c : classes) {
        RegisterClass(*c);
        TDesignRegistryAccess::Palette().push_back({page, c});
    }
}

void RegisterComponentEditor(const TClassInfo& componentClass, const TComponentEditorClass& editor)
{
    TDesignRegistryAccess::ComponentEditors().push_back({&componentClass, editor});
}

void RegisterPropertyEditor(const TTypeInfo* propertyType, const TClassInfo* componentClass,
                            const QString& propertyName, const TPropertyEditorClass& editor)
{
    TDesignRegistryAccess::PropertyEditors().push_back({propertyType, componentClass, propertyName, editor});
}

} // namespace DesignIntf

TOwned<TComponentEditor> GetComponentEditor(TComponent* component, IDesigner* designer)
{
    const TClassInfo* cls = GetClassInfo(component);
    const TComponentEditorEntry* best = nullptr;
    int bestDistance = 0;
    for (const TComponentEditorEntry& e : TDesignRegistry::Instance().GetComponentEditors()) {
        const int d = Distance(cls, e.ComponentClass);
        if (d >= 0 && (!best || d <= bestDistance)) {
            best = &e;
            bestDistance = d;
        }
    }
    if (best)
        return TOwned<TComponentEditor>(best->Editor.Make(component, designer));
    return MakeOwned<TComponentEditor>(component, designer);
}

QString PaletteBitmapName(const TClassInfo& cls)
{
    return TDesignRegistry::Names({&cls}).front().toUpper();
}

void UnregisterDesignPackage()
{
    TDesignRegistry::Instance().Clear();
}

} // namespace kv
