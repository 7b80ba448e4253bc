#pragma once
// A file written from start to end, with the position known so that a failed
// transfer can be cut back off.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/SystemHandle.h"

namespace platform {

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile() { close(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file anew: a file or link of that name is removed first
    // (never written through), and the new one is created exclusively.
    bool create(const std::string& path);
    bool isOpen() const { return handle_.valid(); }
    // Reserves room for `bytes` bytes from the start without changing the
    // file's size, so that the file system can give the file one run of
    // clusters before it is written. Only a hint: false when it could not.
    bool reserve(std::uint64_t bytes);
    // Writes every byte; false when the system took fewer (a full drive).
    bool write(const void* data, std::size_t size);
    // Bytes in the file so far; the next write goes there.
    std::uint64_t size() const { return size_; }
    // Cuts the file back to `size` bytes and writes on from there.
    bool truncate(std::uint64_t size);
    // Pushes what was written to the device.
    bool sync();
    // False when the system reports that earlier writes failed.
    bool close();
    const std::string& path() const { return path_; }

    std::intptr_t handle() const { return handle_.get(); }
    // Records bytes that something else (an in-kernel copy) appended.
    void advance(std::uint64_t bytes) { size_ += bytes; }

  private:
    SystemHandle handle_;
    std::uint64_t size_ = 0;
    std::string path_;
};

}  // namespace platform
