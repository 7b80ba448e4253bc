#pragma once
// The system's side of OutputFile (OutputFilePosix.cpp, OutputFileWin32.cpp);
// the steps of creating and cutting back a file, and their fault points, are
// OutputFile.cpp's.

#include <cstdint>
#include <string>

#include "platform/SystemHandle.h"

namespace platform::output_file {

// Creates `path` exclusively for writing, never through a link of that name;
// invalid with errno set.
SystemHandle createNew(const std::string& path);

// Cuts `file` to `size` bytes and puts its position there; false with errno.
bool cut(std::intptr_t file, std::uint64_t size);

}  // namespace platform::output_file
