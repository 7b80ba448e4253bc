#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/DescriptorPosix.h"
#include "platform/FaultPoint.h"
#include "platform/RawFile.h"

namespace platform {

bool RawFile::open(const std::string& path) {
    close();
    // Without waiting first: a FIFO would hold the open until a writer came.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid())
        return false;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !(S_ISREG(info.st_mode) || S_ISBLK(info.st_mode))) {
        errno = EINVAL;  // a folder, FIFO or character device holds no sectors
        return false;
    }
    if (S_ISBLK(info.st_mode)) {
        // A drive opened without waiting does not say that it holds no disc.
        fd.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd.valid())
            return false;
    } else {
        ::fcntl(fd.get(), F_SETFL, 0);
    }
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);  // only a hint; failure is harmless
    handle_.reset(fd.release());
    return true;
}

std::optional<std::uint64_t> RawFile::size() const {
    struct stat info {};
    if (!handle_.valid() || ::fstat(static_cast<int>(handle_.get()), &info) != 0)
        return std::nullopt;
    if (S_ISREG(info.st_mode))
        return static_cast<std::uint64_t>(info.st_size);
    std::uint64_t bytes = 0;
    if (S_ISBLK(info.st_mode) &&
        ::ioctl(static_cast<int>(handle_.get()), BLKGETSIZE64, &bytes) == 0)
        return bytes;
    return std::nullopt;
}

std::int64_t RawFile::readAt(std::uint64_t offset, void* buffer, std::size_t length) {
    if (!handle_.valid())
        return -1;
    std::size_t done = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    // A read may return early (signals, device limits); keep going until the
    // request is met or the end of the file is reached.
    while (done < length) {
        ssize_t n = ::pread(static_cast<int>(handle_.get()), bytes + done, length - done,
                            static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

SendResult RawFile::sendTo(std::uint64_t offset, std::size_t length, OutputFile& out) {
    SendResult result;
    if (!handle_.valid() || !out.isOpen()) {
        result.failed = true;
        return result;
    }
    off_t position = static_cast<off_t>(offset);
    std::size_t left = length;
    while (left > 0) {
        if (!fileOpAllowed(FileOp::Write, out.path())) {
            result.failed = true;
            break;
        }
        ssize_t n = ::sendfile(static_cast<int>(out.handle()), static_cast<int>(handle_.get()),
                               &position, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result.unsupported = errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP;
            result.failed = true;
            break;
        }
        if (n == 0)
            break;  // end of the file
        left -= static_cast<std::size_t>(n);
        result.bytes += n;
        out.advance(static_cast<std::uint64_t>(n));
    }
    return result;
}

}  // namespace platform
