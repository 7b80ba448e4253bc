#pragma once
// Where a window goes on the screen: inside the screen's available area
// (without its panels), so that its title bar and close box can be reached.
// No toolkit.

// A rectangle in the screen's coordinates.
struct ScreenRect {
    int x = 0, y = 0;
    int width = 0, height = 0;
    bool operator==(const ScreenRect&) const = default;
};

// The place of a window whose frame (title bar and borders included) is
// `frame`, moved as little as needed to lie inside `available`. A window
// larger than the area keeps its top-left corner, with the title bar, inside.
ScreenRect placeInside(const ScreenRect& frame, const ScreenRect& available);
