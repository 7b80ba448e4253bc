#pragma once
// The system's side of renameNoReplace (FileTransferPosix.cpp,
// FileTransferWin32.cpp); the order of its results is FileTransfer.cpp's.

#include <string>

namespace platform::file_transfer {

// Renames `from` to `to` unless `to` exists; false with errno set (EEXIST
// when `to` is taken), and `sourceMissing` set when there is no `from`.
bool moveNoReplace(const std::string& from, const std::string& to, bool& sourceMissing);

}  // namespace platform::file_transfer
