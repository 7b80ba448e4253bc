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
#include "store/PartNaming.h"
#include "store/TableFile.h"
#include "store/TableRewrite.h"

namespace {

const char* kSameDrive = "Cannot copy to it's drive!";
std::string targetNotReadable(const std::string& root) {
    return "The game table " + tablePath(root) + " of the target drive cannot be read; nothing " +
           "was copied.";
}
std::string targetNotWritten(const std::string& root, const std::string& reason) {
    return "The game table " + tablePath(root) + " of the target drive cannot be written (" +
           reason + "); nothing was copied.";
}
// Suffix of a part copied beside a replaced game's file of the same name;
// it takes that file's place once the new table is in place.
const char* kPendingSuffix = kCopyStagingSuffix;

// How one part reaches the target.
struct PartPlan {
    std::string source;
    std::uint64_t size = 0;
    std::string target;        // the part's final name
    std::string writeTo;       // target, or target + ".new" while a replaced game owns target
    bool removeFirst = false;  // a leftover file that no record owns sits at target
};

std::set<std::string> pathsOf(const std::string& root, const std::vector<GameEntry>& records) {
    std::set<std::string> paths;
    for (const GameEntry& entry : records) {
        for (const std::string& path : partFilesOf(root, entry).paths)
            paths.insert(path);
    }
    return paths;
}

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
        frontEnd.boxes.show(targetNotReadable(targetRoot));
        return CopyGameResult::Failed;
    }
    std::vector<GameEntry> kept;
    std::vector<GameEntry> replaced;
    for (const GameEntry& entry : targetTable.records) {
        if (!hasName(entry, name)) {
            kept.push_back(entry);
            continue;
        }
        if (!frontEnd.boxes.ask("The folder already have game " + name + " ,Continue?")) {
            return CopyGameResult::Declined;
        }
        replaced.push_back(entry);
    }

    // Plan each part: its source must be there, and its target name must not
    // belong to a game the target keeps.
    const std::set<std::string> keptPaths = pathsOf(targetRoot, kept);
    const std::set<std::string> replacedPaths = pathsOf(targetRoot, replaced);
    const std::vector<std::string> targetPaths = partFilesOf(targetRoot, source).paths;
    std::vector<PartPlan> plans;
    std::uint64_t totalBytes = 0;
    std::uint64_t freedBytes = 0;
    for (std::size_t i = 0; i < sourceFiles.paths.size(); ++i) {
        PartPlan plan;
        plan.source = sourceFiles.paths[i];
        plan.target = plan.writeTo = targetPaths[i];
        std::optional<std::uint64_t> size = platform::regularFileSize(plan.source);
        if (!size) {
            frontEnd.boxes.show("The part file " + plan.source + " of game " + name +
                                " is missing; nothing was copied.");
            return CopyGameResult::Damaged;
        }
        plan.size = *size;
        totalBytes += plan.size;
        if (keptPaths.count(plan.target) != 0) {
            frontEnd.boxes.show(
                "The file " + plan.target +
                " belongs to another game on the target drive; nothing was copied.");
            return CopyGameResult::FileOwned;
        }
        if (replacedPaths.count(plan.target) != 0) {
            // The replaced game keeps its file until the new table is in place.
            plan.writeTo = plan.target + kPendingSuffix;
        } else if (pathTaken(plan.target)) {
            // Left over from an earlier failed install or copy: no record owns it.
            plan.removeFirst = true;
            freedBytes += platform::regularFileSize(plan.target).value_or(0);
        }
        plans.push_back(plan);
    }
    // The replaced games' files, which the user agreed to lose.
    std::uint64_t replacedBytes = 0;
    for (const std::string& path : replacedPaths) {
        if (keptPaths.count(path) == 0)
            replacedBytes += platform::regularFileSize(path).value_or(0);
    }
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
        RewriteResult cleared = rewriteTable(targetRoot, [&](const GameEntry& entry) {
            return hasName(entry, name) ? RecordDecision::Drop : RecordDecision::Keep;
        });
        if (!cleared.replaced()) {
            frontEnd.boxes.show(targetNotWritten(targetRoot, cleared.error));
            return CopyGameResult::Failed;
        }
        for (const GameEntry& entry : cleared.dropped) {
            for (const std::string& path : partFilesOf(targetRoot, entry).paths) {
                if (keptPaths.count(path) == 0)
                    platform::removeFile(path);
            }
        }
        for (PartPlan& plan : plans) {
            plan.writeTo = plan.target;
            plan.removeFirst = pathTaken(plan.target);
        }
        unchanged = "; the former game " + name + " was removed to make room for the copy.";
    }

    // Leftover files go before any part is written: the room check counted
    // them as free. One that stays is reported when its part comes.
    for (PartPlan& plan : plans) {
        if (plan.removeFirst && platform::removeFile(plan.target))
            plan.removeFirst = false;
        // A staged part that a stopped copy left; no record can name it.
        const std::string staged = plan.target + kPendingSuffix;
        if (staged != plan.writeTo && platform::pathTaken(staged))
            platform::removeFile(staged);
    }

    // Copy the parts. From here on every failure removes what this copy wrote.
    std::vector<std::string> written;
    {
        ProgressShown shown(frontEnd.progress, name, totalBytes);
        std::uint64_t before = 0;
        for (const PartPlan& plan : plans) {
            bool cleared = !plan.removeFirst || platform::removeFile(plan.target);
            if (plan.writeTo != plan.target)
                cleared = cleared && platform::removeFile(plan.writeTo);
            platform::CopyOutcome outcome;
            if (!cleared) {
                outcome.error = "a file of that name cannot be removed";
            } else if (frontEnd.progress.cancelRequested()) {
                outcome.result = platform::CopyResult::Cancelled;
            } else {
                outcome = services.copyFile(plan.source, plan.writeTo,
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
                frontEnd.boxes.show("Copying " + plan.source + " to " + plan.writeTo + " failed (" +
                                    outcome.error + ")" + unchanged);
                return CopyGameResult::Failed;
            }
            written.push_back(plan.writeTo);
            before += plan.size;
        }
    }

    // The copied parts' names reach the device before a table may name them.
    const std::string formerGone = " The former game " + name + " is gone.";
    if (!platform::syncFolder(targetRoot)) {
        std::string reason = platform::lastErrorText();
        removeAll(written);
        frontEnd.boxes.show("The drive " + targetRoot + " cannot be written (" + reason + ")" +
                            unchanged);
        return CopyGameResult::Failed;
    }
    std::vector<std::string> problems;
    std::set<std::string> stillKept;  // the table as rewritten, should it have changed meanwhile
    auto dropName = [&](const GameEntry& entry) {
        if (hasName(entry, name))
            return RecordDecision::Drop;
        for (const std::string& path : partFilesOf(targetRoot, entry).paths)
            stillKept.insert(path);
        return RecordDecision::Keep;
    };
    auto removeDropped = [&](const std::vector<GameEntry>& dropped,
                             const std::set<std::string>& spare) {
        for (const GameEntry& entry : dropped) {
            for (const std::string& path : partFilesOf(targetRoot, entry).paths) {
                if (spare.count(path) != 0 || stillKept.count(path) != 0)
                    continue;
                if (!platform::removeFile(path))
                    problems.push_back(path + ": " + platform::lastErrorText());
            }
        }
    };
    bool replacedGone = false;
    const bool staged = std::any_of(plans.begin(), plans.end(), [](const PartPlan& plan) {
        return plan.writeTo != plan.target;
    });
    if (staged) {
        // The replaced game leaves the table, then its files go, then the
        // staged parts take their names: the table never names a file that
        // holds another game's bytes.
        RewriteResult cleared = rewriteTable(targetRoot, dropName);
        if (!cleared.replaced()) {
            removeAll(written);
            frontEnd.boxes.show(targetNotWritten(targetRoot, cleared.error));
            return CopyGameResult::Failed;
        }
        removeDropped(cleared.dropped, {});
        for (const PartPlan& plan : plans) {
            if (plan.writeTo == plan.target)
                continue;
            if (!platform::replaceFile(plan.writeTo, plan.target)) {
                std::string reason = platform::lastErrorText();
                removeAll(written);
                removeAll(targetPaths);
                frontEnd.boxes.show("Renaming " + plan.writeTo + " to " + plan.target +
                                    " failed (" + reason + "); nothing was copied." + formerGone);
                return CopyGameResult::Failed;
            }
            std::replace(written.begin(), written.end(), plan.writeTo, plan.target);
        }
        if (!platform::syncFolder(targetRoot)) {
            std::string reason = platform::lastErrorText();
            removeAll(written);
            frontEnd.boxes.show("The drive " + targetRoot + " cannot be written (" + reason +
                                "); nothing was copied." + formerGone);
            return CopyGameResult::Failed;
        }
        replacedGone = true;  // from here on, a failure leaves neither game
    }

    // Put the new table in place: the former records less those of the name,
    // then the copied record.
    RewriteResult rewrite =
        rewriteTable(targetRoot, dropName, std::span<const GameEntry>(&source, 1));
    if (!rewrite.replaced()) {
        removeAll(written);
        std::string text = targetNotWritten(targetRoot, rewrite.error);
        if (makeRoomFirst)
            text += " The former game " + name + " was removed to make room for the copy.";
        else if (replacedGone)
            text += formerGone;
        frontEnd.boxes.show(text);
        return CopyGameResult::Failed;
    }

    // Now the replaced games' files may go, except the names the copy uses.
    removeDropped(rewrite.dropped, std::set<std::string>(targetPaths.begin(), targetPaths.end()));
    if (!problems.empty()) {
        std::string text = "The game " + name + " was copied, but these files need attention:";
        for (const std::string& path : problems)
            text += "\n" + path;
        frontEnd.boxes.show(text);
    }
    return CopyGameResult::Copied;
}
