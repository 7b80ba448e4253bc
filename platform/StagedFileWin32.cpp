#include <cerrno>
#include <cstring>
#include <random>
#include <vector>

#include "platform/DriveFileWin32.h"
#include "platform/FaultPoint.h"
#include "platform/Files.h"
#include "platform/Flush.h"
#include "platform/StagedFile.h"
#include "platform/WideWin32.h"

namespace platform {

using namespace win32;

namespace {

constexpr std::size_t kPiece = 8u << 20;  // bytes per step: progress and cancel in between
constexpr int kNameTries = 100;

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
        Handle file =
            openOnDrive(path, GENERIC_READ | GENERIC_WRITE | DELETE, CREATE_NEW, FILE_SHARE_READ);
        if (!file.valid()) {
            if (errno == EEXIST)
                continue;
            break;
        }
        file_.reset(fromHandle(file.release()));
        tempPath_ = path;
        written_ = 0;
        finalPath_ = finalPath;
        return true;
    }
    error = lastErrorText();
    return false;
}

bool stagedFileHeld(const std::string& path) {
    // A StagedFile shares neither writing nor removal of its file.
    HANDLE file = CreateFileW(longPath(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(file);
    return false;
}

CopyOutcome StagedFile::append(const std::string& source, const CopyProgress& progress) {
    CopyOutcome outcome;
    // A part is never read through a link: it could lead off the drive.
    const Handle opened = openOnDrive(source, GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ,
                                      FILE_FLAG_SEQUENTIAL_SCAN);
    HANDLE in = opened.get();
    HANDLE out = toHandle(file_.get());
    LARGE_INTEGER size{};
    if (!opened.valid() || !isRegularFile(in) || !GetFileSizeEx(in, &size) || !file_.valid()) {
        outcome.error = !opened.valid() ? lastErrorText() : "not a regular file";
        return outcome;
    }
    const std::uint64_t total = static_cast<std::uint64_t>(size.QuadPart);
    std::vector<std::uint8_t> buffer(kPiece);
    std::uint64_t done = 0;
    while (done < total) {
        std::size_t got = 0;
        bool ok = win32::readAt(in, done, buffer.data(), buffer.size(), got);
        if (ok && got == 0) {
            errno = EIO;  // the source shrank while it was copied
            ok = false;
        }
        ok = ok && fileOpAllowed(FileOp::Write, tempPath_) &&
             writeAt(out, written_ + done, buffer.data(), got);
        if (!ok) {
            outcome.error = std::strerror(errno);
            return outcome;
        }
        done += got;
        if (progress && !progress(done, total)) {
            outcome.result = CopyResult::Cancelled;
            return outcome;
        }
    }
    written_ += total;
    if (progress)
        progress(total, total);
    outcome.result = CopyResult::Copied;
    return outcome;
}

bool StagedFile::reserve(std::uint64_t bytes) {
    if (!file_.valid() || bytes == 0)
        return false;
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(bytes);
    return SetFileInformationByHandle(toHandle(file_.get()), FileAllocationInfo, &allocation,
                                      sizeof allocation) != 0;
}

bool StagedFile::flush() {
    return file_.valid() && flushToDevice(file_.get(), tempPath_);
}

CommitResult StagedFile::commit(bool replace, std::string& error) {
    if (!file_.valid()) {
        error = "no file is being written";
        return CommitResult::Failed;
    }
    if (!flushToDevice(file_.get(), tempPath_)) {
        error = lastErrorText();
        return CommitResult::Failed;
    }
    // Renamed through the handle it was written by: the name it goes to is
    // never resolved through a link, and no path is looked up again.
    HANDLE file = toHandle(file_.get());
    const bool renamed = fileOpAllowed(FileOp::Rename, tempPath_, finalPath_) &&
                         renameOpened(file, finalPath_, replace);
    if (!renamed) {
        const bool taken = !replace && errno == EEXIST;
        error = lastErrorText();
        return taken ? CommitResult::TargetExists : CommitResult::Failed;
    }
    tempPath_.clear();
    FlushFileBuffers(file);  // the new name written through
    if (!(file_.close() || failed())) {
        error = lastErrorText();
        return CommitResult::NotFlushed;
    }
    if (!syncFolderOf(finalPath_)) {
        error = lastErrorText();
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
