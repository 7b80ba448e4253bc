#pragma once
// What every Windows file of the platform layer shares: UTF-8 inside the
// program, UTF-16 at the Windows API; long paths; Windows' error codes as the
// errno values the rest of the program reads; opening a file without ever
// following a reparse point (a symbolic link or a junction).
#include <windows.h>

#include <winioctl.h>

#include <cstdint>
#include <string>

#include "platform/Owned.h"

namespace platform::win32 {

struct HandleTraits {
    using Value = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool close(HANDLE handle) { return CloseHandle(handle) != 0; }
};
// A HANDLE that closes itself (platform/Owned.h).
using Handle = Owned<HandleTraits>;

std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& wide);

// `path` as Windows takes it beyond MAX_PATH: absolute, with backslashes and
// the \\?\ prefix (\\?\UNC\ for a share). Device paths (\\.\) stay as given.
std::wstring longPath(const std::string& path);

// Sets errno from a Windows error code (GetLastError() by default) and
// returns false, so that a failing call can end with `return failed();`.
bool failed(DWORD code = GetLastError());
// The system's text for a Windows error code, in UTF-8.
std::string systemMessage(DWORD code);

// Opens `path` itself, never what a reparse point there leads to: a reparse
// point is refused (ELOOP). Folders open too (with `access` 0 or read access).
Handle openNoFollow(const std::string& path, DWORD access, DWORD disposition,
                    DWORD flags = FILE_ATTRIBUTE_NORMAL);

// Whether the open `handle` is a regular file (no folder, no device).
bool isRegularFile(HANDLE handle);

inline HANDLE toHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}
inline std::intptr_t fromHandle(HANDLE handle) {
    return reinterpret_cast<std::intptr_t>(handle);
}

// Reads up to `size` bytes at `offset` of `handle` (`done` receives how many:
// fewer at the end of the file), or writes all of them; false, with errno
// set, on failure.
bool readAt(HANDLE handle, std::uint64_t offset, void* data, std::size_t size, std::size_t& done);
bool writeAt(HANDLE handle, std::uint64_t offset, const void* data, std::size_t size);

// DeviceIoControl, through the hook of DeviceControl.h when one is set. On
// failure GetLastError() tells why, as from the system.
bool control(HANDLE handle, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
             DWORD* returned = nullptr);

}  // namespace platform::win32
