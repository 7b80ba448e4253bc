#include "library/DriveCheckText.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/PathText.h"
#include "platform/Volume.h"
#include "report/ShownText.h"
#include "store/DriveRoot.h"

namespace library {

using namespace platform;
using namespace store;
using namespace report;

namespace {

std::string gameText(const GameEntry& entry) {
    return "Game \"" + escapeControls(entry.DisplayName()) + "\"";
}

std::string partList(const std::map<int, std::string>& parts) {
    std::string text;
    for (const auto& [index, path] : parts)
        text += (text.empty() ? " " : ", ") + std::string(".0") + static_cast<char>('0' + index);
    return text;
}

}  // namespace

std::string unreadableTableText(const std::string& root, bool exists) {
    const std::string table = escapeControls(tablePath(root));
    std::string what = " is missing, but the drive holds part files";
    // Without a table no record names a part: what makes no game can go at once.
    std::string rest =
        ". The table is rebuilt from the whole games found; the parts that make "
        "no whole game are what stopped commands left";
    std::error_code error;
    const std::filesystem::file_status status =
        std::filesystem::symlink_status(platform::fsPath(tablePath(root)), error);
    if (std::filesystem::is_symlink(status)) {
        what = " is a symbolic link, not the drive's game table";
        rest = ". Nothing else is changed until the table is rebuilt from the whole games found";
    } else if (std::filesystem::is_directory(status)) {
        what = " is a folder, not a game table; it will be kept as " +
               std::string(kUnreadableTableName);
        rest = ". Nothing else is changed until the table is rebuilt from the whole games found";
    } else if (exists && std::filesystem::is_regular_file(status) &&
               platform::regularFileSize(tablePath(root)) == 0) {
        what = " is empty (0 bytes), but the drive holds part files";
    } else if (exists) {
        what = " cannot be read; it will be kept as " + std::string(kUnreadableTableName);
        rest = ". Nothing else is changed until the table is rebuilt from the whole games found";
    }
    return table + what + rest;
}

std::string leftoverTempText(const std::string& root) {
    return escapeControls(tempTablePath(root)) + ": a table rewrite that stopped left it";
}

std::string tornRecordText(const std::string& root, std::size_t bytes,
                           const std::optional<GameEntry>& readable) {
    const std::string head = escapeControls(tablePath(root)) + ": its last " +
                             std::to_string(bytes) + " bytes are a torn record";
    if (!readable)
        return head + " whose name cannot be read; the table can be written again without it";
    return head + " of game \"" + escapeControls(readable->DisplayName()) + "\" (" +
           escapeControls(readable->gameId()) +
           "); the table can be written again without it, and the game, where its parts are "
           "whole, recorded again under that name";
}

std::string unreadDriveText(const std::string& root, const std::vector<std::string>& unread) {
    std::string text = "The drive " + escapeControls(root) + " could not be read in full:";
    for (const std::string& failure : unread)
        text += "\n" + escapeControls(failure);
    return text + "\nNothing was changed; check the drive again once it can be read.";
}

std::string badGameIdText(const GameEntry& entry) {
    return gameText(entry) + ": its game ID \"" + escapeControls(entry.gameId()) +
           "\" names no files; the record can only be removed";
}

std::string badPartCountText(const GameEntry& entry, int partsOnDrive) {
    char text[160];
    std::snprintf(text, sizeof text, ": its part count %d names no files; ",
                  static_cast<int>(entry.bytes[entry_layout::kPartCount]));
    return gameText(entry) + text +
           (partsOnDrive > 0 ? std::to_string(partsOnDrive) +
                                   " parts lie on the drive, the count can be restored"
                             : std::string("no part lies on the drive, the record can only be "
                                           "removed"));
}

std::string countTooLargeText(const GameEntry& entry, int wholeParts) {
    return gameText(entry) + ": its part count " + std::to_string(entry.PartCount()) +
           " is larger than its game: its first " + std::to_string(wholeParts) +
           (wholeParts == 1 ? " part holds" : " parts hold") +
           " the whole disc, the count can be restored";
}

std::string missingPartsText(const GameEntry& entry, const std::map<int, std::string>& missing) {
    return gameText(entry) + ": parts" + partList(missing) +
           " are missing; the game can only be removed";
}

std::string splitGameText(const GameEntry& entry, const std::map<int, std::string>& strays) {
    return gameText(entry) + ": parts" + partList(strays) +
           " lie under another name (a rename that stopped); they can be moved back";
}

std::string unknownMediaText(const GameEntry& entry, std::uint32_t mediaType) {
    char text[96];
    std::snprintf(text, sizeof text, ": unknown media type 0x%X; it can be set to %s",
                  static_cast<unsigned>(entry.MediaType()), mediaType == kMediaDvd ? "DVD" : "CD");
    return gameText(entry) + text;
}

std::string lostGameText(const std::string& root, const LostGame& game) {
    std::string parts;
    for (const std::string& path : game.parts)
        parts += (parts.empty() ? "" : ", ") + escapeControls(path.substr(root.size()));
    if (game.tornRecord)
        return parts + ": a whole game (" + std::to_string(game.volumeSectors) +
               " sectors) whose record is the torn one; it can be recorded again as \"" +
               escapeControls(game.record.DisplayName()) + "\", " +
               (game.record.MediaType() == kMediaDvd ? "DVD" : "CD");
    if (!game.judged())
        return parts +
               ": parts that no record names, whose part .00 holds no volume descriptor, "
               "so check cannot tell whether they are whole; they can be recorded as "
               "the damaged game \"" +
               escapeControls(game.record.DisplayName()) +
               "\", which list shows and delete removes";
    return parts + ": a whole game (" + std::to_string(game.volumeSectors) +
           " sectors) that no record names; it can be recorded again as \"" +
           escapeControls(game.record.DisplayName()) + "\", " +
           (game.record.MediaType() == kMediaDvd ? "DVD" : "CD") +
           " (the name and the media type are guessed: rename it, and install it again if it "
           "is not a " +
           (game.record.MediaType() == kMediaDvd ? "DVD" : "CD") + " game)";
}

std::string unownedFileText(const std::string& path) {
    return escapeControls(path) +
           ": a part file that no game owns and that makes no whole game (left by a stopped "
           "install, copy or deletion)";
}

std::string stagedImageText(const std::string& path, const std::string& image) {
    return escapeControls(path) + ": an image that an export to " + escapeControls(image) +
           " was writing when it stopped; it can be removed";
}

std::string shortPartsText(const GameEntry& entry, const std::string& problem) {
    return gameText(entry) + " is damaged: " + problem +
           "; it is left as it is: delete it, or install it again";
}

std::string duplicateRecordText(const GameEntry& entry, std::size_t first, std::size_t again) {
    return gameText(entry) + " is recorded twice, byte for byte (records " +
           std::to_string(first + 1) + " and " + std::to_string(again + 1) +
           "): one delete of its name would remove both; the second record can be dropped";
}

std::string notAFileText(const std::string& path) {
    return escapeControls(path) +
           ": a folder named like a part file; it is no game's, and check leaves it alone";
}

std::string unjudgedPartText(const std::string& path) {
    return escapeControls(path) +
           ": a part file that no record names, of a game whose part .00 is gone; check cannot "
           "tell what it holds and leaves it alone";
}

}  // namespace library
