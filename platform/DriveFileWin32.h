#pragma once
// Files on a drive opened by handle and changed through that same handle, so
// that no path is resolved twice: never through a link (a reparse point, or
// under Wine a Unix symbolic link, which Wine shows as the file it leads to),
// and on a held drive (platform/DriveIdentity.h) relative to the root folder
// opened when the hold began, on the volume that root was on.
#include <string>

#include "platform/WideWin32.h"

namespace platform::win32 {

// What the system says of an opened file, beside the name it was opened by.
struct OpenedFile {
    DWORD attributes = 0;    // the handle's FILE_ATTRIBUTE_* bits
    std::wstring finalPath;  // where the handle leads; empty when the system cannot tell
    std::wstring namedPath;  // the final path of its folder and the name asked for
    std::wstring longNamed;  // the same with the name's long form; empty when unknown
};

// Whether the opened file is a link rather than the file of that name.
bool isLink(const OpenedFile& file);

// Opens `path` itself with `access` (CREATE_NEW or OPEN_EXISTING as
// `disposition`). Refused, with errno ELOOP, when it is a link. On a held
// drive it is opened relative to the held root folder.
Handle openOnDrive(const std::string& path, DWORD access, DWORD disposition,
                   DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                   DWORD flags = 0);

// Removes the file that `file` (opened with DELETE access) is; it goes when
// the last handle on it closes.
bool removeOpened(HANDLE file);

// Gives the file that `file` (opened with DELETE access) is the name `to`,
// replacing a file of that name only when `replace` is set. On a held drive
// the new name is taken relative to its held root.
bool renameOpened(HANDLE file, const std::string& to, bool replace);

// Removes the file that `file` (opened with DELETE access) made at `path`
// on a failing way out, closes it and flushes its folder; errno is kept.
void discardMade(Handle& file, const std::string& path);

// Renames `from` to `to` through a handle opened on `from` (replacing a file
// named `to` only when `replace` is set) and writes the change through to the
// device. False with errno set; `sourceMissing` tells whether `from` was not
// there.
bool moveOnDrive(const std::string& from, const std::string& to, bool replace, bool& sourceMissing);

}  // namespace platform::win32
