#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/DescriptorPosix.h"
#include "platform/FaultPoint.h"
#include "platform/FileTransferSystem.h"
#include "platform/FilesSystem.h"
#include "platform/HeldPathPosix.h"
#include "platform/StagedFileSystem.h"

namespace platform {
namespace {

// Writes all of `data` at `offset`; the first write's fault point has passed
// when `allowed` is set, every further one passes its own.
bool writeAllAt(int fd, const std::string& path, const std::uint8_t* data, std::size_t size,
                off_t offset, bool allowed) {
    while (size > 0) {
        if (!allowed && !fileOpAllowed(FileOp::Write, path))
            return false;
        allowed = false;
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

// One step inside the kernel; -1 with errno, and `inKernel` cleared where
// the file system refuses it, or copies nothing of a source that has bytes.
ssize_t copyInKernel(int in, int out, off_t from, off_t at, std::size_t want, bool& inKernel) {
    loff_t source = from, target = at;
    ssize_t n;
    do {
        n = ::copy_file_range(in, &source, out, &target, want, 0);
    } while (n < 0 && errno == EINTR);
    if ((n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                   errno == EBADF)) ||
        n == 0)
        inKernel = false;
    return n;
}

}  // namespace

namespace staged_file {

SystemHandle createNew(const std::string& path) {
    const At at(path);
    SystemHandle file(
        ::openat(at.folder(), at.name(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    // Locked before anyone could look: a new file is nobody else's.
    if (file.valid())
        ::flock(static_cast<int>(file.get()), LOCK_EX | LOCK_NB);
    return file;
}

std::string reason() {
    return std::strerror(errno);
}

bool openSource(const std::string& path, Source& source, std::string& error) {
    const At from(path);
    source.handle = SystemHandle(::openat(from.folder(), from.name(), O_RDONLY | O_CLOEXEC));
    const int in = static_cast<int>(source.handle.get());
    struct stat info {};
    if (in < 0 || ::fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = in < 0 ? std::strerror(errno) : "not a regular file";
        return false;
    }
    ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
    source.size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

Run nextData(const Source& source, std::uint64_t from) {
    const int in = static_cast<int>(source.handle.get());
    const off_t total = static_cast<off_t>(source.size);
    off_t data = ::lseek(in, static_cast<off_t>(from), SEEK_DATA);
    if (data < 0)
        data = errno == ENXIO ? total : static_cast<off_t>(from);  // ENXIO: only a hole is left
    off_t hole = data < total ? ::lseek(in, data, SEEK_HOLE) : total;
    if (hole < 0 || hole > total)
        hole = total;
    return {static_cast<std::uint64_t>(data), static_cast<std::uint64_t>(hole)};
}

std::int64_t copyStep(const Source& source, std::intptr_t out, const std::string& outPath,
                      std::uint64_t from, std::uint64_t at, std::size_t want, CopyState& state) {
    const int in = static_cast<int>(source.handle.get());
    const int fd = static_cast<int>(out);
    const bool triedKernel = state.inKernel;
    ssize_t n = -1;
    if (state.inKernel)
        n = copyInKernel(in, fd, static_cast<off_t>(from), static_cast<off_t>(at), want,
                         state.inKernel);
    if (!state.inKernel) {
        if (state.buffer.empty())
            state.buffer.resize(kCopyStep);
        do {
            n = ::pread(in, state.buffer.data(), want, static_cast<off_t>(from));
        } while (n < 0 && errno == EINTR);
        // Through the buffer after a refused kernel copy is a write of its own.
        if (n > 0 && !writeAllAt(fd, outPath, state.buffer.data(), static_cast<std::size_t>(n),
                                 static_cast<off_t>(at), !triedKernel))
            n = -1;
        if (n == 0) {
            errno = EIO;  // the source shrank while it was copied
            n = -1;
        }
    }
    return n;
}

bool extendTo(std::intptr_t out, std::uint64_t length) {
    const int fd = static_cast<int>(out);
    struct stat written {};
    return ::fstat(fd, &written) == 0 && (static_cast<std::uint64_t>(written.st_size) >= length ||
                                          ::ftruncate(fd, static_cast<off_t>(length)) == 0);
}

bool reserve(std::intptr_t file, std::uint64_t bytes) {
    return ::fallocate(static_cast<int>(file), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes)) ==
           0;
}

Moved moveIntoPlace(SystemHandle& file, const std::string& tempPath, const std::string& finalPath,
                    bool replace, std::string& error) {
    if (!file.close()) {
        error = std::strerror(errno);
        return Moved::Failed;
    }
    if (replace) {
        // As any replacement: the file replaced keeps its clusters until the
        // new entry is on the device.
        const Replacement replaced = files_system::replace(tempPath, finalPath);
        if (replaced != Replacement::Replaced)
            error = std::strerror(errno);
        return replaced == Replacement::Failed       ? Moved::Failed
               : replaced == Replacement::NotFlushed ? Moved::NotFlushed
                                                     : Moved::Settled;
    }
    bool sourceMissing = false;
    if (file_transfer::moveNoReplace(tempPath, finalPath, sourceMissing))
        return Moved::Renamed;
    if (!sourceMissing && errno == EEXIST)
        return Moved::TargetExists;
    error = "the file cannot be renamed";
    return Moved::Failed;
}

}  // namespace staged_file

bool stagedFileHeld(const std::string& path) {
    const At at(path);
    const Descriptor opened(::openat(at.folder(), at.name(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (opened.get() < 0)
        return false;
    // A lock this look takes is let go with the descriptor.
    return ::flock(opened.get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

}  // namespace platform
