// The pictures of the demo's image column, drawn on request instead of read from files.
#pragma once

#include "grid/KvGrids.Loaders.h"

namespace demo {

// A loader that answers every key of PhotoKeys() with a small badge.
kv::TOwned<kv::TKvSimpleImageLoader> MakePictureLoader();

} // namespace demo
