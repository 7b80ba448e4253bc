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
#include "store/Failure.h"

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

// Where opening a source stopped. A failure's object is the path opened.
enum class DiscOpenStep {
    Open,     // the file or drive cannot be opened: the reason is the system's, or
              // empty where it gave none
    Kind,     // it is no file or drive (a FIFO, a terminal)
    Sheet,    // the CUE sheet names no data track that can be read
    Track,    // the track file cannot be opened
    Sectors,  // the raw sectors are not whole, or one is damaged
};
using DiscOpenFailure = store::Failure<DiscOpenStep>;
using DiscOpenResult = store::Result<std::unique_ptr<DiscDevice>, DiscOpenStep>;

// Opens a source by its path.
using DiscOpener = std::function<DiscOpenResult(const std::string& path)>;

// An optical drive's device (/dev/sr0) or a disc image file, read-only: an
// ISO image, a CUE sheet or a bare BIN of raw sectors (install/RawSectorImage.h).
DiscOpenResult openDiscDevice(const std::string& path);

// The file or device itself as 2048-byte sectors.
std::unique_ptr<DiscDevice> openPlainDiscDevice(platform::RawFile file);

}  // namespace install
