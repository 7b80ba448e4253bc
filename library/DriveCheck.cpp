#include "library/DriveCheck.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "library/StrayParts.h"
#include "platform/FaultPoint.h"
#include "platform/Files.h"
#include "platform/Volume.h"
#include "store/DriveAccess.h"
#include "store/DriveRoot.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"
#include "store/ShownText.h"
#include "store/TableFile.h"

namespace {

// A game larger than this cannot be a CD image (a 99-minute CD holds about
// 440000 sectors); an unknown media type is set from it.
constexpr std::uint64_t kLargestCdBytes = std::uint64_t{450000} * 2048;

std::string gameText(const GameEntry& entry) {
    return "Game \"" + escapeControls(entry.DisplayName()) + "\"";
}

std::string partList(const std::map<int, std::string>& parts) {
    std::string text;
    for (const auto& [index, path] : parts)
        text += (text.empty() ? " " : ", ") + std::string(".0") + static_cast<char>('0' + index);
    return text;
}

// Parts .00, .01, ... present without a gap under the record's own prefix.
int partsPresent(const std::string& root, const GameEntry& entry) {
    const std::string prefix = partPrefix(root, gameNameHash(entry.DisplayName()), entry.gameId());
    int count = 0;
    while (count < kMaxParts && platform::regularFileSize(*partFilePath(prefix, count)))
        ++count;
    return count;
}

std::uint64_t sizeOfParts(const std::vector<std::string>& paths) {
    std::uint64_t total = 0;
    for (const std::string& path : paths)
        total += platform::regularFileSize(path).value_or(0);
    return total;
}

void checkRecord(const std::string& root, std::size_t index, const GameEntry& entry,
                 const std::set<std::string>& owned, std::set<std::string>& claimed,
                 std::vector<DriveFinding>& findings) {
    PartFiles files = partFilesOf(root, entry);
    if (!files.valid) {
        DriveFinding finding{DriveFinding::Kind::DamagedRecord, "", index, "", 0};
        const int stored = entry.bytes[entry_layout::kPartCount];
        if (!isValidGameId(entry.gameId())) {
            finding.text = gameText(entry) + ": its game ID \"" + escapeControls(entry.gameId()) +
                           "\" names no files; the record can only be removed";
        } else {
            finding.restoredCount = partsPresent(root, entry);
            char text[160];
            std::snprintf(text, sizeof text, ": its part count %d names no files; ", stored);
            finding.text = gameText(entry) + text +
                           (finding.restoredCount > 0
                                ? std::to_string(finding.restoredCount) +
                                      " parts lie on the drive, the count can be restored"
                                : std::string("no part lies on the drive, the record can only "
                                              "be removed"));
            GameEntry restored = entry;
            restored.setPartCount(static_cast<std::uint8_t>(finding.restoredCount));
            for (const std::string& path : partFilesOf(root, restored).paths)
                claimed.insert(path);
        }
        findings.push_back(finding);
        return;
    }
    std::map<int, std::string> strays = findStrayParts(root, entry, owned);
    std::map<int, std::string> missing;
    for (std::size_t i = 0; i < files.paths.size(); ++i) {
        if (!platform::regularFileSize(files.paths[i]))
            missing.emplace(static_cast<int>(i), files.paths[i]);
    }
    if (!missing.empty() && straysCompleteGame(root, entry, strays)) {
        for (const auto& [part, path] : strays)
            claimed.insert(path);
        findings.push_back({DriveFinding::Kind::SplitGame,
                            gameText(entry) + ": parts" + partList(strays) +
                                " lie under another name (a rename that stopped); they can be "
                                "moved back",
                            index, "", 0});
    } else if (!missing.empty()) {
        findings.push_back({DriveFinding::Kind::MissingParts,
                            gameText(entry) + ": parts" + partList(missing) +
                                " are missing; the game can only be removed",
                            index, "", 0});
        return;
    }
    if (entry.MediaType() != kMediaCd && entry.MediaType() != kMediaDvd) {
        char text[96];
        std::snprintf(text, sizeof text, ": unknown media type 0x%X; it can be set to %s",
                      static_cast<unsigned>(entry.MediaType()),
                      sizeOfParts(files.paths) > kLargestCdBytes ? "DVD" : "CD");
        findings.push_back(
            {DriveFinding::Kind::UnknownMedia, gameText(entry) + text, index, "", 0});
    }
}

}  // namespace

DriveReport checkDrive(const std::string& root) {
    DriveReport report;
    const std::string table = tablePath(root);
    TableContents contents = readTableFile(table);
    report.tableFound = contents.exists;
    if (contents.exists && !contents.opened) {
        report.findings.push_back({DriveFinding::Kind::TableUnreadable,
                                   table + " is no plain file (a link or a folder); the drive's "
                                           "games cannot be read",
                                   0, table, 0});
        return report;
    }
    if (platform::pathTaken(tempTablePath(root))) {
        report.findings.push_back({DriveFinding::Kind::LeftoverTemp,
                                   tempTablePath(root) + ": a table rewrite that stopped left it",
                                   0, tempTablePath(root), 0});
    }
    const std::set<std::string> owned = ownedPartFiles(root, contents.records);
    std::set<std::string> claimed = owned;
    for (std::size_t i = 0; i < contents.records.size(); ++i)
        checkRecord(root, i, contents.records[i], owned, claimed, report.findings);
    for (const std::string& path : unownedPartFiles(root, claimed)) {
        report.findings.push_back(
            {DriveFinding::Kind::UnownedFile,
             escapeControls(path) + ": a part file that no game owns (left by a stopped install, "
                                    "copy or deletion)",
             0, path, 0});
    }
    return report;
}

std::vector<std::string> repairDrive(const std::string& root, const DriveReport& report) {
    std::vector<std::string> failures;
    auto failed = [&](const std::string& what) {
        failures.push_back(what + " (" + platform::lastErrorText() + ")");
    };
    TableContents contents = readTableFile(tablePath(root));
    std::vector<GameEntry> records = contents.records;
    std::vector<bool> dropped(records.size(), false);
    std::vector<std::string> removals;
    bool tableChanged = false;
    for (const DriveFinding& finding : report.findings) {
        const bool forRecord = finding.kind == DriveFinding::Kind::SplitGame ||
                               finding.kind == DriveFinding::Kind::MissingParts ||
                               finding.kind == DriveFinding::Kind::DamagedRecord ||
                               finding.kind == DriveFinding::Kind::UnknownMedia;
        if (forRecord && finding.record >= records.size())
            continue;  // the table changed since the check
        GameEntry* entry = forRecord ? &records[finding.record] : nullptr;
        switch (finding.kind) {
            case DriveFinding::Kind::TableUnreadable:
                // Only a link is taken away: it is not the drive's table.
                if (std::filesystem::is_symlink(finding.path)) {
                    removals.push_back(finding.path);
                } else {
                    failures.push_back(finding.path + " is left as it is");
                }
                break;
            case DriveFinding::Kind::LeftoverTemp:
            case DriveFinding::Kind::UnownedFile:
                removals.push_back(finding.path);
                break;
            case DriveFinding::Kind::SplitGame: {
                std::map<int, std::string> strays =
                    findStrayParts(root, *entry, ownedPartFiles(root, records));
                if (!reuniteParts(root, *entry, strays))
                    failed("The parts of " + gameText(*entry) + " could not all be moved back");
                break;
            }
            case DriveFinding::Kind::MissingParts:
                dropped[finding.record] = true;
                for (const std::string& path : partFilesOf(root, *entry).paths) {
                    if (platform::pathTaken(path))
                        removals.push_back(path);
                }
                tableChanged = true;
                break;
            case DriveFinding::Kind::DamagedRecord:
                if (finding.restoredCount > 0) {
                    entry->setPartCount(static_cast<std::uint8_t>(finding.restoredCount));
                } else {
                    dropped[finding.record] = true;
                }
                tableChanged = true;
                break;
            case DriveFinding::Kind::UnknownMedia:
                entry->setMediaType(sizeOfParts(partFilesOf(root, *entry).paths) > kLargestCdBytes
                                        ? kMediaDvd
                                        : kMediaCd);
                tableChanged = true;
                break;
        }
    }
    // The table first: no record may name a file that goes afterwards.
    if (tableChanged) {
        std::vector<GameEntry> kept;
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (!dropped[i])
                kept.push_back(records[i]);
        }
        if (!writeTableFile(tablePath(root), kept)) {
            failed("The game table " + tablePath(root) + " cannot be written");
            return failures;
        }
    }
    for (const std::string& path : removals) {
        if (!platform::removeFile(path))
            failed(escapeControls(path) + " cannot be removed");
    }
    return failures;
}

DriveCheckResult checkAndRepairDrive(const std::string& root, const FrontEnd& frontEnd) {
    std::error_code error;
    if (!std::filesystem::is_directory(root, error)) {
        frontEnd.boxes.show("The drive " + escapeControls(root) + " cannot be opened.");
        return DriveCheckResult::Failed;
    }
    // Held from the first look to the last repair, so that what was found stays true.
    DriveAccess changing = accessForChange(root, frontEnd);
    if (!changing.granted())
        return DriveCheckResult::Failed;
    DriveReport report = checkDrive(root);
    if (report.sound()) {
        frontEnd.out << (report.tableFound ? "The drive is sound.\n"
                                           : "The drive is sound; it holds no games.\n");
        return DriveCheckResult::Sound;
    }
    for (const DriveFinding& finding : report.findings)
        frontEnd.out << finding.text << '\n';
    frontEnd.out << std::flush;
    if (!frontEnd.boxes.ask("Repair the drive?", true))
        return DriveCheckResult::Found;
    std::vector<std::string> failures = repairDrive(root, report);
    if (!failures.empty()) {
        std::string text = "The drive could not be repaired in full:";
        for (const std::string& failure : failures)
            text += "\n" + failure;
        frontEnd.boxes.show(text);
        return DriveCheckResult::Failed;
    }
    frontEnd.out << "The drive was repaired.\n";
    return DriveCheckResult::Repaired;
}
