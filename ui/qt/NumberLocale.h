#pragma once

namespace ui::qt {
// Qt takes the user's locale for the whole C library when the application
// object is made; in a German one, printf's "%.2f" writes "81,20" into the
// program's English texts. The texts keep the C library's plain numbers.

// Puts number formatting back to the plain "C" form ("81.20"); the rest of
// the user's locale (the characters of file names) stays.
void usePlainNumbers();

}  // namespace ui::qt
