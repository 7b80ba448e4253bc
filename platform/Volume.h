#pragma once
// Questions about the volume and folder that stand for a drive.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct VolumeSpace {
    std::uint64_t total = 0;      // size of the volume in bytes
    std::uint64_t free = 0;       // all free bytes of the volume
    std::uint64_t available = 0;  // free bytes this process may use
};

// Space of the volume that holds `path`; nothing when the query fails.
std::optional<VolumeSpace> volumeSpace(const std::string& path);

// Whether two paths name the same folder, however they are spelled
// (a trailing separator, "..", a link). False when either does not exist.
bool sameFolder(const std::string& a, const std::string& b);

// Size of a regular file; nothing when there is no regular file at `path`
// (a symbolic link is none, whatever it points to).
std::optional<std::uint64_t> regularFileSize(const std::string& path);

// Whether anything (a file, a folder, a link, even a dangling one) has this name.
bool pathTaken(const std::string& path);

}  // namespace platform
