#include "library/DriveCheck.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "library/DriveCheckText.h"
#include "library/StrayParts.h"
#include "platform/Files.h"
#include "platform/FolderListing.h"
#include "platform/PathText.h"
#include "platform/StagedFile.h"
#include "platform/Volume.h"
#include "report/ShownText.h"
#include "store/DriveRoot.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"

namespace library {

using namespace platform;
using namespace store;
using namespace report;

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
    if (missing.empty()) {
        std::vector<FoundPart> parts;
        for (const std::string& path : files.paths)
            parts.push_back({path, drive.readFrom(path), drive.size(path).value_or(0)});
        if (std::string problem = shortPartsProblem(parts); !problem.empty())
            findings.push_back({Kind::ShortParts, shortPartsText(entry, problem), index, "", 0, 0});
    }
    if (entry.MediaType() != kMediaCd && entry.MediaType() != kMediaDvd) {
        findings.push_back({Kind::UnknownMedia,
                            unknownMediaText(entry, mediaTypeForBytes(drive.sizeOf(files.paths))),
                            index, "", 0, 0});
    }
}

bool isFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(
        std::filesystem::symlink_status(platform::fsPath(path), error));
}

// Entries at the root named like part files (staged ones among them), sorted.
std::vector<std::string> partNamedFiles(const std::string& root) {
    return unownedPartFiles(root, {});
}

// Those that are plain files: a folder of such a name is no part.
bool holdsPartFiles(const std::string& root) {
    const std::vector<std::string> named = partNamedFiles(root);
    return std::any_of(named.begin(), named.end(), [](const std::string& path) {
        return platform::regularFileSize(path).has_value();
    });
}

// The game that the table's torn record named, when its parts lie whole
// under that name: it takes its own name again, and the media type the
// piece still holds, rather than a guessed one.
void nameAfterTornRecord(const std::string& root, const std::optional<GameEntry>& torn,
                         const std::set<std::string>& names, std::vector<LostGame>& games) {
    if (!torn || names.count(torn->DisplayName()) != 0)
        return;
    const std::string prefix = partPrefix(root, gameNameHash(torn->DisplayName()), torn->gameId());
    for (LostGame& game : games) {
        bool own = game.judged();
        for (std::size_t i = 0; own && i < game.parts.size(); ++i)
            own = game.parts[i] == *partFilePath(prefix, static_cast<int>(i));
        if (!own)
            continue;
        game.targets = game.parts;
        game.tornRecord = true;
        game.record.setDisplayName(torn->DisplayName());
        if (torn->MediaType() == kMediaCd || torn->MediaType() == kMediaDvd)
            game.record.setMediaType(torn->MediaType());
        return;
    }
}

void nameUnjudged(const UnownedParts& judged, DriveReport& report) {
    for (const std::string& path : judged.unjudged)
        report.findings.push_back({Kind::UnjudgedPart, unjudgedPartText(path), 0, path, 0, 0});
}

// Judges the part files that no record names. A staged part whose own name
// belongs to a record was left by a replacement that never began: the
// record's game stands, and it goes.
void checkUnowned(const std::string& root, const std::vector<GameEntry>& records,
                  const std::set<std::string>& owned, const std::set<std::string>& claimed,
                  const DriveFiles& drive, const std::optional<GameEntry>& torn,
                  DriveReport& report) {
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
        if (isFolder(path)) {
            report.notes.push_back({Kind::NotAFile, notAFileText(path), 0, path, 0, 0});
            continue;
        }
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
    nameAfterTornRecord(root, torn, names, judged.games);
    for (const LostGame& game : judged.games) {
        report.findings.push_back(
            {Kind::LostGame, lostGameText(root, game), 0, "", 0, report.lostGames.size()});
        report.lostGames.push_back(game);
    }
    leftovers.insert(leftovers.end(), judged.leftovers.begin(), judged.leftovers.end());
    // Parts beyond a record's own, under its name: its part .00 says where
    // its game ends, and they lie past it (what a replacement left).
    std::erase_if(judged.unjudged, [&](const std::string& path) {
        const std::optional<PartFileName> part = parsePartFileName(path.substr(root.size()));
        const bool beyond = part && owned.count(*partFilePath(
                                        root + "zt." + part->hash + "." + part->gameId, 0)) != 0;
        if (beyond)
            leftovers.push_back(path);
        return beyond;
    });
    std::sort(leftovers.begin(), leftovers.end());
    for (const std::string& path : leftovers)
        report.findings.push_back({Kind::UnownedFile, unownedFileText(path), 0, path, 0, 0});
    nameUnjudged(judged, report);
}

// Images that an export killed before its end left at the root; the staged
// copies of a part belong to the rewrites.
void checkStagedImages(const std::string& root, DriveReport& report) {
    for (const std::string& name : platform::listFolder(root).names) {
        const std::optional<std::string> image = stagedImageTarget(name);
        // One that an export still writes is no leftover.
        if (!image || isPartFileName(*image) || !platform::regularFileSize(root + name) ||
            platform::stagedFileHeld(root + name))
            continue;
        report.findings.push_back(
            {Kind::UnownedFile, stagedImageText(root + name, root + *image), 0, root + name, 0, 0});
    }
}

// A table that cannot be read hides which parts its records name: only
// whole games are looked for, to rebuild the table from. Where there is no
// table at all (missing, or 0 bytes), no record names any part: what a
// stopped install or copy left, parts shorter than the disc their part .00
// describes, can go too.
void checkWithoutTable(const std::string& root, bool noRecords, DriveReport& report) {
    report.findings.push_back({Kind::TableUnreadable, unreadableTableText(root, report.tableFound),
                               0, tablePath(root), 0, 0});
    std::vector<FoundPart> found;
    for (const std::string& path : partNamedFiles(root)) {
        if (std::optional<std::uint64_t> size = platform::regularFileSize(path))
            found.push_back({path, path, *size});
    }
    const UnownedParts judged = judgeUnownedParts(root, found, {});
    for (const LostGame& game : judged.games) {
        report.findings.push_back(
            {Kind::LostGame, lostGameText(root, game), 0, "", 0, report.lostGames.size()});
        report.lostGames.push_back(game);
    }
    for (const std::string& path : noRecords ? judged.leftovers : std::vector<std::string>{})
        report.findings.push_back({Kind::UnownedFile, unownedFileText(path), 0, path, 0, 0});
    nameUnjudged(judged, report);
}

DriveReport checkReadableDrive(const std::string& root) {
    DriveReport report;
    const std::string table = tablePath(root);
    TableContents contents = readTableFile(table);
    report.tableFound = contents.exists;
    // An empty table beside part files is what a pulled stick can leave of
    // one: rebuilt from the whole games found, as a missing one is.
    const bool empty = contents.opened && platform::regularFileSize(table) == 0;
    if ((contents.exists && !contents.opened) ||
        ((!contents.exists || empty) && holdsPartFiles(root))) {
        checkWithoutTable(root, !contents.exists || empty, report);
        return report;
    }
    std::optional<GameEntry> torn;
    if (!contents.torn.empty()) {
        torn = readableTornRecord(contents.torn);
        report.findings.push_back(
            {Kind::TornRecord, tornRecordText(root, contents.torn.size(), torn), 0, table, 0, 0});
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
    for (std::size_t i = 0; i < contents.records.size(); ++i) {
        const auto first =
            std::find(contents.records.begin(), contents.records.end(), contents.records[i]);
        if (first - contents.records.begin() < static_cast<std::ptrdiff_t>(i)) {
            // One delete of its name would remove the game with both records.
            report.findings.push_back(
                {Kind::DuplicateRecord,
                 duplicateRecordText(contents.records[i],
                                     static_cast<std::size_t>(first - contents.records.begin()), i),
                 i, "", 0, 0});
            continue;
        }
        checkRecord(root, i, contents.records[i], drive, owned, claimed, report.findings);
    }
    checkUnowned(root, contents.records, owned, claimed, drive, torn, report);
    checkStagedImages(root, report);
    return report;
}

}  // namespace

DriveReport checkDrive(const std::string& root) {
    platform::FolderReadWatch watch;
    // The root is read first: one that cannot be read holds nothing to judge.
    DriveReport report;
    if (platform::listFolder(root))
        report = checkReadableDrive(root);
    report.unread = watch.failures();
    return report;
}

}  // namespace library
