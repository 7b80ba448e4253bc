#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "platform/DescriptorPosix.h"
#include "platform/FaultPoint.h"
#include "platform/Files.h"
#include "platform/Flush.h"
#include "platform/HeldPathPosix.h"
#include "platform/StagedFile.h"

namespace platform {
namespace {

constexpr std::size_t kPiece = 8u << 20;  // bytes per step: progress and cancel in between

// Creates a new file named `finalPath` + ".zt-" and six letters or digits,
// as mkostemp would, but relative to a held drive's root. -1 with errno.
SystemHandle createTemporary(const std::string& finalPath, std::string& tempPath) {
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 pick(seed());
    std::uniform_int_distribution<std::size_t> letter(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = finalPath + ".zt-";
        for (int i = 0; i < 6; ++i)
            tempPath += kLetters[letter(pick)];
        if (!fileOpAllowed(FileOp::Open, tempPath))
            return {};
        const At at(tempPath);
        SystemHandle file(::openat(at.folder(), at.name(),
                                   O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        // Locked before anyone could look: a new file is nobody else's.
        if (file.valid())
            ::flock(static_cast<int>(file.get()), LOCK_EX | LOCK_NB);
        if (file.valid() || errno != EEXIST)
            return file;
    }
    return {};
}

bool writeAllAt(int fd, const std::string& path, const std::uint8_t* data, std::size_t size,
                off_t offset) {
    while (size > 0) {
        if (!fileOpAllowed(FileOp::Write, path))
            return false;
        ssize_t n = ::pwrite(fd, data, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        offset += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies `want` bytes at `from` of `in` to `at` of `out`: inside the kernel
// while `inKernel` holds, else through `buffer`. Returns the bytes copied, or
// -1 with errno set.
ssize_t copyPiece(int in, int out, const std::string& outPath, off_t from, off_t at,
                  std::size_t want, bool& inKernel, std::vector<std::uint8_t>& buffer) {
    ssize_t n = -1;
    if (inKernel) {
        if (!fileOpAllowed(FileOp::Write, outPath))
            return -1;
        loff_t source = from, target = at;
        do {
            n = ::copy_file_range(in, &source, out, &target, want, 0);
        } while (n < 0 && errno == EINTR);
        // Some file systems refuse the kernel copy, or copy nothing of
        // a source that has bytes there.
        if ((n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                       errno == EOPNOTSUPP || errno == EBADF)) ||
            n == 0)
            inKernel = false;
    }
    if (!inKernel) {
        if (buffer.empty())
            buffer.resize(kPiece);
        do {
            n = ::pread(in, buffer.data(), want, from);
        } while (n < 0 && errno == EINTR);
        if (n > 0 && !writeAllAt(out, outPath, buffer.data(), static_cast<std::size_t>(n), at))
            n = -1;
        if (n == 0) {
            errno = EIO;  // the source shrank while it was copied
            n = -1;
        }
    }
    return n;
}

}  // namespace

bool StagedFile::create(const std::string& finalPath, std::string& error) {
    discard();
    std::string pattern;
    file_ = createTemporary(finalPath, pattern);
    if (!file_.valid()) {
        error = std::strerror(errno);
        return false;
    }
    tempPath_ = pattern;
    written_ = 0;
    finalPath_ = finalPath;
    return true;
}

CopyOutcome StagedFile::append(const std::string& source, const CopyProgress& progress) {
    CopyOutcome outcome;
    const At from(source);
    const Descriptor opened(::openat(from.folder(), from.name(), O_RDONLY | O_CLOEXEC));
    const int in = opened.get();
    const int fd = static_cast<int>(file_.get());
    struct stat info {};
    if (in < 0 || ::fstat(in, &info) != 0 || !S_ISREG(info.st_mode) || fd < 0) {
        outcome.error = in < 0 ? std::strerror(errno) : "not a regular file";
        return outcome;
    }
    ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
    const off_t total = info.st_size;
    const off_t base = static_cast<off_t>(written_);
    std::vector<std::uint8_t> buffer;
    bool inKernel = true;
    off_t done = 0;
    bool failed = false;
    while (done < total && !failed) {
        // Holes of a sparse source stay holes: only its data is copied.
        off_t data = ::lseek(in, done, SEEK_DATA);
        if (data < 0)
            data = errno == ENXIO ? total : done;  // ENXIO: only a hole is left
        off_t hole = data < total ? ::lseek(in, data, SEEK_HOLE) : total;
        if (hole < 0 || hole > total)
            hole = total;
        done = data;
        while (done < hole) {
            const std::size_t want = static_cast<std::size_t>(std::min<off_t>(hole - done, kPiece));
            ssize_t n = copyPiece(in, fd, tempPath_, done, base + done, want, inKernel, buffer);
            if (n < 0) {
                outcome.error = std::strerror(errno);
                failed = true;
                break;
            }
            done += n;
            if (progress &&
                !progress(static_cast<std::uint64_t>(done), static_cast<std::uint64_t>(total))) {
                outcome.result = CopyResult::Cancelled;
                return outcome;
            }
        }
        done = hole;
    }
    if (failed)
        return outcome;
    // A hole at the end still counts: the file is made as long as the source.
    struct stat written {};
    if (::fstat(fd, &written) != 0 ||
        (written.st_size < base + total && ::ftruncate(fd, base + total) != 0)) {
        outcome.error = std::strerror(errno);
        return outcome;
    }
    written_ += static_cast<std::uint64_t>(total);
    if (progress)
        progress(static_cast<std::uint64_t>(total), static_cast<std::uint64_t>(total));
    outcome.result = CopyResult::Copied;
    return outcome;
}

bool StagedFile::reserve(std::uint64_t bytes) {
    return file_.valid() && bytes > 0 &&
           ::fallocate(static_cast<int>(file_.get()), FALLOC_FL_KEEP_SIZE, 0,
                       static_cast<off_t>(bytes)) == 0;
}

bool StagedFile::flush() {
    return file_.valid() && flushToDevice(file_.get(), tempPath_);
}

CommitResult StagedFile::commit(bool replace, std::string& error) {
    if (!file_.valid()) {
        error = "no file is being written";
        return CommitResult::Failed;
    }
    const bool synced = flushToDevice(file_.get(), tempPath_);
    const int syncError = errno;
    const bool closed = file_.close();
    if (!synced || !closed) {
        error = std::strerror(synced ? errno : syncError);
        return CommitResult::Failed;
    }
    if (replace) {
        // As any replacement: the file replaced keeps its clusters until the
        // new entry is on the device.
        const Replacement replaced = replaceFile(tempPath_, finalPath_);
        if (replaced == Replacement::Failed) {
            error = std::strerror(errno);
            return CommitResult::Failed;
        }
        tempPath_.clear();
        if (replaced == Replacement::NotFlushed) {
            error = std::strerror(errno);
            return CommitResult::NotFlushed;
        }
        return CommitResult::Committed;
    }
    RenameResult renamed = renameNoReplace(tempPath_, finalPath_);
    if (renamed == RenameResult::TargetExists)
        return CommitResult::TargetExists;
    if (renamed != RenameResult::Renamed) {
        error = "the file cannot be renamed";
        return CommitResult::Failed;
    }
    tempPath_.clear();
    if (!syncFolderOf(finalPath_)) {
        error = std::strerror(errno);
        return CommitResult::NotFlushed;
    }
    return CommitResult::Committed;
}

bool stagedFileHeld(const std::string& path) {
    const At at(path);
    const Descriptor opened(::openat(at.folder(), at.name(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (opened.get() < 0)
        return false;
    // A lock this look takes is let go with the descriptor.
    return ::flock(opened.get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

void StagedFile::discard() {
    file_.reset();
    if (!tempPath_.empty()) {
        removeFile(tempPath_);
        tempPath_.clear();
    }
}

}  // namespace platform
