// Repairs what the drive check found (the check itself is in DriveCheck.cpp).
#include <filesystem>
#include <system_error>

#include "library/DriveCheck.h"
#include "library/DriveCheckText.h"
#include "library/StrayParts.h"
#include "platform/FaultPoint.h"
#include "platform/FileTransfer.h"
#include "platform/Files.h"
#include "platform/FolderListing.h"
#include "platform/PathText.h"
#include "platform/Volume.h"
#include "report/ShownText.h"
#include "store/DriveAccess.h"
#include "store/DriveRoot.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"

namespace library {

using namespace platform;
using namespace store;
using namespace report;

namespace {

using Kind = DriveFinding::Kind;

struct Repair {
    std::vector<GameEntry> records;  // the table as it will be written
    std::vector<bool> dropped;
    std::vector<std::string> removals;  // once the table no longer names them
    bool tableChanged = false;
    std::vector<std::string> failures;

    void failed(const std::string& what) {
        failures.push_back(what + " (" + platform::lastErrorText() + ")");
    }
};

bool isRecordFinding(Kind kind) {
    return kind == Kind::SplitGame || kind == Kind::MissingParts || kind == Kind::DamagedRecord ||
           kind == Kind::UnknownMedia || kind == Kind::DuplicateRecord;
}

void repairRecord(const std::string& root, const DriveFinding& finding, Repair& repair) {
    GameEntry& entry = repair.records[finding.record];
    const std::string name = "game \"" + escapeControls(entry.DisplayName()) + "\"";
    switch (finding.kind) {
        case Kind::SplitGame:
            if (!reuniteParts(root, entry,
                              findStrayParts(root, entry, ownedPartFiles(root, repair.records))))
                repair.failed("The parts of " + name + " could not all be moved back");
            break;
        case Kind::MissingParts:
            repair.dropped[finding.record] = true;
            for (const std::string& path : partFilesOf(root, entry).paths) {
                // A folder of a part's name is no part: it stays, and is named.
                std::error_code error;
                if (platform::pathTaken(path) &&
                    !std::filesystem::is_directory(
                        std::filesystem::symlink_status(platform::fsPath(path), error)))
                    repair.removals.push_back(path);
            }
            repair.tableChanged = true;
            break;
        case Kind::DamagedRecord:
            if (finding.restoredCount > 0) {
                entry.setPartCount(static_cast<std::uint8_t>(finding.restoredCount));
            } else {
                repair.dropped[finding.record] = true;
            }
            repair.tableChanged = true;
            break;
        case Kind::DuplicateRecord:
            repair.dropped[finding.record] = true;
            repair.tableChanged = true;
            break;
        case Kind::UnknownMedia: {
            std::uint64_t bytes = 0;
            for (const std::string& path : partFilesOf(root, entry).paths)
                bytes += platform::regularFileSize(path).value_or(0);
            entry.setMediaType(mediaTypeForBytes(bytes));
            repair.tableChanged = true;
            break;
        }
        default:
            break;
    }
}

// Parts a stopped rewrite moved aside take their names again first: the
// findings were made as though they had.
void putPartsBack(const std::string& root, const DriveReport& report, Repair& repair) {
    bool moved = false;
    for (const DriveFinding& finding : report.findings) {
        if (finding.kind != Kind::RewriteLeftover || finding.item >= report.rewrites.size())
            continue;
        const RewriteLeftover& leftover = report.rewrites[finding.item];
        if (!leftover.putBack) {
            repair.removals.push_back(leftover.path);
        } else if (finishRewrite(leftover)) {
            moved = true;
        } else {
            repair.failed(escapeControls(leftover.path) + " cannot take its part's name again");
        }
    }
    if (moved && !platform::syncFolder(root))
        repair.failed("The drive's folder cannot be flushed");
}

// A whole game's parts take the names of its new record, and are flushed,
// before the table names them.
void recoverLostGames(const std::string& root, const DriveReport& report, Repair& repair) {
    for (const DriveFinding& finding : report.findings) {
        if (finding.kind != Kind::LostGame || finding.item >= report.lostGames.size())
            continue;
        const LostGame& game = report.lostGames[finding.item];
        if (renameLostGame(root, game)) {
            repair.records.push_back(game.record);
            repair.dropped.push_back(false);
            repair.tableChanged = true;
        } else {
            repair.failed("The parts of " + escapeControls(game.parts.front()) +
                          " could not all be renamed for game \"" +
                          escapeControls(game.record.DisplayName()) + "\"");
        }
    }
}

// A table that cannot be read is moved aside, never overwritten: it may be
// the only copy of the games' names. A link is replaced by the new table
// (the link itself, never what it points to).
bool clearUnreadableTable(const std::string& root) {
    std::error_code error;
    const std::filesystem::file_status status =
        std::filesystem::symlink_status(platform::fsPath(tablePath(root)), error);
    // An empty table holds nothing to keep: the new one replaces it.
    if (!std::filesystem::exists(status) || std::filesystem::is_symlink(status) ||
        platform::regularFileSize(tablePath(root)) == 0)
        return true;
    return platform::renameNoReplace(tablePath(root), root + kUnreadableTableName) ==
           platform::RenameResult::Renamed;
}

}  // namespace

std::vector<std::string> repairDrive(const std::string& root, const DriveReport& report) {
    // A folder that cannot be read while the repair looks again changes nothing more.
    platform::FolderReadWatch watch;
    Repair repair;
    const bool rebuild = report.tableUnreadable();
    if (!rebuild)
        repair.records = readTableFile(tablePath(root)).records;
    repair.dropped.assign(repair.records.size(), false);
    putPartsBack(root, report, repair);
    for (const DriveFinding& finding : report.findings) {
        if (isRecordFinding(finding.kind) && finding.record < repair.records.size()) {
            repairRecord(root, finding, repair);
        } else if (finding.kind == Kind::LeftoverTemp || finding.kind == Kind::UnownedFile) {
            repair.removals.push_back(finding.path);
        } else if (finding.kind == Kind::TornRecord) {
            repair.tableChanged = true;  // written again with its whole records only
        }
    }
    recoverLostGames(root, report, repair);
    if (watch.failed()) {
        for (const std::string& failure : watch.failures())
            repair.failures.push_back("The folder " + escapeControls(failure));
        return repair.failures;
    }
    if (rebuild && !clearUnreadableTable(root)) {
        repair.failed("The game table " + escapeControls(tablePath(root)) +
                      " cannot be moved aside to " + kUnreadableTableName);
        return repair.failures;
    }
    // The table first: no record may name a file that goes afterwards.
    if (repair.tableChanged || rebuild) {
        std::vector<GameEntry> kept;
        for (std::size_t i = 0; i < repair.records.size(); ++i) {
            if (!repair.dropped[i])
                kept.push_back(repair.records[i]);
        }
        if (kept.empty()) {
            // No game is left to record: the drive gets no table at all, never an
            // empty one, which a later check would take for a table lost.
            if (!platform::removeFile(tablePath(root))) {
                repair.failed("The game table " + escapeControls(tablePath(root)) +
                              " cannot be removed");
                return repair.failures;
            }
        }
        const TableWrite written =
            kept.empty() ? TableWrite{} : writeTableFile(tablePath(root), kept);
        if (written.failedAt(TableWriteStep::NotFlushed)) {
            // Nothing that the former table named may go yet.
            repair.failures.push_back(
                tableNotFlushedText(tablePath(root), written.failure().reason));
            return repair.failures;
        }
        if (!written) {
            repair.failed("The game table " + escapeControls(tablePath(root)) +
                          " cannot be written");
            return repair.failures;
        }
    }
    for (const std::string& path : repair.removals) {
        if (!platform::removeFile(path))
            repair.failed(escapeControls(path) + " cannot be removed");
    }
    return repair.failures;
}

DriveCheckResult checkAndRepairDrive(const std::string& root, const FrontEnd& frontEnd) {
    std::error_code error;
    if (!std::filesystem::is_directory(platform::fsPath(root), error)) {
        const std::string text = "The drive " + escapeControls(root) + " cannot be opened.";
        frontEnd.boxes.show(text);
        return Failure<DriveCheckStep>{DriveCheckStep::Open, root, text};
    }
    // Held from the first look to the last repair, so that what was found stays true.
    DriveAccess changing = accessForChange(root, frontEnd);
    if (!changing.granted())
        return Failure<DriveCheckStep>{DriveCheckStep::Access, root,
                                       changing.outcome.failure().reason};
    DriveReport report = checkDrive(root);
    if (!report.unread.empty()) {
        for (const DriveFinding& finding : report.findings)
            frontEnd.out << finding.text << '\n';
        frontEnd.out << std::flush;
        const std::string text = unreadDriveText(root, report.unread);
        frontEnd.boxes.show(text);
        return Failure<DriveCheckStep>{DriveCheckStep::Unread, root, text};
    }
    for (const DriveFinding& note : report.notes)
        frontEnd.out << note.text << '\n';
    if (report.sound()) {
        frontEnd.out << (report.tableFound ? "The drive is sound.\n"
                                           : "The drive is sound; it holds no games.\n");
        return DriveCheckKind::Sound;
    }
    for (const DriveFinding& finding : report.findings)
        frontEnd.out << finding.text << '\n';
    frontEnd.out << std::flush;
    const bool rebuild = report.tableUnreadable();
    if (!frontEnd.boxes.ask(
            rebuild ? "Rebuild the game table from the games found?" : "Repair the drive?", true))
        return DriveCheckKind::Found;
    std::vector<std::string> failures = repairDrive(root, report);
    if (!failures.empty()) {
        std::string text = "The drive could not be repaired in full:";
        for (const std::string& failure : failures)
            text += "\n" + failure;
        frontEnd.boxes.show(text);
        return Failure<DriveCheckStep>{DriveCheckStep::Repair, root, text};
    }
    if (rebuild && report.lostGames.empty()) {
        frontEnd.out << "No whole game was found; the drive holds no game table.\n";
    } else if (rebuild) {
        frontEnd.out << "The game table was rebuilt with " << report.lostGames.size()
                     << (report.lostGames.size() == 1 ? " game" : " games")
                     << "; check the drive again for anything else.\n";
    } else {
        frontEnd.out << "The drive was repaired.\n";
    }
    return DriveCheckKind::Repaired;
}

}  // namespace library
