#pragma once
// A rectangle as the form code measures it: Right and Bottom lie just past the last
// pixel, so Right - Left is the width (unlike QRect::right()).

#include <QPoint>
#include <QRect>

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr TRect() = default;
    constexpr TRect(int left, int top, int right, int bottom)
        : Left(left), Top(top), Right(right), Bottom(bottom) {}
    explicit TRect(const QRect& r)
        : Left(r.left()), Top(r.top()), Right(r.left() + r.width()), Bottom(r.top() + r.height()) {}

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(const QPoint& p) const {
        return p.x() >= Left && p.x() < Right && p.y() >= Top && p.y() < Bottom;
    }
    QRect ToQRect() const { return QRect(Left, Top, Width(), Height()); }
    friend constexpr bool operator==(const TRect& a, const TRect& b) {
        return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
    }
};

// A rectangle and a point from coordinates, as the form code writes them.
constexpr TRect Rect(int left, int top, int right, int bottom) {
    return TRect(left, top, right, bottom);
}
