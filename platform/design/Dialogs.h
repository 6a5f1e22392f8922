// A small modal dialog built from rows of labelled controls (label, line edit, drop-down
// list) over OK and Cancel buttons, centred on the screen. It is a TDesignWindow
// (DesignForms.h) that it owns and lays out; the window's owner is the dialog.
#pragma once

#include "platform/rtl/Classes.h"

#include <QtCore/QStringList>
#include <functional>
#include <memory>

namespace kv {

class TDesignWindow;

class TFormDialog : public TObject
{
public:
    explicit TFormDialog(const QString& Caption);
    ~TFormDialog() override;

    QString GetCaption() const;
    TDesignWindow* Window() const;
    // Each Add answers the new control's index.
    int AddLabel(const QString& Text);
    int AddEdit(const QString& Label);
    // A drop-down list (no typing) with its first item selected.
    int AddComboList(const QString& Label, const QStringList& Items);
    // OK is the default button (Enter), Cancel the cancel button (Escape).
    void AddButtons(const QString& OkCaption, const QString& CancelCaption);

    QString GetText(int Control) const;
    void SetText(int Control, const QString& Text);
    int GetItemIndex(int Control) const;
    void SetItemIndex(int Control, int Index);
    QStringList GetItems(int Control) const;
    void SetFocus(int Control);
    bool IsFocused(int Control) const;
    bool GetOkEnabled() const;
    void SetOkEnabled(bool Enabled);
    void ClickOk();
    void ClickCancel();

    // OK is enabled only while the edit's trimmed text is not empty, which is checked on
    // show (after focusing the edit) and on every change; sets OnShow and OnChange.
    void RequireText(int Edit);

    // Called once shown, and on every change of an edit's text (with its index).
    std::function<void(TFormDialog* Sender)> OnShow;
    std::function<void(TFormDialog* Sender, int Control)> OnChange;

    // Shows the dialog modally (TDesignWindow::ShowModal); true when it was closed with OK.
    bool ShowModal();

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

} // namespace kv
