#include "library/GameCopy.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <set>
#include <vector>

#include "library/GameFiles.h"
#include "library/StrayParts.h"
#include "platform/FaultPoint.h"
#include "platform/Files.h"
#include "platform/Volume.h"
#include "store/DriveAccess.h"
#include "store/DriveRoot.h"
#include "store/GameReplacement.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"
#include "store/TableRewrite.h"

namespace {

const char* kSameDrive = "Cannot copy to it's drive!";
std::string notReadable(const std::string& root, const TableContents& table) {
    return tableNotReadText(tablePath(root), table) + "; nothing was copied.";
}
std::string targetNotWritten(const std::string& root, const RewriteResult& result) {
    if (result.status == RewriteResult::Status::NotFlushed)
        return tableNotFlushedText(tablePath(root), result.error) + "; nothing was copied.";
    return "The game table " + tablePath(root) + " of the target drive cannot be written (" +
           result.error + "); nothing was copied.";
}
// How one part reaches the target.
struct PartPlan {
    std::string source;
    std::uint64_t size = 0;
    std::string target;        // the part's final name
    bool removeFirst = false;  // a leftover file that no record owns sits at target
};

bool pathTaken(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

std::string megabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%lluMB",
                  static_cast<unsigned long long>((bytes + (1u << 20) - 1) >> 20));
    return text;
}

// Shows the progress window for the copy and hides it on every way out.
class ProgressShown {
  public:
    ProgressShown(ProgressWindow& window, const std::string& name, std::uint64_t totalBytes)
        : window_(window) {
        // The window counts in int: KiB, or larger units for a huge total.
        while ((totalBytes >> shift_) > static_cast<std::uint64_t>(INT_MAX))
            ++shift_;
        window_.clearCancel();
        window_.setText("Copying " + name);
        window_.setButtonCaption("Cancel");
        window_.setRange(static_cast<int>(totalBytes >> shift_));
        window_.setPosition(0);
        window_.show();
    }
    ~ProgressShown() { window_.hide(); }
    void setBytesDone(std::uint64_t bytes) {
        window_.setPosition(static_cast<int>(bytes >> shift_));
    }
    ProgressShown(const ProgressShown&) = delete;
    ProgressShown& operator=(const ProgressShown&) = delete;

  private:
    ProgressWindow& window_;
    int shift_ = 10;
};

void removeAll(const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        platform::removeFile(path);
}

}  // namespace

CopyServices systemCopyServices() {
    CopyServices services;
    services.availableBytes = [](const std::string& root) -> std::optional<std::uint64_t> {
        if (auto space = platform::volumeSpace(root))
            return space->available;
        return std::nullopt;
    };
    services.copyFile = platform::copyFileNoReplace;
    return services;
}

CopyGameResult copyGame(const std::string& sourceRoot, const std::string& name,
                        const std::string& targetRoot, const FrontEnd& frontEnd,
                        const CopyServices& services) {
    // The chosen drive is tested before anything is said about the game.
    if (platform::sameFolder(sourceRoot, targetRoot)) {
        frontEnd.boxes.show(kSameDrive);
        return CopyGameResult::SameDrive;
    }
    // The source is read while the target changes; no other writer may touch either.
    DriveAccess access = accessDrives({{sourceRoot, platform::DriveLockMode::Shared},
                                       {targetRoot, platform::DriveLockMode::Exclusive}},
                                      frontEnd);
    if (!access.granted())
        return access.status == DriveAccess::Status::Cancelled ? CopyGameResult::Cancelled
                                                                : CopyGameResult::Failed;
    // The source record: the first of the name.
    TableContents sourceTable = readTableFile(tablePath(sourceRoot));
    if (sourceTable.exists && !sourceTable.opened) {
        frontEnd.boxes.show(notReadable(sourceRoot, sourceTable));
        return CopyGameResult::Failed;
    }
    auto found = std::find_if(sourceTable.records.begin(), sourceTable.records.end(),
                              [&](const GameEntry& entry) { return hasName(entry, name); });
    if (found == sourceTable.records.end()) {
        frontEnd.boxes.show(gameNotFoundText(name));
        return CopyGameResult::NotFound;
    }
    const GameEntry source = *found;
    PartFiles sourceFiles = partFilesOf(sourceRoot, source);
    if (!sourceFiles.valid) {
        frontEnd.boxes.show("The record of game " + name + " is damaged; it cannot be copied.");
        return CopyGameResult::Damaged;
    }
    std::error_code error;
    if (!std::filesystem::is_directory(targetRoot, error)) {
        frontEnd.boxes.show("The drive " + targetRoot + " cannot be opened; nothing was copied.");
        return CopyGameResult::Failed;
    }

    // Every question first: nothing changes unless each answer is Yes.
    TableContents targetTable = readTableFile(tablePath(targetRoot));
    if (targetTable.exists && !targetTable.opened) {
        frontEnd.boxes.show(notReadable(targetRoot, targetTable));
        return CopyGameResult::Failed;
    }
    const std::vector<std::string> targetPaths = partFilesOf(targetRoot, source).paths;
    GameReplacement replacement(targetRoot, name, targetTable.records, targetPaths);
    for (std::size_t i = 0; i < replacement.replaced().size(); ++i) {
        if (!frontEnd.boxes.ask("The folder already have game " + name + " ,Continue?")) {
            return CopyGameResult::Declined;
        }
    }

    // Plan each part: its source must be there, and its target name must not
    // belong to a game the target keeps.
    std::vector<PartPlan> plans;
    std::uint64_t totalBytes = 0;
    std::uint64_t freedBytes = 0;
    for (std::size_t i = 0; i < sourceFiles.paths.size(); ++i) {
        PartPlan plan;
        plan.source = sourceFiles.paths[i];
        plan.target = targetPaths[i];
        std::optional<std::uint64_t> size = platform::regularFileSize(plan.source);
        if (!size) {
            frontEnd.boxes.show("The part file " + plan.source + " of game " + name +
                                " is missing; nothing was copied.");
            return CopyGameResult::Damaged;
        }
        plan.size = *size;
        totalBytes += plan.size;
        if (replacement.keptOwns(plan.target)) {
            frontEnd.boxes.show(
                "The file " + plan.target +
                " belongs to another game on the target drive; nothing was copied.");
            return CopyGameResult::FileOwned;
        }
        if (!replacement.replacedOwns(plan.target) && pathTaken(plan.target)) {
            // Left over from an earlier failed install or copy: no record owns it.
            plan.removeFirst = true;
            freedBytes += platform::regularFileSize(plan.target).value_or(0);
        }
        plans.push_back(plan);
    }
    // The replaced games' files, which the user agreed to lose.
    std::uint64_t replacedBytes = 0;
    for (const std::string& path : replacement.replacedFiles())
        replacedBytes += platform::regularFileSize(path).value_or(0);
    bool makeRoomFirst = false;
    if (std::optional<std::uint64_t> available = services.availableBytes(targetRoot)) {
        std::uint64_t needed = totalBytes > freedBytes ? totalBytes - freedBytes : 0;
        if (needed > *available + replacedBytes) {
            frontEnd.boxes.show("The target drive has not enough free space for game " + name +
                                ": " + megabytes(needed) + " needed, " + megabytes(*available) +
                                " free.");
            return CopyGameResult::NoRoom;
        }
        // Only the replaced game's room makes the copy fit: it goes first.
        makeRoomFirst = needed > *available;
    }
    std::string unchanged = "; the target drive is unchanged.";
    if (makeRoomFirst) {
        std::vector<std::string> unremoved;  // a part copied over one of them says so
        RewriteResult cleared = replacement.makeRoom(unremoved);
        if (!cleared.replaced()) {
            frontEnd.boxes.show(targetNotWritten(targetRoot, cleared));
            return CopyGameResult::Failed;
        }
        for (PartPlan& plan : plans)
            plan.removeFirst = pathTaken(plan.target);
        unchanged = "; the former game " + name + " was removed to make room for the copy.";
    }

    // Leftover files go before any part is written: the room check counted
    // them as free. One that stays is reported when its part comes.
    for (std::size_t i = 0; i < plans.size(); ++i) {
        PartPlan& plan = plans[i];
        if (plan.removeFirst && platform::removeFile(plan.target))
            plan.removeFirst = false;
        // A staged part that a stopped copy left; no record can name it.
        const std::string staged = stagedPartPath(plan.target);
        if (staged != replacement.writePath(i) && platform::pathTaken(staged))
            platform::removeFile(staged);
    }

    // Copy the parts. From here on every failure removes what this copy wrote.
    std::vector<std::string> written;
    {
        ProgressShown shown(frontEnd.progress, name, totalBytes);
        std::uint64_t before = 0;
        for (std::size_t i = 0; i < plans.size(); ++i) {
            const PartPlan& plan = plans[i];
            const std::string& writeTo = replacement.writePath(i);
            bool cleared = !plan.removeFirst || platform::removeFile(plan.target);
            if (writeTo != plan.target)
                cleared = cleared && platform::removeFile(writeTo);
            platform::CopyOutcome outcome;
            if (!cleared) {
                outcome.error = "a file of that name cannot be removed";
            } else if (frontEnd.progress.cancelRequested()) {
                outcome.result = platform::CopyResult::Cancelled;
            } else {
                outcome = services.copyFile(plan.source, writeTo,
                                            [&](std::uint64_t done, std::uint64_t) {
                                                shown.setBytesDone(before + done);
                                                return !frontEnd.progress.cancelRequested();
                                            });
            }
            if (outcome.result != platform::CopyResult::Copied) {
                removeAll(written);
                switch (outcome.result) {
                    case platform::CopyResult::Cancelled:
                        frontEnd.boxes.show("The copy of game " + name + " was cancelled" +
                                            unchanged);
                        return CopyGameResult::Cancelled;
                    case platform::CopyResult::TargetExists:
                        outcome.error = "the file exists";
                        break;
                    default:
                        break;
                }
                frontEnd.boxes.show("Copying " + plan.source + " to " + writeTo + " failed (" +
                                    outcome.error + ")" + unchanged);
                return CopyGameResult::Failed;
            }
            written.push_back(writeTo);
            before += plan.size;
        }
    }

    ReplacementResult result = replacement.finish(source);
    const std::string formerGone = " The former game " + name + " is gone.";
    std::string text;
    switch (result.step) {
        case ReplacementResult::Step::Done:
            if (!result.unremoved.empty()) {
                text = "The game " + name + " was copied, but these files need attention:";
                for (const std::string& path : result.unremoved)
                    text += "\n" + path;
                frontEnd.boxes.show(text);
            }
            return CopyGameResult::Copied;
        case ReplacementResult::Step::NotFlushed:
            text = "The drive " + targetRoot + " cannot be written (" + result.reason + ")" +
                   unchanged;
            break;
        case ReplacementResult::Step::FormerNotDropped:
            text = targetNotWritten(targetRoot, result.table);
            break;
        case ReplacementResult::Step::NotRenamed:
            text = "Renaming " + result.from + " to " + result.to + " failed (" + result.reason +
                   "); nothing was copied." + formerGone;
            break;
        case ReplacementResult::Step::RenamedNotFlushed:
            text = "The drive " + targetRoot + " cannot be written (" + result.reason +
                   "); nothing was copied." + formerGone;
            break;
        case ReplacementResult::Step::TableNotWritten:
            if (result.table.status == RewriteResult::Status::NotFlushed) {
                // The table names the copied parts now: they stay.
                frontEnd.boxes.show(
                    tableNotFlushedText(tablePath(targetRoot), result.table.error) + ".");
                return CopyGameResult::Failed;
            }
            text = targetNotWritten(targetRoot, result.table);
            if (makeRoomFirst)
                text += " The former game " + name + " was removed to make room for the copy.";
            else if (replacement.formerGone())
                text += formerGone;
            break;
    }
    replacement.discardNewParts();
    frontEnd.boxes.show(text);
    return CopyGameResult::Failed;
}
