#pragma once
// Listed games as text for other programs: tab-separated lines or JSON.
// Names come from a drive and may hold any byte; both forms keep one game
// on one line (or one JSON object) whatever the name holds.

#include <string>
#include <vector>

#include "library/GameList.h"

namespace library {

// "CD" or "DVD".
const char* mediaText(std::uint32_t mediaType);

// "damaged" (the record names no files or has an unknown media type),
// "incomplete" (a part file is missing) or "complete".
const char* stateText(const GameRow& row);

// name, size in KB, part count, game ID, media, state, tab-separated, ending in '\n'.
// Control characters in the texts are written as \xNN.
std::string gameRowLine(const GameRow& row);

// A JSON array of objects with the keys name, sizeKB, parts, gameId, media,
// complete, damaged; and name_bytes (the name's bytes as hexadecimal digits)
// after a name that is not UTF-8, which JSON can only show changed.
std::string gameRowsJson(const std::vector<GameRow>& rows);

// A JSON string literal of `text`: valid UTF-8 passes through, any other byte
// is read as the Latin-1 character of that value.
std::string jsonString(const std::string& text);

}  // namespace library
