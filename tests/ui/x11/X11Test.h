#pragma once
// What the X11 tests' main found: the display of the private X server, or why
// the tests cannot run here.

#include <string>

// The display, empty when there is none.
const std::string& x11Display();
// Set when the tests cannot run here at all (no root, no Xvfb or openbox).
const std::string& x11SkipReason();
// Why the X server did not start although it is installed.
const std::string& x11Failure();
