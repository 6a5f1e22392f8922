// The grid control's main module: its parts, included together.
#pragma once

#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.EditorBase.h"
#include "grid/KvGrids.Editing.h"
#include "grid/KvGrids.Editors.h"
#include "grid/KvGrids.Editor.InLists.h"
#include "grid/KvGrids.Editor.List.h"
#include "grid/KvGrids.Editor.Lookup.h"
#include "grid/KvGrids.Editor.Text.h"
#include "grid/KvGrids.Tool.FilterSelector.h"
#include "grid/KvGrids.Hints.h"
#include "grid/KvGrids.Index.h"
#include "grid/KvGrids.Options.h"
#include "grid/KvGrids.Renderer.h"
#include "grid/KvGrids.View.h"
