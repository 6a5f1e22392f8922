#include "design/KvGrids.Data.Vantrel.FieldDlg.h"

#include "platform/design/Dialogs.h"

namespace kv {

bool TKvVantrelDataFieldDlg::Execute(TKvVantrelDataProvider* Provider, QString& Name, TKvVantrelDataType& DataType)
{
    (void)Provider;
    TFormDialog dialog(QStringLiteral("New VantrelData Field "));
    dialog.AddLabel(QStringLiteral("추가할 필드명과 자료형을 지정합니다:"));
    const int edtName = dialog.AddEdit(QStringLiteral("Field Name:"));
    const int cmbDataType = dialog.AddComboList(QStringLiteral("Data Type:"),
        {QStringLiteral("Text"), QStringLiteral("Bool"), QStringLiteral("Byte"), QStringLiteral("Int16"),
         QStringLiteral("Int"), QStringLiteral("Int64"), QStringLiteral("Float"), QStringLiteral("Date")});
    dialog.AddButtons(QStringLiteral("OK"), QStringLiteral("Cancel"));
    dialog.RequireText(edtName);
    if (!dialog.ShowModal())
        return false;
    Name = dialog.GetText(edtName).trimmed();
    DataType = static_cast<TKvVantrelDataType>(dialog.GetItemIndex(cmbDataType));
    return true;
}

} // namespace kv
