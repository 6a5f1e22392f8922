// The grid view's edit commands as the input tools use them: they forward to the edit
// controller.
#include "grid/KvGrids.View.h"

namespace kv {

// The edit controller answers these once it exists; until then no editor opens.
bool TKvGridView::GetEditing() const { return false; }

void TKvGridView::ShowEditor(bool Select) {}

void TKvGridView::CommitEditor(bool Select) { Invalidate(); }

void TKvGridView::CancelEditor(bool Select) { Invalidate(); }

TSize TKvGridView::GetEditorSize() const { return TSize{0, 0}; }

} // namespace kv
