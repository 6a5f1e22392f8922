// Design-time editors of the library: the component editors (menu verbs of grids and data
// providers) and the property editors (cell renderer and editor kinds of a column, style sets,
// columns, row-group levels, dynamic styles).
#pragma once

#include "platform/design/DesignIntf.h"

namespace kv {

class TKvGridView;
class TKvGridDataColumn;
class TKvGridStyleBag;

// ---- component editors --------------------------------------------------------------------

// Every grid view: columns, column generation and the style commands.
class TKvGridViewEditor : public TComponentEditor
{
public:
    using TComponentEditor::TComponentEditor;

    void ExecuteVerb(int index) override;
    QString GetVerb(int index) override;
    int GetVerbCount() override;
    // Verb 4 ("Styles") gets the submenu of the grid's style sets.
    void PrepareItem(int index, TDesignMenuItem* item) override;

    // A styles submenu item: opens the style set its caption names (see the table in the
    // source).
    void OnEditStyles(TObject* sender);
    const QString& GetStyleName() const { return FStyleName; }

    // The captions of the styles submenu, separators included.
    static QStringList StyleMenuCaptions();

private:
    TKvGridView* GetGrid() const;
    void GenerateColumns(bool clear);
    void LoadStyles();
    void SaveStyles();

    QString FStyleName;
};

// CSV provider: "Import Columns..." loads a chosen file.
class TKvCsvDataProviderEditor : public TComponentEditor
{
public:
    using TComponentEditor::TComponentEditor;
    void ExecuteVerb(int index) override;
    QString GetVerb(int index) override;
    int GetVerbCount() override { return 1; }
};

// Providers with a field collection: "Fields..." opens the collection editor on Fields.
class TKvFieldsProviderEditor : public TComponentEditor
{
public:
    using TComponentEditor::TComponentEditor;
    void ExecuteVerb(int index) override;
    QString GetVerb(int index) override;
    int GetVerbCount() override { return 1; }
    void PrepareItem(int index, TDesignMenuItem* item) override {}

protected:
    // The class of the provider's field collection.
    virtual const TClassInfo& FieldCollectionClass() const = 0;
};

class TKvVantrelDataProviderEditor : public TKvFieldsProviderEditor
{
public:
    using TKvFieldsProviderEditor::TKvFieldsProviderEditor;

protected:
    const TClassInfo& FieldCollectionClass() const override;
};

class TKvBDEDataProviderEditor : public TKvFieldsProviderEditor
{
public:
    using TKvFieldsProviderEditor::TKvFieldsProviderEditor;

protected:
    const TClassInfo& FieldCollectionClass() const override;
};

// ---- property editors ---------------------------------------------------------------------

// A column's Renderer or Editor, chosen by kind: "default" (none), the stock kinds, "custom"
// (a proxy). Each selected column gets its own component; sub-properties are those of the
// columns' current components.
class TKvColumnPartPropertyEditor : public TPropertyEditor
{
public:
    using TPropertyEditor::TPropertyEditor;

    void Edit() override { TPropertyEditor::Edit(); }
    TPropertyAttributes GetAttributes() override;
    void GetProperties(const TGetPropProc& proc) override;
    QString GetValue() override;
    void GetValues(const TGetStrProc& proc) override;
    void SetValue(const QString& value) override;

    // Admits every property but "Name" and "Tag".
    static bool DoFilter(const IntfPtr<IProperty>& prop);

protected:
    // The kinds between "default" and "custom", in order.
    virtual QStringList KindNames() const = 0;
    // The column's current component, its kind name ("" for another component), and making
    // and assigning one.
    virtual TComponent* GetPart(TKvGridDataColumn* column) const = 0;
    virtual QString KindOf(TComponent* part) const = 0;
    virtual bool IsOwnPart(TComponent* part, TKvGridDataColumn* column) const = 0;
    virtual TComponent* CreatePart(int kind, TKvGridDataColumn* column) const = 0;
    virtual TComponent* CreateProxy(TKvGridDataColumn* column) const = 0;
    virtual void AssignPart(TKvGridDataColumn* column, TComponent* part) const = 0;

private:
    QString CurrentText(TKvGridDataColumn* column) const;
    // The new component gets a name unique in the form (form files refer to it by name).
    void NameNew(TComponent* part) const;
};

class TKvRendererPropertyEditor : public TKvColumnPartPropertyEditor
{
public:
    using TKvColumnPartPropertyEditor::TKvColumnPartPropertyEditor;

protected:
    QStringList KindNames() const override;
    TComponent* GetPart(TKvGridDataColumn* column) const override;
    QString KindOf(TComponent* part) const override;
    bool IsOwnPart(TComponent* part, TKvGridDataColumn* column) const override;
    TComponent* CreatePart(int kind, TKvGridDataColumn* column) const override;
    TComponent* CreateProxy(TKvGridDataColumn* column) const override;
    void AssignPart(TKvGridDataColumn* column, TComponent* part) const override;
};

class TKvEditorPropertyEditor : public TKvColumnPartPropertyEditor
{
public:
    using TKvColumnPartPropertyEditor::TKvColumnPartPropertyEditor;

protected:
    QStringList KindNames() const override;
    TComponent* GetPart(TKvGridDataColumn* column) const override;
    QString KindOf(TComponent* part) const override;
    bool IsOwnPart(TComponent* part, TKvGridDataColumn* column) const override;
    TComponent* CreatePart(int kind, TKvGridDataColumn* column) const override;
    TComponent* CreateProxy(TKvGridDataColumn* column) const override;
    void AssignPart(TKvGridDataColumn* column, TComponent* part) const override;
};

// A style bag: Edit opens the style inspector on it.
class TKvStyleBagPropertyEditor : public TClassProperty
{
public:
    using TClassProperty::TClassProperty;
    void Edit() override;
    TPropertyAttributes GetAttributes() override;
};

// A grid style set: as a bag, with its Reference as the one sub-property.
class TKvStylesPropertyEditor : public TKvStyleBagPropertyEditor
{
public:
    using TKvStyleBagPropertyEditor::TKvStyleBagPropertyEditor;
    TPropertyAttributes GetAttributes() override;
    void GetProperties(const TGetPropProc& proc) override;
    // Admits only "Reference".
    static bool DoFilter(const IntfPtr<IProperty>& prop);
};

// A grid's Columns: "(Columns Editor)"; Edit opens the columns editor.
class TKvColumnsPropertyEditor : public TClassProperty
{
public:
    using TClassProperty::TClassProperty;
    void Edit() override;
    TPropertyAttributes GetAttributes() override;
    QString GetValue() override;
};

// Collections edited in the designer's collection editor under a fixed name.
class TKvRowGroupLevelsPropertyEditor : public TClassProperty
{
public:
    using TClassProperty::TClassProperty;
    void Edit() override;
    TPropertyAttributes GetAttributes() override;
};

class TKvDynamicStyleCollectionPropertyEditor : public TClassProperty
{
public:
    using TClassProperty::TClassProperty;
    void Edit() override;
    TPropertyAttributes GetAttributes() override;
};

// A date property (a date editor's MinDate and MaxDate): shown as yyyy-mm-dd (with
// " hh:mm:ss" when it has a time of day) and taken in that form; other text is refused with
// a message that names the property and the form.
class TKvDatePropertyEditor : public TPropertyEditor
{
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override { return {paMultiSelect, paRevertable}; }
    QString GetValue() override;
    void SetValue(const QString& value) override;
};

} // namespace kv
