#pragma once
// Points, sizes and rectangles of the screens (pixels; Right and Bottom lie
// just outside the rectangle).
#include "platform/rtl/System.h"

struct TPoint {
    Integer X = 0;
    Integer Y = 0;
    constexpr bool operator==(const TPoint&) const = default;
};

struct TSize {
    Integer cx = 0;
    Integer cy = 0;
    constexpr bool operator==(const TSize&) const = default;
};

struct TRect {
    Integer Left = 0;
    Integer Top = 0;
    Integer Right = 0;
    Integer Bottom = 0;
    constexpr Integer Width() const { return Right - Left; }
    constexpr Integer Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(TPoint P) const { return P.X >= Left && P.X < Right && P.Y >= Top && P.Y < Bottom; }
    constexpr bool operator==(const TRect&) const = default;
};

constexpr TPoint Point(Integer X, Integer Y) { return TPoint{X, Y}; }
constexpr TRect Rect(Integer Left, Integer Top, Integer Right, Integer Bottom) { return TRect{Left, Top, Right, Bottom}; }
constexpr TRect Bounds(Integer Left, Integer Top, Integer Width, Integer Height) {
    return TRect{Left, Top, Left + Width, Top + Height};
}
// Moves every side inward by DX and DY (outward when negative).
constexpr void InflateRect(TRect& R, Integer DX, Integer DY) { R.Left -= DX; R.Top -= DY; R.Right += DX; R.Bottom += DY; }
constexpr void OffsetRect(TRect& R, Integer DX, Integer DY) { R.Left += DX; R.Right += DX; R.Top += DY; R.Bottom += DY; }
// The common part of two rectangles; false (and an empty Dest) when they do not meet.
bool IntersectRect(TRect& Dest, const TRect& R1, const TRect& R2);
