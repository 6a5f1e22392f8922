// The form designer's interfaces: designers, selections and notifications, component editors
// with verbs, property editors, the registrations that bind them, and the collection editor.
//
// Contract:
// - IDesigner is the designer of one form (its root component). Editors borrow it; it
//   outlives every editor it hands out. Modified() reports a change of the form; the
//   selection never holds a freed component; SelectComponent(nil) clears it.
// - TDesignerSelections is a plain list of borrowed objects (components, or persistent
//   sub-objects such as style sets); it owns nothing.
// - IDesignNotification objects are reference counted; RegisterDesignNotification keeps a
//   reference until UnregisterDesignNotification. Every designer tells every registered
//   notification of its opening, closing, inserted and deleted components, modifications and
//   selection changes, in registration order; a notification may unregister itself meanwhile.
// - Component editors are made per use (GetComponentEditor) for one component and designer;
//   the caller owns them. Verbs are numbered 0 .. GetVerbCount() - 1; PrepareItem may turn the
//   verb's menu item into a submenu.
// - Property editors are reference-counted (IntfPtr<IProperty>); each edits one property of
//   one or more selected objects (GetComponent(0 .. GetPropCount() - 1)). GetComponentProperties
//   enumerates the published properties common to a selection, each through the editor that
//   the registrations choose; a filter function answers true to admit a property.
// - Registrations live in one process-wide design registry, kept in call order so that what
//   a package registered can be listed; UnregisterDesignPackage clears it.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/Interfaces.h"
#include "platform/rtl/Sets.h"
#include "platform/rtl/TypInfo.h"

#include <QtCore/QStringList>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

class QWidget;

namespace kv {

class TCollection;
class IDesigner;

// ---- selections ---------------------------------------------------------------------------

// A list of selected objects (borrowed).
class TDesignerSelections
{
public:
    TDesignerSelections() = default;
    TDesignerSelections(std::initializer_list<TPersistent*> items) : FItems(items) {}

    // Nil and duplicates are ignored; answers the object's index.
    int Add(TPersistent* item);
    int Count() const { return static_cast<int>(FItems.size()); }
    TPersistent* Get(int index) const;
    TPersistent* operator[](int index) const { return Get(index); }
    int IndexOf(const TPersistent* item) const;
    bool Contains(const TPersistent* item) const { return IndexOf(item) >= 0; }
    void Remove(const TPersistent* item);
    void Clear() { FItems.clear(); }
    bool Equals(const TDesignerSelections& other) const { return FItems == other.FItems; }

private:
    std::vector<TPersistent*> FItems;
};

// ---- the designer -------------------------------------------------------------------------

class IDesigner
{
public:
    virtual ~IDesigner() = default;

    // The form being designed.
    virtual TComponent* GetRoot() const = 0;
    // The form has changed: tells every notification (ItemsModified).
    virtual void Modified() = 0;
    // Selects one object (nil: nothing).
    virtual void SelectComponent(TPersistent* instance) = 0;
    virtual void SetSelections(const TDesignerSelections& list) = 0;
    virtual void GetSelections(TDesignerSelections& list) const = 0;
    // Brings the designer's window forward (the headless designer only counts it).
    virtual void Activate() = 0;
    // A name for a new component of the class: its name without the leading T followed by the
    // first number that makes it unique in the form.
    virtual QString UniqueName(const QString& baseName) const = 0;
    // Opens the collection editor on a collection property of a component (see
    // ShowCollectionEditor).
    virtual void EditCollection(TComponent* owner, TCollection* collection, const QString& propertyName) = 0;
    // Tells the designer that a command failed: the visual designer shows the message; the
    // headless one records it.
    virtual void ShowError(const QString& message) = 0;
    // The designer's window, which the editors' tool windows stay above; nil when it has none.
    virtual QWidget* GetWindow() const { return nullptr; }
};

// Every component of the form, the root's owned components in order, recursively.
std::vector<TComponent*> GetFormComponents(const IDesigner* designer);

// ---- notifications ------------------------------------------------------------------------

class IDesignNotification : public virtual IInterface
{
public:
    virtual void ItemDeleted(IDesigner* designer, TPersistent* item) = 0;
    virtual void ItemInserted(IDesigner* designer, TPersistent* item) = 0;
    virtual void ItemsModified(IDesigner* designer) = 0;
    virtual void SelectionChanged(IDesigner* designer, const TDesignerSelections& selection) = 0;
    virtual void DesignerOpened(IDesigner* designer, bool resurrecting) = 0;
    virtual void DesignerClosed(IDesigner* designer, bool goingDormant) = 0;
};

// Registering again does nothing; nil is ignored.
void RegisterDesignNotification(const IntfPtr<IDesignNotification>& notification);
void UnregisterDesignNotification(const IntfPtr<IDesignNotification>& notification);
int GetDesignNotificationCount();
// Calls proc for each registered notification, in registration order (used by designers).
void ForEachDesignNotification(const std::function<void(IDesignNotification*)>& proc);

// Designers that are open, in opening order (the hosts add and remove themselves).
void AddOpenDesigner(IDesigner* designer);
void RemoveOpenDesigner(IDesigner* designer);
std::vector<IDesigner*> GetOpenDesigners();

// True when no component of any open designer's form (nor a form itself) has the name
// (case-insensitive).
bool IsUniqueGlobalComponentName(const QString& name);

// ---- menu items of verbs ------------------------------------------------------------------

// A context-menu item: a caption (a "-" caption is a separator), a click handler and an
// optional submenu of owned items.
class TDesignMenuItem : public TObject
{
public:
    explicit TDesignMenuItem(const QString& caption = QString()) : FCaption(caption) {}

    const QString& GetCaption() const { return FCaption; }
    void SetCaption(const QString& value) { FCaption = value; }
    bool IsLine() const { return FCaption == QLatin1String("-"); }
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }

    // Adds a submenu item; answers it (owned by this item).
    TDesignMenuItem* AddItem(const QString& caption, std::function<void(TObject* sender)> onClick = {});
    TDesignMenuItem* AddLine() { return AddItem(QStringLiteral("-")); }
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EListError for an index out of range.
    TDesignMenuItem* GetItem(int index) const;
    // Runs the click handler (the sender is the item); false when it has none.
    bool Click();

    std::function<void(TObject* sender)> OnClick;

private:
    QString FCaption;
    bool FEnabled = true;
    std::vector<TOwned<TDesignMenuItem>> FItems;
};

// ---- component editors --------------------------------------------------------------------

class TComponentEditor : public TObject
{
public:
    TComponentEditor(TComponent* component, IDesigner* designer) : FComponent(component), FDesigner(designer) {}

    TComponent* GetComponent() const { return FComponent; }
    IDesigner* GetDesigner() const { return FDesigner; }

    virtual void ExecuteVerb(int index) {}
    virtual QString GetVerb(int index) { return QString(); }
    virtual int GetVerbCount() { return 0; }
    // Called for each verb's menu item before the menu shows; nothing by default.
    virtual void PrepareItem(int index, TDesignMenuItem* item) {}
    // A double click on the component: the first verb, when there is one.
    virtual void Edit();

private:
    TComponent* FComponent;
    IDesigner* FDesigner;
};

// The verbs of an editor as menu items (captions, PrepareItem applied, clicks run ExecuteVerb
// for items without their own submenu). The editor must outlive the items.
std::vector<TOwned<TDesignMenuItem>> BuildVerbMenu(TComponentEditor* editor);

struct TComponentEditorClass
{
    QString Name;
    std::function<TComponentEditor*(TComponent*, IDesigner*)> Make;
};

template <typename T>
TComponentEditorClass ComponentEditorClass()
{
    return {ClassNameOf(typeid(T)), [](TComponent* c, IDesigner* d) -> TComponentEditor* { return Create<T>(c, d); }};
}

// The editor registered for the component's class or its nearest registered ancestor (the
// latest registration of a class wins); a plain TComponentEditor without verbs otherwise.
TOwned<TComponentEditor> GetComponentEditor(TComponent* component, IDesigner* designer);

// ---- property editors ---------------------------------------------------------------------

enum TPropertyAttribute {
    paValueList,
    paSubProperties,
    paDialog,
    paMultiSelect,
    paAutoUpdate,
    paSortList,
    paReadOnly,
    paRevertable,
    paFullWidthName,
    paVolatileSubProperties,
    paNotNestable,
    paValueEditable
};
using TPropertyAttributes = TSet<TPropertyAttribute>;

// Property kinds as a filter.
using TPropKinds = TSet<TPropKind>;
inline const TPropKinds tkAny{pkInteger, pkFloat,  pkBoolean,   pkEnumeration, pkSet,    pkString,
                              pkVariant, pkObject, pkComponent, pkCollection,  pkMethod, pkStringList};
inline const TPropKinds tkProperties = tkAny - pkMethod;
inline const TPropKinds tkClassKinds{pkObject, pkComponent, pkCollection};

class IProperty;
using TGetPropProc = std::function<void(const IntfPtr<IProperty>& prop)>;
using TGetStrProc = std::function<void(const QString& value)>;

class IProperty : public virtual IInterface
{
public:
    virtual void Activate() = 0;
    virtual bool AllEqual() = 0;
    virtual void Edit() = 0;
    virtual TPropertyAttributes GetAttributes() = 0;
    virtual QString GetName() = 0;
    virtual void GetProperties(const TGetPropProc& proc) = 0;
    virtual QString GetValue() = 0;
    virtual void GetValues(const TGetStrProc& proc) = 0;
    virtual void SetValue(const QString& value) = 0;
    // The edited objects and the property.
    virtual int GetPropCount() const = 0;
    virtual TPersistent* GetComponent(int index) const = 0;
    virtual const TPropInfo* GetPropInfo() const = 0;
    // The class name of the editor, e.g. "TKvStylesPropertyEditor".
    virtual QString GetEditorClassName() const = 0;
};

// The base editor: shows the value as text and writes it back through the property.
class TPropertyEditor : public TInterfacedObject, public IProperty
{
public:
    TPropertyEditor(IDesigner* designer, int propCount);

    void SetPropEntry(int index, TPersistent* instance, const TPropInfo* propInfo);
    IDesigner* GetDesigner() const { return FDesigner; }

    void Activate() override {}
    // True when every object shows the same value.
    bool AllEqual() override;
    void Edit() override {}
    TPropertyAttributes GetAttributes() override { return {paRevertable}; }
    QString GetName() override;
    void GetProperties(const TGetPropProc& proc) override {}
    QString GetValue() override;
    void GetValues(const TGetStrProc& proc) override {}
    void SetValue(const QString& value) override;
    int GetPropCount() const override { return static_cast<int>(FProps.size()); }
    TPersistent* GetComponent(int index) const override;
    const TPropInfo* GetPropInfo() const override;
    QString GetEditorClassName() const override { return ClassName(); }

    // Values of the first object, and writing to every object (then Modified).
    Variant GetVarValue() const;
    void SetVarValue(const Variant& value);
    TObject* GetObjectValue(int index = 0) const;
    void SetObjectValue(TObject* value);
    // Reports the change to the designer.
    void Modified();

protected:
    struct TInstProp
    {
        TPersistent* Instance = nullptr;
        const TPropInfo* PropInfo = nullptr;
    };
    IDesigner* FDesigner;
    std::vector<TInstProp> FProps;
};

// Standard editors by kind.
class TIntegerProperty : public TPropertyEditor
{
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override { return {paMultiSelect, paRevertable}; }
};

// A platform colour (blue-green-red): an integer property named Color or ending in Color.
// Shown as #RRGGBB; takes a colour name, #RRGGBB, an opaque #AARRGGBB or a number.
class TColorProperty : public TIntegerProperty
{
public:
    using TIntegerProperty::TIntegerProperty;
    QString GetValue() override;
    void SetValue(const QString& value) override;
};

class TFloatProperty : public TPropertyEditor
{
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override { return {paMultiSelect, paRevertable}; }
};

class TStringProperty : public TPropertyEditor
{
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override { return {paMultiSelect, paRevertable}; }
};

class TVariantProperty : public TPropertyEditor
{
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override { return {paMultiSelect, paRevertable}; }
};

// Enumerations and booleans: the value names as a value list.
class TEnumProperty : public TPropertyEditor
{
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override { return {paMultiSelect, paValueList, paSortList, paRevertable}; }
    void GetValues(const TGetStrProc& proc) override;
};

// Sets: "[a,b]" text.
class TSetProperty : public TPropertyEditor
{
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override { return {paMultiSelect, paRevertable}; }
    QString GetValue() override;
};

// Owned sub-objects: "(TClassName)" with their properties as sub-properties.
class TClassProperty : public TPropertyEditor
{
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override { return {paMultiSelect, paSubProperties, paReadOnly}; }
    void GetProperties(const TGetPropProc& proc) override;
    QString GetValue() override;
};

// References to other components of the form: their names as a value list.
class TComponentProperty : public TPropertyEditor
{
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override { return {paMultiSelect, paValueList, paSortList, paRevertable}; }
    QString GetValue() override;
    void GetValues(const TGetStrProc& proc) override;
    void SetValue(const QString& value) override;
};

// A component's Name: an empty name is refused (the form refers to its components by name).
// Offered for a selection of one component only.
class TComponentNameProperty : public TStringProperty
{
public:
    using TStringProperty::TStringProperty;
    TPropertyAttributes GetAttributes() override { return {paRevertable}; }
    void SetValue(const QString& value) override;
};

// Collections: "(TClassName)"; Edit opens the collection editor.
class TCollectionProperty : public TClassProperty
{
public:
    using TClassProperty::TClassProperty;
    TPropertyAttributes GetAttributes() override { return {paDialog, paReadOnly}; }
    void Edit() override;
};

// String lists: the lines as text, one a line; Edit opens the string list editor, whose OK
// writes the lines it holds.
class TStringListProperty : public TPropertyEditor
{
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override { return {paMultiSelect, paDialog, paRevertable}; }
    QString GetValue() override;
    void SetValue(const QString& value) override;
    void Edit() override;
};

// Events: the handler's method name, read-only here.
class TMethodProperty : public TPropertyEditor
{
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override { return {paMultiSelect, paReadOnly}; }
};

struct TPropertyEditorClass
{
    QString Name;
    std::function<IntfPtr<TPropertyEditor>(IDesigner*, int)> Make;
};

template <typename T>
TPropertyEditorClass PropertyEditorClass()
{
    return {ClassNameOf(typeid(T)),
            [](IDesigner* d, int count) -> IntfPtr<TPropertyEditor> { return MakeIntf<T>(d, count); }};
}

// The editor for a property of an object: the best registration (a matching name before none,
// then the nearest property type, then the nearest component class, then the latest), or the
// standard editor of its kind (TComponentNameProperty for a component's Name).
TPropertyEditorClass GetEditorClass(const TPropInfo& prop, const TPersistent* instance);

// Answers true to admit a property.
using TPropertyEditorFilterFunc = std::function<bool(const IntfPtr<IProperty>& prop)>;

// Calls proc with an editor for each published property of the selection whose kind is in
// filter and that every selected object has (of the same kind and type), when the filter
// function admits it. Each editor edits the property of every selected object. A selection of
// several objects gets no Name editor: one name cannot go to two components.
void GetComponentProperties(const TDesignerSelections& components, TPropKinds filter, IDesigner* designer,
                            const TGetPropProc& proc, const TPropertyEditorFilterFunc& filterFunc = {});

// Opens the designer's collection editor on collection, a property of owner named propertyName.
void ShowCollectionEditor(IDesigner* designer, TComponent* owner, TCollection* collection,
                          const QString& propertyName);

// ---- registration -------------------------------------------------------------------------

// What a design package registered, in call order.
struct TPaletteEntry
{
    QString Page;
    const TClassInfo* Class = nullptr;
};
struct TComponentEditorEntry
{
    const TClassInfo* ComponentClass = nullptr;
    TComponentEditorClass Editor;
};
struct TPropertyEditorEntry
{
    const TTypeInfo* PropertyType = nullptr;
    const TClassInfo* ComponentClass = nullptr; // nil: any class
    QString PropertyName;                       // empty: every property of the type
    TPropertyEditorClass Editor;
};

class TDesignRegistry
{
public:
    static TDesignRegistry& Instance();

    const std::vector<const TClassInfo*>& GetClasses() const { return FClasses; }
    const std::vector<const TClassInfo*>& GetNoIconClasses() const { return FNoIcon; }
    const std::vector<TPaletteEntry>& GetPalette() const { return FPalette; }
    const std::vector<TComponentEditorEntry>& GetComponentEditors() const { return FComponentEditors; }
    const std::vector<TPropertyEditorEntry>& GetPropertyEditors() const { return FPropertyEditors; }
    // Class names of each list, for listing and tests.
    static QStringList Names(const std::vector<const TClassInfo*>& classes);
    bool IsNoIcon(const TClassInfo& cls) const;

    void Clear();

private:
    friend struct TDesignRegistryAccess;
    std::vector<const TClassInfo*> FClasses;
    std::vector<const TClassInfo*> FNoIcon;
    std::vector<TPaletteEntry> FPalette;
    std::vector<TComponentEditorEntry> FComponentEditors;
    std::vector<TPropertyEditorEntry> FPropertyEditors;
};

// The registration operations a design package's Register calls.
namespace DesignIntf {

// Registers the classes with the class registry (form files name them) and records them.
void RegisterClasses(std::initializer_list<const TClassInfo*> classes);
// Components that forms hold but that get no palette button.
void RegisterNoIcon(std::initializer_list<const TClassInfo*> classes);
// Palette buttons on the page, in order; each shows the bitmap resource named after its class
// in upper case (PaletteBitmapName).
void RegisterComponents(const QString& page, std::initializer_list<const TClassInfo*> classes);
void RegisterComponentEditor(const TClassInfo& componentClass, const TComponentEditorClass& editor);
// Without a property type the editor serves the named property of the class, of any type.
void RegisterPropertyEditor(const TTypeInfo* propertyType, const TClassInfo* componentClass,
                            const QString& propertyName, const TPropertyEditorClass& editor);

} // namespace DesignIntf

// The resource name of a palette bitmap: the class name in upper case.
QString PaletteBitmapName(const TClassInfo& cls);
// Clears every registration of the design package (its unloading).
void UnregisterDesignPackage();

} // namespace kv
