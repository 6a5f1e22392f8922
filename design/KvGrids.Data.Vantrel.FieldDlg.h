// The dialog that asks for a new typed-store field's name and data type.
#pragma once

#include "model/KvGrids.Data.Vantrel.h"

namespace kv {

class TKvVantrelDataFieldDlg
{
public:
    // Shows the dialog modally; on OK answers true with the trimmed name and the chosen type.
    static bool Execute(TKvVantrelDataProvider* Provider, QString& Name, TKvVantrelDataType& DataType);
};

} // namespace kv
