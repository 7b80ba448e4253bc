#pragma once
// Where a file lies on its volume, as far as the volume tells: the number of
// separate pieces it is stored in.

#include <optional>
#include <string>

namespace platform {

// The pieces of the file at `path`: runs of the volume that follow each other
// count as one. Nothing, with the reason in `error`, when the file system
// does not tell (FUSE file systems, tmpfs) or the file cannot be opened.
std::optional<int> fileFragments(const std::string& path, std::string& error);

// Flushes the file system that holds `path`, so that a reader of the device
// beneath it sees what was written through it.
void syncFileSystem(const std::string& path);

// True when `path` lies on a FUSE file system, whose programs may not
// replace a file in one step as the kernel's file systems do.
bool onFuseFileSystem(const std::string& path);

}  // namespace platform
