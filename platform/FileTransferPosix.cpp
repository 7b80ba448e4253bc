#include "platform/FileTransfer.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/DescriptorPosix.h"
#include "platform/FaultPoint.h"
#include "platform/FileTransferSystem.h"
#include "platform/Files.h"
#include "platform/Flush.h"
#include "platform/HeldPathPosix.h"

namespace platform {
namespace {

bool pathExists(const std::string& path) {
    struct stat info;
    const At at(path);
    return ::fstatat(at.folder(), at.name(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

// Without kernel support for a no-replace rename: test first, then rename.
bool moveAfterTest(const std::string& from, const std::string& to, bool& sourceMissing) {
    if (!pathExists(from)) {
        sourceMissing = true;
        return false;
    }
    if (pathExists(to)) {
        errno = EEXIST;
        return false;
    }
    if (!fileOpAllowed(FileOp::Rename, from, to))
        return false;
    const At source(from), target(to);
    if (::renameat(source.folder(), source.name(), target.folder(), target.name()) == 0)
        return true;
    const int error = errno;
    sourceMissing = error == ENOENT && !pathExists(from);
    errno = error == EEXIST ? ENOTEMPTY : error;  // a folder in the way is no name taken
    return false;
}

bool writeAll(int fd, const std::string& path, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        if (!fileOpAllowed(FileOp::Write, path))
            return false;
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// One piece through the kernel's in-file-system copy; -1 with errno when it
// cannot be used, 0 at the end of the source.
ssize_t copyPieceInKernel(int in, int out, const std::string& path) {
    for (;;) {
        if (!fileOpAllowed(FileOp::Write, path))
            return -1;
        ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kCopyStep, 0);
        if (n < 0 && errno == EINTR)
            continue;
        return n;
    }
}

ssize_t copyPieceByReading(int in, int out, const std::string& path,
                           std::vector<std::uint8_t>& buffer) {
    if (buffer.empty())
        buffer.resize(kCopyStep);
    ssize_t n;
    do {
        n = ::read(in, buffer.data(), buffer.size());
    } while (n < 0 && errno == EINTR);
    if (n <= 0)
        return n;
    return writeAll(out, path, buffer.data(), static_cast<std::size_t>(n)) ? n : -1;
}

bool kernelCopyUnsupported(int error) {
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP ||
           error == EBADF;
}

}  // namespace

bool file_transfer::moveNoReplace(const std::string& from, const std::string& to,
                                  bool& sourceMissing) {
    const At source(from), target(to);
    if (::renameat2(source.folder(), source.name(), target.folder(), target.name(),
                    RENAME_NOREPLACE) == 0) {
        return true;
    }
    const int error = errno;
    if (error == EINVAL || error == ENOSYS)
        return moveAfterTest(from, to, sourceMissing);
    sourceMissing = !pathExists(from);
    errno = error;
    return false;
}

CopyOutcome copyFileNoReplace(const std::string& from, const std::string& to,
                              const CopyProgress& progress) {
    CopyOutcome outcome;
    // A part file is never read through a link: it could lead off the drive.
    const At source(from), target(to);
    Descriptor in(::openat(source.folder(), source.name(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info;
    if (in.get() < 0 || ::fstat(in.get(), &info) != 0) {
        outcome.error = std::strerror(errno);
        return outcome;
    }
    if (!S_ISREG(info.st_mode)) {
        outcome.error = "not a regular file";
        return outcome;
    }
    if (!fileOpAllowed(FileOp::Open, to)) {
        outcome.error = lastErrorText();
        return outcome;
    }
    Descriptor out(::openat(target.folder(), target.name(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (out.get() < 0) {
        if (errno == EEXIST) {
            outcome.result = CopyResult::TargetExists;
        } else {
            outcome.error = std::strerror(errno);
        }
        return outcome;
    }
    // From here on `to` is ours: every way out but success removes it.
    const std::uint64_t total = static_cast<std::uint64_t>(info.st_size);
    // Room for the whole file first, so that it lies in one run of clusters
    // where the drive has one; only a hint, the copy decides.
    if (total > 0)
        ::fallocate(out.get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(total));
    std::uint64_t done = 0;
    bool inKernel = true;
    std::vector<std::uint8_t> buffer;
    for (;;) {
        ssize_t n = inKernel ? copyPieceInKernel(in.get(), out.get(), to) : -1;
        // Some file systems refuse the kernel copy, or report an empty source
        // that is not empty; the first piece tells.
        if (inKernel && done == 0 &&
            ((n < 0 && kernelCopyUnsupported(errno)) || (n == 0 && total > 0))) {
            inKernel = false;
        }
        if (!inKernel)
            n = copyPieceByReading(in.get(), out.get(), to, buffer);
        if (n < 0) {
            outcome.error = std::strerror(errno);
            break;
        }
        if (n == 0) {
            if (!flushToDevice(out.get(), to) || !out.close()) {
                outcome.error = std::strerror(errno);
                break;
            }
            outcome.result = CopyResult::Copied;
            return outcome;
        }
        done += static_cast<std::uint64_t>(n);
        if (progress && !progress(done, total)) {
            outcome.result = CopyResult::Cancelled;
            break;
        }
    }
    out.close();
    removeFile(to);
    return outcome;
}

}  // namespace platform
