#include "ui/WindowPlacement.h"

#include <algorithm>

namespace ui {

namespace {

// The start of a span of `size` moved into [from, from + room): as little as
// needed, and at `from` when it cannot fit.
int keepInside(int start, int size, int from, int room) {
    if (size >= room)
        return from;
    return std::clamp(start, from, from + room - size);
}

}  // namespace

ScreenRect placeInside(const ScreenRect& frame, const ScreenRect& available) {
    ScreenRect placed = frame;
    placed.x = keepInside(frame.x, frame.width, available.x, available.width);
    placed.y = keepInside(frame.y, frame.height, available.y, available.height);
    return placed;
}

ScreenRect offsetFromOthers(const ScreenRect& frame, const std::vector<ScreenRect>& others,
                            int step, const ScreenRect& available) {
    ScreenRect placed = placeInside(frame, available);
    const auto taken = [&others](const ScreenRect& place) {
        for (const ScreenRect& other : others) {
            if (other.x == place.x && other.y == place.y)
                return true;
        }
        return false;
    };
    // Bounded: a screen full of windows leaves the last place tried.
    for (std::size_t tries = 0; tries <= others.size() && taken(placed); ++tries) {
        ScreenRect next = placed;
        next.x += step;
        next.y += step;
        next = placeInside(next, available);
        if (next == placed)  // at the area's corner: back to its top left
            next = placeInside({available.x, available.y, frame.width, frame.height}, available);
        placed = next;
    }
    return placed;
}

}  // namespace ui
