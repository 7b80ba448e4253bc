#include "library/GameRename.h"

#include <algorithm>

#include "library/GameFiles.h"
#include "platform/FileTransfer.h"
#include "store/DriveRoot.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"

namespace {

const char* kNameTooLong = "The new name is longer than 31 characters.";
const char* kNameTaken = "The game already exist.";
const char* kFileTaken = "The file already exist!";
const char* kTableNotReadable = "The game table cannot be read; nothing was renamed.";
const char* kTableNotWritten = "The game table cannot be written; the rename stopped.";

}  // namespace

RenameGameResult renameGame(const std::string& root, const std::string& oldName,
                            const std::string& newName, const FrontEnd& frontEnd) {
    if (newName.size() > kMaxGameNameLength) {
        frontEnd.boxes.show(kNameTooLong);
        return RenameGameResult::NameTooLong;
    }
    const std::string path = tablePath(root);
    TableContents table = readTableFile(path);
    if (table.exists && !table.opened) {
        frontEnd.boxes.show(kTableNotReadable);
        return RenameGameResult::Failed;
    }
    auto named = [&](const std::string& name) {
        return std::any_of(table.records.begin(), table.records.end(),
                           [&](const GameEntry& entry) { return hasName(entry, name); });
    };
    // The game's own current name counts as taken too.
    if (named(newName)) {
        frontEnd.boxes.show(kNameTaken);
        return RenameGameResult::NameTaken;
    }
    if (!named(oldName)) {
        frontEnd.boxes.show(gameNotFoundText(oldName));
        return RenameGameResult::NotFound;
    }

    const std::uint32_t oldHash = gameNameHash(oldName);
    const std::uint32_t newHash = gameNameHash(newName);
    bool leftDamaged = false;
    for (std::size_t index = 0; index < table.records.size(); ++index) {
        const GameEntry& entry = table.records[index];
        if (!hasName(entry, oldName))
            continue;
        if (!partFilesOf(root, entry).valid) {
            frontEnd.boxes.show(gameDamagedText(oldName));
            leftDamaged = true;
            continue;
        }
        const std::string id = entry.gameId();
        const std::string oldPrefix = partPrefix(root, oldHash, id);
        const std::string newPrefix = partPrefix(root, newHash, id);
        GameEntry renamed = entry;
        renamed.setDisplayName(newName);
        for (int part = 0; part < entry.PartCount(); ++part) {
            platform::RenameResult moved = platform::renameNoReplace(
                *partFilePath(oldPrefix, part), *partFilePath(newPrefix, part));
            if (moved == platform::RenameResult::TargetExists) {
                frontEnd.boxes.show(kFileTaken);
                return RenameGameResult::FileTaken;
            }
            // Any other failure is passed over: a missing old part is most
            // likely one that an earlier, stopped rename already moved.
            if (!platform::overwriteFileAt(path, index * entry_layout::kSize, renamed.bytes)) {
                frontEnd.boxes.show(kTableNotWritten);
                return RenameGameResult::Failed;
            }
        }
    }
    return leftDamaged ? RenameGameResult::Damaged : RenameGameResult::Renamed;
}
