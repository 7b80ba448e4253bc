#include "platform/FilesSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "platform/DescriptorPosix.h"
#include "platform/Flush.h"
#include "platform/HeldPathPosix.h"

namespace platform {
namespace {

// The regular file `at` names, held open; nothing for anything else (a link,
// a folder, a device, nothing). Never follows a link nor waits on a pipe.
Descriptor holdRegularFile(const At& at) {
    struct stat info;
    if (::fstatat(at.folder(), at.name(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode))
        return {};
    Descriptor fd(::openat(at.folder(), at.name(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.valid() && (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)))
        fd.reset();
    return fd;
}

// Flushes the whole file system that holds `path`'s folder.
bool syncDriveOf(const std::string& path) {
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    const std::string folder = parent.empty() ? std::string(".") : parent.string();
    const At at(folder);
    const Descriptor fd(::openat(at.folder(), at.name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.valid() && (flushToDevice(fd.get(), folder, FlushScope::Drive) || errno == EINVAL);
}

// Lets go of a file that `held` kept from being freed once its name is gone:
// Linux's vfat frees its clusters now, and they are flushed. Until its entry's
// removal was on the device, a pull would have left that entry on clusters the
// FAT already calls free; held, a pull can only leave clusters nobody names.
bool release(Descriptor held, const std::string& path) {
    if (!held.valid())
        return true;
    held.reset();
    return syncDriveOf(path);
}

}  // namespace

namespace files_system {

SystemHandle createNew(const std::string& path) {
    const At at(path);
    return SystemHandle(::openat(at.folder(), at.name(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
}

std::int64_t writeSome(std::intptr_t file, std::uint64_t, std::span<const std::uint8_t> data) {
    ssize_t n;
    do {
        n = ::write(static_cast<int>(file), data.data(), data.size());
    } while (n < 0 && errno == EINTR);
    return n;
}

bool finishNew(SystemHandle& file, const std::string& path, bool ok) {
    ok = file.close() && ok;
    if (!ok) {
        int error = errno;
        removeFile(path);
        errno = error;
    }
    return ok;
}

Replacement replace(const std::string& from, const std::string& to) {
    const At source(from), target(to);
    // The file replaced stays allocated until the new entry is on the device.
    Descriptor held = holdRegularFile(target);
    if (::renameat(source.folder(), source.name(), target.folder(), target.name()) != 0)
        return Replacement::Failed;
    bool ok = syncFolderOf(to);
    ok = release(std::move(held), to) && ok;
    return ok ? Replacement::Replaced : Replacement::NotFlushed;
}

bool remove(const std::string& path) {
    const At at(path);
    // Held, the file keeps its clusters until its entry's removal is flushed.
    Descriptor held = holdRegularFile(at);
    if (::unlinkat(at.folder(), at.name(), 0) != 0)
        return errno == ENOENT;
    // Until its folder is flushed, a pull can bring the file back.
    bool ok = syncFolderOf(path);
    return release(std::move(held), path) && ok;
}

}  // namespace files_system

bool syncFolder(const std::string& folder) {
    const At at(folder);
    const Descriptor fd(::openat(at.folder(), at.name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return false;
    // Linux's vfat writes a renamed or new file's size and first cluster into
    // its entry only when the file itself is written back, not when its
    // folder is: the folder flushed first would leave the entry 0 bytes long
    // until then. So the whole file system goes first, then the folder. Some
    // file systems refuse to flush a folder; their entries are written with
    // the files, so that is not a failure.
    return (flushToDevice(fd.get(), folder, FlushScope::Drive) || errno == EINVAL) &&
           (flushToDevice(fd.get(), folder) || errno == EINVAL || errno == EROFS);
}

bool syncFolderOf(const std::string& path) {
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (parent.empty())
        parent = std::filesystem::path(".");
    return syncFolder(parent.string());
}

std::optional<std::vector<std::uint8_t>> readRegularFileAt(const std::string& path,
                                                           std::uint64_t offset,
                                                           std::size_t length) {
    const At at(path);
    const Descriptor fd(
        ::openat(at.folder(), at.name(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid())
        return std::nullopt;
    std::vector<std::uint8_t> bytes(length);
    struct stat info;
    std::size_t done = 0;
    bool ok = ::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode);
    while (ok && done < length) {
        ssize_t n = ::pread(fd.get(), bytes.data() + done, length - done,
                            static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n >= 0;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    if (!ok)
        return std::nullopt;
    bytes.resize(done);
    return bytes;
}

}  // namespace platform
