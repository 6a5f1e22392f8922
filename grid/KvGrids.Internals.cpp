// Column-owned renderers: their published classes.
#include "grid/KvGrids.Internals.h"

#include "platform/rtl/TypInfo.h"

namespace kv {

TKvInternalTextCellRenderer::~TKvInternalTextCellRenderer() = default;
TKvInternalImageCellRenderer::~TKvInternalImageCellRenderer() = default;
TKvInternalBarCellRenderer::~TKvInternalBarCellRenderer() = default;
TKvInternalRatingCellRenderer::~TKvInternalRatingCellRenderer() = default;
TKvInternalCheckCellRenderer::~TKvInternalCheckCellRenderer() = default;
TKvInternalPieCellRenderer::~TKvInternalPieCellRenderer() = default;

KV_PUBLISH(TKvInternalTextCellRenderer, TKvTextCellRenderer);
KV_PUBLISH(TKvInternalImageCellRenderer, TKvImageCellRenderer);
KV_PUBLISH(TKvInternalBarCellRenderer, TKvBarCellRenderer);
KV_PUBLISH(TKvInternalRatingCellRenderer, TKvRatingCellRenderer);
KV_PUBLISH(TKvInternalCheckCellRenderer, TKvCheckCellRenderer);
KV_PUBLISH(TKvInternalPieCellRenderer, TKvPieCellRenderer);

} // namespace kv
