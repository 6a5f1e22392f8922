#include "components/KvGrids.ListView.Model.h"

namespace kv {

TKvListViewItemProvider::~TKvListViewItemProvider() = default;

} // namespace kv
