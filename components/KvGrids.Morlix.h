// The plain grid class: the grid view over its default item provider, nothing of its own.
#pragma once

#include "grid/KvGrids.Impl.h"

namespace kv {

class TKvMorlix : public TKvGridViewImpl
{
protected:
    friend class TCreateAccess;
    explicit TKvMorlix(TComponent* owner);
};

} // namespace kv
