// Cell editor components: the single-line family (line, button, list, lookup, image, check,
// radio), the multi-line, date-time and number editors, the proxy editor, and the
// column-owned twin of each editor class, which streams as a child of its column.
//
// Each editor creates its in-place control on the first InitEditor, parents it to the grid,
// sizes it over the cell, loads the cell value into it, reports the control's start, change
// and resize to its listeners (the edit controller), passes navigation keys back to the grid
// and converts the edited text back to a value on commit.
//
// Sections: the shared bases (control editors, text editors); line, multi-line, button,
// drop-down (list, lookup), image, check and radio editors; date-time and number editors;
// proxy editor; column-owned twins.
#pragma once

#include "grid/KvGrids.EditorBase.h"
#include "grid/KvGrids.Editor.Text.h"
#include "platform/rtl/DateUtils.h"

#include <algorithm>

namespace kv {

class TKvGridDropDownEdit;
class TKvGridInplaceList;
class TKvGridLookupList;
class TKvGridDataColumn;

// What the editors over one in-cell control share: the control, made by InitEditor and owned
// by the editor; its colour; the modified mark; the value last loaded.
template <typename TControl>
class TKvControlCellEditor : public TKvGridCellEditor
{
public:
    explicit TKvControlCellEditor(TComponent* owner) : TKvGridCellEditor(owner) {}
    ~TKvControlCellEditor() override { FEditor = nullptr; }

    void SetReadOnly(bool Value) override
    {
        if (FEditor)
            FEditor->SetReadOnly(Value);
    }
    void SetParent(TWinControl* Parent) override
    {
        if (FEditor)
            FEditor->SetParent(Parent);
    }
    void SetBounds(int Left, int Top, int Width, int Height) override
    {
        if (FEditor)
            FEditor->SetBounds(Left, Top, std::max(0, Width), std::max(0, Height));
    }
    // The control stays a visible window so that it can hold the focus; zero bounds hide it.
    void SetVisible(bool) override
    {
        if (FEditor)
            FEditor->SetVisible(true);
    }
    bool CanFocus() const override { return FEditor && FEditor->CanFocus(); }
    void SetFocus() override
    {
        if (FEditor)
            FEditor->SetFocus();
    }
    void BeginEdit() override
    {
        if (FEditor)
            FEditor->SetStarted(true);
        FModified = false;
    }
    void EndEdit() override
    {
        FModified = false;
        if (FEditor)
            FEditor->SetStarted(false);
    }
    bool GetEditing() const override { return FEditor && FEditor->GetEditing(); }
    bool GetEdited() const override { return FEditor && FModified; }
    TColor GetBackColor() const override { return GetColor(); }
    TColor GetColor() const { return FEditor ? FEditor->GetColor() : FColor; }
    void SetColor(TColor Value)
    {
        FColor = Value;
        if (FEditor)
            FEditor->SetColor(Value);
    }
    TControl* GetControl() const { return FEditor; }

protected:
    // Takes the new control and binds its change and key events to the handlers.
    void BindControl(TControl* Control)
    {
        FEditor = Control;
        FEditor->SetColor(FColor);
        FEditor->OnChange = [this](TObject* s) { ChangeHandler(s); };
        FEditor->OnKeyDown = [this](TObject* s, std::uint16_t& k, TShiftState sh) { KeyDownHandler(s, k, sh); };
        FEditor->OnKeyPress = [this](TObject* s, QChar& k) { KeyPressHandler(s, k); };
    }
    // A change of the open control after BeginEdit is the user's.
    virtual void ChangeHandler(TObject*)
    {
        if (FLoading || !FEditor || !FEditor->GetEditing() || !FEditor->GetStarted())
            return;
        FModified = true;
        DoChanged(FEditIndex);
    }
    virtual void KeyDownHandler(TObject* Sender, std::uint16_t& Key, TShiftState Shift) {}
    virtual void KeyPressHandler(TObject*, QChar& Key)
    {
        if (Key.unicode() == 13 && GetEditing())
            SendCharToGrid(Key);
    }
    // Hands the key to the grid and consumes it.
    void ToGrid(std::uint16_t& Key, TShiftState Shift)
    {
        SendKeyToGrid(Key, Shift);
        Key = 0;
    }
    // Backspace: the grid sees it too, and unless the grid used it up it stays with the
    // control, whose character starts a waiting edit and deletes the selected text.
    void BackToGrid(std::uint16_t& Key, TShiftState Shift) { SendKeyToGrid(Key, Shift); }
    // Home and End go to the grid while waiting (an open editor keeps them); Left and Right go
    // to the grid at the first (last) position or while waiting; Ctrl+Delete
    // goes to the grid, Delete opens a waiting editor; Ctrl+C and Ctrl+V go to the grid while
    // waiting (an open editor copies and pastes its own text). True when the key was one of them.
    bool RouteCaretKey(std::uint16_t& Key, TShiftState Shift, bool AtFirst, bool AtLast)
    {
        const bool editing = GetEditing();
        switch (Key) {
        case VK_HOME:
        case VK_END:
            if (!editing)
                ToGrid(Key, Shift);
            return true;
        case VK_LEFT:
            if (!editing || AtFirst)
                ToGrid(Key, Shift);
            return true;
        case VK_RIGHT:
            if (!editing || AtLast)
                ToGrid(Key, Shift);
            return true;
        case VK_DELETE:
            if (Shift.Contains(ssCtrl))
                ToGrid(Key, Shift);
            else if (!editing)
                DoStart(FEditIndex);
            return true;
        case 'C':
        case 'V':
            if (!Shift.Contains(ssCtrl) || Shift.Contains(ssShift) || Shift.Contains(ssAlt))
                return false;
            if (!editing)
                ToGrid(Key, Shift);
            return true;
        default: return false;
        }
    }

    TComponentRef<TControl> FEditor;
    Variant FValue;
    bool FModified = false;
    TColor FColor = clWindow;
    // True while a value is being loaded: text changes then are not the user's.
    bool FLoading = false;
};

// The editors of text controls (single-line family and memo): the value as text, the
// control made on first use with its start event bound, and a start that selects all text.
template <typename TControl>
class TKvTextCellEditor : public TKvControlCellEditor<TControl>
{
public:
    explicit TKvTextCellEditor(TComponent* owner) : TKvControlCellEditor<TControl>(owner) {}

    void InitEditor() override
    {
        if (this->FEditor)
            return;
        this->BindControl(CreateEdit());
        this->FEditor->SetAlignment(FAlignment);
        this->FEditor->OnStart = [this](TObject* s) { StartHandler(s); };
    }
    // Internal invariant "FEditor is nil" without a control.
    void SetEditIndex(const TKvGridCellIndex& Index) override;
    void SetEditValue(const Variant& Value) override
    {
        this->FValue = Value;
        if (!this->FEditor)
            return;
        this->FLoading = true;
        this->FEditor->SetText(Value.IsClear() ? QString() : Value.ToString());
        this->FLoading = false;
    }
    // The text; the loaded value itself while the text is the one it was loaded as, so that
    // an empty cell given back unchanged stays without a value.
    Variant GetEditValue() const override
    {
        if (!this->FEditor)
            return Variant();
        const QString text = this->FEditor->GetText();
        if (text == (this->FValue.IsClear() ? QString() : this->FValue.ToString()))
            return this->FValue;
        return Variant(text);
    }
    void Commit() override {}
    void Reset() override { SetEditValue(this->FValue); }
    void Clear() override
    {
        if (this->FEditor)
            this->FEditor->SetText(QString());
    }
    // Notifies the listeners, then selects all text of the control.
    void DoStart(const TKvGridCellIndex& Index) override
    {
        TKvGridCellEditor::DoStart(Index);
        if (this->FEditor)
            this->FEditor->SelectAll();
    }
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value)
    {
        FAlignment = Value;
        if (this->FEditor)
            this->FEditor->SetAlignment(Value);
    }

protected:
    virtual TControl* CreateEdit() { return Create<TControl>(this); }
    virtual void StartHandler(TObject* Sender) { DoStart(this->FEditIndex); }
    // Left and Right go to the grid at the text's ends, as RouteCaretKey says.
    bool RouteTextCaretKey(std::uint16_t& Key, TShiftState Shift)
    {
        TControl* c = this->FEditor;
        if (!c)
            return false;
        const bool atStart = c->GetSelStart() == 0 && c->GetSelLength() == 0;
        const bool atEnd = c->GetSelLength() == 0 && c->GetSelStart() >= c->GetText().length();
        return this->RouteCaretKey(Key, Shift, atStart, atEnd);
    }

    TAlignment FAlignment = taLeftJustify;
};

// The single-line family.
class TKvLineCellEditor : public TKvTextCellEditor<TKvGridInplaceEditor>
{
public:
    explicit TKvLineCellEditor(TComponent* owner) : TKvTextCellEditor(owner) {}

    QString GetDisplayName() const override { return QStringLiteral("text"); }
    // One text line high, centred in the cell; zero bounds park the control.
    void SetBounds(int Left, int Top, int Width, int Height) override;
    bool NeedMask() const override { return true; }

protected:
    void KeyDownHandler(TObject* Sender, std::uint16_t& Key, TShiftState Shift) override;
    TKvGridDataColumn* EditColumn() const;
};

class TKvMultiLineCellEditor : public TKvTextCellEditor<TKvGridMultiLineEditor>
{
public:
    explicit TKvMultiLineCellEditor(TComponent* owner) : TKvTextCellEditor(owner) {}

    QString GetDisplayName() const override { return QStringLiteral("memo"); }
    void CheckBounds(TRect& Rect) override;
    void BeginEdit() override;

    // The size the text needs from Rect's top-left within the grid's client area.
    TRect CalcBounds(const TRect& Rect) const;
    void Resize();

protected:
    void ChangeHandler(TObject* Sender) override;
    void KeyDownHandler(TObject* Sender, std::uint16_t& Key, TShiftState Shift) override;
    void KeyPressHandler(TObject* Sender, QChar& Key) override {}
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

// The single-line editors whose control has a drop-down: the cell's editor button opens or
// closes it, and a drop-down still open when the editor is hidden closes without accepting.
class TKvDropDownCellEditor : public TKvLineCellEditor
{
public:
    explicit TKvDropDownCellEditor(TComponent* owner) : TKvLineCellEditor(owner) {}

    bool HasButton() const override { return true; }
    void InitEditor() override;
    // The control's edit height is the whole cell's, from which the drop-down is placed.
    void SetBounds(int Left, int Top, int Width, int Height) override;
    void EndEdit() override;
    void DoButtonClicked(const TKvGridCellIndex& Index) override;
    int GetDropDownCount() const;
    void SetDropDownCount(int Value);

protected:
    TKvGridDropDownEdit* DropDownEdit() const;

    int FDropDownCount = 8;
};

class TKvListCellEditor : public TKvDropDownCellEditor
{
public:
    explicit TKvListCellEditor(TComponent* owner) : TKvDropDownCellEditor(owner) {}

    QString GetDisplayName() const override { return QStringLiteral("list"); }
    void InitEditor() override;
    void SetEditIndex(const TKvGridCellIndex& Index) override;
    void SetBounds(int Left, int Top, int Width, int Height) override;
    void DoButtonClicked(const TKvGridCellIndex& Index) override;
    // Hands the strings to the control; kept until the control exists.
    void SetItems(const QStringList& Items);

    bool GetUseColumnItems() const { return FUseColumnItems; }
    void SetUseColumnItems(bool Value) { FUseColumnItems = Value; }
    TKvGridInplaceList* GetList() const;

protected:
    TKvGridInplaceEditor* CreateEdit() override;

private:
    int ButtonWidth() const;

    bool FUseColumnItems = true;
    QStringList FItems;
};

class TKvLookupCellEditor : public TKvDropDownCellEditor
{
public:
    explicit TKvLookupCellEditor(TComponent* owner) : TKvDropDownCellEditor(owner) {}

    QString GetDisplayName() const override { return QStringLiteral("lookup"); }
    void InitEditor() override;
    void SetEditIndex(const TKvGridCellIndex& Index) override;
    void SetEditValue(const Variant& Value) override;
    // The stored value of the label in the control; a text that is no label keeps the old
    // value.
    Variant GetEditValue() const override;

    bool GetHeaderVisible() const;
    void SetHeaderVisible(bool Value);
    TKvGridLookupList* GetList() const;

protected:
    TKvGridInplaceEditor* CreateEdit() override;
    void KeyDownHandler(TObject* Sender, std::uint16_t& Key, TShiftState Shift) override;

private:
    bool FHeaderVisible = true;
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

class TKvDateTimeCellEditor : public TKvControlCellEditor<TKvGridDateEditor>
{
public:
    explicit TKvDateTimeCellEditor(TComponent* owner);

    QString GetDisplayName() const override { return QStringLiteral("date"); }
    bool HasButton() const override { return true; }
    void DoButtonClicked(const TKvGridCellIndex& Index) override;
    void InitEditor() override;
    void SetEditIndex(const TKvGridCellIndex& Index) override;
    // A calendar still open closes without taking its date.
    void EndEdit() override;
    // Null or unconvertible values put the control into its null state.
    void SetEditValue(const Variant& Value) override;
    // The control's date with the time of day of the value that was loaded.
    Variant GetEditValue() const override;
    void Commit() override;
    void Reset() override { SetEditValue(FValue); }
    void Clear() override {}

    TDateTime GetMinDate() const { return FMinDate; }
    void SetMinDate(TDateTime Value);
    TDateTime GetMaxDate() const { return FMaxDate; }
    void SetMaxDate(TDateTime Value);

protected:
    virtual TKvGridDateEditor* CreateEdit();
    virtual void StartedHandler(TObject* Sender) { DoStart(FEditIndex); }
    void KeyDownHandler(TObject* Sender, std::uint16_t& Key, TShiftState Shift) override;

    TDateTime FMinDate;
    TDateTime FMaxDate;
};

class TKvNumberCellEditor : public TKvControlCellEditor<TKvGridNumberEditor>
{
public:
    explicit TKvNumberCellEditor(TComponent* owner) : TKvControlCellEditor(owner) {}

    QString GetDisplayName() const override { return QStringLiteral("number"); }
    void InitEditor() override;
    void SetEditIndex(const TKvGridCellIndex& Index) override;
    // 0 for null, empty or unconvertible values; the decimals come from the column's number
    // format, or from the value itself when the format names none.
    void SetEditValue(const Variant& Value) override;
    Variant GetEditValue() const override;
    void Commit() override {}
    void Reset() override { SetEditValue(FValue); }
    void Clear() override;

protected:
    virtual TKvGridNumberEditor* CreateEdit();
    virtual void StartedHandler(TObject* Sender) { DoStart(FEditIndex); }
    void KeyDownHandler(TObject* Sender, std::uint16_t& Key, TShiftState Shift) override;
};

// Holds and streams a reference to another editor.
class TKvProxyCellEditor : public TKvGridCellEditor
{
public:
    explicit TKvProxyCellEditor(TComponent* owner) : TKvGridCellEditor(owner) {}
    TKvGridCellEditor* GetEditor() const { return FEditor; }
    void SetEditor(TKvGridCellEditor* Value);

private:
    TComponentRef<TKvGridCellEditor> FEditor;
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

} // namespace kv
