// Plain geometry records shared by the drawing and control layers.
#pragma once

#include <cmath>

namespace kv {

struct TPoint
{
    int X = 0;
    int Y = 0;
    friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize
{
    int cx = 0;
    int cy = 0;
    constexpr int Width() const { return cx; }
    constexpr int Height() const { return cy; }
    friend constexpr bool operator==(const TSize&, const TSize&) = default;
};

struct TRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(const TPoint& p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
    constexpr void Offset(int dx, int dy)
    {
        Left += dx;
        Right += dx;
        Top += dy;
        Bottom += dy;
    }
    constexpr void Inflate(int dx, int dy)
    {
        Left -= dx;
        Right += dx;
        Top -= dy;
        Bottom += dy;
    }
    static constexpr TRect Bounds(int x, int y, int width, int height) { return {x, y, x + width, y + height}; }
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

struct TPointF
{
    float X = 0;
    float Y = 0;
    friend constexpr bool operator==(const TPointF&, const TPointF&) = default;
};

struct TSizeF
{
    float cx = 0;
    float cy = 0;
    constexpr float Width() const { return cx; }
    constexpr float Height() const { return cy; }
    friend constexpr bool operator==(const TSizeF&, const TSizeF&) = default;
};

struct TRectF
{
    float Left = 0;
    float Top = 0;
    float Right = 0;
    float Bottom = 0;

    constexpr TRectF() = default;
    constexpr TRectF(float left, float top, float right, float bottom) : Left(left), Top(top), Right(right), Bottom(bottom) {}
    constexpr TRectF(const TRect& r) : Left(float(r.Left)), Top(float(r.Top)), Right(float(r.Right)), Bottom(float(r.Bottom)) {}

    constexpr float Width() const { return Right - Left; }
    constexpr float Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return !(Right > Left) || !(Bottom > Top); }
    constexpr void Offset(float dx, float dy)
    {
        Left += dx;
        Right += dx;
        Top += dy;
        Bottom += dy;
    }
    static constexpr TRectF Bounds(float x, float y, float width, float height) { return {x, y, x + width, y + height}; }
    friend constexpr bool operator==(const TRectF&, const TRectF&) = default;
};

} // namespace kv
