#include <cerrno>

#include "platform/DriveFileWin32.h"
#include "platform/FaultPoint.h"
#include "platform/StagedFileSystem.h"
#include "platform/WideWin32.h"

namespace platform {

using namespace win32;

namespace staged_file {

SystemHandle createNew(const std::string& path) {
    // Shared with no writer and no removal while it lives (stagedFileHeld).
    Handle file =
        openOnDrive(path, GENERIC_READ | GENERIC_WRITE | DELETE, CREATE_NEW, FILE_SHARE_READ);
    return file.valid() ? SystemHandle(fromHandle(file.release())) : SystemHandle();
}

std::string reason() {
    return lastErrorText();
}

bool openSource(const std::string& path, Source& source, std::string& error) {
    // A part is never read through a link: it could lead off the drive.
    Handle opened =
        openOnDrive(path, GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ, FILE_FLAG_SEQUENTIAL_SCAN);
    LARGE_INTEGER size{};
    if (!opened.valid() || !isRegularFile(opened.get()) || !GetFileSizeEx(opened.get(), &size)) {
        error = !opened.valid() ? lastErrorText() : "not a regular file";
        return false;
    }
    source.handle = SystemHandle(fromHandle(opened.release()));
    source.size = static_cast<std::uint64_t>(size.QuadPart);
    return true;
}

Run nextData(const Source& source, std::uint64_t from) {
    return {from, source.size};  // every byte is copied
}

std::int64_t copyStep(const Source& source, std::intptr_t out, const std::string&,
                      std::uint64_t from, std::uint64_t at, std::size_t want, CopyState& state) {
    if (state.buffer.empty())
        state.buffer.resize(kCopyStep);
    std::size_t got = 0;
    if (!readAt(toHandle(source.handle.get()), from, state.buffer.data(), want, got))
        return -1;
    if (got == 0) {
        errno = EIO;  // the source shrank while it was copied
        return -1;
    }
    if (!writeAt(toHandle(out), at, state.buffer.data(), got))
        return -1;
    return static_cast<std::int64_t>(got);
}

bool extendTo(std::intptr_t, std::uint64_t) {
    return true;  // every byte was written, holes too
}

bool reserve(std::intptr_t file, std::uint64_t bytes) {
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(bytes);
    return SetFileInformationByHandle(toHandle(file), FileAllocationInfo, &allocation,
                                      sizeof allocation) != 0;
}

Moved moveIntoPlace(SystemHandle& file, const std::string&, const std::string& finalPath,
                    bool replace, std::string& error) {
    // Renamed through the handle it was written by: the name it goes to is
    // never resolved through a link, and no path is looked up again.
    HANDLE handle = toHandle(file.get());
    if (!renameOpened(handle, finalPath, replace)) {
        const bool taken = !replace && errno == EEXIST;
        error = lastErrorText();
        return taken ? Moved::TargetExists : Moved::Failed;
    }
    FlushFileBuffers(handle);  // the new name written through
    if (!(file.close() || failed())) {
        error = lastErrorText();
        return Moved::NotFlushed;
    }
    return Moved::Renamed;
}

}  // namespace staged_file

bool stagedFileHeld(const std::string& path) {
    // A StagedFile shares neither writing nor removal of its file.
    HANDLE file = CreateFileW(longPath(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(file);
    return false;
}

}  // namespace platform
