#pragma once
// Where a window goes on the screen: inside the screen's available area
// (without its panels), so that its title bar and close box can be reached.
// No toolkit.

#include <vector>

namespace ui {

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

// The place of a new window `frame` while other windows of the program
// (`others`) start at the same corner: moved down and right by `step`, as the
// desktop cascades windows, until none does; kept inside `available`.
ScreenRect offsetFromOthers(const ScreenRect& frame, const std::vector<ScreenRect>& others,
                            int step, const ScreenRect& available);

}  // namespace ui
