#include "platform/WideWin32.h"

#include "platform/DeviceControl.h"
#include "platform/FaultPoint.h"

#include <cerrno>
#include <vector>

namespace platform::win32 {

namespace {

constexpr DWORD kPiece = 1u << 30;  // the most one ReadFile or WriteFile is given

}  // namespace

std::wstring widen(const std::string& utf8) {
    if (utf8.empty())
        return {};
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
    return wide;
}

std::string narrow(const std::wstring& wide) {
    if (wide.empty())
        return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length,
                        nullptr, nullptr);
    return utf8;
}

std::wstring longPath(const std::string& path) {
    std::wstring wide = widen(path);
    if (wide.rfind(L"\\\\?\\", 0) == 0 || wide.rfind(L"\\\\.\\", 0) == 0)
        return wide;
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return wide;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed)
        return wide;
    full.resize(length);
    if (full.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

bool failed(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
            errno = ENOENT;
            break;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            errno = EEXIST;
            break;
        case ERROR_ACCESS_DENIED:
        case ERROR_PRIVILEGE_NOT_HELD:
            errno = EACCES;
            break;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            errno = ENOSPC;
            break;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_BUSY:
            errno = EBUSY;
            break;
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_FUNCTION:
            errno = EOPNOTSUPP;
            break;
        case ERROR_INVALID_PARAMETER:
        case ERROR_INVALID_NAME:
            errno = EINVAL;
            break;
        case ERROR_WRITE_PROTECT:
            errno = EROFS;
            break;
        case ERROR_DIR_NOT_EMPTY:
            errno = ENOTEMPTY;
            break;
        case ERROR_DIRECTORY:
            errno = ENOTDIR;
            break;
        case ERROR_CANT_ACCESS_FILE:
        case ERROR_CANT_RESOLVE_FILENAME:
            errno = ELOOP;
            break;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            errno = ENOMEM;
            break;
        default:
            errno = EIO;  // a failing device, a missing disc, and the rest
    }
    return false;
}

std::string systemMessage(DWORD code) {
    wchar_t text[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, text, 512, nullptr);
    while (length > 0 &&
           (text[length - 1] == L'\n' || text[length - 1] == L'\r' || text[length - 1] == L'.'))
        --length;
    return length > 0 ? narrow(std::wstring(text, length)) : "error " + std::to_string(code);
}

Handle openNoFollow(const std::string& path, DWORD access, DWORD disposition, DWORD flags) {
    Handle handle(
        CreateFileW(longPath(path).c_str(), access,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                    flags | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.valid()) {
        failed();
        return handle;
    }
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(handle.get(), FileAttributeTagInfo, &tag, sizeof tag) ||
        (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        linkRefused(path);
        return {};
    }
    return handle;
}

bool isRegularFile(HANDLE handle) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    return GetFileType(handle) == FILE_TYPE_DISK &&
           GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) &&
           (tag.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

bool readAt(HANDLE handle, std::uint64_t offset, void* data, std::size_t size, std::size_t& done) {
    done = 0;
    auto* bytes = static_cast<unsigned char*>(data);
    while (done < size) {
        OVERLAPPED at{};
        const std::uint64_t position = offset + done;
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const DWORD want = size - done > kPiece ? kPiece : static_cast<DWORD>(size - done);
        DWORD got = 0;
        if (!ReadFile(handle, bytes + done, want, &got, &at)) {
            const DWORD error = GetLastError();
            if (error == ERROR_HANDLE_EOF)
                return true;
            return failed(error);
        }
        if (got == 0)
            return true;  // the end of the file
        done += got;
    }
    return true;
}

bool writeAt(HANDLE handle, std::uint64_t offset, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        OVERLAPPED at{};
        const std::uint64_t position = offset + done;
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const DWORD want = size - done > kPiece ? kPiece : static_cast<DWORD>(size - done);
        DWORD put = 0;
        if (!WriteFile(handle, bytes + done, want, &put, &at))
            return failed();
        if (put == 0) {
            errno = ENOSPC;
            return false;
        }
        done += put;
    }
    return true;
}

bool control(HANDLE handle, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
             DWORD* returned) {
    DWORD ignored = 0;
    if (returned == nullptr)
        returned = &ignored;
    if (const DeviceControlHook& hook = deviceControlHook()) {
        std::uint32_t got = 0, error = 0;
        const bool ok = hook(fromHandle(handle), code, in, inSize, out, outSize, got, error);
        *returned = got;
        SetLastError(ok ? ERROR_SUCCESS : error);
        return ok;
    }
    return DeviceIoControl(handle, code, const_cast<void*>(in), inSize, out, outSize, returned,
                           nullptr) != 0;
}

}  // namespace platform::win32
