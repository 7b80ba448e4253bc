#pragma once
// A message box closes on the press of the key that answers it; that key's
// repeats while it is held, and its release, then reach whichever window has
// the focus next. They are the box's answer still: the program's loop drops
// them, so that Enter held on "Start Install?" never presses anything in the
// window behind it. Window thread only.

#include <windows.h>

namespace ui::win32 {

// Notes the keys that are down as a box has just been answered.
void noteKeysHeldAfterBox();

// True for a key message of a key that answered a box and has not been let
// go since: the loop drops it.
bool isHeldAnswerKey(const MSG& message);

}  // namespace ui::win32
