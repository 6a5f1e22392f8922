#include "design/KvGrids.Data.BDE.FieldDlg.h"

#include "platform/design/Dialogs.h"

namespace kv {

bool TKvBDEDataFieldDlg::Execute(TKvBDEDataProvider* Provider, QString& Name)
{
    (void)Provider;
    TFormDialog dialog(QStringLiteral("New BDEData Field"));
    dialog.AddLabel(QStringLiteral("추가할 필드명을 지정합니다:"));
    const int edtName = dialog.AddEdit(QStringLiteral("Field Name:"));
    dialog.AddButtons(QStringLiteral("OK"), QStringLiteral("Cancel"));
    dialog.RequireText(edtName);
    if (!dialog.ShowModal())
        return false;
    Name = dialog.GetText(edtName).trimmed();
    return true;
}

} // namespace kv
