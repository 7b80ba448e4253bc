#pragma once
// A new file written under a temporary name beside its final one, flushed and
// renamed into place only when it is complete, and removed on every other
// way out, so that the final name never shows a partial file. The temporary
// file is held locked while it is written, so that no one else takes it for
// a leftover.

#include <cstdint>
#include <string>

#include "platform/FileTransfer.h"
#include "platform/SystemHandle.h"

namespace platform {

enum class CommitResult {
    Committed,
    TargetExists,
    Failed,
    NotFlushed,  // the file has its final name, but the folder could not be flushed
};

class StagedFile {
  public:
    StagedFile() = default;
    ~StagedFile() { discard(); }
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates a new, empty temporary file in the folder of `finalPath`
    // (never an existing file); false with the system's reason in `error`.
    bool create(const std::string& finalPath, std::string& error);
    // Appends the whole of the regular file `source`; `progress` hears the
    // bytes appended from it so far and may cancel.
    CopyOutcome append(const std::string& source, const CopyProgress& progress);
    // Reserves room for `bytes` bytes without changing the size (a hint, as
    // OutputFile::reserve), so that the file can lie in one run of clusters.
    bool reserve(std::uint64_t bytes);
    // Flushes what was appended to the device.
    bool flush();
    // The temporary file's path while it exists.
    const std::string& tempPath() const { return tempPath_; }
    // Flushes the file and gives it its final name, replacing a file of that
    // name only when `replace` is set; the temporary file is gone afterwards
    // unless TargetExists is returned (discard() then removes it).
    CommitResult commit(bool replace, std::string& error);
    // Removes the temporary file, if it is still there.
    void discard();

  private:
    SystemHandle file_;
    std::uint64_t written_ = 0;  // bytes appended so far
    std::string tempPath_;
    std::string finalPath_;
};

// Whether a StagedFile, of this process or another, still writes the file at
// `path`: while it lives it holds its temporary file locked (where the system
// cannot lock, it holds it open without sharing its removal).
bool stagedFileHeld(const std::string& path);

}  // namespace platform
