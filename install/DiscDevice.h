#pragma once
// What the disc reader needs of a source: reads at byte offsets. The real one
// is a drive's device or an image file; tests put in a device of their own.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/OutputFile.h"
#include "platform/RawFile.h"

namespace install {

class DiscDevice {
  public:
    virtual ~DiscDevice() = default;
    // Reads up to `length` bytes at byte `offset`: the count read (fewer near
    // the end of the medium), or -1 when the read failed.
    virtual std::int64_t read(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) = 0;
    // Bytes on the medium; nothing when the device cannot tell.
    virtual std::optional<std::uint64_t> size() { return std::nullopt; }
    // Appends bytes at `offset` to `out` without passing them through this
    // process, where the device can; the default says it cannot.
    virtual platform::SendResult sendTo(std::uint64_t, std::size_t, platform::OutputFile&) {
        return {0, true, true};
    }
};

// Opens a source by its path; null when it cannot be opened, with the reason
// in `why` where there is more to say than that.
using DiscOpener =
    std::function<std::unique_ptr<DiscDevice>(const std::string& path, std::string& why)>;

// An optical drive's device (/dev/sr0) or a disc image file, read-only: an
// ISO image, a CUE sheet or a bare BIN of raw sectors (install/RawSectorImage.h).
std::unique_ptr<DiscDevice> openDiscDevice(const std::string& path, std::string& why);

// The file or device itself as 2048-byte sectors.
std::unique_ptr<DiscDevice> openPlainDiscDevice(platform::RawFile file);

}  // namespace install
