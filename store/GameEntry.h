#pragma once
// One 64-byte record of a drive's game table file, kept as its exact bytes so
// that a record copied between drives stays identical, reserved bytes included.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace store {

// Field layout of a record. Integers are little-endian.
namespace entry_layout {
constexpr std::size_t kSize = 64;
constexpr std::size_t kDisplayName = 0;  // NUL-terminated, at most 31 characters
constexpr std::size_t kDisplayNameSize = 32;
constexpr std::size_t kImageFileName = 32;  // "zt." + game ID, NUL-terminated
constexpr std::size_t kImageFileNameSize = 15;
constexpr std::size_t kPartCount = 47;   // signed 8-bit, only the low four bits written
constexpr std::size_t kMediaType = 48;   // u32: 0x12 CD, 0x14 DVD
constexpr std::size_t kSectorSize = 52;  // u32: bytes per stored sector
constexpr std::size_t kReserved = 56;    // 8 zero bytes
}  // namespace entry_layout

constexpr std::uint32_t kMediaCd = 0x12;
constexpr std::uint32_t kMediaDvd = 0x14;

struct GameEntry {
    std::array<std::uint8_t, entry_layout::kSize> bytes{};

    static GameEntry fromBytes(std::span<const std::uint8_t, entry_layout::kSize> raw);

    // Text fields are read up to their terminator or the end of their field,
    // whichever comes first: a record from a drive may lack the terminator.
    std::string DisplayName() const;
    std::string ImageFileName() const;
    // The game ID: ImageFileName less its first three characters ("zt.").
    std::string gameId() const;
    std::int8_t PartCount() const;
    std::uint32_t MediaType() const;
    std::uint32_t SectorSize() const;

    // Writes the name zero-filled to the end of its field; the caller has
    // checked that it fits with its terminator.
    void setDisplayName(std::string_view name);
    void setImageFileName(std::string_view name);
    void setPartCount(std::uint8_t count);
    void setMediaType(std::uint32_t type);
    void setSectorSize(std::uint32_t size);

    bool operator==(const GameEntry&) const = default;
};

}  // namespace store
