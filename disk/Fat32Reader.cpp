#include "disk/Fat32Reader.h"

#include <algorithm>
#include <cstring>

#include "disk/Fat32BootSector.h"
#include "store/LittleEndian.h"

namespace disk {

using namespace store;
using namespace platform;

namespace {

constexpr std::size_t kFatWindowBytes = 256 * 1024;
// A FAT directory holds at most 65536 entries.
constexpr std::uint64_t kMaxDirectoryBytes = 65536 * fat32::kEntryBytes;
constexpr int kLongNameChars = 13;  // UCS-2 characters per long-name entry
constexpr int kMaxLongNameEntries = 20;
// Where the 13 characters of a long-name entry lie.
constexpr std::size_t kLongNameOffsets[kLongNameChars] = {1,  3,  5,  7,  9,  14, 16,
                                                          18, 20, 22, 24, 28, 30};
constexpr std::size_t kLongNameChecksum = 13;

bool isBootSectorOfFat32(const std::uint8_t* s) {
    return s[fat32::kSignature] == 0x55 && s[fat32::kSignature + 1] == 0xAA &&
           std::memcmp(s + fat32::kFileSystemType, "FAT32   ", 8) == 0;
}

bool powerOfTwo(std::uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

std::uint8_t shortNameChecksum(const std::uint8_t* name) {
    std::uint8_t sum = 0;
    for (int i = 0; i < 11; ++i)
        sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + name[i]);
    return sum;
}

std::string shortName(const std::uint8_t* entry) {
    auto part = [&](std::size_t from, std::size_t width, bool lower) {
        std::string text(reinterpret_cast<const char*>(entry + from), width);
        text.erase(text.find_last_not_of(' ') + 1);
        if (lower) {
            for (char& c : text) {
                if (c >= 'A' && c <= 'Z')
                    c = static_cast<char>(c - 'A' + 'a');
            }
        }
        return text;
    };
    const std::uint8_t flags = entry[fat32::kEntryCaseFlags];
    std::string base = part(0, 8, (flags & 0x08) != 0);
    if (!base.empty() && static_cast<std::uint8_t>(base[0]) == 0x05)
        base[0] = static_cast<char>(0xE5);  // a name that really begins with 0xE5
    std::string extension = part(8, 3, (flags & 0x10) != 0);
    return extension.empty() ? base : base + "." + extension;
}

void appendUtf8(std::string& out, std::uint16_t c) {
    if (c >= 0xD800 && c <= 0xDFFF) {
        out += '?';  // a surrogate half: not worth pairing up for a file name here
    } else if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Gathers the long-name entries that precede a short entry; they come last
// piece first, each numbered and carrying the short name's checksum.
class LongName {
  public:
    void reset() { expected_ = 0, valid_ = false; }
    void add(const std::uint8_t* entry) {
        const int order = entry[0] & 0x1F;
        if ((entry[0] & 0x40) != 0) {
            if (order < 1 || order > kMaxLongNameEntries) {
                reset();
                return;
            }
            chars_.assign(static_cast<std::size_t>(order) * kLongNameChars, 0xFFFF);
            checksum_ = entry[kLongNameChecksum];
            expected_ = order;
            valid_ = true;
        }
        if (!valid_ || order != expected_ || entry[kLongNameChecksum] != checksum_) {
            reset();
            return;
        }
        for (int i = 0; i < kLongNameChars; ++i) {
            chars_[static_cast<std::size_t>((order - 1) * kLongNameChars + i)] =
                readLe16(entry + kLongNameOffsets[i]);
        }
        --expected_;
    }
    // The name, when a complete sequence belongs to the short entry.
    bool nameFor(const std::uint8_t* shortEntry, std::string& name) const {
        if (!valid_ || expected_ != 0 || shortNameChecksum(shortEntry) != checksum_)
            return false;
        name.clear();
        for (std::uint16_t c : chars_) {
            if (c == 0 || c == 0xFFFF)
                break;
            appendUtf8(name, c);
        }
        return !name.empty();
    }

  private:
    std::vector<std::uint16_t> chars_;
    std::uint8_t checksum_ = 0;
    int expected_ = 0;
    bool valid_ = false;
};

using Fat32Failure = store::Failure<Fat32Step>;

}  // namespace

bool Fat32Reader::readBytes(std::uint64_t offset, std::uint8_t* out, std::size_t size) {
    if (device_ == nullptr || deviceSectorBytes_ == 0)
        return false;
    const std::uint64_t first = offset / deviceSectorBytes_;
    const std::uint64_t end = (offset + size + deviceSectorBytes_ - 1) / deviceSectorBytes_;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>((end - first) * deviceSectorBytes_));
    if (!device_->readSectors(first, buffer.data(), static_cast<std::uint32_t>(end - first)))
        return false;
    std::memcpy(out, buffer.data() + (offset - first * deviceSectorBytes_), size);
    return true;
}

store::Outcome<Fat32Step> Fat32Reader::open(DiskDevice& device) {
    device_ = &device;
    fatWindowStart_ = UINT64_MAX;
    DiskGeometry geometry;
    if (!device.getGeometry(geometry) || geometry.BytesPerSector == 0)
        return Fat32Failure{
            Fat32Step::ReadBootSector, {}, "the drive's sector size cannot be read"};
    deviceSectorBytes_ = geometry.BytesPerSector;
    std::uint8_t boot[512];
    if (!readBytes(0, boot, sizeof boot))
        return Fat32Failure{Fat32Step::ReadBootSector, {}, "the boot sector cannot be read"};
    if (!isBootSectorOfFat32(boot))
        return Fat32Failure{Fat32Step::ReadBootSector, {}, "the volume holds no FAT32 file system"};
    bytesPerSector_ = readLe16(boot + fat32::kBytesPerSector);
    sectorsPerCluster_ = boot[fat32::kSectorsPerCluster];
    const std::uint32_t reserved = readLe16(boot + fat32::kReservedSectors);
    const std::uint32_t fats = boot[fat32::kNumberOfFats];
    const std::uint32_t fatSize = readLe32(boot + fat32::kFatSize32);
    const std::uint32_t total = readLe32(boot + fat32::kTotalSectors32);
    rootCluster_ = readLe32(boot + fat32::kRootCluster);
    const std::uint64_t metadata = std::uint64_t{reserved} + std::uint64_t{fats} * fatSize;
    if (bytesPerSector_ < 512 || bytesPerSector_ > 4096 || !powerOfTwo(bytesPerSector_) ||
        !powerOfTwo(sectorsPerCluster_) || reserved == 0 || fats == 0 || fats > 2 || fatSize == 0 ||
        readLe16(boot + fat32::kFatSize16) != 0 || metadata >= total) {
        return Fat32Failure{
            Fat32Step::ReadBootSector, {}, "the boot sector of the volume is damaged"};
    }
    const std::uint64_t clusters = (total - metadata) / sectorsPerCluster_;
    const std::uint64_t fatCapacity = std::uint64_t{fatSize} * bytesPerSector_ / 4;
    clusterCount_ = static_cast<std::uint32_t>(
        std::min<std::uint64_t>({clusters, fatCapacity > 2 ? fatCapacity - 2 : 0,
                                 fat32::kBadCluster - fat32::kFirstDataCluster}));
    if (clusterCount_ == 0 || !validCluster(rootCluster_))
        return Fat32Failure{
            Fat32Step::ReadBootSector, {}, "the boot sector of the volume is damaged"};
    fatOffset_ = std::uint64_t{reserved} * bytesPerSector_;
    dataOffset_ = metadata * bytesPerSector_;
    return {};
}

bool Fat32Reader::fatEntry(std::uint32_t cluster, std::uint32_t& value) {
    const std::uint64_t at = std::uint64_t{cluster} * 4;
    const std::uint64_t window = at - at % kFatWindowBytes;
    if (window != fatWindowStart_) {
        const std::uint64_t fatBytes = (std::uint64_t{clusterCount_} + 2) * 4;
        const std::size_t size =
            static_cast<std::size_t>(std::min<std::uint64_t>(kFatWindowBytes, fatBytes - window));
        fatWindow_.resize(size);
        fatWindowStart_ = UINT64_MAX;
        if (!readBytes(fatOffset_ + window, fatWindow_.data(), size))
            return false;
        fatWindowStart_ = window;
    }
    value = readLe32(fatWindow_.data() + (at - window)) & fat32::kClusterMask;
    return true;
}

ClusterChain Fat32Reader::chainOf(std::uint32_t firstCluster, std::uint64_t bytes) {
    ClusterChain chain;
    const std::uint64_t expected = (bytes + clusterBytes() - 1) / clusterBytes();
    if (firstCluster == 0) {
        chain.broken = expected != 0;
        return chain;
    }
    std::uint32_t cluster = firstCluster;
    for (;;) {
        // Outside the data area, or longer than the file: a loop ends here too,
        // and what is kept never grows beyond what the file's size needs.
        if (!validCluster(cluster) || chain.clusters >= clusterCount_ ||
            chain.clusters > expected) {
            chain.broken = true;
            return chain;
        }
        ++chain.clusters;
        if (!chain.runs.empty() && chain.runs.back().first + chain.runs.back().second == cluster) {
            ++chain.runs.back().second;
        } else {
            chain.runs.emplace_back(cluster, 1);
        }
        std::uint32_t next = 0;
        if (!fatEntry(cluster, next)) {
            chain.broken = true;
            return chain;
        }
        if (next >= fat32::kEndOfChain)
            break;
        cluster = next;  // free (0), reserved (1) and bad clusters fail the check above
    }
    chain.broken = chain.clusters != expected;
    return chain;
}

store::Result<std::vector<FatFile>, Fat32Step> Fat32Reader::rootFiles() {
    std::vector<FatFile> files;
    // A directory has no size of its own: its chain is followed as far as the
    // largest directory reaches, and a shorter one is whole, not broken.
    ClusterChain root = chainOf(rootCluster_, kMaxDirectoryBytes);
    if (root.runs.empty())
        return Fat32Failure{
            Fat32Step::ReadRootDirectory, {}, "the root directory's cluster chain is damaged"};
    std::vector<std::uint8_t> cluster(clusterBytes());
    LongName longName;
    std::uint64_t read = 0;
    for (const auto& [first, count] : root.runs) {
        for (std::uint32_t c = first; c < first + count && read < kMaxDirectoryBytes; ++c) {
            const std::uint64_t offset = dataOffset_ + std::uint64_t{c - 2} * clusterBytes();
            if (!readBytes(offset, cluster.data(), cluster.size()))
                return Fat32Failure{
                    Fat32Step::ReadRootDirectory, {}, "the root directory cannot be read"};
            read += cluster.size();
            for (std::size_t at = 0; at < cluster.size(); at += fat32::kEntryBytes) {
                const std::uint8_t* e = cluster.data() + at;
                if (e[0] == fat32::kEntryEnd)
                    return files;
                const std::uint8_t attributes = e[fat32::kEntryAttributes];
                if (e[0] == fat32::kEntryFree) {
                    longName.reset();
                } else if ((attributes & 0x3F) == fat32::kAttributeLongName) {
                    longName.add(e);
                } else if ((attributes & fat32::kAttributeVolumeLabel) != 0) {
                    longName.reset();
                } else {
                    FatFile file;
                    if (!longName.nameFor(e, file.name))
                        file.name = shortName(e);
                    longName.reset();
                    file.firstCluster = std::uint32_t{readLe16(e + fat32::kEntryClusterHigh)}
                                            << 16 |
                                        readLe16(e + fat32::kEntryClusterLow);
                    file.size = readLe32(e + fat32::kEntrySize);
                    file.directory = (attributes & fat32::kAttributeDirectory) != 0;
                    files.push_back(file);
                }
            }
        }
    }
    return files;
}

store::Outcome<Fat32Step> openFat32Volume(DiskDevice& device, const std::string& path) {
    if (!device.open(path))
        return Fat32Failure{Fat32Step::OpenDrive, path, "the drive cannot be opened"};
    DiskGeometry geometry;
    std::vector<std::uint8_t> sector(4096);
    if (!device.getGeometry(geometry) || geometry.BytesPerSector == 0 ||
        geometry.BytesPerSector > sector.size() || !device.readSectors(0, sector.data(), 1))
        return Fat32Failure{Fat32Step::OpenDrive, path, "the drive cannot be read"};
    if (isBootSectorOfFat32(sector.data()) || device.namesPartition())
        return {};
    std::vector<PartitionInformation> entries;
    if (!device.getDriveLayout(entries))
        return Fat32Failure{Fat32Step::FindVolume, path,
                            "the drive holds neither a FAT32 volume nor a partition table"};
    const PartitionInformation* largest = nullptr;
    for (const PartitionInformation& entry : entries) {
        if (entry.PartitionLength > 0 &&
            (largest == nullptr || entry.PartitionLength > largest->PartitionLength))
            largest = &entry;
    }
    if (largest == nullptr || !device.selectVolume(*largest))
        return Fat32Failure{Fat32Step::FindVolume, path,
                            "the drive has no partition that can be read"};
    return {};
}

}  // namespace disk
