// Geometric and column queries on a grid view, used by the selection and focus views, the
// tools and the exporter, and the text form of a cell value shown by renderers and copied by
// the clipboard.
#pragma once

#include "platform/graphics/Types.h"
#include "platform/rtl/Variant.h"

#include <QtCore/QString>

#include <vector>

namespace kv {

class TKvGridView;
class TKvGridColumn;
class TKvGridDataColumn;
class TKvSprite;

class TKvGridViewHelper
{
public:
    // The visible leaf columns in display order, depth-first over the visible top-level
    // columns; a group without visible children counts as a leaf. WithGroups lists each group
    // whose header is visible before its children.
    static std::vector<TKvGridColumn*> GetLeafColumns(TKvGridView* Grid, bool WithGroups);
    // The first / last visible top-level column (a group stands for its First / Last data
    // column) that is a data column; nil when none.
    static TKvGridDataColumn* GetFirstColumn(TKvGridView* Grid);
    static TKvGridDataColumn* GetLastColumn(TKvGridView* Grid);
    // The part of the sprite's rectangle visible inside the body (or the whole grid area), in
    // the sprite's own coordinates: left and top pushed to the visible area and moved out by
    // 1 pixel, right and bottom limited to the visible area plus 2 pixels.
    static TRectF GetClipBounds(TKvGridView* Grid, TKvSprite* Sprite, bool InBody);
    // The focused cell's view in grid coordinates; empty without a valid focus or a view. A
    // scrolled column's rectangle does not reach into the fixed columns.
    static TRect GetFocusedRect(TKvGridView* Grid);
    // The value as text: empty for empty and null, and for a value without a text form (an
    // array); never raises.
    static QString ValueText(const Variant& Value);
};

} // namespace kv
