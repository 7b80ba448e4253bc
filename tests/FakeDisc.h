#pragma once
// A disc held in memory for the install tests: sectors that were put in
// explicitly, a generated pattern everywhere else (so that discs of a
// gigabyte cost no memory), sectors whose reads fail, and a record of every
// read the device received.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "install/DiscDevice.h"

struct FakeDisc {
    std::int64_t sectors = 0;  // size of the medium; reads beyond it come back short
    std::map<std::int64_t, std::vector<std::uint8_t>> content;  // explicit sectors
    std::set<std::int64_t> failing;  // a read that covers one of these fails
    std::vector<std::pair<std::uint64_t, std::size_t>> reads;  // (offset, length) received
    bool opens = true;
    bool sizeUnknown = false;      // the device cannot tell its size
    std::uint64_t extraBytes = 0;  // bytes of a last, partial sector after `sectors`
    // In-kernel copies: off unless asked for; a copy that covers one of
    // `failingCopy` stops there with an error, after writing what came before.
    bool kernelCopy = false;
    std::set<std::int64_t> failingCopy;
    std::vector<std::pair<std::uint64_t, std::size_t>> sends;  // (offset, length) asked for

    // The generated content of a sector: its number in the first four bytes,
    // the rest filled with a byte that depends on it.
    static void pattern(std::int64_t sector, std::uint8_t* out) {
        std::memset(out, static_cast<int>((sector * 37 + 11) & 0xFF), 2048);
        for (int i = 0; i < 4; ++i)
            out[i] = static_cast<std::uint8_t>(sector >> (8 * i));
    }
    std::vector<std::uint8_t> sector(std::int64_t n) const {
        auto it = content.find(n);
        if (it != content.end())
            return it->second;
        std::vector<std::uint8_t> bytes(2048);
        pattern(n, bytes.data());
        return bytes;
    }
};

class FakeDiscDevice : public install::DiscDevice {
  public:
    explicit FakeDiscDevice(std::shared_ptr<FakeDisc> disc) : disc_(std::move(disc)) {}
    std::int64_t read(std::uint64_t offset, std::uint8_t* buffer, std::size_t length) override {
        disc_->reads.emplace_back(offset, length);
        const std::int64_t first = static_cast<std::int64_t>(offset / 2048);
        const std::int64_t count = static_cast<std::int64_t>(length / 2048);
        for (std::int64_t s = first; s < first + count; ++s) {
            if (disc_->failing.count(s) != 0)
                return -1;
        }
        std::int64_t done = 0;
        for (std::int64_t s = first; s < first + count && s < disc_->sectors; ++s, ++done) {
            auto it = disc_->content.find(s);
            std::uint8_t* out = buffer + done * 2048;
            if (it != disc_->content.end()) {
                std::memcpy(out, it->second.data(), 2048);
            } else {
                FakeDisc::pattern(s, out);
            }
        }
        return done * 2048;
    }

    std::optional<std::uint64_t> size() override {
        if (disc_->sizeUnknown)
            return std::nullopt;
        return static_cast<std::uint64_t>(disc_->sectors) * 2048 + disc_->extraBytes;
    }
    platform::SendResult sendTo(std::uint64_t offset, std::size_t length,
                                platform::OutputFile& out) override {
        disc_->sends.emplace_back(offset, length);
        platform::SendResult result;
        if (!disc_->kernelCopy) {
            result.failed = result.unsupported = true;
            return result;
        }
        const std::int64_t first = static_cast<std::int64_t>(offset / 2048);
        for (std::int64_t s = first; s < first + static_cast<std::int64_t>(length / 2048); ++s) {
            if (disc_->failingCopy.count(s) != 0 || s >= disc_->sectors) {
                result.failed = s < disc_->sectors;
                break;
            }
            if (!out.write(disc_->sector(s).data(), 2048)) {
                result.failed = true;
                break;
            }
            result.bytes += 2048;
        }
        return result;
    }

  private:
    std::shared_ptr<FakeDisc> disc_;
};

inline install::DiscOpener fakeOpener(std::shared_ptr<FakeDisc> disc) {
    return [disc](const std::string& path) -> install::DiscOpenResult {
        if (!disc->opens)
            return install::DiscOpenFailure{install::DiscOpenStep::Open, path, {}};
        return {std::make_unique<FakeDiscDevice>(disc)};
    };
}

// Puts a minimal ISO 9660 volume on the disc: the primary volume descriptor
// at sector 16 (volume space size `volumeSectors`), the root directory at
// sector 18 and, unless `cnfName` is empty, a file of that name at sector 19.
inline void putIsoVolume(FakeDisc& disc, std::uint32_t volumeSectors, const std::string& cnf,
                         const std::string& cnfName = "SYSTEM.CNF;1") {
    auto le32 = [](std::uint8_t* p, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    auto be32 = [](std::uint8_t* p, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            p[3 - i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    auto record = [&](std::uint8_t* p, std::uint32_t lba, std::uint32_t size, std::uint8_t flags,
                      const std::string& name) {
        std::size_t length = 33 + name.size() + (name.size() % 2 == 0 ? 1 : 0);
        p[0] = static_cast<std::uint8_t>(length);
        le32(p + 2, lba);
        be32(p + 6, lba);
        le32(p + 10, size);
        be32(p + 14, size);
        p[25] = flags;
        p[28] = 1;
        p[31] = 1;
        p[32] = static_cast<std::uint8_t>(name.size());
        std::memcpy(p + 33, name.data(), name.size());
        return length;
    };
    std::vector<std::uint8_t> pvd(2048, 0);
    pvd[0] = 1;
    std::memcpy(&pvd[1], "CD001", 5);
    pvd[6] = 1;
    le32(&pvd[80], volumeSectors);
    be32(&pvd[84], volumeSectors);
    record(&pvd[156], 18, 2048, 0x02, std::string(1, '\0'));
    disc.content[16] = pvd;

    std::vector<std::uint8_t> root(2048, 0);
    std::size_t pos = 0;
    pos += record(&root[pos], 18, 2048, 0x02, std::string(1, '\0'));
    pos += record(&root[pos], 18, 2048, 0x02, std::string(1, '\1'));
    if (!cnfName.empty()) {
        record(&root[pos], 19, static_cast<std::uint32_t>(cnf.size()), 0, cnfName);
    }
    disc.content[18] = root;
    std::vector<std::uint8_t> file(2048, 0);
    std::memcpy(file.data(), cnf.data(), std::min<std::size_t>(cnf.size(), 2048));
    disc.content[19] = file;
}

inline std::shared_ptr<FakeDisc> makeGameDisc(
    std::int64_t sectors,
    const std::string& cnf = "BOOT2 = cdrom0:\\ABCD_123.45;1\r\nVER = 1.00\r\n") {
    auto disc = std::make_shared<FakeDisc>();
    disc->sectors = sectors;
    putIsoVolume(*disc, static_cast<std::uint32_t>(sectors), cnf);
    return disc;
}
