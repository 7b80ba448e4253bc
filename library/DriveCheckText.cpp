#include "library/DriveCheckText.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/PathText.h"
#include "platform/Volume.h"
#include "store/DriveRoot.h"
#include "store/ShownText.h"

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
    std::error_code error;
    const std::filesystem::file_status status =
        std::filesystem::symlink_status(platform::fsPath(tablePath(root)), error);
    if (std::filesystem::is_symlink(status)) {
        what = " is a symbolic link, not the drive's game table";
    } else if (std::filesystem::is_directory(status)) {
        what = " is a folder, not a game table; it will be kept as " +
               std::string(kUnreadableTableName);
    } else if (exists && std::filesystem::is_regular_file(status) &&
               platform::regularFileSize(tablePath(root)) == 0) {
        what = " is empty (0 bytes), but the drive holds part files";
    } else if (exists) {
        what = " cannot be read; it will be kept as " + std::string(kUnreadableTableName);
    }
    return table + what +
           ". Nothing else is changed until the table is rebuilt from the whole games found";
}

std::string leftoverTempText(const std::string& root) {
    return escapeControls(tempTablePath(root)) + ": a table rewrite that stopped left it";
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
    return parts + ": a whole game (" + std::to_string(game.volumeSectors) +
           " sectors) that no record names; it can be recorded again as \"" +
           escapeControls(game.record.DisplayName()) + "\"";
}

std::string unownedFileText(const std::string& path) {
    return escapeControls(path) +
           ": a part file that no game owns and that makes no whole game (left by a stopped "
           "install, copy or deletion)";
}
