#pragma once
// Renaming and copying files without ever replacing an existing one.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

enum class RenameResult {
    Renamed,
    TargetExists,   // the old file exists and the new name is taken; nothing changed
    SourceMissing,  // no file of the old name; nothing changed
    Failed,         // any other cause; nothing changed
};

// Renames `from` to `to` in one folder, failing when `to` exists. A missing
// old file is reported as such whether or not the new name is taken.
RenameResult renameNoReplace(const std::string& from, const std::string& to);

enum class CopyResult { Copied, TargetExists, Cancelled, Failed };

struct CopyOutcome {
    CopyResult result = CopyResult::Failed;
    std::string error;  // the system's reason when Failed
};

// Called after each piece with the bytes copied so far and the source's
// size; returning false cancels the copy.
using CopyProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// Bytes copied or written in one step (8 MiB): progress is told and a cancel
// heard in between, and each step passes the fault point once.
inline constexpr std::size_t kCopyStep = 8u << 20;

// Copies `from` to a new file `to` (possibly on another volume) and flushes
// it. An existing `to` is never replaced. A failed or cancelled copy removes
// what it wrote of `to`.
CopyOutcome copyFileNoReplace(const std::string& from, const std::string& to,
                              const CopyProgress& progress);

}  // namespace platform
