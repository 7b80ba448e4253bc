#include "KernelFlushes.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <utility>

namespace {

struct Log {
    std::mutex mutex;
    bool noting = false;
    std::vector<std::string> paths;
};

Log& log() {
    static Log instance;
    return instance;
}

void note(int fd, bool drive) {
    Log& flushes = log();
    std::lock_guard<std::mutex> lock(flushes.mutex);
    if (!flushes.noting)
        return;
    std::error_code error;
    const std::filesystem::path link = "/proc/self/fd/" + std::to_string(fd);
    std::string path = std::filesystem::read_symlink(link, error).string();
    if (error)
        return;
    if (std::filesystem::is_directory(path, error))
        path += '/';
    if (drive)
        path.insert(0, 1, '*');
    flushes.paths.push_back(path);
}

int flushed(int fd, long result, bool drive = false) {
    if (result == 0)
        note(fd, drive);
    return static_cast<int>(result);
}

}  // namespace

extern "C" int fsync(int fd) {
    return flushed(fd, ::syscall(SYS_fsync, fd));
}

extern "C" int fdatasync(int fd) {
    return flushed(fd, ::syscall(SYS_fdatasync, fd));
}

extern "C" int syncfs(int fd) {
    return flushed(fd, ::syscall(SYS_syncfs, fd), true);
}

KernelFlushes::KernelFlushes() {
    std::lock_guard<std::mutex> lock(log().mutex);
    log().paths.clear();
    log().noting = true;
}

KernelFlushes::~KernelFlushes() {
    std::lock_guard<std::mutex> lock(log().mutex);
    log().noting = false;
    log().paths.clear();
}

std::vector<std::string> KernelFlushes::take() {
    std::lock_guard<std::mutex> lock(log().mutex);
    return std::exchange(log().paths, {});
}
