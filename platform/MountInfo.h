#pragma once
// Reading the kernel's table of mounts (/proc/self/mountinfo) as plain text,
// without touching the system, so that every rule can be tested alone.

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One line of mountinfo, with the escaped fields decoded.
struct MountEntry {
    long id = 0;             // mount ID
    long parentId = 0;       // ID of the mount this one sits on
    std::string majorMinor;  // "8:17": the file system's device number
    std::string root;        // folder of the file system seen at the mount point ("/" unless bound)
    std::string mountPoint;  // where it is mounted
    std::string mountOptions;  // per-mount options ("rw,nosuid,...")
    std::string fsType;        // "vfat", "fuseblk", "fuse.fusefat", ...
    std::string source;        // "/dev/sdb1", "tmpfs", "server:/export", ...
    std::string superOptions;  // options of the file system itself
};

// The entries of a mountinfo text in the kernel's order (the order of mounting).
// Lines that do not have the fields of a mount, or whose decoded text would hold
// a NUL byte, are passed over.
std::vector<MountEntry> parseMountInfo(std::string_view text);

// For each entry, whether a later mount covers it: one on the same folder or on a
// folder above it that is not one of the mounts it sits on. What lies under such
// a mount cannot be reached through its mount point.
std::vector<bool> hiddenMounts(const std::vector<MountEntry>& entries);

// Decodes the kernel's octal escapes (\040 for a blank, \134 for a backslash);
// any other backslash stays as it is.
std::string decodeMountField(std::string_view field);

// Whether a comma-separated option list holds `option` as a whole word.
bool hasMountOption(std::string_view options, std::string_view option);

// Whether `path` lies at or below the folder `mountPoint` (whole path components).
bool isPathUnder(std::string_view path, std::string_view mountPoint);

// Orders names such as "sr2" before "sr10": digit runs compare as numbers.
bool naturalLess(std::string_view a, std::string_view b);

}  // namespace platform
