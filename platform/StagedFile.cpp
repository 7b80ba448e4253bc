// A staged file's steps, the same on every system: which names are tried,
// where each step's fault point lies, and what each outcome means. The system
// calls themselves are in StagedFilePosix.cpp and StagedFileWin32.cpp.

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

#include "platform/FaultPoint.h"
#include "platform/Files.h"
#include "platform/Flush.h"
#include "platform/StagedFileSystem.h"

namespace platform {
namespace {

constexpr int kNameTries = 100;

// Six letters or digits, as mkostemp would pick them.
std::string randomSuffix() {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    // Drawn from the system's generator each time: no state kept per thread.
    std::random_device random;
    std::string suffix;
    for (int i = 0; i < 6; ++i)
        suffix += kLetters[random() % (sizeof kLetters - 1)];
    return suffix;
}

}  // namespace

bool StagedFile::create(const std::string& finalPath, std::string& error) {
    discard();
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        const std::string path = finalPath + ".zt-" + randomSuffix();
        if (!fileOpAllowed(FileOp::Open, path))
            break;
        SystemHandle file = staged_file::createNew(path);
        if (!file.valid()) {
            if (errno == EEXIST)
                continue;
            break;
        }
        file_ = std::move(file);
        tempPath_ = path;
        written_ = 0;
        finalPath_ = finalPath;
        return true;
    }
    error = staged_file::reason();
    return false;
}

CopyOutcome StagedFile::append(const std::string& source, const CopyProgress& progress) {
    CopyOutcome outcome;
    staged_file::Source in;
    if (!staged_file::openSource(source, in, outcome.error))
        return outcome;
    if (!file_.valid()) {
        outcome.error = "not a regular file";
        return outcome;
    }
    const std::uint64_t total = in.size;
    staged_file::CopyState state;
    std::uint64_t done = 0;
    while (done < total) {
        const staged_file::Run run = staged_file::nextData(in, done);
        for (done = run.begin; done < run.end;) {
            const std::size_t want =
                static_cast<std::size_t>(std::min<std::uint64_t>(run.end - done, kCopyStep));
            const std::int64_t n = fileOpAllowed(FileOp::Write, tempPath_)
                                       ? staged_file::copyStep(in, file_.get(), tempPath_, done,
                                                               written_ + done, want, state)
                                       : -1;
            if (n < 0) {
                outcome.error = std::strerror(errno);
                return outcome;
            }
            done += static_cast<std::uint64_t>(n);
            if (progress && !progress(done, total)) {
                outcome.result = CopyResult::Cancelled;
                return outcome;
            }
        }
        done = run.end;
    }
    // A hole at the end still counts: the file is made as long as the source.
    if (!staged_file::extendTo(file_.get(), written_ + total)) {
        outcome.error = std::strerror(errno);
        return outcome;
    }
    written_ += total;
    if (progress)
        progress(total, total);
    outcome.result = CopyResult::Copied;
    return outcome;
}

bool StagedFile::reserve(std::uint64_t bytes) {
    return file_.valid() && bytes > 0 && staged_file::reserve(file_.get(), bytes);
}

bool StagedFile::flush() {
    return file_.valid() && flushToDevice(file_.get(), tempPath_);
}

CommitResult StagedFile::commit(bool replace, std::string& error) {
    using staged_file::Moved;
    if (!file_.valid()) {
        error = "no file is being written";
        return CommitResult::Failed;
    }
    if (!flushToDevice(file_.get(), tempPath_)) {
        error = staged_file::reason();
        return CommitResult::Failed;
    }
    if (!fileOpAllowed(FileOp::Rename, tempPath_, finalPath_)) {
        error = staged_file::reason();
        return CommitResult::Failed;
    }
    const Moved moved = staged_file::moveIntoPlace(file_, tempPath_, finalPath_, replace, error);
    if (moved == Moved::Failed)
        return CommitResult::Failed;
    if (moved == Moved::TargetExists)
        return CommitResult::TargetExists;
    tempPath_.clear();
    if (moved == Moved::NotFlushed)
        return CommitResult::NotFlushed;
    if (moved == Moved::Renamed && !syncFolderOf(finalPath_)) {
        error = staged_file::reason();
        return CommitResult::NotFlushed;
    }
    return CommitResult::Committed;
}

void StagedFile::discard() {
    file_.reset();
    if (!tempPath_.empty()) {
        removeFile(tempPath_);
        tempPath_.clear();
    }
}

}  // namespace platform
