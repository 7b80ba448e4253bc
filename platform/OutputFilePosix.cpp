#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FaultPoint.h"
#include "platform/Files.h"
#include "platform/Flush.h"
#include "platform/HeldPathPosix.h"
#include "platform/OutputFile.h"

namespace platform {

bool OutputFile::create(const std::string& path) {
    close();
    path_ = path;
    if (!removeFile(path) || !fileOpAllowed(FileOp::Open, path))
        return false;
    const At at(path);
    int fd = ::openat(at.folder(), at.name(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      0644);
    if (fd < 0)
        return false;
    handle_ = fd;
    size_ = 0;
    return true;
}

bool OutputFile::reserve(std::uint64_t bytes) {
    return handle_ >= 0 && bytes > 0 &&
           ::fallocate(static_cast<int>(handle_), FALLOC_FL_KEEP_SIZE, 0,
                       static_cast<off_t>(bytes)) == 0;
}

bool OutputFile::write(const void* data, std::size_t size) {
    if (handle_ < 0)
        return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        if (!fileOpAllowed(FileOp::Write, path_))
            return false;
        ssize_t n = ::write(static_cast<int>(handle_), bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
        size_ += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool OutputFile::truncate(std::uint64_t size) {
    if (handle_ < 0)
        return false;
    const int fd = static_cast<int>(handle_);
    if (!fileOpAllowed(FileOp::Write, path_) || ::ftruncate(fd, static_cast<off_t>(size)) != 0 ||
        ::lseek(fd, static_cast<off_t>(size), SEEK_SET) < 0)
        return false;
    size_ = size;
    return true;
}

bool OutputFile::sync() {
    return handle_ >= 0 && flushToDevice(handle_, path_);
}

bool OutputFile::close() {
    if (handle_ < 0)
        return true;
    bool ok = ::close(static_cast<int>(handle_)) == 0;
    handle_ = -1;
    return ok;
}

}  // namespace platform
