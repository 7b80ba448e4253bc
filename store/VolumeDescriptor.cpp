#include "store/VolumeDescriptor.h"

#include <cstring>

#include "store/LittleEndian.h"

namespace store {

namespace {
// The little-endian half of the both-endian volume space size.
constexpr std::size_t kVolumeSpaceSize = 80;
}  // namespace

std::optional<std::int32_t> volumeSectors(const std::uint8_t* sector) {
    if (sector[0] != 1 || std::memcmp(sector + 1, "CD001", 5) != 0 || sector[6] != 1)
        return std::nullopt;
    const std::uint32_t size = readLe32(sector + kVolumeSpaceSize);
    if (size == 0 || size > 0x7FFFFFFFu)
        return std::nullopt;
    return static_cast<std::int32_t>(size);
}

}  // namespace store
