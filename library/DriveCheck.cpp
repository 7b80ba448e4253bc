#include "library/DriveCheck.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "library/DriveCheckText.h"
#include "library/StrayParts.h"
#include "platform/Files.h"
#include "platform/Volume.h"
#include "store/DriveRoot.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"
#include "store/ShownText.h"
#include "store/TableFile.h"

namespace {

using Kind = DriveFinding::Kind;

// The drive's files as they are once what a stopped rewrite moved aside is
// put back: a part moved aside is present, with the bytes of its aside.
struct DriveFiles {
    std::map<std::string, std::string> putBack;  // part -> where it lies now

    std::string readFrom(const std::string& path) const {
        auto it = putBack.find(path);
        return it == putBack.end() ? path : it->second;
    }
    std::optional<std::uint64_t> size(const std::string& path) const {
        return platform::regularFileSize(readFrom(path));
    }
    std::uint64_t sizeOf(const std::vector<std::string>& paths) const {
        std::uint64_t total = 0;
        for (const std::string& path : paths)
            total += size(path).value_or(0);
        return total;
    }
};

// Parts .00, .01, ... present without a gap under the record's own prefix.
int partsPresent(const std::string& root, const GameEntry& entry, const DriveFiles& files) {
    const std::string prefix = partPrefix(root, gameNameHash(entry.DisplayName()), entry.gameId());
    int count = 0;
    while (count < kMaxParts && files.size(*partFilePath(prefix, count)))
        ++count;
    return count;
}

// How many of the record's first parts, present without a gap, make a whole game.
int wholePartsPresent(const std::vector<std::string>& paths, const DriveFiles& drive) {
    std::vector<FoundPart> present;
    for (const std::string& path : paths) {
        const std::optional<std::uint64_t> size = drive.size(path);
        if (!size)
            break;
        present.push_back({path, drive.readFrom(path), *size});
    }
    return wholeGameParts(present);
}

void checkDamagedRecord(const std::string& root, std::size_t index, const GameEntry& entry,
                        const DriveFiles& files, std::set<std::string>& claimed,
                        std::vector<DriveFinding>& findings) {
    DriveFinding finding{Kind::DamagedRecord, "", index, "", 0, 0};
    if (!isValidGameId(entry.gameId())) {
        finding.text = badGameIdText(entry);
    } else {
        finding.restoredCount = partsPresent(root, entry, files);
        finding.text = badPartCountText(entry, finding.restoredCount);
        GameEntry restored = entry;
        restored.setPartCount(static_cast<std::uint8_t>(finding.restoredCount));
        for (const std::string& path : partFilesOf(root, restored).paths)
            claimed.insert(path);
    }
    findings.push_back(finding);
}

void checkRecord(const std::string& root, std::size_t index, const GameEntry& entry,
                 const DriveFiles& drive, const std::set<std::string>& owned,
                 std::set<std::string>& claimed, std::vector<DriveFinding>& findings) {
    PartFiles files = partFilesOf(root, entry);
    if (!files.valid) {
        checkDamagedRecord(root, index, entry, drive, claimed, findings);
        return;
    }
    std::map<int, std::string> missing;
    for (std::size_t i = 0; i < files.paths.size(); ++i) {
        if (!drive.size(files.paths[i]))
            missing.emplace(static_cast<int>(i), files.paths[i]);
    }
    if (!missing.empty()) {
        std::map<int, std::string> strays = findStrayParts(root, entry, owned);
        if (!straysCompleteGame(root, entry, strays)) {
            // A count larger than the game's parts (a damaged byte) misses
            // parts that never were: the parts present may be the whole game.
            if (int whole = wholePartsPresent(files.paths, drive)) {
                findings.push_back(
                    {Kind::DamagedRecord, countTooLargeText(entry, whole), index, "", whole, 0});
            } else {
                findings.push_back(
                    {Kind::MissingParts, missingPartsText(entry, missing), index, "", 0, 0});
            }
            return;
        }
        for (const auto& [part, path] : strays)
            claimed.insert(path);
        findings.push_back({Kind::SplitGame, splitGameText(entry, strays), index, "", 0, 0});
    }
    if (entry.MediaType() != kMediaCd && entry.MediaType() != kMediaDvd) {
        findings.push_back({Kind::UnknownMedia,
                            unknownMediaText(entry, mediaTypeForBytes(drive.sizeOf(files.paths))),
                            index, "", 0, 0});
    }
}

// Entries at the root named like part files (staged ones among them), sorted.
std::vector<std::string> partNamedFiles(const std::string& root) {
    return unownedPartFiles(root, {});
}

// Judges the part files that no record names. A staged part whose own name
// belongs to a record was left by a replacement that never began: the
// record's game stands, and it goes.
void checkUnowned(const std::string& root, const std::vector<GameEntry>& records,
                  const std::set<std::string>& owned, const std::set<std::string>& claimed,
                  const DriveFiles& drive, DriveReport& report) {
    std::vector<FoundPart> found;
    std::vector<std::string> leftovers;
    std::set<std::string> paths;
    for (const std::string& path : partNamedFiles(root))
        paths.insert(path);
    for (const auto& [part, aside] : drive.putBack)
        paths.insert(part);
    for (const std::string& path : paths) {
        if (claimed.count(path) != 0)
            continue;
        const std::optional<std::uint64_t> size = drive.size(path);
        const std::string name = path.substr(root.size());
        const std::optional<PartFileName> part = parsePartFileName(name);
        const bool replaced =
            part && part->staged &&
            owned.count(
                *partFilePath(root + "zt." + part->hash + "." + part->gameId, part->index)) != 0;
        if (!size || replaced) {
            leftovers.push_back(path);
        } else {
            found.push_back({path, drive.readFrom(path), *size});
        }
    }
    std::set<std::string> names;
    for (const GameEntry& record : records)
        names.insert(record.DisplayName());
    UnownedParts judged = judgeUnownedParts(root, found, names);
    for (const LostGame& game : judged.games) {
        report.findings.push_back(
            {Kind::LostGame, lostGameText(root, game), 0, "", 0, report.lostGames.size()});
        report.lostGames.push_back(game);
    }
    leftovers.insert(leftovers.end(), judged.leftovers.begin(), judged.leftovers.end());
    std::sort(leftovers.begin(), leftovers.end());
    for (const std::string& path : leftovers)
        report.findings.push_back({Kind::UnownedFile, unownedFileText(path), 0, path, 0, 0});
}

// A table that cannot be read hides which parts its records name: only
// whole games are looked for, to rebuild the table from.
void checkWithoutTable(const std::string& root, DriveReport& report) {
    report.findings.push_back({Kind::TableUnreadable, unreadableTableText(root, report.tableFound),
                               0, tablePath(root), 0, 0});
    std::vector<FoundPart> found;
    for (const std::string& path : partNamedFiles(root)) {
        if (std::optional<std::uint64_t> size = platform::regularFileSize(path))
            found.push_back({path, path, *size});
    }
    for (const LostGame& game : judgeUnownedParts(root, found, {}).games) {
        report.findings.push_back(
            {Kind::LostGame, lostGameText(root, game), 0, "", 0, report.lostGames.size()});
        report.lostGames.push_back(game);
    }
}

}  // namespace

DriveReport checkDrive(const std::string& root) {
    DriveReport report;
    const std::string table = tablePath(root);
    TableContents contents = readTableFile(table);
    report.tableFound = contents.exists;
    // An empty table beside part files is what a pulled stick can leave of
    // one: rebuilt from the whole games found, as a missing one is.
    const bool empty = contents.opened && platform::regularFileSize(table) == 0;
    if ((contents.exists && !contents.opened) ||
        ((!contents.exists || empty) && !partNamedFiles(root).empty())) {
        checkWithoutTable(root, report);
        return report;
    }
    if (platform::pathTaken(tempTablePath(root))) {
        report.findings.push_back(
            {Kind::LeftoverTemp, leftoverTempText(root), 0, tempTablePath(root), 0, 0});
    }
    DriveFiles drive;
    report.rewrites = interruptedRewrites(root);
    for (std::size_t i = 0; i < report.rewrites.size(); ++i) {
        const RewriteLeftover& leftover = report.rewrites[i];
        if (leftover.putBack)
            drive.putBack[leftover.part] = leftover.path;
        report.findings.push_back(
            {Kind::RewriteLeftover, escapeControls(leftover.text), 0, leftover.path, 0, i});
    }
    const std::set<std::string> owned = ownedPartFiles(root, contents.records);
    std::set<std::string> claimed = owned;
    for (std::size_t i = 0; i < contents.records.size(); ++i)
        checkRecord(root, i, contents.records[i], drive, owned, claimed, report.findings);
    checkUnowned(root, contents.records, owned, claimed, drive, report);
    return report;
}
