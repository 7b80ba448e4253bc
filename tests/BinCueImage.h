#pragma once
// Turns a 2048-byte-sector image into raw 2352-byte CD sectors, as a disc
// copied in raw mode would be stored in a BIN file: sync pattern, address,
// mode, (Mode 2: subheader), user data, and error-code bytes (filled with a
// marker here; nothing reads them).

#include <cstdint>
#include <string>
#include <vector>

#include "TempDir.h"

inline std::uint8_t toBcd(int value) {
    return static_cast<std::uint8_t>((value / 10) << 4 | (value % 10));
}

// One raw sector holding `data` (2048 bytes) at logical sector `lba`.
inline std::vector<std::uint8_t> rawSector(const std::uint8_t* data, std::int64_t lba, int mode) {
    std::vector<std::uint8_t> sector(2352, 0xEE);
    sector[0] = 0x00;
    for (int i = 1; i <= 10; ++i)
        sector[i] = 0xFF;
    sector[11] = 0x00;
    const std::int64_t frames = lba + 150;  // addresses count from the two-second lead-in
    sector[12] = toBcd(static_cast<int>(frames / (60 * 75)));
    sector[13] = toBcd(static_cast<int>(frames / 75 % 60));
    sector[14] = toBcd(static_cast<int>(frames % 75));
    sector[15] = static_cast<std::uint8_t>(mode);
    std::size_t offset = 16;
    if (mode == 2) {
        const std::uint8_t subheader[8] = {0, 0, 0x08, 0, 0, 0, 0x08, 0};  // form 1, data
        std::copy(subheader, subheader + 8, sector.begin() + 16);
        offset = 24;
    }
    std::copy(data, data + 2048, sector.begin() + static_cast<std::ptrdiff_t>(offset));
    return sector;
}

// The whole image as raw sectors of the given mode.
inline std::vector<std::uint8_t> rawSectorsOf(const std::vector<std::uint8_t>& image, int mode) {
    std::vector<std::uint8_t> raw;
    raw.reserve(image.size() / 2048 * 2352);
    for (std::size_t s = 0; s + 2048 <= image.size(); s += 2048) {
        std::vector<std::uint8_t> sector =
            rawSector(image.data() + s, std::int64_t(s / 2048), mode);
        raw.insert(raw.end(), sector.begin(), sector.end());
    }
    return raw;
}

inline void writeText(const std::string& path, const std::string& text) {
    writeBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}
