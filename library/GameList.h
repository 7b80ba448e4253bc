#pragma once
// The list of games installed on a drive, with the drive's space figures.

#include <cstdint>
#include <string>

#include "platform/Volume.h"
#include "report/FrontEnd.h"
#include "store/Failure.h"

namespace library {

// One listed game: the window shows `name` and `sizeKB`; the rest serves
// other front ends.
struct GameRow {
    std::string name;
    std::uint64_t sizeKB = 0;  // part files present, in KiB, truncated
    int parts = 0;             // the PartCount byte as stored, 0 to 255
    std::string gameId;
    std::uint32_t mediaType = 0;
    bool complete = false;  // every part file present and the record sound
    bool damaged = false;   // the record's game ID or part count names no files,
                            // its media type is unknown, a part is empty, or
                            // the parts hold less than the disc part .00 describes
};

// Where the rows go: the window's list view, a console table, a test.
class GameListView {
  public:
    virtual ~GameListView() = default;
    virtual void clear() = 0;
    virtual void appendRow(const GameRow& row) = 0;
    // Another program holds the drive and the caller may not wait: the rows
    // shown so far stay, and the caller lists again later.
    virtual void driveBusy() {}
};

// "Disk Size:<total>MB Free Size:<free>MB", in mebibytes, truncated.
std::string spaceText(std::uint64_t totalBytes, std::uint64_t freeBytes);
// The same of a volume: its size and all its free bytes, whoever may write
// them (what this user may write is the install's and the copy's own check).
std::string spaceText(const platform::VolumeSpace& space);

// "Game <name> has parts under another name,Repair ?"
std::string repairQuestion(const std::string& name);

// Shows the drive's space on the status line and lists its games in table
// order; the view is cleared once the drive could be read. A game with a missing part file raises
// "Game <name> destroyed,Delete ?"; on Yes it is deleted and the listing goes on with the games
// after it. A game whose missing parts lie under another name hash (a stopped rename) is never
// offered for deletion: it raises the repair question instead, and on Yes its parts are moved back
// under its own name. An empty table is deleted; one that ends in a torn record is listed as far as
// its whole records go and named on a message box; one that is no file that can be read (a folder,
// a named pipe, a link) is named on a message box.
enum class GameListKind {
    Listed,   // the table's games are in the view
    NoTable,  // the drive has no table: no games
};
// Where a listing stopped.
enum class GameListStep {
    TableUnreadable,  // the table cannot be read; the box said why
    TableTorn,        // the games of its whole records are in the view; the box said
                      // that it ends in a torn record, for the drive's check
    Stopped,          // the drive could not be held for reading (the front end said why)
    DriveUnreadable,  // a folder of the drive could not be read in full; the box said so,
                      // and nothing was offered for deletion or repair
};
using GameListing = store::Result<GameListKind, GameListStep>;
GameListing refreshGameList(const std::string& root, const report::FrontEnd& frontEnd,
                            GameListView& view);

}  // namespace library
