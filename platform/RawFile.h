#pragma once
// A device (an optical drive) or an image file opened for raw reading at byte
// offsets.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/OutputFile.h"
#include "platform/SystemHandle.h"

namespace platform {

// What an in-kernel transfer came to.
struct SendResult {
    std::int64_t bytes = 0;    // appended to the output
    bool failed = false;       // the device or the output reported an error
    bool unsupported = false;  // this pair of files cannot be copied in the kernel
};

class RawFile {
  public:
    RawFile() = default;
    RawFile(RawFile&& other) noexcept = default;
    RawFile& operator=(RawFile&& other) noexcept = default;
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;

    // Opens the path read-only and tells the system that it will be read
    // from start to end, so that it reads ahead.
    bool open(const std::string& path);
    bool isOpen() const { return handle_.valid(); }
    void close() { handle_.reset(); }
    // Bytes on the medium or in the file; nothing when the system cannot tell.
    std::optional<std::uint64_t> size() const;

    // Reads up to `length` bytes at `offset`. Returns the bytes read (fewer at
    // the end of the file, 0 beyond it) or -1 when the device reports an error.
    std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t length);

    // Appends `length` bytes from `offset` to `out` inside the kernel, without
    // passing them through this process (fewer at the end of the file).
    SendResult sendTo(std::uint64_t offset, std::size_t length, OutputFile& out);

  private:
    SystemHandle handle_;
};

}  // namespace platform
