#pragma once
// The system's side of StagedFile (StagedFilePosix.cpp, StagedFileWin32.cpp):
// how a temporary file is made, a source read and a finished file renamed.
// The order of the steps, their fault points and what each result means are
// StagedFile.cpp's.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/StagedFile.h"

namespace platform::staged_file {

// Creates the new file `path` exclusively, held so that no one else takes it
// for a leftover (platform/StagedFile.h); invalid with errno set (EEXIST
// when the name is taken).
SystemHandle createNew(const std::string& path);

// The reason for the last failure of this thread, in this system's words.
std::string reason();

// A regular file opened for reading, never through a link.
struct Source {
    SystemHandle handle;
    std::uint64_t size = 0;
};
// False with the reason in `error` ("not a regular file" for anything else).
bool openSource(const std::string& path, Source& source, std::string& error);

// The next bytes of `source` that hold data, at or after `from`: [begin, end).
// A hole of a sparse source is skipped (it stays a hole); begin == end at the
// end of the source.
struct Run {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
};
Run nextData(const Source& source, std::uint64_t from);

// What copying keeps from one step to the next.
struct CopyState {
    bool inKernel = true;  // the kernel copies inside the file system (Linux)
    std::vector<std::uint8_t> buffer;
};
// Copies up to `want` bytes at `from` of `source` to `at` of `out`, whose
// fault point for this step has passed. The bytes copied, or -1 with errno
// set (EIO when the source shrank while it was copied).
std::int64_t copyStep(const Source& source, std::intptr_t out, const std::string& outPath,
                      std::uint64_t from, std::uint64_t at, std::size_t want, CopyState& state);

// Makes `out` at least `length` bytes long (a hole at the end of a source
// counts); false with errno set.
bool extendTo(std::intptr_t out, std::uint64_t length);

// Reserves room for `bytes` bytes without changing the size (a hint).
bool reserve(std::intptr_t file, std::uint64_t bytes);

// How renaming a flushed temporary file to its final name went.
enum class Moved {
    Failed,        // nothing changed; the reason is in `error`
    TargetExists,  // without replacing, the final name is taken; nothing changed
    Renamed,       // renamed; its folder is still to be flushed
    Settled,       // renamed, and its folder flushed
    NotFlushed,    // renamed, but its folder could not be flushed (the reason is in `error`)
};
// Renames the flushed `file`, written at `tempPath`, to `finalPath` (whose
// fault point has passed), replacing a file of that name only when `replace`
// is set; `file` is closed afterwards unless Failed or TargetExists is
// returned.
Moved moveIntoPlace(SystemHandle& file, const std::string& tempPath, const std::string& finalPath,
                    bool replace, std::string& error);

}  // namespace platform::staged_file
