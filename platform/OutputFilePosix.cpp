#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FaultPoint.h"
#include "platform/HeldPathPosix.h"
#include "platform/OutputFile.h"
#include "platform/OutputFileSystem.h"

namespace platform {

SystemHandle output_file::createNew(const std::string& path) {
    const At at(path);
    return SystemHandle(::openat(at.folder(), at.name(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
}

bool OutputFile::reserve(std::uint64_t bytes) {
    return handle_.valid() && bytes > 0 &&
           ::fallocate(static_cast<int>(handle_.get()), FALLOC_FL_KEEP_SIZE, 0,
                       static_cast<off_t>(bytes)) == 0;
}

bool OutputFile::write(const void* data, std::size_t size) {
    if (!handle_.valid())
        return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        if (!fileOpAllowed(FileOp::Write, path_))
            return false;
        ssize_t n = ::write(static_cast<int>(handle_.get()), bytes, size);
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

bool output_file::cut(std::intptr_t file, std::uint64_t size) {
    const int fd = static_cast<int>(file);
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0 &&
           ::lseek(fd, static_cast<off_t>(size), SEEK_SET) >= 0;
}

bool OutputFile::close() {
    return handle_.close();
}

}  // namespace platform
