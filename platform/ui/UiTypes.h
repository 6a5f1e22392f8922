// Integer points, sizes and rectangles of window coordinates.
#pragma once

#include <algorithm>

namespace kv {

struct TPoint
{
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize
{
    int cx = 0;
    int cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

// Left and top are inside, right and bottom are outside.
struct TRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr TRect() = default;
    constexpr TRect(int left, int top, int right, int bottom) : Left(left), Top(top), Right(right), Bottom(bottom) {}

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    constexpr TRect Offset(int dx, int dy) const { return TRect(Left + dx, Top + dy, Right + dx, Bottom + dy); }
    constexpr TRect Inflate(int dx, int dy) const { return TRect(Left - dx, Top - dy, Right + dx, Bottom + dy); }
    friend bool operator==(const TRect&, const TRect&) = default;
};

// The common part of a and b; an empty rectangle (all zero) when they do not overlap.
constexpr TRect IntersectRect(const TRect& a, const TRect& b)
{
    const TRect r(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                  std::min(a.Bottom, b.Bottom));
    return r.IsEmpty() ? TRect() : r;
}

// The smallest rectangle holding both; an empty one does not count.
constexpr TRect UnionRect(const TRect& a, const TRect& b)
{
    if (a.IsEmpty())
        return b;
    if (b.IsEmpty())
        return a;
    return TRect(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                 std::max(a.Bottom, b.Bottom));
}

constexpr TRect RectOfSize(int x, int y, int width, int height)
{
    return TRect(x, y, x + width, y + height);
}

} // namespace kv
