// Cell editor components: the single-line family (line, button, list, lookup, image, check,
// radio), the multi-line, date-time and number editors, the proxy editor, and the
// column-owned twin of each editor class, which streams as a child of its column.
//
// Each editor creates its in-place control on the first InitEditor, parents it to the grid,
// sizes it over the cell, loads the cell value into it, reports the control's start, change
// and resize to its listeners (the edit controller), passes navigation keys back to the grid
// and converts the edited text back to a value on commit.
#pragma once

#include "grid/KvGrids.EditorBase.h"
#include "platform/rtl/DateUtils.h"

namespace kv {

class TKvGridInplaceEditor;
class TKvGridMultiLineEditor;
class TKvGridDateEditor;
class TKvGridNumberEditor;
class TKvGridInplaceList;
class TKvGridLookupList;
class TKvGridDataColumn;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// The single-line family.
class TKvLineCellEditor : public TKvGridCellEditor
{
public:
    explicit TKvLineCellEditor(TComponent* owner) : TKvGridCellEditor(owner) {}
    ~TKvLineCellEditor() override;

    QString GetDisplayName() const override { return QStringLiteral("text"); }
    void InitEditor() override;
    void SetReadOnly(bool Value) override;
    void SetEditIndex(const TKvGridCellIndex& Index) override;
    void SetParent(TWinControl* Parent) override;
    void SetBounds(int Left, int Top, int Width, int Height) override;
    void SetVisible(bool Value) override;
    bool CanFocus() const override;
    void SetFocus() override;
    void BeginEdit() override;
    void EndEdit() override;
    bool GetEditing() const override;
    bool GetEdited() const override;
    void SetEditValue(const Variant& Value) override;
    Variant GetEditValue() const override;
    void Commit() override {}
    void Reset() override;
    void Clear() override;
    bool NeedMask() const override { return true; }
    TColor GetBackColor() const override;
    // Notifies the listeners, then selects all text of the control.
    void DoStart(const TKvGridCellIndex& Index) override;

    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value) { FAlignment = Value; }
    TColor GetColor() const;
    void SetColor(TColor Value);
    TKvGridInplaceEditor* GetControl() const { return FEditor; }

protected:
    virtual TKvGridInplaceEditor* CreateEdit();
    virtual void StartHandler(TObject* Sender);
    virtual void ChangeHandler(TObject* Sender);
    virtual void KeyDownHandler(TObject* Sender, std::uint16_t& Key, TShiftState Shift);
    virtual void KeyPressHandler(TObject* Sender, QChar& Key);
    void Notification(TComponent* component, TOperation operation) override;
    TKvGridDataColumn* EditColumn() const;

    TKvGridInplaceEditor* FEditor = nullptr;
    Variant FValue;
    bool FModified = false;
    TAlignment FAlignment = taLeftJustify;
    TColor FColor = clWindow;
    // True while a value is being loaded: text changes then are not the user's.
    bool FLoading = false;
};

class TKvMultiLineCellEditor : public TKvGridCellEditor
{
public:
    explicit TKvMultiLineCellEditor(TComponent* owner) : TKvGridCellEditor(owner) {}
    ~TKvMultiLineCellEditor() override;

    QString GetDisplayName() const override { return QStringLiteral("memo"); }
    void InitEditor() override;
    void SetReadOnly(bool Value) override;
    void SetEditIndex(const TKvGridCellIndex& Index) override;
    void SetParent(TWinControl* Parent) override;
    void CheckBounds(TRect& Rect) override;
    void SetBounds(int Left, int Top, int Width, int Height) override;
    void SetVisible(bool Value) override;
    bool CanFocus() const override;
    void SetFocus() override;
    void BeginEdit() override;
    void EndEdit() override;
    bool GetEditing() const override;
    bool GetEdited() const override;
    void SetEditValue(const Variant& Value) override;
    Variant GetEditValue() const override;
    void Commit() override {}
    void Reset() override;
    void Clear() override;
    TColor GetBackColor() const override;
    void DoStart(const TKvGridCellIndex& Index) override;

    // The size the text needs from Rect's top-left within the grid's client area.
    TRect CalcBounds(const TRect& Rect) const;
    void Resize();

    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value) { FAlignment = Value; }
    TColor GetColor() const;
    void SetColor(TColor Value);
    TKvGridMultiLineEditor* GetControl() const { return FEditor; }

protected:
    virtual TKvGridMultiLineEditor* CreateEdit();
    virtual void StartHandler(TObject* Sender);
    virtual void ChangeHandler(TObject* Sender);
    virtual void KeyDownHandler(TObject* Sender, std::uint16_t& Key, TShiftState Shift);
    virtual void KeyPressHandler(TObject* Sender, QChar& Key) {}
    void Notification(TComponent* component, TOperation operation) override;

    TKvGridMultiLineEditor* FEditor = nullptr;
    Variant FValue;
    bool FModified = false;
    TAlignment FAlignment = taLeftJustify;
    TColor FColor = clWindow;
    bool FLoading = false;
};

class TKvButtonCellEditor : public TKvLineCellEditor
{
public:
    explicit TKvButtonCellEditor(TComponent* owner) : TKvLineCellEditor(owner) {}
    bool HasButton() const override { return true; }
    void DoButtonClicked(const TKvGridCellIndex& Index) override { ButtonClicked(); }
    using TKvLineCellEditor::ButtonClicked;
    // The press on the editor button; empty here.
    virtual void ButtonClicked() {}
};

class TKvListCellEditor : public TKvLineCellEditor
{
public:
    explicit TKvListCellEditor(TComponent* owner) : TKvLineCellEditor(owner) {}

    QString GetDisplayName() const override { return QStringLiteral("list"); }
    bool HasButton() const override { return true; }
    void InitEditor() override;
    void SetEditIndex(const TKvGridCellIndex& Index) override;
    void SetBounds(int Left, int Top, int Width, int Height) override;
    void EndEdit() override;
    void DoButtonClicked(const TKvGridCellIndex& Index) override;
    // Hands the strings to the control; kept until the control exists.
    void SetItems(const QStringList& Items);

    bool GetUseColumnItems() const { return FUseColumnItems; }
    void SetUseColumnItems(bool Value) { FUseColumnItems = Value; }
    int GetDropDownCount() const;
    void SetDropDownCount(int Value);
    TKvGridInplaceList* GetList() const;

protected:
    TKvGridInplaceEditor* CreateEdit() override;

private:
    int ButtonWidth() const;

    bool FUseColumnItems = true;
    int FDropDownCount = 8;
    QStringList FItems;
};

class TKvLookupCellEditor : public TKvLineCellEditor
{
public:
    explicit TKvLookupCellEditor(TComponent* owner) : TKvLineCellEditor(owner) {}

    QString GetDisplayName() const override { return QStringLiteral("lookup"); }
    bool HasButton() const override { return true; }
    void InitEditor() override;
    void SetEditIndex(const TKvGridCellIndex& Index) override;
    void SetBounds(int Left, int Top, int Width, int Height) override;
    void EndEdit() override;
    void SetEditValue(const Variant& Value) override;
    // The stored value of the label in the control; a text that is no label keeps the old
    // value.
    Variant GetEditValue() const override;
    void DoButtonClicked(const TKvGridCellIndex& Index) override;

    bool GetHeaderVisible() const;
    void SetHeaderVisible(bool Value);
    int GetDropDownCount() const;
    void SetDropDownCount(int Value);
    TKvGridLookupList* GetList() const;

protected:
    TKvGridInplaceEditor* CreateEdit() override;
    void KeyDownHandler(TObject* Sender, std::uint16_t& Key, TShiftState Shift) override;

private:
    bool FHeaderVisible = true;
    int FDropDownCount = 8;
};

class TKvImageCellEditor : public TKvLineCellEditor
{
public:
    explicit TKvImageCellEditor(TComponent* owner) : TKvLineCellEditor(owner) {}
    QString GetDisplayName() const override { return QStringLiteral("image"); }
};

class TKvCheckCellEditor : public TKvLineCellEditor
{
public:
    explicit TKvCheckCellEditor(TComponent* owner) : TKvLineCellEditor(owner) {}
    QString GetDisplayName() const override { return QStringLiteral("check"); }
};

class TKvRadioCellEditor : public TKvLineCellEditor
{
public:
    explicit TKvRadioCellEditor(TComponent* owner) : TKvLineCellEditor(owner) {}
    QString GetDisplayName() const override { return QStringLiteral("radio"); }
};

class TKvDateTimeCellEditor : public TKvGridCellEditor
{
public:
    explicit TKvDateTimeCellEditor(TComponent* owner);
    ~TKvDateTimeCellEditor() override;

    QString GetDisplayName() const override { return QStringLiteral("date"); }
    bool HasButton() const override { return true; }
    void DoButtonClicked(const TKvGridCellIndex& Index) override;
    void InitEditor() override;
    void SetReadOnly(bool Value) override;
    void SetEditIndex(const TKvGridCellIndex& Index) override;
    void SetParent(TWinControl* Parent) override;
    void SetBounds(int Left, int Top, int Width, int Height) override;
    void SetVisible(bool Value) override;
    bool CanFocus() const override;
    void SetFocus() override;
    void BeginEdit() override;
    void EndEdit() override;
    bool GetEditing() const override;
    bool GetEdited() const override;
    // Null or unconvertible values put the control into its null state.
    void SetEditValue(const Variant& Value) override;
    // The control's date with the time of day of the value that was loaded.
    Variant GetEditValue() const override;
    void Commit() override;
    void Reset() override;
    void Clear() override {}
    TColor GetBackColor() const override { return FColor; }

    TColor GetColor() const;
    void SetColor(TColor Value);
    TDateTime GetMinDate() const { return FMinDate; }
    void SetMinDate(TDateTime Value);
    TDateTime GetMaxDate() const { return FMaxDate; }
    void SetMaxDate(TDateTime Value);
    TKvGridDateEditor* GetControl() const { return FEditor; }

protected:
    virtual TKvGridDateEditor* CreateEdit();
    virtual void StartedHandler(TObject* Sender);
    virtual void ChangeHandler(TObject* Sender);
    virtual void KeyDownHandler(TObject* Sender, std::uint16_t& Key, TShiftState Shift);
    virtual void KeyPressHandler(TObject* Sender, QChar& Key);
    void Notification(TComponent* component, TOperation operation) override;

    TKvGridDateEditor* FEditor = nullptr;
    bool FModified = false;
    TColor FColor = clWindow;
    TDateTime FMinDate;
    TDateTime FMaxDate;
    Variant FValue;
    bool FLoading = false;
};

class TKvNumberCellEditor : public TKvGridCellEditor
{
public:
    explicit TKvNumberCellEditor(TComponent* owner) : TKvGridCellEditor(owner) {}
    ~TKvNumberCellEditor() override;

    QString GetDisplayName() const override { return QStringLiteral("number"); }
    void InitEditor() override;
    void SetReadOnly(bool Value) override;
    void SetEditIndex(const TKvGridCellIndex& Index) override;
    void SetParent(TWinControl* Parent) override;
    void SetBounds(int Left, int Top, int Width, int Height) override;
    void SetVisible(bool Value) override;
    bool CanFocus() const override;
    void SetFocus() override;
    void BeginEdit() override;
    void EndEdit() override;
    bool GetEditing() const override;
    bool GetEdited() const override;
    // 0 for null, empty or unconvertible values; the decimals come from the column's number
    // format, or from the value itself when the format names none.
    void SetEditValue(const Variant& Value) override;
    Variant GetEditValue() const override;
    void Commit() override {}
    void Reset() override;
    void Clear() override;
    TColor GetBackColor() const override { return FColor; }

    TColor GetColor() const;
    void SetColor(TColor Value);
    TKvGridNumberEditor* GetControl() const { return FEditor; }

protected:
    virtual TKvGridNumberEditor* CreateEdit();
    virtual void StartedHandler(TObject* Sender);
    virtual void ChangeHandler(TObject* Sender);
    virtual void KeyDownHandler(TObject* Sender, std::uint16_t& Key, TShiftState Shift);
    virtual void KeyPressHandler(TObject* Sender, QChar& Key);
    void Notification(TComponent* component, TOperation operation) override;

    TKvGridNumberEditor* FEditor = nullptr;
    bool FModified = false;
    TColor FColor = clWindow;
    Variant FValue;
    bool FLoading = false;
};

// Holds and streams a reference to another editor.
class TKvProxyCellEditor : public TKvGridCellEditor
{
public:
    explicit TKvProxyCellEditor(TComponent* owner) : TKvGridCellEditor(owner) {}
    TKvGridCellEditor* GetEditor() const { return FEditor; }
    void SetEditor(TKvGridCellEditor* Value);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TKvGridCellEditor* FEditor = nullptr;
};

// Column-owned twins: answer IsInternal and their column, so they stream inside it.
template <typename TBase>
class TKvInternalCellEditor : public TBase
{
public:
    explicit TKvInternalCellEditor(TComponent* owner) : TBase(owner) {}
    bool IsInternal() const override { return true; }
    TKvGridColumn* GetParentColumn() const override { return FColumn; }
    void SetInternalColumn(TKvGridColumn* Column) { FColumn = Column; }

protected:
    // Read under a column: that column keeps it.
    void ReadState(TReader& Reader) override;

private:
    TKvGridColumn* FColumn = nullptr;
};

class TKvInternalLineCellEditor : public TKvInternalCellEditor<TKvLineCellEditor> { public: using TKvInternalCellEditor::TKvInternalCellEditor; };
class TKvInternalMultiLineCellEditor : public TKvInternalCellEditor<TKvMultiLineCellEditor> { public: using TKvInternalCellEditor::TKvInternalCellEditor; };
class TKvInternalButtonCellEditor : public TKvInternalCellEditor<TKvButtonCellEditor> { public: using TKvInternalCellEditor::TKvInternalCellEditor; };
class TKvInternalListCellEditor : public TKvInternalCellEditor<TKvListCellEditor> { public: using TKvInternalCellEditor::TKvInternalCellEditor; };
class TKvInternalLookupCellEditor : public TKvInternalCellEditor<TKvLookupCellEditor> { public: using TKvInternalCellEditor::TKvInternalCellEditor; };
class TKvInternalDateTimeCellEditor : public TKvInternalCellEditor<TKvDateTimeCellEditor> { public: using TKvInternalCellEditor::TKvInternalCellEditor; };
class TKvInternalNumberCellEditor : public TKvInternalCellEditor<TKvNumberCellEditor> { public: using TKvInternalCellEditor::TKvInternalCellEditor; };
class TKvInternalImageCellEditor : public TKvInternalCellEditor<TKvImageCellEditor> { public: using TKvInternalCellEditor::TKvInternalCellEditor; };
class TKvInternalCheckCellEditor : public TKvInternalCellEditor<TKvCheckCellEditor> { public: using TKvInternalCellEditor::TKvInternalCellEditor; };
class TKvInternalRadioCellEditor : public TKvInternalCellEditor<TKvRadioCellEditor> { public: using TKvInternalCellEditor::TKvInternalCellEditor; };

// Registers the editor classes with the class registry by name (once per process).
void RegisterGridEditorClasses();

} // namespace kv
