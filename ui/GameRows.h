#pragma once
// How the window shows a listed game whose files are not all sound, so that
// a damaged table never looks like a list of games. No toolkit.

#include <string>

#include "library/GameList.h"

namespace ui {

// "damaged" (the record names no files, or an unknown media type),
// "incomplete" (a part file is missing), or empty for a sound game.
std::string gameState(const library::GameRow& row);

// The text of the game's row in the list: its name, and its state after it.
std::string gameRowText(const library::GameRow& row);

// The row's tooltip for a game that is not sound; empty for a sound one.
std::string gameStateTip(const library::GameRow& row);

}  // namespace ui
