#pragma once
// The 32-bit name hash that ties a game's name to its part files: a CRC with
// polynomial 0x04C11DB7, initial value 0, no reflection and no final XOR.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace store {

std::uint32_t nameHash(const void* bytes, std::size_t length);

// The hash of a game: its display name together with the terminating NUL.
std::uint32_t gameNameHash(std::string_view displayName);

// Eight upper-case hexadecimal digits.
std::string hashText(std::uint32_t hash);

}  // namespace store
