// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Plain geometry in view units (points, y upward); every member is a 32-bit float.
struct Point {
    float x { 0.0f };
    float y { 0.0f };
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    float width { 0.0f };
    float height { 0.0f };
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Point origin;
    Size size;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The same rectangle with its origin moved by (dx, dy); the size is unchanged.
inline Rect offsetRect(Rect rect, float dx, float dy)
{
    rect.origin.x += dx;
    rect.origin.y += dy;
    return rect;
}
