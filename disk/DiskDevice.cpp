#include "disk/DiskDevice.h"

#include <algorithm>
#include <cstring>

#include "store/LittleEndian.h"

namespace disk {

using namespace store;
using namespace platform;

namespace {

constexpr std::uint32_t kFixedMedia = 12;
constexpr std::uint32_t kDefaultHeads = 255;
constexpr std::uint32_t kDefaultSectorsPerTrack = 63;
// Rounds of searching for signatures; each round erases all it finds.
constexpr int kEraseRounds = 16;

void encodeGeometry(std::uint8_t* p, const DiskGeometry& g) {
    writeLe64(p, g.Cylinders);
    writeLe32(p + 8, g.MediaType);
    writeLe32(p + 12, g.TracksPerCylinder);
    writeLe32(p + 16, g.SectorsPerTrack);
    writeLe32(p + 20, g.BytesPerSector);
}

DiskGeometry decodeGeometry(const std::uint8_t* p) {
    DiskGeometry g;
    g.Cylinders = readLe64(p);
    g.MediaType = readLe32(p + 8);
    g.TracksPerCylinder = readLe32(p + 12);
    g.SectorsPerTrack = readLe32(p + 16);
    g.BytesPerSector = readLe32(p + 20);
    return g;
}

void encodePartitionInfo(std::uint8_t* p, const PartitionInformation& info) {
    std::memset(p, 0, disk_control::kPartitionInfoSize);
    writeLe64(p, info.StartingOffset);
    writeLe64(p + 8, info.PartitionLength);
    writeLe32(p + 16, info.HiddenSectors);
    writeLe32(p + 20, info.PartitionNumber);
    p[24] = info.PartitionType;
    p[25] = info.BootIndicator;
    p[26] = info.RecognizedPartition;
    p[27] = info.RewritePartition;
}

PartitionInformation decodePartitionInfo(const std::uint8_t* p) {
    PartitionInformation info;
    info.StartingOffset = readLe64(p);
    info.PartitionLength = readLe64(p + 8);
    info.HiddenSectors = readLe32(p + 16);
    info.PartitionNumber = readLe32(p + 20);
    info.PartitionType = p[24];
    info.BootIndicator = p[25] != 0;
    info.RecognizedPartition = p[26] != 0;
    info.RewritePartition = p[27] != 0;
    return info;
}

}  // namespace

DiskDevice::~DiskDevice() {
    close();
}

bool DiskDevice::open(const std::string& path) {
    platform::DiskTarget target;
    if (!platform::resolveDiskTarget(path, target))
        return false;
    std::unique_ptr<platform::BlockDevice> device = platform::openBlockDevice(target.diskPath);
    if (!device)
        return false;
    return open(std::move(device), target);
}

bool DiskDevice::open(std::unique_ptr<platform::BlockDevice> device,
                      const platform::DiskTarget& target) {
    close();
    if (!device)
        return false;
    device_ = std::move(device);
    target_ = target;
    volumeOffset_ = target.isPartition ? target.partitionOffset : 0;
    volumeLength_ = target.isPartition ? target.partitionLength : 0;
    queryGeometry(geometry_);  // a failure leaves no sector size; transfers then fail
    return true;
}

bool DiskDevice::close() {
    device_.reset();  // releases a held lock and closes the device
    geometry_ = DiskGeometry{};
    diskBytes_ = 0;
    volumeOffset_ = volumeLength_ = 0;
    tableKind_ = PartitionTableKind::None;
    return true;
}

bool DiskDevice::queryGeometry(DiskGeometry& geometry) {
    platform::BlockGeometry raw;
    if (!device_->geometry(raw) || raw.bytesPerSector == 0)
        return false;
    geometry = DiskGeometry{};
    geometry.BytesPerSector = raw.bytesPerSector;
    geometry.TracksPerCylinder = raw.heads ? raw.heads : kDefaultHeads;
    geometry.SectorsPerTrack = raw.sectorsPerTrack ? raw.sectorsPerTrack : kDefaultSectorsPerTrack;
    geometry.MediaType = kFixedMedia;
    // The cylinders that fit; the kernel's own cylinder count is 16 bits and wraps.
    geometry.Cylinders = raw.sizeBytes / (static_cast<std::uint64_t>(geometry.BytesPerSector) *
                                          geometry.TracksPerCylinder * geometry.SectorsPerTrack);
    diskBytes_ = raw.sizeBytes;
    return true;
}

bool DiskDevice::control(std::uint32_t code, const void* in, std::uint32_t inSize, void* out,
                         std::uint32_t outSize) {
    if (!device_)
        return false;
    switch (code) {
        case disk_control::kGetDriveGeometry: {
            DiskGeometry geometry;
            if (out == nullptr || outSize < disk_control::kGeometrySize)
                return false;
            if (!queryGeometry(geometry))
                return false;
            encodeGeometry(static_cast<std::uint8_t*>(out), geometry);
            return true;
        }
        case disk_control::kGetDriveLayout:
            return doGetDriveLayout(out, outSize);
        case disk_control::kSetDriveLayout:
            return doSetDriveLayout(in, inSize);
        case disk_control::kSetPartitionInfo:
            return doSetPartitionType(in, inSize);
        case disk_control::kLockVolume:
            return device_->lock();
        case disk_control::kUnlockVolume:
            return device_->unlock();
        case disk_control::kDismountVolume:
            return device_->flush();
        default:
            return false;
    }
}

bool DiskDevice::getGeometry(DiskGeometry& geometry) {
    std::uint8_t record[disk_control::kGeometrySize] = {};
    if (!control(disk_control::kGetDriveGeometry, nullptr, 0, record, sizeof record))
        return false;
    geometry = decodeGeometry(record);
    return true;
}

bool DiskDevice::lockVolume() {
    return control(disk_control::kLockVolume, nullptr, 0, nullptr, 0);
}

bool DiskDevice::unlockVolume() {
    return control(disk_control::kUnlockVolume, nullptr, 0, nullptr, 0);
}

bool DiskDevice::dismountVolume() {
    return control(disk_control::kDismountVolume, nullptr, 0, nullptr, 0);
}

bool DiskDevice::transfer(bool write, std::uint64_t first, void* buffer, std::uint32_t count) {
    if (!device_)
        return false;
    std::uint64_t bps = geometry_.BytesPerSector;
    if (bps == 0)
        return false;
    std::uint64_t bytes = count * bps;
    // Offsets stay inside the volume and never wrap.
    std::uint64_t room = UINT64_MAX - volumeOffset_;
    if (first > room / bps)
        return false;
    std::uint64_t offset = first * bps;
    if (bytes > room - offset)
        return false;
    if (volumeLength_ != 0 && (offset > volumeLength_ || bytes > volumeLength_ - offset)) {
        return false;
    }
    if (bytes == 0)
        return true;
    return write ? device_->writeAt(volumeOffset_ + offset, buffer, bytes)
                 : device_->readAt(volumeOffset_ + offset, buffer, bytes);
}

bool DiskDevice::readSectors(std::uint64_t first, void* buffer, std::uint32_t count) {
    return transfer(false, first, buffer, count);
}

bool DiskDevice::writeSectors(std::uint64_t first, const void* buffer, std::uint32_t count) {
    return transfer(true, first, const_cast<void*>(buffer), count);
}

bool DiskDevice::writeBytes(std::int32_t first, std::uint32_t count, const void* data) {
    std::uint32_t bps = geometry_.BytesPerSector;
    if (!device_ || bps == 0)
        return false;
    // Sign-extended: a negative sector number fails the transfer's range check.
    auto sector = static_cast<std::uint64_t>(static_cast<std::int64_t>(first));
    std::uint32_t whole = count / bps;
    std::uint32_t rest = count % bps;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (whole > 0) {
        if (!writeSectors(sector, bytes, whole))
            return false;
        sector += whole;
    }
    if (rest > 0) {
        // The run ends inside this sector: keep the sector's remaining bytes.
        std::vector<std::uint8_t> buffer(bps);
        if (!readSectors(sector, buffer.data(), 1))
            return false;
        std::memcpy(buffer.data(), bytes + static_cast<std::size_t>(whole) * bps, rest);
        if (!writeSectors(sector, buffer.data(), 1))
            return false;
    }
    return true;
}

bool DiskDevice::zeroSectors(std::int32_t first, std::int32_t count) {
    if (count <= 0)
        return true;
    std::uint32_t bps = geometry_.BytesPerSector;
    if (!device_ || bps == 0)
        return false;
    // Large requests instead of one per sector; same bytes end up on the device.
    std::uint32_t perWrite = std::max<std::uint32_t>(1, kZeroChunkBytes / bps);
    perWrite = std::min(perWrite, static_cast<std::uint32_t>(count));
    std::vector<std::uint8_t> zeros(static_cast<std::size_t>(perWrite) * bps, 0);
    auto sector = static_cast<std::uint64_t>(static_cast<std::int64_t>(first));
    std::uint32_t left = static_cast<std::uint32_t>(count);
    while (left > 0) {
        std::uint32_t now = std::min(left, perWrite);
        if (!writeSectors(sector, zeros.data(), now))
            return false;
        sector += now;
        left -= now;
    }
    return true;
}

bool DiskDevice::readDiskSector0(std::vector<std::uint8_t>& sector) {
    std::size_t size = std::max<std::size_t>(geometry_.BytesPerSector, mbr::kSize);
    if (geometry_.BytesPerSector == 0)
        return false;
    sector.assign(size, 0);
    return device_->readAt(0, sector.data(), sector.size());
}

bool DiskDevice::getDriveLayout(std::vector<PartitionInformation>& entries) {
    std::vector<std::uint8_t> buffer(disk_control::kLayoutBufferSize, 0);
    if (!control(disk_control::kGetDriveLayout, nullptr, 0, buffer.data(),
                 disk_control::kLayoutBufferSize)) {
        return false;
    }
    std::uint32_t count = std::min(readLe32(buffer.data()), disk_control::kMaxLayoutEntries);
    entries.clear();
    for (std::uint32_t i = 0; i < count; ++i) {
        entries.push_back(decodePartitionInfo(buffer.data() + disk_control::kLayoutHeaderSize +
                                              i * disk_control::kPartitionInfoSize));
    }
    return true;
}

bool DiskDevice::doGetDriveLayout(void* out, std::uint32_t outSize) {
    if (out == nullptr || outSize < disk_control::kLayoutHeaderSize)
        return false;
    std::vector<std::uint8_t> sector;
    if (!readDiskSector0(sector))
        return false;
    DecodedPartitionTable table = decodePartitionTable(sector, geometry_.BytesPerSector);
    tableKind_ = table.kind;
    // Where the system keeps the table, its own view of it is the layout.
    if (device_->keepsLayout() && table.kind == PartitionTableKind::Mbr)
        return device_->getLayout(out, outSize);
    auto count = static_cast<std::uint32_t>(table.entries.size());
    if (disk_control::kLayoutHeaderSize + count * disk_control::kPartitionInfoSize > outSize) {
        return false;
    }
    auto* p = static_cast<std::uint8_t*>(out);
    writeLe32(p, count);
    writeLe32(p + 4, count ? readLe32(sector.data() + mbr::kDiskSignature) : 0);
    for (std::uint32_t i = 0; i < count; ++i) {
        encodePartitionInfo(
            p + disk_control::kLayoutHeaderSize + i * disk_control::kPartitionInfoSize,
            table.entries[i]);
    }
    return true;
}

bool DiskDevice::setDriveLayout(const PartitionInformation* entries, std::int32_t count) {
    if (count < 1 || static_cast<std::uint32_t>(count) > disk_control::kMaxLayoutEntries) {
        return false;
    }
    std::vector<std::uint8_t> request(disk_control::kLayoutBufferSize, 0);
    writeLe32(request.data(), static_cast<std::uint32_t>(count));
    writeLe32(request.data() + 4, 0);  // the disk signature is always written as 0
    for (std::int32_t i = 0; i < count; ++i) {
        encodePartitionInfo(
            request.data() + disk_control::kLayoutHeaderSize + i * disk_control::kPartitionInfoSize,
            entries[i]);
    }
    auto size = disk_control::kLayoutHeaderSize +
                static_cast<std::uint32_t>(count) * disk_control::kPartitionInfoSize;
    return control(disk_control::kSetDriveLayout, request.data(), size, nullptr, 0);
}

bool DiskDevice::doSetDriveLayout(const void* in, std::uint32_t inSize) {
    if (in == nullptr || inSize < disk_control::kLayoutHeaderSize)
        return false;
    const auto* p = static_cast<const std::uint8_t*>(in);
    std::uint32_t count = readLe32(p);
    if (count < 1 || count > disk_control::kMaxLayoutEntries ||
        disk_control::kLayoutHeaderSize + count * disk_control::kPartitionInfoSize > inSize) {
        return false;
    }
    // The system writes the table and makes the volumes anew itself.
    if (device_->keepsLayout())
        return device_->setLayout(
            in, disk_control::kLayoutHeaderSize + count * disk_control::kPartitionInfoSize);
    std::vector<PartitionInformation> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        PartitionInformation info = decodePartitionInfo(p + disk_control::kLayoutHeaderSize +
                                                        i * disk_control::kPartitionInfoSize);
        // The master boot record holds four entries; more must be unused.
        if (i >= mbr::kEntryCount) {
            if (info.PartitionType != 0)
                return false;
            continue;
        }
        entries.push_back(info);
    }
    std::vector<std::uint8_t> sector;
    if (!readDiskSector0(sector))
        return false;
    PartitionTableKind old = decodePartitionTable(sector, geometry_.BytesPerSector).kind;
    if (old != PartitionTableKind::Mbr && old != PartitionTableKind::Gpt) {
        // No table before: sector 0 held a file system's boot code or
        // nothing of ours to keep; left in place it would hide the new table.
        std::fill(sector.begin(), sector.begin() + mbr::kBootCodeSize, 0);
    }
    if (!encodePartitionTable(sector, entries, geometry_))
        return false;
    if (!device_->writeAt(0, sector.data(), sector.size()))
        return false;
    // Whatever else the system recognises on the disk (a GUID table's
    // headers, the backup at the end included; a file system written over
    // the whole disk) would contradict the new table.
    if (!eraseSignatures(true, "dos"))
        return false;
    if (!device_->flush())
        return false;
    return device_->rereadPartitions();
}

bool DiskDevice::eraseSignatures(bool wholeDisk, const std::string& keep) {
    if (!device_ || diskBytes_ == 0 || volumeOffset_ >= diskBytes_)
        return false;
    const std::uint64_t base = wholeDisk ? 0 : volumeOffset_;
    std::uint64_t size = diskBytes_ - base;
    if (!wholeDisk && volumeLength_ != 0)
        size = std::min(size, volumeLength_);
    for (int round = 0; round < kEraseRounds; ++round) {
        std::vector<platform::Signature> found;
        if (!device_->findSignatures(base, size, found))
            return false;
        bool erased = false;
        for (const platform::Signature& signature : found) {
            if (signature.type == keep)
                continue;
            if (signature.offset > size || signature.length > size - signature.offset ||
                !zeroRange(base + signature.offset, signature.length)) {
                return false;
            }
            erased = true;
        }
        if (!erased)
            return true;
    }
    return false;
}

bool DiskDevice::zeroRange(std::uint64_t offset, std::size_t length) {
    const std::uint64_t bps = geometry_.BytesPerSector ? geometry_.BytesPerSector : mbr::kSize;
    const std::uint64_t first = offset / bps * bps;
    const std::uint64_t end = (offset + length + bps - 1) / bps * bps;
    // Whole sectors, read and written back, so that a device that moves only
    // whole sectors accepts the write.
    std::vector<std::uint8_t> sectors(static_cast<std::size_t>(end - first));
    if (!device_->readAt(first, sectors.data(), sectors.size()))
        return false;
    std::fill_n(sectors.begin() + static_cast<std::ptrdiff_t>(offset - first), length, 0);
    return device_->writeAt(first, sectors.data(), sectors.size());
}

bool DiskDevice::setPartitionType(std::uint8_t type) {
    return control(disk_control::kSetPartitionInfo, &type, 1, nullptr, 0);
}

bool DiskDevice::doSetPartitionType(const void* in, std::uint32_t inSize) {
    if (in == nullptr || inSize < 1 || volumeOffset_ == 0)
        return false;
    std::uint8_t type = *static_cast<const std::uint8_t*>(in);
    std::vector<std::uint8_t> sector;
    if (!readDiskSector0(sector))
        return false;
    DecodedPartitionTable table = decodePartitionTable(sector, geometry_.BytesPerSector);
    if (table.kind != PartitionTableKind::Mbr)
        return false;
    for (std::size_t i = 0; i < table.entries.size(); ++i) {
        const PartitionInformation& entry = table.entries[i];
        if (entry.PartitionType == 0 || entry.StartingOffset != volumeOffset_)
            continue;
        sector[mbr::kFirstEntry + i * mbr::kEntrySize + mbr::kEntryType] = type;
        return device_->writeAt(0, sector.data(), sector.size());
    }
    return false;  // the volume is not a primary partition of this disk
}

bool DiskDevice::selectVolume(const PartitionInformation& partition) {
    if (!device_ || partition.PartitionLength == 0 || partition.StartingOffset == 0)
        return false;
    if (target_.isPartition) {
        return partition.StartingOffset == target_.partitionOffset &&
               partition.PartitionLength <= target_.partitionLength;
    }
    if (partition.StartingOffset > diskBytes_ ||
        partition.PartitionLength > diskBytes_ - partition.StartingOffset) {
        return false;
    }
    volumeOffset_ = partition.StartingOffset;
    volumeLength_ = partition.PartitionLength;
    return true;
}

FormatResult VolumeLock::dismountAndUnlock(std::ostream& out) {
    if (!device_.dismountVolume())
        return formatFailure(out, FormatStep::Unmount, "Failed to unmount drive\n");
    if (!unlock())
        return formatFailure(out, FormatStep::Unmount, "Failed to unlock drive\n");
    return {};
}

}  // namespace disk
