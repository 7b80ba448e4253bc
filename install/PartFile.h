#pragma once
// One part file being written. Sectors are gathered in a large buffer so that
// the system sees few large writes; the buffer is allocated once and reused
// for every part, so memory does not grow with the disc.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

class PartFile {
  public:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 20;

    // Creates the file, or empties an existing one.
    bool open(const std::string& path);
    bool isOpen() const { return stream_.is_open(); }
    const std::string& path() const { return path_; }

    // Appends bytes; false when they, or data buffered before them, could not be written.
    bool write(const std::uint8_t* data, std::size_t size);
    // Writes what is buffered and closes; false when that failed. Harmless when closed.
    bool close();

  private:
    bool flush();

    std::ofstream stream_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
    std::string path_;
};
