#pragma once
// A temporary folder standing for a drive with installed games: records in
// its zt.cfg and part files of chosen sizes beside it.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "store/DriveRoot.h"
#include "store/GameEntry.h"
#include "store/NameHash.h"
#include "store/PartNaming.h"
#include "store/TableFile.h"

inline store::GameEntry gameRecord(const std::string& name, const std::string& id, int parts,
                                   bool dvd = false) {
    store::GameEntry entry;
    entry.setDisplayName(name);
    entry.setImageFileName("zt." + id);
    entry.setPartCount(static_cast<std::uint8_t>(parts));
    entry.setMediaType(dvd ? store::kMediaDvd : store::kMediaCd);
    entry.setSectorSize(2048);
    return entry;
}

class GameDrive {
  public:
    std::string root() const { return dir_.root(); }
    std::string table() const { return store::tablePath(root()); }

    std::string part(const std::string& name, const std::string& id, int index) const {
        return *store::partFilePath(store::partPrefix(root(), store::gameNameHash(name), id),
                                    index);
    }

    // Appends a record and writes its part files, each filled with `fill`
    // (sizes above a few KiB are made sparse).
    void addGame(const std::string& name, const std::string& id,
                 const std::vector<std::uint64_t>& partSizes, char fill = 'g') {
        appendRecord(gameRecord(name, id, static_cast<int>(partSizes.size())));
        for (std::size_t i = 0; i < partSizes.size(); ++i) {
            writePart(part(name, id, static_cast<int>(i)), partSizes[i], fill);
        }
    }

    void appendRecord(const store::GameEntry& entry) {
        std::vector<store::GameEntry> records = this->records();
        records.push_back(entry);
        store::writeTableFile(table(), records);
    }

    std::vector<store::GameEntry> records() const { return store::readTableFile(table()).records; }

    std::vector<std::string> names() const {
        std::vector<std::string> names;
        for (const store::GameEntry& entry : records())
            names.push_back(entry.DisplayName());
        return names;
    }

    // File names in the folder, sorted.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(dir_.path())) {
            names.push_back(item.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    static void writePart(const std::string& path, std::uint64_t size, char fill = 'g') {
        if (size <= 65536) {
            writeBytes(path, std::vector<std::uint8_t>(size, static_cast<std::uint8_t>(fill)));
        } else {
            writeBytes(path, {});
            std::filesystem::resize_file(path, size);
        }
    }

    // A part file of `bytes` bytes (sparse) whose sector 16 is the volume
    // descriptor of a disc of `volumeSectors` sectors, as an installed game's
    // part .00 holds.
    static void writeDiscPart(const std::string& path, std::uint64_t bytes,
                              std::uint32_t volumeSectors) {
        writePart(path, bytes < 17 * 2048 ? bytes : 0);
        if (bytes < 17 * 2048)
            return;
        std::vector<std::uint8_t> descriptor(2048, 0);
        descriptor[0] = 1;
        std::copy_n("CD001", 5, descriptor.begin() + 1);
        descriptor[6] = 1;
        for (int i = 0; i < 4; ++i)
            descriptor[80 + i] = static_cast<std::uint8_t>(volumeSectors >> (8 * i));
        std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(16 * 2048);
        out.write(reinterpret_cast<const char*>(descriptor.data()), 2048);
        out.close();
        std::filesystem::resize_file(path, bytes);
    }

    // Appends a record and writes the parts of a disc of `sectors` sectors
    // as an install does: parts of 1 GiB (sparse) but the last, part .00
    // holding the volume descriptor.
    void addDiscGame(const std::string& name, const std::string& id, std::uint64_t sectors) {
        constexpr std::uint64_t kPartSectors = 524288;
        const int parts = static_cast<int>((sectors + kPartSectors - 1) / kPartSectors);
        appendRecord(gameRecord(name, id, parts));
        for (int i = 0; i < parts; ++i) {
            const std::uint64_t bytes =
                std::min(sectors - kPartSectors * static_cast<std::uint64_t>(i), kPartSectors) *
                2048;
            if (i == 0)
                writeDiscPart(part(name, id, 0), bytes, static_cast<std::uint32_t>(sectors));
            else
                writePart(part(name, id, i), bytes);
        }
    }

  private:
    TempDir dir_;
};
