// The cell editor component as columns see it: a component that a data column refers to
// and streams. The editing behaviour lives in the editor modules.
#pragma once

#include "platform/rtl/Classes.h"

namespace kv {

class TKvGridColumn;

class TKvGridCellEditor : public TComponent
{
public:
    explicit TKvGridCellEditor(TComponent* owner) : TComponent(owner) {}

    // Editors made for one column stream inside that column.
    virtual bool IsInternal() const { return false; }
    virtual TKvGridColumn* GetParentColumn() const { return nullptr; }
};

} // namespace kv
