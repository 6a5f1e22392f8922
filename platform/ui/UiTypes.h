// Rectangle helpers of window coordinates (the records are the graphics layer's).
#pragma once

#include "platform/graphics/Types.h"

#include <algorithm>

namespace kv {

constexpr TRect OffsetRect(TRect r, int dx, int dy)
{
    r.Offset(dx, dy);
    return r;
}

// The common part of a and b; an empty rectangle (all zero) when they do not overlap.
constexpr TRect IntersectRect(const TRect& a, const TRect& b)
{
    const TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                  std::min(a.Bottom, b.Bottom)};
    return r.IsEmpty() ? TRect{} : r;
}

// The smallest rectangle holding both; an empty one does not count.
constexpr TRect UnionRect(const TRect& a, const TRect& b)
{
    if (a.IsEmpty())
        return b;
    if (b.IsEmpty())
        return a;
    return TRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                 std::max(a.Bottom, b.Bottom)};
}

} // namespace kv
