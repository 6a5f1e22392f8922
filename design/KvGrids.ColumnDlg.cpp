#include "design/KvGrids.ColumnDlg.h"

namespace kv {

TKvColumnDialog::TKvColumnDialog() : FWindow(std::make_unique<TDesignWindow>(QStringLiteral("New Data Column"), fkDialog, this))
{
    TDesignWindow* w = FWindow.get();
    edtFieldName = w->Add<TDesignEdit>();
    edtHeader = w->Add<TDesignEdit>();
    btnOK = w->Add<TDesignButton>(QStringLiteral("OK"));
    btnCancel = w->Add<TDesignButton>(QStringLiteral("Cancel"));
    edtFieldName->SetName(QStringLiteral("edtFieldName"));
    edtHeader->SetName(QStringLiteral("edtHeader"));
    btnOK->SetName(QStringLiteral("btnOK"));
    btnOK->SetDefault(true);
    btnOK->SetModalResult(mrOk);
    btnCancel->SetModalResult(mrCancel);

    TDesignContainer* body = w->Body();
    body->Place(w->Add<TDesignLabel>(QStringLiteral("Field Name:")), 0, 0);
    body->Place(edtFieldName, 0, 1, 1, 3);
    body->Place(w->Add<TDesignLabel>(QStringLiteral("Header Text:")), 1, 0);
    body->Place(edtHeader, 1, 1, 1, 3);
    body->Place(btnOK, 2, 2);
    body->Place(btnCancel, 2, 3);
    body->SetColumnStretch(1, 1);
    w->SetClientSize(320, 80);

    edtFieldName->OnChange = [this](TDesignEdit*) { UpdateOk(); };
    edtHeader->OnChange = [this](TDesignEdit*) { UpdateOk(); };
    UpdateOk();
}

TKvColumnDialog::~TKvColumnDialog() = default;

void TKvColumnDialog::UpdateOk()
{
    btnOK->SetEnabled(!edtFieldName->GetText().trimmed().isEmpty() || !edtHeader->GetText().trimmed().isEmpty());
}

bool TKvColumnDialog::Execute()
{
    edtFieldName->SetText(QString());
    edtHeader->SetText(QString());
    UpdateOk();
    FWindow->OnShow = [this](TDesignWindow*) { edtFieldName->SetFocus(); };
    return FWindow->ShowModal() == mrOk;
}

} // namespace kv
