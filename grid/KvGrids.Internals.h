// Renderers made for one column: each knows its column, streams inside it and becomes its
// renderer again when read back.
#pragma once

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Renderers.h"

namespace kv {

// The column-owned form of a renderer class.
template <typename TBase>
class TKvInternalCellRenderer : public TBase
{
public:
    bool IsInternal() const override { return true; }
    TKvGridColumn* GetParentColumn() const override { return FColumn; }
    // The owning column; cleared when the column is freed.
    void SetInternalColumn(TKvGridColumn* column) { FColumn = column; }
    // The reader's parent, when it is a column, is the owning column.
    void SetParentComponent(TComponent* parent) override
    {
        if (auto* column = dynamic_cast<TKvGridColumn*>(parent))
            SetInternalColumn(column);
    }

protected:
    explicit TKvInternalCellRenderer(TComponent* owner) : TBase(owner) {}

private:
    TComponentRef<TKvGridColumn> FColumn;
};

// The destructor is defined in the module's source, which keeps the class's type data (and
// its publishing) there.
#define KV_INTERNAL_RENDERER(Name, Base)                                             \
    class Name : public TKvInternalCellRenderer<Base>                                \
    {                                                                                \
    protected:                                                                       \
        friend class TCreateAccess;                                                  \
        explicit Name(TComponent* owner) : TKvInternalCellRenderer<Base>(owner) {}   \
                                                                                     \
    public:                                                                          \
        ~Name() override;                                                            \
    }

KV_INTERNAL_RENDERER(TKvInternalTextCellRenderer, TKvTextCellRenderer);
KV_INTERNAL_RENDERER(TKvInternalImageCellRenderer, TKvImageCellRenderer);
KV_INTERNAL_RENDERER(TKvInternalBarCellRenderer, TKvBarCellRenderer);
KV_INTERNAL_RENDERER(TKvInternalRatingCellRenderer, TKvRatingCellRenderer);
KV_INTERNAL_RENDERER(TKvInternalCheckCellRenderer, TKvCheckCellRenderer);
KV_INTERNAL_RENDERER(TKvInternalPieCellRenderer, TKvPieCellRenderer);

#undef KV_INTERNAL_RENDERER

} // namespace kv
