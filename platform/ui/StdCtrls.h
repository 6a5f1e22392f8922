// Standard text controls over Qt widgets (a masked single-line edit, a multi-line memo) and a
// month calendar in a pop-up window.
//
// A text control's peer holds the Qt text widget over GetTextRect() of the client area and
// the control's own client widget under it: what the text widget leaves uncovered is painted
// by PaintHandler and receives the mouse as usual. Keys reach WndProc before the text widget
// (WM_KEYDOWN, then WM_CHAR per character); a key or character that the control consumes
// (sets to 0) never reaches the widget, and a key that the widget does not use travels on to
// the parent window. The start of an input-method composition arrives as
// WM_IME_STARTCOMPOSITION, before the widget sees it.
#pragma once

#include "platform/rtl/DateUtils.h"
#include "platform/ui/Controls.h"

#include <exception>
#include <memory>

class QLineEdit;
class QPlainTextEdit;

namespace kv {

class TTextControlFilter;

// Horizontal placement of a text control's text.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

class TCustomTextControl : public TWinControl
{
public:
    explicit TCustomTextControl(TComponent* owner);
    ~TCustomTextControl() override;
    void AfterConstruction() override;

    // The control's font (owned); changes apply to the text widget.
    TFont* GetFont() const { return FFont.get(); }
    void SetFont(const TFont* value) { FFont->Assign(value); }
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    // Pixels kept free before and after the text, beyond the widget's own margin.
    void SetTextMargins(int left, int right);
    int GetTextMarginLeft() const { return FMarginLeft; }
    int GetTextMarginRight() const { return FMarginRight; }

    virtual QString GetText() const = 0;
    virtual void SetText(const QString& value) = 0;
    int GetSelStart() const;
    void SetSelStart(int value);
    int GetSelLength() const;
    void SetSelLength(int value);
    QString GetSelText() const;
    virtual void SelectAll() = 0;
    // Removes the selection; the caret stays.
    void ClearSelection();
    void CutToClipboard();
    void CopyToClipboard();
    void PasteFromClipboard();

    TNotifyEvent OnChange;

    // Raises what a change handler raised while the text widget was changing its text, now
    // that the widget has returned.
    void RaiseDeferred();

protected:
    TControlPeer* CreatePeer() override;
    void PeerCreated() override;
    // The text widget takes Tab as a tab stop and a click always.
    void ApplyFocusPolicy() override;
    void LayoutPeer() override;
    void WndProc(TMessage& message) override;
    // Makes the text widget as a child of parent.
    virtual QWidget* CreateTextWidget(QWidget* parent) = 0;
    // The part of the client area that the text widget covers.
    virtual TRect GetTextRect() const { return GetClientRect(); }
    // Places the text widget again (after the text rectangle changed).
    void UpdateEditRect();
    virtual void FontChanged();
    virtual void Change();
    // The text widget's change signal. Nothing may unwind through the widget: what Change
    // raises waits for RaiseDeferred.
    void WidgetChanged();
    // The text widget, made with the window.
    QWidget* TextWidget() const;

private:
    void ApplyLook();

    std::unique_ptr<TFont> FFont;
    std::exception_ptr FDeferred;
    TColor FColor = clWhite;
    bool FReadOnly = false;
    TAlignment FAlignment = taLeftJustify;
    int FMarginLeft = 0;
    int FMarginRight = 0;
};

// A single-line edit with an optional input mask (Qt's input-mask syntax).
class TCustomMaskEdit : public TCustomTextControl
{
public:
    explicit TCustomMaskEdit(TComponent* owner);

    QString GetText() const override;
    void SetText(const QString& value) override;
    void SelectAll() override;
    int GetMaxLength() const { return FMaxLength; }
    void SetMaxLength(int value);
    const QString& GetEditMask() const { return FEditMask; }
    void SetEditMask(const QString& value);
    bool IsMasked() const { return !FEditMask.isEmpty(); }
    const QString& GetTextHint() const { return FTextHint; }
    void SetTextHint(const QString& value);
    bool GetModified() const;
    void SetModified(bool value);
    void Undo();
    // Puts back the text the edit had when it got the focus, when it was modified since.
    void Reset();
    // Whether the user may change the text now.
    virtual bool EditCanModify() const { return !GetReadOnly(); }

protected:
    QWidget* CreateTextWidget(QWidget* parent) override;
    QLineEdit* LineEdit() const;
    void DoEnter() override;

private:
    QString FOldValue;
    int FMaxLength = 0;
    QString FEditMask;
    QString FTextHint;
};

// A multi-line plain-text edit.
class TCustomMemo : public TCustomTextControl
{
public:
    explicit TCustomMemo(TComponent* owner);

    QString GetText() const override;
    void SetText(const QString& value) override;
    void SelectAll() override;
    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    int GetLineCount() const;
    bool CanModify() const { return !GetReadOnly(); }

protected:
    QWidget* CreateTextWidget(QWidget* parent) override;
    QPlainTextEdit* Memo() const;

private:
    bool FWordWrap = true;
};

class TCalendarPopupWidget;

// A month calendar in a pop-up window. It reports a picked date (a click on a day, or Enter
// or a double click in it) and a press outside itself, both through OnCloseUp; keys typed
// while it is open reach OnKeyDown and OnKeyPress first (consumed when set to 0).
class TPopupCalendar : public TObject
{
public:
    TPopupCalendar();
    ~TPopupCalendar() override;

    TDateTime GetDate() const;
    void SetDate(TDateTime value);
    // Shows the calendar with its top-left at the screen point, moved inside the screen.
    void Popup(TPoint screenPos);
    // The same below a control whose top is at screen y anchorTop: where the screen has no
    // room below, the calendar goes above the control instead of over it.
    void Popup(TPoint screenPos, int anchorTop);
    void Hide();
    bool GetVisible() const;
    // Screen bounds.
    TRect GetBoundsRect() const;
    // Lets the calendar handle a navigation key (arrows, Page Up, Page Down, Home, End).
    void SendKey(std::uint16_t key, TShiftState shift);
    // The pop-up window, for embedding checks.
    QWidget* Widget() const;
    // A non-zero tag makes a press outside the calendar that closes it go on to the window
    // under the mouse, carrying the tag (GetMessageExtraInfo) for its dispatch.
    void SetResendTag(std::intptr_t tag) { FResendTag = tag; }

    std::function<void(TObject* sender, bool accept)> OnCloseUp;
    std::function<void(TObject* sender, std::uint16_t& key, TShiftState shift)> OnKeyDown;
    std::function<void(TObject* sender, QChar& key)> OnKeyPress;

private:
    friend class TCalendarPopupWidget;
    void Request(bool accept);

    TCalendarPopupWidget* FWidget = nullptr;
    std::intptr_t FResendTag = 0;
};

} // namespace kv
