#include "ui/WindowPlacement.h"

#include <algorithm>

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
