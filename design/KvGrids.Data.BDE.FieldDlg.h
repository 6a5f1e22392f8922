// The dialog that asks for a new summary field's name.
#pragma once

#include "components/KvGrids.Data.BDE.h"

namespace kv {

class TKvBDEDataFieldDlg
{
public:
    // Shows the dialog modally; on OK answers true with the trimmed name.
    static bool Execute(TKvBDEDataProvider* Provider, QString& Name);
};

} // namespace kv
