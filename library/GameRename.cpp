#include "library/GameRename.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "library/GameFiles.h"
#include "library/ShownFailure.h"
#include "library/StrayParts.h"
#include "platform/FaultPoint.h"
#include "platform/FileTransfer.h"
#include "platform/Files.h"
#include "report/ShownText.h"
#include "store/ChangeIntent.h"
#include "store/ChangeSettling.h"
#include "store/DriveAccess.h"
#include "store/DriveRoot.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"

namespace library {

using namespace platform;
using namespace store;
using namespace report;

namespace {

const char* kNameTooLong =
    "The new name is longer than 31 bytes (a letter outside ASCII takes two or more).";
const char* kNameControl = "The new name holds a control character.";
const char* kNameTaken = "The game already exist.";
const char* kFileTaken = "The file already exist!";

// One part moved from its old name to its new one.
struct Move {
    std::string from;
    std::string to;
};

// Moves every moved part back, the last first, and flushes the folder.
// Returns what the person must be told of it: after ";", what was and was
// not moved.
std::string moveBack(const std::string& root, const std::vector<Move>& moves,
                     const std::string& oldName) {
    std::string stuck;
    for (auto it = moves.rbegin(); it != moves.rend(); ++it) {
        if (platform::renameNoReplace(it->to, it->from) != platform::RenameResult::Renamed)
            stuck += "\n" + escapeControls(it->to) + " (was " + escapeControls(it->from) + ": " +
                     platform::lastErrorText() + ")";
    }
    if (!stuck.empty())
        return "; the table still names the game " + escapeControls(oldName) +
               ", but these parts were moved and could not be moved back:" + stuck +
               "\nThe same rename run again finishes it.";
    if (!moves.empty() && !platform::syncFolder(root))
        return "; its parts were moved back, but that may not be on the device (" +
               platform::lastErrorText() + ").";
    return "; nothing was renamed.";
}

// A rename that stopped after the table took the new name (as earlier
// versions wrote it) leaves parts under the old hash: they are moved on.
bool finishesStoppedRename(const std::string& root, const std::vector<GameEntry>& records,
                           const std::string& newName) {
    const std::set<std::string> owned = ownedPartFiles(root, records);
    bool finished = false;
    for (const GameEntry& entry : records) {
        if (!hasName(entry, newName))
            continue;
        std::map<int, std::string> strays = findStrayParts(root, entry, owned);
        if (!strays.empty() && reuniteParts(root, entry, strays))
            finished = true;
    }
    return finished;
}

// Moves the parts of `entry` to the names of the new name hash, noting each
// move; a failure moves every part back and says why.
std::optional<Failure<RenameStep>> moveParts(const std::string& root, const GameEntry& entry,
                                             std::uint32_t newHash, std::vector<Move>& moves,
                                             const FrontEnd& frontEnd) {
    const std::string id = entry.gameId();
    const std::string oldPrefix = partPrefix(root, gameNameHash(entry.DisplayName()), id);
    const std::string newPrefix = partPrefix(root, newHash, id);
    for (int part = 0; part < entry.PartCount(); ++part) {
        Move move{*partFilePath(oldPrefix, part), *partFilePath(newPrefix, part)};
        platform::RenameResult moved = platform::renameNoReplace(move.from, move.to);
        if (moved == platform::RenameResult::TargetExists) {
            const std::string undone = moveBack(root, moves, entry.DisplayName());
            // The box keeps its fixed text; the printed line names the file.
            frontEnd.out << kFileTaken << " " << escapeControls(move.to)
                         << (undone.find('\n') != std::string::npos ? undone : "") << "\n";
            return shownFailure(frontEnd, RenameStep::FileTaken, move.to, kFileTaken);
        }
        if (moved == platform::RenameResult::Failed) {
            std::string reason = platform::lastErrorText();
            return shownFailure(frontEnd, RenameStep::Failed, move.from,
                                "Renaming " + move.from + " failed (" + reason + ")" +
                                    moveBack(root, moves, entry.DisplayName()));
        }
        if (moved == platform::RenameResult::Renamed)
            moves.push_back(move);
        // A missing old part is passed over: most likely an earlier,
        // stopped rename already moved it.
    }
    return std::nullopt;
}

}  // namespace

RenameGameResult renameGame(const std::string& root, const std::string& oldName,
                            const std::string& newName, const FrontEnd& frontEnd) {
    if (newName.size() > kMaxGameNameLength)
        return shownFailure(frontEnd, RenameStep::NameTooLong, newName, kNameTooLong);
    if (hasControlByte(newName))
        return shownFailure(frontEnd, RenameStep::NameInvalid, newName, kNameControl);
    const DriveAccess changing = accessForChange(root, frontEnd);
    if (!changing.granted())
        return Failure<RenameStep>{RenameStep::Failed, root, changing.outcome.failure().reason};
    const std::string path = tablePath(root);
    TableContents table = readTableFile(path);
    if (!table.changeable())
        return shownFailure(frontEnd, RenameStep::Failed, path,
                            tableNotReadText(path, table) + "; nothing was renamed.");
    auto named = [&](const std::string& name) {
        return std::any_of(table.records.begin(), table.records.end(),
                           [&](const GameEntry& entry) { return hasName(entry, name); });
    };
    // The game's own current name counts as taken too.
    if (named(newName)) {
        if (!named(oldName) && finishesStoppedRename(root, table.records, newName))
            return {};
        return shownFailure(frontEnd, RenameStep::NameTaken, newName, kNameTaken);
    }
    if (!named(oldName))
        return shownFailure(frontEnd, RenameStep::NotFound, oldName, gameNotFoundText(oldName));

    // The parts move first, then the table takes the new name in one atomic
    // replacement. A stop in between leaves the record under the old name
    // with its parts under either hash: the same rename run again finishes
    // it, and the listing offers to move them back.
    // The intent names each record before and after, so that a rename
    // stopped at any part is undone by the next command.
    ChangeIntent intent;
    intent.kind = ChangeIntent::Kind::Rename;
    for (const GameEntry& entry : table.records) {
        if (!hasName(entry, oldName) || !partFilesOf(root, entry).valid)
            continue;
        intent.before.push_back(entry);
        intent.after.push_back(entry);
        intent.after.back().setDisplayName(newName);
    }
    if (!intent.before.empty() && !writeIntent(root, intent))
        return shownFailure(frontEnd, RenameStep::Failed, root,
                            "The drive " + root + " cannot be written (" +
                                platform::lastErrorText() + "); nothing was renamed.");
    // What a failure left is undone, or left to the next command.
    auto settle = [&] {
        if (!intent.before.empty())
            settleChange(root);
    };
    bool leftDamaged = false;
    std::vector<Move> moves;
    std::vector<GameEntry> records = table.records;
    for (GameEntry& entry : records) {
        if (!hasName(entry, oldName))
            continue;
        if (!partFilesOf(root, entry).valid) {
            frontEnd.boxes.show(gameDamagedText(oldName));
            leftDamaged = true;
            continue;
        }
        if (std::optional<Failure<RenameStep>> failed =
                moveParts(root, entry, gameNameHash(newName), moves, frontEnd)) {
            settle();
            return *failed;
        }
        entry.setDisplayName(newName);
    }
    if (leftDamaged && moves.empty() &&
        std::none_of(records.begin(), records.end(),
                     [&](const GameEntry& entry) { return hasName(entry, newName); }))
        return Failure<RenameStep>{RenameStep::Damaged, oldName, gameDamagedText(oldName)};
    const bool partsFlushed = platform::syncFolder(root);
    const TableWrite written = partsFlushed ? writeTableFile(path, records)
                                            : Failure<TableWriteStep>{TableWriteStep::Write, root,
                                                                      platform::lastErrorText()};
    if (written.failedAt(TableWriteStep::NotFlushed)) {
        // The table names the moved parts now: they stay where they are.
        Failure<RenameStep> failed =
            shownFailure(frontEnd, RenameStep::Failed, path,
                         tableNotFlushedText(path, written.failure().reason) + ".");
        settle();
        return failed;
    }
    if (!written) {
        std::string reason = written.failure().reason;
        Failure<RenameStep> failed =
            shownFailure(frontEnd, RenameStep::Failed, path,
                         "The game table " + path + " cannot be written (" + reason + ")" +
                             moveBack(root, moves, oldName));
        settle();
        return failed;
    }
    if (!intent.before.empty())
        clearIntent(root);  // the table says the outcome; a stray intent only tidies up
    if (leftDamaged)
        return Failure<RenameStep>{RenameStep::Damaged, oldName, gameDamagedText(oldName)};
    return {};
}

}  // namespace library
