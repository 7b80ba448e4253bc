#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

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

// Written at the file's position, which stands at `offset`: cut() and the
// kernel's copies (sendfile) move it along with the size OutputFile keeps.
long long output_file::writeSome(std::intptr_t file, std::uint64_t, const void* data,
                                 std::size_t size) {
    for (;;) {
        const ssize_t n = ::write(static_cast<int>(file), data, size);
        if (n >= 0 || errno != EINTR)
            return n;
    }
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
