#pragma once
// A disk held in memory for the fuzz targets: the input's bytes, then zeros
// up to the size it claims; writes are refused.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/BlockDevice.h"

namespace fuzz {

class MemoryDisk : public platform::BlockDevice {
  public:
    MemoryDisk(const std::uint8_t* data, std::size_t size, std::uint32_t sectorSize,
               std::uint64_t claimedSize)
        : bytes_(data, data + size), sectorSize_(sectorSize), claimedSize_(claimedSize) {}
    bool readAt(std::uint64_t offset, void* data, std::size_t size) override {
        // Beyond the held bytes the disk reads as zeros, up to its claimed size.
        if (offset > claimedSize_ || size > claimedSize_ - offset)
            return false;
        std::memset(data, 0, size);
        if (offset < bytes_.size()) {
            std::size_t n = std::min<std::size_t>(size, bytes_.size() - offset);
            std::memcpy(data, bytes_.data() + offset, n);
        }
        return true;
    }
    bool writeAt(std::uint64_t, const void*, std::size_t) override { return false; }
    bool geometry(platform::BlockGeometry& g) override {
        g = platform::BlockGeometry{};
        g.bytesPerSector = sectorSize_;
        g.sizeBytes = claimedSize_;
        return true;
    }
    bool lock() override { return true; }
    bool unlock() override { return true; }
    bool flush() override { return true; }
    bool rereadPartitions() override { return true; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::uint32_t sectorSize_;
    std::uint64_t claimedSize_;
};

}  // namespace fuzz
