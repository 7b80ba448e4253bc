#pragma once

namespace res {
// The window's pictures, compiled in as Qt resources:
//   :/res/icon-16.png ... :/res/icon-256.png  application icon (16, 32, 48, 64, 128, 256)
//   :/res/cursor-hand.png                      pointing hand, 32 × 32, hotspot (12, 4)
//   :/res/about.png                            About page picture, 320 × 256, 24 bits
// They live in a static library, whose resources the linker would otherwise
// drop: call initPictures() once, after the application object exists and
// before loading any of them.

// Hotspot of :/res/cursor-hand.png: the top of the index fingertip.
constexpr int handCursorHotX = 12;
constexpr int handCursorHotY = 4;

// Registers the resource file "pictures" (Q_INIT_RESOURCE(pictures)).
void initPictures();

}  // namespace res
