#pragma once
// File operations that need the operating system beyond the standard library.
// Nothing here writes through a symbolic link: a link that stands where a
// file is written is removed first (the link, never what it points to), and
// new files are created exclusively.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

// Creates `path` anew (removing a file or link of that name first), writes
// `data` and flushes it to the device. On failure the partial file is
// removed and false is returned.
bool writeFileSynced(const std::string& path, std::span<const std::uint8_t> data);

enum class Replacement {
    Replaced,    // `to` is the new file, and the folder is flushed
    Failed,      // nothing changed; errno tells why
    NotFlushed,  // `to` is the new file, but the folder could not be flushed
                 // (errno tells why): a power cut may still bring the old one back
};

// Replaces `to` with `from` in one atomic step (both in the same folder) and
// flushes the folder, so that a reader finds either the old or the new file.
Replacement replaceFile(const std::string& from, const std::string& to);

// Removes a file (a link itself, not its target) and flushes its folder, so
// that the file stays gone; a missing file is not an error. False when it
// could not be removed, or its removal may not be on the device.
bool removeFile(const std::string& path);

// Flushes the folder's entries (new, renamed and removed names) to the
// device, and on Linux first the whole file system: what a renamed or new
// file's entry says of its size and place comes from the file itself.
bool syncFolder(const std::string& folder);

// Flushes the folder that holds `path`.
bool syncFolderOf(const std::string& path);

// Up to `length` bytes at `offset` of the regular file `path` (fewer at its
// end), never read through a link nor waiting on a pipe; nothing when there
// is no regular file or a read fails.
std::optional<std::vector<std::uint8_t>> readRegularFileAt(const std::string& path,
                                                           std::uint64_t offset,
                                                           std::size_t length);

}  // namespace platform
