#include "library/GameList.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "library/DriveCheckText.h"
#include "library/GameDeletion.h"
#include "library/GameFiles.h"
#include "library/LostGames.h"
#include "library/ShownFailure.h"
#include "library/StrayParts.h"
#include "platform/Files.h"
#include "platform/FolderListing.h"
#include "platform/Volume.h"
#include "report/SpaceText.h"
#include "store/ChangeIntent.h"
#include "store/DriveAccess.h"
#include "store/DriveRoot.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"

namespace library {

using namespace platform;
using namespace store;
using namespace report;

namespace {

void showSpace(const std::string& root, StatusLine& status) {
    if (std::optional<platform::VolumeSpace> space = platform::volumeSpace(root)) {
        status.setText(spaceText(*space));
    } else {
        status.setText("Disk Size:?MB Free Size:?MB");
    }
}

bool knownMedia(const GameEntry& entry) {
    return entry.MediaType() == kMediaCd || entry.MediaType() == kMediaDvd;
}

// A change the user agreed to during the listing: the listing's shared hold
// gives way to the change's own exclusive one, and is taken again after it.
template <typename Change>
bool changeWhileListing(DriveAccess& reading, const std::string& root, const FrontEnd& frontEnd,
                        Change change) {
    reading.lock.release();
    const bool changed = change();
    reading = accessForReading(root, frontEnd);
    return changed;
}

// Moves a split game's parts back, judged again under the drive's exclusive hold.
bool repairSplitGame(const std::string& root, const GameEntry& entry, const FrontEnd& frontEnd) {
    DriveAccess changing = accessForChange(root, frontEnd);
    if (!changing.granted())
        return false;
    const std::vector<GameEntry> records = readTableFile(tablePath(root)).records;
    std::map<int, std::string> strays = findStrayParts(root, entry, ownedPartFiles(root, records));
    return straysCompleteGame(root, entry, strays) && reuniteParts(root, entry, strays);
}

// A part of 0 bytes, or parts that hold less than their disc.
bool partsShort(const std::vector<std::string>& paths) {
    std::vector<FoundPart> parts;
    for (const std::string& path : paths)
        parts.push_back({path, path, platform::regularFileSize(path).value_or(0)});
    return !shortPartsProblem(parts).empty();
}

GameRow rowOf(const GameEntry& entry) {
    GameRow row;
    row.name = entry.DisplayName();
    row.parts = entry.bytes[entry_layout::kPartCount];  // as stored, 0 to 255
    row.gameId = entry.gameId();
    row.mediaType = entry.MediaType();
    return row;
}

// After a deletion dropped every record of `name`, the table is read again
// into `records`; the scan goes on after the handled records that stay, the
// ones before record `next` that remain. Returns where it goes on.
std::size_t resumeAfterDeletion(std::vector<GameEntry>& records, std::size_t next,
                                const std::string& name, const std::string& path) {
    auto handledEnd = records.begin() + static_cast<std::ptrdiff_t>(next) + 1;
    auto stays = std::count_if(records.begin(), handledEnd,
                               [&](const GameEntry& e) { return !hasName(e, name); });
    records = readTableFile(path).records;
    return std::min(static_cast<std::size_t>(stays), records.size());
}

}  // namespace

std::string repairQuestion(const std::string& name) {
    return "Game " + name + " has parts under another name,Repair ?";
}

std::string spaceText(std::uint64_t totalBytes, std::uint64_t freeBytes) {
    return "Disk Size:" + freeMegabytes(totalBytes) + " Free Size:" + freeMegabytes(freeBytes);
}

std::string spaceText(const platform::VolumeSpace& space) {
    return spaceText(space.total, space.free);
}

GameListing refreshGameList(const std::string& root, const FrontEnd& frontEnd, GameListView& view) {
    // A change that stopped before its end is finished or undone first, so
    // that the list shows its records as they are meant to be.
    if (intentPending(root))
        accessForChange(root, frontEnd);
    showSpace(root, frontEnd.status);
    DriveAccess reading = accessForReading(root, frontEnd);
    if (reading.outcome.failedAt(DriveAccessStep::Busy))
        view.driveBusy();
    else
        view.clear();
    if (!reading.granted())
        return Failure<GameListStep>{GameListStep::Stopped, root, reading.outcome.failure().reason};
    const std::string path = tablePath(root);
    TableContents table = readTableFile(path);
    if (!table.exists)
        return GameListKind::NoTable;
    const bool torn = !table.torn.empty();
    if (!table.opened)
        return shownFailure(frontEnd, GameListStep::TableUnreadable, path,
                            tableNotReadText(path, table) + ".");
    GameListing whole = GameListKind::Listed;
    if (torn)
        whole = shownFailure(frontEnd, GameListStep::TableTorn, path,
                             tableNotReadText(path, table) + ".");
    if (table.records.empty()) {
        if (!torn)
            platform::removeFile(path);  // holds no game, only confusion
        return whole;
    }

    // `records` is always the table as it now stands on the drive; after a
    // deletion it is read again and the scan skips what it has handled.
    std::vector<GameEntry> records = std::move(table.records);
    std::size_t next = 0;
    // A folder that cannot be read hides parts: no game is called destroyed then.
    platform::FolderReadWatch watch;
    while (next < records.size() && reading.granted()) {
        const GameEntry entry = records[next];
        GameRow row = rowOf(entry);
        PartFiles files = partFilesOf(root, entry);
        if (!files.valid) {
            row.damaged = true;
        } else {
            PartPresence presence = findPartFiles(files.paths);
            // Parts that a stopped rename left under another name hash make
            // the game whole again: it is offered a repair, never a deletion.
            std::map<int, std::string> strays;
            if (presence.missing > 0)
                strays = findStrayParts(root, entry, ownedPartFiles(root, records));
            if (watch.failed())
                return shownFailure(frontEnd, GameListStep::DriveUnreadable, root,
                                    unreadDriveText(root, watch.failures()));
            const bool split = straysCompleteGame(root, entry, strays);
            // A torn table is the check's to repair: nothing is offered.
            if (split && !torn && frontEnd.boxes.ask(repairQuestion(row.name)) &&
                changeWhileListing(reading, root, frontEnd,
                                   [&] { return repairSplitGame(root, entry, frontEnd); }))
                presence = findPartFiles(files.paths);
            row.sizeKB = presence.bytes / 1024;
            row.complete = presence.missing == 0;
            row.damaged = !knownMedia(entry) || (row.complete && partsShort(files.paths));
            if (!row.complete && !split && !torn &&
                frontEnd.boxes.ask("Game " + row.name + " destroyed,Delete ?") &&
                changeWhileListing(reading, root, frontEnd, [&] {
                    return deleteGame(root, row.name, frontEnd).succeeded();
                })) {
                next = resumeAfterDeletion(records, next, row.name, path);
                continue;
            }
        }
        view.appendRow(row);
        ++next;
    }
    if (!reading.granted())
        return Failure<GameListStep>{GameListStep::Stopped, root, reading.outcome.failure().reason};
    return whole;
}

}  // namespace library
