#pragma once
// Listed games as text for other programs: tab-separated lines or JSON.
// Names come from a drive and may hold any byte; both forms keep one game
// on one line (or one JSON object) whatever the name holds.

#include <string>
#include <vector>

#include "library/GameList.h"

// "CD" or "DVD".
const char* mediaText(std::uint32_t mediaType);

// name, size in KB, part count, game ID, media, tab-separated, ending in '\n'.
// Control characters in the texts are written as \xNN.
std::string gameRowLine(const GameRow& row);

// A JSON array of objects with the keys name, sizeKB, parts, gameId, media, complete.
std::string gameRowsJson(const std::vector<GameRow>& rows);

// A JSON string literal of `text`: valid UTF-8 passes through, any other byte
// is read as the Latin-1 character of that value.
std::string jsonString(const std::string& text);
