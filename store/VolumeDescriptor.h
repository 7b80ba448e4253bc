#pragma once
// The ISO 9660 primary volume descriptor that every game disc holds at
// sector 16: the install reads it from the disc, the drive check from part
// .00 of an installed game, whose first sectors are the disc's.

#include <cstdint>
#include <optional>

namespace store {

constexpr std::int32_t kDescriptorSector = 16;
constexpr std::uint32_t kDiscSectorBytes = 2048;
// Many discs cannot give their last sectors: an install accepts a medium
// that ends up to this many sectors before its volume.
constexpr std::int32_t kMissableEndSectors = 151;

// The volume space size in sectors when `sector` (2048 bytes) is a primary
// volume descriptor: type 1, "CD001", version 1, and a size above 0 that a
// signed sector number can hold. Nothing otherwise.
std::optional<std::int32_t> volumeSectors(const std::uint8_t* sector);

}  // namespace store
