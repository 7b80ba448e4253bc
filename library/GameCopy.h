#pragma once
// Copying an installed game to another drive: its part files under the same
// names, and its record appended to the target's table.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/FileTransfer.h"
#include "report/FrontEnd.h"
#include "store/Failure.h"

namespace library {

// Where a copy stopped.
enum class CopyStep {
    NotFound,   // no source record carries the name
    Damaged,    // the source record names no files, or a source part is missing
    SameDrive,  // "Cannot copy to it's drive!"
    Declined,   // a replacement question was answered No
    FileOwned,  // a destination file belongs to a game the target keeps, or is one that
                // no record owns and no stopped install or copy of the game left
    NoRoom,     // the target has not enough free space
    Cancelled,
    Failed,
};

using CopyGameResult = store::Outcome<CopyStep>;

// The operations a copy needs of the system; tests replace them.
struct CopyServices {
    // Bytes the copy may still write on the volume of `root`; nothing when unknown.
    std::function<std::optional<std::uint64_t>(const std::string& root)> availableBytes;
    std::function<platform::CopyOutcome(const std::string& from, const std::string& to,
                                        const platform::CopyProgress& progress)>
        copyFile;
};
CopyServices systemCopyServices();

// Copies the first record named `name` of the table at `sourceRoot`, with its
// part files, to `targetRoot`. Every replacement question is asked before
// anything changes; then the parts are copied, the target table is replaced
// (its former records in order less those of the name, then the copied
// record), and only then are the replaced records' files deleted. A failed
// or cancelled copy removes what it wrote and leaves the target table as it was.
// Only when the drive has room for the copy just by losing the replaced game
// is that game removed first; a failure then leaves the target without either.
CopyGameResult copyGame(const std::string& sourceRoot, const std::string& name,
                        const std::string& targetRoot, const report::FrontEnd& frontEnd,
                        const CopyServices& services = systemCopyServices());

}  // namespace library
