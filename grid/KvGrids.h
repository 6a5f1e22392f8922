// The grid module: the grid view and the parts it is made of.
#pragma once

#include "grid/KvGrids.Index.h"
#include "grid/KvGrids.View.h"
