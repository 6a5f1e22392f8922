// The grid's main module: includes each of its parts.
#pragma once

#include "grid/KvGrids.Options.h"
#include "grid/KvGrids.Renderer.h"
#include "grid/KvGrids.Hints.h"
