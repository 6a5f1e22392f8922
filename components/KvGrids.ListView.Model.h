// The list view's item-provider chain: an editable top over a filtered provider over the
// default provider (KvGrids.Chain.Model), with nothing of its own.
#pragma once

#include "components/KvGrids.Chain.Model.h"

namespace kv {

class TKvListViewItemProvider : public TKvGridChainItemProvider
{
protected:
    friend class TCreateAccess;
    TKvListViewItemProvider() = default;

public:
    ~TKvListViewItemProvider() override;
};

} // namespace kv
