#include "store/GameEntry.h"

#include <algorithm>
#include <cstring>

#include "store/LittleEndian.h"

namespace store {

using namespace entry_layout;

namespace {

std::string readText(const std::uint8_t* field, std::size_t size) {
    const auto* end = std::find(field, field + size, std::uint8_t{0});
    return std::string(reinterpret_cast<const char*>(field), static_cast<std::size_t>(end - field));
}

void writeText(std::uint8_t* field, std::size_t size, std::string_view text) {
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

}  // namespace

GameEntry GameEntry::fromBytes(std::span<const std::uint8_t, kSize> raw) {
    GameEntry entry;
    std::copy(raw.begin(), raw.end(), entry.bytes.begin());
    return entry;
}

std::string GameEntry::DisplayName() const {
    return readText(bytes.data() + kDisplayName, kDisplayNameSize);
}

std::string GameEntry::ImageFileName() const {
    return readText(bytes.data() + kImageFileName, kImageFileNameSize);
}

std::string GameEntry::gameId() const {
    std::string name = ImageFileName();
    return name.size() > 3 ? name.substr(3) : std::string();
}

std::int8_t GameEntry::PartCount() const {
    return static_cast<std::int8_t>(bytes[kPartCount]);
}

std::uint32_t GameEntry::MediaType() const {
    return readLe32(bytes.data() + kMediaType);
}

std::uint32_t GameEntry::SectorSize() const {
    return readLe32(bytes.data() + kSectorSize);
}

void GameEntry::setDisplayName(std::string_view name) {
    writeText(bytes.data() + kDisplayName, kDisplayNameSize, name);
}

void GameEntry::setImageFileName(std::string_view name) {
    writeText(bytes.data() + kImageFileName, kImageFileNameSize, name);
}

void GameEntry::setPartCount(std::uint8_t count) {
    bytes[kPartCount] = count;
}

void GameEntry::setMediaType(std::uint32_t type) {
    writeLe32(bytes.data() + kMediaType, type);
}

void GameEntry::setSectorSize(std::uint32_t size) {
    writeLe32(bytes.data() + kSectorSize, size);
}

}  // namespace store
