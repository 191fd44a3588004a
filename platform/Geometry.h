// Points, sizes, rectangles and colours in logical or device units.
#pragma once

#include <cstdint>

namespace platform {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Half-open rectangle: left/top inside, right/bottom outside.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    bool Intersects(const Rect& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    void Offset(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// 0x00BBGGRR, the byte order the programs' colour values use.
using Color = std::uint32_t;

constexpr Color MakeColor(unsigned r, unsigned g, unsigned b) {
    return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}
constexpr unsigned ColorRed(Color c) { return c & 0xFFu; }
constexpr unsigned ColorGreen(Color c) { return (c >> 8) & 0xFFu; }
constexpr unsigned ColorBlue(Color c) { return (c >> 16) & 0xFFu; }

// Colours of the desktop theme that views draw with.
enum class SystemColor {
    Window,         // view background
    WindowText,     // normal text
    Highlight,      // selection band
    HighlightText,  // text on the selection band
    ButtonFace,
    GrayText,
};

}  // namespace platform
