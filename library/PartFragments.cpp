#include "library/PartFragments.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "library/InstalledImage.h"
#include "platform/FileExtents.h"
#include "platform/Files.h"
#include "platform/FolderListing.h"
#include "platform/PathText.h"
#include "platform/StagedFile.h"
#include "platform/Volume.h"
#include "store/DriveAccess.h"

namespace library {

using namespace platform;
using namespace store;
using namespace report;

namespace {

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

std::string megabytes(std::uint64_t bytes) {
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + "MB";
}

// A FUSE file system may not replace a file in one step (fusefat leaves the
// replaced entry behind), so there the part is first moved aside, the copy
// takes its name, and only then is the old part removed.
constexpr const char* kAsideSuffix = ".zt-old";
constexpr const char* kCopySuffix = ".zt-";  // and six characters, as StagedFile names its files

bool replaceStepwise(platform::StagedFile& copy, const std::string& part, std::string& error) {
    const std::string aside = part + kAsideSuffix;
    if (platform::renameNoReplace(part, aside) != platform::RenameResult::Renamed) {
        error = "the part cannot be moved aside";
        return false;
    }
    const platform::CommitResult committed = copy.commit(false, error);
    if (committed != platform::CommitResult::Committed) {
        // A copy that took the part's name stays; the next run clears the part moved aside.
        if (committed != platform::CommitResult::NotFlushed)
            platform::renameNoReplace(aside, part);
        if (error.empty())
            error = "the copy cannot take the part's name";
        return false;
    }
    platform::removeFile(aside);
    return true;
}

}  // namespace

bool isPartFileName(const std::string& name) {
    // zt. HHHHHHHH . ID . 0 N
    if (name.size() < 3 + 8 + 1 + 1 + 3 || name.compare(0, 3, "zt.") != 0 || name[11] != '.')
        return false;
    if (!std::all_of(name.begin() + 3, name.begin() + 11, isHex))
        return false;
    const std::size_t n = name.size();
    return name[n - 3] == '.' && name[n - 2] == '0' && name[n - 1] >= '0' && name[n - 1] <= '9';
}

platform::FolderListing partFilesAt(const std::string& root) {
    platform::FolderListing listing = platform::listFolder(root);
    std::erase_if(listing.names, [&](const std::string& name) {
        std::error_code statusError;
        return !isPartFileName(name) ||
               !std::filesystem::is_regular_file(
                   std::filesystem::symlink_status(platform::fsPath(root + name), statusError));
    });
    return listing;
}

std::vector<RewriteLeftover> interruptedRewrites(const std::string& root) {
    const std::vector<std::string> names = platform::listFolder(root).names;
    std::vector<RewriteLeftover> found;
    std::set<std::string> putBack;
    // Parts moved aside go first, so that a copy left beside a part put back is seen as such.
    for (bool asides : {true, false}) {
        for (const std::string& name : names) {
            const std::size_t mark = name.rfind(kCopySuffix);
            if (mark == std::string::npos || !isPartFileName(name.substr(0, mark)))
                continue;
            const bool isAside = name.compare(mark, std::string::npos, kAsideSuffix) == 0;
            const bool isCopy = !isAside && name.size() == mark + 4 + 6;
            const std::string path = root + name;
            const std::string part = root + name.substr(0, mark);
            if ((asides ? !isAside : !isCopy) || !platform::regularFileSize(path))
                continue;
            const bool partThere = platform::pathTaken(part) || putBack.count(part) != 0;
            if (isAside && !partThere) {
                putBack.insert(part);
                found.push_back({path, part, true,
                                 path + ": a part moved aside by a rewrite that stopped; it "
                                        "can take its name again"});
            } else if (partThere) {
                // The part moved aside after its copy, complete and flushed, took
                // the name; or a copy that never took it.
                found.push_back({path, part, false,
                                 path + ": left by a rewrite that stopped; it can be removed"});
            }
        }
    }
    return found;
}

bool finishRewrite(const RewriteLeftover& leftover) {
    if (leftover.putBack)
        return platform::renameNoReplace(leftover.path, leftover.part) ==
               platform::RenameResult::Renamed;
    return platform::removeFile(leftover.path);
}

std::vector<std::string> finishInterruptedRewrites(const std::string& root) {
    std::vector<std::string> done;
    for (const RewriteLeftover& leftover : interruptedRewrites(root)) {
        if (!finishRewrite(leftover))
            continue;
        done.push_back(leftover.putBack
                           ? leftover.part + " was put back from " + leftover.path
                           : leftover.path + ", left by an interrupted rewrite, was removed");
    }
    if (!done.empty())
        platform::syncFolder(root);
    return done;
}

RewriteResult rewriteContiguous(const std::string& root, const std::string& fileName,
                                const FragmentCounter& counter, const FrontEnd& frontEnd) {
    DriveAccess changing = accessForChange(root, frontEnd);
    if (!changing.granted())
        return Failure<RewriteStep>{changing.outcome.failedAt(DriveAccessStep::Cancelled)
                                        ? RewriteStep::Cancelled
                                        : RewriteStep::Access,
                                    root, changing.outcome.failure().reason};
    const std::string part = root + fileName;
    // Says why on a box, and the part stays as it was.
    const auto stop = [&](RewriteStep step, const std::string& text) -> RewriteResult {
        frontEnd.boxes.show(text);
        return Failure<RewriteStep>{step, part, text};
    };
    std::error_code statusError;
    if (!std::filesystem::is_regular_file(
            std::filesystem::symlink_status(platform::fsPath(part), statusError)))
        return stop(RewriteStep::NotAFile,
                    "The part file " + part + " is not a plain file; it was left alone.");
    const std::uint64_t size = platform::regularFileSize(part).value_or(0);
    if (std::optional<platform::VolumeSpace> space = platform::volumeSpace(root)) {
        // A file system that reports no size at all (some FUSE ones) does not
        // know its free space either; the copy then finds out.
        if (space->total > 0 && space->available < size)
            return stop(RewriteStep::NoRoom, "The drive has no room for a second copy of " +
                                                 fileName + ": " + megabytes(size) + " needed, " +
                                                 megabytes(space->available) +
                                                 " free; the part stays as it is.");
    }
    platform::StagedFile copy;
    std::string error;
    if (!copy.create(part, error))
        return stop(RewriteStep::Copy, "Cannot create a copy of " + part + " (" + error + ").");
    copy.reserve(size);
    {
        ImageProgress progress(frontEnd.progress, "Rewriting " + fileName, size);
        platform::CopyOutcome outcome = copy.append(part, [&](std::uint64_t done, std::uint64_t) {
            progress.setBytesDone(done);
            return !progress.cancelled();
        });
        if (outcome.result == platform::CopyResult::Cancelled)
            return stop(RewriteStep::Cancelled,
                        "The rewrite of " + fileName + " was cancelled; the part stays as it is.");
        if (outcome.result != platform::CopyResult::Copied || !copy.flush())
            return stop(RewriteStep::Copy, "Copying " + part + " failed (" + outcome.error +
                                               "); the part stays as it is.");
    }
    const std::string copyName = platform::pathText(platform::fsPath(copy.tempPath()).filename());
    const FragmentCount pieces = counter(copyName);
    if (!pieces)
        return stop(RewriteStep::Count, "Cannot tell whether the copy of " + fileName +
                                            " is in one piece (" + pieces.failure().reason +
                                            "); the part stays as it is.");
    if (pieces.value() > 1)
        return stop(RewriteStep::StillFragmented, "The drive has no run of free space that holds " +
                                                      fileName +
                                                      " in one piece; the part stays as it is.");
    bool replaced = false;
    if (platform::onFuseFileSystem(root)) {
        replaced = replaceStepwise(copy, part, error);
    } else {
        replaced = copy.commit(true, error) == platform::CommitResult::Committed;
    }
    if (!replaced)
        return stop(RewriteStep::Replace, "The copy of " + fileName +
                                              " could not take its place (" + error +
                                              "); the part stays as it is.");
    return {};
}

}  // namespace library
