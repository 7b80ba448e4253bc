#pragma once
// The system's side of OutputFile (OutputFilePosix.cpp, OutputFileWin32.cpp);
// the steps of creating, writing and cutting back a file, and their fault points, are
// OutputFile.cpp's.

#include <cstdint>
#include <string>

#include "platform/SystemHandle.h"

namespace platform::output_file {

// Creates `path` exclusively for writing, never through a link of that name;
// invalid with errno set.
SystemHandle createNew(const std::string& path);

// Writes up to `size` bytes of `data` at `offset`, retrying an interrupted
// call; the count written, or -1 with errno.
long long writeSome(std::intptr_t file, std::uint64_t offset, const void* data, std::size_t size);

// Cuts `file` to `size` bytes and puts its position there; false with errno.
bool cut(std::intptr_t file, std::uint64_t size);

}  // namespace platform::output_file
