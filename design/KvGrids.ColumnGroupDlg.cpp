#include "design/KvGrids.ColumnGroupDlg.h"

namespace kv {

TKvColumnGroupDialog::TKvColumnGroupDialog()
    : FWindow(std::make_unique<TDesignWindow>(QStringLiteral("New Column Group"), fkDialog, this))
{
    TDesignWindow* w = FWindow.get();
    edtHeader = w->Add<TDesignEdit>();
    rbHorizontal = w->Add<TDesignRadioButton>(QStringLiteral("Horizontal"));
    rbVertical = w->Add<TDesignRadioButton>(QStringLiteral("Vertical"));
    chkShowHeader = w->Add<TDesignCheckBox>(QStringLiteral("Show Header"));
    btnOK = w->Add<TDesignButton>(QStringLiteral("OK"));
    btnCancel = w->Add<TDesignButton>(QStringLiteral("Cancel"));
    edtHeader->SetName(QStringLiteral("edtHeader"));
    rbVertical->SetName(QStringLiteral("rbVertical"));
    chkShowHeader->SetName(QStringLiteral("chkShowHeader"));
    btnOK->SetName(QStringLiteral("btnOK"));
    rbHorizontal->SetChecked(true);
    chkShowHeader->SetChecked(true);
    btnOK->SetDefault(true);
    btnOK->SetModalResult(mrOk);
    btnCancel->SetModalResult(mrCancel);

    TDesignContainer* body = w->Body();
    body->Place(w->Add<TDesignLabel>(QStringLiteral("Header Text:")), 0, 0);
    body->Place(edtHeader, 0, 1, 1, 3);
    body->Place(w->Add<TDesignLabel>(QStringLiteral("Orientation:")), 1, 0);
    body->Place(rbHorizontal, 1, 1);
    body->Place(rbVertical, 1, 2);
    body->Place(chkShowHeader, 2, 1, 1, 2);
    body->Place(btnOK, 3, 2);
    body->Place(btnCancel, 3, 3);
    body->SetColumnStretch(1, 1);
    w->SetClientSize(320, 80);

    edtHeader->OnChange = [this](TDesignEdit*) { UpdateOk(); };
    UpdateOk();
}

TKvColumnGroupDialog::~TKvColumnGroupDialog() = default;

void TKvColumnGroupDialog::UpdateOk() { btnOK->SetEnabled(!edtHeader->GetText().trimmed().isEmpty()); }

bool TKvColumnGroupDialog::Execute()
{
    edtHeader->SetText(QString());
    UpdateOk();
    FWindow->OnShow = [this](TDesignWindow*) { edtHeader->SetFocus(); };
    return FWindow->ShowModal() == mrOk;
}

} // namespace kv
