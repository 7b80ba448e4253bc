#include "library/GameCopy.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <set>
#include <vector>

#include "library/GameFiles.h"
#include "library/ShownFailure.h"
#include "library/StrayParts.h"
#include "platform/FaultPoint.h"
#include "platform/Files.h"
#include "platform/PathText.h"
#include "platform/Volume.h"
#include "report/SpaceText.h"
#include "store/DriveAccess.h"
#include "store/DriveRoot.h"
#include "store/GameReplacement.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"
#include "store/TableRewrite.h"
#include "store/TakenPartNames.h"

namespace library {

using namespace platform;
using namespace store;
using namespace report;

namespace {

const char* kSameDrive = "Cannot copy to it's drive!";
std::string notReadable(const std::string& root, const TableContents& table) {
    return tableNotReadText(tablePath(root), table) + "; nothing was copied.";
}
std::string targetNotWritten(const std::string& root, const RewriteResult& result) {
    if (result.failedAt(TableRewriteStep::NotFlushed))
        return tableNotFlushedText(tablePath(root), result.failure().reason) +
               "; nothing was copied.";
    return "The game table " + tablePath(root) + " of the target drive cannot be written (" +
           result.failure().reason + "); nothing was copied.";
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
    return std::filesystem::exists(std::filesystem::symlink_status(platform::fsPath(path), error));
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

// The last part first: a stop leaves part .00, and the check knows the
// rest for what they are by what it says.
void removeAll(const std::vector<std::string>& paths) {
    for (auto it = paths.rbegin(); it != paths.rend(); ++it)
        platform::removeFile(*it);
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

namespace {

// What one copy works with, from the source record to the last part.
struct CopyJob {
    const std::string& sourceRoot;
    const std::string& name;
    const std::string& targetRoot;
    const FrontEnd& frontEnd;
    const CopyServices& services;
    GameEntry source{};
    std::vector<std::string> sourcePaths{};
    std::vector<PartPlan> plans{};
    std::uint64_t totalBytes = 0;
    std::uint64_t freedBytes = 0;  // leftover files that the copy's parts replace
    bool makeRoomFirst = false;
    std::string unchanged = "; the target drive is unchanged.";  // ends a failure's text
};

using Ended = std::optional<Failure<CopyStep>>;  // nothing: the copy goes on

// The source record, the first of the name, with its part files; and a target to copy to.
Ended findSource(CopyJob& job) {
    TableContents sourceTable = readTableFile(tablePath(job.sourceRoot));
    if (sourceTable.exists && !sourceTable.opened)
        return shownFailure(job.frontEnd, CopyStep::Failed, tablePath(job.sourceRoot),
                            notReadable(job.sourceRoot, sourceTable));
    auto found = std::find_if(sourceTable.records.begin(), sourceTable.records.end(),
                              [&](const GameEntry& entry) { return hasName(entry, job.name); });
    if (found == sourceTable.records.end())
        return shownFailure(job.frontEnd, CopyStep::NotFound, job.name, gameNotFoundText(job.name));
    job.source = *found;
    PartFiles sourceFiles = partFilesOf(job.sourceRoot, job.source);
    if (!sourceFiles.valid)
        return shownFailure(job.frontEnd, CopyStep::Damaged, job.name,
                            "The record of game " + job.name + " is damaged; it cannot be copied.");
    job.sourcePaths = sourceFiles.paths;
    std::error_code error;
    if (!std::filesystem::is_directory(platform::fsPath(job.targetRoot), error))
        return shownFailure(
            job.frontEnd, CopyStep::Failed, job.targetRoot,
            "The drive " + job.targetRoot + " cannot be opened; nothing was copied.");
    return std::nullopt;
}

// Whether `file` holds the first bytes of `source`, and no more.
bool holdsStartOf(const std::string& file, const std::string& source) {
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    const std::uint64_t size = platform::regularFileSize(file).value_or(0);
    if (size > platform::regularFileSize(source).value_or(0))
        return false;
    for (std::uint64_t offset = 0; offset < size; offset += kPiece) {
        const auto mine = platform::readRegularFileAt(file, offset, kPiece);
        const auto theirs = platform::readRegularFileAt(source, offset, kPiece);
        if (!mine || !theirs || mine->empty() || theirs->size() < mine->size() ||
            !std::equal(mine->begin(), mine->end(), theirs->begin()))
            return false;
    }
    return true;
}

// Plans each part: its source must be there, and its target name must not
// belong to a game the target keeps.
Ended planParts(CopyJob& job, const GameReplacement& replacement) {
    for (std::size_t i = 0; i < job.sourcePaths.size(); ++i) {
        PartPlan plan;
        plan.source = job.sourcePaths[i];
        plan.target = replacement.partPaths()[i];
        std::optional<std::uint64_t> size = platform::regularFileSize(plan.source);
        if (!size)
            return shownFailure(job.frontEnd, CopyStep::Damaged, plan.source,
                                "The part file " + plan.source + " of game " + job.name +
                                    " is missing; nothing was copied.");
        plan.size = *size;
        job.totalBytes += plan.size;
        if (replacement.keptOwns(plan.target))
            return shownFailure(
                job.frontEnd, CopyStep::FileOwned, plan.target,
                "The file " + plan.target +
                    " belongs to another game on the target drive; nothing was copied.");
        if (!replacement.replacedOwns(plan.target) && pathTaken(plan.target)) {
            // Left over from an earlier failed install or copy: no record owns it.
            plan.removeFirst = true;
            job.freedBytes += platform::regularFileSize(plan.target).value_or(0);
        }
        job.plans.push_back(plan);
    }
    return std::nullopt;
}

// Refuses a copy the target has no room for; when only the replaced game's
// room makes it fit, that game goes first.
Ended makeRoom(CopyJob& job, GameReplacement& replacement) {
    // The replaced games' files, which the user agreed to lose.
    std::uint64_t replacedBytes = 0;
    for (const std::string& path : replacement.replacedFiles())
        replacedBytes += platform::regularFileSize(path).value_or(0);
    std::optional<std::uint64_t> available = job.services.availableBytes(job.targetRoot);
    if (!available)
        return std::nullopt;
    const std::uint64_t needed =
        job.totalBytes > job.freedBytes ? job.totalBytes - job.freedBytes : 0;
    if (needed > *available + replacedBytes)
        return shownFailure(job.frontEnd, CopyStep::NoRoom, job.targetRoot,
                            "The target drive has not enough free space for game " + job.name +
                                ": " + neededMegabytes(needed) + " needed, " +
                                freeMegabytes(*available) + " free.");
    job.makeRoomFirst = needed > *available;
    if (!job.makeRoomFirst)
        return std::nullopt;
    std::vector<std::string> unremoved;  // a part copied over one of them says so
    if (!replacement.announce(job.source))
        return shownFailure(job.frontEnd, CopyStep::Failed, job.targetRoot,
                            "The drive " + job.targetRoot + " cannot be written (" +
                                platform::lastErrorText() + ")" + job.unchanged);
    RewriteResult cleared = replacement.makeRoom(unremoved);
    if (!cleared.succeeded())
        return shownFailure(job.frontEnd, CopyStep::Failed, tablePath(job.targetRoot),
                            targetNotWritten(job.targetRoot, cleared));
    for (PartPlan& plan : job.plans)
        plan.removeFirst = pathTaken(plan.target);
    job.unchanged = "; the former game " + job.name + " was removed to make room for the copy.";
    return std::nullopt;
}

// Leftover files go before any part is written: the room check counted
// them as free. One that stays is reported when its part comes.
void removeLeftovers(CopyJob& job, const GameReplacement& replacement) {
    for (std::size_t i = 0; i < job.plans.size(); ++i) {
        PartPlan& plan = job.plans[i];
        if (plan.removeFirst && platform::removeFile(plan.target))
            plan.removeFirst = false;
        // A staged part that a stopped copy left; no record can name it.
        const std::string staged = stagedPartPath(plan.target);
        if (staged != replacement.writePath(i) && platform::pathTaken(staged))
            platform::removeFile(staged);
    }
}

// Copies one part to `writeTo`, once whatever stands under its names is gone.
platform::CopyOutcome copyPart(const CopyJob& job, const PartPlan& plan, const std::string& writeTo,
                               ProgressShown& shown, std::uint64_t before) {
    bool cleared = !plan.removeFirst || platform::removeFile(plan.target);
    if (writeTo != plan.target)
        cleared = cleared && platform::removeFile(writeTo);
    platform::CopyOutcome outcome;
    if (!cleared) {
        outcome.error = "a file of that name cannot be removed";
    } else if (job.frontEnd.progress.cancelRequested()) {
        outcome.result = platform::CopyResult::Cancelled;
    } else {
        outcome =
            job.services.copyFile(plan.source, writeTo, [&](std::uint64_t done, std::uint64_t) {
                shown.setBytesDone(before + done);
                return !job.frontEnd.progress.cancelRequested();
            });
    }
    return outcome;
}

// Copies the parts. A failure removes what this copy wrote and says why.
Ended copyParts(const CopyJob& job, const GameReplacement& replacement) {
    std::vector<std::string> written;
    ProgressShown shown(job.frontEnd.progress, job.name, job.totalBytes);
    std::uint64_t before = 0;
    for (std::size_t i = 0; i < job.plans.size(); ++i) {
        const PartPlan& plan = job.plans[i];
        const std::string& writeTo = replacement.writePath(i);
        platform::CopyOutcome outcome = copyPart(job, plan, writeTo, shown, before);
        if (outcome.result != platform::CopyResult::Copied) {
            removeAll(written);
            switch (outcome.result) {
                case platform::CopyResult::Cancelled:
                    return shownFailure(
                        job.frontEnd, CopyStep::Cancelled, job.name,
                        "The copy of game " + job.name + " was cancelled" + job.unchanged);
                case platform::CopyResult::TargetExists:
                    outcome.error = "the file exists";
                    break;
                default:
                    break;
            }
            return shownFailure(job.frontEnd, CopyStep::Failed, writeTo,
                                "Copying " + plan.source + " to " + writeTo + " failed (" +
                                    outcome.error + ")" + job.unchanged);
        }
        written.push_back(writeTo);
        before += plan.size;
    }
    return std::nullopt;
}

// What a failed replacement tells; empty when the copy is recorded.
std::string replacementFailure(const CopyJob& job, const GameReplacement& replacement,
                               const ReplacementResult& result) {
    const std::string formerGone = " The former game " + job.name + " is gone.";
    if (result.pending) {
        // The drive's intent file holds the rest; the copied parts are complete.
        std::string why =
            "The drive " + job.targetRoot + " cannot be written (" + result.reason + ")";
        if (result.step == ReplacementResult::Step::TableNotWritten ||
            result.step == ReplacementResult::Step::FormerNotDropped)
            why =
                result.table.failedAt(TableRewriteStep::NotFlushed)
                    ? tableNotFlushedText(tablePath(job.targetRoot), result.table.failure().reason)
                    : "The game table " + tablePath(job.targetRoot) + " cannot be written (" +
                          result.table.failure().reason + ")";
        return why + "; the next command that opens the drive finishes the copy.";
    }
    switch (result.step) {
        case ReplacementResult::Step::Done:
            return {};
        case ReplacementResult::Step::NotFlushed:
            return "The drive " + job.targetRoot + " cannot be written (" + result.reason + ")" +
                   job.unchanged;
        case ReplacementResult::Step::FormerNotDropped:
            return targetNotWritten(job.targetRoot, result.table);
        case ReplacementResult::Step::NotRenamed:
            return "Renaming " + result.from + " to " + result.to + " failed (" + result.reason +
                   "); nothing was copied." + formerGone;
        case ReplacementResult::Step::RenamedNotFlushed:
            return "The drive " + job.targetRoot + " cannot be written (" + result.reason +
                   "); nothing was copied." + formerGone;
        case ReplacementResult::Step::TableNotWritten:
            break;
    }
    if (result.table.failedAt(TableRewriteStep::NotFlushed))
        return tableNotFlushedText(tablePath(job.targetRoot), result.table.failure().reason) + ".";
    std::string text = targetNotWritten(job.targetRoot, result.table);
    if (job.makeRoomFirst)
        text += " The former game " + job.name + " was removed to make room for the copy.";
    else if (replacement.formerGone())
        text += formerGone;
    return text;
}

// Puts the copied game in place of the replaced one and records it.
CopyGameResult finishCopy(const CopyJob& job, GameReplacement& replacement) {
    ReplacementResult result = replacement.finish(job.source);
    if (result.done()) {
        if (!result.unremoved.empty()) {
            std::string text =
                "The game " + job.name + " was copied, but these files need attention:";
            for (const std::string& path : result.unremoved)
                text += "\n" + path;
            job.frontEnd.boxes.show(text);
        }
        return {};
    }
    // A table in place that may not be on the device names the copied parts: they stay.
    if (result.step != ReplacementResult::Step::TableNotWritten ||
        !result.table.failedAt(TableRewriteStep::NotFlushed))
        replacement.discardNewParts();
    return shownFailure(job.frontEnd, CopyStep::Failed, job.targetRoot,
                        replacementFailure(job, replacement, result));
}

}  // namespace

CopyGameResult copyGame(const std::string& sourceRoot, const std::string& name,
                        const std::string& targetRoot, const FrontEnd& frontEnd,
                        const CopyServices& services) {
    // The chosen drive is tested before anything is said about the game.
    if (platform::sameFolder(sourceRoot, targetRoot))
        return shownFailure(frontEnd, CopyStep::SameDrive, targetRoot, kSameDrive);
    // The source is read while the target changes; no other writer may touch either.
    const DriveAccess held = accessDrives({{sourceRoot, platform::DriveLockMode::Shared},
                                           {targetRoot, platform::DriveLockMode::Exclusive}},
                                          frontEnd);
    if (!held.granted())
        return Failure<CopyStep>{held.outcome.failedAt(DriveAccessStep::Cancelled)
                                     ? CopyStep::Cancelled
                                     : CopyStep::Failed,
                                 targetRoot, held.outcome.failure().reason};
    CopyJob job{.sourceRoot = sourceRoot,
                .name = name,
                .targetRoot = targetRoot,
                .frontEnd = frontEnd,
                .services = services};
    if (Ended ended = findSource(job))
        return *ended;

    // Every question first: nothing changes unless each answer is Yes.
    TableContents targetTable = readTableFile(tablePath(targetRoot));
    if (!targetTable.changeable())
        return shownFailure(frontEnd, CopyStep::Failed, tablePath(targetRoot),
                            notReadable(targetRoot, targetTable));
    GameReplacement replacement(targetRoot, name, targetTable.records,
                                partFilesOf(targetRoot, job.source).paths);
    // A file that no record owns is written over only where a stopped install
    // or copy of this game left it.
    const StartOfPart copyStopped = [&job](std::size_t index, const std::string& path) {
        return index < job.sourcePaths.size() && holdsStartOf(path, job.sourcePaths[index]);
    };
    if (const TakenPartName taken =
            firstKeptFileAt(targetRoot, replacement.partPaths(), targetTable.records, copyStopped))
        return shownFailure(frontEnd, CopyStep::FileOwned, taken.path, taken.text);
    for (std::size_t i = 0; i < replacement.replaced().size(); ++i) {
        if (!frontEnd.boxes.ask("The folder already have game " + name + " ,Continue?"))
            return Failure<CopyStep>{CopyStep::Declined, name, {}};
    }
    if (Ended ended = planParts(job, replacement))
        return *ended;
    if (Ended ended = makeRoom(job, replacement))
        return *ended;
    if (!replacement.announce(job.source))
        return shownFailure(frontEnd, CopyStep::Failed, targetRoot,
                            "The drive " + targetRoot + " cannot be written (" +
                                platform::lastErrorText() + ")" + job.unchanged);
    removeLeftovers(job, replacement);
    if (Ended ended = copyParts(job, replacement)) {
        replacement.withdraw();
        return *ended;
    }
    return finishCopy(job, replacement);
}

}  // namespace library
