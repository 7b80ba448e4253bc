#pragma once
// The list of games installed on a drive, with the drive's space figures.

#include <cstdint>
#include <string>

#include "store/FrontEnd.h"

// One listed game: the window shows `name` and `sizeKB`; the rest serves
// other front ends.
struct GameRow {
    std::string name;
    std::uint64_t sizeKB = 0;  // part files present, in KiB, truncated
    int parts = 0;             // PartCount as recorded (signed)
    std::string gameId;
    std::uint32_t mediaType = 0;
    bool complete = false;  // every part file present and the record sound
    bool damaged = false;   // the record's game ID or part count names no files
};

// Where the rows go: the window's list view, a console table, a test.
class GameListView {
  public:
    virtual ~GameListView() = default;
    virtual void clear() = 0;
    virtual void appendRow(const GameRow& row) = 0;
};

// "Disk Size:<total>MB Free Size:<free>MB", in mebibytes, truncated.
std::string spaceText(std::uint64_t totalBytes, std::uint64_t freeBytes);

// Shows the drive's space on the status line and lists its games in table
// order. A game with a missing part file raises "Game <name> destroyed,Delete ?";
// on Yes it is deleted and the listing goes on with the games after it.
// A table without a complete record is deleted. Returns whether the drive
// has a table file.
bool refreshGameList(const std::string& root, const FrontEnd& frontEnd, GameListView& view);
