// The grid control's main module: its parts, included together.
#pragma once

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.EditorBase.h"
#include "grid/KvGrids.Hints.h"
#include "grid/KvGrids.Index.h"
#include "grid/KvGrids.Options.h"
#include "grid/KvGrids.Renderer.h"
#include "grid/KvGrids.Selection.h"
#include "grid/KvGrids.Clipboard.h"
#include "grid/KvGrids.Runtime.Grid.h"
#include "grid/KvGrids.View.h"
