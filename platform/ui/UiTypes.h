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

// The one event rule of every control: a control raises its change events (OnChange and the
// like) for each change of its value, whether the user or code made it. Code that changes
// values it must not hear (loading a dialog) does so under a TEventBlocker, which holds back
// the events of one source for its scope, as QSignalBlocker does for a Qt object. Events held
// back are dropped, not delivered later. Input events (clicks, keys, mouse) are not change
// events and are never held back.
class TEventSource
{
public:
    bool EventsBlocked() const { return FEventBlock > 0; }

private:
    friend class TEventBlocker;
    int FEventBlock = 0;
};

class TEventBlocker
{
public:
    explicit TEventBlocker(TEventSource* source) : FSource(source) { ++FSource->FEventBlock; }
    ~TEventBlocker() { --FSource->FEventBlock; }
    TEventBlocker(const TEventBlocker&) = delete;
    TEventBlocker& operator=(const TEventBlocker&) = delete;

private:
    TEventSource* FSource;
};

} // namespace kv
