#include "library/GameExport.h"

#include <algorithm>
#include <filesystem>

#include "library/DriveCheckText.h"
#include "library/InstalledImage.h"
#include "library/ShownFailure.h"
#include "library/StrayParts.h"
#include "platform/Files.h"
#include "platform/FolderListing.h"
#include "platform/PathText.h"
#include "platform/StagedFile.h"
#include "platform/Volume.h"
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

std::string megabytes(std::uint64_t bytes) {
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + "MB";
}

bool isTableOrPartName(const std::string& name) {
    // The table, its temporary file, the name a check keeps an unreadable
    // table under, the record of a change under way, and a part file's name,
    // staged or not.
    return name == kTableName || name == kTempTableName || name == kUnreadableTableName ||
           name == kIntentName || name == kIntentTempName || parsePartFileName(name).has_value();
}

// True when `file` is, or would take the name of, a part file or the table of
// a drive: replacing it would destroy a game or a drive's record of its
// games. By name wherever it lies; by device and inode among the files of its
// own folder and of this drive, so that another spelling of the name (a case
// that a FAT drive ignores, a hard link) is caught too.
bool isDriveFile(const std::string& file, const std::string& root,
                 const std::vector<std::string>& parts) {
    const std::filesystem::path target = platform::fsPath(file);
    if (isTableOrPartName(platform::pathText(target.filename())))
        return true;
    std::error_code error;
    if (!std::filesystem::exists(target, error))
        return false;
    std::vector<std::string> owned = parts;
    owned.push_back(tablePath(root));
    for (const std::string& path : ownedPartFiles(root, readTableFile(tablePath(root)).records))
        owned.push_back(path);
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    for (const std::filesystem::path& inFolder : {folder, platform::fsPath(root)}) {
        const platform::FolderListing listing = platform::listFolder(platform::pathText(inFolder));
        // A folder that cannot be read may hide one: the target is refused.
        if (!listing)
            return true;
        for (const std::string& name : listing.names) {
            if (isTableOrPartName(name))
                owned.push_back(platform::pathText(inFolder / platform::fsPath(name)));
        }
    }
    for (const std::string& path : owned) {
        if (std::filesystem::equivalent(target, platform::fsPath(path), error))
            return true;
    }
    return false;
}

// Whether `path` holds the first bytes of the game's image, and no more (an
// export killed before its first write leaves an empty file).
bool holdsStartOfImage(const std::string& path, const InstalledImage& game) {
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    const std::optional<std::uint64_t> found = platform::regularFileSize(path);
    const std::uint64_t size = found.value_or(0);
    if (!found || size > game.bytes)
        return false;
    std::uint64_t partStart = 0;
    for (std::size_t i = 0; i < game.parts.size() && partStart < size; ++i) {
        for (std::uint64_t at = 0; at < game.sizes[i] && partStart + at < size; at += kPiece) {
            const std::size_t want = static_cast<std::size_t>(
                std::min({std::uint64_t{kPiece}, size - partStart - at, game.sizes[i] - at}));
            const auto mine = platform::readRegularFileAt(path, partStart + at, want);
            const auto theirs = platform::readRegularFileAt(game.parts[i], at, want);
            if (!mine || !theirs || mine->size() != want || *mine != *theirs)
                return false;
        }
        partStart += game.sizes[i];
    }
    return true;
}

// Removes what an export of this game to `file` that was killed left beside
// it: its staged image "<file>.zt-XXXXXX" (six letters or digits), which
// holds the start of the game's image and which no export still writes. A
// file of such a name that holds anything else is not this export's to take.
void removeStagedLeftovers(const std::string& file, const InstalledImage& game) {
    const std::filesystem::path target = platform::fsPath(file);
    const std::string image = platform::pathText(target.filename());
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    for (const std::string& name : platform::listFolder(platform::pathText(folder)).names) {
        const std::string path = platform::pathText(folder / platform::fsPath(name));
        if (stagedImageTarget(name) == image && !platform::stagedFileHeld(path) &&
            holdsStartOfImage(path, game))
            platform::removeFile(path);
    }
}

using Ended = std::optional<Failure<ExportStep>>;  // nothing: the export goes on

// Refuses a target that is no file, is one of the drive's own files, or that
// the user will not have replaced.
Ended refuseTarget(const std::string& root, const InstalledImage& game, const std::string& file,
                   bool& exists, const FrontEnd& frontEnd) {
    std::error_code error;
    const std::filesystem::file_status status =
        std::filesystem::symlink_status(platform::fsPath(file), error);
    exists = std::filesystem::exists(status);
    if (exists && !std::filesystem::is_regular_file(status))
        return shownFailure(frontEnd, ExportStep::Refused, file,
                            "The image " + file + " would replace something that is not a file; " +
                                "nothing was written.");
    if (isDriveFile(file, root, game.parts))
        return shownFailure(frontEnd, ExportStep::Refused, file,
                            "The image " + file + " would replace a part file or the game table " +
                                "of a drive; nothing was written.");
    if (exists && !frontEnd.boxes.ask("The file " + file + " already exists. Replace it?", true))
        return Failure<ExportStep>{ExportStep::Declined, file, {}};
    return std::nullopt;
}

// Refuses an image whose volume lacks the room; counted once what a killed
// export of the game left there is gone.
Ended refuseNoRoom(const InstalledImage& game, const std::string& file, const FrontEnd& frontEnd) {
    std::filesystem::path folder = platform::fsPath(file).parent_path();
    if (std::optional<platform::VolumeSpace> space =
            platform::volumeSpace(folder.empty() ? "." : platform::pathText(folder))) {
        if (space->available < game.bytes)
            return shownFailure(frontEnd, ExportStep::NoRoom, file,
                                "Not enough free space for the image " + file + ": " +
                                    megabytes(game.bytes) + " needed, " +
                                    megabytes(space->available) + " free.");
    }
    return std::nullopt;
}

// Appends every part to the image; a failure discards it and says why.
Ended appendParts(platform::StagedFile& out, const InstalledImage& game, const std::string& name,
                  const std::string& file, const FrontEnd& frontEnd) {
    ImageProgress progress(frontEnd.progress, "Exporting " + name, game.bytes);
    std::uint64_t before = 0;
    for (std::size_t i = 0; i < game.parts.size(); ++i) {
        platform::CopyOutcome outcome;
        if (progress.cancelled()) {
            outcome.result = platform::CopyResult::Cancelled;
        } else {
            outcome = out.append(game.parts[i], [&](std::uint64_t done, std::uint64_t) {
                progress.setBytesDone(before + done);
                return !progress.cancelled();
            });
        }
        if (outcome.result == platform::CopyResult::Cancelled) {
            out.discard();
            return shownFailure(
                frontEnd, ExportStep::Cancelled, name,
                "The export of game " + name + " was cancelled; " + file + " was not written.");
        }
        if (outcome.result != platform::CopyResult::Copied) {
            out.discard();
            return shownFailure(frontEnd, ExportStep::Failed, game.parts[i],
                                "Reading " + game.parts[i] + " into " + file + " failed (" +
                                    outcome.error + "); " + file + " was not written.");
        }
        before += game.sizes[i];
    }
    return std::nullopt;
}

// Puts the written image in place under its name.
ExportResult commitImage(platform::StagedFile& out, bool exists, const InstalledImage& game,
                         const std::string& name, const std::string& file,
                         const FrontEnd& frontEnd) {
    std::string reason;
    switch (out.commit(exists, reason)) {
        case platform::CommitResult::Committed:
            frontEnd.out << "Exported " << name << " to " << file << " (" << game.bytes
                         << " bytes)\n";
            return {};
        case platform::CommitResult::TargetExists:
            out.discard();
            return shownFailure(frontEnd, ExportStep::Failed, file,
                                "The file " + file + " appeared meanwhile; it was left as it is.");
        case platform::CommitResult::NotFlushed:
            return shownFailure(frontEnd, ExportStep::Failed, file,
                                "The image " + file +
                                    " was written, but it may not be on the device (" + reason +
                                    ").");
        case platform::CommitResult::Failed:
            break;
    }
    out.discard();
    return shownFailure(
        frontEnd, ExportStep::Failed, file,
        "The image " + file + " could not be completed (" + reason + "); nothing was written.");
}

}  // namespace

ExportResult exportGame(const std::string& root, const std::string& name, const std::string& file,
                        const FrontEnd& frontEnd) {
    const DriveAccess reading = accessForReading(root, frontEnd);
    if (!reading.granted())
        return Failure<ExportStep>{reading.outcome.failedAt(DriveAccessStep::Cancelled)
                                       ? ExportStep::Cancelled
                                       : ExportStep::Failed,
                                   root, reading.outcome.failure().reason};
    const FoundImage found = findInstalledImage(root, name, frontEnd, "exported");
    if (!found)
        return Failure<ExportStep>{ExportStep::Refused, found.failure().object,
                                   found.failure().reason};
    const InstalledImage& game = found.value();
    if (!game.damage.empty())
        return shownFailure(frontEnd, ExportStep::Refused, name,
                            game.damage + ": the game is damaged; it cannot be exported.");
    bool exists = false;
    if (Ended ended = refuseTarget(root, game, file, exists, frontEnd))
        return *ended;
    removeStagedLeftovers(file, game);
    if (Ended ended = refuseNoRoom(game, file, frontEnd))
        return *ended;
    platform::StagedFile out;
    std::string reason;
    if (!out.create(file, reason))
        return shownFailure(frontEnd, ExportStep::Failed, file,
                            "Cannot create the image " + file + " (" + reason + ").");
    if (Ended ended = appendParts(out, game, name, file, frontEnd))
        return *ended;
    return commitImage(out, exists, game, name, file, frontEnd);
}

}  // namespace library
