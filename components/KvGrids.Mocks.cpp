#include "components/KvGrids.Mocks.h"

namespace kv {

QString TKvGridCellMock::GetDisplayText() const { return FValue.ToString(); }

} // namespace kv
