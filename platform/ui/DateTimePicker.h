// A date picker over QDateEdit: the date typed section by section or picked in the edit's
// calendar pop-up, and an optional check box before it whose clear state means "no date".
//
// The peer holds the check box and the date edit over the client area. Keys reach WndProc
// before the date edit (WM_KEYDOWN, then WM_CHAR per character); a key or character the
// control consumes (sets to 0) never reaches the edit. The start of an input-method
// composition arrives as WM_IME_STARTCOMPOSITION. F4, Alt+Down and Alt+Up, and a press on the
// drop-down button, drop the calendar down: DoDropDown runs first (OnDropDown), then the
// calendar opens below the edit; its closing runs DoCloseUp (OnCloseUp).
#pragma once

#include "platform/rtl/DateUtils.h"
#include "platform/ui/Controls.h"

#include <memory>

class QCheckBox;
class QDateEdit;

namespace kv {

class TDateTimePickerFilter;

enum TDTDateFormat { dfShort, dfLong };

class TDateTimePicker : public TWinControl
{
protected:
    friend class TCreateAccess;
    explicit TDateTimePicker(TComponent* owner);

public:
    ~TDateTimePicker() override;
    void AfterConstruction() override;

    // The date (whole days); the time of day is dropped.
    TDateTime GetDate() const { return FDate; }
    void SetDate(TDateTime value);
    // Clear: "no date" (the date is still kept and shown grey).
    bool GetChecked() const { return FChecked; }
    void SetChecked(bool value);
    bool GetShowCheckbox() const { return FShowCheckbox; }
    void SetShowCheckbox(bool value);
    // The locale's short or long date format.
    TDTDateFormat GetDateFormat() const { return FDateFormat; }
    void SetDateFormat(TDTDateFormat value);
    // With automatic sizing the height follows the font.
    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    // The sunken frame of the edit; without it the edit is flat.
    bool GetCtl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);
    TFont* GetFont() const { return FFont.get(); }
    void SetFont(const TFont* value) { FFont->Assign(value); }
    // The date as the edit shows it.
    QString GetText() const;
    // The first field of the date selected, so that typing replaces it.
    void SelectFirstField();

    // Drops the calendar down (DoDropDown first); nothing when it is open or the control is
    // disabled or not shown.
    void DropDown();
    // Closes an open calendar without taking a date.
    void CloseUp();
    bool GetDroppedDown() const;

    // Raised for every change of the date or of the check.
    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

protected:
    TControlPeer* CreatePeer() override;
    void PeerCreated() override;
    void LayoutPeer() override;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    virtual void Change();
    // The calendar is about to drop down.
    virtual void DoDropDown();
    virtual void DoCloseUp();
    QDateEdit* DateEdit() const;
    QCheckBox* CheckBox() const;

private:
    friend class TDateTimePickerFilter;

    void ApplyLook();
    void ApplyFormat();
    void ApplyDate();
    void AdjustHeight();
    // The user picked a day in the calendar or changed the date in the edit.
    void UserDate(const QDate& date);
    // A press at the point of the date edit falls on its drop-down button.
    bool OnButton(int x, int y) const;
    void CalendarShown(bool shown);

    std::unique_ptr<TFont> FFont;
    TDateTime FDate = 0;
    bool FChecked = true;
    bool FShowCheckbox = false;
    TDTDateFormat FDateFormat = dfShort;
    bool FAutoSize = true;
    bool FCtl3D = true;
    bool FDroppedDown = false;
    bool FOpening = false;
    int FSyncing = 0;
};

} // namespace kv
