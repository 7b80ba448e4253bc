#include "library/GameDetails.h"

#include <cstdio>

#include "library/GameFiles.h"
#include "store/DriveAccess.h"
#include "store/DriveRoot.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"

namespace library {

using namespace store;
using namespace report;
using namespace platform;

GameDetailsLookup lookUpGameDetails(const std::string& root, const std::string& name,
                                    const FrontEnd& frontEnd) {
    using Status = GameDetailsLookup::Status;
    GameDetailsLookup lookup;
    DriveAccess reading = accessForReading(root, frontEnd);
    if (!reading.granted())
        return {Status::Stopped, ""};
    const TableContents table = readTableFile(tablePath(root));
    if (table.exists && !table.opened) {
        frontEnd.boxes.show(tableNotReadText(tablePath(root), table) + ".");
        return {Status::TableUnreadable, ""};
    }
    for (const GameEntry& entry : table.records) {
        if (!hasName(entry, name))
            continue;
        // A damaged record names no file, so its size counts as 0, and the
        // text says so, with the count as stored.
        PartFiles files = partFilesOf(root, entry);
        PartPresence presence = findPartFiles(files.paths);
        char text[96];
        std::snprintf(text, sizeof text, "Size %llu Bytes ,File number %d ",
                      static_cast<unsigned long long>(presence.bytes),
                      files.valid ? static_cast<int>(entry.PartCount())
                                  : static_cast<int>(entry.bytes[entry_layout::kPartCount]));
        lookup = {Status::Found, text};
        if (!files.valid)
            lookup.text += "(damaged record: its part count or game ID names no files)";
    }
    return lookup;
}

std::optional<std::string> gameDetails(const std::string& root, const std::string& name,
                                       const FrontEnd& frontEnd) {
    GameDetailsLookup lookup = lookUpGameDetails(root, name, frontEnd);
    if (lookup.status != GameDetailsLookup::Status::Found)
        return std::nullopt;
    return lookup.text;
}

}  // namespace library
