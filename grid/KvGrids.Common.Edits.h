// Edit controls that in-place editors are made of: a masked single-line edit with a custom
// area at its right, a custom-drawn fixed-point number edit with spin buttons, and a date edit
// typed element by element with a month calendar that drops down.
//
// Descendants that wait invisibly for the first keystroke override InputStarting, which runs
// before a typed character (Backspace or a printable one) or an input-method composition
// reaches a control that accepts input; SetFont takes a font from elsewhere (a column style).
//
// Sections: masked edit; custom-drawn edits (the base of the next two); number edit; date edit.
// The code is in KvGrids.Common.Edits.cpp (masked, custom-drawn and number edits) and
// KvGrids.Common.Edits.Date.cpp (the date edit).
//
// Call flow: the in-place controls of KvGrids.Editor.Text (TKvGridInplaceEditor,
// TKvGridNumberEditor, TKvGridDateEditor) derive from these edits and are made by the cell
// editors of KvGrids.Editors. Keys arrive at WndProc as WM_KEYDOWN then WM_CHAR: a character or
// composition runs InputStarting first, then KeyDown and KeyPress edit the text or the
// current element; every change of the value ends in OnChange, which the cell editor's
// ChangeHandler reports to the edit controller.
#pragma once

#include "graphics/KvGrids.Common.Drawing.h"
#include "grid/KvGrids.Common.Lists.h"
#include "platform/rtl/DateUtils.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Services.h"
#include "platform/ui/StdCtrls.h"

#include <functional>
#include <memory>
#include <vector>

namespace kv {

// --- masked edit -----------------------------------------------------------------------------

class TKvCustomMaskEdit : public TCustomMaskEdit
{
public:
    explicit TKvCustomMaskEdit(TComponent* owner);
    void AfterConstruction() override;

    // Repaints the custom rectangle only.
    void InvalidateCustom();

protected:
    // Draws the custom rectangle; empty here.
    virtual void DrawCustom(HDC DC, const TRect& Rect) {}
    // The client rectangle collapsed to zero width at its right edge.
    virtual TRect GetCustomRect() const;
    // Where the text goes; empty means the client area left of the custom rectangle.
    virtual TRect GetEditRect() const { return TRect{}; }
    virtual void InputStarting() {}

    TRect GetTextRect() const override;
    void WndProc(TMessage& message) override;
    void PaintHandler(TMessage& message) override;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void DoEnter() override;
    void Resize() override;
};

// --- custom-drawn edits -----------------------------------------------------------------------

// Common ground of the custom-drawn edits: font and colour, a single border, tab stop, all
// keys wanted, and the start hook for characters and compositions while AcceptsInput.
class TKvCustomDrawnEdit : public TCustomControl
{
public:
    explicit TKvCustomDrawnEdit(TComponent* owner);
    void AfterConstruction() override;

    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    TFont* GetFont() const { return FFont.get(); }
    void SetFont(const TFont* value) { FFont->Assign(value); }

protected:
    void WndProc(TMessage& message) override;
    // The font changed: the drawing font is made again and the control repaints.
    virtual void FontChanged();
    virtual void InputStarting() {}
    virtual bool AcceptsInput() const = 0;
    TKvFont* DrawingFont() const { return FKvFont.get(); }
    // The font's colour, or the grey of disabled text.
    TKvColor TextColor() const;
    static TKvColor SystemColor(TSysColor index);
    void PaintBackground(TKvDrawingContext& dc);

private:
    TColor FColor = clWhite;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TKvFont> FKvFont;
};

// --- number edit -----------------------------------------------------------------------------

enum TKvTextLayout { tlTop, tlCenter, tlBottom };

using TKvNumberSpinClickEvent = std::function<void(TObject* sender, double delta, bool& accept)>;

// The value is kept as raw text: its absolute amount with "." as decimal point and exactly
// Precision decimals, empty for null; the sign is kept apart. The display uses the locale's
// decimal point and, with ThousandSep, its digit groups.
class TKvNumberEdit : public TKvCustomDrawnEdit
{
public:
    explicit TKvNumberEdit(TComponent* owner);
    ~TKvNumberEdit() override;
    void AfterConstruction() override;

    double GetValue() const;
    void SetValue(double Value);
    bool IsNull() const { return FText.isEmpty(); }
    // The raw text.
    const QString& GetText() const { return FText; }
    void Clear();
    void SelectAll();
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void SpinClick(double Delta);
    double CheckValue(double Value) const;
    QString DisplayText() const;

    // Caret position in the raw text and the selection (raw text positions, start <= end).
    int GetCaret() const { return FCurr; }
    int GetSelStart() const;
    int GetSelEnd() const;

    int GetPrecision() const { return FPrecision; }
    void SetPrecision(int value);
    int GetMaxLength() const { return FMaxLength; }
    void SetMaxLength(int value);
    bool GetThousandSep() const { return FThousandSep; }
    void SetThousandSep(bool value);
    bool GetSpinner() const { return FSpinner; }
    void SetSpinner(bool value);
    bool GetSpinner3D() const { return FSpinner3D; }
    void SetSpinner3D(bool value);
    TKvTextLayout GetLayout() const { return FLayout; }
    void SetLayout(TKvTextLayout value);
    // Horizontal placement of the text in the text area.
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    bool GetAutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool value) { FAutoSelect = value; }
    bool GetEnableNull() const { return FEnableNull; }
    void SetEnableNull(bool value) { FEnableNull = value; }
    double GetMaxValue() const { return FMaxValue; }
    void SetMaxValue(double value) { FMaxValue = value; }
    double GetMinValue() const { return FMinValue; }
    void SetMinValue(double value) { FMinValue = value; }
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    // Pixel geometry: the text area, the spin strip (empty without Spinner) and the x of a
    // raw text position.
    TRect GetTextRect() const;
    TRect GetSpinRect() const;
    int PositionToX(int index) const;

    TNotifyEvent OnChange;
    TKvNumberSpinClickEvent OnSpinClick;

protected:
    void Paint() override;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void DoEnter() override;
    void DoExit() override;
    void Resize() override;
    virtual void Changed();
    void FontChanged() override;
    bool AcceptsInput() const override { return CanModify(); }
    bool CanModify() const { return !FReadOnly; }
    void ResetCaret();

private:
    int ZeroPos() const;
    bool HasRange() const { return FMinValue != FMaxValue; }
    bool HasSelection() const;
    QString Format(double absValue) const;
    void StoreText(const QString& text);
    void TypeDigit(QChar digit);
    void TypeMinus();
    void TypePoint();
    // The raw text without positions [start, end) by the fixed-point rules; empty when the
    // whole text goes.
    QString TextWithout(int start, int end) const;
    // Deletes raw positions [start, end) by the fixed-point rules; the caret lands at caret.
    void DeleteRange(int start, int end, int caret);
    void DeleteSelection();
    void ClearSelection();
    void MoveCaret(int index, bool extend);
    std::vector<int> DisplayMap(const QString& display) const;
    int DisplayPos(const std::vector<int>& map, int index) const;
    int IndexAt(int x) const;
    int SpinStepAt(int y) const;
    int TextTop() const;
    // Where the shown text (sign included) begins, by the alignment.
    int TextLeft() const;

    int FCurr = 0;
    int FWCaret = 1;
    int FHCaret = 0;
    bool FSelecting = false;
    int FSelStart = 0;
    int FSelEnd = 0;
    int FSign = 1;
    int FSpinState = 0;
    bool FPressed = false;
    bool FTracking = false;
    bool FAutoSelect = true;
    bool FEnableNull = false;
    TKvTextLayout FLayout = tlCenter;
    TAlignment FAlignment = taLeftJustify;
    int FMaxLength = 10;
    double FMaxValue = 0;
    double FMinValue = 0;
    std::uint16_t FPrecision = 0;
    bool FReadOnly = false;
    bool FSpinner = false;
    bool FSpinner3D = true;
    bool FThousandSep = true;
    QString FText;
};

// --- date edit -------------------------------------------------------------------------------

class TKvDateEdit : public TKvCustomDrawnEdit
{
public:
    class TElement
    {
    public:
        virtual ~TElement() = default;
        virtual QString GetText() const = 0;
        virtual bool IsNumber() const { return false; }
        int FIndex = 0;
    };

    class TNumber : public TElement
    {
    public:
        QString GetText() const override;
        bool IsNumber() const override { return true; }
        int FDigits = 2;
        bool FPadding = false;
        int FValue = 0;
        QString FInput;
    };
    class TYear : public TNumber {};
    class TMonth : public TNumber {};
    class TDay : public TNumber {};

    class TSeperator : public TElement
    {
    public:
        QString GetText() const override { return FText; }
        QString FText;
    };

    explicit TKvDateEdit(TComponent* owner);
    ~TKvDateEdit() override;
    void AfterConstruction() override;

    TDateTime GetDate() const { return FDate; }
    void SetDate(TDateTime D);
    bool IsNull() const { return FNull; }
    void SetNull();
    void Commit();
    // Raises EConvertError when the date shown is not one to take: a part refused while it
    // was typed (the caret goes back to it), or a date outside MinDate..MaxDate.
    void CheckDate();
    virtual void DropDown(bool Capture);
    virtual void CloseUp(bool Accept);
    void MoveCaret(int Delta);
    void SetCaret(int Index);
    bool GetCaretFirst() const;
    bool GetCaretLast() const;
    // The index of the current element (-1 with none).
    int GetCaret() const { return FCaret; }
    bool GetListVisible() const { return FListVisible; }

    // The elements as shown, one string.
    QString GetDisplayText() const;
    int GetElementCount() const { return int(FElements.size()); }
    const TElement* GetElement(int index) const { return FElements.at(size_t(index)).get(); }
    // Where an element's first character cell starts (client x) and the cell size.
    int ElementX(int index) const;
    int GetCharWidth() const { return FWChar; }
    int GetCharHeight() const { return FHChar; }

    const QString& GetFormat() const { return FFormat; }
    void SetFormat(const QString& value);
    QChar GetSeparator() const { return FSeparator; }
    void SetSeparator(QChar value);
    bool GetUseSystemFormat() const { return FUseSystemFormat; }
    void SetUseSystemFormat(bool value);
    bool GetUseSystemSeparator() const { return FUseSystemSeparator; }
    void SetUseSystemSeparator(bool value);
    int GetPaddingLeft() const { return FPaddingLeft; }
    void SetPaddingLeft(int value);
    TDateTime GetMinDate() const { return FMinDate; }
    void SetMinDate(TDateTime D);
    TDateTime GetMaxDate() const { return FMaxDate; }
    void SetMaxDate(TDateTime D);
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    // The drop-down calendar (owned).
    TKvDateList* GetCalendar() const { return FCalendar.get(); }

    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

protected:
    void WndProc(TMessage& message) override;
    void Paint() override;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void DoEnter() override;
    void DoExit() override;
    void PeerCreated() override;
    void Loaded() override;
    void FontChanged() override;
    bool AcceptsInput() const override { return GetEnabled(); }
    virtual void DoChanged(TNumber* element);
    bool Validate(TNumber* element, const QString& input) const;
    void ParseFormat();
    void EncodeElements();

private:
    // The key handling of an open calendar; true when the key was used.
    bool CalendarKey(std::uint16_t key, TShiftState shift);
    void TypeDigit(QChar digit);
    // The value a year element's input stands for (short inputs borrow the current year's
    // leading digits).
    int InputValue(TNumber* element, const QString& input) const;
    // Takes over the current element's typed input.
    void TakeInput();
    // The largest day the day element takes while typing: the shown month's days once the
    // month and year come before the day, else the most that month or any month can have.
    int DayLimit() const;
    // The index of the day element, -1 without one.
    int DayIndex() const;
    // True when no further digit can make the input a longer valid number.
    bool InputComplete(TNumber* element, const QString& input) const;
    // False when a month or year value for element leaves no room for the day typed before
    // it; year and month are the date's with that value.
    bool TypedDayFits(TNumber* element, int value, int& year, int& month) const;
    // Refuses a date that cannot be, with the beep and a message; element stays refused
    // until a value is typed into it.
    void RefuseDate(TNumber* element, int year, int month, int day);
    // Refuses a year outside the years of MinDate..MaxDate in the same way; false then.
    bool AcceptYear(TNumber* element, int year);
    void Refuse(TNumber* element, const QString& message);
    // The message that refuses text (a year or a date) before MinDate or after MaxDate.
    QString RangeMessage(const QString& text, bool before) const;
    // Makes value the element's, refusing a year out of range or a month or year that
    // leaves no room for the typed day; false when refused.
    bool TakeValue(TNumber* element, int value);
    // Forgets typed state that belongs to the date shown before (a new date, null, format).
    void ResetTyping();
    TNumber* Current() const;
    int FirstNumber() const;
    void Measure();
    int YearOf(TDateTime d) const;
    void Change();

    std::unique_ptr<TKvDateList> FCalendar;
    bool FListVisible = false;
    std::vector<std::unique_ptr<TElement>> FElements;
    TElement* FCurrent = nullptr;
    int FCaret = -1;
    int FWChar = 8;
    int FHChar = 13;
    bool FNull = false;
    TDateTime FDate = 0;
    QString FFormat = QStringLiteral("yyyy/mm/dd");
    QChar FSeparator = QChar('/');
    bool FUseSystemFormat = false;
    bool FUseSystemSeparator = true;
    int FPaddingLeft = 2;
    TDateTime FMinDate = 0;
    TDateTime FMaxDate = 0;
    bool FReadOnly = false;
    // The day last typed, kept while a later month or year is still to come (0: none).
    int FTypedDay = 0;
    // A complete part has just moved the caret on: a separator typed now only confirms it.
    bool FMovedOn = false;
    // The element refused while typed (-1: none) and why.
    int FRefused = -1;
    QString FRefusal;
};

} // namespace kv
