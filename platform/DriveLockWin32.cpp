// The drive lock on Windows: LockFileEx on a file in the machine's shared
// program-data folder (C:\ProgramData), one for every user and console of the machine, whose
// name holds the drive's volume serial number and its root folder's file
// index. Windows locks byte ranges of files, not folders, and a file on the
// drive would be seen by the console's loader and by other programs; this one
// lies beside nothing of the drive. The lock ends when the handle closes, also
// when its process is ended. Neither the folder nor a lock file is followed
// through a link.
//
// The last handle on a lock file to close removes it, so that the temporary
// folder does not keep one file for every drive ever used: the closer opens
// the file again with no sharing, which succeeds only while no other holder,
// waiting writer or opener has it open, and the file goes when that handle
// closes. An opener that comes meanwhile meets a sharing violation and tries
// again; once the file is gone it makes a new one, which nobody else can hold.
#include <cstdio>

#include "platform/DriveLockSystem.h"
#include "platform/WideWin32.h"

namespace platform::drive_lock {
namespace {

// The volume and the file index of the root folder.
bool keyOfRoot(const std::string& root, DriveKey& key, DWORD& failure) {
    const win32::Handle folder(CreateFileW(
        win32::longPath(root).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!folder.valid() || !GetFileInformationByHandle(folder.get(), &info)) {
        failure = GetLastError();
        return false;
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        failure = ERROR_DIRECTORY;
        return false;
    }
    key.volume = info.dwVolumeSerialNumber;
    key.folder = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return true;
}

constexpr DWORD kLockFileFlags =
    FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_OPEN_REPARSE_POINT;

// The folder of the machine's drive locks, made if it is not there:
// "ProgramData\Tarnwick Game Installer" on the drive of the system's Windows
// folder (the same for every user and session, and no environment variable
// of one process can move it; the tools import nothing beyond the kernel's
// calls for it). Empty, with `failure` set, when it cannot be had or is a link.
std::string lockFolder(DWORD& failure) {
    wchar_t windows[MAX_PATH + 1] = {};
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH + 1);
    if (length < 3 || length > MAX_PATH || windows[1] != L':') {
        failure = length == 0 ? GetLastError() : ERROR_PATH_NOT_FOUND;
        return {};
    }
    const std::wstring common = std::wstring(windows, 2) + L"\\ProgramData";
    const std::wstring folder = common + L"\\Tarnwick Game Installer";
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        failure = GetLastError();
        return {};
    }
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        failure = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_DIRECTORY;
        return {};
    }
    return win32::narrow(folder.c_str());
}

// Opens the lock file, made anew if it is not there. While the last holder
// removes it, a sharing violation: that takes no longer than two calls, so a
// few more tries find it gone.
HANDLE openLockFile(const std::wstring& path) {
    for (int tries = 0;; ++tries) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, kLockFileFlags, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION ||
            tries == 50)
            return file;
        Sleep(1);
    }
}

// Removes the lock file at `path` when no handle is open on it.
void removeIfUnused(const std::wstring& path) {
    win32::Handle last(CreateFileW(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                   kLockFileFlags | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    last.close();  // which deletes it
}

// The path of the open file, as a path that opens it again; empty when unknown.
std::wstring pathOf(HANDLE file) {
    wchar_t path[MAX_PATH * 4] = {};
    const DWORD length = GetFinalPathNameByHandleW(file, path, MAX_PATH * 4, FILE_NAME_NORMALIZED);
    return length == 0 || length >= MAX_PATH * 4 ? std::wstring() : std::wstring(path, length);
}

// The lock file of the drive whose key is `key`.
std::string lockFilePath(const DriveKey& key, DWORD& failure) {
    const std::string folder = lockFolder(failure);
    if (folder.empty())
        return {};
    char name[64];
    std::snprintf(name, sizeof name, "\\tarnwick-drive-%08llX-%016llX.lock",
                  static_cast<unsigned long long>(key.volume),
                  static_cast<unsigned long long>(key.folder));
    return folder + name;
}

}  // namespace

std::string lockFilePath(const std::string& root) {
    DriveKey key;
    DWORD failure = ERROR_SUCCESS;
    return keyOfRoot(root, key, failure) ? lockFilePath(key, failure) : std::string();
}

Opened open(const std::string& root) {
    Opened opened;
    DWORD failure = ERROR_SUCCESS;
    if (!keyOfRoot(root, opened.key, failure)) {
        const bool missing = failure == ERROR_FILE_NOT_FOUND || failure == ERROR_PATH_NOT_FOUND ||
                             failure == ERROR_DIRECTORY || failure == ERROR_INVALID_NAME;
        opened.status = missing ? DriveLockStatus::NoDrive : DriveLockStatus::Failed;
        opened.error = win32::systemMessage(failure);
        return opened;
    }
    const std::string path = lockFilePath(opened.key, failure);
    if (path.empty()) {
        opened.error = win32::systemMessage(failure);
        return opened;
    }
    opened.handle.reset(win32::fromHandle(openLockFile(win32::longPath(path))));
    if (!opened.handle.valid()) {
        failure = GetLastError();
        if (failure == ERROR_SHARING_VIOLATION)
            opened.status = DriveLockStatus::Busy;
        opened.error = path + ": " + win32::systemMessage(failure);
        return opened;
    }
    opened.status = DriveLockStatus::Locked;
    return opened;
}

DriveLockStatus lock(Handle handle, DriveLockMode mode, std::string& error) {
    HANDLE file = win32::toHandle(handle);
    DWORD flags = LOCKFILE_FAIL_IMMEDIATELY;
    if (mode == DriveLockMode::Exclusive)
        flags |= LOCKFILE_EXCLUSIVE_LOCK;
    OVERLAPPED at{};  // the first byte; a lock may lie beyond the end of the file
    if (LockFileEx(file, flags, 0, 1, 0, &at))
        return DriveLockStatus::Locked;
    const DWORD failure = GetLastError();
    if (failure == ERROR_LOCK_VIOLATION || failure == ERROR_IO_PENDING)
        return DriveLockStatus::Busy;
    error = win32::systemMessage(failure);
    return DriveLockStatus::Failed;
}

// Byte 0 of the lock file holds the drive's lock, byte 1 the marks of waiting writers.
bool onlyReaders(Handle handle) {
    HANDLE file = win32::toHandle(handle);
    OVERLAPPED at{};
    if (!LockFileEx(file, LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
        return false;
    UnlockFileEx(file, 0, 1, 0, &at);
    return true;
}

void markWriterWaiting(Handle handle) {
    OVERLAPPED at{};
    at.Offset = 1;
    LockFileEx(win32::toHandle(handle), LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at);
}

bool writerWaiting(Handle handle) {
    HANDLE file = win32::toHandle(handle);
    OVERLAPPED at{};
    at.Offset = 1;
    if (!LockFileEx(file, LOCKFILE_FAIL_IMMEDIATELY | LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at))
        return GetLastError() == ERROR_LOCK_VIOLATION;
    UnlockFileEx(file, 0, 1, 0, &at);
    return false;
}

}  // namespace platform::drive_lock

namespace platform {

bool DriveLockHandleTraits::close(std::intptr_t handle) {
    HANDLE file = win32::toHandle(handle);
    const std::wstring path = drive_lock::pathOf(file);
    const bool closed = CloseHandle(file) != 0;
    if (!path.empty())
        drive_lock::removeIfUnused(path);
    return closed;
}

}  // namespace platform
