#pragma once
// One install as the window and the queue ask for it, and what came of it.

#include <string>

#include "store/Failure.h"

namespace install {

// The media type the game is recorded with.
enum class Media { Cd, Dvd };

struct InstallRequest {
    std::string source;  // a CD/DVD drive or a disc image file
    std::string root;    // the target drive's root
    std::string name;    // the game's name
    Media media = Media::Cd;
};

// Where an install stopped.
enum class InstallStep {
    Source,     // the disc could not be identified
    Drive,      // the drive folder cannot be opened, or the drive is busy
    Game,       // the name, game ID or size cannot be recorded
    Replace,    // the table, a file in the way, or a No to the replace question
    Room,       // no room, or the room could not be made
    Copy,       // the copy failed or was cancelled
    Record,     // the game could not be recorded
    DriveLost,  // the drive went away during the install
};

// Its reason is the text of the last box the install showed; empty when it
// showed none (a cancel says so on the status line).
using InstallResult = store::Outcome<InstallStep>;

}  // namespace install
