// Where a window goes on the screen: inside the available area, its title
// bar always reachable.
#include <gtest/gtest.h>

#include "ui/WindowPlacement.h"

TEST(WindowPlacementTest, AWindowIsMovedInsideTheAvailableArea) {
    // 1280 x 800 at scale 2 is 640 x 400, less a panel of 24 at the top.
    const ScreenRect screen{0, 24, 640, 376};
    const struct {
        ScreenRect frame, placed;
    } cases[] = {
        {{100, 50, 437, 356}, {100, 44, 437, 356}},   // the bottom below the area: up
        {{100, -20, 437, 356}, {100, 24, 437, 356}},  // the title bar above the screen: down
        {{-30, 30, 437, 300}, {0, 30, 437, 300}},     // off the left edge
        {{400, 30, 437, 300}, {203, 30, 437, 300}},   // off the right edge
        {{50, 40, 300, 200}, {50, 40, 300, 200}},     // inside: stays
        {{50, -100, 900, 500}, {0, 24, 900, 500}},    // larger than the area: its corner inside
    };
    for (const auto& c : cases) {
        const ScreenRect placed = placeInside(c.frame, screen);
        EXPECT_EQ(placed, c.placed) << c.frame.x << "," << c.frame.y;
    }
}
