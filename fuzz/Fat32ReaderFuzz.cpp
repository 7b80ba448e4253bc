// Reads an untrusted FAT32 volume held in memory: its boot sector, its root
// directory and the cluster chain of every file in it. The chain of a file
// never holds more clusters than the volume has, and its pieces add up to it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "MemoryDisk.h"
#include "disk/DiskDevice.h"
#include "disk/Fat32Reader.h"

using namespace disk;
using namespace platform;
using namespace store;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DiskDevice device;
    platform::DiskTarget target;
    target.diskPath = "memory";
    if (!device.open(std::make_unique<fuzz::MemoryDisk>(data, size, 512, 64ULL << 20), target))
        return 0;
    Fat32Reader reader;
    if (!reader.open(device))
        return 0;
    const auto files = reader.rootFiles();
    if (!files)
        return 0;
    for (const FatFile& file : files.value()) {
        ClusterChain chain = reader.chainOf(file.firstCluster, file.size);
        std::uint64_t total = 0;
        for (const auto& run : chain.runs)
            total += run.second;
        if (total != chain.clusters || chain.clusters > reader.clusterCount())
            __builtin_trap();
    }
    return 0;
}
