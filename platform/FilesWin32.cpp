#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "platform/DriveFileWin32.h"
#include "platform/FileTransfer.h"
#include "platform/FilesSystem.h"
#include "platform/Flush.h"
#include "platform/PathText.h"
#include "platform/WideWin32.h"

namespace platform {

using namespace win32;

namespace files_system {

SystemHandle createNew(const std::string& path) {
    // CREATE_NEW never opens what stands there, a reparse point included.
    Handle file = openOnDrive(path, GENERIC_WRITE | DELETE, CREATE_NEW, FILE_SHARE_READ);
    return file.valid() ? SystemHandle(fromHandle(file.release())) : SystemHandle();
}

std::int64_t writeSome(std::intptr_t file, std::uint64_t offset,
                       std::span<const std::uint8_t> data) {
    // One step at a time: one fault point per step, as a write on Linux.
    const std::size_t take = std::min<std::size_t>(kCopyStep, data.size());
    return writeAt(toHandle(file), offset, data.data(), take) ? static_cast<std::int64_t>(take)
                                                              : -1;
}

bool finishNew(SystemHandle& file, const std::string& path, bool ok) {
    if (!ok) {
        Handle made(toHandle(file.release()));
        discardMade(made, path);
        return false;
    }
    if (file.close())
        return true;
    failed();
    const int error = errno;
    removeFile(path);
    errno = error;
    return false;
}

Replacement replace(const std::string& from, const std::string& to) {
    bool sourceMissing = false;
    if (!moveOnDrive(from, to, true, sourceMissing))
        return Replacement::Failed;
    return syncFolderOf(to) ? Replacement::Replaced : Replacement::NotFlushed;
}

bool remove(const std::string& path) {
    // The file itself, by its handle: a link is refused, never followed.
    Handle file = openOnDrive(path, DELETE, OPEN_EXISTING);
    if (!file.valid())
        return errno == ENOENT;
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &tag, sizeof tag) &&
        (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        errno = EACCES;  // a folder is no file to remove, as DeleteFileW says
        return false;
    }
    if (!removeOpened(file.get()) || !(file.close() || failed()))
        return false;
    // A removal reaches the device with its folder's next flush.
    return syncFolderOf(path);
}

}  // namespace files_system

bool syncFolder(const std::string& folder) {
    Handle handle(openNoFollow(folder, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING));
    if (!handle.valid())
        handle = openNoFollow(folder, GENERIC_READ, OPEN_EXISTING);
    if (!handle.valid())
        return false;
    // A folder that cannot be flushed on its own has its entries written
    // with the files (and a rename is written through), so that is no failure.
    const bool ok = flushToDevice(fromHandle(handle.get()), folder, FlushScope::Drive) &&
                    (flushToDevice(fromHandle(handle.get()), folder) || errno == EACCES ||
                     errno == EOPNOTSUPP || errno == EINVAL);
    const int error = errno;
    handle.reset();
    errno = error;
    return ok;
}

bool syncFolderOf(const std::string& path) {
    std::filesystem::path parent = fsPath(path).parent_path();
    if (parent.empty())
        parent = std::filesystem::path(".");
    return syncFolder(pathText(parent));
}

std::optional<std::vector<std::uint8_t>> readRegularFileAt(const std::string& path,
                                                           std::uint64_t offset,
                                                           std::size_t length) {
    const Handle file = openOnDrive(path, GENERIC_READ, OPEN_EXISTING);
    if (!file.valid())
        return std::nullopt;
    std::vector<std::uint8_t> bytes(length);
    std::size_t done = 0;
    const bool ok =
        isRegularFile(file.get()) && readAt(file.get(), offset, bytes.data(), length, done);
    if (!ok)
        return std::nullopt;
    bytes.resize(done);
    return bytes;
}

}  // namespace platform
