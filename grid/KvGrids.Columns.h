// The column tree of a grid view: data columns and column groups under an invisible root,
// with headers, footers, filters and validations.
//
// Sections: enumerations; header and footer; filters; validations; TKvGridColumn;
// TKvGridDataColumn; TKvGridColumnCollection; TKvGridColumnGroup and the root; the grid's
// Columns facade.
//
// Call flow: every change of a column ends in Changed(all), which calls the grid's
// ColumnsChanged (nil: re-resolve indices and refresh; the column: refresh only). The grid
// runs ResetIndicies and ResetDataRoots on the root when columns or data change, the layout
// runs ResetVisibles and ResetColumnWidths, and cell addresses (KvGrids.Index) read the
// results (display indices, data roots, layout positions) without searching.
#pragma once

#include "graphics/KvGrids.Styles.Dynamic.h"
#include "graphics/KvGrids.Styles.h"
#include "model/KvGrids.Common.Types.h"
#include "model/KvGrids.Expressions.h"
#include "model/KvGrids.Model.h"
#include "platform/graphics/Types.h"
#include "platform/rtl/Collections.h"
#include "platform/rtl/Listeners.h"
#include "platform/rtl/Variant.h"

#include <QtCore/QStringList>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace kv {

class TKvGridView;
class TKvGridColumn;
class TKvGridDataColumn;
class TKvGridColumnGroup;
class TKvGridCellRenderer;
class TKvGridCellEditor;
class TCustomImageList;
class TReader;

enum TKvGridColumnsOrientation { ColumnsHorizontal, ColumnsVertical };
enum TKvGridClickBehavior { ClickNone, ClickSort };
enum TKvGridCellButton { ButtonNone, ButtonAction, ButtonPopup };
enum TKvLookupCase { LookupSensitive, LookupInsensitive, LookupLower, LookupUpper };
enum TKvGridValidationMode { ValidationModeAlways, ValidationModeInsert, ValidationModeUpdate };
// Input-method modes of an edit; imDontCare leaves the input method as it is.
enum TImeMode {
    imDisable,
    imClose,
    imOpen,
    imDontCare,
    imSAlpha,
    imAlpha,
    imHira,
    imSKata,
    imKata,
    imChinese,
    imSHanguel,
    imHanguel
};

using TNotifyEvent = std::function<void(TObject*)>;

// --- header and footer ---------------------------------------------------------------------

class TKvGridColumnHeader : public TPersistent
{
public:
    explicit TKvGridColumnHeader(TKvGridColumn* column);
    ~TKvGridColumnHeader() override;

    TKvGridColumn* GetColumn() const { return FColumn; }
    TPersistent* GetOwner() const override;
    const QString& GetCaption() const { return FCaption; }
    void SetCaption(const QString& value);
    TKvGridClickBehavior GetClickBehavior() const { return FClickBehavior; }
    void SetClickBehavior(TKvGridClickBehavior value);
    TKvGridViewStyles* GetStyles() const { return FStyles.get(); }
    // Copies the values in; the column's grid refreshes.
    void SetStyles(TKvGridViewStyles* value);
    // The caption; a data column's header with an empty caption shows the field name.
    virtual QString GetDisplayName() const;
    // Fires OnChanged.
    void Changed();

    void Assign(const TPersistent* source) override;

    TNotifyEvent OnChanged;

private:
    class TStyleChangeListener;

    TKvGridColumn* FColumn;
    std::unique_ptr<TKvGridViewStyles> FStyles;
    std::unique_ptr<TStyleChangeListener> FStyleListener;
    QString FCaption;
    TKvGridClickBehavior FClickBehavior = ClickSort;
};

class TKvGridColumnGroupHeader : public TKvGridColumnHeader
{
public:
    using TKvGridColumnHeader::TKvGridColumnHeader;

    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    void Assign(const TPersistent* source) override;

private:
    bool FVisible = true;
};

class TKvGridColumnFooter : public TPersistent
{
public:
    explicit TKvGridColumnFooter(TKvGridColumn* column);
    ~TKvGridColumnFooter() override;

    TKvGridColumn* GetColumn() const { return FColumn; }
    TPersistent* GetOwner() const override;
    TKvGridViewStyles* GetStyles() const { return FStyles.get(); }
    void SetStyles(TKvGridViewStyles* value);
    const QString& GetCaption() const { return FCaption; }
    void SetCaption(const QString& value);
    const QString& GetGroupCaption() const { return FGroupCaption; }
    void SetGroupCaption(const QString& value);
    const QString& GetExpression() const { return FExpression; }
    // Parses first: text that does not parse raises and leaves the footer as it was.
    void SetExpression(const QString& value);
    const QString& GetGroupExpression() const { return FGroupExpression; }
    void SetGroupExpression(const QString& value);
    TKvExpressionTree* GetExprTree() const { return FExprTree.get(); }
    TKvExpressionTree* GetGroupExprTree() const { return FGroupExprTree.get(); }
    long double GetValue() const { return FValue; }
    void SetValue(long double value) { FValue = value; }

    // The column or group summary; unassigned without an expression.
    Variant Evaluate(TKvExpressionRuntime* runtime) const;
    Variant EvaluateGroup(TKvExpressionRuntime* runtime) const;
    void Changed();

    void Assign(const TPersistent* source) override;

    TNotifyEvent OnChanged;

private:
    class TStyleChangeListener;

    TKvGridColumn* FColumn;
    long double FValue = 0;
    std::unique_ptr<TKvExpressionTree> FExprTree;
    std::unique_ptr<TKvExpressionTree> FGroupExprTree;
    std::unique_ptr<TKvGridViewStyles> FStyles;
    std::unique_ptr<TStyleChangeListener> FStyleListener;
    QString FCaption;
    QString FExpression;
    QString FGroupCaption;
    QString FGroupExpression;
};

// --- filters --------------------------------------------------------------------------------

class TKvGridColumnFilter : public TCollectionItem
{
public:
    using TCollectionItem::TCollectionItem;

    const QString& GetName() const { return FName; }
    void SetName(const QString& value);
    const QString& GetCriteria() const { return FCriteria; }
    void SetCriteria(const QString& value);
    const QString& GetDescription() const { return FDescription; }
    void SetDescription(const QString& value);
    bool GetActive() const { return FActive; }
    void SetActive(bool value);
    QString GetDisplayName() const override;

    void Assign(const TPersistent* source) override;

private:
    QString FName;
    QString FCriteria;
    QString FDescription;
    bool FActive = false;
};

class TKvGridColumnFilterCollection;

// Told of every change of a filter collection that reaches its Update: a filter added,
// removed or changed, or the whole collection after an update.
class TKvGridColumnFilterListener
{
public:
    virtual ~TKvGridColumnFilterListener() = default;
    virtual void FiltersChanged(TKvGridColumnFilterCollection* Filters) = 0;
};

class TKvGridColumnFilterCollection : public TOwnedCollection
{
public:
    explicit TKvGridColumnFilterCollection(TKvGridColumn* column);

    TKvGridColumn* GetColumn() const { return FColumn; }
    TKvGridColumnFilter* GetFilter(int index) const { return static_cast<TKvGridColumnFilter*>(GetItem(index)); }
    TKvGridColumnFilter* Add() { return static_cast<TKvGridColumnFilter*>(TCollection::Add()); }
    // The last filter whose Name equals name exactly; nil when none.
    TKvGridColumnFilter* Find(const QString& name) const;

    // Nil and duplicates are ignored. Listeners are told before the grid applies the filters.
    void AddListener(TKvGridColumnFilterListener* Listener) { FListeners.Add(Listener); }
    void RemoveListener(TKvGridColumnFilterListener* Listener) { FListeners.Remove(Listener); }

protected:
    void Update(TCollectionItem* item) override;

private:
    TKvGridColumn* FColumn;
    TListenerList<TKvGridColumnFilterListener> FListeners;
};

// --- validations ----------------------------------------------------------------------------

class TKvGridValidation : public TCollectionItem
{
public:
    using TCollectionItem::TCollectionItem;
    ~TKvGridValidation() override;

    const QString& GetName() const { return FName; }
    void SetName(const QString& value);
    bool GetActive() const { return FActive; }
    void SetActive(bool value);
    TKvGridValidationMode GetMode() const { return FMode; }
    void SetMode(TKvGridValidationMode value);
    const QString& GetCriteria() const { return FCriteria; }
    // Parses first: text that does not parse raises and leaves the validation as it was.
    void SetCriteria(const QString& value);
    const QString& GetMessage() const { return FMessage; }
    void SetMessage(const QString& value);
    const QString& GetDescription() const { return FDescription; }
    void SetDescription(const QString& value);
    TKvExpressionTree* GetExprTree() const { return FExprTree.get(); }
    QString GetDisplayName() const override;

    // Raises Exception with the message when the criteria evaluates to false.
    void Validate(TKvExpressionRuntime* runtime) const;

    void Assign(const TPersistent* source) override;

private:
    QString FName;
    bool FActive = true;
    TKvGridValidationMode FMode = ValidationModeAlways;
    QString FCriteria;
    QString FMessage;
    QString FDescription;
    std::unique_ptr<TKvExpressionTree> FExprTree;
};

class TKvGridValidationCollection : public TOwnedCollection
{
public:
    // owner: a data column, or the grid view for row validations.
    explicit TKvGridValidationCollection(TPersistent* owner);

    TKvGridValidation* GetValidation(int index) const { return static_cast<TKvGridValidation*>(GetItem(index)); }
    TKvGridValidation* Add() { return static_cast<TKvGridValidation*>(TCollection::Add()); }
    TKvGridValidation* Add(const QString& name, const QString& criteria, const QString& message);
    // Each active validation of the mode (or of every mode) in order; the first failure raises.
    void Validate(TKvGridValidationMode mode, TKvExpressionRuntime* runtime) const;
};

// --- columns --------------------------------------------------------------------------------

class TKvGridColumn : public TComponent
{
public:
    explicit TKvGridColumn(TComponent* owner);
    ~TKvGridColumn() override;
    void AfterConstruction() override;
    void BeforeDestruction() override;

    virtual TKvGridView* GetGrid() const;
    virtual QString GetDisplayName() const { return GetName(); }

    // The parent group; nil for a top-level column (whose parent is the root) or a detached one.
    TKvGridColumnGroup* GetGroup() const;
    // The group the column sits in, the root included; nil when detached.
    TKvGridColumnGroup* GetParentGroup() const { return FGroup; }
    // The top-level ancestor (the column itself at top level).
    TKvGridColumn* GetRoot() const;
    bool IsTopLevel() const;

    int GetIndex() const { return FIndex; }
    int GetDisplayIndex() const { return FDisplayIndex; }
    TKvGridColumn* GetDataRoot() const { return FDataRoot; }
    void SetDataRoot(TKvGridColumn* value) { FDataRoot = value; }
    int GetLevel() const { return FLevel; }
    // Left-to-right place of the column's data root among the visible data roots; columns
    // stacked in one data root share it; -1 while hidden or before the grid resets indices.
    int GetLayoutPosition() const;
    int GetGroupWidth() const { return FGroupWidth; }
    void SetGroupWidth(int value) { FGroupWidth = value; }
    int GetGroupOffset() const { return FGroupOffset; }
    void SetGroupOffset(int value) { FGroupOffset = value; }
    const TRect& GetLayoutRect() const { return FLayoutRect; }
    void SetLayoutRect(const TRect& value) { FLayoutRect = value; }

    // Clamps index to the siblings; false when the column stays where it is or is detached.
    bool Move(int index);
    // Sum of the group offsets from the column up to (not including) the top-level ancestor.
    int GetOffset() const;
    // Display-order key: top-level, data-root and own display indices.
    std::int64_t GetDistance() const;

    TKvGridColumnHeader* GetHeader() const { return FHeader.get(); }
    void SetHeader(TKvGridColumnHeader* value);
    TKvGridViewStyles* GetStyles() const { return FStyles.get(); }
    void SetStyles(TKvGridViewStyles* value);
    int GetWidth() const { return FWidth; }
    void SetWidth(int value);
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    bool GetResizable() const { return FResizable; }
    void SetResizable(bool value);
    bool GetMovable() const { return FMovable; }
    void SetMovable(bool value);
    bool GetFocusable() const { return FFocusable; }
    void SetFocusable(bool value);
    TKvGridCellRenderer* GetHeaderRenderer() const { return FHeaderRenderer; }
    void SetHeaderRenderer(TKvGridCellRenderer* value);

    // Tells the grid: all re-resolves indices and refreshes, else refreshes only.
    virtual void Changed(bool all);
    virtual void StyleChanged(TKvGridViewStyleEntry entry);
    virtual void HeaderChanged(TObject* sender);

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void ReadState(TReader& reader) override;

protected:
    virtual TKvGridColumnHeader* CreateHeader() = 0;
    void Notification(TComponent* component, TOperation operation) override;
    // True while no notice may reach the grid.
    bool Silent() const;

private:
    friend class TKvGridColumnCollection;
    friend class TKvGridColumnGroup;
    class TStyleChangeListener;

    TKvGridColumnGroup* FGroup = nullptr;
    int FIndex = -1;
    int FDisplayIndex = -1;
    int FLevel = 0;
    int FLayoutPos = -1;
    std::unique_ptr<TKvGridViewStyles> FStyles;
    int FGroupWidth = -1;
    int FGroupOffset = -1;
    TRect FLayoutRect;
    TKvGridColumn* FDataRoot = nullptr;
    TOwned<TKvGridColumnHeader> FHeader;
    int FWidth = 100;
    bool FVisible = true;
    bool FResizable = true;
    bool FMovable = true;
    bool FFocusable = true;
    TComponentRef<TKvGridCellRenderer> FHeaderRenderer{TNotifyHolder{this}};
    std::unique_ptr<TStyleChangeListener> FStyleListener;
};

class TKvGridDataColumn : public TKvGridColumn
{
public:
    explicit TKvGridDataColumn(TComponent* owner);
    ~TKvGridDataColumn() override;
    void BeforeDestruction() override;

    QString GetDisplayName() const override;

    int GetDataIndex() const { return FDataIndex; }
    void SetDataIndex(int value);
    int GetSortOrder() const { return FSortOrder; }
    void SetSortOrder(int value) { FSortOrder = value; }
    TKvGridSortDirection GetSortDirection() const { return FSortDirection; }
    void SetSortDirection(TKvGridSortDirection value) { FSortDirection = value; }
    const QString& GetError() const { return FError; }
    void SetError(const QString& value) { FError = value; }

    TKvGridColumnFooter* GetFooter() const { return FFooter.get(); }
    void SetFooter(TKvGridColumnFooter* value);
    const QString& GetFieldName() const { return FFieldName; }
    void SetFieldName(const QString& value);
    int GetFieldIndex() const { return FFieldIndex; }
    void SetFieldIndex(int value);
    // The field's type from the grid's data source; text when there is none.
    TKvGridValueType GetValueType() const;
    void SetValueType(TKvGridValueType value);
    TKvGridCellButton GetButton() const { return FButton; }
    void SetButton(TKvGridCellButton value);
    bool GetAlwaysShowButton() const { return FAlwaysShowButton; }
    void SetAlwaysShowButton(bool value);
    bool GetAlwaysShowEditButton() const { return FAlwaysShowEditButton; }
    void SetAlwaysShowEditButton(bool value);
    bool GetEditable() const { return FEditable; }
    void SetEditable(bool value);
    bool GetSortable() const { return FSortable; }
    void SetSortable(bool value);
    TImeMode GetImeMode() const { return FImeMode; }
    void SetImeMode(TImeMode value);
    const QString& GetImeName() const { return FImeName; }
    void SetImeName(const QString& value);
    const Variant& GetDefaultValue() const { return FDefaultValue; }
    void SetDefaultValue(const Variant& value) { FDefaultValue = value; }
    TKvGridDynamicStyleCollection* GetDynamicStyles() const { return FDynamicStyles.get(); }
    void SetDynamicStyles(TKvGridDynamicStyleCollection*) {}
    TKvGridColumnFilterCollection* GetFilters() const { return FFilters.get(); }
    void SetFilters(TKvGridColumnFilterCollection*) {}
    TKvGridValidationCollection* GetValidations() const { return FValidations.get(); }
    void SetValidations(TKvGridValidationCollection*) {}
    TKvGridCellRenderer* GetRenderer() const { return FRenderer; }
    void SetRenderer(TKvGridCellRenderer* value);
    TKvGridCellRenderer* GetFooterRenderer() const { return FFooterRenderer; }
    void SetFooterRenderer(TKvGridCellRenderer* value);
    TKvGridCellEditor* GetEditor() const { return FEditor; }
    void SetEditor(TKvGridCellEditor* value);
    bool GetAutoEdit() const { return FAutoEdit; }
    void SetAutoEdit(bool value);
    const QStringList& GetLookupValues() const { return FLookupValues; }
    void SetLookupValues(const QStringList& value);
    const QStringList& GetLookupLabels() const { return FLookupLabels; }
    void SetLookupLabels(const QStringList& value);
    TKvLookupCase GetLookupCase() const { return FLookupCase; }
    void SetLookupCase(TKvLookupCase value);
    bool GetLookupDisplay() const { return FLookupDisplay; }
    void SetLookupDisplay(bool value);
    bool GetRequired() const { return FRequired; }
    void SetRequired(bool value);
    // The popup menu component shown by the cell button (not owned).
    TComponent* GetPopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TComponent* value);
    TCustomImageList* GetImageList() const { return FImageList; }
    void SetImageList(TCustomImageList* value);

    // The label of value when LookupValues holds its text form; false (result = value) else.
    bool GetLookupValue(const Variant& value, Variant& result) const;
    // The stored value of a label, or of a text that is itself a lookup value; else unassigned.
    Variant GetSourceValue(const QString& label) const;

    void ValidateInsertRow(TKvExpressionRuntime* runtime) const;
    void ValidateUpdateRow(TKvExpressionRuntime* runtime) const;

    virtual void FooterChanged(TObject* sender);

    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    void DefineProperties(TFiler& filer) override;

protected:
    TKvGridColumnHeader* CreateHeader() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    int FDataIndex = -1;
    int FSortOrder = -1;
    TKvGridSortDirection FSortDirection = SortAscending;
    std::unique_ptr<TKvGridDynamicStyleCollection> FDynamicStyles;
    std::unique_ptr<TKvGridColumnFilterCollection> FFilters;
    QString FError;
    TOwned<TKvGridColumnFooter> FFooter;
    QString FFieldName;
    int FFieldIndex = -1;
    TKvGridValueType FValueType = ValueTypeText;
    TKvGridCellButton FButton = ButtonNone;
    bool FAlwaysShowButton = false;
    bool FAlwaysShowEditButton = false;
    bool FEditable = true;
    bool FSortable = true;
    TImeMode FImeMode = imDontCare;
    QString FImeName;
    TComponentRef<TKvGridCellRenderer> FFooterRenderer{TNotifyHolder{this}};
    TComponentRef<TKvGridCellRenderer> FRenderer{TNotifyHolder{this}};
    TComponentRef<TKvGridCellEditor> FEditor;
    Variant FDefaultValue;
    bool FAutoEdit = true;
    TKvLookupCase FLookupCase = LookupSensitive;
    QStringList FLookupValues;
    QStringList FLookupLabels;
    bool FLookupDisplay = false;
    bool FRequired = false;
    std::unique_ptr<TKvGridValidationCollection> FValidations;
    TComponentRef<TComponent> FPopupMenu;
    TComponentRef<TCustomImageList> FImageList;
};

// An expression-valued column, declared with its published properties and fields. Nothing
// creates, registers or evaluates it; its header is the plain column header.
class TKvGridDerivedColumn : public TKvGridColumn
{
public:
    explicit TKvGridDerivedColumn(TComponent* owner);
    ~TKvGridDerivedColumn() override;

    TKvGridColumnFooter* GetFooter() const { return FFooter.get(); }
    void SetFooter(TKvGridColumnFooter* value);
    TKvGridValueType GetValueType() const { return FValueType; }
    void SetValueType(TKvGridValueType value);
    const QString& GetExpression() const { return FExpression; }
    void SetExpression(const QString& value);
    bool GetSortable() const { return FSortable; }
    void SetSortable(bool value);
    TKvGridCellRenderer* GetFooterRenderer() const { return FFooterRenderer; }
    void SetFooterRenderer(TKvGridCellRenderer* value);
    TKvGridDynamicStyleCollection* GetDynamicStyles() const { return FDynamicStyles.get(); }
    void SetDynamicStyles(TKvGridDynamicStyleCollection*) {}
    TKvGridColumnFilterCollection* GetFilters() const { return FFilters.get(); }
    void SetFilters(TKvGridColumnFilterCollection*) {}
    TKvGridCellRenderer* GetRenderer() const { return FRenderer; }
    // Frees the renderer it replaces.
    void SetRenderer(TKvGridCellRenderer* value);

protected:
    TKvGridColumnHeader* CreateHeader() override;

private:
    TOwned<TKvGridColumnFooter> FFooter;
    TKvGridValueType FValueType = ValueTypeText;
    QString FExpression;
    bool FSortable = true;
    TComponentRef<TKvGridCellRenderer> FFooterRenderer;
    std::unique_ptr<TKvGridDynamicStyleCollection> FDynamicStyles;
    std::unique_ptr<TKvGridColumnFilterCollection> FFilters;
    TComponentRef<TKvGridCellRenderer> FRenderer;
};

// The child list of a group: references only, it never frees a column.
class TKvGridColumnCollection : public TObject
{
public:
    explicit TKvGridColumnCollection(TKvGridColumnGroup* owner) : FOwner(owner) {}

    TKvGridColumnGroup* GetOwner() const { return FOwner; }
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EArgumentOutOfRangeException "index" out of range.
    TKvGridColumn* GetItem(int index) const;
    int VisibleCount() const { return static_cast<int>(FVisibles.size()); }
    TKvGridColumn* GetVisible(int index) const;
    int IndexOf(const TKvGridColumn* column) const;

    // Ignores nil, the owner itself, an ancestor of the owner and a column already present;
    // takes the column out of its old group first.
    void Insert(int index, TKvGridColumn* column);
    void Add(TKvGridColumn* column) { Insert(Count(), column); }
    void Remove(TKvGridColumn* column);
    void Delete(int index);
    void Clear();
    void Move(int from, int to);

    // Depth-first, in child order.
    TKvGridDataColumn* GetDataColumn(int dataIndex) const;
    TKvGridDataColumn* GetDataColumn(const QString& fieldName) const;

    void ResetVisibles(bool designing);

private:
    friend class TKvGridColumnGroup;
    // Tells the tree and the grid that the children changed.
    void Changed();

    TKvGridColumnGroup* FOwner;
    std::vector<TKvGridColumn*> FItems;
    std::vector<TKvGridColumn*> FVisibles;
};

class TKvGridColumnGroup : public TKvGridColumn
{
public:
    explicit TKvGridColumnGroup(TComponent* owner);
    ~TKvGridColumnGroup() override;
    void BeforeDestruction() override;

    QString GetDisplayName() const override;

    TKvGridColumnCollection* GetColumns() const { return FColumns.get(); }
    int Count() const { return FColumns->Count(); }
    TKvGridColumn* GetItem(int index) const { return FColumns->GetItem(index); }
    int VisibleCount() const { return FColumns->VisibleCount(); }
    TKvGridColumn* GetVisible(int index) const { return FColumns->GetVisible(index); }
    // Hashed over the tree; the first match in depth-first order below this group.
    TKvGridDataColumn* GetDataColumn(int dataIndex) const;
    TKvGridDataColumn* GetDataColumn(const QString& fieldName) const;
    void SetColumnIndex(int from, int to) { FColumns->Move(from, to); }

    TKvGridColumnsOrientation GetOrientation() const { return FOrientation; }
    void SetOrientation(TKvGridColumnsOrientation value);
    bool GetHideChildHeaders() const { return FHideChildHeaders; }
    void SetHideChildHeaders(bool value);
    TKvGridColumnGroupHeader* GetGroupHeader() const;
    int GetDataLevel() const { return FDataLevel; }
    int GetHeaderLevel() const { return FHeaderLevel; }
    bool IsAncestorOf(const TKvGridColumn* column) const;

    // First / last visible data column, depth-first over visible children.
    TKvGridDataColumn* First() const;
    TKvGridDataColumn* Last() const;

    // Neighbours among this group's visible children (nil when none).
    TKvGridDataColumn* Right(TKvGridColumn* column) const;
    TKvGridDataColumn* Left(TKvGridColumn* column) const;
    TKvGridDataColumn* Next(TKvGridColumn* column) const;
    TKvGridDataColumn* Prev(TKvGridColumn* column) const;
    TKvGridDataColumn* Lower(TKvGridColumn* column) const;
    TKvGridDataColumn* Upper(TKvGridColumn* column) const;
    // The same, asked of the column's group and then up the tree; nil at the top level.
    static TKvGridDataColumn* GetRight(TKvGridColumn* column);
    static TKvGridDataColumn* GetLeft(TKvGridColumn* column);
    static TKvGridDataColumn* GetNext(TKvGridColumn* column);
    static TKvGridDataColumn* GetPrev(TKvGridColumn* column);
    static TKvGridDataColumn* GetLower(TKvGridColumn* column);
    static TKvGridDataColumn* GetUpper(TKvGridColumn* column);
    static bool IsTop(const TKvGridColumn* column);
    static bool IsBottom(const TKvGridColumn* column);
    // The column's groups from the parent up to the top-level ancestor (the root excluded).
    static std::vector<TKvGridColumnGroup*> GetAncestors(const TKvGridColumn* column);

    using TKvGridColumn::SetWidth;
    // Makes this group and the groups above it as wide as their columns, so that each column
    // is drawn at its Width: a horizontal group is as wide as its columns together; a vertical
    // group's columns all take the width of changed (nil: of the widest). A designer calls it
    // when it adds a column to a group; a column's width set at design time calls it.
    void FitToColumns(TKvGridColumn* changed = nullptr);
    // Column resize by delta pixels, kept consistent up to the top-level ancestor.
    static void SetWidth(TKvGridColumn* column, int delta);
    void ResetColumnWidths();
    int CalcHeaderLevels();
    int CalcDataLevels();
    int CalcHorz() const;
    TKvGridColumn* GetVisibleColumnAt(int x, int y);
    void GetDataRoots(std::vector<TKvGridColumn*>& list);
    // The column's display index; asserts that it is a visible child here.
    int CheckVisible(const TKvGridColumn* column) const;

    void ResetIndicies();
    void ResetVisibles();
    void ResetStates();
    // Levels, data roots and layout positions of the visible tree (run on the root).
    void ResetDataRoots();

    void GetChildren(const TGetChildProc& proc, TComponent* root) override;

    bool IsRootGroup() const { return FIsRoot; }

protected:
    TKvGridColumnHeader* CreateHeader() override;

    bool FIsRoot = false;

private:
    friend class TKvGridColumn;
    friend class TKvGridColumnCollection;
    struct TLookups;

    // The top of the tree this group belongs to (the root, or a detached top group).
    const TKvGridColumnGroup* Top() const;
    const TLookups& Lookups() const;
    void ResolveIndices(TKvGridDataProvider* source);
    void AssignLevels(int level);
    void NumberLayout(int& position);
    // Levels, data roots and layout positions of the whole tree below this top group.
    void NumberTree();

    std::unique_ptr<TKvGridColumnCollection> FColumns;
    int FDataLevel = 0;
    int FHeaderLevel = 0;
    TKvGridColumnsOrientation FOrientation = ColumnsHorizontal;
    bool FHideChildHeaders = false;
    mutable std::unique_ptr<TLookups> FLookups;
};

// The grid's invisible root group; it streams no children (the grid streams its columns).
class TKvGridRootColumn : public TKvGridColumnGroup
{
public:
    explicit TKvGridRootColumn(TKvGridView* grid) : TKvGridColumnGroup(nullptr), FGridOwner(grid) { FIsRoot = true; }

    TKvGridView* GetGrid() const override { return FGridOwner; }
    void GetChildren(const TGetChildProc&, TComponent*) override {}

private:
    TKvGridView* FGridOwner;
};

// Registers the column classes that form files name (once per process).

// --- the grid's Columns facade ------------------------------------------------------------

class TKvGridViewColumns : public TPersistent
{
public:
    explicit TKvGridViewColumns(TKvGridView* grid) : FGrid(grid) {}

    TKvGridView* GetGrid() const { return FGrid; }
    int Count() const;
    TKvGridColumn* GetItem(int index) const;
    TKvGridDataColumn* Add(TKvGridColumnGroup* group = nullptr);
    TKvGridColumnGroup* AddGroup(TKvGridColumnGroup* group = nullptr);
    void Remove(TKvGridColumn* column);
    void Clear();
    std::vector<TKvGridDataColumn*> GetDataColumns() const;

private:
    TKvGridView* FGrid;
};

} // namespace kv
