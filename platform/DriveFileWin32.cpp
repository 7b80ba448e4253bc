#include "platform/DriveFileWin32.h"

#include <winternl.h>

#include <cerrno>
#include <filesystem>
#include <initializer_list>
#include <vector>

#include "platform/DriveIdentity.h"
#include "platform/FaultPoint.h"
#include "platform/Files.h"
#include "platform/PathText.h"

namespace platform::win32 {
namespace {

constexpr ULONG kFileRenameInformation = 10;  // FILE_INFORMATION_CLASS

// Where `handle` leads, with the volume spelled as `volume` says (its drive
// letter, or the system's device name); empty when the system cannot tell.
std::wstring finalPathOf(HANDLE handle, DWORD volume) {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), volume);
        if (length == 0)
            return {};
        if (length < path.size())
            return std::wstring(path.data(), length);
        path.resize(length + 1);
    }
}

std::wstring withName(std::wstring folder, const std::wstring& name) {
    if (folder.empty())
        return {};
    if (folder.back() != L'\\')
        folder += L'\\';
    return folder + name;
}

std::wstring backslashed(std::wstring name) {
    for (wchar_t& c : name) {
        if (c == L'/')
            c = L'\\';
    }
    return name;
}

bool sameText(const std::wstring& a, const std::wstring& b) {
    return !a.empty() && CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The file `name` relative to the held root's handle.
HANDLE openRelative(const HeldPath& held, DWORD access, DWORD disposition, DWORD share,
                    DWORD flags) {
    std::wstring name = backslashed(widen(held.name));
    UNICODE_STRING objectName{};
    objectName.Buffer = name.data();
    objectName.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    objectName.MaximumLength = objectName.Length;
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, toHandle(held.root),
                               nullptr);
    ULONG options =
        FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT | FILE_SYNCHRONOUS_IO_NONALERT;
    if (flags & FILE_FLAG_SEQUENTIAL_SCAN)
        options |= 0x00000004;  // FILE_SEQUENTIAL_ONLY
    IO_STATUS_BLOCK status{};
    HANDLE handle = INVALID_HANDLE_VALUE;
    const NTSTATUS result =
        NtCreateFile(&handle, access | SYNCHRONIZE | FILE_READ_ATTRIBUTES, &attributes, &status,
                     nullptr, FILE_ATTRIBUTE_NORMAL, share,
                     disposition == CREATE_NEW ? FILE_CREATE : FILE_OPEN, options, nullptr, 0);
    if (result < 0) {
        SetLastError(RtlNtStatusToDosError(result));
        return INVALID_HANDLE_VALUE;
    }
    return handle;
}

// What the opened file is, against the name it was opened by.
OpenedFile describe(HANDLE file, const std::string& path, const HeldPath& held) {
    OpenedFile opened;
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag))
        opened.attributes = tag.FileAttributes;
    const std::filesystem::path asked = fsPath(path);
    std::wstring name = asked.filename().wstring();
    HANDLE folderHandle = toHandle(held.root);
    Handle parent;
    if (held.root >= 0) {
        name = backslashed(widen(held.name));
    } else {
        const std::filesystem::path folder = asked.parent_path();
        parent.reset(CreateFileW(longPath(folder.empty() ? "." : pathText(folder)).c_str(), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        folderHandle = parent.get();
    }
    // By drive letter where the volume has one (Wine knows a drive added
    // while it runs only so), else by the system's name of the volume.
    std::wstring folder;
    for (DWORD volume : {DWORD{VOLUME_NAME_DOS}, DWORD{VOLUME_NAME_NT}}) {
        opened.finalPath = finalPathOf(file, volume);
        folder = folderHandle == INVALID_HANDLE_VALUE ? std::wstring()
                                                      : finalPathOf(folderHandle, volume);
        if (!opened.finalPath.empty() && !folder.empty())
            break;
    }
    opened.namedPath = withName(folder, name);
    if (held.root >= 0 || sameText(opened.finalPath, opened.namedPath))
        return opened;
    // A name given in its short form (PROGRA~1) has its long form in the final path.
    std::wstring full(32768, L'\0');
    const DWORD length = GetLongPathNameW(longPath(path).c_str(), full.data(), 32768);
    if (length > 0 && length < 32768) {
        full.resize(length);
        opened.longNamed = withName(folder, std::filesystem::path(full).filename().wstring());
    }
    return opened;
}

}  // namespace

bool isLink(const OpenedFile& file) {
    if ((file.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return true;
    // Where the system cannot tell where a handle leads, its attributes decide.
    if (file.finalPath.empty() || file.namedPath.empty())
        return false;
    return !sameText(file.finalPath, file.namedPath) && !sameText(file.finalPath, file.longNamed);
}

Handle openOnDrive(const std::string& path, DWORD access, DWORD disposition, DWORD share,
                   DWORD flags) {
    const HeldPath held = heldPath(path);
    Handle file(held.root >= 0
                    ? openRelative(held, access, disposition, share, flags)
                    : CreateFileW(longPath(path).c_str(), access | FILE_READ_ATTRIBUTES, share,
                                  nullptr, disposition,
                                  flags | FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT |
                                      FILE_FLAG_BACKUP_SEMANTICS,
                                  nullptr));
    if (!file.valid()) {
        failed();
        return file;
    }
    // A new file is made, never opened through what stood there; an existing
    // one may be a link, which the program never follows. (On a held drive the
    // file lies in the held root folder, wherever the drive's name leads now.)
    if (disposition == CREATE_NEW || !isLink(describe(file.get(), path, held)))
        return file;
    linkRefused(path);
    return {};
}

bool removeOpened(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0 ||
           failed();
}

bool renameOpened(HANDLE file, const std::string& to, bool replace) {
    const HeldPath held = heldPath(to);
    std::wstring name;
    if (held.root >= 0) {
        name = backslashed(widen(held.name));
    } else {
        // The system's own form of a full path: \??\C:\..., \??\UNC\...
        name = longPath(to);
        if (name.rfind(L"\\\\?\\", 0) == 0)
            name.replace(0, 4, L"\\??\\");
    }
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = held.root >= 0 ? toHandle(held.root) : nullptr;
    rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::copy(name.begin(), name.end(), rename->FileName);
    IO_STATUS_BLOCK status{};
    const NTSTATUS result =
        NtSetInformationFile(file, &status, rename, static_cast<ULONG>(buffer.size()),
                             static_cast<FILE_INFORMATION_CLASS>(kFileRenameInformation));
    if (result < 0)
        return failed(RtlNtStatusToDosError(result));
    return true;
}

void discardMade(Handle& file, const std::string& path) {
    const int error = errno;
    if (fileOpAllowed(FileOp::Remove, path))
        removeOpened(file.get());  // the file made here, whatever has its name now
    file.reset();
    syncFolderOf(path);
    errno = error;
}

bool moveOnDrive(const std::string& from, const std::string& to, bool replace,
                 bool& sourceMissing) {
    // With write access the rename can be flushed as MOVEFILE_WRITE_THROUGH
    // would; a file that another handle keeps from writing is renamed without.
    Handle file = openOnDrive(from, DELETE | GENERIC_WRITE, OPEN_EXISTING);
    if (!file.valid() && (errno == EACCES || errno == EBUSY))
        file = openOnDrive(from, DELETE, OPEN_EXISTING);
    sourceMissing = !file.valid() && errno == ENOENT;
    if (!file.valid())
        return false;
    if (!isRegularFile(file.get())) {
        errno = EISDIR;
        return false;
    }
    if (!renameOpened(file.get(), to, replace))
        return false;
    FlushFileBuffers(file.get());  // a hint: the folder's flush decides
    return file.close() || failed();
}

}  // namespace platform::win32
