#pragma once
// One part file being written. Sectors are gathered in a large buffer so that
// the system sees few large writes; the buffer is allocated once and reused
// for every part, so memory does not grow with the disc.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "install/DiscDevice.h"
#include "install/WriteBehind.h"
#include "platform/OutputFile.h"

namespace install {

class PartFile {
  public:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 20;

    // Creates the file anew (whatever stood under its name is removed first,
    // a link included, and never written through) and reserves `expectedBytes`
    // for it, so that the part lies in one run of clusters where the drive has one.
    bool open(const std::string& path, std::uint64_t expectedBytes = 0);
    bool isOpen() const { return file_.isOpen(); }
    const std::string& path() const { return path_; }

    // Appends bytes; false when they, or data buffered before them, could not be written.
    bool write(const std::uint8_t* data, std::size_t size);
    // Appends `length` bytes of the device at `offset` with an in-kernel copy.
    // True when all of them arrived; otherwise the file is cut back to where
    // it was, and `unsupported` tells whether the device can do this at all.
    bool appendFrom(DiscDevice& device, std::uint64_t offset, std::size_t length,
                    bool& unsupported);
    // Closes without writing what is buffered: the file is about to go.
    void abandon();
    // Writes what is buffered, flushes the file to the device and closes;
    // false when any of that failed. Harmless when closed.
    bool close();

  private:
    bool flush();
    // Hands what was written so far to the device a window at a time.
    void writeBehind();

    platform::OutputFile file_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
    std::string path_;
    WriteBehind behind_;
};

}  // namespace install
