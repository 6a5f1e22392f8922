#include "platform/design/Dialogs.h"

#include "platform/design/DesignForms.h"

#include <vector>

namespace kv {

struct TFormDialog::TImpl
{
    std::unique_ptr<TDesignWindow> Window;
    int Row = 0;
    std::vector<TDesignControl*> Controls;
    TDesignButton* Ok = nullptr;
    TDesignButton* Cancel = nullptr;

    template <typename C>
    C* As(int control) const
    {
        if (control < 0 || static_cast<size_t>(control) >= Controls.size())
            throw EArgumentOutOfRangeException(QStringLiteral("Control %1 is invalid index.").arg(control));
        C* c = dynamic_cast<C*>(Controls[static_cast<size_t>(control)]);
        if (!c)
            throw EArgumentException(QStringLiteral("Control %1 is of another kind.").arg(control));
        return c;
    }

    int Append(TDesignControl* control)
    {
        Controls.push_back(control);
        return static_cast<int>(Controls.size()) - 1;
    }
};

TFormDialog::TFormDialog(const QString& Caption) : FImpl(std::make_unique<TImpl>())
{
    FImpl->Window = std::make_unique<TDesignWindow>(Caption, fkDialog, this);
    FImpl->Window->OnShow = [this](TDesignWindow*) {
        if (OnShow)
            OnShow(this);
    };
}

TFormDialog::~TFormDialog() = default;

QString TFormDialog::GetCaption() const { return FImpl->Window->GetCaption(); }
TDesignWindow* TFormDialog::Window() const { return FImpl->Window.get(); }

int TFormDialog::AddLabel(const QString& Text)
{
    auto* label = FImpl->Window->Add<TDesignLabel>(Text);
    FImpl->Window->Body()->Place(label, FImpl->Row++, 0, 1, 2);
    return FImpl->Append(label);
}

int TFormDialog::AddEdit(const QString& Label)
{
    TDesignWindow* w = FImpl->Window.get();
    auto* edit = w->Add<TDesignEdit>();
    w->Body()->Place(w->Add<TDesignLabel>(Label), FImpl->Row, 0);
    w->Body()->Place(edit, FImpl->Row++, 1);
    const int index = FImpl->Append(edit);
    edit->OnChange = [this, index](TDesignEdit*) {
        if (OnChange)
            OnChange(this, index);
    };
    return index;
}

int TFormDialog::AddComboList(const QString& Label, const QStringList& Items)
{
    TDesignWindow* w = FImpl->Window.get();
    auto* combo = w->Add<TDesignComboBox>();
    for (const QString& item : Items)
        combo->Add(item);
    combo->SetItemIndex(Items.isEmpty() ? -1 : 0);
    w->Body()->Place(w->Add<TDesignLabel>(Label), FImpl->Row, 0);
    w->Body()->Place(combo, FImpl->Row++, 1);
    return FImpl->Append(combo);
}

void TFormDialog::AddButtons(const QString& OkCaption, const QString& CancelCaption)
{
    TDesignWindow* w = FImpl->Window.get();
    auto* row = w->Add<TDesignPanel>();
    row->SetMargins(0);
    FImpl->Ok = w->Add<TDesignButton>(OkCaption);
    FImpl->Cancel = w->Add<TDesignButton>(CancelCaption);
    FImpl->Ok->SetDefault(true);
    FImpl->Ok->SetModalResult(mrOk);
    FImpl->Cancel->SetModalResult(mrCancel);
    row->SetColumnStretch(0, 1);
    row->Place(FImpl->Ok, 0, 1);
    row->Place(FImpl->Cancel, 0, 2);
    w->Body()->Place(row, FImpl->Row++, 0, 1, 2);
}

void TFormDialog::RequireText(int Edit)
{
    const auto updateOk = [Edit](TFormDialog* sender) {
        sender->SetOkEnabled(!sender->GetText(Edit).trimmed().isEmpty());
    };
    OnShow = [Edit, updateOk](TFormDialog* sender) {
        sender->SetFocus(Edit);
        updateOk(sender);
    };
    OnChange = [updateOk](TFormDialog* sender, int) { updateOk(sender); };
}

QString TFormDialog::GetText(int Control) const
{
    TDesignControl* control = FImpl->As<TDesignControl>(Control);
    if (auto* edit = dynamic_cast<TDesignEdit*>(control))
        return edit->GetText();
    if (auto* label = dynamic_cast<TDesignLabel*>(control))
        return label->GetCaption();
    return FImpl->As<TDesignComboBox>(Control)->GetText();
}

void TFormDialog::SetText(int Control, const QString& Text) { FImpl->As<TDesignEdit>(Control)->SetText(Text); }

int TFormDialog::GetItemIndex(int Control) const { return FImpl->As<TDesignComboBox>(Control)->GetItemIndex(); }

void TFormDialog::SetItemIndex(int Control, int Index) { FImpl->As<TDesignComboBox>(Control)->SetItemIndex(Index); }

QStringList TFormDialog::GetItems(int Control) const { return FImpl->As<TDesignComboBox>(Control)->GetItems(); }

void TFormDialog::SetFocus(int Control) { FImpl->As<TDesignControl>(Control)->SetFocus(); }

bool TFormDialog::IsFocused(int Control) const { return FImpl->As<TDesignControl>(Control)->Focused(); }

bool TFormDialog::GetOkEnabled() const { return FImpl->Ok && FImpl->Ok->GetEnabled(); }

void TFormDialog::SetOkEnabled(bool Enabled)
{
    if (FImpl->Ok)
        FImpl->Ok->SetEnabled(Enabled);
}

void TFormDialog::ClickOk()
{
    if (FImpl->Ok)
        FImpl->Ok->Click();
}

void TFormDialog::ClickCancel()
{
    if (FImpl->Cancel)
        FImpl->Cancel->Click();
}

bool TFormDialog::ShowModal() { return FImpl->Window->ShowModal() == mrOk; }

} // namespace kv
