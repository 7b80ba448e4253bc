#pragma once
// File operations that need the operating system beyond the standard library.

#include <cstdint>
#include <span>
#include <string>

namespace platform {

// Creates or truncates `path`, writes `data` and flushes it to the device.
// On failure the partial file is removed and false is returned.
bool writeFileSynced(const std::string& path, std::span<const std::uint8_t> data);

// Replaces `to` with `from` in one atomic step (both in the same folder) and
// flushes the folder, so that a reader finds either the old or the new file.
bool replaceFile(const std::string& from, const std::string& to);

// Removes a file; a missing file is not an error.
bool removeFile(const std::string& path);

}  // namespace platform
