// Cell editor components.
//
// Sections: helpers; line editor; multi-line editor; list and lookup editors; date-time
// editor; number editor; proxy editor and twins; registration.
//
// Call flow (per edit): InitEditor (control made) -> SetParent(grid) -> SetBounds(0,0,0,0),
// SetVisible(true) -> SetEditIndex -> focus (waiting) -> StartHandler or the controller's
// ShowEditor -> SetBounds(cell) -> SetEditValue, BeginEdit (editing) -> ChangeHandler
// (FModified) -> Commit, GetEditValue or a cancel -> SetEditValue, BeginEdit again, or
// SetBounds(0,0,0,0), EndEdit (hidden).
#include "grid/KvGrids.Editors.h"

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Editor.List.h"
#include "grid/KvGrids.Editor.Lookup.h"
#include "grid/KvGrids.Editor.Text.h"
#include "grid/KvGrids.View.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Streaming.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "platform/ui/Popups.h"

#include <algorithm>
#include <cmath>

namespace kv {

// ---- helpers ---------------------------------------------------------------------------

namespace {

// A line of the control's font, plus one pixel.
int LineHeight(const TFont* font) { return FontTextHeight(font) + 1; }

// Pixels between an edit control's side and its text: the widget's own margin.
constexpr int EDIT_TEXT_MARGIN = 2;
// The grid's edit bounds lie 1 pixel inside the cell on the left and 2 on the right.
constexpr int EDIT_INSET_LEFT = 1;
constexpr int EDIT_INSET_RIGHT = 2;

TAlignment CellAlignment(TKvAlignment Value)
{
    return Value == AlignFar ? taRightJustify : Value == AlignCenter ? taCenter : taLeftJustify;
}

// The cell's look for a text control over it: the column's text alignment when the editor
// keeps the default one, and margins that put the text where the cell draws it.
void ApplyCellLook(TCustomTextControl* Control, TAlignment Own, TKvGridColumn* Column)
{
    auto* data = dynamic_cast<TKvGridDataColumn*>(Column);
    TKvGridViewStyles* styles = data ? data->GetStyles() : nullptr;
    if (!Control || !styles)
        return;
    Control->SetAlignment(Own == taLeftJustify ? CellAlignment(styles->GetTextAlignment()) : Own);
    const int left = styles->GetBorderLeftWidth() + styles->GetPaddingLeft() - EDIT_INSET_LEFT - EDIT_TEXT_MARGIN;
    const int right = styles->GetBorderRightWidth() + styles->GetPaddingRight() - EDIT_INSET_RIGHT - EDIT_TEXT_MARGIN;
    Control->SetTextMargins(left, right);
}

} // namespace

// ---- text editors ----------------------------------------------------------------------

template <typename TControl>
void TKvTextCellEditor<TControl>::SetEditIndex(const TKvGridCellIndex& Index)
{
    TKvGridCellEditor::SetEditIndex(Index);
    KV_ASSERT(this->FEditor, "FEditor is nil");
    this->FEditor->SetEditColumn(Index.Column);
    ApplyCellLook(this->FEditor, FAlignment, Index.Column);
}

template class TKvTextCellEditor<TKvGridInplaceEditor>;
template class TKvTextCellEditor<TKvGridMultiLineEditor>;

// ---- line editor -----------------------------------------------------------------------

TKvGridDataColumn* TKvLineCellEditor::EditColumn() const { return dynamic_cast<TKvGridDataColumn*>(FEditIndex.Column); }

void TKvLineCellEditor::SetBounds(int Left, int Top, int Width, int Height)
{
    if (!FEditor)
        return;
    if (Width <= 0 || Height <= 0) {
        FEditor->SetBounds(Left, Top, 0, 0);
        return;
    }
    const int line = std::min(Height, LineHeight(FEditor->GetFont()));
    FEditor->SetBounds(Left, Top + (Height - line) / 2, Width, line);
}

// Navigation keys go to the grid; the control keeps what edits its text. Backspace in an
// open editor deletes in its text; in a waiting one it starts the edit and deletes the text.
void TKvLineCellEditor::KeyDownHandler(TObject*, std::uint16_t& Key, TShiftState Shift)
{
    switch (Key) {
    case VK_BACK: BackToGrid(Key, Shift); return;
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN:
    case VK_INSERT:
    case VK_F2: ToGrid(Key, Shift); return;
    default: break;
    }
    RouteTextCaretKey(Key, Shift);
}

// ---- multi-line editor -----------------------------------------------------------------

void TKvMultiLineCellEditor::BeginEdit()
{
    TKvTextCellEditor::BeginEdit();
    Resize();
}

void TKvMultiLineCellEditor::CheckBounds(TRect& Rect) { Rect = CalcBounds(Rect); }

TRect TKvMultiLineCellEditor::CalcBounds(const TRect& Rect) const
{
    if (!FEditor || !FGrid)
        return Rect;
    const int availWidth = std::max(0, FGrid->GetClientWidth() - Rect.Left - 2);
    const int availHeight = std::max(0, FGrid->GetClientHeight() - Rect.Top - 2);
    const TSize text = FontTextBounds(FEditor->GetFont(), FEditor->GetText(), availWidth, true);
    const int w = std::min(text.cx, availWidth);
    const int h = std::min(text.cy, availHeight);
    return TRect::Bounds(Rect.Left, Rect.Top, std::min(w + 8, availWidth), std::min(h + 4, availHeight));
}

void TKvMultiLineCellEditor::Resize()
{
    if (!FEditor || !GetEditing())
        return;
    const TRect r = CalcBounds(FEditor->GetBoundsRect());
    DoRequestResize(FEditIndex, r.Width(), r.Height());
}

// The memo grows while the user types.
void TKvMultiLineCellEditor::ChangeHandler(TObject* Sender)
{
    const bool modified = FModified;
    TKvTextCellEditor::ChangeHandler(Sender);
    if (FModified || modified)
        Resize();
}

void TKvMultiLineCellEditor::KeyDownHandler(TObject*, std::uint16_t& Key, TShiftState Shift)
{
    const bool editing = GetEditing();
    switch (Key) {
    case VK_BACK: BackToGrid(Key, Shift); return;
    case VK_TAB:
    case VK_ESCAPE:
    case VK_INSERT:
    case VK_F2: ToGrid(Key, Shift); return;
    case VK_RETURN:
        if (!Shift.Contains(ssCtrl))
            ToGrid(Key, Shift);
        return;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN:
        if (!editing)
            ToGrid(Key, Shift);
        return;
    default: break;
    }
    RouteTextCaretKey(Key, Shift);
}

// ---- list and lookup editors -----------------------------------------------------------

TKvGridDropDownEdit* TKvDropDownCellEditor::DropDownEdit() const { return static_cast<TKvGridDropDownEdit*>(FEditor.Get()); }

void TKvDropDownCellEditor::InitEditor()
{
    TKvLineCellEditor::InitEditor();
    DropDownEdit()->SetDropDownCount(FDropDownCount);
}

int TKvDropDownCellEditor::GetDropDownCount() const { return FEditor ? DropDownEdit()->GetDropDownCount() : FDropDownCount; }

void TKvDropDownCellEditor::SetDropDownCount(int Value)
{
    FDropDownCount = Value;
    if (FEditor)
        DropDownEdit()->SetDropDownCount(Value);
}

void TKvDropDownCellEditor::SetBounds(int Left, int Top, int Width, int Height)
{
    TKvLineCellEditor::SetBounds(Left, Top, Width, Height);
    if (FEditor)
        DropDownEdit()->SetEditHeight(Height);
}

void TKvDropDownCellEditor::EndEdit()
{
    if (FEditor)
        DropDownEdit()->CloseUp(false);
    TKvLineCellEditor::EndEdit();
}

void TKvDropDownCellEditor::DoButtonClicked(const TKvGridCellIndex&)
{
    if (FEditor)
        DropDownEdit()->ButtonClick();
}

TKvGridInplaceEditor* TKvListCellEditor::CreateEdit() { return Create<TKvGridInplaceList>(this); }

TKvGridInplaceList* TKvListCellEditor::GetList() const { return static_cast<TKvGridInplaceList*>(FEditor.Get()); }

void TKvListCellEditor::InitEditor()
{
    const bool made = !FEditor;
    TKvDropDownCellEditor::InitEditor();
    if (made && !FItems.isEmpty())
        GetList()->SetItems(FItems);
}

void TKvListCellEditor::SetItems(const QStringList& Items)
{
    FItems = Items;
    if (FEditor)
        GetList()->SetItems(Items);
}

void TKvListCellEditor::SetEditIndex(const TKvGridCellIndex& Index)
{
    TKvLineCellEditor::SetEditIndex(Index);
    if (FUseColumnItems)
        if (TKvGridDataColumn* column = EditColumn())
            SetItems(column->GetLookupValues());
}

int TKvListCellEditor::ButtonWidth() const { return FGrid ? GetSystemMetrics(SM_CXVSCROLL) : 0; }

void TKvListCellEditor::SetBounds(int Left, int Top, int Width, int Height)
{
    TKvDropDownCellEditor::SetBounds(Left, Top, Width, Height);
    if (FEditor)
        GetList()->SetButtonWidth(ButtonWidth());
}

void TKvListCellEditor::DoButtonClicked(const TKvGridCellIndex& Index)
{
    if (FEditor)
        GetList()->SetButtonWidth(ButtonWidth());
    TKvDropDownCellEditor::DoButtonClicked(Index);
}

TKvGridInplaceEditor* TKvLookupCellEditor::CreateEdit() { return Create<TKvGridLookupList>(this); }

TKvGridLookupList* TKvLookupCellEditor::GetList() const { return static_cast<TKvGridLookupList*>(FEditor.Get()); }

void TKvLookupCellEditor::InitEditor()
{
    TKvDropDownCellEditor::InitEditor();
    GetList()->SetHeaderVisible(FHeaderVisible);
}

bool TKvLookupCellEditor::GetHeaderVisible() const { return FEditor ? GetList()->GetHeaderVisible() : FHeaderVisible; }

void TKvLookupCellEditor::SetHeaderVisible(bool Value)
{
    FHeaderVisible = Value;
    if (FEditor)
        GetList()->SetHeaderVisible(Value);
}

void TKvLookupCellEditor::SetEditIndex(const TKvGridCellIndex& Index)
{
    TKvLineCellEditor::SetEditIndex(Index);
    if (FEditor)
        GetList()->SetTargetColumn(EditColumn());
}

void TKvLookupCellEditor::SetEditValue(const Variant& Value)
{
    Variant label = Value;
    if (TKvGridDataColumn* column = EditColumn())
        column->GetLookupValue(Value, label);
    TKvLineCellEditor::SetEditValue(label);
    FValue = Value;
}

Variant TKvLookupCellEditor::GetEditValue() const
{
    if (!FEditor)
        return Variant();
    const QString text = FEditor->GetText();
    TKvGridDataColumn* column = EditColumn();
    if (!column)
        return Variant(text);
    if (text.isEmpty())
        return Variant::Null();
    const Variant value = column->GetSourceValue(text);
    return value.IsEmpty() ? FValue : value;
}

void TKvLookupCellEditor::KeyDownHandler(TObject* Sender, std::uint16_t& Key, TShiftState Shift)
{
    const TKvGridCellIndex index = FEditIndex;
    TKvLineCellEditor::KeyDownHandler(Sender, Key, Shift);
    if (FGrid && FEditor && !(FGrid->GetFocusedIndex() == index))
        GetList()->CloseUp(true);
}

// ---- date-time editor ------------------------------------------------------------------

TKvDateTimeCellEditor::TKvDateTimeCellEditor(TComponent* owner)
    : TKvControlCellEditor(owner), FMinDate(EncodeDate(2000, 1, 1)), FMaxDate(EncodeDate(2200, 12, 31))
{
}

TKvGridDateEditor* TKvDateTimeCellEditor::CreateEdit() { return Create<TKvGridDateEditor>(this); }

void TKvDateTimeCellEditor::InitEditor()
{
    if (FEditor)
        return;
    BindControl(CreateEdit());
    // Cells show dates as year-month-day with "-".
    FEditor->SetUseSystemSeparator(false);
    FEditor->SetSeparator(QLatin1Char('-'));
    FEditor->SetMaxDate(FMaxDate);
    FEditor->SetMinDate(FMinDate);
    FEditor->SetDate(FMinDate);
    FEditor->OnStarted = [this](TObject* s) { StartedHandler(s); };
}

namespace {

// A range with its ends swapped is refused; one read from a form is kept as it was read.
void CheckDateRange(const TComponent* editor, TDateTime minDate, TDateTime maxDate)
{
    if (minDate > maxDate && !editor->IsLoading())
        throw EArgumentOutOfRangeException(QStringLiteral("MinDate %1 is after MaxDate %2: the range needs MinDate "
                                                          "on or before MaxDate")
                                               .arg(DateTimeToStr(minDate), DateTimeToStr(maxDate)));
}

} // namespace

void TKvDateTimeCellEditor::SetMinDate(TDateTime Value)
{
    CheckDateRange(this, Value, FMaxDate);
    FMinDate = Value;
    if (FEditor)
        FEditor->SetMinDate(Value);
}

void TKvDateTimeCellEditor::SetMaxDate(TDateTime Value)
{
    CheckDateRange(this, FMinDate, Value);
    FMaxDate = Value;
    if (FEditor)
        FEditor->SetMaxDate(Value);
}

void TKvDateTimeCellEditor::SetEditIndex(const TKvGridCellIndex& Index)
{
    TKvGridCellEditor::SetEditIndex(Index);
    KV_ASSERT(FEditor, "FEditor is nil");
    FEditor->SetEditColumn(Index.Column);
    // The first digit stands where the cell draws it.
    if (auto* column = dynamic_cast<TKvGridDataColumn*>(Index.Column))
        if (TKvGridViewStyles* styles = column->GetStyles())
            FEditor->SetPaddingLeft(std::max(0, styles->GetBorderLeftWidth() + styles->GetPaddingLeft() - EDIT_INSET_LEFT));
}

void TKvDateTimeCellEditor::EndEdit()
{
    if (FEditor)
        FEditor->CloseUp(false);
    TKvControlCellEditor::EndEdit();
}

// The control's range is widened to hold the value, so that editing one element of a date
// outside the default range never moves another element into it.
void TKvDateTimeCellEditor::SetEditValue(const Variant& Value)
{
    FValue = Value;
    if (!FEditor)
        return;
    FLoading = true;
    FEditor->SetMinDate(FMinDate);
    FEditor->SetMaxDate(FMaxDate);
    double date = 0;
    bool ok = !Value.IsClear();
    if (ok) {
        try {
            date = std::floor(Value.ToDateTime());
        } catch (const Exception&) {
            ok = false;
        }
    }
    if (ok) {
        if (date < FMinDate)
            FEditor->SetMinDate(date);
        if (date > FMaxDate)
            FEditor->SetMaxDate(date);
        FEditor->SetDate(date);
    } else {
        FEditor->SetNull();
    }
    // Typing starts at the first part of the date.
    FEditor->MoveCaret(-FEditor->GetElementCount());
    FLoading = false;
}

Variant TKvDateTimeCellEditor::GetEditValue() const
{
    if (!FEditor || FEditor->IsNull())
        return Variant();
    double time = 0;
    if (!FValue.IsClear()) {
        try {
            const double loaded = FValue.ToDateTime();
            time = loaded - std::floor(loaded);
        } catch (const Exception&) {
            time = 0;
        }
    }
    return Variant::DateTime(std::floor(FEditor->GetDate()) + time);
}

// A part refused while it was typed, or a date outside the range, refuses the commit: the
// editor stays open on it with the message.
void TKvDateTimeCellEditor::Commit()
{
    if (!FEditor)
        return;
    FEditor->Commit();
    FEditor->CheckDate();
}

void TKvDateTimeCellEditor::DoButtonClicked(const TKvGridCellIndex&)
{
    if (FEditor)
        FEditor->ButtonClick();
}

void TKvDateTimeCellEditor::KeyDownHandler(TObject*, std::uint16_t& Key, TShiftState Shift)
{
    switch (Key) {
    case VK_BACK:
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_INSERT:
    case VK_F2: ToGrid(Key, Shift); return;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN:
        if (!Shift.Contains(ssAlt))
            ToGrid(Key, Shift);
        return;
    default: break;
    }
    if (FEditor)
        RouteCaretKey(Key, Shift, FEditor->GetCaretFirst(), FEditor->GetCaretLast());
}

// ---- number editor ---------------------------------------------------------------------

namespace {

// Decimals named by a number format ("#,##0.00" has 2); -1 when it names none.
int FormatDecimals(const QString& format)
{
    const int point = format.indexOf(QLatin1Char('.'));
    if (format.isEmpty())
        return -1;
    if (point < 0)
        return 0;
    int count = 0;
    for (int i = point + 1; i < format.size() && (format[i] == QLatin1Char('0') || format[i] == QLatin1Char('#')); ++i)
        ++count;
    return count;
}

// Decimals the value itself needs (at most 6).
int ValueDecimals(double value)
{
    QString text = QString::number(std::fabs(value), 'f', 6);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    const int point = text.indexOf(QLatin1Char('.'));
    return point < 0 ? 0 : int(text.size()) - point - 1;
}

} // namespace

TKvGridNumberEditor* TKvNumberCellEditor::CreateEdit() { return Create<TKvGridNumberEditor>(this); }

void TKvNumberCellEditor::InitEditor()
{
    if (FEditor)
        return;
    BindControl(CreateEdit());
    FEditor->OnStarted = [this](TObject* s) { StartedHandler(s); };
}

void TKvNumberCellEditor::SetEditIndex(const TKvGridCellIndex& Index)
{
    TKvGridCellEditor::SetEditIndex(Index);
    if (FEditor)
        FEditor->SetEditColumn(Index.Column);
    // Numbers stand where the cell aligns them.
    auto* column = dynamic_cast<TKvGridDataColumn*>(Index.Column);
    if (FEditor && column && column->GetStyles())
        FEditor->SetAlignment(CellAlignment(column->GetStyles()->GetTextAlignment()));
}

void TKvNumberCellEditor::SetEditValue(const Variant& Value)
{
    FValue = Value;
    if (!FEditor)
        return;
    double number = 0;
    if (!Value.IsClear() && !Value.TryToDouble(number)) {
        bool ok = false;
        number = Value.ToString().trimmed().toDouble(&ok);
        if (!ok)
            number = 0;
    }
    int decimals = -1;
    if (auto* column = dynamic_cast<TKvGridDataColumn*>(FEditIndex.Column))
        if (column->GetStyles())
            decimals = FormatDecimals(column->GetStyles()->GetNumberFormat());
    // The value's own decimals show, at least as many as the number format names, and more
    // may be typed: the format only rounds what the cell shows.
    FEditor->SetFreeDecimals(true);
    decimals = std::max(decimals, ValueDecimals(number));
    FLoading = true;
    if (FEditor->GetMaxLength() > 0 && decimals > FEditor->GetMaxLength() - 1)
        FEditor->SetMaxLength(decimals + 1);
    FEditor->SetPrecision(decimals);
    FEditor->SetValue(number);
    // The selection made on entering the control was the text before: the value loaded is
    // selected whole.
    if (FEditor->GetAutoSelect())
        FEditor->SelectAll();
    FLoading = false;
}

Variant TKvNumberCellEditor::GetEditValue() const { return FEditor ? Variant(FEditor->GetValue()) : Variant(); }

void TKvNumberCellEditor::Clear()
{
    if (FEditor)
        FEditor->Clear();
}

// Backspace, Delete and the Ctrl combinations stay with the control.
void TKvNumberCellEditor::KeyDownHandler(TObject*, std::uint16_t& Key, TShiftState Shift)
{
    const bool editing = GetEditing();
    switch (Key) {
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN:
    case VK_INSERT:
    case VK_F2: ToGrid(Key, Shift); return;
    case VK_BACK:
        // A waiting editor opens with its value selected, which the key then deletes.
        if (!editing && FEditor)
            FEditor->Start();
        return;
    case VK_HOME:
    case VK_END:
        if (!editing)
            ToGrid(Key, Shift);
        return;
    case VK_LEFT:
        if (!editing || FEditor->GetCaret() == 0)
            ToGrid(Key, Shift);
        return;
    case VK_RIGHT:
        if (!editing || FEditor->GetCaret() >= FEditor->GetText().length())
            ToGrid(Key, Shift);
        return;
    default: return;
    }
}

// ---- proxy editor and twins ------------------------------------------------------------

void TKvProxyCellEditor::SetEditor(TKvGridCellEditor* Value)
{
    if (Value == FEditor)
        return;
    FEditor = Value;
    Changed();
}

template <typename TBase>
void TKvInternalCellEditor<TBase>::ReadState(TReader& Reader)
{
    if (auto* column = dynamic_cast<TKvGridColumn*>(Reader.GetParent()))
        FColumn = column;
    TBase::ReadState(Reader);
}

template class TKvInternalCellEditor<TKvLineCellEditor>;
template class TKvInternalCellEditor<TKvMultiLineCellEditor>;
template class TKvInternalCellEditor<TKvButtonCellEditor>;
template class TKvInternalCellEditor<TKvListCellEditor>;
template class TKvInternalCellEditor<TKvLookupCellEditor>;
template class TKvInternalCellEditor<TKvDateTimeCellEditor>;
template class TKvInternalCellEditor<TKvNumberCellEditor>;
template class TKvInternalCellEditor<TKvImageCellEditor>;
template class TKvInternalCellEditor<TKvCheckCellEditor>;
template class TKvInternalCellEditor<TKvRadioCellEditor>;

// ---- registration ----------------------------------------------------------------------

KV_PUBLISH_ENUM(TAlignment, "taLeftJustify", "taRightJustify", "taCenter");

KV_PUBLISH(TKvGridCellEditor, TComponent);

KV_PUBLISH(TKvLineCellEditor, TKvGridCellEditor)
    .Property("Alignment", &TKvLineCellEditor::GetAlignment, &TKvLineCellEditor::SetAlignment)
    .Default(taLeftJustify)
    .Property("Color", &TKvLineCellEditor::GetColor, &TKvLineCellEditor::SetColor)
    .Default(clWindow);
KV_PUBLISH(TKvMultiLineCellEditor, TKvGridCellEditor)
    .Property("Alignment", &TKvMultiLineCellEditor::GetAlignment, &TKvMultiLineCellEditor::SetAlignment)
    .Default(taLeftJustify)
    .Property("Color", &TKvMultiLineCellEditor::GetColor, &TKvMultiLineCellEditor::SetColor)
    .Default(clWindow);
KV_PUBLISH(TKvButtonCellEditor, TKvLineCellEditor);
KV_PUBLISH(TKvDropDownCellEditor, TKvLineCellEditor);
KV_PUBLISH(TKvListCellEditor, TKvDropDownCellEditor)
    .Property("DropDownCount", &TKvListCellEditor::GetDropDownCount, &TKvListCellEditor::SetDropDownCount)
    .Default(8);
KV_PUBLISH(TKvLookupCellEditor, TKvDropDownCellEditor)
    .Property("HeaderVisible", &TKvLookupCellEditor::GetHeaderVisible, &TKvLookupCellEditor::SetHeaderVisible)
    .Default(true)
    .Property("DropDownCount", &TKvLookupCellEditor::GetDropDownCount, &TKvLookupCellEditor::SetDropDownCount)
    .Default(8);
KV_PUBLISH(TKvImageCellEditor, TKvLineCellEditor);
KV_PUBLISH(TKvCheckCellEditor, TKvLineCellEditor);
KV_PUBLISH(TKvRadioCellEditor, TKvLineCellEditor);
KV_PUBLISH(TKvDateTimeCellEditor, TKvGridCellEditor)
    .Property("Color", &TKvDateTimeCellEditor::GetColor, &TKvDateTimeCellEditor::SetColor)
    .Default(clWindow)
    .Property("MinDate", &TKvDateTimeCellEditor::GetMinDate, &TKvDateTimeCellEditor::SetMinDate)
    .Default(EncodeDate(2000, 1, 1))
    .Property("MaxDate", &TKvDateTimeCellEditor::GetMaxDate, &TKvDateTimeCellEditor::SetMaxDate);
KV_PUBLISH(TKvNumberCellEditor, TKvGridCellEditor)
    .Property("Color", &TKvNumberCellEditor::GetColor, &TKvNumberCellEditor::SetColor)
    .Default(clWindow);
KV_PUBLISH(TKvProxyCellEditor, TKvGridCellEditor)
    .Property("Editor", &TKvProxyCellEditor::GetEditor, &TKvProxyCellEditor::SetEditor);

KV_PUBLISH(TKvInternalLineCellEditor, TKvLineCellEditor);
KV_PUBLISH(TKvInternalMultiLineCellEditor, TKvMultiLineCellEditor);
KV_PUBLISH(TKvInternalButtonCellEditor, TKvButtonCellEditor);
KV_PUBLISH(TKvInternalListCellEditor, TKvListCellEditor);
KV_PUBLISH(TKvInternalLookupCellEditor, TKvLookupCellEditor);
KV_PUBLISH(TKvInternalDateTimeCellEditor, TKvDateTimeCellEditor);
KV_PUBLISH(TKvInternalNumberCellEditor, TKvNumberCellEditor);
KV_PUBLISH(TKvInternalImageCellEditor, TKvImageCellEditor);
KV_PUBLISH(TKvInternalCheckCellEditor, TKvCheckCellEditor);
KV_PUBLISH(TKvInternalRadioCellEditor, TKvRadioCellEditor);

} // namespace kv
