#include "components/KvGrids.Morlix.h"

#include "platform/rtl/ClassRegistry.h"

namespace kv {

KV_PUBLISH(TKvMorlix, TKvGridView);

namespace {
[[maybe_unused]] const bool kRegistered = (RegisterClasses<TKvMorlix>(), true);
} // namespace

// Out of line, so that every program making one links the registration above.
TKvMorlix::TKvMorlix(TComponent* owner) : TKvGridViewImpl(owner) {}

} // namespace kv
