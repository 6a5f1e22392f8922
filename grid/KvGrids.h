// The grid control's main module: its parts, included together.
#pragma once

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.EditorBase.h"
#include "grid/KvGrids.Index.h"
