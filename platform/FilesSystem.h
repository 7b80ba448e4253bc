#pragma once
// The system's side of platform/Files.h (FilesPosix.cpp, FilesWin32.cpp);
// which fault point comes before which step is Files.cpp's.

#include <cstdint>
#include <span>
#include <string>

#include "platform/Files.h"
#include "platform/SystemHandle.h"

namespace platform::files_system {

// Creates `path` exclusively for writing, never through a link of that name;
// invalid with errno set.
SystemHandle createNew(const std::string& path);

// Writes some of `data` at `offset` of `file` (the file's own position, which
// is `offset`, on Linux); the bytes written, or 0 or less on failure (errno).
std::int64_t writeSome(std::intptr_t file, std::uint64_t offset,
                       std::span<const std::uint8_t> data);

// Closes the new `file` at `path`, written and flushed when `ok`; otherwise,
// or when it cannot be closed, removes it. Whether it is complete; errno
// tells why not.
bool finishNew(SystemHandle& file, const std::string& path, bool ok);

// Renames `from` over `to` and flushes the folder, whose fault point passed.
Replacement replace(const std::string& from, const std::string& to);

// Removes the file `path` (a link itself) and flushes its folder, whose fault
// point passed; a missing file is no failure.
bool remove(const std::string& path);

}  // namespace platform::files_system
