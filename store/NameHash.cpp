#include "store/NameHash.h"

#include <array>
#include <cstdio>

namespace store {

namespace {

constexpr std::array<std::uint32_t, 256> makeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t v = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            v = (v & 0x80000000u) ? (v << 1) ^ 0x04C11DB7u : v << 1;
        table[i] = v;
    }
    return table;
}

constexpr auto kTable = makeTable();

}  // namespace

std::uint32_t nameHash(const void* bytes, std::size_t length) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < length; ++i)
        crc = (crc << 8) ^ kTable[(p[i] ^ (crc >> 24)) & 0xFF];
    return crc;
}

std::uint32_t gameNameHash(std::string_view displayName) {
    std::string withTerminator(displayName);
    return nameHash(withTerminator.c_str(), withTerminator.size() + 1);
}

std::string hashText(std::uint32_t hash) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(hash));
    return text;
}

}  // namespace store
