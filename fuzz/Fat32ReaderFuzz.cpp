// Reads an untrusted FAT32 volume held in memory: its boot sector, its root
// directory and the cluster chain of every file in it. The chain of a file
// never holds more clusters than the volume has, and its pieces add up to it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "disk/DiskDevice.h"
#include "disk/Fat32Reader.h"

namespace {

class MemoryVolume : public platform::BlockDevice {
  public:
    MemoryVolume(const std::uint8_t* data, std::size_t size) : bytes_(data, data + size) {}
    bool readAt(std::uint64_t offset, void* data, std::size_t size) override {
        // Beyond the held bytes the volume reads as zeros, up to its claimed size.
        if (offset > kClaimedSize || size > kClaimedSize - offset)
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
        g.bytesPerSector = 512;
        g.sizeBytes = kClaimedSize;
        return true;
    }
    bool lock() override { return true; }
    bool unlock() override { return true; }
    bool flush() override { return true; }
    bool rereadPartitions() override { return true; }

  private:
    static constexpr std::uint64_t kClaimedSize = 64ULL << 20;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DiskDevice device;
    platform::DiskTarget target;
    target.diskPath = "memory";
    if (!device.open(std::make_unique<MemoryVolume>(data, size), target))
        return 0;
    Fat32Reader reader;
    std::string error;
    std::vector<FatFile> files;
    if (!reader.open(device, error) || !reader.rootFiles(files, error))
        return 0;
    for (const FatFile& file : files) {
        ClusterChain chain = reader.chainOf(file.firstCluster, file.size);
        std::uint64_t total = 0;
        for (const auto& run : chain.runs)
            total += run.second;
        if (total != chain.clusters || chain.clusters > reader.clusterCount())
            __builtin_trap();
    }
    return 0;
}
