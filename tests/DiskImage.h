#pragma once
// Sparse disk images for the disk-preparation tests.

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "FakeBlockDevice.h"
#include "disk/DiskDevice.h"
#include "store/LittleEndian.h"

// Creates a sparse image of `size` bytes.
inline void makeImage(const std::string& path, std::uint64_t size) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).close();
    std::filesystem::resize_file(path, size);
}

inline void writeAt(const std::string& path, std::uint64_t offset,
                    const std::vector<std::uint8_t>& bytes) {
    std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(static_cast<std::streamoff>(offset));
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> readAt(const std::string& path, std::uint64_t offset,
                                        std::size_t size) {
    std::vector<std::uint8_t> bytes(size, 0);
    std::ifstream f(path, std::ios::binary);
    f.seekg(static_cast<std::streamoff>(offset));
    f.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    return bytes;
}

struct MbrRow {
    std::uint8_t type;
    std::uint32_t firstLba;
    std::uint32_t sectors;
};

// Writes a master boot record with the given primary entries into sector 0.
inline void writeMbr(const std::string& path, std::initializer_list<MbrRow> rows) {
    std::vector<std::uint8_t> sector(512, 0);
    std::size_t i = 0;
    for (const MbrRow& row : rows) {
        std::uint8_t* e = sector.data() + 446 + 16 * i++;
        e[4] = row.type;
        store::writeLe32(e + 8, row.firstLba);
        store::writeLe32(e + 12, row.sectors);
    }
    sector[510] = 0x55;
    sector[511] = 0xAA;
    writeAt(path, 0, sector);
}

// A DiskDevice over the image through a FakeBlockDevice.
inline bool openFake(disk::DiskDevice& device, const std::string& image,
                     const std::shared_ptr<FakeDiskState>& state,
                     platform::DiskTarget target = {}) {
    target.diskPath = image;
    return device.open(std::make_unique<FakeBlockDevice>(image, state), target);
}

inline bool allZero(const std::vector<std::uint8_t>& bytes) {
    for (std::uint8_t b : bytes) {
        if (b != 0)
            return false;
    }
    return true;
}
