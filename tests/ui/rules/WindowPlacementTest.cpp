// Where a window goes on the screen: inside the available area, its title
// bar always reachable.
#include <gtest/gtest.h>

#include "ui/WindowPlacement.h"

using namespace ui;

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

TEST(WindowPlacementTest, ASecondWindowOfTheProgramIsOffsetFromTheFirst) {
    const ScreenRect screen{0, 0, 1024, 768};
    const ScreenRect frame{300, 200, 437, 356};
    const struct {
        std::vector<ScreenRect> others;
        ScreenRect placed;
    } cases[] = {
        {{}, frame},                                            // alone: stays
        {{frame}, {322, 222, 437, 356}},                        // on top: cascaded
        {{frame, {322, 222, 437, 356}}, {344, 244, 437, 356}},  // two: further
        {{{587, 412, 437, 356}}, frame},                        // another corner: stays
    };
    for (const auto& c : cases) {
        EXPECT_EQ(offsetFromOthers(frame, c.others, 22, screen), c.placed) << c.others.size();
    }
    // At the bottom right corner of the area the cascade starts again at its top left.
    const ScreenRect corner{587, 412, 437, 356};
    EXPECT_EQ(offsetFromOthers(corner, {corner}, 22, screen), (ScreenRect{0, 0, 437, 356}));
}
